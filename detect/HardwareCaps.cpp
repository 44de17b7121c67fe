#include "detect/HardwareCaps.h"

#include <cpuid.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "detect/PciIdText.h"
#include "detect/ScanrikLog.h"
#include "detect/Scanrik.h"

namespace {

EnumDisplayDevicesFn g_displaySource = EnumDisplayDevicesA;
HKEY g_registryRoot = HKEY_LOCAL_MACHINE;

bool processorCpuid(uint32_t leaf, uint32_t regs[4]) {
  if (__get_cpuid_max(0, nullptr) == 0) return false;  // no CPUID instruction
  __cpuid_count(leaf, 0, regs[0], regs[1], regs[2], regs[3]);
  return true;
}
CpuidFn g_cpuid = processorCpuid;

ScanrikLog& trace() { return DetectionState().log; }

// Four hex characters at [pos, pos + 4) of a string of length len.
bool parsePiece(const char* s, size_t len, size_t pos, int* out) {
  uint32_t v = 0;
  if (!readHexDigits(s, len, pos, 4, &v)) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

void SetDisplayDeviceSource(EnumDisplayDevicesFn fn) { g_displaySource = fn ? fn : EnumDisplayDevicesA; }
EnumDisplayDevicesFn DisplayDeviceSource() { return g_displaySource; }
void SetDetectionRegistryRoot(HKEY root) { g_registryRoot = root ? root : HKEY_LOCAL_MACHINE; }
HKEY DetectionRegistryRoot() { return g_registryRoot; }
void SetCpuidSource(CpuidFn fn) { g_cpuid = fn ? fn : processorCpuid; }
CpuidFn CurrentCpuidSource() { return g_cpuid; }

int parseHex2(char c1, char c2) {
  auto digit = [](char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return (c >= '0' && c <= '9') ? c - '0' : c - 55;
  };
  return digit(c1) * 16 + digit(c2);
}

int parseHex4(char c1, char c2, char c3, char c4) {
  return parseHex2(c1, c2) * 256 + parseHex2(c3, c4);
}

PciIdPieces parsePciIdString(const char* s) {
  PciIdPieces p;
  memset(&p, 0, sizeof(p));
  p.vendor = p.device = p.subsysDevice = p.subsysVendor = -1;
  if (!s) return p;
  size_t len = strnlen(s, kCapsTextSize);
  // Only a PCI id has its pieces at these positions.
  if (len < 21 || strncmp(s, "PCI\\VEN_", 8) != 0 || strncmp(s + 12, "&DEV_", 5) != 0) return p;
  p.vendorParsed = parsePiece(s, len, 8, &p.vendor);
  p.deviceParsed = parsePiece(s, len, 17, &p.device);
  if (len >= 29 && strncmp(s + 21, "&SUBSYS_", 8) == 0) {
    p.subsysDeviceParsed = parsePiece(s, len, 29, &p.subsysDevice);
    p.subsysVendorParsed = parsePiece(s, len, 33, &p.subsysVendor);
  }
  uint32_t revision = 0;
  if (len >= 44 && strncmp(s + 37, "&REV_", 5) == 0 && readHexDigits(s, len, 42, 2, &revision)) {
    p.revision[0] = s[42];
    p.revision[1] = s[43];
  }
  if (!p.vendorParsed) p.vendor = -1;
  if (!p.deviceParsed) p.device = -1;
  if (!p.subsysDeviceParsed) p.subsysDevice = -1;
  if (!p.subsysVendorParsed) p.subsysVendor = -1;
  return p;
}

int vendorKindFromPciId(int vendorId) {
  switch (vendorId) {
    case 0x1002: return kVendorAmd;
    case 0x10DE: return kVendorNvidia;
    case 0x5333: return kVendorS3;
    case -1: return kVendorNone;
    case 0x8086: return kVendorIntel;
    default: return kVendorOther;
  }
}

HardwareCaps::HardwareCaps() {
  // Plain facts start at zero; the lists are built by their constructors.
  memset(featureFlags, 0, sizeof(featureFlags));
  vendorKind = 0;
  glVendor[0] = glRenderer[0] = driverVersion[0] = driverDate[0] = biosString[0] = '\0';
  glslVersion[0] = '\0';
  glVersionNumber = 0.0f;
  glMajor = glMinor = 0;
  maxTextureSize = maxViewportSize = maxTextureUnits = maxTextureImageUnits = 0;
  maxVertexTextureImageUnits = maxGeometryTextureImageUnits = maxDrawBuffers = maxLights = 0;
  maxVaryingFloats = maxVertexUniformComponents = maxGeometryUniformComponents = 0;
  maxFragmentUniformComponents = maxVertexBindableUniforms = maxGeometryBindableUniforms = 0;
  maxFragmentBindableUniforms = 0;
  maxPointSize = maxAnisotropy = 0.0f;
  samples = 0;
  maxTessGenLevel = 0.0f;
  primaryAmdComputeUnits = 0;
  glVersionString[0] = '\0';
  glExtensionCount = wglExtensionCount = 0;
  maxTessControlTextureImageUnits = maxTessEvaluationTextureImageUnits = 0;
  maxTessControlUniformComponents = maxTessEvaluationUniformComponents = 0;
  maxElementsVertices = maxElementsIndices = maxShininess = maxSpotExponent = 0;
  maxVertexAttribs = maxColorAttachments = maxRectangleTextureSize = maxBindableUniformSize = 0;
  maxGeometryOutputVertices = minProgramTexelOffset = maxProgramTexelOffset = 0;
  maxArrayTextureLayers = maxTextureBufferSize = 0;
  driverDesc[0] = deviceDescription[0] = openGLDriverName[0] = adapterString[0] = '\0';
  chipType[0] = dacType[0] = catalystVersion[0] = releaseVersion[0] = '\0';
  registryMemoryBytes = 0;
  defaultSwapInterval = 0;
  cpuName[0] = cpuSerial[0] = '\0';
  cpuCoresPerPackage = cpuLogicalProcessors = cpuSpeedMHz = 0;
  cpuFamily = cpuExtFamily = cpuModel = cpuExtModel = cpuStepping = cpuExtStepping = 0;
  cpuVendor = 0;
  totalPhysicalBytes = 0;
  totalPhysicalKB = installedMemoryMB = 0;
  hasMmx = hasSse = hasSse2 = hasSse3 = hasLeaf1Ecx6 = hasTwoCores = hyperThreading = 0;
  hyperThreadingCount = 0;
  osName[0] = osShortName[0] = osServicePack[0] = '\0';
  memset(displayDevices, 0, sizeof(displayDevices));
  m_display_device_id_string[0] = m_display_device_name[0] = m_display_device_string[0] = '\0';
  memset(primaryRevision, 0, sizeof(primaryRevision));
  primaryVendorId = primaryDeviceId = primarySubsysVendorId = primarySubsysDeviceId = 0;
  memset(&nv, 0, sizeof(nv));
  memset(&amd, 0, sizeof(amd));
  m_hasDisplayDevice = false;
}

HardwareCaps::~HardwareCaps() { release(); }

void HardwareCaps::init() {
  trace().write("HardwareCaps::init() - START");
  _readDisplayDeviceData();
  vendorKind = vendorKindFromPciId(primaryVendorId);
  glVersionNumber = 1.1f;
  glMajor = 1;
  glMinor = 1;
  maxPointSize = 1.0f;
  maxViewportSize = 1024;
  maxAnisotropy = 1.0f;
  trace().write("HardwareCaps::init() - _queryCPUInfo()");
  _queryCPUInfo();
  trace().write("HardwareCaps::init() - _queryCPUInfo() OK.");
  trace().write("HardwareCaps::init() - NVAPI_Init()");
  NVAPI_Init();
  trace().write("HardwareCaps::init() - NVAPI_Init() OK.");
  trace().write("HardwareCaps::init() - ATI_Init()");
  ATI_Init();
  trace().write("HardwareCaps::init() - ATI_Init() OK.");
  addOtherVendorGpus();
  sortGpusByBusId();
  trace().write("HardwareCaps::init() - END OK.");
}

void HardwareCaps::clearLists() {
  for (int i = 0; i < msaaModes.count(); ++i) delete[] static_cast<int*>(msaaModes.itemAt(i));
  msaaModes.clear();
  for (int i = 0; i < extensions.count(); ++i) free(extensions.itemAt(i));
  extensions.clear();
  for (int i = 0; i < spirvExtensions.count(); ++i) free(spirvExtensions.itemAt(i));
  spirvExtensions.clear();
  ReleaseOpenGLCaps(capsList);
}

void HardwareCaps::release() {
  releaseADL();
  releaseNvidia();
  clearGpuList();
  clearLists();
}

void HardwareCaps::_readDisplayDeviceData() {
  if (m_hasDisplayDevice) return;
  m_display_device_id_string[0] = m_display_device_name[0] = m_display_device_string[0] = '\0';
  memset(primaryRevision, 0, sizeof(primaryRevision));
  primaryVendorId = primaryDeviceId = primarySubsysVendorId = primarySubsysDeviceId = -1;
  m_hasDisplayDevice = false;
  memset(displayDevices, 0, sizeof(displayDevices));

  // Several outputs of one adapter come one after the other with the same
  // id: they share one slot.
  int stored = 0;
  DISPLAY_DEVICEA dd;
  for (DWORD index = 0; index < static_cast<DWORD>(kMaxDisplayDevices); ++index) {
    memset(&dd, 0, sizeof(dd));
    dd.cb = sizeof(dd);
    if (!g_displaySource(nullptr, index, &dd, 0)) break;
    dd.DeviceID[sizeof(dd.DeviceID) - 1] = '\0';
    dd.DeviceName[sizeof(dd.DeviceName) - 1] = '\0';
    dd.DeviceString[sizeof(dd.DeviceString) - 1] = '\0';
    dd.DeviceKey[sizeof(dd.DeviceKey) - 1] = '\0';
    if (stored > 0 && strncmp(displayDevices[stored - 1].deviceIdString, dd.DeviceID, 127) == 0)
      continue;
    DisplayDeviceSlot& slot = displayDevices[stored++];
    copyText(slot.deviceIdString, 128, dd.DeviceID);
    copyText(slot.deviceName, 32, dd.DeviceName);
    copyText(slot.deviceString, 128, dd.DeviceString);
    copyText(slot.deviceKey, 128, dd.DeviceKey);
  }

  copyText(m_display_device_id_string, kCapsTextSize, displayDevices[0].deviceIdString);
  copyText(m_display_device_name, kCapsTextSize, displayDevices[0].deviceName);
  copyText(m_display_device_string, kCapsTextSize, displayDevices[0].deviceString);
  trace().write("HardwareCaps::_readDisplayDeviceData - m_display_device_id_string: %s",
                m_display_device_id_string);
  trace().write("HardwareCaps::_readDisplayDeviceData - m_display_device_name: %s",
                m_display_device_name);
  trace().write("HardwareCaps::_readDisplayDeviceData - m_display_device_string: %s",
                m_display_device_string);
  m_hasDisplayDevice = m_display_device_string[0] != '\0';
  if (!m_hasDisplayDevice) return;

  PciIdPieces p = parsePciIdString(m_display_device_id_string);
  primaryVendorId = p.vendor;
  primaryDeviceId = p.device;
  primarySubsysDeviceId = p.subsysDevice;
  primarySubsysVendorId = p.subsysVendor;
  memcpy(primaryRevision, p.revision, sizeof(primaryRevision));
}

const DisplayDeviceSlot* HardwareCaps::displayDeviceSlot(int slot) const {
  if (slot < 0 || slot >= kMaxDisplayDevices) return nullptr;
  return &displayDevices[slot];
}

namespace {
// The four characters of a piece as one 32-bit int, first character lowest.
uint32_t rawPiece(const char* s, size_t pos) {
  size_t len = strnlen(s, kDisplayTextSize);
  uint32_t raw = 0;
  for (size_t i = 0; i < 4 && pos + i < len; ++i)
    raw |= static_cast<uint32_t>(static_cast<unsigned char>(s[pos + i])) << (8 * i);
  return raw;
}

bool slotPiece(const DisplayDeviceSlot* slot, size_t pos, int PciIdPieces::*value, uint32_t* raw,
               int* parsed) {
  if (!slot) return false;
  PciIdPieces p = parsePciIdString(slot->deviceIdString);
  if (raw) *raw = rawPiece(slot->deviceIdString, pos);
  if (parsed) *parsed = p.*value;
  return true;
}
}  // namespace

bool HardwareCaps::getDisplayDeviceVendorId(int slot, uint32_t* raw, int* parsed) const {
  return slotPiece(displayDeviceSlot(slot), 8, &PciIdPieces::vendor, raw, parsed);
}
bool HardwareCaps::getDisplayDeviceDeviceId(int slot, uint32_t* raw, int* parsed) const {
  return slotPiece(displayDeviceSlot(slot), 17, &PciIdPieces::device, raw, parsed);
}
bool HardwareCaps::getDisplayDeviceSubsysDeviceId(int slot, uint32_t* raw, int* parsed) const {
  return slotPiece(displayDeviceSlot(slot), 29, &PciIdPieces::subsysDevice, raw, parsed);
}
bool HardwareCaps::getDisplayDeviceSubsysVendorId(int slot, uint32_t* raw, int* parsed) const {
  return slotPiece(displayDeviceSlot(slot), 33, &PciIdPieces::subsysVendor, raw, parsed);
}

namespace {
// Does the slot show these PCI ids? Subsystem ids that either side lacks
// (zero) match any.
bool slotShowsIds(const DisplayDeviceSlot& slot, int vendor, int device, int subsysVendor, int subsysDevice) {
  if (slot.deviceIdString[0] == '\0') return false;
  PciIdPieces p = parsePciIdString(slot.deviceIdString);
  if (!p.vendorParsed || !p.deviceParsed || p.vendor != vendor || p.device != device) return false;
  int sv = p.subsysVendorParsed ? p.subsysVendor : 0;
  int sd = p.subsysDeviceParsed ? p.subsysDevice : 0;
  return (sv == subsysVendor || sv == 0 || subsysVendor == 0) && (sd == subsysDevice || sd == 0 || subsysDevice == 0);
}
}  // namespace

int HardwareCaps::findDisplayDeviceSlot(int vendor, int device, int subsysVendor,
                                        int subsysDevice, int skipSlot) const {
  for (int s = 0; s < kMaxDisplayDevices; ++s) {
    if (s == skipSlot) continue;
    if (displayDevices[s].deviceIdString[0] == '\0') break;  // slots fill from the front
    if (slotShowsIds(displayDevices[s], vendor, device, subsysVendor, subsysDevice)) return s;
  }
  return kNoDisplaySlot;
}

bool HardwareCaps::claimDisplayDeviceSlot(GpuRecord* r, DisplaySlotClaims& claims) const {
  if (!r) return false;
  for (int s = 0; s < kMaxDisplayDevices && displayDevices[s].deviceIdString[0]; ++s) {
    if (claims.taken[s] ||
        !slotShowsIds(displayDevices[s], r->vendorId, r->deviceId, r->subsysVendorId, r->subsysDeviceId))
      continue;
    claims.taken[s] = true;
    r->displaySlot = s;
    const DisplayDeviceSlot& slot = displayDevices[s];
    copyText(r->deviceIdString, kGpuTextSize, slot.deviceIdString);
    copyText(r->deviceName, kGpuTextSize, slot.deviceName);
    copyText(r->displayDeviceString, kGpuTextSize, slot.deviceString);
    copyText(r->deviceKey, kGpuTextSize, slot.deviceKey);
    return true;
  }
  return false;
}

// Reads a registry value as text into buf (size bytes, at most size - 1
// characters kept); the result is always terminated inside buf. Longer
// values are cut. False when the value is absent.
bool ReadRegistryText(HKEY key, const char* value, char* buf, DWORD size, DWORD* type) {
  if (size < 2) return false;
  DWORD t = 0, needed = 0;
  if (RegQueryValueExA(key, value, nullptr, &t, nullptr, &needed) != ERROR_SUCCESS) return false;
  char* tmp = static_cast<char*>(calloc(needed + 1, 1));
  if (!tmp) return false;
  DWORD n = needed;
  if (RegQueryValueExA(key, value, nullptr, &t, reinterpret_cast<BYTE*>(tmp), &n) != ERROR_SUCCESS) {
    free(tmp);
    return false;
  }
  size_t len = strnlen(tmp, n < needed ? n : needed);
  if (len > size - 1) len = size - 1;
  memcpy(buf, tmp, len);
  buf[len] = '\0';
  free(tmp);
  if (type) *type = t;
  return true;
}

bool HardwareCaps::readGpuRegistryData(GpuRecord* r) {
  if (!r) return false;
  const char* at = strstr(r->deviceKey, "System");
  if (!at) at = strstr(r->deviceKey, "SYSTEM");
  if (!at) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExA(g_registryRoot, at, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;

  // The BIOS string may be UTF-16: keep every non-zero byte.
  unsigned char bios[257];
  DWORD n = 256;
  memset(bios, 0, sizeof(bios));
  if (RegQueryValueExA(key, "HardwareInformation.BiosString", nullptr, nullptr, bios, &n) ==
      ERROR_SUCCESS) {
    size_t used = strnlen(r->biosString, sizeof(r->biosString) - 1);
    for (DWORD i = 0; i < n && i < 256 && used < 255; ++i)
      if (bios[i]) r->biosString[used++] = static_cast<char>(bios[i]);
    r->biosString[used] = '\0';
  }

  // A 4-byte value, else an 8-byte one, kept in 64 bits: boards of 4 GB
  // and more do not fit 32 bits.
  uint64_t memBytes = 0;
  DWORD size = 4;
  uint32_t mem32 = 0;
  bool memRead = RegQueryValueExA(key, "HardwareInformation.MemorySize", nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(&mem32), &size) == ERROR_SUCCESS;
  if (memRead) {
    memBytes = mem32;
  } else {
    size = 8;
    memRead = RegQueryValueExA(key, "HardwareInformation.MemorySize", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(&memBytes), &size) == ERROR_SUCCESS;
  }
  if (memRead) {
    r->registryMemorySizeMB = static_cast<int>(memBytes >> 20);
    if (r->memorySizeMB == 0) r->memorySizeMB = r->registryMemorySizeMB;
  }

  r->hasRadeonSoftwareEdition = false;
  char text[257];
  if (ReadRegistryText(key, "RadeonSoftwareEdition", text, 256)) {
    r->hasRadeonSoftwareEdition = true;
    copyText(r->radeonSoftwareEdition, 128, text);
  }
  if (ReadRegistryText(key, "DriverVersion", text, 128)) copyText(r->driverVersion, 128, text);
  if (ReadRegistryText(key, "DriverDate", text, 256)) copyText(r->driverDate, 256, text);
  const char* packageValue = r->hasRadeonSoftwareEdition ? "RadeonSoftwareVersion" : "Catalyst_Version";
  if (ReadRegistryText(key, packageValue, text, 256)) copyText(r->driverPackageVersion, 256, text);
  if (ReadRegistryText(key, "ReleaseVersion", text, 256)) copyText(r->releaseVersion, 256, text);

  DWORD type = 0;
  unsigned char adapter[257];
  n = 256;
  memset(adapter, 0, sizeof(adapter));
  if (RegQueryValueExA(key, "HardwareInformation.AdapterString", nullptr, &type, adapter, &n) ==
      ERROR_SUCCESS) {
    if (n > 256) n = 256;
    if (type == REG_BINARY) {
      size_t used = 0;
      for (DWORD i = 0; i < n && used < 255; ++i)
        if (adapter[i]) r->adapterString[used++] = static_cast<char>(adapter[i]);
      r->adapterString[used] = '\0';
    } else if (type == REG_SZ) {
      adapter[n < 256 ? n : 255] = '\0';
      copyText(r->adapterString, 256, reinterpret_cast<char*>(adapter));
    }
  }
  if (ReadRegistryText(key, "OpenGLDriverName", text, 128)) copyText(r->openGLDriverName, 128, text);
  RegCloseKey(key);
  return true;
}

bool HardwareCaps::addOtherVendorGpus() {
  PtrList& gpus = DetectionGpuList();
  for (int s = 0; s < kMaxDisplayDevices && displayDevices[s].deviceIdString[0]; ++s) {
    const DisplayDeviceSlot& slot = displayDevices[s];
    PciIdPieces p = parsePciIdString(slot.deviceIdString);
    if (p.vendor == 0x10DE || p.vendor == 0x1002) continue;  // the vendor back-ends add these
    GpuRecord* r = new GpuRecord();
    if (gpus.append(r) < 0) {
      delete r;
      return true;
    }
    r->listIndex = gpus.count() - 1;
    copyText(r->name, kGpuTextSize, slot.deviceString);
    r->vendorId = p.vendorParsed ? p.vendor : 0;
    r->deviceId = p.deviceParsed ? p.device : 0;
    r->subsysVendorId = p.subsysVendorParsed ? p.subsysVendor : 0;
    r->subsysDeviceId = p.subsysDeviceParsed ? p.subsysDevice : 0;
    uint32_t revision = 0;  // stays 0 without a revision
    readHexDigits(p.revision, strnlen(p.revision, 2), 0, 2, &revision);
    r->revisionId = static_cast<int>(revision);
    r->displaySlot = s;
    copyText(r->deviceIdString, kGpuTextSize, slot.deviceIdString);
    copyText(r->deviceName, kGpuTextSize, slot.deviceName);
    copyText(r->displayDeviceString, kGpuTextSize, slot.deviceString);
    copyText(r->deviceKey, kGpuTextSize, slot.deviceKey);
    FillRecordFromGpuDatabase(r);
    readGpuRegistryData(r);
  }
  return true;
}

bool HardwareCaps::sortGpusByBusId() {
  PtrList& gpus = DetectionGpuList();
  int n = gpus.count();
  if (n == 0) return false;
  if (n == 1) return true;
  // A stable sort by bus id with unknown ids (-1) last: a GPU without a
  // bus id does not keep the others from being sorted.
  GpuRecord** records = new (std::nothrow) GpuRecord*[n];
  if (!records) return false;
  for (int i = 0; i < n; ++i) records[i] = static_cast<GpuRecord*>(gpus.itemAt(i));
  auto before = [](const GpuRecord* a, const GpuRecord* b) {
    if (a->busId == -1) return false;
    if (b->busId == -1) return true;
    return a->busId < b->busId;
  };
  for (int i = 1; i < n; ++i) {  // insertion sort keeps equal keys in order
    GpuRecord* r = records[i];
    int j = i - 1;
    while (j >= 0 && before(r, records[j])) {
      records[j + 1] = records[j];
      --j;
    }
    records[j + 1] = r;
  }
  gpus.clear();
  for (int i = 0; i < n; ++i) gpus.append(records[i]);
  delete[] records;
  return true;
}

bool HardwareCaps::clearGpuList() {
  PtrList& gpus = DetectionGpuList();
  for (int i = 0; i < gpus.count(); ++i) delete static_cast<GpuRecord*>(gpus.itemAt(i));
  gpus.clear();
  return true;
}

bool HardwareCaps::getFeatureFlag(int i) const {
  if (i < 0 || i >= kFeatureFlagCount) return false;
  return featureFlags[i] != 0;
}

void HardwareCaps::setFeatureFlag(int i, bool value) {
  if (i < 0 || i >= kFeatureFlagCount) return;
  featureFlags[i] = value ? 1 : 0;
}

bool HardwareCaps::isGLVersionAtLeast(int major, int minor) const {
  if (major < glMajor) return true;
  if (major > glMajor) return false;
  return glMinor >= minor;
}

bool HardwareCaps::isExtensionSupported(const char* name) const {
  if (!name) return false;
  for (int i = 0; i < extensions.count(); ++i) {
    const char* e = static_cast<const char*>(extensions.itemAt(i));
    if (e && strncmp(e, name, 127) == 0) return true;
  }
  return false;
}
