// The framework's OpenGL scene kinds: each builds its geometry once and
// draws one frame per call with the programs its scene file names.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "tvl.h"
#include "tvl_gl_kit.h"

namespace tvl {

namespace {

using glkit::Mat4;

const float kPi = 3.14159265f;

void begin_window_frame(const FrameInput& in) {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(0, 0, in.width, in.height);
  glClearColor(in.clear_color[0], in.clear_color[1], in.clear_color[2], in.clear_color[3]);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// Base of the kinds that draw with programs from the scene file.
class ProgramContent : public SceneContent {
 public:
  bool init(const ContentDesc& desc, AppEngine* engine) override {
    m_engine = engine;
    m_desc = &desc;
    for (const ProgramDesc& p : desc.programs) {
      std::unique_ptr<glkit::Program> program(new glkit::Program);
      if (!program->build(p, desc.folder, engine)) return false;
      m_programs.push_back(std::move(program));
    }
    return setup(desc);
  }

 protected:
  virtual bool setup(const ContentDesc& desc) = 0;
  // The named program; traces an error when the scene lacks it.
  glkit::Program* program(const char* name) {
    for (auto& p : m_programs)
      if (p->name() == name) return p.get();
    m_engine->trace_error("The scene has no program \"%s\".", name);
    return nullptr;
  }
  AppEngine* m_engine = nullptr;
  const ContentDesc* m_desc = nullptr;
  std::vector<std::unique_ptr<glkit::Program>> m_programs;
};

// OpenGL 1.1: immediate mode, no programs.
class FixedTriangle : public SceneContent {
 public:
  bool init(const ContentDesc&, AppEngine*) override { return true; }
  void frame(const FrameInput& in) override {
    glViewport(0, 0, in.width, in.height);
    glClearColor(in.clear_color[0], in.clear_color[1], in.clear_color[2], in.clear_color[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_TRIANGLES);
    for (const auto& v : geom::kRgbTriangle) {
      glColor3f(v[2], v[3], v[4]);
      glVertex2f(v[0], v[1]);
    }
    glEnd();
  }
};

// Core profile: the same triangle from a buffer.
class Triangle : public ProgramContent {
 public:
  bool setup(const ContentDesc&) override {
    m_program = program("main");
    if (!m_program) return false;
    m_vertices.create(&geom::kRgbTriangle[0][0], 15, {{0, 2, 5, 0}, {1, 3, 5, 2}});
    return true;
  }
  void frame(const FrameInput& in) override {
    begin_window_frame(in);
    m_program->use();
    m_vertices.bind();
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindVertexArray(0);
  }

 private:
  glkit::Program* m_program = nullptr;
  glkit::VertexBuffer m_vertices;
};

// A procedural environment for sphere mapping: sky with a sun above a
// checkered floor, as seen in a mirror ball.
GLuint make_sphere_map(int size) {
  std::vector<unsigned char> texels(static_cast<size_t>(size * size * 4));
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(size) * 2.0f - 1.0f;
      const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(size) * 2.0f - 1.0f;
      const float d = u * u + v * v;
      float rgb[3] = {0.1f, 0.1f, 0.1f};
      if (d <= 1.0f) {
        // Reflection direction of a sphere-map texel.
        const float nz = std::sqrt(1.0f - d);
        const float rx = 2.0f * nz * u, ry = 2.0f * nz * v, rz = 2.0f * nz * nz - 1.0f;
        if (ry > 0.0f) {
          const float sun = std::pow(std::fmax(0.0f, 0.5f * rx + 0.7f * ry + 0.5f * rz), 40.0f);
          rgb[0] = 0.3f + 0.4f * (1.0f - ry) + sun;
          rgb[1] = 0.5f + 0.3f * (1.0f - ry) + sun;
          rgb[2] = 0.9f + sun;
        } else {
          const float fx = rx / (-ry + 0.05f), fz = rz / (-ry + 0.05f);
          const bool check = (static_cast<int>(std::floor(fx * 2.0f)) + static_cast<int>(std::floor(fz * 2.0f))) & 1;
          const float fade = std::fmin(1.0f, -ry * 3.0f);
          rgb[0] = (check ? 0.85f : 0.25f) * fade + 0.4f * (1.0f - fade);
          rgb[1] = (check ? 0.55f : 0.2f) * fade + 0.4f * (1.0f - fade);
          rgb[2] = (check ? 0.3f : 0.15f) * fade + 0.4f * (1.0f - fade);
        }
      }
      unsigned char* t = &texels[static_cast<size_t>((y * size + x) * 4)];
      for (int c = 0; c < 3; ++c) t[c] = static_cast<unsigned char>(std::fmin(1.0f, rgb[c]) * 255.0f);
      t[3] = 255;
    }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return texture;
}

// A torus lit by a light on the left, drawn by the program "main": Phong,
// cell shading (with the program "outline" drawn inflated over back faces),
// a sphere-mapped environment (param env_map) or a geometry-shader exploder.
class LitTorus : public ProgramContent {
 public:
  ~LitTorus() override {
    if (m_env) glDeleteTextures(1, &m_env);
  }
  bool setup(const ContentDesc& desc) override {
    m_main = program("main");
    if (!m_main) return false;
    if (desc.programs.size() > 1) {
      m_outline = program("outline");
      if (!m_outline) return false;
    }
    m_mesh.make(geom::lit_torus_mesh());
    if (desc.param_i("env_map", 0)) m_env = make_sphere_map(256);
    m_tilt = desc.param_f("tilt", 60.0f);
    m_spin = desc.param_f("spin", 30.0f);
    return true;
  }
  void frame(const FrameInput& in) override {
    begin_window_frame(in);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    const geom::TorusView view = geom::lit_torus_view(in.time, aspect_of(in), m_tilt, m_spin);
    if (m_outline) {
      glCullFace(GL_FRONT);
      draw_with(m_outline, view, in);
    }
    glCullFace(GL_BACK);
    if (m_env) {
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_2D, m_env);
    }
    draw_with(m_main, view, in);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
  }

 private:
  void draw_with(glkit::Program* p, const geom::TorusView& view, const FrameInput& in) {
    p->use();
    p->set("u_mvp", view.mvp);
    p->set("u_model", view.model);
    p->set("u_light_pos", view.light[0], view.light[1], view.light[2]);
    p->set("u_eye", view.eye[0], view.eye[1], view.eye[2]);
    p->set("u_time", in.time);
    if (m_env) p->set_int("u_env", 0);
    m_mesh.draw();
  }
  glkit::Program* m_main = nullptr;
  glkit::Program* m_outline = nullptr;
  glkit::Mesh m_mesh;
  GLuint m_env = 0;
  float m_tilt = 60.0f, m_spin = 30.0f;
};

// One patch tessellated at a level that follows the mouse (left: 1, right:
// the maximum), drawn as wires.
class Tessellation : public ProgramContent {
 public:
  bool setup(const ContentDesc& desc) override {
    m_program = program("main");
    if (!m_program) return false;
    m_triangles = strcmp(desc.param("patch", "quads"), "triangles") == 0;
    m_level = desc.param_f("level", 8.0f);
    m_max_level = desc.param_f("max_level", 32.0f);
    const float quad[12] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
    if (m_triangles)
      m_patch.create(geom::kPatchTriangle, 9, {{0, 3, 3, 0}});
    else
      m_patch.create(quad, 12, {{0, 3, 3, 0}});
    return true;
  }
  void frame(const FrameInput& in) override {
    if (in.mouse_seen) m_level = geom::tessellation_level_at(in.mouse_x, in.width, m_max_level);
    const int shown = static_cast<int>(m_level + 0.5f);
    if (shown != m_traced) {
      m_engine->trace("tessellation level: %d", shown);
      m_traced = shown;
    }
    begin_window_frame(in);
    glEnable(GL_DEPTH_TEST);
    const Mat4 model = glkit::rotate(-25.0f, 1, 0, 0);
    const Mat4 mvp = glkit::multiply(glkit::perspective(45.0f, aspect_of(in), 0.1f, 50.0f),
                                     glkit::multiply(glkit::translate(0, 0, -3.0f), model));
    m_program->use();
    m_program->set("u_mvp", mvp);
    m_program->set("u_level", static_cast<float>(shown));
    m_program->set("u_time", in.time);
    glPatchParameteri(GL_PATCH_VERTICES, m_triangles ? 3 : 4);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    m_patch.bind();
    glDrawArrays(GL_PATCHES, 0, m_triangles ? 3 : 4);
    glBindVertexArray(0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_DEPTH_TEST);
  }

 private:
  glkit::Program* m_program = nullptr;
  glkit::VertexBuffer m_patch;
  bool m_triangles = false;
  float m_level = 8.0f, m_max_level = 32.0f;
  int m_traced = -1;
};

// Many copies of one cube in a single instanced draw, laid out on a grid by
// the vertex shader.
class Instancing : public ProgramContent {
 public:
  bool setup(const ContentDesc& desc) override {
    m_program = program("main");
    if (!m_program) return false;
    m_columns = desc.param_i("columns", 8);
    m_rows = desc.param_i("rows", 6);
    if (m_columns < 1 || m_rows < 1 || m_columns * m_rows > 100000) {
      m_engine->trace_error("Geometry instancing: bad grid %dx%d.", m_columns, m_rows);
      return false;
    }
    m_mesh.make(geom::cube(1.0f));
    m_engine->trace("geometry instancing: %d instances in one draw call", m_columns * m_rows);
    return true;
  }
  void frame(const FrameInput& in) override {
    begin_window_frame(in);
    glEnable(GL_DEPTH_TEST);
    m_program->use();
    m_program->set("u_grid", static_cast<float>(m_columns), static_cast<float>(m_rows));
    m_program->set("u_time", in.time);
    m_mesh.draw_instanced(m_columns * m_rows);
    glDisable(GL_DEPTH_TEST);
  }

 private:
  glkit::Program* m_program = nullptr;
  glkit::Mesh m_mesh;
  int m_columns = 8, m_rows = 6;
};

// Particles in a storage buffer, moved by the compute program "update"
// towards an attractor (the mouse once it moved, else a point circling the
// centre) and drawn as points by "draw".
class ComputeParticles : public ProgramContent {
 public:
  bool setup(const ContentDesc& desc) override {
    m_update = program("update");
    m_draw = program("draw");
    if (!m_update || !m_draw) return false;
    m_count = desc.param_i("particles", 16384);
    if (m_count < 256 || m_count > (1 << 20)) m_count = 16384;
    m_count &= ~255;
    std::vector<float> init(static_cast<size_t>(m_count) * 8, 0.0f);
    for (int i = 0; i < m_count; ++i) {
      const float a = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(m_count);
      const float r = 0.3f + 0.6f * static_cast<float>((i * 7919) % 1000) / 1000.0f;
      float* p = &init[static_cast<size_t>(i) * 8];
      p[0] = r * std::cos(a * 13.0f);
      p[1] = r * std::sin(a * 13.0f);
      p[3] = 1.0f;
      p[4] = -p[1] * 0.5f;
      p[5] = p[0] * 0.5f;
    }
    // The same buffer is the compute program's storage and the points' vertices.
    m_particles.create(init.data(), init.size(), {{0, 4, 8, 0}, {1, 4, 8, 4}}, GL_DYNAMIC_DRAW);
    m_engine->trace("compute particles: %d particles", m_count);
    return true;
  }
  void frame(const FrameInput& in) override {
    float ax = 0.5f * std::cos(in.time * 0.8f), ay = 0.5f * std::sin(in.time * 0.8f);
    if (in.mouse_seen && in.width > 0 && in.height > 0) {
      ax = 2.0f * static_cast<float>(in.mouse_x) / static_cast<float>(in.width) - 1.0f;
      ay = 1.0f - 2.0f * static_cast<float>(in.mouse_y) / static_cast<float>(in.height);
    }
    const float dt = in.dt > 0.05f ? 0.05f : in.dt;
    m_update->use();
    m_update->set("u_attractor", ax, ay);
    m_update->set("u_dt", dt);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 0, m_particles.buffer());
    glDispatchCompute(static_cast<GLuint>(m_count / 256), 1, 1);
    glMemoryBarrier(GL_VERTEX_ATTRIB_ARRAY_BARRIER_BIT);
    begin_window_frame(in);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_PROGRAM_POINT_SIZE);
    m_draw->use();
    m_draw->set("u_attractor", ax, ay);
    m_particles.bind();
    glDrawArrays(GL_POINTS, 0, m_count);
    glBindVertexArray(0);
    glDisable(GL_PROGRAM_POINT_SIZE);
    glDisable(GL_BLEND);
  }

 private:
  glkit::Program* m_update = nullptr;
  glkit::Program* m_draw = nullptr;
  glkit::VertexBuffer m_particles;
  int m_count = 0;
};

// A disc whose fragments an atomic counter counts; the count, read back
// after the draw, is shown as a bar along the bottom whose length in pixels
// is count / window height (the disc's share of the window times its
// width), and traced whenever it changes.
class AtomicCounter : public ProgramContent {
 public:
  ~AtomicCounter() override {
    if (m_counter) glDeleteBuffers(1, &m_counter);
  }
  bool setup(const ContentDesc&) override {
    m_program = program("main");
    if (!m_program) return false;
    m_triangle.create();
    glGenBuffers(1, &m_counter);
    glBindBuffer(GL_ATOMIC_COUNTER_BUFFER, m_counter);
    const GLuint zero = 0;
    glBufferData(GL_ATOMIC_COUNTER_BUFFER, sizeof(zero), &zero, GL_DYNAMIC_READ);
    glBindBuffer(GL_ATOMIC_COUNTER_BUFFER, 0);
    return true;
  }
  void frame(const FrameInput& in) override {
    begin_window_frame(in);
    const GLuint zero = 0;
    glBindBuffer(GL_ATOMIC_COUNTER_BUFFER, m_counter);
    glBufferSubData(GL_ATOMIC_COUNTER_BUFFER, 0, sizeof(zero), &zero);
    glBindBufferBase(GL_ATOMIC_COUNTER_BUFFER, 0, m_counter);
    m_program->use();
    m_program->set("u_resolution", static_cast<float>(in.width), static_cast<float>(in.height));
    m_program->set("u_time", in.time);
    m_triangle.draw();
    glMemoryBarrier(GL_ATOMIC_COUNTER_BARRIER_BIT | GL_BUFFER_UPDATE_BARRIER_BIT);
    GLuint count = 0;
    glGetBufferSubData(GL_ATOMIC_COUNTER_BUFFER, 0, sizeof(count), &count);
    glBindBuffer(GL_ATOMIC_COUNTER_BUFFER, 0);
    if (count != m_traced) {
      m_engine->trace("atomic counter: %u fragments", count);
      m_traced = count;
    }
    const int bar = in.height > 0 ? static_cast<int>(count / static_cast<GLuint>(in.height)) : 0;
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 4, bar, 12);
    glClearColor(1.0f, 0.85f, 0.1f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
  }

 private:
  glkit::Program* m_program = nullptr;
  glkit::FullscreenTriangle m_triangle;
  GLuint m_counter = 0;
  GLuint m_traced = 0xFFFFFFFFu;
};

// Thousands of small quads, one draw call each, and the count of draw calls
// written on top in seven-segment digits (drawn the same way).
class DrawStress : public ProgramContent {
 public:
  bool setup(const ContentDesc& desc) override {
    m_program = program("main");
    if (!m_program) return false;
    m_columns = desc.param_i("columns", 64);
    m_rows = desc.param_i("rows", 32);
    if (m_columns < 1 || m_rows < 1 || m_columns * m_rows > 1000000) {
      m_engine->trace_error("Draw stress test: bad grid %dx%d.", m_columns, m_rows);
      return false;
    }
    const float quad[8] = {0, 0, 1, 0, 0, 1, 1, 1};
    m_quad.create(quad, 8, {{0, 2, 2, 0}});
    m_rect_location = m_program->location("u_rect");
    m_engine->trace("draw stress test: %d draw calls per frame", m_columns * m_rows);
    return true;
  }
  void frame(const FrameInput& in) override {
    begin_window_frame(in);
    m_program->use();
    m_quad.bind();
    geom::stress_rects(m_columns, m_rows, in.time, in.width, in.height, &m_rects);
    // One uniform call and one draw call per rectangle.
    for (const geom::StressRect& r : m_rects) {
      const float values[8] = {r.x, r.y, r.w, r.h, r.rgb[0], r.rgb[1], r.rgb[2], 1.0f};
      glUniform4fv(m_rect_location, 2, values);
      glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
    glBindVertexArray(0);
  }

 private:
  std::vector<geom::StressRect> m_rects;
  glkit::Program* m_program = nullptr;
  glkit::VertexBuffer m_quad;
  GLint m_rect_location = -1;
  int m_columns = 64, m_rows = 32;
};

// Full-window fragment passes: every program but the last draws into a
// texture of the window's size that the next pass reads as u_channel0; the
// last draws into the window.
class FullscreenPasses : public ProgramContent {
 public:
  bool setup(const ContentDesc& desc) override {
    if (desc.programs.empty()) {
      m_engine->trace_error("The scene names no program.");
      return false;
    }
    m_targets.resize(m_programs.size() - 1);
    for (auto& t : m_targets) t.reset(new glkit::RenderTexture);
    m_triangle.create();
    return true;
  }
  void frame(const FrameInput& in) override {
    GLuint input = 0;
    for (size_t i = 0; i < m_programs.size(); ++i) {
      const bool last = i + 1 == m_programs.size();
      if (last) {
        begin_window_frame(in);
      } else {
        if (!m_targets[i]->ensure(in.width, in.height, false)) return;
        m_targets[i]->bind_target();
      }
      const glkit::Program& p = *m_programs[i];
      p.use();
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_2D, input);
      p.set_int("u_channel0", 0);
      p.set("u_time", in.time);
      p.set("u_resolution", static_cast<float>(in.width), static_cast<float>(in.height));
      p.set("u_mouse", static_cast<float>(in.mouse_x), static_cast<float>(in.height - in.mouse_y),
            static_cast<float>(in.mouse_buttons), in.mouse_seen ? 1.0f : 0.0f);
      m_triangle.draw();
      if (!last) input = m_targets[i]->texture();
    }
    glBindTexture(GL_TEXTURE_2D, 0);
  }

 private:
  std::vector<std::unique_ptr<glkit::RenderTexture>> m_targets;
  glkit::FullscreenTriangle m_triangle;
};

}  // namespace

SceneContent* create_gl_content(const std::string& kind) {
  static const SceneKind<SceneContent> kKinds[] = {
      {"rgb_triangle_fixed", make_content<SceneContent, FixedTriangle>},
      {"rgb_triangle", make_content<SceneContent, Triangle>},
      {"lit_torus", make_content<SceneContent, LitTorus>},
      {"tessellation", make_content<SceneContent, Tessellation>},
      {"instancing", make_content<SceneContent, Instancing>},
      {"compute_particles", make_content<SceneContent, ComputeParticles>},
      {"atomic_counter", make_content<SceneContent, AtomicCounter>},
      {"draw_stress", make_content<SceneContent, DrawStress>},
      {"fullscreen_passes", make_content<SceneContent, FullscreenPasses>}};
  return content_of_kind(kKinds, kind);
}

}  // namespace tvl
