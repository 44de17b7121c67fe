// Facade life (instance, start-up, shutdown), the library state and the
// library-wide and detection-context accessors.
#include "detect/Scanrik.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

Scanrik* g_facade = nullptr;
const char kDummyClass[] = "Scanrik_DummyW";

void readDesktopMode(ScanrikState& s) {
  DEVMODEA mode;
  memset(&mode, 0, sizeof(mode));
  mode.dmSize = sizeof(mode);
  if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
    s.desktopWidth = static_cast<int>(mode.dmPelsWidth);
    s.desktopHeight = static_cast<int>(mode.dmPelsHeight);
    s.desktopFrequency = static_cast<int>(mode.dmDisplayFrequency);
    s.desktopBitsPerPixel = static_cast<int>(mode.dmBitsPerPel);
  }
}

void readPhysXInfo(ScanrikState& s) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(DetectionRegistryRoot(), "SOFTWARE\\AGEIA Technologies", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return;
  DWORD version = 0, size = sizeof(version);
  if (RegQueryValueExA(key, "PhysX Version", nullptr, nullptr, reinterpret_cast<BYTE*>(&version),
                       &size) == ERROR_SUCCESS && size == sizeof(version))
    s.physXVersion = version;
  char selection[512];
  memset(selection, 0, sizeof(selection));
  size = 511;
  if (RegQueryValueExA(key, "HwSelection", nullptr, nullptr, reinterpret_cast<BYTE*>(selection),
                       &size) == ERROR_SUCCESS)
    s.physXOnGpu = memcmp(selection, "GPU", 4) == 0;
  RegCloseKey(key);
}

}  // namespace

void ClearHardwareSummary(HardwareSummary& s) {
  char* texts[] = {s.primaryGpuName, s.primaryGpuCodename, s.primaryGpuBiosVersion,
                   s.driverSummary, s.glslVersion, s.glVersion, s.cpuName, s.osName};
  for (char* t : texts) t[0] = '\0';
  s.primaryVendorId = s.primaryDeviceId = -1;
  s.nvidiaPhysicalGpus = s.nvidiaLogicalGpus = 1;
  s.primaryGpuMemoryMB = s.primaryGpuTdp = s.primaryGpuVertexShaders = 0;
  s.primaryGpuPixelShaders = s.primaryGpuShaderCores = 0;
  s.primaryDbRow = -1;
  s.primaryGpuTmus = s.primaryGpuRops = 0;
  s.osShortName[0] = '\0';
  s.totalPhysicalBytes = 0;
  s.maxMsaaSamples = s.samples = 0;
  s.maxTessGenLevel = 0.0f;
  s.maxTessControlTextureImageUnits = s.maxTessEvaluationTextureImageUnits = 0;
  s.maxTessControlUniformComponents = s.maxTessEvaluationUniformComponents = 0;
  s.glMajor = s.glMinor = 1;
  s.maxTextureSize = 0;
  s.maxViewportSize = 1024;
  s.maxTextureUnits = 1;
  s.maxTextureImageUnits = 1;
  s.maxVertexTextureImageUnits = s.maxGeometryTextureImageUnits = s.maxDrawBuffers = 0;
  s.maxLights = s.maxVaryingFloats = s.maxVertexUniformComponents = 0;
  s.maxGeometryUniformComponents = s.maxFragmentUniformComponents = 0;
  s.maxPointSize = 1.0f;
  s.maxAnisotropy = 1.0f;
  s.textureArrayAndBufferObjects = false;
  s.numGlExtensions = s.numWglExtensions = 0;
  s.extensions.clear();  // the names belong to the hardware object
}

ScanrikState::ScanrikState()
    : started(false), nvUsageLibrary(nullptr),
      graphicsDriverDetected(false), currentRenderWindow(nullptr), dummyWindow(nullptr),
      isVista(false), physXVersion(0), physXOnGpu(false), desktopWidth(0), desktopHeight(0),
      desktopFrequency(0), desktopBitsPerPixel(0), maxMsaaSamples(0) {
  ClearHardwareSummary(summary);
  readDesktopMode(*this);
}

ScanrikState::~ScanrikState() {
  ClearHardwareSummary(summary);
  renderWindows.clear();
  gpuList.clear();
  log.close();
}

ScanrikState& DetectionState() {
  static ScanrikState state;
  return state;
}

PtrList& DetectionGpuList() { return DetectionState().gpuList; }

GpuRecord* DetectionGpuAt(int index) {
  return static_cast<GpuRecord*>(DetectionState().gpuList.itemAt(index));
}

const char* vendorNameFromPciId(int id) {
  static const struct {
    int id;
    const char* name;
  } kVendors[] = {
      {0x1002, "AMD"},        {0x1014, "IBM"},         {0x1019, "Elitegroup CS"},
      {0x1025, "Acer"},       {0x1028, "Dell"},        {0x102B, "Matrox"},
      {0x103C, "HP"},         {0x1043, "ASUS"},        {0x104D, "Sony"},
      {0x105B, "Foxconn"},    {0x106B, "Apple"},       {0x107D, "Leadtek"},
      {0x1092, "Diamond Multimedia"}, {0x10DE, "NVIDIA"}, {0x1179, "Toshiba"},
      {0x144D, "Samsung"},    {0x1458, "Gigabyte"},    {0x1462, "MSI"},
      {0x148C, "PowerColor"}, {0x1545, "VisionTek"},   {0x1569, "Palit"},
      {0x1682, "XFX"},        {0x16F3, "Jetway"},      {0x174B, "Sapphire"},
      {0x17AA, "Lenovo"},     {0x17AF, "HIS"},         {0x1849, "ASRock"},
      {0x18BC, "GeCube"},     {0x196D, "Club3D"},      {0x19DA, "Zotac"},
      {0x1B4C, "Galaxy"},     {0x1DA2, "Sapphire"},    {0x3842, "EVGA"},
      {0x5333, "S3 Graphics"}, {0x8086, "Intel"},
  };
  for (const auto& v : kVendors)
    if (v.id == id) return v.name;
  return "unknown";
}

Scanrik* Scanrik::instance() {
  if (g_facade) return g_facade;
  Scanrik* facade = new (std::nothrow) Scanrik();
  if (!facade) return nullptr;
  ScanrikState& s = DetectionState();
  if (!s.currentRenderWindow) {
    RenderWindow* rw = new (std::nothrow) RenderWindow();
    if (rw) {
      s.renderWindows.append(rw);
      s.currentRenderWindow = rw;
    }
  }
  g_facade = facade;
  return g_facade;
}

void Scanrik::destroyInstance() {
  delete g_facade;
  g_facade = nullptr;
}

namespace {

// A start-up that found no driver may run again. What it left cannot be
// taken over: a window's pixel format is set only once, and its context and
// device context would be overwritten. They go, with the dummy window, and
// the new start-up begins on a window of its own.
void discardUnstartedDetection(ScanrikState& s) {
  RenderWindowCtx* ctx = s.currentRenderWindow->context();
  ctx->startedByFacade = false;  // so the device context is released
  s.currentRenderWindow->shutdown();
  if (s.dummyWindow) {
    DestroyWindow(s.dummyWindow);
    s.dummyWindow = nullptr;
  }
}

}  // namespace

bool Scanrik::startupWrapper(int, int x, int y, int width, int height, int glMajor, int glMinor,
                             int contextFlag) {
  return startup(x, y, width, height, glMajor, glMinor, contextFlag);
}

bool Scanrik::startup(int x, int y, int width, int height, int glMajor, int glMinor,
                      int contextFlag) {
  ScanrikState& s = DetectionState();
  s.log.write("Scanrik::startup()");
  if (s.started) return true;
  if (!s.currentRenderWindow || !s.currentRenderWindow->context()) return false;

  discardUnstartedDetection(s);

  s.log.write("Scanrik::startup() - Scanrik_DummyW");
  HINSTANCE module = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc;
  if (!GetClassInfoExA(module, kDummyClass, &wc)) {
    memset(&wc, 0, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DummyWindowProc;
    wc.hInstance = module;
    wc.lpszClassName = kDummyClass;
    RegisterClassExA(&wc);
  }
  if (!s.dummyWindow)
    s.dummyWindow = CreateWindowExA(0, kDummyClass, "Scanrik Dummy Win",
                                    WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, x, y, width,
                                    height, nullptr, nullptr, module, nullptr);

  if (!s.currentRenderWindow->create(s.dummyWindow, width, height, 32, 24, 8, 0, glMajor, glMinor,
                                     contextFlag)) {
    if (s.dummyWindow) {
      DestroyWindow(s.dummyWindow);
      s.dummyWindow = nullptr;
      UnregisterClassA(kDummyClass, module);
    }
    return false;
  }
  s.log.write("Scanrik::startup() - Scanrik_DummyW OK.");
  s.currentRenderWindow->context()->startedByFacade = true;
  s.maxMsaaSamples = s.currentRenderWindow->getMaxMsaaSamples();

  HardwareCaps* c = s.currentRenderWindow->caps();
  s.isVista = strstr(c->osName, "Vista") != nullptr;

  s.log.write("Scanrik::startup() - PhysX info");
  readPhysXInfo(s);
  s.log.write("Scanrik::startup() - PhysX info OK.");

  s.graphicsDriverDetected = c->hasDisplayDevice();
  if (!s.graphicsDriverDetected) return true;

  s.started = true;
  s.log.write("Scanrik::startup() - scanGraphicsHardware()");
  bool ok = scanGraphicsHardware();
  s.log.write("Scanrik::startup() - scanGraphicsHardware() OK.");
  s.log.write("Scanrik::startup() OK.");
  return ok;
}

bool Scanrik::shutdown() {
  ScanrikState& s = DetectionState();
  if (!s.started) return false;
  s.summary.extensions.clear();  // its names die with the render windows
  for (int i = 0; i < s.renderWindows.count(); ++i) {
    RenderWindow* rw = static_cast<RenderWindow*>(s.renderWindows.itemAt(i));
    if (!rw) continue;
    rw->shutdown();
    delete rw;
  }
  s.renderWindows.clear();
  s.currentRenderWindow = nullptr;
  if (s.dummyWindow) {
    DestroyWindow(s.dummyWindow);
    s.dummyWindow = nullptr;
  }
  UnregisterClassA(kDummyClass, GetModuleHandleA(nullptr));
  destroyInstance();
  s.started = false;
  return true;
}

HardwareCaps* Scanrik::caps() {
  RenderWindow* rw = DetectionState().currentRenderWindow;
  return rw ? rw->caps() : nullptr;
}

GpuRecord* Scanrik::record(int i) { return DetectionGpuAt(i); }

GpuRecord* Scanrik::recordOfKind(int i, int kind) {
  GpuRecord* r = record(i);
  return (r && r->kind == kind) ? r : nullptr;
}

// ---- Library-wide ----

int Scanrik::getNumGpus() { return DetectionState().gpuList.count(); }
bool Scanrik::isGraphicsDriverDetected() { return DetectionState().graphicsDriverDetected; }
bool Scanrik::isPhysXOnGpu() { return DetectionState().physXOnGpu; }
uint32_t Scanrik::getPhysXVersion() { return DetectionState().physXVersion; }
bool Scanrik::isWindowsVista() { return DetectionState().isVista; }

int Scanrik::getDesktopWidth() {
  readDesktopMode(DetectionState());
  return DetectionState().desktopWidth;
}
int Scanrik::getDesktopHeight() {
  readDesktopMode(DetectionState());
  return DetectionState().desktopHeight;
}
int Scanrik::getDesktopFrequency() {
  readDesktopMode(DetectionState());
  return DetectionState().desktopFrequency;
}
int Scanrik::getDesktopBitsPerPixel() {
  readDesktopMode(DetectionState());
  return DetectionState().desktopBitsPerPixel;
}

int Scanrik::getNumCrossFireGpus() {
  HardwareCaps* c = caps();
  return c ? c->amd.crossFireGpuCount : 0;
}
int Scanrik::getNumAmdGpus() {
  HardwareCaps* c = caps();
  return c ? c->amd.amdGpuCount : 0;
}
const char* Scanrik::getNvidiaDriverBranch() {
  HardwareCaps* c = caps();
  return c ? c->nv.driverBranch : nullptr;
}
int Scanrik::getNvidiaDriverVersionNumber() {
  HardwareCaps* c = caps();
  return c ? c->nv.driverVersion : 0;
}

// ---- Detection context and machine ----

const char* Scanrik::getGLVendor() {
  HardwareCaps* c = caps();
  return c ? c->glVendor : nullptr;
}
const char* Scanrik::getGLRenderer() {
  HardwareCaps* c = caps();
  return c ? c->glRenderer : nullptr;
}
const char* Scanrik::getDriverVersion() {
  HardwareCaps* c = caps();
  return c ? c->driverVersion : nullptr;
}
const char* Scanrik::getDriverDate() {
  HardwareCaps* c = caps();
  return c ? c->driverDate : nullptr;
}
const char* Scanrik::getBiosString() {
  HardwareCaps* c = caps();
  return c ? c->biosString : nullptr;
}
int Scanrik::getPrimarySubsysDeviceId() {
  HardwareCaps* c = caps();
  return c ? c->primarySubsysDeviceId : 0;
}
int Scanrik::getPrimarySubsysVendorId() {
  HardwareCaps* c = caps();
  return c ? c->primarySubsysVendorId : 0;
}
int Scanrik::getDetectionContextVendorKind() {
  HardwareCaps* c = caps();
  return c ? c->vendorKind : 0;
}
bool Scanrik::isOpenGLFeatureSupported(int i) {
  HardwareCaps* c = caps();
  return c ? c->getFeatureFlag(i) : false;
}
bool Scanrik::isOpenGLExtensionSupported(const char* name) {
  HardwareCaps* c = caps();
  return c ? c->isExtensionSupported(name) : false;
}
int Scanrik::getNumMSAAModes() {
  HardwareCaps* c = caps();
  return c ? c->msaaModes.count() : 0;
}
int Scanrik::getMSAASamples(int i) {
  HardwareCaps* c = caps();
  const int* mode = c ? static_cast<const int*>(c->msaaModes.itemAt(i)) : nullptr;
  return mode ? mode[1] : 0;
}
int Scanrik::getGLCapsCount() {
  HardwareCaps* c = caps();
  return c ? c->capsList.count() : 0;
}
bool Scanrik::findGLCap(const char* name, int* index) {
  HardwareCaps* c = caps();
  if (!c || !name || !index) return false;
  for (int i = 0; i < c->capsList.count(); ++i) {
    const OpenGLCap* cap = static_cast<const OpenGLCap*>(c->capsList.itemAt(i));
    if (cap && strncmp(cap->name, name, kGlCapTextSize - 1) == 0) {
      *index = i;
      return true;
    }
  }
  return false;
}
int Scanrik::getGLCapsCountBySection(const char* section, int* firstIndex) {
  HardwareCaps* c = caps();
  if (!c) return 0;
  const char* wanted = section ? section : "";
  int n = 0;
  for (int i = 0; i < c->capsList.count(); ++i) {
    const OpenGLCap* cap = static_cast<const OpenGLCap*>(c->capsList.itemAt(i));
    if (!cap || strncmp(cap->section, wanted, kGlCapTextSize - 1) != 0) continue;
    if (n == 0 && firstIndex) *firstIndex = i;
    ++n;
  }
  return n;
}
bool Scanrik::getGLCap(int i, int* kind, int* intValue, int* indexedValues, int64_t* int64Value,
                       float* floatValue, char* name, char* section) {
  HardwareCaps* c = caps();
  const OpenGLCap* cap = c ? static_cast<const OpenGLCap*>(c->capsList.itemAt(i)) : nullptr;
  if (!cap) return false;
  if (kind) *kind = cap->kind;
  if (cap->kind == kCapInt && intValue) *intValue = cap->intValue;
  if (cap->kind == kCapIndexed && indexedValues)
    for (int k = 0; k < 3; ++k) indexedValues[k] = cap->indexedValues[k];
  if (cap->kind == kCapInt64 && int64Value) *int64Value = cap->int64Value;
  if (cap->kind == kCapFloat && floatValue) *floatValue = cap->floatValue;
  if (name) copyText(name, kGlCapTextSize, cap->name);
  if (section) copyText(section, kGlCapTextSize, cap->section);
  return true;
}
int Scanrik::getNumOpenGLSpirvExtensions() {
  HardwareCaps* c = caps();
  return c ? c->spirvExtensions.count() : 0;
}
const char* Scanrik::getOpenGLSpirvExtension(int i) {
  HardwareCaps* c = caps();
  return c ? static_cast<const char*>(c->spirvExtensions.itemAt(i)) : nullptr;
}
float Scanrik::getMaxTessGenLevel() {
  HardwareCaps* c = caps();
  return c ? c->maxTessGenLevel : 0.0f;
}
int Scanrik::getMaxTextureImageUnits() {
  HardwareCaps* c = caps();
  return c ? c->maxTextureImageUnits : 0;
}
int Scanrik::getMaxVertexBindableUniforms() {
  HardwareCaps* c = caps();
  return c ? c->maxVertexBindableUniforms : 0;
}
int Scanrik::getMaxGeometryBindableUniforms() {
  HardwareCaps* c = caps();
  return c ? c->maxGeometryBindableUniforms : 0;
}
int Scanrik::getMaxFragmentBindableUniforms() {
  HardwareCaps* c = caps();
  return c ? c->maxFragmentBindableUniforms : 0;
}
int Scanrik::getPrimaryAmdComputeUnits() {
  HardwareCaps* c = caps();
  return c ? c->primaryAmdComputeUnits : 0;
}
int Scanrik::getCPUFamily() {
  HardwareCaps* c = caps();
  return c ? c->cpuFamily : 0;
}
int Scanrik::getCPUModel() {
  HardwareCaps* c = caps();
  return c ? c->cpuModel : 0;
}
int Scanrik::getCPUStepping() {
  HardwareCaps* c = caps();
  return c ? c->cpuStepping : 0;
}
int Scanrik::getCPULogicalCores() {
  HardwareCaps* c = caps();
  return c ? c->cpuLogicalProcessors : 0;
}
int Scanrik::getInstalledMemoryMB() {
  HardwareCaps* c = caps();
  return c ? static_cast<int>(c->installedMemoryMB) : 0;
}
int Scanrik::getTotalMemoryKB() {
  HardwareCaps* c = caps();
  return c ? static_cast<int>(c->totalPhysicalKB) : 0;
}

namespace {

CpuClockMeasurement g_measureCpuClock = MeasureCpuClockMHz;

}  // namespace

// The calling thread gets back the mask it had, not every processor: a
// thread its caller pinned stays pinned.
int MeasureCpuClockMHz() {
  DWORD_PTR previous = SetThreadAffinityMask(GetCurrentThread(), 1);
  LARGE_INTEGER freq, start, now;
  QueryPerformanceFrequency(&freq);
  uint64_t tsc0 = __builtin_ia32_rdtsc();
  QueryPerformanceCounter(&start);
  do {
    QueryPerformanceCounter(&now);
  } while (now.QuadPart - start.QuadPart < freq.QuadPart);
  uint64_t tsc1 = __builtin_ia32_rdtsc();
  if (previous) SetThreadAffinityMask(GetCurrentThread(), previous);
  return static_cast<int>((tsc1 - tsc0) / 1000000);
}

void SetCpuClockMeasurement(CpuClockMeasurement measure) {
  g_measureCpuClock = measure ? measure : MeasureCpuClockMHz;
}

int Scanrik::getCPUSpeedMHz() {
  HardwareCaps* c = caps();
  if (!c) return 0;
  if (c->cpuSpeedMHz == 0) c->cpuSpeedMHz = g_measureCpuClock();
  return c->cpuSpeedMHz;
}
