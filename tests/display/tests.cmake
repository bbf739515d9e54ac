# The display's printing asks for its title and notes through the application's dialog.
if(TARGET test_display)
  target_link_libraries(test_display PRIVATE logirem_app)
endif()
# The Listing window's copy is checked against logiremctl's output.
if(TARGET test_display)
  add_dependencies(test_display logiremctl)
endif()
