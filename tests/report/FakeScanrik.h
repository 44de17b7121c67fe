// A detection facade for report tests: the facade's methods that the report
// calls, answering from a scenario instead of the machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct FakePerfLevel {
  bool ok;
  int id;
  float gpu, memory, volts;
};

struct FakeGpu {
  const char* name = nullptr;
  const char* codename = nullptr;
  const char* brand = nullptr;
  const char* memoryType = nullptr;
  const char* bios = nullptr;
  const char* driver = nullptr;
  const char* package = nullptr;
  const char* edition = nullptr;
  bool hasEdition = false;
  bool idsOk = true;
  int vendor = 0, device = 0, subVendor = 0, subDevice = 0, revision = 0;
  int bus = 0, shaders = 0, tmus = 0, rops = 0, tdp = 0, memoryMB = 0, busWidth = 0;
  float baseClock = 0, boostClock = 0, powerTarget = 0, minTarget = 0, maxTarget = 0;
  std::vector<FakePerfLevel> levels;
  bool powerTuneOk = false;
  int powerTune[4] = {-1000, -1000, -1000, -1000};
};

struct FakeCap {
  int kind;
  const char* name;
  const char* section;
  int value;
  int indexed[3];
  int64_t value64;
  float floatValue;
};

struct FakeFacade {
  bool driverDetected = true;
  const char* cpuName = "Test CPU @ 3.00GHz";
  int logicalCores = 8, family = 6, model = 10, stepping = 5;
  int installedMB = 16384, totalKB = 0;
  const char* osName = "Windows 10 64-bit build 19045";
  bool physXOnGpu = false;
  int desktop[4] = {1920, 1080, 60, 32};
  const char* driverSummary = nullptr;
  const char* driverVersion = nullptr;
  int nvidiaVersion = 0;
  const char* nvidiaBranch = nullptr;
  const char* primaryBios = nullptr;
  int primaryMemoryMB = 0;
  std::vector<FakeGpu> gpus;
  const char* glVendor = "Test Vendor";
  const char* glRenderer = "Test Renderer";
  const char* glVersion = "4.6.0";
  const char* glslVersion = "4.60";
  int texUnits = 4, vertexTexUnits = 32, pixelTexUnits = 32, geometryTexUnits = 32, texSize = 32768;
  float anisotropy = 16.0f, pointSize = 2047.0f;
  int lights = 8, viewport = 32768, vertexUniforms = 4096, fragmentUniforms = 4096,
      geometryUniforms = 2048, varyingFloats = 124, drawBuffers = 8;
  std::vector<int> features;
  std::vector<int> msaa;
  std::vector<const char*> extensions;
  int glExtensions = 0, wglExtensions = 0;
  std::vector<const char*> spirv;
  std::vector<FakeCap> caps;
};

extern FakeFacade g_fake;
