// One GPU of the detection library's GPU list (sorted by PCI bus id).
#pragma once
#include <cstdint>

#include "detect/amd/AmdState.h"
#include "detect/nvidia/NvidiaState.h"

// Vendor kinds of a record: which back-end filled it.
enum GpuKind { kGpuKindOther = 0, kGpuKindNvidia = 1, kGpuKindAmd = 2 };

const int kNoDisplaySlot = 1000;
const int kPowerTuneUnavailable = -1000;
const int kGpuTextSize = 128;
const int kGpuRegistryTextSize = 256;
const int kActiveAppCount = 128;
const int kActiveAppEntrySize = 264;
const int kSensorTripleCount = 7;
const int kCoolerRows = 32;
const int kCoolerColumns = 12;
const int kCoolerStatusColumns = 5;
const int kPerfLimitNameCount = 16;
const int kAmdFamilyNameMax = 31;

// Current, minimum and maximum of one sensor; readings widen the range.
struct SensorTriple {
  float current;
  float minimum;
  float maximum;
  void update(float value);
};

struct GpuRecord {
  GpuRecord();
  ~GpuRecord();
  GpuRecord(const GpuRecord&) = delete;
  GpuRecord& operator=(const GpuRecord&) = delete;

  int databaseRow;
  int listIndex;
  int kind;
  int busId;
  uint8_t hasSensors;
  uint8_t hasThermalController;
  uint8_t hasOdnTemperature;
  int overdriveVersion;
  int adlAdapterIndex;
  int powerTune[5];
  float socPowerWatts;
  float asicPowerWatts;
  uint8_t pmLogSupported[256];
  uint8_t pmLogBlock[52];
  uint8_t activeApps[kActiveAppCount][kActiveAppEntrySize];
  char name[kGpuTextSize];
  char codename[kGpuTextSize];
  SensorTriple sensors[kSensorTripleCount];  // [0] is the GPU temperature
  int tmus;
  int rops;
  // AMD information block (from AMD GPU Services).
  int amdComputeUnits;
  int amdWorkgroupProcessors;
  int amdRops;
  int ratedCoreClockMHz;
  int ratedMemoryClockMHz;
  int amdReserved[4];
  int64_t amdLocalMemoryBytes;
  char amdFamilyName[kAmdFamilyNameMax + 1];
  int tdpWatts;
  int memorySizeMB;
  int memoryBandwidth;  // AMD: from AMD GPU Services, then the display library's figure
  char memoryType[kGpuTextSize];
  int memoryBusWidth;
  int memoryLocation;  // 1 GPU dedicated, 2 system shared, 3 system dedicated
  int (*perfLevels)[5];
  int numPerfLevels;
  float fanPercent;
  float fanRpm;
  float gpuLoad;
  float liveValue4;
  float frameBufferLoad;
  float liveValue6;
  int vendorId;
  int deviceId;
  int subsysVendorId;
  int subsysDeviceId;
  int revisionId;
  int perfLimitValues[kPerfLimitNameCount];
  char* perfLimitNames[kPerfLimitNameCount];
  int shaderCores;
  int vertexShaders;
  int pixelShaders;
  int rtCores;
  int tensorCores;
  char brandType[kGpuTextSize];
  uint8_t numCoolers;
  int coolers[kCoolerRows][kCoolerColumns];
  int coolerStatus[kCoolerRows][kCoolerStatusColumns];
  char driverVersion[512];
  char driverDate[kGpuRegistryTextSize];
  char releaseVersion[kGpuRegistryTextSize];
  char driverPackageVersion[kGpuRegistryTextSize];
  char adapterString[kGpuRegistryTextSize];
  char biosString[kGpuRegistryTextSize];
  int registryMemorySizeMB;
  bool hasRadeonSoftwareEdition;
  char radeonSoftwareEdition[kGpuTextSize];
  char reservedText1[kGpuTextSize];
  char reservedText2[kGpuTextSize];
  int reservedInt;
  char openGLDriverName[kGpuRegistryTextSize];
  int displaySlot;
  char deviceIdString[kGpuTextSize];
  char deviceName[kGpuTextSize];
  char displayDeviceString[kGpuTextSize];
  char deviceKey[kGpuTextSize];

  NvidiaGpuData nv;
  AmdGpuData amd;
};

// Bounded copy that always terminates (the source may be null).
void copyText(char* dest, int destSize, const char* src);

// Stores a value read from a record into an optional output: the readers
// take null for the values their caller does not want.
template <typename T>
void putOptional(T* out, T value) {
  if (out) *out = value;
}
