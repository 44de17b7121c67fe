qv_gtest(timer_tests demos/test_timers.cpp)
