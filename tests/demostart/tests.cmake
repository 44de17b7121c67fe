qv_gtest(demostart_tests demostart/test_demo_start.cpp)
