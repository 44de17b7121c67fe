// A display-device list for the detection's display seam.
#pragma once
#include <windows.h>

#include <cstring>
#include <vector>

#include "detect/HardwareCaps.h"

struct FakeDisplay {
  const char* id;
  const char* name;
  const char* text;
  const char* key;
};

class FakeDisplays {
 public:
  explicit FakeDisplays(std::vector<FakeDisplay> devices) {
    s_devices = std::move(devices);
    SetDisplayDeviceSource(enumerate);
  }
  ~FakeDisplays() {
    SetDisplayDeviceSource(nullptr);
    s_devices.clear();
  }

 private:
  static BOOL WINAPI enumerate(LPCSTR, DWORD index, PDISPLAY_DEVICEA dd, DWORD) {
    if (index >= s_devices.size()) return FALSE;
    const FakeDisplay& d = s_devices[index];
    copy(dd->DeviceID, sizeof(dd->DeviceID), d.id);
    copy(dd->DeviceName, sizeof(dd->DeviceName), d.name);
    copy(dd->DeviceString, sizeof(dd->DeviceString), d.text);
    copy(dd->DeviceKey, sizeof(dd->DeviceKey), d.key);
    dd->StateFlags = index == 0 ? DISPLAY_DEVICE_PRIMARY_DEVICE : 0;
    return TRUE;
  }
  static void copy(char* dst, size_t size, const char* src) {
    strncpy(dst, src ? src : "", size - 1);
    dst[size - 1] = '\0';
  }
  static std::vector<FakeDisplay> s_devices;
};

inline std::vector<FakeDisplay> FakeDisplays::s_devices;
