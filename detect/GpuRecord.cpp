#include "detect/GpuRecord.h"

#include <cstdlib>
#include <cstring>

void SensorTriple::update(float value) {
  current = value;
  if (value < minimum) minimum = value;
  if (value > maximum) maximum = value;
}

void copyText(char* dest, int destSize, const char* src) {
  if (!dest || destSize <= 0) return;
  if (!src) {
    dest[0] = '\0';
    return;
  }
  size_t n = strnlen(src, static_cast<size_t>(destSize) - 1);
  memcpy(dest, src, n);
  dest[n] = '\0';
}

GpuRecord::GpuRecord() {
  // Plain data: start from zero, then the stated defaults.
  static_assert(sizeof(NvidiaGpuData) > 0, "");
  memset(static_cast<void*>(this), 0, sizeof(*this));
  databaseRow = -1;
  busId = -1;
  adlAdapterIndex = -1;
  for (int& v : powerTune) v = kPowerTuneUnavailable;
  socPowerWatts = asicPowerWatts = -1.0f;
  for (SensorTriple& s : sensors) s = {0.0f, 1000.0f, -1000.0f};
  fanPercent = fanRpm = gpuLoad = liveValue4 = frameBufferLoad = liveValue6 = -1.0f;
  static const char* const kLimitNames[] = {"power", "temperature", "voltage",
                                            "overvoltage", "utilization", "boost_sync"};
  for (int i = 0; i < kPerfLimitNameCount; ++i) {
    perfLimitNames[i] = static_cast<char*>(calloc(kGpuTextSize, 1));
    if (perfLimitNames[i] && i < 6) copyText(perfLimitNames[i], kGpuTextSize, kLimitNames[i]);
  }
  displaySlot = kNoDisplaySlot;
}

GpuRecord::~GpuRecord() {
  for (char*& p : perfLimitNames) {
    free(p);
    p = nullptr;
  }
  free(perfLevels);
  perfLevels = nullptr;
}
