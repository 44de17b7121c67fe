// The result row every built-in demo run offers to "bench_result.csv".
#pragma once
#include <string>

#include "demos/DemoSlot.h"

// The facts of one row; built from the slot, the settings and the devices.
struct BenchmarkRow {
  std::string renderer;
  std::string driver;
  bool hasClDevice;
  std::string clName;
  bool clCpu;
  int clComputeUnits;
  int clClockMhz;
  std::string clDriver;
  std::string testName;
  int msaa;
  int width;
  int height;
  bool glInterop;
  bool nativeSin;
  bool explicitWorkgroupSize;
  bool localMemory;
  unsigned averageFps;
  unsigned minFps;
  unsigned maxFps;
};

// The CSV header line and one row, each without its line end.
std::string BenchmarkHeaderLine();
std::string FormatBenchmarkRow(const BenchmarkRow& row);
// Appends a row to the file, writing the header first when the file is new;
// false when it cannot be written.
bool AppendBenchmarkRow(const char* path, const BenchmarkRow& row);

// Writes the row of a finished run when result logging is on.
void WriteBenchmarkResult(DemoSlot* slot, const char* testName);
