#include "detect/RenderWindow.h"

#include <new>

#include "detect/OpenGLCaps.h"

RenderWindow::RenderWindow() : m_ctx(new (std::nothrow) RenderWindowCtx()) {
  if (m_ctx) {
    m_ctx->startedByFacade = false;
    m_ctx->window = nullptr;
    m_ctx->dc = nullptr;
    m_ctx->context = nullptr;
    m_ctx->maxMsaaSamples = 0;
    m_ctx->amdTotalVideoMemoryKB = -1;
  }
}

RenderWindow::~RenderWindow() {
  shutdown();
  delete m_ctx;
}

bool RenderWindow::create(HWND window, int, int, int colorBits, int depthBits, int stencilBits, int,
                          int glMajor, int glMinor, int contextFlag) {
  if (!m_ctx) return false;
  m_ctx->caps.init();
  if (glMajor > 0)
    InitDetectionGlContext(m_ctx, window, colorBits, depthBits, stencilBits, glMajor, glMinor,
                           contextFlag);
  return true;
}

void RenderWindow::shutdown() {
  if (!m_ctx) return;
  ShutdownDetectionGlContext(m_ctx);
  m_ctx->caps.release();
}

int RenderWindow::getSamples() const { return m_ctx ? m_ctx->caps.samples : 0; }
