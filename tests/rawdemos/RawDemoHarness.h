// Runs the raw OpenGL and OpenCL demo threads inside a test: the demo's
// window on the test thread (whose messages the harness pumps), the last
// frame read back through the demo frame seam, the boxes the demo shows
// recorded and closed, and the benchmark row it wrote.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "demos/DemoStart.h"

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;  // rows bottom-up, as glReadPixels gives them
  bool empty() const { return rgba.empty(); }
  const unsigned char* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
  // Outside the logo corner (the lower right 128 x 128 pixels).
  bool outsideLogo(int x, int y) const { return x < width - 128 || y >= 128; }
};

struct DemoRun {
  bool ended = false;    // the thread ended within the time allowed
  bool windowClosed = false;
  int doneFlag = 0;
  Frame scene;           // the post-processing demo's frame before its filter
  Frame last;            // the last complete frame
  std::vector<std::string> boxes;  // "caption\ttext" of each box shown
};

// Records and closes every message box of this process while it lives.
class BoxCloser {
 public:
  BoxCloser();
  ~BoxCloser();
  std::vector<std::string> take();

 private:
  static DWORD WINAPI run(void* self);
  HANDLE m_thread;
  volatile LONG m_stop;
  CRITICAL_SECTION m_lock;
  std::vector<std::string> m_boxes;
};

// Starts routine over the slot in a window of width x height client pixels
// (about), pumps messages until the thread ends (at most timeoutMs) and
// returns what the run left.
DemoRun RunDemoThread(DemoThreadRoutine routine, int slotIndex, int width, int height, DWORD timeoutMs = 90000);

// The last row of bench_result.csv beside the test program that names the
// test, as its fields; empty when there is none.
std::vector<std::string> LastBenchmarkRow(const std::string& testName);
void RemoveBenchmarkFile();
