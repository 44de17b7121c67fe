// CPU, memory and operating-system facts of the hardware object.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "detect/HardwareCaps.h"

namespace {

bool cpuid(CpuidFn fn, uint32_t leaf, uint32_t r[4]) {
  r[0] = r[1] = r[2] = r[3] = 0;
  return fn(leaf, r);
}

}  // namespace


bool HardwareCaps::_queryCPUInfo() {
  CpuidFn fn = CurrentCpuidSource();
  uint32_t r[4];
  if (!cpuid(fn, 0, r)) return false;
  uint32_t maxLeaf = r[0];
  char vendor[13];
  memcpy(vendor, &r[1], 4);
  memcpy(vendor + 4, &r[3], 4);
  memcpy(vendor + 8, &r[2], 4);
  vendor[12] = '\0';
  cpuVendor = strcmp(vendor, "GenuineIntel") == 0 ? 1 : strcmp(vendor, "AuthenticAMD") == 0 ? 2 : 3;

  cpuid(fn, 0x80000000u, r);
  uint32_t maxExtLeaf = r[0];
  uint32_t ext1Eax = 0;
  if (maxExtLeaf > 0x80000000u) {
    cpuid(fn, 0x80000001u, r);
    ext1Eax = r[0];
  }

  cpuid(fn, 1, r);
  uint32_t eax1 = r[0], ebx1 = r[1], ecx1 = r[2], edx1 = r[3];
  cpuFamily = (eax1 >> 8) & 0xF;
  cpuModel = (eax1 >> 4) & 0xF;
  cpuStepping = eax1 & 0xF;
  hasMmx = (edx1 >> 23) & 1;
  hasSse = (edx1 >> 25) & 1;
  hasSse2 = (edx1 >> 26) & 1;
  hasSse3 = ecx1 & 1;
  hasLeaf1Ecx6 = (ecx1 >> 6) & 1;

  cpuCoresPerPackage = 1;
  hyperThreadingCount = 0;
  bool intel = cpuVendor == 1, amdCpu = cpuVendor == 2;
  bool htBit = (edx1 >> 28) & 1;
  if (intel && htBit) {
    int logical = (ebx1 >> 16) & 0xFF;
    if (cpuFamily == 15) hyperThreadingCount = logical; else cpuCoresPerPackage = logical;
    if (maxLeaf > 3) {
      cpuid(fn, 4, r);
      cpuCoresPerPackage = static_cast<int>((r[0] >> 26) & 0x3F) + 1;
    }
  } else if (amdCpu && maxExtLeaf >= 0x80000008u) {
    cpuid(fn, 0x80000008u, r);
    cpuCoresPerPackage = static_cast<int>(r[2] & 0xFF) + 1;
  } else if (intel && maxLeaf > 3) {
    cpuid(fn, 4, r);
    cpuCoresPerPackage = static_cast<int>((r[0] >> 26) & 0x3F) + 1;
  }
  hasTwoCores = cpuCoresPerPackage == 2;
  hyperThreading = htBit ? 1 : 0;
  int htPerCore = hyperThreadingCount;
  if (intel && cpuFamily == 15 && cpuCoresPerPackage > 0) htPerCore /= cpuCoresPerPackage;
  if (htPerCore <= 1) hyperThreading = 0;

  if (intel) {
    cpuExtModel = (eax1 >> 16) & 0xF;
    cpuExtFamily = (eax1 >> 20) & 0xFF;
  } else {
    cpuExtModel = (ext1Eax >> 16) & 0xF;
    cpuExtFamily = (ext1Eax >> 20) & 0xFF;
    cpuExtStepping = ext1Eax & 0xF;
  }

  if (maxLeaf > 2 && ((edx1 >> 18) & 1)) {
    cpuid(fn, 3, r);
    snprintf(cpuSerial, sizeof(cpuSerial), "%04X-%04X-%04X-%04X-%04X-%04X", eax1 >> 16,
             eax1 & 0xFFFF, r[3] >> 16, r[3] & 0xFFFF, r[2] >> 16, r[2] & 0xFFFF);
  }

  copyText(cpuName, kCpuTextSize, "n.a");
  HKEY key = nullptr;
  if (RegOpenKeyExA(DetectionRegistryRoot(), "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0,
                    KEY_READ, &key) == ERROR_SUCCESS) {
    char name[257];
    DWORD n = 256;
    memset(name, 0, sizeof(name));
    if (RegQueryValueExA(key, "ProcessorNameString", nullptr, nullptr, reinterpret_cast<BYTE*>(name),
                         &n) == ERROR_SUCCESS) {
      name[256] = '\0';
      copyText(cpuName, kCpuTextSize, name);
    }
    RegCloseKey(key);
  }

  MEMORYSTATUS ms;
  ms.dwLength = sizeof(ms);
  GlobalMemoryStatus(&ms);
  totalPhysicalBytes = static_cast<uint32_t>(ms.dwTotalPhys);
  MEMORYSTATUSEX mx;
  mx.dwLength = sizeof(mx);
  if (GlobalMemoryStatusEx(&mx)) totalPhysicalKB = mx.ullTotalPhys >> 10;
  typedef BOOL(WINAPI * InstalledMemoryFn)(PULONGLONG);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  InstalledMemoryFn installed =
      kernel ? reinterpret_cast<InstalledMemoryFn>(
                   reinterpret_cast<void*>(GetProcAddress(kernel, "GetPhysicallyInstalledSystemMemory")))
             : nullptr;
  ULONGLONG kb = 0;
  if (installed && installed(&kb)) installedMemoryMB = kb >> 10;

  SYSTEM_INFO si;
  GetSystemInfo(&si);
  cpuLogicalProcessors = static_cast<int>(si.dwNumberOfProcessors);
  _queryOSName();
  return true;
}

void formatOsName(const OsVersionFacts& v, char* s, int ss, char* l, int ls) {
  const char* sp = v.servicePack ? v.servicePack : "";
  int bits = v.bits;
  bool ws = v.productType == VER_NT_WORKSTATION;
  s[0] = l[0] = '\0';
  auto both = [&](const char* shortName, const char* longName) {
    snprintf(s, ss, "%s", shortName);
    snprintf(l, ls, "%s", longName);
  };
  if (v.platform == VER_PLATFORM_WIN32s) return both("Windows 3.1", "Windows 3.1x");
  if (v.platform == VER_PLATFORM_WIN32_WINDOWS) {
    if (v.minor == 0) {
      const char* name = v.build == 1111 ? "Windows 95 OSR2"
                         : (v.build == 1212 || v.build == 1213) ? "Windows 95 OSR2.1"
                         : v.build >= 1214 ? "Windows 95 OSR2.5" : "Windows 95";
      return both("Windows 95", name);
    }
    if (v.minor == 10) {
      const char* name = (v.build >= 2000 && v.build <= 2221) ? "Windows 98 SP1"
                         : v.build >= 2222 ? "Windows 98 SE" : "Windows 98";
      return both("Windows 98", name);
    }
    if (v.minor == 90) return both("Windows Me", "Windows Me");
    return both("Windows 9x", "Windows 9x");
  }
  if (v.platform != VER_PLATFORM_WIN32_NT) return;

  // Client and server names with and without the service pack suffix.
  auto named = [&](const char* client, const char* server, bool withSp) {
    const char* base = (ws || !server) ? client : server;
    snprintf(s, ss, "%s %d-bit", base, bits);
    if (withSp) snprintf(l, ls, "%s %d-bit build %lu [%s]", base, bits, v.build, sp);
    else snprintf(l, ls, "%s %d-bit build %lu", base, bits, v.build);
  };
  auto versioned = [&](const char* base) {
    snprintf(s, ss, "%s %d-bit", base, bits);
    snprintf(l, ls, "%s %d-bit ver.%lu.%lu build %lu", base, bits, v.major, v.minor, v.build);
  };
  switch (v.major) {
    case 3:
    case 4:
      snprintf(s, ss, "Windows NT%lu.x", v.major);
      snprintf(l, ls, "Windows NT%lu.%lu build %lu [%s]", v.major, v.minor, v.build, sp);
      return;
    case 5:
      if (v.minor == 0) return named("Windows 2000", nullptr, true);
      if (v.minor == 1) return named("Windows XP", nullptr, true);
      if (v.minor == 2)
        return named(v.serverR2 ? "Windows Server 2003 R2" : "Windows Server 2003", nullptr, true);
      snprintf(s, ss, "Windows post-XP %d-bit", bits);
      snprintf(l, ls, "Windows post-XP %d-bit ver.%lu.%lu build %lu [%s]", bits, v.major, v.minor,
               v.build, sp);
      return;
    case 6:
      if (v.minor == 0) return named("Windows Vista", "Windows Server 2008", true);
      if (v.minor == 1) return named("Windows 7", "Windows Server 2008 R2", true);
      if (v.minor == 2) return named("Windows 8", "Windows Server 2012", false);
      if (v.minor == 3) return named("Windows 8.1", "Windows 8.1 Server", false);
      return versioned("Windows post-Win8");
    case 10:
      if (v.build <= 21999) {
        if (v.minor == 0) return named("Windows 10", "Windows Server 10", false);
        return versioned("Windows 10 or greater");
      }
      if (v.minor == 0) return named("Windows 11", "Windows Server 11", false);
      return versioned("Windows 11 or greater");
    case 11:
      return versioned("Windows 11 or greater");
    default:
      return;
  }
}

void HardwareCaps::_queryOSName() {
  osName[0] = osShortName[0] = osServicePack[0] = '\0';
  OSVERSIONINFOEXA vi;
  memset(&vi, 0, sizeof(vi));
  vi.dwOSVersionInfoSize = sizeof(vi);
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&vi))) {
    vi.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&vi));
  }
  OsVersionFacts f;
  f.platform = vi.dwPlatformId;
  f.major = vi.dwMajorVersion;
  f.minor = vi.dwMinorVersion;
  f.build = vi.dwBuildNumber & 0xFFFF;
  f.productType = vi.wProductType;
  f.serverR2 = GetSystemMetrics(SM_SERVERR2);

  // The compatibility layer may report an older version: ask the kernel.
  typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  RtlGetVersionFn rtl = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
                                    GetProcAddress(ntdll, "RtlGetVersion")))
                              : nullptr;
  OSVERSIONINFOW rv;
  memset(&rv, 0, sizeof(rv));
  rv.dwOSVersionInfoSize = sizeof(rv);
  if (rtl && rtl(&rv) == 0) {
    f.major = rv.dwMajorVersion;
    f.minor = rv.dwMinorVersion;
    f.build = rv.dwBuildNumber;
    f.platform = rv.dwPlatformId;
  }

  // A 64-bit build is 64-bit; a 32-bit one is when it runs under WOW64.
  f.bits = sizeof(void*) == 8 ? 64 : 32;
  typedef BOOL(WINAPI * IsWow64Fn)(HANDLE, PBOOL);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  IsWow64Fn wow = kernel ? reinterpret_cast<IsWow64Fn>(reinterpret_cast<void*>(
                               GetProcAddress(kernel, "IsWow64Process")))
                         : nullptr;
  BOOL isWow = FALSE;
  if (wow && wow(GetCurrentProcess(), &isWow) && isWow) f.bits = 64;

  char sp[129];
  copyText(sp, sizeof(sp), vi.szCSDVersion);
  f.servicePack = sp;
  if (f.platform == VER_PLATFORM_WIN32_NT) {
    copyText(osServicePack, kCpuTextSize, sp[0] ? sp : "No Service Pack");
    f.servicePack = osServicePack;
  }
  formatOsName(f, osShortName, kCpuTextSize, osName, kCpuTextSize);
}
