// What the AMD back-end keeps in the hardware object and in each of its GPU
// records.
#pragma once

// Per-GPU data of an AMD record (kind 2).
struct AmdGpuData {
  void* pmLogDevice;  // performance-log device, while the log runs
};

// Back-end state kept in the hardware object.
struct AmdCapsState {
  int amdGpuCount;
  int crossFireGpuCount;
  void* adlLibrary;
};
