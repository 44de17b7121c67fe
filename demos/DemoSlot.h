// Run state of one built-in demo: thread, window, timer, FPS statistics and
// the engine objects of the engine demos.
#pragma once
#include <windows.h>

#include <atomic>

#include "demos/Timers.h"
#include "lumaq.h"

namespace Korveth_nsp {
class kvRenderWindow;
class kvScene;
class kvCamera;
class kvMesh;
class kvQuad;
class kvGpuShader;
}  // namespace Korveth_nsp

// Frames are counted in windows of at least one second.
struct DemoFpsStats {
  unsigned elapsedMs;
  unsigned frameCount;
  unsigned lastTimerValue;
  unsigned windowFrames;
  unsigned windowMs;
  unsigned currentFps;
  unsigned minFps;
  unsigned maxFps;
  unsigned fpsSum;
  unsigned averageFps;
  unsigned windowCount;
  int resultValid;
  int firstWindowDone;
};

struct DemoSlot {
  static const int kVectorArrayCount = 5;
  static const int kVectorArraySize = 10000;

  DemoSlot();
  ~DemoSlot();
  DemoSlot(const DemoSlot&) = delete;
  DemoSlot& operator=(const DemoSlot&) = delete;

  // Zeroes the run state before a start (thread, flags, window, statistics).
  void clearRunState();
  bool isBusy() const { return thread != nullptr; }

  PerfTimer timer;
  DWORD threadId;
  HANDLE thread;
  unsigned engineId;
  // Shared with the UI thread without a lock.
  std::atomic<int> stopFlag;
  std::atomic<int> doneFlag;
  std::atomic<HWND> window;
  int clientWidth;
  int clientHeight;

  Korveth_nsp::kvRenderWindow* renderWindow;
  Korveth_nsp::kvScene* scene;
  Korveth_nsp::kvCamera* camera;
  Korveth_nsp::kvFont hudFont;
  // Objects of the engine demos, owned by the engine's render window.
  static const int kEngineObjectSlots = 8;
  Korveth_nsp::kvQuad* logoQuad;
  Korveth_nsp::kvMesh* meshes[kEngineObjectSlots];
  Korveth_nsp::kvGpuShader* shaders[kEngineObjectSlots];

  int msaaSamples;
  int firstFrame;
  std::atomic<int> drawing;
  DemoFpsStats fps;

  // The record's engine-data area, built with every slot as the record is
  // laid out. No demo writes it: each engine demo keeps its state in a
  // named record of its own in its unit (one slot runs each demo).
  Korveth_nsp::kvVector4 color;
  Korveth_nsp::kvLinkedList objects;
  Korveth_nsp::kvVector4 vectorPairs[2][2];
  Korveth_nsp::kvVector4 vectorArrays[kVectorArrayCount][kVectorArraySize];
};

// The closes every demo thread makes at its end: the demo window, and with
// mainWindowToo the main window when the run was to close the program.
// Posted, not sent: the UI thread may be waiting for this thread to end
// while it closes the window, and a sent message would wait for it in turn.
void PostDemoEndCloses(HWND demoWindow, bool mainWindowToo);
