#include "app/Startup.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/ApiInfo.h"
#include "app/AppState.h"
#include "app/AppUtilities.h"
#include "app/Log.h"
#include "app/MainWindow.h"
#include "demos/DemoControl.h"
#include "detect/Scanrik.h"
#include "detect/SecureLoader.h"
#include "lumaq.h"
#include "resources/resource.h"
#include "stv.h"

namespace {

const int kMaxLoggedDisplayDevices = 10;
const int kMaxLoggedDeviceStrings = 10;

bool reportMode() { return g_app.exportXmlReport || g_app.exportTextReport; }

// A 32 x 32 dummy window at (0, 0), OpenGL 4.6 asked for, context flag 1.
bool startDetection(Scanrik* s) { return s->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1); }
DetectionStart g_startDetection = startDetection;

void openLog() {
  char path[MAX_PATH * 2];
  snprintf(path, sizeof(path), "%s_log.txt", stv::get_app_directory());
  g_log.lineCounter = 0;
  g_log.enabled = g_app.logEnabled;
  g_log.prefix = true;
  if (g_log.enabled) g_log.open(path);
  LogPrintf(g_log, "%s %s startup...", kAppName, AppVersionText());
}

void becomeDpiAware() {
  HMODULE shcore = SecureLoadSystemLibrary(L"Shcore.dll", LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!shcore) return;
  typedef HRESULT(WINAPI * SetAwarenessFn)(int);
  SetAwarenessFn setAwareness = reinterpret_cast<SetAwarenessFn>(
      reinterpret_cast<void*>(GetProcAddress(shcore, "SetProcessDpiAwareness")));
  if (setAwareness) setAwareness(2);  // per-monitor aware
  FreeLibrary(shcore);
}

// Runs one framework demo alone; false when it could not start.
bool runFrameworkDemo() {
  LogPrintf(g_log, "starting %s demo...", g_app.tvlDemoName);
  if (DetectVulkan() && g_app.vkGpuIndex == -1) g_app.vkGpuIndex = 0;
  if (!StartSdkDemoByName(g_app.tvlDemoName, g_app.demoWinWidth, g_app.demoWinHeight,
                          g_app.msaaText.c_str(), g_app.demoFullscreen, g_app.vkGpuIndex))
    return false;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  LogPrintf(g_log, "%s demo stopped.", g_app.tvlDemoName);
  return true;
}

// A demo thread still runs on the log, the application state and the
// engine: the process ends here, before the runtime destroys those globals
// (and the libraries run their detach code) under it. The log lines and
// reports are on disk already; a benchmark that the thread still holds never
// writes its row.
void endWhileADemoRuns(int exitCode) { TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode)); }

void logDisplayDevices() {
  DISPLAY_DEVICEA dd;
  for (DWORD i = 0; i < static_cast<DWORD>(kMaxLoggedDisplayDevices); ++i) {
    memset(&dd, 0, sizeof(dd));
    dd.cb = sizeof(dd);
    if (!DisplayDeviceSource()(nullptr, i, &dd, 0)) break;
    dd.DeviceID[sizeof(dd.DeviceID) - 1] = '\0';
    dd.DeviceName[sizeof(dd.DeviceName) - 1] = '\0';
    dd.DeviceString[sizeof(dd.DeviceString) - 1] = '\0';
    dd.DeviceKey[sizeof(dd.DeviceKey) - 1] = '\0';
    LogPrintf(g_log, "- DEV %lu - DeviceID: %s", i, dd.DeviceID);
    LogPrintf(g_log, "- DEV %lu - DeviceName: %s", i, dd.DeviceName);
    LogPrintf(g_log, "- DEV %lu - DeviceString: %s", i, dd.DeviceString);
    LogPrintf(g_log, "- DEV %lu - DeviceKey: %s", i, dd.DeviceKey);
  }
}

void logDeviceStrings(Scanrik* s) {
  for (int i = 0; i < kMaxLoggedDeviceStrings; ++i) {
    const char* id = s->getGpuDeviceIdString(i);
    const char* display = s->getGpuDisplayDeviceString(i);
    if (!id || !*id || !display || !*display) break;
    LogPrintf(g_log, "- Device ID string (%d): %s", i, id);
    LogPrintf(g_log, "- Display device string (%d): %s", i, display);
  }
}

void logNvidiaDetails(Scanrik* s, int g) {
  float base = 0, boost = 0, baseMem = 0, boostMem = 0;
  if (s->getGpuClockFrequencies(g, 1, &base, &baseMem) &&
      s->getGpuClockFrequencies(g, 2, &boost, &boostMem) && base > 0 && boost > 0)
    LogPrintf(g_log, "----> GPU base clock: %d MHz, boost clock: %d MHz, memory: %d Mhz",
              static_cast<int>(base), static_cast<int>(boost), static_cast<int>(baseMem));
  float usage = 0, usageMw = 0, target = 0, targetMw = 0;
  s->getGpuPowerUsage(g, &usage, &usageMw);
  if (s->getGpuPowerTarget(g, &target, &targetMw) && target > 0) {
    float mn = 0, def = 0, mx = 0, mnMw = 0, defMw = 0, mxMw = 0;
    s->getGpuPowerPolicy(g, &mn, &def, &mx, &mnMw, &defMw, &mxMw);
    LogPrintf(g_log, "----> GPU power target: %d %% TDP, min: %d %% TDP, max: %d %% TDP",
              static_cast<int>(target), static_cast<int>(mn), static_cast<int>(mx));
  }
  const char* brand = s->getGpuBrandType(g);
  if (brand && *brand) LogPrintf(g_log, "----> GPU brand type: %s", brand);
  int coolers = s->getNumGpuCoolers(g);
  LogPrintf(g_log, "----> # fan coolers: %d", coolers);
  for (int c = 0; c < coolers; ++c) {
    int id = 0, rpmMin = 0, rpmMax = 0;
    bool tach = false;
    s->getGpuCoolerInfo(g, c, &id, &rpmMin, &rpmMax, &tach);
    LogPrintf(g_log, "----> # fan cooler %d", c);
    LogPrintf(g_log, "---->   cooler ID: %d", id);
    LogPrintf(g_log, "---->   RPM (min/max): %d / %d", rpmMin, rpmMax);
    LogPrintf(g_log, "---->   is tach supported: %s", tach ? "YES" : "NO");
  }
}

void logGpu(Scanrik* s, int g) {
  const char* name = s->getGpuName(g);
  LogPrintf(g_log, "- GPU %d: %s", g + 1, name ? name : "");
  int vendor = 0, device = 0, subVendor = 0, subDevice = 0, revision = 0;
  s->getGpuPciIds(g, &vendor, &device, &subVendor, &subDevice, &revision);
  LogPrintf(g_log, "----> DeviceID: %4X-%4X - SubdeviceID: %4X-%4X - RevisionID: %2X", vendor,
            device, subVendor, subDevice, revision);
  LogPrintf(g_log, "----> Bus ID: %d", s->getGpuBusId(g));
  LogPrintf(g_log, "----> Config: cores:%d, TMUs:%d, ROPs:%d", s->getGpuShaderCores(g),
            s->getGpuTMUs(g), s->getGpuROPs(g));
  LogPrintf(g_log, "----> TDP: %dW", s->getGpuTDP(g));
  float t0 = 0, t1 = 0, t2 = 0, t3 = 0;
  if (s->getGpuTemperature(g, &t0, &t2, &t3, &t1) && t0 > 0)
    LogPrintf(g_log, "----> GPU temperature: %.1f\xB0" "C", t0);
  const char* driver = s->getGpuDriverVersion(g);
  if (driver && *driver) LogPrintf(g_log, "----> Graphics driver: %s", driver);
  if (vendor == 0x10DE) logNvidiaDetails(s, g);
  for (int j = 0; j < s->getNumGpuPerfLevels(g); ++j) {
    int id = 0;
    float gpu = 0, mem = 0, third = 0, volts = 0;
    if (s->getGpuPerfLevel(g, j, &id, &gpu, &mem, &third, &volts))
      LogPrintf(g_log, "----> PState %d, GPU clock %d MHz, memory clock: %d MHz, VDDC: %.3fV:", id,
                static_cast<int>(gpu), static_cast<int>(mem), volts);
  }
  int percent = 0, rpm = 0;
  if (s->getGpuFanSpeed(g, &percent, &rpm))
    LogPrintf(g_log, "----> Fan speed: %d%% / %d RPM", percent, rpm);
  if (vendor == 0x1002) {
    bool shared = s->startAmdPMLog(g, 500);
    LogPrintf(g_log, shared ? "----> %s: reading hardware sensors via shared memory supported."
                            : "----> %s: reading hardware sensors via shared memory NOT supported.",
              name ? name : "");
  }
}

void showProgressDialog(HINSTANCE instance) {
  g_app.progressDialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_INIT_PROGRESS), nullptr,
                                            InitProgressDialogProc, 0);
  if (g_app.progressDialog) {
    UpdateWindow(g_app.progressDialog);
    ShowWindow(g_app.progressDialog, SW_SHOW);
  }
}

}  // namespace

bool ShutdownQuorvel() {
  LogPrintf(g_log, "%s %s shutdown...", kAppName, AppVersionText());
  // A demo thread that does not stop in time is never waited for again, and
  // nothing it can still reach is freed under it: the OpenCL table and
  // library, the detection state and its render windows (its benchmark row
  // reads them), the engine, its lock and the fur settings stay until the
  // process ends.
  const bool builtinDemosEnded = EndAllDemos();
  if (g_app.openGlModelessDialog) {
    DestroyWindow(g_app.openGlModelessDialog);
    g_app.openGlModelessDialog = nullptr;
  }
  // A framework demo's render thread logs through the log and writes its
  // benchmark row to the end: it keeps the same things as a built-in one.
  // Its answer is taken on its own: behind another condition in one &&, a
  // false one first would skip the call, and the framework's demos would
  // never be stopped nor the bridge ended.
  const bool frameworkDemosEnded = ShutdownDemoSdk();
  const bool demosEnded = frameworkDemosEnded && builtinDemosEnded;
  if (!demosEnded) LogPrintf(g_log, "a demo thread is still running: what it uses stays until the end");
  if (demosEnded) {
    ShutdownOpenCl();
    ResetClEntryPoints();
  }
  ShutdownVulkanInfo();
  Scanrik* s = Scanrik::instance();
  if (s) {
    for (unsigned g = 0; g < g_app.gpuCount; ++g) s->stopAmdPMLog(static_cast<int>(g));
    if (demosEnded) s->shutdown();
  }
  if (g_app.updateThread) {
    CloseHandle(g_app.updateThread);
    g_app.updateThread = nullptr;
  }
  LogPrintf(g_log, "%s shutdown ok.", kAppName);
  if (!demosEnded) return false;
  if (g_app.engineStarted) {
    Korveth_nsp::Korveth::getInstance()->shutdown(nullptr);
    g_app.engineStarted = false;
  }
  ReleaseCudaInfo();
  ReleaseAppState();
  return true;
}

void SetDetectionStart(DetectionStart start) { g_startDetection = start ? start : startDetection; }

bool ShutdownFrameworkDemoMode() {
  const bool demoEnded = ShutdownDemoSdk();
  ShutdownVulkanInfo();
  LogPrintf(g_log, "%s %s shutdown ok.", kAppName, AppVersionText());
  return demoEnded;
}

INT_PTR CALLBACK InitProgressDialogProc(HWND dialog, UINT msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      char title[64];
      snprintf(title, sizeof(title), "%s %s", kAppName, AppVersionText());
      SetDlgItemTextA(dialog, IDC_INIT_TITLE, title);
      SetDlgItemTextA(dialog, IDC_INIT_MESSAGE,
                      "Scanning graphics hardware in progress.\n\rPlease wait...");
      return 1;
    }
    case WM_CLOSE:
    case WM_DESTROY:
      if (msg == WM_CLOSE) DestroyWindow(dialog);
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(dialog, &ps);
      EndPaint(dialog, &ps);
      return 0;
    }
    default:
      return 0;
  }
}

int RunQuorvel(HINSTANCE instance, const char* commandLine) {
  ResetAppState();
  g_app.mainThreadId = GetCurrentThreadId();
  g_app.instance = instance;
  ReadGlobalTimer(1);
  ParseCommandLine(commandLine);
  openLog();
  becomeDpiAware();
  InitCommonControls();
  InitDemoSdk();

  if (g_app.tvlDemoName[0] && runFrameworkDemo()) {
    if (!ShutdownFrameworkDemoMode()) endWhileADemoRuns(0);
    return 0;
  }

  logDisplayDevices();
  if (!reportMode()) showProgressDialog(instance);
  g_app.updateThread = nullptr;
  if (g_app.openClEnabled) DetectOpenCl();
  if (g_app.vulkanEnabled) DetectVulkan();

  Scanrik* s = Scanrik::instance();
  if (!s || !g_startDetection(s)) {
    if (g_app.progressDialog) {
      DestroyWindow(g_app.progressDialog);
      g_app.progressDialog = nullptr;
    }
    // Report mode runs without any window: the failure goes to the log
    // only, and the exit code 1 tells a script that no report was made.
    if (reportMode()) {
      LogPrintf(g_log, "Could not initialize Scanrik. Quorvel startup failed. Bye!");
      return 1;
    }
    ShowErrorBox("Could not initialize Scanrik. Quorvel startup failed. Bye!");
    return 0;
  }

  g_app.primaryVendorId = static_cast<unsigned>(s->getPrimaryVendorId());
  s->getGpuUsage(0, nullptr, nullptr);
  g_app.gpuCount = static_cast<unsigned>(s->getNumGpus());
  logDeviceStrings(s);
  if (g_app.gpuCount > 0) {
    LogPrintf(g_log, "Detected graphics cards and GPUs:");
    for (unsigned g = 0; g < g_app.gpuCount; ++g) logGpu(s, static_cast<int>(g));
  }
  g_app.cpuSpeedMhz = s->getCPUSpeedMHz();
  DetectCuda();
  Korveth_nsp::kvTraceMgr::getInstance()->disable();
  g_app.physxVersion = s->getPhysXVersion();
  BuildFullReport(g_app.reportExtraSection);

  // A report that could not be written ends report mode with 2, so that a
  // script sees the failure.
  int exitCode = 0;
  if (reportMode() && !WriteRequestedReports()) exitCode = 2;
  if (!reportMode()) RunMainWindow(instance);
  if (!ShutdownQuorvel()) endWhileADemoRuns(exitCode);
  return exitCode;
}
