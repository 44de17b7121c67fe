#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>

#include "app/Log.h"
#include "detect/HardwareCaps.h"
#include "detect/Scanrik.h"

namespace {

TEST(OsNameTest, NamesFromVersionFacts) {
  const BYTE ws = VER_NT_WORKSTATION, srv = VER_NT_SERVER;
  const DWORD nt = VER_PLATFORM_WIN32_NT, w9x = VER_PLATFORM_WIN32_WINDOWS;
  struct Case {
    DWORD platform, major, minor, build;
    BYTE type;
    int r2;
    const char* shortName;
    const char* longName;
  } cases[] = {
      {VER_PLATFORM_WIN32s, 3, 10, 0, ws, 0, "Windows 3.1", "Windows 3.1x"},
      {w9x, 4, 0, 1111, ws, 0, "Windows 95", "Windows 95 OSR2"},
      {w9x, 4, 0, 1213, ws, 0, "Windows 95", "Windows 95 OSR2.1"},
      {w9x, 4, 0, 1300, ws, 0, "Windows 95", "Windows 95 OSR2.5"},
      {w9x, 4, 10, 2100, ws, 0, "Windows 98", "Windows 98 SP1"},
      {w9x, 4, 10, 2222, ws, 0, "Windows 98", "Windows 98 SE"},
      {w9x, 4, 90, 3000, ws, 0, "Windows Me", "Windows Me"},
      {nt, 4, 0, 1381, ws, 0, "Windows NT4.x", "Windows NT4.0 build 1381 [SP6]"},
      {nt, 5, 1, 2600, ws, 0, "Windows XP 32-bit", "Windows XP 32-bit build 2600 [SP6]"},
      {nt, 5, 2, 3790, srv, 1, "Windows Server 2003 R2 32-bit", "Windows Server 2003 R2 32-bit build 3790 [SP6]"},
      {nt, 6, 0, 6002, srv, 0, "Windows Server 2008 32-bit", "Windows Server 2008 32-bit build 6002 [SP6]"},
      {nt, 6, 1, 7601, ws, 0, "Windows 7 32-bit", "Windows 7 32-bit build 7601 [SP6]"},
      {nt, 6, 3, 9600, srv, 0, "Windows 8.1 Server 32-bit", "Windows 8.1 Server 32-bit build 9600"},
      {nt, 6, 4, 9800, ws, 0, "Windows post-Win8 32-bit", "Windows post-Win8 32-bit ver.6.4 build 9800"},
      {nt, 10, 0, 19045, ws, 0, "Windows 10 32-bit", "Windows 10 32-bit build 19045"},
      {nt, 10, 0, 20348, srv, 0, "Windows Server 10 32-bit", "Windows Server 10 32-bit build 20348"},
      {nt, 10, 0, 22631, ws, 0, "Windows 11 32-bit", "Windows 11 32-bit build 22631"},
      {nt, 10, 1, 22631, ws, 0, "Windows 11 or greater 32-bit", "Windows 11 or greater 32-bit ver.10.1 build 22631"},
      {nt, 10, 1, 19000, ws, 0, "Windows 10 or greater 32-bit", "Windows 10 or greater 32-bit ver.10.1 build 19000"},
      {nt, 12, 0, 30000, ws, 0, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.longName);
    OsVersionFacts f = {c.platform, c.major, c.minor, c.build, c.type, c.r2, 32, "SP6"};
    char s[128], l[128];
    formatOsName(f, s, sizeof(s), l, sizeof(l));
    EXPECT_STREQ(c.shortName, s);
    EXPECT_STREQ(c.longName, l);
  }
}

TEST(OsNameTest, ThisBuildReportsItsOwnWidth) {
  HardwareCaps caps;
  caps._queryOSName();
  const char* expected = sizeof(void*) == 8 ? "64-bit" : "32-bit";
  EXPECT_NE(nullptr, strstr(caps.osShortName, expected)) << caps.osShortName;
  EXPECT_STRNE("", caps.osServicePack);
}

// Canned CPUID answers by leaf.
std::map<uint32_t, std::array<uint32_t, 4>> g_leaves;
bool cannedCpuid(uint32_t leaf, uint32_t regs[4]) {
  auto it = g_leaves.find(leaf);
  for (int i = 0; i < 4; ++i) regs[i] = it == g_leaves.end() ? 0 : it->second[i];
  return true;
}
bool noCpuid(uint32_t, uint32_t*) { return false; }

uint32_t text4(const char* s) {
  uint32_t v;
  memcpy(&v, s, 4);
  return v;
}

TEST(CpuInfoTest, DecodesIntelRegisters) {
  g_leaves.clear();
  g_leaves[0] = {0x16, text4("Genu"), text4("ntel"), text4("ineI")};
  // Family 6, model 0xA (ext 9), stepping 5; HT bit, 12 logical, MMX/SSE/SSE2, SSE3.
  g_leaves[1] = {0x000906A5u, 12u << 16, 0x41u, (1u << 23) | (1u << 25) | (1u << 26) | (1u << 28)};
  g_leaves[4] = {(5u << 26), 0, 0, 0};  // 6 cores
  g_leaves[0x80000000u] = {0x80000008u, 0, 0, 0};
  SetCpuidSource(cannedCpuid);
  HardwareCaps caps;
  EXPECT_TRUE(caps._queryCPUInfo());
  SetCpuidSource(nullptr);
  EXPECT_EQ(1, caps.cpuVendor);
  EXPECT_EQ(6, caps.cpuFamily);
  EXPECT_EQ(0xA, caps.cpuModel);
  EXPECT_EQ(5, caps.cpuStepping);
  EXPECT_EQ(9, caps.cpuExtModel);
  EXPECT_EQ(6, caps.cpuCoresPerPackage);
  EXPECT_EQ(1, caps.hasMmx);
  EXPECT_EQ(1, caps.hasSse2);
  EXPECT_EQ(1, caps.hasSse3);
  EXPECT_EQ(1, caps.hasLeaf1Ecx6);
  EXPECT_EQ(0, caps.hasTwoCores);
  EXPECT_GT(caps.cpuLogicalProcessors, 0);
  EXPECT_STRNE("", caps.osName);
}

TEST(CpuInfoTest, DecodesAmdRegistersAndNoCpuid) {
  g_leaves.clear();
  g_leaves[0] = {0x10, text4("Auth"), text4("cAMD"), text4("enti")};
  g_leaves[1] = {0x00A20F10u, 0, 0, (1u << 23)};
  g_leaves[0x80000000u] = {0x80000008u, 0, 0, 0};
  g_leaves[0x80000001u] = {0x00A20F12u, 0, 0, 0};
  g_leaves[0x80000008u] = {0, 0, 0x1u, 0};  // 2 cores
  SetCpuidSource(cannedCpuid);
  HardwareCaps amd;
  EXPECT_TRUE(amd._queryCPUInfo());
  EXPECT_EQ(2, amd.cpuVendor);
  EXPECT_EQ(2, amd.cpuCoresPerPackage);
  EXPECT_EQ(1, amd.hasTwoCores);
  EXPECT_EQ(0xA, amd.cpuExtFamily);
  EXPECT_EQ(2, amd.cpuExtStepping);

  SetCpuidSource(noCpuid);
  HardwareCaps none;
  EXPECT_FALSE(none._queryCPUInfo());
  EXPECT_STREQ("", none.cpuName);
  EXPECT_STREQ("", none.osName);
  SetCpuidSource(nullptr);
}

TEST(VendorNameTest, BoardMakers) {
  EXPECT_STREQ("Sapphire", vendorNameFromPciId(0x1DA2));
  EXPECT_STREQ("Sapphire", vendorNameFromPciId(0x174B));
  EXPECT_STREQ("NVIDIA", vendorNameFromPciId(0x10DE));
  EXPECT_STREQ("EVGA", vendorNameFromPciId(0x3842));
  EXPECT_STREQ("Intel", vendorNameFromPciId(0x8086));
  EXPECT_STREQ("unknown", vendorNameFromPciId(0x1234));
  EXPECT_STREQ("unknown", vendorNameFromPciId(-1));
}

TEST(SmallUtilitiesTest, Arithmetic) {
  EXPECT_EQ(4, DivRoundUp(7, 2));
  EXPECT_EQ(-2, DivRoundUp(-7, 2));
  EXPECT_EQ(3, DivRoundUp(6, 2));
  EXPECT_EQ(0, DivRoundUp(5, 0));  // no division by zero
  EXPECT_EQ(48u, RoundUpToMultiple(16, 33));
  EXPECT_EQ(32u, RoundUpToMultiple(16, 32));
  EXPECT_EQ(7u, RoundUpToMultiple(0, 7));
  EXPECT_FLOAT_EQ(212.0f, CelsiusToFahrenheit(100.0f));
  EXPECT_FLOAT_EQ(-40.0f, CelsiusToFahrenheit(-40.0f));
  OpenWithShell("");  // nothing happens
  OpenWithShell(nullptr);
}

}  // namespace
