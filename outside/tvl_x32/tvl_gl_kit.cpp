// Small OpenGL helpers of the framework's scenes.
#include "tvl_gl_kit.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tvl.h"

namespace tvl {
namespace glkit {

namespace {

const size_t kMaxShaderBytes = 256 * 1024;

// Uniform locations of SPIR-V programs, which carry no names: every scene
// shader compiled to SPIR-V declares its uniforms at these locations.
const struct {
  const char* name;
  GLint location;
} kFixedLocations[] = {{"u_mvp", 0},        {"u_model", 1},      {"u_light_pos", 2}, {"u_eye", 3},
                       {"u_time", 4},       {"u_resolution", 5}, {"u_mouse", 6},     {"u_color", 7}};

bool ends_with(const std::string& text, const char* tail) {
  size_t n = strlen(tail);
  return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// The stage of a shader file from its extension (before a ".spv").
GLenum stage_of(std::string file) {
  if (ends_with(file, ".spv")) file.resize(file.size() - 4);
  static const struct {
    const char* ext;
    GLenum stage;
  } kStages[] = {{".vert", GL_VERTEX_SHADER},          {".frag", GL_FRAGMENT_SHADER},
                 {".geom", GL_GEOMETRY_SHADER},        {".tesc", GL_TESS_CONTROL_SHADER},
                 {".tese", GL_TESS_EVALUATION_SHADER}, {".comp", GL_COMPUTE_SHADER}};
  for (const auto& s : kStages)
    if (ends_with(file, s.ext)) return s.stage;
  return 0;
}

// The driver's log of a shader or program, length-bounded.
std::string info_log(GLuint object, bool program) {
  char text[2048] = "";
  GLsizei length = 0;
  if (program)
    glGetProgramInfoLog(object, sizeof(text) - 1, &length, text);
  else
    glGetShaderInfoLog(object, sizeof(text) - 1, &length, text);
  if (length < 0) length = 0;
  text[length < static_cast<GLsizei>(sizeof(text)) ? length : sizeof(text) - 1] = '\0';
  return text;
}

GLuint compile_shader(const std::string& path, GLenum stage, bool spirv, AppEngine* engine) {
  std::string source;
  if (!read_file(path, &source, kMaxShaderBytes)) {
    engine->trace_error("Shader %s: the file does not open or is too large.", path.c_str());
    return 0;
  }
  GLuint shader = glCreateShader(stage);
  if (!shader) return 0;
  if (spirv) {
    glShaderBinary(1, &shader, GL_SHADER_BINARY_FORMAT_SPIR_V_ARB, source.data(), static_cast<GLsizei>(source.size()));
    glSpecializeShaderARB(shader, "main", 0, nullptr, nullptr);
  } else {
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
  }
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    engine->trace_error("Shader %s: %s", path.c_str(), info_log(shader, false).c_str());
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

Program::~Program() {
  if (m_id) glDeleteProgram(m_id);
}

bool Program::build(const ProgramDesc& desc, const std::string& folder, AppEngine* engine) {
  m_name = desc.name;
  if (desc.files.empty()) {
    engine->trace_error("Program %s: no shader files.", desc.name.c_str());
    return false;
  }
  std::vector<GLuint> shaders;
  bool ok = true;
  for (const std::string& file : desc.files) {
    const GLenum stage = stage_of(file);
    const bool spirv = ends_with(file, ".spv");
    if (!stage) {
      engine->trace_error("Program %s: %s is no known shader stage.", desc.name.c_str(), file.c_str());
      ok = false;
      break;
    }
    m_spirv = m_spirv || spirv;
    GLuint shader = compile_shader(folder + file, stage, spirv, engine);
    if (!shader) {
      ok = false;
      break;
    }
    shaders.push_back(shader);
  }
  if (ok) {
    m_id = glCreateProgram();
    // Vertex inputs of every scene shader, at fixed attributes.
    glBindAttribLocation(m_id, 0, "a_position");
    glBindAttribLocation(m_id, 1, "a_normal");
    glBindAttribLocation(m_id, 2, "a_uv");
    for (GLuint s : shaders) glAttachShader(m_id, s);
    glLinkProgram(m_id);
    GLint linked = GL_FALSE;
    glGetProgramiv(m_id, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
      engine->trace_error("Program %s: %s", desc.name.c_str(), info_log(m_id, true).c_str());
      ok = false;
    }
  }
  for (GLuint s : shaders) glDeleteShader(s);
  return ok;
}

void Program::use() const { glUseProgram(m_id); }

GLint Program::location(const char* name) const {
  if (m_spirv) {
    for (const auto& f : kFixedLocations)
      if (strcmp(f.name, name) == 0) return f.location;
    return -1;
  }
  return glGetUniformLocation(m_id, name);
}

void Program::set(const char* name, float v) const { glUniform1f(location(name), v); }
void Program::set(const char* name, float x, float y) const { glUniform2f(location(name), x, y); }
void Program::set(const char* name, float x, float y, float z) const { glUniform3f(location(name), x, y, z); }
void Program::set(const char* name, float x, float y, float z, float w) const {
  glUniform4f(location(name), x, y, z, w);
}
void Program::set(const char* name, const Mat4& m) const { glUniformMatrix4fv(location(name), 1, GL_FALSE, m.m); }
void Program::set_int(const char* name, int v) const { glUniform1i(location(name), v); }

Mesh::~Mesh() {
  if (m_ibo) glDeleteBuffers(1, &m_ibo);
  if (m_vbo) glDeleteBuffers(1, &m_vbo);
  if (m_vao) glDeleteVertexArrays(1, &m_vao);
}

void Mesh::make(const geom::MeshData& data) {
  glGenVertexArrays(1, &m_vao);
  glBindVertexArray(m_vao);
  glGenBuffers(1, &m_vbo);
  glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.vertices.size() * sizeof(float)), data.vertices.data(),
               GL_STATIC_DRAW);
  glGenBuffers(1, &m_ibo);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ibo);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.indices.size() * sizeof(unsigned)),
               data.indices.data(), GL_STATIC_DRAW);
  const GLsizei stride = geom::MeshData::kFloatsPerVertex * sizeof(float);
  for (GLuint a = 0; a < 3; ++a) {
    glEnableVertexAttribArray(a);
    glVertexAttribPointer(a, a == 2 ? 2 : 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(static_cast<uintptr_t>(a * 3 * sizeof(float))));
  }
  glBindVertexArray(0);
  m_count = static_cast<GLsizei>(data.indices.size());
}

void Mesh::draw() const {
  glBindVertexArray(m_vao);
  glDrawElements(GL_TRIANGLES, m_count, GL_UNSIGNED_INT, nullptr);
  glBindVertexArray(0);
}

void Mesh::draw_instanced(int count) const {
  glBindVertexArray(m_vao);
  glDrawElementsInstanced(GL_TRIANGLES, m_count, GL_UNSIGNED_INT, nullptr, count);
  glBindVertexArray(0);
}

RenderTexture::~RenderTexture() { release(); }

void RenderTexture::release() {
  if (m_fbo) glDeleteFramebuffers(1, &m_fbo);
  if (m_texture) glDeleteTextures(1, &m_texture);
  if (m_depth) glDeleteRenderbuffers(1, &m_depth);
  m_fbo = m_texture = m_depth = 0;
  m_width = m_height = 0;
}

bool RenderTexture::ensure(int width, int height, bool depth) {
  if (m_fbo && width == m_width && height == m_height) return true;
  release();
  glGenTextures(1, &m_texture);
  glBindTexture(GL_TEXTURE_2D, m_texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glGenFramebuffers(1, &m_fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_texture, 0);
  if (depth) {
    glGenRenderbuffers(1, &m_depth);
    glBindRenderbuffer(GL_RENDERBUFFER, m_depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
  }
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  m_width = width;
  m_height = height;
  return complete;
}

void RenderTexture::bind_target() const {
  glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);
  glViewport(0, 0, m_width, m_height);
}

VertexBuffer::~VertexBuffer() {
  if (m_vbo) glDeleteBuffers(1, &m_vbo);
  if (m_vao) glDeleteVertexArrays(1, &m_vao);
}

void VertexBuffer::create(const float* data, size_t floats, std::initializer_list<Attribute> layout, GLenum usage) {
  glGenVertexArrays(1, &m_vao);
  glBindVertexArray(m_vao);
  glGenBuffers(1, &m_vbo);
  glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(floats * sizeof(float)), data, usage);
  for (const Attribute& a : layout) {
    glEnableVertexAttribArray(a.index);
    glVertexAttribPointer(a.index, a.size, GL_FLOAT, GL_FALSE, static_cast<GLsizei>(a.stride * sizeof(float)),
                          reinterpret_cast<const void*>(static_cast<uintptr_t>(a.offset * sizeof(float))));
  }
  glBindVertexArray(0);
}

void FullscreenTriangle::create() {
  const float corners[6] = {-1.0f, -1.0f, 3.0f, -1.0f, -1.0f, 3.0f};
  m_vertices.create(corners, 6, {{0, 2, 0, 0}});
}

void FullscreenTriangle::draw() const {
  m_vertices.bind();
  glDrawArrays(GL_TRIANGLES, 0, 3);
  glBindVertexArray(0);
}

}  // namespace glkit
}  // namespace tvl
