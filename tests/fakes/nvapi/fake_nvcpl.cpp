// Stand-in for the NVIDIA control-panel library.
#include <windows.h>

#include <cstring>

#include "detect/nvidia/NvapiTypes.h"

namespace {
int g_scenario = 0;
int g_dataCalls[16] = {};
}  // namespace

extern "C" {

__declspec(dllexport) void FakeNvcplSetScenario(int scenario) {
  g_scenario = scenario;
  memset(g_dataCalls, 0, sizeof(g_dataCalls));
}

__declspec(dllexport) int FakeNvcplDataIntCalls(long id) {
  return (id >= 0 && id < 16) ? g_dataCalls[id] : 0;
}

__declspec(dllexport) BOOL WINAPI NvCplGetThermalSettings(unsigned display, unsigned long* core,
                                                          unsigned long* ambient,
                                                          unsigned long* upper) {
  if (display != 0 || !core || !ambient || !upper) return FALSE;
  *core = 55;
  *ambient = 30;
  *upper = 95;
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI NvGetDisplayInfo(const char* display, NvCplDisplayInfo* info) {
  if (!display || strcmp(display, "0") != 0 || !info || info->size != sizeof(NvCplDisplayInfo) ||
      info->word1 != -1 || info->word3 != -1)
    return FALSE;
  if (g_scenario == 2) {
    memset(info->displayText, 'D', sizeof(info->displayText));
    memset(info->driverVersion, 'V', sizeof(info->driverVersion));
    return TRUE;
  }
  strcpy(info->driverVersion, g_scenario == 1 ? "471.00" : "472.15");
  if (g_scenario == 1) return FALSE;  // fails, but leaves the version text
  strcpy(info->displayText, "FakeForce Display");
  info->flags = kNvCplMonitorValueValid;
  info->monitorValue = 1920;
  return TRUE;
}

__declspec(dllexport) BOOL __cdecl NvCplGetDataInt(long id, long* value) {
  if (id >= 0 && id < 16) ++g_dataCalls[id];
  if (!value) return FALSE;
  const bool single = g_scenario == 1;
  switch (id) {
    case 1: *value = 11; return TRUE;
    case 2: *value = 4096; return TRUE;
    case 3: *value = 33; return TRUE;
    case 7: *value = single ? 0 : 2; return TRUE;
    case 8: *value = single ? -1 : 2; return TRUE;
    case 9: *value = 0x10000002; return TRUE;
    default: return FALSE;
  }
}

}  // extern "C"
