qv_gtest(hardware_tests hardware/test_hardware_caps.cpp hardware/test_system_info.cpp
  hardware/test_scanrik.cpp hardware/test_detection_gl.cpp)
