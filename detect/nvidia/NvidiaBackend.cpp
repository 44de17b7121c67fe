// NVIDIA back-end of the hardware object: one record per physical NVIDIA
// GPU at start-up, and the live sensor reads of the facade. Everything the
// driver hands back is checked: counts are clamped to the capacity of the
// structure that carries them, and texts are read only within their
// buffers. Without the NVIDIA driver library every query answers its
// failure value.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "detect/GpuDatabase.h"
#include "detect/HardwareCaps.h"
#include "detect/PciIdText.h"
#include "detect/Scanrik.h"
#include "detect/ScanrikLog.h"
#include "detect/SecureLoader.h"
#include "detect/nvidia/NvapiClient.h"

namespace {

ScanrikLog& vlog() { return VendorTraceLog(); }

// A zero-filled driver structure on the heap with its version word set.
template <typename T>
class DriverStruct {
 public:
  explicit DriverStruct(NvU32 version) : m_p(static_cast<T*>(calloc(1, sizeof(T)))) {
    if (m_p) m_p->version = version;
  }
  ~DriverStruct() { free(m_p); }
  DriverStruct(const DriverStruct&) = delete;
  DriverStruct& operator=(const DriverStruct&) = delete;
  T* get() const { return m_p; }
  T* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  void reset(NvU32 version) {
    if (!m_p) return;
    memset(static_cast<void*>(m_p), 0, sizeof(T));
    m_p->version = version;
  }

 private:
  T* m_p;
};

// Copies a driver-filled text of `capacity` bytes, trusting no terminator,
// keeping at most destSize - 1 characters.
void copyDriverText(char* dest, int destSize, const char* src, size_t capacity) {
  if (!dest || destSize <= 0) return;
  size_t n = src ? strnlen(src, capacity) : 0;
  if (n > static_cast<size_t>(destSize - 1)) n = static_cast<size_t>(destSize - 1);
  if (n) memcpy(dest, src, n);
  dest[n] = '\0';
}


int clampCount(NvU32 count, int capacity) {
  return count > static_cast<NvU32>(capacity) ? capacity : static_cast<int>(count);
}

NvPhysicalGpuHandle gpuOf(const GpuRecord* r) {
  return static_cast<NvPhysicalGpuHandle>(r->nv.physicalGpu);
}

bool isNvidia(const GpuRecord* r) { return r && r->kind == kGpuKindNvidia; }

GpuRecord* nvidiaRecord(int i) {
  GpuRecord* r = DetectionGpuAt(i);
  return isNvidia(r) ? r : nullptr;
}

const char* ramMakerName(NvU32 id) {
  static const char* const kNames[] = {"Samsung", "Qimonda", "Elpida", "Etron", "Nanya",
                                       "Hynix",   "Mosel",   "Winbond", "ESMT", "MICRON"};
  return (id >= 1 && id <= 10) ? kNames[id - 1] : "unknown";
}

const char* memoryTypeName(NvU32 id) {
  static const char* const kNames[] = {"SDRAM",  "DDR1",   "DDR2", "GDDR2", "GDDR3",
                                       "GDDR4",  "DDR3",   "GDDR5", "LPDDR2", "GDDR5X",
                                       "HBM1",   "HBM2",   "SDDR4", "GDDR6", "GDDR6X"};
  return (id >= 1 && id <= 15) ? kNames[id - 1] : "";
}

const char* brandName(NvU32 id) {
  static const char* const kNames[] = {"GeForce",       "Quadro",
                                       "Quadro AD",     "Quadro NVS",
                                       "NVIDIA NVS",    "Tesla",
                                       "Tesla Q",       "Titan GeForce",
                                       "Titan Quadro",  "Virtual Applications",
                                       "Virtual PC",    "Virtual Compute Server",
                                       "RTX Virtual Workstation", "vGaming"};
  return (id >= 1 && id <= 14) ? kNames[id - 1] : "";
}

struct ChipName {
  NvU32 implementation;
  const char* name;
};
struct ArchName {
  NvU32 architecture;
  const char* name;
  ChipName chips[6];
};
const ArchName kArchitectures[] = {
    {0x40, "NV40", {}},
    {0x50, "NV50", {}},
    {0x60, "G78", {}},
    {0x80, "G80", {}},
    {0x90, "G90", {}},
    {0xA0, "GT200", {}},
    {0xC0, "GF100", {{0, "GF100"}, {1, "GF108"}, {3, "GF106"}, {4, "GF104"}}},
    {0xD0, "GF110", {{0, "GF110"}, {6, "GF116"}, {7, "GF117"}, {8, "GF118"}, {9, "GF119"}}},
    {0xE0, "GK100", {{4, "GK104"}, {6, "GK104"}, {7, "GK107"}}},
    {0xF0, "GK110", {{0, "GK110"}}},
    {0x100, "GK200", {{8, "GK208"}}},
    {0x110, "GM000", {}},
    {0x120, "GM200", {{4, "GM204"}, {6, "GM206"}}},
    {0x130, "GP100", {{0, "GP100"}, {2, "GP102"}, {4, "GP104"}, {6, "GP106"}, {7, "GP107"}, {8, "GP108"}}},
    {0x140, "GV100", {}},
    {0x150, "GV110", {}},
    {0x160, "TU100", {{0, "TU100"}, {2, "TU102"}, {4, "TU104"}, {6, "TU106"}, {7, "TU117"}, {8, "TU116"}}},
    {0x170, "GA100", {{0, "GA100"}, {2, "GA102"}, {4, "GA104"}}},
    {0xE0000030, "T3X", {}},
    {0xE0000040, "T4X", {}},
};

void archTexts(NvU32 architecture, NvU32 implementation, const char** arch, const char** chip) {
  *arch = "T2X";
  *chip = "";
  for (const ArchName& a : kArchitectures) {
    if (a.architecture != architecture) continue;
    *arch = a.name;
    for (const ChipName& c : a.chips)
      if (c.name && c.implementation == implementation) {
        *chip = c.name;
        break;
      }
    return;
  }
}

const char* revisionName(NvU32 revision) {
  switch (revision) {
    case 0: return "EMULATION_QT";
    case 1: return "EMULATION_FPGA";
    case 0x11: return "A1";
    case 0x12: return "A2";
    case 0x13: return "A3";
    default: return "UNKNOWN";
  }
}

// One performance state's values.
struct PstateValues {
  int id = -1;
  float gpu = 0.0f, memory = 0.0f, processor = 0.0f, volts = 0.0f;
};

// A state of the performance-state table (versions 1 and 3 share it).
// currentId < 0: the table read; otherwise the current state's read.
PstateValues valuesOf(const NvPstates20* ps, int index, int currentId) {
  const NvPstate20& s = ps->pstate[index];
  PstateValues v;
  v.id = static_cast<int>(s.pstateId);
  const int clocks = clampCount(ps->numClocks, kNvPstates20Clocks);
  for (int c = 0; c < clocks; ++c) {
    const float mhz = static_cast<float>(s.clock[c].frequencyKHz) / 1000.0f;
    switch (s.clock[c].domainId) {
      case kNvClockGraphics:
        v.gpu = mhz;
        if (currentId < 0)
          vlog().write("NVAPI - NVAPI_GpuInfo_GetAllPerformanceStates - Pstate %d - clock %d - gpu_clock: %f",
                       index, c, static_cast<double>(mhz));
        else
          vlog().write("NVAPI - NVAPI_GetCurPerformanceState20 - Pstate %d (ID: %d) - clock %d - gpu_clock: %f",
                       index, currentId, c, static_cast<double>(mhz));
        break;
      case kNvClockMemory:
        v.memory = mhz;
        if (currentId < 0)
          vlog().write("NVAPI - NVAPI_GpuInfo_GetAllPerformanceStates - Pstate %d - clock %d - mem_clock: %f",
                       index, c, static_cast<double>(mhz));
        else
          vlog().write("NVAPI - NVAPI_GetCurPerformanceState20 - Pstate %d (ID: %d) - clock %d - mem_clock: %f",
                       index, currentId, c, static_cast<double>(mhz));
        break;
      case kNvClockProcessor:
        v.processor = mhz;
        break;
      default:
        break;
    }
  }
  const int voltages = clampCount(ps->numBaseVoltages, kNvPstates20Voltages);
  for (int b = 0; b < voltages; ++b)
    if (s.baseVoltage[b].domainId == 0)
      v.volts = static_cast<float>(s.baseVoltage[b].voltageUV) / 1000000.0f;
  return v;
}

// A state of the older performance-state information.
PstateValues valuesOf(const NvPstatesInfo* info, int index) {
  const NvPstateInfo& s = info->pstate[index];
  PstateValues v;
  v.id = static_cast<int>(s.pstateId);
  const int clocks = clampCount(info->numClocks, kNvPstatesInfoClocks);
  for (int c = 0; c < clocks; ++c) {
    const float mhz = static_cast<float>(s.clock[c].frequencyKHz) / 1000.0f;
    if (s.clock[c].domainId == kNvClockGraphics) v.gpu = mhz;
    else if (s.clock[c].domainId == kNvClockMemory) v.memory = mhz;
    else if (s.clock[c].domainId == kNvClockProcessor) v.processor = mhz;
  }
  const int voltages = clampCount(info->numVoltages, kNvPstatesInfoVoltages);
  for (int b = 0; b < voltages; ++b)
    if (s.voltage[b].domainId == 0) v.volts = static_cast<float>(s.voltage[b].milliVolts) / 1000.0f;
  return v;
}

void writeValues(const PstateValues& v, int* pstate, float* gpu, float* memory, float* processor,
                 float* volts) {
  putOptional(pstate, v.id);
  putOptional(gpu, v.gpu);
  putOptional(memory, v.memory);
  putOptional(processor, v.processor);
  putOptional(volts, v.volts);
}

// The older performance-state information of a GPU; null on failure.
bool readPstatesInfo(NvPhysicalGpuHandle gpu, DriverStruct<NvPstatesInfo>& info) {
  return info && NvAPI_GPU_GetPstatesInfo(gpu, info.get()) == kNvapiOk;
}

typedef int(QV_NVAPI_CALL* NvGetUsagesFn)(NvPhysicalGpuHandle gpu, NvU32* usages);
NvGetUsagesFn g_usageEntry = nullptr;

}  // namespace

void HardwareCaps::NVAPI_Init() {
  ScanrikState& state = DetectionState();
  if (!state.nvUsageLibrary)
    state.nvUsageLibrary = SecureLoadSystemLibrary(NvapiLibraryName(), LOAD_LIBRARY_SEARCH_SYSTEM32);

  nv.displayCount = nv.physicalGpuCount = nv.logicalGpuCount = 0;
  nv.driverBranch[0] = nv.driverAdapter[0] = '\0';
  nv.driverVersion = 0;

  if (NvapiInitialize() != kNvapiOk) return;

  char text[kNvShortString + 1] = {};
  if (NvAPI_GetInterfaceVersionString(text) == kNvapiOk) {
    text[kNvShortString] = '\0';
    vlog().write("NVAPI version: %s", text);
  }

  DriverStruct<NvDisplayDriverVersion> dv(kNvDisplayDriverVersionVer);
  if (dv && NvAPI_GetDisplayDriverVersion(nullptr, dv.get()) == kNvapiOk) {
    copyDriverText(nv.driverBranch, kNvShortString, dv->buildBranch, sizeof(dv->buildBranch));
    copyDriverText(nv.driverAdapter, kNvShortString, dv->adapter, sizeof(dv->adapter));
    nv.driverVersion = static_cast<int>(dv->driverVersion);
    vlog().write("NVAPI - driver version: %s --- %d --- %s", nv.driverBranch, nv.driverVersion,
                 nv.driverAdapter);
  }

  NvU32 version = 0;
  char branch[kNvShortString + 1] = {};
  nv.driverVersion =
      NvAPI_SYS_GetDriverAndBranchVersion(&version, branch) == kNvapiOk ? static_cast<int>(version) : 0;

  DriverStruct<NvSysDriverInformation> info(kNvSysDriverInformationVer);
  if (info && NvAPI_SYS_GetDriverInformation(info.get()) == kNvapiOk) {
    nv.driverVersion = static_cast<int>(info->driverVersion);
    copyDriverText(nv.driverBranch, kNvShortString, info->buildBranch, sizeof(info->buildBranch));
  }

  for (int i = 0; i < kNvMaxDisplays; ++i) {
    NvDisplayHandle display = nullptr;
    if (NvAPI_EnumNvidiaDisplayHandle(static_cast<NvU32>(i), &display) != kNvapiOk) break;
    nv.displays[nv.displayCount++] = display;
  }

  {
    NvLogicalGpuHandle logical[kNvMaxLogicalGpus] = {};
    NvU32 count = 0;
    if (NvAPI_EnumLogicalGPUs(logical, &count) == kNvapiOk) {
      nv.logicalGpuCount = clampCount(count, kNvMaxLogicalGpus);
      for (int i = 0; i < nv.logicalGpuCount; ++i) nv.logicalGpus[i] = logical[i];
    }
    NvPhysicalGpuHandle physical[kNvMaxPhysicalGpus] = {};
    count = 0;
    if (NvAPI_EnumPhysicalGPUs(physical, &count) == kNvapiOk) {
      nv.physicalGpuCount = clampCount(count, kNvMaxPhysicalGpus);
      for (int i = 0; i < nv.physicalGpuCount; ++i) nv.physicalGpus[i] = physical[i];
    }
  }

  NvAPI_StartupFourValues(0, 0xFFFFFFFFu, 0, 0);

  for (int n = 0; n < nv.physicalGpuCount; ++n) {
    nv.gpuHandle[n] = nv.physicalGpus[n];
    NvU32 kb = 0;
    nv.gpuMemoryKB[n] =
        NvAPI_GPU_GetPhysicalFrameBufferSize(static_cast<NvPhysicalGpuHandle>(nv.gpuHandle[n]), &kb) ==
                kNvapiOk
            ? kb
            : 0;
  }

  PtrList& gpus = DetectionGpuList();
  DisplaySlotClaims slotClaims;
  for (int n = 0; n < nv.physicalGpuCount; ++n) {
    GpuRecord* r = new (std::nothrow) GpuRecord();
    if (!r) return;
    if (gpus.append(r) < 0) {
      delete r;
      return;
    }
    r->listIndex = gpus.count() - 1;
    NvPhysicalGpuHandle gpu = static_cast<NvPhysicalGpuHandle>(nv.physicalGpus[n]);
    r->nv.physicalGpu = gpu;
    NvAPI_GPU_StartupFlag(gpu, 1);

    for (int d = 0; d < nv.displayCount && !r->nv.display; ++d) {
      NvPhysicalGpuHandle driving[kNvMaxPhysicalGpus] = {};
      NvU32 count = 0;
      if (NvAPI_GetPhysicalGPUsFromDisplay(static_cast<NvDisplayHandle>(nv.displays[d]), driving,
                                           &count) != kNvapiOk)
        continue;
      const int drivingCount = clampCount(count, kNvMaxPhysicalGpus);
      for (int k = 0; k < drivingCount; ++k)
        if (driving[k] == gpu) {
          r->nv.display = nv.displays[d];
          break;
        }
    }

    r->kind = kGpuKindNvidia;
    getNvidiaArchInfo(r);

    NvU32 value = 0;
    if (NvAPI_GPU_GetBusId(gpu, &value) == kNvapiOk) r->busId = static_cast<int>(value);
    NvU32 deviceId = 0, subsystemId = 0, revisionId = 0, extDeviceId = 0;
    if (NvAPI_GPU_GetPCIIdentifiers(gpu, &deviceId, &subsystemId, &revisionId, &extDeviceId) ==
        kNvapiOk) {
      r->nv.rawDeviceId = deviceId;
      r->nv.rawSubsystemId = subsystemId;
      r->nv.rawRevisionId = revisionId;
      r->nv.rawExtDeviceId = extDeviceId;
      r->vendorId = pciLowId(deviceId);
      r->deviceId = pciHighId(deviceId);
      r->subsysVendorId = pciLowId(subsystemId);
      r->subsysDeviceId = pciHighId(subsystemId);
      r->revisionId = static_cast<int>(revisionId);
    }

    if (NvAPI_GPU_GetBrandType(gpu, &value) == kNvapiOk)
      copyText(r->brandType, kGpuTextSize, brandName(value));

    DriverStruct<NvFanCoolersInfo> coolers(kNvFanCoolersInfoVer);
    if (coolers && NvAPI_GPU_GetFanCoolersInfo(gpu, coolers.get()) == kNvapiOk) {
      r->numCoolers = static_cast<uint8_t>(clampCount(coolers->count, kCoolerRows));
      static_assert(sizeof(r->coolers) == sizeof(coolers->entry), "cooler table");
      memcpy(r->coolers, coolers->entry, sizeof(r->coolers));
    }
    readNvidiaCoolerStatus(r);

    claimDisplayDeviceSlot(r, slotClaims);

    readGpuRegistryData(r);

    copyText(r->nv.driverAdapter, kNvDriverTextSize, nv.driverAdapter);
    copyText(r->nv.driverBranch, kNvDriverTextSize, nv.driverBranch);
    r->nv.driverVersion = nv.driverVersion;
    snprintf(r->nv.driverVersionText, sizeof(r->nv.driverVersionText), "R%.2f",
             static_cast<double>(nv.driverVersion) / 100.0);

    int row = -1;
    if (r->deviceIdString[0]) {
      row = FindRecordRowFromIdString(r);
    } else {
      row = ::findGpuDatabaseRow(r->vendorId, r->deviceId);
    }
    if (row < 0) {
      char name[kNvShortString + 1] = {};
      if (NvAPI_GPU_GetFullName(gpu, name) == kNvapiOk)
        copyDriverText(r->name, kNvShortString, name, kNvShortString);
    } else {
      r->databaseRow = row;
      copyText(r->name, kGpuTextSize, getGpuDatabaseFullName(r->vendorId, row));
      copyText(r->codename, kGpuTextSize, getGpuDatabaseCodename(r->vendorId, row));
      r->tmus = getGpuDatabaseTMUs(r->vendorId, row);
      r->rops = getGpuDatabaseROPs(r->vendorId, row);
    }

    if (readNvidiaThermalSettings(r) && r->sensors[0].current > 0.0f) r->hasSensors = 1;

    NvU32 width = 0, location = 0;
    if (NvAPI_GPU_GetRamBusWidthAndLocation(gpu, &width, &location) == kNvapiOk) {
      r->memoryBusWidth = static_cast<int>(width);
      r->memoryLocation = static_cast<int>(location);
    }
    if (NvAPI_GPU_GetRamType(gpu, &value) == kNvapiOk)
      copyText(r->memoryType, kGpuTextSize, memoryTypeName(value));
    if (NvAPI_GPU_GetGpuCoreCount(gpu, &value) == kNvapiOk) r->shaderCores = static_cast<int>(value);
    if (NvAPI_GPU_GetRopCount(gpu, &value) == kNvapiOk) r->rops = static_cast<int>(value);

    NVAPI_GpuInfo_GetAllPerformanceStates(r);

    if (NvAPI_GPU_GetPhysicalFrameBufferSize(gpu, &value) == kNvapiOk) {
      r->nv.memorySizeKB = value;
      r->memorySizeMB = static_cast<int>(value >> 10);
    }

    char vbios[kNvShortString + 1] = {};
    if (NvAPI_GPU_GetVbiosVersionString(gpu, vbios) == kNvapiOk)
      copyDriverText(r->nv.vbiosVersion, sizeof(r->nv.vbiosVersion), vbios, kNvShortString);

    DriverStruct<NvRtAndTensorCores> cores(kNvRtAndTensorCoresVer);
    if (cores && NvAPI_GPU_GetRtAndTensorCores(gpu, cores.get()) == kNvapiOk) {
      r->rtCores = static_cast<int>(cores->rtCores);
      r->tensorCores = static_cast<int>(cores->tensorCores);
    }
  }
}

int HardwareCaps::getNvidiaPhysicalGpuCount() const { return nv.physicalGpuCount; }
int HardwareCaps::getNvidiaLogicalGpuCount() const { return nv.logicalGpuCount; }

int HardwareCaps::getNvidiaGpuMemoryKB(int n) {
  if (n < 0 || n >= nv.physicalGpuCount) return 0;
  return static_cast<int>(nv.gpuMemoryKB[n]);
}

int HardwareCaps::getNvidiaCoreCount(int n) {
  if (n < 0 || n >= nv.physicalGpuCount) return 0;
  NvU32 cores = 0;
  if (NvAPI_GPU_GetGpuCoreCount(static_cast<NvPhysicalGpuHandle>(nv.gpuHandle[n]), &cores) !=
      kNvapiOk)
    return 0;
  return static_cast<int>(cores);
}

bool HardwareCaps::getNvidiaRamMaker(int i, char* text, int size) {
  GpuRecord* r = nvidiaRecord(i);
  if (!r || !text || size <= 0) return false;
  NvU32 maker = 0;
  if (NvAPI_GPU_GetRamMaker(gpuOf(r), &maker) != kNvapiOk) return false;
  copyText(text, size, ramMakerName(maker));
  return true;
}

bool HardwareCaps::NVAPI_GetClockFrequencies(int i, int clockType, float* gpuMHz,
                                             float* memoryMHz) {
  GpuRecord* r = nvidiaRecord(i);
  if (!r) return false;
  DriverStruct<NvClockFrequencies> clocks(kNvClockFrequenciesVer);
  if (!clocks) return false;
  clocks->clockType = (clockType >= 1 && clockType <= 3) ? static_cast<NvU32>(clockType) : 0;
  if (NvAPI_GPU_GetAllClockFrequencies(gpuOf(r), clocks.get()) != kNvapiOk) return false;
  const NvClockDomain& graphics = clocks->domain[kNvClockGraphics];
  if (graphics.flags & 1) {
    float mhz = static_cast<float>(graphics.frequencyKHz / 1000);
    putOptional(gpuMHz, mhz);
    vlog().write("NVAPI - NVAPI_GetClockFrequencies - clock_type %d - gpu_clock: %f", clockType,
                 static_cast<double>(mhz));
  }
  const NvClockDomain& memory = clocks->domain[kNvClockMemory];
  if (memory.flags & 1) {
    float mhz = static_cast<float>(memory.frequencyKHz / 1000);
    putOptional(memoryMHz, mhz);
    vlog().write("NVAPI - NVAPI_GetClockFrequencies - clock_type %d - mem_clock: %f", clockType,
                 static_cast<double>(mhz));
  }
  return true;
}

bool HardwareCaps::NVAPI_GetCurPerformanceState20(int i, int* pstate, float* gpuMHz,
                                                  float* memoryMHz, float* processorMHz,
                                                  float* volts) {
  GpuRecord* r = nvidiaRecord(i);
  NvU32 current = 0;
  DriverStruct<NvPstates20> ps(kNvPstates20Ver3);
  if (r && ps && NvAPI_GPU_GetCurrentPstate(gpuOf(r), &current) == kNvapiOk &&
      NvAPI_GPU_GetPstates20(gpuOf(r), ps.get()) == kNvapiOk) {
    const int count = clampCount(ps->numPstates, kNvMaxPstates);
    for (int s = 0; s < count; ++s) {
      if (ps->pstate[s].pstateId != current) continue;
      PstateValues v = valuesOf(ps.get(), s, static_cast<int>(current));
      writeValues(v, pstate, gpuMHz, memoryMHz, processorMHz, volts);
      return true;
    }
  }
  putOptional(pstate, -1);
  return false;
}

bool HardwareCaps::readNvidiaCurrentClocks(int i, int* pstate, float* gpuMHz, float* memoryMHz,
                                           float* processorMHz, float* volts) {
  if (NVAPI_GetCurPerformanceState20(i, pstate, gpuMHz, memoryMHz, processorMHz, volts))
    return true;
  GpuRecord* r = nvidiaRecord(i);
  NvU32 current = 0;
  DriverStruct<NvPstatesInfo> info(kNvPstatesInfoVer);
  if (r && NvAPI_GPU_GetCurrentPstate(gpuOf(r), &current) == kNvapiOk &&
      readPstatesInfo(gpuOf(r), info)) {
    const int count = clampCount(info->numPstates, kNvMaxPstates);
    for (int s = 0; s < count; ++s) {
      if (info->pstate[s].pstateId != current) continue;
      writeValues(valuesOf(info.get(), s), pstate, gpuMHz, memoryMHz, processorMHz, volts);
      return true;
    }
  }
  putOptional(pstate, -1);
  return false;
}

bool HardwareCaps::readNvidiaPerfLevel(int i, int n, int* pstate, float* gpuMHz,
                                       float* memoryMHz, float* processorMHz, float* volts) {
  GpuRecord* r = nvidiaRecord(i);
  if (!r || n < 0) return false;
  DriverStruct<NvPstatesInfo> info(kNvPstatesInfoVer);
  if (!readPstatesInfo(gpuOf(r), info)) return false;
  if (n >= clampCount(info->numPstates, kNvMaxPstates)) return false;
  writeValues(valuesOf(info.get(), n), pstate, gpuMHz, memoryMHz, processorMHz, volts);
  return true;
}

bool HardwareCaps::readNvidiaCoreVoltage(int i, float* volts) {
  GpuRecord* r = nvidiaRecord(i);
  if (!r) return false;
  DriverStruct<NvCoreVoltage> v(kNvCoreVoltageVer);
  if (!v || NvAPI_GPU_GetCoreVoltage(gpuOf(r), v.get()) != kNvapiOk || v->status != 0) return false;
  putOptional(volts, static_cast<float>(v->voltageUV) * 1e-6f);
  return true;
}

bool HardwareCaps::readNvidiaCoreVoltageFromStatus(int i, float* volts) {
  GpuRecord* r = nvidiaRecord(i);
  if (!r) return false;
  DriverStruct<NvVoltageDomainsStatus> v(kNvVoltageDomainsStatusVer);
  if (!v || NvAPI_GPU_GetVoltageDomainsStatus(gpuOf(r), v.get()) != kNvapiOk) return false;
  for (const NvVoltageDomainEntry& e : v->entry)
    if (e.domainId == 0) {
      putOptional(volts, static_cast<float>(e.voltageUV) / 1000000.0f);
      return true;
    }
  return false;
}

bool HardwareCaps::NVAPI_GpuInfo_GetAllPerformanceStates(GpuRecord* r) {
  if (!isNvidia(r)) return false;
  NvidiaPstateRow rows[kNvPstateTableSize] = {};
  int count = 0;

  DriverStruct<NvPstates20> ps(kNvPstates20Ver3);
  if (!ps) return false;
  int status = NvAPI_GPU_GetPstates20(gpuOf(r), ps.get());
  if (status == kNvapiIncompatibleVersion) {
    ps.reset(kNvPstates20Ver1);
    status = NvAPI_GPU_GetPstates20(gpuOf(r), ps.get());
  }
  if (status == kNvapiOk && ps->numPstates >= 1) {
    count = clampCount(ps->numPstates, kNvMaxPstates);
    for (int s = 0; s < count; ++s) {
      PstateValues v = valuesOf(ps.get(), s, -1);
      rows[s] = {v.id, v.gpu, v.memory, v.processor, v.volts};
    }
  } else {
    DriverStruct<NvPstatesInfo> info(kNvPstatesInfoVer);
    if (!readPstatesInfo(gpuOf(r), info) || info->numPstates < 1) return false;
    count = clampCount(info->numPstates, kNvMaxPstates);
    for (int s = 0; s < count; ++s) {
      PstateValues v = valuesOf(info.get(), s);
      rows[s] = {v.id, v.gpu, v.memory, v.processor, v.volts};
    }
  }
  memcpy(r->nv.pstates, rows, sizeof(rows));
  r->nv.numPstates = count;
  r->numPerfLevels = count;
  return true;
}

bool HardwareCaps::getNvidiaArchInfo(GpuRecord* r) {
  if (!isNvidia(r)) return false;
  DriverStruct<NvArchInfo> arch(kNvArchInfoVer);
  if (!arch || NvAPI_GPU_GetArchInfo(gpuOf(r), arch.get()) != kNvapiOk) return false;
  r->nv.rawArch[0] = arch->version;
  r->nv.rawArch[1] = arch->architecture;
  r->nv.rawArch[2] = arch->implementation;
  r->nv.rawArch[3] = arch->revision;
  const char* archText = nullptr;
  const char* chipText = nullptr;
  archTexts(arch->architecture, arch->implementation, &archText, &chipText);
  copyText(r->nv.architecture, kNvArchTextSize, archText);
  copyText(r->nv.chip, kNvArchTextSize, chipText);
  copyText(r->nv.revision, kNvArchTextSize, revisionName(arch->revision));
  return true;
}

bool HardwareCaps::readNvidiaThermalSettings(GpuRecord* r) {
  if (!isNvidia(r)) return false;
  DriverStruct<NvThermalSettings> t(kNvThermalSettingsVer);
  if (!t || NvAPI_GPU_GetThermalSettings(gpuOf(r), kNvThermalAllSensors, t.get()) != kNvapiOk)
    return false;
  const int count = clampCount(t->count, kNvThermalSensors);
  for (int s = 0; s < count; ++s) {
    const float temp = static_cast<float>(static_cast<NvS32>(t->sensor[s].currentTemp));
    switch (t->sensor[s].target) {
      case kNvThermalTargetGpu: r->sensors[0].update(temp); break;
      case kNvThermalTargetMemory: r->sensors[1].update(temp); break;
      case kNvThermalTargetPowerSupply: r->sensors[2].update(temp); break;
      case kNvThermalTargetBoard: r->sensors[3].update(temp); break;
      default: break;
    }
  }
  return true;
}

bool HardwareCaps::readNvidiaFanSpeed(GpuRecord* r) {
  if (!isNvidia(r)) return false;
  NvU32 rpm = 0;
  if (NvAPI_GPU_GetTachReading(gpuOf(r), &rpm) == kNvapiOk) r->fanRpm = static_cast<float>(rpm);
  DriverStruct<NvCoolerSettings> c(kNvCoolerSettingsVer);
  if (c && NvAPI_GPU_GetCoolerSettings(gpuOf(r), kNvAllCoolers, c.get()) == kNvapiOk) {
    const int count = clampCount(c->count, kNvMaxCoolers);
    for (int k = 0; k < count; ++k)
      if (c->cooler[k].target == kNvCoolerTargetGpu)
        r->fanPercent = static_cast<float>(c->cooler[k].currentLevel);
  }
  return true;
}

bool HardwareCaps::readNvidiaCoolerStatus(GpuRecord* r) {
  if (!isNvidia(r)) return false;
  DriverStruct<NvFanCoolersStatus> s(kNvFanCoolersStatusVer);
  if (!s || NvAPI_GPU_GetFanCoolersStatus(gpuOf(r), s.get()) != kNvapiOk) return false;
  // The record keeps the five leading values of each row.
  for (int row = 0; row < kCoolerRows; ++row)
    for (int col = 0; col < kCoolerStatusColumns; ++col)
      r->coolerStatus[row][col] = static_cast<int>(s->entry[row][col]);
  return true;
}

bool HardwareCaps::readNvidiaGpuUsages(GpuRecord* r) {
  if (!isNvidia(r)) return false;
  if (!g_usageEntry) {
    HMODULE library = DetectionState().nvUsageLibrary;
    if (!library) return false;
    NvQueryInterfaceFn query =
        reinterpret_cast<NvQueryInterfaceFn>(
          reinterpret_cast<void*>(GetProcAddress(library, "nvapi_QueryInterface")));
    if (!query) return false;
    g_usageEntry = reinterpret_cast<NvGetUsagesFn>(query(kNvIdGpuGetUsages));
    if (!g_usageEntry) return false;
  }
  NvU32 usages[kNvUsageWords] = {};
  usages[0] = kNvUsagesVer;
  if (g_usageEntry(gpuOf(r), usages) != kNvapiOk) return false;
  r->gpuLoad = static_cast<float>(usages[3]);
  r->frameBufferLoad = static_cast<float>(usages[7]);
  vlog().write("*********************** GPU Usages *********************");
  for (int u = 1; u < kNvUsageWords; ++u)
    vlog().write("Usage[%d] = %d", u - 1, static_cast<int>(usages[u]));
  return true;
}

bool HardwareCaps::readNvidiaPowerChannels(int i, float* percent, float* milliwatts) {
  GpuRecord* r = nvidiaRecord(i);
  if (!r) return false;
  DriverStruct<NvPowerTopologyStatus> t(kNvPowerTopologyStatusVer);
  if (!t || NvAPI_GPU_GetPowerTopologyStatus(gpuOf(r), t.get()) != kNvapiOk) return false;
  const int count = clampCount(t->countWord & 0xFF, kNvPowerChannels);
  for (int c = 0; c < count; ++c)
    vlog().write("- GPU %d - Power channel %d - mp=%d, mW=%d", i, c,
                 static_cast<int>(t->channel[c].milliPercent),
                 static_cast<int>(t->channel[c].milliWatts));
  if (count < 1) return false;
  putOptional(percent, static_cast<float>(t->channel[0].milliPercent) / 1000.0f);
  putOptional(milliwatts, static_cast<float>(t->channel[0].milliWatts));
  return true;
}

bool HardwareCaps::readNvidiaPowerPolicies(int i, float* minPercent, float* minMw,
                                           float* maxPercent, float* maxMw, float* defPercent,
                                           float* defMw) {
  GpuRecord* r = nvidiaRecord(i);
  if (!r) return false;
  DriverStruct<NvPowerPoliciesInfo> p(kNvPowerPoliciesInfoVer);
  if (!p || NvAPI_GPU_GetPowerPoliciesInfo(gpuOf(r), p.get()) != kNvapiOk) return false;
  const int count = clampCount((p->countWord >> 8) & 0xFF, kNvPowerPolicies);
  for (int k = 0; k < count; ++k) {
    const NvPowerPolicyInfoEntry& e = p->entry[k];
    if (e.policyId != 0) continue;
    vlog().write("-  GPU %d - Power policy %d, total GPU power - min power (mp)=%d, max power (mp)=%d, "
                 "default power (mp)=%d",
                 i, k, static_cast<int>(e.minMilliPercent), static_cast<int>(e.maxMilliPercent),
                 static_cast<int>(e.defaultMilliPercent));
  }
  const NvPowerPolicyInfoEntry& first = p->entry[0];
  if (count < 1 || first.policyId != 0) return false;
  putOptional(minPercent, static_cast<float>(first.minMilliPercent) / 1000.0f);
  putOptional(minMw, static_cast<float>(first.minMilliWatts));
  putOptional(maxPercent, static_cast<float>(first.maxMilliPercent) / 1000.0f);
  putOptional(maxMw, static_cast<float>(first.maxMilliWatts));
  putOptional(defPercent, static_cast<float>(first.defaultMilliPercent) / 1000.0f);
  putOptional(defMw, static_cast<float>(first.defaultMilliWatts));
  return true;
}

bool HardwareCaps::readNvidiaPowerLimits(int i, float* percent, float* milliwatts) {
  GpuRecord* r = nvidiaRecord(i);
  if (!r) return false;
  DriverStruct<NvPowerPoliciesStatus> s(kNvPowerPoliciesStatusVer);
  if (!s || NvAPI_GPU_GetPowerPoliciesStatus(gpuOf(r), s.get()) != kNvapiOk) return false;
  const int count = clampCount(s->countWord & 0xFF, kNvPowerPolicies);
  for (int k = 0; k < count; ++k)
    vlog().write("- GPU %d - Power limit %d - mp=%d, mW=%d", i, k,
                 static_cast<int>(s->entry[k].milliPercent),
                 static_cast<int>(s->entry[k].milliWatts));
  if (count < 1) return false;
  putOptional(percent, static_cast<float>(s->entry[0].milliPercent) / 1000.0f);
  putOptional(milliwatts, static_cast<float>(s->entry[0].milliWatts));
  return true;
}

int HardwareCaps::readNvidiaActiveApps(GpuRecord* r) {
  if (!isNvidia(r)) return 0;
  static_assert(sizeof(NvActiveApp) == kActiveAppEntrySize, "active application entry");
  NvActiveApp* apps = static_cast<NvActiveApp*>(calloc(kActiveAppCount, sizeof(NvActiveApp)));
  if (!apps) return 0;
  for (int k = 0; k < kActiveAppCount; ++k) apps[k].version = kNvActiveAppVer;
  NvU32 count = kActiveAppCount;
  int status = NvAPI_GPU_QueryActiveAppsWithFlags(nullptr, kNvActiveAppsFlags, apps, &count);
  if (status != kNvapiOk) {
    for (int k = 0; k < kActiveAppCount; ++k) {
      memset(&apps[k], 0, sizeof(NvActiveApp));
      apps[k].version = kNvActiveAppVer;
    }
    count = kActiveAppCount;
    status = NvAPI_GPU_QueryActiveApps(nullptr, apps, &count);
  }
  int written = 0;
  if (status == kNvapiOk) {
    written = clampCount(count, kActiveAppCount);
    for (int k = 0; k < kActiveAppCount; ++k) apps[k].processName[kNvActiveAppNameSize - 1] = '\0';
    memcpy(r->activeApps, apps, sizeof(r->activeApps));
  }
  free(apps);
  r->nv.activeAppCount = written;
  return written;
}

int HardwareCaps::getNvidiaActiveAppPid(const GpuRecord* r, int entry) const {
  if (!isNvidia(r) || entry < 0 || entry >= r->nv.activeAppCount) return 0;
  NvU32 pid = 0;
  memcpy(&pid, r->activeApps[entry] + offsetof(NvActiveApp, processId), sizeof(pid));
  return static_cast<int>(pid);
}

const char* HardwareCaps::getNvidiaActiveAppName(const GpuRecord* r, int entry) const {
  if (!isNvidia(r) || entry < 0 || entry >= r->nv.activeAppCount) return nullptr;
  return reinterpret_cast<const char*>(r->activeApps[entry] + offsetof(NvActiveApp, processName));
}

bool HardwareCaps::NVIDIA_ControlPanelData_Read() {
  if (vendorKind != kVendorNvidia) return false;
  if (!nv.controlPanelLibrary) {
    HMODULE library = SecureLoadSystemLibrary(L"nvcpl.dll", LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library) return false;
    nv.controlPanelLibrary = library;
    nv.cplThermal[0] = nv.cplThermal[1] = nv.cplThermal[2] = 0;
    nv.cplDisplayText[0] = nv.cplDriverVersion[0] = '\0';
    nv.cplDisplayValue = nv.cplData1 = nv.cplData3 = nv.cplVideoMemoryMB = 0;
    nv.cplGpuCount = 1;
    nv.cplSliGpuCount = nv.cplSliMode = 0;
  }
  HMODULE library = static_cast<HMODULE>(nv.controlPanelLibrary);

  auto thermal = reinterpret_cast<NvCplGetThermalSettingsFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "NvCplGetThermalSettings")));
  if (thermal) {
    unsigned long core = 0, ambient = 0, upper = 0;
    if (thermal(0, &core, &ambient, &upper)) {
      nv.cplThermal[0] = static_cast<int>(core);
      nv.cplThermal[1] = static_cast<int>(ambient);
      nv.cplThermal[2] = static_cast<int>(upper);
    }
  }

  auto displayInfo = reinterpret_cast<NvGetDisplayInfoFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "NvGetDisplayInfo")));
  if (displayInfo) {
    NvCplDisplayInfo* info = static_cast<NvCplDisplayInfo*>(calloc(1, sizeof(NvCplDisplayInfo)));
    if (info) {
      info->size = sizeof(NvCplDisplayInfo);
      info->word1 = -1;
      info->word3 = -1;
      if (displayInfo("0", info)) {
        copyDriverText(nv.cplDisplayText, kNvCplTextSize, info->displayText,
                       sizeof(info->displayText));
        if (info->flags & kNvCplMonitorValueValid) nv.cplDisplayValue = info->monitorValue;
      }
      copyDriverText(nv.cplDriverVersion, kNvCplTextSize, info->driverVersion,
                     sizeof(info->driverVersion));
      free(info);
    }
  }

  auto dataInt = reinterpret_cast<NvCplGetDataIntFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "NvCplGetDataInt")));
  if (!dataInt) return true;
  long value = 0;
  if (dataInt(1, &value)) nv.cplData1 = static_cast<int>(value);
  if (dataInt(3, &value)) nv.cplData3 = static_cast<int>(value);
  if (dataInt(2, &value)) nv.cplVideoMemoryMB = static_cast<int>(value);
  long gpuCount = -1;
  dataInt(7, &gpuCount);
  nv.cplGpuCount = gpuCount < 1 ? 1 : static_cast<int>(gpuCount);
  long sliCount = -1;
  dataInt(8, &sliCount);
  nv.cplSliGpuCount = sliCount == -1 ? 0 : static_cast<int>(sliCount);
  if (nv.cplSliGpuCount > 0) {
    long flags = 0;
    dataInt(9, &flags);
    const unsigned long f = static_cast<unsigned long>(flags);
    if (!(f & 0x10000000)) nv.cplSliMode = 0;
    else if (f & 0x1) nv.cplSliMode = 1;
    else if (f & 0x2) nv.cplSliMode = 3;
    else if (f & 0x4) nv.cplSliMode = 4;
    else nv.cplSliMode = 5;
  }
  return true;
}

void HardwareCaps::releaseNvidia() {
  if (nv.controlPanelLibrary) FreeLibrary(static_cast<HMODULE>(nv.controlPanelLibrary));
  nv.controlPanelLibrary = nullptr;
}
