qv_gtest(app_tests app/test_app_state.cpp app/test_command_line.cpp app/test_log.cpp app/test_startup.cpp)
# Start-up writes the bin folder's log, and its boxes are answered on the
# desktop.
if(TEST app_tests)
  set_tests_properties(app_tests PROPERTIES RESOURCE_LOCK "desktop;quorvel_bin")
endif()
