# The simulated analyser's header has a member named slots(), which Qt's keyword macro of
# that name would break; the window tests use Qt's Q_SLOTS spelling only.
if(TARGET test_app)
  target_compile_definitions(test_app PRIVATE QT_NO_KEYWORDS)
endif()
