// AMD back-end of the hardware object: the AMD GPU records from AMD GPU
// Services, then names, Overdrive sensors, performance levels and the
// performance log through the AMD display library (ADL). Without the
// library every query answers its failure value.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "detect/GpuDatabase.h"
#include "detect/HardwareCaps.h"
#include "detect/PciIdText.h"
#include "detect/Scanrik.h"
#include "detect/ScanrikLog.h"
#include "detect/SecureLoader.h"
#include "detect/amd/AdlTypes.h"
#include "detect/amd/Ags.h"
#include "detect/amd/AmdBackend.h"

namespace {

// The display library's entry points, in binding order.
enum AdlEntry {
  // required
  eMainControlCreate, eMainControlDestroy, eMainControlRefresh, eNumberOfAdapters,
  eAdapterInfo, eAdapterActive, eOverdriveCaps,
  // context
  e2MainControlCreate, e2MainControlDestroy,
  // Overdrive 5
  eMemoryInfo, eOd5Temperature, eOd5FanSpeed, eOd5Parameters, eOd5LevelsGet, eOd5LevelsSet,
  eOd5Activity, e2Od5Activity, eOd5PowerControlInfo,
  // Overdrive 6
  eOd6FanSpeed, eOd6ThermalCaps, eOd6Temperature, eOd6Capabilities, eOd6StateInfo,
  eOd6CurrentStatus, eOd6PowerControlCaps, eOd6PowerControlInfo, eOd6PowerControlGet,
  eOd6FanSpeedSet, eOd6StateSet, eOd6PowerControlSet,
  // OverdriveN
  e2OverdriveCaps, e2OdnCapabilities, e2OdnSystemClocks, e2OdnSystemClocksSet, e2OdnMemoryClocks,
  e2OdnMemoryClocksSet, e2OdnFanControl, e2OdnFanControlSet, e2OdnPowerLimit, e2OdnPowerLimitSet,
  e2OdnTemperature, e2OdnPerformanceStatus,
  // adapter (ADL2)
  e2AdapterActive, e2NumberOfAdapters, e2AdapterInfo, e2VideoBiosInfo, eAdapterX2Caps,
  e2RegValueInt,
  // Overdrive 8
  e2Od8InitSetting, e2Od8CurrentSetting, e2Od8SettingSet, e2QueryPmLogData, e2Od8InitSettingX2,
  e2Od8CurrentSettingX2,
  // core information and the performance log
  e2GraphicCoreInfo, e2PmLogSupport, e2PmLogDeviceCreate, e2PmLogDeviceDestroy, e2PmLogStart,
  e2PmLogStop,
  eAdlEntryCount
};
static_assert(eAdlEntryCount == 60, "60 entries");
const int kRequiredEntries = 7;

const char* const kAdlEntryNames[eAdlEntryCount] = {
    "ADL_Main_Control_Create", "ADL_Main_Control_Destroy", "ADL_Main_Control_Refresh",
    "ADL_Adapter_NumberOfAdapters_Get", "ADL_Adapter_AdapterInfo_Get", "ADL_Adapter_Active_Get",
    "ADL_Overdrive_Caps",
    "ADL2_Main_Control_Create", "ADL2_Main_Control_Destroy",
    "ADL_Adapter_MemoryInfo_Get", "ADL_Overdrive5_Temperature_Get", "ADL_Overdrive5_FanSpeed_Get",
    "ADL_Overdrive5_ODParameters_Get", "ADL_Overdrive5_ODPerformanceLevels_Get",
    "ADL_Overdrive5_ODPerformanceLevels_Set", "ADL_Overdrive5_CurrentActivity_Get",
    "ADL2_Overdrive5_CurrentActivity_Get", "ADL_Overdrive5_PowerControlInfo_Get",
    "ADL_Overdrive6_FanSpeed_Get", "ADL_Overdrive6_ThermalController_Caps",
    "ADL_Overdrive6_Temperature_Get", "ADL_Overdrive6_Capabilities_Get",
    "ADL_Overdrive6_StateInfo_Get", "ADL_Overdrive6_CurrentStatus_Get",
    "ADL_Overdrive6_PowerControl_Caps", "ADL_Overdrive6_PowerControlInfo_Get",
    "ADL_Overdrive6_PowerControl_Get", "ADL_Overdrive6_FanSpeed_Set", "ADL_Overdrive6_State_Set",
    "ADL_Overdrive6_PowerControl_Set",
    "ADL2_Overdrive_Caps", "ADL2_OverdriveN_Capabilities_Get", "ADL2_OverdriveN_SystemClocks_Get",
    "ADL2_OverdriveN_SystemClocks_Set", "ADL2_OverdriveN_MemoryClocks_Get",
    "ADL2_OverdriveN_MemoryClocks_Set", "ADL2_OverdriveN_FanControl_Get",
    "ADL2_OverdriveN_FanControl_Set", "ADL2_OverdriveN_PowerLimit_Get",
    "ADL2_OverdriveN_PowerLimit_Set", "ADL2_OverdriveN_Temperature_Get",
    "ADL2_OverdriveN_PerformanceStatus_Get",
    "ADL2_Adapter_Active_Get", "ADL2_Adapter_NumberOfAdapters_Get", "ADL2_Adapter_AdapterInfo_Get",
    "ADL2_Adapter_VideoBiosInfo_Get", "ADL_AdapterX2_Caps", "ADL2_Adapter_RegValueInt_Get",
    "ADL2_Overdrive8_Init_Setting_Get", "ADL2_Overdrive8_Current_Setting_Get",
    "ADL2_Overdrive8_Setting_Set", "ADL2_New_QueryPMLogData_Get",
    "ADL2_Overdrive8_Init_SettingX2_Get", "ADL2_Overdrive8_Current_SettingX2_Get",
    "ADL2_Adapter_Graphic_Core_Info_Get", "ADL2_Adapter_PMLog_Support_Get",
    "ADL2_Device_PMLog_Device_Create", "ADL2_Device_PMLog_Device_Destroy",
    "ADL2_Adapter_PMLog_Start", "ADL2_Adapter_PMLog_Stop",
};

// Process-wide: the bound entries and the ADL2 context.
void* g_entries[eAdlEntryCount];
AdlContext g_context = nullptr;
bool g_mainControlCreated = false;

template <typename Fn>
Fn entry(AdlEntry e) {
  return reinterpret_cast<Fn>(g_entries[e]);
}

ScanrikLog& trace() { return DetectionState().log; }

const int kMaxAdapters = 1024;

bool isAmd(const GpuRecord* r) { return r && r->kind == kGpuKindAmd; }

// Reads the Overdrive 8 sensor block; false on a missing entry or context
// or a failed call.
bool queryPmLogData(const GpuRecord* r, AdlPmLogDataOutput* out) {
  memset(out, 0, sizeof(*out));
  Adl2QueryPmLogDataFn fn = entry<Adl2QueryPmLogDataFn>(e2QueryPmLogData);
  if (!fn || !g_context) return false;
  out->size = sizeof(*out);
  if (fn(g_context, r->adlAdapterIndex, out) != 0) {
    memset(out, 0, sizeof(*out));
    return false;
  }
  return true;
}

bool sensorSupported(const AdlPmLogDataOutput& d, int id) { return d.sensors[id].supported != 0; }
int sensorValue(const AdlPmLogDataOutput& d, int id) { return d.sensors[id].value; }

// Copies the (id, value) pairs of the sampler's shared memory into the
// record: at most the 256 pairs the memory holds, ids above 255 skipped.
void copyPmLogPairs(GpuRecord* r, const AdlPmLogData* data) {
  for (int i = 0; i < kAdlPmLogMaxSensors; ++i) {
    unsigned id = data->values[i][0];
    if (id == 0) break;
    if (id >= static_cast<unsigned>(kAmdPmLogSensorCount)) continue;
    r->amd.pmLogValues[id] = static_cast<int>(data->values[i][1]);
  }
}

// Reads the supported sensor ids into `ids` (ended by 0) and marks them in
// the record; the number of ids, -1 when the read fails.
int readSupportedSensors(GpuRecord* r, AdlPmLogSupportInfo* ids) {
  memset(ids, 0, sizeof(*ids));
  Adl2PmLogSupportGetFn fn = entry<Adl2PmLogSupportGetFn>(e2PmLogSupport);
  if (!fn || fn(g_context, r->adlAdapterIndex, ids) != 0) return -1;
  memset(r->pmLogSupported, 0, sizeof(r->pmLogSupported));
  memset(r->amd.pmLogValues, 0, sizeof(r->amd.pmLogValues));
  int n = 0;
  while (n < kAdlPmLogMaxSensors && ids->sensors[n] != 0) {
    if (ids->sensors[n] < kAmdPmLogSensorCount) r->pmLogSupported[ids->sensors[n]] = 1;
    ++n;
  }
  if (n == kAdlPmLogMaxSensors) ids->sensors[n - 1] = 0;  // keep the list ended
  return n;
}

void setTripleCurrent(GpuRecord* r, int triple, float value) { r->sensors[triple - 1].current = value; }

// Four hex characters of an id text at pos; 0 when the text is shorter or
// the characters are not hexadecimal.
int idPiece(const char* text, size_t len, size_t pos) {
  uint32_t v = 0;
  readHexDigits(text, len, pos, 4, &v);
  return static_cast<int>(v);
}

void terminated(char* dest, size_t destSize, const char* src, size_t srcSize) {
  size_t n = strnlen(src, srcSize);
  if (n > destSize - 1) n = destSize - 1;
  memcpy(dest, src, n);
  dest[n] = '\0';
}

}  // namespace

void* ADL_CALL adlMemoryAlloc(int size) { return size > 0 ? malloc(static_cast<size_t>(size)) : nullptr; }

bool AmdPerfLevelAt(const GpuRecord* r, int j, AmdPerfLevel* out) {
  if (!isAmd(r) || !r->perfLevels || j < 0 || j >= r->numPerfLevels || !out) return false;
  memcpy(out, r->perfLevels[j], sizeof(*out));
  return true;
}

bool HardwareCaps::ATI_Init() {
  trace().write("ATI_Init() START");
  amd.adlLibrary = nullptr;
  amd.adapterTable = nullptr;
  amd.adapterCount = 0;
  amd.amdGpuCount = 0;
  amd.crossFireGpuCount = 0;
  if (AMD_AGS_Run()) {
    trace().write("AMD - Num GPUs: %d", amd.amdGpuCount);
    trace().write("AMD - Num CrossFire GPUs: %d", amd.crossFireGpuCount);
  }
  if (!bindADL()) return false;
  trace().write("ATI_Init() END OK.");
  return true;
}

bool HardwareCaps::AMD_AGS_Run() {
  trace().write("AMD_AGS_Run");
  AgsContext* context = nullptr;
  AgsGpuInfo info;
  memset(&info, 0, sizeof(info));
  AgsConfiguration config = {nullptr, nullptr};
  if (agsInitialize(kAgsVersion600, &config, &context, &info) != kAgsSuccess) return false;
  trace().write("AMD_AGS_Run - ags_gpu_info.numDevices=%d", info.numDevices);
  amd.amdGpuCount = 0;
  static const char* const kFamilyNames[] = {"Unknown", "PreGCN", "GCN1", "GCN2", "GCN3",
                                             "GCN4",    "Vega",   "RDNA", "RDNA2"};
  PtrList& gpus = DetectionGpuList();
  for (int i = 0; i < info.numDevices && info.devices; ++i) {
    const AgsDeviceInfo& d = info.devices[i];
    trace().write("AMD_AGS_Run - device %d, vendorId=%.4X, adlAdapterIndex=%d, adapterString=%s", i,
                  d.vendorId, d.adlAdapterIndex, d.adapterString ? d.adapterString : "");
    if (d.vendorId != 0x1002) continue;
    ++amd.amdGpuCount;
    GpuRecord* r = new GpuRecord();
    if (gpus.append(r) < 0) {
      delete r;
      continue;
    }
    r->kind = kGpuKindAmd;
    r->adlAdapterIndex = d.adlAdapterIndex;
    if (info.radeonSoftwareVersion && info.radeonSoftwareVersion[0])
      copyText(r->amd.radeonSoftwareVersion, 128, info.radeonSoftwareVersion);
    if (info.driverVersion && info.driverVersion[0])
      copyText(r->amd.driverVersion, 128, info.driverVersion);
    r->vendorId = d.vendorId;
    r->deviceId = d.deviceId;
    r->revisionId = d.revisionId;
    copyText(r->adapterString, 128, d.adapterString);
    r->amd.isPrimaryDevice = (d.flags & kAgsDevicePrimary) != 0;
    r->amdLocalMemoryBytes = static_cast<int64_t>(d.localMemoryInBytes);
    r->amd.numDisplays = d.numDisplays;
    r->amdComputeUnits = d.numCUs;
    r->amdWorkgroupProcessors = d.numWGPs;
    r->amdRops = d.numROPs;
    r->ratedCoreClockMHz = d.coreClock;
    r->ratedMemoryClockMHz = d.memoryClock;
    r->memoryBandwidth = d.memoryBandwidth;
    r->amd.teraFlops = d.teraFlops;
    if (d.asicFamily >= 0 && d.asicFamily <= kAgsFamilyRdna2)
      copyText(r->amdFamilyName, kAmdFamilyNameMax + 1, kFamilyNames[d.asicFamily]);
    else
      r->amdFamilyName[0] = '\0';
  }
  agsDeInitialize(context);
  return true;
}

bool HardwareCaps::bindADL() {
  if (amd.adlLibrary) return true;
  HMODULE lib = SecureLoadSystemLibrary(L"atiadlxx.dll", LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!lib) lib = SecureLoadSystemLibrary(L"atiadlxy.dll", LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!lib) return false;
  amd.adlLibrary = lib;
  memset(g_entries, 0, sizeof(g_entries));
  g_context = nullptr;
  g_mainControlCreated = false;
  for (int i = 0; i < kRequiredEntries; ++i) {
    g_entries[i] = reinterpret_cast<void*>(GetProcAddress(lib, kAdlEntryNames[i]));
    if (!g_entries[i]) {
      unbindADL();
      return false;
    }
  }
  g_entries[e2MainControlCreate] = reinterpret_cast<void*>(GetProcAddress(lib, kAdlEntryNames[e2MainControlCreate]));
  g_entries[e2MainControlDestroy] = reinterpret_cast<void*>(GetProcAddress(lib, kAdlEntryNames[e2MainControlDestroy]));
  if (Adl2MainControlCreateFn create2 = entry<Adl2MainControlCreateFn>(e2MainControlCreate)) {
    if (create2(adlMemoryAlloc, 1, &g_context) != 0) g_context = nullptr;
  }
  if (entry<AdlMainControlCreateFn>(eMainControlCreate)(adlMemoryAlloc, 1) != 0) {
    unbindADL();
    return false;
  }
  g_mainControlCreated = true;
  for (int i = e2MainControlDestroy + 1; i < eAdlEntryCount; ++i)
    g_entries[i] = reinterpret_cast<void*>(GetProcAddress(lib, kAdlEntryNames[i]));

  int count = 0;
  entry<AdlIntOutFn>(eNumberOfAdapters)(&count);
  if (count <= 0) {
    unbindADL();
    return false;
  }
  if (count > kMaxAdapters) count = kMaxAdapters;
  AdlAdapterInfo* table = static_cast<AdlAdapterInfo*>(calloc(count, sizeof(AdlAdapterInfo)));
  if (!table) {
    unbindADL();
    return false;
  }
  for (int i = 0; i < count; ++i) table[i].size = sizeof(AdlAdapterInfo);
  entry<AdlAdapterInfoGetFn>(eAdapterInfo)(table, count * static_cast<int>(sizeof(AdlAdapterInfo)));
  amd.adapterTable = table;
  amd.adapterCount = count;

  PtrList& gpus = DetectionGpuList();
  DisplaySlotClaims slotClaims;
  for (int u = 0; u < gpus.count(); ++u) {
    GpuRecord* r = static_cast<GpuRecord*>(gpus.itemAt(u));
    if (!isAmd(r)) continue;
    const AdlAdapterInfo* e = nullptr;
    for (int i = 0; i < count; ++i)
      if (table[i].adapterIndex == r->adlAdapterIndex) {
        e = &table[i];
        break;
      }
    if (!e || !e->exists) continue;
    const int adapter = r->adlAdapterIndex;
    r->listIndex = u;
    r->hasSensors = 1;
    r->busId = e->busNumber;
    int supported = 0, enabled = 0, version = 0;
    entry<AdlOverdriveCapsFn>(eOverdriveCaps)(adapter, &supported, &enabled, &version);
    r->overdriveVersion = version;

    char udid[kAdlPathSize];
    terminated(udid, sizeof(udid), e->udid, sizeof(e->udid));
    copyText(r->deviceIdString, kGpuTextSize, udid);
    size_t len = strlen(udid);
    r->vendorId = idPiece(udid, len, 8);
    r->deviceId = idPiece(udid, len, 17);
    r->subsysDeviceId = idPiece(udid, len, 29);
    r->subsysVendorId = idPiece(udid, len, 33);

    // Skipping only the previous GPU's slot would give a third identical
    // board the first one's slot: each slot goes to one GPU only.
    if (!claimDisplayDeviceSlot(r, slotClaims)) {
      char text[kAdlPathSize];
      terminated(text, sizeof(text), e->adapterName, sizeof(e->adapterName));
      copyText(r->deviceName, kGpuTextSize, text);
      terminated(text, sizeof(text), e->pnpString, sizeof(e->pnpString));
      copyText(r->deviceIdString, kGpuTextSize, text);
      terminated(text, sizeof(text), e->driverPathExt, sizeof(e->driverPathExt));
      snprintf(r->deviceKey, sizeof(r->deviceKey), "SYSTEM\\ControlSet001\\Control\\Class\\%s", text);
    }
    readGpuRegistryData(r);

    r->hasThermalController = 0;
    if (AdlOd6ThermalCapsFn caps = entry<AdlOd6ThermalCapsFn>(eOd6ThermalCaps)) {
      AdlOd6ThermalControllerCaps c;
      memset(&c, 0, sizeof(c));
      if (caps(adapter, &c) == 0 && (c.capabilities & 1)) r->hasThermalController = 1;
    }
    if (g_context) {
      r->hasOdnTemperature = 0;
      if (Adl2OdnTemperatureGetFn t = entry<Adl2OdnTemperatureGetFn>(e2OdnTemperature)) {
        int value = 0;
        if (t(g_context, adapter, 1, &value) == 0 && value > 0) r->hasOdnTemperature = 1;
      }
      // The initial Overdrive 8 settings: read for the trace only.
      if (Adl2Od8InitSettingX2GetFn x2 = entry<Adl2Od8InitSettingX2GetFn>(e2Od8InitSettingX2)) {
        int capabilities = 0, features = 0;
        AdlOd8SingleInitSetting* list = nullptr;
        if (x2(g_context, adapter, &capabilities, &features, &list) != 0)
          trace().write("ADL2_Overdrive8_Init_SettingX2_Get is failed.");
        free(list);
      } else if (Adl2Od8InitSettingGetFn init = entry<Adl2Od8InitSettingGetFn>(e2Od8InitSetting)) {
        AdlOd8InitSetting settings;
        memset(&settings, 0, sizeof(settings));
        settings.count = kAdlOd8MaxSettings;
        if (init(g_context, adapter, &settings) != 0)
          trace().write("ADL2_Overdrive8_Init_Setting_Get is failed.");
      }
    }

    AdlGraphicCoreInfo core;
    memset(&core, 0, sizeof(core));
    if (Adl2GraphicCoreInfoGetFn fn = entry<Adl2GraphicCoreInfoGetFn>(e2GraphicCoreInfo)) {
      if (!g_context || fn(g_context, adapter, &core) != 0) memset(&core, 0, sizeof(core));
    }

    int row = r->deviceIdString[0] ? findGpuDatabaseRowFromIdString(r->deviceIdString, nullptr)
                                   : findGpuDatabaseBoardRow(r->vendorId, r->deviceId, r->subsysDeviceId,
                                                             r->subsysVendorId, r->revisionId);
    if (row >= 0 && gpuDatabaseRow(r->vendorId, row)) {
      r->databaseRow = row;
      const GpuDatabaseEntry* db = gpuDatabaseRow(r->vendorId, row);
      if (db->codename && db->codename[0]) copyText(r->codename, kGpuTextSize, db->codename);
      if (r->vendorId == 0x1002) {
        r->shaderCores = getGpuDatabaseUnifiedShaders(r->vendorId, row);
        if (core.generation == 2 || core.generation == 3) r->shaderCores = core.units * core.elementsPerUnit;
        r->tmus = getGpuDatabaseTMUs(r->vendorId, row);
        r->rops = getGpuDatabaseROPs(r->vendorId, row);
        if (core.generation == 2 || core.generation == 1) r->rops = core.rops;
        r->tdpWatts = getGpuDatabaseTDP(r->vendorId, row);
      }
      if (r->deviceId == 0x68F9 && r->subsysDeviceId == 0x2126)
        copyText(r->name, kGpuTextSize, "ATI Radeon HD 6350");
      else if (db->fullName && db->fullName[0])
        copyText(r->name, kGpuTextSize, db->fullName);
    } else {
      char text[kAdlPathSize];
      terminated(text, sizeof(text), e->adapterName, sizeof(e->adapterName));
      copyText(r->name, kGpuTextSize, text);
    }

    readAmdTemperature(r);
    readAmdFanSpeed(r);
    AMD_Display_Library_ReadPerfLevels(r, true);

    if (AdlMemoryInfoGetFn mem = entry<AdlMemoryInfoGetFn>(eMemoryInfo)) {
      AdlMemoryInfo m;
      memset(&m, 0, sizeof(m));
      if (mem(adapter, &m) == 0) {
        r->memorySizeMB = static_cast<int>(m.memorySize / 1048576LL);
        r->memoryBandwidth = static_cast<int>(m.memoryBandwidth & 0xFFFFFFFFLL);
        char type[kAdlPathSize];
        terminated(type, sizeof(type), m.memoryType, sizeof(m.memoryType));
        copyText(r->memoryType, kGpuTextSize, type);
      }
    }

    Adl2VideoBiosInfoGetFn bios = entry<Adl2VideoBiosInfoGetFn>(e2VideoBiosInfo);
    if (bios && g_context) {
      AdlBiosInfo b;
      memset(&b, 0, sizeof(b));
      if (bios(g_context, adapter, &b) == 0) {
        char part[kAdlPathSize], version[kAdlPathSize], date[kAdlPathSize];
        terminated(part, sizeof(part), b.partNumber, sizeof(b.partNumber));
        terminated(version, sizeof(version), b.version, sizeof(b.version));
        terminated(date, sizeof(date), b.date, sizeof(b.date));
        char text[kGpuRegistryTextSize];
        int n = snprintf(text, sizeof(text), "%s", version);
        if (part[0] && strcmp(part, "xxx-xxx-xxx") != 0 && n >= 0 && n < static_cast<int>(sizeof(text)))
          n += snprintf(text + n, sizeof(text) - n, "/%s", part);
        if (date[0] && n >= 0 && n < static_cast<int>(sizeof(text)))
          snprintf(text + n, sizeof(text) - n, " (%s)", date);
        copyText(r->biosString, kGpuRegistryTextSize, text);
      }
    }

    // One snapshot of the performance-log sensors; the device stays.
    Adl2PmLogDeviceCreateFn createDevice = entry<Adl2PmLogDeviceCreateFn>(e2PmLogDeviceCreate);
    AdlDeviceHandle device = 0;
    if (createDevice && g_context && createDevice(g_context, adapter, &device) == 0 && device) {
      r->amd.pmLogDevice = device;
      AdlPmLogSupportInfo ids;
      int n = readSupportedSensors(r, &ids);
      Adl2PmLogStartFn start = entry<Adl2PmLogStartFn>(e2PmLogStart);
      Adl2PmLogStopFn stop = entry<Adl2PmLogStopFn>(e2PmLogStop);
      if (n > 0 && start) {
        AdlPmLogStartInput in;
        memset(&in, 0, sizeof(in));
        memcpy(in.sensors, ids.sensors, sizeof(in.sensors));
        in.sampleRate = 500;
        AdlPmLogStartOutput out;
        memset(&out, 0, sizeof(out));
        if (start(g_context, adapter, &in, &out, device) == 0) {
          if (out.loggingAddress) copyPmLogPairs(r, static_cast<const AdlPmLogData*>(out.loggingAddress));
          if (stop) stop(g_context, adapter, device);
        }
      }
    }
  }
  return true;
}

bool HardwareCaps::unbindADL() {
  if (!amd.adlLibrary) return false;
  Adl2PmLogDeviceDestroyFn destroyDevice = entry<Adl2PmLogDeviceDestroyFn>(e2PmLogDeviceDestroy);
  PtrList& gpus = DetectionGpuList();
  for (int u = 0; u < gpus.count(); ++u) {
    GpuRecord* r = static_cast<GpuRecord*>(gpus.itemAt(u));
    if (!isAmd(r) || !r->amd.pmLogDevice) continue;
    if (destroyDevice && g_context) destroyDevice(g_context, r->amd.pmLogDevice);
    r->amd.pmLogDevice = 0;
    r->amd.pmLogBuffer = nullptr;
  }
  free(amd.adapterTable);
  amd.adapterTable = nullptr;
  amd.adapterCount = 0;
  if (g_context) {
    if (Adl2ContextFn destroy2 = entry<Adl2ContextFn>(e2MainControlDestroy)) destroy2(g_context);
    g_context = nullptr;
  }
  if (g_mainControlCreated) {
    if (AdlVoidFn destroy = entry<AdlVoidFn>(eMainControlDestroy)) destroy();
    g_mainControlCreated = false;
  }
  FreeLibrary(static_cast<HMODULE>(amd.adlLibrary));
  amd.adlLibrary = nullptr;
  memset(g_entries, 0, sizeof(g_entries));
  return true;
}

bool HardwareCaps::releaseADL() { return unbindADL(); }

namespace {

// A performance-log sensor as a live value: -1 when the GPU lacks it.
float sensorOrUnknown(const AdlPmLogDataOutput& d, int id) {
  return sensorSupported(d, id) ? static_cast<float>(sensorValue(d, id)) : -1.0f;
}

// What one read of a GPU's current status gives below Overdrive 8,
// whichever version answered it.
struct AmdStatusSample {
  int activityPercent = 0;
  float gpuClockMHz = 0.0f;
  float memoryClockMHz = 0.0f;
  bool hasVoltage = false;
  float voltage = 0.0f;  // V
};

bool readOdnStatus(int adapter, AmdStatusSample* out) {
  Adl2OdnStatusGetFn fn = entry<Adl2OdnStatusGetFn>(e2OdnPerformanceStatus);
  if (!g_context || !fn) return false;
  AdlOdnPerformanceStatus s;
  memset(&s, 0, sizeof(s));
  if (fn(g_context, adapter, &s) != 0) return false;
  out->activityPercent = s.gpuActivityPercent;
  out->gpuClockMHz = s.coreClock / 100.0f;
  out->memoryClockMHz = s.memoryClock / 100.0f;
  out->hasVoltage = true;
  out->voltage = s.vddc * 0.001f;
  return true;
}

bool readOd6Status(int adapter, AmdStatusSample* out) {
  AdlOd6CurrentStatusGetFn fn = entry<AdlOd6CurrentStatusGetFn>(eOd6CurrentStatus);
  if (!fn) return false;
  AdlOd6CurrentStatus s;
  memset(&s, 0, sizeof(s));
  if (fn(adapter, &s) != 0) return false;
  out->activityPercent = s.activityPercent;
  out->gpuClockMHz = s.engineClock / 100.0f;
  out->memoryClockMHz = s.memoryClock / 100.0f;
  return true;
}

// Overdrive 5 has the activity read twice: the plain entry serves the load
// reading, the ADL2 one (with the context) the clock reading.
bool readOd5Activity(int adapter, bool withContext, AmdStatusSample* out) {
  AdlPmActivity a;
  memset(&a, 0, sizeof(a));
  a.size = sizeof(a);
  if (withContext) {
    Adl2Od5ActivityGetFn fn = entry<Adl2Od5ActivityGetFn>(e2Od5Activity);
    if (!g_context || !fn || fn(g_context, adapter, &a) != 0) return false;
  } else {
    AdlOd5ActivityGetFn fn = entry<AdlOd5ActivityGetFn>(eOd5Activity);
    if (!fn || fn(adapter, &a) != 0) return false;
  }
  out->activityPercent = a.activityPercent;
  out->gpuClockMHz = a.engineClock / 100.0f;
  out->memoryClockMHz = a.memoryClock / 100.0f;
  out->hasVoltage = true;
  out->voltage = a.vddc / 1000.0f;
  return true;
}

// The current status by the record's Overdrive version (7, 6 or 5); false
// for another version, a missing entry or context, or a failed call.
bool readStatusSample(const GpuRecord* r, bool od5WithContext, AmdStatusSample* out) {
  switch (r->overdriveVersion) {
    case 7: return readOdnStatus(r->adlAdapterIndex, out);
    case 6: return readOd6Status(r->adlAdapterIndex, out);
    case 5: return readOd5Activity(r->adlAdapterIndex, od5WithContext, out);
    default: return false;
  }
}

// The edge temperature in millidegrees by Overdrive version 7, 6 or 5.
bool readEdgeMillidegrees(const GpuRecord* r, int* millidegrees) {
  const int adapter = r->adlAdapterIndex;
  switch (r->overdriveVersion) {
    case 7: {
      Adl2OdnTemperatureGetFn fn = entry<Adl2OdnTemperatureGetFn>(e2OdnTemperature);
      return g_context && fn && fn(g_context, adapter, 1, millidegrees) == 0;
    }
    case 6: {
      AdlAdapterIntOutFn fn = entry<AdlAdapterIntOutFn>(eOd6Temperature);
      return fn && fn(adapter, millidegrees) == 0;
    }
    case 5: {
      AdlOd5TemperatureGetFn fn = entry<AdlOd5TemperatureGetFn>(eOd5Temperature);
      if (!fn) return false;
      AdlTemperature t;
      memset(&t, 0, sizeof(t));
      t.size = sizeof(t);
      if (fn(adapter, 0, &t) != 0) return false;
      *millidegrees = t.temperature;
      return true;
    }
    default:
      return false;
  }
}

// One fan speed of the given type (kAdlFanSpeedRpm or kAdlFanSpeedPercent).
bool readOd6FanSpeed(AdlOd6FanSpeedGetFn fn, int adapter, int type, float* value) {
  AdlOd6FanSpeedInfo f;
  memset(&f, 0, sizeof(f));
  f.speedType = type;
  if (fn(adapter, &f) != 0) return false;
  *value = static_cast<float>(type == kAdlFanSpeedRpm ? f.fanSpeedRpm : f.fanSpeedPercent);
  return true;
}

bool readOd5FanSpeed(AdlOd5FanSpeedGetFn fn, int adapter, int type, float* value) {
  AdlFanSpeedValue v;
  memset(&v, 0, sizeof(v));
  v.size = sizeof(v);
  v.speedType = type;
  if (fn(adapter, 0, &v) != 0) return false;
  *value = static_cast<float>(v.fanSpeed);
  return true;
}

// Fan RPM and percent by Overdrive version 8 to 5; false leaves both as they
// were.
bool readFanSpeeds(const GpuRecord* r, float* rpm, float* percent) {
  const int adapter = r->adlAdapterIndex;
  switch (r->overdriveVersion) {
    case 8: {
      AdlPmLogDataOutput d;
      if (!queryPmLogData(r, &d)) return false;
      *rpm = sensorOrUnknown(d, kPmLogFanRpm);
      *percent = sensorOrUnknown(d, kPmLogFanPercent);
      return true;
    }
    case 7: {
      Adl2OdnFanControlGetFn fn = entry<Adl2OdnFanControlGetFn>(e2OdnFanControl);
      if (!g_context || !fn) return false;
      AdlOdnFanControl f;
      memset(&f, 0, sizeof(f));
      if (fn(g_context, adapter, &f) != 0) return false;
      *rpm = static_cast<float>(f.currentFanSpeed);
      *percent = f.targetFanSpeed > 0 ? static_cast<float>(f.currentFanSpeed * 100LL / f.targetFanSpeed) : 0.0f;
      return true;
    }
    case 6: {
      // One call per speed type. Both results are checked: a failed read
      // leaves the record's values as they were instead of zeroing them.
      AdlOd6FanSpeedGetFn fn = entry<AdlOd6FanSpeedGetFn>(eOd6FanSpeed);
      return fn && readOd6FanSpeed(fn, adapter, kAdlFanSpeedRpm, rpm) &&
             readOd6FanSpeed(fn, adapter, kAdlFanSpeedPercent, percent);
    }
    case 5: {
      AdlOd5FanSpeedGetFn fn = entry<AdlOd5FanSpeedGetFn>(eOd5FanSpeed);
      return fn && readOd5FanSpeed(fn, adapter, kAdlFanSpeedPercent, percent) &&
             readOd5FanSpeed(fn, adapter, kAdlFanSpeedRpm, rpm);
    }
    default:
      return false;
  }
}

}  // namespace

// The live reads check the result of every call, Overdrive 7, 6 and 5
// included: a failed read gives false and leaves the record's values,
// instead of storing what the zeroed request still held.
bool HardwareCaps::readAmdPower(GpuRecord* r) {
  if (!isAmd(r) || !amd.adlLibrary) return false;
  const int adapter = r->adlAdapterIndex;
  switch (r->overdriveVersion) {
    case 8: {
      AdlPmLogDataOutput d;
      if (!queryPmLogData(r, &d)) return false;
      if (sensorSupported(d, kPmLogSocPower)) r->powerTune[2] = sensorValue(d, kPmLogSocPower);
      r->socPowerWatts = sensorOrUnknown(d, kPmLogSocPower);
      r->asicPowerWatts = sensorOrUnknown(d, kPmLogAsicPower);
      return true;
    }
    case 7: {
      Adl2OdnPowerLimitGetFn limit = entry<Adl2OdnPowerLimitGetFn>(e2OdnPowerLimit);
      if (!g_context || !limit) return false;
      AdlOdnPowerLimitSetting s;
      memset(&s, 0, sizeof(s));
      if (limit(g_context, adapter, &s) != 0) return false;
      r->powerTune[4] = s.tdpLimit;
      if (Adl2OdnCapabilitiesGetFn caps = entry<Adl2OdnCapabilitiesGetFn>(e2OdnCapabilities)) {
        AdlOdnCapabilities c;
        memset(&c, 0, sizeof(c));
        if (caps(g_context, adapter, &c) == 0) {
          r->powerTune[0] = c.power.minimum;
          r->powerTune[1] = c.power.maximum;
          r->powerTune[3] = c.power.defaultValue;
        }
      }
      return true;
    }
    case 6: {
      AdlAdapterIntOutFn caps = entry<AdlAdapterIntOutFn>(eOd6PowerControlCaps);
      AdlOd6PowerControlInfoGetFn info = entry<AdlOd6PowerControlInfoGetFn>(eOd6PowerControlInfo);
      if (!caps || !info) return false;
      int supported = 0;
      if (caps(adapter, &supported) != 0 || !supported) return false;
      AdlOd6PowerControlInfo i;
      memset(&i, 0, sizeof(i));
      if (info(adapter, &i) != 0) return false;
      r->powerTune[0] = i.minimum;
      r->powerTune[1] = i.maximum;
      if (AdlOd6PowerControlGetFn get = entry<AdlOd6PowerControlGetFn>(eOd6PowerControlGet)) {
        int current = 0, def = 0;
        if (get(adapter, &current, &def) == 0) {
          r->powerTune[2] = current;
          r->powerTune[3] = def;
        }
      }
      return true;
    }
    case 5: {
      AdlOd5PowerControlInfoGetFn info = entry<AdlOd5PowerControlInfoGetFn>(eOd5PowerControlInfo);
      if (!info) return false;
      AdlPowerControlInfo i;
      memset(&i, 0, sizeof(i));
      if (info(adapter, &i) != 0) return false;
      r->powerTune[0] = i.minimum;
      r->powerTune[1] = i.maximum;
      return true;
    }
    default:
      return false;
  }
}

bool HardwareCaps::readAmdActivity(GpuRecord* r) {
  if (!isAmd(r) || !amd.adlLibrary) return false;
  if (r->overdriveVersion == 8) {
    AdlPmLogDataOutput d;
    if (!queryPmLogData(r, &d)) return false;
    r->gpuLoad = sensorOrUnknown(d, kPmLogInfoActivityGfx);
    r->liveValue4 = sensorOrUnknown(d, kPmLogInfoActivityMem);  // memory activity
    return true;
  }
  AmdStatusSample s;
  if (!readStatusSample(r, false, &s)) return false;
  r->gpuLoad = static_cast<float>(s.activityPercent);
  return true;
}

bool HardwareCaps::readAmdFanSpeed(GpuRecord* r) {
  if (!isAmd(r) || !amd.adlLibrary) return false;
  float percent = 0.0f, rpm = 0.0f;
  if (!readFanSpeeds(r, &rpm, &percent)) return false;
  r->fanPercent = percent;
  r->fanRpm = rpm;
  return true;
}

bool HardwareCaps::readAmdTemperature(GpuRecord* r) {
  if (!isAmd(r) || !amd.adlLibrary) return false;
  if (r->overdriveVersion == 8) {
    AdlPmLogDataOutput d;
    if (!queryPmLogData(r, &d)) return false;
    if (sensorSupported(d, kPmLogTemperatureEdge)) {
      float t = static_cast<float>(sensorValue(d, kPmLogTemperatureEdge));
      setTripleCurrent(r, 1, t);
      setTripleCurrent(r, 5, t);
    }
    if (sensorSupported(d, kPmLogTemperatureHotspot))
      setTripleCurrent(r, 6, static_cast<float>(sensorValue(d, kPmLogTemperatureHotspot)));
    if (sensorSupported(d, kPmLogTemperatureMem)) {
      float t = static_cast<float>(sensorValue(d, kPmLogTemperatureMem));
      setTripleCurrent(r, 4, t);
      setTripleCurrent(r, 7, t);
    }
    return true;
  }
  int t = 0;
  if (!readEdgeMillidegrees(r, &t)) return false;
  setTripleCurrent(r, 1, t / 1000.0f);
  return true;
}

bool HardwareCaps::readAmdCurrentClocks(GpuRecord* r, int* activity, float* gpuClock,
                                        float* memoryClock, float* voltage) {
  if (!isAmd(r) || !amd.adlLibrary) return false;
  if (r->overdriveVersion == 8) {
    AdlPmLogDataOutput d;
    if (!queryPmLogData(r, &d)) return false;
    if (gpuClock && sensorSupported(d, kPmLogClkGfx)) *gpuClock = static_cast<float>(sensorValue(d, kPmLogClkGfx));
    if (memoryClock && sensorSupported(d, kPmLogClkMem))
      *memoryClock = static_cast<float>(sensorValue(d, kPmLogClkMem));
    if (voltage && sensorSupported(d, kPmLogGfxVoltage))
      *voltage = sensorValue(d, kPmLogGfxVoltage) / 1000.0f;
    return true;
  }
  AmdStatusSample s;
  if (!readStatusSample(r, true, &s)) return false;
  putOptional(activity, s.activityPercent);
  putOptional(gpuClock, s.gpuClockMHz);
  putOptional(memoryClock, s.memoryClockMHz);
  if (s.hasVoltage) putOptional(voltage, s.voltage);
  return true;
}

bool HardwareCaps::AMD_Display_Library_ReadPerfLevels(GpuRecord* r, bool current) {
  if (!isAmd(r) || !amd.adlLibrary) return false;
  if (r->perfLevels) return true;
  const int adapter = r->adlAdapterIndex;

  Adl2OdnCapabilitiesGetFn odnCaps = entry<Adl2OdnCapabilitiesGetFn>(e2OdnCapabilities);
  Adl2OdnLevelsGetFn odnSystem = entry<Adl2OdnLevelsGetFn>(e2OdnSystemClocks);
  Adl2OdnLevelsGetFn odnMemory = entry<Adl2OdnLevelsGetFn>(e2OdnMemoryClocks);
  if (g_context && r->overdriveVersion >= 7 && odnCaps && odnSystem && odnMemory) {
    AdlOdnCapabilities caps;
    memset(&caps, 0, sizeof(caps));
    int n = 0;
    if (odnCaps(g_context, adapter, &caps) == 0) n = caps.maximumNumberOfPerformanceLevels;
    if (n < 0) n = 0;
    if (n > kAmdMaxPerfLevels) n = kAmdMaxPerfLevels;
    if (n > 0) {
      size_t size = sizeof(AdlOdnPerformanceLevelsHeader) + n * sizeof(AdlOdnPerformanceLevel);
      AdlOdnPerformanceLevelsHeader* sys = static_cast<AdlOdnPerformanceLevelsHeader*>(calloc(1, size));
      AdlOdnPerformanceLevelsHeader* mem = static_cast<AdlOdnPerformanceLevelsHeader*>(calloc(1, size));
      AmdPerfLevel* rows = static_cast<AmdPerfLevel*>(calloc(n, sizeof(AmdPerfLevel)));
      bool ok = sys && mem && rows;
      if (ok) {
        sys->size = mem->size = static_cast<int>(size);
        sys->numberOfPerformanceLevels = mem->numberOfPerformanceLevels = n;
        ok = odnSystem(g_context, adapter, sys) == 0 && odnMemory(g_context, adapter, mem) == 0;
      }
      if (ok) {
        VendorTraceLog().write("AMD_Display_Library_ReadPerfLevels - num_pstates:%d", n);
        const AdlOdnPerformanceLevel* s = reinterpret_cast<const AdlOdnPerformanceLevel*>(sys + 1);
        const AdlOdnPerformanceLevel* m = reinterpret_cast<const AdlOdnPerformanceLevel*>(mem + 1);
        for (int i = 0; i < n; ++i) {
          rows[i].gpuClockMHz = s[i].clock / 100.0f;
          rows[i].voltage = s[i].vddc / 1000.0f;
          VendorTraceLog().write("AMD_Display_Library_ReadPerfLevels - PSTATE:%d - gpu_clock:%.3f", i,
                                 rows[i].gpuClockMHz);
        }
        for (int i = 0; i < n; ++i) {
          rows[i].memoryClockMHz = m[i].clock > 0 ? m[i].clock / 100.0f
                                   : i > 0        ? rows[i - 1].memoryClockMHz
                                                  : 0.0f;
          VendorTraceLog().write("AMD_Display_Library_ReadPerfLevels - PSTATE:%d - mem_clock:%.3f", i,
                                 rows[i].memoryClockMHz);
        }
      }
      free(sys);
      free(mem);
      if (ok) {
        static_assert(sizeof(*r->perfLevels) == sizeof(AmdPerfLevel), "row layout");
        r->perfLevels = reinterpret_cast<int(*)[5]>(rows);
        r->numPerfLevels = n;
        return true;
      }
      // The OverdriveN read (or one of its buffers) failed: the rows hold
      // nothing read, so the levels are asked of Overdrive 5 rather than
      // kept as zeros.
      free(rows);
    }
  }

  AdlOd5ParametersGetFn params = entry<AdlOd5ParametersGetFn>(eOd5Parameters);
  AdlOd5LevelsGetFn levels = entry<AdlOd5LevelsGetFn>(eOd5LevelsGet);
  if (!params || !levels) return false;
  AdlOdParameters p;
  memset(&p, 0, sizeof(p));
  p.size = sizeof(p);
  if (params(adapter, &p) != 0) return false;
  int n = p.numberOfPerformanceLevels;
  if (n <= 0) return false;
  if (n > kAmdMaxPerfLevels) n = kAmdMaxPerfLevels;
  size_t size = sizeof(AdlOdPerformanceLevelsHeader) + n * sizeof(AdlOdPerformanceLevel);
  AdlOdPerformanceLevelsHeader* buffer = static_cast<AdlOdPerformanceLevelsHeader*>(calloc(1, size));
  if (!buffer) return false;
  buffer->size = static_cast<int>(size);
  if (levels(adapter, current ? 0 : 1, buffer) != 0) {
    free(buffer);
    return false;
  }
  AmdPerfLevel* rows = static_cast<AmdPerfLevel*>(calloc(n, sizeof(AmdPerfLevel)));
  if (!rows) {
    free(buffer);
    return false;
  }
  const AdlOdPerformanceLevel* l = reinterpret_cast<const AdlOdPerformanceLevel*>(buffer + 1);
  for (int i = 0; i < n; ++i) {
    rows[i].gpuClockMHz = l[i].engineClock / 100.0f;
    rows[i].memoryClockMHz = l[i].memoryClock / 100.0f;
    rows[i].voltage = l[i].vddc / 1000.0f;
  }
  free(buffer);
  r->perfLevels = reinterpret_cast<int(*)[5]>(rows);
  r->numPerfLevels = n;
  return true;
}

bool HardwareCaps::startAmdPMLog(GpuRecord* r, int intervalMs) {
  if (!isAmd(r) || !r->amd.pmLogDevice) return false;
  if (r->amd.pmLogBuffer) return true;
  Adl2PmLogStartFn start = entry<Adl2PmLogStartFn>(e2PmLogStart);
  if (!start || !entry<Adl2PmLogSupportGetFn>(e2PmLogSupport) || !g_context || intervalMs <= 0)
    return false;
  AdlPmLogSupportInfo ids;
  if (readSupportedSensors(r, &ids) <= 0) return false;
  AdlPmLogStartInput in;
  memset(&in, 0, sizeof(in));
  memcpy(in.sensors, ids.sensors, sizeof(in.sensors));
  in.sampleRate = static_cast<unsigned long>(intervalMs);
  AdlPmLogStartOutput out;
  memset(&out, 0, sizeof(out));
  if (start(g_context, r->adlAdapterIndex, &in, &out, r->amd.pmLogDevice) != 0) return false;
  r->amd.pmLogBuffer = out.loggingAddress;
  return r->amd.pmLogBuffer != nullptr;
}

bool HardwareCaps::stopAmdPMLog(GpuRecord* r) {
  if (!isAmd(r)) return false;
  if (!r->amd.pmLogBuffer) return true;
  Adl2PmLogStopFn stop = entry<Adl2PmLogStopFn>(e2PmLogStop);
  if (!stop || !r->amd.pmLogDevice || !g_context) return false;
  stop(g_context, r->adlAdapterIndex, r->amd.pmLogDevice);
  r->amd.pmLogBuffer = nullptr;
  return true;
}

bool HardwareCaps::readAmdPMLogSensors(GpuRecord* r) {
  if (!isAmd(r) || !r->amd.pmLogBuffer) return false;
  copyPmLogPairs(r, static_cast<const AdlPmLogData*>(r->amd.pmLogBuffer));
  return true;
}

bool HardwareCaps::isAmdPMLogSensorSupported(const GpuRecord* r, int id) const {
  if (!isAmd(r) || id < 0 || id >= kAmdPmLogSensorCount) return false;
  return r->pmLogSupported[id] != 0;
}

int HardwareCaps::getAmdPMLogSensorValue(const GpuRecord* r, int id) const {
  if (!isAmd(r) || id < 0 || id >= kAmdPmLogSensorCount) return 0;
  return r->amd.pmLogValues[id];
}
