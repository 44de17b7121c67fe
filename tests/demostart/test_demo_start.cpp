#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/OpenClInfo.h"
#include "app/Startup.h"
#include "demos/BenchmarkResult.h"
#include "demos/ClEntryPoints.h"
#include "demos/DemoCatalogue.h"
#include "demos/DemoControl.h"
#include "demos/DemoLauncher.h"
#include "demos/DemoStart.h"
#include "detect/Scanrik.h"
#include "resources/resource.h"
#include "stv.h"
#include "tests/common/NeedsOpenCl.h"
#include "tests/enginedemo/DemoTestHelpers.h"

namespace {

// A demo thread that draws nothing and ends on its stop flag.
std::atomic<int> g_runs{0};
DWORD WINAPI idleDemo(void* arg) {
  DemoSlot* slot = static_cast<DemoSlot*>(arg);
  ++g_runs;
  while (!slot->stopFlag) Sleep(5);
  slot->doneFlag = 1;
  return 0;
}

// Presses a button of the first window with this caption, from a thread,
// once it appears (for the modal options dialog); with texts, it first
// types them into the width and height edits.
struct DialogPresser {
  const char* caption;
  int button;
  const char* width;
  const char* height;
  HANDLE thread;
  static DWORD WINAPI run(void* arg) {
    DialogPresser* p = static_cast<DialogPresser*>(arg);
    for (int i = 0; i < 400; ++i) {
      HWND w = FindWindowA(nullptr, p->caption);
      if (w) {
        if (p->width) SetDlgItemTextA(w, IDC_DEMO_WIDTH, p->width);
        if (p->height) SetDlgItemTextA(w, IDC_DEMO_HEIGHT, p->height);
        PostMessageA(w, WM_COMMAND, MAKEWPARAM(p->button, BN_CLICKED), 0);
        return 0;
      }
      Sleep(10);
    }
    return 1;
  }
  DialogPresser(const char* c, int b, const char* w = nullptr, const char* h = nullptr)
      : caption(c), button(b), width(w), height(h) {
    thread = CreateThread(nullptr, 0, run, this, 0, nullptr);
  }
  ~DialogPresser() {
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
  }
};

class DemoStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAppState();
    m_program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, m_program);
    g_app.instance = reinterpret_cast<HINSTANCE>(m_program);
    g_currentCatalogue = kGlDemoCatalogue;
  }
  void TearDown() override {
    for (int i = 0; i < kDemoSlotCount; ++i) {
      StopDemoThread(&g_app.demoSlots[i]);
      if (g_app.demoWindows[i]) DestroyWindow(g_app.demoWindows[i]);
    }
    FreeLibrary(m_program);
  }
  HMODULE m_program = nullptr;
};

TEST_F(DemoStartTest, StartsAThreadAndWindowAndStopsIt) {
  DemoSlot* slot = &g_app.demoSlots[kSlotGl3Torus];
  HWND window = nullptr;
  int runs = g_runs;
  g_app.msaaSamples = 4;
  ASSERT_TRUE(StartGlDemo(nullptr, slot, 1, idleDemo, &window, false));
  EXPECT_NE(nullptr, window);
  EXPECT_EQ(window, slot->window.load());
  EXPECT_NE(nullptr, slot->thread);
  EXPECT_EQ(4, slot->msaaSamples);
  EXPECT_EQ(10000u, slot->fps.minFps);
  EXPECT_EQ(1, g_app.currentDemoIndex);
  EXPECT_EQ(slot, FindDemoSlotOfWindow(window));
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(600, r.right - r.left);
  // A busy slot refuses and changes nothing.
  HWND other = nullptr;
  EXPECT_FALSE(StartGlDemo(nullptr, slot, 2, idleDemo, &other, false));
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(1, g_app.currentDemoIndex);
  for (int i = 0; i < 100 && g_runs == runs; ++i) Sleep(10);
  EXPECT_EQ(runs + 1, g_runs.load());
  // Esc in the demo window stops it like closing does.
  SendMessageA(window, WM_CHAR, 27, 0);
  EXPECT_EQ(nullptr, slot->thread);
  EXPECT_EQ(1, slot->stopFlag.load());
  EXPECT_FALSE(StopDemoThread(slot));  // nothing left to stop
  DestroyWindow(window);
}

TEST_F(DemoStartTest, RefusesWithoutRoutineOrWindowVariable) {
  DemoSlot* slot = &g_app.demoSlots[kSlotGl3Triangle];
  HWND window = nullptr;
  EXPECT_FALSE(StartGlDemo(nullptr, slot, 2, nullptr, &window, false));
  EXPECT_FALSE(StartGlDemo(nullptr, slot, 2, idleDemo, nullptr, false));
  EXPECT_FALSE(StartGlDemo(nullptr, nullptr, 2, idleDemo, &window, false));
  EXPECT_FALSE(StopDemoThread(static_cast<DemoSlot*>(nullptr)));
  EXPECT_EQ(-1, GlDemoSlotOfRow(11));
  EXPECT_EQ(kSlotToon, GlDemoSlotOfRow(9));
}

TEST_F(DemoStartTest, CancelledOptionsStartNothing) {
  DemoSlot* slot = &g_app.demoSlots[kSlotFur];
  HWND window = nullptr;
  {
    DialogPresser cancel(kGlDemoCatalogue[3].name, IDCANCEL);
    EXPECT_FALSE(StartGlDemo(nullptr, slot, 3, idleDemo, &window, true));
  }
  EXPECT_EQ(nullptr, window);
  EXPECT_EQ(nullptr, slot->thread);
  EXPECT_EQ(0, g_app.msaaSamples);
}

// The typed size is taken as unsigned and lowered to the largest viewport;
// without a known viewport (0) it is taken as typed, a negative one as 0,
// and a non-number is 0 either way.
TEST_F(DemoStartTest, OptionsSizeIsLimitedToTheViewport) {
  int& viewport = DetectionState().summary.maxViewportSize;
  const int real = viewport;
  const struct {
    int viewport;
    const char *width, *height;
    int expectedWidth, expectedHeight;
  } cases[] = {
      {700, "5000", "-5", 700, 700},
      {700, "640", "abc", 640, 0},
      {0, "-5", "900", 0, 900},
  };
  DemoSlot* slot = &g_app.demoSlots[kSlotFur];
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.width) + " x " + c.height + ", viewport " + std::to_string(c.viewport));
    viewport = c.viewport;
    HWND window = nullptr;
    {
      DialogPresser go(kGlDemoCatalogue[3].name, IDOK, c.width, c.height);
      EXPECT_TRUE(StartGlDemo(nullptr, slot, 3, idleDemo, &window, true));
    }
    EXPECT_EQ(c.expectedWidth, g_app.optionsDialogWidth);
    EXPECT_EQ(c.expectedHeight, g_app.optionsDialogHeight);
    StopDemoThread(slot);
    DestroyWindow(window);
  }
  viewport = real;
}

TEST(DemoCatalogueTest, RowsAndClRowNumbers) {
  EXPECT_STREQ("GL 4.x - Tessellation", kGlDemoCatalogue[0].name);
  EXPECT_STREQ("GL 1.2 - Simple Mesh", kGlDemoCatalogue[10].name);
  EXPECT_STRNE("", kGlDemoCatalogue[0].benchmarkLink);
  EXPECT_STREQ("", kGlDemoCatalogue[1].benchmarkLink);
  EXPECT_STREQ("CL CPU - Post FX", kClDemoCatalogue[ClCatalogueRow(3, true)].name);
  EXPECT_STREQ("CL GPU - 1M Particles", kClDemoCatalogue[ClCatalogueRow(1, false)].name);
}

// A thread that holds on after its stop flag keeps its slot: the slot is
// not started again, and its window is hidden, not destroyed, until the
// thread has ended.
HANDLE g_release = nullptr;
DWORD WINAPI stubbornDemo(void*) {
  WaitForSingleObject(g_release, 20000);
  return 0;
}

TEST_F(DemoStartTest, SlotIsReusedOnlyAfterItsThreadEnded) {
  g_release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DemoSlot* slot = &g_app.demoSlots[kSlotGl3Torus];
  HWND window = nullptr;
  ASSERT_TRUE(StartGlDemo(nullptr, slot, 1, stubbornDemo, &window, false));
  CloseDemoWindow(window);  // waits for the stop, in vain
  EXPECT_NE(nullptr, slot->thread);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(IsWindowVisible(window));
  HWND second = nullptr;
  EXPECT_FALSE(StartGlDemo(nullptr, slot, 1, idleDemo, &second, false));
  SetEvent(g_release);
  // The thread's own close at its end destroys the window.
  CloseDemoWindow(window);
  EXPECT_EQ(nullptr, slot->thread);
  EXPECT_FALSE(IsWindow(window));
  ASSERT_TRUE(StartGlDemo(nullptr, slot, 1, idleDemo, &second, false));
  CloseDemoWindow(second);
  EXPECT_FALSE(IsWindow(second));
  CloseHandle(g_release);
}

// A thread that sends to its window (as the demos set their title) while
// the window's thread waits for it to stop: the wait serves the message, so
// both go on at once.
DWORD WINAPI titleOnStopDemo(void* arg) {
  DemoSlot* slot = static_cast<DemoSlot*>(arg);
  while (!slot->stopFlag) Sleep(5);
  SetWindowTextA(slot->window, "stopping");
  return 0;
}

TEST_F(DemoStartTest, StopServesMessagesTheThreadSends) {
  DemoSlot* slot = &g_app.demoSlots[kSlotGl3Triangle];
  HWND window = nullptr;
  ASSERT_TRUE(StartGlDemo(nullptr, slot, 2, titleOnStopDemo, &window, false));
  const ULONGLONG start = GetTickCount64();
  ASSERT_TRUE(StopDemoThread(slot));
  EXPECT_LT(GetTickCount64() - start, 2000u);
  EXPECT_EQ(nullptr, slot->thread);
  char title[32] = "";
  GetWindowTextA(window, title, sizeof(title));
  EXPECT_STREQ("stopping", title);
  DestroyWindow(window);
}

// A demo started from its switch on a machine that cannot run it shows its
// requirement (here: no detection context, so no OpenGL 2.0), closes its
// window and frees its slot.
TEST_F(DemoStartTest, FurCubeWithoutOpenGl2ShowsItsRequirement) {
  ErrorBoxes boxes;
  ASSERT_TRUE(StartCatalogueGlDemo(nullptr, 3, false));
  DemoSlot* slot = &g_app.demoSlots[kSlotFur];
  HWND window = slot->window;
  ASSERT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 20000));
  ASSERT_EQ(1u, boxes.seen.size());
  EXPECT_EQ("Fur demo requires the support of OpenGL 2.0.", boxes.seen[0]);
  EXPECT_EQ(nullptr, slot->thread);
  EXPECT_EQ(nullptr, slot->renderWindow);
  EXPECT_EQ(nullptr, g_app.demoWindows[kSlotFur]);
}

// Holds on past shutdown's stop wait, then ends as a demo does: one more
// OpenCL call, its benchmark row, the close of its window.
HANDLE g_holdOn = nullptr;
std::atomic<int> g_lateClStatus{1};
DWORD WINAPI heldOnDemo(void* arg) {
  DemoSlot* slot = static_cast<DemoSlot*>(arg);
  WaitForSingleObject(g_holdOn, 60000);
  cl_uint platforms = 0;
  g_lateClStatus = ClEntryPoints::clGetPlatformIDs(0, nullptr, &platforms);
  WriteBenchmarkResult(slot, "held on past shutdown");
  PostMessageA(slot->window, WM_CLOSE, 0, 0);
  return 0;
}

std::string fileText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// Shutdown gives up on a demo thread that does not stop: everything the
// thread can still reach stays, so it ends its run normally afterwards.
TEST_F(DemoStartTest, ShutdownKeepsWhatADemoThatDidNotStopUses) {
  QV_NEEDS_OPENCL();
  char logPath[MAX_PATH], dir[MAX_PATH];
  GetTempPathA(sizeof(dir), dir);
  GetTempFileNameA(dir, "qvs", 0, logPath);
  g_log.enabled = true;
  g_log.prefix = false;
  ASSERT_TRUE(g_log.open(logPath));
  ASSERT_TRUE(DetectOpenCl());
  const OpenClDeviceInfo* device = FindClCpuDevice(0);
  ASSERT_NE(nullptr, device) << "pocl offers a CPU device";
  const std::string deviceName = device->name;
  Scanrik* s = Scanrik::instance();
  ASSERT_TRUE(s && s->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1));
  const std::string gpu = s->getPrimaryGpuName();
  RenderWindow* renderWindow = DetectionState().currentRenderWindow;
  const OpenClPlatformInfo* platforms = g_app.clPlatforms;
  const int platformCount = g_app.clPlatformCount;
  HMODULE openCl = g_app.openClLibrary;
  g_app.benchmarkLog = true;
  g_app.clDeviceType = kClDeviceTypeCpu;

  g_holdOn = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DemoSlot* slot = &g_app.demoSlots[kSlotGl3Torus];
  HWND window = nullptr;
  ASSERT_TRUE(StartGlDemo(nullptr, slot, 1, heldOnDemo, &window, false));
  HANDLE thread = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), slot->thread, GetCurrentProcess(), &thread, 0,
                              FALSE, DUPLICATE_SAME_ACCESS));
  EXPECT_FALSE(ShutdownQuorvel());
  EXPECT_EQ(platforms, g_app.clPlatforms);
  EXPECT_EQ(platformCount, g_app.clPlatformCount);
  EXPECT_EQ(openCl, g_app.openClLibrary);
  char modulePath[MAX_PATH] = "";
  EXPECT_NE(0u, GetModuleFileNameA(openCl, modulePath, sizeof(modulePath))) << "OpenCL was unloaded";
  EXPECT_EQ(renderWindow, DetectionState().currentRenderWindow);
  EXPECT_NE(std::string::npos, fileText(logPath).find("Quorvel shutdown ok.\n"));

  SetEvent(g_holdOn);
  ASSERT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 20000)) << "the demo never closed its window";
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeThread(thread, &exitCode);
  EXPECT_EQ(0u, exitCode);
  CloseHandle(thread);
  EXPECT_EQ(CL_SUCCESS, g_lateClStatus.load());
  const std::string rows = fileText(std::string(stv::get_app_directory()) + "bench_result.csv");
  const std::string row = "\"" + gpu + "\",\"\",\"" + deviceName + "\",\"CPU\",";
  const size_t at = rows.rfind("\"held on past shutdown\"");
  ASSERT_NE(std::string::npos, at) << rows;
  EXPECT_EQ(rows.rfind(row, at), rows.rfind('\n', at) + 1) << "row: " << rows.substr(rows.rfind('\n', at) + 1);

  // Once the thread has ended, shutdown frees everything.
  EXPECT_TRUE(ShutdownQuorvel());
  EXPECT_EQ(nullptr, g_app.clPlatforms);
  EXPECT_EQ(nullptr, DetectionState().currentRenderWindow);
  CloseHandle(g_holdOn);
  g_log.close();
  DeleteFileA(logPath);
}

// A framework demo whose render thread holds on past the stop wait: the
// shutdown of either mode says so (the program then ends at once) and keeps
// the bridge and the application state, and the thread still logs its end;
// once the thread has ended, a second shutdown finishes.
TEST_F(DemoStartTest, ShutdownKeepsWhatAFrameworkDemoThatDidNotStopUses) {
  char logPath[MAX_PATH], dir[MAX_PATH];
  GetTempPathA(sizeof(dir), dir);
  GetTempFileNameA(dir, "qvf", 0, logPath);
  g_log.enabled = true;
  g_log.prefix = false;
  const char sceneFile[] = "demostart_held_scene.xml";
  {
    std::ofstream scene(std::string(stv::get_app_directory()) + sceneFile, std::ios::binary);
    scene << "<quellin>\n  <window name=\"w\" renderer_type=\"OpenGL\" />\n"
             "  <script name=\"frame\" run_mode=\"FRAME\">\n    trace holding on\n    hold qv_demostart_hold_on\n"
             "  </script>\n</quellin>\n";
  }
  HANDLE holdOn = CreateEventA(nullptr, TRUE, FALSE, "qv_demostart_hold_on");
  ASSERT_NE(nullptr, holdOn);
  SetSdkDemoStopTimeout(300);
  const struct {
    const char* mode;
    bool (*shutdown)();
  } modes[] = {{"framework demo alone", ShutdownFrameworkDemoMode}, {"main window", ShutdownQuorvel}};
  for (const auto& m : modes) {
    SCOPED_TRACE(m.mode);
    ResetEvent(holdOn);
    ASSERT_TRUE(g_log.open(logPath));
    ASSERT_TRUE(InitDemoSdk());
    ASSERT_TRUE(AddSdkDemo("Held", "held_demo", sceneFile));
    ASSERT_TRUE(StartSdkDemoByName("held_demo", 160, 120, "Off", false, -1));
    ASSERT_TRUE(pumpUntil([&] { return fileText(logPath).find("[STV] - holding on") != std::string::npos; }, 20000));

    EXPECT_FALSE(m.shutdown());
    EXPECT_TRUE(IsSdkBridgeReady()) << "the bridge was terminated under the demo";
    EXPECT_NE(nullptr, g_app.reportBuffers.text) << "the application state was released under the demo";
    const size_t shutdownAt = fileText(logPath).rfind("shutdown ok.");
    ASSERT_NE(std::string::npos, shutdownAt);

    SetEvent(holdOn);
    ASSERT_TRUE(pumpUntil([] { return !IsSdkDemoRunning(); }, 20000)) << "the demo never ended";
    const size_t endAt = fileText(logPath).rfind("[STV] - Demo terminated OK.");
    EXPECT_TRUE(endAt != std::string::npos && endAt > shutdownAt) << "the demo's last lines did not reach the log";
    EXPECT_TRUE(m.shutdown());
    EXPECT_FALSE(IsSdkBridgeReady());
  }
  SetSdkDemoStopTimeout(0);
  CloseHandle(holdOn);
  DeleteFileA((std::string(stv::get_app_directory()) + sceneFile).c_str());
  g_log.close();
  DeleteFileA(logPath);
}

}  // namespace
