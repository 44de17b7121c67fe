#include "tests/rawdemos/RawDemoHarness.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/AppState.h"
#include "demos/RawDemo.h"
#include "stv.h"

namespace {

Frame g_scene;
Frame g_last;

void readBack(Frame& frame, int width, int height) {
  frame.width = width;
  frame.height = height;
  frame.rgba.resize(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
}

void observe(const DemoSlot*, int stage, int width, int height) {
  readBack(stage == kFrameStageScene ? g_scene : g_last, width, height);
}

struct BoxSearch {
  DWORD process;
  std::vector<HWND> boxes;
};

BOOL CALLBACK findBoxes(HWND window, LPARAM param) {
  BoxSearch* search = reinterpret_cast<BoxSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char caption[64] = "";
  if (pid == search->process && IsWindowVisible(window) && GetWindowTextA(window, caption, sizeof(caption)) &&
      strncmp(caption, "Quorvel ", 8) == 0 && GetDlgItem(window, 0xFFFF))
    search->boxes.push_back(window);
  return TRUE;
}

std::vector<std::string> splitCsv(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(field);
  return fields;
}

// Pumps this thread's messages (the demo window is ours) until the thread
// ends; false when it did not within timeoutMs.
bool pumpUntilEnded(HANDLE thread, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (r == WAIT_OBJECT_0) return true;
  }
  return false;
}

std::string benchmarkPath() { return std::string(stv::get_app_directory()) + "bench_result.csv"; }

}  // namespace

BoxCloser::BoxCloser() : m_stop(0) {
  InitializeCriticalSection(&m_lock);
  m_thread = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

BoxCloser::~BoxCloser() {
  InterlockedExchange(&m_stop, 1);
  WaitForSingleObject(m_thread, INFINITE);
  CloseHandle(m_thread);
  DeleteCriticalSection(&m_lock);
}

std::vector<std::string> BoxCloser::take() {
  EnterCriticalSection(&m_lock);
  std::vector<std::string> boxes;
  boxes.swap(m_boxes);
  LeaveCriticalSection(&m_lock);
  return boxes;
}

DWORD WINAPI BoxCloser::run(void* arg) {
  BoxCloser* self = static_cast<BoxCloser*>(arg);
  while (!self->m_stop) {
    BoxSearch search = {GetCurrentProcessId(), {}};
    EnumWindows(findBoxes, reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.boxes) {
      char caption[64] = "", text[4096] = "";
      GetWindowTextA(box, caption, sizeof(caption));
      GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
      EnterCriticalSection(&self->m_lock);
      self->m_boxes.push_back(std::string(caption) + "\t" + text);
      LeaveCriticalSection(&self->m_lock);
      SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    Sleep(20);
  }
  return 0;
}

DemoRun RunDemoThread(DemoThreadRoutine routine, int slotIndex, int width, int height, DWORD timeoutMs) {
  DemoRun run;
  g_scene = Frame();
  g_last = Frame();
  SetRawDemoFrameObserver(observe);
  BoxCloser closer;
  g_app.demoWinWidth = width;
  g_app.demoWinHeight = height;
  DemoSlot* slot = &g_app.demoSlots[slotIndex];
  HWND* windowVar = &g_app.demoWindows[slotIndex];
  if (!StartGlDemo(nullptr, slot, 1, routine, windowVar, false)) return run;
  HWND window = *windowVar;
  HANDLE thread = nullptr;
  DuplicateHandle(GetCurrentProcess(), slot->thread, GetCurrentProcess(), &thread, SYNCHRONIZE, FALSE, 0);
  run.ended = pumpUntilEnded(thread, timeoutMs);
  if (!run.ended) {  // stop it, so that the next test starts clean
    slot->stopFlag = 1;
    pumpUntilEnded(thread, 10000);
  }
  CloseHandle(thread);
  // The thread posts its window's close as it ends.
  for (DWORD start = GetTickCount(); IsWindow(window) && GetTickCount() - start < 10000;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  }
  run.windowClosed = slot->thread == nullptr && !IsWindow(window);
  run.doneFlag = slot->doneFlag;
  StopDemoThread(slot);
  if (IsWindow(window)) DestroyWindow(window);
  *windowVar = nullptr;
  SetRawDemoFrameObserver(nullptr);
  run.scene = g_scene;
  run.last = g_last;
  Sleep(100);  // a box shown at the very end is still recorded
  run.boxes = closer.take();
  return run;
}

std::vector<std::string> LastBenchmarkRow(const std::string& testName) {
  std::ifstream in(benchmarkPath());
  std::string line, found;
  while (std::getline(in, line)) {
    std::vector<std::string> fields = splitCsv(line);
    if (fields.size() > 7 && fields[7] == testName) found = line;
  }
  return found.empty() ? std::vector<std::string>() : splitCsv(found);
}

void RemoveBenchmarkFile() { DeleteFileA(benchmarkPath().c_str()); }
