// What the bare benchmark loops share: their window, the message pump, the
// FPS count of the demos (frames in windows of at least one second, the
// truncated mean of the window counts) and the end of the run.
#pragma once
#include <GL/glew.h>
#include <windows.h>

#include <cstdio>

inline HWND MakeBareWindow(const char* name, int width, int height) {
  WNDCLASSA wc = {};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = name;
  RegisterClassA(&wc);
  RECT r = {0, 0, width, height};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  return CreateWindowA(name, name, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, r.right - r.left, r.bottom - r.top,
                       nullptr, nullptr, wc.hInstance, nullptr);
}

// A double-buffered RGBA8 pixel format with depth and stencil, chosen the
// plain GDI way.
inline void SetBasicPixelFormat(HDC dc) {
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.cColorBits = 32;
  pfd.cDepthBits = 24;
  pfd.cStencilBits = 8;
  SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd);
}

struct BareFps {
  DWORD start = GetTickCount();
  unsigned last = 0, delta = 0, windowMs = 0, frames = 0, sum = 0, windows = 0, total = 0;

  // Serves the window's messages; milliseconds since the start.
  unsigned tick() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    unsigned now = GetTickCount() - start;
    delta = now - last;
    windowMs += delta;
    last = now;
    return now;
  }

  void frame() {
    ++total;
    ++frames;
    if (windowMs < 1000) return;
    sum += frames;
    ++windows;
    frames = 0;
    windowMs = 0;
  }
};

// Prints the context it drew with, "avg_fps N" and "frames F elapsed_ms E
// fps X": the loop ends at the first reading past the duration, before it
// draws again, so E is the time of exactly those F frames and X = F / E has
// the clock's resolution, not a whole FPS. Frees the context and window.
inline void EndBareLoop(HWND window, HDC dc, HGLRC rc, const BareFps& fps) {
  GLint samples = 0;
  glGetIntegerv(GL_SAMPLES, &samples);
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  printf("context: %s, %s, %d samples\n", renderer ? renderer : "?", version ? version : "?", samples);
  printf("avg_fps %u\n", fps.windows ? fps.sum / fps.windows : 0);
  printf("frames %u elapsed_ms %u fps %.3f\n", fps.total, fps.last, fps.last ? fps.total * 1000.0 / fps.last : 0.0);
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(rc);
  ReleaseDC(window, dc);
  DestroyWindow(window);
}
