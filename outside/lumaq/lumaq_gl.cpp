// The engine's OpenGL side: start-up, render windows with their contexts,
// frames, the renderer's states and the text overlay.
#include <GL/glew.h>
#include <GL/wglew.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "lumaq.h"

#define STB_EASY_FONT_IMPLEMENTATION
#include <stb/stb_easy_font.h>

namespace Korveth_nsp {

namespace {

// Each thread has its own current render window: OpenGL contexts are
// current per thread, and the demos set theirs again for every frame.
thread_local kvRenderWindow* t_current = nullptr;

const char kDummyClass[] = "lumaq_dummy";

// The WGL extensions need a current context to be found: a hidden window
// with a plain context serves once, at start-up.
bool loadWglExtensions() {
  WNDCLASSA wc;
  memset(&wc, 0, sizeof(wc));
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kDummyClass;
  RegisterClassA(&wc);  // a second registration fails harmlessly
  HWND w = CreateWindowA(kDummyClass, "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, wc.hInstance, nullptr);
  if (!w) return false;
  HDC dc = GetDC(w);
  PIXELFORMATDESCRIPTOR pfd;
  memset(&pfd, 0, sizeof(pfd));
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  int format = ChoosePixelFormat(dc, &pfd);
  bool ok = false;
  if (format && SetPixelFormat(dc, format, &pfd)) {
    HGLRC rc = wglCreateContext(dc);
    if (rc && wglMakeCurrent(dc, rc)) {
      glewExperimental = GL_TRUE;
      ok = glewInit() == GLEW_OK;
      wglMakeCurrent(nullptr, nullptr);
    }
    if (rc) wglDeleteContext(rc);
  }
  ReleaseDC(w, dc);
  DestroyWindow(w);
  return ok;
}

// The exact sample count asked for (none for 0): some drivers answer a
// plain request with a multisampled format, which costs every frame.
int choosePixelFormat(HDC dc, int colorBits, int depthBits, int stencilBits, int samples) {
  if (wglChoosePixelFormatARB) {
    const int attributes[] = {WGL_DRAW_TO_WINDOW_ARB, 1, WGL_SUPPORT_OPENGL_ARB, 1, WGL_DOUBLE_BUFFER_ARB, 1,
                              WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB, WGL_COLOR_BITS_ARB, colorBits,
                              WGL_DEPTH_BITS_ARB, depthBits, WGL_STENCIL_BITS_ARB, stencilBits,
                              WGL_SAMPLE_BUFFERS_ARB, samples > 0 ? 1 : 0, WGL_SAMPLES_ARB, samples > 0 ? samples : 0,
                              0};
    int format = 0;
    UINT count = 0;
    if (wglChoosePixelFormatARB(dc, attributes, nullptr, 1, &format, &count) && count > 0) return format;
  }
  PIXELFORMATDESCRIPTOR pfd;
  memset(&pfd, 0, sizeof(pfd));
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = static_cast<BYTE>(colorBits);
  pfd.cDepthBits = static_cast<BYTE>(depthBits);
  pfd.cStencilBits = static_cast<BYTE>(stencilBits);
  return ChoosePixelFormat(dc, &pfd);
}

}  // namespace

// ---------------------------------------------------------------- window --

kvRenderWindow::kvRenderWindow(HWND window, int width, int height, int samples)
    : kvObject("RenderWindow"), m_window(window), m_dc(nullptr), m_rc(nullptr), m_width(width),
      m_height(height), m_samples(samples), m_inFrame(false), m_drawsOutsideFrames(0) {}

void kvRenderWindow::beginFrame() {
  m_inFrame = true;
  m_frameTexts.clear();
}

bool kvRenderWindow::createContext(int colorBits, int depthBits, int stencilBits, int samples, int swapInterval,
                                   bool compatibility, int glMajor, int glMinor) {
  m_dc = GetDC(m_window);
  if (!m_dc) return false;
  int format = choosePixelFormat(m_dc, colorBits, depthBits, stencilBits, samples);
  PIXELFORMATDESCRIPTOR pfd;
  memset(&pfd, 0, sizeof(pfd));
  DescribePixelFormat(m_dc, format, sizeof(pfd), &pfd);
  if (!format || !SetPixelFormat(m_dc, format, &pfd)) return false;
  if (wglCreateContextAttribsARB) {
    const int attributes[] = {WGL_CONTEXT_MAJOR_VERSION_ARB, glMajor, WGL_CONTEXT_MINOR_VERSION_ARB, glMinor,
                              WGL_CONTEXT_PROFILE_MASK_ARB,
                              compatibility ? WGL_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB
                                            : WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
                              0};
    m_rc = wglCreateContextAttribsARB(m_dc, nullptr, attributes);
  }
  if (!m_rc) m_rc = wglCreateContext(m_dc);  // the best the driver gives
  if (!m_rc || !makeCurrent()) return false;
  if (wglSwapIntervalEXT) wglSwapIntervalEXT(swapInterval);
  GLint sampleCount = 0;
  glGetIntegerv(GL_SAMPLES, &sampleCount);
  m_samples = sampleCount;
  return true;
}

kvRenderWindow::~kvRenderWindow() {
  if (m_rc) {
    // The objects' OpenGL names go with their context: delete them in it.
    makeCurrent();
    while (!m_objects.empty()) {
      kvObject* o = m_objects.back();
      m_objects.pop_back();
      delete o;
    }
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(m_rc);
  }
  for (kvObject* o : m_objects) delete o;
  if (m_dc) ReleaseDC(m_window, m_dc);
  if (t_current == this) t_current = nullptr;
}

bool kvRenderWindow::makeCurrent() { return m_rc && wglMakeCurrent(m_dc, m_rc); }

bool kvRenderWindow::swap() { return m_dc && SwapBuffers(m_dc); }

bool kvRenderWindow::readPixels(int x, int y, int width, int height, uint8_t* rgba) {
  if (!rgba || width <= 0 || height <= 0 || t_current != this) return false;
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return glGetError() == GL_NO_ERROR;
}

void kvRenderWindow::adopt(kvObject* object) {
  if (object) m_objects.push_back(object);
}

void kvRenderWindow::destroyObject(kvObject* object) {
  for (size_t i = 0; i < m_objects.size(); ++i) {
    if (m_objects[i] != object) continue;
    m_objects.erase(m_objects.begin() + static_cast<std::ptrdiff_t>(i));
    delete object;
    return;
  }
}

kvObject* kvRenderWindow::findObject(const char* name) const {
  if (!name) return nullptr;
  for (kvObject* o : m_objects)
    if (strcmp(o->getName(), name) == 0) return o;
  return nullptr;
}

// ---------------------------------------------------------------- engine --

Korveth::Korveth() : m_started(false), m_glMajor(0), m_glMinor(0), m_hook(nullptr), m_hookUser(nullptr) {}

Korveth* Korveth::getInstance() {
  static Korveth instance;
  return &instance;
}

bool Korveth::startup(int glMajor, int glMinor, void*) {
  if (m_started) return true;
  if (!loadWglExtensions()) {
    kvTraceMgr::getInstance()->logTrace(1, "lumaq: no OpenGL implementation could be started");
    return false;
  }
  m_glMajor = glMajor;
  m_glMinor = glMinor;
  m_started = true;
  return true;
}

void Korveth::shutdown(kvRenderWindow* renderWindow) {
  if (renderWindow) destroyRenderWindow(renderWindow);
  m_started = false;
}

kvRenderWindow* Korveth::createRenderWindow(HWND window, int width, int height, int colorBits, int depthBits,
                                            int stencilBits, int samples, int, int swapInterval, int profile) {
  if (!m_started || !window || !IsWindow(window)) return nullptr;
  kvRenderWindow* w = new kvRenderWindow(window, width, height, samples);
  if (!w->createContext(colorBits, depthBits, stencilBits, samples, swapInterval, profile == 1, m_glMajor,
                        m_glMinor)) {
    delete w;
    t_current = nullptr;
    return nullptr;
  }
  t_current = w;
  kvRenderer::getInstance()->resetStates();
  return w;
}

bool Korveth::setCurrentRenderWindow(kvRenderWindow* window) {
  if (!window || !window->makeCurrent()) return false;
  t_current = window;
  return true;
}

kvRenderWindow* Korveth::getCurrentRenderWindow() const { return t_current; }

bool Korveth::displayCurrentRenderWindow() {
  kvRenderWindow* w = t_current;
  if (!w) return false;
  if (m_hook) m_hook(w, m_hookUser);
  return w->swap();
}

void Korveth::destroyRenderWindow(kvRenderWindow* window) { delete window; }

void Korveth::setFrameHook(FrameHook hook, void* user) {
  m_hook = hook;
  m_hookUser = user;
}

// -------------------------------------------------------------- renderer --

kvRenderer* kvRenderer::getInstance() {
  static kvRenderer instance;
  return &instance;
}

void kvRenderer::resetStates() {
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glEnable(GL_NORMALIZE);
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
  if (glUseProgram) glUseProgram(0);
}

void kvRenderer::setRenderState(int state, bool on) {
  static const GLenum kCaps[kStateCount] = {GL_DEPTH_TEST, GL_LIGHTING, GL_CULL_FACE};
  if (state < 0 || state >= kStateCount) return;
  if (on)
    glEnable(kCaps[state]);
  else
    glDisable(kCaps[state]);
}

void kvRenderer::beginFrame(int clearBuffers) {
  kvRenderWindow* w = t_current;
  if (w) {
    w->beginFrame();
    glViewport(0, 0, w->getWidth(), w->getHeight());
  }
  if (clearBuffers) clear(false, true, true);
}

void kvRenderer::endFrame(int) {
  if (t_current) t_current->endFrame();
  glFlush();
}

void kvRenderer::setClearColor(float r, float g, float b, float a) { glClearColor(r, g, b, a); }

void kvRenderer::setGlobalAmbientColor(const kvVector4& c) {
  const GLfloat v[4] = {c.x, c.y, c.z, c.w};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, v);
}

void kvRenderer::clear(bool color, bool depth, bool stencil) {
  GLbitfield mask = (color ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0) |
                    (stencil ? GL_STENCIL_BUFFER_BIT : 0);
  glDepthMask(GL_TRUE);
  if (mask) glClear(mask);
}

void kvRenderer::beginTextOverlay(int) {
  kvRenderWindow* w = t_current;
  if (!w) return;
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  if (glUseProgram) glUseProgram(0);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, w->getWidth(), w->getHeight(), 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
}

void kvRenderer::endTextOverlay(int) {
  if (!t_current) return;
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

void kvRenderer::createFont(kvFont* font) {
  if (font) font->setCreated(true);
}

void kvRenderer::releaseFont(kvFont* font) {
  if (font) font->setCreated(false);
}

void kvRenderer::drawFont(const kvFont* font) {
  if (!font || !font->isCreated() || !t_current) return;
  t_current->noteText(font->getText(), font->getX(), font->getY());
  // The glyphs of stb_easy_font are 7 pixels high at scale 1.
  // About 270 bytes of quads per character at most.
  thread_local static char quads[kvFont::kTextSize * 270];
  int count = stb_easy_font_print(0, 0, const_cast<char*>(font->getText()), nullptr, quads, sizeof(quads));
  float scale = font->getSize() > 0 ? static_cast<float>(font->getSize()) / 7.0f : 1.0f;
  const kvVector4& c = font->getColor();
  glColor4f(c.x, c.y, c.z, 1.0f);
  glPushMatrix();
  glTranslatef(font->getX(), font->getY(), 0.0f);
  glScalef(scale, scale, 1.0f);
  glEnableClientState(GL_VERTEX_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glVertexPointer(2, GL_FLOAT, 16, quads);
  glDrawArrays(GL_QUADS, 0, count * 4);
  glDisableClientState(GL_VERTEX_ARRAY);
  glPopMatrix();
}

int kvRenderer::getSamples() const { return t_current ? t_current->getSamples() : 0; }

}  // namespace Korveth_nsp
