// What the GPU tab's one-second refresh costs the UI thread: the program's
// detection started as at start-up (under whatever driver library the Wine
// prefix holds: bench/gpu_tab_bench.sh installs our fake NVIDIA or AMD one),
// the GPU tab from the program's own template in a visible window, then
// many refreshes of each GPU, each followed by the repaint it causes.
//
// Usage: bench_gpu_tab.exe [TICKS]
// Prints per GPU the thread CPU time (GetThreadTimes; Wine answers 0 for
// QueryThreadCycleTime) and the wall time per tick, for the refresh and for
// the repaint it causes, once with the fake driver's unchanging values and
// once with every text changed since the last tick; how many texts and
// enable states one refresh sets; and what each of the refresh's pieces
// costs on its own: every facade query it makes, formatting its texts,
// looking up a control, setting a text or an enable state.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Panels.h"
#include "detect/Scanrik.h"
#include "resources/resource.h"

namespace {

struct Cost {
  double cpuUs = 0, wallUs = 0;
};

uint64_t threadCpu100ns() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto v = [](const FILETIME& f) { return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
  return v(kernel) + v(user);
}

double nowUs() {
  static LARGE_INTEGER f = [] {
    LARGE_INTEGER q;
    QueryPerformanceFrequency(&q);
    return q;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1e6 / static_cast<double>(f.QuadPart);
}

// The mean cost of one call of `what` over `count` calls.
Cost measure(int count, const std::function<void()>& what) {
  uint64_t cpu0 = threadCpu100ns();
  double wall0 = nowUs();
  for (int i = 0; i < count; ++i) what();
  Cost c;
  c.wallUs = (nowUs() - wall0) / count;
  c.cpuUs = static_cast<double>(threadCpu100ns() - cpu0) / 10.0 / count;
  return c;
}

// The same with `prepare` run, untimed, before each call.
Cost measureEach(int count, const std::function<void()>& prepare, const std::function<void()>& what) {
  uint64_t cpu = 0;
  double wall = 0;
  for (int i = 0; i < count; ++i) {
    prepare();
    uint64_t cpu0 = threadCpu100ns();
    double wall0 = nowUs();
    what();
    wall += nowUs() - wall0;
    cpu += threadCpu100ns() - cpu0;
  }
  Cost c;
  c.wallUs = wall / count;
  c.cpuUs = static_cast<double>(cpu) / 10.0 / count;
  return c;
}

void print(const char* what, const Cost& c) {
  printf("  %-48s cpu %9.2f us   wall %9.2f us\n", what, c.cpuUs, c.wallUs);
}

// Every sensor field and its label, emptied behind the tab's back so that
// the next refresh finds every text changed, as live sensors may.
const int kSensorControls[] = {IDC_GPU_FAN, IDC_GPU_LOAD, IDC_GPU_VDDC, IDC_GPU_CURRENT_CLOCK,
                               IDC_GPU_MAX_CLOCK, IDC_GPU_FILLRATE, IDC_GPU_FILLRATE_LABEL,
                               IDC_GPU_TEMPERATURE, IDC_GPU_POWER};
void emptySensorFields(HWND panel) {
  for (int id : kSensorControls) SetDlgItemTextA(panel, id, "");
}

// Serves everything that waits in this thread's queue.
void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Counts the texts and enable states that reach the panel's controls.
int g_texts = 0, g_enables = 0;
LRESULT CALLBACK countingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETTEXT) ++g_texts;
  if (msg == WM_ENABLE) ++g_enables;
  return CallWindowProcA(reinterpret_cast<WNDPROC>(GetPropA(w, "bench_proc")), w, msg, wp, lp);
}
BOOL CALLBACK subclass(HWND child, LPARAM) {
  SetPropA(child, "bench_proc", reinterpret_cast<HANDLE>(GetWindowLongPtrA(child, GWLP_WNDPROC)));
  SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingProc));
  return TRUE;
}

// Each facade query the refresh makes for a GPU of this vendor, timed alone.
void facadeCosts(Scanrik* s, int g, int vendor, int count) {
  int a = 0, b = 0, c = 0, d = 0, e = 0;
  float f1 = 0, f2 = 0, f3 = 0, f4 = 0;
  char name[80];
  print("getGpuPciIds", measure(count, [&] { s->getGpuPciIds(g, &a, &b, &c, &d, &e); }));
  if (vendor == 0x1002) {
    print("getAmdOverdriveVersion", measure(count, [&] { s->getAmdOverdriveVersion(g); }));
    print("readAmdPMLogSensors", measure(count, [&] { s->readAmdPMLogSensors(g); }));
    print("6 x isAmdPMLogSensorSupported + value", measure(count, [&] {
            for (int id : {8, 1, 21, 14, 19, 23}) a += s->isAmdPMLogSensorSupported(g, id) + s->getAmdPMLogSensorValue(g, id);
          }));
    print("getGpuRatedClocks", measure(count, [&] { s->getGpuRatedClocks(g, &a, &b); }));
    print("getAmdPowerDraw", measure(count, [&] { s->getAmdPowerDraw(g, &f1, &f2); }));
    print("getAmdPowerTune", measure(count, [&] { s->getAmdPowerTune(g, &a, &b, &c, &d); }));
  }
  if (vendor == 0x10DE) {
    for (int type = 0; type < 3; ++type) {
      snprintf(name, sizeof(name), "getGpuClockFrequencies type %d", type);
      print(name, measure(count, [&] { s->getGpuClockFrequencies(g, type, &f1, &f2); }));
    }
    print("getGpuPowerUsage", measure(count, [&] { s->getGpuPowerUsage(g, &f1, &f2); }));
    print("getGpuPowerTarget", measure(count, [&] { s->getGpuPowerTarget(g, &f1, &f2); }));
    print("readGpuCoolerStatus + getGpuCoolerStatus", measure(count, [&] {
            s->readGpuCoolerStatus(g);
            s->getGpuCoolerStatus(g, 0, &a, &b, &c, &d, &e);
          }));
    print("getGpuCoreVoltage", measure(count, [&] { s->getGpuCoreVoltage(g, &f1); }));
    print("getGpuCoreVoltageAlt", measure(count, [&] { s->getGpuCoreVoltageAlt(g, &f1); }));
  }
  print("getGpuTemperature", measure(count, [&] { s->getGpuTemperature(g, &f1, &f2, &f3, &f4); }));
  print("getGpuFanSpeed", measure(count, [&] { s->getGpuFanSpeed(g, &a, &b); }));
  print("getGpuUsage", measure(count, [&] { s->getGpuUsage(g, &a, &b); }));
  print("getGpuCurrentPerformanceState", measure(count, [&] {
          s->getGpuCurrentPerformanceState(g, &a, &f1, &f2, &f3, &f4);
        }));
  snprintf(name, sizeof(name), "%d performance levels (count + each level)", s->getNumGpuPerfLevels(g));
  print(name, measure(count, [&] {
          for (int j = 0; j < s->getNumGpuPerfLevels(g); ++j) s->getGpuPerfLevel(g, j, &a, &f1, &f2, &f3, &f4);
        }));
  print("getGpuTMUs + getGpuROPs", measure(count, [&] { a += s->getGpuTMUs(g) + s->getGpuROPs(g); }));
}

// Formatting and control updates of the kinds the refresh makes.
void panelCosts(HWND panel, int count) {
  char text[256];
  int n = 0;
  print("formatting 8 texts (snprintf)", measure(count, [&] {
          float t = 45.0f + static_cast<float>(n++ % 10);
          snprintf(text, sizeof(text), "%.1f %cC / %.1f %cF", static_cast<double>(t), '\xB0',
                   static_cast<double>(t * 1.8f + 32), '\xB0');
          snprintf(text, sizeof(text), "%d %% / %d RPM", n % 100, 1200 + n % 7);
          snprintf(text, sizeof(text), "%.1f %%", static_cast<double>(n % 100));
          snprintf(text, sizeof(text), "core: %d MHz, mem: %d MHz", 1395 + n % 5, 9751);
          snprintf(text, sizeof(text), "base: %d MHz, boost: %d MHz, mem: %d MHz", 1395, 1695, 9751);
          snprintf(text, sizeof(text), "Texture: %.1f GTexel/s - Pixel: %.1f GPixel/s", 556.0, 189.8);
          snprintf(text, sizeof(text), "%.3f V", 0.85);
          snprintf(text, sizeof(text), "current: %.1f %% TDP, target: %.1f %% TDP", 45.5, 100.0);
        }));
  print("SetDlgItemTextA, a new text each call", measure(count, [&] {
          snprintf(text, sizeof(text), "core: %d MHz, mem: %d MHz", n++ % 2000, 9751);
          SetDlgItemTextA(panel, IDC_GPU_CURRENT_CLOCK, text);
        }));
  print("SetDlgItemTextA, the same text again", measure(count, [&] {
          SetDlgItemTextA(panel, IDC_GPU_CURRENT_CLOCK, "core: 1395 MHz, mem: 9751 MHz");
        }));
  HWND edit = GetDlgItem(panel, IDC_GPU_CURRENT_CLOCK);
  SendMessageA(edit, WM_SETREDRAW, FALSE, 0);
  print("SetDlgItemTextA, new text, field's redraw off", measure(count, [&] {
          snprintf(text, sizeof(text), "core: %d MHz, mem: %d MHz", n++ % 2000, 9751);
          SetDlgItemTextA(panel, IDC_GPU_CURRENT_CLOCK, text);
        }));
  SendMessageA(edit, WM_SETREDRAW, TRUE, 0);
  print("SetDlgItemTextA on a label (static)", measure(count, [&] {
          snprintf(text, sizeof(text), "Current clock %d", n++ % 2000);
          SetDlgItemTextA(panel, IDC_GPU_CURRENT_CLOCK_LABEL, text);
        }));
  SetDlgItemTextA(panel, IDC_GPU_CURRENT_CLOCK_LABEL, "Current clock");
  print("GetDlgItemTextA of a field", measure(count, [&] { GetDlgItemTextA(panel, IDC_GPU_CURRENT_CLOCK, text, sizeof(text)); }));
  print("InvalidateRect of a field", measure(count, [&] { InvalidateRect(edit, nullptr, TRUE); }));
  print("GetDC + GetTextExtentPoint32A + ReleaseDC", measure(count, [&] {
          HDC dc = GetDC(edit);
          SIZE size;
          GetTextExtentPoint32A(dc, "core: 1395 MHz, mem: 9751 MHz", 29, &size);
          ReleaseDC(edit, dc);
        }));
  print("GetDlgItem alone", measure(count, [&] { GetDlgItem(panel, IDC_GPU_POWER); }));
  print("WM_SETTEXT to a field's handle, new text", measure(count, [&] {
          snprintf(text, sizeof(text), "core: %d MHz, mem: %d MHz", n++ % 2000, 9751);
          SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        }));
  print("DefWindowProcA WM_SETTEXT on a field", measure(count, [&] {
          snprintf(text, sizeof(text), "core: %d MHz, mem: %d MHz", n++ % 2000, 9751);
          DefWindowProcA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        }));
  print("EM_SETSEL + EM_REPLACESEL on a field", measure(count, [&] {
          snprintf(text, sizeof(text), "core: %d MHz, mem: %d MHz", n++ % 2000, 9751);
          SendMessageA(edit, EM_SETSEL, 0, -1);
          SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
        }));
  print("GetWindowTextA of a field's handle", measure(count, [&] { GetWindowTextA(edit, text, sizeof(text)); }));
  print("EnableWindow of a handle, unchanged state", measure(count, [&] { EnableWindow(edit, TRUE); }));
  print("IsWindowEnabled of a handle", measure(count, [&] { IsWindowEnabled(edit); }));
  print("GetDlgItem + EnableWindow, unchanged state", measure(count, [&] {
          EnableWindow(GetDlgItem(panel, IDC_GPU_CURRENT_CLOCK), TRUE);
        }));
  print("GetDlgItem + IsWindowEnabled", measure(count, [&] { IsWindowEnabled(GetDlgItem(panel, IDC_GPU_POWER)); }));
}

}  // namespace

int main(int argc, char** argv) {
  const int ticks = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : 1000;
  ResetAppState();
  g_app.instance = GetModuleHandleA(nullptr);  // the program's templates are linked in
  Scanrik* s = Scanrik::instance();
  if (!s || !s->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1)) {
    fprintf(stderr, "the detection library did not start\n");
    return 1;
  }
  g_app.gpuCount = static_cast<unsigned>(s->getNumGpus());
  // As at start-up: the AMD performance log samples every 500 ms.
  for (unsigned g = 0; g < g_app.gpuCount; ++g) {
    int vendor = 0;
    s->getGpuPciIds(static_cast<int>(g), &vendor, nullptr, nullptr, nullptr, nullptr);
    if (vendor == 0x1002) s->startAmdPMLog(static_cast<int>(g), 500);
  }
  HWND host = CreateWindowExA(0, "STATIC", "GPU tab bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 560, 620,
                              nullptr, nullptr, nullptr, nullptr);
  HWND panel = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(IDD_PANEL_GPU), host, GpuPanelProc, 0);
  if (!host || !panel) {
    fprintf(stderr, "no GPU tab\n");
    return 1;
  }
  ShowWindow(panel, SW_SHOW);
  // The OpenGL tab, hidden behind the GPU tab as in the main window: the
  // timer refreshes its memory line first.
  HWND openGl = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(IDD_PANEL_OPENGL), host, OpenGlPanelProc, 0);
  pump();
  EnumChildWindows(panel, subclass, 0);
  printf("GPUs: %u, %d ticks each\n", g_app.gpuCount, ticks);
  // Thread CPU time under Wine moves in steps of a scheduler tick: the
  // figures per tick are means over many ticks.
  for (unsigned gi = 0; gi < g_app.gpuCount; ++gi) {
    const int g = static_cast<int>(gi);
    int vendor = 0;
    s->getGpuPciIds(g, &vendor, nullptr, nullptr, nullptr, nullptr);
    const char* name = s->getGpuName(g);
    printf("GPU %d: %s (vendor %04X)\n", g, name ? name : "?", vendor);
    g_app.selectedGpu = g;
    FillGpuPanel(panel, g);
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump();
    g_texts = g_enables = 0;
    RefreshGpuPanel(panel, g);
    printf("  one refresh sets %d texts and %d enable states\n", g_texts, g_enables);
    RedrawWindow(panel, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    auto repaint = [&] {
      RedrawWindow(panel, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      pump();
    };
    auto settle = [&] {
      emptySensorFields(panel);
      repaint();
    };
    printf(" the fake driver's values stay the same from tick to tick:\n");
    print("refresh (RefreshGpuPanel)", measure(ticks, [&] { RefreshGpuPanel(panel, g); }));
    print("refresh + the repaint it causes", measure(ticks, [&] {
            RefreshGpuPanel(panel, g);
            repaint();
          }));
    if (openGl)
      print("the timer's whole tick: memory line + refresh", measure(ticks, [&] {
              RefreshGlMemory();
              RefreshGpuPanel(panel, g);
            }));
    printf(" every text changed since the last tick (fields emptied, untimed, before each):\n");
    g_texts = g_enables = 0;
    settle();
    g_texts = 0;
    RefreshGpuPanel(panel, g);
    printf("  one refresh then sets %d texts\n", g_texts);
    print("refresh (RefreshGpuPanel)", measureEach(ticks, settle, [&] { RefreshGpuPanel(panel, g); }));
    print("refresh + the repaint it causes", measureEach(ticks, settle, [&] {
            RefreshGpuPanel(panel, g);
            repaint();
          }));
    printf(" pieces of one refresh, each alone:\n");
    facadeCosts(s, g, vendor, ticks);
    panelCosts(panel, ticks);
  }
  if (openGl) DestroyWindow(openGl);
  DestroyWindow(panel);
  DestroyWindow(host);
  for (unsigned g = 0; g < g_app.gpuCount; ++g) s->stopAmdPMLog(static_cast<int>(g));
  s->shutdown();
  return 0;
}
