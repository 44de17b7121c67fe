#include "demos/GlslProgram.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/Log.h"
#include "demos/GlRenderContext.h"

namespace {

// Driver logs beyond this are cut: the text only goes to the log and to boxes.
const GLint kMaxInfoLog = 64 * 1024;

const GLenum kStageTypes[GlslProgram::kStageCount] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER, GL_GEOMETRY_SHADER,
                                                      GL_TESS_CONTROL_SHADER, GL_TESS_EVALUATION_SHADER};
const char* const kStageNames[GlslProgram::kStageCount] = {"Vertex", "Pixel", "Geometry", "Tessellation control",
                                                           "Tessellation evaluation"};

GlEntryPoints& gl() { return g_glEntryPoints; }

}  // namespace

GlslProgram::GlslProgram()
    : m_program(0),
      m_linked(false),
      m_vertexShader(0),
      m_vertexCompiled(false),
      m_pixelShader(0),
      m_pixelCompiled(false),
      m_stageShaders(),
      m_vertexSource(nullptr),
      m_vertexSourceLength(0),
      m_pixelSource(nullptr),
      m_pixelSourceLength(0),
      m_infoLog(nullptr) {}

// The program's GL objects end with the demo's context; only memory is freed
// here.
GlslProgram::~GlslProgram() {
  free(m_vertexSource);
  free(m_pixelSource);
  free(m_infoLog);
}

bool GlslProgram::keepSource(char** copy, size_t* copyLength, const char* source, size_t length) {
  free(*copy);
  *copyLength = 0;
  *copy = static_cast<char*>(malloc(length + 1));
  if (!*copy) return false;
  memcpy(*copy, source, length);
  (*copy)[length] = '\0';
  *copyLength = length;
  return true;
}

void GlslProgram::readLog(bool program, GLuint object) {
  // Freed even when the new log is empty: a failure without a log must not
  // show an earlier failure's log as its own.
  free(m_infoLog);
  m_infoLog = nullptr;
  GLint length = 0;
  if (program) {
    if (gl().GetProgramiv) gl().GetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  } else if (gl().GetShaderiv) {
    gl().GetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  }
  if (length <= 0) return;
  if (length > kMaxInfoLog) length = kMaxInfoLog;
  m_infoLog = static_cast<char*>(calloc(static_cast<size_t>(length) + 1, 1));
  if (!m_infoLog) return;
  GLsizei written = 0;
  if (program) {
    if (gl().GetProgramInfoLog) gl().GetProgramInfoLog(object, length, &written, m_infoLog);
  } else if (gl().GetShaderInfoLog) {
    gl().GetShaderInfoLog(object, length, &written, m_infoLog);
  }
  m_infoLog[length] = '\0';
}

void GlslProgram::deleteShader(GLuint* field) {
  if (!*field) return;
  if (m_program && gl().DetachShader) gl().DetachShader(m_program, *field);
  if (gl().DeleteShader) gl().DeleteShader(*field);
  *field = 0;
}

GlslProgram::Compiled GlslProgram::compile(GLenum type, const char* source, const char* stageName,
                                           GLuint* field) {
  Compiled result = {0, false};
  GlEntryPoints& g = gl();
  if (!g.IsProgram || !g.CreateProgram || !g.CreateShader || !g.ShaderSource || !g.CompileShader ||
      !g.GetShaderiv || !g.AttachShader)
    return result;
  if (!g.IsProgram(m_program)) {
    m_program = g.CreateProgram();
    m_linked = false;
  }
  if (!m_program) return result;
  // A stage compiled again replaces its earlier shader.
  deleteShader(field);
  GLuint shader = g.CreateShader(type);
  *field = shader;
  result.shader = shader;
  if (!shader) return result;
  const GLchar* text = source;
  g.ShaderSource(shader, 1, &text, nullptr);
  g.CompileShader(shader);
  GLint status = GL_FALSE;
  g.GetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status == GL_TRUE) {
    g.AttachShader(m_program, shader);
    result.ok = true;
    return result;
  }
  readLog(false, shader);
  if (m_infoLog) {
    if (type == GL_VERTEX_SHADER && field == &m_vertexShader)
      LogPrintf(g_log, "Vertex Shader Error: %s", m_infoLog);
    else if (type == GL_FRAGMENT_SHADER && field == &m_pixelShader)
      LogPrintf(g_log, "Pixel Shader Error: %s", m_infoLog);
    else
      LogPrintf(g_log, "%s shader error: %s", stageName, m_infoLog);
  }
  return result;
}

bool GlslProgram::compileVertexShader(const char* source, size_t length) {
  if (!source || length == 0) return false;
  if (!keepSource(&m_vertexSource, &m_vertexSourceLength, source, length)) return false;
  m_vertexCompiled = compile(GL_VERTEX_SHADER, m_vertexSource, "Vertex", &m_vertexShader).ok;
  return m_vertexCompiled;
}

bool GlslProgram::compilePixelShader(const char* source, size_t length) {
  if (!source || length == 0) return false;
  if (!keepSource(&m_pixelSource, &m_pixelSourceLength, source, length)) return false;
  m_pixelCompiled = compile(GL_FRAGMENT_SHADER, m_pixelSource, "Pixel", &m_pixelShader).ok;
  return m_pixelCompiled;
}

bool GlslProgram::compileShader(int stage, const char* source, size_t length) {
  if (stage < 0 || stage >= kStageCount || !source || length == 0) return false;
  // The driver gets a terminated string even when the caller's is not.
  char* copy = nullptr;
  size_t copyLength = 0;
  if (!keepSource(&copy, &copyLength, source, length)) return false;
  char name[64];
  snprintf(name, sizeof(name), "%s", kStageNames[stage]);
  bool ok = compile(kStageTypes[stage], copy, name, &m_stageShaders[stage]).ok;
  free(copy);
  return ok;
}

bool GlslProgram::link() {
  GlEntryPoints& g = gl();
  if (!m_program || !g.UseProgram) return false;
  if (!m_linked) {
    if (!g.LinkProgram || !g.GetProgramiv) return false;
    g.LinkProgram(m_program);
    GLint status = GL_FALSE;
    g.GetProgramiv(m_program, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
      readLog(true, m_program);
      if (m_infoLog) LogPrintf(g_log, "Shader program Error: %s", m_infoLog);
      return false;
    }
    m_linked = true;
  }
  g.UseProgram(m_program);
  return true;
}

void GlslProgram::unbind() {
  if (gl().UseProgram) gl().UseProgram(0);
}

GLint GlslProgram::getAttribLocation(const char* name) const {
  if (!m_program || !name || !gl().GetAttribLocation) return -1;
  return gl().GetAttribLocation(m_program, name);
}

GLint GlslProgram::uniformLocation(const char* name) const {
  if (!m_program || !name || !gl().GetUniformLocation) return -1;
  return gl().GetUniformLocation(m_program, name);
}

void GlslProgram::setUniform1f(const char* name, float v) {
  GLint loc = uniformLocation(name);
  if (loc >= 0 && gl().Uniform1f) gl().Uniform1f(loc, v);
}

void GlslProgram::setUniform1i(const char* name, GLint v) {
  GLint loc = uniformLocation(name);
  if (loc >= 0 && gl().Uniform1i) gl().Uniform1i(loc, v);
}

void GlslProgram::setUniform4f(const char* name, float x, float y, float z, float w) {
  GLint loc = uniformLocation(name);
  if (loc >= 0 && gl().Uniform4f) gl().Uniform4f(loc, x, y, z, w);
}

void GlslProgram::setUniformArray(const char* name, GLsizei count, const float* vectors4) {
  GLint loc = uniformLocation(name);
  if (loc >= 0 && vectors4 && count > 0 && gl().Uniform4fv) gl().Uniform4fv(loc, count, vectors4);
}

void GlslProgram::setUniformMatrix4(const char* name, const float* m16) {
  GLint loc = uniformLocation(name);
  if (loc >= 0 && m16 && gl().UniformMatrix4fv) gl().UniformMatrix4fv(loc, 1, GL_FALSE, m16);
}

void GlslProgram::release() {
  if (m_program) {
    for (GLuint& s : m_stageShaders) deleteShader(&s);
    deleteShader(&m_vertexShader);
    deleteShader(&m_pixelShader);
    if (gl().DeleteProgram) gl().DeleteProgram(m_program);
    m_program = 0;
  }
  free(m_vertexSource);
  m_vertexSource = nullptr;
  m_vertexSourceLength = 0;
  free(m_pixelSource);
  m_pixelSource = nullptr;
  m_pixelSourceLength = 0;
  m_vertexCompiled = m_pixelCompiled = m_linked = false;
  free(m_infoLog);
  m_infoLog = nullptr;
}
