// The detection library's facade: one singleton whose methods answer every
// question of the rest of the program, per GPU by GPU index or about the
// detection context, the CPU, the operating system and the desktop.
//
// Failure values: pointers and strings null; counts and values 0 (bus id,
// ROPs and TMUs -1); booleans false with out-parameters untouched. A GPU
// index is valid from 0 to getNumGpus() - 1; anything else, negative
// included, is "no record".
#pragma once
#include <windows.h>

#include <cstdint>

#include "detect/GpuRecord.h"
#include "detect/HardwareCaps.h"
#include "detect/OpenGLCaps.h"
#include "detect/PtrList.h"
#include "detect/RenderWindow.h"
#include "detect/ScanrikLog.h"

const int kSummaryTextSize = 256;

// Copied once from the detection at start-up.
struct HardwareSummary {
  int primaryDbRow;
  char primaryGpuName[kSummaryTextSize];
  char primaryGpuCodename[kSummaryTextSize];
  char primaryGpuBiosVersion[kSummaryTextSize];
  char driverSummary[kSummaryTextSize];
  char glslVersion[kSummaryTextSize];
  char glVersion[kSummaryTextSize];
  char cpuName[kSummaryTextSize];
  char osName[kSummaryTextSize];
  int primaryVendorId;
  int primaryDeviceId;
  int nvidiaPhysicalGpus;
  int nvidiaLogicalGpus;
  int primaryGpuMemoryMB;
  int primaryGpuTdp;
  int primaryGpuVertexShaders;
  int primaryGpuPixelShaders;
  int primaryGpuShaderCores;
  int primaryGpuTmus;
  int primaryGpuRops;
  char osShortName[kSummaryTextSize];
  uint32_t totalPhysicalBytes;
  int maxMsaaSamples;
  int samples;
  float maxTessGenLevel;
  int maxTessControlTextureImageUnits;
  int maxTessEvaluationTextureImageUnits;
  int maxTessControlUniformComponents;
  int maxTessEvaluationUniformComponents;
  int glMajor;
  int glMinor;
  int maxTextureSize;
  int maxViewportSize;
  int maxTextureUnits;
  int maxTextureImageUnits;
  int maxVertexTextureImageUnits;
  int maxGeometryTextureImageUnits;
  int maxDrawBuffers;
  int maxLights;
  int maxVaryingFloats;
  int maxVertexUniformComponents;
  int maxGeometryUniformComponents;
  int maxFragmentUniformComponents;
  float maxPointSize;
  float maxAnisotropy;
  bool textureArrayAndBufferObjects;
  int numGlExtensions;
  int numWglExtensions;
  PtrList extensions;  // the hardware object's names, not copies
};

// What the driver summary text is made of.
struct DriverSummaryFacts {
  int vendorKind;
  const char* nvidiaDriverVersion;  // from the control-panel library
  const char* driverDate;
  const char* openGLDriver;
  const char* catalystVersion;
  const char* driverVersion;
};
void FormatDriverSummary(const DriverSummaryFacts& facts, char* out, int size);
// The text after the first "Version" of a BIOS string, the whole string
// without one, "n.a." for an empty one.
void BiosVersionFromString(const char* bios, char* out, int size);

struct ScanrikState {
  ScanrikState();
  ~ScanrikState();
  ScanrikState(const ScanrikState&) = delete;
  ScanrikState& operator=(const ScanrikState&) = delete;

  ScanrikLog log;
  bool started;
  PtrList gpuList;
  HMODULE nvUsageLibrary;
  PtrList renderWindows;
  bool graphicsDriverDetected;
  RenderWindow* currentRenderWindow;
  HWND dummyWindow;
  bool isVista;
  uint32_t physXVersion;
  bool physXOnGpu;
  HardwareSummary summary;
  int desktopWidth;
  int desktopHeight;
  int desktopFrequency;
  int desktopBitsPerPixel;
  int maxMsaaSamples;
};

ScanrikState& DetectionState();

// Name of a GPU or board maker by PCI vendor id, "unknown" for others.
const char* vendorNameFromPciId(int id);

// The CPU clock measurement: time-stamp ticks over one second of the
// performance counter, counted on the first processor, in MHz; the calling
// thread has its own affinity mask back afterwards.
int MeasureCpuClockMHz();
// Test seam: the measurement that the facade runs; null restores
// MeasureCpuClockMHz.
typedef int (*CpuClockMeasurement)();
void SetCpuClockMeasurement(CpuClockMeasurement measure);

// Copies the hardware summary once at start-up.
bool scanGraphicsHardware();
void ClearHardwareSummary(HardwareSummary& s);

class Scanrik {
 public:
  static Scanrik* instance();
  static void destroyInstance();

  bool startup(int x, int y, int width, int height, int glMajor, int glMinor, int contextFlag);
  bool startupWrapper(int ignored, int x, int y, int width, int height, int glMajor, int glMinor,
                      int contextFlag);
  bool shutdown();

  // Library-wide.
  int getNumGpus();
  bool isGraphicsDriverDetected();
  bool isPhysXOnGpu();
  uint32_t getPhysXVersion();
  bool isWindowsVista();
  int getDesktopWidth();
  int getDesktopHeight();
  int getDesktopFrequency();
  int getDesktopBitsPerPixel();
  int getNumCrossFireGpus();
  int getNumAmdGpus();
  const char* getNvidiaDriverBranch();
  int getNvidiaDriverVersionNumber();

  // Detection context and machine.
  const char* getGLVendor();
  const char* getGLRenderer();
  const char* getDriverVersion();
  const char* getDriverDate();
  const char* getBiosString();
  int getPrimarySubsysDeviceId();
  int getPrimarySubsysVendorId();
  int getDetectionContextVendorKind();
  bool isOpenGLFeatureSupported(int i);
  bool isOpenGLExtensionSupported(const char* name);
  int getNumMSAAModes();
  int getMSAASamples(int i);
  int getGLCapsCount();
  bool findGLCap(const char* name, int* index);
  int getGLCapsCountBySection(const char* section, int* firstIndex);
  bool getGLCap(int i, int* kind, int* intValue, int* indexedValues, int64_t* int64Value,
                float* floatValue, char* name, char* section);
  int getNumOpenGLSpirvExtensions();
  const char* getOpenGLSpirvExtension(int i);
  float getMaxTessGenLevel();
  int getMaxTextureImageUnits();
  int getMaxVertexBindableUniforms();
  int getMaxGeometryBindableUniforms();
  int getMaxFragmentBindableUniforms();
  int getPrimaryAmdComputeUnits();
  int getCPUFamily();
  int getCPUModel();
  int getCPUStepping();
  int getCPULogicalCores();
  int getInstalledMemoryMB();
  int getTotalMemoryKB();
  int getCPUSpeedMHz();

  // Hardware summary.
  int getPrimaryVendorId();
  int getPrimaryDeviceId();
  const char* getPrimaryGpuName();
  const char* getPrimaryGpuCodename();
  const char* getPrimaryGpuBiosVersion();
  const char* getDriverSummary();
  int getPrimaryGpuMemoryMB();
  int getPrimaryGpuTDP();
  int getPrimaryGpuVertexShaders();
  int getPrimaryGpuPixelShaders();
  int getNumLogicalGpus();
  const char* getCPUName();
  const char* getOSName();
  int getOpenGLMajorVersion();
  int getOpenGLMinorVersion();
  const char* getGLVersionString();
  const char* getGLSLVersionString();
  int getMaxTextureSize();
  int getMaxViewportSize();
  int getMaxTextureUnits();
  int getMaxTextureImageUnitsCached();
  int getMaxVertexTextureImageUnits();
  int getMaxGeometryTextureImageUnits();
  int getMaxDrawBuffers();
  int getMaxLights();
  int getMaxVaryingFloats();
  int getMaxVertexUniformComponents();
  int getMaxGeometryUniformComponents();
  int getMaxFragmentUniformComponents();
  float getMaxPointSize();
  float getMaxAnisotropy();
  bool hasTextureArrayAndBufferObjects();
  int getNumOpenGLExtensions();
  int getNumGLExtensions();
  int getNumWGLExtensions();
  const char* getOpenGLExtension(int i);
  int getPrimaryGpuShaderCores();

  // Live OpenGL queries (the detection context must be current).
  int getNvxCurrentAvailableVideoMemory();
  int getNvxTotalAvailableVideoMemory();
  int getAtiFreeTextureMemory();
  int getAmdTotalVideoMemory();
  int getAmdUsedVideoMemory();
  bool getNvShaderThreadGroupInfo(int* warpSize, int* warpsPerSm, int* smCount);

  // Per GPU.
  const char* getGpuName(int i);
  const char* getGpuCodename(int i);
  const char* getGpuBrandType(int i);
  const char* getGpuMemoryType(int i);
  const char* getGpuBiosVersion(int i);
  const char* getGpuDriverVersion(int i);
  const char* getGpuDriverPackageVersion(int i);
  const char* getRadeonSoftwareEdition(int i);
  const char* getGpuDeviceIdString(int i);
  const char* getGpuDisplayDeviceString(int i);
  bool getGpuPciIds(int i, int* vendor, int* device, int* subsysVendor, int* subsysDevice,
                    int* revision);
  int getGpuBusId(int i);
  int getGpuROPs(int i);
  int getGpuTMUs(int i);
  int getGpuShaderCores(int i);
  int getGpuVertexShaders(int i);
  int getGpuPixelShaders(int i);
  int getGpuTDP(int i);
  int getGpuRTCores(int i);
  int getGpuTensorCores(int i);
  int getNumGpuPerfLevels(int i);
  int getNumGpuCoolers(int i);
  bool hasGpuSensors(int i);
  bool hasRadeonSoftwareEdition(int i);
  int getAmdOverdriveVersion(int i);
  int getGpuMemorySizeMB(int i);
  int getGpuMemoryBusWidth(int i, int* bits, char* text, int textSize);
  bool getGpuRatedClocks(int i, int* coreMHz, int* memoryMHz);
  bool getAmdGpuInfo(int i, int* computeUnits, int* wgps, int* rops, int64_t* localMemoryBytes,
                     char* asicFamily, int asicFamilySize);
  bool getGpuCoolerInfo(int i, int c, int* id, int* rpmMin, int* rpmMax, bool* tachSupported);
  bool getGpuCoolerStatus(int i, int c, int* v0, int* v1, int* v2, int* v3, int* v4);
  bool getGpuCurrentPerformanceState(int i, int* pstate, float* gpuClock, float* memoryClock,
                                     float* thirdClock, float* voltage);
  bool getGpuPerfLevel(int i, int j, int* id, float* gpuClock, float* memoryClock,
                       float* thirdClock, float* voltage);
  bool getGpuFanSpeed(int i, int* percent, int* rpm);
  bool getGpuUsage(int i, int* gpuLoad, int* frameBufferLoad);
  bool getGpuTemperature(int i, float* t0, float* t2, float* t3, float* t1);
  bool getAmdPowerTune(int i, int* a, int* b, int* c, int* d);
  bool getAmdPowerDraw(int i, float* socWatts, float* asicWatts);
  int getAmdPMLogSensorValue(int i, int s);
  bool isAmdPMLogSensorSupported(int i, int s);
  bool startAmdPMLog(int i, int intervalMs);
  bool stopAmdPMLog(int i);
  bool readAmdPMLogSensors(int i);
  bool getGpuPowerUsage(int i, float* percent, float* milliwatts);
  bool getGpuPowerTarget(int i, float* percent, float* milliwatts);
  bool getGpuPowerPolicy(int i, float* minPercent, float* defPercent, float* maxPercent,
                         float* minMw, float* defMw, float* maxMw);
  bool getGpuClockFrequencies(int i, int type, float* gpuMHz, float* memoryMHz);
  bool getGpuCoreVoltage(int i, float* volts);
  bool getGpuCoreVoltageAlt(int i, float* volts);
  // The memory maker's name, cut to fit `size` bytes with its terminator.
  bool getGpuRamMaker(int i, char* buffer, int size);
  bool readGpuCoolerStatus(int i);
  int getNumActive3DApps(int i);
  int getActive3DAppPid(int i, int j);
  const char* getActive3DAppName(int i, int j);

 private:
  Scanrik() {}
  HardwareCaps* caps();
  GpuRecord* record(int i);
  GpuRecord* recordOfKind(int i, int kind);
};
