// The raw demos' own OpenGL context on their demo window, and the
// process-wide table of OpenGL and WGL entry points beyond OpenGL 1.1 through
// which the demo kit (programs, meshes, textures) and the demos call OpenGL.
#pragma once
#include <GL/glew.h>
#include <GL/wglew.h>
#include <windows.h>

#include <vector>

#include "detect/RenderWindow.h"

// type, field, exported name; the order is the order of the lookups.
#define QV_GL_ENTRY_POINTS(X)                                                   \
  X(PFNWGLGETEXTENSIONSSTRINGARBPROC, GetExtensionsStringARB, "wglGetExtensionsStringARB") \
  X(PFNWGLCHOOSEPIXELFORMATARBPROC, ChoosePixelFormatARB, "wglChoosePixelFormatARB") \
  X(PFNWGLCREATECONTEXTATTRIBSARBPROC, CreateContextAttribsARB, "wglCreateContextAttribsARB") \
  X(PFNWGLGETPIXELFORMATATTRIBIVARBPROC, GetPixelFormatAttribivARB, "wglGetPixelFormatAttribivARB") \
  X(PFNWGLSWAPINTERVALEXTPROC, SwapIntervalEXT, "wglSwapIntervalEXT")          \
  X(PFNGLGETSTRINGIPROC, GetStringi, "glGetStringi")                            \
  X(PFNGLPATCHPARAMETERIPROC, PatchParameteri, "glPatchParameteri")             \
  X(PFNGLPATCHPARAMETERFVPROC, PatchParameterfv, "glPatchParameterfv")          \
  X(PFNGLCREATEPROGRAMPROC, CreateProgram, "glCreateProgram")                   \
  X(PFNGLDELETEPROGRAMPROC, DeleteProgram, "glDeleteProgram")                   \
  X(PFNGLUSEPROGRAMPROC, UseProgram, "glUseProgram")                            \
  X(PFNGLATTACHSHADERPROC, AttachShader, "glAttachShader")                      \
  X(PFNGLDETACHSHADERPROC, DetachShader, "glDetachShader")                      \
  X(PFNGLLINKPROGRAMPROC, LinkProgram, "glLinkProgram")                         \
  X(PFNGLGETPROGRAMIVPROC, GetProgramiv, "glGetProgramiv")                      \
  X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog, "glGetShaderInfoLog")          \
  X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation, "glGetUniformLocation")    \
  X(PFNGLUNIFORM1IPROC, Uniform1i, "glUniform1i")                               \
  X(PFNGLUNIFORM1IVPROC, Uniform1iv, "glUniform1iv")                            \
  X(PFNGLUNIFORM2IVPROC, Uniform2iv, "glUniform2iv")                            \
  X(PFNGLUNIFORM3IVPROC, Uniform3iv, "glUniform3iv")                            \
  X(PFNGLUNIFORM4IVPROC, Uniform4iv, "glUniform4iv")                            \
  X(PFNGLUNIFORM1FPROC, Uniform1f, "glUniform1f")                               \
  X(PFNGLUNIFORM1FVPROC, Uniform1fv, "glUniform1fv")                            \
  X(PFNGLUNIFORM2FVPROC, Uniform2fv, "glUniform2fv")                            \
  X(PFNGLUNIFORM3FVPROC, Uniform3fv, "glUniform3fv")                            \
  X(PFNGLUNIFORM4FVPROC, Uniform4fv, "glUniform4fv")                            \
  X(PFNGLUNIFORMMATRIX4FVPROC, UniformMatrix4fv, "glUniformMatrix4fv")          \
  X(PFNGLGETATTRIBLOCATIONPROC, GetAttribLocation, "glGetAttribLocation")       \
  X(PFNGLVERTEXATTRIB1FPROC, VertexAttrib1f, "glVertexAttrib1f")                \
  X(PFNGLVERTEXATTRIB1FVPROC, VertexAttrib1fv, "glVertexAttrib1fv")             \
  X(PFNGLVERTEXATTRIB2FVPROC, VertexAttrib2fv, "glVertexAttrib2fv")             \
  X(PFNGLVERTEXATTRIB3FVPROC, VertexAttrib3fv, "glVertexAttrib3fv")             \
  X(PFNGLVERTEXATTRIB4FVPROC, VertexAttrib4fv, "glVertexAttrib4fv")             \
  X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray, "glEnableVertexAttribArray") \
  X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, DisableVertexAttribArray, "glDisableVertexAttribArray") \
  X(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation, "glBindAttribLocation")    \
  X(PFNGLISPROGRAMPROC, IsProgram, "glIsProgram")                               \
  X(PFNGLUNIFORM2FPROC, Uniform2f, "glUniform2f")                               \
  X(PFNGLUNIFORM3FPROC, Uniform3f, "glUniform3f")                               \
  X(PFNGLUNIFORM4FPROC, Uniform4f, "glUniform4f")                               \
  X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog, "glGetProgramInfoLog")       \
  X(PFNGLCREATESHADERPROC, CreateShader, "glCreateShader")                      \
  X(PFNGLDELETESHADERPROC, DeleteShader, "glDeleteShader")                      \
  X(PFNGLSHADERSOURCEPROC, ShaderSource, "glShaderSource")                      \
  X(PFNGLCOMPILESHADERPROC, CompileShader, "glCompileShader")                   \
  X(PFNGLGETSHADERIVPROC, GetShaderiv, "glGetShaderiv")                         \
  X(PFNGLDELETEBUFFERSPROC, DeleteBuffers, "glDeleteBuffers")                   \
  X(PFNGLGENBUFFERSPROC, GenBuffers, "glGenBuffers")                            \
  X(PFNGLBINDBUFFERPROC, BindBuffer, "glBindBuffer")                            \
  X(PFNGLBUFFERDATAPROC, BufferData, "glBufferData")                            \
  X(PFNGLBUFFERSUBDATAPROC, BufferSubData, "glBufferSubData")                   \
  X(PFNGLMAPBUFFERPROC, MapBuffer, "glMapBuffer")                               \
  X(PFNGLUNMAPBUFFERPROC, UnmapBuffer, "glUnmapBuffer")                         \
  X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer, "glVertexAttribPointer") \
  X(PFNGLBINDFRAMEBUFFEREXTPROC, BindFramebufferEXT, "glBindFramebufferEXT")    \
  X(PFNGLGENFRAMEBUFFERSEXTPROC, GenFramebuffersEXT, "glGenFramebuffersEXT")    \
  X(PFNGLDELETEFRAMEBUFFERSEXTPROC, DeleteFramebuffersEXT, "glDeleteFramebuffersEXT") \
  X(PFNGLGENRENDERBUFFERSEXTPROC, GenRenderbuffersEXT, "glGenRenderbuffersEXT") \
  X(PFNGLBINDRENDERBUFFEREXTPROC, BindRenderbufferEXT, "glBindRenderbufferEXT") \
  X(PFNGLRENDERBUFFERSTORAGEEXTPROC, RenderbufferStorageEXT, "glRenderbufferStorageEXT") \
  X(PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC, FramebufferRenderbufferEXT, "glFramebufferRenderbufferEXT") \
  X(PFNGLDELETERENDERBUFFERSEXTPROC, DeleteRenderbuffersEXT, "glDeleteRenderbuffersEXT") \
  X(PFNGLFRAMEBUFFERTEXTURE2DEXTPROC, FramebufferTexture2DEXT, "glFramebufferTexture2DEXT") \
  X(PFNGLCLIENTACTIVETEXTUREPROC, ClientActiveTexture, "glClientActiveTexture") \
  X(PFNGLACTIVETEXTUREPROC, ActiveTexture, "glActiveTexture")

// Entry points of the demo contexts; a missing one is null, and the kit never
// calls a null one.
struct GlEntryPoints {
#define QV_GL_ENTRY_FIELD(type, field, name) type field;
  QV_GL_ENTRY_POINTS(QV_GL_ENTRY_FIELD)
#undef QV_GL_ENTRY_FIELD
};

// Shared by every demo thread; each GlRenderContext::init rewrites it with the
// same driver entry points.
extern GlEntryPoints g_glEntryPoints;

// Looks every entry point up with wglGetProcAddress on the current context
// (overwriting the table); true.
bool LoadGlEntryPoints();
// Names of the table's entry points that are null, in table order.
std::vector<const char*> MissingGlEntryPoints();

// Pixel format with one sample buffer, 32 colour, 24 depth and 8 stencil bits
// and the requested sample count, else the most samples offered; 0 when none.
int ChooseMultisamplePixelFormat(int samples);
// The choice itself, over the attributes of every pixel format in order.
int SelectMultisamplePixelFormat(const std::vector<PixelFormatFacts>& formats, int samples);

class GlRenderContext {
 public:
  // Context types: the OpenGL version each asks for.
  enum { kTypeGl20 = 0, kTypeGl30, kTypeGl31, kTypeGl32, kTypeGl40, kTypeGl41, kTypeCount };

  GlRenderContext();
  ~GlRenderContext();
  GlRenderContext(const GlRenderContext&) = delete;
  GlRenderContext& operator=(const GlRenderContext&) = delete;

  // Makes the context on the window and leaves it current on this thread.
  bool create(HWND window, int width, int height, int samples, int type);
  bool init(HWND window, int width, int height, int samples, int major, int minor);
  bool createContext(HWND window, int samples, int major, int minor);
  // Makes the context current the first time only; false before create.
  bool makeCurrent();
  bool swapBuffers();
  void deleteContext();
  void destroy();

  HDC deviceContext() const { return m_dc; }
  HGLRC renderContext() const { return m_rc; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  bool isCreated() const { return m_created; }
  bool isCurrent() const { return m_current; }
  int type() const { return m_type; }
  bool isMultisampled() const { return m_multisampled; }

 private:
  HDC m_dc;
  HGLRC m_rc;
  int m_width;
  int m_height;
  bool m_created;
  bool m_current;
  int m_type;
  HWND m_window;  // owner of m_dc, for ReleaseDC
  bool m_multisampled;
};
