// The AMD back-end and AMD GPU Services fed garbage by the fake display
// library: adapter counts at the readers' limits and beyond, adapter records
// of random bytes, texts that fill their fields without a terminator, and
// random counts and values in every live read. No read may leave its tables
// or buffers, and every text the records keep is terminated.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "../common/Fuzz.h"
#include "AmdFakes.h"
#include "detect/amd/Ags.h"
#include "detect/HardwareCaps.h"
#include "tests/hardware/FakeDisplays.h"

namespace {

const char* const kUdids[] = {
    "PCI_VEN_1002&DEV_67DF&SUBSYS_0C051002&REV_C7_4&1&0&0019A",
    "PCI_VEN_1002&DEV_67DF&SUBSYS_DEADBEEF&REV_C7_4&1&0&0019A",
    "PCI_VEN_1002&DEV_73BF&SUBSYS_0E3A1002&REV_C1_4&2&0&0019A",
    "PCI_VEN_1002&DEV_68F9",
    "PCI_VEN_1002",
    ""};

FakeAdlAdapter randomAdapter(Fuzz& f, int index) {
  static const int kVersions[] = {4, 5, 6, 7, 8, 9};
  FakeAdlAdapter a = MakeAdapter(index, static_cast<int>(f.range(-1, 300)), f.pick(kUdids), f.pick(kVersions));
  // Long texts: the fake pads them with random bytes to the field's end.
  snprintf(a.name, sizeof(a.name), "%s", std::string(sizeof(a.name) - 1, 'N').c_str());
  snprintf(a.memType, sizeof(a.memType), "%s", std::string(sizeof(a.memType) - 1, 'M').c_str());
  a.exists = static_cast<int>(f.range(0, 1));
  a.failReads = f.chance(10) ? 1 : 0;
  a.temperatureMilli = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
  a.fanPercent = static_cast<int>(f.range(-1000, 1000));
  a.fanRpm = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
  a.activity = static_cast<int>(f.range(-1000, 1000));
  a.engineClock = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
  a.memoryClock = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
  a.numLevels = static_cast<int>(f.range(0, kFakeMaxLevels));
  for (int i = 0; i < a.numLevels; ++i) {
    a.levelEngine[i] = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
    a.levelMemory[i] = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
    a.levelVddc[i] = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
  }
  a.sensorCount = static_cast<int>(f.range(0, kFakeMaxSensors));
  for (int i = 0; i < a.sensorCount; ++i) {
    a.sensorIds[i] = static_cast<int>(f.range(-5, 400));
    a.sensorValues[i] = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
  }
  a.supportCount = static_cast<int>(f.range(0, kFakeMaxSensors));
  for (int i = 0; i < a.supportCount; ++i) a.supportIds[i] = static_cast<int>(f.range(-5, 400));
  a.pairCount = static_cast<int>(f.range(0, kFakeMaxPairs));
  for (int i = 0; i < a.pairCount; ++i) {
    a.pairs[i][0] = static_cast<unsigned>(f.range(0, 0xFFFFFFFFll));
    a.pairs[i][1] = static_cast<unsigned>(f.range(0, 0xFFFFFFFFll));
  }
  a.coreGeneration = static_cast<int>(f.range(0, 4));
  a.coreUnits = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
  a.corePes = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
  a.memSize = f.range(INT64_MIN / 2, INT64_MAX / 2);
  a.displays = static_cast<int>(f.range(0, 20));
  a.slsColumns = static_cast<int>(f.range(0, 4));
  a.slsRows = static_cast<int>(f.range(0, 3));
  a.slsWidth = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
  a.slsHeight = static_cast<int>(f.range(INT32_MIN, INT32_MAX));
  a.slsBezel = static_cast<int>(f.range(0, 1));
  a.slsOverstated = f.chance(20) ? 1 : 0;
  return a;
}

bool terminated(const char* text, size_t size) { return strnlen(text, size) < size; }

TEST(FuzzAmd, DisplayLibraryGarbage) {
  InstalledFake fake(L"full", {L"atiadlxx.dll"});
  ASSERT_TRUE(fake.ok());
  FakeDisplays displays({});
  static const int kReported[] = {1, 3, 4, 5, 1023, 1024, 1025, 3000};
  Fuzz f("display library garbage", 20261212, 60, 5000);
  while (f.next()) {
    FakeAdlScenario s = {};
    s.garbageSeed = static_cast<unsigned>(f.range(1, 0xFFFFFFFFll));
    s.adapterCount = static_cast<int>(f.range(0, kFakeMaxAdapters));
    s.reportedCount = f.pick(kReported);
    for (int i = 0; i < s.adapterCount; ++i) s.adapters[i] = randomAdapter(f, i);
    snprintf(s.driverVersion, sizeof(s.driverVersion), "%s", std::string(sizeof(s.driverVersion) - 1, 'D').c_str());
    f.note("adapters " + std::to_string(s.adapterCount) + ", reported " + std::to_string(s.reportedCount) +
           ", garbage seed " + std::to_string(s.garbageSeed));
    ASSERT_TRUE(fake.configure(s)) << f.describe();

    HardwareCaps caps;
    caps._readDisplayDeviceData();
    caps.ATI_Init();
    for (int i = 0; i < DetectionGpuList().count(); ++i) {
      GpuRecord* r = DetectionGpuAt(i);
      caps.readAmdTemperature(r);
      caps.readAmdFanSpeed(r);
      caps.readAmdActivity(r);
      caps.readAmdPower(r);
      int activity = 0;
      float gpu = 0, memory = 0, voltage = 0;
      caps.readAmdCurrentClocks(r, &activity, &gpu, &memory, &voltage);
      caps.AMD_Display_Library_ReadPerfLevels(r, true);
      if (caps.startAmdPMLog(r, 500)) {
        caps.readAmdPMLogSensors(r);
        caps.stopAmdPMLog(r);
      }
      for (const char* text : {r->name, r->codename, r->memoryType, r->deviceIdString, r->deviceName})
        EXPECT_TRUE(terminated(text, kGpuTextSize)) << f.describe();
      EXPECT_TRUE(terminated(r->biosString, kGpuRegistryTextSize)) << f.describe();
      EXPECT_TRUE(terminated(r->amdFamilyName, sizeof(r->amdFamilyName))) << f.describe();
    }
    caps.release();

    AgsContext* context = nullptr;
    AgsGpuInfo info = {};
    if (agsInitialize(kAgsVersion600, nullptr, &context, &info) == kAgsSuccess) {
      if (info.driverVersion) {
        EXPECT_LT(strnlen(info.driverVersion, 4096), 4096u) << f.describe();
      }
      agsDeInitialize(context);
    }
    if (HasFailure()) break;
  }
}

}  // namespace
