# logiremctl id reads an analyser's reply from a fake system GPIB library.
if(TARGET test_cli AND TARGET fakegpib_full)
  add_dependencies(test_cli fakegpib_full)
  target_compile_definitions(test_cli PRIVATE FAKE_GPIB_FULL="$<TARGET_FILE:fakegpib_full>")
endif()
