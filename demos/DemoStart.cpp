#include "demos/DemoStart.h"

#include "app/AppState.h"
#include "app/Log.h"
#include "app/OpenClInfo.h"
#include "demos/DemoCatalogue.h"
#include "demos/DemoControl.h"
#include "detect/Scanrik.h"
#include "resources/resource.h"

const int kShutdownSlotOrder[15] = {
    kSlotGl4Tessellation, kSlotClParticles, kSlotClPostFx, kSlotClDeformer, kSlotGl3Torus,
    kSlotGl3Triangle,     kSlotFur,         kSlotToon,     kSlotVtf,        kSlotSimpleTorus,
    kSlotSoftShadows,     kSlotPointSprite, kSlotHdrDof,   kSlotInstancing, kSlotClJulia};

namespace {

// OpenGL catalogue row -> slot.
const int kGlRowSlots[kGlDemoCount] = {kSlotGl4Tessellation, kSlotGl3Torus, kSlotGl3Triangle,
                                       kSlotFur,             kSlotHdrDof,   kSlotInstancing,
                                       kSlotSoftShadows,     kSlotPointSprite, kSlotVtf,
                                       kSlotToon,            kSlotSimpleTorus};

// Runs the options dialog for the demo of a catalogue row, which is the
// current demo index meanwhile; false when the user did not confirm. The
// size the dialog chose goes to width and height. A cancel puts the previous
// index back: a demo still in its set-up reads it for its title.
bool askOptions(HWND parent, int demoIndex, int* width, int* height) {
  const int previous = g_app.currentDemoIndex;
  g_app.currentDemoIndex = demoIndex;
  INT_PTR r = DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_DEMO_OPTIONS), parent,
                              DemoOptionsDialogProc, 0);
  if (r != IDOK) {
    g_app.currentDemoIndex = previous;
    return false;
  }
  *width = g_app.optionsDialogWidth;
  *height = g_app.optionsDialogHeight;
  return true;
}

// The demo window, centred on the desktop.
HWND createDemoWindow(HWND parent, int width, int height) {
  HWND w = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(IDD_DEMO_WINDOW), parent, DemoWindowProc, 0);
  if (!w) return nullptr;
  Scanrik* s = Scanrik::instance();
  int dw = s ? s->getDesktopWidth() : 0, dh = s ? s->getDesktopHeight() : 0;
  SetWindowPos(w, HWND_TOP, dw / 2 - width / 2, dh / 2 - height / 2, width, height, SWP_FRAMECHANGED);
  return w;
}

void prepareSlot(DemoSlot* slot, HWND window) {
  slot->clearRunState();
  slot->window = window;
  slot->engineId = Korveth_nsp::kvKma::genId();
  slot->msaaSamples = g_app.msaaSamples;
  slot->fps.minFps = 10000;
  slot->fps.maxFps = 0;
}

// Creates the thread suspended; on failure the window goes away again.
bool launch(DemoSlot* slot, DemoThreadRoutine routine, HWND window, HWND* windowVar) {
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, routine, slot, CREATE_SUSPENDED, &id);
  if (!thread) {
    DestroyWindow(window);
    slot->window = nullptr;
    *windowVar = nullptr;
    return false;
  }
  slot->threadId = id;
  slot->thread = thread;
  return true;
}

}  // namespace

int GlDemoSlotOfRow(int row) { return (row >= 0 && row < kGlDemoCount) ? kGlRowSlots[row] : -1; }

bool StartGlDemo(HWND parent, DemoSlot* slot, int demoIndex, DemoThreadRoutine routine, HWND* windowVar,
                 bool showOptions) {
  if (!slot || !windowVar || !routine || !ReleaseEndedDemoThread(slot)) return false;
  int width = g_app.demoWinWidth, height = g_app.demoWinHeight;
  if (showOptions && !askOptions(parent, demoIndex, &width, &height)) return false;
  g_app.currentDemoIndex = demoIndex;
  HWND window = createDemoWindow(parent, width, height);
  if (!window) return false;
  prepareSlot(slot, window);
  if (!launch(slot, routine, window, windowVar)) return false;
  ShowWindow(window, SW_SHOW);
  ResumeThread(slot->thread);
  *windowVar = window;
  return true;
}

bool StartCatalogueGlDemo(HWND parent, int row, bool showOptions) {
  int slot = GlDemoSlotOfRow(row);
  if (slot < 0) return false;
  return StartGlDemo(parent, &g_app.demoSlots[slot], row, GlDemoRoutine(row), &g_app.demoWindows[slot],
                     showOptions);
}

namespace {

bool clDeviceAvailable(int deviceType) {
  int platform = g_app.clPlatformSelection;
  if (deviceType == kClDeviceTypeGpu && !HasClGpuDevice(platform)) {
    ShowErrorBox("OpenCL GPU not supported on the selected platform.\n\rBye...");
    return false;
  }
  if (deviceType == kClDeviceTypeCpu && !HasClCpuDevice(platform)) {
    ShowErrorBox("OpenCL CPU not supported on the selected platform.\n\rBye...");
    return false;
  }
  return true;
}

// The GL interop warning of the Julia and particles demos: shown when the
// device asked for cannot share with OpenGL; the demo starts anyway.
void warnAboutGlInterop(int deviceType) {
  if (!g_app.clGlInterop) return;
  bool atiStream = deviceType == kClDeviceTypeGpu && g_app.clPlatformCount > 0 && g_app.clPlatforms &&
                   strstr(g_app.clPlatforms[0].version, "ATI-Stream-v2.0.0");
  if (atiStream) return;
  const OpenClDeviceInfo* device = deviceType == kClDeviceTypeCpu ? FindClCpuDevice(0) : FindClGpuDevice(0);
  if (!device) return;
  if (!LoadClGlInteropEntryPoints() || !ClDeviceInfoHasExtension(device, "cl_khr_gl_sharing"))
    ShowWarningBox("This OpenCL demo has the GL interop option enabled.\n\r"
                   "Your GPU/CPU doesn't support GL interop.\n\rGL interop is disabled.");
}

bool startClDemo(HWND parent, int deviceType, bool showOptions, int slotIndex, int demoNumber,
                 bool interopWarning) {
  if (!clDeviceAvailable(deviceType)) return false;
  DemoSlot* slot = &g_app.demoSlots[slotIndex];
  DemoThreadRoutine routine = ClDemoRoutine(demoNumber);
  if (!routine || !ReleaseEndedDemoThread(slot)) return false;
  int width = g_app.demoWinWidth, height = g_app.demoWinHeight;
  int index = ClCatalogueRow(demoNumber, deviceType != kClDeviceTypeGpu);
  if (showOptions && !askOptions(parent, index, &width, &height)) return false;
  g_app.currentDemoIndex = index;
  if (interopWarning) warnAboutGlInterop(deviceType);
  HWND window = createDemoWindow(parent, width, height);
  if (!window) return false;
  g_app.demoWindows[slotIndex] = window;
  prepareSlot(slot, window);
  if (!launch(slot, routine, window, &g_app.demoWindows[slotIndex])) return false;
  g_app.clDeviceType = deviceType;
  ShowWindow(window, SW_SHOW);
  ResumeThread(slot->thread);
  return true;
}

}  // namespace

bool StartClJuliaDemo(HWND parent, int deviceType, bool showOptions) {
  return startClDemo(parent, deviceType, showOptions, kSlotClJulia, 0, true);
}
bool StartClParticlesDemo(HWND parent, int deviceType, bool showOptions) {
  return startClDemo(parent, deviceType, showOptions, kSlotClParticles, 1, true);
}
bool StartClMeshDeformerDemo(HWND parent, int deviceType, bool showOptions) {
  return startClDemo(parent, deviceType, showOptions, kSlotClDeformer, 2, false);
}
bool StartClPostFxDemo(HWND parent, int deviceType, bool showOptions) {
  return startClDemo(parent, deviceType, showOptions, kSlotClPostFx, 3, false);
}

bool WaitServingSentMessages(HANDLE thread, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;  // timeout or failure
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

bool ReleaseEndedDemoThread(DemoSlot* slot) {
  if (!slot) return false;
  if (!slot->thread) return true;
  if (WaitForSingleObject(slot->thread, 0) != WAIT_OBJECT_0) return false;
  CloseHandle(slot->thread);
  slot->thread = nullptr;
  return true;
}

bool StopDemoThread(DemoSlot* slot) {
  if (!slot || !slot->thread) return false;
  slot->stopFlag = 1;
  // The thread may be sending to a window of this thread (its title): serve
  // those messages while waiting, or neither side would move.
  if (!WaitServingSentMessages(slot->thread, kDemoStopTimeoutMs))
    LogPrintf(g_log, "demo thread %lu did not stop in time; its slot stays busy",
              static_cast<unsigned long>(slot->threadId));
  ReleaseEndedDemoThread(slot);
  return true;
}

void CloseDemoWindow(HWND window) {
  DemoSlot* slot = FindDemoSlotOfWindow(window);
  if (slot) {
    StopDemoThread(slot);
    if (slot->thread) {
      // Still running: it closes the window again when it ends.
      ShowWindow(window, SW_HIDE);
      return;
    }
    slot->window = nullptr;
    for (HWND& w : g_app.demoWindows)
      if (w == window) w = nullptr;
  }
  DestroyWindow(window);
}

bool EndAllDemos() {
  bool ended = true;
  for (int index : kShutdownSlotOrder) {
    DemoSlot* slot = &g_app.demoSlots[index];
    HWND window = slot->window;
    if (window && IsWindow(window))
      CloseDemoWindow(window);
    else
      StopDemoThread(slot);
    if (slot->thread) ended = false;
  }
  return ended;
}
