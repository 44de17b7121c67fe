// Facade accessors over the hardware summary, the live OpenGL queries and
// the per-GPU records.
#include <GL/glew.h>

#include <cstdio>
#include <cstring>

#include "detect/Scanrik.h"
#include "detect/amd/AmdBackend.h"

namespace {
HardwareSummary& summary() { return DetectionState().summary; }

// A database column the record keeps once it is known; 0 until then.
int keptDatabaseValue(GpuRecord* r, int* field, GpuDbColumn column) {
  if (*field == 0) {
    int v = GpuDatabaseValue(r, column);
    if (v > 0) *field = v;
  }
  return *field;
}
}  // namespace

// ---- Hardware summary ----

int Scanrik::getPrimaryVendorId() { return summary().primaryVendorId; }
int Scanrik::getPrimaryDeviceId() { return summary().primaryDeviceId; }
const char* Scanrik::getPrimaryGpuName() { return summary().primaryGpuName; }
const char* Scanrik::getPrimaryGpuCodename() { return summary().primaryGpuCodename; }
const char* Scanrik::getPrimaryGpuBiosVersion() { return summary().primaryGpuBiosVersion; }
const char* Scanrik::getDriverSummary() { return summary().driverSummary; }
int Scanrik::getPrimaryGpuMemoryMB() { return summary().primaryGpuMemoryMB; }
int Scanrik::getPrimaryGpuTDP() { return summary().primaryGpuTdp; }
int Scanrik::getPrimaryGpuVertexShaders() { return summary().primaryGpuVertexShaders; }
int Scanrik::getPrimaryGpuPixelShaders() { return summary().primaryGpuPixelShaders; }
int Scanrik::getNumLogicalGpus() { return summary().nvidiaLogicalGpus; }
const char* Scanrik::getCPUName() { return summary().cpuName; }
const char* Scanrik::getOSName() { return summary().osName; }
int Scanrik::getOpenGLMajorVersion() { return summary().glMajor; }
int Scanrik::getOpenGLMinorVersion() { return summary().glMinor; }
const char* Scanrik::getGLVersionString() { return summary().glVersion; }
const char* Scanrik::getGLSLVersionString() { return summary().glslVersion; }
int Scanrik::getMaxTextureSize() { return summary().maxTextureSize; }
int Scanrik::getMaxViewportSize() { return summary().maxViewportSize; }
int Scanrik::getMaxTextureUnits() { return summary().maxTextureUnits; }
int Scanrik::getMaxTextureImageUnitsCached() { return summary().maxTextureImageUnits; }
int Scanrik::getMaxVertexTextureImageUnits() { return summary().maxVertexTextureImageUnits; }
int Scanrik::getMaxGeometryTextureImageUnits() { return summary().maxGeometryTextureImageUnits; }
int Scanrik::getMaxDrawBuffers() { return summary().maxDrawBuffers; }
int Scanrik::getMaxLights() { return summary().maxLights; }
int Scanrik::getMaxVaryingFloats() { return summary().maxVaryingFloats; }
int Scanrik::getMaxVertexUniformComponents() { return summary().maxVertexUniformComponents; }
int Scanrik::getMaxGeometryUniformComponents() { return summary().maxGeometryUniformComponents; }
int Scanrik::getMaxFragmentUniformComponents() { return summary().maxFragmentUniformComponents; }
float Scanrik::getMaxPointSize() { return summary().maxPointSize; }
float Scanrik::getMaxAnisotropy() { return summary().maxAnisotropy; }
bool Scanrik::hasTextureArrayAndBufferObjects() { return summary().textureArrayAndBufferObjects; }
int Scanrik::getNumOpenGLExtensions() { return summary().extensions.count(); }
int Scanrik::getNumGLExtensions() { return summary().numGlExtensions; }
int Scanrik::getNumWGLExtensions() { return summary().numWglExtensions; }
const char* Scanrik::getOpenGLExtension(int i) {
  return static_cast<const char*>(summary().extensions.itemAt(i));
}

int Scanrik::getPrimaryGpuShaderCores() {
  HardwareCaps* c = caps();
  int kind = c ? c->vendorKind : 0;
  if (kind == kVendorNvidia) {
    int cores = c->getNvidiaCoreCount(0);
    if (cores != 0) return cores;
  } else if (kind == kVendorAmd) {
    int cu = getPrimaryAmdComputeUnits();
    if (cu != 0) {
      int device = summary().primaryDeviceId;
      return cu * ((device >= 0x6700 && device <= 0x671D) ? 64 : 80);
    }
  }
  return summary().primaryGpuShaderCores;
}

// ---- Live OpenGL queries ----

namespace {
// One integer from glGetIntegerv; 0 when the query writes nothing or there
// is no current context.
int glInteger(GLenum pname) {
  if (!wglGetCurrentContext()) return 0;
  GLint v[4] = {0, 0, 0, 0};
  glGetIntegerv(pname, v);
  while (glGetError() != GL_NO_ERROR) {
  }
  return v[0];
}
}  // namespace

int Scanrik::getNvxCurrentAvailableVideoMemory() {
  return glInteger(GL_GPU_MEMORY_INFO_CURRENT_AVAILABLE_VIDMEM_NVX);
}
int Scanrik::getNvxTotalAvailableVideoMemory() {
  return glInteger(GL_GPU_MEMORY_INFO_TOTAL_AVAILABLE_MEMORY_NVX);
}
int Scanrik::getAtiFreeTextureMemory() { return glInteger(GL_TEXTURE_FREE_MEMORY_ATI); }
int Scanrik::getAmdTotalVideoMemory() {
  RenderWindow* rw = DetectionState().currentRenderWindow;
  int kb = rw ? rw->getAmdTotalVideoMemory(0) : 0;
  return kb > 0 ? kb : 0;  // unknown is 0
}
int Scanrik::getAmdUsedVideoMemory() {
  return getAmdTotalVideoMemory() - glInteger(GL_TEXTURE_FREE_MEMORY_ATI);
}
bool Scanrik::getNvShaderThreadGroupInfo(int* warpSize, int* warpsPerSm, int* smCount) {
  if (warpSize) *warpSize = glInteger(GL_WARP_SIZE_NV);
  if (warpsPerSm) *warpsPerSm = glInteger(GL_WARPS_PER_SM_NV);
  if (smCount) *smCount = glInteger(GL_SM_COUNT_NV);
  return true;
}

// ---- Per GPU ----

#define GPU_TEXT(method, field)                  \
  const char* Scanrik::method(int i) {          \
    GpuRecord* r = record(i);                   \
    return r ? r->field : nullptr;              \
  }
GPU_TEXT(getGpuName, name)
GPU_TEXT(getGpuCodename, codename)
GPU_TEXT(getGpuBrandType, brandType)
GPU_TEXT(getGpuMemoryType, memoryType)
GPU_TEXT(getGpuBiosVersion, biosString)
GPU_TEXT(getGpuDriverVersion, driverVersion)
GPU_TEXT(getGpuDriverPackageVersion, driverPackageVersion)
GPU_TEXT(getRadeonSoftwareEdition, radeonSoftwareEdition)
GPU_TEXT(getGpuDeviceIdString, deviceIdString)
GPU_TEXT(getGpuDisplayDeviceString, displayDeviceString)
#undef GPU_TEXT

#define GPU_VALUE(method, expr, missing) \
  int Scanrik::method(int i) {           \
    GpuRecord* r = record(i);            \
    return r ? (expr) : (missing);       \
  }
GPU_VALUE(getGpuBusId, r->busId, -1)
GPU_VALUE(getGpuROPs, r->rops, -1)
GPU_VALUE(getGpuTMUs, r->tmus, -1)
GPU_VALUE(getGpuRTCores, r->rtCores, 0)
GPU_VALUE(getGpuTensorCores, r->tensorCores, 0)
GPU_VALUE(getNumGpuPerfLevels, r->numPerfLevels, 0)
GPU_VALUE(getNumGpuCoolers, r->numCoolers, 0)
GPU_VALUE(getAmdOverdriveVersion, r->overdriveVersion, 0)
GPU_VALUE(getGpuMemorySizeMB, r->memorySizeMB ? r->memorySizeMB : r->registryMemorySizeMB, 0)
#undef GPU_VALUE

bool Scanrik::hasGpuSensors(int i) {
  GpuRecord* r = record(i);
  return r && r->hasSensors;
}
bool Scanrik::hasRadeonSoftwareEdition(int i) {
  GpuRecord* r = record(i);
  return r && r->hasRadeonSoftwareEdition;
}

bool Scanrik::getGpuPciIds(int i, int* vendor, int* device, int* subsysVendor, int* subsysDevice,
                           int* revision) {
  GpuRecord* r = record(i);
  if (!r) return false;
  putOptional(vendor, r->vendorId);
  putOptional(device, r->deviceId);
  putOptional(subsysVendor, r->subsysVendorId);
  putOptional(subsysDevice, r->subsysDeviceId);
  putOptional(revision, r->revisionId);
  return true;
}

int Scanrik::getGpuShaderCores(int i) {
  GpuRecord* r = record(i);
  if (!r) return 0;
  if (r->shaderCores == 0) {
    int cores = GpuDatabaseShaderCores(r, caps() ? caps()->cpuName : "");
    if (cores > 0) r->shaderCores = cores;
  }
  return r->shaderCores;
}

int Scanrik::getGpuVertexShaders(int i) {
  GpuRecord* r = record(i);
  return r ? keptDatabaseValue(r, &r->vertexShaders, kGpuDbVertexShaders) : 0;
}

int Scanrik::getGpuPixelShaders(int i) {
  GpuRecord* r = record(i);
  return r ? keptDatabaseValue(r, &r->pixelShaders, kGpuDbPixelShaders) : 0;
}

int Scanrik::getGpuTDP(int i) {
  GpuRecord* r = record(i);
  return r ? keptDatabaseValue(r, &r->tdpWatts, kGpuDbTdp) : 0;
}

int Scanrik::getGpuMemoryBusWidth(int i, int* bits, char* text, int textSize) {
  GpuRecord* r = record(i);
  if (!r) return 0;
  putOptional(bits, r->memoryBusWidth);
  if (text && textSize > 0) {
    const char* where = r->memoryLocation == 1   ? "GPU dedicated"
                        : r->memoryLocation == 2 ? "Sys shared"
                        : r->memoryLocation == 3 ? "Sys dedicated"
                                                 : "";
    snprintf(text, static_cast<size_t>(textSize), "%s", where);
  }
  return r->memoryBusWidth;
}

bool Scanrik::getGpuRatedClocks(int i, int* coreMHz, int* memoryMHz) {
  GpuRecord* r = record(i);
  if (!r) return false;
  putOptional(coreMHz, r->ratedCoreClockMHz);
  putOptional(memoryMHz, r->ratedMemoryClockMHz);
  return true;
}

bool Scanrik::getAmdGpuInfo(int i, int* computeUnits, int* wgps, int* rops,
                            int64_t* localMemoryBytes, char* asicFamily, int asicFamilySize) {
  GpuRecord* r = record(i);
  if (!r) return false;
  putOptional(computeUnits, r->amdComputeUnits);
  putOptional(wgps, r->amdWorkgroupProcessors);
  putOptional(rops, r->amdRops);
  putOptional(localMemoryBytes, r->amdLocalMemoryBytes);
  if (asicFamily && asicFamilySize > 0) {
    int size = asicFamilySize < kAmdFamilyNameMax + 1 ? asicFamilySize : kAmdFamilyNameMax + 1;
    copyText(asicFamily, size, r->amdFamilyName);
  }
  return true;
}

bool Scanrik::getGpuCoolerInfo(int i, int c, int* id, int* rpmMin, int* rpmMax,
                               bool* tachSupported) {
  GpuRecord* r = record(i);
  if (!r || c < 0 || c >= kCoolerRows) return false;
  const int* row = r->coolers[c];
  putOptional(id, row[0]);
  putOptional(tachSupported, (row[1] & 1) != 0);
  putOptional(rpmMin, row[2]);
  putOptional(rpmMax, row[3]);
  return true;
}

bool Scanrik::getGpuCoolerStatus(int i, int c, int* v0, int* v1, int* v2, int* v3, int* v4) {
  GpuRecord* r = record(i);
  if (!r || c < 0 || c >= r->numCoolers || c >= kCoolerRows) return false;
  const int* row = r->coolerStatus[c];
  putOptional(v0, row[0]);
  putOptional(v1, row[1]);
  putOptional(v2, row[2]);
  putOptional(v3, row[3]);
  putOptional(v4, row[4]);
  return true;
}

bool Scanrik::getGpuCurrentPerformanceState(int i, int* pstate, float* gpuClock,
                                            float* memoryClock, float* thirdClock, float* voltage) {
  GpuRecord* r = record(i);
  HardwareCaps* c = caps();
  if (!r || !c) return false;
  if (r->kind == kGpuKindNvidia)
    return c->readNvidiaCurrentClocks(i, pstate, gpuClock, memoryClock, thirdClock, voltage);
  if (r->kind == kGpuKindAmd) {
    // The current clocks read now; there is no third clock.
    int activity = 0;
    float gpu = 0, memory = 0, volts = 0;
    if (!c->readAmdCurrentClocks(r, &activity, &gpu, &memory, &volts)) return false;
    putOptional(pstate, activity);
    putOptional(gpuClock, gpu);
    putOptional(memoryClock, memory);
    putOptional(thirdClock, 0.0f);
    putOptional(voltage, volts);
    return true;
  }
  return false;
}

bool Scanrik::getGpuPerfLevel(int i, int j, int* id, float* gpuClock, float* memoryClock,
                              float* thirdClock, float* voltage) {
  GpuRecord* r = record(i);
  HardwareCaps* c = caps();
  if (!r || !c || j < 0) return false;
  if (r->kind == kGpuKindNvidia)
    return c->readNvidiaPerfLevel(i, j, id, gpuClock, memoryClock, thirdClock, voltage);
  if (r->kind == kGpuKindAmd) {
    AmdPerfLevel row;
    if (!c->AMD_Display_Library_ReadPerfLevels(r, false) || !AmdPerfLevelAt(r, j, &row)) return false;
    putOptional(id, row.id);
    putOptional(gpuClock, row.gpuClockMHz);
    putOptional(memoryClock, row.memoryClockMHz);
    putOptional(thirdClock, row.thirdClockMHz);
    putOptional(voltage, row.voltage);
    return true;
  }
  return false;
}

bool Scanrik::getGpuFanSpeed(int i, int* percent, int* rpm) {
  GpuRecord* r = record(i);
  HardwareCaps* c = caps();
  if (!r || !c) return false;
  bool ok = r->kind == kGpuKindNvidia ? c->readNvidiaFanSpeed(r)
            : r->kind == kGpuKindAmd  ? c->readAmdFanSpeed(r)
                                      : false;
  if (!ok) return false;
  putOptional(percent, static_cast<int>(r->fanPercent));
  putOptional(rpm, static_cast<int>(r->fanRpm));
  return true;
}

bool Scanrik::getGpuUsage(int i, int* gpuLoad, int* frameBufferLoad) {
  GpuRecord* r = record(i);
  HardwareCaps* c = caps();
  if (!r || !c) return false;
  if (r->kind == kGpuKindNvidia) {
    if (!c->readNvidiaGpuUsages(r)) return false;
    putOptional(gpuLoad, static_cast<int>(r->gpuLoad));
    putOptional(frameBufferLoad, static_cast<int>(r->frameBufferLoad));
    return true;
  }
  if (r->kind == kGpuKindAmd) {
    if (!c->readAmdActivity(r)) return false;
    putOptional(gpuLoad, static_cast<int>(r->gpuLoad));
    return true;
  }
  return false;
}

bool Scanrik::getGpuTemperature(int i, float* t0, float* t2, float* t3, float* t1) {
  GpuRecord* r = record(i);
  HardwareCaps* c = caps();
  if (!r || !c) return false;
  if (r->kind == kGpuKindNvidia) {
    if (!c->readNvidiaThermalSettings(r)) return false;
  } else if (r->kind == kGpuKindAmd) {
    c->readAmdTemperature(r);  // the values are returned whatever the read gave
  } else {
    return false;
  }
  putOptional(t0, r->sensors[0].current);
  putOptional(t2, r->sensors[2].current);
  putOptional(t3, r->sensors[3].current);
  putOptional(t1, r->sensors[1].current);
  return true;
}

bool Scanrik::getAmdPowerTune(int i, int* a, int* b, int* c, int* d) {
  GpuRecord* r = recordOfKind(i, kGpuKindAmd);
  HardwareCaps* hc = caps();
  if (!r || !hc || !hc->readAmdPower(r)) return false;
  putOptional(a, r->powerTune[0]);
  putOptional(b, r->powerTune[1]);
  putOptional(c, r->powerTune[2]);
  putOptional(d, r->powerTune[3]);
  return true;
}

bool Scanrik::getAmdPowerDraw(int i, float* socWatts, float* asicWatts) {
  GpuRecord* r = recordOfKind(i, kGpuKindAmd);
  HardwareCaps* c = caps();
  if (!r || !c) return false;
  c->readAmdPower(r);
  putOptional(socWatts, r->socPowerWatts);
  putOptional(asicWatts, r->asicPowerWatts);
  return true;
}

int Scanrik::getAmdPMLogSensorValue(int i, int s) {
  HardwareCaps* c = caps();
  return c ? c->getAmdPMLogSensorValue(record(i), s) : 0;
}
bool Scanrik::isAmdPMLogSensorSupported(int i, int s) {
  HardwareCaps* c = caps();
  return c ? c->isAmdPMLogSensorSupported(record(i), s) : false;
}
bool Scanrik::startAmdPMLog(int i, int intervalMs) {
  HardwareCaps* c = caps();
  return c ? c->startAmdPMLog(record(i), intervalMs) : false;
}
bool Scanrik::stopAmdPMLog(int i) {
  HardwareCaps* c = caps();
  return c ? c->stopAmdPMLog(record(i)) : false;
}
bool Scanrik::readAmdPMLogSensors(int i) {
  HardwareCaps* c = caps();
  return c ? c->readAmdPMLogSensors(record(i)) : false;
}

// NVIDIA-only reads: no record of kind 1, no answer.
bool Scanrik::getGpuPowerUsage(int i, float* percent, float* milliwatts) {
  HardwareCaps* c = caps();
  return c && recordOfKind(i, kGpuKindNvidia) && c->readNvidiaPowerChannels(i, percent, milliwatts);
}
bool Scanrik::getGpuPowerTarget(int i, float* percent, float* milliwatts) {
  HardwareCaps* c = caps();
  return c && recordOfKind(i, kGpuKindNvidia) && c->readNvidiaPowerLimits(i, percent, milliwatts);
}
bool Scanrik::getGpuPowerPolicy(int i, float* minPercent, float* defPercent, float* maxPercent,
                                float* minMw, float* defMw, float* maxMw) {
  HardwareCaps* c = caps();
  return c && recordOfKind(i, kGpuKindNvidia) &&
         c->readNvidiaPowerPolicies(i, minPercent, minMw, maxPercent, maxMw, defPercent, defMw);
}
bool Scanrik::getGpuClockFrequencies(int i, int type, float* gpuMHz, float* memoryMHz) {
  HardwareCaps* c = caps();
  return c && recordOfKind(i, kGpuKindNvidia) &&
         c->NVAPI_GetClockFrequencies(i, type, gpuMHz, memoryMHz);
}
bool Scanrik::getGpuCoreVoltage(int i, float* volts) {
  HardwareCaps* c = caps();
  return c && recordOfKind(i, kGpuKindNvidia) && c->readNvidiaCoreVoltage(i, volts);
}
bool Scanrik::getGpuCoreVoltageAlt(int i, float* volts) {
  HardwareCaps* c = caps();
  return c && recordOfKind(i, kGpuKindNvidia) && c->readNvidiaCoreVoltageFromStatus(i, volts);
}
bool Scanrik::getGpuRamMaker(int i, char* buffer, int size) {
  HardwareCaps* c = caps();
  return c && recordOfKind(i, kGpuKindNvidia) && c->getNvidiaRamMaker(i, buffer, size);
}
bool Scanrik::readGpuCoolerStatus(int i) {
  GpuRecord* r = recordOfKind(i, kGpuKindNvidia);
  HardwareCaps* c = caps();
  return r && c && c->readNvidiaCoolerStatus(r);
}
int Scanrik::getNumActive3DApps(int i) {
  GpuRecord* r = recordOfKind(i, kGpuKindNvidia);
  HardwareCaps* c = caps();
  return (r && c) ? c->readNvidiaActiveApps(r) : 0;
}
int Scanrik::getActive3DAppPid(int i, int j) {
  GpuRecord* r = recordOfKind(i, kGpuKindNvidia);
  HardwareCaps* c = caps();
  return (r && c) ? c->getNvidiaActiveAppPid(r, j) : 0;
}
const char* Scanrik::getActive3DAppName(int i, int j) {
  GpuRecord* r = recordOfKind(i, kGpuKindNvidia);
  HardwareCaps* c = caps();
  return (r && c) ? c->getNvidiaActiveAppName(r, j) : nullptr;
}
