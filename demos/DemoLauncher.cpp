#include "demos/DemoLauncher.h"

#include <process.h>
#include <windowsx.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/VulkanInfo.h"
#include "demos/DemoStart.h"
#include "resources/resource.h"
#include "stv.h"

namespace {

const SdkCatalogueRow kCatalogue[] = {
    {"vk2_mesh_shader", "Vulkan2 - Mesh Shader / Meshlets", "tvldemos/vk2-meshlets/main.xml"},
    {"vk2_draw_stress_test", "Vulkan2 - Draw stress test", "tvldemos/draw-stress-test/vulkan/main.xml"},
    {"vk2_tessellation", "Vulkan2 - Tessellation", "tvldemos/vk2-tessellation/main.xml"},
    {"vk2_phong_lighting", "Vulkan2 - Phong Lighting Donut", "tvldemos/vk2-phong-mesh/main.xml"},
    {"vk2_triangle", "Vulkan2 - RGB Triangle", "tvldemos/vk2-triangle/main.xml"},
    {"vk2_shadertoy_geomechanical", "Vulkan2 - Shadertoy > Geomechanical",
     "tvldemos/vk-shadertoy/vk2-geomechanical/main.xml"},
    {"vk_shadertoy_seascape", "Vulkan - Shadertoy > Seascape", "tvldemos/vk-shadertoy/main01.xml"},
    {"vk_normal_mapping", "Vulkan - Normal Mapping", "tvldemos/vk-normal-mapping/main.xml"},
    {"vk_postfx01", "Vulkan - PostFX v1", "tvldemos/vk-postfx-v1/main.xml"},
    {"gl46_spirv", "OpenGL 4.6 - GL_ARB_gl_spirv", "tvldemos/gl46-spirv/main.xml"},
    {"gl43_compte_shaders", "OpenGL 4.3 - Compute Shaders", "tvldemos/gl43-compute-shaders-particles/main.xml"},
    {"gl43_nv_shader_thread_group", "OpenGL 4.3 - GL_NV_shader_thread_group",
     "tvldemos/gl43-nv-shader-thread-group/main.xml"},
    {"gl43_arb_shader_atomic_counters", "OpenGL 4.3 - GL_ARB_shader_atomic_counters",
     "tvldemos/gl42-arb-atomic-counters/main.xml"},
    {"gl40_tessellation_v3", "OpenGL 4.0 - Tessellation v3", "tvldemos/gl40-tessellation/main_02.xml"},
    {"gl40_tessellation_v2", "OpenGL 4.0 - Tessellation v2", "tvldemos/vk-tessellation/main_gl4.xml"},
    {"gl40_tessellation_v1", "OpenGL 4.0 - Tessellation v1", "tvldemos/gl40-tessellation/main.xml"},
    {"gl32_draw_stress_test", "OpenGL 3.2 - Draw stress test", "tvldemos/draw-stress-test/opengl/main.xml"},
    {"gl32_shadertoy_covid19", "OpenGL 3.2 - Shadertoy > Coronavirus 2020",
     "tvldemos/gl32-shadertoy-multipass/gl32-coronavirus-2020/main.xml"},
    {"gl32_shadertoy_seascape", "OpenGL 3.2 - Shadertoy > Seascape", "tvldemos/gl-shadertoy/gl32-seascape.xml"},
    {"gl32_phong_lighting", "OpenGL 3.2 - Phong Lighting Donut", "tvldemos/gl32-lighting/main.xml"},
    {"gl32_triangle", "OpenGL 3.2 - RGB Triangle", "tvldemos/gl32-triangle/main.xml"},
    {"gl32_geometry_instancing", "OpenGL 3.2 - Geometry Instancing", "tvldemos/gl32-geometry-instancing/main.xml"},
    {"gl32_gs_mesh_exploder", "OpenGL 3.2 - GS Mesh Exploder", "tvldemos/gl32-arb-gs-mesh-exploder/main.xml"},
    {"gl32_env_sphere_mapping", "OpenGL 3.2 - Env Sphere Mapping ", "tvldemos/gl32-sphere-mapping/main.xml"},
    {"gl21_cellshading", "OpenGL 2.1 - Cell Shading", "tvldemos/gl21-cell-shading/main.xml"},
    {"gl21_shadertoy_mp_alien_corridor", "OpenGL 2.1 - Shadertoy > Multipass > Alien Corridor",
     "tvldemos/gl-shadertoy-multipass/gl21-alien-corridor/main.xml"},
    {"gl21_shadertoy_mp_rainforest", "OpenGL 2.1 - Shadertoy > Multipass > Rain Forest",
     "tvldemos/gl-shadertoy-multipass/gl21-rainforest/main.xml"},
    {"gl21_shadertoy_mp_radialblur", "OpenGL 2.1 - Shadertoy > Multipass > Radial Blur",
     "tvldemos/gl-shadertoy-multipass/gl21-full-scene-radial-blur/main.xml"},
    {"gl21_shadertoy_mp_rhodium", "OpenGL 2.1 - Shadertoy > Multipass > Rhodium",
     "tvldemos/gl-shadertoy-multipass/gl21-rhodium-liquid-carbon/main.xml"},
    {"gl11_triangle", "OpenGL 1.1 - RGB Triangle", "tvldemos/gl11-triangle/main.xml"},
};
const int kCatalogueRows = static_cast<int>(sizeof(kCatalogue) / sizeof(kCatalogue[0]));

const char kWindowClass[] = "TVL_WinClass";
const char kBenchmarkFile[] = "./_tvl_benchmark_results.csv";
// How long shutdown and a closing window wait for a demo's threads. A demo
// that does not stop in time is left allocated (its threads may still read
// it) and reported in the log.
const DWORD kThreadStopTimeoutMs = 20000;
DWORD g_threadStopTimeoutMs = kThreadStopTimeoutMs;
// How long the render thread waits for the window to take a new title.
const UINT kTitleSendTimeoutMs = 100;

std::vector<SdkDemoRecord*> g_catalogue;
bool g_bridgeReady = false;
int g_gpumonPluginId = -1;

// Program folder + relative path into out; false when it does not fit.
bool programPath(const char* relative, char* out, size_t size) {
  const char* dir = stv::get_app_directory();
  if (!dir || !relative) return false;
  int n = snprintf(out, size, "%s%s", dir, relative);
  return n > 0 && static_cast<size_t>(n) < size;
}

bool fileReadable(const char* path) {
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  fclose(f);
  return true;
}

bool threadAlive(HANDLE thread) { return thread && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT; }

// Whether a thread of the run still lives. The render thread's handle
// belongs to the window thread while that one runs (it waits for and closes
// it), so nobody else reads it before the window thread has ended.
bool runThreadsAlive(const SdkDemoRecord* r) {
  if (threadAlive(r->windowThread)) return true;
  return threadAlive(r->renderThread);
}


void restoreDisplayMode(const SdkDemoRecord* r) {
  if (r->fullscreen) ChangeDisplaySettingsA(nullptr, 0);
}

void queueMouseEvent(SdkDemoRecord* r, int kind, int button, int x, int y) {
  EnterCriticalSection(&r->mouseLock);
  if (kind == 0 && r->mouseEventCount > 0 && r->mouseEvents[r->mouseEventCount - 1].kind == 0) {
    r->mouseEvents[r->mouseEventCount - 1].x = x;  // moves in a row: keep the last
    r->mouseEvents[r->mouseEventCount - 1].y = y;
  } else if (r->mouseEventCount < kSdkMouseQueueSize) {
    r->mouseEvents[r->mouseEventCount++] = SdkMouseEvent{kind, button, x, y};
  }
  LeaveCriticalSection(&r->mouseLock);
}

// On the render thread: hands the queued mouse input to the bridge.
void forwardMouseEvents(SdkDemoRecord* r) {
  SdkMouseEvent events[kSdkMouseQueueSize];
  EnterCriticalSection(&r->mouseLock);
  int count = r->mouseEventCount;
  memcpy(events, r->mouseEvents, sizeof(SdkMouseEvent) * static_cast<size_t>(count));
  r->mouseEventCount = 0;
  LeaveCriticalSection(&r->mouseLock);
  for (int i = 0; i < count; ++i) {
    const SdkMouseEvent& e = events[i];
    if (e.kind == 0)
      stv::event_mouse_move(e.x, e.y);
    else
      stv::event_mouse_button(e.button, e.kind == 1, e.x, e.y);
  }
}

bool titleHasVulkan(const SdkDemoRecord* r) { return r->title.find("Vulkan") != std::string::npos; }

// The Vulkan device check of a start; false (with the message) when there
// is no Vulkan device of that index.
bool checkVulkanDevice(SdkDemoRecord* r, int vulkanGpuIndex) {
  const char* name = GetVulkanDeviceName(vulkanGpuIndex);
  if (!name) {
    ShowErrorBox("This demo requires a Vulkan API support.");
    return false;
  }
  r->renderer = name;
  const char* version = GetVulkanDeviceApiVersionString(vulkanGpuIndex);
  if (version) r->apiVersion = version;
  return true;
}

// Frees what a finished run left: its thread handles and, when this thread
// created it, its window. False while a thread of the run still lives.
bool releaseFinishedRun(SdkDemoRecord* r) {
  if (r->running.load() || runThreadsAlive(r)) return false;
  if (r->renderThread) CloseHandle(r->renderThread);
  if (r->windowThread) CloseHandle(r->windowThread);
  r->renderThread = r->windowThread = nullptr;
  if (r->window && IsWindow(r->window) && GetWindowThreadProcessId(r->window, nullptr) == GetCurrentThreadId())
    DestroySdkDemoWindow(r);
  r->window = nullptr;
  return true;
}

void prepareRun(SdkDemoRecord* r, int width, int height, const char* msaaText, bool fullscreen, int vulkanGpuIndex) {
  r->reset();
  if (msaaText) r->msaaText = msaaText;
  r->width = width;
  r->height = height;
  r->fullscreen = fullscreen;
  r->vulkanGpuIndex = vulkanGpuIndex;
  r->durationMs = g_app.tvlDemoDurationMs;
  r->benchmarkLog = g_app.tvlBenchmarkLog;
}

LRESULT CALLBACK SdkDemoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    return DefWindowProcA(window, message, wParam, lParam);
  }
  SdkDemoRecord* r = reinterpret_cast<SdkDemoRecord*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_SIZE:
      if (r) {
        r->newSize.store(static_cast<DWORD>(lParam));  // width and height as the message packs them
        r->resizePending.store(true);
      }
      return 0;
    case WM_CREATE:
    case WM_ERASEBKGND:
    case WM_COMMAND:
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) PostQuitMessage(0);
      return 0;
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    case WM_MOUSEMOVE:
      if (r) queueMouseEvent(r, 0, 0, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      if (r) queueMouseEvent(r, message == WM_LBUTTONDOWN ? 1 : 2, 1, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

unsigned __stdcall SdkDemoRenderThread(void* param) {
  SdkDemoRecord* r = static_cast<SdkDemoRecord*>(param);
  r->running.store(true);
  char xml[MAX_PATH * 2];
  if (!programPath(r->xmlPath.c_str(), xml, sizeof(xml)) ||
      !stv::demo_init(xml, &r->window, r->width, r->height, r->msaaText.c_str(),
                      static_cast<unsigned>(r->vulkanGpuIndex))) {
    r->running.store(false);
    PostMessageA(r->window, WM_CLOSE, 0, 0);
    return 0;
  }
  const DWORD self = GetCurrentThreadId();
  const DWORD mainThread = g_app.mainThreadId;
  const bool attached = mainThread != 0 && mainThread != self && AttachThreadInput(self, mainThread, TRUE);
  r->renderer = stv::renderer_get_model();
  r->apiVersion = stv::renderer_get_opengl_version();
  r->frameCount = 0;
  stv::timer_reset();
  char title[512];
  while (!r->stopRequested.load()) {
    stv::timer_update();
    const float dt = stv::timer_get_dt();
    r->totalSeconds += dt;
    r->titleSeconds += dt;
    const long long elapsedMs = static_cast<long long>(r->totalSeconds * 1000.0f);
    // The flag is taken before the size is read, in one exchange: a resize
    // that lands after it sets the flag again and is applied next frame,
    // where reading first and clearing after would drop it.
    if (r->resizePending.exchange(false)) {
      const DWORD size = r->newSize.load();
      const int w = LOWORD(size), h = HIWORD(size);
      stv::demo_resize(w, h);
      r->width = w;
      r->height = h;
    }
    if (r->width > 0 && r->height > 0) {
      forwardMouseEvents(r);
      stv::demo_frame(dt);
      ++r->frameCount;
      if (r->durationMs != 0 && elapsedMs >= r->durationMs) {
        r->avgFps = stv::timer_get_avg_fps();
        r->stopRequested.store(true);
        r->benchmarkDone = true;
        r->postQuit = true;
        LogPrintf(g_log, "TVL DEMO - benchmark completed");
      } else if (r->titleSeconds >= 1.0f) {
        r->titleSeconds = 0.0f;
        snprintf(title, sizeof(title), "%s | %dFPS (%.3fms/frame) | %s %s (Tavrin SDK)", r->title.c_str(),
                 stv::timer_get_fps(), static_cast<double>(dt * 1000.0f), kAppName, AppVersionText());
        DWORD_PTR result = 0;
        SendMessageTimeoutA(r->window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title), SMTO_NORMAL,
                            kTitleSendTimeoutMs, &result);
      }
    }
    Sleep(0);
  }
  if (attached) AttachThreadInput(self, mainThread, FALSE);
  stv::demo_terminate();
  if (r->benchmarkDone) AppendSdkBenchmarkResult(r);
  const bool postQuit = r->postQuit;
  const DWORD windowThreadId = r->windowThreadId;
  r->running.store(false);
  if (postQuit) PostThreadMessageA(windowThreadId, WM_QUIT, 0, 0);
  return 0;
}

unsigned __stdcall SdkDemoWindowThread(void* param) {
  SdkDemoRecord* r = static_cast<SdkDemoRecord*>(param);
  r->windowThreadId = GetCurrentThreadId();
  if (!CreateSdkDemoWindow(r)) return 0;
  if (!StartSdkDemoRenderThread(r)) {
    DestroySdkDemoWindow(r);
    return 0;
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (WaitSdkDemoRenderThread(r)) DestroySdkDemoWindow(r);
  return 0;
}

// Stops a demo's run for shutdown and frees its threads and window; false
// when a thread of the run did not end in time.
bool endRun(SdkDemoRecord* r) {
  r->stopRequested.store(true);
  if (!r->windowThread) {
    if (r->renderThread && !WaitSdkDemoRenderThread(r)) return false;
    DestroySdkDemoWindow(r);
    return true;
  }
  // The window thread joins the render thread and destroys its window.
  const ULONGLONG deadline = GetTickCount64() + g_threadStopTimeoutMs;
  while (threadAlive(r->windowThread) && !PostThreadMessageA(r->windowThreadId, WM_QUIT, 0, 0) &&
         GetTickCount64() < deadline)
    Sleep(10);
  if (!WaitServingSentMessages(r->windowThread, g_threadStopTimeoutMs) || threadAlive(r->renderThread))
    return false;
  CloseHandle(r->windowThread);
  r->windowThread = nullptr;
  if (r->renderThread) {
    CloseHandle(r->renderThread);
    r->renderThread = nullptr;
  }
  return true;
}

}  // namespace

SdkDemoRecord::SdkDemoRecord() : running(false), stopRequested(false), resizePending(false), newSize(0) {
  InitializeCriticalSection(&mouseLock);
  mouseEventCount = 0;
  reset();
}

SdkDemoRecord::~SdkDemoRecord() { DeleteCriticalSection(&mouseLock); }

void SdkDemoRecord::reset() {
  running.store(false);
  window = nullptr;
  instance = g_app.instance ? g_app.instance : GetModuleHandleA(nullptr);
  windowThreadId = 0;
  width = 800;
  height = 600;
  fullscreen = false;
  renderThread = windowThread = nullptr;
  stopRequested.store(false);
  resizePending.store(false);
  newSize.store(0);
  msaaText = "Off";
  totalSeconds = titleSeconds = 0.0f;
  vulkanGpuIndex = 0;
  benchmarkDone = postQuit = false;
  avgFps = frameCount = 0;
  durationMs = 0;
  benchmarkLog = false;
  EnterCriticalSection(&mouseLock);
  mouseEventCount = 0;
  LeaveCriticalSection(&mouseLock);
}

int GetSdkCatalogueRowCount() { return kCatalogueRows; }

const SdkCatalogueRow* GetSdkCatalogueRow(int index) {
  return index >= 0 && index < kCatalogueRows ? &kCatalogue[index] : nullptr;
}

void SdkLogCallback(const char* text, void*) { LogPrintf(g_log, "[STV] - %s", text ? text : ""); }

bool InitDemoSdk() {
  if (g_bridgeReady) return true;
  stv::set_host_app_name_and_version(kAppName, kAppVersion[0], kAppVersion[1], kAppVersion[2], kAppVersion[3]);
  if (!stv::initialize_v2(nullptr, SdkLogCallback, nullptr)) return false;
  char path[MAX_PATH * 2];
  if (programPath("tvldemos/libs/", path, sizeof(path))) stv::set_libs_dir(path);
  if (programPath("tvcplugins/", path, sizeof(path))) stv::set_plugins_dir(path);
  g_gpumonPluginId = stv::load_plugin("plugin_tvc_gpumon_x32.dll");
  g_bridgeReady = true;
  for (const SdkCatalogueRow& row : kCatalogue) AddSdkDemo(row.title, row.id, row.xmlPath);
  return true;
}

bool IsSdkBridgeReady() { return g_bridgeReady; }

bool AddSdkDemo(const char* title, const char* id, const char* xmlPath) {
  if (!xmlPath || !xmlPath[0] || !g_bridgeReady) return false;
  // Looked for in the program folder, where the run loads the scene from,
  // not in the current folder: a program started from elsewhere would
  // otherwise list no demo, or one it cannot load.
  char path[MAX_PATH * 2];
  if (!programPath(xmlPath, path, sizeof(path)) || !fileReadable(path)) return false;
  SdkDemoRecord* r = new SdkDemoRecord();
  if (title) r->title = title;
  if (id) r->id = id;
  r->xmlPath = xmlPath;
  g_catalogue.push_back(r);
  return true;
}

int GetSdkDemoCount() { return static_cast<int>(g_catalogue.size()); }

SdkDemoRecord* GetSdkDemo(int index) {
  return index >= 0 && index < GetSdkDemoCount() ? g_catalogue[static_cast<size_t>(index)] : nullptr;
}

bool IsSdkDemoRunning() {
  for (const SdkDemoRecord* r : g_catalogue)
    if (r->running.load() || runThreadsAlive(r)) return true;
  return false;
}

bool StartSdkDemoByIndex(int index, int width, int height, const char* msaaText, bool fullscreen,
                         int vulkanGpuIndex) {
  SdkDemoRecord* r = GetSdkDemo(index);
  // A running demo is refused: the record's reset would run under its live
  // threads.
  if (!r || IsSdkDemoRunning()) return false;
  if (titleHasVulkan(r) && !checkVulkanDevice(r, vulkanGpuIndex)) return false;
  if (!releaseFinishedRun(r)) return false;
  prepareRun(r, width, height, msaaText, fullscreen, vulkanGpuIndex);
  uintptr_t thread = _beginthreadex(nullptr, 0, SdkDemoWindowThread, r, 0, nullptr);
  r->windowThread = reinterpret_cast<HANDLE>(thread);
  return thread != 0;
}

bool StartSdkDemoByName(const char* name, int width, int height, const char* msaaText, bool fullscreen,
                        int vkGpuIndex) {
  if (!name) return false;
  SdkDemoRecord* r = nullptr;
  for (SdkDemoRecord* c : g_catalogue)
    if (!c->id.empty() && c->id == name) {
      r = c;
      break;
    }
  if (!r) {
    LogPrintf(g_log, "unable to start demo: %s", name);
    return false;
  }
  if (IsSdkDemoRunning()) return false;  // as by index: no reset under live threads
  if (r->id.find("vk_") != std::string::npos && !checkVulkanDevice(r, vkGpuIndex)) return false;
  if (!releaseFinishedRun(r)) return false;
  prepareRun(r, width, height, msaaText, fullscreen, vkGpuIndex);
  if (!CreateSdkDemoWindow(r)) {
    ShowErrorBox("Unable to create a 3D window.");
    return false;
  }
  if (!StartSdkDemoRenderThread(r)) {
    DestroySdkDemoWindow(r);
    return false;
  }
  return true;
}

bool CreateSdkDemoWindow(SdkDemoRecord* r) {
  if (!r) return false;
  if (r->fullscreen) {
    DEVMODEA mode;
    memset(&mode, 0, sizeof(mode));
    mode.dmSize = sizeof(mode);
    mode.dmPelsWidth = static_cast<DWORD>(r->width);
    mode.dmPelsHeight = static_cast<DWORD>(r->height);
    mode.dmBitsPerPel = 32;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
      ShowErrorBox("Unable to switch to fullscreen mode (%dx%d)! Try with another resolution.", r->width, r->height);
      return false;
    }
  }
  WNDCLASSEXA wc;
  memset(&wc, 0, sizeof(wc));
  wc.cbSize = sizeof(wc);
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = SdkDemoWindowProc;
  wc.hInstance = r->instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hIconSm = LoadIconA(r->instance, MAKEINTRESOURCEA(IDI_QUORVEL_SMALL));
  wc.lpszClassName = kWindowClass;
  RegisterClassExA(&wc);  // fails harmlessly when already registered

  const DWORD style = r->fullscreen ? (WS_POPUP | WS_VISIBLE) : WS_OVERLAPPEDWINDOW;
  RECT rect = {0, 0, r->width, r->height};
  AdjustWindowRect(&rect, style, r->fullscreen ? FALSE : TRUE);  // sized as if it had a menu
  const int x = r->fullscreen ? 0 : 20, y = r->fullscreen ? 0 : 20;
  HWND window = CreateWindowExA(0, kWindowClass, kAppName, style, x, y, rect.right - rect.left,
                                rect.bottom - rect.top, nullptr, nullptr, r->instance, r);
  if (!window) {
    restoreDisplayMode(r);
    return false;
  }
  r->window = window;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  char text[512];
  snprintf(text, sizeof(text), "%s | %s %s (Tavrin SDK)", r->title.c_str(), kAppName, AppVersionText());
  SetWindowTextA(window, text);
  r->windowThreadId = GetCurrentThreadId();
  return true;
}

bool DestroySdkDemoWindow(SdkDemoRecord* r) {
  if (!r || !r->window) return true;
  if (GetWindowThreadProcessId(r->window, nullptr) != GetCurrentThreadId()) return false;
  restoreDisplayMode(r);
  DestroyWindow(r->window);
  r->window = nullptr;
  return true;
}

bool StartSdkDemoRenderThread(SdkDemoRecord* r) {
  if (!r) return false;
  r->stopRequested.store(false);
  uintptr_t thread = _beginthreadex(nullptr, 0, SdkDemoRenderThread, r, 0, nullptr);
  r->renderThread = reinterpret_cast<HANDLE>(thread);
  return thread != 0;
}

bool WaitSdkDemoRenderThread(SdkDemoRecord* r) {
  if (!r) return false;
  r->stopRequested.store(true);
  if (!r->renderThread) return false;
  if (!WaitServingSentMessages(r->renderThread, g_threadStopTimeoutMs)) {
    LogPrintf(g_log, "TVL DEMO - render thread of %s did not stop in time", r->id.c_str());
    return false;
  }
  CloseHandle(r->renderThread);
  r->renderThread = nullptr;
  return true;
}

void AppendSdkBenchmarkResult(SdkDemoRecord* r) {
  if (!r || !r->benchmarkLog) return;
  FILE* f = fopen(kBenchmarkFile, "r+");
  if (!f) {
    f = fopen(kBenchmarkFile, "w");
    if (!f) {
      LogPrintf(g_log, "unable to open _tvl_benchmark_results.csv");
      return;
    }
    fputs("renderer,api_version,demo_name,width,height,msaa,fullscreen,avg_fps,score,duration_ms\n", f);
  }
  fclose(f);
  f = fopen(kBenchmarkFile, "a");
  if (!f) {
    LogPrintf(g_log, "unable to open _tvl_benchmark_results.csv");
    return;
  }
  fprintf(f, "\"%s\",\"%s\",\"%s\",%d,%d,\"%s\",\"%s\",%d,%d,%d\n", r->renderer.c_str(), r->apiVersion.c_str(),
          r->id.c_str(), r->width, r->height, r->msaaText.c_str(), r->fullscreen ? "yes" : "no", r->avgFps,
          r->frameCount, r->durationMs);
  fclose(f);
}

bool ShutdownDemoSdk() {
  std::vector<SdkDemoRecord*> stillRunning;
  for (SdkDemoRecord* r : g_catalogue) {
    if (endRun(r)) {
      delete r;
    } else {
      // Still in use by a thread that did not end: left allocated.
      stillRunning.push_back(r);
      LogPrintf(g_log, "TVL DEMO - %s did not stop in time", r->id.c_str());
    }
  }
  g_catalogue.swap(stillRunning);
  if (!g_catalogue.empty()) {
    // A render thread may still be inside the bridge: ending the framework
    // under it would pull its scene away. The bridge stays up.
    LogPrintf(g_log, "TVL DEMO - a demo is still running: the bridge is not terminated");
    return false;
  }
  if (g_bridgeReady) {
    stv::unload_plugin(g_gpumonPluginId);
    stv::terminate();
  }
  g_gpumonPluginId = -1;
  g_bridgeReady = false;
  return true;
}

void SetSdkDemoStopTimeout(DWORD timeoutMs) {
  g_threadStopTimeoutMs = timeoutMs ? timeoutMs : kThreadStopTimeoutMs;
}
