// The main window built from quorvel.exe's own resources: title, tabs,
// panels, tab switching, the refresh timer, minimising and closing; and the
// autostart device check.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Panels.h"
#include "app/Startup.h"
#include "demos/DemoStart.h"
#include "resources/resource.h"

namespace {

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string windowText(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

// Watches for a message box of this process, records its caption and text
// and closes it.
struct BoxCloser {
  HANDLE thread = nullptr;
  std::string caption, text;
  volatile LONG stop = 0;

  static BOOL CALLBACK find(HWND window, LPARAM self) {
    BoxCloser* closer = reinterpret_cast<BoxCloser*>(self);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof(cls));
    HWND label = GetDlgItem(window, 0xFFFF);
    if (std::string(cls) != "#32770" || !label) return TRUE;
    closer->caption = windowText(window);
    closer->text = windowText(label);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    InterlockedExchange(&closer->stop, 1);
    return FALSE;
  }
  static DWORD WINAPI run(LPVOID self) {
    BoxCloser* closer = static_cast<BoxCloser*>(self);
    for (int i = 0; i < 100 && !closer->stop; ++i) {
      EnumWindows(find, reinterpret_cast<LPARAM>(closer));
      Sleep(50);
    }
    return 0;
  }
  void start() { thread = CreateThread(nullptr, 0, run, this, 0, nullptr); }
  void finish() {
    InterlockedExchange(&stop, 1);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
  }
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAppState();
    program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    g_app.instance = program;
    g_app.onlineCheckEnabled = false;
  }
  void TearDown() override {
    if (window) DestroyWindow(window);
    pump();
    if (program) FreeLibrary(program);
    for (HWND& panel : g_app.panels) panel = nullptr;
  }
  void open() {
    window = CreateDialogParamA(program, MAKEINTRESOURCEA(IDD_MAIN_WINDOW), nullptr, MainDialogProc, 0);
    ASSERT_NE(nullptr, window);
    pump();
  }
  HWND tabs() { return GetDlgItem(window, IDC_MAIN_TABS); }
  void selectTab(int position) {
    SendMessageA(tabs(), TCM_SETCURSEL, static_cast<WPARAM>(position), 0);
    NMHDR header;
    header.hwndFrom = tabs();
    header.idFrom = IDC_MAIN_TABS;
    header.code = static_cast<UINT>(TCN_SELCHANGE);
    SendMessageA(window, WM_NOTIFY, IDC_MAIN_TABS, reinterpret_cast<LPARAM>(&header));
  }
  std::vector<int> visiblePanels() {
    std::vector<int> shown;
    for (int i = 0; i < kPanelCount; ++i)
      if (g_app.panels[i] && (GetWindowLongPtrA(g_app.panels[i], GWL_STYLE) & WS_VISIBLE))
        shown.push_back(i);
    return shown;
  }

  HMODULE program = nullptr;
  HWND window = nullptr;
};

TEST_F(MainWindowTest, TitleTabsAndFirstPanel) {
  open();
  EXPECT_EQ("Brenvik Quorvel 1.54.0.0", windowText(window));
  EXPECT_EQ(window, g_app.mainWindow);
  EXPECT_EQ(tabs(), g_app.tabControl);
  const struct {
    const char* text;
    int param;
  } expected[] = {{"GPU", 0}, {"OpenGL", 1}, {"CUDA", 2}, {"OpenCL", 3},
                  {"Vulkan", 4}, {"3D Demos", 8}, {"Tools", 6}};
  ASSERT_EQ(7, SendMessageA(tabs(), TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < 7; ++i) {
    char text[64] = "";
    TCITEMA item;
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    ASSERT_TRUE(SendMessageA(tabs(), TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(expected[i].text, text) << "tab " << i;
    EXPECT_EQ(expected[i].param, item.lParam) << "tab " << i;
  }
  ASSERT_NE(nullptr, g_app.panels[kPanelGpu]);
  ASSERT_NE(nullptr, g_app.panels[kPanelTools]);
  EXPECT_EQ(tabs(), GetParent(g_app.panels[kPanelGpu]));
  EXPECT_EQ(std::vector<int>{kPanelGpu}, visiblePanels());
  // The panels fill the tab control below the tab row, less 4 pixels.
  RECT client, panel;
  GetClientRect(tabs(), &client);
  GetWindowRect(g_app.panels[kPanelGpu], &panel);
  MapWindowPoints(nullptr, tabs(), reinterpret_cast<POINT*>(&panel), 2);
  HDC screen = GetDC(nullptr);
  int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(0, panel.left);
  EXPECT_EQ(20 * dpiY / 96, panel.top);
  EXPECT_EQ((client.right - 4) * dpiX / 96, panel.right - panel.left);
  EXPECT_EQ((client.bottom - 4) * dpiY / 96, panel.bottom - panel.top);
  EXPECT_EQ(2400, g_app.refreshTimerId);
  EXPECT_EQ(nullptr, g_app.updateThread);  // no online check asked for
}

// The item parameter, not the position, chooses the panel.
TEST_F(MainWindowTest, SelectingATabShowsOnlyItsPanel) {
  open();
  selectTab(6);
  EXPECT_EQ(std::vector<int>{kPanelTools}, visiblePanels());
  selectTab(0);
  EXPECT_EQ(std::vector<int>{kPanelGpu}, visiblePanels());
  const struct {
    int param, panel;
  } params[] = {{0, kPanelGpu}, {1, kPanelOpenGl}, {2, kPanelCuda}, {3, kPanelOpenCl},
                {4, kPanelVulkan}, {8, kPanelDemos}, {6, kPanelTools}, {5, -1}, {7, -1}};
  for (const auto& p : params) EXPECT_EQ(p.panel, PanelOfTabParam(p.param)) << p.param;
}

TEST_F(MainWindowTest, MinimisingSlowsTheDemosAndRestoringLiftsThat) {
  open();
  SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_EQ(50, g_app.demoSleepMs);
  SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 300));
  EXPECT_EQ(0, g_app.demoSleepMs);
}

TEST_F(MainWindowTest, ClosesTheProgressDialog) {
  HWND progress = CreateDialogParamA(program, MAKEINTRESOURCEA(IDD_INIT_PROGRESS), nullptr,
                                     InitProgressDialogProc, 0);
  ASSERT_NE(nullptr, progress);
  char title[64] = "";
  GetDlgItemTextA(progress, IDC_INIT_TITLE, title, sizeof(title));
  EXPECT_STREQ("Quorvel 1.54.0.0", title);
  g_app.progressDialog = progress;
  open();
  pump();
  EXPECT_FALSE(IsWindow(progress));
}

// Closing kills the refresh timer and ends the dialog; the timer ticks
// before it must not touch a missing GPU.
TEST_F(MainWindowTest, TimerAndClose) {
  const int closers[][2] = {{WM_CLOSE, 0}, {WM_COMMAND, IDOK}, {WM_COMMAND, IDCANCEL}};
  for (const auto& closer : closers) {
    open();
    ShowWindow(window, SW_SHOW);
    SendMessageA(window, WM_TIMER, 2400, 0);
    SendMessageA(window, WM_TIMER, 77, 0);
    SendMessageA(window, static_cast<UINT>(closer[0]), static_cast<WPARAM>(closer[1]), 0);
    EXPECT_FALSE(IsWindowVisible(window)) << closer[0] << "/" << closer[1];
    EXPECT_FALSE(KillTimer(window, 2400)) << "the timer is gone already";
    DestroyWindow(window);
    window = nullptr;
  }
}

// An OpenCL demo asked for on the command line checks the device first.
TEST_F(MainWindowTest, AutostartWithoutOpenClDeviceShowsTheError) {
  const struct {
    int flag, type;
    const char* text;
  } cases[] = {
      {kAutostartClDeformer, kClDeviceTypeGpu, "OpenCL GPU not supported on the selected platform.\n\rBye..."},
      {kAutostartClPostFx, kClDeviceTypeCpu, "OpenCL CPU not supported on the selected platform.\n\rBye..."},
  };
  for (const auto& c : cases) {
    ResetAppState();
    g_app.instance = program;
    g_app.onlineCheckEnabled = false;
    g_app.autostart[c.flag] = true;
    g_app.autostart[kAutostartGl3Torus] = true;  // ignored: the first flag wins
    g_app.clDeviceType = c.type;
    BoxCloser closer;
    closer.start();
    open();
    closer.finish();
    EXPECT_EQ("Quorvel Error", closer.caption);
    EXPECT_EQ(c.text, closer.text);
    EXPECT_TRUE(IsWindow(window));  // the main window stays without a demo
    EXPECT_EQ(nullptr, g_app.demoSlots[kSlotGl3Torus].thread) << "the second switch started its demo";
    EXPECT_EQ(nullptr, g_app.demoWindows[kSlotGl3Torus]);
    DestroyWindow(window);
    window = nullptr;
  }
}

}  // namespace
