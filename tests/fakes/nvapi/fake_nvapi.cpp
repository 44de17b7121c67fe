// Stand-in for the NVIDIA driver library: nvapi_QueryInterface answers the
// interface ids the client uses (unknown ids: null), with GPUs and values
// chosen by the scenario the test sets. Structures are checked for their
// version words as the driver does (-9 for a wrong one).
#include <windows.h>

#include <cstring>

#include "FakeNvapi.h"

#ifndef QV_FAKE_ORIGIN
#define QV_FAKE_ORIGIN "system"
#endif

namespace {

unsigned g_scenario = kFakeDefault;
int g_initCalls = 0;
int g_hookCalls = 0;
const int kCounted = 64;
NvU32 g_countedIds[kCounted];
int g_queryCounts[kCounted];
int g_callCounts[kCounted];
NvU32 g_hidden[8];
int g_hiddenCount = 0;

bool has(unsigned flag) { return (g_scenario & flag) != 0; }

int slotOf(NvU32 id) {
  for (int i = 0; i < kCounted; ++i) {
    if (g_countedIds[i] == id) return i;
    if (g_countedIds[i] == 0) {
      g_countedIds[i] = id;
      return i;
    }
  }
  return -1;
}
void countCall(NvU32 id) {
  int s = slotOf(id);
  if (s >= 0) ++g_callCounts[s];
}

struct FakeGpu {
  const char* name;
  NvU32 busId, deviceId, subsystemId, revisionId;
  NvU32 arch, impl, archRevision;
  NvU32 brand, ramType, ramMaker, frameBufferKB, busWidth, location;
  NvU32 cores, rops, rtCores, tensorCores;
  const char* vbios;
  NvU32 gpuTemp, boardTemp;
  NvU32 clockScale;  // multiplies the P-state GPU clocks
};

// Enumeration order A then B; B has the lower bus id.
const FakeGpu kTwoGpus[2] = {
    {"FakeForce A", 5, 0x1C8210DE, 0x37511458, 0xA1, 0x130, 7, 0x11, 1, 8, 1, 4194304, 128, 1,
     768, 40, 0, 0, "86.07.22.00.50", 45, 38, 1},
    {"FakeForce RTX B", 2, 0x2FFF10DE, 0x00000000, 0xA1, 0x170, 2, 0x12, 8, 15, 6, 8388608, 256,
     1, 10496, 112, 82, 328, "94.02.42.00.A9", 60, 51, 2},
};
const FakeGpu kIdentical = {"FakeForce Twin", 0, 0x1C8210DE, 0x37511458, 0xA1, 0x130, 7, 0x11,
                            1, 8, 1, 4194304, 128, 1, 768, 32, 0, 0, "86.07.22.00.50", 45, 38, 1};

FakeGpu g_gpus[3];
int g_gpuCount = 0;

void setUpGpus() {
  if (has(kFakeIdenticalGpus)) {
    g_gpuCount = 3;
    for (int i = 0; i < 3; ++i) {
      g_gpus[i] = kIdentical;
      g_gpus[i].busId = static_cast<NvU32>(3 + i);
    }
  } else {
    g_gpuCount = 2;
    g_gpus[0] = kTwoGpus[0];
    g_gpus[1] = kTwoGpus[1];
  }
}

const FakeGpu* gpuOf(NvPhysicalGpuHandle h) {
  for (int i = 0; i < g_gpuCount; ++i)
    if (reinterpret_cast<NvPhysicalGpuHandle>(&g_gpus[i]) == h) return &g_gpus[i];
  return nullptr;
}
NvPhysicalGpuHandle handleOf(int i) { return reinterpret_cast<NvPhysicalGpuHandle>(&g_gpus[i]); }

// Display handles: display 0 is driven by the second GPU, display 1 by the first.
NvDisplayHandle displayHandle(int i) {
  return reinterpret_cast<NvDisplayHandle>(static_cast<uintptr_t>(0x1000 + i));
}

const int kBad = -8;  // invalid handle
const int kArg = -5;  // invalid argument

void fillText(char* dest, const char* text) {
  if (has(kFakeUnterminatedTexts)) {
    memset(dest, 'Z', kNvShortString);
    return;
  }
  strncpy(dest, text, kNvShortString - 1);
  dest[kNvShortString - 1] = '\0';
}

int huge(int capacity) { return has(kFakeCountsOverCapacity) ? capacity * 10 + 7 : 0; }

// ---- entry points ----

int QV_NVAPI_CALL initialize() {
  ++g_initCalls;
  return has(kFakeInitFails) ? kNvapiError : kNvapiOk;
}
void QV_NVAPI_CALL preHook(NvU32, NvU32 words[2]) {
  if (words && words[0] == 0 && words[1] == 0) ++g_hookCalls;
}
void QV_NVAPI_CALL postHook(NvU32, NvU32*, int) { ++g_hookCalls; }

int QV_NVAPI_CALL interfaceVersion(char* text) {
  countCall(kNvIdGetInterfaceVersionString);
  if (!text) return kArg;
  fillText(text, "Fake NVAPI R472");
  return kNvapiOk;
}
int QV_NVAPI_CALL displayDriverVersion(NvDisplayHandle, NvDisplayDriverVersion* v) {
  if (!v) return kArg;
  if (v->version != kNvDisplayDriverVersionVer) return kNvapiIncompatibleVersion;
  v->driverVersion = 47213;
  fillText(v->buildBranch, "r470_00");
  fillText(v->adapter, "FakeForce A");
  return kNvapiOk;
}
int QV_NVAPI_CALL driverAndBranch(NvU32* version, char* branch) {
  if (!version || !branch) return kArg;
  *version = 47214;
  fillText(branch, "r470_10");
  return kNvapiOk;
}
int QV_NVAPI_CALL driverInformation(NvSysDriverInformation* info) {
  if (!info) return kArg;
  if (info->version != kNvSysDriverInformationVer) return kNvapiIncompatibleVersion;
  info->driverVersion = 47215;
  fillText(info->buildBranch, "r470_rel");
  return kNvapiOk;
}
int QV_NVAPI_CALL enumDisplay(NvU32 index, NvDisplayHandle* out) {
  if (!out) return kArg;
  if (index >= 2) return -7;  // end of enumeration
  *out = displayHandle(static_cast<int>(index));
  return kNvapiOk;
}
int QV_NVAPI_CALL enumLogical(NvLogicalGpuHandle* gpus, NvU32* count) {
  if (!gpus || !count) return kArg;
  gpus[0] = reinterpret_cast<NvLogicalGpuHandle>(static_cast<uintptr_t>(0x2000));
  *count = 1;
  return kNvapiOk;
}
int QV_NVAPI_CALL enumPhysical(NvPhysicalGpuHandle* gpus, NvU32* count) {
  if (!gpus || !count) return kArg;
  for (int i = 0; i < g_gpuCount; ++i) gpus[i] = handleOf(i);
  *count = static_cast<NvU32>(g_gpuCount);
  return kNvapiOk;
}
int QV_NVAPI_CALL gpusFromDisplay(NvDisplayHandle display, NvPhysicalGpuHandle* gpus, NvU32* count) {
  if (!gpus || !count) return kArg;
  if (display == displayHandle(0) && g_gpuCount > 1) gpus[0] = handleOf(1);
  else if (display == displayHandle(1)) gpus[0] = handleOf(0);
  else return kBad;
  *count = 1;
  return kNvapiOk;
}
int QV_NVAPI_CALL fourValues(NvU32, NvU32, NvU32, NvU32) {
  countCall(kNvIdStartupFourValues);
  return kNvapiOk;
}
int QV_NVAPI_CALL gpuFlag(NvPhysicalGpuHandle gpu, NvU32) {
  countCall(kNvIdGpuStartupFlag);
  return gpuOf(gpu) ? kNvapiOk : kBad;
}

#define FAKE_GPU_OUT(fn, field)                                    \
  int QV_NVAPI_CALL fn(NvPhysicalGpuHandle h, NvU32* out) {        \
    const FakeGpu* g = gpuOf(h);                                   \
    if (!g) return kBad;                                           \
    if (!out) return kArg;                                         \
    *out = g->field;                                               \
    return kNvapiOk;                                               \
  }
FAKE_GPU_OUT(busIdOf, busId)
FAKE_GPU_OUT(brandOf, brand)
FAKE_GPU_OUT(frameBufferOf, frameBufferKB)
FAKE_GPU_OUT(ramTypeOf, ramType)
FAKE_GPU_OUT(ramMakerOf, ramMaker)
FAKE_GPU_OUT(coreCountOf, cores)
FAKE_GPU_OUT(ropCountOf, rops)
#undef FAKE_GPU_OUT

int QV_NVAPI_CALL fullName(NvPhysicalGpuHandle h, char* name) {
  const FakeGpu* g = gpuOf(h);
  if (!g) return kBad;
  if (!name) return kArg;
  fillText(name, g->name);
  return kNvapiOk;
}
int QV_NVAPI_CALL vbiosOf(NvPhysicalGpuHandle h, char* text) {
  const FakeGpu* g = gpuOf(h);
  if (!g) return kBad;
  if (!text) return kArg;
  fillText(text, g->vbios);
  return kNvapiOk;
}
int QV_NVAPI_CALL pciIds(NvPhysicalGpuHandle h, NvU32* device, NvU32* subsystem, NvU32* revision,
                         NvU32* ext) {
  const FakeGpu* g = gpuOf(h);
  if (!g) return kBad;
  if (!device || !subsystem || !revision || !ext) return kArg;
  *device = g->deviceId;
  *subsystem = g->subsystemId;
  *revision = g->revisionId;
  *ext = g->deviceId;
  return kNvapiOk;
}
int QV_NVAPI_CALL busWidth(NvPhysicalGpuHandle h, NvU32* width, NvU32* location) {
  const FakeGpu* g = gpuOf(h);
  if (!g) return kBad;
  if (!width || !location) return kArg;
  *width = g->busWidth;
  *location = g->location;
  return kNvapiOk;
}
int QV_NVAPI_CALL rtTensor(NvPhysicalGpuHandle h, NvRtAndTensorCores* info) {
  const FakeGpu* g = gpuOf(h);
  if (!g) return kBad;
  if (!info) return kArg;
  if (info->version != kNvRtAndTensorCoresVer) return kNvapiIncompatibleVersion;
  info->rtCores = g->rtCores;
  info->tensorCores = g->tensorCores;
  return kNvapiOk;
}
int QV_NVAPI_CALL archInfo(NvPhysicalGpuHandle h, NvArchInfo* info) {
  const FakeGpu* g = gpuOf(h);
  if (!g) return kBad;
  if (!info) return kArg;
  if (info->version != kNvArchInfoVer) return kNvapiIncompatibleVersion;
  info->architecture = g->arch;
  info->implementation = g->impl;
  info->revision = g->archRevision;
  return kNvapiOk;
}
int QV_NVAPI_CALL thermal(NvPhysicalGpuHandle h, NvU32 sensor, NvThermalSettings* t) {
  const FakeGpu* g = gpuOf(h);
  if (!g) return kBad;
  if (!t || sensor != kNvThermalAllSensors) return kArg;
  if (t->version != kNvThermalSettingsVer) return kNvapiIncompatibleVersion;
  t->count = has(kFakeCountsOverCapacity) ? 50 : 2;
  t->sensor[0] = {1, 0, 127, g->gpuTemp, kNvThermalTargetGpu};
  t->sensor[1] = {1, 0, 127, g->boardTemp, kNvThermalTargetBoard};
  return kNvapiOk;
}
int QV_NVAPI_CALL tach(NvPhysicalGpuHandle h, NvU32* rpm) {
  if (!gpuOf(h)) return kBad;
  if (!rpm) return kArg;
  *rpm = 1200;
  return kNvapiOk;
}
int QV_NVAPI_CALL coolerSettings(NvPhysicalGpuHandle h, NvU32 index, NvCoolerSettings* c) {
  if (!gpuOf(h)) return kBad;
  if (!c || index != kNvAllCoolers) return kArg;
  if (c->version != kNvCoolerSettingsVer) return kNvapiIncompatibleVersion;
  c->count = has(kFakeCountsOverCapacity) ? static_cast<NvU32>(huge(kNvMaxCoolers)) : 2;
  c->cooler[0].target = 4;  // not the GPU
  c->cooler[0].currentLevel = 90;
  c->cooler[1].target = kNvCoolerTargetGpu;
  c->cooler[1].currentLevel = 35;
  return kNvapiOk;
}
int QV_NVAPI_CALL fanCoolersInfo(NvPhysicalGpuHandle h, NvFanCoolersInfo* info) {
  if (!gpuOf(h)) return kBad;
  if (!info) return kArg;
  if (info->version != kNvFanCoolersInfoVer) return kNvapiIncompatibleVersion;
  info->supported = 1;
  info->count = has(kFakeCountsOverCapacity) ? static_cast<NvU32>(huge(kNvFanCoolerRows)) : 2;
  for (NvU32 i = 0; i < 2; ++i) {
    info->entry[i][0] = i + 1;   // id
    info->entry[i][1] = 1;       // tachometer
    info->entry[i][2] = 0;       // RPM minimum
    info->entry[i][3] = 3000 + 100 * i;  // RPM maximum
  }
  return kNvapiOk;
}
int QV_NVAPI_CALL fanCoolersStatus(NvPhysicalGpuHandle h, NvFanCoolersStatus* s) {
  if (!gpuOf(h)) return kBad;
  if (!s) return kArg;
  if (s->version != kNvFanCoolersStatusVer) return kNvapiIncompatibleVersion;
  s->count = 2;
  for (NvU32 i = 0; i < 2; ++i) {
    NvU32 row[13] = {i + 1, 1100 + i, 20, 100, 35 + i};
    memcpy(s->entry[i], row, sizeof(row));
  }
  return kNvapiOk;
}
int QV_NVAPI_CALL clocks(NvPhysicalGpuHandle h, NvClockFrequencies* c) {
  if (!gpuOf(h)) return kBad;
  if (!c) return kArg;
  if (c->version != kNvClockFrequenciesVer) return kNvapiIncompatibleVersion;
  static const NvU32 kGpuKHz[3] = {1480500, 1290000, 1392999};
  const NvU32 type = c->clockType & 0xF;
  if (type > 2) return kArg;
  c->domain[kNvClockGraphics] = {1, kGpuKHz[type]};
  c->domain[kNvClockMemory] = {1, 3504000};
  c->domain[kNvClockProcessor] = {0, 999999};
  return kNvapiOk;
}

NvU32 currentPstate() { return has(kFakeCurrentPstateMissing) ? 12 : 8; }

int QV_NVAPI_CALL curPstate(NvPhysicalGpuHandle h, NvU32* p) {
  if (!gpuOf(h)) return kBad;
  if (!p) return kArg;
  *p = currentPstate();
  return kNvapiOk;
}

void setClock(NvPstate20Clock& c, NvU32 domain, NvU32 kHz) {
  c.domainId = domain;
  c.frequencyKHz = kHz;
}
int QV_NVAPI_CALL pstates20(NvPhysicalGpuHandle h, NvPstates20* ps) {
  const FakeGpu* g = gpuOf(h);
  if (!g) return kBad;
  if (!ps) return kArg;
  countCall(kNvIdGpuGetPstates20);
  if (has(kFakeNoPstates20)) return kNvapiError;
  const bool v3 = ps->version == kNvPstates20Ver3;
  const bool v1 = ps->version == kNvPstates20Ver1;
  if (!(v3 && !has(kFakePstates20V3Rejected)) && !v1) return kNvapiIncompatibleVersion;
  // P0 and P8; the GPU clock scaled per GPU, the v1 answer 1 MHz higher so
  // that the tests can tell which version answered.
  const NvU32 extra = v1 ? 1000 : 0;
  ps->numPstates = has(kFakeCountsOverCapacity) ? static_cast<NvU32>(huge(kNvMaxPstates)) : 2;
  ps->numClocks = has(kFakeCountsOverCapacity) ? 99 : 3;
  ps->numBaseVoltages = has(kFakeCountsOverCapacity) ? 99 : 1;
  const NvU32 ids[2] = {0, 8};
  const NvU32 gpuKHz[2] = {1500000, 300000};
  const NvU32 memKHz[2] = {3500000, 405000};
  const NvU32 procKHz[2] = {2000000, 600000};
  const NvU32 uV[2] = {1000000, 650000};
  const int filled = has(kFakeCountsOverCapacity) ? kNvMaxPstates : 2;
  for (int s = 0; s < filled; ++s) {
    NvPstate20& p = ps->pstate[s];
    const int k = s < 2 ? s : 1;
    p.pstateId = s < 2 ? ids[k] : static_cast<NvU32>(s);
    setClock(p.clock[0], kNvClockGraphics, gpuKHz[k] * g->clockScale + extra);
    setClock(p.clock[1], kNvClockMemory, memKHz[k]);
    setClock(p.clock[2], kNvClockProcessor, procKHz[k]);
    p.baseVoltage[0].domainId = 0;
    p.baseVoltage[0].voltageUV = uV[k];
    if (has(kFakeCountsOverCapacity)) {  // the unused entries belong to other domains
      for (int c = 3; c < kNvPstates20Clocks; ++c) p.clock[c].domainId = 30;
      for (int b = 1; b < kNvPstates20Voltages; ++b) p.baseVoltage[b].domainId = 9;
    }
  }
  return kNvapiOk;
}
int QV_NVAPI_CALL pstatesInfo(NvPhysicalGpuHandle h, NvPstatesInfo* info) {
  const FakeGpu* g = gpuOf(h);
  if (!g) return kBad;
  if (!info) return kArg;
  if (info->version != kNvPstatesInfoVer) return kNvapiIncompatibleVersion;
  info->numPstates = 3;
  info->numClocks = 3;
  info->numVoltages = 1;
  const NvU32 ids[3] = {0, 8, 12};
  const NvU32 gpuKHz[3] = {1400000, 250000, 200000};
  const NvU32 memKHz[3] = {3400000, 400000, 300000};
  const NvU32 mV[3] = {950, 600, 550};
  for (int s = 0; s < 3; ++s) {
    NvPstateInfo& p = info->pstate[s];
    p.pstateId = ids[s];
    p.clock[0] = {kNvClockMemory, 0, memKHz[s]};
    p.clock[1] = {kNvClockGraphics, 0, gpuKHz[s] * g->clockScale};
    p.clock[2] = {kNvClockProcessor, 0, 2 * gpuKHz[s]};
    p.voltage[0] = {0, 0, mV[s]};
  }
  return kNvapiOk;
}
int QV_NVAPI_CALL coreVoltage(NvPhysicalGpuHandle h, NvCoreVoltage* v) {
  if (!gpuOf(h)) return kBad;
  if (!v) return kArg;
  if (v->version != kNvCoreVoltageVer) return kNvapiIncompatibleVersion;
  v->status = has(kFakeNoVoltage) ? 1 : 0;
  v->voltageUV = 1050000;
  return kNvapiOk;
}
int QV_NVAPI_CALL voltageDomains(NvPhysicalGpuHandle h, NvVoltageDomainsStatus* v) {
  if (!gpuOf(h)) return kBad;
  if (!v) return kArg;
  if (v->version != kNvVoltageDomainsStatusVer) return kNvapiIncompatibleVersion;
  for (NvVoltageDomainEntry& e : v->entry) e = {5, 1};
  v->count = 2;
  v->entry[0] = {2, 900000};
  if (!has(kFakeNoVoltage)) v->entry[1] = {0, 1062500};
  return kNvapiOk;
}
int QV_NVAPI_CALL topology(NvPhysicalGpuHandle h, NvPowerTopologyStatus* t) {
  if (!gpuOf(h)) return kBad;
  if (!t) return kArg;
  if (t->version != kNvPowerTopologyStatusVer) return kNvapiIncompatibleVersion;
  t->countWord = has(kFakeCountsOverCapacity) ? 0xC8 : 2;
  t->channel[0] = {0, 0, 55000, 41250};
  t->channel[1] = {1, 0, 20000, 15000};
  return kNvapiOk;
}
int QV_NVAPI_CALL policiesInfo(NvPhysicalGpuHandle h, NvPowerPoliciesInfo* p) {
  if (!gpuOf(h)) return kBad;
  if (!p) return kArg;
  if (p->version != kNvPowerPoliciesInfoVer) return kNvapiIncompatibleVersion;
  p->countWord = (has(kFakeCountsOverCapacity) ? 0xC8u : 1u) << 8;
  NvPowerPolicyInfoEntry& e = p->entry[0];
  e.policyId = 0;
  e.minMilliPercent = 50000;
  e.minMilliWatts = 37500;
  e.defaultMilliPercent = 100000;
  e.defaultMilliWatts = 75000;
  e.maxMilliPercent = 120000;
  e.maxMilliWatts = 90000;
  return kNvapiOk;
}
int QV_NVAPI_CALL policiesStatus(NvPhysicalGpuHandle h, NvPowerPoliciesStatus* s) {
  if (!gpuOf(h)) return kBad;
  if (!s) return kArg;
  if (s->version != kNvPowerPoliciesStatusVer) return kNvapiIncompatibleVersion;
  s->countWord = has(kFakeCountsOverCapacity) ? 0xC8 : 1;
  s->entry[0].milliPercent = 90000;
  s->entry[0].milliWatts = 67500;
  return kNvapiOk;
}

int fillApps(NvActiveApp* apps, NvU32* count, bool withFlags) {
  if (!apps || !count || *count < 2) return kArg;
  for (NvU32 i = 0; i < *count; ++i)
    if (apps[i].version != kNvActiveAppVer) return kNvapiIncompatibleVersion;
  if (withFlags) {
    apps[0].processId = 4242;
    strcpy(apps[0].processName, "C:\\Games\\game.exe");
    apps[1].processId = 777;
    if (has(kFakeUnterminatedTexts)) memset(apps[1].processName, 'Q', kNvActiveAppNameSize);
    else strcpy(apps[1].processName, "bench.exe");
    *count = has(kFakeCountsOverCapacity) ? 500 : 2;
  } else {
    apps[0].processId = 99;
    strcpy(apps[0].processName, "plain.exe");
    *count = 1;
  }
  return kNvapiOk;
}
int QV_NVAPI_CALL activeAppsWithFlags(NvPhysicalGpuHandle h, NvU32 flags, NvActiveApp* apps,
                                      NvU32* count) {
  if (h || flags != kNvActiveAppsFlags) return kArg;
  if (has(kFakeNoActiveAppsWithFlags)) return kNvapiError;
  return fillApps(apps, count, true);
}
int QV_NVAPI_CALL activeApps(NvPhysicalGpuHandle h, NvActiveApp* apps, NvU32* count) {
  if (h) return kArg;
  return fillApps(apps, count, false);
}
int QV_NVAPI_CALL usages(NvPhysicalGpuHandle h, NvU32* words) {
  if (!gpuOf(h)) return kBad;
  if (!words) return kArg;
  if (words[0] != kNvUsagesVer) return kNvapiIncompatibleVersion;
  for (int i = 1; i < kNvUsageWords; ++i) words[i] = 0;
  words[2] = 1;
  words[3] = 37;
  words[6] = 1;
  words[7] = 12;
  return kNvapiOk;
}

struct Entry {
  NvU32 id;
  void* fn;
};
#define FN(f) reinterpret_cast<void*>(f)
const Entry kEntries[] = {
    {kNvIdGetInterfaceVersionString, FN(interfaceVersion)},
    {kNvIdGetDisplayDriverVersion, FN(displayDriverVersion)},
    {kNvIdSysGetDriverAndBranchVersion, FN(driverAndBranch)},
    {kNvIdSysGetDriverInformation, FN(driverInformation)},
    {kNvIdEnumNvidiaDisplayHandle, FN(enumDisplay)},
    {kNvIdEnumLogicalGpus, FN(enumLogical)},
    {kNvIdEnumPhysicalGpus, FN(enumPhysical)},
    {kNvIdGetPhysicalGpusFromDisplay, FN(gpusFromDisplay)},
    {kNvIdStartupFourValues, FN(fourValues)},
    {kNvIdGpuStartupFlag, FN(gpuFlag)},
    {kNvIdGpuGetFullName, FN(fullName)},
    {kNvIdGpuGetPciIdentifiers, FN(pciIds)},
    {kNvIdGpuGetBusId, FN(busIdOf)},
    {kNvIdGpuGetBrandType, FN(brandOf)},
    {kNvIdGpuGetVbiosVersionString, FN(vbiosOf)},
    {kNvIdGpuGetPhysicalFrameBufferSize, FN(frameBufferOf)},
    {kNvIdGpuGetRamType, FN(ramTypeOf)},
    {kNvIdGpuGetRamMaker, FN(ramMakerOf)},
    {kNvIdGpuGetRamBusWidthAndLocation, FN(busWidth)},
    {kNvIdGpuGetGpuCoreCount, FN(coreCountOf)},
    {kNvIdGpuGetRopCount, FN(ropCountOf)},
    {kNvIdGpuGetRtAndTensorCores, FN(rtTensor)},
    {kNvIdGpuGetArchInfo, FN(archInfo)},
    {kNvIdGpuGetThermalSettings, FN(thermal)},
    {kNvIdGpuGetTachReading, FN(tach)},
    {kNvIdGpuGetCoolerSettings, FN(coolerSettings)},
    {kNvIdGpuGetFanCoolersInfo, FN(fanCoolersInfo)},
    {kNvIdGpuGetFanCoolersStatus, FN(fanCoolersStatus)},
    {kNvIdGpuGetAllClockFrequencies, FN(clocks)},
    {kNvIdGpuGetCurrentPstate, FN(curPstate)},
    {kNvIdGpuGetPstates20, FN(pstates20)},
    {kNvIdGpuGetPstatesInfo, FN(pstatesInfo)},
    {kNvIdGpuGetCoreVoltage, FN(coreVoltage)},
    {kNvIdGpuGetVoltageDomainsStatus, FN(voltageDomains)},
    {kNvIdGpuGetPowerTopologyStatus, FN(topology)},
    {kNvIdGpuGetPowerPoliciesInfo, FN(policiesInfo)},
    {kNvIdGpuGetPowerPoliciesStatus, FN(policiesStatus)},
    {kNvIdGpuQueryActiveAppsWithFlags, FN(activeAppsWithFlags)},
    {kNvIdGpuQueryActiveApps, FN(activeApps)},
    {kNvIdGpuGetUsages, FN(usages)},
};
#undef FN

struct Startup {
  Startup() { setUpGpus(); }
} g_startup;

}  // namespace

extern "C" {

__declspec(dllexport) void* QV_NVAPI_CALL nvapi_QueryInterface(NvU32 id) {
  int s = slotOf(id);
  if (s >= 0) ++g_queryCounts[s];
  for (int i = 0; i < g_hiddenCount; ++i)
    if (g_hidden[i] == id) return nullptr;
  switch (id) {
    case kNvIdInitialize:
      return has(kFakeNoInitEntry) ? nullptr : reinterpret_cast<void*>(initialize);
    case kNvIdPreCallHook:
      return has(kFakePreHookOnly | kFakeBothHooks) ? reinterpret_cast<void*>(preHook) : nullptr;
    case kNvIdPostCallHook:
      return has(kFakeBothHooks) ? reinterpret_cast<void*>(postHook) : nullptr;
    default:
      break;
  }
  for (const Entry& e : kEntries)
    if (e.id == id) return e.fn;
  return nullptr;
}

__declspec(dllexport) void FakeNvapiSetScenario(unsigned flags) {
  g_scenario = flags;
  g_initCalls = g_hookCalls = 0;
  memset(g_countedIds, 0, sizeof(g_countedIds));
  memset(g_queryCounts, 0, sizeof(g_queryCounts));
  memset(g_callCounts, 0, sizeof(g_callCounts));
  g_hiddenCount = 0;
  setUpGpus();
}
__declspec(dllexport) int FakeNvapiInitCalls() { return g_initCalls; }
__declspec(dllexport) int FakeNvapiHookCalls() { return g_hookCalls; }
__declspec(dllexport) int FakeNvapiQueryCount(NvU32 id) {
  for (int i = 0; i < kCounted; ++i)
    if (g_countedIds[i] == id) return g_queryCounts[i];
  return 0;
}
__declspec(dllexport) int FakeNvapiCallCount(NvU32 id) {
  for (int i = 0; i < kCounted; ++i)
    if (g_countedIds[i] == id) return g_callCounts[i];
  return 0;
}
__declspec(dllexport) void FakeNvapiHide(NvU32 id) {
  if (g_hiddenCount < 8) g_hidden[g_hiddenCount++] = id;
}
__declspec(dllexport) void FakeNvapiSetArch(int gpu, NvU32 arch, NvU32 impl, NvU32 revision) {
  if (gpu < 0 || gpu >= g_gpuCount) return;
  g_gpus[gpu].arch = arch;
  g_gpus[gpu].impl = impl;
  g_gpus[gpu].archRevision = revision;
}
__declspec(dllexport) const char* FakeOrigin() { return QV_FAKE_ORIGIN; }

}  // extern "C"
