// GPU buffers, meshes, textures, samplers, render targets, descriptor sets
// and pipelines of the Vulkan2 plug-in on the stand-in loader: failure paths
// (every step made to fail in turn), what is left behind, range and index
// checks, and objects outliving their device.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device_record.h"
#include "gui_draw_data.h"
#include "quad_vert.h"
#include "vk_resources.h"
#include "window_fixtures.h"

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
  // The step numbered survivable is one the operation does without: it
  // still answers true and logs no error.
  template <typename Op, typename Undo>
  void fail_each_step(const char* what, Op op, Undo undo, bool kept_for_retry = false, int survivable = 0) {
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
      if (n == survivable) {
        EXPECT_TRUE(op()) << what << ": step " << n << " is not needed";
        FakeLoader::get().fail_call(0);
        EXPECT_FALSE(logged_error()) << what << ": step " << n;
        undo();
        EXPECT_EQ(live(), before) << what << ": step " << n << " leaves objects once undone";
        continue;
      }
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
  // Step 1, the pipeline cache, is one the build does without.
  fail_each_step(
      "pipeline build", [&] { return renderer->pipeline_build(state, set); },
      [&] {
        // Building again replaces the pipeline: rebuilding must not pile up.
        renderer->pipeline_kill(state);
        state = renderer->pipeline_create(gpu);
        state->program = &program;
      },
      false, 1);
  // The failed cache's handle is undefined: the build goes on without one.
  FakeLoader::get().fail_call(1);
  EXPECT_TRUE(renderer->pipeline_build(state, set));
  FakeLoader::get().fail_call(0);
  const VkPipelineRecord* record = static_cast<VkPipelineRecord*>(state->renderer_data);
  EXPECT_EQ(record->cache, VK_NULL_HANDLE);
  EXPECT_NE(record->pipeline, VK_NULL_HANDLE);
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

// A mesh-buffer binding covers every attached mesh: one without the device
// buffer asked for is refused before anything is added, however often.
TEST_F(FakeResourceTest, MeshBufferBindingsRefuseAMeshWithoutItsBuffer) {
  const float vertices[3 * 16] = {0};
  const uint32_t indices[3] = {0, 1, 2};
  tvc::GeometryCore full, no_indices, no_buffers;
  for (tvc::GeometryCore* g : {&full, &no_indices, &no_buffers}) g->set_vertices(vertices, 3);
  full.set_indices32(indices, 1);
  ASSERT_TRUE(renderer->mesh_create_buffers(gpu, &full));
  EXPECT_FALSE(renderer->mesh_create_buffers(gpu, &no_indices)) << "no indices: vertex buffers only";
  VulkanPLugin* plugin = static_cast<VulkanPLugin*>(renderer);
  const struct {
    const char* what;
    tvc::GeometryCore* second;
    bool has_vertex_buffer;
  } cases[] = {{"a mesh without GPU buffers", &no_buffers, false}, {"a mesh without an index buffer", &no_indices, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int set = renderer->descriptorset_create(gpu);
    renderer->descriptorset_attach_mesh(set, &full);
    renderer->descriptorset_attach_mesh(set, c.second);
    for (int attempt = 0; attempt < 2; ++attempt)
      EXPECT_EQ(renderer->descriptorset_add_mesh_index_buffers(set, 0, VK_SHADER_STAGE_VERTEX_BIT), -1);
    const VkDescriptorSetRecord* record = plugin->descriptorset_lookup(set);
    EXPECT_TRUE(record->mesh_index_infos.empty());
    EXPECT_TRUE(record->bindings.empty());
    EXPECT_EQ(renderer->descriptorset_add_mesh_vertex_buffers(set, 1, VK_SHADER_STAGE_VERTEX_BIT) >= 0,
              c.has_vertex_buffer);
    EXPECT_EQ(record->mesh_vertex_infos.size(), c.has_vertex_buffer ? 2u : 0u);
    ASSERT_TRUE(renderer->descriptorset_build(set));
    EXPECT_TRUE(renderer->descriptorset_update(set));
    EXPECT_TRUE(renderer->descriptorset_kill(set));
  }
  for (tvc::GeometryCore* g : {&full, &no_indices}) EXPECT_TRUE(renderer->mesh_kill_buffers(g));
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
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

  tvc::GpuRenderTarget* target = renderer->gpu_render_target_alloc();
  ASSERT_TRUE(renderer->gpu_render_target_initialize_2d(gpu, target, 8, 8, 3, 12, 0, 0, 0, 0, 0));
  EXPECT_EQ(renderer->descriptorset_add_render_target(set, target, 8, nullptr, 2, 0x10), -1) << "12 gives 8";
  EXPECT_FALSE(logged_error()) << "the binding operations refuse without a line";
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

// Host counts that size a binding stop at the pool's 64 descriptors of the
// type: texture arrays, and the attached meshes' buffers.
TEST_F(FakeResourceTest, BindingCountsStopAtWhatThePoolHolds) {
  expect_texture_counts_bounded(renderer, gpu, log, 64, nullptr);
  tvc::GeometryCore mesh;
  one_triangle(&mesh);
  ASSERT_TRUE(renderer->mesh_create_buffers(gpu, &mesh));
  const int set = renderer->descriptorset_create(gpu);
  for (int i = 0; i < 65; ++i) renderer->descriptorset_attach_mesh(set, &mesh);
  log.lines.clear();
  EXPECT_EQ(renderer->descriptorset_add_mesh_vertex_buffers(set, 0, VK_SHADER_STAGE_VERTEX_BIT), -1);
  EXPECT_EQ(renderer->descriptorset_add_mesh_index_buffers(set, 0, VK_SHADER_STAGE_VERTEX_BIT), -1);
  EXPECT_TRUE(log.lines.empty());
  const int small = renderer->descriptorset_create(gpu);
  for (int i = 0; i < 64; ++i) renderer->descriptorset_attach_mesh(small, &mesh);
  EXPECT_EQ(renderer->descriptorset_add_mesh_vertex_buffers(small, 0, VK_SHADER_STAGE_VERTEX_BIT), 0);
  EXPECT_EQ(renderer->descriptorset_add_mesh_vertex_buffers(small, 1, VK_SHADER_STAGE_VERTEX_BIT), -1)
      << "a second call would bind the 64 buffers twice";
  ASSERT_TRUE(renderer->descriptorset_build(small));
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
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
  EXPECT_FALSE(renderer->gpu_render_target_bind(target));
  EXPECT_FALSE(renderer->gpu_render_target_finalize(gpu, target)) << "its objects went with the device";
  EXPECT_EQ(target->renderer_data, nullptr);
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

// Push constants go through their set's layout: an unknown or killed set
// records nothing, whether into a list or into the frame.
TEST_F(FakeDrawTest, PushConstantsOfAnUnknownOrKilledSetRecordNothing) {
  const int killed = renderer->descriptorset_create(gpu);
  ASSERT_TRUE(renderer->descriptorset_add_push_constant_range(killed, 16, 0, VK_SHADER_STAGE_VERTEX_BIT));
  ASSERT_TRUE(renderer->descriptorset_build(killed));
  ASSERT_TRUE(renderer->descriptorset_kill(killed));
  tvc::GpuCommandList* list = renderer->command_list_get_by_index(gpu, 0);
  ASSERT_TRUE(renderer->command_list_open(list));
  ASSERT_TRUE(begin());
  const float data[4] = {1, 2, 3, 4};
  const int pushes = FakeLoader::get().state().push_constants;
  for (int id : {killed, killed + 1000})
    for (tvc::GpuCommandList* into : {list, static_cast<tvc::GpuCommandList*>(nullptr)})
      EXPECT_FALSE(renderer->descriptorset_push_constants(into, id, data, sizeof(data), 0, VK_SHADER_STAGE_VERTEX_BIT))
          << "set " << id << (into ? " into a list" : " into the frame");
  EXPECT_EQ(FakeLoader::get().state().push_constants, pushes);
  ASSERT_TRUE(end());
  ASSERT_TRUE(renderer->command_list_close(list));
  expect_nothing_left();
}

// A font upload that fails at any step leaves the overlay without a font:
// it draws nothing, logs nothing, and never binds the view it destroyed;
// the next upload that succeeds brings it back.
TEST_F(FakeDrawTest, GuiWhoseFontUploadFailedDrawsNothing) {
  ASSERT_TRUE(renderer->imgui_init(nullptr));
  GuiDrawData gui(100, 100, {ImVec4(0, 0, 100, 100)});
  auto frame_draws = [&] {
    const int before = draws();
    EXPECT_TRUE(begin());
    renderer->imgui_render(&gui.data);
    EXPECT_TRUE(end());
    EXPECT_TRUE(renderer->frame_present(gpu, window));
    return draws() - before;
  };
  ASSERT_EQ(frame_draws(), 1);
  const int first = calls();
  renderer->imgui_upload_fonts();
  const int steps = calls() - first;
  ASSERT_GT(steps, 0);
  for (int n = 1; n <= steps; ++n) {
    SCOPED_TRACE("step " + std::to_string(n));
    log.lines.clear();
    FakeLoader::get().fail_call(n);
    renderer->imgui_upload_fonts();
    FakeLoader::get().fail_call(0);
    EXPECT_EQ(frame_draws(), 0);
    EXPECT_EQ(frame_draws(), 0);
    EXPECT_TRUE(log.lines.empty()) << log.lines.front().second;
    renderer->imgui_upload_fonts();
    EXPECT_EQ(frame_draws(), 1);
  }
  EXPECT_TRUE(renderer->imgui_terminate());
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
  expect_nothing_left();
}

// A list whose buffer and fence were released never runs again: the text
// buffer it drew from, once outgrown, goes at the next idle wait, and the
// released fence is never asked about.
TEST_F(FakeResourceTest, AReleasedListsFenceIsNotAskedAboutForTheBufferItDrewFrom) {
  const FakeVkState& s = FakeLoader::get().state();
  tvc::GpuCommandList* once = renderer->command_list_get_default(gpu, 0);
  tvc::GpuCommandList* next = renderer->command_list_get_default(gpu, 0);
  ASSERT_TRUE(renderer->text_init(once, "testdata\\quorvel_test.ttf", 16.0f));
  renderer->text_draw_2d(0, 0, 1.0f, 1.0f, 1.0f, 1.0f, "x");
  ASSERT_TRUE(renderer->command_buffer_begin(once));
  ASSERT_TRUE(renderer->text_render(once, 100, 100));
  ASSERT_TRUE(renderer->command_buffer_end(once));
  ASSERT_TRUE(renderer->command_buffer_submit(once)) << "on the list's own fence";
  ASSERT_TRUE(renderer->command_list_release(once));
  renderer->text_reset();
  const std::string longer(200, 'x');
  renderer->text_draw_2d(0, 0, 1.0f, 1.0f, 1.0f, 1.0f, longer.c_str());
  ASSERT_TRUE(renderer->command_list_open(next));
  ASSERT_TRUE(renderer->text_render(next, 100, 100)) << "outgrows the buffer";
  ASSERT_TRUE(renderer->command_list_close(next));
  EXPECT_EQ(s.violations, 0) << s.last_violation;
  EXPECT_EQ(device_record(gpu)->retired_buffers.size(), 1u);
  ASSERT_TRUE(renderer->wait_for_gpu(gpu));
  EXPECT_TRUE(device_record(gpu)->retired_buffers.empty()) << "gone at the idle wait";
  EXPECT_TRUE(renderer->command_list_kill(once));
  EXPECT_TRUE(renderer->text_terminate());
  EXPECT_EQ(s.violations, 0) << s.last_violation;
  expect_nothing_left();
}

}  // namespace
