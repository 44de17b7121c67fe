// Shared by the launcher's test files: the log and benchmark files, message
// pumps and the fixture that brings the bridge up and down around each test.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/VulkanInfo.h"
#include "demos/DemoLauncher.h"
#include "gtest/gtest.h"
#include "stv.h"


inline const char kLogFile[] = "launcher_log.txt";
inline const char kCsvFile[] = "_tvl_benchmark_results.csv";
inline const char kCsvHeader[] = "renderer,api_version,demo_name,width,height,msaa,fullscreen,avg_fps,score,duration_ms";

inline std::vector<std::string> readLines(const char* file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

inline bool logHas(const std::string& text) {
  for (const std::string& line : readLines(kLogFile))
    if (line.find(text) != std::string::npos) return true;
  return false;
}

inline bool fileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Serves this thread's messages until the quit message; false on timeout.
inline bool pumpUntilQuit(DWORD timeoutMs) {
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
inline bool pumpUntil(Condition condition, DWORD timeoutMs) {
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

inline int catalogueIndexOf(const char* id) {
  for (int i = 0; i < GetSdkDemoCount(); ++i)
    if (GetSdkDemo(i)->id == id) return i;
  return -1;
}

// Writes a scene of the test's own into the program folder.
inline std::string writeScene(const char* file, const char* body) {
  std::string path = std::string(stv::get_app_directory()) + file;
  FILE* f = fopen(path.c_str(), "wb");
  if (f) {
    fputs(body, f);
    fclose(f);
  }
  return file;
}

// The client size of a top-level window of the demo's style.
inline void setClientSize(HWND window, int width, int height) {
  RECT rect = {0, 0, width, height};
  AdjustWindowRect(&rect, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE);
  SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

inline bool g_vulkanDetected = false;

class LauncherTest : public ::testing::Test {
 protected:
  // Vulkan demos run wherever a Vulkan device is found.
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
    ASSERT_TRUE(InitDemoSdk());
    ASSERT_TRUE(IsSdkBridgeReady());
  }
  void TearDown() override {
    EXPECT_TRUE(ShutdownDemoSdk()) << "a demo thread outlived shutdown";
    EXPECT_FALSE(IsSdkBridgeReady());
    EXPECT_EQ(nullptr, FindWindowA("TVL_WinClass", nullptr)) << "a demo window outlived shutdown";
    g_log.close();
  }

  int vulkanIndex() const { return g_vulkanDetected ? 0 : -1; }
};

