// Helpers of the AMD back-end that other parts of the detection library and
// the tests reach.
#pragma once
#include "detect/GpuRecord.h"
#include "detect/amd/AdlTypes.h"

// The allocation callback handed to the display library: a plain heap
// allocation, freed with free().
void* ADL_CALL adlMemoryAlloc(int size);

// Row j of an AMD record's performance-level table; false for a record
// without a table or a row past its end (out untouched).
bool AmdPerfLevelAt(const GpuRecord* record, int j, AmdPerfLevel* out);

// The most performance levels kept per GPU.
const int kAmdMaxPerfLevels = 64;
