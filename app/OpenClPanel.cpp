// The OpenCL tab: the platforms and devices of the OpenCL table, the device
// indices of the OpenCL demos and the detail dialog.
#include <windows.h>

#include <cstdio>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/OpenClInfo.h"
#include "app/PanelLogo.h"
#include "app/Panels.h"
#include "resources/resource.h"

namespace {

// Resources come from the module the panel was created from.

const char kOpenClNewsPage[] = "https://www.khronos.org/news/tags/tag/OpenCL";
const char kOpenClStandardPage[] = "https://www.khronos.org/opencl/";

HBITMAP g_clLogo = nullptr;
// The platform and device the tab shows, read by the detail dialog.
int g_shownPlatform = 0;
int g_shownDevice = 0;

// The fields, labels and buttons that mean nothing without a platform.
const int kClPlatformControls[] = {
    IDC_CL_PLATFORMS, 1182, IDC_CL_VERSION, 1187, IDC_CL_DEVICES, IDC_CL_DEVICE_GROUP, IDC_CL_DEVICE_COUNT,
    IDC_CL_TYPE, 1198, IDC_CL_DEVICE_VERSION, 1204, IDC_CL_DRIVER, 1206, IDC_CL_COMPUTE_UNITS, 1208,
    IDC_CL_CLOCK, 1210, IDC_CL_GLOBAL_MEM, 1214, IDC_CL_LOCAL_MEM, 1218, IDC_CL_CONSTANT_BUFFER, 1220,
    IDC_CL_SAMPLERS, 1216, IDC_CL_IMAGE_2D, 1200, IDC_CL_IMAGE_3D, 1222, IDC_CL_EXTENSIONS, 1191,
    IDC_CL_WORK_ITEM_SIZES, 1196, IDC_CL_WORK_GROUP_SIZE, 1189, IDC_CL_MORE, IDC_CL_DEMO_GPU,
    IDC_CL_DEMO_GPU_LABEL, IDC_CL_DEMO_CPU, IDC_CL_DEMO_CPU_LABEL,
};


const OpenClPlatformInfo* platformAt(int p) {
  if (!g_app.clPlatforms || p < 0 || p >= g_app.clPlatformCount) return nullptr;
  return &g_app.clPlatforms[p];
}

// Emptied also when there is no device of the type: a disabled combo would
// otherwise still list the previous platform's devices, and the demos would
// still take its stale selection as their device index.
void fillDemoCombo(HWND panel, int combo, int label, int count) {
  HWND box = GetDlgItem(panel, combo);
  SendMessageA(box, CB_RESETCONTENT, 0, 0);
  EnableWindow(box, count > 0);
  EnableWindow(GetDlgItem(panel, label), count > 0);
  if (count <= 0) return;
  SendMessageA(box, CB_INITSTORAGE, 4, 80);
  char text[32];
  for (int i = 0; i < count; ++i) {
    snprintf(text, sizeof text, "dev %d", i);
    LRESULT item = SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (item >= 0) SendMessageA(box, CB_SETITEMDATA, static_cast<WPARAM>(item), i);
  }
  SendMessageA(box, CB_SETCURSEL, 0, 0);
}

void fillClDemoDeviceCombos(HWND panel, int p) {
  fillDemoCombo(panel, IDC_CL_DEMO_GPU, IDC_CL_DEMO_GPU_LABEL, platformAt(p) ? CountClGpuDevices(p) : 0);
  fillDemoCombo(panel, IDC_CL_DEMO_CPU, IDC_CL_DEMO_CPU_LABEL, platformAt(p) ? CountClCpuDevices(p) : 0);
}

void fillClDevice(HWND panel, int p, int d) {
  const OpenClPlatformInfo* platform = platformAt(p);
  if (!platform || !platform->devices || d < 0 || d >= platform->deviceCount) return;
  const OpenClDeviceInfo& dev = platform->devices[d];
  g_shownPlatform = p;
  g_shownDevice = d;
  char text[512];
  // A device that is neither a CPU nor a GPU (an accelerator) gets an empty
  // type: left as it was, the field would still show the type of the device
  // shown before it.
  const char* type = "";
  if (dev.deviceType & kClDeviceTypeCpu)
    type = "CPU";
  else if (dev.deviceType & kClDeviceTypeGpu)
    type = "GPU";
  SetDlgItemTextA(panel, IDC_CL_TYPE, type);
  snprintf(text, sizeof text, "%s", dev.version);
  SetDlgItemTextA(panel, IDC_CL_DEVICE_VERSION, text);
  snprintf(text, sizeof text, "%s", dev.driverVersion);
  SetDlgItemTextA(panel, IDC_CL_DRIVER, text);
  snprintf(text, sizeof text, "%d", dev.computeUnits);
  SetDlgItemTextA(panel, IDC_CL_COMPUTE_UNITS, text);
  snprintf(text, sizeof text, "%dMHz", dev.maxClockMhz);
  SetDlgItemTextA(panel, IDC_CL_CLOCK, text);
  snprintf(text, sizeof text, "%lldMB (Cache: %lldKB)", static_cast<long long>(dev.globalMemSize >> 20),
           static_cast<long long>(dev.globalCacheSize >> 10));
  SetDlgItemTextA(panel, IDC_CL_GLOBAL_MEM, text);
  snprintf(text, sizeof text, "%lldKB", static_cast<long long>(dev.localMemSize >> 10));
  SetDlgItemTextA(panel, IDC_CL_LOCAL_MEM, text);
  snprintf(text, sizeof text, "%lldKB", static_cast<long long>(dev.maxConstantBufferSize >> 10));
  SetDlgItemTextA(panel, IDC_CL_CONSTANT_BUFFER, text);
  snprintf(text, sizeof text, "%d", dev.maxSamplers);
  SetDlgItemTextA(panel, IDC_CL_SAMPLERS, text);
  snprintf(text, sizeof text, "%d x %d", dev.image2dMaxWidth, dev.image2dMaxHeight);
  SetDlgItemTextA(panel, IDC_CL_IMAGE_2D, text);
  snprintf(text, sizeof text, "%d x %d x %d", dev.image3dMaxWidth, dev.image3dMaxHeight, dev.image3dMaxDepth);
  SetDlgItemTextA(panel, IDC_CL_IMAGE_3D, text);
  snprintf(text, sizeof text, "%d", static_cast<int>(dev.extensions.size()));
  SetDlgItemTextA(panel, IDC_CL_EXTENSIONS, text);
  snprintf(text, sizeof text, "%d x %d x %d", static_cast<int>(dev.workItemSizes[0]),
           static_cast<int>(dev.workItemSizes[1]), static_cast<int>(dev.workItemSizes[2]));
  SetDlgItemTextA(panel, IDC_CL_WORK_ITEM_SIZES, text);
  snprintf(text, sizeof text, "%d", dev.maxWorkGroupSize);
  SetDlgItemTextA(panel, IDC_CL_WORK_GROUP_SIZE, text);
}

void fillClDevices(HWND panel, int p) {
  const OpenClPlatformInfo* platform = platformAt(p);
  if (!platform) return;
  char text[512];
  snprintf(text, sizeof text, "%s %s", platform->version, platform->profile);
  SetDlgItemTextA(panel, IDC_CL_VERSION, text);
  int count = platform->devices ? platform->deviceCount : 0;
  snprintf(text, sizeof text, "Number of CL devices: %d", count);
  SetDlgItemTextA(panel, IDC_CL_DEVICE_COUNT, text);
  HWND combo = GetDlgItem(panel, IDC_CL_DEVICES);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  SendMessageA(combo, CB_INITSTORAGE, 4, 508);
  for (int i = 0; i < count; ++i) {
    snprintf(text, sizeof text, "%d: %s", i + 1, platform->devices[i].name);
    LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (item >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), i);
  }
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  fillClDevice(panel, p, 0);
}

void fillClPanel(HWND panel) {
  int count = g_app.clPlatforms ? g_app.clPlatformCount : 0;
  if (count < 0) count = 0;
  char text[512];
  snprintf(text, sizeof text, "Number of CL platforms: %d", count);
  SetDlgItemTextA(panel, IDC_CL_PLATFORM_COUNT, text);
  SetDlgItemTextA(panel, IDC_CL_MORE, "More OpenCL information...");
  if (count > 0) {
    HWND combo = GetDlgItem(panel, IDC_CL_PLATFORMS);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo, CB_INITSTORAGE, 4, 508);
    for (int i = 0; i < count; ++i) {
      snprintf(text, sizeof text, "%d: %s", i + 1, g_app.clPlatforms[i].name);
      LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      if (item >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), i);
    }
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    g_app.clPlatformSelection = 0;
    fillClDevices(panel, 0);
    fillClDemoDeviceCombos(panel, 0);
    return;
  }
  for (int id : kClPlatformControls) EnableWindow(GetDlgItem(panel, id), FALSE);
}

INT_PTR CALLBACK OpenClInfoDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      char caption[128];
      snprintf(caption, sizeof caption, "%s - OpenCL Information", kAppName);
      SetWindowTextA(dialog, caption);
      FormatOpenClDetails(dialog, g_shownPlatform, g_shownDevice);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wp));
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

int selectionOf(HWND panel, int combo) {
  return static_cast<int>(SendDlgItemMessageA(panel, combo, CB_GETCURSEL, 0, 0));
}

}  // namespace

INT_PTR CALLBACK OpenClPanelProc(HWND panel, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_PAINT:
      PaintPanelLogo(panel, &g_clLogo, IDB_CL_LOGO, IDC_CL_LOGO);
      return TRUE;
    case WM_INITDIALOG:
      fillClPanel(panel);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wp);
      int code = HIWORD(wp);
      if (code == BN_CLICKED && id == IDC_CL_NEWS) {
        OpenWithShell(kOpenClNewsPage);
        return TRUE;
      }
      if (code == BN_CLICKED && id == IDC_CL_STANDARD) {
        OpenWithShell(kOpenClStandardPage);
        return TRUE;
      }
      if (code == BN_CLICKED && id == IDC_CL_MORE) {
        if (platformAt(g_shownPlatform))
          DialogBoxParamA(PanelModule(panel), MAKEINTRESOURCEA(IDD_CL_DETAILS), panel, OpenClInfoDialogProc,
                          0);
        return TRUE;
      }
      if (code != CBN_SELCHANGE) return FALSE;
      if (id == IDC_CL_PLATFORMS) {
        int p = selectionOf(panel, IDC_CL_PLATFORMS);
        if (platformAt(p)) {
          g_app.clPlatformSelection = p;
          fillClDevices(panel, p);
          fillClDemoDeviceCombos(panel, p);
        }
        return TRUE;
      }
      if (id == IDC_CL_DEVICES) {
        fillClDevice(panel, selectionOf(panel, IDC_CL_PLATFORMS), selectionOf(panel, IDC_CL_DEVICES));
        return TRUE;
      }
      if (id == IDC_CL_DEMO_GPU || id == IDC_CL_DEMO_CPU) g_app.clDeviceIndexGiven = false;
      return FALSE;
    }
  }
  return FALSE;
}
