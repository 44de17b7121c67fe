# The main window from quorvel.exe's resources and the update check against
# a loopback server that the tests start themselves.
qv_gtest(mainwindow_tests mainwindow/test_main_window.cpp mainwindow/test_update_check.cpp)
target_link_libraries(mainwindow_tests PRIVATE ws2_32)
add_dependencies(mainwindow_tests quorvel)

# The GPU and Tools tabs and the OpenGL tab's memory line against a
# scenario-fed detection facade, with the OpenCL table from the stand-in
# OpenCL library.
include(${CMAKE_CURRENT_LIST_DIR}/../fakes/opencl/fakes.cmake)
add_executable(gpu_panel_tests
  mainwindow/test_gpu_panel.cpp mainwindow/FakeFacade.cpp
  ${CMAKE_SOURCE_DIR}/app/GpuPanel.cpp ${CMAKE_SOURCE_DIR}/app/ToolsPanel.cpp
  ${CMAKE_SOURCE_DIR}/app/OpenGlPanel.cpp ${CMAKE_SOURCE_DIR}/app/GlExtensionTable.cpp
  ${CMAKE_SOURCE_DIR}/app/LinkControl.cpp ${CMAKE_SOURCE_DIR}/app/PanelLogo.cpp
  ${CMAKE_SOURCE_DIR}/app/AppState.cpp ${CMAKE_SOURCE_DIR}/app/Log.cpp
  ${CMAKE_SOURCE_DIR}/app/VulkanInfo.cpp ${CMAKE_SOURCE_DIR}/app/OpenClInfo.cpp
  ${CMAKE_SOURCE_DIR}/app/CudaInfo.cpp ${CMAKE_SOURCE_DIR}/demos/ClEntryPoints.cpp
  ${CMAKE_SOURCE_DIR}/detect/SecureLoader.cpp
  ${CMAKE_SOURCE_DIR}/demos/Timers.cpp ${CMAKE_SOURCE_DIR}/demos/DemoSlot.cpp)
qv_target(gpu_panel_tests)
target_include_directories(gpu_panel_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/mainwindow)
target_link_libraries(gpu_panel_tests PRIVATE lumaq gtest gtest_main user32 gdi32 comdlg32 comctl32 shell32 glew)
add_dependencies(gpu_panel_tests quorvel fake_opencl)
qv_wine_test(gpu_panel_tests COMMAND gpu_panel_tests --gtest_color=no WORKING_DIRECTORY ${QV_BIN})
if(QV_REGISTER_WINE_TESTS)
  # The main window of the running program, driven from outside.
  add_test(NAME e2e_main_window
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/mainwindow/main_window_test.sh ${QV_BIN} ${QV_WINE_RUN} ${QV_WINE_PREFIX}
    WORKING_DIRECTORY ${QV_BIN})
  set_tests_properties(e2e_main_window PROPERTIES RESOURCE_LOCK quorvel_bin)
endif()
