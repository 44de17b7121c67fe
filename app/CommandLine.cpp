// Command-line switches. Every switch is found by a plain, case-sensitive
// substring search of the whole line, in the fixed order of the table below;
// later rows overwrite earlier ones. The one exception: the quoted value of
// "/exp_full_filename=" is not searched, so a report path that happens to
// contain a switch name does not change settings.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/AppState.h"

namespace {

const char kReportPathSwitch[] = "/exp_full_filename=\"";

// The command line with the quoted report path values blanked out.
std::string maskReportPaths(const char* commandLine) {
  std::string masked(commandLine);
  size_t pos = 0;
  while ((pos = masked.find(kReportPathSwitch, pos)) != std::string::npos) {
    size_t begin = pos + sizeof(kReportPathSwitch) - 1;
    size_t end = masked.find('"', begin);
    if (end == std::string::npos) end = masked.size();
    for (size_t i = begin; i < end; ++i) masked[i] = ' ';
    pos = end;
  }
  return masked;
}

// Reads a decimal integer right after the switch name, as "%d" would
// (leading blanks skipped); false leaves the target unchanged.
bool scanInt(const char* valueText, int* out) {
  char* end = nullptr;
  errno = 0;
  long v = strtol(valueText, &end, 10);
  if (end == valueText) return false;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  *out = static_cast<int>(v);
  return true;
}

bool scanFloat(const char* valueText, float* out) {
  char* end = nullptr;
  float v = strtof(valueText, &end);
  if (end == valueText) return false;
  *out = v;
  return true;
}

// What a row does once its switch is found; valueText points just past the
// switch name in the unmasked command line.
enum RowKind { kSetTrue, kSetFalse, kInt, kFloat, kAutostart, kCustom };
typedef void (*CustomRow)(AppState& s, const char* valueText);

struct SwitchRow {
  const char* name;
  RowKind kind;
  bool AppState::*flag;
  int AppState::*number;
  float AppState::*real;
  int autostart;
  CustomRow custom;
};

SwitchRow flagRow(const char* name, RowKind kind, bool AppState::*flag) {
  return {name, kind, flag, nullptr, nullptr, 0, nullptr};
}
SwitchRow intRow(const char* name, int AppState::*number) {
  return {name, kInt, nullptr, number, nullptr, 0, nullptr};
}
SwitchRow floatRow(const char* name, float AppState::*real) {
  return {name, kFloat, nullptr, nullptr, real, 0, nullptr};
}
SwitchRow startRow(const char* name, AutostartDemo demo) {
  return {name, kAutostart, nullptr, nullptr, nullptr, demo, nullptr};
}
SwitchRow customRow(const char* name, CustomRow fn) {
  return {name, kCustom, nullptr, nullptr, nullptr, 0, fn};
}

void setGlVersion(AppState& s, int minor) {
  s.glMajor = 3;
  s.glMinor = minor;
}

void demoMsaa(AppState& s, const char* v) {
  scanInt(v, &s.msaaSamples);
  switch (s.msaaSamples) {
    case 0: s.msaaText = "Off"; break;
    case 2: s.msaaText = "2X MSAA"; break;
    case 4: s.msaaText = "4X MSAA"; break;
    case 8: s.msaaText = "8X MSAA"; break;
    default: break;  // any other count keeps the text
  }
}

void demoDuration(AppState& s, const char* v) {
  scanInt(v, &s.demoDurationMs);
  s.tvlDemoDurationMs = s.demoDurationMs;
}

void vkGpuIndex(AppState& s, const char* v) {
  int value = -1;
  scanInt(v, &value);
  s.vkGpuIndex = value < 0 ? -1 : value;
}

void tvlDemoName(AppState& s, const char* v) {
  // Up to the next blank or the end of the line; 256 read, 127 kept.
  size_t n = 0;
  while (n < 256 && v[n] != '\0' && v[n] != ' ') ++n;
  if (n > kTvlDemoNameSize - 1) n = kTvlDemoNameSize - 1;
  memcpy(s.tvlDemoName, v, n);
  s.tvlDemoName[n] = '\0';
}

void surfaceSegs(int* target, const char* v) {
  scanInt(v, target);
  if (*target == 0) *target = 1;
}

void appendTimestamp(AppState& s, const char* v) {
  // "=1" keeps the stamp on; the bare switch (or "=0") turns it off.
  int value = 0;
  if (*v == '=') scanInt(v + 1, &value);
  s.appendTimestamp = value != 0;
}

void reportPath(AppState& s, const char* v) {
  size_t n = 0;
  while (n < static_cast<size_t>(kReportPathMax) && v[n] != '\0' && v[n] != '"') ++n;
  s.reportPath.assign(v, n);
}

const SwitchRow* switchTable(size_t* count) {
  static const SwitchRow rows[] = {
      flagRow("/no_logfile", kSetFalse, &AppState::logEnabled),
      flagRow("/no_online_check", kSetFalse, &AppState::onlineCheckEnabled),
      customRow("/gl30", [](AppState& s, const char*) { setGlVersion(s, 0); }),
      customRow("/gl31", [](AppState& s, const char*) { setGlVersion(s, 1); }),
      customRow("/gl32", [](AppState& s, const char*) { setGlVersion(s, 2); }),
      flagRow("/disable_gl3_torus_radeon_fix", kSetFalse, &AppState::gl3TorusRadeonFix),
      flagRow("/disable_gl_render_in_cl_demos", kSetFalse, &AppState::glRenderInClDemos),
      customRow("/demo_msaa=", demoMsaa),
      intRow("/demo_win_width=", &AppState::demoWinWidth),
      intRow("/demo_win_height=", &AppState::demoWinHeight),
      flagRow("/cl_log_results", kSetTrue, &AppState::benchmarkLog),
      flagRow("/bench_log_results", kSetTrue, &AppState::benchmarkLog),
      flagRow("/cl_log_results_surface_deformer", kSetTrue, &AppState::surfaceDeformerLog),
      customRow("/cl_duration=", demoDuration),
      customRow("/bench_duration=", demoDuration),
      customRow("/benchmark_duration=", demoDuration),
      customRow("/benchmark_log_results",
                [](AppState& s, const char*) { s.benchmarkLog = s.tvlBenchmarkLog = true; }),
      flagRow("/demo_fullscreen", kSetTrue, &AppState::demoFullscreen),
      flagRow("/read_vk_amd_shader_core_properties", kSetTrue,
              &AppState::readVkAmdShaderCoreProperties),
      flagRow("/read_vk_khr_driver_properties", kSetTrue, &AppState::readVkDriverProperties),
      flagRow("/read_vk_ext_pci_bus_info", kSetTrue, &AppState::readVkPciBusInfo),
      flagRow("/close_app_end_of_demo", kSetTrue, &AppState::closeAppAtDemoEnd),
      startRow("/start_demo_cl_deformer", kAutostartClDeformer),
      startRow("/start_demo_cl_postfx", kAutostartClPostFx),
      startRow("/start_demo_cl_particles", kAutostartClParticles),
      startRow("/start_demo_cl_julia", kAutostartClJulia),
      startRow("/start_demo_gl4_tessellation", kAutostartGl4Tessellation),
      startRow("/start_demo_gl3_torus", kAutostartGl3Torus),
      startRow("/start_demo_gl3_triangle", kAutostartGl3Triangle),
      startRow("/start_demo_gl2_furry_cube", kAutostartGl2Fur),
      startRow("/start_demo_gl2_hdr_dof", kAutostartGl2HdrDof),
      startRow("/start_demo_gl2_gi", kAutostartGl2Instancing),
      startRow("/start_demo_gl2_soft_shadows", kAutostartGl2SoftShadows),
      startRow("/start_demo_gl2_point_sprite", kAutostartGl2PointSprite),
      startRow("/start_demo_gl2_vtf", kAutostartGl2Vtf),
      startRow("/start_demo_gl2_toon", kAutostartGl2Toon),
      startRow("/start_demo_gl2_simple_torus", kAutostartGl2SimpleTorus),
      customRow("/cl_gpu", [](AppState& s, const char*) { s.clDeviceType = kClDeviceTypeGpu; }),
      customRow("/cl_cpu", [](AppState& s, const char*) { s.clDeviceType = kClDeviceTypeCpu; }),
      customRow("/cl_device_index=",
                [](AppState& s, const char* v) {
                  scanInt(v, &s.clDeviceIndex);
                  s.clDeviceIndexGiven = true;
                }),
      flagRow("/disable_vulkan_support", kSetFalse, &AppState::vulkanEnabled),
      customRow("/vk_gpu_index=", vkGpuIndex),
      customRow("/run_tvl_demo=", tvlDemoName),
      floatRow("/gl4_tess_level_outer=", &AppState::tessLevelOuter),
      floatRow("/gl4_tess_level_inner=", &AppState::tessLevelInner),
      flagRow("/gl4_no_tess_level_anim", kSetFalse, &AppState::tessLevelAnimation),
      customRow("/cl_surface_segs_x=", [](AppState& s, const char* v) { surfaceSegs(&s.surfaceSegsX, v); }),
      customRow("/cl_surface_segs_z=", [](AppState& s, const char* v) { surfaceSegs(&s.surfaceSegsZ, v); }),
      intRow("/cl_kernel_workload=", &AppState::clKernelWorkload),
      intRow("/cl_kernel_workload_sin=", &AppState::clKernelWorkload),
      flagRow("/cl_kernel_workload_sin_do_check", kSetTrue, &AppState::clSineCheck),
      flagRow("/cl_demo_native_sin_disabled", kSetFalse, &AppState::clNativeSin),
      flagRow("/cl_demo_gl_interop_disabled", kSetFalse, &AppState::clGlInterop),
      flagRow("/cl_demo_explicit_workgroup_size_disabled", kSetFalse,
              &AppState::clExplicitWorkgroupSize),
      intRow("/cl_kernel_workload_mad=", &AppState::clMadWorkload),
      flagRow("/cl_demo_use_local_mem", kSetTrue, &AppState::clUseLocalMem),
      intRow("/cl_particles_gpu=", &AppState::clParticlesGpu),
      intRow("/cl_particles_cpu=", &AppState::clParticlesCpu),
      flagRow("/cl_particles_sin", kSetTrue, &AppState::clParticlesSin),
      flagRow("/cl_julia_not_animated", kSetFalse, &AppState::juliaAnimated),
      intRow("/cl_julia_rtt_size=", &AppState::juliaRttSize),
      flagRow("/disable_cl_support", kSetFalse, &AppState::openClEnabled),
      flagRow("/disable_cl_platform_extensions_reading", kSetFalse,
              &AppState::readClPlatformExtensions),
      customRow("/append_timestamp_to_report", appendTimestamp),
      flagRow("/exp_xml_report", kSetTrue, &AppState::exportXmlReport),
      flagRow("/exp_txt_report", kSetTrue, &AppState::exportTextReport),
      customRow("/exp_txt_report_orlaf",
                [](AppState& s, const char*) { s.exportTextReport = s.reportExtraSection = true; }),
      customRow(kReportPathSwitch, reportPath),
  };
  *count = sizeof(rows) / sizeof(rows[0]);
  return rows;
}

void applyRow(AppState& s, const SwitchRow& row, const char* valueText) {
  switch (row.kind) {
    case kSetTrue: s.*row.flag = true; break;
    case kSetFalse: s.*row.flag = false; break;
    case kInt: scanInt(valueText, &(s.*row.number)); break;
    case kFloat: scanFloat(valueText, &(s.*row.real)); break;
    case kAutostart: s.autostart[row.autostart] = true; break;
    case kCustom: row.custom(s, valueText); break;
  }
}

}  // namespace

void ParseCommandLine(const char* commandLine) {
  if (!commandLine) return;
  const std::string masked = maskReportPaths(commandLine);
  size_t count = 0;
  const SwitchRow* rows = switchTable(&count);
  for (size_t i = 0; i < count; ++i) {
    size_t at = masked.find(rows[i].name);
    if (at == std::string::npos) continue;
    applyRow(g_app, rows[i], commandLine + at + strlen(rows[i].name));
  }
}
