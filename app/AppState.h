// The one global record of the program: every setting from the command line,
// the shell's window handles and the run state of the built-in demos.
#pragma once
#include <windows.h>

#include <string>

#include "app/AppVersion.h"
#include "demos/DemoSlot.h"
#include "demos/Timers.h"
#include "lumaq.h"

struct CudaDeviceInfo;
struct OpenClPlatformInfo;
namespace Korveth_nsp {
class kvTexture;
}


const int kDemoSlotCount = 17;
const int kReportBufferSize = 1000000;
const int kTvlDemoNameSize = 128;
const int kAppDirectorySize = 1024;
const int kReportPathMax = 2047;
const int kFurNoiseTextureMax = 10;

// The three report texts, filled once per run.
struct ReportBuffers {
  char* text;    // CR LF line ends
  char* textLf;  // the same text with LF line ends
  char* xml;     // the XML body
  int textLength;
  int textLfLength;
  int xmlLength;
  bool built;  // the report is built once per run
};

// Demos a start switch can open with the main window.
enum AutostartDemo {
  kAutostartClDeformer,
  kAutostartClPostFx,
  kAutostartClParticles,
  kAutostartClJulia,
  kAutostartGl4Tessellation,
  kAutostartGl3Torus,
  kAutostartGl3Triangle,
  kAutostartGl2Fur,
  kAutostartGl2HdrDof,
  kAutostartGl2Instancing,
  kAutostartGl2SoftShadows,
  kAutostartGl2PointSprite,
  kAutostartGl2Vtf,
  kAutostartGl2Toon,
  kAutostartGl2SimpleTorus,
  kAutostartCount
};

enum PanelIndex {
  kPanelGpu,
  kPanelOpenGl,
  kPanelTools,
  kPanelCuda,
  kPanelOpenCl,
  kPanelDemos,
  kPanelVulkan,
  kPanelCount
};

// OpenCL device types as the API numbers them.
const int kClDeviceTypeCpu = 2;
const int kClDeviceTypeGpu = 4;

struct AppState {
  AppState();
  ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  HINSTANCE instance;
  DWORD mainThreadId;
  int vkGpuIndex;
  char tvlDemoName[kTvlDemoNameSize];
  int tvlDemoDurationMs;
  bool tvlBenchmarkLog;
  std::string msaaText;
  bool demoFullscreen;
  bool engineStarted;
  int selectedGpu;
  unsigned gpuCount;
  unsigned primaryVendorId;
  CudaDeviceInfo* cudaDevices;
  int cudaDeviceCount;
  bool vulkanEnabled;
  bool readVkAmdShaderCoreProperties;
  bool readVkDriverProperties;
  bool readVkPciBusInfo;
  bool openClEnabled;
  bool readClPlatformExtensions;
  HMODULE openClLibrary;
  OpenClPlatformInfo* clPlatforms;
  int clPlatformCount;
  int clDeviceType;
  int clKernelWorkload;
  bool clSineCheck;
  bool clGlInterop;
  bool clExplicitWorkgroupSize;
  bool clNativeSin;
  int clMadWorkload;
  bool benchmarkLog;
  bool surfaceDeformerLog;
  int demoDurationMs;
  bool clUseLocalMem;
  bool juliaAnimated;
  int juliaRttSize;
  int clDeviceIndex;
  bool clDeviceIndexGiven;
  int clPlatformSelection;
  int clGpuDeviceSelection;
  int clCpuDeviceSelection;
  bool autostart[kAutostartCount];
  bool clParticlesSin;
  int clParticlesGpu;
  int clParticlesCpu;
  bool closeAppAtDemoEnd;
  bool gl3TorusRadeonFix;
  bool glRenderInClDemos;
  int surfaceSegsX;
  int surfaceSegsZ;
  PerfTimer appTimer;
  int glMajor;
  int glMinor;
  HWND mainWindow;
  HWND tabControl;
  HWND panels[kPanelCount];
  HWND openGlModelessDialog;
  bool logEnabled;
  bool onlineCheckEnabled;
  HANDLE updateThread;
  HWND progressDialog;
  int demoWinWidth;
  int demoWinHeight;
  std::string reportPath;
  bool exportXmlReport;
  bool exportTextReport;
  bool reportExtraSection;
  bool appendTimestamp;
  DemoSlot demoSlots[kDemoSlotCount];
  HWND demoWindows[kDemoSlotCount];  // each slot's open demo window, null once it closed
  int mouseX;  // in the client coordinates of a demo window
  int mouseY;
  int refreshTimerId;
  CRITICAL_SECTION engineDemoLock;
  bool engineDemoLockReady;
  int demoSleepMs;
  int cpuSpeedMhz;
  bool sensorRefreshEnabled;
  int currentDemoIndex;
  int selectedSdkDemo;  // the 3D Demos tab's choices
  int selectedGlDemo;
  int selectedClDemo;
  int optionsDialogWidth;
  int optionsDialogHeight;
  int msaaSamples;
  unsigned physxVersion;
  ReportBuffers reportBuffers;
  int updateResult;
  int newestVersion[4];
  unsigned cpuCount;
  int demoLaunchCounter;
  float tessLevelOuter;
  float tessLevelInner;
  bool tessLevelAnimation;
  char appDirectory[kAppDirectorySize];
  // What the GPU tab shows, for the demos' HUD and benchmark rows.
  char gpuNameText[256];
  char gpuDriverText[256];
  // Set once the GPU tab shows that no graphics driver was detected: the
  // tab is then never filled again.
  bool gpuTabNoDriver;

  // Fur demo settings.
  int furHairDensity;
  float furLength;
  int furShellCount;
  int furNoiseTextureSize;
  int furNoiseTextureCount;
  Korveth_nsp::kvTexture** furNoiseTextures;

  Korveth_nsp::kvLinkedList objects;
};

extern AppState g_app;

// Sets every field to its default; safe to call again (buffers are reused,
// the engine demo lock is initialised once).
void ResetAppState();

// Frees what the reset allocated; the shutdown calls it last.
void ReleaseAppState();

// Overwrites settings from the switches of the whole command line.
void ParseCommandLine(const char* commandLine);
