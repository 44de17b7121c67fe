// What the NVIDIA back-end keeps in the hardware object and in each of its
// GPU records.
#pragma once

// Per-GPU data of an NVIDIA record (kind 1).
struct NvidiaGpuData {
  void* physicalGpu;  // driver handle of the physical GPU
  void* display;      // first display driven by it, null if none
};

// Back-end state kept in the hardware object.
struct NvidiaCapsState {
  int physicalGpuCount;
  int logicalGpuCount;
  int driverVersion;  // driver version x 100
  char driverBranch[128];
  void* controlPanelLibrary;  // the control-panel library, when loaded
};
