// The framework-demo launcher over the real bridge and the stand-in demo
// framework: catalogue demos run by id on this thread's message loop and by
// index on threads of their own, end as benchmarks or by a close, write the
// benchmark file, and are stopped by shutdown. Runs from the bin folder.
#include <regex>

#include "launcher_fixture.h"

namespace {

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

// The demo window's class takes the program's small icon from the
// program's resources.
TEST_F(LauncherTest, DemoWindowClassHasTheSmallIcon) {
  struct ProgramResources {
    HMODULE module = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ProgramResources() { g_app.instance = reinterpret_cast<HINSTANCE>(module); }
    ~ProgramResources() {
      g_app.instance = nullptr;
      if (module) FreeLibrary(module);
    }
  } program;
  ASSERT_NE(nullptr, program.module);
  const int index = catalogueIndexOf("gl11_triangle");
  ASSERT_GE(index, 0);
  SdkDemoRecord* record = GetSdkDemo(index);
  ASSERT_TRUE(StartSdkDemoByIndex(index, 320, 240, "Off", false, -1));
  ASSERT_TRUE(pumpUntil([&] { return record->window != nullptr; }, 10000));
  EXPECT_NE(0u, GetClassLongPtrA(record->window, GCLP_HICONSM));
  PostMessageA(record->window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(record->windowThread, 10000));
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
    EXPECT_TRUE(ShutdownDemoSdk());
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

// A demo window that is not fullscreen is made as large as a window of
// that client size with a menu, at (20, 20).
TEST_F(LauncherTest, WindowedDemoWindowIsSizedAsIfItHadAMenu) {
  SdkDemoRecord* record = GetSdkDemo(catalogueIndexOf("gl32_triangle"));
  ASSERT_NE(nullptr, record);
  record->width = 320;
  record->height = 240;
  record->fullscreen = false;
  ASSERT_TRUE(CreateSdkDemoWindow(record));
  RECT expected = {0, 0, 320, 240}, actual = {};
  AdjustWindowRect(&expected, WS_OVERLAPPEDWINDOW, TRUE);
  GetWindowRect(record->window, &actual);
  EXPECT_EQ(20, actual.left);
  EXPECT_EQ(20, actual.top);
  EXPECT_EQ(expected.right - expected.left, actual.right - actual.left);
  EXPECT_EQ(expected.bottom - expected.top, actual.bottom - actual.top);
  EXPECT_TRUE(DestroySdkDemoWindow(record));
  EXPECT_EQ(nullptr, record->window);
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
