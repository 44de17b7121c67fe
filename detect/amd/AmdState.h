// What the AMD back-end keeps in the hardware object and in each of its GPU
// records.
#pragma once
#include <cstdint>

const int kAmdPmLogSensorCount = 256;

// Per-GPU data of an AMD record (kind 2).
struct AmdGpuData {
  unsigned int pmLogDevice;  // performance-log device (0 = none)
  void* pmLogBuffer;         // the sampler's shared memory while logging
  int pmLogValues[kAmdPmLogSensorCount];  // last value per sensor id
  // From AMD GPU Services.
  char radeonSoftwareVersion[128];
  char driverVersion[128];
  bool isPrimaryDevice;
  int numDisplays;
  float teraFlops;
};

// Back-end state kept in the hardware object.
struct AmdCapsState {
  int amdGpuCount;
  int crossFireGpuCount;
  void* adlLibrary;    // the display library's module (null: not bound)
  void* adapterTable;  // owned array of adapter-information records
  int adapterCount;
};

// One performance level as the back-end keeps it in a record's level table
// (each row of five 32-bit values holds these fields).
struct AmdPerfLevel {
  int32_t id;
  float gpuClockMHz;
  float memoryClockMHz;
  float thirdClockMHz;
  float voltage;  // V
};
static_assert(sizeof(AmdPerfLevel) == 5 * sizeof(int32_t), "one row of the level table");
