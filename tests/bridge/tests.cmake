# Bridge library: one test program that drives stv_x32 as the program does,
# over the stand-in demo framework, with small scenes of its own and the
# Vulkan2 plug-in on the stand-in Vulkan loader (its test build) and on the
# system's loader. Runs from the bin folder.
add_executable(bridge_tests bridge/test_bridge.cpp)
qv_target(bridge_tests)
target_include_directories(bridge_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/plugins)
target_link_libraries(bridge_tests PRIVATE stv_x32 tvc_x32 gtest gtest_main user32 gdi32)
add_dependencies(bridge_tests plugin_tvc_vulkan2_x32 plugin_tvc_vulkan2_x32_test plugin_tvc_gpumon_x32 fake_vulkan)
add_custom_command(TARGET bridge_tests POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_CURRENT_SOURCE_DIR}/bridge/scenes ${QV_BIN}/bridge_scenes)
qv_wine_test(bridge_tests COMMAND bridge_tests --gtest_color=no WORKING_DIRECTORY ${QV_BIN})
