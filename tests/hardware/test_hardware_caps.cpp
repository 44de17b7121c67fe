#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "FakeDisplays.h"
#include "detect/GpuDatabase.h"
#include "detect/HardwareCaps.h"
#include "detect/PciIdText.h"
#include "detect/Scanrik.h"

namespace {

const char kNvId[] = "PCI\\VEN_10DE&DEV_1C82&SUBSYS_37511458&REV_A1";
const char kAmdId[] = "PCI\\VEN_1002&DEV_73BF&SUBSYS_0E3A1002&REV_C1";
const char kIntelId[] = "PCI\\VEN_8086&DEV_9A49&SUBSYS_00000000&REV_01";

TEST(PciIdTest, PiecesOfWellFormedAndMalformedStrings) {
  struct Case {
    const char* id;
    int vendor, device, subsysVendor, subsysDevice;
  } cases[] = {
      {kNvId, 0x10DE, 0x1C82, 0x1458, 0x3751},
      {"pci\\ven_10de&dev_1c82", -1, -1, -1, -1},  // not the driver's form
      {"PCI\\VEN_10de&DEV_1c82", 0x10DE, 0x1C82, -1, -1},
      {"PCI\\VEN_10DE&DEV_1C8", -1, -1, -1, -1},  // truncated
      {"PCI\\VEN_10DE&DEV_1C82&SUBSYS_3751", 0x10DE, 0x1C82, -1, 0x3751},
      {"PCI\\VEN_XY12&DEV_1C82", -1, 0x1C82, -1, -1},
      {"ROOT\\BasicDisplay", -1, -1, -1, -1},
      {"", -1, -1, -1, -1},
      {nullptr, -1, -1, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id ? c.id : "(null)");
    PciIdPieces p = parsePciIdString(c.id);
    EXPECT_EQ(c.vendor, p.vendor);
    EXPECT_EQ(c.device, p.device);
    EXPECT_EQ(c.subsysVendor, p.subsysVendor);
    EXPECT_EQ(c.subsysDevice, p.subsysDevice);
  }
  EXPECT_EQ(255, parseHex4('0', '0', 'f', 'f'));
  EXPECT_EQ(0xA1, parseHex2('a', '1'));
}

// The id readers every back-end shares: digits of either case, nothing else
// (no "0x" prefix, no sign), never a character past the length they are given.
TEST(PciIdTest, HexReadersAreStrictAndBounded) {
  struct Digits {
    const char* text;
    size_t len, pos;
    int digits;
    bool ok;
    uint32_t value;
  } digitCases[] = {
      {"10de", 4, 0, 4, true, 0x10DE},
      {"10DE", 4, 0, 4, true, 0x10DE},
      {"FFFFFFFF", 8, 0, 8, true, 0xFFFFFFFFu},
      {"0x10", 4, 0, 4, false, 0},
      {"10DE", 3, 0, 4, false, 0},  // cut by the length, not by the text
      {"10DE", 4, 1, 4, false, 0},
      {"10DE", 4, 9, 1, false, 0},  // a position past the end
      {"1 DE", 4, 0, 4, false, 0},
      {"-1DE", 4, 0, 4, false, 0},
      {"A1", 2, 0, 2, true, 0xA1},
      {"A1", 2, 0, 0, false, 0},
  };
  for (const Digits& c : digitCases) {
    SCOPED_TRACE(c.text);
    uint32_t v = 0x5A5A;
    EXPECT_EQ(c.ok, readHexDigits(c.text, c.len, c.pos, c.digits, &v));
    EXPECT_EQ(c.ok ? c.value : 0x5A5Au, v);
  }

  struct AfterKey {
    const char* text;
    size_t len;
    bool ok;
    uint32_t value;
    size_t at;
  } keyCases[] = {
      {"PCI\\VEN_1002&DEV_67DF", 21, true, 0x1002, 8},
      {"VEN_1002&VEN_10DE", 17, true, 0x1002, 4},
      {"VEN_XY12&VEN_10DE", 17, false, 0, 0},  // only the first key counts
      {"VEN_1002", 7, false, 0, 0},            // digits cut by the length
      {"VEN_1002", 3, false, 0, 0},            // key cut by the length
      {"DEV_1002", 8, false, 0, 0},
  };
  for (const AfterKey& c : keyCases) {
    SCOPED_TRACE(c.text);
    uint32_t v = 0x5A5A;
    size_t at = 0;
    EXPECT_EQ(c.ok, readHexAfterKey(c.text, c.len, "VEN_", 4, &v, &at));
    EXPECT_EQ(c.ok ? c.value : 0x5A5Au, v);
    EXPECT_EQ(c.at, at);
  }

  EXPECT_EQ(0x10DE, pciLowId(0x1C8210DEu));
  EXPECT_EQ(0x1C82, pciHighId(0x1C8210DEu));
}

// The primary GPU's revision text tells apart the boards of a shared AMD id.
TEST(PciIdTest, PrimaryRevisionPicksTheSharedAmdBoard) {
  HardwareCaps caps;
  caps.primaryVendorId = 0x1002;
  caps.primaryDeviceId = 0x67FF;
  struct Case {
    const char* revision;
    const char* name;
  } cases[] = {{"C0", "AMD Radeon Pro 465"}, {"", "Unknown"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.revision);
    copyText(caps.primaryRevision, sizeof(caps.primaryRevision), c.revision);
    EXPECT_STREQ(c.name, getGpuDatabaseFullName(0x1002, caps.findGpuDatabaseRow(nullptr)));
  }
}

TEST(PciIdTest, VendorKinds) {
  EXPECT_EQ(kVendorNvidia, vendorKindFromPciId(0x10DE));
  EXPECT_EQ(kVendorAmd, vendorKindFromPciId(0x1002));
  EXPECT_EQ(kVendorS3, vendorKindFromPciId(0x5333));
  EXPECT_EQ(kVendorIntel, vendorKindFromPciId(0x8086));
  EXPECT_EQ(kVendorOther, vendorKindFromPciId(0x1234));
  EXPECT_EQ(kVendorNone, vendorKindFromPciId(-1));
}

TEST(DisplayDevicesTest, ConsecutiveDuplicatesShareOneSlot) {
  FakeDisplays fake({{kNvId, "\\\\.\\DISPLAY1", "NVIDIA GeForce GTX 1050 Ti", "k0"},
                     {kNvId, "\\\\.\\DISPLAY2", "NVIDIA GeForce GTX 1050 Ti", "k0"},
                     {kIntelId, "\\\\.\\DISPLAY3", "Intel(R) Iris(R) Xe Graphics", "k1"},
                     {kNvId, "\\\\.\\DISPLAY4", "NVIDIA GeForce GTX 1050 Ti", "k0"}});
  HardwareCaps caps;
  caps._readDisplayDeviceData();
  ASSERT_TRUE(caps.hasDisplayDevice());
  EXPECT_STREQ(kNvId, caps.displayDevices[0].deviceIdString);
  EXPECT_STREQ(kIntelId, caps.displayDevices[1].deviceIdString);
  EXPECT_STREQ(kNvId, caps.displayDevices[2].deviceIdString);
  EXPECT_STREQ("", caps.displayDevices[3].deviceIdString);
  EXPECT_EQ(0x10DE, caps.primaryVendorId);
  EXPECT_EQ(0x1C82, caps.primaryDeviceId);
  EXPECT_EQ(0x3751, caps.primarySubsysDeviceId);
  EXPECT_EQ(0x1458, caps.primarySubsysVendorId);
  EXPECT_STREQ("NVIDIA GeForce GTX 1050 Ti", caps.m_display_device_string);
}

TEST(DisplayDevicesTest, AtMostTwentyFiveSlots) {
  std::vector<std::string> ids;
  for (int i = 0; i < 30; ++i) {
    char id[64];
    snprintf(id, sizeof(id), "PCI\\VEN_8086&DEV_%04X", 0x1000 + i);
    ids.push_back(id);
  }
  std::vector<FakeDisplay> devices;
  for (const std::string& id : ids) devices.push_back({id.c_str(), "n", "Adapter", "k"});
  FakeDisplays fake(devices);
  HardwareCaps caps;
  caps._readDisplayDeviceData();
  EXPECT_STREQ(ids[24].c_str(), caps.displayDevices[24].deviceIdString);
  int parsed = 0;
  EXPECT_TRUE(caps.getDisplayDeviceDeviceId(24, nullptr, &parsed));
  EXPECT_EQ(0x1018, parsed);
  EXPECT_FALSE(caps.getDisplayDeviceDeviceId(25, nullptr, &parsed));
  EXPECT_FALSE(caps.getDisplayDeviceDeviceId(-1, nullptr, &parsed));
}

TEST(DisplayDevicesTest, PrimaryVendorKindAndMissingDevice) {
  struct Case {
    const char* id;
    const char* text;
    bool has;
    int vendor;
  } cases[] = {
      {kAmdId, "AMD Radeon RX 6800 XT", true, 0x1002},
      {"PCI\\VEN_1234&DEV_1111", "Other", true, 0x1234},
      {"ROOT\\BasicDisplay", "Microsoft Basic Display Adapter", true, -1},
      {kNvId, "", false, -1},  // no device string: no display device
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    FakeDisplays fake({{c.id, "\\\\.\\DISPLAY1", c.text, "k"}});
    HardwareCaps caps;
    caps._readDisplayDeviceData();
    EXPECT_EQ(c.has, caps.hasDisplayDevice());
    EXPECT_EQ(c.vendor, caps.primaryVendorId);
  }
}

TEST(DisplayDevicesTest, FindSlotBySubsystemIds) {
  FakeDisplays fake({{"PCI\\VEN_10DE&DEV_1C82&SUBSYS_37511458&REV_A1", "a", "A", "k0"},
                     {"PCI\\VEN_10DE&DEV_1C82&SUBSYS_00000000&REV_A1", "b", "B", "k1"},
                     {kAmdId, "c", "C", "k2"}});
  HardwareCaps caps;
  caps._readDisplayDeviceData();
  struct Case {
    int vendor, device, subVendor, subDevice, skip, slot;
  } cases[] = {
      {0x10DE, 0x1C82, 0x1458, 0x3751, kNoDisplaySlot, 0},
      {0x10DE, 0x1C82, 0x1458, 0x3751, 0, 1},  // slot 1 has zero subsystem ids
      {0x10DE, 0x1C82, 0x1043, 0x8888, kNoDisplaySlot, 1},
      {0x10DE, 0x1C82, 0, 0, kNoDisplaySlot, 0},
      {0x1002, 0x73BF, 0x1002, 0x0E3A, kNoDisplaySlot, 2},
      {0x1002, 0x73BF, 0x1043, 0x0E3A, kNoDisplaySlot, kNoDisplaySlot},
      {0x8086, 0x9A49, 0, 0, kNoDisplaySlot, kNoDisplaySlot},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.vendor << ":" << c.device << " skip " << c.skip);
    EXPECT_EQ(c.slot, caps.findDisplayDeviceSlot(c.vendor, c.device, c.subVendor, c.subDevice, c.skip));
  }
}

// Records with the given bus ids in the facade's list, sorted, read back.
std::vector<int> sortBusIds(const std::vector<int>& busIds, std::vector<int>* order) {
  HardwareCaps caps;
  PtrList& list = DetectionGpuList();
  caps.clearGpuList();
  for (size_t i = 0; i < busIds.size(); ++i) {
    GpuRecord* r = new GpuRecord();
    r->busId = busIds[i];
    r->listIndex = static_cast<int>(i);
    list.append(r);
  }
  caps.sortGpusByBusId();
  std::vector<int> sorted;
  for (int i = 0; i < list.count(); ++i) {
    GpuRecord* r = static_cast<GpuRecord*>(list.itemAt(i));
    sorted.push_back(r->busId);
    if (order) order->push_back(r->listIndex);
  }
  caps.clearGpuList();
  return sorted;
}

TEST(GpuListTest, SortIsStableWithUnknownBusIdsLast) {
  std::vector<int> order;
  EXPECT_EQ((std::vector<int>{2, 2, 5}), sortBusIds({5, 2, 2}, &order));
  EXPECT_EQ((std::vector<int>{1, 2, 0}), order);  // equal bus ids keep their order
  EXPECT_EQ((std::vector<int>{1, 3, -1}), sortBusIds({3, -1, 1}, nullptr));
  order.clear();
  EXPECT_EQ((std::vector<int>{0, 4, -1, -1}), sortBusIds({-1, 4, -1, 0}, &order));
  EXPECT_EQ((std::vector<int>{3, 1, 0, 2}), order);
  EXPECT_EQ((std::vector<int>{7}), sortBusIds({7}, nullptr));
  HardwareCaps caps;
  EXPECT_FALSE(caps.sortGpusByBusId());  // empty list
}

TEST(PtrListTest, AppendSeekAndClear) {
  PtrList list;
  EXPECT_EQ(-1, list.id());
  int a = 1, b = 2, c = 3;
  int id1 = list.append(&a);
  int id2 = list.append(&b);
  list.append(&c);
  EXPECT_GT(id1, 0);
  EXPECT_EQ(id1 + 1, id2);
  EXPECT_EQ(3, list.count());
  EXPECT_EQ(&b, list.itemAt(1));
  EXPECT_EQ(nullptr, list.itemAt(3));
  EXPECT_EQ(nullptr, list.itemAt(-1));
  EXPECT_EQ(&a, list.seek(0)->item);
  EXPECT_EQ(&b, list.seek(1)->item);
  EXPECT_EQ(&c, list.seek(1)->item);  // moves on from the cursor
  EXPECT_EQ(&c, list.seek(5)->item);  // past the end: the tail
  list.clear();
  EXPECT_EQ(0, list.count());
  EXPECT_EQ(nullptr, list.itemAt(0));
  EXPECT_EQ(1, a);  // items are not owned
}

// Registry values under a scratch key of the current user, read through the
// detection's registry root seam.
class RegistryFixture : public ::testing::Test {
 protected:
  static constexpr const char* kRoot = "Software\\QuorvelTests";
  static constexpr const char* kKey = "System\\CurrentControlSet\\Control\\Video\\{x}\\0000";
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &m_root, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_root, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &m_key, nullptr));
    SetDetectionRegistryRoot(m_root);
  }
  void TearDown() override {
    SetDetectionRegistryRoot(nullptr);
    RegCloseKey(m_key);
    RegCloseKey(m_root);
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
  }
  void set(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(m_key, name, 0, type, static_cast<const BYTE*>(data), size));
  }
  void setText(const char* name, const char* text) {
    set(name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
  }
  HKEY m_root = nullptr;
  HKEY m_key = nullptr;
};

TEST_F(RegistryFixture, ReadsTheDriverValuesOfARecord) {
  const wchar_t bios[] = L"Version 86.6.0.0";
  set("HardwareInformation.BiosString", REG_BINARY, bios, sizeof(bios));
  uint64_t eightGiB = 8ull << 30;
  set("HardwareInformation.MemorySize", REG_QWORD, &eightGiB, 8);
  setText("DriverVersion", "31.0.15.3623");
  setText("DriverDate", "6-14-2023");
  setText("Catalyst_Version", "23.6");
  setText("ReleaseVersion", "r535");
  const unsigned char adapter[] = {'G', 0, 'T', 0, 'X', 0, 0, 0};
  set("HardwareInformation.AdapterString", REG_BINARY, adapter, sizeof(adapter));
  setText("OpenGLDriverName", "nvoglv64.dll");

  GpuRecord r;
  snprintf(r.deviceKey, sizeof(r.deviceKey), "\\Registry\\Machine\\%s", kKey);
  HardwareCaps caps;
  ASSERT_TRUE(caps.readGpuRegistryData(&r));
  EXPECT_STREQ("Version 86.6.0.0", r.biosString);
  EXPECT_EQ(8192, r.registryMemorySizeMB);
  EXPECT_EQ(8192, r.memorySizeMB);
  EXPECT_STREQ("31.0.15.3623", r.driverVersion);
  EXPECT_STREQ("6-14-2023", r.driverDate);
  EXPECT_STREQ("23.6", r.driverPackageVersion);
  EXPECT_STREQ("r535", r.releaseVersion);
  EXPECT_STREQ("GTX", r.adapterString);
  EXPECT_STREQ("nvoglv64.dll", r.openGLDriverName);
  EXPECT_FALSE(r.hasRadeonSoftwareEdition);
}

TEST_F(RegistryFixture, FourByteMemorySizeStringAdapterAndRadeonEdition) {
  DWORD fourGiBLess = 0xC0000000u;  // 3 GiB
  set("HardwareInformation.MemorySize", REG_DWORD, &fourGiBLess, 4);
  setText("HardwareInformation.AdapterString", "AMD Radeon RX 6800 XT");
  setText("RadeonSoftwareEdition", "Adrenalin");
  setText("RadeonSoftwareVersion", "23.7.1");
  setText("Catalyst_Version", "should not be read");
  GpuRecord r;
  r.memorySizeMB = 16384;  // a vendor value stays
  snprintf(r.deviceKey, sizeof(r.deviceKey), "\\Registry\\Machine\\%s", kKey);
  HardwareCaps caps;
  ASSERT_TRUE(caps.readGpuRegistryData(&r));
  EXPECT_EQ(3072, r.registryMemorySizeMB);
  EXPECT_EQ(16384, r.memorySizeMB);
  EXPECT_STREQ("AMD Radeon RX 6800 XT", r.adapterString);
  EXPECT_TRUE(r.hasRadeonSoftwareEdition);
  EXPECT_STREQ("Adrenalin", r.radeonSoftwareEdition);
  EXPECT_STREQ("23.7.1", r.driverPackageVersion);
}

TEST_F(RegistryFixture, OverlongValuesStayTerminatedAndMissingKeysFail) {
  std::string longText(600, 'x');
  setText("DriverVersion", longText.c_str());
  setText("OpenGLDriverName", std::string(127, 'o').c_str());
  GpuRecord r;
  snprintf(r.deviceKey, sizeof(r.deviceKey), "\\Registry\\Machine\\%s", kKey);
  HardwareCaps caps;
  ASSERT_TRUE(caps.readGpuRegistryData(&r));
  EXPECT_LT(strlen(r.driverVersion), sizeof(r.driverVersion));
  EXPECT_EQ(127u, strlen(r.openGLDriverName));

  GpuRecord none;
  snprintf(none.deviceKey, sizeof(none.deviceKey), "\\Registry\\Machine\\System\\Nowhere");
  EXPECT_FALSE(caps.readGpuRegistryData(&none));
  GpuRecord noSystem;
  snprintf(noSystem.deviceKey, sizeof(noSystem.deviceKey), "\\Registry\\Machine\\Software");
  EXPECT_FALSE(caps.readGpuRegistryData(&noSystem));
}

// The primary display device's driver key, found through the adapter class
// keys when the display device list gives no usable key.
TEST_F(RegistryFixture, DriverDataFromTheMatchingClassKey) {
  const char* cls = "SYSTEM\\ControlSet001\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}";
  auto classKey = [&](int i, const char* match, const char* version) {
    char path[256];
    snprintf(path, sizeof(path), "%s\\000%d", cls, i);
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    RegSetValueExA(k, "MatchingDeviceId", 0, REG_SZ, reinterpret_cast<const BYTE*>(match), strlen(match) + 1);
    RegSetValueExA(k, "DriverVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), strlen(version) + 1);
    RegSetValueExA(k, "DriverDate", 0, REG_SZ, reinterpret_cast<const BYTE*>("6-14-2023"), 10);
    RegSetValueExA(k, "Catalyst_Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("23.6"), 5);
    uint64_t eightGiB = 8ull << 30;
    RegSetValueExA(k, "HardwareInformation.MemorySize", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&eightGiB), 8);
    const wchar_t chip[] = L"GeForce GTX 1050 Ti";
    RegSetValueExA(k, "HardwareInformation.ChipType", 0, REG_BINARY, reinterpret_cast<const BYTE*>(chip), sizeof(chip));
    RegCloseKey(k);
  };
  classKey(0, "pci\\ven_8086&dev_9a49", "30.0.1");
  classKey(2, "pci\\ven_10de&dev_1c82&subsys_37511458", "31.0.15.3623");
  classKey(4, "pci\\ven_1002&dev_73bf", "31.0.21023.2010");

  FakeDisplays fake({{"PCI\\VEN_10DE&DEV_1C82", "n", "NVIDIA", "\\Registry\\Machine\\Nowhere"}});
  HardwareCaps nv;
  nv.primaryVendorId = 0x10DE;
  nv.primaryDeviceId = 0x1C82;
  nv.vendorKind = kVendorNvidia;
  ASSERT_TRUE(nv.readDriverRegistryDataNT6());
  EXPECT_STREQ("31.0.15.3623", nv.driverVersion);
  EXPECT_STREQ("6-14-2023", nv.driverDate);
  EXPECT_STREQ("", nv.catalystVersion);  // only read for an AMD primary
  EXPECT_STREQ("GeForce GTX 1050 Ti", nv.chipType);
  EXPECT_EQ(8192u, nv.registryMemoryBytes >> 20);

  // The fifth class key is past the search: nothing found, the default stays.
  HardwareCaps amd;
  amd.primaryVendorId = 0x1002;
  amd.primaryDeviceId = 0x73BF;
  amd.vendorKind = kVendorAmd;
  copyText(amd.driverVersion, kCapsTextSize, "Unknown version");
  EXPECT_FALSE(amd.readDriverRegistryDataNT6());
  EXPECT_STREQ("Unknown version", amd.driverVersion);
}

TEST(FeatureFlagTest, OutOfRangeIndicesAreIgnored) {
  HardwareCaps caps;
  caps.setFeatureFlag(52, true);
  caps.setFeatureFlag(53, true);
  caps.setFeatureFlag(-1, true);
  EXPECT_TRUE(caps.getFeatureFlag(52));
  EXPECT_FALSE(caps.getFeatureFlag(53));
  EXPECT_FALSE(caps.getFeatureFlag(-1));
  EXPECT_FALSE(caps.getFeatureFlag(0));
}

TEST(GlVersionTest, AtLeast) {
  HardwareCaps caps;
  caps.glMajor = 4;
  caps.glMinor = 6;
  EXPECT_TRUE(caps.isGLVersionAtLeast(4, 5));
  caps.glMinor = 4;
  EXPECT_FALSE(caps.isGLVersionAtLeast(4, 5));
  caps.glMinor = 0;
  EXPECT_TRUE(caps.isGLVersionAtLeast(3, 9));
  EXPECT_FALSE(caps.isGLVersionAtLeast(5, 0));
}

}  // namespace
