// Tests of the built-in GPU database: lookups, id-string parsing and the
// readers, run on the real generated tables.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "detect/GpuDatabase.h"
#include "detect/HardwareCaps.h"

namespace {

const int kNvidia = 0x10DE;
const int kAmd = 0x1002;
const int kS3 = 0x5333;
const int kIntel = 0x8086;
const int kVirtio = 0x1AF4;  // a vendor without a table of its own

// ---------------------------------------------------------------- anchor rows

struct AnchorRow {
  int vendor;
  int row;  // -1: find it by the id string below
  const char* idString;
  GpuDatabaseEntry want;
};

const AnchorRow kAnchorRows[] = {
    {kNvidia, 0, nullptr,
     {0x0090, 0, "G70", "7800 GTX", "NVIDIA GeForce 7800 GTX", 90, 0, 8, 24, 24, 16, 81}},
    {kNvidia, -1, "PCI\\VEN_10DE&DEV_1ED0",
     {0x1ED0, 0, "TU104BM", "RTX 2080", "GeForce RTX 2080 Mobile", 110, 2944, 0, 0, 184, 64, 150}},
    {kAmd, 0, nullptr, {-1, 0, "R200", "7500", "RADEON 7500", 80, 0, 0, 2, -1, -1, 0}},
    {kAmd, -1, "PCI\\VEN_1002&DEV_67DF&SUBSYS_0C051002&REV_C7",
     {0x67DF, 0, "Polaris 10", "0C051002", "AMD Radeon RX 480", 110, 2304, 0, 0, 144, 32, 150}},
    {kAmd, -1, "PCI\\VEN_1002&DEV_67FF&SUBSYS_00000000&REV_C0",
     {0x67FF, 0, "Polaris 11", "C0", "AMD Radeon Pro 465", 110, 1024, 0, 0, 64, 16, 80}},
    {kS3, 0, nullptr,
     {0x9042, 0, "Chrome 440/430", "Chrome 440/430", "S3 Graphics Chrome 430/440 Series", 100, 64, 0,
      0, 16, 4, 0}},
    {kIntel, 0, nullptr,
     {0x4680, 0, "Alder Lake (GT1)", "", "Intel UHD Graphics 770", 110, 256, 0, 0, 16, 8, 15}},
    {kVirtio, 0, nullptr, {-1, 0, "S315", "SIS 315", "SiS S315", -1, -1, -1, -1, -1, -1, 0}},
};

TEST(GpuDatabaseAnchors, TellingRowsHoldExactlyTheirValues) {
  for (const AnchorRow& a : kAnchorRows) {
    const int row = a.row >= 0 ? a.row : findGpuDatabaseRowFromIdString(a.idString, nullptr);
    SCOPED_TRACE(a.want.fullName);
    const GpuDatabaseEntry* e = gpuDatabaseRow(a.vendor, row);
    ASSERT_NE(nullptr, e);
    EXPECT_EQ(a.want.deviceId, e->deviceId);
    EXPECT_EQ(0, e->reserved);
    EXPECT_STREQ(a.want.codename, e->codename);
    EXPECT_STREQ(a.want.shortName, e->shortName);
    EXPECT_STREQ(a.want.fullName, e->fullName);
    EXPECT_EQ(a.want.apiLevelX10, e->apiLevelX10);
    EXPECT_EQ(a.want.unifiedShaders, e->unifiedShaders);
    EXPECT_EQ(a.want.vertexShaders, e->vertexShaders);
    EXPECT_EQ(a.want.pixelShaders, e->pixelShaders);
    EXPECT_EQ(a.want.tmus, e->tmus);
    EXPECT_EQ(a.want.rops, e->rops);
    EXPECT_EQ(a.want.tdpWatts, e->tdpWatts);
  }
}

TEST(GpuDatabaseAnchors, EveryTableEndsWithAnAllZeroRowThatNoReaderReaches) {
  for (int vendor : {kNvidia, kAmd, kS3, kIntel, kVirtio}) {
    int count = 0;
    const GpuDatabaseEntry* table = gpuDatabaseTable(vendor, &count);
    ASSERT_NE(nullptr, table);
    const GpuDatabaseEntry& end = table[count];
    EXPECT_EQ(0, end.deviceId);
    EXPECT_EQ(nullptr, end.codename);
    EXPECT_EQ(nullptr, end.fullName);
    EXPECT_EQ(0, end.unifiedShaders + end.vertexShaders + end.pixelShaders + end.tmus + end.rops +
                     end.tdpWatts + end.apiLevelX10);
    EXPECT_EQ(nullptr, gpuDatabaseRow(vendor, count));
    EXPECT_STREQ("Unknown", getGpuDatabaseFullName(vendor, count));
    EXPECT_EQ(0, getGpuDatabaseVertexShaders(vendor, count));
  }
}

// Every row must be usable by the readers and reachable by the lookups.
TEST(GpuDatabaseData, RowsAreWellFormed) {
  for (int vendor : {kNvidia, kAmd, kS3, kIntel, kVirtio}) {
    int count = 0;
    const GpuDatabaseEntry* table = gpuDatabaseTable(vendor, &count);
    for (int i = 0; i < count; ++i) {
      const GpuDatabaseEntry& e = table[i];
      SCOPED_TRACE(testing::Message() << std::hex << vendor << " row " << std::dec << i);
      ASSERT_TRUE(e.codename && e.shortName && e.fullName);
      EXPECT_EQ(0, e.reserved);
      EXPECT_TRUE(e.deviceId == -1 || (e.deviceId > 0 && e.deviceId <= 0xFFFF));
      EXPECT_TRUE(e.apiLevelX10 == -1 || e.apiLevelX10 == 80 || e.apiLevelX10 == 90 ||
                  e.apiLevelX10 == 100 || e.apiLevelX10 == 110);
      if (e.unifiedShaders > 0) {
        EXPECT_EQ(0, e.vertexShaders);
        EXPECT_EQ(0, e.pixelShaders);
      }
      if (vendor == kVirtio) {
        EXPECT_EQ(-1, e.deviceId);
      }
    }
  }
}

// A shared AMD id is found only through its subsystem or revision text, so
// each of its rows must carry one of those (or be the catch-all).
TEST(GpuDatabaseData, SharedAmdRowsCarryAChoosingText) {
  const int shared[] = {0x67DF, 0x67FF, 0x6798, 0x73BF, 0x731F, 0x7300, 0x687F};
  int count = 0;
  const GpuDatabaseEntry* table = gpuDatabaseTable(kAmd, &count);
  for (int id : shared) {
    for (int i = 0; i < count; ++i) {
      if (table[i].deviceId != id) continue;
      const size_t len = std::strlen(table[i].shortName);
      EXPECT_TRUE(len == 8 || len == 2) << std::hex << id << " row " << std::dec << i;
    }
  }
}

// ---------------------------------------------------------------- plain lookup

struct PlainCase {
  int vendor;
  int device;
  const char* codename;  // null: no row
};

const PlainCase kPlainCases[] = {
    {kNvidia, 0x2684, "AD102"},
    {kNvidia, 0x0090, "G70"},
    {kNvidia, 0x1ED0, "TU104BM"},
    {kAmd, 0x744C, "Navi 31"},
    {kIntel, 0x9A49, "Tiger Lake (GT2)"},
    {kIntel, 0x4680, "Alder Lake (GT1)"},
    {kS3, 0x9042, "Chrome 440/430"},
    {kVirtio, 0x1050, nullptr},
    {kAmd, -1, nullptr},          // rows of unknown id are never found
    {kVirtio, -1, nullptr},       // nor the other vendors' rows
    {kNvidia, 0, nullptr},        // the terminating row is not a GPU
    {kNvidia, 0x12684, nullptr},  // ids are 16 bits: no masking
    {kNvidia, 0xFFFF, nullptr},
    {-1, 0x2684, nullptr},        // no parsed vendor
};

TEST(GpuDatabaseLookup, PlainLookupCases) {
  for (const PlainCase& c : kPlainCases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.vendor << ":" << c.device);
    const int row = findGpuDatabaseRow(c.vendor, c.device);
    if (!c.codename) {
      EXPECT_EQ(-1, row);
      continue;
    }
    ASSERT_GE(row, 0);
    EXPECT_STREQ(c.codename, getGpuDatabaseCodename(c.vendor, row));
    EXPECT_EQ(c.device, gpuDatabaseRow(c.vendor, row)->deviceId);
  }
}

TEST(GpuDatabaseLookup, FirstRowOfADeviceWins) {
  const int row = findGpuDatabaseRow(kAmd, 0x67DF);
  ASSERT_GE(row, 0);
  int count = 0;
  const GpuDatabaseEntry* table = gpuDatabaseTable(kAmd, &count);
  for (int i = 0; i < row; ++i) EXPECT_NE(0x67DF, table[i].deviceId);
  EXPECT_STREQ("0C051002", table[row].shortName);
}

TEST(GpuDatabaseLookup, RealBoardsGiveTheirPublishedUnits) {
  const int row = findGpuDatabaseRow(kNvidia, 0x2684);
  EXPECT_STREQ("NVIDIA GeForce RTX 4090", getGpuDatabaseFullName(kNvidia, row));
  EXPECT_EQ(16384, getGpuDatabaseUnifiedShaders(kNvidia, row));
  EXPECT_EQ(512, getGpuDatabaseTMUs(kNvidia, row));
  EXPECT_EQ(176, getGpuDatabaseROPs(kNvidia, row));
  EXPECT_EQ(450, getGpuDatabaseTDP(kNvidia, row));
  EXPECT_EQ(0, getGpuDatabaseVertexShaders(kNvidia, row));

  const int intel = findGpuDatabaseRow(kIntel, 0x9A49);
  EXPECT_STREQ("Intel Iris Xe Graphics", getGpuDatabaseFullName(kIntel, intel));
  EXPECT_EQ(768, getGpuDatabaseUnifiedShaders(kIntel, intel));

  const int amd = findGpuDatabaseRowFromIdString("PCI\\VEN_1002&DEV_73BF&SUBSYS_0E3A1002&REV_C0", nullptr);
  ASSERT_GE(amd, 0);
  EXPECT_STREQ("AMD Radeon RX 6900 XT", getGpuDatabaseFullName(kAmd, amd));
  EXPECT_EQ(5120, getGpuDatabaseUnifiedShaders(kAmd, amd));
  EXPECT_EQ(128, getGpuDatabaseROPs(kAmd, amd));
}

// ---------------------------------------------------------------- id strings

struct IdStringCase {
  const char* name;
  const char* idString;
  int vendor;            // table the found row belongs to
  const char* fullName;  // null: -1 expected
};

const IdStringCase kIdStringCases[] = {
    {"subsystem text picks the shared AMD row", "PCI\\VEN_1002&DEV_67DF&SUBSYS_0C051002&REV_C7", kAmd,
     "AMD Radeon RX 480"},
    {"pci.ids board of a shared id", "PCI\\VEN_1002&DEV_67DF&SUBSYS_34181462&REV_E7", kAmd,
     "AMD Radeon RX 580"},
    {"revision text picks the shared AMD row", "PCI\\VEN_1002&DEV_67FF&SUBSYS_00000000&REV_C0", kAmd,
     "AMD Radeon Pro 465"},
    {"shared id, no text matches, no catch-all", "PCI\\VEN_1002&DEV_67DF&SUBSYS_FFFF1002&REV_00", kAmd,
     nullptr},
    {"texts compare case-sensitively", "PCI\\VEN_1002&DEV_67FF&SUBSYS_12341234&REV_c0", kAmd, nullptr},
    {"shared id without SUBSYS_ and REV_", "PCI\\VEN_1002&DEV_67DF", kAmd, nullptr},
    {"unshared AMD id ignores the subsystem text", "PCI\\VEN_1002&DEV_744C&SUBSYS_12345678&REV_C8", kAmd,
     "AMD Radeon RX 7900 XT/7900 XTX"},
    {"NVIDIA without subsystem and revision", "PCI\\VEN_10DE&DEV_1ED0", kNvidia, "GeForce RTX 2080 Mobile"},
    {"NVIDIA with every field", "PCI\\VEN_10DE&DEV_2684&SUBSYS_16F110DE&REV_A1", kNvidia,
     "NVIDIA GeForce RTX 4090"},
    {"lower-case hex digits", "PCI\\VEN_10de&DEV_2684", kNvidia, "NVIDIA GeForce RTX 4090"},
    {"Intel", "PCI\\VEN_8086&DEV_4680&SUBSYS_7D141462&REV_0C", kIntel, "Intel UHD Graphics 770"},
    {"S3", "PCI\\VEN_5333&DEV_9042", kS3, "S3 Graphics Chrome 430/440 Series"},
    {"vendor without a table", "PCI\\VEN_1AF4&DEV_1050&SUBSYS_11001AF4&REV_01", kVirtio, nullptr},
    {"device 0 is not a GPU", "PCI\\VEN_10DE&DEV_0000", kNvidia, nullptr},
    {"no VEN_", "PCI\\DEV_1ED0&SUBSYS_00000000", kNvidia, nullptr},
    {"no DEV_", "PCI\\VEN_10DE&SUBSYS_00000000", kNvidia, nullptr},
    {"truncated vendor", "PCI\\VEN_10", kNvidia, nullptr},
    {"truncated device", "PCI\\VEN_10DE&DEV_1E", kNvidia, nullptr},
    {"non-hex device", "PCI\\VEN_10DE&DEV_1EZ0", kNvidia, nullptr},
    {"empty string", "", kNvidia, nullptr},
    {"null string", nullptr, kNvidia, nullptr},
};

TEST(GpuDatabaseIdString, Cases) {
  for (const IdStringCase& c : kIdStringCases) {
    SCOPED_TRACE(c.name);
    const int row = findGpuDatabaseRowFromIdString(c.idString, nullptr);
    if (!c.fullName) {
      EXPECT_EQ(-1, row);
      continue;
    }
    ASSERT_GE(row, 0);
    EXPECT_STREQ(c.fullName, getGpuDatabaseFullName(c.vendor, row));
  }
}

TEST(GpuDatabaseIdString, ZeroIdsOfTheRecordAreFilledAndSetOnesKept) {
  GpuIdFields rec;
  rec.deviceId = 0x1234;  // already known: kept
  rec.subsysVendorId = 0x1043;
  const int row = findGpuDatabaseRowFromIdString("PCI\\VEN_1002&DEV_67DF&SUBSYS_0C051002&REV_C7", &rec);
  EXPECT_GE(row, 0);  // the lookup uses the string's ids, not the record's
  EXPECT_EQ(0x1002, rec.vendorId);
  EXPECT_EQ(0x1234, rec.deviceId);
  EXPECT_EQ(0x1043, rec.subsysVendorId);
  EXPECT_EQ(0x0C05, rec.subsysDeviceId);
  EXPECT_EQ(0xC7, rec.revisionId);
  EXPECT_STREQ("C7", rec.revisionText);

  GpuIdFields withText;
  std::strcpy(withText.revisionText, "A1");
  findGpuDatabaseRowFromIdString("PCI\\VEN_10DE&DEV_2684&SUBSYS_16F110DE&REV_C2", &withText);
  EXPECT_STREQ("A1", withText.revisionText);
  EXPECT_EQ(0xC2, withText.revisionId);
}

TEST(GpuDatabaseIdString, MissingSubsystemAndRevisionLeaveThoseIdsAlone) {
  GpuIdFields rec;
  rec.subsysDeviceId = 0x3751;
  EXPECT_GE(findGpuDatabaseRowFromIdString("PCI\\VEN_10DE&DEV_1ED0", &rec), 0);
  EXPECT_EQ(0x10DE, rec.vendorId);
  EXPECT_EQ(0x1ED0, rec.deviceId);
  EXPECT_EQ(0x3751, rec.subsysDeviceId);
  EXPECT_EQ(0, rec.subsysVendorId);
  EXPECT_EQ(0, rec.revisionId);
  EXPECT_STREQ("", rec.revisionText);
}

TEST(GpuDatabaseIdString, RecordIsFilledEvenWhenNoRowIsFound) {
  GpuIdFields rec;
  EXPECT_EQ(-1, findGpuDatabaseRowFromIdString("PCI\\VEN_1AF4&DEV_1050&SUBSYS_11001AF4&REV_01", &rec));
  EXPECT_EQ(0x1AF4, rec.vendorId);
  EXPECT_EQ(0x1050, rec.deviceId);
  EXPECT_EQ(0x1AF4, rec.subsysVendorId);
  EXPECT_EQ(0x1100, rec.subsysDeviceId);
  EXPECT_STREQ("01", rec.revisionText);
}

TEST(GpuDatabaseIdString, UnusableStringsLeaveTheRecordUntouched) {
  for (const char* s : {static_cast<const char*>(nullptr), "PCI\\DEV_1ED0&REV_A1", "PCI\\VEN_10DE&REV_A1",
                        "PCI\\VEN_10DE&DEV_1E", "PCI\\VEN_1G00&DEV_1ED0"}) {
    GpuIdFields rec;
    EXPECT_EQ(-1, findGpuDatabaseRowFromIdString(s, &rec)) << (s ? s : "(null)");
    EXPECT_EQ(0, rec.vendorId);
    EXPECT_EQ(0, rec.deviceId);
    EXPECT_EQ(0, rec.revisionId);
    EXPECT_STREQ("", rec.revisionText);
  }
}

TEST(GpuDatabaseIdString, MalformedSubsystemAndRevisionCountAsAbsent) {
  GpuIdString ids;
  ASSERT_TRUE(parseGpuIdString("PCI\\VEN_10DE&DEV_2684&SUBSYS_16F1&REV_A", &ids));
  EXPECT_EQ(0x2684, ids.deviceId);
  EXPECT_STREQ("", ids.subsysText);
  EXPECT_EQ(0, ids.subsysDeviceId);
  EXPECT_EQ(0, ids.subsysVendorId);
  EXPECT_STREQ("", ids.revisionText);
  EXPECT_EQ(0, ids.revisionId);

  ASSERT_TRUE(parseGpuIdString("PCI\\VEN_10DE&DEV_2684&SUBSYS_16F1XYZW&REV_A1", &ids));
  EXPECT_STREQ("", ids.subsysText);
  EXPECT_STREQ("A1", ids.revisionText);
}

// The largest subsystem value is a value like any other, not a failure mark.
TEST(GpuDatabaseIdString, AllOnesSubsystemIsRead) {
  GpuIdString ids;
  ASSERT_TRUE(parseGpuIdString("PCI\\VEN_1002&DEV_67DF&SUBSYS_FFFFFFFF&REV_C7", &ids));
  EXPECT_STREQ("FFFFFFFF", ids.subsysText);
  EXPECT_EQ(0xFFFF, ids.subsysDeviceId);
  EXPECT_EQ(0xFFFF, ids.subsysVendorId);
  EXPECT_EQ(0xC7, ids.revisionId);
}

// A truncated id string at the very end of readable memory: the parser must
// stop at the terminator instead of reading the fixed field width.
TEST(GpuDatabaseIdString, TruncatedStringAtThePageEndIsNotReadPast) {
  SYSTEM_INFO si;
  GetSystemInfo(&si);
  const size_t page = si.dwPageSize;
  char* base = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(nullptr, base);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(base + page, page, PAGE_NOACCESS, &old));
  for (const char* s : {"PCI\\VEN_10DE&DEV_1E", "PCI\\VEN_10DE&DEV_1ED0&SUBSYS_1", "PCI\\VEN_1002&DEV_67DF&REV_C",
                        "PCI\\VEN_1"}) {
    const size_t n = std::strlen(s) + 1;
    char* at = base + page - n;
    std::memcpy(at, s, n);
    GpuIdFields rec;
    const int row = findGpuDatabaseRowFromIdString(at, &rec);
    if (std::strstr(s, "DEV_1ED0") != nullptr) {
      EXPECT_GE(row, 0) << s;
      EXPECT_EQ(0, rec.subsysDeviceId) << s;
    } else {
      EXPECT_EQ(-1, row) << s;
    }
  }
  VirtualFree(base, 0, MEM_RELEASE);
}

// ---------------------------------------------------------------- readers

TEST(GpuDatabaseReaders, NoRowGivesUnknownAndZero) {
  int nvidiaRows = 0;
  gpuDatabaseTable(kNvidia, &nvidiaRows);
  struct {
    int vendor;
    int row;
  } cases[] = {{kNvidia, -1}, {kVirtio, -1}, {kAmd, -2}, {kNvidia, nvidiaRows}, {kIntel, 0x7FFFFFFF},
               {kS3, -0x7FFFFFFF - 1}, {kVirtio, 1000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.vendor << " row " << std::dec << c.row);
    EXPECT_STREQ("Unknown", getGpuDatabaseFullName(c.vendor, c.row));
    EXPECT_STREQ("Unknown", getGpuDatabaseCodename(c.vendor, c.row));
    EXPECT_STREQ("Unknown", getPrimaryGpuDatabaseFullName(c.vendor, 0x68F9, 0x2126, c.row));
    EXPECT_EQ(0, getGpuDatabaseUnifiedShaders(c.vendor, c.row));
    EXPECT_EQ(0, getGpuDatabaseVertexShaders(c.vendor, c.row));
    EXPECT_EQ(0, getGpuDatabasePixelShaders(c.vendor, c.row));
    EXPECT_EQ(0, getGpuDatabaseTMUs(c.vendor, c.row));
    EXPECT_EQ(0, getGpuDatabaseROPs(c.vendor, c.row));
    EXPECT_EQ(0, getGpuDatabaseTDP(c.vendor, c.row));
    EXPECT_EQ(0, getGpuDatabaseUnifiedShadersAsStored(c.vendor, c.row));
    EXPECT_EQ(0, getGpuDatabaseTMUsAsStored(c.vendor, c.row));
    EXPECT_EQ(0, getGpuDatabaseROPsAsStored(c.vendor, c.row));
    EXPECT_EQ(0, getGpuDatabaseTDPAsStored(c.vendor, c.row));
  }
}

TEST(GpuDatabaseReaders, UnknownValuesAreZeroPerVendorAndAsStoredForThePrimary) {
  // A mobile board: board power not known (-1).
  const int mobile = findGpuDatabaseRow(kNvidia, 0x1F10);
  ASSERT_GE(mobile, 0);
  EXPECT_EQ(-1, gpuDatabaseRow(kNvidia, mobile)->tdpWatts);
  EXPECT_EQ(0, getGpuDatabaseTDP(kNvidia, mobile));
  EXPECT_EQ(-1, getGpuDatabaseTDPAsStored(kNvidia, mobile));
  EXPECT_EQ(2304, getGpuDatabaseUnifiedShaders(kNvidia, mobile));

  // The AMD first row: no unified shaders, TMUs and ROPs unknown.
  EXPECT_EQ(0, getGpuDatabaseUnifiedShaders(kAmd, 0));
  EXPECT_EQ(0, getGpuDatabaseTMUs(kAmd, 0));
  EXPECT_EQ(-1, getGpuDatabaseTMUsAsStored(kAmd, 0));
  EXPECT_EQ(0, getGpuDatabaseROPs(kAmd, 0));
  EXPECT_EQ(-1, getGpuDatabaseROPsAsStored(kAmd, 0));
  EXPECT_EQ(2, getGpuDatabasePixelShaders(kAmd, 0));

  // Other vendors, reached with an index of the caller's own.
  EXPECT_STREQ("SiS S315", getGpuDatabaseFullName(kVirtio, 0));
  EXPECT_EQ(-1, getGpuDatabaseVertexShaders(kVirtio, 0));  // vertex and pixel as stored
  EXPECT_EQ(-1, getGpuDatabasePixelShaders(kVirtio, 0));
  EXPECT_EQ(0, getGpuDatabaseUnifiedShaders(kVirtio, 0));
  EXPECT_EQ(-1, getGpuDatabaseUnifiedShadersAsStored(kVirtio, 0));

  // Pre-unified G70: vertex and pixel shaders.
  EXPECT_EQ(8, getGpuDatabaseVertexShaders(kNvidia, 0));
  EXPECT_EQ(24, getGpuDatabasePixelShaders(kNvidia, 0));
  EXPECT_EQ(81, getGpuDatabaseTDPAsStored(kNvidia, 0));
}

TEST(GpuDatabaseReaders, PrimaryFullNameSpecialCaseForRadeonHd6350) {
  const int row = findGpuDatabaseRow(kAmd, 0x68F9);
  ASSERT_GE(row, 0);
  const std::string stored = getGpuDatabaseFullName(kAmd, row);
  ASSERT_NE("ATI Radeon HD 6350", stored);
  EXPECT_STREQ("ATI Radeon HD 6350", getPrimaryGpuDatabaseFullName(kAmd, 0x68F9, 0x2126, row));
  EXPECT_EQ(stored, getPrimaryGpuDatabaseFullName(kAmd, 0x68F9, 0x2127, row));
  EXPECT_EQ(stored, getPrimaryGpuDatabaseFullName(kAmd, 0x68F8, 0x2126, row));
  // The free reader has no special case.
  EXPECT_EQ(stored, getGpuDatabaseFullName(kAmd, row));
  // Another vendor's row at that index is not touched by the rule.
  EXPECT_STREQ(getGpuDatabaseFullName(kNvidia, row), getPrimaryGpuDatabaseFullName(kNvidia, 0x68F9, 0x2126, row));
  // Rows of other devices keep their names.
  const int other = findGpuDatabaseRow(kAmd, 0x744C);
  EXPECT_STREQ(getGpuDatabaseFullName(kAmd, other), getPrimaryGpuDatabaseFullName(kAmd, 0x744C, 0x2126, other));
}

// ---------------------------------------------------------------- CPU-name rule

TEST(GpuDatabaseShaderCores, CpuClassCases) {
  struct {
    const char* name;
    int cls;
  } cases[] = {{"11th Gen Intel(R) Core(TM) i3-1115G4 @ 3.00GHz", 3},
               {"11th Gen Intel(R) Core(TM) i5-1135G7 @ 2.40GHz", 5},
               {"11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz", 7},
               {"11th Gen Intel(R) Core(TM) i9-11980HK @ 2.60GHz", 9},
               {"Intel(R) Pentium(R) Gold 7505 @ 2.00GHz", 0},
               {"AMD Ryzen 7 5800X 8-Core Processor", 0},
               {"", 0},
               {nullptr, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.cls, cpuClassFromName(c.name)) << (c.name ? c.name : "(null)");
  }
}

TEST(GpuDatabaseShaderCores, TigerLakeCountFollowsTheCpuClass) {
  EXPECT_EQ(384, getGpuDatabaseShaderCores(kIntel, 0x9A49, "11th Gen Intel(R) Core(TM) i3-1115G4"));
  EXPECT_EQ(640, getGpuDatabaseShaderCores(kIntel, 0x9A49, "11th Gen Intel(R) Core(TM) i5-1135G7"));
  EXPECT_EQ(768, getGpuDatabaseShaderCores(kIntel, 0x9A49, "11th Gen Intel(R) Core(TM) i7-1165G7"));
  EXPECT_EQ(768, getGpuDatabaseShaderCores(kIntel, 0x9A49, "11th Gen Intel(R) Core(TM) i9-11980HK"));
  EXPECT_EQ(768, getGpuDatabaseShaderCores(kIntel, 0x9A49, "Intel(R) Celeron(R) 6305"));
  EXPECT_EQ(768, getGpuDatabaseShaderCores(kIntel, 0x9A49, nullptr));
}

TEST(GpuDatabaseShaderCores, RuleAppliesOnlyToTheTigerLakeDevice) {
  EXPECT_EQ(256, getGpuDatabaseShaderCores(kIntel, 0x4680, "Intel(R) Core(TM) i3-12100"));
  EXPECT_EQ(16384, getGpuDatabaseShaderCores(kNvidia, 0x2684, "Intel(R) Core(TM) i5-13600K"));
  EXPECT_EQ(0, getGpuDatabaseShaderCores(kNvidia, 0x0090, "Intel(R) Core(TM) i5-13600K"));  // 0 stored
  EXPECT_EQ(0, getGpuDatabaseShaderCores(kVirtio, 0x1050, "i5"));
  EXPECT_EQ(0, getGpuDatabaseShaderCores(kIntel, -1, "i5"));
}

}  // namespace

namespace {

// ---------------------------------------------------------------- boards of a shared AMD id

// An AMD device id that several boards share does not name a board by itself:
// the shader count and the TDP are the board's own row's when the id string
// picks it, and unknown (0) otherwise, never the values of another board.
TEST(GpuDatabaseBoards, SharedAmdIdsGiveTheBoardsOwnValuesOrNone) {
  const struct {
    const char* what;
    int vendor, device, subsysDevice, subsysVendor;
    const char* idString;
    int shaders, tdp;
  } cases[] = {
      {"RX 470 by its id string", kAmd, 0x67DF, 0, 0, "PCI\\VEN_1002&DEV_67DF&SUBSYS_04B01043&REV_C7", 2048, 120},
      {"RX 590 by its id string", kAmd, 0x67DF, 0, 0, "PCI\\VEN_1002&DEV_67DF&SUBSYS_056A1043&REV_E1", 2304, 225},
      {"RX 590 by its subsystem ids", kAmd, 0x67DF, 0x056A, 0x1043, "", 2304, 225},
      {"a board the database lacks", kAmd, 0x67DF, 0, 0, "PCI\\VEN_1002&DEV_67DF&SUBSYS_DEADBEEF&REV_C7", 0, 0},
      {"a board the database lacks, by ids", kAmd, 0x67DF, 0xDEAD, 0xBEEF, "", 0, 0},
      {"shared id alone", kAmd, 0x67DF, 0, 0, "", 0, 0},
      {"shared id of one known board, alone", kAmd, 0x67EF, 0, 0, "", 0, 0},
      {"id of one board", kNvidia, 0x1C82, 0, 0, "", 768, 75},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    GpuRecord r;
    r.vendorId = c.vendor;
    r.deviceId = c.device;
    r.subsysDeviceId = c.subsysDevice;
    r.subsysVendorId = c.subsysVendor;
    snprintf(r.deviceIdString, sizeof(r.deviceIdString), "%s", c.idString);
    FillRecordFromGpuDatabase(&r);
    EXPECT_EQ(c.shaders, GpuDatabaseShaderCores(&r, ""));
    EXPECT_EQ(c.tdp, GpuDatabaseValue(&r, kGpuDbTdp));
    EXPECT_EQ(c.tdp, r.tdpWatts);
    if (c.idString[0] == '\0' && c.subsysDevice == 0) {
      EXPECT_EQ(c.shaders, getGpuDatabaseShaderCores(c.vendor, c.device, ""));
    }
  }
}

}  // namespace
