// The framework-demo launcher: runs the outside demo framework's demos
// through the bridge (stv_x32). At start-up it initialises the bridge and
// builds the catalogue; a demo started by index gets a window thread and a
// render thread, a demo started by id gets its window on the calling thread
// (whose message loop serves it) and a render thread. Every bridge call of a
// run happens on the render thread. At shutdown running demos are stopped
// and joined and the bridge is terminated.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>

// One mouse event queued by the window procedure for the render thread:
// every bridge call of a run stays on the render thread, as the bridge is
// called from one thread at a time.
struct SdkMouseEvent {
  int kind;  // 0 move, 1 button down, 2 button up
  int button;
  int x, y;
};
const int kSdkMouseQueueSize = 64;

// One catalogue entry and the run state of its demo.
struct SdkDemoRecord {
  SdkDemoRecord();
  ~SdkDemoRecord();
  SdkDemoRecord(const SdkDemoRecord&) = delete;
  SdkDemoRecord& operator=(const SdkDemoRecord&) = delete;
  // Back to the defaults; title, id, xmlPath, renderer and apiVersion stay.
  void reset();

  std::string title;
  std::string id;
  std::atomic<bool> running;  // set by the render thread while the bridge demo lives
  HWND window;
  HINSTANCE instance;
  DWORD windowThreadId;
  int width, height;
  bool fullscreen;
  HANDLE renderThread, windowThread;
  std::atomic<bool> stopRequested;
  // The window's last client size, width in the low and height in the high
  // 16 bits, kept in one value so that no reader pairs a new width with an
  // old height; resizePending is set after it is stored.
  std::atomic<bool> resizePending;
  std::atomic<DWORD> newSize;
  std::string xmlPath;  // relative to the program folder
  std::string msaaText;
  float totalSeconds, titleSeconds;
  int vulkanGpuIndex;
  bool benchmarkDone, postQuit;
  std::string renderer, apiVersion;
  int avgFps, frameCount;
  // Taken from the application state when the demo starts.
  int durationMs;
  bool benchmarkLog;
  // Mouse input, from the window's thread to the render thread.
  CRITICAL_SECTION mouseLock;
  SdkMouseEvent mouseEvents[kSdkMouseQueueSize];
  int mouseEventCount;
};

// One row of the built-in catalogue table.
struct SdkCatalogueRow {
  const char* id;
  const char* title;
  const char* xmlPath;
};
int GetSdkCatalogueRowCount();
const SdkCatalogueRow* GetSdkCatalogueRow(int index);  // null past the table

// Start-up and shutdown, on the UI thread. False when the bridge cannot be
// initialised: the catalogue then stays empty.
bool InitDemoSdk();
bool IsSdkBridgeReady();
// Stops every demo and terminates the bridge. False when a demo's render or
// window thread did not end in time: that demo's record and the bridge are
// kept for it, and a later call, once it has ended, finishes the shutdown.
bool ShutdownDemoSdk();
// How long shutdown and a closing window wait for a demo's threads (20 s);
// a test sets a shorter bound, 0 restores it.
void SetSdkDemoStopTimeout(DWORD timeoutMs);

// Appends a catalogue entry; false without a path, when the scene file (in
// the program folder) cannot be read, or before the bridge is ready.
bool AddSdkDemo(const char* title, const char* id, const char* xmlPath);
int GetSdkDemoCount();
SdkDemoRecord* GetSdkDemo(int index);
// True while any demo is started and not finished (threads still alive).
bool IsSdkDemoRunning();

// Both refuse while a demo is running. By index: window and render thread
// of its own. By id: the window belongs to the calling thread, whose message
// loop must serve it; the loop gets the quit message when the demo ends.
bool StartSdkDemoByIndex(int index, int width, int height, const char* msaaText, bool fullscreen,
                         int vulkanGpuIndex);
bool StartSdkDemoByName(const char* name, int width, int height, const char* msaaText, bool fullscreen,
                        int vkGpuIndex);

// Steps of a run.
bool CreateSdkDemoWindow(SdkDemoRecord* record);
bool DestroySdkDemoWindow(SdkDemoRecord* record);  // on the window's own thread
bool StartSdkDemoRenderThread(SdkDemoRecord* record);
// Asks the render thread to stop and waits for it (bounded); false when
// there is no render thread or it did not end in time.
bool WaitSdkDemoRenderThread(SdkDemoRecord* record);
void AppendSdkBenchmarkResult(SdkDemoRecord* record);

// The bridge's trace lines, into the program log as "[STV] - %s".
void SdkLogCallback(const char* text, void* user);
