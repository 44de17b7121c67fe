// Owner of the detection library's hidden OpenGL context and of the
// render-window context whose first member is the hardware object.
#pragma once
#include <windows.h>

#include <utility>
#include <vector>

#include "detect/HardwareCaps.h"

struct RenderWindowCtx {
  RenderWindowCtx();
  HardwareCaps mHardwareCaps;
  bool ready;
  int width;
  int height;
  int colorBits;
  int depthBits;
  int stencilBits;
  int requestedSamples;  // 0 none, -1 the most available, n at least n
  int maxMsaaSamples;
  int samples;
  HWND windowHandle;
  HDC dc;
  HGLRC context;
  bool startedByFacade;
};

class RenderWindow {
 public:
  RenderWindow();
  virtual ~RenderWindow();
  RenderWindow(const RenderWindow&) = delete;
  RenderWindow& operator=(const RenderWindow&) = delete;

  // Runs the hardware detection and, when major > 0, sets up the hidden
  // OpenGL context and reads everything OpenGL tells. False only when there
  // is no render-window context.
  bool create(HWND window, int width, int height, int colorBits, int depthBits, int stencilBits,
              int samples, int major, int minor, int contextFlag);
  bool shutdown();
  bool initializeGLContextWin32(int contextFlag);
  bool probeMSAAModes();
  bool collectMSAAModes(HDC dc, int* lastPlainFormat, int* lastMsaaFormat);
  void fillPixelFormatDescriptor(PIXELFORMATDESCRIPTOR* pfd, const RenderWindowCtx* ctx) const;
  bool destroyGLContext();
  int getSamples() const;
  int updateSamples();
  int getMaxMsaaSamples() const { return m_pRWCtx ? m_pRWCtx->maxMsaaSamples : 0; }
  int getAmdTotalVideoMemory(int gpu);
  bool isGLVersionAtLeast(int major, int minor) const;
  bool buildOpenGLExtensionsList();
  void buildOpenGLCapsList();

  RenderWindowCtx* context() { return m_pRWCtx; }
  HardwareCaps* caps() { return m_pRWCtx ? &m_pRWCtx->mHardwareCaps : nullptr; }
  bool createdWithAttribs() const { return m_createdWithAttribs; }
  bool hasNvxMemoryInfo() const { return m_hasNvxMemoryInfo; }
  bool hasAtiMeminfo() const { return m_hasAtiMeminfo; }

 private:
  int m_id;
  RenderWindowCtx* m_pRWCtx;
  bool m_createdWithAttribs;
  int m_requestedMajor;
  int m_requestedMinor;
  bool m_hasNvxMemoryInfo;
  bool m_hasAtiMeminfo;
  int m_amdTotalVideoMemoryKB;
};

LRESULT CALLBACK DummyWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Version of the current context: false when GL_VERSION gives no string.
bool GetGlVersion(int* major, int* minor);

// --- Decisions of the context set-up, kept free of OpenGL for tests. ---

// The attribute lists tried with wglCreateContextAttribsARB, in order, each
// ending with 0.
std::vector<std::vector<int>> BuildContextAttribLadder(int major, int minor, int contextFlag);

// The WGL attributes of one pixel format, as the MSAA probe reads them.
struct PixelFormatFacts {
  int format;
  int supportOpenGL, acceleration, drawToWindow, doubleBuffer, pixelType;
  int depthBits, stencilBits, sampleBuffers, samples, colorBits;
};

// Keeps, in format order, each qualifying multisample format whose sample
// count is above every one kept so far.
struct MsaaSelection {
  std::vector<std::pair<int, int>> modes;  // {pixel format, samples}
  int lastPlainFormat;
  int lastMsaaFormat;
  int maxSamples;
};
MsaaSelection SelectMsaaModes(const std::vector<PixelFormatFacts>& formats, int colorBits,
                              int depthBits, int stencilBits);
