// Small OpenGL helpers of the framework's scenes: matrices, GPU programs from
// shader files (GLSL text or SPIR-V), meshes and render textures.
#pragma once

#include <GL/glew.h>

#include <initializer_list>
#include <string>

#include "tvl_content.h"
#include "tvl_geometry.h"

namespace tvl {
namespace glkit {

using geom::identity;
using geom::Mat4;
using geom::multiply;
using geom::perspective;
using geom::read_file;
using geom::rotate;
using geom::translate;

class Program {
 public:
  Program() = default;
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  // Compiles and links the program's files; false after an error trace.
  bool build(const ProgramDesc& desc, const std::string& folder, AppEngine* engine);
  void use() const;
  // A uniform's location by name; SPIR-V programs carry no names, their
  // uniforms sit at the fixed locations of the known names.
  GLint location(const char* name) const;
  void set(const char* name, float v) const;
  void set(const char* name, float x, float y) const;
  void set(const char* name, float x, float y, float z) const;
  void set(const char* name, float x, float y, float z, float w) const;
  void set(const char* name, const Mat4& m) const;
  void set_int(const char* name, int v) const;
  const std::string& name() const { return m_name; }

 private:
  GLuint m_id = 0;
  bool m_spirv = false;
  std::string m_name;
};

// Interleaved position (3), normal (3) and uv (2) at attributes 0, 1, 2.
class Mesh {
 public:
  Mesh() = default;
  ~Mesh();
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;
  void make(const geom::MeshData& data);
  void draw() const;
  void draw_instanced(int count) const;

 private:
  GLuint m_vao = 0, m_vbo = 0, m_ibo = 0;
  GLsizei m_count = 0;
};

// A colour texture (RGBA8) with an optional depth buffer, drawn into
// through its own framebuffer; follows the window's size.
class RenderTexture {
 public:
  RenderTexture() = default;
  ~RenderTexture();
  RenderTexture(const RenderTexture&) = delete;
  RenderTexture& operator=(const RenderTexture&) = delete;
  bool ensure(int width, int height, bool depth);
  void bind_target() const;
  GLuint texture() const { return m_texture; }

 private:
  void release();
  GLuint m_fbo = 0, m_texture = 0, m_depth = 0;
  int m_width = 0, m_height = 0;
};

// One float attribute of a vertex buffer: its index, component count, and
// the stride and offset in floats.
struct Attribute {
  GLuint index;
  GLint size;
  int stride;
  int offset;
};

// A buffer of float vertices with its vertex array.
class VertexBuffer {
 public:
  VertexBuffer() = default;
  ~VertexBuffer();
  VertexBuffer(const VertexBuffer&) = delete;
  VertexBuffer& operator=(const VertexBuffer&) = delete;
  void create(const float* data, size_t floats, std::initializer_list<Attribute> layout,
              GLenum usage = GL_STATIC_DRAW);
  void bind() const { glBindVertexArray(m_vao); }
  GLuint buffer() const { return m_vbo; }

 private:
  GLuint m_vao = 0, m_vbo = 0;
};

// One triangle that covers the window, at attribute 0.
class FullscreenTriangle {
 public:
  void create();
  void draw() const;

 private:
  VertexBuffer m_vertices;
};

}  // namespace glkit
}  // namespace tvl
