// The demo options dialog and the demo window.
#include <windowsx.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/DemoCatalogue.h"
#include "demos/DemoStart.h"
#include "detect/Scanrik.h"
#include "resources/resource.h"

namespace {

const DemoDescriptor* currentRow() {
  if (!g_currentCatalogue) return nullptr;
  int count = g_currentCatalogue == kClDemoCatalogue ? kClDemoCount : kGlDemoCount;
  int i = g_app.currentDemoIndex;
  return (i >= 0 && i < count) ? &g_currentCatalogue[i] : nullptr;
}

// The number at the start of an edit (0 when there is none), taken as
// unsigned and lowered to the biggest viewport of the detection context:
// "-5" reads as a huge number and so gives that viewport.
int readSize(HWND dialog, int id) {
  char text[128];
  memset(text, 0, sizeof(text));
  GetDlgItemTextA(dialog, id, text, 127);
  unsigned long v = strtoul(text, nullptr, 10);
  Scanrik* s = Scanrik::instance();
  const int limit = s ? s->getMaxViewportSize() : 0;
  if (limit > 0) {
    if (v > static_cast<unsigned long>(limit)) v = static_cast<unsigned long>(limit);
  } else if (text[strspn(text, " \t")] == '-') {
    // Without a known limit a negative entry gives 0, not a window of
    // billions of pixels.
    v = 0;
  }
  if (v > 0x7FFFFFFFul) v = 0x7FFFFFFFul;
  return static_cast<int>(v);
}

void initOptions(HWND dialog) {
  const DemoDescriptor* row = currentRow();
  const char* noDescription = "No description available for this demo.";
  if (row) {
    SetWindowTextA(dialog, row->name);
    SetDlgItemTextA(dialog, IDC_DEMO_DESCRIPTION, row->description[0] ? row->description : noDescription);
  } else {
    char title[64];
    snprintf(title, sizeof(title), "%s Tech-Demos", kAppName);
    SetWindowTextA(dialog, title);
    SetDlgItemTextA(dialog, IDC_DEMO_DESCRIPTION, noDescription);
  }
  bool link = row && row->benchmarkLink[0];
  SetDlgItemTextA(dialog, IDC_DEMO_BENCH_LINE,
                  link ? "A full-featured benchmark of this demo is available here:"
                       : "No benchmark is available for this demo.");
  SetDlgItemTextA(dialog, IDC_DEMO_BENCH_LINK, link ? row->benchmarkLink : "");
  EnableWindow(GetDlgItem(dialog, IDC_DEMO_BENCH_OPEN), link);
  const int sizeControls[] = {IDC_DEMO_SIZE_GROUP, IDC_DEMO_WIDTH_LABEL, IDC_DEMO_HEIGHT_LABEL,
                              IDC_DEMO_WIDTH, IDC_DEMO_HEIGHT};
  for (int id : sizeControls) EnableWindow(GetDlgItem(dialog, id), TRUE);
  char text[32];
  snprintf(text, sizeof(text), "%d", g_app.demoWinWidth);
  SetDlgItemTextA(dialog, IDC_DEMO_WIDTH, text);
  snprintf(text, sizeof(text), "%d", g_app.demoWinHeight);
  SetDlgItemTextA(dialog, IDC_DEMO_HEIGHT, text);
  g_app.optionsDialogWidth = g_app.demoWinWidth;
  g_app.optionsDialogHeight = g_app.demoWinHeight;
  HWND combo = GetDlgItem(dialog, IDC_DEMO_MSAA);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  SendMessageA(combo, CB_INITSTORAGE, 20, 200);
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("NONE"));
  Scanrik* s = Scanrik::instance();
  int modes = s ? s->getNumMSAAModes() : 0;
  for (int k = 0; k < modes; ++k) {
    snprintf(text, sizeof(text), "%dX", s->getMSAASamples(k));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  g_app.msaaSamples = 0;
}

void acceptOptions(HWND dialog) {
  g_app.optionsDialogWidth = readSize(dialog, IDC_DEMO_WIDTH);
  g_app.optionsDialogHeight = readSize(dialog, IDC_DEMO_HEIGHT);
  int k = static_cast<int>(SendDlgItemMessageA(dialog, IDC_DEMO_MSAA, CB_GETCURSEL, 0, 0));
  Scanrik* s = Scanrik::instance();
  if (k <= 0) g_app.msaaSamples = 0;
  else if (s && k - 1 < s->getNumMSAAModes()) g_app.msaaSamples = s->getMSAASamples(k - 1);
}

}  // namespace

INT_PTR CALLBACK DemoOptionsDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      initOptions(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDOK:
          acceptOptions(dialog);
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case IDC_DEMO_BENCH_OPEN: {
          const DemoDescriptor* row = currentRow();
          if (row) OpenWithShell(row->benchmarkLink);
          return TRUE;
        }
        case IDC_DEMO_MSAA:
          if (HIWORD(wp) == CBN_SELCHANGE &&
              SendDlgItemMessageA(dialog, IDC_DEMO_MSAA, CB_GETCURSEL, 0, 0) == 0)
            g_app.msaaSamples = 0;
          return TRUE;
        default:
          return FALSE;
      }
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

DemoSlot* FindDemoSlotOfWindow(HWND window) {
  if (!window) return nullptr;
  for (int i = 2; i < kDemoSlotCount; ++i)
    if (g_app.demoSlots[i].window == window) return &g_app.demoSlots[i];
  return nullptr;
}

INT_PTR CALLBACK DemoWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      char caption[512];
      int i = g_app.currentDemoIndex;
      const char* name = (i >= 0 && i < kGlDemoCount) ? kGlDemoCatalogue[i].name : "";
      snprintf(caption, sizeof(caption), "%s - %s - Initialization in progress...", kAppName, name);
      SetWindowTextA(window, caption);
      return TRUE;
    }
    // A modeless window: ended by destroying it (EndDialog would only hide it).
    case WM_CLOSE:
      CloseDemoWindow(window);
      return TRUE;
    case WM_CHAR:
      if (wp == 27) CloseDemoWindow(window);
      return TRUE;
    case WM_ERASEBKGND: {
      DemoSlot* slot = FindDemoSlotOfWindow(window);
      if (slot && slot->drawing == 1) return TRUE;
      SetWindowLongPtrA(window, DWLP_MSGRESULT, DefWindowProcA(window, msg, wp, lp));
      return TRUE;
    }
    case WM_PAINT:
      DefWindowProcA(window, msg, wp, lp);
      return TRUE;
    case WM_MOUSEMOVE:
      g_app.mouseX = GET_X_LPARAM(lp);
      g_app.mouseY = GET_Y_LPARAM(lp);
      return TRUE;
    default:
      return FALSE;
  }
}
