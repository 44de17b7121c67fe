// The main window: the tab control with the seven tab panels, the update
// check thread, a demo asked for on the command line and the one-second
// sensor refresh. Its modal loop is the program's main loop.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/MainWindow.h"
#include "app/Panels.h"
#include "app/UpdateCheck.h"
#include "demos/DemoControl.h"
#include "resources/resource.h"

const MainTab kMainTabs[7] = {
    {"GPU", 0, kPanelGpu, IDD_PANEL_GPU},
    {"OpenGL", 1, kPanelOpenGl, IDD_PANEL_OPENGL},
    {"CUDA", 2, kPanelCuda, IDD_PANEL_CUDA},
    {"OpenCL", 3, kPanelOpenCl, IDD_PANEL_OPENCL},
    {"Vulkan", 4, kPanelVulkan, IDD_PANEL_VULKAN},
    {"3D Demos", 8, kPanelDemos, IDD_PANEL_DEMOS},
    {"Tools", 6, kPanelTools, IDD_PANEL_TOOLS},
};

namespace {

const int kRefreshTimerId = 2400;
const UINT kRefreshPeriodMs = 1000;
const int kMinimisedDemoSleepMs = 50;

// Panels in the order they are created.
struct PanelTemplate {
  int panel;
  int dialog;
  DLGPROC proc;
};
const PanelTemplate kPanelTemplates[kPanelCount] = {
    {kPanelGpu, IDD_PANEL_GPU, GpuPanelProc},
    {kPanelOpenGl, IDD_PANEL_OPENGL, OpenGlPanelProc},
    {kPanelTools, IDD_PANEL_TOOLS, ToolsPanelProc},
    {kPanelCuda, IDD_PANEL_CUDA, CudaPanelProc},
    {kPanelOpenCl, IDD_PANEL_OPENCL, OpenClPanelProc},
    {kPanelDemos, IDD_PANEL_DEMOS, DemosPanelProc},
    {kPanelVulkan, IDD_PANEL_VULKAN, VulkanPanelProc},
};

// Tab positions as inserted; positions past the end land at the end.
const int kTabInsertPositions[7] = {0, 1, 2, 3, 4, 8, 6};

void showOnly(int panel) {
  for (int i = 0; i < kPanelCount; ++i)
    if (g_app.panels[i]) ShowWindow(g_app.panels[i], i == panel ? SW_SHOW : SW_HIDE);
}

void createPanels(HWND tabs) {
  RECT client = {0, 0, 0, 0};
  GetClientRect(tabs, &client);
  int dpiX = 96, dpiY = 96;
  HDC screen = GetDC(nullptr);
  if (screen) {
    dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  int y = 20 * dpiY / 96;
  int width = (client.right - client.left - 4) * dpiX / 96;
  int height = (client.bottom - client.top - 4) * dpiY / 96;
  for (const PanelTemplate& t : kPanelTemplates) {
    HWND panel = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(t.dialog), tabs, t.proc, 0);
    g_app.panels[t.panel] = panel;
    if (panel) SetWindowPos(panel, nullptr, 0, y, width, height, SWP_NOZORDER | SWP_SHOWWINDOW);
  }
  showOnly(kPanelGpu);
}

void insertTabs(HWND tabs) {
  for (int i = 0; i < 7; ++i) {
    TCITEMA item;
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<char*>(kMainTabs[i].text);
    item.lParam = kMainTabs[i].param;
    SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(kTabInsertPositions[i]),
                 reinterpret_cast<LPARAM>(&item));
  }
}

}  // namespace

// Starts the first demo whose start switch was given; the others are ignored.
// The OpenCL starters check the device of the selected platform themselves.
void StartDemoOfSwitches(HWND window) {
  static const struct {
    int flag;
    int row;
  } kGlDemos[] = {
      {kAutostartGl4Tessellation, 0}, {kAutostartGl3Torus, 1},      {kAutostartGl3Triangle, 2},
      {kAutostartGl2Fur, 3},          {kAutostartGl2HdrDof, 4},     {kAutostartGl2Instancing, 5},
      {kAutostartGl2SoftShadows, 6},  {kAutostartGl2PointSprite, 7}, {kAutostartGl2Vtf, 8},
      {kAutostartGl2Toon, 9},         {kAutostartGl2SimpleTorus, 10},
  };
  // In this order: the first given wins.
  static const struct {
    int flag;
    bool (*start)(HWND parent, int deviceType, bool showOptions);
  } kClDemos[] = {
      {kAutostartClDeformer, StartClMeshDeformerDemo},
      {kAutostartClPostFx, StartClPostFxDemo},
      {kAutostartClParticles, StartClParticlesDemo},
      {kAutostartClJulia, StartClJuliaDemo},
  };
  for (const auto& demo : kClDemos) {
    if (!g_app.autostart[demo.flag]) continue;
    demo.start(window, g_app.clDeviceType, false);
    return;
  }
  for (const auto& demo : kGlDemos) {
    if (!g_app.autostart[demo.flag]) continue;
    StartCatalogueGlDemo(window, demo.row, false);
    return;
  }
}

namespace {

void initMainWindow(HWND window) {
  g_app.mainWindow = window;
  char title[64];
  snprintf(title, sizeof(title), "Brenvik %s %s", kAppName, AppVersionText());
  SetWindowTextA(window, title);
  HICON icon = LoadIconA(g_app.instance, MAKEINTRESOURCEA(IDI_QUORVEL));
  if (icon) SetClassLongPtrA(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));

  HWND tabs = GetDlgItem(window, IDC_MAIN_TABS);
  g_app.tabControl = tabs;
  createPanels(tabs);
  insertTabs(tabs);

  g_app.refreshTimerId = kRefreshTimerId;
  SetTimer(window, static_cast<UINT_PTR>(kRefreshTimerId), kRefreshPeriodMs, nullptr);

  if (g_app.progressDialog && IsWindow(g_app.progressDialog))
    PostMessageA(g_app.progressDialog, WM_CLOSE, 0, 0);

  StartDemoOfSwitches(window);

  g_app.updateThread = nullptr;
  if (g_app.onlineCheckEnabled)
    g_app.updateThread = CreateThread(nullptr, 0, UpdateCheckThread, nullptr, 0, nullptr);

  LogPrintf(g_log, "%s startup ok.", kAppName);
}

void closeMainWindow(HWND window, INT_PTR code) {
  KillTimer(window, static_cast<UINT_PTR>(g_app.refreshTimerId));
  // The demo windows belong to this window and go with it: their demos end
  // first, while the windows they draw into still exist.
  EndAllDemos();
  EndDialog(window, code);
}

void onTabChanged(HWND tabs) {
  LRESULT selection = SendMessageA(tabs, TCM_GETCURSEL, 0, 0);
  if (selection < 0) return;
  TCITEMA item;
  item.mask = TCIF_PARAM;
  item.lParam = -1;
  if (!SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(selection),
                    reinterpret_cast<LPARAM>(&item)))
    return;
  int panel = PanelOfTabParam(static_cast<int>(item.lParam));
  if (panel >= 0) showOnly(panel);
}

}  // namespace

int PanelOfTabParam(int param) {
  for (const MainTab& tab : kMainTabs)
    if (tab.param == param) return tab.panel;
  return -1;
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      initMainWindow(window);
      return 1;
    case WM_SIZE:
      g_app.demoSleepMs = wp == SIZE_MINIMIZED ? kMinimisedDemoSleepMs : 0;
      return 1;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lp);
      if (header && header->idFrom == IDC_MAIN_TABS && header->code == static_cast<UINT>(TCN_SELCHANGE))
        onTabChanged(header->hwndFrom);
      return 1;
    }
    case WM_TIMER:
      if (static_cast<int>(wp) == g_app.refreshTimerId) {
        RefreshGlMemory();
        if (g_app.sensorRefreshEnabled && g_app.panels[kPanelGpu])
          RefreshGpuPanel(g_app.panels[kPanelGpu], g_app.selectedGpu);
      }
      return 1;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        closeMainWindow(window, LOWORD(wp));
        return 1;
      }
      return 0;
    case WM_CLOSE:
      closeMainWindow(window, IDCANCEL);
      return 1;
    default:
      return 0;
  }
}

void RunMainWindow(HINSTANCE instance) {
  if (!g_app.instance) g_app.instance = instance;
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN_WINDOW), nullptr, MainDialogProc, 0);
  g_app.mainWindow = nullptr;
}
