// The NVIDIA back-end against the stand-in driver: records made at start-up
// and the live reads, per scenario.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../common/Fuzz.h"
#include "../common/GuardedMemory.h"
#include "FakeDisplays.h"
#include "NvTestSupport.h"
#include "detect/HardwareCaps.h"

namespace {

const char kGtx1050TiId[] = "PCI\\VEN_10DE&DEV_1C82&SUBSYS_37511458&REV_A1";
const char kIntelId[] = "PCI\\VEN_8086&DEV_9A49&SUBSYS_00000000&REV_01";

std::vector<FakeDisplay> intelThenNvidia() {
  return {{kIntelId, "\\\\.\\DISPLAY1", "Intel(R) Iris(R) Xe Graphics", "k0"},
          {kGtx1050TiId, "\\\\.\\DISPLAY2", "NVIDIA GeForce GTX 1050 Ti", "k1"}};
}

class NvidiaBackendTest : public ::testing::Test {
 protected:
  void start(unsigned scenario, std::vector<FakeDisplay> displays = intelThenNvidia()) {
    m_fake.reset(new FakeNvapi(scenario));
    ASSERT_FAKE_INSTALLED(*m_fake);
    m_displays.reset(new FakeDisplays(std::move(displays)));
    m_caps.reset(new HardwareCaps());
    m_caps->init();
    m_nvidia.clear();
    for (int i = 0; i < DetectionGpuList().count(); ++i)
      if (DetectionGpuAt(i)->kind == kGpuKindNvidia) m_nvidia.push_back(i);
  }
  void TearDown() override {
    m_caps.reset();
    m_displays.reset();
    m_fake.reset();
  }
  // The n-th NVIDIA GPU by bus order: its GPU index and record.
  int index(int n) const { return m_nvidia.at(static_cast<size_t>(n)); }
  GpuRecord* record(int n) const { return DetectionGpuAt(index(n)); }
  HardwareCaps& caps() { return *m_caps; }

  std::unique_ptr<FakeNvapi> m_fake;
  std::unique_ptr<FakeDisplays> m_displays;
  std::unique_ptr<HardwareCaps> m_caps;
  std::vector<int> m_nvidia;
};

// The memory maker's name is cut to the caller's buffer, whatever its size:
// nothing is written past it (each buffer ends at a guard page).
TEST_F(NvidiaBackendTest, RamMakerIsCutToTheCallersBuffer) {
  start(kFakeDefault);
  ASSERT_EQ(2u, m_nvidia.size());
  for (int size : {1, 2, 4, 7, 8, 9, 64}) {
    GuardedBuffer buffer(static_cast<size_t>(size));
    ASSERT_TRUE(caps().getNvidiaRamMaker(index(1), buffer.data(), size)) << size;
    EXPECT_EQ(std::string("Samsung").substr(0, static_cast<size_t>(size - 1)), buffer.data()) << size;
    EXPECT_TRUE(buffer.intact()) << size;
  }
  char kept = 'k';
  EXPECT_FALSE(caps().getNvidiaRamMaker(index(1), &kept, 0));
  EXPECT_EQ('k', kept);
}

struct ExpectedGpu {
  int busId, deviceId, subsysVendor, subsysDevice, databaseRowFound;
  const char* name;
  const char* codename;
  int memoryMB, cores, rops, tmus, rtCores, tensorCores, busWidth;
  const char* arch;
  const char* chip;
  const char* revision;
  const char* brand;
  const char* memoryType;
  const char* ramMaker;
  const char* vbios;
  float gpuTemp, boardTemp;
  uintptr_t display;
};

TEST_F(NvidiaBackendTest, TwoGpusGiveTwoRecordsInBusOrderWithTheirFacts) {
  start(kFakeDefault);
  ASSERT_EQ(2u, m_nvidia.size());
  EXPECT_EQ(2, caps().getNvidiaPhysicalGpuCount());
  EXPECT_EQ(1, caps().getNvidiaLogicalGpuCount());
  EXPECT_EQ(47215, caps().nv.driverVersion);
  EXPECT_STREQ("r470_rel", caps().nv.driverBranch);
  EXPECT_STREQ("FakeForce A", caps().nv.driverAdapter);
  // Enumeration order: A then B; the memory and core queries follow it.
  EXPECT_EQ(4194304, caps().getNvidiaGpuMemoryKB(0));
  EXPECT_EQ(8388608, caps().getNvidiaGpuMemoryKB(1));
  EXPECT_EQ(0, caps().getNvidiaGpuMemoryKB(2));
  EXPECT_EQ(10496, caps().getNvidiaCoreCount(1));
  EXPECT_EQ(0, caps().getNvidiaCoreCount(2));

  const ExpectedGpu expected[] = {
      // B: bus 2, not in the database: NVAPI's name, no slot.
      {2, 0x2FFF, 0, 0, 0, "FakeForce RTX B", "", 8192, 10496, 112, 0, 82, 328, 256, "GA100",
       "GA102", "A2", "Titan GeForce", "GDDR6X", "Hynix", "94.02.42.00.A9", 60.0f, 51.0f, 0x1000},
      // A: bus 5, in the database through its display-device slot; the
      // driver's ROP count replaces the database's.
      {5, 0x1C82, 0x1458, 0x3751, 1, "NVIDIA GeForce GTX 1050 Ti", "GP107", 4096, 768, 40, 48, 0,
       0, 128, "GP100", "GP107", "A1", "GeForce", "GDDR5", "Samsung", "86.07.22.00.50", 45.0f,
       38.0f, 0x1001},
  };
  for (int n = 0; n < 2; ++n) {
    const ExpectedGpu& e = expected[n];
    const GpuRecord* r = record(n);
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.busId, r->busId);
    EXPECT_EQ(0x10DE, r->vendorId);
    EXPECT_EQ(e.deviceId, r->deviceId);
    EXPECT_EQ(e.subsysVendor, r->subsysVendorId);
    EXPECT_EQ(e.subsysDevice, r->subsysDeviceId);
    EXPECT_EQ(e.databaseRowFound != 0, r->databaseRow >= 0);
    EXPECT_STREQ(e.name, r->name);
    EXPECT_STREQ(e.codename, r->codename);
    EXPECT_EQ(e.memoryMB, r->memorySizeMB);
    EXPECT_EQ(static_cast<unsigned>(e.memoryMB) * 1024u, r->nv.memorySizeKB);
    EXPECT_EQ(e.cores, r->shaderCores);
    EXPECT_EQ(e.rops, r->rops);
    EXPECT_EQ(e.tmus, r->tmus);
    EXPECT_EQ(e.rtCores, r->rtCores);
    EXPECT_EQ(e.tensorCores, r->tensorCores);
    EXPECT_EQ(e.busWidth, r->memoryBusWidth);
    EXPECT_EQ(1, r->memoryLocation);
    EXPECT_STREQ(e.arch, r->nv.architecture);
    EXPECT_STREQ(e.chip, r->nv.chip);
    EXPECT_STREQ(e.revision, r->nv.revision);
    EXPECT_STREQ(e.brand, r->brandType);
    EXPECT_STREQ(e.memoryType, r->memoryType);
    EXPECT_STREQ(e.vbios, r->nv.vbiosVersion);
    char maker[64] = {};
    EXPECT_TRUE(caps().getNvidiaRamMaker(index(n), maker, sizeof(maker)));
    EXPECT_STREQ(e.ramMaker, maker);
    EXPECT_EQ(1, r->hasSensors);
    EXPECT_EQ(e.gpuTemp, r->sensors[0].current);
    EXPECT_EQ(e.boardTemp, r->sensors[3].current);
    EXPECT_EQ(e.display, reinterpret_cast<uintptr_t>(r->nv.display));
    EXPECT_EQ(47215, r->nv.driverVersion);
    EXPECT_STREQ("R472.15", r->nv.driverVersionText);
    EXPECT_STREQ("r470_rel", r->nv.driverBranch);
  }
  EXPECT_EQ(kNoDisplaySlot, record(0)->displaySlot);
  EXPECT_STREQ("", record(0)->biosString) << "no registry BIOS text: the driver's VBIOS text is not copied in";
  EXPECT_EQ(1, record(1)->displaySlot);
  EXPECT_STREQ(kGtx1050TiId, record(1)->deviceIdString);
  EXPECT_STREQ("NVIDIA GeForce GTX 1050 Ti", record(1)->displayDeviceString);
}

TEST_F(NvidiaBackendTest, ArchitectureAndChipNames) {
  start(kFakeDefault);
  ASSERT_EQ(2u, m_nvidia.size());
  const struct {
    NvU32 arch, impl, revision;
    const char* archText;
    const char* chip;
    const char* revisionText;
  } cases[] = {
      {0x160, 5, 0x13, "TU100", "", "A3"},      {0x160, 8, 0, "TU100", "TU116", "EMULATION_QT"},
      {0xE0, 6, 1, "GK100", "GK104", "EMULATION_FPGA"}, {0x40, 0, 0x14, "NV40", "", "UNKNOWN"},
      {0xE0000040, 0, 0x11, "T4X", "", "A1"},  {0x999, 2, 0x11, "T2X", "", "A1"},
  };
  GpuRecord* r = record(1);  // enumerated first
  for (const auto& c : cases) {
    m_fake->setArch(0, c.arch, c.impl, c.revision);
    ASSERT_TRUE(caps().getNvidiaArchInfo(r));
    EXPECT_STREQ(c.archText, r->nv.architecture) << std::hex << c.arch;
    EXPECT_STREQ(c.chip, r->nv.chip) << std::hex << c.arch << " " << c.impl;
    EXPECT_STREQ(c.revisionText, r->nv.revision) << std::hex << c.revision;
    EXPECT_EQ(c.arch, r->nv.rawArch[1]);
  }
}

// P-state table: version 3, else version 1 after -9, else the older
// information (voltages in mV there).
TEST_F(NvidiaBackendTest, PerformanceStateTableFallsBack) {
  const struct {
    unsigned scenario;
    int states;
    float p0Gpu, p0Memory, p0Processor, p0Volts;
  } cases[] = {
      {kFakeDefault, 2, 1500.0f, 3500.0f, 2000.0f, 1.0f},
      {kFakePstates20V3Rejected, 2, 1501.0f, 3500.0f, 2000.0f, 1.0f},
      {kFakeNoPstates20, 3, 1400.0f, 3400.0f, 2800.0f, 0.95f},
  };
  for (const auto& c : cases) {
    start(c.scenario);
    ASSERT_EQ(2u, m_nvidia.size());
    const GpuRecord* a = record(1);
    SCOPED_TRACE(c.scenario);
    EXPECT_EQ(c.states, a->nv.numPstates);
    EXPECT_EQ(c.states, a->numPerfLevels);
    EXPECT_EQ(0, a->nv.pstates[0].pstateId);
    EXPECT_FLOAT_EQ(c.p0Gpu, a->nv.pstates[0].gpuClockMHz);
    EXPECT_FLOAT_EQ(c.p0Memory, a->nv.pstates[0].memoryClockMHz);
    EXPECT_FLOAT_EQ(c.p0Processor, a->nv.pstates[0].processorClockMHz);
    EXPECT_FLOAT_EQ(c.p0Volts, a->nv.pstates[0].coreVolts);
    EXPECT_EQ(8, a->nv.pstates[1].pstateId);
    TearDown();
  }
}

TEST_F(NvidiaBackendTest, CurrentPerformanceState) {
  start(kFakeDefault);
  ASSERT_EQ(2u, m_nvidia.size());
  int id = 99;
  float gpu = 0, memory = 0, processor = 0, volts = 0;
  ASSERT_TRUE(caps().NVAPI_GetCurPerformanceState20(index(0), &id, &gpu, &memory, &processor, &volts));
  EXPECT_EQ(8, id);
  EXPECT_FLOAT_EQ(600.0f, gpu);  // GPU B doubles the GPU clock
  EXPECT_FLOAT_EQ(405.0f, memory);
  EXPECT_FLOAT_EQ(600.0f, processor);
  EXPECT_FLOAT_EQ(0.65f, volts);
  EXPECT_TRUE(caps().NVAPI_GetCurPerformanceState20(index(1), nullptr, nullptr, nullptr, nullptr,
                                                    nullptr));

  // Levels come from the older information.
  ASSERT_TRUE(caps().readNvidiaPerfLevel(index(1), 2, &id, &gpu, &memory, &processor, &volts));
  EXPECT_EQ(12, id);
  EXPECT_FLOAT_EQ(200.0f, gpu);
  EXPECT_FLOAT_EQ(0.55f, volts);
  EXPECT_FALSE(caps().readNvidiaPerfLevel(index(1), 3, &id, &gpu, nullptr, nullptr, nullptr));
  EXPECT_FALSE(caps().readNvidiaPerfLevel(index(1), -1, &id, &gpu, nullptr, nullptr, nullptr));
  EXPECT_EQ(12, id) << "a failed read leaves the outputs";
}

TEST_F(NvidiaBackendTest, MissingCurrentStateFallsBackToTheOlderInformation) {
  start(kFakeCurrentPstateMissing);
  ASSERT_EQ(2u, m_nvidia.size());
  int id = 99;
  float gpu = -5.0f;
  EXPECT_FALSE(caps().NVAPI_GetCurPerformanceState20(index(1), &id, &gpu, nullptr, nullptr, nullptr));
  EXPECT_EQ(-1, id);
  EXPECT_EQ(-5.0f, gpu);
  float memory = 0, processor = 0, volts = 0;
  ASSERT_TRUE(caps().readNvidiaCurrentClocks(index(1), &id, &gpu, &memory, &processor, &volts));
  EXPECT_EQ(12, id);
  EXPECT_FLOAT_EQ(200.0f, gpu);
  EXPECT_FLOAT_EQ(300.0f, memory);
  EXPECT_FLOAT_EQ(400.0f, processor);
  EXPECT_FLOAT_EQ(0.55f, volts);
}

TEST_F(NvidiaBackendTest, ClockFrequenciesByType) {
  start(kFakeDefault);
  ASSERT_EQ(2u, m_nvidia.size());
  const struct {
    int type;
    float gpu;
  } cases[] = {{0, 1480.0f}, {1, 1290.0f}, {2, 1392.0f}, {9, 1480.0f}};
  for (const auto& c : cases) {
    float gpu = 0, memory = 0;
    ASSERT_TRUE(caps().NVAPI_GetClockFrequencies(index(0), c.type, &gpu, &memory)) << c.type;
    EXPECT_EQ(c.gpu, gpu) << c.type;  // whole MHz
    EXPECT_EQ(3504.0f, memory) << c.type;
  }
}

TEST_F(NvidiaBackendTest, CoreVoltageByBothPaths) {
  start(kFakeDefault);
  ASSERT_EQ(2u, m_nvidia.size());
  float volts = 0;
  ASSERT_TRUE(caps().readNvidiaCoreVoltage(index(0), &volts));
  EXPECT_FLOAT_EQ(1.05f, volts);
  ASSERT_TRUE(caps().readNvidiaCoreVoltageFromStatus(index(0), &volts));
  EXPECT_FLOAT_EQ(1.0625f, volts);
  TearDown();

  start(kFakeNoVoltage);
  volts = -1.0f;
  EXPECT_FALSE(caps().readNvidiaCoreVoltage(index(0), &volts));
  EXPECT_FALSE(caps().readNvidiaCoreVoltageFromStatus(index(0), &volts));
  EXPECT_EQ(-1.0f, volts);
}

TEST_F(NvidiaBackendTest, UsageFansAndCoolers) {
  start(kFakeDefault);
  ASSERT_EQ(2u, m_nvidia.size());
  GpuRecord* r = record(0);
  ASSERT_TRUE(caps().readNvidiaGpuUsages(r));
  EXPECT_EQ(37.0f, r->gpuLoad);
  EXPECT_EQ(12.0f, r->frameBufferLoad);

  ASSERT_TRUE(caps().readNvidiaFanSpeed(r));
  EXPECT_EQ(1200.0f, r->fanRpm);
  EXPECT_EQ(35.0f, r->fanPercent) << "only the cooler aimed at the GPU";

  EXPECT_EQ(2, r->numCoolers);
  EXPECT_EQ(2, r->coolers[1][0]);
  EXPECT_EQ(1, r->coolers[1][1] & 1);
  EXPECT_EQ(3100, r->coolers[1][3]);
  ASSERT_TRUE(caps().readNvidiaCoolerStatus(r));
  const int status[5] = {2, 1101, 20, 100, 36};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(status[k], r->coolerStatus[1][k]) << k;
}

TEST_F(NvidiaBackendTest, PowerReadings) {
  start(kFakeDefault);
  ASSERT_EQ(2u, m_nvidia.size());
  float percent = 0, mw = 0;
  ASSERT_TRUE(caps().readNvidiaPowerChannels(index(0), &percent, &mw));
  EXPECT_FLOAT_EQ(55.0f, percent);
  EXPECT_FLOAT_EQ(41250.0f, mw);
  ASSERT_TRUE(caps().readNvidiaPowerLimits(index(0), &percent, &mw));
  EXPECT_FLOAT_EQ(90.0f, percent);
  EXPECT_FLOAT_EQ(67500.0f, mw);
  float v[6] = {};
  ASSERT_TRUE(caps().readNvidiaPowerPolicies(index(0), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]));
  const float expected[6] = {50.0f, 37500.0f, 120.0f, 90000.0f, 100.0f, 75000.0f};
  for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(expected[k], v[k]) << k;
}

TEST_F(NvidiaBackendTest, ActiveApplications) {
  const struct {
    unsigned scenario;
    int count;
    int pid0;
    const char* name0;
  } cases[] = {{kFakeDefault, 2, 4242, "C:\\Games\\game.exe"},
               {kFakeNoActiveAppsWithFlags, 1, 99, "plain.exe"}};
  for (const auto& c : cases) {
    start(c.scenario);
    ASSERT_EQ(2u, m_nvidia.size());
    GpuRecord* r = record(0);
    SCOPED_TRACE(c.scenario);
    EXPECT_EQ(c.count, caps().readNvidiaActiveApps(r));
    EXPECT_EQ(c.pid0, caps().getNvidiaActiveAppPid(r, 0));
    EXPECT_STREQ(c.name0, caps().getNvidiaActiveAppName(r, 0));
    EXPECT_EQ(0, caps().getNvidiaActiveAppPid(r, c.count));
    EXPECT_EQ(nullptr, caps().getNvidiaActiveAppName(r, c.count));
    EXPECT_EQ(nullptr, caps().getNvidiaActiveAppName(r, 128));
    TearDown();
  }
}

// Counts far above what their structures hold are clamped; the values
// inside stay right.
TEST_F(NvidiaBackendTest, DriverCountsAreClampedToCapacity) {
  start(kFakeCountsOverCapacity);
  ASSERT_EQ(2u, m_nvidia.size());
  GpuRecord* r = record(1);
  EXPECT_EQ(16, r->nv.numPstates);
  EXPECT_EQ(16, r->numPerfLevels);
  EXPECT_FLOAT_EQ(1500.0f, r->nv.pstates[0].gpuClockMHz);
  EXPECT_EQ(15, r->nv.pstates[15].pstateId);
  EXPECT_EQ(kCoolerRows, r->numCoolers);
  EXPECT_TRUE(caps().readNvidiaThermalSettings(r));
  EXPECT_EQ(45.0f, r->sensors[0].current);
  EXPECT_TRUE(caps().readNvidiaFanSpeed(r));
  EXPECT_EQ(35.0f, r->fanPercent);
  EXPECT_EQ(kActiveAppCount, caps().readNvidiaActiveApps(r));
  float percent = 0, mw = 0, v[6] = {};
  EXPECT_TRUE(caps().readNvidiaPowerChannels(index(1), &percent, &mw));
  EXPECT_FLOAT_EQ(55.0f, percent);
  EXPECT_TRUE(caps().readNvidiaPowerLimits(index(1), &percent, &mw));
  EXPECT_FLOAT_EQ(90.0f, percent);
  EXPECT_TRUE(caps().readNvidiaPowerPolicies(index(1), &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]));
  EXPECT_FLOAT_EQ(120.0f, v[2]);
}

// Texts that fill their buffers without a terminator are cut inside them.
TEST_F(NvidiaBackendTest, UnterminatedDriverTextsAreBounded) {
  start(kFakeUnterminatedTexts);
  ASSERT_EQ(2u, m_nvidia.size());
  const GpuRecord* b = record(0);  // not in the database: NVAPI's name
  EXPECT_EQ(std::string(63, 'Z'), b->name);
  EXPECT_EQ(std::string(63, 'Z'), b->nv.vbiosVersion);
  EXPECT_EQ(std::string(63, 'Z'), caps().nv.driverBranch);
  EXPECT_EQ(std::string(63, 'Z'), caps().nv.driverAdapter);
  GpuRecord* r = record(0);
  ASSERT_EQ(2, caps().readNvidiaActiveApps(r));
  EXPECT_EQ(std::string(255, 'Q'), caps().getNvidiaActiveAppName(r, 1));
}

// Identical boards: each display-device slot goes to one GPU only.
TEST_F(NvidiaBackendTest, IdenticalGpusTakeDistinctSlots) {
  start(kFakeIdenticalGpus, {{kGtx1050TiId, "\\\\.\\DISPLAY1", "GTX 1050 Ti #1", "k0"},
                             {kIntelId, "\\\\.\\DISPLAY2", "Intel", "k1"},
                             {kGtx1050TiId, "\\\\.\\DISPLAY3", "GTX 1050 Ti #2", "k2"},
                             {kIntelId, "\\\\.\\DISPLAY4", "Intel", "k3"},
                             {kGtx1050TiId, "\\\\.\\DISPLAY5", "GTX 1050 Ti #3", "k4"}});
  ASSERT_EQ(3u, m_nvidia.size());
  EXPECT_EQ(0, record(0)->displaySlot);
  EXPECT_EQ(2, record(1)->displaySlot);
  EXPECT_EQ(4, record(2)->displaySlot);
  EXPECT_STREQ("GTX 1050 Ti #3", record(2)->displayDeviceString);
}

// The NVIDIA reads answer by GPU index (not by the driver's enumeration
// order) for the NVIDIA GPUs and fail for another vendor's GPU and past the
// list.
// The live NVIDIA reads by GPU index.
struct NvidiaQuery {
  const char* name;
  bool (*run)(HardwareCaps&, int);
};
const NvidiaQuery kNvidiaQueries[] = {
    {"clocks", [](HardwareCaps& c, int i) { float g, m; return c.NVAPI_GetClockFrequencies(i, 0, &g, &m); }},
    {"current", [](HardwareCaps& c, int i) { int p; return c.readNvidiaCurrentClocks(i, &p, nullptr, nullptr, nullptr, nullptr); }},
    {"level", [](HardwareCaps& c, int i) { int p; return c.readNvidiaPerfLevel(i, 0, &p, nullptr, nullptr, nullptr, nullptr); }},
    {"voltage", [](HardwareCaps& c, int i) { float v; return c.readNvidiaCoreVoltage(i, &v); }},
    {"power", [](HardwareCaps& c, int i) { float p, m; return c.readNvidiaPowerChannels(i, &p, &m); }},
    {"limits", [](HardwareCaps& c, int i) { float p, m; return c.readNvidiaPowerLimits(i, &p, &m); }},
    {"ram maker", [](HardwareCaps& c, int i) { char t[64]; return c.getNvidiaRamMaker(i, t, sizeof(t)); }},
    {"thermal", [](HardwareCaps& c, int i) { return c.readNvidiaThermalSettings(DetectionGpuAt(i)); }},
    {"usage", [](HardwareCaps& c, int i) { return c.readNvidiaGpuUsages(DetectionGpuAt(i)); }},
    {"fan", [](HardwareCaps& c, int i) { return c.readNvidiaFanSpeed(DetectionGpuAt(i)); }},
};

TEST_F(NvidiaBackendTest, QueriesAnswerOnlyForNvidiaRecords) {
  start(kFakeDefault);
  ASSERT_EQ(2u, m_nvidia.size());
  int other = -1;
  for (int i = 0; i < DetectionGpuList().count(); ++i)
    if (DetectionGpuAt(i)->kind != kGpuKindNvidia) other = i;
  ASSERT_GE(other, 0);
  for (const NvidiaQuery& q : kNvidiaQueries) {
    EXPECT_FALSE(q.run(caps(), other)) << q.name;
    EXPECT_FALSE(q.run(caps(), DetectionGpuList().count())) << q.name;
    EXPECT_TRUE(q.run(caps(), index(0))) << q.name;
    EXPECT_TRUE(q.run(caps(), index(1))) << q.name;
  }
}

// Control-panel facts, read when the primary display device is NVIDIA's.
TEST_F(NvidiaBackendTest, ControlPanelFacts) {
  SystemLibrary nvcpl(L"nvcpl.dll");  // keeps the scenario across loads
  auto setScenario = nvcpl.get<FakeNvcplSetScenarioFn>("FakeNvcplSetScenario");
  auto dataCalls = nvcpl.get<FakeNvcplDataIntCallsFn>("FakeNvcplDataIntCalls");
  ASSERT_NE(nullptr, setScenario) << "the stand-in nvcpl is not in the system folder";

  start(kFakeDefault);  // Intel primary
  EXPECT_FALSE(caps().NVIDIA_ControlPanelData_Read());
  TearDown();

  const std::vector<FakeDisplay> nvidiaPrimary = {
      {kGtx1050TiId, "\\\\.\\DISPLAY1", "NVIDIA GeForce GTX 1050 Ti", "k0"}};
  const struct {
    int scenario;
    int thermal0;
    std::string displayText, driverVersion;
    int displayValue, data1, data3, memoryMB, gpus, sliGpus, sliMode, modeQueries;
  } cases[] = {
      {0, 55, "FakeForce Display", "472.15", 1920, 11, 33, 4096, 2, 2, 3, 1},
      {1, 55, "", "471.00", 0, 11, 33, 4096, 1, 0, 0, 0},
      {2, 55, std::string(255, 'D'), std::string(255, 'V'), 0, 11, 33, 4096, 2, 2, 3, 1},
  };
  for (const auto& c : cases) {
    setScenario(c.scenario);
    start(kFakeDefault, nvidiaPrimary);
    SCOPED_TRACE(c.scenario);
    ASSERT_TRUE(caps().NVIDIA_ControlPanelData_Read());
    const NvidiaCapsState& nv = caps().nv;
    EXPECT_EQ(c.thermal0, nv.cplThermal[0]);
    EXPECT_EQ(95, nv.cplThermal[2]);
    EXPECT_EQ(c.displayText, nv.cplDisplayText);
    EXPECT_EQ(c.driverVersion, nv.cplDriverVersion);
    EXPECT_EQ(c.displayValue, nv.cplDisplayValue);
    EXPECT_EQ(c.data1, nv.cplData1);
    EXPECT_EQ(c.data3, nv.cplData3);
    EXPECT_EQ(c.memoryMB, nv.cplVideoMemoryMB);
    EXPECT_EQ(c.gpus, nv.cplGpuCount);
    EXPECT_EQ(c.sliGpus, nv.cplSliGpuCount);
    EXPECT_EQ(c.sliMode, nv.cplSliMode);
    EXPECT_EQ(c.modeQueries, dataCalls(9));
    TearDown();
  }
  setScenario(0);
}

// Random mixes of the stand-in's faults (counts far over capacity,
// unterminated texts, missing or rejected tables, identical boards, failing
// initialisation) with every read on every GPU index around the list: the
// records keep terminated texts and their counts within their tables.
TEST_F(NvidiaBackendTest, RandomDriverFaultsStayInsideTheRecords) {
  Fuzz f("NVIDIA driver faults", 20261213, 40, 5000);
  while (f.next()) {
    const unsigned flags = static_cast<unsigned>(f.range(0, (1 << 12) - 1));
    f.note("scenario flags " + std::to_string(flags));
    TearDown();
    start(flags);
    const int count = DetectionGpuList().count();
    for (int i = -1; i <= count; ++i) {
      for (const NvidiaQuery& q : kNvidiaQueries) {
        const bool answered = q.run(caps(), i);
        if (i < 0 || i >= count) {
          EXPECT_FALSE(answered) << q.name << " past the list on " << f.describe();
        }
      }
      if (i < 0 || i >= count) continue;
      GpuRecord* r = DetectionGpuAt(i);
      const int size = static_cast<int>(f.range(1, 16));
      GuardedBuffer maker(static_cast<size_t>(size));
      if (caps().getNvidiaRamMaker(i, maker.data(), size)) {
        EXPECT_LT(strnlen(maker.data(), static_cast<size_t>(size)), static_cast<size_t>(size)) << f.describe();
      }
      const int apps = caps().readNvidiaActiveApps(r);
      for (int j = -1; j <= apps; ++j) {
        const char* name = caps().getNvidiaActiveAppName(r, j);
        if (name) {
          EXPECT_LT(strnlen(name, 4096), 4096u) << f.describe();
        }
      }
      for (const char* text : {r->name, r->codename, r->memoryType, r->brandType})
        EXPECT_LT(strnlen(text, kGpuTextSize), static_cast<size_t>(kGpuTextSize)) << f.describe();
      EXPECT_LT(strnlen(r->nv.vbiosVersion, sizeof(r->nv.vbiosVersion)), sizeof(r->nv.vbiosVersion)) << f.describe();
      EXPECT_LE(r->nv.numPstates, 16) << f.describe();
      EXPECT_LE(r->numPerfLevels, 16) << f.describe();
    }
    if (HasFailure()) return;
  }
}

}  // namespace
