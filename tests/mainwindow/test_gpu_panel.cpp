// The GPU and Tools tabs and the OpenGL tab's memory line from quorvel.exe's
// own templates, filled from a scenario-fed detection facade; and the
// hyperlink statics of the Tools tab.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>

#include "FakeFacade.h"
#include "app/AppState.h"
#include "app/CudaInfo.h"
#include "app/LinkControl.h"
#include "app/MainWindow.h"
#include "app/OpenClInfo.h"
#include "app/Panels.h"
#include "resources/resource.h"
#include "tests/common/FakeOpenCl.h"

namespace {

// A panel template of the program inside a hidden top-level window.
class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAppState();
    ResetGpuPanelState();
    ResetToolsPanelForTests();
    g_scene = FakeScene();
    g_system = FakeSystem();
    program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    g_app.instance = program;
    host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 600, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, host);
  }
  void TearDown() override {
    if (panel) DestroyWindow(panel);
    if (host) DestroyWindow(host);
    if (program) FreeLibrary(program);
    g_app.cudaDevices = nullptr;
    g_app.cudaDeviceCount = 0;
    g_app.clPlatforms = nullptr;
    g_app.clPlatformCount = 0;
  }
  void open(int dialog, DLGPROC proc) {
    g_app.gpuCount = static_cast<unsigned>(g_scene.gpus.size());
    panel = CreateDialogParamA(program, MAKEINTRESOURCEA(dialog), host, proc, 0);
    ASSERT_NE(nullptr, panel);
  }
  void openGpu() { open(IDD_PANEL_GPU, GpuPanelProc); }
  std::string text(int id) {
    char buf[512] = "";
    GetDlgItemTextA(panel, id, buf, sizeof(buf));
    return buf;
  }
  bool on(int id) { return IsWindowEnabled(GetDlgItem(panel, id)) != FALSE; }

  HMODULE program = nullptr;
  HWND host = nullptr;
  HWND panel = nullptr;
};

FakeBoard nvidiaBoard() {
  FakeBoard b;
  b.name = "NVIDIA GeForce RTX 3090";
  b.display = "NVIDIA GeForce RTX 3090";
  b.codename = "GA102";
  b.bios = "94.02.42.00.A9";
  b.vendor = 0x10DE;
  b.device = 0x2204;
  b.subVendor = 0x1043;
  b.subDevice = 0x87B3;
  b.bus = 1;
  b.shaders = 10496;
  b.tmus = 328;
  b.rops = 112;
  b.rtCores = 82;
  b.tensorCores = 328;
  b.tdp = 350;
  b.memoryMB = 24576;
  b.memoryType = "GDDR6X";
  b.busWidth = 384;
  b.ramMaker = "Micron";
  b.temperatureOk = true;
  b.temperature = 45.0f;
  b.coolerOk = true;
  b.coolerRpm = 1200;
  b.coolerLevel = 40;
  b.usageOk = true;
  b.usage = 12;
  b.clocks[0][0] = 1395;
  b.clocks[0][1] = 9751;
  b.clocks[1][0] = 1395;
  b.clocks[1][1] = 9751;
  b.clocks[2][0] = 1695;
  b.clocks[2][1] = 9751;
  b.volts = 0.85f;
  b.powerUsage = 45.5f;
  b.powerTarget = 100.0f;
  return b;
}

FakeBoard amdBoard() {
  FakeBoard b;
  b.name = "AMD Radeon RX 6800 XT";
  b.display = "AMD Radeon RX 6800 XT";
  b.codename = "Navi 21";
  b.vendor = 0x1002;
  b.device = 0x73BF;
  b.subVendor = 0x1002;
  b.subDevice = 0x0E3A;
  b.shaders = 4608;
  b.tmus = 288;
  b.rops = 128;
  b.memoryMB = 16384;
  b.asic = "Navi21";
  b.computeUnits = 72;
  b.wgps = 36;
  b.package = "21.3.1";
  b.edition = "Adrenalin";
  b.levels = {{0, 500, 100}, {2, 2250, 1000}, {1, 1200, 1000}};
  b.pstateOk = true;
  b.pstate = 2;
  b.pstateGpu = 800;
  b.pstateMemory = 900;
  b.pstateVolts = 1.2f;
  return b;
}

TEST_F(PanelTest, NvidiaGpuFields) {
  g_scene.gpus = {nvidiaBoard()};
  g_scene.physXOnGpu = true;
  g_scene.glRenderer = "NVIDIA GeForce RTX 3090/PCIe/SSE2";
  g_app.physxVersion = 9210;
  CudaDeviceInfo cuda = {};
  snprintf(cuda.name, sizeof(cuda.name), "NVIDIA GeForce RTX 3090");
  cuda.pciBusId = 1;
  cuda.computeCapabilityMajor = 8;
  cuda.computeCapabilityMinor = 6;
  cuda.multiprocessorCount = 82;
  cuda.clockRateKhz = 1695000;
  g_app.cudaDevices = &cuda;
  g_app.cudaDeviceCount = 1;
  OpenClPlatformInfo platform;
  OpenClDeviceInfo devices[2];
  devices[0].deviceType = 2;
  devices[1].deviceType = 4;
  devices[1].vendorId = 0x10DE;
  devices[1].pciBus = 1;
  snprintf(devices[1].version, sizeof(devices[1].version), "OpenCL 3.0 CUDA");
  snprintf(devices[1].name, sizeof(devices[1].name), "NVIDIA GeForce RTX 3090");
  devices[1].computeUnits = 82;
  devices[1].maxClockMhz = 1695;
  platform.devices = devices;
  platform.deviceCount = 2;
  g_app.clPlatforms = &platform;
  g_app.clPlatformCount = 1;
  openGpu();
  platform.devices = nullptr;
  platform.deviceCount = 0;

  const struct {
    int id;
    const char* text;
    bool enabled;
  } fields[] = {
      {IDC_GPU_LIST, "GPU 1: NVIDIA GeForce RTX 3090", true},
      {IDC_GPU_DRIVER, "R466.89 (r466_00) / 27.21.14.6689 (3-15-2021)", true},
      {IDC_GPU_MEMORY, "24576 MB GDDR6X (Micron), bus width: 384-bit", true},
      {IDC_GPU_CODENAME, "GA102", true},
      {IDC_GPU_BIOS, "94.02.42.00.A9", true},
      {IDC_GPU_DEVICE_ID, "10DE-2204", true},
      {IDC_GPU_SUBVENDOR, "ASUS (1043-87B3)", true},
      {IDC_GPU_CORE_CONFIG, "cores: 10496 - TMUs: 328 - ROPs: 112", true},
      {IDC_GPU_EXTRA_CONFIG, "RT cores: 82 - Tensor cores: 328", true},
      {IDC_GPU_TDP, "350 W", true},
      {IDC_GPU_PHYSX, "PhysX 9210, GPU PhysX: NVIDIA GeForce RTX 3090", true},
      {IDC_GPU_OPENGL, "OpenGL 4.6 (400 ext) - NVIDIA GeForce RTX 3090/PCIe/SSE2", true},
      {IDC_GPU_OPENCL, "OpenCL 3.0 - NVIDIA GeForce RTX 3090 - CUs:82@1695MHz", true},
      {IDC_GPU_CUDA, "NVIDIA GeForce RTX 3090 - CC:8.6 - SMs:82@1695MHz", true},
      {IDC_GPU_VULKAN, "no Vulkan support", false},
      {IDC_GPU_TEMPERATURE, "45.0\xB0" "C / 113.0\xB0" "F", true},
      {IDC_GPU_FAN, "40 % / 1200 RPM", true},
      {IDC_GPU_LOAD, "12.0 %", true},
      {IDC_GPU_CURRENT_CLOCK, "core: 1395 MHz, mem: 9751 MHz", true},
      {IDC_GPU_MAX_CLOCK, "base: 1395 MHz, boost: 1695 MHz, mem: 9751 MHz", true},
      {IDC_GPU_FILLRATE_LABEL, "Fillrate (max)", true},
      {IDC_GPU_FILLRATE, "Texture: 556.0 GTexel/s - Pixel: 189.8 GPixel/s", true},
      {IDC_GPU_VDDC, "0.850 V", true},
      {IDC_GPU_POWER, "current: 45.5 % TDP, target: 100.0 % TDP", true},
  };
  for (const auto& f : fields) {
    EXPECT_EQ(f.text, text(f.id)) << "control " << f.id;
    EXPECT_EQ(f.enabled, on(f.id)) << "control " << f.id;
  }
  EXPECT_EQ(0, g_app.selectedGpu);

  // The timer refresh writes the temperature with blanks before the units.
  RefreshGpuPanel(panel, 0);
  EXPECT_EQ("45.0 \xB0" "C / 113.0 \xB0" "F", text(IDC_GPU_TEMPERATURE));
}

// The refresh leaves a field alone only while it shows what the refresh
// would write: a text or an enable state changed behind the tab's back is
// put right by the next refresh, and a new value is shown.
TEST_F(PanelTest, RefreshPutsRightWhatChangedBehindItsBack) {
  g_scene.gpus = {nvidiaBoard()};
  openGpu();
  RefreshGpuPanel(panel, 0);
  const std::string fan = text(IDC_GPU_FAN), temperature = text(IDC_GPU_TEMPERATURE);
  SetDlgItemTextA(panel, IDC_GPU_FAN, "stale");
  // Longer, but starting with the right text.
  SetDlgItemTextA(panel, IDC_GPU_TEMPERATURE, (temperature + " and more").c_str());
  EnableWindow(GetDlgItem(panel, IDC_GPU_LOAD), FALSE);
  EnableWindow(GetDlgItem(panel, IDC_GPU_LOAD_LABEL), FALSE);
  RefreshGpuPanel(panel, 0);
  EXPECT_EQ(fan, text(IDC_GPU_FAN));
  EXPECT_EQ(temperature, text(IDC_GPU_TEMPERATURE));
  EXPECT_TRUE(on(IDC_GPU_LOAD));
  EXPECT_TRUE(on(IDC_GPU_LOAD_LABEL));
  g_scene.gpus[0].temperature = 50.0f;
  g_scene.gpus[0].usageOk = false;
  RefreshGpuPanel(panel, 0);
  EXPECT_EQ("50.0 \xB0" "C / 122.0 \xB0" "F", text(IDC_GPU_TEMPERATURE));
  EXPECT_EQ("", text(IDC_GPU_LOAD));
  EXPECT_FALSE(on(IDC_GPU_LOAD));
  EXPECT_FALSE(on(IDC_GPU_LOAD_LABEL));
}

// Two GPU tabs at once: each refresh writes into the tab it is given.
TEST_F(PanelTest, TwoPanelsEachShowTheirOwnGpu) {
  g_scene.gpus = {nvidiaBoard(), amdBoard()};
  openGpu();
  HWND second = CreateDialogParamA(program, MAKEINTRESOURCEA(IDD_PANEL_GPU), host, GpuPanelProc, 0);
  ASSERT_NE(nullptr, second);
  auto clockOf = [](HWND p) {
    char buf[256] = "";
    GetDlgItemTextA(p, IDC_GPU_CURRENT_CLOCK, buf, sizeof(buf));
    return std::string(buf);
  };
  // Both tabs opened on GPU 0; its clock moves before each round.
  for (int round = 0; round < 2; ++round) {
    g_scene.gpus[0].clocks[0][0] = 1500 + round;
    RefreshGpuPanel(panel, 0);
    RefreshGpuPanel(second, 1);
    EXPECT_EQ("core: " + std::to_string(1500 + round) + " MHz, mem: 9751 MHz", clockOf(panel)) << round;
    EXPECT_EQ("core: 800 MHz, mem: 900 MHz", clockOf(second)) << round;
  }
  DestroyWindow(second);
  RefreshGpuPanel(panel, 1);
  EXPECT_EQ("core: 800 MHz, mem: 900 MHz", clockOf(panel));
}

// Without base and boost clocks the lowest level id and the level maxima
// are shown; without levels, level 100 and zero clocks.
TEST_F(PanelTest, NvidiaWithoutBoostClocks) {
  const struct {
    std::vector<FakeLevel> levels;
    const char* maxClock;
  } cases[] = {
      {{{8, 405, 810}, {0, 1500, 7000}, {5, 900, 5000}}, "P0 - core: 1500 MHz, mem: 7000 MHz"},
      {{}, "P100 - core: 0 MHz, mem: 0 MHz"},
  };
  for (const auto& c : cases) {
    FakeBoard b = nvidiaBoard();
    b.clocks[0][0] = 0;
    b.clocks[1][0] = 0;
    b.clocks[2][0] = 0;
    b.levels = c.levels;
    b.pstateOk = true;
    b.pstate = 8;
    b.pstateGpu = 300;
    b.pstateMemory = 405;
    b.powerTarget = 0;
    g_scene.gpus = {b};
    ResetGpuPanelState();
    openGpu();
    EXPECT_EQ(c.maxClock, text(IDC_GPU_MAX_CLOCK));
    EXPECT_EQ("Pstate 8 - GPU core: 300 MHz, mem: 405 MHz", text(IDC_GPU_CURRENT_CLOCK));
    EXPECT_EQ("", text(IDC_GPU_POWER));
    EXPECT_FALSE(on(IDC_GPU_POWER));
    EXPECT_FALSE(on(IDC_GPU_POWER_LABEL));
    DestroyWindow(panel);
    panel = nullptr;
  }
}

// The performance log fills what it has; the voltage falls back to the
// preset 0 because the clock came from the log (no state query).
TEST_F(PanelTest, AmdPerformanceLog) {
  FakeBoard b = amdBoard();
  b.pmLogOk = true;
  b.pmLog = {{8, 60}, {1, 1800}, {2, 1000}, {14, 1500}, {15, 35}, {19, 42}, {23, 180}};
  g_scene.gpus = {b};
  openGpu();
  RefreshGpuPanel(panel, 0);
  const struct {
    int id;
    const char* text;
    bool enabled;
  } fields[] = {
      {IDC_GPU_DRIVER, "Radeon Adrenalin 21.3.1", true},
      {IDC_GPU_EXTRA_CONFIG, "ASIC: Navi21 - CUs: 72 - WGPs: 36", true},
      {IDC_GPU_CUDA, "No CUDA support", false},
      {IDC_GPU_TEMPERATURE, "60.0 \xB0" "C / 140.0 \xB0" "F", true},
      {IDC_GPU_CURRENT_CLOCK, "core: 1800 MHz, mem: 1000 MHz", true},
      {IDC_GPU_MAX_CLOCK, "core: 2250 MHz, mem: 1000 MHz", true},
      {IDC_GPU_FILLRATE, "Texture: 648.0 GTexel/s - Pixel: 288.0 GPixel/s", true},
      {IDC_GPU_VDDC, "0.000 V", true},
      {IDC_GPU_FAN, "35 % / 1500 RPM", true},
      {IDC_GPU_LOAD, "42.0 %.", true},
      {IDC_GPU_POWER, "ASIC power: 180 W", true},
  };
  for (const auto& f : fields) {
    EXPECT_EQ(f.text, text(f.id)) << "control " << f.id;
    EXPECT_EQ(f.enabled, on(f.id)) << "control " << f.id;
  }
}

TEST_F(PanelTest, AmdOverdriveAndPowerTune) {
  const struct {
    int overdrive;
    bool tuneOk;
    int tune[4];
    const char* maxClock;
    const char* power;
    bool powerOn;
  } cases[] = {
      {8, false, {0, 0, 0, 0}, "core: 2500 MHz, mem: 1750 MHz", "ASIC power: 200 W, SOC power: 15 W", true},
      {7, true, {0, 20, -30, 50}, "core: 2250 MHz, mem: 1000 MHz", "limit: 120 % TDP - min: 70 % TDP - max: 150 % TDP", true},
      {7, true, {0, -1000, -1000, -1000}, "core: 2250 MHz, mem: 1000 MHz", "", true},
      {7, true, {0, -1000, -20, -1000}, "core: 2250 MHz, mem: 1000 MHz", "min: 80 % TDP", true},
      {7, false, {0, 0, 0, 0}, "core: 2250 MHz, mem: 1000 MHz", "", false},
  };
  for (const auto& c : cases) {
    FakeBoard b = amdBoard();
    b.overdrive = c.overdrive;
    b.ratedOk = true;
    b.ratedCore = 2500;
    b.ratedMemory = 1750;
    b.socWatts = 15;
    b.asicWatts = 200;
    b.powerTuneOk = c.tuneOk;
    for (int i = 0; i < 4; ++i) b.powerTune[i] = c.tune[i];
    g_scene.gpus = {b};
    ResetGpuPanelState();
    openGpu();
    EXPECT_EQ(c.maxClock, text(IDC_GPU_MAX_CLOCK)) << c.overdrive;
    EXPECT_EQ(c.power, text(IDC_GPU_POWER)) << c.power;
    EXPECT_EQ(c.powerOn, on(IDC_GPU_POWER)) << c.power;
    // No log: the state query gives the current clock and voltage.
    EXPECT_EQ("core: 800 MHz, mem: 900 MHz", text(IDC_GPU_CURRENT_CLOCK));
    EXPECT_EQ("1.200 V", text(IDC_GPU_VDDC));
    DestroyWindow(panel);
    panel = nullptr;
  }
}

TEST_F(PanelTest, FanSpeedForms) {
  const struct {
    bool ok;
    int percent, rpm;
    const char* text;
    bool enabled;
  } cases[] = {
      {true, 55, 2000, "55 % / 2000 RPM", true}, {true, 40, -1, "40 %", true},
      {true, -1, 900, "900 RPM", true},         {true, -1, -1, "", false},
      {false, 10, 10, "", false},
  };
  for (const auto& c : cases) {
    FakeBoard b = amdBoard();
    b.fanOk = c.ok;
    b.fanPercent = c.percent;
    b.fanRpm = c.rpm;
    g_scene.gpus = {b};
    ResetGpuPanelState();
    openGpu();
    EXPECT_EQ(c.text, text(IDC_GPU_FAN)) << c.percent << "/" << c.rpm;
    EXPECT_EQ(c.enabled, on(IDC_GPU_FAN));
    EXPECT_EQ(c.enabled, on(IDC_GPU_FAN_LABEL));
    DestroyWindow(panel);
    panel = nullptr;
  }
}

// Other vendors have no sensor back-end: the sensor pairs are blank and off.
TEST_F(PanelTest, OtherVendorHasNoSensors) {
  FakeBoard b;
  b.name = "Intel(R) UHD Graphics 630";
  b.vendor = 0x8086;
  b.device = 0x3E92;
  b.shaders = 192;
  b.tmus = 0;
  b.rops = 0;
  b.driver = "27.20.100.8681";
  b.temperatureOk = true;
  b.temperature = 50;
  b.usageOk = true;
  g_scene.gpus = {b};
  g_scene.primaryName = "Intel(R) UHD Graphics 630";
  openGpu();
  EXPECT_EQ("GPU 1: Intel(R) UHD Graphics 630", text(IDC_GPU_LIST));
  EXPECT_EQ("EUs: 24", text(IDC_GPU_CORE_CONFIG));
  EXPECT_EQ("27.20.100.8681", text(IDC_GPU_DRIVER));
  // What the demos' HUD and benchmark rows show: the tab's driver line and
  // the primary GPU's name.
  EXPECT_STREQ("27.20.100.8681", g_app.gpuDriverText);
  EXPECT_STREQ("Intel(R) UHD Graphics 630", g_app.gpuNameText);
  EXPECT_EQ("-- NVIDIA TU/GA+ or AMD RDNA GPUs only --", text(IDC_GPU_EXTRA_CONFIG));
  EXPECT_FALSE(on(IDC_GPU_EXTRA_CONFIG));
  RefreshGpuPanel(panel, 0);
  for (int id : {IDC_GPU_FAN, IDC_GPU_LOAD, IDC_GPU_CURRENT_CLOCK, IDC_GPU_MAX_CLOCK,
                 IDC_GPU_FILLRATE, IDC_GPU_VDDC, IDC_GPU_TEMPERATURE}) {
    EXPECT_EQ("", text(id)) << id;
    EXPECT_FALSE(on(id)) << id;
  }
}

TEST_F(PanelTest, GpuListEntriesAndSelection) {
  FakeBoard known = nvidiaBoard();
  known.device = 0x1080;
  known.subVendor = 0x1043;
  known.subDevice = 0x83BB;
  known.display = "NVIDIA GeForce GTX 580";
  FakeBoard display = nvidiaBoard();
  display.display = "Display String";
  FakeBoard named = amdBoard();
  named.display = "";
  FakeBoard nothing = amdBoard();
  nothing.display = "";
  nothing.hasName = false;
  g_scene.gpus = {known, display, named, nothing};
  g_scene.glVendor = "NVIDIA Corporation";
  g_scene.glRenderer = "NVIDIA GeForce GTX 580/PCIe/SSE2";
  openGpu();
  HWND list = GetDlgItem(panel, IDC_GPU_LIST);
  const char* expected[] = {"GPU 1: ASUS ROG MATRIX GTX 580", "GPU 2: Display String",
                            "GPU 3: AMD Radeon RX 6800 XT", "GPU 4"};
  ASSERT_EQ(4, SendMessageA(list, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < 4; ++i) {
    char entry[256] = "";
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ(expected[i], entry);
    EXPECT_EQ(i, SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
  }
  // GPU 1's name is part of the renderer string (from its 8th character on).
  EXPECT_TRUE(on(IDC_GPU_OPENGL));
  // Choosing GPU 3 refills the panel for it; it does not drive the context.
  SendMessageA(list, CB_SETCURSEL, 2, 0);
  SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_GPU_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(2, g_app.selectedGpu);
  EXPECT_EQ("1002-73BF", text(IDC_GPU_DEVICE_ID));
  EXPECT_EQ("Not the primary OpenGL GPU", text(IDC_GPU_OPENGL));
  EXPECT_FALSE(on(IDC_GPU_OPENGL));
}

TEST_F(PanelTest, KnownBoards) {
  EXPECT_STREQ("GIGABYTE BRIX GTX 760", KnownBoardName(0x10DE, 0x1199, 0x1458, 0xD001));
  EXPECT_STREQ("ASUS EAH6670/DIS/1GD5", KnownBoardName(0x1002, 0x6758, 0x1043, 0x03EA));
  EXPECT_EQ(nullptr, KnownBoardName(0x10DE, 0x1199, 0x1458, 0xD002));
  EXPECT_EQ(nullptr, KnownBoardName(0x1002, 0x1199, 0x1458, 0xD001));
}

TEST_F(PanelTest, NoDriverIsShownOnce) {
  g_scene.driverDetected = false;
  g_scene.gpus = {nvidiaBoard()};
  openGpu();
  EXPECT_EQ("No graphics driver detected!", text(IDC_GPU_DRIVER));
  EXPECT_EQ("Core: 4.6", text(IDC_GPU_OPENGL));
  EXPECT_EQ(0, SendMessageA(GetDlgItem(panel, IDC_GPU_LIST), CB_GETCOUNT, 0, 0));
  g_scene.driverDetected = true;
  FillGpuList(panel);
  EXPECT_EQ("No graphics driver detected!", text(IDC_GPU_DRIVER));
  // The flag belongs to the application state: its reset lets the panel fill again.
  ResetAppState();
  g_app.instance = program;
  g_app.gpuCount = 1;
  FillGpuList(panel);
  EXPECT_NE("No graphics driver detected!", text(IDC_GPU_DRIVER));
  EXPECT_EQ(1, SendMessageA(GetDlgItem(panel, IDC_GPU_LIST), CB_GETCOUNT, 0, 0));
}

// Without GPU records the panel shows the cached primary-GPU summary.
TEST_F(PanelTest, NoGpuRecordShowsThePrimarySummary) {
  g_scene.glRenderer = "Soft Renderer";
  openGpu();
  const struct {
    int id;
    const char* text;
  } fields[] = {
      {IDC_GPU_LIST, "GPU 1: Primary GPU"},
      {IDC_GPU_DEVICE_ID, "10DE - 1234"},
      {IDC_GPU_SUBVENDOR, "ASUS (1043-5678)"},
      {IDC_GPU_EXTRA_CONFIG, "8vp / 24pp"},
      {IDC_GPU_MEMORY, "512MB"},
      {IDC_GPU_OPENGL, "OpenGL 4.6 (Soft Renderer with 400 ext.)"},
  };
  for (const auto& f : fields) EXPECT_EQ(f.text, text(f.id)) << "control " << f.id;
  EXPECT_FALSE(on(IDC_GPU_TDP));
  EXPECT_FALSE(on(IDC_GPU_CUDA));
}

// The OpenGL tab's memory line, refreshed every second, by the detection
// context's vendor string: NVIDIA's and AMD's queries answer kilobytes, and
// each value is cut to whole megabytes before the used memory is worked out.
// The rows run in turn on one tab, so each refresh rewrites the line.
TEST_F(PanelTest, OpenGlMemoryLineByVendor) {
  const struct {
    const char* vendor;  // null: the context has no vendor string
    int nvxTotalKB, nvxCurrentKB, amdTotalKB, amdUsedKB;
    const char* line;
  } cases[] = {
      {"NVIDIA Corporation", 8388608, 6290433, 0, 0, "Total GPU memory: 8192MB - GPU memory load: 2049MB"},
      {"NVIDIA Corporation", 8389631, 8388608, 4194304, 1048576, "Total GPU memory: 8192MB - GPU memory load: N/A"},
      {"NVIDIA Corporation", 1023, 0, 4194304, 1048576, "not available"},
      {"ATI Technologies Inc.", 8388608, 0, 4194304, 1049599, "Total GPU memory: 4096MB - GPU memory load: 1024MB"},
      {"AMD", 0, 0, 4195327, 1023, "Total GPU memory: 4096MB - GPU memory load: N/A"},
      {"ATI Technologies Inc.", 8388608, 0, 0, 0, "not available"},
      {"Intel", 8388608, 0, 4194304, 1048576, "not available on Intel GPUs"},
      {"Mesa", 8388608, 0, 4194304, 1048576, "not available"},
      {nullptr, 8388608, 0, 4194304, 1048576, "not available"},
  };
  open(IDD_GL_PANEL, OpenGlPanelProc);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    g_scene.hasVendor = c.vendor != nullptr;
    g_scene.glVendor = c.vendor ? c.vendor : "";
    g_scene.nvxTotalKB = c.nvxTotalKB;
    g_scene.nvxCurrentKB = c.nvxCurrentKB;
    g_scene.amdTotalKB = c.amdTotalKB;
    g_scene.amdUsedKB = c.amdUsedKB;
    SetDlgItemTextA(panel, IDC_GL_MEMORY_GROUP, "");
    ASSERT_TRUE(RefreshGlMemory());
    EXPECT_EQ(c.line, text(IDC_GL_MEMORY));
    EXPECT_EQ("OpenGL memory", text(IDC_GL_MEMORY_GROUP));
  }
}

// Each GPU's OpenCL line names the OpenCL device on its PCI bus, as the
// collector read the buses from the stand-in library's vendor attributes:
// two NVIDIA devices listed in the other order than their buses, an AMD one
// whose PCIe topology gives bus 131, and one whose topology is of another
// type, which gives no bus, whatever its payload bytes hold.
TEST_F(PanelTest, OpenClLineNamesTheDeviceOnTheGpusBus) {
  FakeOpenCl fake;
  ASSERT_TRUE(fake.loaded()) << FakeOpenCl::path();
  ASSERT_TRUE(DetectOpenCl());
  FakeBoard geforceA = nvidiaBoard(), geforceB = nvidiaBoard(), radeon = amdBoard(), radeonPro = amdBoard();
  geforceA.bus = 1;
  geforceB.bus = 2;
  radeon.bus = 131;
  radeonPro.bus = 0x5A;
  g_scene.gpus = {geforceA, geforceB, radeon, radeonPro};
  openGpu();
  const struct {
    const char* line;
    bool enabled;
  } expected[] = {
      {"OpenCL 3.0 - Fake GeForce A - CUs:82@1695MHz", true},
      {"OpenCL 3.0 - Fake GeForce B - CUs:40@1545MHz", true},
      {"OpenCL 2.0 - Fake Radeon - CUs:72@2250MHz", true},
      {"No GPU support (see the OpenCL panel for more details)", false},
  };
  HWND list = GetDlgItem(panel, IDC_GPU_LIST);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_GPU_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(expected[i].line, text(IDC_GPU_OPENCL));
    EXPECT_EQ(expected[i].enabled, on(IDC_GPU_OPENCL));
  }
}

TEST_F(PanelTest, ToolsFields) {
  const struct {
    int installedMB, totalKB;
    const char* memory;
  } cases[] = {{16384, 0, "16384 MB"}, {0, 8388608, "8192 MB"}};
  for (const auto& c : cases) {
    g_system.installedMB = c.installedMB;
    g_system.totalKB = c.totalKB;
    ResetToolsPanelForTests();
    open(IDD_PANEL_TOOLS, ToolsPanelProc);
    EXPECT_EQ(c.memory, text(IDC_TOOLS_MEMORY));
    EXPECT_EQ("Test CPU @ 3.00GHz", text(IDC_TOOLS_CPU));
    EXPECT_EQ("Windows 10 64-bit build 19045", text(IDC_TOOLS_OS));
    EXPECT_EQ("1920x1080 @ 60Hz - 32bpp", text(IDC_TOOLS_DISPLAY_MODE));
    EXPECT_EQ("3000 MHz", text(IDC_TOOLS_CPU_SPEED));
    EXPECT_EQ("8", text(IDC_TOOLS_CPU_CORES));
    EXPECT_EQ("  Sytem information  ", text(IDC_TOOLS_SYSTEM_GROUP));
    DestroyWindow(panel);
    panel = nullptr;
  }
}

bool underlined(HWND link) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0));
  LOGFONTA lf = {};
  if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  GetObjectA(font, sizeof(lf), &lf);
  return lf.lfUnderline != 0;
}

// Stands in front of a hyperlink window's procedure and records, right
// after the hyperlink's own WM_DESTROY handling, whether the window has its
// own procedure back, its properties gone and (a link) its plain font back.
struct DestroyWatch {
  WNDPROC next;      // the procedure the watch stands in front of
  WNDPROC original;  // the window's own, which must be back
  HFONT plainFont;
  bool seen, procBack, propsGone, plainFontBack;
};
std::map<HWND, DestroyWatch>& destroyWatches() {
  static std::map<HWND, DestroyWatch> w;
  return w;
}
LRESULT CALLBACK destroyWatchProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  DestroyWatch& w = destroyWatches()[window];
  LRESULT result = CallWindowProcA(w.next, window, msg, wp, lp);
  if (msg == WM_DESTROY) {
    w.seen = true;
    w.procBack = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == w.original;
    w.propsGone = true;
    for (const char* p : {"_Hyperlink_Original_Proc_", "_Hyperlink_Original_Font_", "_Hyperlink_Underline_Font_",
                          "_Hyperlink_From_Static_"})
      w.propsGone = w.propsGone && !GetPropA(window, p);
    w.plainFontBack = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)) == w.plainFont;
  }
  return result;
}
void watchDestroy(HWND window) {
  DestroyWatch w = {};
  w.original = reinterpret_cast<WNDPROC>(GetPropA(window, "_Hyperlink_Original_Proc_"));
  w.plainFont = reinterpret_cast<HFONT>(GetPropA(window, "_Hyperlink_Original_Font_"));
  w.next = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(destroyWatchProc)));
  destroyWatches()[window] = w;
}

TEST_F(PanelTest, HyperlinksOfTheToolsTab) {
  open(IDD_PANEL_TOOLS, ToolsPanelProc);
  HWND nvidia = GetDlgItem(panel, IDC_TOOLS_NVIDIA_LINK);
  HWND amd = GetDlgItem(panel, IDC_TOOLS_AMD_LINK);
  for (HWND link : {nvidia, amd}) {
    EXPECT_NE(nullptr, GetPropA(link, "_Hyperlink_From_Static_"));
    EXPECT_TRUE(GetWindowLongPtrA(link, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(HyperlinkProc), GetWindowLongPtrA(link, GWLP_WNDPROC));
  }
  // Two links (and a repeated call) subclass the parent once.
  MakeHyperlink(panel, IDC_TOOLS_NVIDIA_LINK);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(HyperlinkParentProc), GetWindowLongPtrA(panel, GWLP_WNDPROC));
  HANDLE original = GetPropA(panel, "_Hyperlink_Original_Proc_");
  ASSERT_NE(nullptr, original);
  EXPECT_NE(reinterpret_cast<HANDLE>(HyperlinkParentProc), original);
  EXPECT_NE(reinterpret_cast<HANDLE>(HyperlinkProc), GetPropA(nvidia, "_Hyperlink_Original_Proc_"));

  // Link text is blue; other statics are left to the dialog.
  HDC dc = CreateCompatibleDC(nullptr);
  SendMessageA(panel, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(nvidia));
  EXPECT_EQ(RGB(0, 0, 192), GetTextColor(dc));
  SetTextColor(dc, RGB(1, 2, 3));
  SendMessageA(panel, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(GetDlgItem(panel, IDC_TOOLS_SYSTEM_GROUP)));
  EXPECT_NE(RGB(0, 0, 192), GetTextColor(dc));
  DeleteDC(dc);

  // Mouse over: underlined and captured; off again: plain and released.
  EXPECT_FALSE(underlined(nvidia));
  SendMessageA(nvidia, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(underlined(nvidia));
  EXPECT_EQ(nvidia, GetCapture());
  SendMessageA(nvidia, WM_MOUSEMOVE, 0, MAKELPARAM(3000, 3000));
  EXPECT_FALSE(underlined(nvidia));
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_EQ(TRUE, SendMessageA(nvidia, WM_SETCURSOR, reinterpret_cast<WPARAM>(nvidia), 0));

  // Destroying the panel takes the subclasses, properties and underlined
  // fonts away.
  destroyWatches().clear();
  HFONT underlines[2] = {};
  HWND links[2] = {nvidia, amd};
  for (int i = 0; i < 2; ++i) {
    underlines[i] = reinterpret_cast<HFONT>(GetPropA(links[i], "_Hyperlink_Underline_Font_"));
    ASSERT_NE(nullptr, underlines[i]);
    watchDestroy(links[i]);
  }
  watchDestroy(panel);
  DestroyWindow(panel);
  for (HWND window : {nvidia, amd, panel}) {
    SCOPED_TRACE(window == panel ? "panel" : window == nvidia ? "NVIDIA link" : "AMD link");
    const DestroyWatch& w = destroyWatches()[window];
    ASSERT_TRUE(w.seen);
    EXPECT_TRUE(w.procBack);
    EXPECT_TRUE(w.propsGone);
    if (window != panel) {
      EXPECT_TRUE(w.plainFontBack);
    }
  }
  for (HFONT font : underlines) EXPECT_EQ(0u, GetObjectType(font)) << "the underlined font is deleted";
  panel = nullptr;
}

}  // namespace
