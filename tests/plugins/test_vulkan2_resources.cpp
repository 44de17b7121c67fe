// GPU buffers, meshes, textures, samplers, render targets, descriptor sets
// and pipelines of the Vulkan2 plug-in on the stand-in loader: failure paths
// (every step made to fail in turn), what is left behind, range and index
// checks, and objects outliving their device.
#include <cstring>
#include <memory>
#include <vector>

#include "plugin_host.h"
#include "quad_vert.h"

namespace {

class FakeResourceTest : public FakeWindowTest {
 protected:
  void SetUp() override {
    FakeWindowTest::SetUp();
    ASSERT_TRUE(start(window_config()));
  }
  int live() const { return FakeLoader::get().state().live_objects; }
  int calls() const { return FakeLoader::get().state().resource_calls; }
  bool logged_error() const {
    for (const auto& line : log.lines)
      if (line.first == tvc::LogMgr::kError) return true;
    return false;
  }
  // Runs op once to count its resource calls, undoes it, then makes each
  // of those calls fail in turn: every failure must answer false, log an
  // error and leave no object behind (or, with kept_for_retry, nothing
  // once undone: meshes keep what earlier steps made for the next try).
  template <typename Op, typename Undo>
  void fail_each_step(const char* what, Op op, Undo undo, bool kept_for_retry = false) {
    const int before = live();
    const int first = calls();
    ASSERT_TRUE(op()) << what;
    const int steps = calls() - first;
    ASSERT_GT(steps, 0);
    undo();
    ASSERT_EQ(live(), before) << what << ": undo leaves objects";
    for (int n = 1; n <= steps; ++n) {
      log.lines.clear();
      FakeLoader::get().fail_call(n);
      EXPECT_FALSE(op()) << what << ": step " << n << " failed but the operation succeeded";
      FakeLoader::get().fail_call(0);
      EXPECT_TRUE(logged_error()) << what << ": step " << n << " failed silently";
      if (!kept_for_retry) {
        EXPECT_EQ(live(), before) << what << ": step " << n << " leaves objects";
      }
      undo();
      EXPECT_EQ(live(), before) << what << ": step " << n << " leaves objects once undone";
    }
  }
};

tvc::TextureData* checker(tvc::TextureData* t, unsigned w, unsigned h, int format = tvc::PF_RGBA_U8) {
  t->create(tvc::TextureData::kType2D, w, h, format);
  for (unsigned i = 0; i < w * h * static_cast<unsigned>(t->get_pixel_format_size()); ++i)
    t->get_pixmap_ptr()[i] = static_cast<unsigned char>(i * 37);
  return t;
}

TEST_F(FakeResourceTest, TextureLoadsFailAtEveryStepWithoutLeaks) {
  tvc::TextureData texture;
  checker(&texture, 3, 5);
  texture.set_name("checker");
  fail_each_step(
      "2D load", [&] { return renderer->texture_load(gpu, &texture, 0); },
      [&] { renderer->texture_unload(&texture); });
  EXPECT_EQ(texture.renderer_data, nullptr);
  EXPECT_FALSE(texture.is_loaded_in_gpu_memory());

  tvc::TextureData layers;
  layers.create(tvc::TextureData::kType2DArray, 4, 4, tvc::PF_RGBA_U8, 3);
  fail_each_step(
      "2D array load", [&] { return renderer->texture_load(gpu, &layers, 0); },
      [&] { renderer->texture_unload(&layers); });
  expect_nothing_left();
}

TEST_F(FakeResourceTest, TextureLoadsRefuseFormatsAndSizesOutsideTheTables) {
  const struct {
    const char* what;
    unsigned w, h;
    int format;
    unsigned layers;
  } cases[] = {
      {"pixel format 8 has no texel size", 4, 4, 8, 1},
      {"width past the device limit", 5000, 4, tvc::PF_RGBA_U8, 1},
      {"zero height", 4, 0, tvc::PF_RGBA_U8, 1},
      {"more layers than the device allows", 4, 4, tvc::PF_RGBA_U8, 5000},
  };
  const int before = live();
  for (const auto& c : cases) {
    log.lines.clear();
    tvc::TextureData t;
    t.create(c.layers > 1 ? tvc::TextureData::kType2DArray : tvc::TextureData::kType2D, c.w, c.h, c.format,
             c.layers);
    EXPECT_FALSE(renderer->texture_load(gpu, &t, 0)) << c.what;
    EXPECT_TRUE(logged_error()) << c.what;
    EXPECT_EQ(t.renderer_data, nullptr) << c.what;
    EXPECT_EQ(live(), before) << c.what;
  }
}

TEST_F(FakeResourceTest, BadSpirvAndFailedPipelineBuildsLeaveNothing) {
  const int before = live();
  tvc::GpuProgramData program;
  program.set_name("broken");
  const uint32_t junk[8] = {0xDEADBEEF, 1, 2, 3, 4, 5, 6, 7};
  EXPECT_FALSE(renderer->gpu_program_create_shader_modules(gpu, &program, 0, junk, sizeof(junk), "main"));
  EXPECT_TRUE(log.has("GPU program broken - vertex shader creation failed - error: VK_ERROR_INVALID_SHADER_NV "
                      "(-1000012000)."));
  EXPECT_FALSE(renderer->gpu_program_create_shader_modules(gpu, &program, 0, junk, 6, "main")) << "not whole words";
  EXPECT_EQ(program.module_count, 0);

  const int set = renderer->descriptorset_create(gpu);
  ASSERT_TRUE(renderer->descriptorset_build(set));
  tvc::GpuPipelineStateData* state = renderer->pipeline_create(gpu);
  state->set_name("nothing");
  state->program = &program;
  log.lines.clear();
  EXPECT_FALSE(renderer->pipeline_build(state, set)) << "a program without modules";
  EXPECT_TRUE(logged_error());
  EXPECT_FALSE(renderer->pipeline_build(state, set + 1000));
  EXPECT_TRUE(log.has("pipeline object (nothing) - descriptorset is invalid. Pipeline build failed."));

  ASSERT_TRUE(renderer->gpu_program_create_shader_modules(gpu, &program, 0, k_quad_vert, sizeof(k_quad_vert), ""));
  fail_each_step(
      "pipeline build", [&] { return renderer->pipeline_build(state, set); },
      [&] {
        // Building again replaces the pipeline: rebuilding must not pile up.
        renderer->pipeline_kill(state);
        state = renderer->pipeline_create(gpu);
        state->program = &program;
      });
  ASSERT_TRUE(renderer->pipeline_build(state, set));
  const int built = live();
  ASSERT_TRUE(renderer->pipeline_build(state, set));
  EXPECT_EQ(live(), built) << "a second build releases the first pipeline and cache";
  EXPECT_TRUE(renderer->pipeline_kill(state));
  EXPECT_TRUE(renderer->gpu_program_kill(&program));
  EXPECT_TRUE(renderer->descriptorset_kill(set));
  EXPECT_EQ(live(), before);
  EXPECT_EQ(FakeLoader::get().state().descriptor_sets_live, 0) << "a killed set goes back to the pool";
}

TEST_F(FakeResourceTest, BuffersMeshesSamplersAndTargetsFailWithoutLeaks) {
  tvc::GpuBuffer buffer;
  fail_each_step(
      "GPU buffer", [&] { return renderer->gpu_buffer_create(gpu, &buffer, tvc::GpuBuffer::kStorage, 0, 64, 0); },
      [&] { renderer->gpu_buffer_kill(&buffer); });
  tvc::GeometryCore mesh;
  const float vertices[3 * 16] = {0};
  const uint32_t indices[3] = {0, 1, 2};
  mesh.set_vertices(vertices, 3);
  mesh.set_indices32(indices, 1);
  fail_each_step(
      "mesh", [&] { return renderer->mesh_create_buffers(gpu, &mesh) && renderer->mesh_update_vertex_buffer(&mesh); },
      [&] {
        renderer->mesh_kill_buffers(&mesh);
        mesh.update_interleaved_vertex_array_set_state(true);
        mesh.ib_update_faces_list_set_state(true);
      },
      true);
  fail_each_step(
      "sampler", [&] { return renderer->sampler_create(gpu, 1, 1, 1.0f, 0) != nullptr; },
      [&] { renderer->sampler_killall(gpu); });
  tvc::GpuRenderTarget* target = renderer->gpu_render_target_alloc();
  fail_each_step(
      "render target",
      [&] { return renderer->gpu_render_target_initialize_2d(gpu, target, 8, 8, 3, 2, 0, 0, 0, 0, 0); },
      [&] { renderer->gpu_render_target_finalize(gpu, target); });
  EXPECT_EQ(target->renderer_data, nullptr);
  expect_nothing_left();
}

TEST_F(FakeResourceTest, BufferTransfersStayInsideTheAllocation) {
  tvc::GpuBuffer buffer;
  ASSERT_TRUE(renderer->gpu_buffer_create(gpu, &buffer, tvc::GpuBuffer::kUniform, 7, 256, 0));
  EXPECT_EQ(buffer.value, 7);
  unsigned char bytes[300];
  for (int i = 0; i < 300; ++i) bytes[i] = static_cast<unsigned char>(i);
  const struct {
    unsigned offset, size;
    bool ok;
  } cases[] = {{0, 255, true}, {0, 256, false}, {10, 245, true}, {10, 246, false}, {0xFFFFFFF0u, 0x20, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(renderer->gpu_buffer_write(&buffer, c.offset, c.size, bytes), c.ok) << c.offset << "+" << c.size;
    EXPECT_EQ(renderer->gpu_buffer_read(&buffer, c.offset, c.size, bytes), c.ok) << c.offset << "+" << c.size;
  }
  unsigned char back[16] = {0};
  ASSERT_TRUE(renderer->gpu_buffer_write(&buffer, 100, 16, bytes + 50));
  ASSERT_TRUE(renderer->gpu_buffer_read(&buffer, 100, 16, back));
  EXPECT_EQ(memcmp(back, bytes + 50, 16), 0);
  unsigned char* mapped = static_cast<unsigned char*>(renderer->gpu_buffer_map_range(&buffer, 100, 0xFFFFFFFFu, 0));
  ASSERT_NE(mapped, nullptr) << "the size is clamped to the rest of the allocation";
  EXPECT_EQ(memcmp(mapped, bytes + 50, 16), 0);
  EXPECT_EQ(renderer->gpu_buffer_map(&buffer, 0), nullptr) << "mapped twice";
  renderer->gpu_buffer_unmap(&buffer);
  EXPECT_EQ(buffer.mapped, nullptr);
  tvc::GpuBuffer wrong;
  EXPECT_FALSE(renderer->gpu_buffer_create(gpu, &wrong, 5, 0, 16, 0));
  EXPECT_TRUE(renderer->gpu_buffer_kill(&buffer));
  EXPECT_FALSE(renderer->gpu_buffer_kill(&buffer));
  expect_nothing_left();
}

// Records between frame_begin and frame_end of the fake's frame.
class FakeDrawTest : public FakeResourceTest {
 protected:
  bool begin() { return renderer->frame_acquire(gpu, window) && renderer->frame_begin(gpu, true, true); }
  bool end() { return renderer->frame_end(gpu, true, true) && renderer->frame_submit(gpu, 0); }
  int draws() const { return FakeLoader::get().state().draws; }
};

TEST_F(FakeDrawTest, RangesPastTheMeshRecordNoDraw) {
  tvc::GeometryCore indexed, plain;
  const float vertices[4 * 16] = {0};
  const uint32_t indices[6] = {0, 1, 2, 2, 1, 3};
  indexed.set_vertices(vertices, 4);
  indexed.set_indices32(indices, 2);
  plain.set_vertices(vertices, 4);
  ASSERT_TRUE(renderer->mesh_create_buffers(gpu, &indexed));
  ASSERT_TRUE(renderer->mesh_update_vertex_buffer(&indexed));
  EXPECT_FALSE(renderer->mesh_create_buffers(gpu, &plain)) << "no indices";
  ASSERT_TRUE(renderer->mesh_update_vertex_buffer(&plain));
  const struct {
    tvc::GeometryCore* mesh;
    int vertex_offset;
    unsigned first_face, faces;
    bool draws;
  } cases[] = {
      {&indexed, 0, 0, 0, true},  {&indexed, 0, 1, 1, true},   {&indexed, 0, 1, 2, false},
      {&indexed, 0, 2, 0, false}, {&indexed, 4, 0, 1, false},  {&indexed, -1, 0, 1, false},
      {&indexed, 0, 0x55555556u, 1, false}, {&plain, 0, 0, 0, true}, {&plain, 1, 0, 1, true},
      {&plain, 2, 0, 1, false},
  };
  ASSERT_TRUE(begin());
  for (const auto& c : cases) {
    log.lines.clear();
    const int before = draws();
    tvc::MeshRenderRange range{c.mesh, c.vertex_offset, c.first_face, c.faces};
    EXPECT_TRUE(renderer->mesh_bind_vertex_buffer(c.mesh));
    renderer->mesh_render_range(&range);
    EXPECT_EQ(draws() - before, c.draws ? 1 : 0) << c.vertex_offset << "/" << c.first_face << "/" << c.faces;
    EXPECT_EQ(logged_error(), !c.draws);
  }
  ASSERT_TRUE(end());
  const int before = draws();
  renderer->mesh_render(&indexed);
  EXPECT_EQ(draws(), before) << "nothing is recorded outside a frame";
  expect_nothing_left();  // the meshes go before the device does
}

TEST_F(FakeResourceTest, HostIndicesAreCheckedAgainstTheirCounts) {
  tvc::TextureData texture;
  checker(&texture, 2, 2);
  ASSERT_TRUE(renderer->texture_load(gpu, &texture, 0));
  tvc::GpuBuffer buffer;
  ASSERT_TRUE(renderer->gpu_buffer_create(gpu, &buffer, tvc::GpuBuffer::kUniform, 0, 64, 0));
  const int set = renderer->descriptorset_create(gpu);
  const int array = renderer->descriptorset_add_texture_array(set, 2, 0, 0x10);
  const int ubo = renderer->descriptorset_add_gpu_buffer(set, &buffer, 1, 0x10);
  ASSERT_EQ(array, 0);
  ASSERT_EQ(ubo, 1);
  EXPECT_TRUE(renderer->descriptorset_set_texture_array_element(set, array, 1, &texture, nullptr));
  EXPECT_FALSE(renderer->descriptorset_set_texture_array_element(set, array, 2, &texture, nullptr));
  EXPECT_FALSE(renderer->descriptorset_set_texture_array_element(set, 2, 0, &texture, nullptr));
  EXPECT_FALSE(renderer->descriptorset_set_texture_array_element(set, -1, 0, &texture, nullptr));
  EXPECT_FALSE(renderer->descriptorset_update_gpu_buffer(set, 5, &buffer, 1, 0x10));
  EXPECT_FALSE(renderer->descriptorset_update_gpu_buffer(set, array, &buffer, 1, 0x10)) << "a texture binding";
  EXPECT_TRUE(renderer->descriptorset_update_gpu_buffer(set, ubo, &buffer, 1, 0x10));
  EXPECT_FALSE(renderer->descriptorset_update_texture(set, ubo, &texture, nullptr, 0, 0)) << "a buffer binding";
  EXPECT_TRUE(logged_error());

  tvc::GpuRenderTarget* target = renderer->gpu_render_target_alloc();
  ASSERT_TRUE(renderer->gpu_render_target_initialize_2d(gpu, target, 8, 8, 3, 12, 0, 0, 0, 0, 0));
  EXPECT_EQ(renderer->descriptorset_add_render_target(set, target, 8, nullptr, 2, 0x10), -1) << "12 gives 8";
  EXPECT_EQ(renderer->descriptorset_add_render_target(set, target, 7, nullptr, 2, 0x10), 2);
  const unsigned frames = renderer->swapchain_get_image_count(gpu);
  EXPECT_FALSE(renderer->gpu_render_target_bind_frame(target, frames)) << "one block per frame";
  tvc::TextureData view;
  EXPECT_FALSE(renderer->gpu_render_target_get_color_texture(gpu, &view, target, -1));
  EXPECT_TRUE(renderer->gpu_render_target_get_color_texture(gpu, &view, target, 3));
  EXPECT_TRUE(renderer->texture_unload(&view)) << "borrowed: nothing is destroyed";
  EXPECT_TRUE(renderer->descriptorset_build(set));
  EXPECT_TRUE(renderer->descriptorset_update(set));
  expect_nothing_left();
}

TEST_F(FakeResourceTest, ObjectsOutlivingTheirDeviceAnswerFalse) {
  tvc::GpuBuffer buffer;
  tvc::GeometryCore mesh;
  const float vertices[3 * 16] = {0};
  mesh.set_vertices(vertices, 3);
  tvc::TextureData texture;
  checker(&texture, 2, 2);
  tvc::GpuProgramData program;
  ASSERT_TRUE(renderer->gpu_buffer_create(gpu, &buffer, tvc::GpuBuffer::kStorage, 0, 64, 0));
  ASSERT_TRUE(renderer->mesh_create_vertex_buffer(gpu, &mesh));
  ASSERT_TRUE(renderer->texture_load(gpu, &texture, 0));
  ASSERT_TRUE(renderer->gpu_program_create_shader_modules(gpu, &program, 0, k_quad_vert, sizeof(k_quad_vert), "main"));
  tvc::GpuRenderTarget* target = renderer->gpu_render_target_alloc();
  ASSERT_TRUE(renderer->gpu_render_target_initialize_2d(gpu, target, 8, 8, 3, 1, 0, 0, 0, 0, 0));
  ASSERT_NE(renderer->sampler_create(gpu, 2, 2, 1.0f, 0), nullptr);
  const int set = renderer->descriptorset_create(gpu);
  ASSERT_TRUE(renderer->descriptorset_build(set));

  ASSERT_TRUE(renderer->gpu_cleanup(gpu, window));
  EXPECT_EQ(FakeLoader::get().state().live_objects, 0) << "the clean-up releases every object of the device";
  EXPECT_EQ(program.module_count, 0);
  EXPECT_EQ(program.modules[0].module, 0u);
  EXPECT_FALSE(renderer->gpu_buffer_kill(&buffer));
  EXPECT_FALSE(renderer->mesh_kill_buffers(&mesh));
  EXPECT_FALSE(renderer->mesh_update_vertex_buffer(&mesh));
  EXPECT_FALSE(renderer->texture_unload(&texture));
  EXPECT_FALSE(renderer->texture_2d_update(&texture, 0, 0, 0, 0, 0));
  EXPECT_FALSE(renderer->gpu_program_kill(&program));
  EXPECT_FALSE(renderer->descriptorset_kill(set));
  EXPECT_TRUE(renderer->gpu_render_target_finalize(gpu, target)) << "nothing left to release";
  expect_nothing_left();
}

TEST_F(FakeResourceTest, RenderTargetReadBackFollowsTheRowPitch) {
  FakeVkConfig config = window_config();
  config.row_pitch_padding = 12;
  config.layout_offset = 32;
  renderer->terminate();
  ASSERT_TRUE(start(config));
  tvc::GpuRenderTarget* target = renderer->gpu_render_target_alloc();
  ASSERT_TRUE(renderer->gpu_render_target_initialize_2d(gpu, target, 5, 3, tvc::PF_RGBA_U8, 1, 0, 0, 0, 0, 0));
  std::vector<unsigned char> rgba(5 * 3 * 4), rgb(5 * 3 * 3);
  ASSERT_TRUE(renderer->gpu_render_target_read_color_buffer_2(target, rgba.data()));
  ASSERT_TRUE(renderer->gpu_render_target_read_color_buffer(target, rgb.data()));
  const unsigned char* packed = static_cast<unsigned char*>(renderer->gpu_render_target_get_color_buffer_ptr(target));
  ASSERT_NE(packed, nullptr);
  for (uint32_t y = 0; y < 3; ++y)
    for (uint32_t x = 0; x < 5; ++x) {
      unsigned char want[4];
      fake_vk_pixel(x, y, want);
      const size_t i = y * 5 + x;
      EXPECT_EQ(memcmp(&rgba[i * 4], want, 4), 0) << x << "," << y;
      EXPECT_EQ(memcmp(&rgb[i * 3], want, 3), 0) << x << "," << y;
      EXPECT_EQ(memcmp(packed + i * 4, want, 4), 0) << x << "," << y;
    }
  target->value = 1;
  EXPECT_FALSE(renderer->gpu_render_target_read_color_buffer_2(target, rgba.data())) << "never read back";
  EXPECT_EQ(renderer->gpu_render_target_get_color_buffer_ptr(target), nullptr);
  expect_nothing_left();
}

}  // namespace
