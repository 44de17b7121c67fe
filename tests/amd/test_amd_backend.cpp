// The AMD back-end over the fake display library: binding, records, live
// reads by Overdrive version, performance levels and the performance log.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>

#include "AmdFakes.h"
#include "detect/amd/AmdBackend.h"
#include "detect/HardwareCaps.h"
#include "tests/hardware/FakeDisplays.h"

namespace {

const char kPolarisUdid[] = "PCI_VEN_1002&DEV_67DF&SUBSYS_0C051002&REV_C7_4&1&0&0019A";
const char kCedarUdid[] = "PCI_VEN_1002&DEV_68F9&SUBSYS_21261028&REV_00_4&1&0&0019A";
const char kPolarisDisplay[] = "PCI\\VEN_1002&DEV_67DF&SUBSYS_0C051002&REV_C7";
const char kOtherDisplay[] = "PCI\\VEN_1234&DEV_1111&SUBSYS_00000000&REV_00";

GpuRecord* Record(int i) { return DetectionGpuList().count() > i ? DetectionGpuAt(i) : nullptr; }

// A hardware object bound to a fake library with a scenario.
class AmdBackendTest : public ::testing::Test {
 protected:
  void TearDown() override {
    m_caps.release();
    m_fake.reset();
    m_displays.reset();
  }
  void install(const wchar_t* variant, std::vector<std::wstring> names) {
    m_fake.reset(new InstalledFake(variant, std::move(names)));
    ASSERT_TRUE(m_fake->ok());
  }
  // Binds the full fake with the scenario; true when ATI_Init succeeded.
  bool start(const FakeAdlScenario& s, std::vector<FakeDisplay> displays = {}) {
    m_displays.reset(new FakeDisplays(std::move(displays)));
    m_caps._readDisplayDeviceData();
    if (!m_fake) install(L"full", {L"atiadlxx.dll"});
    if (!m_fake->configure(s)) return false;
    return m_caps.ATI_Init();
  }
  static FakeAdlScenario one(FakeAdlAdapter a) {
    FakeAdlScenario s = {};
    s.adapterCount = 1;
    s.adapters[0] = a;
    return s;
  }
  HardwareCaps m_caps;
  std::unique_ptr<InstalledFake> m_fake;
  std::unique_ptr<FakeDisplays> m_displays;
};

// ---- Binding ----

struct BindCase {
  const char* what;
  const wchar_t* variant;
  const wchar_t* name;
  bool binds;
  int amdGpus;
};

class AmdBindTest : public AmdBackendTest, public ::testing::WithParamInterface<BindCase> {};

TEST_P(AmdBindTest, BindsOrReleases) {
  const BindCase& c = GetParam();
  install(c.variant, {c.name});
  m_displays.reset(new FakeDisplays({}));
  m_caps._readDisplayDeviceData();
  EXPECT_EQ(c.binds, m_caps.ATI_Init()) << c.what;
  EXPECT_EQ(c.amdGpus, m_caps.amd.amdGpuCount) << c.what;
  EXPECT_EQ(0, m_caps.amd.crossFireGpuCount);
  EXPECT_EQ(c.binds, m_caps.amd.adlLibrary != nullptr) << c.what;
  if (!c.binds) {
    EXPECT_EQ(nullptr, GetModuleHandleW(c.name)) << c.what << ": the library is freed";
    EXPECT_FALSE(m_caps.unbindADL());
  } else {
    EXPECT_TRUE(m_caps.bindADL()) << "a second bind is a no-op";
    EXPECT_TRUE(m_caps.unbindADL());
    EXPECT_EQ(nullptr, GetModuleHandleW(c.name));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, AmdBindTest,
    ::testing::Values(BindCase{"both names", L"full", L"atiadlxx.dll", true, 1},
                      BindCase{"only atiadlxy.dll", L"full", L"atiadlxy.dll", true, 1},
                      BindCase{"ADL_Overdrive_Caps missing", L"missing_required", L"atiadlxx.dll", false, 0},
                      BindCase{"create fails", L"create_fails", L"atiadlxx.dll", false, 0},
                      BindCase{"zero adapters", L"zero_adapters", L"atiadlxx.dll", false, 0}));

// ---- Records ----

TEST_F(AmdBackendTest, RecordIdsNameUnitsMemoryAndBios) {
  FakeAdlAdapter a = MakeAdapter(0, 4, kPolarisUdid, 7);
  a.coreGeneration = 2;
  a.coreUnits = 32;
  a.corePes = 64;
  a.coreRops = 48;
  a.memSize = 6LL << 30;
  snprintf(a.biosVersion, sizeof(a.biosVersion), "015.050");
  snprintf(a.biosPart, sizeof(a.biosPart), "113-C94");
  snprintf(a.biosDate, sizeof(a.biosDate), "2016/05/24");
  ASSERT_TRUE(start(one(a)));
  GpuRecord* r = Record(0);
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(kGpuKindAmd, r->kind);
  EXPECT_EQ(4, r->busId);
  EXPECT_EQ(7, r->overdriveVersion);
  EXPECT_EQ(1, r->hasSensors);
  EXPECT_EQ(0x1002, r->vendorId);
  EXPECT_EQ(0x67DF, r->deviceId);
  EXPECT_EQ(0x0C05, r->subsysDeviceId);
  EXPECT_EQ(0x1002, r->subsysVendorId);
  EXPECT_STREQ("AMD Radeon RX 480", r->name);
  EXPECT_STREQ("Polaris 10", r->codename);
  EXPECT_EQ(32 * 64, r->shaderCores) << "GCN: units times elements per unit";
  EXPECT_EQ(48, r->rops) << "GCN: the core's ROPs";
  EXPECT_EQ(6144, r->memorySizeMB);
  EXPECT_STREQ("GDDR5", r->memoryType);
  EXPECT_STREQ("015.050/113-C94 (2016/05/24)", r->biosString);
  EXPECT_STREQ("SYSTEM\\ControlSet001\\Control\\Class\\{test}\\0000", r->deviceKey);
  EXPECT_STREQ("Adapter 0", r->deviceName);
}

TEST_F(AmdBackendTest, RdnaKeepsDatabaseRopsAndCedarBoardGetsItsName) {
  FakeAdlScenario s = {};
  s.adapterCount = 2;
  s.adapters[0] = MakeAdapter(0, 1, kPolarisUdid, 8);
  s.adapters[0].coreGeneration = 3;
  s.adapters[0].coreUnits = 20;
  s.adapters[0].corePes = 128;
  s.adapters[0].coreRops = 99;
  s.adapters[1] = MakeAdapter(1, 2, kCedarUdid, 5);
  snprintf(s.adapters[1].biosPart, sizeof(s.adapters[1].biosPart), "xxx-xxx-xxx");
  snprintf(s.adapters[1].biosVersion, sizeof(s.adapters[1].biosVersion), "012.020");
  ASSERT_TRUE(start(s));
  ASSERT_EQ(2, DetectionGpuList().count());
  EXPECT_EQ(20 * 128, Record(0)->shaderCores);
  EXPECT_EQ(32, Record(0)->rops) << "RDNA: the database's ROPs";
  EXPECT_STREQ("ATI Radeon HD 6350", Record(1)->name);
  EXPECT_STREQ("012.020", Record(1)->biosString) << "placeholder part number and empty date left out";
}

TEST_F(AmdBackendTest, LongBiosTextsAreBounded) {
  FakeAdlAdapter a = MakeAdapter(0, 1, kPolarisUdid, 7);
  memset(a.biosVersion, 'V', sizeof(a.biosVersion) - 1);
  memset(a.biosPart, 'P', sizeof(a.biosPart) - 1);
  memset(a.biosDate, 'D', sizeof(a.biosDate) - 1);
  a.biosVersion[200] = '\0';  // the part number then runs past the field
  ASSERT_TRUE(start(one(a)));
  const char* bios = Record(0)->biosString;
  ASSERT_EQ(sizeof(Record(0)->biosString) - 1, strlen(bios));
  EXPECT_EQ('V', bios[199]);
  EXPECT_EQ('/', bios[200]);
  EXPECT_EQ('P', bios[254]);
}

// Identical boards: each display-device slot goes to one GPU only, also to
// the third one (its strings and key, and so its registry data, are its own).
TEST_F(AmdBackendTest, IdenticalGpusTakeDistinctDisplaySlots) {
  FakeAdlScenario s = {};
  s.adapterCount = 3;
  for (int i = 0; i < 3; ++i) s.adapters[i] = MakeAdapter(i, i + 1, kPolarisUdid, 7);
  ASSERT_TRUE(start(s, {{kPolarisDisplay, "\\\\.\\DISPLAY1", "Radeon A", "k0"},
                        {kOtherDisplay, "\\\\.\\DISPLAY2", "Other", "k1"},
                        {kPolarisDisplay, "\\\\.\\DISPLAY3", "Radeon B", "k2"},
                        {kOtherDisplay, "\\\\.\\DISPLAY4", "Other", "k3"},
                        {kPolarisDisplay, "\\\\.\\DISPLAY5", "Radeon C", "k4"}}));
  ASSERT_EQ(3, DetectionGpuList().count());
  const int slots[] = {0, 2, 4};
  const char* texts[] = {"Radeon A", "Radeon B", "Radeon C"};
  const char* keys[] = {"k0", "k2", "k4"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(slots[i], Record(i)->displaySlot);
    EXPECT_STREQ(texts[i], Record(i)->displayDeviceString);
    EXPECT_STREQ(keys[i], Record(i)->deviceKey);
  }
}

// ---- Live reads by Overdrive version ----

struct LiveCase {
  int od;
  float temperature, fanPercent, fanRpm, activity;
  int powerMin, powerMax, powerCurrent;
};

class AmdLiveTest : public AmdBackendTest, public ::testing::WithParamInterface<LiveCase> {};

FakeAdlAdapter LiveAdapter(int od) {
  FakeAdlAdapter a = MakeAdapter(0, 1, kPolarisUdid, od);
  a.temperatureMilli = 65500;
  a.fanPercent = 40;
  a.fanRpm = 1200;
  a.fanTarget = 2400;
  a.activity = 37;
  a.powerMin = -50;
  a.powerMax = 50;
  a.powerCurrent = 10;
  a.powerDefault = 0;
  a.tdpLimit = 150;
  const int ids[] = {8, 9, 14, 15, 17, 19, 20, 23};
  const int values[] = {70, 80, 1800, 55, 120, 64, 30, 140};
  a.sensorCount = 8;
  for (int i = 0; i < 8; ++i) {
    a.sensorIds[i] = ids[i];
    a.sensorValues[i] = values[i];
  }
  return a;
}

TEST_P(AmdLiveTest, ReadsIntoTheRecord) {
  const LiveCase& c = GetParam();
  ASSERT_TRUE(start(one(LiveAdapter(c.od))));
  GpuRecord* r = Record(0);
  ASSERT_NE(nullptr, r);
  ASSERT_TRUE(m_caps.readAmdTemperature(r));
  EXPECT_FLOAT_EQ(c.temperature, r->sensors[0].current);
  ASSERT_TRUE(m_caps.readAmdFanSpeed(r));
  EXPECT_FLOAT_EQ(c.fanPercent, r->fanPercent);
  EXPECT_FLOAT_EQ(c.fanRpm, r->fanRpm);
  ASSERT_TRUE(m_caps.readAmdActivity(r));
  EXPECT_FLOAT_EQ(c.activity, r->gpuLoad);
  ASSERT_TRUE(m_caps.readAmdPower(r));
  EXPECT_EQ(c.powerMin, r->powerTune[0]);
  EXPECT_EQ(c.powerMax, r->powerTune[1]);
  EXPECT_EQ(c.powerCurrent, r->powerTune[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, AmdLiveTest,
    ::testing::Values(LiveCase{5, 65.5f, 40, 1200, 37, -50, 50, kPowerTuneUnavailable},
                      LiveCase{6, 65.5f, 40, 1200, 37, -50, 50, 10},
                      LiveCase{7, 65.5f, 50, 1200, 37, -50, 50, kPowerTuneUnavailable},
                      LiveCase{8, 70.0f, 55, 1800, 64, kPowerTuneUnavailable, kPowerTuneUnavailable, 120}));

TEST_F(AmdBackendTest, Overdrive8PowerMemoryAndTemperatureSensors) {
  FakeAdlAdapter a = LiveAdapter(8);
  a.sensorCount = 7;  // drop the ASIC power sensor
  ASSERT_TRUE(start(one(a)));
  GpuRecord* r = Record(0);
  r->sensors[5].current = 42.0f;
  ASSERT_TRUE(m_caps.readAmdPower(r));
  EXPECT_FLOAT_EQ(120.0f, r->socPowerWatts);
  EXPECT_FLOAT_EQ(-1.0f, r->asicPowerWatts) << "unsupported sensor";
  ASSERT_TRUE(m_caps.readAmdTemperature(r));
  EXPECT_FLOAT_EQ(70.0f, r->sensors[4].current);
  EXPECT_FLOAT_EQ(80.0f, r->sensors[3].current);
  EXPECT_FLOAT_EQ(80.0f, r->sensors[6].current);
  EXPECT_FLOAT_EQ(42.0f, r->sensors[5].current) << "no hot-spot sensor: triple 6 unchanged";
  ASSERT_TRUE(m_caps.readAmdActivity(r));
  EXPECT_FLOAT_EQ(30.0f, r->liveValue4) << "memory activity";
}

TEST_F(AmdBackendTest, Overdrive7FanWithoutTargetGivesZeroPercent) {
  FakeAdlAdapter a = LiveAdapter(7);
  a.fanTarget = 0;
  ASSERT_TRUE(start(one(a)));
  ASSERT_TRUE(m_caps.readAmdFanSpeed(Record(0)));
  EXPECT_FLOAT_EQ(0.0f, Record(0)->fanPercent);
  EXPECT_FLOAT_EQ(1200.0f, Record(0)->fanRpm);
}

TEST_F(AmdBackendTest, FailingReadsGiveFalseAndLeaveTheRecordUnchanged) {
  for (int od : {5, 6, 7, 8}) {
    FakeAdlAdapter a = LiveAdapter(od);
    a.failReads = 1;
    m_caps.release();
    m_fake.reset();
    ASSERT_TRUE(start(one(a))) << od;
    GpuRecord* r = Record(0);
    r->fanPercent = 11;
    r->fanRpm = 22;
    r->gpuLoad = 33;
    r->sensors[0].current = 44;
    r->powerTune[0] = 55;
    EXPECT_FALSE(m_caps.readAmdTemperature(r)) << od;
    EXPECT_FALSE(m_caps.readAmdFanSpeed(r)) << od;
    EXPECT_FALSE(m_caps.readAmdActivity(r)) << od;
    EXPECT_FALSE(m_caps.readAmdPower(r)) << od;
    EXPECT_FALSE(m_caps.AMD_Display_Library_ReadPerfLevels(r, true)) << od;
    float clock = 66;
    EXPECT_FALSE(m_caps.readAmdCurrentClocks(r, nullptr, &clock, nullptr, nullptr)) << od;
    EXPECT_EQ(11, r->fanPercent);
    EXPECT_EQ(22, r->fanRpm);
    EXPECT_EQ(33, r->gpuLoad);
    EXPECT_EQ(44, r->sensors[0].current);
    EXPECT_EQ(55, r->powerTune[0]);
    EXPECT_EQ(66, clock);
    EXPECT_EQ(nullptr, r->perfLevels);
  }
}

TEST_F(AmdBackendTest, ReadsRefuseOtherRecordsAndUnknownVersions) {
  ASSERT_TRUE(start(one(LiveAdapter(4))));
  GpuRecord* r = Record(0);
  EXPECT_FALSE(m_caps.readAmdTemperature(r));
  EXPECT_FALSE(m_caps.readAmdPower(r));
  GpuRecord other;
  other.overdriveVersion = 8;
  EXPECT_FALSE(m_caps.readAmdFanSpeed(&other));
  EXPECT_FALSE(m_caps.readAmdActivity(nullptr));
}

struct ClockCase {
  int od;
  int activity;
  float gpu, memory, voltage;
};
class AmdClockTest : public AmdBackendTest, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(AmdClockTest, CurrentClocks) {
  const ClockCase& c = GetParam();
  FakeAdlAdapter a = LiveAdapter(c.od);
  a.engineClock = 130000;
  a.memoryClock = 200000;
  a.vddc = 1150;
  a.sensorIds[a.sensorCount] = 1, a.sensorValues[a.sensorCount++] = 1900;
  a.sensorIds[a.sensorCount] = 2, a.sensorValues[a.sensorCount++] = 875;
  a.sensorIds[a.sensorCount] = 21, a.sensorValues[a.sensorCount++] = 1100;
  ASSERT_TRUE(start(one(a)));
  int activity = -7;
  float gpu = -7, memory = -7, voltage = -7;
  ASSERT_TRUE(m_caps.readAmdCurrentClocks(Record(0), &activity, &gpu, &memory, &voltage));
  EXPECT_EQ(c.activity, activity);
  EXPECT_FLOAT_EQ(c.gpu, gpu);
  EXPECT_FLOAT_EQ(c.memory, memory);
  EXPECT_FLOAT_EQ(c.voltage, voltage);
}

INSTANTIATE_TEST_SUITE_P(Versions, AmdClockTest,
                         ::testing::Values(ClockCase{5, 37, 1300, 2000, 1.15f}, ClockCase{6, 37, 1300, 2000, -7},
                                           ClockCase{7, 37, 1300, 2000, 1.15f},
                                           ClockCase{8, -7, 1900, 875, 1.1f}));

// ---- Performance levels ----

TEST_F(AmdBackendTest, PerformanceLevelsAreReadOnceAndKept) {
  for (int od : {5, 7}) {
    FakeAdlAdapter a = LiveAdapter(od);
    a.numLevels = 3;
    const int engine[] = {30000, 90000, 126600}, memory[] = {30000, 0, 200000}, vddc[] = {800, 950, 1150};
    for (int i = 0; i < 3; ++i) a.levelEngine[i] = engine[i], a.levelMemory[i] = memory[i], a.levelVddc[i] = vddc[i];
    m_caps.release();
    m_fake.reset();
    ASSERT_TRUE(start(one(a)));
    GpuRecord* r = Record(0);
    ASSERT_TRUE(m_caps.AMD_Display_Library_ReadPerfLevels(r, false));
    ASSERT_EQ(3, r->numPerfLevels);
    AmdPerfLevel row;
    ASSERT_TRUE(AmdPerfLevelAt(r, 2, &row));
    EXPECT_FLOAT_EQ(1266.0f, row.gpuClockMHz) << od;
    EXPECT_FLOAT_EQ(2000.0f, row.memoryClockMHz);
    EXPECT_FLOAT_EQ(1.15f, row.voltage);
    EXPECT_EQ(0, row.id);
    ASSERT_TRUE(AmdPerfLevelAt(r, 1, &row));
    // Overdrive N carries the previous level's memory clock over a zero.
    EXPECT_FLOAT_EQ(od == 7 ? 300.0f : 0.0f, row.memoryClockMHz) << od;
    EXPECT_FALSE(AmdPerfLevelAt(r, 3, &row));
    int (*table)[5] = r->perfLevels;
    EXPECT_TRUE(m_caps.AMD_Display_Library_ReadPerfLevels(r, true));
    EXPECT_EQ(table, r->perfLevels) << "kept, not read again";
  }
}

// ---- Performance log ----

TEST_F(AmdBackendTest, PerformanceLogStartReadStop) {
  FakeAdlAdapter a = LiveAdapter(8);
  a.supportCount = 3;
  a.supportIds[0] = 8, a.supportIds[1] = 19, a.supportIds[2] = 300;  // 300: beyond the table
  a.pairCount = 4;
  unsigned pairs[4][2] = {{8, 61}, {300, 5}, {19, 47}, {0, 0}};
  memcpy(a.pairs, pairs, sizeof(pairs));
  ASSERT_TRUE(start(one(a)));
  GpuRecord* r = Record(0);
  EXPECT_EQ(61, m_caps.getAmdPMLogSensorValue(r, 8)) << "start-up snapshot";
  EXPECT_EQ(nullptr, r->amd.pmLogBuffer) << "idle after the snapshot";
  EXPECT_TRUE(m_caps.isAmdPMLogSensorSupported(r, 19));
  EXPECT_FALSE(m_caps.isAmdPMLogSensorSupported(r, 9));
  EXPECT_FALSE(m_caps.isAmdPMLogSensorSupported(r, 256));
  EXPECT_EQ(0, m_caps.getAmdPMLogSensorValue(r, 256));
  EXPECT_EQ(0, m_caps.getAmdPMLogSensorValue(r, -1));

  EXPECT_TRUE(m_caps.stopAmdPMLog(r)) << "stopping an idle log";
  EXPECT_FALSE(m_caps.readAmdPMLogSensors(r)) << "nothing to read while idle";
  int startsBefore = m_fake->stats().pmLogStarts;
  ASSERT_TRUE(m_caps.startAmdPMLog(r, 250));
  EXPECT_EQ(250, m_fake->stats().lastSampleRate);
  EXPECT_TRUE(m_caps.startAmdPMLog(r, 500));
  EXPECT_EQ(startsBefore + 1, m_fake->stats().pmLogStarts) << "a second start is a no-op";
  ASSERT_TRUE(m_caps.readAmdPMLogSensors(r));
  EXPECT_EQ(47, m_caps.getAmdPMLogSensorValue(r, 19)) << "pairs after a bad id still read";
  EXPECT_TRUE(m_caps.stopAmdPMLog(r));
  EXPECT_EQ(nullptr, r->amd.pmLogBuffer);
  EXPECT_FALSE(m_caps.readAmdPMLogSensors(r));
}

TEST_F(AmdBackendTest, PerformanceLogWalkStopsAtTheEndWithoutTerminator) {
  FakeAdlAdapter a = LiveAdapter(8);
  a.supportCount = 1;
  a.supportIds[0] = 200;
  // 256 pairs with no ending id, then a pair in the words beyond them.
  a.pairCount = 257;
  for (int i = 0; i < 256; ++i) a.pairs[i][0] = 200, a.pairs[i][1] = static_cast<unsigned>(i);
  a.pairs[256][0] = 7;
  a.pairs[256][1] = 999;
  ASSERT_TRUE(start(one(a)));
  GpuRecord* r = Record(0);
  ASSERT_TRUE(m_caps.startAmdPMLog(r, 500));
  ASSERT_TRUE(m_caps.readAmdPMLogSensors(r));
  EXPECT_EQ(255, m_caps.getAmdPMLogSensorValue(r, 200));
  EXPECT_EQ(0, m_caps.getAmdPMLogSensorValue(r, 7)) << "nothing read past the 256 pairs";
  EXPECT_TRUE(m_caps.stopAmdPMLog(r));
}

TEST_F(AmdBackendTest, ReleaseDestroysTheLogDevicesAndTheContext) {
  FakeAdlAdapter a = LiveAdapter(8);
  a.supportCount = 1;
  a.supportIds[0] = 8;
  ASSERT_TRUE(start(one(a)));
  ASSERT_NE(0u, Record(0)->amd.pmLogDevice);
  ASSERT_TRUE(m_caps.releaseADL());
  FakeAdlStats st = m_fake->stats();
  EXPECT_EQ(st.devicesCreated, st.devicesDestroyed);
  EXPECT_EQ(st.mainCreated, st.mainDestroyed);
  EXPECT_EQ(st.contextsCreated, st.contextsDestroyed);
  EXPECT_FALSE(m_caps.releaseADL());
}


// ---- Calling convention ----

// Reads through the variant whose temperature entry point uses the wrong
// calling convention. On x86_64 there is only one, so this passes; on i686
// the caller's stack is off after every read, and the run must fail.
class AmdCallingConvention : public AmdBackendTest {};

TEST_F(AmdCallingConvention, RepeatedReadsThroughTheMismatchedEntryPoint) {
  install(L"cdecl_temperature", {L"atiadlxx.dll"});
  ASSERT_TRUE(start(one(LiveAdapter(5))));
  GpuRecord* r = Record(0);
  ASSERT_NE(nullptr, r);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(m_caps.readAmdTemperature(r));
    EXPECT_FLOAT_EQ(65.5f, r->sensors[0].current);
  }
}

}  // namespace

