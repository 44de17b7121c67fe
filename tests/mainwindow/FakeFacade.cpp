#include "FakeFacade.h"

#include <cstdio>
#include <cstring>

#include "detect/Scanrik.h"

FakeScene g_scene;

namespace {
FakeBoard* gpu(int i) {
  return (i >= 0 && i < static_cast<int>(g_scene.gpus.size())) ? &g_scene.gpus[i] : nullptr;
}
template <typename T>
void put(T* out, T v) {
  if (out) *out = v;
}
const char* text(const std::string& s, bool present = true) { return present ? s.c_str() : nullptr; }
}  // namespace

const char* vendorNameFromPciId(int id) {
  switch (id) {
    case 0x1043: return "ASUS";
    case 0x10DE: return "NVIDIA";
    case 0x1002: return "AMD";
    case 0x8086: return "Intel";
    default: return "unknown";
  }
}

Scanrik* Scanrik::instance() {
  static Scanrik* facade = new Scanrik();
  return facade;
}

int Scanrik::getNumGpus() { return static_cast<int>(g_scene.gpus.size()); }
bool Scanrik::isGraphicsDriverDetected() { return g_scene.driverDetected; }
bool Scanrik::isPhysXOnGpu() { return g_scene.physXOnGpu; }
const char* Scanrik::getGLVendor() { return text(g_scene.glVendor, g_scene.hasVendor); }
const char* Scanrik::getGLRenderer() { return text(g_scene.glRenderer, g_scene.hasRenderer); }
int Scanrik::getOpenGLMajorVersion() { return g_scene.glMajor; }
int Scanrik::getOpenGLMinorVersion() { return g_scene.glMinor; }
int Scanrik::getNumOpenGLExtensions() { return g_scene.glExtensions; }
int Scanrik::getNvxTotalAvailableVideoMemory() { return g_scene.nvxTotalKB; }
int Scanrik::getNvxCurrentAvailableVideoMemory() { return g_scene.nvxCurrentKB; }
int Scanrik::getAmdTotalVideoMemory() { return g_scene.amdTotalKB; }
int Scanrik::getAmdUsedVideoMemory() { return g_scene.amdUsedKB; }
// The rest of the OpenGL tab: a context without extensions or caps entries.
const char* Scanrik::getGLVersionString() { return "4.6 Test"; }
int Scanrik::getMaxTextureSize() { return 16384; }
int Scanrik::getMaxDrawBuffers() { return 8; }
int Scanrik::getMaxTextureImageUnits() { return 32; }
float Scanrik::getMaxTessGenLevel() { return 64.0f; }
bool Scanrik::getNvShaderThreadGroupInfo(int*, int*, int*) { return false; }
int Scanrik::getNumGLExtensions() { return 0; }
int Scanrik::getNumWGLExtensions() { return 0; }
const char* Scanrik::getOpenGLExtension(int) { return nullptr; }
int Scanrik::getNumOpenGLSpirvExtensions() { return 0; }
const char* Scanrik::getOpenGLSpirvExtension(int) { return nullptr; }
int Scanrik::getGLCapsCount() { return 0; }
int Scanrik::getGLCapsCountBySection(const char*, int*) { return 0; }
bool Scanrik::getGLCap(int, int*, int*, int*, int64_t*, float*, char*, char*) { return false; }
const char* Scanrik::getNvidiaDriverBranch() { return g_scene.nvidiaBranch.c_str(); }
int Scanrik::getNvidiaDriverVersionNumber() { return g_scene.nvidiaVersion; }
const char* Scanrik::getDriverVersion() { return g_scene.driverVersion.c_str(); }
const char* Scanrik::getDriverDate() { return g_scene.driverDate.c_str(); }
const char* Scanrik::getDriverSummary() { return g_scene.driverSummary.c_str(); }
const char* Scanrik::getPrimaryGpuName() { return g_scene.primaryName.c_str(); }
int Scanrik::getPrimaryVendorId() { return 0x10DE; }
int Scanrik::getPrimaryDeviceId() { return 0x1234; }
int Scanrik::getPrimarySubsysVendorId() { return 0x1043; }
int Scanrik::getPrimarySubsysDeviceId() { return 0x5678; }
const char* Scanrik::getPrimaryGpuCodename() { return "GX100"; }
int Scanrik::getPrimaryGpuShaderCores() { return 0; }
int Scanrik::getPrimaryGpuVertexShaders() { return 8; }
int Scanrik::getPrimaryGpuPixelShaders() { return 24; }
int Scanrik::getPrimaryGpuTDP() { return 0; }
const char* Scanrik::getPrimaryGpuBiosVersion() { return "60.00.1A"; }
int Scanrik::getPrimaryGpuMemoryMB() { return 512; }

#define GPU_VALUE(method, expr, missing) \
  int Scanrik::method(int i) {           \
    FakeBoard* g = gpu(i);               \
    return g ? (expr) : (missing);       \
  }
GPU_VALUE(getGpuBusId, g->bus, -1)
GPU_VALUE(getGpuShaderCores, g->shaders, 0)
GPU_VALUE(getGpuVertexShaders, g->vertexShaders, 0)
GPU_VALUE(getGpuPixelShaders, g->pixelShaders, 0)
GPU_VALUE(getGpuTMUs, g->tmus, -1)
GPU_VALUE(getGpuROPs, g->rops, -1)
GPU_VALUE(getGpuTDP, g->tdp, 0)
GPU_VALUE(getGpuRTCores, g->rtCores, 0)
GPU_VALUE(getGpuTensorCores, g->tensorCores, 0)
GPU_VALUE(getGpuMemorySizeMB, g->memoryMB, 0)
GPU_VALUE(getAmdOverdriveVersion, g->overdrive, 0)
GPU_VALUE(getNumGpuPerfLevels, static_cast<int>(g->levels.size()), 0)
#undef GPU_VALUE

#define GPU_TEXT(method, field, present) \
  const char* Scanrik::method(int i) {   \
    FakeBoard* g = gpu(i);               \
    return g ? text(g->field, present) : nullptr; \
  }
GPU_TEXT(getGpuName, name, g->hasName)
GPU_TEXT(getGpuDisplayDeviceString, display, true)
GPU_TEXT(getGpuCodename, codename, g->hasCodename)
GPU_TEXT(getGpuBiosVersion, bios, g->hasBios)
GPU_TEXT(getGpuDriverVersion, driver, !g->driver.empty())
GPU_TEXT(getGpuDriverPackageVersion, package, !g->package.empty())
GPU_TEXT(getRadeonSoftwareEdition, edition, !g->edition.empty())
GPU_TEXT(getGpuMemoryType, memoryType, g->hasMemoryType)
#undef GPU_TEXT

bool Scanrik::hasGpuSensors(int i) { return gpu(i) && gpu(i)->sensors; }

bool Scanrik::getGpuPciIds(int i, int* v, int* d, int* sv, int* sd, int* r) {
  FakeBoard* g = gpu(i);
  if (!g) return false;
  put(v, g->vendor);
  put(d, g->device);
  put(sv, g->subVendor);
  put(sd, g->subDevice);
  put(r, 0);
  return true;
}

int Scanrik::getGpuMemoryBusWidth(int i, int* bits, char* buf, int size) {
  FakeBoard* g = gpu(i);
  if (!g) return 0;
  put(bits, g->busWidth);
  if (buf && size > 0) buf[0] = '\0';
  return g->busWidth;
}

bool Scanrik::getGpuRamMaker(int i, char* buffer, int size) {
  FakeBoard* g = gpu(i);
  if (!g || g->ramMaker.empty() || !buffer || size <= 0) return false;
  snprintf(buffer, static_cast<size_t>(size), "%s", g->ramMaker.c_str());
  return true;
}

bool Scanrik::getAmdGpuInfo(int i, int* cus, int* wgps, int* rops, int64_t* local, char* asic,
                            int asicSize) {
  FakeBoard* g = gpu(i);
  if (!g || g->vendor != 0x1002) return false;
  put(cus, g->computeUnits);
  put(wgps, g->wgps);
  put(rops, g->rops);
  put(local, static_cast<int64_t>(0));
  if (asic && asicSize > 0) snprintf(asic, static_cast<size_t>(asicSize), "%s", g->asic.c_str());
  return true;
}

bool Scanrik::getGpuTemperature(int i, float* t0, float* t2, float* t3, float* t1) {
  FakeBoard* g = gpu(i);
  if (!g || !g->temperatureOk) return false;
  put(t0, g->temperature);
  put(t1, 0.0f);
  put(t2, 0.0f);
  put(t3, 0.0f);
  return true;
}

bool Scanrik::readAmdPMLogSensors(int i) { return gpu(i) && gpu(i)->pmLogOk; }
bool Scanrik::isAmdPMLogSensorSupported(int i, int s) {
  return gpu(i) && gpu(i)->pmLog.count(s) != 0;
}
int Scanrik::getAmdPMLogSensorValue(int i, int s) {
  FakeBoard* g = gpu(i);
  if (!g) return 0;
  auto it = g->pmLog.find(s);
  return it == g->pmLog.end() ? 0 : static_cast<int>(it->second);
}

bool Scanrik::getGpuClockFrequencies(int i, int type, float* gpuMHz, float* memoryMHz) {
  FakeBoard* g = gpu(i);
  if (!g || type < 0 || type > 2 || g->clocks[type][0] <= 0) return false;
  put(gpuMHz, g->clocks[type][0]);
  put(memoryMHz, g->clocks[type][1]);
  return true;
}

bool Scanrik::getGpuPowerUsage(int i, float* percent, float* mw) {
  FakeBoard* g = gpu(i);
  if (!g || g->powerUsage <= 0) return false;
  put(percent, g->powerUsage);
  put(mw, 0.0f);
  return true;
}

bool Scanrik::getGpuPowerTarget(int i, float* percent, float* mw) {
  FakeBoard* g = gpu(i);
  if (!g || g->powerTarget <= 0) return false;
  put(percent, g->powerTarget);
  put(mw, 0.0f);
  return true;
}

bool Scanrik::readGpuCoolerStatus(int i) { return gpu(i) && gpu(i)->coolerOk; }

bool Scanrik::getGpuCoolerStatus(int i, int c, int* v0, int* v1, int* v2, int* v3, int* v4) {
  FakeBoard* g = gpu(i);
  if (!g || c != 0 || !g->coolerOk) return false;
  put(v0, 0);
  put(v1, g->coolerRpm);
  put(v2, 0);
  put(v3, 0);
  put(v4, g->coolerLevel);
  return true;
}

bool Scanrik::getGpuFanSpeed(int i, int* percent, int* rpm) {
  FakeBoard* g = gpu(i);
  if (!g || !g->fanOk) return false;
  put(percent, g->fanPercent);
  put(rpm, g->fanRpm);
  return true;
}

bool Scanrik::getGpuUsage(int i, int* load, int* fb) {
  FakeBoard* g = gpu(i);
  if (!g || !g->usageOk) return false;
  put(load, g->usage);
  put(fb, 0);
  return true;
}

bool Scanrik::getGpuCurrentPerformanceState(int i, int* pstate, float* gpuClock, float* memoryClock,
                                            float* thirdClock, float* voltage) {
  FakeBoard* g = gpu(i);
  if (!g || !g->pstateOk) return false;
  put(pstate, g->pstate);
  put(gpuClock, g->pstateGpu);
  put(memoryClock, g->pstateMemory);
  put(thirdClock, 0.0f);
  put(voltage, g->pstateVolts);
  return true;
}

bool Scanrik::getGpuPerfLevel(int i, int j, int* id, float* gpuClock, float* memoryClock,
                              float* thirdClock, float* voltage) {
  FakeBoard* g = gpu(i);
  if (!g || j < 0 || j >= static_cast<int>(g->levels.size())) return false;
  put(id, g->levels[j].id);
  put(gpuClock, g->levels[j].gpu);
  put(memoryClock, g->levels[j].memory);
  put(thirdClock, 0.0f);
  put(voltage, 0.0f);
  return true;
}

bool Scanrik::getGpuRatedClocks(int i, int* core, int* memory) {
  FakeBoard* g = gpu(i);
  if (!g || !g->ratedOk) return false;
  put(core, g->ratedCore);
  put(memory, g->ratedMemory);
  return true;
}

bool Scanrik::getGpuCoreVoltage(int i, float* volts) {
  FakeBoard* g = gpu(i);
  if (!g || g->volts <= 0) return false;
  put(volts, g->volts);
  return true;
}
bool Scanrik::getGpuCoreVoltageAlt(int, float*) { return false; }

bool Scanrik::getAmdPowerDraw(int i, float* soc, float* asic) {
  FakeBoard* g = gpu(i);
  if (!g || g->vendor != 0x1002) return false;
  put(soc, g->socWatts);
  put(asic, g->asicWatts);
  return true;
}

bool Scanrik::getAmdPowerTune(int i, int* a, int* b, int* c, int* d) {
  FakeBoard* g = gpu(i);
  if (!g || !g->powerTuneOk) return false;
  put(a, g->powerTune[0]);
  put(b, g->powerTune[1]);
  put(c, g->powerTune[2]);
  put(d, g->powerTune[3]);
  return true;
}

FakeSystem g_system;
const char* Scanrik::getCPUName() { return g_system.cpuName.c_str(); }
const char* Scanrik::getOSName() { return g_system.osName.c_str(); }
int Scanrik::getInstalledMemoryMB() { return g_system.installedMB; }
int Scanrik::getTotalMemoryKB() { return g_system.totalKB; }
int Scanrik::getCPUSpeedMHz() { return g_system.cpuMHz; }
int Scanrik::getCPULogicalCores() { return g_system.logicalCores; }
int Scanrik::getDesktopWidth() { return g_system.desktop[0]; }
int Scanrik::getDesktopHeight() { return g_system.desktop[1]; }
int Scanrik::getDesktopFrequency() { return g_system.desktop[2]; }
int Scanrik::getDesktopBitsPerPixel() { return g_system.desktop[3]; }
int Scanrik::getNumActive3DApps(int) { return 0; }
int Scanrik::getActive3DAppPid(int, int) { return 0; }
const char* Scanrik::getActive3DAppName(int, int) { return nullptr; }

// The Tools tab's report button is not pressed here.
#include "app/ReportDialog.h"
INT_PTR CALLBACK ReportDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
