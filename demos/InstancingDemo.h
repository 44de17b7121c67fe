// The geometry instancing demo (slot 16).
#pragma once
#include <windows.h>

DWORD WINAPI InstancingDemoThread(void* slot);
// Draw calls of one frame's belt with that many instances per batch.
int InstancingBatchCount(int batchSize);
// Draw calls of the belt in the last frame drawn (0 without instancing).
int InstancingRenderCalls();
