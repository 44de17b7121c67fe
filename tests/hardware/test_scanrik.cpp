#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeDisplays.h"
#include "detect/Scanrik.h"

namespace {

const char kIntelId[] = "PCI\\VEN_8086&DEV_9A49&SUBSYS_00000000&REV_01";
const char kOtherId[] = "PCI\\VEN_1234&DEV_1111&SUBSYS_00000000&REV_00";

// Detection started on a fake display list, without the OpenGL context.
class FacadeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_fake.reset(new FakeDisplays({{kIntelId, "\\\\.\\DISPLAY1", "Intel(R) Iris(R) Xe Graphics", "k0"},
                                   {kOtherId, "\\\\.\\DISPLAY2", "Other Adapter", "k1"}}));
    m_scanrik = Scanrik::instance();
    ASSERT_NE(nullptr, m_scanrik);
    ASSERT_TRUE(m_scanrik->startup(0, 0, 32, 32, 0, 0, 1));
  }
  void TearDown() override {
    Scanrik* s = Scanrik::instance();
    if (s) s->shutdown();
    Scanrik::destroyInstance();
    m_fake.reset();
  }
  std::unique_ptr<FakeDisplays> m_fake;
  Scanrik* m_scanrik = nullptr;
};

TEST_F(FacadeTest, OneRecordPerAdapterWithIds) {
  Scanrik* s = m_scanrik;
  ASSERT_EQ(2, s->getNumGpus());
  EXPECT_TRUE(s->isGraphicsDriverDetected());
  EXPECT_STREQ("Intel(R) Iris(R) Xe Graphics", s->getGpuName(0));
  int vendor = 0, device = 0;
  EXPECT_TRUE(s->getGpuPciIds(1, &vendor, &device, nullptr, nullptr, nullptr));
  EXPECT_EQ(0x1234, vendor);
  EXPECT_EQ(0x1111, device);
  EXPECT_STREQ(kIntelId, s->getGpuDeviceIdString(0));
  EXPECT_STREQ("Other Adapter", s->getGpuDisplayDeviceString(1));
  EXPECT_EQ(0x8086, s->getPrimaryVendorId());
  EXPECT_EQ(0x9A49, s->getPrimaryDeviceId());
  EXPECT_EQ(kVendorIntel, s->getDetectionContextVendorKind());
}

TEST_F(FacadeTest, SecondStartupAddsNothing) {
  EXPECT_TRUE(m_scanrik->startup(0, 0, 32, 32, 0, 0, 1));
  EXPECT_EQ(2, m_scanrik->getNumGpus());
}

// Every per-GPU accessor for an index without a record: its failure value,
// out-parameters untouched.
TEST_F(FacadeTest, AccessorsFailForIndicesWithoutRecord) {
  Scanrik* s = m_scanrik;
  const int count = s->getNumGpus();
  const int sentinel = 0x5A5A;
  const float fsent = 123.5f;
  struct Accessor {
    const char* name;
    std::function<bool(int)> failsCleanly;
  };
  auto untouched = [&](std::initializer_list<int> ints, std::initializer_list<float> floats) {
    for (int v : ints) if (v != sentinel) return false;
    for (float v : floats) if (v != fsent) return false;
    return true;
  };
  std::vector<Accessor> accessors = {
      {"getGpuName", [&](int i) { return s->getGpuName(i) == nullptr; }},
      {"getGpuCodename", [&](int i) { return s->getGpuCodename(i) == nullptr; }},
      {"getGpuBrandType", [&](int i) { return s->getGpuBrandType(i) == nullptr; }},
      {"getGpuMemoryType", [&](int i) { return s->getGpuMemoryType(i) == nullptr; }},
      {"getGpuBiosVersion", [&](int i) { return s->getGpuBiosVersion(i) == nullptr; }},
      {"getGpuDriverVersion", [&](int i) { return s->getGpuDriverVersion(i) == nullptr; }},
      {"getGpuDriverPackageVersion", [&](int i) { return s->getGpuDriverPackageVersion(i) == nullptr; }},
      {"getRadeonSoftwareEdition", [&](int i) { return s->getRadeonSoftwareEdition(i) == nullptr; }},
      {"getGpuDeviceIdString", [&](int i) { return s->getGpuDeviceIdString(i) == nullptr; }},
      {"getGpuDisplayDeviceString", [&](int i) { return s->getGpuDisplayDeviceString(i) == nullptr; }},
      {"getGpuBusId", [&](int i) { return s->getGpuBusId(i) == -1; }},
      {"getGpuROPs", [&](int i) { return s->getGpuROPs(i) == -1; }},
      {"getGpuTMUs", [&](int i) { return s->getGpuTMUs(i) == -1; }},
      {"getGpuShaderCores", [&](int i) { return s->getGpuShaderCores(i) == 0; }},
      {"getGpuVertexShaders", [&](int i) { return s->getGpuVertexShaders(i) == 0; }},
      {"getGpuPixelShaders", [&](int i) { return s->getGpuPixelShaders(i) == 0; }},
      {"getGpuTDP", [&](int i) { return s->getGpuTDP(i) == 0; }},
      {"getGpuRTCores", [&](int i) { return s->getGpuRTCores(i) == 0; }},
      {"getGpuTensorCores", [&](int i) { return s->getGpuTensorCores(i) == 0; }},
      {"getNumGpuPerfLevels", [&](int i) { return s->getNumGpuPerfLevels(i) == 0; }},
      {"getNumGpuCoolers", [&](int i) { return s->getNumGpuCoolers(i) == 0; }},
      {"hasGpuSensors", [&](int i) { return !s->hasGpuSensors(i); }},
      {"hasRadeonSoftwareEdition", [&](int i) { return !s->hasRadeonSoftwareEdition(i); }},
      {"getAmdOverdriveVersion", [&](int i) { return s->getAmdOverdriveVersion(i) == 0; }},
      {"getGpuMemorySizeMB", [&](int i) { return s->getGpuMemorySizeMB(i) == 0; }},
      {"getGpuPciIds", [&](int i) {
         int a = sentinel, b = sentinel, c = sentinel, d = sentinel, e = sentinel;
         return !s->getGpuPciIds(i, &a, &b, &c, &d, &e) && untouched({a, b, c, d, e}, {});
       }},
      {"getGpuMemoryBusWidth", [&](int i) {
         int bits = sentinel;
         char text[32] = "keep";
         return s->getGpuMemoryBusWidth(i, &bits, text, sizeof(text)) == 0 && bits == sentinel &&
                strcmp(text, "keep") == 0;
       }},
      {"getGpuRatedClocks", [&](int i) {
         int a = sentinel, b = sentinel;
         return !s->getGpuRatedClocks(i, &a, &b) && untouched({a, b}, {});
       }},
      {"getAmdGpuInfo", [&](int i) {
         int a = sentinel, b = sentinel, c = sentinel;
         int64_t m = sentinel;
         char fam[32] = "keep";
         return !s->getAmdGpuInfo(i, &a, &b, &c, &m, fam, sizeof(fam)) && untouched({a, b, c}, {}) &&
                m == sentinel && strcmp(fam, "keep") == 0;
       }},
      {"getGpuCoolerInfo", [&](int i) {
         int a = sentinel, b = sentinel, c = sentinel;
         bool t = true;
         return !s->getGpuCoolerInfo(i, 0, &a, &b, &c, &t) && untouched({a, b, c}, {}) && t;
       }},
      {"getGpuCoolerStatus", [&](int i) {
         int a = sentinel, b = sentinel, c = sentinel, d = sentinel, e = sentinel;
         return !s->getGpuCoolerStatus(i, 0, &a, &b, &c, &d, &e) && untouched({a, b, c, d, e}, {});
       }},
      {"getGpuCurrentPerformanceState", [&](int i) {
         int p = sentinel;
         float a = fsent, b = fsent, c = fsent, d = fsent;
         return !s->getGpuCurrentPerformanceState(i, &p, &a, &b, &c, &d) && untouched({p}, {a, b, c, d});
       }},
      {"getGpuPerfLevel", [&](int i) {
         int p = sentinel;
         float a = fsent, b = fsent, c = fsent, d = fsent;
         return !s->getGpuPerfLevel(i, 0, &p, &a, &b, &c, &d) && untouched({p}, {a, b, c, d});
       }},
      {"getGpuFanSpeed", [&](int i) {
         int a = sentinel, b = sentinel;
         return !s->getGpuFanSpeed(i, &a, &b) && untouched({a, b}, {});
       }},
      {"getGpuUsage", [&](int i) {
         int a = sentinel, b = sentinel;
         return !s->getGpuUsage(i, &a, &b) && untouched({a, b}, {});
       }},
      {"getGpuTemperature", [&](int i) {
         float a = fsent, b = fsent, c = fsent, d = fsent;
         return !s->getGpuTemperature(i, &a, &b, &c, &d) && untouched({}, {a, b, c, d});
       }},
      {"getAmdPowerTune", [&](int i) {
         int a = sentinel, b = sentinel, c = sentinel, d = sentinel;
         return !s->getAmdPowerTune(i, &a, &b, &c, &d) && untouched({a, b, c, d}, {});
       }},
      {"getAmdPowerDraw", [&](int i) {
         float a = fsent, b = fsent;
         return !s->getAmdPowerDraw(i, &a, &b) && untouched({}, {a, b});
       }},
      {"getAmdPMLogSensorValue", [&](int i) { return s->getAmdPMLogSensorValue(i, 17) == 0; }},
      {"isAmdPMLogSensorSupported", [&](int i) { return !s->isAmdPMLogSensorSupported(i, 17); }},
      {"startAmdPMLog", [&](int i) { return !s->startAmdPMLog(i, 500); }},
      {"stopAmdPMLog", [&](int i) { return !s->stopAmdPMLog(i); }},
      {"readAmdPMLogSensors", [&](int i) { return !s->readAmdPMLogSensors(i); }},
      {"getGpuPowerUsage", [&](int i) {
         float a = fsent, b = fsent;
         return !s->getGpuPowerUsage(i, &a, &b) && untouched({}, {a, b});
       }},
      {"getGpuPowerTarget", [&](int i) {
         float a = fsent, b = fsent;
         return !s->getGpuPowerTarget(i, &a, &b) && untouched({}, {a, b});
       }},
      {"getGpuPowerPolicy", [&](int i) {
         float a = fsent, b = fsent, c = fsent, d = fsent, e = fsent, f = fsent;
         return !s->getGpuPowerPolicy(i, &a, &b, &c, &d, &e, &f) && untouched({}, {a, b, c, d, e, f});
       }},
      {"getGpuClockFrequencies", [&](int i) {
         float a = fsent, b = fsent;
         return !s->getGpuClockFrequencies(i, 1, &a, &b) && untouched({}, {a, b});
       }},
      {"getGpuCoreVoltage", [&](int i) {
         float a = fsent;
         return !s->getGpuCoreVoltage(i, &a) && untouched({}, {a});
       }},
      {"getGpuCoreVoltageAlt", [&](int i) {
         float a = fsent;
         return !s->getGpuCoreVoltageAlt(i, &a) && untouched({}, {a});
       }},
      {"getGpuRamMaker", [&](int i) {
         char text[64] = "keep";
         return !s->getGpuRamMaker(i, text, sizeof(text)) && strcmp(text, "keep") == 0;
       }},
      {"readGpuCoolerStatus", [&](int i) { return !s->readGpuCoolerStatus(i); }},
      {"getNumActive3DApps", [&](int i) { return s->getNumActive3DApps(i) == 0; }},
      {"getActive3DAppPid", [&](int i) { return s->getActive3DAppPid(i, 0) == 0; }},
      {"getActive3DAppName", [&](int i) { return s->getActive3DAppName(i, 0) == nullptr; }},
  };
  for (int index : {-1, count, count + 1, -1000}) {
    for (const Accessor& a : accessors) EXPECT_TRUE(a.failsCleanly(index)) << a.name << "(" << index << ")";
  }
  // The records that exist are of kind 0: vendor-only reads fail for them too.
  EXPECT_FALSE(s->getGpuPowerUsage(0, nullptr, nullptr));
  EXPECT_FALSE(s->getAmdPowerTune(0, nullptr, nullptr, nullptr, nullptr));
  EXPECT_NE(nullptr, s->getGpuName(count - 1));
}

TEST_F(FacadeTest, ContextAccessorsAndMsaaBounds) {
  Scanrik* s = m_scanrik;
  EXPECT_EQ(0, s->getMSAASamples(s->getNumMSAAModes()));
  EXPECT_EQ(0, s->getMSAASamples(-1));
  EXPECT_FALSE(s->isOpenGLFeatureSupported(53));
  EXPECT_FALSE(s->isOpenGLFeatureSupported(-1));
  EXPECT_EQ(nullptr, s->getOpenGLSpirvExtension(0));
  EXPECT_EQ(nullptr, s->getOpenGLExtension(-1));
  EXPECT_GT(s->getDesktopWidth(), 0);
  EXPECT_GT(s->getDesktopHeight(), 0);
  EXPECT_STRNE("", s->getOSName());
}

TEST(FacadeLifeTest, ShutdownBeforeStartupKeepsTheFacade) {
  Scanrik* s = Scanrik::instance();
  ASSERT_NE(nullptr, s);
  EXPECT_FALSE(s->shutdown());
  EXPECT_EQ(s, Scanrik::instance());
}

TEST(FacadeLifeTest, AccessorsAfterShutdownGiveFailureValues) {
  FakeDisplays fake({{kIntelId, "\\\\.\\DISPLAY1", "Intel(R) Iris(R) Xe Graphics", "k0"}});
  Scanrik* s = Scanrik::instance();
  ASSERT_TRUE(s->startup(0, 0, 32, 32, 0, 0, 1));
  ASSERT_TRUE(s->shutdown());
  // A late caller (a timer, a panel) must not reach freed records or contexts.
  s = Scanrik::instance();
  EXPECT_EQ(0, s->getNumGpus());
  EXPECT_EQ(nullptr, s->getGpuName(0));
  const char* vendor = s->getGLVendor();
  EXPECT_TRUE(vendor == nullptr || *vendor == '\0');
  EXPECT_EQ(0, s->getNumMSAAModes());
  EXPECT_EQ(nullptr, s->getGpuDeviceIdString(0));
  Scanrik::destroyInstance();
}

TEST(FacadeLifeTest, NoDriverStartupCanRunAgainWithoutDuplicates) {
  {
    FakeDisplays none({});
    Scanrik* s = Scanrik::instance();
    ASSERT_TRUE(s->startup(0, 0, 32, 32, 0, 0, 1));
    EXPECT_FALSE(s->isGraphicsDriverDetected());
    EXPECT_EQ(0, s->getNumGpus());
  }
  FakeDisplays one({{kOtherId, "\\\\.\\DISPLAY1", "Other Adapter", "k0"},
                    {kIntelId, "\\\\.\\DISPLAY2", "Intel(R) Iris(R) Xe Graphics", "k1"}});
  Scanrik* s = Scanrik::instance();
  ASSERT_TRUE(s->startup(0, 0, 32, 32, 0, 0, 1));
  EXPECT_TRUE(s->isGraphicsDriverDetected());
  EXPECT_EQ(2, s->getNumGpus());
  EXPECT_TRUE(s->shutdown());
  Scanrik::destroyInstance();
}

// The measurement as run, with where it ran.
struct MeasurementRecord {
  int runs = 0;
  DWORD thread = 0;
};
MeasurementRecord g_measured;
int recordedMeasurement() {
  const int mhz = MeasureCpuClockMHz();
  ++g_measured.runs;
  g_measured.thread = GetCurrentThreadId();
  return mhz;
}

class CpuClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_measured = MeasurementRecord();
    SetCpuClockMeasurement(recordedMeasurement);
    m_scanrik = Scanrik::instance();
    ASSERT_TRUE(m_scanrik->startup(0, 0, 32, 32, 0, 0, 1));
  }
  void TearDown() override {
    SetCpuClockMeasurement(nullptr);
    m_scanrik->shutdown();
    Scanrik::destroyInstance();
  }
  FakeDisplays m_fake{{{kIntelId, "\\\\.\\DISPLAY1", "Intel(R) Iris(R) Xe Graphics", "k0"}}};
  Scanrik* m_scanrik = nullptr;
};

// The facade measures on the calling thread, which keeps its own (here
// narrowed) mask; the value is kept.
TEST_F(CpuClockTest, MeasuresOnceAndKeepsTheThreadMask) {
  DWORD_PTR processMask = 0, systemMask = 0;
  GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask);
  DWORD_PTR narrow = processMask;
  while (narrow & (narrow - 1)) narrow &= narrow - 1;  // highest allowed processor
  SetThreadAffinityMask(GetCurrentThread(), narrow);
  int mhz = m_scanrik->getCPUSpeedMHz();
  EXPECT_EQ(narrow, SetThreadAffinityMask(GetCurrentThread(), processMask));
  EXPECT_GT(mhz, 100);
  EXPECT_EQ(GetCurrentThreadId(), g_measured.thread);
  EXPECT_EQ(mhz, m_scanrik->getCPUSpeedMHz());
  EXPECT_EQ(1, g_measured.runs) << "kept: no second measurement";
}

}  // namespace
