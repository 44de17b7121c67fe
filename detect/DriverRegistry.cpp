// Driver facts of the primary display device, read from the registry.
#include <cstdio>
#include <cstring>

#include "detect/HardwareCaps.h"

namespace {

const char kClassKey[] = "SYSTEM\\ControlSet001\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}";

// A text value into dest (at most 255 characters, always terminated).
bool readText(HKEY key, const char* value, char* dest) {
  return ReadRegistryText(key, value, dest, kCapsTextSize);
}

// Drivers store these as UTF-16 bytes: keep every non-zero byte.
bool readByteText(HKEY key, const char* value, char* dest) {
  unsigned char buf[512];
  DWORD n = sizeof(buf);
  if (RegQueryValueExA(key, value, nullptr, nullptr, buf, &n) != ERROR_SUCCESS) return false;
  size_t used = 0;
  for (DWORD i = 0; i < n && i < sizeof(buf) && used < 255; ++i)
    if (buf[i]) dest[used++] = static_cast<char>(buf[i]);
  dest[used] = '\0';
  return true;
}

void readHardwareStrings(HKEY key, HardwareCaps& c) {
  readByteText(key, "HardwareInformation.AdapterString", c.adapterString);
  readByteText(key, "HardwareInformation.BiosString", c.biosString);
  readByteText(key, "HardwareInformation.ChipType", c.chipType);
  readByteText(key, "HardwareInformation.DacType", c.dacType);
}

// The memory size in bytes, 4- or 8-byte value, kept whole: 4 GB and more
// do not fit 32 bits.
void readMemorySize(HKEY key, HardwareCaps& c, bool allowEightBytes) {
  uint32_t v32 = 0;
  DWORD n = 4;
  if (RegQueryValueExA(key, "HardwareInformation.MemorySize", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&v32), &n) == ERROR_SUCCESS && n == 4) {
    c.registryMemoryBytes = v32;
    return;
  }
  if (!allowEightBytes) return;
  uint64_t v64 = 0;
  n = 8;
  if (RegQueryValueExA(key, "HardwareInformation.MemorySize", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&v64), &n) == ERROR_SUCCESS && n == 8)
    c.registryMemoryBytes = v64;
}

// The registry path of the primary display device's key (from "System"
// on), found by walking the display devices; false when none has one.
bool primaryDeviceKeyPath(char* path, size_t size) {
  DISPLAY_DEVICEA dd;
  for (DWORD i = 0;; ++i) {
    memset(&dd, 0, sizeof(dd));
    dd.cb = sizeof(dd);
    if (!DisplayDeviceSource()(nullptr, i, &dd, 0)) return false;
    if (!(dd.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE)) continue;
    dd.DeviceKey[sizeof(dd.DeviceKey) - 1] = '\0';
    const char* at = strstr(dd.DeviceKey, "System");
    if (!at) continue;
    snprintf(path, size, "%s", at);
    return true;
  }
}

// The first adapter class key 0..last whose MatchingDeviceId has the
// primary ids; null when none.
HKEY openMatchingClassKey(const HardwareCaps& c, int last) {
  for (int i = 0; i <= last; ++i) {
    char path[256];
    snprintf(path, sizeof(path), "%s\\000%d", kClassKey, i);
    HKEY key = nullptr;
    if (RegOpenKeyExA(DetectionRegistryRoot(), path, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    char match[257];
    if (readText(key, "MatchingDeviceId", match)) {
      // The same fixed positions as a PCI id string, case as the driver wrote it.
      char upper[257];
      size_t n = strnlen(match, 256);
      for (size_t k = 0; k <= n; ++k)
        upper[k] = (match[k] >= 'a' && match[k] <= 'z') ? static_cast<char>(match[k] - 32) : match[k];
      PciIdPieces p = parsePciIdString(upper);
      if (p.vendorParsed && p.deviceParsed && p.vendor == c.primaryVendorId &&
          p.device == c.primaryDeviceId)
        return key;
    }
    RegCloseKey(key);
  }
  return nullptr;
}

}  // namespace

bool HardwareCaps::initGraphicsControllerData() {
  copyText(driverVersion, kCapsTextSize, "Unknown version");
  registryMemoryBytes = 0;
  OSVERSIONINFOA vi;
  memset(&vi, 0, sizeof(vi));
  vi.dwOSVersionInfoSize = sizeof(vi);
  GetVersionExA(&vi);
  if (vi.dwPlatformId != VER_PLATFORM_WIN32_NT) return false;
  return vi.dwMajorVersion >= 6 ? readDriverRegistryDataNT6() : readDriverRegistryDataLegacy();
}

bool HardwareCaps::readDriverRegistryDataNT6() {
  char path[512];
  HKEY key = nullptr;
  if (primaryDeviceKeyPath(path, sizeof(path)))
    RegOpenKeyExA(DetectionRegistryRoot(), path, 0, KEY_READ, &key);
  if (!key) key = openMatchingClassKey(*this, 3);
  if (!key) return false;
  readText(key, "OpenGLDriverName", openGLDriverName);
  readText(key, "Device Description", deviceDescription);
  if (vendorKind == kVendorAmd) {
    readText(key, "Catalyst_Version", catalystVersion);
    readText(key, "ReleaseVersion", releaseVersion);
  }
  readHardwareStrings(key, *this);
  readMemorySize(key, *this, true);
  readText(key, "DriverVersion", driverVersion);
  readText(key, "DriverDesc", driverDesc);
  readText(key, "DriverDate", driverDate);
  RegCloseKey(key);
  return true;
}

bool HardwareCaps::readDriverRegistryDataLegacy() {
  char path[512] = "";
  if (!primaryDeviceKeyPath(path, sizeof(path))) {
    HKEY map = nullptr;
    if (RegOpenKeyExA(DetectionRegistryRoot(), "HARDWARE\\DEVICEMAP\\VIDEO", 0, KEY_READ, &map) !=
        ERROR_SUCCESS)
      return false;
    char video[513];
    bool ok = readText(map, "\\Device\\Video0", video);
    RegCloseKey(map);
    const char* open = ok ? strchr(video, '{') : nullptr;
    const char* close = open ? strchr(open, '}') : nullptr;
    if (!open || !close || close - open - 1 > 255) return false;
    snprintf(path, sizeof(path), "SYSTEM\\ControlSet001\\Control\\Video\\{%.*s}\\0000",
             static_cast<int>(close - open - 1), open + 1);
  }
  HKEY key = nullptr;
  if (path[0] && RegOpenKeyExA(DetectionRegistryRoot(), path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    readText(key, "Device Description", deviceDescription);
    readText(key, "Catalyst_Version", catalystVersion);
    readText(key, "ReleaseVersion", releaseVersion);
    readHardwareStrings(key, *this);
    readMemorySize(key, *this, false);
    DWORD swap = 0, n = 4;
    if (RegQueryValueExA(key, "OGL_DefaultSwapInterval", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&swap), &n) == ERROR_SUCCESS)
      defaultSwapInterval = static_cast<int>(swap);
    RegCloseKey(key);
  }
  HKEY cls = openMatchingClassKey(*this, 4);
  if (cls) {
    readText(cls, "DriverVersion", driverVersion);
    readText(cls, "DriverDesc", driverDesc);
    readText(cls, "DriverDate", driverDate);
    RegCloseKey(cls);
  }
  return true;
}
