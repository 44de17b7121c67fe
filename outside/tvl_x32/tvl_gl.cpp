// The framework's own OpenGL renderer: one WGL context on the host window.
#include <GL/glew.h>

#include <cstdio>
#include <cstring>

#include "tvl_internal.h"

namespace tvl {

namespace {
const int kContextMajorVersion = 0x2091;
const int kContextMinorVersion = 0x2092;
const int kContextProfileMask = 0x9126;
const int kContextCoreProfileBit = 0x0001;
const int kContextCompatibilityProfileBit = 0x0002;
typedef HGLRC(WINAPI* CreateContextAttribsFn)(HDC, HGLRC, const int*);

// A driver string, length-checked, into a fixed buffer.
void copy_gl_string(char* out, unsigned capacity, GLenum name) {
  const char* text = reinterpret_cast<const char*>(glGetString(name));
  tvc::utils::copy_text(out, capacity, text ? text : "");
}
}  // namespace

GlRenderer::GlRenderer()
    : m_hwnd(nullptr), m_dc(nullptr), m_context(nullptr), m_major(0), m_minor(0) {
  set_type(1);
  set_name("OpenGL renderer");
  set_api_name("OpenGL");
  set_api_type(1);
  m_model[0] = m_vendor[0] = m_version[0] = '\0';
}

GlRenderer::~GlRenderer() { destroy_context(); }

bool GlRenderer::create_context(void* hwnd, int color_bits, int depth_bits, int major, int minor, bool core_profile) {
  destroy_context();
  HWND window = static_cast<HWND>(hwnd);
  HDC dc = GetDC(window);
  if (!dc) return false;
  // A window keeps its first pixel format: reuse it on a second run.
  if (GetPixelFormat(dc) == 0) {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(color_bits > 0 && color_bits <= 32 ? color_bits : 32);
    pfd.cDepthBits = static_cast<BYTE>(depth_bits > 0 && depth_bits <= 32 ? depth_bits : 24);
    pfd.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(dc, &pfd);
    if (format == 0 || !SetPixelFormat(dc, format, &pfd)) {
      ReleaseDC(window, dc);
      return false;
    }
  }
  HGLRC context = wglCreateContext(dc);
  if (!context || !wglMakeCurrent(dc, context)) {
    if (context) wglDeleteContext(context);
    ReleaseDC(window, dc);
    return false;
  }
  if (major >= 3) {
    auto create_attribs = reinterpret_cast<CreateContextAttribsFn>(
        reinterpret_cast<void (*)()>(wglGetProcAddress("wglCreateContextAttribsARB")));
    HGLRC versioned = nullptr;
    if (create_attribs) {
      const int attribs[] = {kContextMajorVersion,
                             major,
                             kContextMinorVersion,
                             minor,
                             kContextProfileMask,
                             core_profile ? kContextCoreProfileBit : kContextCompatibilityProfileBit,
                             0};
      versioned = create_attribs(dc, nullptr, attribs);
    }
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
    context = versioned;
    if (!context || !wglMakeCurrent(dc, context)) {
      if (context) wglDeleteContext(context);
      ReleaseDC(window, dc);
      return false;
    }
  }
  // Entry points past OpenGL 1.1 for the scenes; a core context needs the
  // experimental path to have them all looked up.
  glewExperimental = GL_TRUE;
  if (glewInit() != GLEW_OK) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
    ReleaseDC(window, dc);
    return false;
  }
  while (glGetError() != GL_NO_ERROR) {
  }
  m_hwnd = window;
  m_dc = dc;
  m_context = context;
  copy_gl_string(m_model, sizeof(m_model), GL_RENDERER);
  copy_gl_string(m_vendor, sizeof(m_vendor), GL_VENDOR);
  copy_gl_string(m_version, sizeof(m_version), GL_VERSION);
  if (sscanf(m_version, "%d.%d", &m_major, &m_minor) != 2) m_major = m_minor = 0;
  return true;
}

void GlRenderer::destroy_context() {
  if (m_context) {
    if (wglGetCurrentContext() == static_cast<HGLRC>(m_context)) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(static_cast<HGLRC>(m_context));
  }
  if (m_dc) ReleaseDC(static_cast<HWND>(m_hwnd), static_cast<HDC>(m_dc));
  m_hwnd = m_dc = m_context = nullptr;
  m_major = m_minor = 0;
  m_model[0] = m_vendor[0] = m_version[0] = '\0';
}

void GlRenderer::get_context_version(int* major, int* minor) const {
  if (major) *major = m_major;
  if (minor) *minor = m_minor;
}

void GlRenderer::clear(float r, float g, float b, float a) {
  if (!m_context) return;
  glClearColor(r, g, b, a);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GlRenderer::swap_buffers() {
  if (m_dc) SwapBuffers(static_cast<HDC>(m_dc));
}

bool GlRenderer::has_extension(const char* name) const {
  if (!m_context || !name || !*name) return false;
  if (m_major >= 3 && glGetStringi) {
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
      const char* ext = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
      if (ext && strcmp(ext, name) == 0) return true;
    }
    return false;
  }
  const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  const size_t n = strlen(name);
  for (const char* p = all; p && (p = strstr(p, name)) != nullptr; p += n)
    if ((p == all || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
  return false;
}

bool GlRenderer::is_current() const {
  return m_context && wglGetCurrentContext() == static_cast<HGLRC>(m_context);
}

bool GlRenderer::read_pixels(int width, int height, std::vector<unsigned char>* rgba) const {
  if (!is_current() || width <= 0 || height <= 0) return false;
  while (glGetError() != GL_NO_ERROR) {
  }
  rgba->resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  if (glBindFramebuffer) glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba->data());
  return glGetError() == GL_NO_ERROR;
}

const char* GlRenderer::get_renderer_model() { return m_model; }
const char* GlRenderer::get_renderer_vendor() { return m_vendor; }
const char* GlRenderer::get_renderer_version() { return m_version; }

}  // namespace tvl
