// The Tools tab: system facts, the report export, the system information
// program, the running 3D applications and two driver links.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "app/AppState.h"
#include "app/LinkControl.h"
#include "app/Log.h"
#include "app/Panels.h"
#include "app/ReportDialog.h"
#include "detect/Scanrik.h"
#include "resources/resource.h"

namespace {

const char kNvidiaDriversLink[] = "https://www.nvidia.com/Download/index.aspx";
const char kAmdDriversLink[] = "https://www.amd.com/en/support";
const char kMonitoringHint[] = "\n\r\n\rReal time monitoring available in Dravok!";
const int kAppListSize = 4096;
const int kPieceMax = 255;

bool g_toolsFilled = false;

void setText(HWND panel, int id, const char* text) { SetDlgItemTextA(panel, id, text ? text : ""); }

// Appends at most kPieceMax characters of a piece; a piece that would not
// fit whole is left out, so the list never ends in a cut line.
bool appendPiece(char* text, size_t size, const char* piece) {
  size_t used = strnlen(text, size);
  size_t n = strnlen(piece, kPieceMax);
  if (used + n + 1 > size) return false;
  memcpy(text + used, piece, n);
  text[used + n] = '\0';
  return true;
}

void showActive3DApps(Scanrik* s) {
  int n = s ? s->getNumActive3DApps(0) : 0;
  if (n < 1) {
    ShowInfoBox("No 3D application detected.%s", kMonitoringHint);
    return;
  }
  char text[kAppListSize] = "Current active 3D applications:";
  // Room for the closing hint is kept back while the list is built.
  const size_t listSize = sizeof(text) - strlen(kMonitoringHint);
  for (int j = 0; j < n; ++j) {
    const char* name = s->getActive3DAppName(0, j);
    char piece[kPieceMax + 1];
    snprintf(piece, sizeof(piece), "\n\r-%s (PID: %d)", name ? name : "", s->getActive3DAppPid(0, j));
    if (!appendPiece(text, listSize, piece)) break;
  }
  appendPiece(text, sizeof(text), kMonitoringHint);
  ShowInfoBox("%s", text);
}

}  // namespace

void FillToolsPanel(HWND panel) {
  if (g_toolsFilled) return;
  g_toolsFilled = true;
  MakeHyperlink(panel, IDC_TOOLS_NVIDIA_LINK);
  MakeHyperlink(panel, IDC_TOOLS_AMD_LINK);
  Scanrik* s = Scanrik::instance();
  if (!s) return;
  char text[256];
  snprintf(text, sizeof(text), "%s", s->getCPUName() ? s->getCPUName() : "");
  setText(panel, IDC_TOOLS_CPU, text);
  int memoryMB = s->getInstalledMemoryMB();
  if (memoryMB == 0) memoryMB = s->getTotalMemoryKB() >> 10;
  snprintf(text, sizeof(text), "%d MB", memoryMB);
  setText(panel, IDC_TOOLS_MEMORY, text);
  snprintf(text, sizeof(text), "%s", s->getOSName() ? s->getOSName() : "");
  setText(panel, IDC_TOOLS_OS, text);
  snprintf(text, sizeof(text), "%dx%d @ %dHz - %dbpp", s->getDesktopWidth(), s->getDesktopHeight(),
           s->getDesktopFrequency(), s->getDesktopBitsPerPixel());
  setText(panel, IDC_TOOLS_DISPLAY_MODE, text);
  snprintf(text, sizeof(text), "%d MHz", s->getCPUSpeedMHz());
  setText(panel, IDC_TOOLS_CPU_SPEED, text);
  snprintf(text, sizeof(text), "%d", s->getCPULogicalCores());
  setText(panel, IDC_TOOLS_CPU_CORES, text);
}

void ResetToolsPanelForTests() { g_toolsFilled = false; }

INT_PTR CALLBACK ToolsPanelProc(HWND panel, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) {
    FillToolsPanel(panel);
    return TRUE;
  }
  if (msg != WM_COMMAND) return FALSE;
  switch (LOWORD(wp)) {
    case IDC_TOOLS_EXPORT:
      DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_REPORT), panel, ReportDialogProc, 0);
      break;
    case IDC_TOOLS_MSINFO:
      ShellExecuteA(nullptr, "open", "msinfo32.exe", nullptr, nullptr, SW_SHOWNORMAL);
      break;
    case IDC_TOOLS_ACTIVE_3D_APPS:
      showActive3DApps(Scanrik::instance());
      break;
    case IDC_TOOLS_NVIDIA_LINK:
      OpenWithShell(kNvidiaDriversLink);
      break;
    case IDC_TOOLS_AMD_LINK:
      OpenWithShell(kAmdDriversLink);
      break;
    default:
      break;
  }
  return TRUE;
}
