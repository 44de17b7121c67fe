# The report against a scenario-fed detection facade, compared with golden
# files (kept byte for byte: see .gitattributes).
add_executable(report_tests
  report/test_report.cpp report/FakeScanrik.cpp
  ${CMAKE_SOURCE_DIR}/app/Report.cpp ${CMAKE_SOURCE_DIR}/app/ReportApis.cpp
  ${CMAKE_SOURCE_DIR}/app/ReportFiles.cpp ${CMAKE_SOURCE_DIR}/app/GlExtensionTable.cpp
  ${CMAKE_SOURCE_DIR}/app/AppState.cpp ${CMAKE_SOURCE_DIR}/app/Log.cpp
  ${CMAKE_SOURCE_DIR}/app/VulkanInfo.cpp ${CMAKE_SOURCE_DIR}/app/OpenClInfo.cpp ${CMAKE_SOURCE_DIR}/app/CudaInfo.cpp
  ${CMAKE_SOURCE_DIR}/demos/ClEntryPoints.cpp
  ${CMAKE_SOURCE_DIR}/demos/Timers.cpp ${CMAKE_SOURCE_DIR}/demos/DemoSlot.cpp
  ${CMAKE_SOURCE_DIR}/detect/GpuRecord.cpp ${CMAKE_SOURCE_DIR}/detect/SecureLoader.cpp)
qv_target(report_tests)
target_include_directories(report_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/report)
target_compile_definitions(report_tests PRIVATE QV_GOLDEN_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/report/golden")
target_link_libraries(report_tests PRIVATE lumaq gtest gtest_main user32 gdi32 comdlg32 comctl32 shell32 glew)
qv_wine_test(report_tests COMMAND report_tests --gtest_color=no WORKING_DIRECTORY ${QV_BIN})
