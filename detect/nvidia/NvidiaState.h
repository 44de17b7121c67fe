// What the NVIDIA back-end keeps in the hardware object and in each of its
// GPU records. Plain data: records and the hardware object are zero-filled
// when they are made.
#pragma once

const int kNvMaxGpuHandles = 64;
const int kNvMaxDisplays = 128;
const int kNvPstateTableSize = 16;
const int kNvArchTextSize = 16;
const int kNvDriverTextSize = 128;
const int kNvCplTextSize = 256;

// One row of a record's performance-state table.
struct NvidiaPstateRow {
  int pstateId;
  float gpuClockMHz;
  float memoryClockMHz;
  float processorClockMHz;
  float coreVolts;
};

// Per-GPU data of an NVIDIA record (kind 1).
struct NvidiaGpuData {
  void* physicalGpu;  // driver handle of the physical GPU
  void* display;      // first display driven by it, null if none
  unsigned rawDeviceId;     // vendor id low 16 bits, device id high 16 bits
  unsigned rawSubsystemId;  // subsystem vendor low, subsystem device high
  unsigned rawRevisionId;
  unsigned rawExtDeviceId;
  unsigned rawArch[4];  // version, architecture, implementation, revision
  char architecture[kNvArchTextSize];
  char chip[kNvArchTextSize];
  char revision[kNvArchTextSize];
  unsigned memorySizeKB;
  char vbiosVersion[64];
  char driverAdapter[kNvDriverTextSize];
  char driverBranch[kNvDriverTextSize];
  int driverVersion;  // x 100
  char driverVersionText[32];  // "R472.13"
  int numPstates;
  NvidiaPstateRow pstates[kNvPstateTableSize];
  int activeAppCount;  // entries of the last running-application query
};

// Back-end state kept in the hardware object.
struct NvidiaCapsState {
  int physicalGpuCount;
  int logicalGpuCount;
  int displayCount;
  int driverVersion;  // driver version x 100
  char driverBranch[kNvDriverTextSize];
  char driverAdapter[kNvDriverTextSize];
  void* physicalGpus[kNvMaxGpuHandles];
  void* logicalGpus[kNvMaxGpuHandles];
  void* displays[kNvMaxDisplays];
  void* gpuHandle[kNvMaxGpuHandles];      // per physical GPU, enumeration order
  unsigned gpuMemoryKB[kNvMaxGpuHandles];  // physical frame buffer in KB

  // Control-panel library and what it told.
  void* controlPanelLibrary;  // the control-panel library, when loaded
  int cplThermal[3];          // core, ambient, upper limit
  char cplDisplayText[kNvCplTextSize];
  char cplDriverVersion[kNvCplTextSize];
  int cplDisplayValue;
  int cplData1;
  int cplData3;
  int cplVideoMemoryMB;  // data id 2
  int cplGpuCount;       // data id 7, at least 1
  int cplSliGpuCount;    // data id 8, -1 read as 0
  int cplSliMode;        // 0 none, 1, 3, 4 or 5
};
