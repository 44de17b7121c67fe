// AMD back-end of the hardware object. Without the AMD display library
// every query answers its failure value.
#include "detect/HardwareCaps.h"

bool HardwareCaps::ATI_Init() { return false; }
bool HardwareCaps::AMD_AGS_Run() { return false; }
bool HardwareCaps::bindADL() { return false; }
bool HardwareCaps::unbindADL() { return false; }
bool HardwareCaps::releaseADL() { return false; }
bool HardwareCaps::readAmdPower(GpuRecord*) { return false; }
bool HardwareCaps::readAmdActivity(GpuRecord*) { return false; }
bool HardwareCaps::readAmdFanSpeed(GpuRecord*) { return false; }
bool HardwareCaps::readAmdTemperature(GpuRecord*) { return false; }
bool HardwareCaps::AMD_Display_Library_ReadPerfLevels(GpuRecord*, bool) { return false; }
bool HardwareCaps::startAmdPMLog(GpuRecord*, int) { return false; }
bool HardwareCaps::stopAmdPMLog(GpuRecord*) { return false; }
bool HardwareCaps::readAmdPMLogSensors(GpuRecord*) { return false; }
bool HardwareCaps::isAmdPMLogSensorSupported(const GpuRecord*, int) const { return false; }
int HardwareCaps::getAmdPMLogSensorValue(const GpuRecord*, int) const { return 0; }
