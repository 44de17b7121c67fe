#include <gtest/gtest.h>

#include <string>

#include "app/AppState.h"

namespace {

struct SwitchCase {
  const char* line;
  void (*check)(const AppState& s);
};

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAppState(); }
};

// Every switch, each with what it must change.
const SwitchCase kSwitchCases[] = {
    {"/no_logfile", [](const AppState& s) { EXPECT_FALSE(s.logEnabled); }},
    {"/no_online_check", [](const AppState& s) { EXPECT_FALSE(s.onlineCheckEnabled); }},
    {"/gl30", [](const AppState& s) { EXPECT_EQ(3, s.glMajor); EXPECT_EQ(0, s.glMinor); }},
    {"/gl31", [](const AppState& s) { EXPECT_EQ(3, s.glMajor); EXPECT_EQ(1, s.glMinor); }},
    {"/gl32", [](const AppState& s) { EXPECT_EQ(3, s.glMajor); EXPECT_EQ(2, s.glMinor); }},
    {"/disable_gl3_torus_radeon_fix", [](const AppState& s) { EXPECT_FALSE(s.gl3TorusRadeonFix); }},
    {"/disable_gl_render_in_cl_demos", [](const AppState& s) { EXPECT_FALSE(s.glRenderInClDemos); }},
    {"/demo_msaa=4", [](const AppState& s) { EXPECT_EQ(4, s.msaaSamples); EXPECT_EQ("4X MSAA", s.msaaText); }},
    {"/demo_msaa=2", [](const AppState& s) { EXPECT_EQ("2X MSAA", s.msaaText); }},
    {"/demo_msaa=8", [](const AppState& s) { EXPECT_EQ("8X MSAA", s.msaaText); }},
    {"/demo_msaa=8 /demo_msaa=0", [](const AppState& s) { EXPECT_EQ("8X MSAA", s.msaaText); }},
    {"/demo_msaa=16", [](const AppState& s) { EXPECT_EQ(16, s.msaaSamples); EXPECT_EQ("Off", s.msaaText); }},
    {"/demo_win_width=1280 /demo_win_height=720",
     [](const AppState& s) { EXPECT_EQ(1280, s.demoWinWidth); EXPECT_EQ(720, s.demoWinHeight); }},
    {"/cl_log_results", [](const AppState& s) { EXPECT_TRUE(s.benchmarkLog); EXPECT_FALSE(s.surfaceDeformerLog); }},
    {"/bench_log_results", [](const AppState& s) { EXPECT_TRUE(s.benchmarkLog); EXPECT_FALSE(s.tvlBenchmarkLog); }},
    {"/cl_log_results_surface_deformer",
     [](const AppState& s) { EXPECT_TRUE(s.surfaceDeformerLog); EXPECT_TRUE(s.benchmarkLog); }},
    {"/cl_duration=5000", [](const AppState& s) { EXPECT_EQ(5000, s.demoDurationMs); EXPECT_EQ(5000, s.tvlDemoDurationMs); }},
    {"/bench_duration=6000", [](const AppState& s) { EXPECT_EQ(6000, s.demoDurationMs); EXPECT_EQ(6000, s.tvlDemoDurationMs); }},
    {"/benchmark_duration=7000", [](const AppState& s) { EXPECT_EQ(7000, s.demoDurationMs); EXPECT_EQ(7000, s.tvlDemoDurationMs); }},
    {"/benchmark_log_results", [](const AppState& s) { EXPECT_TRUE(s.benchmarkLog); EXPECT_TRUE(s.tvlBenchmarkLog); }},
    {"/demo_fullscreen", [](const AppState& s) { EXPECT_TRUE(s.demoFullscreen); }},
    {"/read_vk_amd_shader_core_properties", [](const AppState& s) { EXPECT_TRUE(s.readVkAmdShaderCoreProperties); }},
    {"/read_vk_khr_driver_properties", [](const AppState& s) { EXPECT_TRUE(s.readVkDriverProperties); }},
    {"/read_vk_ext_pci_bus_info", [](const AppState& s) { EXPECT_TRUE(s.readVkPciBusInfo); }},
    {"/close_app_end_of_demo", [](const AppState& s) { EXPECT_TRUE(s.closeAppAtDemoEnd); }},
    {"/start_demo_cl_deformer", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartClDeformer]); }},
    {"/start_demo_cl_postfx", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartClPostFx]); }},
    {"/start_demo_cl_particles", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartClParticles]); }},
    {"/start_demo_cl_julia", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartClJulia]); }},
    {"/start_demo_gl4_tessellation", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartGl4Tessellation]); }},
    {"/start_demo_gl3_torus", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartGl3Torus]); }},
    {"/start_demo_gl3_triangle", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartGl3Triangle]); }},
    {"/start_demo_gl2_furry_cube", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartGl2Fur]); }},
    {"/start_demo_gl2_hdr_dof", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartGl2HdrDof]); }},
    {"/start_demo_gl2_gi", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartGl2Instancing]); }},
    {"/start_demo_gl2_soft_shadows", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartGl2SoftShadows]); }},
    {"/start_demo_gl2_point_sprite", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartGl2PointSprite]); }},
    {"/start_demo_gl2_vtf", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartGl2Vtf]); }},
    {"/start_demo_gl2_toon", [](const AppState& s) { EXPECT_TRUE(s.autostart[kAutostartGl2Toon]); }},
    {"/start_demo_gl2_simple_torus", [](const AppState& s) {
       EXPECT_TRUE(s.autostart[kAutostartGl2SimpleTorus]);
       for (int i = 0; i < kAutostartGl2SimpleTorus; ++i) EXPECT_FALSE(s.autostart[i]);
     }},
    {"/cl_cpu", [](const AppState& s) { EXPECT_EQ(kClDeviceTypeCpu, s.clDeviceType); }},
    {"/cl_cpu /cl_gpu", [](const AppState& s) { EXPECT_EQ(kClDeviceTypeCpu, s.clDeviceType); }},
    {"/cl_gpu", [](const AppState& s) { EXPECT_EQ(kClDeviceTypeGpu, s.clDeviceType); }},
    {"/cl_device_index=2", [](const AppState& s) { EXPECT_EQ(2, s.clDeviceIndex); EXPECT_TRUE(s.clDeviceIndexGiven); }},
    {"/cl_device_index=x", [](const AppState& s) { EXPECT_EQ(0, s.clDeviceIndex); EXPECT_TRUE(s.clDeviceIndexGiven); }},
    {"/disable_vulkan_support", [](const AppState& s) { EXPECT_FALSE(s.vulkanEnabled); }},
    {"/vk_gpu_index=1", [](const AppState& s) { EXPECT_EQ(1, s.vkGpuIndex); }},
    {"/vk_gpu_index=-5", [](const AppState& s) { EXPECT_EQ(-1, s.vkGpuIndex); }},
    {"/vk_gpu_index=abc", [](const AppState& s) { EXPECT_EQ(-1, s.vkGpuIndex); }},
    {"/run_tvl_demo=tunnel /no_logfile",
     [](const AppState& s) { EXPECT_STREQ("tunnel", s.tvlDemoName); EXPECT_FALSE(s.logEnabled); }},
    {"/run_tvl_demo=", [](const AppState& s) { EXPECT_STREQ("", s.tvlDemoName); }},
    {"/gl4_tess_level_outer=24.5 /gl4_tess_level_inner=3",
     [](const AppState& s) { EXPECT_FLOAT_EQ(24.5f, s.tessLevelOuter); EXPECT_FLOAT_EQ(3.0f, s.tessLevelInner); }},
    {"/gl4_tess_level_outer=big", [](const AppState& s) { EXPECT_FLOAT_EQ(16.0f, s.tessLevelOuter); }},
    {"/gl4_no_tess_level_anim", [](const AppState& s) { EXPECT_FALSE(s.tessLevelAnimation); }},
    {"/cl_surface_segs_x=0 /cl_surface_segs_z=64",
     [](const AppState& s) { EXPECT_EQ(1, s.surfaceSegsX); EXPECT_EQ(64, s.surfaceSegsZ); }},
    {"/cl_surface_segs_z=0", [](const AppState& s) { EXPECT_EQ(1, s.surfaceSegsZ); }},
    {"/cl_kernel_workload=12", [](const AppState& s) { EXPECT_EQ(12, s.clKernelWorkload); }},
    {"/cl_kernel_workload_sin=9", [](const AppState& s) { EXPECT_EQ(9, s.clKernelWorkload); EXPECT_FALSE(s.clSineCheck); }},
    {"/cl_kernel_workload=12 /cl_kernel_workload_sin=9", [](const AppState& s) { EXPECT_EQ(9, s.clKernelWorkload); }},
    {"/cl_kernel_workload_sin_do_check", [](const AppState& s) { EXPECT_TRUE(s.clSineCheck); EXPECT_EQ(0, s.clKernelWorkload); }},
    {"/cl_demo_native_sin_disabled", [](const AppState& s) { EXPECT_FALSE(s.clNativeSin); }},
    {"/cl_demo_gl_interop_disabled", [](const AppState& s) { EXPECT_FALSE(s.clGlInterop); }},
    {"/cl_demo_explicit_workgroup_size_disabled", [](const AppState& s) { EXPECT_FALSE(s.clExplicitWorkgroupSize); }},
    {"/cl_kernel_workload_mad=33", [](const AppState& s) { EXPECT_EQ(33, s.clMadWorkload); EXPECT_EQ(0, s.clKernelWorkload); }},
    {"/cl_demo_use_local_mem", [](const AppState& s) { EXPECT_TRUE(s.clUseLocalMem); }},
    {"/cl_particles_gpu=2048 /cl_particles_cpu=1024",
     [](const AppState& s) { EXPECT_EQ(2048, s.clParticlesGpu); EXPECT_EQ(1024, s.clParticlesCpu); }},
    {"/cl_particles_sin", [](const AppState& s) { EXPECT_TRUE(s.clParticlesSin); }},
    {"/cl_julia_not_animated", [](const AppState& s) { EXPECT_FALSE(s.juliaAnimated); }},
    {"/cl_julia_rtt_size=1024", [](const AppState& s) { EXPECT_EQ(1024, s.juliaRttSize); }},
    {"/disable_cl_support", [](const AppState& s) { EXPECT_FALSE(s.openClEnabled); }},
    {"/disable_cl_platform_extensions_reading", [](const AppState& s) { EXPECT_FALSE(s.readClPlatformExtensions); }},
    {"/append_timestamp_to_report", [](const AppState& s) { EXPECT_FALSE(s.appendTimestamp); }},
    {"/append_timestamp_to_report=0", [](const AppState& s) { EXPECT_FALSE(s.appendTimestamp); }},
    {"/append_timestamp_to_report=1", [](const AppState& s) { EXPECT_TRUE(s.appendTimestamp); }},
    {"/exp_xml_report", [](const AppState& s) { EXPECT_TRUE(s.exportXmlReport); EXPECT_FALSE(s.exportTextReport); }},
    {"/exp_txt_report", [](const AppState& s) { EXPECT_TRUE(s.exportTextReport); EXPECT_FALSE(s.reportExtraSection); }},
    {"/exp_txt_report_orlaf", [](const AppState& s) { EXPECT_TRUE(s.exportTextReport); EXPECT_TRUE(s.reportExtraSection); }},
    {"/exp_full_filename=\"C:\\out\\r.xml\"", [](const AppState& s) { EXPECT_EQ("C:\\out\\r.xml", s.reportPath); }},
    {"/exp_full_filename=\"a b.xml\" /exp_xml_report",
     [](const AppState& s) { EXPECT_EQ("a b.xml", s.reportPath); EXPECT_TRUE(s.exportXmlReport); }},
    // Missing closing quote: the path runs to the end of the line.
    {"/exp_xml_report /exp_full_filename=\"open.xml", [](const AppState& s) { EXPECT_EQ("open.xml", s.reportPath); }},
    // Switch names inside the quoted path change nothing.
    {"/exp_xml_report /exp_full_filename=\"C:/out/gl30/no_logfile/cl_cpu/r.xml\"", [](const AppState& s) {
       EXPECT_EQ("C:/out/gl30/no_logfile/cl_cpu/r.xml", s.reportPath);
       EXPECT_EQ(4, s.glMajor);
       EXPECT_TRUE(s.logEnabled);
       EXPECT_EQ(kClDeviceTypeGpu, s.clDeviceType);
     }},
    // ... but switches after the closing quote still count.
    {"/exp_full_filename=\"x/gl31.txt\" /gl32", [](const AppState& s) { EXPECT_EQ(2, s.glMinor); }},
    // Plain substring matching outside report paths is intended.
    {"foo/no_logfilebar", [](const AppState& s) { EXPECT_FALSE(s.logEnabled); }},
    {"/NO_LOGFILE", [](const AppState& s) { EXPECT_TRUE(s.logEnabled); }},
};

TEST_F(CommandLineTest, EverySwitchSetsItsField) {
  for (const SwitchCase& c : kSwitchCases) {
    SCOPED_TRACE(c.line);
    ResetAppState();
    ParseCommandLine(c.line);
    c.check(g_app);
  }
}

TEST_F(CommandLineTest, EmptyAndNullLinesKeepTheDefaults) {
  ParseCommandLine(nullptr);
  ParseCommandLine("");
  ParseCommandLine("   unknown text /nothing");
  EXPECT_EQ(-1, g_app.vkGpuIndex);
  EXPECT_EQ("Off", g_app.msaaText);
  EXPECT_TRUE(g_app.logEnabled);
  EXPECT_TRUE(g_app.appendTimestamp);
  EXPECT_EQ(600, g_app.demoWinWidth);
  EXPECT_TRUE(g_app.reportPath.empty());
  EXPECT_EQ(4, g_app.glMajor);
  EXPECT_EQ(5, g_app.glMinor);
}

TEST_F(CommandLineTest, LongValuesAreCutToTheirFields) {
  std::string name(400, 'n');
  ParseCommandLine(("/run_tvl_demo=" + name).c_str());
  EXPECT_EQ(std::string(kTvlDemoNameSize - 1, 'n'), g_app.tvlDemoName);

  std::string path(5000, 'p');
  ParseCommandLine(("/exp_full_filename=\"" + path + "\"").c_str());
  EXPECT_EQ(static_cast<size_t>(kReportPathMax), g_app.reportPath.size());
}

TEST_F(CommandLineTest, OutOfRangeNumbersAreClampedNotWrapped) {
  ParseCommandLine("/demo_win_width=99999999999 /cl_particles_gpu=-99999999999");
  EXPECT_EQ(INT_MAX, g_app.demoWinWidth);
  EXPECT_EQ(INT_MIN, g_app.clParticlesGpu);
}

}  // namespace
