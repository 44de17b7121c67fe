// Everything the detection library knows about the machine: display
// devices, the primary GPU's ids, CPU, memory, operating system, the vendor
// back-ends' state and the OpenGL facts of the detection context.
#pragma once
#include <windows.h>

#include <cstdint>

#include "detect/GpuRecord.h"
#include "detect/PtrList.h"
#include "detect/amd/AmdState.h"
#include "detect/nvidia/NvidiaState.h"

const int kMaxDisplayDevices = 25;
const int kFeatureFlagCount = 53;
const int kCapsTextSize = 256;
const int kCpuTextSize = 128;
const int kDisplayTextSize = 128;
const int kNoGpuDatabaseRow = -1;

// Vendor classes of the primary display device.
enum VendorKind {
  kVendorNone = 0,
  kVendorNvidia = 1,
  kVendorAmd = 2,
  kVendorS3 = 3,
  kVendorIntel = 4,
  kVendorOther = 5
};

struct DisplayDeviceSlot {
  char deviceIdString[kDisplayTextSize];
  char deviceString[kDisplayTextSize];
  char deviceName[kDisplayTextSize];
  char deviceKey[kDisplayTextSize];
};

// The display-device slots already tied to a GPU during one detection run.
struct DisplaySlotClaims {
  bool taken[kMaxDisplayDevices] = {};
};

// Pieces of a PCI id string PCI\VEN_vvvv&DEV_dddd&SUBSYS_ssssSSSS&REV_rr.
struct PciIdPieces {
  bool vendorParsed, deviceParsed, subsysDeviceParsed, subsysVendorParsed;
  int vendor, device, subsysDevice, subsysVendor;
  char revision[3];
};

// Parses the fixed positions of a PCI id string. A piece that the string
// does not fully hold, or that is not hexadecimal, is left unparsed; the
// string is never read past its end.
PciIdPieces parsePciIdString(const char* idString);

// Hex digits as the driver strings carry them: upper-cased, '0'-'9' are
// 0-9 and any other character its code minus 55 ('A' is 10). They stay as
// part of the library's interface, but no shipped path calls them: the id
// strings are read by parsePciIdString, which refuses a character that is
// no hex digit rather than give it a value.
int parseHex2(char c1, char c2);
int parseHex4(char c1, char c2, char c3, char c4);

// Vendor kind of a PCI vendor id (-1: no id).
int vendorKindFromPciId(int vendorId);

// Reads a registry value as text into buf (size bytes): at most size - 1
// characters, always terminated, longer values cut; false when absent.
bool ReadRegistryText(HKEY key, const char* value, char* buf, DWORD size, DWORD* type = nullptr);

// --- Test seams: the sources the detection reads, replaceable by tests. ---
typedef BOOL(WINAPI* EnumDisplayDevicesFn)(LPCSTR device, DWORD index, PDISPLAY_DEVICEA info,
                                           DWORD flags);
// Null restores EnumDisplayDevicesA.
void SetDisplayDeviceSource(EnumDisplayDevicesFn fn);
EnumDisplayDevicesFn DisplayDeviceSource();
// The key under which registry paths of the hardware are opened
// (HKEY_LOCAL_MACHINE unless a test sets another; null restores it).
void SetDetectionRegistryRoot(HKEY root);
HKEY DetectionRegistryRoot();
// CPUID: leaf in, registers EAX, EBX, ECX, EDX out; false when the
// processor has no CPUID. Null restores the processor's own.
typedef bool (*CpuidFn)(uint32_t leaf, uint32_t regs[4]);
void SetCpuidSource(CpuidFn fn);
CpuidFn CurrentCpuidSource();

// Operating-system naming from the version facts.
struct OsVersionFacts {
  DWORD platform;  // VER_PLATFORM_WIN32s, _WINDOWS, _NT
  DWORD major, minor, build;
  BYTE productType;  // VER_NT_WORKSTATION for client systems
  int serverR2;      // GetSystemMetrics(SM_SERVERR2)
  int bits;          // 32 or 64
  const char* servicePack;
};
void formatOsName(const OsVersionFacts& v, char* shortName, int shortSize, char* longName,
                  int longSize);

class HardwareCaps {
 public:
  HardwareCaps();
  ~HardwareCaps();
  HardwareCaps(const HardwareCaps&) = delete;
  HardwareCaps& operator=(const HardwareCaps&) = delete;

  // The whole hardware detection.
  void init();
  void release();

  void _readDisplayDeviceData();
  bool hasDisplayDevice() const { return m_hasDisplayDevice; }
  const DisplayDeviceSlot* displayDeviceSlot(int slot) const;
  bool getDisplayDeviceVendorId(int slot, uint32_t* raw, int* parsed) const;
  bool getDisplayDeviceDeviceId(int slot, uint32_t* raw, int* parsed) const;
  bool getDisplayDeviceSubsysDeviceId(int slot, uint32_t* raw, int* parsed) const;
  bool getDisplayDeviceSubsysVendorId(int slot, uint32_t* raw, int* parsed) const;
  int findDisplayDeviceSlot(int vendor, int device, int subsysVendor, int subsysDevice,
                            int skipSlot) const;
  // Ties the record to the first slot not claimed yet that shows its PCI
  // ids: sets displaySlot and copies the slot's four strings. Identical
  // boards have identical ids, so each slot goes to one GPU only. False,
  // with the record untouched, when no free slot matches.
  bool claimDisplayDeviceSlot(GpuRecord* record, DisplaySlotClaims& claims) const;

  bool readGpuRegistryData(GpuRecord* record);
  bool addOtherVendorGpus();
  bool sortGpusByBusId();
  bool clearGpuList();
  // The GPU database row of a record's ids (-1 when none).
  int findGpuDatabaseRow(const GpuRecord* record) const;

  bool _queryCPUInfo();
  void _queryOSName();

  bool getFeatureFlag(int i) const;
  void setFeatureFlag(int i, bool value);
  bool isGLVersionAtLeast(int major, int minor) const;
  bool isExtensionSupported(const char* name) const;

  // --- NVIDIA back-end ---
  void NVAPI_Init();
  bool NVIDIA_ControlPanelData_Read();
  int getNvidiaPhysicalGpuCount() const;
  int getNvidiaLogicalGpuCount() const;
  int getNvidiaGpuMemoryKB(int n);
  int getNvidiaCoreCount(int n);
  bool getNvidiaRamMaker(int i, char* text, int size);
  bool NVAPI_GetClockFrequencies(int i, int clockType, float* gpuMHz, float* memoryMHz);
  bool NVAPI_GetCurPerformanceState20(int i, int* pstate, float* gpuMHz, float* memoryMHz,
                                      float* processorMHz, float* volts);
  bool readNvidiaCurrentClocks(int i, int* pstate, float* gpuMHz, float* memoryMHz,
                               float* processorMHz, float* volts);
  bool readNvidiaPerfLevel(int i, int n, int* pstate, float* gpuMHz, float* memoryMHz,
                           float* processorMHz, float* volts);
  bool readNvidiaCoreVoltage(int i, float* volts);
  bool readNvidiaCoreVoltageFromStatus(int i, float* volts);
  bool NVAPI_GpuInfo_GetAllPerformanceStates(GpuRecord* record);
  bool getNvidiaArchInfo(GpuRecord* record);
  bool readNvidiaThermalSettings(GpuRecord* record);
  bool readNvidiaFanSpeed(GpuRecord* record);
  bool readNvidiaCoolerStatus(GpuRecord* record);
  bool readNvidiaGpuUsages(GpuRecord* record);
  bool readNvidiaPowerChannels(int i, float* percent, float* milliwatts);
  bool readNvidiaPowerPolicies(int i, float* minPercent, float* minMw, float* maxPercent,
                               float* maxMw, float* defPercent, float* defMw);
  bool readNvidiaPowerLimits(int i, float* percent, float* milliwatts);
  int readNvidiaActiveApps(GpuRecord* record);
  int getNvidiaActiveAppPid(const GpuRecord* record, int entry) const;
  const char* getNvidiaActiveAppName(const GpuRecord* record, int entry) const;
  void releaseNvidia();

  // --- AMD back-end ---
  bool ATI_Init();
  bool AMD_AGS_Run();
  bool bindADL();
  bool unbindADL();
  bool releaseADL();
  bool readAmdPower(GpuRecord* record);
  bool readAmdActivity(GpuRecord* record);
  bool readAmdFanSpeed(GpuRecord* record);
  bool readAmdTemperature(GpuRecord* record);
  // Current activity, clocks (MHz) and voltage (V); outputs may be null.
  bool readAmdCurrentClocks(GpuRecord* record, int* activity, float* gpuClock, float* memoryClock,
                            float* voltage);
  bool AMD_Display_Library_ReadPerfLevels(GpuRecord* record, bool current);
  bool startAmdPMLog(GpuRecord* record, int intervalMs);
  bool stopAmdPMLog(GpuRecord* record);
  bool readAmdPMLogSensors(GpuRecord* record);
  bool isAmdPMLogSensorSupported(const GpuRecord* record, int id) const;
  int getAmdPMLogSensorValue(const GpuRecord* record, int id) const;

  // Plain facts (read by the facade and the summary).
  uint8_t featureFlags[kFeatureFlagCount];
  int vendorKind;
  char glVendor[kCapsTextSize];
  char glRenderer[kCapsTextSize];
  char driverVersion[kCapsTextSize];
  char driverDate[kCapsTextSize];
  char biosString[kCapsTextSize];
  float glVersionNumber;
  int glMajor;
  int glMinor;
  char glslVersion[kCapsTextSize];
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
  int maxVertexBindableUniforms;
  int maxGeometryBindableUniforms;
  int maxFragmentBindableUniforms;
  float maxPointSize;
  float maxAnisotropy;
  int samples;
  float maxTessGenLevel;
  int primaryAmdComputeUnits;
  // Further limits the OpenGL readers keep.
  char glVersionString[kCapsTextSize];
  int glExtensionCount;
  int wglExtensionCount;
  int maxTessControlTextureImageUnits;
  int maxTessEvaluationTextureImageUnits;
  int maxTessControlUniformComponents;
  int maxTessEvaluationUniformComponents;
  int maxElementsVertices;
  int maxElementsIndices;
  int maxShininess;
  int maxSpotExponent;
  int maxVertexAttribs;
  int maxColorAttachments;
  int maxRectangleTextureSize;
  int maxBindableUniformSize;
  int maxGeometryOutputVertices;
  int minProgramTexelOffset;
  int maxProgramTexelOffset;
  int maxArrayTextureLayers;
  int maxTextureBufferSize;
  // Driver facts of the primary display device from the registry.
  char driverDesc[kCapsTextSize];
  char deviceDescription[kCapsTextSize];
  char openGLDriverName[kCapsTextSize];
  char adapterString[kCapsTextSize];
  char chipType[kCapsTextSize];
  char dacType[kCapsTextSize];
  char catalystVersion[kCapsTextSize];
  char releaseVersion[kCapsTextSize];
  uint64_t registryMemoryBytes;
  int defaultSwapInterval;

  bool initGraphicsControllerData();
  bool readDriverRegistryDataNT6();
  bool readDriverRegistryDataLegacy();

  char cpuName[kCpuTextSize];
  char cpuSerial[kCpuTextSize];
  int cpuCoresPerPackage;
  int cpuLogicalProcessors;
  int cpuSpeedMHz;
  int cpuFamily, cpuExtFamily, cpuModel, cpuExtModel, cpuStepping, cpuExtStepping;
  int cpuVendor;  // 1 Intel, 2 AMD, 3 other
  uint32_t totalPhysicalBytes;
  uint64_t totalPhysicalKB;
  uint64_t installedMemoryMB;
  uint8_t hasMmx, hasSse, hasSse2, hasSse3, hasLeaf1Ecx6;
  uint8_t hasTwoCores;
  uint8_t hyperThreading;
  int hyperThreadingCount;

  char osName[kCpuTextSize];
  char osShortName[kCpuTextSize];
  char osServicePack[kCpuTextSize];

  DisplayDeviceSlot displayDevices[kMaxDisplayDevices];
  char m_display_device_id_string[kCapsTextSize];
  char m_display_device_name[kCapsTextSize];
  char m_display_device_string[kCapsTextSize];
  char primaryRevision[3];
  int primaryVendorId;
  int primaryDeviceId;
  int primarySubsysVendorId;
  int primarySubsysDeviceId;

  NvidiaCapsState nv;
  AmdCapsState amd;

  PtrList capsList;
  PtrList msaaModes;
  PtrList extensions;
  PtrList spirvExtensions;

 private:
  bool m_hasDisplayDevice;
  void clearLists();
};

// The facade's GPU list (owned by the library state).
PtrList& DetectionGpuList();
GpuRecord* DetectionGpuAt(int index);

// Codename, TMUs, ROPs and TDP of a record from the built-in GPU database.
void FillRecordFromGpuDatabase(GpuRecord* record);
// The database row of the record's id string (-1 none); the ids the record
// lacks (still 0) are taken from the string on the way.
int FindRecordRowFromIdString(GpuRecord* record);

// Database columns the facade reads once and keeps in the record.
enum GpuDbColumn { kGpuDbVertexShaders, kGpuDbPixelShaders, kGpuDbTdp };
// A column of the record's database row; 0 or less when there is none.
int GpuDatabaseValue(const GpuRecord* record, GpuDbColumn column);
// Unified shader count of the record's row, with the integrated-GPU rule
// that derives it from the CPU class; 0 or less when there is none.
int GpuDatabaseShaderCores(const GpuRecord* record, const char* cpuName);
