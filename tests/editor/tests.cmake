# A program that shows the editor on the simulated analyser's default setup, for looking at it
# (and taking screenshots) without an analyser: editor_preview [cards09 cards18].
if(TARGET logirem_editor)
  add_executable(editor_preview ${CMAKE_CURRENT_LIST_DIR}/preview/preview.cpp)
  target_link_libraries(editor_preview PRIVATE logirem_editor logirem_testsupport)
endif()
