// NVIDIA back-end of the hardware object. Without the NVIDIA driver
// library every query answers its failure value.
#include "detect/HardwareCaps.h"

void HardwareCaps::NVAPI_Init() {}
bool HardwareCaps::NVIDIA_ControlPanelData_Read() { return false; }
int HardwareCaps::getNvidiaPhysicalGpuCount() const { return nv.physicalGpuCount; }
int HardwareCaps::getNvidiaLogicalGpuCount() const { return nv.logicalGpuCount; }
int HardwareCaps::getNvidiaGpuMemoryKB(int) { return 0; }
int HardwareCaps::getNvidiaCoreCount(int) { return 0; }
bool HardwareCaps::getNvidiaRamMaker(int, char*) { return false; }
bool HardwareCaps::NVAPI_GetClockFrequencies(int, int, float*, float*) { return false; }
bool HardwareCaps::NVAPI_GetCurPerformanceState20(int, int* pstate, float*, float*, float*, float*) {
  if (pstate) *pstate = -1;
  return false;
}
bool HardwareCaps::readNvidiaCurrentClocks(int, int*, float*, float*, float*, float*) { return false; }
bool HardwareCaps::readNvidiaPerfLevel(int, int, int*, float*, float*, float*, float*) { return false; }
bool HardwareCaps::readNvidiaCoreVoltage(int, float*) { return false; }
bool HardwareCaps::readNvidiaCoreVoltageFromStatus(int, float*) { return false; }
bool HardwareCaps::NVAPI_GpuInfo_GetAllPerformanceStates(GpuRecord*) { return false; }
bool HardwareCaps::getNvidiaArchInfo(GpuRecord*) { return false; }
bool HardwareCaps::readNvidiaThermalSettings(GpuRecord*) { return false; }
bool HardwareCaps::readNvidiaFanSpeed(GpuRecord*) { return false; }
bool HardwareCaps::readNvidiaCoolerStatus(GpuRecord*) { return false; }
bool HardwareCaps::readNvidiaGpuUsages(GpuRecord*) { return false; }
bool HardwareCaps::readNvidiaPowerChannels(int, float*, float*) { return false; }
bool HardwareCaps::readNvidiaPowerPolicies(int, float*, float*, float*, float*, float*, float*) {
  return false;
}
bool HardwareCaps::readNvidiaPowerLimits(int, float*, float*) { return false; }
int HardwareCaps::readNvidiaActiveApps(GpuRecord*) { return 0; }
int HardwareCaps::getNvidiaActiveAppPid(const GpuRecord*, int) const { return 0; }
const char* HardwareCaps::getNvidiaActiveAppName(const GpuRecord*, int) const { return nullptr; }
void HardwareCaps::releaseNvidia() {}
