// A detection facade for the GPU, Tools and OpenGL tab tests: every method
// the tabs call, answering from a scenario instead of the machine.
#pragma once
#include <map>
#include <string>
#include <vector>

struct FakeLevel {
  int id;
  float gpu, memory;
};

struct FakeBoard {
  std::string name, display, codename, bios, driver, package, edition, memoryType, ramMaker, asic;
  bool hasName = true, hasCodename = true, hasBios = true, hasMemoryType = true;
  int vendor = 0, device = 0, subVendor = 0, subDevice = 0, bus = 0;
  int shaders = 0, vertexShaders = 0, pixelShaders = 0, tmus = -1, rops = -1, tdp = 0;
  int rtCores = 0, tensorCores = 0, memoryMB = 0, busWidth = 0, computeUnits = 0, wgps = 0;
  bool sensors = true;
  // Sensors: a query answers false when its "ok" flag is clear.
  bool temperatureOk = false;
  float temperature = 0;
  bool coolerOk = false;
  int coolerRpm = 0, coolerLevel = 0;
  bool fanOk = false;
  int fanPercent = -1, fanRpm = -1;
  bool usageOk = false;
  int usage = 0;
  bool pstateOk = false;
  int pstate = -1;
  float pstateGpu = 0, pstateMemory = 0, pstateVolts = 0;
  std::vector<FakeLevel> levels;
  float clocks[3][2] = {{0, 0}, {0, 0}, {0, 0}};  // current, base, boost
  float volts = 0;
  float powerUsage = 0, powerTarget = 0;
  int overdrive = 0;
  bool ratedOk = false;
  int ratedCore = 0, ratedMemory = 0;
  bool pmLogOk = false;
  std::map<int, unsigned> pmLog;  // supported sensors and their values
  bool powerTuneOk = false;
  int powerTune[4] = {-1000, -1000, -1000, -1000};
  float socWatts = -1, asicWatts = -1;
};

struct FakeScene {
  bool driverDetected = true;
  bool physXOnGpu = false;
  std::string glVendor = "Test Vendor", glRenderer = "Test Renderer";
  bool hasVendor = true, hasRenderer = true;
  // The OpenGL memory queries, in kilobytes.
  int nvxTotalKB = 0, nvxCurrentKB = 0, amdTotalKB = 0, amdUsedKB = 0;
  int glMajor = 4, glMinor = 6, glExtensions = 400;
  std::string nvidiaBranch = "r466_00", driverVersion = "27.21.14.6689", driverDate = "3-15-2021";
  std::string driverSummary = "Test driver";
  int nvidiaVersion = 46689;
  std::string primaryName = "Primary GPU";
  std::vector<FakeBoard> gpus;
};

extern FakeScene g_scene;

struct FakeSystem {
  std::string cpuName = "Test CPU @ 3.00GHz", osName = "Windows 10 64-bit build 19045";
  int installedMB = 16384, totalKB = 0, cpuMHz = 3000, logicalCores = 8;
  int desktop[4] = {1920, 1080, 60, 32};
};
extern FakeSystem g_system;
