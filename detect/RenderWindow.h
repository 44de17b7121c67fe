// Owner of the detection library's hidden OpenGL context and of the
// render-window context whose first member is the hardware object.
#pragma once
#include <windows.h>

#include "detect/HardwareCaps.h"

struct RenderWindowCtx {
  HardwareCaps caps;
  bool startedByFacade;
  HWND window;
  HDC dc;
  HGLRC context;
  int maxMsaaSamples;
  int amdTotalVideoMemoryKB;  // asked once, -1 until then
};

class RenderWindow {
 public:
  RenderWindow();
  ~RenderWindow();
  RenderWindow(const RenderWindow&) = delete;
  RenderWindow& operator=(const RenderWindow&) = delete;

  // Runs the hardware detection and, when glMajor > 0, sets up the hidden
  // OpenGL context and reads everything OpenGL tells. False only when there
  // is no render-window context.
  bool create(HWND window, int width, int height, int colorBits, int depthBits, int stencilBits,
              int reserved, int glMajor, int glMinor, int contextFlag);
  void shutdown();

  RenderWindowCtx* context() { return m_ctx; }
  HardwareCaps* caps() { return m_ctx ? &m_ctx->caps : nullptr; }
  int getMaxMsaaSamples() const { return m_ctx ? m_ctx->maxMsaaSamples : 0; }
  int getSamples() const;

 private:
  RenderWindowCtx* m_ctx;
};

// The OpenGL side of the detection context; the hardware part runs first.
bool InitDetectionGlContext(RenderWindowCtx* ctx, HWND window, int colorBits, int depthBits,
                            int stencilBits, int glMajor, int glMinor, int contextFlag);
void ShutdownDetectionGlContext(RenderWindowCtx* ctx);
