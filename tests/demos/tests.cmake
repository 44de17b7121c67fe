qv_gtest(demo_tests demos/test_timers.cpp demos/test_demo_results.cpp)
