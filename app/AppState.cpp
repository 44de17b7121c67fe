#include "app/AppState.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

AppState g_app;

AppState::AppState() : engineDemoLockReady(false) {
  // Plain fields start zeroed (static storage); the reset sets the defaults.
  reportBuffers.text = reportBuffers.textLf = reportBuffers.xml = nullptr;
  furNoiseTextures = nullptr;
}

AppState::~AppState() {}

namespace {

void clearPlainFields(AppState& s) {
  s.instance = nullptr;
  s.mainThreadId = 0;
  s.tvlDemoName[0] = '\0';
  s.tvlDemoDurationMs = 0;
  s.tvlBenchmarkLog = false;
  s.msaaText.clear();
  s.demoFullscreen = false;
  s.engineStarted = false;
  s.selectedGpu = 0;
  s.gpuCount = 0;
  s.primaryVendorId = 0;
  s.cudaDevices = nullptr;
  s.cudaDeviceCount = 0;
  s.openClLibrary = nullptr;
  s.clPlatforms = nullptr;
  s.clPlatformCount = 0;
  s.clKernelWorkload = 0;
  s.clSineCheck = false;
  s.clMadWorkload = 0;
  s.benchmarkLog = false;
  s.surfaceDeformerLog = false;
  s.demoDurationMs = 0;
  s.clUseLocalMem = false;
  s.clDeviceIndex = 0;
  s.clDeviceIndexGiven = false;
  s.clPlatformSelection = 0;
  s.clGpuDeviceSelection = 0;
  s.clCpuDeviceSelection = 0;
  s.clParticlesSin = false;
  s.closeAppAtDemoEnd = false;
  s.mainWindow = nullptr;
  s.tabControl = nullptr;
  for (HWND& panel : s.panels) panel = nullptr;
  s.openGlModelessDialog = nullptr;
  s.updateThread = nullptr;
  s.progressDialog = nullptr;
  s.reportPath.clear();
  for (DemoSlot& slot : s.demoSlots) slot.clearRunState();
  for (HWND& w : s.demoWindows) w = nullptr;
  s.mouseX = s.mouseY = 0;
  s.refreshTimerId = 0;
  s.demoSleepMs = 0;
  s.cpuSpeedMhz = 0;
  s.currentDemoIndex = 0;
  s.selectedSdkDemo = s.selectedGlDemo = s.selectedClDemo = 0;
  s.optionsDialogWidth = 0;
  s.optionsDialogHeight = 0;
  s.msaaSamples = 0;
  s.physxVersion = 0;
  s.updateResult = 0;
  memset(s.newestVersion, 0, sizeof(s.newestVersion));
  s.appDirectory[0] = '\0';
  s.gpuNameText[0] = '\0';
  s.gpuDriverText[0] = '\0';
  s.gpuTabNoDriver = false;
}

void setApplicationDirectory(AppState& s) {
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    snprintf(s.appDirectory, sizeof(s.appDirectory), ".\\");
    return;
  }
  path[n] = '\0';
  char drive[_MAX_DRIVE];
  char dir[_MAX_DIR];
  _splitpath(path, drive, dir, nullptr, nullptr);
  snprintf(s.appDirectory, sizeof(s.appDirectory), "%s%s", drive, dir);
}

// A zeroed buffer of the given size; an existing one is zeroed and reused.
char* zeroedBuffer(char* existing, size_t size) {
  if (existing) {
    memset(existing, 0, size);
    return existing;
  }
  return static_cast<char*>(calloc(size, 1));
}

}  // namespace

void ResetAppState() {
  AppState& s = g_app;
  clearPlainFields(s);

  s.vkGpuIndex = -1;
  s.logEnabled = true;
  s.vulkanEnabled = true;
  s.readVkAmdShaderCoreProperties = false;
  s.readVkDriverProperties = false;
  s.readVkPciBusInfo = false;
  s.tvlDemoDurationMs = 0;
  s.tvlBenchmarkLog = false;
  s.demoFullscreen = false;
  s.msaaText = "Off";
  s.exportXmlReport = false;
  s.exportTextReport = false;
  s.reportExtraSection = false;
  s.appendTimestamp = true;
  s.reportPath.clear();
  s.selectedGpu = 0;
  s.sensorRefreshEnabled = true;
  s.glMajor = 4;
  s.glMinor = 5;
  s.openClEnabled = true;
  s.readClPlatformExtensions = true;
  s.clDeviceType = kClDeviceTypeGpu;
  for (bool& flag : s.autostart) flag = false;
  s.clGlInterop = false;
  s.clExplicitWorkgroupSize = true;
  s.clNativeSin = true;
  s.juliaAnimated = true;
  s.juliaRttSize = 512;
  s.clParticlesGpu = 1000000;
  s.clParticlesCpu = 1000000;
  s.gl3TorusRadeonFix = true;
  s.glRenderInClDemos = true;
  s.surfaceSegsX = 511;
  s.surfaceSegsZ = 511;
  setApplicationDirectory(s);

  if (!s.engineDemoLockReady) {
    InitializeCriticalSection(&s.engineDemoLock);
    s.engineDemoLockReady = true;
  }

  s.demoWinWidth = 600;
  s.demoWinHeight = 600;

  s.furHairDensity = 350000;
  s.furLength = 20.0f;
  s.furShellCount = 100;
  s.furNoiseTextureSize = 512;
  s.furNoiseTextureCount = 10;
  if (!s.furNoiseTextures) {
    s.furNoiseTextures = static_cast<Korveth_nsp::kvTexture**>(
        calloc(kFurNoiseTextureMax, sizeof(Korveth_nsp::kvTexture*)));
  }

  s.reportBuffers.text = zeroedBuffer(s.reportBuffers.text, kReportBufferSize);
  s.reportBuffers.textLf = zeroedBuffer(s.reportBuffers.textLf, kReportBufferSize);
  s.reportBuffers.xml = zeroedBuffer(s.reportBuffers.xml, kReportBufferSize);
  s.reportBuffers.textLength = s.reportBuffers.textLfLength = s.reportBuffers.xmlLength = 0;
  s.reportBuffers.built = false;

  SYSTEM_INFO info;
  GetSystemInfo(&info);
  s.cpuCount = info.dwNumberOfProcessors;
  s.demoLaunchCounter = 0;
  s.onlineCheckEnabled = true;
  s.tessLevelOuter = 16.0f;
  s.tessLevelInner = 8.0f;
  s.tessLevelAnimation = true;
}

void ReleaseAppState() {
  AppState& s = g_app;
  free(s.reportBuffers.text);
  free(s.reportBuffers.textLf);
  free(s.reportBuffers.xml);
  s.reportBuffers.text = s.reportBuffers.textLf = s.reportBuffers.xml = nullptr;
  free(s.furNoiseTextures);
  s.furNoiseTextures = nullptr;
  if (s.engineDemoLockReady) {
    DeleteCriticalSection(&s.engineDemoLock);
    s.engineDemoLockReady = false;
  }
}
