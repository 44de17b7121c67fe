qv_e2e(e2e_launcher launcher_test.sh)
qv_e2e(e2e_boxwatch boxwatch_test.sh)
qv_e2e(e2e_startup startup_test.sh quorvel_bin)
qv_e2e(e2e_readme_run readme_run_test.sh quorvel_bin)
qv_e2e(e2e_report report_test.sh quorvel_bin)

# Libraries planted beside the program under system names, and a host that
# loads the renderer plug-ins as the demo framework does.
foreach(name OpenCL vulkan-1 nvcuda)
  string(MAKE_C_IDENTIFIER "planted_${name}" target)
  add_library(${target} SHARED fakes/planted/planted.c)
  qv_target(${target})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${name} RUNTIME_OUTPUT_DIRECTORY ${QV_BIN}/planted)
endforeach()
qv_test_tool(plugin_probe tools/plugin_probe.cpp)
target_link_libraries(plugin_probe PRIVATE tvc_x32)
qv_e2e(e2e_planted_libraries planted_libraries_test.sh)
