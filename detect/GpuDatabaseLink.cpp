// Ties the GPU records to the built-in GPU database.
#include <cstring>

#include "detect/HardwareCaps.h"

int HardwareCaps::findGpuDatabaseRow(const GpuRecord*) const { return kNoGpuDatabaseRow; }

void FillRecordFromGpuDatabase(GpuRecord*) {}

int GpuDatabaseValue(const GpuRecord*, GpuDbColumn) { return 0; }

int GpuDatabaseShaderCores(const GpuRecord*, const char*) { return 0; }
