# Framework-demo launcher: one test program that runs catalogue demos through
# the bridge over the stand-in framework (OpenGL in its own window, Vulkan
# and Vulkan2 through the plug-ins on Wine's Vulkan), from the bin folder.
# The scene tests (what each demo draws) are a ctest entry of their own.
include(${CMAKE_SOURCE_DIR}/demos/launcher.cmake)
add_executable(launcher_tests launcher/test_launcher.cpp launcher/test_scenes.cpp)
qv_target(launcher_tests)
target_link_libraries(launcher_tests PRIVATE quorvel_core tvl_x32 gtest gtest_main)
add_dependencies(launcher_tests tvldemos_copy plugin_tvc_vulkan2_x32 plugin_tvc_vulkan_x32 plugin_tvc_gpumon_x32)
qv_wine_test(launcher_tests COMMAND launcher_tests --gtest_color=no --gtest_filter=-Catalogue/*:SceneWindowTest.*
             WORKING_DIRECTORY ${QV_BIN})
if(TEST launcher_tests)
  set_tests_properties(launcher_tests PROPERTIES TIMEOUT 600)
endif()
if(QV_REGISTER_WINE_TESTS)
  add_test(NAME scene_tests COMMAND launcher_tests --gtest_color=no --gtest_filter=Catalogue/*:SceneWindowTest.*
           WORKING_DIRECTORY ${QV_BIN})
  set_tests_properties(scene_tests PROPERTIES TIMEOUT 600)
endif()

qv_e2e(e2e_run_tvl_demo ../launcher/run_tvl_demo_e2e.sh quorvel_bin)
qv_e2e(e2e_run_vk_first_demos ../launcher/run_vk_first_demos_e2e.sh quorvel_bin)
