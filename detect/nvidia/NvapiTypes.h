// The NVIDIA driver library's calling interface as this program uses it:
// status values, interface ids, handles, and the structures passed by
// pointer. Every structure starts with a version word whose low 16 bits are
// the structure's size and whose high 16 bits are its version number; the
// static_asserts below hold the declared layouts to those sizes on both
// architectures. Structures are declared as this program reads them:
// members it does not use are kept as reserved words.
//
// The same declarations build the test tree's stand-in driver library.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

typedef uint32_t NvU32;
typedef int32_t NvS32;

// Entry points of the driver library use the C calling convention.
#define QV_NVAPI_CALL __cdecl

// Status values.
enum : int {
  kNvapiOk = 0,
  kNvapiError = -1,
  kNvapiLibraryNotFound = -2,
  kNvapiNoImplementation = -3,
  kNvapiIncompatibleVersion = -9,
};

// Opaque driver handles.
struct NvPhysicalGpuTag;
struct NvLogicalGpuTag;
struct NvDisplayTag;
typedef NvPhysicalGpuTag* NvPhysicalGpuHandle;
typedef NvLogicalGpuTag* NvLogicalGpuHandle;
typedef NvDisplayTag* NvDisplayHandle;

const int kNvMaxPhysicalGpus = 64;
const int kNvMaxLogicalGpus = 64;
const int kNvMaxDisplayHandles = 128;
const int kNvShortString = 64;

constexpr NvU32 nvStructVersion(size_t size, NvU32 version) {
  return static_cast<NvU32>(size) | (version << 16);
}

// Interface ids answered by nvapi_QueryInterface.
enum : NvU32 {
  kNvIdInitialize = 0x0150E828,
  kNvIdPreCallHook = 0x33C7358C,
  kNvIdPostCallHook = 0x593E8644,
  kNvIdGetInterfaceVersionString = 0x01053FA5,
  kNvIdGetDisplayDriverVersion = 0xF951A4D1,
  kNvIdSysGetDriverAndBranchVersion = 0x2926AAAD,
  kNvIdSysGetDriverInformation = 0x721FACEB,
  kNvIdEnumNvidiaDisplayHandle = 0x9ABDD40D,
  kNvIdEnumLogicalGpus = 0x48B3EA59,
  kNvIdEnumPhysicalGpus = 0xE5AC921F,
  kNvIdGetPhysicalGpusFromDisplay = 0x34EF9506,
  kNvIdStartupFourValues = 0x3092AC32,
  kNvIdGpuStartupFlag = 0xFA579A0F,
  kNvIdGpuGetFullName = 0xCEEE8E9F,
  kNvIdGpuGetPciIdentifiers = 0x2DDFB66E,
  kNvIdGpuGetBusId = 0x1BE0B8E5,
  kNvIdGpuGetBrandType = 0x052D0709,
  kNvIdGpuGetVbiosVersionString = 0xA561FD7D,
  kNvIdGpuGetPhysicalFrameBufferSize = 0x46FBEB03,
  kNvIdGpuGetRamType = 0x57F7CAAC,
  kNvIdGpuGetRamMaker = 0x42AEA16A,
  kNvIdGpuGetRamBusWidthAndLocation = 0x11104158,
  kNvIdGpuGetGpuCoreCount = 0xC7026A87,
  kNvIdGpuGetRopCount = 0xFDC129FA,
  kNvIdGpuGetRtAndTensorCores = 0xAFD1B02C,
  kNvIdGpuGetArchInfo = 0xD8265D24,
  kNvIdGpuGetThermalSettings = 0xE3640A56,
  kNvIdGpuGetTachReading = 0x5F608315,
  kNvIdGpuGetCoolerSettings = 0xDA141340,
  kNvIdGpuGetFanCoolersInfo = 0xFB85B01E,
  kNvIdGpuGetFanCoolersStatus = 0x35AED5E8,
  kNvIdGpuGetAllClockFrequencies = 0xDCB616C3,
  kNvIdGpuGetCurrentPstate = 0x927DA4F6,
  kNvIdGpuGetPstates20 = 0x6FF81213,
  kNvIdGpuGetPstatesInfo = 0xBA94C56E,
  kNvIdGpuGetCoreVoltage = 0x465F9BCF,
  kNvIdGpuGetVoltageDomainsStatus = 0xC16C7E2C,
  kNvIdGpuGetPowerTopologyStatus = 0xEDCF624E,
  kNvIdGpuGetPowerPoliciesInfo = 0x34206D86,
  kNvIdGpuGetPowerPoliciesStatus = 0x70916171,
  kNvIdGpuQueryActiveAppsWithFlags = 0x655DCD32,
  kNvIdGpuQueryActiveApps = 0x65B1C5F5,
  kNvIdGpuGetUsages = 0x189A1FDF,
};

// nvapi_QueryInterface and the library's call hooks.
typedef void*(QV_NVAPI_CALL* NvQueryInterfaceFn)(NvU32 id);
typedef int(QV_NVAPI_CALL* NvInitializeFn)();
typedef void(QV_NVAPI_CALL* NvPreCallHookFn)(NvU32 id, NvU32 words[2]);
typedef void(QV_NVAPI_CALL* NvPostCallHookFn)(NvU32 id, NvU32 words[2], int status);

// Display driver version (version 1).
struct NvDisplayDriverVersion {
  NvU32 version;
  NvU32 driverVersion;  // x 100
  NvU32 buildChangeList;
  char buildBranch[kNvShortString];
  char adapter[kNvShortString];
};
const NvU32 kNvDisplayDriverVersionVer = 0x1008C;

// System driver information (version 1): driver version x 100 and the
// build-branch text.
struct NvSysDriverInformation {
  NvU32 version;
  NvU32 driverVersion;
  NvU32 reserved;
  char buildBranch[kNvShortString];
};
const NvU32 kNvSysDriverInformationVer = 0x1004C;

// Architecture (version 2).
struct NvArchInfo {
  NvU32 version;
  NvU32 architecture;
  NvU32 implementation;
  NvU32 revision;
};
const NvU32 kNvArchInfoVer = 0x20010;

// RT and tensor core counts (version 2).
struct NvRtAndTensorCores {
  NvU32 version;
  NvU32 reserved[3];
  NvU32 rtCores;      // byte 16
  NvU32 tensorCores;  // byte 20
  NvU32 reserved2[14];
};
const NvU32 kNvRtAndTensorCoresVer = 0x20050;

// Thermal settings (version 1): three sensors.
const int kNvThermalSensors = 3;
const NvU32 kNvThermalAllSensors = 15;
enum : NvU32 { kNvThermalTargetGpu = 1, kNvThermalTargetMemory = 2,
               kNvThermalTargetPowerSupply = 4, kNvThermalTargetBoard = 8 };
struct NvThermalSensor {
  NvU32 controller;
  NvU32 defaultMinTemp;
  NvU32 defaultMaxTemp;
  NvU32 currentTemp;
  NvU32 target;
};
struct NvThermalSettings {
  NvU32 version;
  NvU32 count;
  NvThermalSensor sensor[kNvThermalSensors];
};
const NvU32 kNvThermalSettingsVer = 0x10044;

// Cooler settings (version 4): up to 20 coolers.
const int kNvMaxCoolers = 20;
const NvU32 kNvAllCoolers = 7;
const NvU32 kNvCoolerTargetGpu = 1;
struct NvCooler {
  NvU32 type;
  NvU32 controller;
  NvU32 defaultMinLevel;
  NvU32 defaultMaxLevel;
  NvU32 currentMinLevel;
  NvU32 currentMaxLevel;
  NvU32 currentLevel;  // %
  NvU32 defaultPolicy;
  NvU32 currentPolicy;
  NvU32 target;
  NvU32 controlType;
  NvU32 active;
  NvU32 speedRpm;
  NvU32 supported;
  NvU32 maxSpeedRpm;
  NvU32 minSpeedRpm;
  NvU32 reserved;
};
struct NvCoolerSettings {
  NvU32 version;
  NvU32 count;
  NvCooler cooler[kNvMaxCoolers];
};
const NvU32 kNvCoolerSettingsVer = 0x40558;

// Fan-cooler information (version 1): 32 rows of 12 words, which the GPU
// record keeps as they are (id, flags with bit 0 = tachometer, minimum
// and maximum RPM, then reserved words).
const int kNvFanCoolerRows = 32;
struct NvFanCoolersInfo {
  NvU32 version;
  NvU32 supported;
  NvU32 count;
  NvU32 reserved[8];
  NvU32 entry[kNvFanCoolerRows][12];
};
const NvU32 kNvFanCoolersInfoVer = 0x1062C;

// Fan-cooler status (version 1): 32 rows of 13 words, the first five of
// which are the cooler id, current RPM, minimum, maximum and current level.
struct NvFanCoolersStatus {
  NvU32 version;
  NvU32 count;
  NvU32 reserved[8];
  NvU32 entry[kNvFanCoolerRows][13];
};
const NvU32 kNvFanCoolersStatusVer = 0x106A8;

// Clock frequencies (version 3): 32 public clock domains.
const int kNvClockDomains = 32;
enum : NvU32 { kNvClockGraphics = 0, kNvClockMemory = 4, kNvClockProcessor = 7 };
struct NvClockDomain {
  NvU32 flags;  // bit 0: present
  NvU32 frequencyKHz;
};
struct NvClockFrequencies {
  NvU32 version;
  NvU32 clockType;  // low four bits: 0 current, 1 base, 2 boost, 3 ...
  NvClockDomain domain[kNvClockDomains];
};
const NvU32 kNvClockFrequenciesVer = 0x30108;

// Performance states, version 1 and version 3 (which adds the
// over-voltage block at the end).
const int kNvMaxPstates = 16;
const int kNvPstates20Clocks = 8;
const int kNvPstates20Voltages = 4;
struct NvParamDelta {
  NvS32 value;
  NvS32 minimum;
  NvS32 maximum;
};
struct NvPstate20Clock {
  NvU32 domainId;
  NvU32 typeId;  // 0 single frequency, 1 range
  NvU32 flags;
  NvParamDelta frequencyDeltaKHz;
  NvU32 frequencyKHz;  // single frequency, or the range's minimum
  NvU32 rangeMaxKHz;
  NvU32 rangeDomainId;
  NvU32 rangeMinVoltageUV;
  NvU32 rangeMaxVoltageUV;
};
struct NvPstate20Voltage {
  NvU32 domainId;
  NvU32 flags;
  NvU32 voltageUV;
  NvParamDelta voltageDeltaUV;
};
struct NvPstate20 {
  NvU32 pstateId;
  NvU32 flags;
  NvPstate20Clock clock[kNvPstates20Clocks];
  NvPstate20Voltage baseVoltage[kNvPstates20Voltages];
};
struct NvPstates20V1 {
  NvU32 version;
  NvU32 flags;
  NvU32 numPstates;
  NvU32 numClocks;
  NvU32 numBaseVoltages;
  NvPstate20 pstate[kNvMaxPstates];
};
struct NvPstates20 {
  NvU32 version;
  NvU32 flags;
  NvU32 numPstates;
  NvU32 numClocks;
  NvU32 numBaseVoltages;
  NvPstate20 pstate[kNvMaxPstates];
  NvU32 numOverVoltages;
  NvPstate20Voltage overVoltage[kNvPstates20Voltages];
};
const NvU32 kNvPstates20Ver3 = 0x31CF8;
const NvU32 kNvPstates20Ver1 = 0x11C94;

// Older performance-state information (version 2).
const int kNvPstatesInfoClocks = 32;
const int kNvPstatesInfoVoltages = 16;
struct NvPstateInfoClock {
  NvU32 domainId;
  NvU32 flags;
  NvU32 frequencyKHz;
};
struct NvPstateInfoVoltage {
  NvU32 domainId;
  NvU32 flags;
  NvU32 milliVolts;
};
struct NvPstateInfo {
  NvU32 pstateId;
  NvU32 flags;
  NvPstateInfoClock clock[kNvPstatesInfoClocks];
  NvPstateInfoVoltage voltage[kNvPstatesInfoVoltages];
};
struct NvPstatesInfo {
  NvU32 version;
  NvU32 flags;
  NvU32 numPstates;
  NvU32 numClocks;
  NvU32 numVoltages;
  NvPstateInfo pstate[kNvMaxPstates];
};
const NvU32 kNvPstatesInfoVer = 0x32494;

// Core voltage (version 1): valid when `status` is 0.
struct NvCoreVoltage {
  NvU32 version;
  NvU32 flags;
  NvU32 reserved[7];
  NvU32 status;     // byte 36
  NvU32 voltageUV;  // byte 40
  NvU32 reserved2[8];
};
const NvU32 kNvCoreVoltageVer = 0x1004C;

// Voltage-domain status (version 1): 16 entries.
const int kNvVoltageDomains = 16;
struct NvVoltageDomainEntry {
  NvU32 domainId;
  NvU32 voltageUV;
};
struct NvVoltageDomainsStatus {
  NvU32 version;
  NvU32 flags;
  NvU32 count;
  NvVoltageDomainEntry entry[kNvVoltageDomains];
};
const NvU32 kNvVoltageDomainsStatusVer = 0x1008C;

// Power topology status (version 1): channel count in the low byte of
// `countWord`; per channel the power in milli-percent of TDP and in mW.
const int kNvPowerChannels = 4;
struct NvPowerChannel {
  NvU32 domain;
  NvU32 reserved;
  NvU32 milliPercent;
  NvU32 milliWatts;
};
struct NvPowerTopologyStatus {
  NvU32 version;
  NvU32 countWord;
  NvPowerChannel channel[kNvPowerChannels];
};
const NvU32 kNvPowerTopologyStatusVer = 0x10048;

// Power-policy information (version 2): policy count in the second byte of
// `countWord`; 560-byte entries.
const int kNvPowerPolicies = 4;
struct NvPowerPolicyInfoEntry {
  NvU32 policyId;
  NvU32 reserved[2];
  NvU32 minMilliPercent;
  NvU32 minMilliWatts;
  NvU32 reserved2;
  NvU32 defaultMilliPercent;
  NvU32 defaultMilliWatts;
  NvU32 reserved3;
  NvU32 maxMilliPercent;
  NvU32 maxMilliWatts;
  NvU32 reserved4[129];
};
struct NvPowerPoliciesInfo {
  NvU32 version;
  NvU32 countWord;
  NvPowerPolicyInfoEntry entry[kNvPowerPolicies];
};
const NvU32 kNvPowerPoliciesInfoVer = 0x208C8;

// Power-policy status (version 2): limit count in the low byte of
// `countWord`; 340-byte entries.
struct NvPowerPolicyStatusEntry {
  NvU32 policyId;
  NvU32 reserved[2];
  NvU32 milliPercent;  // byte 20 of the structure for entry 0
  NvU32 milliWatts;    // byte 24
  NvU32 reserved2[80];
};
struct NvPowerPoliciesStatus {
  NvU32 version;
  NvU32 countWord;
  NvPowerPolicyStatusEntry entry[kNvPowerPolicies];
};
const NvU32 kNvPowerPoliciesStatusVer = 0x20558;

// One running 3D application (version 2).
const int kNvActiveAppNameSize = 256;
struct NvActiveApp {
  NvU32 version;
  NvU32 processId;
  char processName[kNvActiveAppNameSize];
};
const NvU32 kNvActiveAppVer = 0x20108;
const NvU32 kNvActiveAppsFlags = 0x8FFFFFFF;

// GPU usages (version 1): 34 words; words 3 and 7 are GPU and frame-buffer
// usage in %.
const int kNvUsageWords = 34;
const NvU32 kNvUsagesVer = 0x10088;

#define QV_NV_SIZE_MATCHES(type, ver) \
  static_assert(sizeof(type) == ((ver) & 0xFFFF), #type " does not match its version word")
QV_NV_SIZE_MATCHES(NvDisplayDriverVersion, kNvDisplayDriverVersionVer);
QV_NV_SIZE_MATCHES(NvSysDriverInformation, kNvSysDriverInformationVer);
QV_NV_SIZE_MATCHES(NvArchInfo, kNvArchInfoVer);
QV_NV_SIZE_MATCHES(NvRtAndTensorCores, kNvRtAndTensorCoresVer);
QV_NV_SIZE_MATCHES(NvThermalSettings, kNvThermalSettingsVer);
QV_NV_SIZE_MATCHES(NvCoolerSettings, kNvCoolerSettingsVer);
QV_NV_SIZE_MATCHES(NvFanCoolersInfo, kNvFanCoolersInfoVer);
QV_NV_SIZE_MATCHES(NvFanCoolersStatus, kNvFanCoolersStatusVer);
QV_NV_SIZE_MATCHES(NvClockFrequencies, kNvClockFrequenciesVer);
QV_NV_SIZE_MATCHES(NvPstates20, kNvPstates20Ver3);
QV_NV_SIZE_MATCHES(NvPstates20V1, kNvPstates20Ver1);
QV_NV_SIZE_MATCHES(NvPstatesInfo, kNvPstatesInfoVer);
QV_NV_SIZE_MATCHES(NvCoreVoltage, kNvCoreVoltageVer);
QV_NV_SIZE_MATCHES(NvVoltageDomainsStatus, kNvVoltageDomainsStatusVer);
QV_NV_SIZE_MATCHES(NvPowerTopologyStatus, kNvPowerTopologyStatusVer);
QV_NV_SIZE_MATCHES(NvPowerPoliciesInfo, kNvPowerPoliciesInfoVer);
QV_NV_SIZE_MATCHES(NvPowerPoliciesStatus, kNvPowerPoliciesStatusVer);
QV_NV_SIZE_MATCHES(NvActiveApp, kNvActiveAppVer);
static_assert(kNvUsageWords * sizeof(NvU32) == (kNvUsagesVer & 0xFFFF), "usage block");
static_assert(offsetof(NvCoreVoltage, status) == 36 && offsetof(NvCoreVoltage, voltageUV) == 40,
              "core voltage words");
static_assert(offsetof(NvRtAndTensorCores, rtCores) == 16 &&
                  offsetof(NvRtAndTensorCores, tensorCores) == 20, "core counts");
static_assert(offsetof(NvPowerTopologyStatus, channel[0].milliPercent) == 16, "power channel");
static_assert(offsetof(NvPowerPoliciesStatus, entry[0].milliPercent) == 20 &&
                  offsetof(NvPowerPoliciesStatus, entry[0].milliWatts) == 24, "power limit");
static_assert(sizeof(NvPowerPolicyInfoEntry) == 560 && sizeof(NvPowerPolicyStatusEntry) == 340,
              "power policy entries");
static_assert(sizeof(NvFanCoolersInfo::entry) == 1536 && sizeof(NvFanCoolersStatus::entry) == 1664,
              "fan cooler tables");
#undef QV_NV_SIZE_MATCHES

// The control-panel library (older NVIDIA interface).
struct NvCplDisplayInfo {
  NvU32 size;  // 2316
  NvS32 word1;  // -1 on input
  NvU32 flags;  // bit 0x40000000: `monitorValue` is valid
  NvS32 word3;  // -1 on input
  uint8_t reserved[264];
  char displayText[256];  // byte 280
  char driverVersion[256];  // byte 536
  uint8_t reserved2[952];
  NvS32 monitorValue;  // byte 1744
  uint8_t reserved3[568];
};
static_assert(sizeof(NvCplDisplayInfo) == 2316, "control-panel display info");
static_assert(offsetof(NvCplDisplayInfo, displayText) == 280 &&
                  offsetof(NvCplDisplayInfo, driverVersion) == 536 &&
                  offsetof(NvCplDisplayInfo, monitorValue) == 1744, "display info offsets");
const NvU32 kNvCplMonitorValueValid = 0x40000000;

typedef BOOL(WINAPI* NvCplGetThermalSettingsFn)(unsigned display, unsigned long* core,
                                               unsigned long* ambient, unsigned long* upper);
typedef BOOL(WINAPI* NvGetDisplayInfoFn)(const char* display, NvCplDisplayInfo* info);
typedef BOOL(__cdecl* NvCplGetDataIntFn)(long id, long* value);
