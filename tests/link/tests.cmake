# Fake system GPIB libraries, loaded by the driver tests through LOGIREM_GPIB_LIBRARY.
if(TARGET test_link)
  set(fake_variants
      full ""
      nocntl "FAKE_NO_IBCNTL"
      register "FAKE_REGISTER"
      nord "FAKE_NO_IBRD")
  set(fake_definitions "")
  while(fake_variants)
    list(POP_FRONT fake_variants variant definition)
    set(target fakegpib_${variant})
    add_library(${target} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/link/fake/FakeGpib.cpp)
    if(definition)
      target_compile_definitions(${target} PRIVATE ${definition})
    endif()
    set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden)
    add_dependencies(test_link ${target})
    string(TOUPPER ${variant} upper)
    list(APPEND fake_definitions FAKE_GPIB_${upper}="$<TARGET_FILE:${target}>")
  endwhile()
  target_compile_definitions(test_link PRIVATE ${fake_definitions})
endif()
