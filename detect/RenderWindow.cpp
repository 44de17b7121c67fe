#include "detect/RenderWindow.h"

#include <GL/glew.h>
#include <GL/wglew.h>

#include <cstring>
#include <new>

#include "detect/GlReaders.h"
#include "detect/Scanrik.h"
#include "detect/ScanrikLog.h"

namespace {

const char kMsaaClass[] = "Scanrik_DummyRW_MSAA";

// WGL entry points found by the MSAA probe's temporary context.
PFNWGLGETPIXELFORMATATTRIBIVARBPROC g_getPixelFormatAttribiv = nullptr;
PFNWGLGETEXTENSIONSSTRINGARBPROC g_getExtensionsStringArb = nullptr;
PFNWGLCREATECONTEXTATTRIBSARBPROC g_createContextAttribs = nullptr;

template <typename Fn>
Fn wglProc(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

ScanrikLog& trace() { return VendorTraceLog(); }

bool registerHiddenClass(const char* name) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc;
  if (GetClassInfoExA(module, name, &wc)) return true;
  memset(&wc, 0, sizeof(wc));
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DummyWindowProc;
  wc.hInstance = module;
  wc.lpszClassName = name;
  return RegisterClassExA(&wc) != 0;
}

volatile LONG g_renderWindowIds = 0;

}  // namespace

LRESULT CALLBACK DummyWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd, msg, wp, lp);
}

bool GetGlVersion(int* major, int* minor) {
  const char* v = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (!v || !v[0]) return false;
  int maj = v[0] - '0', min = 0;
  if (maj < 3) {
    min = (v[1] == '.' && v[2]) ? v[2] - '0' : 0;
  } else {
    GLint a = 0, b = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &a);
    glGetIntegerv(GL_MINOR_VERSION, &b);
    maj = a;
    min = b;
  }
  if (major) *major = maj;
  if (minor) *minor = min;
  return true;
}

std::vector<std::vector<int>> BuildContextAttribLadder(int major, int minor, int contextFlag) {
  std::vector<std::vector<int>> ladder;
  auto full = [&](int maj, int min) {
    std::vector<int> a = {WGL_CONTEXT_MAJOR_VERSION_ARB, maj, WGL_CONTEXT_MINOR_VERSION_ARB, min};
    if (contextFlag) a.insert(a.end(), {WGL_CONTEXT_FLAGS_ARB, WGL_CONTEXT_DEBUG_BIT_ARB});
    a.insert(a.end(), {WGL_CONTEXT_PROFILE_MASK_ARB, WGL_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB, 0});
    ladder.push_back(a);
  };
  if (major < 3) return ladder;
  for (int m = minor; m >= 0; --m) full(major, m);
  if (major > 3) {
    for (int m = 3; m >= 0; --m) full(major - 1, m);
  } else {
    full(major, 0);
  }
  for (int m = minor; m >= 0; --m)
    ladder.push_back({WGL_CONTEXT_MAJOR_VERSION_ARB, major, WGL_CONTEXT_MINOR_VERSION_ARB, m, 0});
  return ladder;
}

MsaaSelection SelectMsaaModes(const std::vector<PixelFormatFacts>& formats, int colorBits,
                              int depthBits, int stencilBits) {
  MsaaSelection s;
  s.lastPlainFormat = s.lastMsaaFormat = s.maxSamples = 0;
  int best = 1;
  for (const PixelFormatFacts& f : formats) {
    bool qualifies = f.supportOpenGL && f.acceleration == WGL_FULL_ACCELERATION_ARB &&
                     f.drawToWindow && f.doubleBuffer && f.pixelType == WGL_TYPE_RGBA_ARB &&
                     f.depthBits == depthBits && f.stencilBits == stencilBits &&
                     f.colorBits == colorBits;
    if (!qualifies) continue;
    if (f.sampleBuffers == 1 && f.samples > best) {
      best = f.samples;
      s.modes.push_back({f.format, f.samples});
      s.lastMsaaFormat = f.format;
      s.maxSamples = f.samples;
    } else if (f.sampleBuffers == 0) {
      s.lastPlainFormat = f.format;
    }
  }
  return s;
}

RenderWindowCtx::RenderWindowCtx()
    : ready(false), width(0), height(0), colorBits(32), depthBits(24), stencilBits(8),
      requestedSamples(0), maxMsaaSamples(0), samples(0), windowHandle(nullptr), dc(nullptr),
      context(nullptr), startedByFacade(false) {}

RenderWindow::RenderWindow()
    : m_id(static_cast<int>(InterlockedIncrement(&g_renderWindowIds))),
      m_pRWCtx(new (std::nothrow) RenderWindowCtx()), m_createdWithAttribs(false),
      m_requestedMajor(2), m_requestedMinor(1), m_hasNvxMemoryInfo(false), m_hasAtiMeminfo(false),
      m_amdTotalVideoMemoryKB(-1) {}

RenderWindow::~RenderWindow() {
  destroyGLContext();
  if (m_pRWCtx) m_pRWCtx->mHardwareCaps.release();
  delete m_pRWCtx;
}

bool RenderWindow::create(HWND window, int width, int height, int colorBits, int depthBits,
                          int stencilBits, int samples, int major, int minor, int contextFlag) {
  if (!m_pRWCtx) return false;
  // A creation after an earlier one keeps nothing of that context's facts.
  m_pRWCtx->ready = false;
  m_hasNvxMemoryInfo = m_hasAtiMeminfo = false;
  m_amdTotalVideoMemoryKB = -1;
  m_pRWCtx->mHardwareCaps.init();
  m_requestedMinor = minor;
  m_requestedMajor = major;
  m_pRWCtx->windowHandle = window;
  m_pRWCtx->width = width;
  m_pRWCtx->height = height;
  m_pRWCtx->colorBits = colorBits;
  m_pRWCtx->depthBits = depthBits;
  m_pRWCtx->stencilBits = stencilBits;
  m_pRWCtx->requestedSamples = samples;
  if (major <= 0 || !initializeGLContextWin32(contextFlag)) return true;
  m_pRWCtx->ready = true;
  m_hasNvxMemoryInfo = m_pRWCtx->mHardwareCaps.isExtensionSupported("GL_NVX_gpu_memory_info");
  m_hasAtiMeminfo = m_pRWCtx->mHardwareCaps.isExtensionSupported("GL_ATI_meminfo");
  return true;
}

bool RenderWindow::shutdown() {
  destroyGLContext();
  if (m_pRWCtx) m_pRWCtx->mHardwareCaps.release();
  return true;
}

void RenderWindow::fillPixelFormatDescriptor(PIXELFORMATDESCRIPTOR* pfd,
                                             const RenderWindowCtx* ctx) const {
  memset(pfd, 0, sizeof(*pfd));
  pfd->nSize = sizeof(*pfd);
  pfd->nVersion = 1;
  pfd->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  OSVERSIONINFOA vi;
  memset(&vi, 0, sizeof(vi));
  vi.dwOSVersionInfoSize = sizeof(vi);
  if (GetVersionExA(&vi) && vi.dwPlatformId == VER_PLATFORM_WIN32_NT && vi.dwMajorVersion > 5)
    pfd->dwFlags |= PFD_SUPPORT_COMPOSITION;
  pfd->iPixelType = PFD_TYPE_RGBA;
  pfd->cColorBits = static_cast<BYTE>(ctx->colorBits);
  pfd->cDepthBits = static_cast<BYTE>(ctx->depthBits);
  pfd->cStencilBits = static_cast<BYTE>(ctx->stencilBits);
}

bool RenderWindow::probeMSAAModes() {
  if (!m_pRWCtx) return false;
  PIXELFORMATDESCRIPTOR pfd;
  fillPixelFormatDescriptor(&pfd, m_pRWCtx);
  HINSTANCE module = GetModuleHandleA(nullptr);
  if (!registerHiddenClass(kMsaaClass)) return false;
  HWND wnd = CreateWindowExA(0, kMsaaClass, "Scanrik Dummy Win MSAA",
                             WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 100, 100, nullptr,
                             nullptr, module, nullptr);
  HDC dc = wnd ? GetDC(wnd) : nullptr;
  int format = dc ? ChoosePixelFormat(dc, &pfd) : 0;
  HGLRC rc = (format && SetPixelFormat(dc, format, &pfd)) ? wglCreateContext(dc) : nullptr;
  bool current = rc && wglMakeCurrent(dc, rc);
  if (current) {
    if (!g_getPixelFormatAttribiv)
      g_getPixelFormatAttribiv = wglProc<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>("wglGetPixelFormatAttribivARB");
    if (!g_getExtensionsStringArb)
      g_getExtensionsStringArb = wglProc<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB");
    if (!g_createContextAttribs)
      g_createContextAttribs = wglProc<PFNWGLCREATECONTEXTATTRIBSARBPROC>("wglCreateContextAttribsARB");
    const char* wglExt = g_getExtensionsStringArb ? g_getExtensionsStringArb(dc) : nullptr;
    if (wglExt && strstr(wglExt, "WGL_ARB_pixel_format") && strstr(wglExt, "WGL_ARB_multisample")) {
      int plain = 0, msaa = 0;
      collectMSAAModes(dc, &plain, &msaa);
    }
    wglMakeCurrent(nullptr, nullptr);
  }
  if (rc) wglDeleteContext(rc);
  if (dc) ReleaseDC(wnd, dc);
  if (wnd) DestroyWindow(wnd);
  UnregisterClassA(kMsaaClass, module);
  return current;
}

bool RenderWindow::collectMSAAModes(HDC dc, int* lastPlainFormat, int* lastMsaaFormat) {
  *lastPlainFormat = *lastMsaaFormat = 0;
  if (!g_getPixelFormatAttribiv || !m_pRWCtx) return false;
  PtrList& list = m_pRWCtx->mHardwareCaps.msaaModes;
  for (int i = 0; i < list.count(); ++i) delete[] static_cast<int*>(list.itemAt(i));
  list.clear();
  int countAttrib = WGL_NUMBER_PIXEL_FORMATS_ARB, count = 0;
  if (!g_getPixelFormatAttribiv(dc, 1, 0, 1, &countAttrib, &count) || count <= 0) return false;
  static const int kAttribs[10] = {WGL_SUPPORT_OPENGL_ARB, WGL_ACCELERATION_ARB, WGL_DRAW_TO_WINDOW_ARB,
                                   WGL_DOUBLE_BUFFER_ARB, WGL_PIXEL_TYPE_ARB, WGL_DEPTH_BITS_ARB,
                                   WGL_STENCIL_BITS_ARB, WGL_SAMPLE_BUFFERS_ARB, WGL_SAMPLES_ARB,
                                   WGL_COLOR_BITS_ARB};
  std::vector<PixelFormatFacts> formats;
  for (int f = 1; f <= count; ++f) {
    int v[10] = {0};
    if (!g_getPixelFormatAttribiv(dc, f, 0, 10, kAttribs, v)) continue;
    formats.push_back({f, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]});
  }
  MsaaSelection s = SelectMsaaModes(formats, m_pRWCtx->colorBits, m_pRWCtx->depthBits,
                                    m_pRWCtx->stencilBits);
  for (const auto& mode : s.modes) {
    int* item = new (std::nothrow) int[2];
    if (!item) break;
    item[0] = mode.first;
    item[1] = mode.second;
    list.append(item);
  }
  *lastPlainFormat = s.lastPlainFormat;
  *lastMsaaFormat = s.lastMsaaFormat;
  if (s.maxSamples) m_pRWCtx->maxMsaaSamples = s.maxSamples;
  return true;
}

bool RenderWindow::initializeGLContextWin32(int contextFlag) {
  trace().write("RenderWindow::initializeGLContextWin32()...");
  if (!m_pRWCtx) return false;
  RenderWindowCtx& ctx = *m_pRWCtx;
  HardwareCaps& caps = ctx.mHardwareCaps;
  probeMSAAModes();
  const int* lastMode = static_cast<const int*>(caps.msaaModes.itemAt(caps.msaaModes.count() - 1));
  ctx.maxMsaaSamples = lastMode ? lastMode[1] : 0;
  if (!ctx.windowHandle) return false;
  ctx.dc = GetDC(ctx.windowHandle);
  if (!ctx.dc) return false;

  PIXELFORMATDESCRIPTOR pfd;
  fillPixelFormatDescriptor(&pfd, &ctx);
  pfd.dwFlags &= ~static_cast<DWORD>(PFD_SUPPORT_COMPOSITION);
  int format = 0;
  if (ctx.requestedSamples != 0 && caps.msaaModes.count() > 0) {
    for (int i = 0; i < caps.msaaModes.count(); ++i) {
      const int* mode = static_cast<const int*>(caps.msaaModes.itemAt(i));
      if (ctx.requestedSamples == -1) format = mode[0];  // the last one wins
      else if (mode[1] >= ctx.requestedSamples) {
        format = mode[0];
        break;
      }
    }
  }
  if (format == 0) format = ChoosePixelFormat(ctx.dc, &pfd);
  if (!SetPixelFormat(ctx.dc, format, &pfd)) return false;

  m_createdWithAttribs = false;
  const char* wglExt = g_getExtensionsStringArb ? g_getExtensionsStringArb(ctx.dc) : nullptr;
  if (g_createContextAttribs && wglExt && strstr(wglExt, "WGL_ARB_create_context") &&
      m_requestedMajor >= 3) {
    for (const std::vector<int>& attribs :
         BuildContextAttribLadder(m_requestedMajor, m_requestedMinor, contextFlag)) {
      ctx.context = g_createContextAttribs(ctx.dc, nullptr, attribs.data());
      if (ctx.context) {
        m_createdWithAttribs = true;
        break;
      }
    }
  }
  if (!ctx.context) ctx.context = wglCreateContext(ctx.dc);
  if (!ctx.context || !wglMakeCurrent(ctx.dc, ctx.context)) {
    if (ctx.context) wglDeleteContext(ctx.context);
    ctx.context = nullptr;
    if (!ctx.startedByFacade) ReleaseDC(ctx.windowHandle, ctx.dc);
    ctx.dc = nullptr;
    ctx.startedByFacade = false;
    return false;
  }

  int major = 1, minor = 0;
  GetGlVersion(&major, &minor);
  trace().write("RenderWindow::initializeGLContextWin32() - getOpenGLVersion(): %d.%d", major, minor);
  trace().write("RenderWindow::initializeGLContextWin32() - glewInit()...");
  glewExperimental = GL_TRUE;  // core entry points of a compatibility context too
  glewInit();
  ctx.ready = true;
  trace().write("RenderWindow::initializeGLContextWin32() - buildOpenGLExtensionsList()...");
  buildOpenGLExtensionsList();
  trace().write("RenderWindow::initializeGLContextWin32() - buildOpenGLSpirvExtensionsList()...");
  buildOpenGLSpirvExtensionsList(caps);
  trace().write("RenderWindow::initializeGLContextWin32() - detectOpenGLApiVersion()...");
  detectOpenGLApiVersion(caps);
  trace().write("RenderWindow::initializeGLContextWin32() - initOpenGLRendererData()...");
  initOpenGLRendererData(caps);
  trace().write("RenderWindow::initializeGLContextWin32() - readOpenGLCaps()...");
  readOpenGLCaps(*this);
  trace().write("RenderWindow::initializeGLContextWin32() - m_pRWCtx->mHardwareCaps.initGraphicsControllerData()...");
  caps.initGraphicsControllerData();
  trace().write("RenderWindow::initializeGLContextWin32() - m_pRWCtx->mHardwareCaps.NVIDIA_ControlPanelData_Read()...");
  caps.NVIDIA_ControlPanelData_Read();
  trace().write("RenderWindow::initializeGLContextWin32() OK.");
  return true;
}

bool RenderWindow::destroyGLContext() {
  if (!m_pRWCtx) return false;
  RenderWindowCtx& ctx = *m_pRWCtx;
  if (ctx.context) {
    if (wglGetCurrentContext() == ctx.context) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(ctx.context);
    ctx.context = nullptr;
  }
  // The facade's dummy window owns its device context until it is destroyed.
  if (ctx.dc && !ctx.startedByFacade && ctx.windowHandle) ReleaseDC(ctx.windowHandle, ctx.dc);
  ctx.dc = nullptr;
  return true;
}

int RenderWindow::getSamples() const {
  if (!wglGetCurrentContext()) return 0;
  GLint v = 0;
  glGetIntegerv(GL_SAMPLES, &v);
  return v;
}

int RenderWindow::updateSamples() {
  int s = getSamples();
  if (m_pRWCtx) {
    m_pRWCtx->samples = s;
    m_pRWCtx->mHardwareCaps.samples = s;
  }
  return s;
}

bool RenderWindow::isGLVersionAtLeast(int major, int minor) const {
  return m_pRWCtx && m_pRWCtx->mHardwareCaps.isGLVersionAtLeast(major, minor);
}

int RenderWindow::getAmdTotalVideoMemory(int gpu) {
  if (m_amdTotalVideoMemoryKB != -1) return m_amdTotalVideoMemoryKB;
  typedef UINT(WINAPI * GetGpuIdsFn)(UINT, UINT*);
  typedef INT(WINAPI * GetGpuInfoFn)(UINT, INT, GLenum, UINT, void*);
  static GetGpuIdsFn getIds = nullptr;
  static GetGpuInfoFn getInfo = nullptr;
  static bool looked = false;
  if (!looked && wglGetCurrentContext()) {
    getIds = wglProc<GetGpuIdsFn>("wglGetGPUIDsAMD");
    getInfo = wglProc<GetGpuInfoFn>("wglGetGPUInfoAMD");
    looked = true;
  }
  // Unknown stays "unknown": no shifting of -1.
  m_amdTotalVideoMemoryKB = -2;
  if (getIds && getInfo) {
    UINT n = getIds(0, nullptr);
    if (n > 0 && n < 64) {
      UINT ids[64];
      getIds(n, ids);
      UINT id = (gpu >= 0 && static_cast<UINT>(gpu) < n) ? ids[gpu] : ids[0];
      UINT mb = 0;
      if (getInfo(id, WGL_GPU_RAM_AMD, GL_UNSIGNED_INT, 1, &mb) > 0)
        m_amdTotalVideoMemoryKB = static_cast<int>(mb) << 10;
    }
  }
  return m_amdTotalVideoMemoryKB;
}
