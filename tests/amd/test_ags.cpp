// AMD GPU Services over the fake display library: result codes, devices,
// family and units, and the exported helpers.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "AmdFakes.h"
#include "detect/amd/Ags.h"

namespace {

const char kPolarisUdid[] = "PCI_VEN_1002&DEV_67DF&SUBSYS_0C051002&REV_C7_4&1&0&0019A";
const char kNaviUdid[] = "PCI_VEN_1002&DEV_73BF&SUBSYS_0E3A1002&REV_C1_4&2&0&0019A";

struct InitCase {
  const char* what;
  const wchar_t* variant;  // null: no library installed
  int version;
  int expected;
};

class AgsInitTest : public ::testing::TestWithParam<InitCase> {};

TEST_P(AgsInitTest, ResultCodeAndContext) {
  const InitCase& c = GetParam();
  InstalledFake::removeAll();
  std::unique_ptr<InstalledFake> fake;
  if (c.variant) fake.reset(new InstalledFake(c.variant, {L"atiadlxx.dll"}));
  AgsContext* sentinel = reinterpret_cast<AgsContext*>(0x1234);
  AgsContext* context = sentinel;
  AgsGpuInfo info = {};
  EXPECT_EQ(c.expected, agsInitialize(c.version, nullptr, &context, &info)) << c.what;
  if (c.version != kAgsVersion600) {
    EXPECT_EQ(sentinel, context) << "a wrong version leaves the out-context untouched";
  } else if (c.expected != kAgsSuccess) {
    EXPECT_EQ(nullptr, context) << c.what;
  } else {
    ASSERT_NE(nullptr, context);
    EXPECT_EQ(kAgsSuccess, agsDeInitialize(context));
  }
  // Whatever happened, the library is not left loaded.
  EXPECT_EQ(nullptr, GetModuleHandleW(L"atiadlxx.dll")) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, AgsInitTest,
    ::testing::Values(InitCase{"wrong version", L"full", 0x1400000, kAgsInvalidArgs},
                      InitCase{"no library", nullptr, kAgsVersion600, kAgsNoLibrary},
                      InitCase{"required entry missing", L"missing_required", kAgsVersion600, kAgsMissingEntry},
                      InitCase{"create fails", L"create_fails", kAgsVersion600, kAgsAdlFailure},
                      InitCase{"working library", L"full", kAgsVersion600, kAgsSuccess}));

TEST(AgsInit, NullOutContextIsInvalid) {
  EXPECT_EQ(kAgsInvalidArgs, agsInitialize(kAgsVersion600, nullptr, nullptr, nullptr));
  EXPECT_EQ(kAgsInvalidArgs, agsDeInitialize(nullptr));
  EXPECT_EQ(kAgsVersion600, agsGetVersionNumber());
}

// Devices of a scenario read through AMD GPU Services; the library stays
// installed for the test's life.
class AgsDevicesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (m_context) agsDeInitialize(m_context);
    SetAgsKernelAdapterSource(nullptr);
  }
  void init(const FakeAdlScenario& s) {
    ASSERT_TRUE(m_fake.ok());
    ASSERT_TRUE(m_fake.configure(s));
    ASSERT_EQ(kAgsSuccess, agsInitialize(kAgsVersion600, nullptr, &m_context, &m_info));
  }
  InstalledFake m_fake{L"full", {L"atiadlxy.dll"}};
  AgsContext* m_context = nullptr;
  AgsGpuInfo m_info = {};
};

TEST_F(AgsDevicesTest, OneDevicePerBusAndDeviceSortedByBusWithIdsFromTheUdid) {
  FakeAdlScenario s = {};
  s.adapterCount = 4;
  s.adapters[0] = MakeAdapter(7, 5, kNaviUdid, 8);   // two outputs of one GPU
  s.adapters[1] = MakeAdapter(8, 5, kNaviUdid, 8);
  s.adapters[2] = MakeAdapter(3, 2, kPolarisUdid, 7);
  s.adapters[3] = MakeAdapter(4, 1, kPolarisUdid, 7);
  s.adapters[3].exists = 0;  // gone: never a device
  snprintf(s.driverVersion, sizeof(s.driverVersion), "31.0.1");
  snprintf(s.softwareVersion, sizeof(s.softwareVersion), "23.5.2");
  init(s);

  ASSERT_EQ(2, m_info.numDevices);
  const AgsDeviceInfo& first = m_info.devices[0];
  const AgsDeviceInfo& second = m_info.devices[1];
  EXPECT_EQ(3, first.adlAdapterIndex);
  EXPECT_EQ(7, second.adlAdapterIndex) << "the first adapter of a bus/device pair is kept";
  EXPECT_EQ(0x1002, first.vendorId);
  EXPECT_EQ(0x67DF, first.deviceId);
  EXPECT_EQ(0xC7, first.revisionId);
  EXPECT_EQ(0x73BF, second.deviceId);
  EXPECT_STREQ("Adapter 3", first.adapterString);
  EXPECT_STREQ("31.0.1", m_info.driverVersion);
  EXPECT_STREQ("23.5.2", m_info.radeonSoftwareVersion);
  EXPECT_EQ(8ull << 30, first.localMemoryInBytes);
  EXPECT_EQ(256000, first.memoryBandwidth);

  char value[16] = {};
  EXPECT_GT(GetEnvironmentVariableA("ADL_4KWORKAROUND_CANCEL", value, sizeof(value)), 0u);
  EXPECT_STREQ("TRUE", value);

  // Displays: one active display each, with its current mode.
  ASSERT_EQ(1, first.numDisplays);
  EXPECT_STREQ("FAKE0", first.displays[0].name);
  EXPECT_EQ(2560, first.displays[0].currentResolution.width);
  EXPECT_EQ(3, first.displays[0].adlAdapterIndex);
  ASSERT_EQ(2, second.numDisplays) << "both outputs of the GPU report their display";
}

// Device number is the first key, bus number the second: these two GPUs
// come in the other order when the bus number is sorted first.
TEST_F(AgsDevicesTest, DevicesSortByDeviceNumberThenBusNumber) {
  FakeAdlScenario s = {};
  s.adapterCount = 3;
  s.adapters[0] = MakeAdapter(0, 1, kPolarisUdid, 7);
  s.adapters[0].device = 2;
  s.adapters[1] = MakeAdapter(1, 2, kNaviUdid, 8);
  s.adapters[1].device = 1;
  s.adapters[2] = MakeAdapter(2, 3, kNaviUdid, 8);
  s.adapters[2].device = 1;
  init(s);
  ASSERT_EQ(3, m_info.numDevices);
  EXPECT_EQ(1, m_info.devices[0].adlAdapterIndex);
  EXPECT_EQ(2, m_info.devices[1].adlAdapterIndex);
  EXPECT_EQ(0, m_info.devices[2].adlAdapterIndex);
}

// An adapter whose displays form one Eyefinity group of columns x rows on
// a desktop of width x height.
FakeAdlAdapter EyefinityAdapter(FakeAdlAdapter a, int columns, int rows, int width, int height) {
  a.displays = columns * rows;
  a.slsColumns = columns;
  a.slsRows = rows;
  a.slsWidth = width;
  a.slsHeight = height;
  return a;
}

// An Eyefinity group: its grid, desktop resolution and bezel compensation
// on the device, and each display's place in the grid.
TEST_F(AgsDevicesTest, EyefinityGroupsGiveTheirGridResolutionAndBezel) {
  FakeAdlScenario s = {};
  s.adapterCount = 3;
  s.adapters[0] = EyefinityAdapter(MakeAdapter(0, 1, kNaviUdid, 8), 3, 2, 7680, 2880);
  s.adapters[0].slsBezel = 1;
  s.adapters[1] = EyefinityAdapter(MakeAdapter(1, 2, kNaviUdid, 8), 2, 1, 5120, 1440);
  s.adapters[2] = MakeAdapter(2, 3, kPolarisUdid, 7);  // two displays, no group
  s.adapters[2].displays = 2;
  init(s);
  ASSERT_EQ(3, m_info.numDevices);
  struct Expected { int enabled, width, height, x, y, bezel; };
  const Expected expected[] = {{1, 3, 2, 7680, 2880, 1}, {1, 2, 1, 5120, 1440, 0}, {0, 0, 0, 0, 0, 0}};
  for (int d = 0; d < 3; ++d) {
    SCOPED_TRACE(d);
    const AgsDeviceInfo& dev = m_info.devices[d];
    const Expected& e = expected[d];
    EXPECT_EQ(e.enabled, dev.eyefinityEnabled);
    EXPECT_EQ(e.width, dev.eyefinityGridWidth);
    EXPECT_EQ(e.height, dev.eyefinityGridHeight);
    EXPECT_EQ(e.x, dev.eyefinityResolutionX);
    EXPECT_EQ(e.y, dev.eyefinityResolutionY);
    EXPECT_EQ(e.bezel, dev.eyefinityBezelCompensated);
    ASSERT_EQ(d == 0 ? 6 : 2, dev.numDisplays);
    for (int i = 0; i < dev.numDisplays; ++i) {
      const AgsDisplayInfo& display = dev.displays[i];
      EXPECT_EQ(e.enabled != 0, (display.flags & kAgsDisplayEyefinityInGroup) != 0) << i;
      EXPECT_EQ(e.enabled ? i % e.width : 0, display.eyefinityGridCoordX) << i;
      EXPECT_EQ(e.enabled ? i / e.width : 0, display.eyefinityGridCoordY) << i;
    }
  }
}

// A caller's allocator whose blocks end at an inaccessible page, so that a
// read past any array faults; it keeps every block it handed out.
struct GuardedHeap {
  struct Block {
    char* base;
    size_t size;
  };
  static std::map<const char*, Block>& blocks() {
    static std::map<const char*, Block> b;
    return b;
  }
  // Every block ever handed out (start, size).
  static std::vector<std::pair<const char*, size_t>>& handedOut() {
    static std::vector<std::pair<const char*, size_t>> h;
    return h;
  }
  static int& badFrees() {
    static int n = 0;
    return n;
  }
  static void* __stdcall alloc(size_t size) {
    const size_t page = 4096, span = (size + page - 1) / page * page;
    char* base = static_cast<char*>(VirtualAlloc(nullptr, span + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!base) return nullptr;
    DWORD old = 0;
    VirtualProtect(base + span, page, PAGE_NOACCESS, &old);
    char* p = base + span - (size + 15) / 16 * 16;
    blocks()[p] = {base, size};
    handedOut().push_back({p, size});
    return p;
  }
  static void __stdcall release(void* p) {
    auto it = blocks().find(static_cast<const char*>(p));
    if (it == blocks().end()) {
      ++badFrees();
      return;
    }
    VirtualFree(it->second.base, 0, MEM_RELEASE);
    blocks().erase(it);
  }
  static bool handedOutHolds(const void* p) {
    for (const auto& b : handedOut())
      if (p >= b.first && p < b.first + b.second) return true;
    return false;
  }
};

// Every allocation, the OverdriveN level lists and the display library's
// own arrays included, comes from the caller's allocator and goes back to
// it; counts the library reports above the arrays it handed out are never
// followed past them.
TEST_F(AgsDevicesTest, CallersAllocatorServesEverythingAndBoundsTheArrays) {
  FakeAdlScenario s = {};
  s.adapterCount = 1;
  // OverdriveN clocks (level lists) and a group whose counts are overstated.
  s.adapters[0] = EyefinityAdapter(MakeAdapter(0, 1, kPolarisUdid, 7), 3, 1, 5760, 1080);
  s.adapters[0].numLevels = 2;
  s.adapters[0].levelEngine[1] = 130000;
  s.adapters[0].levelMemory[1] = 200000;
  s.adapters[0].slsOverstated = 1;
  ASSERT_TRUE(m_fake.configure(s));
  GuardedHeap::blocks().clear();
  GuardedHeap::handedOut().clear();
  GuardedHeap::badFrees() = 0;
  const AgsConfiguration config = {GuardedHeap::alloc, GuardedHeap::release};
  ASSERT_EQ(kAgsSuccess, agsInitialize(kAgsVersion600, &config, &m_context, &m_info));
  ASSERT_EQ(1, m_info.numDevices);
  EXPECT_EQ(1300, m_info.devices[0].coreClock);
  EXPECT_TRUE(GuardedHeap::handedOutHolds(m_fake.stats().lastOdnLevels)) << "the level list came from elsewhere";
  EXPECT_EQ(1, m_info.devices[0].eyefinityEnabled);
  EXPECT_EQ(3, m_info.devices[0].eyefinityGridWidth);
  EXPECT_EQ(0, m_fake.stats().slsIndexOutsideTargets) << "a group looked up with targets past the array";
  EXPECT_FALSE(GuardedHeap::blocks().empty());
  EXPECT_EQ(kAgsSuccess, agsDeInitialize(m_context));
  m_context = nullptr;
  EXPECT_TRUE(GuardedHeap::blocks().empty()) << GuardedHeap::blocks().size() << " blocks not given back";
  EXPECT_EQ(0, GuardedHeap::badFrees());
}

TEST_F(AgsDevicesTest, FamilyAndUnitsFromTheDisplayLibraryWhenTheKernelQueriesAreAbsent) {
  AgsKernelAdapterFacts facts = {};
  EXPECT_FALSE(AgsQueryKernelAdapter(0, 0, 0, &facts)) << "no kernel adapter queries here";

  FakeAdlScenario s = {};
  s.adapterCount = 3;
  s.adapters[0] = MakeAdapter(0, 1, kPolarisUdid, 7);  // GCN
  s.adapters[1] = MakeAdapter(1, 2, kNaviUdid, 8);     // RDNA: not known without the kernel data
  s.adapters[1].coreGeneration = 3;
  s.adapters[2] = MakeAdapter(2, 3, kPolarisUdid, 5);  // pre-GCN
  s.adapters[2].coreGeneration = 1;
  s.adapters[0].gameClock = 1266;
  s.adapters[0].gameMemoryClock = 2000;
  init(s);
  ASSERT_EQ(3, m_info.numDevices);
  EXPECT_EQ(kAgsFamilyGcn1, m_info.devices[0].asicFamily);
  EXPECT_EQ(36, m_info.devices[0].numCUs);
  EXPECT_EQ(32, m_info.devices[0].numROPs);
  EXPECT_EQ(1266, m_info.devices[0].coreClock);
  EXPECT_EQ(2000, m_info.devices[0].memoryClock);
  EXPECT_NEAR(1266.0 * 36 * 128 / 1e6, m_info.devices[0].teraFlops, 1e-3);
  EXPECT_EQ(kAgsFamilyUnknown, m_info.devices[1].asicFamily);
  EXPECT_EQ(0, m_info.devices[1].numCUs);
  EXPECT_EQ(kAgsFamilyPreGcn, m_info.devices[2].asicFamily);
}

bool RdnaKernel(int, int, int, AgsKernelAdapterFacts* f) {
  f->familyNumber = 143;
  f->laterRevision = true;
  f->unitCountA = 16;
  f->unitCountB = 16;
  return true;
}

TEST_F(AgsDevicesTest, KernelFamilyNumberGivesFamilyRopsAndWorkgroupProcessors) {
  SetAgsKernelAdapterSource(RdnaKernel);
  FakeAdlScenario s = {};
  s.adapterCount = 1;
  s.adapters[0] = MakeAdapter(0, 1, kNaviUdid, 8);
  s.adapters[0].coreGeneration = 3;
  s.adapters[0].coreUnits = 30;
  init(s);
  ASSERT_EQ(1, m_info.numDevices);
  EXPECT_EQ(kAgsFamilyRdna2, m_info.devices[0].asicFamily);
  EXPECT_EQ(128, m_info.devices[0].numROPs);
  EXPECT_EQ(30, m_info.devices[0].numWGPs);
  EXPECT_EQ(60, m_info.devices[0].numCUs) << "two compute units per workgroup processor";
}

TEST(AgsKernelFamily, Table) {
  struct Row { int number; bool later; int family; bool apu; };
  const Row rows[] = {{110, false, kAgsFamilyGcn1, false}, {125, false, kAgsFamilyGcn2, true},
                      {130, false, kAgsFamilyGcn3, false}, {130, true, kAgsFamilyGcn4, false},
                      {140, false, kAgsFamilyGcn3, false}, {142, false, kAgsFamilyVega, true},
                      {143, false, kAgsFamilyRdna, false}, {145, true, kAgsFamilyRdna2, false},
                      {144, false, kAgsFamilyUnknown, true}, {99, false, kAgsFamilyUnknown, false}};
  for (const Row& r : rows) {
    EXPECT_EQ(r.family, agsFamilyFromKernelFamily(r.number, r.later)) << r.number;
    EXPECT_EQ(r.apu, agsKernelFamilyIsApu(r.number)) << r.number;
  }
}

TEST(AgsCheckDriverVersion, Table) {
  const unsigned required = (20u << 22) | (4u << 12) | 1u;  // 20.4.1
  struct Row { const char* text; int expected; };
  const Row rows[] = {{"20.4", 2},        {"20.4.2", 0},      {"19.12.1", 1},    {"20.5", 0},
                      {"20.4.1", 0},      {"0.4.1", 2},       {"not a version", 2},
                      {"-20.4.1", 2},     {"99999.1.1", 2},   {"20.99999", 2},   {"20.4.99999", 2}};
  for (const Row& r : rows) EXPECT_EQ(r.expected, agsCheckDriverVersion(r.text, required)) << r.text;
  EXPECT_EQ(2, agsCheckDriverVersion(nullptr, required));
}

class AgsDisplayModeTest : public AgsDevicesTest {};

TEST_F(AgsDisplayModeTest, ArgumentsAndModes) {
  FakeAdlScenario s = {};
  s.adapterCount = 1;
  s.adapters[0] = MakeAdapter(0, 1, kPolarisUdid, 7);
  init(s);
  ASSERT_EQ(1, m_info.numDevices);
  ASSERT_EQ(1, m_info.devices[0].numDisplays);
  AgsDisplaySettings settings = {};
  struct Row { AgsContext* context; int device, display, mode; bool settings; int expected; };
  const Row rows[] = {{nullptr, 0, 0, 0, true, kAgsInvalidArgs},    {m_context, 0, 0, 0, false, kAgsInvalidArgs},
                      {m_context, -1, 0, 0, true, kAgsInvalidArgs}, {m_context, 1, 0, 0, true, kAgsInvalidArgs},
                      {m_context, 0, -1, 0, true, kAgsInvalidArgs}, {m_context, 0, 1, 0, true, kAgsInvalidArgs},
                      {m_context, 0, 0, 6, true, kAgsInvalidArgs},  {m_context, 0, 0, -1, true, kAgsInvalidArgs},
                      {m_context, 0, 0, 1, true, kAgsSuccess}};
  for (const Row& r : rows) {
    settings.mode = r.mode;
    EXPECT_EQ(r.expected, agsSetDisplayMode(r.context, r.device, r.display, r.settings ? &settings : nullptr))
        << "device " << r.device << " display " << r.display << " mode " << r.mode;
  }
  struct Attr { int mode, transfer, colorSpace; };
  const Attr attrs[] = {{0, 1, 1}, {1, 4, 8}, {2, 32, 64}, {3, 32, 64}, {4, 128, 128}, {5, 64, 512}};
  for (const Attr& a : attrs) {
    settings.mode = a.mode;
    settings.flags = 1;
    ASSERT_EQ(kAgsSuccess, agsSetDisplayMode(m_context, 0, 0, &settings));
    FakeAdlStats st = m_fake.stats();
    EXPECT_EQ(a.transfer, st.lastTransferFunction) << a.mode;
    EXPECT_EQ(a.colorSpace, st.lastColorSpace) << a.mode;
    EXPECT_EQ(1, st.lastAttributeFlags);
  }
}

}  // namespace
