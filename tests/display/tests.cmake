# The display's printing asks for its title and notes through the application's dialog; the
# tests build that one dialog in, so they do not depend on the rest of the application.
if(TARGET test_display)
  target_sources(test_display PRIVATE ${PROJECT_SOURCE_DIR}/src/app/Info.cpp
    ${PROJECT_SOURCE_DIR}/src/app/Info.h)
  target_link_libraries(test_display PRIVATE Qt6::Widgets Qt6::PrintSupport)
endif()
