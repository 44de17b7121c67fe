qv_gtest(app_tests app/test_app_state.cpp app/test_command_line.cpp app/test_log.cpp)
