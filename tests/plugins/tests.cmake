# Vulkan renderer plug-ins: a stand-in Vulkan loader, and one test program
# that drives the Vulkan2 plug-in as the demo framework does and checks its
# parts directly. Run from the bin folder: the test build of the plug-in lies
# in testplugins/, the stand-in loader in fakevk/.
add_library(fake_vulkan SHARED plugins/fake_vulkan.cpp)
qv_target(fake_vulkan)
target_link_options(fake_vulkan PRIVATE -Wl,--kill-at)
set_target_properties(fake_vulkan PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${QV_BIN}/fakevk)

# The Vulkan2 plug-in with the loader seam: same file name, its own folder;
# the shipped plug-ins export nothing for tests.
add_library(plugin_tvc_vulkan2_x32_test SHARED ${CMAKE_SOURCE_DIR}/plugins/vulkan2/plugin_entry.cpp
  plugins/loader_seam.cpp)
qv_target(plugin_tvc_vulkan2_x32_test)
target_link_libraries(plugin_tvc_vulkan2_x32_test PRIVATE plugin_tvc_vulkan2_x32_core)
set_target_properties(plugin_tvc_vulkan2_x32_test PROPERTIES PREFIX "" OUTPUT_NAME plugin_tvc_vulkan2_x32
  RUNTIME_OUTPUT_DIRECTORY ${QV_BIN}/testplugins)

add_executable(vulkan2_plugin_tests
  plugins/test_vulkan2_host.cpp plugins/test_vulkan2_fake.cpp plugins/test_vulkan2_parts.cpp
  plugins/test_vulkan2_device.cpp plugins/test_vulkan2_frames.cpp
  plugins/test_vulkan2_capabilities.cpp)
qv_target(vulkan2_plugin_tests)
target_include_directories(vulkan2_plugin_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/plugins)
target_link_libraries(vulkan2_plugin_tests PRIVATE plugin_tvc_vulkan2_x32_core gtest gtest_main)
add_dependencies(vulkan2_plugin_tests plugin_tvc_vulkan2_x32_test fake_vulkan)
qv_wine_test(vulkan2_plugin_tests COMMAND vulkan2_plugin_tests --gtest_color=no WORKING_DIRECTORY ${QV_BIN})
