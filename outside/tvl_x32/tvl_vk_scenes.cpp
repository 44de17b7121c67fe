// The framework's scene kinds drawn through a Vulkan renderer plug-in: every
// GPU object is made, bound and drawn through the renderer's slots (GPU
// programs from SPIR-V files, pipelines, descriptor sets, push constants,
// meshes, textures, samplers and render targets), as with the Vulkan2
// plug-in's frames or the first generation's command lists alike.
//
// Scene shaders keep OpenGL's conventions (clip space y up, z from -1 to 1)
// so that the geometry and matrices are those of the OpenGL scenes; each
// vertex shader turns its position into Vulkan's clip space.
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "tvl.h"
#include "tvl_content.h"
#include "tvl_geometry.h"

namespace tvl {

namespace {

// Shader stages as the renderer's descriptor sets and push constants take them.
enum : unsigned {
  kVertexStage = 0x1,
  kTessControlStage = 0x2,
  kTessEvalStage = 0x4,
  kGeometryStage = 0x8,
  kFragmentStage = 0x10,
  kGraphicsStages = kVertexStage | kTessControlStage | kTessEvalStage | kGeometryStage | kFragmentStage,
};

const size_t kMaxShaderBytes = 256 * 1024;
const int kLinearClampSampler[2] = {2, 2};  // filter, address
const int kLinearRepeatSampler[2] = {2, 1};

bool ends_with(const std::string& text, const char* tail) {
  const size_t n = strlen(tail);
  return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// The renderer's shader type of a SPIR-V file ("name.stage.spv"); -1 for
// another file.
int shader_type_of(const std::string& file) {
  static const struct {
    const char* ext;
    int type;
  } kTypes[] = {{".vert.spv", 0}, {".frag.spv", 1}, {".geom.spv", 2}, {".tesc.spv", 3}, {".tese.spv", 4}};
  for (const auto& t : kTypes)
    if (ends_with(file, t.ext)) return t.type;
  return -1;
}

// Vertices of the renderer's layout: four vec4 attributes a vertex.
struct Vertices {
  std::vector<float> data;
  std::vector<uint32_t> indices;
  void add(const float (&a)[4], const float (&b)[4], const float (&c)[4]) {
    const float zero[4] = {0, 0, 0, 0};
    for (const float* attribute : {a, b, c, zero}) data.insert(data.end(), attribute, attribute + 4);
  }
  unsigned count() const { return static_cast<unsigned>(data.size() / 16); }
};

// A generated mesh: position, normal and uv as the first three attributes.
Vertices from_mesh(const geom::MeshData& mesh) {
  Vertices v;
  for (size_t i = 0; i < mesh.vertex_count(); ++i) {
    const float* p = &mesh.vertices[i * geom::MeshData::kFloatsPerVertex];
    v.add({p[0], p[1], p[2], 1.0f}, {p[3], p[4], p[5], 0.0f}, {p[6], p[7], 0.0f, 0.0f});
  }
  v.indices.assign(mesh.indices.begin(), mesh.indices.end());
  return v;
}

// One triangle that covers the window.
Vertices fullscreen_triangle() {
  Vertices v;
  v.add({-1, -1, 0, 1}, {1, 1, 1, 1}, {0, 0, 0, 0});
  v.add({3, -1, 0, 1}, {1, 1, 1, 1}, {2, 0, 0, 0});
  v.add({-1, 3, 0, 1}, {1, 1, 1, 1}, {0, 2, 0, 0});
  v.indices = {0, 1, 2};
  return v;
}

struct PipelineOptions {
  int render_target = 0;  // 0: the window's frames
  bool depth = false;
};

// Base of the plug-in kinds: the programs the scene file names, and every
// object made through the renderer, released through it in reverse order
// once the GPU is idle.
class PluginContent : public PluginSceneContent {
 public:
  ~PluginContent() override {
    if (!m_renderer) return;
    m_renderer->wait_for_gpu(m_gpu);
    for (tvc::GpuPipelineStateData* p : m_pipelines) m_renderer->pipeline_kill(p);
    for (int set : m_sets) m_renderer->descriptorset_kill(set);
    for (auto& g : m_meshes) m_renderer->mesh_kill_buffers(g.get());
    for (auto& t : m_textures) m_renderer->texture_unload(t.get());
    for (tvc::GpuRenderTarget* t : m_targets) m_renderer->gpu_render_target_kill(t);
    for (tvc::TextureSampler* s : m_samplers) m_renderer->sampler_kill(s);
    for (auto& p : m_programs) m_renderer->gpu_program_kill(p.get());
  }

  bool init(const ContentDesc& desc, AppEngine* engine) override {
    m_engine = engine;
    if (!m_renderer || !m_gpu) return false;
    for (const ProgramDesc& p : desc.programs)
      if (!load_program(p, desc.folder)) return false;
    return setup(desc);
  }

 protected:
  virtual bool setup(const ContentDesc& desc) = 0;

  // The named program; traces an error when the scene lacks it.
  tvc::GpuProgramData* program(const char* name) {
    for (auto& p : m_programs)
      if (strcmp(p->get_gpu_program_name(), name) == 0) return p.get();
    m_engine->trace_error("The scene has no program \"%s\".", name);
    return nullptr;
  }

  // A descriptor set with push constants of push_size bytes (0: none) for
  // every graphics stage; bindings are added before it is finished.
  int make_set(unsigned push_size) {
    const int set = m_renderer->descriptorset_create(m_gpu);
    if (set <= 0) return 0;
    m_sets.push_back(set);
    if (push_size && !m_renderer->descriptorset_add_push_constant_range(set, push_size, 0, kGraphicsStages)) return 0;
    return set;
  }

  tvc::GpuPipelineStateData* make_pipeline(const char* name, tvc::GpuProgramData* program, int set,
                                           const PipelineOptions& options) {
    if (!program || set <= 0) return nullptr;
    if (!m_renderer->descriptorset_build(set) || !m_renderer->descriptorset_update(set)) {
      m_engine->trace_error("Pipeline %s: its descriptor set cannot be built.", name);
      return nullptr;
    }
    tvc::GpuPipelineStateData* state = m_renderer->pipeline_create(m_gpu);
    if (!state) return nullptr;
    m_pipelines.push_back(state);
    state->set_name(name);
    state->program = program;
    state->depth_test = options.depth;
    state->depth_compare = 1;  // less
    if (!m_renderer->pipeline_build_ex(state, set, options.render_target)) {
      m_engine->trace_error("Pipeline %s cannot be built.", name);
      return nullptr;
    }
    return state;
  }

  tvc::GeometryCore* make_mesh(const Vertices& v) {
    m_meshes.emplace_back(new tvc::GeometryCore);
    tvc::GeometryCore* g = m_meshes.back().get();
    g->set_vertices(v.data.data(), v.count());
    g->set_indices32(v.indices.data(), static_cast<unsigned>(v.indices.size() / 3));
    if (!m_renderer->mesh_create_buffers(m_gpu, g) || !m_renderer->mesh_update_vertex_buffer(g)) {
      m_engine->trace_error("A mesh of %u vertices cannot be made.", v.count());
      return nullptr;
    }
    return g;
  }

  tvc::TextureSampler* make_sampler(const int (&mode)[2]) {
    tvc::TextureSampler* s = m_renderer->sampler_create(m_gpu, mode[0], mode[1], 1.0f, 0);
    if (s) m_samplers.push_back(s);
    return s;
  }

  // An RGBA texture uploaded from its pixels.
  tvc::TextureData* make_texture(unsigned width, unsigned height, const std::vector<unsigned char>& rgba) {
    m_textures.emplace_back(new tvc::TextureData);
    tvc::TextureData* t = m_textures.back().get();
    t->create(tvc::TextureData::kType2D, width, height, tvc::PF_RGBA_U8);
    memcpy(t->get_pixmap_ptr(), rgba.data(), static_cast<size_t>(width) * height * 4);
    if (!m_renderer->texture_load(m_gpu, t, 0)) {
      m_engine->trace_error("A %ux%u texture cannot be loaded.", width, height);
      return nullptr;
    }
    return t;
  }

  tvc::GpuRenderTarget* make_target(int width, int height) {
    tvc::GpuRenderTarget* t = m_renderer->gpu_render_target_create_2d(width, height, tvc::PF_RGBA_U8, 1);
    if (!t) {
      m_engine->trace_error("A %dx%d render target cannot be made.", width, height);
      return nullptr;
    }
    m_targets.push_back(t);
    return t;
  }

  // The program "main" with its pipeline, descriptor set and mesh: what
  // the kinds of one program draw.
  struct Drawable {
    int set = 0;
    tvc::GpuPipelineStateData* pipeline = nullptr;
    tvc::GeometryCore* mesh = nullptr;
  };
  // The set holds its push constant range and bindings already.
  bool make_drawable(const char* name, int set, const PipelineOptions& options, const Vertices& v, Drawable* d) {
    d->set = set;
    d->pipeline = make_pipeline(name, program("main"), set, options);
    d->mesh = d->pipeline ? make_mesh(v) : nullptr;
    return d->mesh != nullptr;
  }
  void draw(const Drawable& d, const void* constants, unsigned size) {
    bind(d.pipeline, d.set);
    if (size) push(d.set, constants, size);
    draw(d.mesh);
  }

  void bind(tvc::GpuPipelineStateData* pipeline, int set) {
    m_renderer->pipeline_bind(pipeline);
    m_renderer->descriptorset_bind(set);
  }
  void push(int set, const void* data, unsigned size) {
    m_renderer->descriptorset_push_constants(nullptr, set, data, size, 0, kGraphicsStages);
  }
  void draw(tvc::GeometryCore* mesh) {
    m_renderer->mesh_bind_vertex_buffer(mesh);
    m_renderer->mesh_render(mesh);
  }

  AppEngine* m_engine = nullptr;

 private:
  bool load_program(const ProgramDesc& desc, const std::string& folder) {
    std::unique_ptr<tvc::GpuProgramData> program(new tvc::GpuProgramData);
    program->set_name(desc.name.c_str());
    if (desc.files.empty()) {
      m_engine->trace_error("Program %s: no shader files.", desc.name.c_str());
      return false;
    }
    bool ok = true;
    for (const std::string& file : desc.files) {
      const int type = shader_type_of(file);
      std::string code;
      if (type < 0) {
        m_engine->trace_error("Program %s: %s is no SPIR-V shader of a known stage.", desc.name.c_str(), file.c_str());
        ok = false;
      } else if (!geom::read_file(folder + file, &code, kMaxShaderBytes) || code.empty()) {
        m_engine->trace_error("Shader %s: the file does not open or is too large.", (folder + file).c_str());
        ok = false;
      } else if (!m_renderer->gpu_program_create_shader_modules(m_gpu, program.get(), type, code.data(),
                                                                static_cast<unsigned>(code.size()), "main")) {
        m_engine->trace_error("Shader %s: the renderer refuses it.", (folder + file).c_str());
        ok = false;
      }
      if (!ok) break;
    }
    m_programs.push_back(std::move(program));  // released with the others, made or not
    return ok;
  }

  std::vector<std::unique_ptr<tvc::GpuProgramData>> m_programs;
  std::vector<int> m_sets;
  std::vector<tvc::GpuPipelineStateData*> m_pipelines;
  std::vector<std::unique_ptr<tvc::GeometryCore>> m_meshes;
  std::vector<std::unique_ptr<tvc::TextureData>> m_textures;
  std::vector<tvc::TextureSampler*> m_samplers;
  std::vector<tvc::GpuRenderTarget*> m_targets;
};

// The RGB triangle from a mesh of three coloured vertices.
class Triangle : public PluginContent {
 protected:
  bool setup(const ContentDesc&) override {
    Vertices v;
    for (const auto& c : geom::kRgbTriangle) v.add({c[0], c[1], 0.0f, 1.0f}, {c[2], c[3], c[4], 1.0f}, {0, 0, 0, 0});
    v.indices = {0, 1, 2};
    return make_drawable("rgb triangle", make_set(0), {}, v, &m_triangle);
  }
  void frame(const FrameInput&) override {}
  void record(const FrameInput&) override { draw(m_triangle, nullptr, 0); }

 private:
  Drawable m_triangle;
};

// The Phong-lit torus of the OpenGL scenes, its matrices as push constants.
class LitTorus : public PluginContent {
 protected:
  bool setup(const ContentDesc& desc) override {
    m_tilt = desc.param_f("tilt", 60.0f);
    m_spin = desc.param_f("spin", 30.0f);
    PipelineOptions options;
    options.depth = true;
    return make_drawable("lit torus", make_set(sizeof(Push)), options, from_mesh(geom::lit_torus_mesh()), &m_torus);
  }
  void frame(const FrameInput&) override {}
  void record(const FrameInput& in) override {
    const geom::TorusView view = geom::lit_torus_view(in.time, aspect_of(in), m_tilt, m_spin);
    Push p;
    memcpy(p.mvp, view.mvp.m, sizeof(p.mvp));
    memcpy(p.model, view.model.m, sizeof(p.model));
    draw(m_torus, &p, sizeof(p));
  }

 private:
  // Within the 128 bytes every device offers; the light and the eye stand
  // where the scene's shader places them.
  struct Push {
    float mvp[16];
    float model[16];
  };
  Drawable m_torus;
  float m_tilt = 60.0f, m_spin = 30.0f;
};

// The triangle patch tessellated at the level the mouse sets, its wires
// drawn by the program's geometry and fragment stages.
class Tessellation : public PluginContent {
 protected:
  bool setup(const ContentDesc& desc) override {
    m_level = desc.param_f("level", 8.0f);
    m_max_level = desc.param_f("max_level", 32.0f);
    Vertices v;
    const float* c = geom::kPatchTriangle;
    for (int i = 0; i < 3; ++i) v.add({c[i * 3], c[i * 3 + 1], c[i * 3 + 2], 1.0f}, {1, 1, 1, 1}, {0, 0, 0, 0});
    v.indices = {0, 1, 2};
    PipelineOptions options;
    options.depth = true;
    return make_drawable("tessellation", make_set(sizeof(Push)), options, v, &m_patch);
  }
  void frame(const FrameInput& in) override {
    if (in.mouse_seen) m_level = geom::tessellation_level_at(in.mouse_x, in.width, m_max_level);
    const int shown = static_cast<int>(m_level + 0.5f);
    if (shown != m_traced) {
      m_engine->trace("tessellation level: %d", shown);
      m_traced = shown;
    }
  }
  void record(const FrameInput& in) override {
    const geom::Mat4 mvp = geom::multiply(geom::perspective(45.0f, aspect_of(in), 0.1f, 50.0f),
                                          geom::multiply(geom::translate(0, 0, -3.0f), geom::rotate(-25.0f, 1, 0, 0)));
    Push p;
    memcpy(p.mvp, mvp.m, sizeof(p.mvp));
    p.level = static_cast<float>(m_traced);
    p.time = in.time;
    draw(m_patch, &p, sizeof(p));
  }

 private:
  struct Push {
    float mvp[16];
    float level, time;
  };
  Drawable m_patch;
  float m_level = 8.0f, m_max_level = 32.0f;
  int m_traced = -1;
};

// Thousands of small quads, one push and one draw call each, and the count
// of draw calls written on top the same way.
class DrawStress : public PluginContent {
 protected:
  bool setup(const ContentDesc& desc) override {
    m_columns = desc.param_i("columns", 64);
    m_rows = desc.param_i("rows", 32);
    if (m_columns < 1 || m_rows < 1 || m_columns * m_rows > 1000000) {
      m_engine->trace_error("Draw stress test: bad grid %dx%d.", m_columns, m_rows);
      return false;
    }
    Vertices v;
    const float corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (const auto& c : corners) v.add({c[0], c[1], 0.0f, 1.0f}, {1, 1, 1, 1}, {c[0], c[1], 0, 0});
    v.indices = {0, 1, 2, 2, 1, 3};
    if (!make_drawable("draw stress", make_set(8 * sizeof(float)), {}, v, &m_quad)) return false;
    m_engine->trace("draw stress test: %d draw calls per frame", m_columns * m_rows);
    return true;
  }
  void frame(const FrameInput& in) override { geom::stress_rects(m_columns, m_rows, in.time, in.width, in.height, &m_rects); }
  void record(const FrameInput&) override {
    bind(m_quad.pipeline, m_quad.set);
    m_renderer->mesh_bind_vertex_buffer(m_quad.mesh);
    for (const geom::StressRect& r : m_rects) {
      const float values[8] = {r.x, r.y, r.w, r.h, r.rgb[0], r.rgb[1], r.rgb[2], 1.0f};
      push(m_quad.set, values, sizeof(values));
      m_renderer->mesh_render(m_quad.mesh);
    }
  }

 private:
  Drawable m_quad;
  int m_columns = 64, m_rows = 32;
  std::vector<geom::StressRect> m_rects;
};

// What every full-window pass gets: the mouse (x, y up, buttons, seen), the
// size drawn into and the time.
struct PassPush {
  float mouse[4];
  float resolution[2];
  float time;
  float pad;
};

PassPush pass_push(const FrameInput& in, int width, int height) {
  PassPush p{};
  p.mouse[0] = static_cast<float>(in.mouse_x);
  p.mouse[1] = static_cast<float>(in.height - in.mouse_y);
  p.mouse[2] = static_cast<float>(in.mouse_buttons);
  p.mouse[3] = in.mouse_seen ? 1.0f : 0.0f;
  p.resolution[0] = static_cast<float>(width);
  p.resolution[1] = static_cast<float>(height);
  p.time = in.time;
  return p;
}

// Full-window fragment passes: every program but the last draws into a
// render target of the window's size at creation, which the next pass
// samples at binding 0; the last draws into the window.
class FullscreenPasses : public PluginContent {
 protected:
  bool setup(const ContentDesc& desc) override {
    if (desc.programs.empty()) {
      m_engine->trace_error("The scene names no program.");
      return false;
    }
    const int width = m_width > 0 ? m_width : 320, height = m_height > 0 ? m_height : 240;
    tvc::TextureSampler* sampler = make_sampler(kLinearClampSampler);
    m_triangle = make_mesh(fullscreen_triangle());
    if (!sampler || !m_triangle) return false;
    tvc::GpuRenderTarget* input = nullptr;
    for (size_t i = 0; i < desc.programs.size(); ++i) {
      const bool last = i + 1 == desc.programs.size();
      Pass pass;
      pass.set = make_set(sizeof(PassPush));
      if (input && m_renderer->descriptorset_add_render_target(pass.set, input, 0, sampler, 0, kFragmentStage) < 0)
        return false;
      if (!last) {
        pass.target = make_target(width, height);
        if (!pass.target) return false;
      }
      PipelineOptions options;
      options.render_target = pass.target ? pass.target->id : 0;
      pass.pipeline = make_pipeline(desc.programs[i].name.c_str(), program(desc.programs[i].name.c_str()), pass.set,
                                    options);
      if (!pass.pipeline) return false;
      m_passes.push_back(pass);
      input = pass.target;
    }
    return true;
  }
  // The off-screen passes, each submitted before the next samples it.
  void frame(const FrameInput& in) override {
    for (size_t i = 0; i + 1 < m_passes.size(); ++i) {
      const Pass& pass = m_passes[i];
      if (!m_renderer->gpu_render_target_bind(pass.target)) return;
      m_renderer->set_viewport_and_scissor(m_gpu, 0, 0, pass.target->width, pass.target->height);
      run(pass, pass_push(in, pass.target->width, pass.target->height));
      m_renderer->gpu_render_target_unbind(pass.target);
      m_renderer->gpu_render_target_submit(pass.target);
    }
  }
  void record(const FrameInput& in) override { run(m_passes.back(), pass_push(in, in.width, in.height)); }

 private:
  struct Pass {
    int set = 0;
    tvc::GpuRenderTarget* target = nullptr;
    tvc::GpuPipelineStateData* pipeline = nullptr;
  };
  void run(const Pass& pass, const PassPush& p) { draw(Drawable{pass.set, pass.pipeline, m_triangle}, &p, sizeof(p)); }
  std::vector<Pass> m_passes;
  tvc::GeometryCore* m_triangle = nullptr;
};

// A tiled wall whose relief lives only in a normal map (rounded tiles with
// bevelled edges and a few dents), lit by a light circling in front of it.
std::vector<unsigned char> tile_normal_map(int size, int tiles) {
  std::vector<unsigned char> texels(static_cast<size_t>(size) * size * 4);
  const float cell = static_cast<float>(size) / static_cast<float>(tiles);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float fx = std::fmod(static_cast<float>(x) + 0.5f, cell) / cell;
      const float fy = std::fmod(static_cast<float>(y) + 0.5f, cell) / cell;
      // Slopes of the bevel near each tile's edges, and a dimple in the middle.
      const float bevel = 0.18f;
      float nx = fx < bevel ? -(bevel - fx) / bevel : (fx > 1.0f - bevel ? (fx - 1.0f + bevel) / bevel : 0.0f);
      float ny = fy < bevel ? -(bevel - fy) / bevel : (fy > 1.0f - bevel ? (fy - 1.0f + bevel) / bevel : 0.0f);
      const float dx = fx - 0.5f, dy = fy - 0.5f, d2 = dx * dx + dy * dy;
      if (d2 < 0.04f) {
        nx += dx * 3.0f;
        ny += dy * 3.0f;
      }
      nx *= 0.8f;
      ny *= 0.8f;
      const float nz = std::sqrt(std::fmax(0.05f, 1.0f - nx * nx - ny * ny));
      const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
      unsigned char* t = &texels[(static_cast<size_t>(y) * size + x) * 4];
      t[0] = static_cast<unsigned char>((nx / len * 0.5f + 0.5f) * 255.0f);
      t[1] = static_cast<unsigned char>((ny / len * 0.5f + 0.5f) * 255.0f);
      t[2] = static_cast<unsigned char>((nz / len * 0.5f + 0.5f) * 255.0f);
      t[3] = 255;
    }
  return texels;
}

class NormalMapped : public PluginContent {
 protected:
  bool setup(const ContentDesc& desc) override {
    const int size = desc.param_i("map_size", 256), tiles = desc.param_i("tiles", 4);
    if (size < 16 || size > 4096 || tiles < 1 || tiles > size / 4) {
      m_engine->trace_error("Normal mapping: bad map %d with %d tiles.", size, tiles);
      return false;
    }
    tvc::TextureSampler* sampler = make_sampler(kLinearRepeatSampler);
    tvc::TextureData* map =
        sampler ? make_texture(static_cast<unsigned>(size), static_cast<unsigned>(size), tile_normal_map(size, tiles))
                : nullptr;
    const int set = make_set(sizeof(Push));
    if (!map || m_renderer->descriptorset_add_texture(set, map, sampler, 0, kFragmentStage) < 0) return false;
    // A square wall facing the viewer: tangent along x, bitangent along y.
    Vertices v;
    const float corners[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    for (const auto& c : corners)
      v.add({c[0] * 1.6f, c[1] * 1.6f, 0.0f, 1.0f}, {0, 0, 1, 0}, {(c[0] + 1) * 0.5f * 2, (c[1] + 1) * 0.5f * 2, 0, 0});
    v.indices = {0, 1, 2, 2, 1, 3};
    PipelineOptions options;
    options.depth = true;
    return make_drawable("normal mapping", set, options, v, &m_wall);
  }
  void frame(const FrameInput&) override {}
  void record(const FrameInput& in) override {
    const float turn = 12.0f * std::sin(in.time * 0.5f);
    const geom::Mat4 mvp = geom::multiply(geom::perspective(45.0f, aspect_of(in), 0.1f, 50.0f),
                                          geom::multiply(geom::translate(0, 0, -4.0f), geom::rotate(turn, 0, 1, 0)));
    // The light circles in front of the wall; it and the eye go into the
    // wall's own space, where the normal map's tangent frame is fixed.
    const geom::Mat4 to_wall = geom::rotate(-turn, 0, 1, 0);
    const float light[3] = {2.2f * std::cos(in.time * 1.3f), 1.4f * std::sin(in.time * 0.9f), 1.8f};
    const float eye[3] = {0.0f, 0.0f, 4.0f};
    Push p;
    memcpy(p.mvp, mvp.m, sizeof(p.mvp));
    for (int r = 0; r < 3; ++r) {
      p.light[r] = p.eye[r] = 0.0f;
      for (int k = 0; k < 3; ++k) {
        p.light[r] += to_wall.m[k * 4 + r] * light[k];
        p.eye[r] += to_wall.m[k * 4 + r] * eye[k];
      }
    }
    p.light[3] = p.eye[3] = 1.0f;
    draw(m_wall, &p, sizeof(p));
  }

 private:
  struct Push {
    float mvp[16];
    float light[4];
    float eye[4];
  };
  Drawable m_wall;
};

}  // namespace

PluginSceneContent* create_plugin_content(const std::string& kind) {
  static const SceneKind<PluginSceneContent> kKinds[] = {
      {"rgb_triangle", make_content<PluginSceneContent, Triangle>},
      {"lit_torus", make_content<PluginSceneContent, LitTorus>},
      {"tessellation", make_content<PluginSceneContent, Tessellation>},
      {"draw_stress", make_content<PluginSceneContent, DrawStress>},
      {"fullscreen_passes", make_content<PluginSceneContent, FullscreenPasses>},
      {"normal_mapped", make_content<PluginSceneContent, NormalMapped>}};
  return content_of_kind(kKinds, kind);
}

}  // namespace tvl
