#include "demos/BenchmarkResult.h"

#include <cstdio>

#include "app/AppState.h"
#include "app/OpenClInfo.h"
#include "detect/Scanrik.h"
#include "stv.h"

std::string BenchmarkHeaderLine() {
  return "Renderer,Driver,CL name,CL type,CL CU,CL CU Clock(MHz),CL Driver,Test name,MSAA,width,height,"
         "CL GL interop,CL native sin,CL explicit wkgrp size,CL local mem,AVG FPS,MIN FPS,MAX FPS,Misc";
}

namespace {

// A quoted CSV field; quotes inside the value are doubled so the row stays
// one record whatever a driver calls itself.
std::string quoted(const std::string& v) {
  std::string out = "\"";
  for (char c : v) {
    if (c == '"') out += '"';
    if (c == '\r' || c == '\n') c = ' ';
    out += c;
  }
  return out + "\"";
}

const char* yesNo(bool v) { return v ? "YES" : "NO"; }

}  // namespace

std::string FormatBenchmarkRow(const BenchmarkRow& r) {
  char numbers[160];
  std::string row = quoted(r.renderer) + "," + quoted(r.driver) + ",";
  if (r.hasClDevice) {
    snprintf(numbers, sizeof(numbers), ",%d,%d,", r.clComputeUnits, r.clClockMhz);
    row += quoted(r.clName) + "," + quoted(r.clCpu ? "CPU" : "GPU") + numbers + quoted(r.clDriver) + ",";
  } else {
    row += ",,,,,";
  }
  snprintf(numbers, sizeof(numbers), ",%d,%d,%d,", r.msaa, r.width, r.height);
  row += quoted(r.testName) + numbers;
  row += quoted(yesNo(r.glInterop)) + "," + quoted(yesNo(r.nativeSin)) + "," +
         quoted(yesNo(r.explicitWorkgroupSize)) + "," + quoted(r.localMemory ? "local mem" : "global mem");
  snprintf(numbers, sizeof(numbers), ",%u,%u,%u,%s", r.averageFps, r.minFps, r.maxFps,
           r.hasClDevice ? " NULL" : "NULL");
  return row + numbers;
}

bool AppendBenchmarkRow(const char* path, const BenchmarkRow& row) {
  if (!path) return false;
  FILE* probe = fopen(path, "r+");
  if (probe) {
    fclose(probe);
  } else {
    FILE* created = fopen(path, "w");
    if (!created) return false;
    bool ok = fprintf(created, "%s\n", BenchmarkHeaderLine().c_str()) > 0;
    if (fclose(created) != 0 || !ok) return false;
  }
  FILE* f = fopen(path, "a");
  if (!f) return false;
  bool ok = fprintf(f, "%s\n", FormatBenchmarkRow(row).c_str()) > 0;
  ok = (fflush(f) == 0) && ok;
  return (fclose(f) == 0) && ok;
}

void WriteBenchmarkResult(DemoSlot* slot, const char* testName) {
  if (!slot || !g_app.benchmarkLog) return;
  BenchmarkRow row;
  Scanrik* s = Scanrik::instance();
  const char* gpu = s ? s->getPrimaryGpuName() : nullptr;
  row.renderer = (gpu && gpu[0]) ? gpu : "N.A.";
  row.driver = g_app.gpuDriverText;
  bool cpu = g_app.clDeviceType == kClDeviceTypeCpu;
  const OpenClDeviceInfo* device = cpu ? FindClCpuDevice(0) : FindClGpuDevice(0);
  row.hasClDevice = device != nullptr;
  row.clCpu = cpu;
  row.clComputeUnits = device ? device->computeUnits : 0;
  row.clClockMhz = device ? device->maxClockMhz : 0;
  if (device) {
    row.clName = device->name;
    row.clDriver = device->driverVersion;
  }
  row.testName = testName ? testName : "";
  row.msaa = DetectionState().currentRenderWindow ? DetectionState().currentRenderWindow->getSamples() : 0;
  row.width = slot->clientWidth;
  row.height = slot->clientHeight;
  row.glInterop = g_app.clGlInterop;
  row.nativeSin = g_app.clNativeSin;
  row.explicitWorkgroupSize = g_app.clExplicitWorkgroupSize;
  row.localMemory = g_app.clUseLocalMem;
  row.averageFps = slot->fps.averageFps;
  row.minFps = slot->fps.minFps;
  row.maxFps = slot->fps.maxFps;
  std::string path = std::string(stv::get_app_directory()) + "bench_result.csv";
  AppendBenchmarkRow(path.c_str(), row);
}
