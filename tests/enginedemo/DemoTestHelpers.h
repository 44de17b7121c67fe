// Helpers of the tests that run demo threads: serving this thread's
// messages while waiting, and answering the demos' error boxes.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "detect/Scanrik.h"
#include "lumaq.h"

// A fresh application state and the detection context, which says what
// the machine offers (OpenGL 2.0 for the engine demos).
inline void resetStateAndDetection() {
  ResetAppState();
  Scanrik* s = Scanrik::instance();
  ASSERT_NE(nullptr, s);
  ASSERT_TRUE(s->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1));
}

// Serves this thread's messages (the demo windows live here) until the
// condition holds or the time is up.
template <class Condition>
bool pumpUntil(Condition done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return true;
}

// Error boxes of the demo threads: their text comes through the engine's
// trace; a watcher thread presses OK on each box.
struct ErrorBoxes {
  static inline std::vector<std::string>* texts = nullptr;
  static void sink(int level, const char* text, void*) {
    if (level == 1 && texts) texts->push_back(text);
  }
  std::vector<std::string> seen;
  std::atomic<bool> stop{false};
  HANDLE thread;
  static DWORD WINAPI watch(void* arg) {
    ErrorBoxes* b = static_cast<ErrorBoxes*>(arg);
    while (!b->stop) {
      if (HWND box = FindWindowA(nullptr, "Quorvel Error")) PostMessageA(box, WM_COMMAND, IDOK, 0);
      Sleep(20);
    }
    return 0;
  }
  ErrorBoxes() {
    texts = &seen;
    Korveth_nsp::kvTraceMgr::getInstance()->setSink(sink, nullptr);
    thread = CreateThread(nullptr, 0, watch, this, 0, nullptr);
  }
  ~ErrorBoxes() {
    stop = true;
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    Korveth_nsp::kvTraceMgr::getInstance()->setSink(nullptr, nullptr);
    texts = nullptr;
  }
};

