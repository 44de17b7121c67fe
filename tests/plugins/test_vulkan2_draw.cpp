// Drawing through the Vulkan2 plug-in on the system's loader (lavapipe under
// Wine): meshes, textures, samplers, render targets, descriptor sets and
// pipelines, checked by the pixels read back from targets and frames.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "color_frag.h"
#include "last_level_frag.h"
#include "window_fixtures.h"
#include "quad_vert.h"
#include "resources_frag.h"
#include "texture_frag.h"

namespace {

struct Rgba {
  unsigned char r, g, b, a;
};

// Quads (two faces each) of the plug-in's vertex layout: position, colour,
// texture coordinates, unused; uv (0, 0) at the top-left corner.
struct Quads {
  std::vector<float> vertices;
  std::vector<uint32_t> indices;
  void add(float x0, float y0, float x1, float y1, float z, Rgba c = {255, 255, 255, 255}) {
    const float xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1}, us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
    const uint32_t base = static_cast<uint32_t>(vertices.size() / 16);
    for (int i = 0; i < 4; ++i) {
      const float v[16] = {xs[i], ys[i], z, 1, c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, c.a / 255.0f,
                           us[i], vs[i], 0, 0, 0, 0, 0, 0};
      vertices.insert(vertices.end(), v, v + 16);
    }
    const uint32_t faces[6] = {base, base + 1, base + 2, base + 2, base + 1, base + 3};
    indices.insert(indices.end(), faces, faces + 6);
  }
};

class LiveDrawTest : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_TRUE(renderer->initialize());
    gpu = renderer->gpu_get_by_index(0);
    ASSERT_NE(gpu, nullptr);
    window = renderer->render_window_create();
    HostWindowBlock desc = window_desc(&hidden.hwnd, kSize, kSize);
    ASSERT_TRUE(renderer->render_window_init(window, desc.get(), 0));
    ASSERT_TRUE(renderer->gpu_initialize(gpu, window));
  }
  void TearDown() override {
    if (renderer && gpu) {
      for (auto& m : meshes) renderer->mesh_kill_buffers(m.get());
      for (auto& t : textures) renderer->texture_unload(t.get());
      for (auto& p : programs) renderer->gpu_program_kill(p.get());
      renderer->gpu_render_target_killall();
      EXPECT_TRUE(renderer->gpu_cleanup(gpu, window));
      renderer->render_window_kill(window);
      for (const auto& line : log.lines) EXPECT_NE(line.first, tvc::LogMgr::kError) << line.second;
    }
    RendererTest::TearDown();
  }

  tvc::GpuProgramData* program(const uint32_t* vs, size_t vs_bytes, const uint32_t* fs, size_t fs_bytes) {
    programs.emplace_back(new tvc::GpuProgramData);
    tvc::GpuProgramData* p = programs.back().get();
    EXPECT_TRUE(renderer->gpu_program_create_shader_modules(gpu, p, 0, vs, static_cast<unsigned>(vs_bytes), "main"));
    EXPECT_TRUE(renderer->gpu_program_create_shader_modules(gpu, p, 1, fs, static_cast<unsigned>(fs_bytes), "main"));
    return p;
  }
  // A pipeline of the quad vertex shader and a fragment shader, against a
  // built and written descriptor set, for a render target (0: the frames).
  tvc::GpuPipelineStateData* pipeline(const uint32_t* fs, size_t fs_bytes, int set, int target, bool depth = false) {
    EXPECT_TRUE(renderer->descriptorset_build(set));
    EXPECT_TRUE(renderer->descriptorset_update(set));
    tvc::GpuPipelineStateData* state = renderer->pipeline_create(gpu);
    state->set_name("test");
    state->program = program(k_quad_vert, sizeof(k_quad_vert), fs, fs_bytes);
    state->depth_test = depth;
    state->depth_compare = 1;  // LESS
    EXPECT_TRUE(renderer->pipeline_build_ex(state, set, target));
    return state;
  }
  tvc::GeometryCore* mesh(const Quads& q) {
    meshes.emplace_back(new tvc::GeometryCore);
    tvc::GeometryCore* g = meshes.back().get();
    g->set_vertices(q.vertices.data(), static_cast<unsigned>(q.vertices.size() / 16));
    g->set_indices32(q.indices.data(), static_cast<unsigned>(q.indices.size() / 3));
    EXPECT_TRUE(renderer->mesh_create_buffers(gpu, g));
    EXPECT_TRUE(renderer->mesh_update_vertex_buffer(g));
    return g;
  }
  tvc::TextureData* texture(unsigned w, unsigned h, const std::vector<Rgba>& texels, bool mipmaps = false) {
    textures.emplace_back(new tvc::TextureData);
    tvc::TextureData* t = textures.back().get();
    t->create(tvc::TextureData::kType2D, w, h, tvc::PF_RGBA_U8);
    memcpy(t->get_pixmap_ptr(), texels.data(), w * h * 4);
    t->mipmaps = mipmaps ? 1 : 0;
    EXPECT_TRUE(renderer->texture_load(gpu, t, 0));
    return t;
  }
  tvc::GpuRenderTarget* target(int w, int h) {
    tvc::GpuRenderTarget* t = renderer->gpu_render_target_create_2d(w, h, tvc::PF_RGBA_U8, 1);
    EXPECT_NE(t, nullptr);
    return t;
  }
  // Records draw() into the target, submits and reads the target back.
  template <typename Draw>
  std::vector<Rgba> render(tvc::GpuRenderTarget* t, tvc::GpuPipelineStateData* state, int set, Draw draw) {
    EXPECT_TRUE(renderer->gpu_render_target_bind(t));
    renderer->set_viewport_and_scissor(gpu, 0, 0, t->width, t->height);
    EXPECT_TRUE(renderer->pipeline_bind(state));
    EXPECT_TRUE(renderer->descriptorset_bind(set));
    draw();
    EXPECT_TRUE(renderer->gpu_render_target_unbind(t));
    EXPECT_TRUE(renderer->gpu_render_target_submit(t));
    std::vector<Rgba> pixels(static_cast<size_t>(t->width) * t->height);
    EXPECT_TRUE(renderer->gpu_render_target_read_color_buffer_2(t, &pixels[0].r));
    return pixels;
  }
  void draw_mesh(tvc::GeometryCore* g) {
    EXPECT_TRUE(renderer->mesh_bind_vertex_buffer(g));
    renderer->mesh_render(g);
  }
  void draw_faces(tvc::GeometryCore* g, unsigned first, unsigned count) {
    EXPECT_TRUE(renderer->mesh_bind_vertex_buffer(g));
    tvc::MeshRenderRange range{g, 0, first, count};
    renderer->mesh_render_range(&range);
  }

  static constexpr int kSize = 128;
  HiddenWindow hidden{kSize, kSize};
  tvc::RendererGpu* gpu = nullptr;
  tvc::RenderWindow* window = nullptr;
  std::vector<std::unique_ptr<tvc::GpuProgramData>> programs;
  std::vector<std::unique_ptr<tvc::GeometryCore>> meshes;
  std::vector<std::unique_ptr<tvc::TextureData>> textures;
};

bool same(Rgba a, Rgba b, int tolerance = 0) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance &&
         std::abs(a.a - b.a) <= tolerance;
}

::testing::AssertionResult pixel_is(const std::vector<Rgba>& image, int width, int x, int y, Rgba want,
                                    int tolerance = 0) {
  const Rgba got = image[static_cast<size_t>(y) * width + x];
  if (same(got, want, tolerance)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << int(got.r) << "," << int(got.g) << ","
                                       << int(got.b) << "," << int(got.a) << ", want " << int(want.r) << ","
                                       << int(want.g) << "," << int(want.b) << "," << int(want.a);
}

const Rgba kGreen{0, 255, 0, 255}, kMagenta{255, 0, 255, 255};

TEST_F(LiveDrawTest, TriangleInAFrameShowsItsColourOverTheClearColour) {
  Quads q;
  q.add(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f, kGreen);
  tvc::GeometryCore* g = mesh(q);
  const int set = renderer->descriptorset_create(gpu);
  tvc::GpuPipelineStateData* state = pipeline(k_color_frag, sizeof(k_color_frag), set, 0);
  renderer->set_clear_color_4f(1.0f, 0.0f, 1.0f, 1.0f);
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
  int size = 0, w = 0, h = 0;
  renderer->get_color_buffer_size(&size, &w, &h);
  renderer->set_viewport_and_scissor(gpu, 0, 0, w, h);
  EXPECT_TRUE(renderer->pipeline_bind(state));
  EXPECT_TRUE(renderer->descriptorset_bind(set));
  draw_faces(g, 0, 1);  // the first triangle: top-left half of the quad
  ASSERT_TRUE(renderer->frame_end(gpu, true, true));
  ASSERT_TRUE(renderer->frame_submit(gpu, 0));
  ASSERT_GT(w, 16);
  ASSERT_GT(h, 16);
  std::vector<Rgba> frame(static_cast<size_t>(w) * h);
  renderer->read_color_buffer(&frame[0].r);
  EXPECT_TRUE(renderer->frame_present(gpu, window));
  EXPECT_TRUE(pixel_is(frame, w, w / 2 - 4, h / 2 - 4, kGreen)) << "inside the triangle";
  EXPECT_TRUE(pixel_is(frame, w, w / 2 + 8, h / 2 + 8, kMagenta)) << "outside its diagonal";
  EXPECT_TRUE(pixel_is(frame, w, 0, 0, kMagenta)) << "corner";
  EXPECT_TRUE(pixel_is(frame, w, w - 1, h - 1, kMagenta)) << "corner";
}

TEST_F(LiveDrawTest, NearestSamplerShowsEveryTexelOfACheckerTexture) {
  tvc::TextureSampler* nearest = renderer->sampler_create(gpu, 1, 2, 1.0f, 0);
  ASSERT_NE(nearest, nullptr);
  Quads q;
  q.add(-1, -1, 1, 1, 0.5f);
  tvc::GeometryCore* g = mesh(q);
  const struct {
    unsigned w, h;
  } sizes[] = {{2, 2}, {3, 5}};
  for (const auto& size : sizes) {
    std::vector<Rgba> texels;
    for (unsigned i = 0; i < size.w * size.h; ++i)
      texels.push_back({static_cast<unsigned char>(40 * i + 10), static_cast<unsigned char>(255 - 20 * i),
                        static_cast<unsigned char>(i % 2 ? 255 : 0), 255});
    tvc::TextureData* t = texture(size.w, size.h, texels);
    const int set = renderer->descriptorset_create(gpu);
    ASSERT_EQ(renderer->descriptorset_add_texture(set, t, nearest, 0, VK_SHADER_STAGE_FRAGMENT_BIT), 0);
    const int cell = 8;
    tvc::GpuRenderTarget* rt = target(static_cast<int>(size.w) * cell, static_cast<int>(size.h) * cell);
    tvc::GpuPipelineStateData* state = pipeline(k_texture_frag, sizeof(k_texture_frag), set, rt->id);
    std::vector<Rgba> image = render(rt, state, set, [&] { draw_mesh(g); });
    for (unsigned y = 0; y < size.h; ++y)
      for (unsigned x = 0; x < size.w; ++x)
        EXPECT_TRUE(pixel_is(image, rt->width, x * cell + cell / 2, y * cell + cell / 2, texels[y * size.w + x]))
            << size.w << "x" << size.h << " texel " << x << "," << y;
  }
}

TEST_F(LiveDrawTest, LastMipLevelIsTheAverageColour) {
  std::vector<Rgba> texels;
  int sum[4] = {0, 0, 0, 0};
  for (unsigned i = 0; i < 16 * 8; ++i) {
    Rgba c{static_cast<unsigned char>((i * 53) % 256), static_cast<unsigned char>((i * 97) % 256),
           static_cast<unsigned char>((i * 13) % 256), 255};
    texels.push_back(c);
    sum[0] += c.r;
    sum[1] += c.g;
    sum[2] += c.b;
    sum[3] += c.a;
  }
  tvc::TextureData* t = texture(16, 8, texels, true);
  tvc::TextureSampler* sampler = renderer->sampler_create(gpu, 3, 2, 1.0f, 0);
  const int set = renderer->descriptorset_create(gpu);
  ASSERT_EQ(renderer->descriptorset_add_texture(set, t, sampler, 0, VK_SHADER_STAGE_FRAGMENT_BIT), 0);
  Quads q;
  q.add(-1, -1, 1, 1, 0.5f);
  tvc::GeometryCore* g = mesh(q);
  tvc::GpuRenderTarget* rt = target(16, 16);
  tvc::GpuPipelineStateData* state = pipeline(k_last_level_frag, sizeof(k_last_level_frag), set, rt->id);
  std::vector<Rgba> image = render(rt, state, set, [&] { draw_mesh(g); });
  const Rgba average{static_cast<unsigned char>(sum[0] / 128), static_cast<unsigned char>(sum[1] / 128),
                     static_cast<unsigned char>(sum[2] / 128), 255};
  EXPECT_TRUE(pixel_is(image, 16, 8, 8, average, 2));
}

TEST_F(LiveDrawTest, DepthTestGivesOnePictureWhateverTheDrawOrder) {
  Quads q;
  q.add(-0.75f, -0.75f, 0.25f, 0.25f, 0.8f, {255, 0, 0, 255});  // far
  q.add(-0.25f, -0.25f, 0.75f, 0.75f, 0.2f, {0, 0, 255, 255});  // near
  tvc::GeometryCore* g = mesh(q);
  const int set = renderer->descriptorset_create(gpu);
  tvc::GpuRenderTarget* rt = target(kSize, kSize);
  tvc::GpuPipelineStateData* state = pipeline(k_color_frag, sizeof(k_color_frag), set, rt->id, true);
  std::vector<Rgba> far_first = render(rt, state, set, [&] {
    draw_faces(g, 0, 2);
    draw_faces(g, 2, 2);
  });
  std::vector<Rgba> near_first = render(rt, state, set, [&] {
    draw_faces(g, 2, 2);
    draw_faces(g, 0, 2);
  });
  EXPECT_TRUE(memcmp(far_first.data(), near_first.data(), far_first.size() * 4) == 0);
  EXPECT_TRUE(pixel_is(near_first, kSize, kSize / 2, kSize / 2, {0, 0, 255, 255})) << "the overlap is near";
  EXPECT_TRUE(pixel_is(near_first, kSize, kSize / 4, kSize / 4, {255, 0, 0, 255})) << "far alone";
}

TEST_F(LiveDrawTest, RenderTargetSampledInAFrameShowsItsContent) {
  // Four quadrants of colours made of 0 and 255 only, so that any 8-bit
  // surface format (sRGB too) keeps them.
  const Rgba colours[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};
  Quads quadrants;
  quadrants.add(-1, -1, 0, 0, 0.5f, colours[0]);
  quadrants.add(0, -1, 1, 0, 0.5f, colours[1]);
  quadrants.add(-1, 0, 0, 1, 0.5f, colours[2]);
  quadrants.add(0, 0, 1, 1, 0.5f, colours[3]);
  tvc::GeometryCore* pattern = mesh(quadrants);
  int size = 0, w = 0, h = 0;
  renderer->get_color_buffer_size(&size, &w, &h);
  ASSERT_GT(w, 16);
  ASSERT_GT(h, 16);
  tvc::GpuRenderTarget* rt = target(w, h);  // as large as the frame: one texel a pixel
  const int empty = renderer->descriptorset_create(gpu);
  tvc::GpuPipelineStateData* fill = pipeline(k_color_frag, sizeof(k_color_frag), empty, rt->id);
  std::vector<Rgba> content = render(rt, fill, empty, [&] { draw_mesh(pattern); });
  EXPECT_TRUE(pixel_is(content, w, w / 4, h / 4, colours[0]));
  EXPECT_TRUE(pixel_is(content, w, 3 * w / 4, 3 * h / 4, colours[3]));
  std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
  ASSERT_TRUE(renderer->gpu_render_target_read_color_buffer(rt, rgb.data()));
  const Rgba* mapped = static_cast<const Rgba*>(renderer->gpu_render_target_get_color_buffer_ptr(rt));
  ASSERT_NE(mapped, nullptr);
  for (size_t i = 0; i < content.size(); ++i) {
    ASSERT_EQ(memcmp(&rgb[i * 3], &content[i], 3), 0) << "pixel " << i;
    ASSERT_TRUE(same(mapped[i], content[i])) << "pixel " << i;
  }

  tvc::TextureSampler* nearest = renderer->sampler_create(gpu, 1, 2, 1.0f, 0);
  const int set = renderer->descriptorset_create(gpu);
  ASSERT_EQ(renderer->descriptorset_add_render_target(set, rt, 0, nearest, 0, VK_SHADER_STAGE_FRAGMENT_BIT), 0);
  tvc::GpuPipelineStateData* show = pipeline(k_texture_frag, sizeof(k_texture_frag), set, 0);
  Quads screen;
  screen.add(-1, -1, 1, 1, 0.5f);
  tvc::GeometryCore* g = mesh(screen);
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
  renderer->set_viewport_and_scissor(gpu, 0, 0, w, h);
  EXPECT_TRUE(renderer->pipeline_bind(show));
  EXPECT_TRUE(renderer->descriptorset_bind(set));
  draw_mesh(g);
  ASSERT_TRUE(renderer->frame_end(gpu, true, true));
  ASSERT_TRUE(renderer->frame_submit(gpu, 0));
  std::vector<Rgba> frame(static_cast<size_t>(w) * h);
  renderer->read_color_buffer(&frame[0].r);
  EXPECT_TRUE(renderer->frame_present(gpu, window));
  // The frame's read-back gives R, G, B, A or B, G, R, A by surface and path.
  std::vector<Rgba> swapped(frame);
  for (Rgba& p : swapped) std::swap(p.r, p.b);
  const bool as_is = memcmp(frame.data(), content.data(), content.size() * 4) == 0;
  const bool as_bgra = memcmp(swapped.data(), content.data(), content.size() * 4) == 0;
  EXPECT_TRUE(as_is || as_bgra) << "the frame shows the target's pixels";
}

TEST_F(LiveDrawTest, DescriptorSetsBindBuffersTextureArraysAndPushConstants) {
  tvc::GpuBuffer tint, results;
  ASSERT_TRUE(renderer->gpu_buffer_create(gpu, &tint, tvc::GpuBuffer::kUniform, 0, 64, 0));
  ASSERT_TRUE(renderer->gpu_buffer_create(gpu, &results, tvc::GpuBuffer::kStorage, 0, 128, 0));
  const struct {
    float color[4];
    uint32_t base;
  } tint_data = {{0, 1, 1, 1}, 1000};
  ASSERT_TRUE(renderer->gpu_buffer_write(&tint, 0, sizeof(tint_data), &tint_data));
  const Rgba left{255, 128, 0, 255}, right{0, 64, 255, 255};
  tvc::TextureData* a = texture(1, 1, {left});
  tvc::TextureData* b = texture(1, 1, {right});
  tvc::TextureSampler* nearest = renderer->sampler_create(gpu, 1, 2, 1.0f, 0);

  const int set = renderer->descriptorset_create(gpu);
  ASSERT_EQ(renderer->descriptorset_add_gpu_buffer(set, &tint, 0, VK_SHADER_STAGE_FRAGMENT_BIT), 0);
  ASSERT_EQ(renderer->descriptorset_add_gpu_buffer(set, &results, 1, VK_SHADER_STAGE_FRAGMENT_BIT), 1);
  ASSERT_EQ(renderer->descriptorset_add_texture_array(set, 2, 2, VK_SHADER_STAGE_FRAGMENT_BIT), 2);
  ASSERT_TRUE(renderer->descriptorset_set_texture_array_element(set, 2, 0, a, nearest));
  ASSERT_TRUE(renderer->descriptorset_set_texture_array_element(set, 2, 1, b, nearest));
  ASSERT_TRUE(renderer->descriptorset_add_push_constant_range(set, 32, 0, VK_SHADER_STAGE_FRAGMENT_BIT));
  Quads q;
  q.add(-1, -1, -0.5f, 1, 0.5f);  // push colour one
  q.add(-0.5f, -1, 0, 1, 0.5f);   // push colour two
  q.add(0, -1, 1, 0, 0.5f);       // uniform tint, writes the results
  q.add(0, 0, 1, 1, 0.5f);        // texture array: left half, right half
  tvc::GeometryCore* g = mesh(q);
  tvc::GpuRenderTarget* rt = target(64, 64);
  tvc::GpuPipelineStateData* state = pipeline(k_resources_frag, sizeof(k_resources_frag), set, rt->id);
  struct Push {
    float color[4];
    uint32_t mode;
  };
  auto push_and_draw = [&](Push p, unsigned quad) {
    EXPECT_TRUE(renderer->descriptorset_push_constants(nullptr, set, &p, sizeof(p), 0, VK_SHADER_STAGE_FRAGMENT_BIT));
    draw_faces(g, quad * 2, 2);
  };
  std::vector<Rgba> image = render(rt, state, set, [&] {
    push_and_draw({{1, 0, 0, 1}, 0}, 0);
    push_and_draw({{1, 1, 0, 1}, 0}, 1);
    push_and_draw({{0, 0, 0, 0}, 1}, 2);
    push_and_draw({{0, 0, 0, 0}, 2}, 3);
  });
  EXPECT_TRUE(pixel_is(image, 64, 8, 32, {255, 0, 0, 255})) << "first push";
  EXPECT_TRUE(pixel_is(image, 64, 24, 32, {255, 255, 0, 255})) << "second push";
  EXPECT_TRUE(pixel_is(image, 64, 48, 16, {0, 255, 255, 255})) << "uniform buffer";
  EXPECT_TRUE(pixel_is(image, 64, 36, 48, left)) << "array element 0";
  EXPECT_TRUE(pixel_is(image, 64, 60, 48, right)) << "array element 1";
  uint32_t values[16] = {0};
  ASSERT_TRUE(renderer->gpu_buffer_read(&results, 0, sizeof(values), values));
  for (uint32_t i = 0; i < 16; ++i) EXPECT_EQ(values[i], i * i + 1000) << "value " << i;
  EXPECT_TRUE(renderer->gpu_buffer_kill(&tint));
  EXPECT_TRUE(renderer->gpu_buffer_kill(&results));
}

}  // namespace
