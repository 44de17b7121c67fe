// AMD GPU Services over the AMD display library: devices, versions, family
// and units, clocks, memory and displays.
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "detect/HardwareCaps.h"
#include "detect/PciIdText.h"
#include "detect/SecureLoader.h"
#include "detect/amd/AdlTypes.h"
#include "detect/amd/Ags.h"

namespace {

// ---- Allocation ----
AgsAllocFn g_userAlloc = nullptr;
AgsFreeFn g_userFree = nullptr;

// Every block starts with its size: the arrays that the display library
// allocates through us are then bounded by what it really allocated, not by
// the counts it reports beside them. 16 bytes keep any record aligned.
const size_t kBlockHeader = 16;

void* agsAlloc(size_t size) {
  if (size > SIZE_MAX - kBlockHeader) return nullptr;
  const size_t total = size + kBlockHeader;
  unsigned char* block = static_cast<unsigned char*>(g_userAlloc ? g_userAlloc(total) : malloc(total));
  if (!block) return nullptr;
  memcpy(block, &size, sizeof(size));
  return block + kBlockHeader;
}
void* agsCalloc(size_t count, size_t size) {
  if (count != 0 && size > SIZE_MAX / count) return nullptr;
  void* p = agsAlloc(count * size);
  if (p) memset(p, 0, count * size);
  return p;
}
void agsFree(void* p) {
  if (!p) return;
  void* block = static_cast<unsigned char*>(p) - kBlockHeader;
  if (g_userFree)
    g_userFree(block);
  else
    free(block);
}
// What the display library allocates for us comes from the same heap.
void* ADL_CALL agsAdlAlloc(int size) { return size > 0 ? agsCalloc(1, size) : nullptr; }

// A count that the library reported with an array it allocated: never
// negative, never more records than the array's block holds, never above
// limit.
int boundedCount(int reported, const void* array, size_t recordSize, int limit) {
  if (!array || reported <= 0) return 0;
  size_t bytes;
  memcpy(&bytes, static_cast<const unsigned char*>(array) - kBlockHeader, sizeof(bytes));
  const size_t held = bytes / recordSize;
  size_t n = static_cast<size_t>(reported);
  if (n > held) n = held;
  if (n > static_cast<size_t>(limit)) n = static_cast<size_t>(limit);
  return static_cast<int>(n);
}

// True when first .. first + n - 1 lie within count records.
bool runWithin(int first, int n, int count) { return first >= 0 && n > 0 && first <= count - n; }

// ---- Entry points ----
struct AgsAdlEntries {
  Adl2MainControlCreateFn mainControlCreate;
  Adl2ContextFn mainControlDestroy;
  Adl2NumberOfAdaptersFn numberOfAdapters;
  Adl2AdapterInfoX2GetFn adapterInfoX2;
  Adl2AdapterInfoX4GetFn adapterInfoX4;
  Adl2MemoryInfoGetFn memoryInfo;
  Adl2MemoryInfo2GetFn memoryInfo2;
  Adl2GraphicCoreInfoGetFn graphicCoreInfo;
  void* gcnAsicInfo;
  Adl2AsicFamilyTypeGetFn asicFamilyType;
  AdlObservedGameClockGetFn observedGameClock;
  Adl2OverdriveCapsFn overdriveCaps;
  Adl2Od6CapabilitiesGetFn od6Capabilities;
  Adl2Od6StateInfoGetFn od6StateInfo;
  Adl2OdnCapabilitiesGetFn odnCapabilities;
  Adl2OdnLevelsGetFn odnSystemClocks;
  Adl2OdnLevelsGetFn odnMemoryClocks;
  Adl2OdnPowerLimitGetFn odnPowerLimit;
  Adl2OdnCapabilitiesX2GetFn odnCapabilitiesX2;
  Adl2OdnLevelsGetFn odnSystemClocksX2;
  Adl2OdnLevelsGetFn odnMemoryClocksX2;
  Adl2Od8InitSettingGetFn od8InitSetting;
  Adl2GraphicsVersionsGetFn graphicsVersions;
  Adl2GraphicsVersionsX2GetFn graphicsVersionsX2;
  Adl2DisplayMapConfigGetFn displayMapConfig;
  Adl2SlsMapIndexGetFn slsMapIndex;
  Adl2SlsMapConfigGetFn slsMapConfig;
  Adl2DisplayModesGetFn displayModes;
  void* sourceContentAttributeGet;
  Adl2SourceContentSetFn sourceContentAttributeSet;
  Adl2DisplayDdcInfo2GetFn ddcInfo2;
  Adl2DisplayInfoGetFn displayInfo;
  Adl2DisplayFreeSyncCapFn freeSyncCap;
};

struct EntryName {
  const char* name;
  bool required;
};
const EntryName kEntryNames[] = {
    {"ADL2_Main_Control_Create", true},
    {"ADL2_Main_Control_Destroy", true},
    {"ADL2_Adapter_NumberOfAdapters_Get", true},
    {"ADL2_Adapter_AdapterInfoX2_Get", true},
    {"ADL2_Adapter_AdapterInfoX4_Get", false},
    {"ADL2_Adapter_MemoryInfo_Get", true},
    {"ADL2_Adapter_MemoryInfo2_Get", false},
    {"ADL2_Adapter_Graphic_Core_Info_Get", false},
    {"ADL2_GcnAsicInfo_Get", false},
    {"ADL2_Adapter_ASICFamilyType_Get", false},
    {"ADL_Adapter_ObservedGameClockInfo_Get", false},
    {"ADL2_Overdrive_Caps", false},
    {"ADL2_Overdrive6_Capabilities_Get", false},
    {"ADL2_Overdrive6_StateInfo_Get", false},
    {"ADL2_OverdriveN_Capabilities_Get", false},
    {"ADL2_OverdriveN_SystemClocks_Get", false},
    {"ADL2_OverdriveN_MemoryClocks_Get", false},
    {"ADL2_OverdriveN_PowerLimit_Get", false},
    {"ADL2_OverdriveN_CapabilitiesX2_Get", false},
    {"ADL2_OverdriveN_SystemClocksX2_Get", false},
    {"ADL2_OverdriveN_MemoryClocksX2_Get", false},
    {"ADL2_Overdrive8_Init_Setting_Get", false},
    {"ADL2_Graphics_Versions_Get", true},
    {"ADL2_Graphics_VersionsX2_Get", false},
    {"ADL2_Display_DisplayMapConfig_Get", true},
    {"ADL2_Display_SLSMapIndex_Get", true},
    {"ADL2_Display_SLSMapConfig_Get", false},
    {"ADL2_Display_Modes_Get", true},
    {"ADL2_Display_SourceContentAttribute_Get", false},
    {"ADL2_Display_SourceContentAttribute_Set", false},
    {"ADL2_Display_DDCInfo2_Get", false},
    {"ADL2_Display_DisplayInfo_Get", false},
    {"ADL2_Display_FreeSync_Cap", false},
};
const int kEntryCount = sizeof(kEntryNames) / sizeof(kEntryNames[0]);
static_assert(kEntryCount == 33, "the library's 33 entries");
static_assert(sizeof(AgsAdlEntries) == kEntryCount * sizeof(void*), "one pointer per entry");

AgsKernelAdapterFn g_kernelSource = AgsQueryKernelAdapter;

}  // namespace

struct AgsContext {
  HMODULE library;
  AdlContext adl;
  AgsAdlEntries e;
  char driverVersion[256];
  char radeonSoftwareVersion[256];
  AgsDeviceInfo* devices;
  int numDevices;
  AdlAdapterInfo* adapterInfo;
  int numAdapters;
  int* deviceAdapter;  // the table entry of each device's first adapter
  AgsAllocFn alloc;    // the allocator this context was made with
  AgsFreeFn release;
};

void SetAgsKernelAdapterSource(AgsKernelAdapterFn fn) {
  g_kernelSource = fn ? fn : AgsQueryKernelAdapter;
}

bool AgsQueryKernelAdapter(int, int, int, AgsKernelAdapterFacts* facts) {
  if (!facts) return false;
  HMODULE gdi = GetModuleHandleA("gdi32.dll");
  if (!gdi) return false;
  FARPROC enumAdapters = GetProcAddress(gdi, "D3DKMTEnumAdapters");
  FARPROC queryInfo = GetProcAddress(gdi, "D3DKMTQueryAdapterInfo");
  if (!enumAdapters || !queryInfo) return false;
  // The family number and unit counts sit in the display driver's private
  // adapter data, whose layout the driver does not publish: without a
  // decoder for it the family comes from the display library alone.
  return false;
}

int agsFamilyFromKernelFamily(int familyNumber, bool laterRevision) {
  switch (familyNumber) {
    case 110: return kAgsFamilyGcn1;
    case 120: case 125: case 135: return kAgsFamilyGcn2;
    case 130: return laterRevision ? kAgsFamilyGcn4 : kAgsFamilyGcn3;
    case 140: return kAgsFamilyGcn3;
    case 141: case 142: return kAgsFamilyVega;
    case 143: case 145: return laterRevision ? kAgsFamilyRdna2 : kAgsFamilyRdna;
    default: return kAgsFamilyUnknown;
  }
}

bool agsKernelFamilyIsApu(int familyNumber) {
  switch (familyNumber) {
    case 125: case 135: case 142: case 144: case 146: return true;
    default: return false;
  }
}

namespace {

void freeContext(AgsContext* c) {
  if (!c) return;
  AgsAllocFn savedAlloc = g_userAlloc;
  AgsFreeFn savedFree = g_userFree;
  // Free with the allocator the context was made with.
  g_userAlloc = c->alloc;
  g_userFree = c->release;
  if (c->devices) {
    for (int i = 0; i < c->numDevices; ++i) agsFree(c->devices[i].displays);
    agsFree(c->devices);
  }
  agsFree(c->deviceAdapter);
  agsFree(c->adapterInfo);
  if (c->adl && c->e.mainControlDestroy) c->e.mainControlDestroy(c->adl);
  if (c->library) FreeLibrary(c->library);
  agsFree(c);
  g_userAlloc = savedAlloc;
  g_userFree = savedFree;
}

// Hex digits after a key in a bounded text; 0 when absent or not hex.
int hexAfter(const char* text, size_t textSize, const char* key, int digits) {
  uint32_t v = 0;
  readHexAfterKey(text, strnlen(text, textSize), key, digits, &v);
  return static_cast<int>(v);
}

bool gatherDevices(AgsContext* c) {
  int n = 0;
  if (c->e.numberOfAdapters(c->adl, &n) != 0 || n <= 0) return true;
  AdlAdapterInfo* info = nullptr;
  if (c->e.adapterInfoX2(c->adl, &info) != 0 || !info) {
    agsFree(info);
    return true;
  }
  n = boundedCount(n, info, sizeof(AdlAdapterInfo), INT_MAX);
  c->adapterInfo = info;
  c->numAdapters = n;

  int* order = static_cast<int*>(agsCalloc(n, sizeof(int)));
  c->deviceAdapter = static_cast<int*>(agsCalloc(n, sizeof(int)));
  c->devices = static_cast<AgsDeviceInfo*>(agsCalloc(n, sizeof(AgsDeviceInfo)));
  if (!order || !c->deviceAdapter || !c->devices) {
    agsFree(order);
    return false;
  }
  int count = 0;
  for (int i = 0; i < n; ++i)
    if (info[i].exists) order[count++] = i;
  // By device number, then bus number; stable, so equal pairs keep their
  // order.
  for (int i = 1; i < count; ++i) {
    int v = order[i];
    int j = i - 1;
    auto before = [&](int a, int b) {
      if (info[a].deviceNumber != info[b].deviceNumber) return info[a].deviceNumber < info[b].deviceNumber;
      return info[a].busNumber < info[b].busNumber;
    };
    while (j >= 0 && before(v, order[j])) {
      order[j + 1] = order[j];
      --j;
    }
    order[j + 1] = v;
  }
  for (int k = 0; k < count; ++k) {
    const AdlAdapterInfo& a = info[order[k]];
    if (c->numDevices > 0) {
      const AdlAdapterInfo& last = info[c->deviceAdapter[c->numDevices - 1]];
      if (last.busNumber == a.busNumber && last.deviceNumber == a.deviceNumber) continue;
    }
    int d = c->numDevices++;
    c->deviceAdapter[d] = order[k];
    AgsDeviceInfo& dev = c->devices[d];
    info[order[k]].adapterName[kAdlPathSize - 1] = '\0';
    dev.adapterString = info[order[k]].adapterName;
    dev.vendorId = hexAfter(a.udid, sizeof(a.udid), "VEN_", 4);
    dev.deviceId = hexAfter(a.udid, sizeof(a.udid), "DEV_", 4);
    dev.revisionId = hexAfter(a.udid, sizeof(a.udid), "REV_", 2);
    dev.adlAdapterIndex = a.adapterIndex;
    if (c->e.adapterInfoX4) {
      int num = 0;
      AdlAdapterInfoX2* x2 = nullptr;
      if (c->e.adapterInfoX4(c->adl, a.adapterIndex, &num, &x2) == 0 &&
          boundedCount(num, x2, sizeof(AdlAdapterInfoX2), 1) == 1 && (x2->infoMask & 1) && (x2->infoValue & 1))
        dev.flags |= kAgsDeviceExternal;
      agsFree(x2);
    }
  }
  agsFree(order);
  return true;
}

void markPrimaryDevice(AgsContext* c) {
  DISPLAY_DEVICEA dd;
  for (DWORD i = 0; i < 64; ++i) {
    memset(&dd, 0, sizeof(dd));
    dd.cb = sizeof(dd);
    if (!DisplayDeviceSource()(nullptr, i, &dd, 0)) return;
    if (!(dd.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE)) continue;
    dd.DeviceName[sizeof(dd.DeviceName) - 1] = '\0';
    for (int a = 0; a < c->numAdapters; ++a) {
      const AdlAdapterInfo& info = c->adapterInfo[a];
      if (strncmp(info.displayName, dd.DeviceName, sizeof(info.displayName)) != 0) continue;
      for (int d = 0; d < c->numDevices; ++d) {
        const AdlAdapterInfo& own = c->adapterInfo[c->deviceAdapter[d]];
        if (own.busNumber == info.busNumber && own.deviceNumber == info.deviceNumber)
          c->devices[d].flags |= kAgsDevicePrimary;
      }
      return;
    }
    return;
  }
}

void readVersions(AgsContext* c) {
  if (c->e.graphicsVersionsX2) {
    AdlVersionsInfoX2 v;
    memset(&v, 0, sizeof(v));
    int r = c->e.graphicsVersionsX2(c->adl, &v);
    if (r == 0 || r == 1) {
      v.driverVersion[kAdlPathSize - 1] = v.radeonSoftwareVersion[kAdlPathSize - 1] = '\0';
      copyText(c->driverVersion, sizeof(c->driverVersion), v.driverVersion);
      copyText(c->radeonSoftwareVersion, sizeof(c->radeonSoftwareVersion), v.radeonSoftwareVersion);
    }
  } else {
    AdlVersionsInfo v;
    memset(&v, 0, sizeof(v));
    int r = c->e.graphicsVersions(c->adl, &v);
    if (r == 0 || r == 1) {
      v.driverVersion[kAdlPathSize - 1] = '\0';
      copyText(c->driverVersion, sizeof(c->driverVersion), v.driverVersion);
    }
  }
}

void readFamilyAndUnits(AgsContext* c, int d) {
  AgsDeviceInfo& dev = c->devices[d];
  const AdlAdapterInfo& a = c->adapterInfo[c->deviceAdapter[d]];
  AdlGraphicCoreInfo core;
  memset(&core, 0, sizeof(core));
  bool haveCore = c->e.graphicCoreInfo &&
                  c->e.graphicCoreInfo(c->adl, a.adapterIndex, &core) == 0;
  AgsKernelAdapterFacts facts;
  memset(&facts, 0, sizeof(facts));
  if (g_kernelSource && g_kernelSource(a.busNumber, a.deviceNumber, a.functionNumber, &facts)) {
    dev.asicFamily = agsFamilyFromKernelFamily(facts.familyNumber, facts.laterRevision);
    if (agsKernelFamilyIsApu(facts.familyNumber)) dev.flags |= kAgsDeviceApu;
    dev.numROPs = 4 * (facts.unitCountA + facts.unitCountB);
    if (haveCore) {
      bool rdna = dev.asicFamily >= kAgsFamilyRdna;
      dev.numCUs = rdna ? core.units * 2 : core.units;
      if (rdna) dev.numWGPs = core.units;
    }
  } else if (haveCore && core.generation == 2) {
    dev.asicFamily = kAgsFamilyGcn1;
    dev.numCUs = core.units;
    dev.numROPs = core.rops;
  } else if (haveCore && core.generation == 1) {
    dev.asicFamily = kAgsFamilyPreGcn;
  } else {
    dev.asicFamily = kAgsFamilyUnknown;
  }
  if (!(dev.flags & kAgsDeviceApu) && c->e.asicFamilyType) {
    int types = 0, valids = 0;
    if (c->e.asicFamilyType(c->adl, a.adapterIndex, &types, &valids) == 0 &&
        !((types & 1) && (valids & 1)))
      dev.flags |= kAgsDeviceApu;
  }
}

// Highest clock of an ODN level list (enabled levels only unless all).
int highestClock(const AdlOdnPerformanceLevelsHeader* h, size_t stride, bool all) {
  int best = 0;
  int n = h->numberOfPerformanceLevels;
  const char* levels = reinterpret_cast<const char*>(h + 1);
  for (int i = 0; i < n; ++i) {
    const AdlOdnPerformanceLevel* l =
        reinterpret_cast<const AdlOdnPerformanceLevel*>(levels + i * stride);
    if ((all || l->enabled) && l->clock > best) best = l->clock;
  }
  return best;
}

const int kMaxOdnLevels = 32;

// Reads an ODN level list sized for maxLevels into a fresh buffer (freed by
// the caller with agsFree); null on failure.
AdlOdnPerformanceLevelsHeader* readOdnLevels(AgsContext* c, Adl2OdnLevelsGetFn fn, int adapter,
                                             int maxLevels, size_t stride) {
  if (maxLevels <= 0) return nullptr;
  if (maxLevels > kMaxOdnLevels) maxLevels = kMaxOdnLevels;
  size_t size = sizeof(AdlOdnPerformanceLevelsHeader) + maxLevels * stride;
  AdlOdnPerformanceLevelsHeader* h = static_cast<AdlOdnPerformanceLevelsHeader*>(agsCalloc(1, size));
  if (!h) return nullptr;
  h->size = static_cast<int>(size);
  h->numberOfPerformanceLevels = maxLevels;
  if (fn(c->adl, adapter, h) != 0) {
    agsFree(h);
    return nullptr;
  }
  if (h->numberOfPerformanceLevels < 0 || h->numberOfPerformanceLevels > maxLevels)
    h->numberOfPerformanceLevels = maxLevels;
  return h;
}

// The two level-list entries of one OverdriveN generation and its level size.
struct OdnLevelLists {
  Adl2OdnLevelsGetFn system;
  Adl2OdnLevelsGetFn memory;
  size_t stride;
};

// Core and memory clock = the highest system and memory clock / 100 over the
// enabled levels (all levels where allSystem / allMemory); a list that cannot
// be read leaves its clock as it was.
void takeHighestOdnClocks(AgsContext* c, AgsDeviceInfo* dev, int adapter, const OdnLevelLists& lists,
                          int maxLevels, bool allSystem, bool allMemory) {
  AdlOdnPerformanceLevelsHeader* sys = readOdnLevels(c, lists.system, adapter, maxLevels, lists.stride);
  AdlOdnPerformanceLevelsHeader* mem = readOdnLevels(c, lists.memory, adapter, maxLevels, lists.stride);
  if (sys) dev->coreClock = highestClock(sys, lists.stride, allSystem) / 100;
  if (mem) dev->memoryClock = highestClock(mem, lists.stride, allMemory) / 100;
  agsFree(sys);
  agsFree(mem);
}

void readClocks(AgsContext* c, int d) {
  AgsDeviceInfo& dev = c->devices[d];
  int adapter = c->adapterInfo[c->deviceAdapter[d]].adapterIndex;
  bool apu = (dev.flags & kAgsDeviceApu) != 0;
  if (c->e.observedGameClock) {
    int base = 0, game = 0, boost = 0, mem = 0;
    if (c->e.observedGameClock(c->adl, adapter, &base, &game, &boost, &mem) == 0 && game > 0 &&
        mem > 0) {
      dev.coreClock = apu ? game / 100 : game;
      dev.memoryClock = apu ? mem / 100 : mem;
      return;
    }
  }
  if (!c->e.overdriveCaps) return;
  int supported = 0, enabled = 0, version = 0;
  int r = c->e.overdriveCaps(c->adl, adapter, &supported, &enabled, &version);
  if (!apu && (r != 0 || !supported)) return;
  if (version == 5 || version == 6) {
    if (!c->e.od6Capabilities || !c->e.od6StateInfo) return;
    AdlOd6Capabilities caps;
    memset(&caps, 0, sizeof(caps));
    if (c->e.od6Capabilities(c->adl, adapter, &caps) != 0 || caps.numberOfPerformanceLevels < 2)
      return;
    AdlOd6StateInfo state;
    memset(&state, 0, sizeof(state));
    state.numberOfPerformanceLevels = 2;
    if (c->e.od6StateInfo(c->adl, adapter, kAdlOd6StateCustomPerformance, &state) != 0) return;
    dev.coreClock = state.levels[1].engineClock / 100;
    dev.memoryClock = state.levels[1].memoryClock / 100;
  } else if (version == 7) {
    if (c->e.odnCapabilitiesX2 && c->e.odnSystemClocksX2 && c->e.odnMemoryClocksX2) {
      AdlOdnCapabilitiesX2 caps;
      memset(&caps, 0, sizeof(caps));
      if (c->e.odnCapabilitiesX2(c->adl, adapter, &caps) != 0) return;
      const OdnLevelLists lists = {c->e.odnSystemClocksX2, c->e.odnMemoryClocksX2,
                                   sizeof(AdlOdnPerformanceLevelX2)};
      takeHighestOdnClocks(c, &dev, adapter, lists, caps.maximumNumberOfPerformanceLevels, apu, apu);
    } else if (c->e.odnCapabilities && c->e.odnSystemClocks && c->e.odnMemoryClocks) {
      AdlOdnCapabilities caps;
      memset(&caps, 0, sizeof(caps));
      if (c->e.odnCapabilities(c->adl, adapter, &caps) != 0) return;
      const OdnLevelLists lists = {c->e.odnSystemClocks, c->e.odnMemoryClocks, sizeof(AdlOdnPerformanceLevel)};
      takeHighestOdnClocks(c, &dev, adapter, lists, caps.maximumNumberOfPerformanceLevels, false, true);
    }
  } else if (version == 8) {
    if (!c->e.od8InitSetting) return;
    AdlOd8InitSetting init;
    memset(&init, 0, sizeof(init));
    init.count = 29;
    if (c->e.od8InitSetting(c->adl, adapter, &init) != 0) return;
    const int kGfxClockMax = 0, kMemClockMax = 8;
    if (init.capabilities & (1 << 0)) dev.coreClock = init.settings[kGfxClockMax].maxValue;
    if (init.capabilities & (1 << 2)) dev.memoryClock = init.settings[kMemClockMax].maxValue;
  }
}

void readMemory(AgsContext* c, int d) {
  AgsDeviceInfo& dev = c->devices[d];
  int adapter = c->adapterInfo[c->deviceAdapter[d]].adapterIndex;
  dev.teraFlops = static_cast<float>(dev.coreClock) * dev.numCUs * 128.0f / 1000000.0f;
  if (c->e.memoryInfo2) {
    AdlMemoryInfo2 m;
    memset(&m, 0, sizeof(m));
    if (c->e.memoryInfo2(c->adl, adapter, &m) == 0) {
      dev.localMemoryInBytes = static_cast<unsigned long long>(m.memorySize);
      dev.memoryBandwidth = static_cast<int>(m.memoryBandwidth);
    }
  } else {
    AdlMemoryInfo m;
    memset(&m, 0, sizeof(m));
    if (c->e.memoryInfo(c->adl, adapter, &m) == 0) {
      dev.localMemoryInBytes = static_cast<unsigned long long>(m.memorySize);
      dev.memoryBandwidth = static_cast<int>(m.memoryBandwidth);
    }
  }
}

// The primary display's device name ("\\.\DISPLAY1"), empty when none.
void primaryDisplayName(char* name, size_t size) {
  name[0] = '\0';
  DISPLAY_DEVICEA dd;
  for (DWORD i = 0; i < 64; ++i) {
    memset(&dd, 0, sizeof(dd));
    dd.cb = sizeof(dd);
    if (!DisplayDeviceSource()(nullptr, i, &dd, 0)) return;
    if (dd.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) {
      dd.DeviceName[sizeof(dd.DeviceName) - 1] = '\0';
      copyText(name, static_cast<int>(size), dd.DeviceName);
      return;
    }
  }
}

const int kMaxDisplaysPerDevice = 16;

void fillDisplay(AgsContext* c, const AdlAdapterInfo& a, const AdlDisplayInfo& info,
                 AgsDisplayInfo* out, const char* primaryName) {
  memset(out, 0, sizeof(*out));
  char name[kAdlPathSize];
  memcpy(name, info.displayName, sizeof(name));
  name[sizeof(name) - 1] = '\0';
  copyText(out->name, sizeof(out->name), name);
  char adapterDisplay[kAdlPathSize];
  memcpy(adapterDisplay, a.displayName, sizeof(adapterDisplay));
  adapterDisplay[sizeof(adapterDisplay) - 1] = '\0';
  copyText(out->displayDeviceName, sizeof(out->displayDeviceName), adapterDisplay);
  out->logicalDisplayIndex = info.displayId.logicalIndex;
  out->adlDisplayIndex = info.displayId.logicalIndex;
  out->adlAdapterIndex = a.adapterIndex;
  if (primaryName[0] && strcmp(primaryName, adapterDisplay) == 0) out->flags |= kAgsDisplayPrimary;

  int numModes = 0;
  AdlMode* modes = nullptr;
  if (c->e.displayModes(c->adl, a.adapterIndex, info.displayId.logicalIndex, &numModes, &modes) == 0 &&
      boundedCount(numModes, modes, sizeof(AdlMode), 1) == 1) {
    out->currentResolution = {modes[0].xPos, modes[0].yPos, modes[0].xRes, modes[0].yRes};
    out->visibleResolution = out->currentResolution;
    out->currentRefreshRate = modes[0].refreshRate;
  }
  agsFree(modes);

  if (c->e.ddcInfo2) {
    AdlDdcInfo2 ddc;
    memset(&ddc, 0, sizeof(ddc));
    ddc.size = sizeof(ddc);
    if (c->e.ddcInfo2(c->adl, a.adapterIndex, info.displayId.logicalIndex, &ddc) == 0) {
      out->maxResolutionX = ddc.maxHResolution;
      out->maxResolutionY = ddc.maxVResolution;
      out->maxRefreshRate = static_cast<float>(ddc.maxRefresh);
      if (ddc.supportedHdr & 1) out->flags |= kAgsDisplayHdr10;
      if (ddc.supportedHdr & 2) out->flags |= kAgsDisplayFreesyncHdr;
      out->chromaticityRedX = ddc.redX / 10000.0;
      out->chromaticityRedY = ddc.redY / 10000.0;
      out->chromaticityGreenX = ddc.greenX / 10000.0;
      out->chromaticityGreenY = ddc.greenY / 10000.0;
      out->chromaticityBlueX = ddc.blueX / 10000.0;
      out->chromaticityBlueY = ddc.blueY / 10000.0;
      out->chromaticityWhitePointX = ddc.whiteX / 10000.0;
      out->chromaticityWhitePointY = ddc.whiteY / 10000.0;
      out->screenDiffuseReflectance = ddc.diffuseScreenReflectance / 10000.0;
      out->screenSpecularReflectance = ddc.specularScreenReflectance / 10000.0;
      out->minLuminance = ddc.minLuminanceData / 10000.0;
      out->maxLuminance = ddc.maxLuminanceData;
      out->avgLuminance = ddc.avgLuminanceData;
    }
  }
  if (c->e.freeSyncCap) {
    AdlFreeSyncCap cap;
    memset(&cap, 0, sizeof(cap));
    if (c->e.freeSyncCap(c->adl, a.adapterIndex, info.displayId.logicalIndex, &cap) == 0 &&
        (cap.flags & 1))
      out->flags |= kAgsDisplayFreesync;
  }
}

void readDisplays(AgsContext* c, int d, const char* primaryName) {
  if (!c->e.displayInfo) return;
  AgsDeviceInfo& dev = c->devices[d];
  const AdlAdapterInfo& own = c->adapterInfo[c->deviceAdapter[d]];
  AgsDisplayInfo* list =
      static_cast<AgsDisplayInfo*>(agsCalloc(kMaxDisplaysPerDevice, sizeof(AgsDisplayInfo)));
  if (!list) return;
  int count = 0;
  // Every adapter of this GPU (one per output) owns the displays mapped to it.
  for (int a = 0; a < c->numAdapters && count < kMaxDisplaysPerDevice; ++a) {
    const AdlAdapterInfo& info = c->adapterInfo[a];
    if (!info.exists || info.busNumber != own.busNumber || info.deviceNumber != own.deviceNumber)
      continue;
    int num = 0;
    AdlDisplayInfo* displays = nullptr;
    if (c->e.displayInfo(c->adl, info.adapterIndex, &num, &displays, 0) == 0) {
      num = boundedCount(num, displays, sizeof(AdlDisplayInfo), INT_MAX);
      for (int i = 0; i < num && count < kMaxDisplaysPerDevice; ++i) {
        const AdlDisplayInfo& di = displays[i];
        const int active = kAdlDisplayConnected | kAdlDisplayMapped;
        if ((di.infoValue & active) != active) continue;
        if (di.displayId.logicalAdapterIndex != info.adapterIndex) continue;
        fillDisplay(c, info, di, &list[count++], primaryName);
      }
    }
    agsFree(displays);
  }
  if (count == 0) {
    agsFree(list);
    return;
  }
  dev.displays = list;
  dev.numDisplays = count;
}

// Maps, targets and modes of one adapter's desktops taken at most.
const int kMaxDisplayMapEntries = 64;

// The Eyefinity marks of the device's display that an SLS target names.
void markEyefinityDisplay(AgsDeviceInfo& dev, const AdlSlsTarget& target, bool portrait) {
  const AdlDisplayId& id = target.displayTarget.displayId;
  for (int i = 0; i < dev.numDisplays; ++i) {
    AgsDisplayInfo& display = dev.displays[i];
    if (display.adlAdapterIndex != id.logicalAdapterIndex || display.adlDisplayIndex != id.logicalIndex) continue;
    display.flags |= kAgsDisplayEyefinityInGroup | (portrait ? kAgsDisplayEyefinityInPortrait : 0u);
    display.eyefinityGridCoordX = target.gridPositionX;
    display.eyefinityGridCoordY = target.gridPositionY;
  }
}

// The SLS group of that index shown in mode: grid, resolution, bezel
// compensation and the places of the device's displays. False when the
// library does not describe it.
bool readSlsGroup(AgsContext* c, int d, int adapter, int slsIndex, const AdlMode& mode) {
  AdlSlsMap map;
  memset(&map, 0, sizeof(map));
  int numTargets = 0, numNative = 0, numBezel = 0, numTransient = 0, numOffsets = 0;
  AdlSlsTarget* targets = nullptr;
  AdlSlsMode* native = nullptr;
  AdlBezelTransientMode* bezel = nullptr;
  AdlBezelTransientMode* transient = nullptr;
  AdlSlsOffset* offsets = nullptr;
  const bool ok = c->e.slsMapConfig(c->adl, adapter, slsIndex, &map, &numTargets, &targets, &numNative, &native,
                                    &numBezel, &bezel, &numTransient, &transient, &numOffsets, &offsets,
                                    kAdlSlsOptionRelativeToLandscape) == 0;
  if (ok) {
    AgsDeviceInfo& dev = c->devices[d];
    dev.eyefinityEnabled = 1;
    dev.eyefinityGridWidth = map.grid.columns;
    dev.eyefinityGridHeight = map.grid.rows;
    dev.eyefinityResolutionX = mode.xRes;
    dev.eyefinityResolutionY = mode.yRes;
    // The desktop is bezel compensated when it runs one of the group's
    // bezel modes.
    numBezel = boundedCount(numBezel, bezel, sizeof(AdlBezelTransientMode), kMaxDisplayMapEntries);
    for (int b = 0; b < numBezel; ++b)
      if (bezel[b].displayMode.xRes == mode.xRes && bezel[b].displayMode.yRes == mode.yRes)
        dev.eyefinityBezelCompensated = 1;
    const bool portrait = (map.orientation & (kAdlSlsOrientation90 | kAdlSlsOrientation270)) != 0;
    numTargets = boundedCount(numTargets, targets, sizeof(AdlSlsTarget), kMaxDisplayMapEntries);
    for (int t = 0; t < numTargets; ++t) markEyefinityDisplay(dev, targets[t], portrait);
  }
  agsFree(targets);
  agsFree(native);
  agsFree(bezel);
  agsFree(transient);
  agsFree(offsets);
  return ok;
}

// The Eyefinity grid of a device: the first desktop of its adapter whose
// displays the library knows as an SLS group.
void readEyefinity(AgsContext* c, int d) {
  if (!c->e.slsMapConfig) return;
  const int adapter = c->adapterInfo[c->deviceAdapter[d]].adapterIndex;
  int numMaps = 0, numTargets = 0;
  AdlDisplayMap* maps = nullptr;
  AdlDisplayTarget* targets = nullptr;
  if (c->e.displayMapConfig(c->adl, adapter, &numMaps, &maps, &numTargets, &targets, kAdlDisplayMapOptionGpuInfo) ==
      0) {
    numMaps = boundedCount(numMaps, maps, sizeof(AdlDisplayMap), kMaxDisplayMapEntries);
    numTargets = boundedCount(numTargets, targets, sizeof(AdlDisplayTarget), kMaxDisplayMapEntries);
    for (int m = 0; m < numMaps; ++m) {
      const AdlDisplayMap& map = maps[m];
      if (!runWithin(map.firstDisplayTargetArrayIndex, map.numDisplayTarget, numTargets)) continue;
      int slsIndex = -1;
      if (c->e.slsMapIndex(c->adl, adapter, map.numDisplayTarget, &targets[map.firstDisplayTargetArrayIndex],
                           &slsIndex) != 0 ||
          slsIndex < 0)
        continue;
      if (readSlsGroup(c, d, adapter, slsIndex, map.displayMode)) break;
    }
  }
  agsFree(maps);
  agsFree(targets);
}

}  // namespace

extern "C" {

int agsGetVersionNumber() { return kAgsVersion600; }

int agsInitialize(int agsVersion, const AgsConfiguration* config, AgsContext** context,
                  AgsGpuInfo* gpuInfo) {
  if (agsVersion != kAgsVersion600 || !context) return kAgsInvalidArgs;
  *context = nullptr;
  if (config && config->allocCallback && config->freeCallback) {
    g_userAlloc = config->allocCallback;
    g_userFree = config->freeCallback;
  } else {
    g_userAlloc = nullptr;
    g_userFree = nullptr;
  }
  AgsContext* c = static_cast<AgsContext*>(agsCalloc(1, sizeof(AgsContext)));
  if (!c) return kAgsOutOfMemory;
  c->alloc = g_userAlloc;
  c->release = g_userFree;

  c->library = SecureLoadSystemLibrary(L"atiadlxx.dll", LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!c->library) c->library = SecureLoadSystemLibrary(L"atiadlxy.dll", LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!c->library) {
    freeContext(c);
    return kAgsNoLibrary;
  }
  void** slots = reinterpret_cast<void**>(&c->e);
  for (int i = 0; i < kEntryCount; ++i) {
    slots[i] = reinterpret_cast<void*>(GetProcAddress(c->library, kEntryNames[i].name));
    if (!slots[i] && kEntryNames[i].required) {
      freeContext(c);
      return kAgsMissingEntry;
    }
  }
  if (c->e.mainControlCreate(agsAdlAlloc, 1, &c->adl) != 0) {
    c->adl = nullptr;
    freeContext(c);
    return kAgsAdlFailure;
  }
  SetEnvironmentVariableA("ADL_4KWORKAROUND_CANCEL", "TRUE");

  if (!gatherDevices(c)) {
    freeContext(c);
    return kAgsOutOfMemory;
  }
  markPrimaryDevice(c);

  if (gpuInfo) {
    gpuInfo->driverVersion = c->driverVersion;
    gpuInfo->radeonSoftwareVersion = c->radeonSoftwareVersion;
    gpuInfo->numDevices = c->numDevices;
    gpuInfo->devices = c->devices;
    readVersions(c);
    for (int d = 0; d < c->numDevices; ++d) {
      readFamilyAndUnits(c, d);
      readClocks(c, d);
      readMemory(c, d);
    }
    char primaryName[32];
    primaryDisplayName(primaryName, sizeof(primaryName));
    for (int d = 0; d < c->numDevices; ++d) {
      readDisplays(c, d, primaryName);
      readEyefinity(c, d);
    }
  }
  *context = c;
  return kAgsSuccess;
}

int agsDeInitialize(AgsContext* context) {
  if (!context) return kAgsInvalidArgs;
  freeContext(context);
  return kAgsSuccess;
}

int agsCheckDriverVersion(const char* radeonSoftwareVersion, unsigned int requiredVersion) {
  if (!radeonSoftwareVersion) return 2;
  int major = 0, minor = 0, patch = 0;
  int n = sscanf(radeonSoftwareVersion, "%d.%d.%d", &major, &minor, &patch);
  // The packed form holds 10 bits of major, 10 of minor and 12 of patch;
  // anything outside them is not a version we can compare.
  if (major < 0 || major > 1023 || minor < 0 || minor > 1023 || patch < 0 || patch > 4095) return 2;
  unsigned packed = ((static_cast<unsigned>(major) << 10) | static_cast<unsigned>(minor)) << 12;
  if (n == 2) return packed > (requiredVersion & ~0xFFFu) ? 0 : 2;
  if (n == 3 && major > 0) return (packed | static_cast<unsigned>(patch)) < requiredVersion ? 1 : 0;
  return 2;
}

int agsSetDisplayMode(AgsContext* context, int deviceIndex, int displayIndex,
                      const AgsDisplaySettings* settings) {
  if (!context || !context->adl || !settings) return kAgsInvalidArgs;
  if (deviceIndex < 0 || deviceIndex >= context->numDevices) return kAgsInvalidArgs;
  const AgsDeviceInfo& dev = context->devices[deviceIndex];
  if (displayIndex < 0 || displayIndex >= dev.numDisplays) return kAgsInvalidArgs;
  if (!context->e.sourceContentAttributeSet) return kAgsMissingEntry;
  if (settings->mode < 0 || settings->mode > kAgsModeDolbyVision) return kAgsInvalidArgs;
  static const int kAttributes[6][2] = {{1, 1}, {4, 8}, {32, 64}, {32, 64}, {128, 128}, {64, 512}};
  AdlSourceContentAttributes attr;
  memset(&attr, 0, sizeof(attr));
  attr.transferFunction = kAttributes[settings->mode][0];
  attr.colorSpace = kAttributes[settings->mode][1];
  attr.redX = static_cast<int>(settings->chromaticityRedX * 10000);
  attr.redY = static_cast<int>(settings->chromaticityRedY * 10000);
  attr.greenX = static_cast<int>(settings->chromaticityGreenX * 10000);
  attr.greenY = static_cast<int>(settings->chromaticityGreenY * 10000);
  attr.blueX = static_cast<int>(settings->chromaticityBlueX * 10000);
  attr.blueY = static_cast<int>(settings->chromaticityBlueY * 10000);
  attr.whiteX = static_cast<int>(settings->chromaticityWhitePointX * 10000);
  attr.whiteY = static_cast<int>(settings->chromaticityWhitePointY * 10000);
  attr.minLuminance = static_cast<int>(settings->minLuminance * 10000);
  attr.maxLuminance = static_cast<int>(settings->maxLuminance);
  attr.maxContentLightLevel = static_cast<int>(settings->maxContentLightLevel);
  attr.maxFrameAverageLightLevel = static_cast<int>(settings->maxFrameAverageLightLevel);
  attr.flags = static_cast<int>(settings->flags & 1);
  const AgsDisplayInfo& display = dev.displays[displayIndex];
  if (context->e.sourceContentAttributeSet(context->adl, display.adlAdapterIndex,
                                           display.adlDisplayIndex, attr) != 0)
    return kAgsAdlFailure;
  return kAgsSuccess;
}

}  // extern "C"
