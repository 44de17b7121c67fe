#include "FakeScanrik.h"

#include <algorithm>
#include <cstring>

#include "detect/GpuRecord.h"
#include "detect/Scanrik.h"

FakeFacade g_fake;

namespace {
const FakeGpu* gpu(int i) {
  return (i >= 0 && i < static_cast<int>(g_fake.gpus.size())) ? &g_fake.gpus[i] : nullptr;
}
template <typename T>
void put(T* out, T v) {
  if (out) *out = v;
}
}  // namespace

Scanrik* Scanrik::instance() {
  static Scanrik* facade = new Scanrik();
  return facade;
}

bool Scanrik::isPhysXOnGpu() { return g_fake.physXOnGpu; }
bool Scanrik::isGraphicsDriverDetected() { return g_fake.driverDetected; }
const char* Scanrik::getCPUName() { return g_fake.cpuName; }
int Scanrik::getCPULogicalCores() { return g_fake.logicalCores; }
int Scanrik::getCPUFamily() { return g_fake.family; }
int Scanrik::getCPUModel() { return g_fake.model; }
int Scanrik::getCPUStepping() { return g_fake.stepping; }
int Scanrik::getInstalledMemoryMB() { return g_fake.installedMB; }
int Scanrik::getTotalMemoryKB() { return g_fake.totalKB; }
const char* Scanrik::getOSName() { return g_fake.osName; }
int Scanrik::getDesktopWidth() { return g_fake.desktop[0]; }
int Scanrik::getDesktopHeight() { return g_fake.desktop[1]; }
int Scanrik::getDesktopFrequency() { return g_fake.desktop[2]; }
int Scanrik::getDesktopBitsPerPixel() { return g_fake.desktop[3]; }
const char* Scanrik::getDriverSummary() { return g_fake.driverSummary; }
const char* Scanrik::getDriverVersion() { return g_fake.driverVersion; }
int Scanrik::getNvidiaDriverVersionNumber() { return g_fake.nvidiaVersion; }
const char* Scanrik::getNvidiaDriverBranch() { return g_fake.nvidiaBranch; }
const char* Scanrik::getPrimaryGpuBiosVersion() { return g_fake.primaryBios; }
int Scanrik::getPrimaryGpuMemoryMB() { return g_fake.primaryMemoryMB; }
int Scanrik::getNumGpus() { return static_cast<int>(g_fake.gpus.size()); }

#define GPU_FIELD(method, type, field, missing) \
  type Scanrik::method(int i) {                 \
    const FakeGpu* g = gpu(i);                  \
    return g ? g->field : missing;              \
  }
GPU_FIELD(getGpuName, const char*, name, nullptr)
GPU_FIELD(getGpuCodename, const char*, codename, nullptr)
GPU_FIELD(getGpuBrandType, const char*, brand, nullptr)
GPU_FIELD(getGpuMemoryType, const char*, memoryType, nullptr)
GPU_FIELD(getGpuBiosVersion, const char*, bios, nullptr)
GPU_FIELD(getGpuDriverVersion, const char*, driver, nullptr)
GPU_FIELD(getGpuDriverPackageVersion, const char*, package, nullptr)
GPU_FIELD(getRadeonSoftwareEdition, const char*, edition, nullptr)
GPU_FIELD(hasRadeonSoftwareEdition, bool, hasEdition, false)
GPU_FIELD(getGpuBusId, int, bus, -1)
GPU_FIELD(getGpuShaderCores, int, shaders, 0)
GPU_FIELD(getGpuTMUs, int, tmus, -1)
GPU_FIELD(getGpuROPs, int, rops, -1)
GPU_FIELD(getGpuTDP, int, tdp, 0)
GPU_FIELD(getGpuMemorySizeMB, int, memoryMB, 0)
#undef GPU_FIELD

int Scanrik::getNumGpuPerfLevels(int i) {
  const FakeGpu* g = gpu(i);
  return g ? static_cast<int>(g->levels.size()) : 0;
}

bool Scanrik::getGpuPciIds(int i, int* v, int* d, int* sv, int* sd, int* r) {
  const FakeGpu* g = gpu(i);
  if (!g || !g->idsOk) return false;
  put(v, g->vendor);
  put(d, g->device);
  put(sv, g->subVendor);
  put(sd, g->subDevice);
  put(r, g->revision);
  return true;
}

int Scanrik::getGpuMemoryBusWidth(int i, int* bits, char*, int) {
  const FakeGpu* g = gpu(i);
  if (!g) return 0;
  put(bits, g->busWidth);
  return g->busWidth;
}

bool Scanrik::getGpuClockFrequencies(int i, int type, float* gpuMHz, float* memoryMHz) {
  const FakeGpu* g = gpu(i);
  if (!g || g->vendor != 0x10DE) return false;
  put(gpuMHz, type == 1 ? g->baseClock : g->boostClock);
  put(memoryMHz, 0.0f);
  return true;
}

bool Scanrik::getGpuPowerTarget(int i, float* percent, float* mw) {
  const FakeGpu* g = gpu(i);
  if (!g || g->vendor != 0x10DE) return false;
  put(percent, g->powerTarget);
  put(mw, 0.0f);
  return true;
}

bool Scanrik::getGpuPowerPolicy(int i, float* mn, float* def, float* mx, float*, float*, float*) {
  const FakeGpu* g = gpu(i);
  if (!g || g->vendor != 0x10DE) return false;
  put(mn, g->minTarget);
  put(def, 100.0f);
  put(mx, g->maxTarget);
  return true;
}

bool Scanrik::getGpuPerfLevel(int i, int j, int* id, float* gpuClock, float* memoryClock, float* third,
                              float* volts) {
  const FakeGpu* g = gpu(i);
  if (!g || j < 0 || j >= static_cast<int>(g->levels.size()) || !g->levels[j].ok) return false;
  const FakePerfLevel& l = g->levels[j];
  put(id, l.id);
  put(gpuClock, l.gpu);
  put(memoryClock, l.memory);
  put(third, 0.0f);
  put(volts, l.volts);
  return true;
}

bool Scanrik::getAmdPowerTune(int i, int* a, int* b, int* c, int* d) {
  const FakeGpu* g = gpu(i);
  if (!g || !g->powerTuneOk) return false;
  put(a, g->powerTune[0]);
  put(b, g->powerTune[1]);
  put(c, g->powerTune[2]);
  put(d, g->powerTune[3]);
  return true;
}

const char* Scanrik::getGLVendor() { return g_fake.glVendor; }
const char* Scanrik::getGLRenderer() { return g_fake.glRenderer; }
const char* Scanrik::getGLVersionString() { return g_fake.glVersion; }
const char* Scanrik::getGLSLVersionString() { return g_fake.glslVersion; }
int Scanrik::getMaxTextureUnits() { return g_fake.texUnits; }
int Scanrik::getMaxVertexTextureImageUnits() { return g_fake.vertexTexUnits; }
int Scanrik::getMaxTextureImageUnitsCached() { return g_fake.pixelTexUnits; }
int Scanrik::getMaxGeometryTextureImageUnits() { return g_fake.geometryTexUnits; }
int Scanrik::getMaxTextureSize() { return g_fake.texSize; }
float Scanrik::getMaxAnisotropy() { return g_fake.anisotropy; }
float Scanrik::getMaxPointSize() { return g_fake.pointSize; }
int Scanrik::getMaxLights() { return g_fake.lights; }
int Scanrik::getMaxViewportSize() { return g_fake.viewport; }
int Scanrik::getMaxVertexUniformComponents() { return g_fake.vertexUniforms; }
int Scanrik::getMaxFragmentUniformComponents() { return g_fake.fragmentUniforms; }
int Scanrik::getMaxGeometryUniformComponents() { return g_fake.geometryUniforms; }
int Scanrik::getMaxVaryingFloats() { return g_fake.varyingFloats; }
int Scanrik::getMaxVertexBindableUniforms() { return 0; }
int Scanrik::getMaxFragmentBindableUniforms() { return 0; }
int Scanrik::getMaxGeometryBindableUniforms() { return 0; }
int Scanrik::getMaxDrawBuffers() { return g_fake.drawBuffers; }
bool Scanrik::isOpenGLFeatureSupported(int i) {
  return std::find(g_fake.features.begin(), g_fake.features.end(), i) != g_fake.features.end();
}
int Scanrik::getNumMSAAModes() { return static_cast<int>(g_fake.msaa.size()); }
int Scanrik::getMSAASamples(int i) {
  return (i >= 0 && i < static_cast<int>(g_fake.msaa.size())) ? g_fake.msaa[i] : 0;
}
int Scanrik::getNumOpenGLExtensions() { return static_cast<int>(g_fake.extensions.size()); }
int Scanrik::getNumGLExtensions() { return g_fake.glExtensions; }
int Scanrik::getNumWGLExtensions() { return g_fake.wglExtensions; }
const char* Scanrik::getOpenGLExtension(int i) {
  return (i >= 0 && i < static_cast<int>(g_fake.extensions.size())) ? g_fake.extensions[i] : nullptr;
}
int Scanrik::getNumOpenGLSpirvExtensions() { return static_cast<int>(g_fake.spirv.size()); }
const char* Scanrik::getOpenGLSpirvExtension(int i) {
  return (i >= 0 && i < static_cast<int>(g_fake.spirv.size())) ? g_fake.spirv[i] : nullptr;
}
int Scanrik::getGLCapsCount() { return static_cast<int>(g_fake.caps.size()); }
bool Scanrik::findGLCap(const char* name, int* index) {
  if (!name || !index) return false;
  for (size_t i = 0; i < g_fake.caps.size(); ++i)
    if (strcmp(g_fake.caps[i].name, name) == 0) {
      *index = static_cast<int>(i);
      return true;
    }
  return false;
}
bool Scanrik::getGLCap(int i, int* kind, int* value, int* indexed, int64_t* value64, float* f, char* name,
                       char* section) {
  if (i < 0 || i >= static_cast<int>(g_fake.caps.size())) return false;
  const FakeCap& c = g_fake.caps[i];
  put(kind, c.kind);
  put(value, c.value);
  if (indexed) memcpy(indexed, c.indexed, sizeof(c.indexed));
  put(value64, c.value64);
  put(f, c.floatValue);
  if (name) copyText(name, 128, c.name);
  if (section) copyText(section, 128, c.section);
  return true;
}
