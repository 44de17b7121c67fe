#include "demos/GlRenderContext.h"

#include <cstring>

#include "app/Log.h"

GlEntryPoints g_glEntryPoints;

namespace {

const char kDummyClass[] = "_DummyRW";

template <typename Fn>
Fn lookUp(const char* name) {
  PROC p = wglGetProcAddress(name);
  // Some drivers answer small sentinel values instead of null.
  intptr_t v = reinterpret_cast<intptr_t>(p);
  if (v >= -1 && v <= 3) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

bool hasWord(const char* list, const char* word) { return list && strstr(list, word) != nullptr; }

const char* wglExtensions(HDC dc) {
  return g_glEntryPoints.GetExtensionsStringARB ? g_glEntryPoints.GetExtensionsStringARB(dc) : nullptr;
}

void fillDescriptor(PIXELFORMATDESCRIPTOR& pfd, int depthBits) {
  memset(&pfd, 0, sizeof(pfd));
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  pfd.cDepthBits = static_cast<BYTE>(depthBits);
  pfd.cStencilBits = 0;
  pfd.iLayerType = PFD_MAIN_PLANE;
}

// Reads the attributes of every pixel format of a device context.
std::vector<PixelFormatFacts> readPixelFormats(HDC dc) {
  std::vector<PixelFormatFacts> formats;
  PFNWGLGETPIXELFORMATATTRIBIVARBPROC get = g_glEntryPoints.GetPixelFormatAttribivARB;
  if (!get) return formats;
  int query = WGL_NUMBER_PIXEL_FORMATS_ARB, count = 0;
  if (!get(dc, 1, 0, 1, &query, &count) || count <= 0) return formats;
  const int attribs[10] = {WGL_SUPPORT_OPENGL_ARB, WGL_ACCELERATION_ARB, WGL_DRAW_TO_WINDOW_ARB,
                           WGL_DOUBLE_BUFFER_ARB,  WGL_PIXEL_TYPE_ARB,   WGL_DEPTH_BITS_ARB,
                           WGL_STENCIL_BITS_ARB,   WGL_SAMPLE_BUFFERS_ARB, WGL_SAMPLES_ARB,
                           WGL_COLOR_BITS_ARB};
  for (int f = 1; f <= count; ++f) {
    int v[10] = {};
    if (!get(dc, f, 0, 10, attribs, v)) continue;
    formats.push_back({f, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]});
  }
  return formats;
}

// Version as the raw demos read it; the values only matter to a debugger.
void readVersion() {
  int major = 1, minor = 0;
  GetGlVersion(&major, &minor);
  (void)major;
  (void)minor;
}

}  // namespace

bool LoadGlEntryPoints() {
  GlEntryPoints& gl = g_glEntryPoints;
#define QV_GL_ENTRY_LOAD(type, field, name) gl.field = lookUp<type>(name);
  QV_GL_ENTRY_POINTS(QV_GL_ENTRY_LOAD)
#undef QV_GL_ENTRY_LOAD
  return true;
}

std::vector<const char*> MissingGlEntryPoints() {
  std::vector<const char*> missing;
  const GlEntryPoints& gl = g_glEntryPoints;
#define QV_GL_ENTRY_CHECK(type, field, name) \
  if (!gl.field) missing.push_back(name);
  QV_GL_ENTRY_POINTS(QV_GL_ENTRY_CHECK)
#undef QV_GL_ENTRY_CHECK
  return missing;
}

int SelectMultisamplePixelFormat(const std::vector<PixelFormatFacts>& formats, int samples) {
  int best = 0, bestSamples = 0;
  for (const PixelFormatFacts& f : formats) {
    bool qualifies = f.supportOpenGL && f.acceleration == WGL_FULL_ACCELERATION_ARB && f.drawToWindow &&
                     f.doubleBuffer && f.pixelType == WGL_TYPE_RGBA_ARB && f.depthBits == 24 &&
                     f.stencilBits == 8 && f.colorBits == 32 && f.sampleBuffers == 1;
    if (!qualifies) continue;
    if (f.samples == samples) return f.format;
    if (f.samples > bestSamples) {
      best = f.format;
      bestSamples = f.samples;
    }
  }
  return best;
}

int ChooseMultisamplePixelFormat(int samples) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DummyWindowProc;
  wc.hInstance = module;
  wc.lpszClassName = kDummyClass;
  // Another demo thread may hold the class at this moment: that is fine.
  bool registered = RegisterClassA(&wc) != 0;
  if (!registered && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return 0;
  HWND wnd = CreateWindowExA(0, kDummyClass, kDummyClass, WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                             0, 0, 100, 100, nullptr, nullptr, module, nullptr);
  int chosen = 0;
  if (wnd) {
    HDC dc = GetDC(wnd);
    PIXELFORMATDESCRIPTOR pfd;
    fillDescriptor(pfd, 32);
    int plain = dc ? ChoosePixelFormat(dc, &pfd) : 0;
    HGLRC rc = nullptr;
    if (plain && SetPixelFormat(dc, plain, &pfd)) rc = wglCreateContext(dc);
    if (rc && wglMakeCurrent(dc, rc)) {
      GlEntryPoints& gl = g_glEntryPoints;
      if (!gl.GetPixelFormatAttribivARB)
        gl.GetPixelFormatAttribivARB = lookUp<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>("wglGetPixelFormatAttribivARB");
      if (!gl.GetExtensionsStringARB)
        gl.GetExtensionsStringARB = lookUp<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB");
      const char* ext = wglExtensions(dc);
      if (hasWord(ext, "WGL_ARB_pixel_format") && hasWord(ext, "WGL_ARB_multisample"))
        chosen = SelectMultisamplePixelFormat(readPixelFormats(dc), samples);
      wglMakeCurrent(nullptr, nullptr);
    }
    if (rc) wglDeleteContext(rc);
    if (dc) ReleaseDC(wnd, dc);
    DestroyWindow(wnd);
  }
  if (registered) UnregisterClassA(kDummyClass, module);
  return chosen;
}

GlRenderContext::GlRenderContext()
    : m_dc(nullptr),
      m_rc(nullptr),
      m_width(0),
      m_height(0),
      m_created(false),
      m_current(false),
      m_type(0),
      m_window(nullptr),
      m_multisampled(false) {}

GlRenderContext::~GlRenderContext() { destroy(); }

bool GlRenderContext::create(HWND window, int width, int height, int samples, int type) {
  static const int kVersions[kTypeCount][2] = {{2, 0}, {3, 0}, {3, 1}, {3, 2}, {4, 0}, {4, 1}};
  // An unknown type answers false: reporting it created would hand the demo
  // a context that was never made.
  if (type < 0 || type >= kTypeCount) return false;
  m_width = width;
  m_height = height;
  m_type = type;
  m_created = init(window, width, height, samples, kVersions[type][0], kVersions[type][1]);
  return m_created;
}

bool GlRenderContext::init(HWND window, int width, int height, int samples, int major, int minor) {
  if (!createContext(window, samples, major, minor)) return false;
  LoadGlEntryPoints();
  for (int i = 0; i < 2; ++i) {
    GLenum err = glGetError();
    if (err != GL_NO_ERROR) LogPrintf(g_log, "Lumaq - OpenGL error has occured: %d", static_cast<int>(err));
  }
  glViewport(0, 0, width, height);
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glEnable(GL_DEPTH_TEST);
  glClearDepth(1.0);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_TRUE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_CULL_FACE);
  if (g_glEntryPoints.SwapIntervalEXT) g_glEntryPoints.SwapIntervalEXT(0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  return true;
}

bool GlRenderContext::createContext(HWND window, int samples, int major, int minor) {
  deleteContext();  // a second create must not leak the first context
  m_multisampled = false;
  int format = 0;
  if (samples != 0) {
    format = ChooseMultisamplePixelFormat(samples);
    m_multisampled = format != 0;
  }
  PIXELFORMATDESCRIPTOR pfd;
  fillDescriptor(pfd, 24);
  if (!window) return false;
  m_dc = GetDC(window);
  if (!m_dc) return false;
  m_window = window;
  if (!format) format = ChoosePixelFormat(m_dc, &pfd);
  if (!format) return false;
  if (!SetPixelFormat(m_dc, format, &pfd)) return false;

  m_rc = wglCreateContext(m_dc);
  if (!m_rc || !wglMakeCurrent(m_dc, m_rc)) return false;
  m_current = true;

  GlEntryPoints& gl = g_glEntryPoints;
  if (!gl.GetExtensionsStringARB)
    gl.GetExtensionsStringARB = lookUp<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB");
  if (!gl.CreateContextAttribsARB)
    gl.CreateContextAttribsARB = lookUp<PFNWGLCREATECONTEXTATTRIBSARBPROC>("wglCreateContextAttribsARB");
  bool attribs = hasWord(wglExtensions(m_dc), "WGL_ARB_create_context");
  readVersion();

  if (major >= 3 && attribs && gl.CreateContextAttribsARB) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(m_rc);
    m_rc = nullptr;
    m_current = false;
    for (int withProfile = 1; withProfile >= 0 && !m_rc; --withProfile) {
      for (int m = minor; m >= 0 && !m_rc; --m) {
        int list[] = {WGL_CONTEXT_MAJOR_VERSION_ARB, major, WGL_CONTEXT_MINOR_VERSION_ARB, m,
                      WGL_CONTEXT_PROFILE_MASK_ARB, WGL_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB, 0};
        if (!withProfile) list[4] = 0;
        m_rc = gl.CreateContextAttribsARB(m_dc, nullptr, list);
      }
    }
    if (!m_rc) m_rc = wglCreateContext(m_dc);
    if (!m_rc || !wglMakeCurrent(m_dc, m_rc)) return false;
    m_current = true;
  }
  if (m_multisampled) glEnable(GL_MULTISAMPLE);
  return true;
}

bool GlRenderContext::makeCurrent() {
  if (!m_created) return false;
  if (!m_current) {
    if (!wglMakeCurrent(m_dc, m_rc)) return false;
    m_current = true;
  }
  return true;
}

bool GlRenderContext::swapBuffers() {
  if (!m_dc) return false;
  SwapBuffers(m_dc);
  return true;
}

void GlRenderContext::deleteContext() {
  if (m_dc) {
    if (m_rc && wglGetCurrentContext() == m_rc) wglMakeCurrent(nullptr, nullptr);
    if (m_rc) wglDeleteContext(m_rc);
    // The window's device context goes back to it; for a class with its own
    // device context this changes nothing.
    if (m_window) ReleaseDC(m_window, m_dc);
  }
  m_rc = nullptr;
  m_dc = nullptr;
  m_window = nullptr;
  m_current = false;
}

void GlRenderContext::destroy() {
  deleteContext();
  m_created = false;
}
