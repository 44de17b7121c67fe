// The framework-demo launcher over the real bridge and the stand-in demo
// framework: catalogue demos run by id on this thread's message loop and by
// index on threads of their own, end as benchmarks or by a close, write the
// benchmark file, and are stopped by shutdown. Runs from the bin folder.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/VulkanInfo.h"
#include "demos/DemoLauncher.h"
#include "gtest/gtest.h"
#include "stv.h"

namespace {

const char kLogFile[] = "launcher_log.txt";
const char kCsvFile[] = "_tvl_benchmark_results.csv";
const char kCsvHeader[] = "renderer,api_version,demo_name,width,height,msaa,fullscreen,avg_fps,score,duration_ms";

std::vector<std::string> readLines(const char* file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool logHas(const std::string& text) {
  for (const std::string& line : readLines(kLogFile))
    if (line.find(text) != std::string::npos) return true;
  return false;
}

bool fileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Serves this thread's messages until the quit message; false on timeout.
bool pumpUntilQuit(DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < deadline) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return true;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return false;
}

// Serves messages until the condition holds; false on timeout.
template <typename Condition>
bool pumpUntil(Condition condition, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!condition()) {
    if (GetTickCount64() >= deadline) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  }
  return true;
}

int catalogueIndexOf(const char* id) {
  for (int i = 0; i < GetSdkDemoCount(); ++i)
    if (GetSdkDemo(i)->id == id) return i;
  return -1;
}

// Writes a scene of the test's own into the program folder.
std::string writeScene(const char* file, const char* body) {
  std::string path = std::string(stv::get_app_directory()) + file;
  FILE* f = fopen(path.c_str(), "wb");
  if (f) {
    fputs(body, f);
    fclose(f);
  }
  return file;
}

// The client size of a top-level window of the demo's style.
void setClientSize(HWND window, int width, int height) {
  RECT rect = {0, 0, width, height};
  AdjustWindowRect(&rect, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE);
  SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool g_vulkanDetected = false;

class LauncherTest : public ::testing::Test {
 protected:
  // Vulkan demos run wherever a Vulkan device is there (lavapipe under Wine).
  static void SetUpTestSuite() { g_vulkanDetected = DetectVulkan() && GetVulkanDeviceCount() > 0; }
  static void TearDownTestSuite() { ShutdownVulkanInfo(); }

  void SetUp() override {
    DeleteFileA(kCsvFile);
    g_log.enabled = true;
    g_log.prefix = false;
    ASSERT_TRUE(g_log.open(kLogFile));
    g_app.mainThreadId = GetCurrentThreadId();
    g_app.tvlDemoDurationMs = 0;
    g_app.tvlBenchmarkLog = true;
    InitDemoSdk();
    ASSERT_TRUE(IsSdkBridgeReady());
  }
  void TearDown() override {
    ShutdownDemoSdk();
    EXPECT_FALSE(IsSdkBridgeReady());
    EXPECT_EQ(nullptr, FindWindowA("TVL_WinClass", nullptr)) << "a demo window outlived shutdown";
    g_log.close();
  }

  int vulkanIndex() const { return g_vulkanDetected ? 0 : -1; }
};

// Every catalogue entry has its scene, starts by id, renders and ends as a
// benchmark with one CSV row; the file gets its header once.
TEST_F(LauncherTest, EveryCatalogueDemoRunsAsBenchmark) {
  g_app.tvlDemoDurationMs = 300;
  int runs = 0;
  for (int i = 0; i < GetSdkCatalogueRowCount(); ++i) {
    const SdkCatalogueRow* row = GetSdkCatalogueRow(i);
    SCOPED_TRACE(row->id);
    ASSERT_GE(catalogueIndexOf(row->id), 0) << "no scene for " << row->xmlPath;
    const bool vulkan = strstr(row->title, "Vulkan") != nullptr;
    ASSERT_TRUE(!vulkan || g_vulkanDetected) << "no Vulkan device for the Vulkan rows";
    ASSERT_TRUE(StartSdkDemoByName(row->id, 320, 240, "4X", false, vulkanIndex()));
    ASSERT_TRUE(pumpUntilQuit(30000)) << "the benchmark did not end";
    ASSERT_TRUE(pumpUntil([] { return !IsSdkDemoRunning(); }, 10000));
    if (strcmp(row->id, "vk2_mesh_shader") == 0 &&
        !VulkanDeviceHasExtension(GetVulkanInfo().devices[0].get(), "VK_NV_mesh_shader")) {
      // Refused before any frame: a log line and no benchmark row.
      EXPECT_TRUE(logHas("the GPU does not offer VK_NV_mesh_shader, which the demo needs."));
      EXPECT_EQ(static_cast<size_t>(runs) + (runs ? 1 : 0), readLines(kCsvFile).size());
      continue;
    }
    ++runs;

    const std::vector<std::string> csv = readLines(kCsvFile);
    ASSERT_GE(csv.size(), 2u);
    EXPECT_EQ(kCsvHeader, csv[0]);
    std::smatch m;
    const std::regex rowPattern("\"([^\"]+)\",\"([^\"]*)\",\"([^\"]+)\",(\\d+),(\\d+),\"4X\",\"no\",(\\d+),(\\d+),300");
    ASSERT_TRUE(std::regex_match(csv.back(), m, rowPattern)) << csv.back();
    EXPECT_EQ(row->id, m[3].str());
    EXPECT_EQ("320", m[4].str());
    EXPECT_EQ("240", m[5].str());
    EXPECT_GT(std::stoi(m[7].str()), 0) << "no frame rendered";
    if (vulkan) {
      EXPECT_EQ(GetVulkanDeviceName(0), m[1].str());
    }
    EXPECT_TRUE(logHas(std::string("[STV] - ") + row->id + " scene ready"));
  }
  EXPECT_EQ(static_cast<size_t>(runs) + 1, readLines(kCsvFile).size());
  EXPECT_TRUE(logHas("TVL DEMO - benchmark completed"));
  EXPECT_TRUE(logHas("[STV] - Demo terminated OK."));
}

TEST_F(LauncherTest, NamesOutsideTheCatalogueStartNothing) {
  const char* const names[] = {"gl32_triangl", "GL32_TRIANGLE", "gl32_triangle ", ""};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(StartSdkDemoByName(name, 320, 240, "Off", false, -1));
    EXPECT_TRUE(logHas(std::string("unable to start demo: ") + name));
    EXPECT_FALSE(IsSdkDemoRunning());
    EXPECT_EQ(nullptr, FindWindowA("TVL_WinClass", nullptr));
  }
  EXPECT_FALSE(StartSdkDemoByName(nullptr, 320, 240, "Off", false, -1));
  EXPECT_FALSE(StartSdkDemoByIndex(GetSdkDemoCount(), 320, 240, "Off", false, -1));
  EXPECT_FALSE(StartSdkDemoByIndex(-1, 320, 240, "Off", false, -1));
}

TEST_F(LauncherTest, SceneFilesThatDoNotExistAreNotListed) {
  const int before = GetSdkDemoCount();
  EXPECT_FALSE(AddSdkDemo("Missing", "missing_demo", "tvldemos/no-such-demo/main.xml"));
  EXPECT_FALSE(AddSdkDemo("Empty", "empty_demo", ""));
  EXPECT_FALSE(AddSdkDemo("Null", "null_demo", nullptr));
  EXPECT_EQ(nullptr, GetSdkDemo(before));
}

// By index: the demo runs on a window thread of its own, shows its FPS in
// the title, refuses a second start and ends on a close or Escape without a
// benchmark row.
TEST_F(LauncherTest, DemoOnItsOwnThreadsEndsOnCloseOrEscape) {
  struct Ending {
    const char* name;
    UINT message;
    WPARAM wParam;
  };
  const Ending endings[] = {{"close", WM_CLOSE, 0}, {"escape", WM_KEYDOWN, VK_ESCAPE}};
  const int index = catalogueIndexOf("gl32_triangle");
  ASSERT_GE(index, 0);
  SdkDemoRecord* record = GetSdkDemo(index);
  for (const Ending& e : endings) {
    SCOPED_TRACE(e.name);
    ASSERT_TRUE(StartSdkDemoByIndex(index, 320, 240, "Off", false, -1));
    EXPECT_TRUE(IsSdkDemoRunning());
    EXPECT_FALSE(StartSdkDemoByIndex(index, 320, 240, "Off", false, -1)) << "second start while running";
    EXPECT_FALSE(StartSdkDemoByName("gl11_triangle", 320, 240, "Off", false, -1)) << "second demo while running";
    char title[512] = "";
    ASSERT_TRUE(pumpUntil(
        [&] {
          return record->window && GetWindowTextA(record->window, title, sizeof(title)) > 0 && strstr(title, "FPS (");
        },
        10000))
        << "title never showed the FPS: " << title;
    EXPECT_TRUE(std::regex_match(std::string(title), std::regex("OpenGL 3\\.2 - RGB Triangle \\| \\d+FPS \\(\\d+\\.\\d{3}ms/frame\\) "
                                                                "\\| Quorvel 1\\.54\\.0\\.0 \\(Tavrin SDK\\)")))
        << title;
    HWND window = record->window;
    PostMessageA(window, e.message, e.wParam, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(record->windowThread, 10000));
    EXPECT_FALSE(IsSdkDemoRunning());
    EXPECT_FALSE(IsWindow(window));
  }
  EXPECT_TRUE(logHas("[STV] - Demo terminated OK."));
  EXPECT_FALSE(fileExists(kCsvFile));
}

// Shutdown stops a demo on either kind of start and leaves no window.
TEST_F(LauncherTest, ShutdownStopsRunningDemos) {
  const int index = catalogueIndexOf("gl32_triangle");
  ASSERT_GE(index, 0);
  for (bool byName : {false, true}) {
    SCOPED_TRACE(byName ? "by id" : "by index");
    if (!IsSdkBridgeReady()) InitDemoSdk();
    SdkDemoRecord* record = GetSdkDemo(index);
    ASSERT_TRUE(byName ? StartSdkDemoByName("gl32_triangle", 320, 240, "Off", false, -1)
                       : StartSdkDemoByIndex(index, 320, 240, "Off", false, -1));
    ASSERT_TRUE(pumpUntil([&] { return record->running.load(); }, 10000));
    ASSERT_TRUE(pumpUntil([] { return logHas("[STV] - Demo initialized OK."); }, 10000));
    const ULONGLONG start = GetTickCount64();
    ShutdownDemoSdk();
    EXPECT_LT(GetTickCount64() - start, 10000u);
    EXPECT_EQ(0, GetSdkDemoCount());
    EXPECT_EQ(nullptr, FindWindowA("TVL_WinClass", nullptr));
    EXPECT_TRUE(logHas("[STV] - Demo terminated OK."));
  }
}

// The render thread follows the window's size; the benchmark row carries
// the size the demo ended with.
TEST_F(LauncherTest, ResizedDemoReportsItsNewSize) {
  g_app.tvlDemoDurationMs = 1500;
  const int index = catalogueIndexOf("gl21_cellshading");
  ASSERT_GE(index, 0);
  SdkDemoRecord* record = GetSdkDemo(index);
  ASSERT_TRUE(StartSdkDemoByName("gl21_cellshading", 320, 240, "Off", false, -1));
  ASSERT_TRUE(pumpUntil([&] { return record->running.load(); }, 10000));
  setClientSize(record->window, 400, 300);
  ASSERT_TRUE(pumpUntilQuit(20000));
  ASSERT_TRUE(pumpUntil([] { return !IsSdkDemoRunning(); }, 10000));
  const std::vector<std::string> csv = readLines(kCsvFile);
  ASSERT_EQ(2u, csv.size());
  EXPECT_NE(std::string::npos, csv[1].find(",\"gl21_cellshading\",400,300,\"Off\",\"no\",")) << csv[1];
}

TEST_F(LauncherTest, BenchmarkLoggingOffWritesNoFile) {
  g_app.tvlDemoDurationMs = 200;
  g_app.tvlBenchmarkLog = false;
  ASSERT_TRUE(StartSdkDemoByName("gl11_triangle", 320, 240, "Off", false, -1));
  ASSERT_TRUE(pumpUntilQuit(20000));
  ASSERT_TRUE(pumpUntil([] { return !IsSdkDemoRunning(); }, 10000));
  EXPECT_TRUE(logHas("TVL DEMO - benchmark completed"));
  EXPECT_FALSE(fileExists(kCsvFile));
}

// A scene the framework refuses closes its window: the caller's loop ends,
// nothing is left running and no row is written.
TEST_F(LauncherTest, DemoThatFailsToInitialiseClosesItsWindow) {
  g_app.tvlDemoDurationMs = 200;
  const std::string file = writeScene("launcher_bad_scene.xml",
                                      "<quellin>\n  <window name=\"w\" renderer_type=\"OpenGL\" />\n"
                                      "  <script name=\"init\" run_mode=\"INIT\">\n    error broken on purpose\n"
                                      "  </script>\n</quellin>\n");
  ASSERT_TRUE(AddSdkDemo("Broken", "launcher_bad_scene", file.c_str()));
  ASSERT_TRUE(StartSdkDemoByName("launcher_bad_scene", 320, 240, "Off", false, -1));
  ASSERT_TRUE(pumpUntilQuit(20000)) << "the window was not closed";
  ASSERT_TRUE(pumpUntil([] { return !IsSdkDemoRunning(); }, 10000));
  EXPECT_TRUE(logHas("[STV] - Unable to execute init scripts."));
  EXPECT_FALSE(fileExists(kCsvFile));
}

// Mouse input on the window reaches the running scene.
TEST_F(LauncherTest, MouseInputReachesTheScene) {
  const std::string file = writeScene("launcher_mouse_scene.xml",
                                      "<quellin>\n  <window name=\"w\" renderer_type=\"OpenGL\" />\n"
                                      "  <script name=\"frame\" run_mode=\"FRAME\">\n    trace_mouse\n"
                                      "  </script>\n</quellin>\n");
  ASSERT_TRUE(AddSdkDemo("Mouse", "launcher_mouse_scene", file.c_str()));
  const int index = catalogueIndexOf("launcher_mouse_scene");
  ASSERT_TRUE(StartSdkDemoByIndex(index, 320, 240, "Off", false, -1));
  SdkDemoRecord* record = GetSdkDemo(index);
  ASSERT_TRUE(pumpUntil([&] { return record->running.load() && record->window; }, 10000));
  ASSERT_TRUE(pumpUntil([] { return logHas("[STV] - Demo initialized OK."); }, 10000));
  PostMessageA(record->window, WM_MOUSEMOVE, 0, MAKELPARAM(37, 21));
  PostMessageA(record->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(37, 21));
  EXPECT_TRUE(pumpUntil([] { return logHas("mouse x=37 y=21 buttons=1"); }, 10000));
  PostMessageA(record->window, WM_CLOSE, 0, 0);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(record->windowThread, 10000));
}

}  // namespace
