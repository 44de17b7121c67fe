// The 3D Demos tab: the built-in OpenGL and OpenCL demos, the framework's
// demos, the version with a manual update check, and web links.
#include <windows.h>

#include <cstdio>

#include "app/AppState.h"
#include "app/LinkControl.h"
#include "app/Log.h"
#include "app/Panels.h"
#include "app/UpdateCheck.h"
#include "demos/DemoCatalogue.h"
#include "demos/DemoControl.h"
#include "demos/DemoLauncher.h"
#include "detect/Scanrik.h"
#include "resources/resource.h"

namespace {

const char kHomepage[] = "https://www.brenvik.com/quorvel/";
const char kLatestVersion[] = "https://www.brenvik.com/quorvel/download/";
const char kFrameworkHomepage[] = "https://www.brenvik.com/tavrin/";
const char kFrameworkSdk[] = "https://www.brenvik.com/tavrin/sdk/";

void fillCombo(HWND panel, int id, int storage) {
  HWND combo = GetDlgItem(panel, id);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  SendMessageA(combo, CB_INITSTORAGE, 20, storage);
}

void fillDemosPanel(HWND panel) {
  fillCombo(panel, IDC_DEMOS_SDK_LIST, 2560);
  for (int i = 0; i < GetSdkDemoCount(); ++i) {
    const SdkDemoRecord* d = GetSdkDemo(i);
    if (!d) continue;
    LRESULT at = SendDlgItemMessageA(panel, IDC_DEMOS_SDK_LIST, CB_ADDSTRING, 0,
                                     reinterpret_cast<LPARAM>(d->title.c_str()));
    if (at >= 0) SendDlgItemMessageA(panel, IDC_DEMOS_SDK_LIST, CB_SETITEMDATA, at, i);
  }
  SendDlgItemMessageA(panel, IDC_DEMOS_SDK_LIST, CB_SETCURSEL, 0, 0);
  fillCombo(panel, IDC_DEMOS_GL_LIST, 200);
  for (const DemoDescriptor& d : kGlDemoCatalogue)
    SendDlgItemMessageA(panel, IDC_DEMOS_GL_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d.name));
  SendDlgItemMessageA(panel, IDC_DEMOS_GL_LIST, CB_SETCURSEL, 0, 0);
  g_app.selectedGlDemo = 0;
  fillCombo(panel, IDC_DEMOS_CL_LIST, 200);
  for (const DemoDescriptor& d : kClDemoCatalogue)
    SendDlgItemMessageA(panel, IDC_DEMOS_CL_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d.name));
  SendDlgItemMessageA(panel, IDC_DEMOS_CL_LIST, CB_SETCURSEL, 0, 0);
  g_app.selectedClDemo = 0;
  char version[256];
  snprintf(version, sizeof(version), "%s %d.%d.%d (build: %s@%s)\r\n(C) Brenvik. All rights reserved.",
           kAppName, kAppVersion[0], kAppVersion[1], kAppVersion[2], __DATE__, __TIME__);
  SetDlgItemTextA(panel, IDC_DEMOS_VERSION, version);
  SetDlgItemTextA(panel, IDC_DEMOS_CHECK_UPDATE, "Check for update");
  const int links[] = {IDC_DEMOS_HOMEPAGE, IDC_DEMOS_LATEST, IDC_DEMOS_SDK_HOMEPAGE, IDC_DEMOS_SDK_SDK};
  for (int id : links) MakeHyperlink(panel, id);
}

}  // namespace

// A combo box without a selection answers CB_ERR (-1): that is no device
// index, the first device is meant.
int ComboSelectionOrFirst(HWND dialog, int id) {
  LRESULT selection = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
  return selection < 0 ? 0 : static_cast<int>(selection);
}

// The check that a demo's needs are met by the detection context; the
// message to show when they are not, or null.
const char* GlDemoRequirementMessage(int row) {
  Scanrik* s = Scanrik::instance();
  if (!s) return nullptr;
  bool gl2 = s->isOpenGLFeatureSupported(25);
  switch (row) {
    case 0:
    case 1:
    case 2:
    case 10:
      return nullptr;
    case 3:
      return gl2 ? nullptr : "This demo requires the support of OpenGL 2.0.";
    case 4:
      return (gl2 && s->getMaxDrawBuffers() > 1)
                 ? nullptr
                 : "This demo requires the support of OpenGL 2.0 and two render targets.";
    case 5:
      return (s->isOpenGLFeatureSupported(29) && s->isOpenGLExtensionSupported("GL_EXT_gpu_shader4"))
                 ? nullptr
                 : "This demo requires the support of GL_EXT_gpu_shader4 / GL_ARB_draw_instanced / "
                   "GL_EXT_draw_instanced.";
    case 6:
      return (gl2 && s->isOpenGLFeatureSupported(20)) ? nullptr
                                                        : "This demo requires the support of OpenGL 2.0 and FBO.";
    case 7:
      return (gl2 && s->isOpenGLFeatureSupported(24))
                 ? nullptr
                 : "This demo requires the support of OpenGL 2.0 and Point Sprite.";
    case 8:
      return (gl2 && s->getMaxVertexTextureImageUnits() != 0)
                 ? nullptr
                 : "This demo requires the support of OpenGL 2.0 and one vertex texture unit.";
    default:
      return gl2 ? nullptr : "This demo requires the support of OpenGL 2.0.";
  }
}

namespace {

void startGlDemo(HWND panel) {
  g_currentCatalogue = kGlDemoCatalogue;
  int row = g_app.selectedGlDemo;
  if (const char* missing = GlDemoRequirementMessage(row)) {
    ShowErrorBox("%s", missing);
    return;
  }
  // An unknown selection is the toon shading demo, as its requirement.
  if (row < 0 || row >= kGlDemoCount) row = 9;
  StartCatalogueGlDemo(panel, row, true);
}

void startClDemo(HWND panel) {
  g_currentCatalogue = kClDemoCatalogue;
  HWND clPanel = g_app.panels[kPanelOpenCl];
  if (clPanel) {
    g_app.clGpuDeviceSelection = ComboSelectionOrFirst(clPanel, IDC_CL_DEMO_GPU);
    g_app.clCpuDeviceSelection = ComboSelectionOrFirst(clPanel, IDC_CL_DEMO_CPU);
  }
  int demo = g_app.selectedClDemo;
  if (demo < 0 || demo > 7) demo = 0;
  int type = (demo % 2) ? kClDeviceTypeCpu : kClDeviceTypeGpu;
  switch (demo / 2) {
    case 0: StartClJuliaDemo(panel, type, true); break;
    case 1: StartClParticlesDemo(panel, type, true); break;
    case 2: StartClMeshDeformerDemo(panel, type, true); break;
    default: StartClPostFxDemo(panel, type, true); break;
  }
}

void checkForUpdate(HWND panel) {
  SetDlgItemTextA(panel, IDC_DEMOS_CHECK_UPDATE, "Checking...");
  g_app.updateResult = CheckForUpdate();
  SetDlgItemTextA(panel, IDC_DEMOS_CHECK_UPDATE, "Check for update");
  if (g_app.updateResult <= 0)
    ShowInfoBox("You  have the latest version of Quorvel.");
  else
    DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_UPDATE), panel, UpdateDialogProc, 0);
}

void startFrameworkDemo() {
  if (IsSdkDemoRunning()) {
    ShowWarningBox("A Tavrin demo is already running...");
    return;
  }
  StartSdkDemoByIndex(g_app.selectedSdkDemo, 1280, 720, "Off", false, g_app.vkGpuIndex);
}

int comboSelection(HWND panel, int id) {
  return static_cast<int>(SendDlgItemMessageA(panel, id, CB_GETCURSEL, 0, 0));
}

}  // namespace

INT_PTR CALLBACK DemosPanelProc(HWND panel, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) {
    fillDemosPanel(panel);
    return TRUE;
  }
  if (msg != WM_COMMAND) return FALSE;
  int id = LOWORD(wp);
  if (HIWORD(wp) == CBN_SELCHANGE) {
    int sel = comboSelection(panel, id);
    if (sel < 0) return TRUE;
    if (id == IDC_DEMOS_SDK_LIST)
      g_app.selectedSdkDemo = static_cast<int>(SendDlgItemMessageA(panel, id, CB_GETITEMDATA, sel, 0));
    else if (id == IDC_DEMOS_GL_LIST)
      g_app.selectedGlDemo = sel;
    else if (id == IDC_DEMOS_CL_LIST)
      g_app.selectedClDemo = sel;
    return TRUE;
  }
  switch (id) {
    case IDC_DEMOS_GL_START: startGlDemo(panel); break;
    case IDC_DEMOS_CL_START: startClDemo(panel); break;
    case IDC_DEMOS_CHECK_UPDATE: checkForUpdate(panel); break;
    case IDC_DEMOS_SDK_START: startFrameworkDemo(); break;
    case IDC_DEMOS_HOMEPAGE: OpenWithShell(kHomepage); break;
    case IDC_DEMOS_LATEST: OpenWithShell(kLatestVersion); break;
    case IDC_DEMOS_SDK_HOMEPAGE: OpenWithShell(kFrameworkHomepage); break;
    case IDC_DEMOS_SDK_SDK: OpenWithShell(kFrameworkSdk); break;
    default: break;
  }
  return TRUE;
}
