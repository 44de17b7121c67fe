// The CUDA tab: the devices the CUDA collector found at start-up and the
// properties of the chosen one.
#include <windows.h>

#include <cstdio>

#include "app/AppState.h"
#include "app/CudaInfo.h"
#include "app/Log.h"
#include "app/PanelLogo.h"
#include "app/Panels.h"
#include "resources/resource.h"

namespace {

// Resources come from the module the panel was created from.

const char kCudaWebPage[] = "https://developer.nvidia.com/cuda-zone";

// The logo stays loaded for the life of the process.
HBITMAP g_cudaLogo = nullptr;

// Every field of the tab with its label.
struct CudaField {
  int field;
  int label;
};
const CudaField kCudaFields[] = {
    {1157, 1156}, {1155, 1154}, {1159, 1158}, {1161, 1160}, {1184, 1183}, {1192, 1191},
    {1163, 1162}, {1165, 1164}, {1167, 1166}, {1169, 1168}, {1171, 1170}, {1173, 1172},
    {1175, 1174}, {1177, 1176}, {1180, 1179}, {1186, 1185}, {1188, 1187}, {1190, 1189},
};


void fillCudaDevice(HWND panel, int index) {
  index &= 0xFFFFFF;
  if (!g_app.cudaDevices || index >= g_app.cudaDeviceCount) return;
  const CudaDeviceInfo& d = g_app.cudaDevices[index];
  char text[256];
  snprintf(text, sizeof text, "%s", d.name);
  SetDlgItemTextA(panel, 1157, text);
  snprintf(text, sizeof text, "%d.%d", d.computeCapabilityMajor, d.computeCapabilityMinor);
  SetDlgItemTextA(panel, 1155, text);
  snprintf(text, sizeof text, "%d MB", static_cast<int>(d.totalMemory >> 20));
  SetDlgItemTextA(panel, 1159, text);
  snprintf(text, sizeof text, "%d MHz", d.clockRateKhz / 1000);
  SetDlgItemTextA(panel, 1161, text);
  snprintf(text, sizeof text, "%d MHz", d.memoryClockRateKhz / 1000);
  SetDlgItemTextA(panel, 1184, text);
  snprintf(text, sizeof text, "%d GB/s", d.memoryBandwidthGbs);
  SetDlgItemTextA(panel, 1192, text);
  snprintf(text, sizeof text, "%d (%d cores)", d.multiprocessorCount, d.totalCores);
  SetDlgItemTextA(panel, 1163, text);
  snprintf(text, sizeof text, "%d", d.warpSize);
  SetDlgItemTextA(panel, 1165, text);
  snprintf(text, sizeof text, "%d", d.maxThreadsPerBlock);
  SetDlgItemTextA(panel, 1167, text);
  snprintf(text, sizeof text, "%d x %d x %d", d.maxBlockDim[0], d.maxBlockDim[1], d.maxBlockDim[2]);
  SetDlgItemTextA(panel, 1169, text);
  snprintf(text, sizeof text, "%d x %d x %d", d.maxGridDim[0], d.maxGridDim[1], d.maxGridDim[2]);
  SetDlgItemTextA(panel, 1171, text);
  snprintf(text, sizeof text, "%d KB", d.maxSharedMemoryPerBlock / 1024);
  SetDlgItemTextA(panel, 1173, text);
  snprintf(text, sizeof text, "%d", d.regsPerBlock);
  SetDlgItemTextA(panel, 1175, text);
  snprintf(text, sizeof text, "%d bytes", d.textureAlign);
  SetDlgItemTextA(panel, 1177, text);
  snprintf(text, sizeof text, "%d KB", d.totalConstantMemory / 1024);
  SetDlgItemTextA(panel, 1180, text);
  snprintf(text, sizeof text, "%d-bit", d.memoryBusWidth);
  SetDlgItemTextA(panel, 1186, text);
  snprintf(text, sizeof text, "%d", d.pciBusId);
  SetDlgItemTextA(panel, 1188, text);
  snprintf(text, sizeof text, "%d KB", d.l2CacheSize / 1024);
  SetDlgItemTextA(panel, 1190, text);
}

void fillCudaPanel(HWND panel) {
  int count = g_app.cudaDevices ? g_app.cudaDeviceCount : 0;
  if (count < 0) count = 0;
  char text[256];
  snprintf(text, sizeof text, "Number of CUDA devices: %d", count);
  SetDlgItemTextA(panel, IDC_CUDA_DEVICE_COUNT, text);
  HWND combo = GetDlgItem(panel, IDC_CUDA_DEVICES);
  if (count > 0) {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo, CB_INITSTORAGE, 4, 508);
    for (int i = 0; i < count; ++i) {
      snprintf(text, sizeof text, "%d: %s", i + 1, g_app.cudaDevices[i].name);
      LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      if (item >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), i);
    }
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    fillCudaDevice(panel, 0);
    return;
  }
  // No device: every field empty, every field and label disabled.
  EnableWindow(combo, FALSE);
  for (const CudaField& f : kCudaFields) {
    SetDlgItemTextA(panel, f.field, "");
    EnableWindow(GetDlgItem(panel, f.field), FALSE);
    EnableWindow(GetDlgItem(panel, f.label), FALSE);
  }
}

}  // namespace

INT_PTR CALLBACK CudaPanelProc(HWND panel, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_PAINT:
      PaintPanelLogo(panel, &g_cudaLogo, IDB_CUDA_LOGO, IDC_CUDA_LOGO);
      return TRUE;
    case WM_INITDIALOG:
      fillCudaPanel(panel);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDC_CUDA_WEB && HIWORD(wp) == BN_CLICKED) {
        OpenWithShell(kCudaWebPage);
        return TRUE;
      }
      if (LOWORD(wp) == IDC_CUDA_DEVICES && HIWORD(wp) == CBN_SELCHANGE) {
        LRESULT selected = SendDlgItemMessageA(panel, IDC_CUDA_DEVICES, CB_GETCURSEL, 0, 0);
        if (selected >= 0) fillCudaDevice(panel, static_cast<int>(selected));
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}
