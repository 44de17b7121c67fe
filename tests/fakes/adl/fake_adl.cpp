// A fake AMD display library for the AMD tests. One source, built into
// variants:
//   FAKE_ADL_MISSING_REQUIRED  lacks ADL_Overdrive_Caps and ADL2_Display_Modes_Get
//   FAKE_ADL_CREATE_FAILS      both control-create entries fail
//   FAKE_ADL_ZERO_ADAPTERS     reports no adapters
//   FAKE_ADL_CDECL_TEMPERATURE ADL_Overdrive5_Temperature_Get is built with the
//                              caller-cleans convention instead of the library's
//                              standard call: a deliberate mismatch that only a
//                              32-bit run can show (x86_64 has one convention)
// The adapters and their values come from a scenario the test sets through
// FakeAdl_Configure; without one, a default OD8 GPU answers.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "detect/amd/AdlTypes.h"
#include "tests/fakes/adl/fake_adl.h"

#define EXPORT extern "C" __declspec(dllexport)

namespace {

FakeAdlScenario g_s;
FakeAdlStats g_stats;
AdlAllocFn g_alloc = nullptr;
AdlPmLogData g_shared[kFakeMaxAdapters];
int g_context;  // its address is the ADL2 context

void setDefaults() {
  memset(&g_s, 0, sizeof(g_s));
  g_s.adapterCount = 1;
  snprintf(g_s.driverVersion, sizeof(g_s.driverVersion), "31.0.21001.45002");
  snprintf(g_s.softwareVersion, sizeof(g_s.softwareVersion), "23.5.2");
  FakeAdlAdapter& a = g_s.adapters[0];
  a.adapterIndex = 0;
  a.bus = 3;
  a.exists = 1;
  snprintf(a.udid, sizeof(a.udid), "PCI_VEN_1002&DEV_67DF&SUBSYS_0C051002&REV_C7_4&1234&0&0019A");
  snprintf(a.name, sizeof(a.name), "Fake Radeon RX 480");
  snprintf(a.displayName, sizeof(a.displayName), "\\\\.\\DISPLAY9");
  snprintf(a.driverPathExt, sizeof(a.driverPathExt), "{fake}\\0000");
  a.odVersion = 8;
  const int ids[] = {1, 2, 8, 9, 14, 15, 17, 19, 20, 21, 23, 27};
  const int values[] = {2105, 1000, 54, 62, 1450, 38, 180, 71, 43, 1025, 212, 77};
  a.sensorCount = 12;
  a.supportCount = 12;
  for (int i = 0; i < 12; ++i) {
    a.sensorIds[i] = a.supportIds[i] = ids[i];
    a.sensorValues[i] = values[i];
    a.pairs[i][0] = ids[i];
    a.pairs[i][1] = values[i];
  }
  a.pairCount = 12;
  a.coreGeneration = 2;
  a.coreUnits = 36;
  a.corePes = 64;
  a.coreRops = 32;
  a.memSize = 16LL << 30;
  snprintf(a.memType, sizeof(a.memType), "GDDR6");
  a.memBandwidth = 512000;
  snprintf(a.biosVersion, sizeof(a.biosVersion), "020.001.000.038");
  snprintf(a.biosPart, sizeof(a.biosPart), "113-D4120100-100");
  snprintf(a.biosDate, sizeof(a.biosDate), "2020/10/01");
  a.numLevels = 2;
  a.levelEngine[0] = 50000;
  a.levelEngine[1] = 210500;
  a.levelMemory[0] = 9600;
  a.levelMemory[1] = 100000;
  a.levelVddc[0] = 750;
  a.levelVddc[1] = 1025;
  a.displays = 1;
}

struct Init {
  Init() { setDefaults(); }
} g_init;

FakeAdlAdapter* find(int index) {
  for (int i = 0; i < g_s.adapterCount && i < kFakeMaxAdapters; ++i)
    if (g_s.adapters[i].adapterIndex == index) return &g_s.adapters[i];
  return nullptr;
}
int slotOf(const FakeAdlAdapter* a) { return static_cast<int>(a - g_s.adapters); }

int adapterCount() {
#ifdef FAKE_ADL_ZERO_ADAPTERS
  return 0;
#else
  return g_s.garbageSeed ? g_s.reportedCount : g_s.adapterCount;
#endif
}

// Garbage mode: the next pseudo-random number of the scenario's sequence.
unsigned g_random;
unsigned nextRandom() {
  g_random = g_random * 1664525u + 1013904223u;
  return g_random >> 8;
}

// A text into a driver record: in garbage mode the text, then random
// non-zero bytes, over the whole field and without a terminator.
void putText(char* out, size_t size, const char* text) {
  if (!g_s.garbageSeed) {
    snprintf(out, size, "%s", text);
    return;
  }
  size_t n = strnlen(text, size);
  memcpy(out, text, n);
  for (size_t i = n; i < size; ++i) out[i] = static_cast<char>(1 + nextRandom() % 255);
}

void fillInfo(const FakeAdlAdapter& a, AdlAdapterInfo* out) {
  memset(out, 0, sizeof(*out));
  out->size = sizeof(*out);
  out->adapterIndex = a.adapterIndex;
  putText(out->udid, sizeof(out->udid), a.udid);
  out->busNumber = a.bus;
  out->deviceNumber = a.device;
  out->functionNumber = a.function;
  out->vendorId = 0x1002;
  putText(out->adapterName, sizeof(out->adapterName), a.name);
  putText(out->displayName, sizeof(out->displayName), a.displayName);
  out->present = 1;
  out->exists = a.exists;
  putText(out->driverPathExt, sizeof(out->driverPathExt), a.driverPathExt);
  putText(out->pnpString, sizeof(out->pnpString), a.pnp);
}

// Record i of the adapter table: the scenario's adapter, or in garbage mode
// random bytes past the scenario's own.
void fillRecord(int i, AdlAdapterInfo* out) {
  if (i < g_s.adapterCount && i < kFakeMaxAdapters) {
    fillInfo(g_s.adapters[i], out);
    return;
  }
  unsigned char* bytes = reinterpret_cast<unsigned char*>(out);
  for (size_t k = 0; k < sizeof(*out); ++k) bytes[k] = static_cast<unsigned char>(nextRandom());
}

// A live read of this adapter: the adapter, or null when it fails.
FakeAdlAdapter* live(int index) {
  FakeAdlAdapter* a = find(index);
  return a && !a->failReads ? a : nullptr;
}

}  // namespace

EXPORT void FakeAdl_Configure(const FakeAdlScenario* s) {
  if (s) {
    g_s = *s;
    g_random = s->garbageSeed;
  } else
    setDefaults();
}
EXPORT void FakeAdl_GetStats(FakeAdlStats* out) {
  if (out) *out = g_stats;
}

// ---- Control ----
EXPORT int ADL_CALL ADL_Main_Control_Create(AdlAllocFn alloc, int) {
#ifdef FAKE_ADL_CREATE_FAILS
  return -1;
#endif
  g_alloc = alloc;
  ++g_stats.mainCreated;
  return 0;
}
EXPORT int ADL_CALL ADL_Main_Control_Destroy() {
  ++g_stats.mainDestroyed;
  return 0;
}
EXPORT int ADL_CALL ADL_Main_Control_Refresh() { return 0; }
EXPORT int ADL_CALL ADL2_Main_Control_Create(AdlAllocFn alloc, int, AdlContext* context) {
#ifdef FAKE_ADL_CREATE_FAILS
  return -1;
#endif
  g_alloc = alloc;
  *context = &g_context;
  ++g_stats.contextsCreated;
  return 0;
}
EXPORT int ADL_CALL ADL2_Main_Control_Destroy(AdlContext) {
  ++g_stats.contextsDestroyed;
  return 0;
}

// ---- Adapters ----
EXPORT int ADL_CALL ADL_Adapter_NumberOfAdapters_Get(int* n) {
  *n = adapterCount();
  return 0;
}
EXPORT int ADL_CALL ADL2_Adapter_NumberOfAdapters_Get(AdlContext, int* n) { return ADL_Adapter_NumberOfAdapters_Get(n); }
EXPORT int ADL_CALL ADL_Adapter_AdapterInfo_Get(AdlAdapterInfo* info, int size) {
  int n = size / static_cast<int>(sizeof(AdlAdapterInfo));
  for (int i = 0; i < n && i < adapterCount(); ++i) fillRecord(i, &info[i]);
  return 0;
}
EXPORT int ADL_CALL ADL2_Adapter_AdapterInfoX2_Get(AdlContext, AdlAdapterInfo** out) {
  int n = adapterCount();
  if (n <= 0 || !g_alloc) return -1;
  AdlAdapterInfo* info = static_cast<AdlAdapterInfo*>(g_alloc(n * sizeof(AdlAdapterInfo)));
  for (int i = 0; i < n; ++i) fillRecord(i, &info[i]);
  *out = info;
  return 0;
}
EXPORT int ADL_CALL ADL_Adapter_Active_Get(int, int* active) {
  *active = 1;
  return 0;
}
#ifndef FAKE_ADL_MISSING_REQUIRED
EXPORT int ADL_CALL ADL_Overdrive_Caps(int index, int* supported, int* enabled, int* version) {
  FakeAdlAdapter* a = find(index);
  if (!a) return -1;
  *supported = *enabled = 1;
  *version = a->odVersion;
  return 0;
}
#endif
EXPORT int ADL_CALL ADL2_Overdrive_Caps(AdlContext, int index, int* supported, int* enabled, int* version) {
  FakeAdlAdapter* a = find(index);
  if (!a) return -1;
  *supported = *enabled = 1;
  *version = a->odVersion;
  return 0;
}
EXPORT int ADL_CALL ADL_Adapter_MemoryInfo_Get(int index, AdlMemoryInfo* m) {
  FakeAdlAdapter* a = find(index);
  if (!a) return -1;
  m->memorySize = a->memSize;
  m->memoryBandwidth = a->memBandwidth;
  putText(m->memoryType, sizeof(m->memoryType), a->memType);
  return 0;
}
EXPORT int ADL_CALL ADL2_Adapter_MemoryInfo_Get(AdlContext, int index, AdlMemoryInfo* m) {
  return ADL_Adapter_MemoryInfo_Get(index, m);
}
EXPORT int ADL_CALL ADL2_Adapter_Graphic_Core_Info_Get(AdlContext, int index, AdlGraphicCoreInfo* c) {
  FakeAdlAdapter* a = find(index);
  if (!a) return -1;
  c->generation = a->coreGeneration;
  c->units = a->coreUnits;
  c->elementsPerUnit = a->corePes;
  c->rops = a->coreRops;
  return 0;
}
EXPORT int ADL_CALL ADL2_Adapter_ASICFamilyType_Get(AdlContext, int, int* types, int* valids) {
  *types = *valids = 1;  // discrete
  return 0;
}
EXPORT int ADL_CALL ADL_Adapter_ObservedGameClockInfo_Get(AdlContext, int index, int* base, int* game,
                                                           int* boost, int* memory) {
  FakeAdlAdapter* a = find(index);
  if (!a || a->gameClock <= 0) return -1;
  *base = *boost = *game = a->gameClock;
  *memory = a->gameMemoryClock;
  return 0;
}
EXPORT int ADL_CALL ADL2_Adapter_VideoBiosInfo_Get(AdlContext, int index, AdlBiosInfo* b) {
  FakeAdlAdapter* a = find(index);
  if (!a) return -1;
  putText(b->partNumber, sizeof(b->partNumber), a->biosPart);
  putText(b->version, sizeof(b->version), a->biosVersion);
  putText(b->date, sizeof(b->date), a->biosDate);
  return 0;
}
EXPORT int ADL_CALL ADL2_Graphics_VersionsX2_Get(AdlContext, AdlVersionsInfoX2* v) {
  putText(v->driverVersion, sizeof(v->driverVersion), g_s.driverVersion);
  putText(v->radeonSoftwareVersion, sizeof(v->radeonSoftwareVersion), g_s.softwareVersion);
  return 0;
}
EXPORT int ADL_CALL ADL2_Graphics_Versions_Get(AdlContext, AdlVersionsInfo* v) {
  putText(v->driverVersion, sizeof(v->driverVersion), g_s.driverVersion);
  return 0;
}

// ---- Overdrive 5 ----
#ifdef FAKE_ADL_CDECL_TEMPERATURE
#define OD5_TEMPERATURE_CALL __cdecl
#else
#define OD5_TEMPERATURE_CALL ADL_CALL
#endif
EXPORT int OD5_TEMPERATURE_CALL ADL_Overdrive5_Temperature_Get(int index, int, AdlTemperature* t) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  t->temperature = a->temperatureMilli;
  return 0;
}
EXPORT int ADL_CALL ADL_Overdrive5_FanSpeed_Get(int index, int, AdlFanSpeedValue* v) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  v->fanSpeed = v->speedType == kAdlFanSpeedRpm ? a->fanRpm : a->fanPercent;
  return 0;
}
EXPORT int ADL_CALL ADL_Overdrive5_ODParameters_Get(int index, AdlOdParameters* p) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  p->numberOfPerformanceLevels = a->numLevels;
  return 0;
}
EXPORT int ADL_CALL ADL_Overdrive5_ODPerformanceLevels_Get(int index, int, AdlOdPerformanceLevelsHeader* h) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  int room = (h->size - static_cast<int>(sizeof(*h))) / static_cast<int>(sizeof(AdlOdPerformanceLevel));
  if (room < a->numLevels) return -1;  // the driver refuses a short buffer
  AdlOdPerformanceLevel* l = reinterpret_cast<AdlOdPerformanceLevel*>(h + 1);
  for (int i = 0; i < a->numLevels; ++i) l[i] = {a->levelEngine[i], a->levelMemory[i], a->levelVddc[i]};
  return 0;
}
EXPORT int ADL_CALL ADL_Overdrive5_CurrentActivity_Get(int index, AdlPmActivity* p) {
  FakeAdlAdapter* a = live(index);
  if (!a || p->size != sizeof(AdlPmActivity)) return -1;
  p->activityPercent = a->activity;
  p->engineClock = a->engineClock;
  p->memoryClock = a->memoryClock;
  p->vddc = a->vddc;
  return 0;
}
EXPORT int ADL_CALL ADL2_Overdrive5_CurrentActivity_Get(AdlContext, int index, AdlPmActivity* p) {
  return ADL_Overdrive5_CurrentActivity_Get(index, p);
}
EXPORT int ADL_CALL ADL_Overdrive5_PowerControlInfo_Get(int index, AdlPowerControlInfo* p) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  p->minimum = a->powerMin;
  p->maximum = a->powerMax;
  return 0;
}

// ---- Overdrive 6 ----
// Like the driver, it answers the one speed type asked for.
EXPORT int ADL_CALL ADL_Overdrive6_FanSpeed_Get(int index, AdlOd6FanSpeedInfo* f) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  if (f->speedType == kAdlFanSpeedPercent)
    f->fanSpeedPercent = a->fanPercent;
  else if (f->speedType == kAdlFanSpeedRpm)
    f->fanSpeedRpm = a->fanRpm;
  else
    return -1;
  return 0;
}
EXPORT int ADL_CALL ADL_Overdrive6_ThermalController_Caps(int index, AdlOd6ThermalControllerCaps* c) {
  FakeAdlAdapter* a = find(index);
  if (!a) return -1;
  c->capabilities = a->odVersion == 6 ? 1 : 0;
  return 0;
}
EXPORT int ADL_CALL ADL_Overdrive6_Temperature_Get(int index, int* t) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  *t = a->temperatureMilli;
  return 0;
}
EXPORT int ADL_CALL ADL_Overdrive6_CurrentStatus_Get(int index, AdlOd6CurrentStatus* s) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  s->activityPercent = a->activity;
  s->engineClock = a->engineClock;
  s->memoryClock = a->memoryClock;
  s->extMask = 0x5A5A;  // the last word of the record: a short buffer would be overrun
  return 0;
}
EXPORT int ADL_CALL ADL_Overdrive6_PowerControl_Caps(int index, int* supported) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  *supported = 1;
  return 0;
}
EXPORT int ADL_CALL ADL_Overdrive6_PowerControlInfo_Get(int index, AdlOd6PowerControlInfo* p) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  p->minimum = a->powerMin;
  p->maximum = a->powerMax;
  return 0;
}
EXPORT int ADL_CALL ADL_Overdrive6_PowerControl_Get(int index, int* current, int* def) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  *current = a->powerCurrent;
  *def = a->powerDefault;
  return 0;
}

// ---- OverdriveN ----
EXPORT int ADL_CALL ADL2_OverdriveN_Capabilities_Get(AdlContext, int index, AdlOdnCapabilities* c) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  c->maximumNumberOfPerformanceLevels = a->numLevels;
  c->power.minimum = a->powerMin;
  c->power.maximum = a->powerMax;
  c->power.defaultValue = a->powerDefault;
  return 0;
}
static int odnLevels(int index, AdlOdnPerformanceLevelsHeader* h, const int* clocks) {
  g_stats.lastOdnLevels = h;
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  int room = (h->size - static_cast<int>(sizeof(*h))) / static_cast<int>(sizeof(AdlOdnPerformanceLevel));
  if (room < a->numLevels) return -1;
  AdlOdnPerformanceLevel* l = reinterpret_cast<AdlOdnPerformanceLevel*>(h + 1);
  for (int i = 0; i < a->numLevels; ++i) l[i] = {clocks[i], a->levelVddc[i], 1};
  h->numberOfPerformanceLevels = a->numLevels;
  return 0;
}
EXPORT int ADL_CALL ADL2_OverdriveN_SystemClocks_Get(AdlContext, int index, AdlOdnPerformanceLevelsHeader* h) {
  FakeAdlAdapter* a = find(index);
  return a ? odnLevels(index, h, a->levelEngine) : -1;
}
EXPORT int ADL_CALL ADL2_OverdriveN_MemoryClocks_Get(AdlContext, int index, AdlOdnPerformanceLevelsHeader* h) {
  FakeAdlAdapter* a = find(index);
  return a ? odnLevels(index, h, a->levelMemory) : -1;
}
EXPORT int ADL_CALL ADL2_OverdriveN_FanControl_Get(AdlContext, int index, AdlOdnFanControl* f) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  f->currentFanSpeed = a->fanRpm;
  f->targetFanSpeed = a->fanTarget;
  return 0;
}
EXPORT int ADL_CALL ADL2_OverdriveN_PowerLimit_Get(AdlContext, int index, AdlOdnPowerLimitSetting* p) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  p->tdpLimit = a->tdpLimit;
  return 0;
}
EXPORT int ADL_CALL ADL2_OverdriveN_Temperature_Get(AdlContext, int index, int, int* t) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  *t = a->temperatureMilli;
  return 0;
}
EXPORT int ADL_CALL ADL2_OverdriveN_PerformanceStatus_Get(AdlContext, int index, AdlOdnPerformanceStatus* s) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  s->gpuActivityPercent = a->activity;
  s->coreClock = a->engineClock;
  s->memoryClock = a->memoryClock;
  s->vddc = a->vddc;
  return 0;
}

// ---- Overdrive 8 and the performance log ----
EXPORT int ADL_CALL ADL2_Overdrive8_Init_Setting_Get(AdlContext, int index, AdlOd8InitSetting* s) {
  FakeAdlAdapter* a = live(index);
  if (!a || a->odVersion != 8) return -1;
  s->capabilities = 1 | 4;
  s->settings[0].maxValue = a->levelEngine[a->numLevels > 0 ? a->numLevels - 1 : 0] / 100;
  s->settings[8].maxValue = a->levelMemory[a->numLevels > 0 ? a->numLevels - 1 : 0] / 100;
  return 0;
}
EXPORT int ADL_CALL ADL2_New_QueryPMLogData_Get(AdlContext, int index, AdlPmLogDataOutput* d) {
  FakeAdlAdapter* a = live(index);
  if (!a) return -1;
  for (int i = 0; i < a->sensorCount && i < kFakeMaxSensors; ++i) {
    int id = a->sensorIds[i];
    if (id < 0 || id >= kAdlPmLogMaxSensors) continue;
    d->sensors[id].supported = 1;
    d->sensors[id].value = a->sensorValues[i];
  }
  return 0;
}
EXPORT int ADL_CALL ADL2_Adapter_PMLog_Support_Get(AdlContext, int index, AdlPmLogSupportInfo* s) {
  FakeAdlAdapter* a = find(index);
  if (!a) return -1;
  for (int i = 0; i < a->supportCount && i < kAdlPmLogMaxSensors; ++i)
    s->sensors[i] = static_cast<unsigned short>(a->supportIds[i]);
  return 0;
}
EXPORT int ADL_CALL ADL2_Device_PMLog_Device_Create(AdlContext, int index, AdlDeviceHandle* device) {
  FakeAdlAdapter* a = find(index);
  if (!a || a->supportCount == 0) return -1;
  *device = 0x100 + static_cast<AdlDeviceHandle>(slotOf(a));
  ++g_stats.devicesCreated;
  return 0;
}
EXPORT int ADL_CALL ADL2_Device_PMLog_Device_Destroy(AdlContext, AdlDeviceHandle) {
  ++g_stats.devicesDestroyed;
  return 0;
}
EXPORT int ADL_CALL ADL2_Adapter_PMLog_Start(AdlContext, int index, AdlPmLogStartInput* in,
                                             AdlPmLogStartOutput* out, AdlDeviceHandle device) {
  FakeAdlAdapter* a = find(index);
  if (!a || device != 0x100 + static_cast<AdlDeviceHandle>(slotOf(a))) return -1;
  ++g_stats.pmLogStarts;
  g_stats.lastSampleRate = static_cast<int>(in->sampleRate);
  AdlPmLogData& d = g_shared[slotOf(a)];
  memset(&d, 0, sizeof(d));
  // Pairs past the 256 the record holds spill into its reserved words: a
  // walk that does not stop at the end would read them.
  unsigned* words = &d.values[0][0];
  const int maxWords = static_cast<int>((sizeof(d.values) + sizeof(d.reserved)) / sizeof(unsigned));
  for (int i = 0; i < a->pairCount && 2 * i + 1 < maxWords; ++i) {
    words[2 * i] = a->pairs[i][0];
    words[2 * i + 1] = a->pairs[i][1];
  }
  out->loggingAddress = &d;
  return 0;
}
EXPORT int ADL_CALL ADL2_Adapter_PMLog_Stop(AdlContext, int, AdlDeviceHandle) {
  ++g_stats.pmLogStops;
  return 0;
}

// ---- Displays ----
namespace {

const int kSlsIndex = 7;
const int kOverstated = 1 << 20;

// An array of count records from the library's allocator, zeroed.
template <typename T>
T* allocRecords(int count) {
  T* p = static_cast<T*>(g_alloc(count * static_cast<int>(sizeof(T))));
  memset(p, 0, count * sizeof(T));
  return p;
}

// The display targets last handed out, to check what comes back.
const AdlDisplayTarget* g_targets = nullptr;
int g_targetCount = 0;

}  // namespace

// One desktop per display, or one for the Eyefinity group of them all.
EXPORT int ADL_CALL ADL2_Display_DisplayMapConfig_Get(AdlContext, int index, int* numMaps, AdlDisplayMap** maps,
                                                      int* numTargets, AdlDisplayTarget** targets, int) {
  FakeAdlAdapter* a = find(index);
  if (!a || !g_alloc || a->displays <= 0) return -1;
  const int n = a->displays;
  const bool group = a->slsColumns > 0;
  // Overstated, a first map names targets far past the array.
  const int bogus = a->slsOverstated ? 1 : 0;
  const int mapCount = (group ? 1 : n) + bogus;
  AdlDisplayMap* m = allocRecords<AdlDisplayMap>(mapCount);
  AdlDisplayTarget* t = allocRecords<AdlDisplayTarget>(n);
  for (int i = 0; i < n; ++i) {
    t[i].displayId.logicalIndex = i;
    t[i].displayId.logicalAdapterIndex = index;
    t[i].displayMapIndex = group ? 0 : i;
  }
  if (bogus) {
    m[0].numDisplayTarget = n;
    m[0].firstDisplayTargetArrayIndex = kOverstated;
  }
  for (int i = bogus; i < mapCount; ++i) {
    m[i].displayMapIndex = i;
    m[i].displayMode.xRes = group ? a->slsWidth : 2560;
    m[i].displayMode.yRes = group ? a->slsHeight : 1440;
    m[i].numDisplayTarget = group ? n : 1;
    m[i].firstDisplayTargetArrayIndex = group ? 0 : i - bogus;
  }
  *numMaps = a->slsOverstated ? kOverstated : mapCount;
  *numTargets = a->slsOverstated ? kOverstated : n;
  *maps = m;
  *targets = t;
  g_targets = t;
  g_targetCount = n;
  return 0;
}

EXPORT int ADL_CALL ADL2_Display_SLSMapIndex_Get(AdlContext, int index, int n, AdlDisplayTarget* targets,
                                                 int* slsIndex) {
  if (targets < g_targets || n > g_targetCount || targets + n > g_targets + g_targetCount)
    ++g_stats.slsIndexOutsideTargets;
  FakeAdlAdapter* a = find(index);
  if (!a || a->slsColumns <= 0 || n != a->displays) return -1;  // not a group
  *slsIndex = kSlsIndex;
  return 0;
}

// The group: its grid, one target per display in row order, its native
// mode and one bezel mode (the desktop's when slsBezel is set).
EXPORT int ADL_CALL ADL2_Display_SLSMapConfig_Get(AdlContext, int index, int slsIndex, AdlSlsMap* map,
                                                  int* numTargets, AdlSlsTarget** targets, int* numNative,
                                                  AdlSlsMode** native, int* numBezel, AdlBezelTransientMode** bezel,
                                                  int* numTransient, AdlBezelTransientMode** transient,
                                                  int* numOffsets, AdlSlsOffset** offsets, int) {
  FakeAdlAdapter* a = find(index);
  if (!a || a->slsColumns <= 0 || slsIndex != kSlsIndex || !g_alloc) return -1;
  const int n = a->displays;
  memset(map, 0, sizeof(*map));
  map->adapterIndex = index;
  map->slsMapIndex = kSlsIndex;
  map->grid.columns = a->slsColumns;
  map->grid.rows = a->slsRows;
  map->numSlsTarget = n;
  AdlSlsTarget* t = allocRecords<AdlSlsTarget>(n);
  for (int i = 0; i < n; ++i) {
    t[i].adapterIndex = index;
    t[i].slsMapIndex = kSlsIndex;
    t[i].displayTarget.displayId.logicalIndex = i;
    t[i].displayTarget.displayId.logicalAdapterIndex = index;
    t[i].gridPositionX = i % a->slsColumns;
    t[i].gridPositionY = i / a->slsColumns;
  }
  // The bezel mode is wider than the native one: the desktop runs one of them.
  const int bezelExtra = 120;
  AdlSlsMode* nat = allocRecords<AdlSlsMode>(1);
  nat->displayMode.xRes = a->slsBezel ? a->slsWidth - bezelExtra : a->slsWidth;
  nat->displayMode.yRes = a->slsHeight;
  AdlBezelTransientMode* bez = allocRecords<AdlBezelTransientMode>(1);
  bez->displayMode.xRes = a->slsBezel ? a->slsWidth : a->slsWidth + bezelExtra;
  bez->displayMode.yRes = a->slsHeight;
  const int over = a->slsOverstated ? kOverstated : 0;
  *numTargets = over ? over : n;
  *targets = t;
  *numNative = over ? over : 1;
  *native = nat;
  *numBezel = over ? over : 1;
  *bezel = bez;
  *numTransient = 0;
  *transient = nullptr;
  *numOffsets = 0;
  *offsets = nullptr;
  return 0;
}
#ifndef FAKE_ADL_MISSING_REQUIRED
EXPORT int ADL_CALL ADL2_Display_Modes_Get(AdlContext, int index, int display, int* n, AdlMode** modes) {
  FakeAdlAdapter* a = find(index);
  if (!a || !g_alloc) return -1;
  AdlMode* m = static_cast<AdlMode*>(g_alloc(sizeof(AdlMode)));
  memset(m, 0, sizeof(*m));
  m->adapterIndex = index;
  m->displayId.logicalIndex = display;
  m->xRes = 2560;
  m->yRes = 1440;
  m->refreshRate = 144.0f;
  *n = 1;
  *modes = m;
  return 0;
}
#endif
EXPORT int ADL_CALL ADL2_Display_DisplayInfo_Get(AdlContext, int index, int* n, AdlDisplayInfo** out, int) {
  FakeAdlAdapter* a = find(index);
  if (!a || !g_alloc) return -1;
  int count = a->displays;
  *n = count;
  *out = nullptr;
  if (count <= 0) return 0;
  AdlDisplayInfo* d = static_cast<AdlDisplayInfo*>(g_alloc(count * sizeof(AdlDisplayInfo)));
  memset(d, 0, count * sizeof(AdlDisplayInfo));
  for (int i = 0; i < count; ++i) {
    d[i].displayId.logicalIndex = i;
    d[i].displayId.logicalAdapterIndex = index;
    snprintf(d[i].displayName, sizeof(d[i].displayName), "FAKE%d", i);
    d[i].infoMask = d[i].infoValue = kAdlDisplayConnected | kAdlDisplayMapped;
  }
  *out = d;
  return 0;
}
EXPORT int ADL_CALL ADL2_Display_SourceContentAttribute_Set(AdlContext, int, int, AdlSourceContentAttributes a) {
  ++g_stats.sourceContentSets;
  g_stats.lastTransferFunction = a.transferFunction;
  g_stats.lastColorSpace = a.colorSpace;
  g_stats.lastAttributeFlags = a.flags;
  return 0;
}
