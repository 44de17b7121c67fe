// Ray tracing of the Vulkan2 plug-in against the stand-in loader, which
// offers the ray-tracing extensions and checks every acceleration-structure,
// pipeline, binding-table and trace call's arguments against what it keeps;
// and the binding-table layout rule itself.
#include "vk_raytracing.h"

#include <cstring>
#include <functional>
#include <string>

#include "gui_draw_data.h"
#include "window_fixtures.h"

namespace {

TEST(ShaderBindingTable, RegionsFollowTheHandleAndBaseAlignments) {
  const struct {
    uint32_t handle, handle_alignment, base, raygen, miss, hit, any, intersection;
    uint32_t aligned;
    VkDeviceSize raygen_size, miss_size, hit_size;
  } cases[] = {
      {32, 32, 64, 1, 2, 1, 0, 0, 32, 64, 64, 64},
      {32, 0, 64, 1, 1, 1, 0, 0, 32, 64, 64, 64},  // an alignment of 0 stands for 32
      {20, 16, 64, 1, 3, 0, 0, 0, 32, 64, 128, 0},
      {32, 32, 64, 1, 1, 1, 1, 1, 32, 64, 64, 128},  // any-hit and intersection groups are hit records
  };
  for (const auto& c : cases) {
    const SbtLayout l =
        sbt_layout(c.handle, c.handle_alignment, c.base, c.raygen, c.miss, c.hit, c.any, c.intersection);
    EXPECT_EQ(l.aligned_handle, c.aligned) << c.handle << "/" << c.handle_alignment;
    EXPECT_EQ(l.raygen_size, c.raygen_size);
    EXPECT_EQ(l.miss_size, c.miss_size);
    EXPECT_EQ(l.hit_size, c.hit_size);
  }
}

FakeVkConfig raytracing_config() {
  FakeVkConfig c = window_config();
  c.instance_extensions[2] = "VK_KHR_get_physical_device_properties2";
  c.optimal_surface_features = VK_FORMAT_FEATURE_STORAGE_IMAGE_BIT | VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BIT |
                               VK_FORMAT_FEATURE_SAMPLED_IMAGE_BIT | VK_FORMAT_FEATURE_TRANSFER_SRC_BIT |
                               VK_FORMAT_FEATURE_TRANSFER_DST_BIT;
  c.raytracing = true;
  c.rt_handle_size = 32;
  c.rt_handle_alignment = 32;
  c.rt_base_alignment = 64;
  c.rt_max_recursion = 1;
  c.rt_scratch_alignment = 256;
  return c;
}

// A triangle pair as the host gives it: interleaved vertices, 16-bit indices.
void quad(tvc::GeometryCore* g, float z) {
  float v[4 * 16] = {};
  const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (int i = 0; i < 4; ++i) {
    v[i * 16 + 0] = corners[i][0];
    v[i * 16 + 1] = corners[i][1];
    v[i * 16 + 2] = z;
    v[i * 16 + 3] = 1.0f;
  }
  const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
  g->set_vertices(v, 4);
  g->set_indices16(indices, 2);
}

// Stand-in modules of each kind (the loader looks only at the magic number).
const uint32_t kModule[8] = {0x07230203u, 0x00010000u, 0, 1, 0, 0, 0, 0};

// The host's objects outlive the renderer's terminate in TearDown.
class RayTracingTest : public FakeWindowTest {
 protected:
  // Starts on the ray-tracing device; context 0 gets the two meshes.
  void start_with_meshes() {
    ASSERT_TRUE(start(raytracing_config()));
    ASSERT_EQ(renderer->vk_raytracing_create(gpu), 0);
    for (int i = 0; i < 2; ++i) {
      quad(&meshes[i], static_cast<float>(i));
      ASSERT_TRUE(renderer->mesh_create_buffers(gpu, &meshes[i]));
      ASSERT_EQ(renderer->vk_raytracing_add_mesh(0, &meshes[i]), i);
    }
  }
  tvc::GeometryCore meshes[2];
  tvc::GpuProgramData program;
};

TEST_F(RayTracingTest, BuildsStructuresPipelineAndTableAndTracesIntoARenderTarget) {
  ASSERT_NO_FATAL_FAILURE(start_with_meshes());
  const FakeVkState& s = FakeLoader::get().state();
  VulkanPLugin* plugin = static_cast<VulkanPLugin*>(renderer);
  const int ctx = 0;
  ASSERT_TRUE(renderer->vk_raytracing_build_blas(ctx));
  EXPECT_EQ(s.structures_live, 2);
  ASSERT_TRUE(renderer->vk_raytracing_build_blas(ctx)) << "a rebuild replaces the list";
  EXPECT_EQ(s.structures_live, 2);

  const tvc::mat4 identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  const tvc::mat4 moved = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 4, 5, 1}};
  EXPECT_EQ(renderer->vk_raytracing_add_instance(ctx, &identity, -1, 0, 0xFF), -1);
  EXPECT_EQ(renderer->vk_raytracing_add_instance(ctx, &identity, 2, 0, 0xFF), -1) << "no third BLAS";
  ASSERT_EQ(renderer->vk_raytracing_add_instance(ctx, &identity, 0, 0, 0xFF), 0);
  ASSERT_TRUE(renderer->vk_raytracing_build_tlas(ctx, false));
  EXPECT_EQ(s.structures_live, 3);
  ASSERT_EQ(renderer->vk_raytracing_add_instance(ctx, &moved, 1, 0, 0x0F), 1);
  EXPECT_FALSE(renderer->vk_raytracing_update_instance_buffer(ctx)) << "the buffer holds one instance";
  ASSERT_TRUE(renderer->vk_raytracing_build_tlas(ctx, false)) << "grows the instance buffer";
  EXPECT_EQ(s.structures_live, 3) << "the first TLAS went";
  const VkAccelerationStructureInstanceKHR& second = plugin->raytracing_contexts[0]->instances[1];
  EXPECT_EQ(second.transform.matrix[0][3], 3.0f);
  EXPECT_EQ(second.transform.matrix[2][3], 5.0f);
  EXPECT_EQ(second.instanceCustomIndex, 1u);
  EXPECT_EQ(second.mask, 0x0Fu);
  ASSERT_TRUE(renderer->vk_raytracing_update_instance(ctx, 0, &moved));
  ASSERT_TRUE(renderer->vk_raytracing_update_instance_buffer(ctx));
  ASSERT_TRUE(renderer->vk_raytracing_build_tlas(ctx, true));
  EXPECT_EQ(s.tlas_builds, 3);

  EXPECT_TRUE(renderer->vk_raytracing_set_ray_recursion_depth(ctx, 31));
  EXPECT_TRUE(log.has("ray_recursion_depth set to 1 (max: 1)"));

  ASSERT_TRUE(renderer->vk_raytracing_create_output_image(ctx, 64, 32, tvc::PF_RGBA_U8));
  const int set = renderer->descriptorset_create(gpu);
  ASSERT_GE(renderer->descriptorset_add_acceleration_structure(set, ctx, 0, VK_SHADER_STAGE_RAYGEN_BIT_KHR), 0);
  ASSERT_GE(renderer->descriptorset_add_raytracing_storage_image(set, ctx, 1, VK_SHADER_STAGE_RAYGEN_BIT_KHR), 0);
  ASSERT_TRUE(renderer->descriptorset_build(set));
  ASSERT_TRUE(renderer->descriptorset_update(set));

  // Modules out of the usual order: miss, closest hit, ray generation, miss.
  for (int kind : {11, 10, 8, 11})
    ASSERT_TRUE(renderer->gpu_program_create_shader_modules(gpu, &program, kind, kModule, sizeof(kModule), "main"));
  tvc::GpuPipelineStateData* state = renderer->pipeline_create(gpu);
  state->program = &program;
  EXPECT_FALSE(renderer->vk_raytracing_build_sbt(ctx, state)) << "no pipeline yet";
  ASSERT_TRUE(renderer->vk_raytracing_create_pipeline(ctx, state, set, 0));
  EXPECT_EQ(s.rt_group_count, 4u);
  ASSERT_TRUE(renderer->vk_raytracing_build_sbt(ctx, state));
  const VkRayTracingContext* c = plugin->raytracing_contexts[0];
  EXPECT_EQ(c->raygen_region.stride, 32u);
  EXPECT_EQ(c->raygen_region.size, 32u);
  EXPECT_EQ(c->miss_region.deviceAddress - c->raygen_region.deviceAddress, 64u);
  EXPECT_EQ(c->miss_region.size, 64u);
  EXPECT_EQ(c->hit_region.deviceAddress - c->raygen_region.deviceAddress, 128u);
  EXPECT_EQ(c->hit_region.size, 32u);

  tvc::GpuCommandList* list = renderer->command_list_get_by_index(gpu, 0);
  ASSERT_TRUE(renderer->command_list_open(list));
  ASSERT_TRUE(renderer->vk_raytracing_bind_pipeline(list, state));
  ASSERT_TRUE(renderer->descriptorset_bind_raytracing(list, set));
  ASSERT_TRUE(renderer->vk_raytracing_trace_rays(list, ctx, 64, 32, 0, 0));
  ASSERT_TRUE(renderer->command_list_close(list));
  ASSERT_TRUE(renderer->command_list_submit(list));
  EXPECT_EQ(s.traces, 1);
  EXPECT_EQ(s.trace_width, 64u);
  EXPECT_EQ(s.trace_height, 32u);
  ASSERT_TRUE(renderer->wait_for_gpu(gpu));

  tvc::GpuRenderTarget* target = renderer->gpu_render_target_create_2d(64, 32, tvc::PF_RGBA_U8, 1);
  ASSERT_NE(target, nullptr);
  const int copies = s.image_copies;
  ASSERT_TRUE(renderer->gpu_render_target_copy_from_raytracing_output(target, 0, ctx));
  EXPECT_EQ(s.image_copies, copies + 1);
  EXPECT_FALSE(renderer->gpu_render_target_copy_from_raytracing_output(target, 0, ctx + 1));

  // Kill releases the context's objects; it stays and builds again.
  ASSERT_TRUE(renderer->vk_raytracing_kill(ctx));
  EXPECT_EQ(s.structures_live, 0);
  EXPECT_FALSE(renderer->vk_raytracing_kill(ctx + 1));
  EXPECT_EQ(renderer->vk_raytracing_add_mesh(ctx, &meshes[0]), 0);
  ASSERT_TRUE(renderer->vk_raytracing_build_blas(ctx));
  EXPECT_EQ(s.violations, 0) << s.last_violation;
  expect_nothing_left();
  EXPECT_EQ(s.structures_live, 0);
}

// A context whose output image was never made has no view to bind: the
// binding is refused, and no descriptor is written without a view (the fake
// refuses one).
TEST_F(RayTracingTest, OutputImageBindingsNeedTheImage) {
  ASSERT_NO_FATAL_FAILURE(start_with_meshes());
  const FakeVkState& s = FakeLoader::get().state();
  const int set = renderer->descriptorset_create(gpu);
  EXPECT_EQ(renderer->descriptorset_add_raytracing_storage_image(set, 0, 1, VK_SHADER_STAGE_RAYGEN_BIT_KHR), -1);
  ASSERT_TRUE(renderer->vk_raytracing_create_output_image(0, 64, 32, tvc::PF_RGBA_U8));
  const int binding = renderer->descriptorset_add_raytracing_storage_image(set, 0, 1, VK_SHADER_STAGE_RAYGEN_BIT_KHR);
  ASSERT_EQ(binding, 0);
  ASSERT_EQ(renderer->vk_raytracing_create(gpu), 1);
  EXPECT_FALSE(renderer->descriptorset_update_raytracing_storage_image(set, binding, 1, 1, 0))
      << "context 1 has no output image";
  ASSERT_TRUE(renderer->descriptorset_build(set));
  ASSERT_TRUE(renderer->descriptorset_update(set));
  EXPECT_EQ(s.violations, 0) << s.last_violation;
  expect_nothing_left();
}

// A storage-image binding on a render target's attachment: the add takes
// the attachment's layout, the update always GENERAL; a refused add leaves
// no line.
TEST_F(RayTracingTest, StorageImageBindingsOnAnAttachmentTakeTheirLayouts) {
  ASSERT_TRUE(start(raytracing_config()));
  VulkanPLugin* plugin = static_cast<VulkanPLugin*>(renderer);
  tvc::GpuRenderTarget* target = renderer->gpu_render_target_create_2d(16, 16, tvc::PF_RGBA_U8, 1);
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(renderer->gpu_render_target_set_attachment_layout(target, 0, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL));
  const int set = renderer->descriptorset_create(gpu);
  const unsigned stages = VK_SHADER_STAGE_FRAGMENT_BIT;
  ASSERT_EQ(renderer->descriptorset_add_storage_image(set, -1, nullptr, target, 0, 0, stages), 0);
  const VkDescriptorImageInfo& info = plugin->descriptorset_lookup(set)->bindings[0]->image_info;
  EXPECT_EQ(info.imageLayout, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
  ASSERT_TRUE(renderer->descriptorset_update_storage_image(set, 0, -1, nullptr, target, 0, 0, stages));
  EXPECT_EQ(info.imageLayout, VK_IMAGE_LAYOUT_GENERAL);
  log.lines.clear();
  EXPECT_EQ(renderer->descriptorset_add_storage_image(set, -1, nullptr, target, 1, 1, stages), -1) << "no attachment 1";
  EXPECT_TRUE(log.lines.empty()) << log.lines.front().second;
  EXPECT_TRUE(renderer->gpu_render_target_kill(target));
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
  expect_nothing_left();
}

const tvc::mat4 kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

// Two meshes with a BLAS each, instances of both and a TLAS over them, the
// output image, a set naming both, a ray-tracing pipeline with its table.
class RayTracingSceneTest : public RayTracingTest {
 protected:
  void SetUp() override {
    RayTracingTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(start_with_meshes());
    ctx = 0;
    ASSERT_TRUE(renderer->vk_raytracing_build_blas(ctx));
    for (int i = 0; i < 2; ++i) ASSERT_EQ(renderer->vk_raytracing_add_instance(ctx, &kIdentity, i, 0, 0xFF), i);
    ASSERT_TRUE(renderer->vk_raytracing_build_tlas(ctx, false));
    ASSERT_TRUE(renderer->vk_raytracing_create_output_image(ctx, 64, 32, tvc::PF_RGBA_U8));
    set = renderer->descriptorset_create(gpu);
    ASSERT_GE(renderer->descriptorset_add_acceleration_structure(set, ctx, 0, VK_SHADER_STAGE_RAYGEN_BIT_KHR), 0);
    ASSERT_GE(renderer->descriptorset_add_raytracing_storage_image(set, ctx, 1, VK_SHADER_STAGE_RAYGEN_BIT_KHR), 0);
    ASSERT_TRUE(renderer->descriptorset_build(set));
    ASSERT_TRUE(renderer->descriptorset_update(set));
    for (int kind : {8, 11, 10})
      ASSERT_TRUE(renderer->gpu_program_create_shader_modules(gpu, &program, kind, kModule, sizeof(kModule), "main"));
    state = renderer->pipeline_create(gpu);
    state->set_name("rays");
    state->program = &program;
    ASSERT_TRUE(renderer->vk_raytracing_create_pipeline(ctx, state, set, 0));
    ASSERT_TRUE(renderer->vk_raytracing_build_sbt(ctx, state));
  }
  const VkRayTracingContext* context() const { return static_cast<VulkanPLugin*>(renderer)->raytracing_contexts[0]; }
  // Binds and traces into the command buffer that is recording.
  bool trace() {
    return renderer->vk_raytracing_bind_pipeline(nullptr, state) &&
           renderer->descriptorset_bind_raytracing(nullptr, set) &&
           renderer->vk_raytracing_trace_rays(nullptr, ctx, 64, 32, 0, 0);
  }
  int ctx = -1;
  int set = -1;
  tvc::GpuPipelineStateData* state = nullptr;
};

// The instances of a rebuilt BLAS name the new structure: no TLAS is built
// over a destroyed one, and none is traced while it still names them.
TEST_F(RayTracingSceneTest, BlasRebuildRefreshesTheInstancesThatNameIt) {
  const FakeVkState& s = FakeLoader::get().state();
  const int builds = s.tlas_builds;
  ASSERT_TRUE(renderer->vk_raytracing_build_blas(ctx));
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(context()->instances[i].accelerationStructureReference, context()->blas[i].address) << "instance " << i;
  tvc::GpuCommandList* list = renderer->command_list_get_by_index(gpu, 0);
  ASSERT_TRUE(renderer->command_list_open(list));
  EXPECT_FALSE(renderer->vk_raytracing_trace_rays(list, ctx, 64, 32, 0, 0)) << "the TLAS names the old structures";
  EXPECT_NE(log.starting_with("vk_raytracing_trace_rays - the TLAS was built over BLASes since rebuilt"), "");
  ASSERT_TRUE(renderer->command_list_close(list));
  const VkAccelerationStructureKHR stale = context()->tlas;
  ASSERT_TRUE(renderer->vk_raytracing_build_tlas(ctx, true));
  EXPECT_NE(context()->tlas, stale) << "an update over new structures builds anew";
  EXPECT_EQ(s.tlas_builds, builds + 1);
  ASSERT_TRUE(renderer->command_list_open(list));
  EXPECT_TRUE(renderer->vk_raytracing_trace_rays(list, ctx, 64, 32, 0, 0));
  ASSERT_TRUE(renderer->command_list_close(list));

  // Killed, the context keeps its instances but no structure: one that
  // names a BLAS not built again is refused.
  ASSERT_TRUE(renderer->vk_raytracing_kill(ctx));
  ASSERT_EQ(renderer->vk_raytracing_add_mesh(ctx, &meshes[0]), 0);
  ASSERT_TRUE(renderer->vk_raytracing_build_blas(ctx));
  log.lines.clear();
  EXPECT_FALSE(renderer->vk_raytracing_build_tlas(ctx, false));
  EXPECT_TRUE(log.has("vk_raytracing_build_tlas - instance 1 names BLAS 1, which is not built."));
  EXPECT_EQ(s.tlas_builds, builds + 1);
  EXPECT_EQ(s.violations, 0) << s.last_violation;
  expect_nothing_left();
}

// An update keeps the primitive count of the build it updates (the fake
// refuses another): a TLAS over a changed instance count, or one whose last
// build failed, is built anew instead.
TEST_F(RayTracingSceneTest, AnUpdateOverAnotherInstanceCountOrAFailedBuildBuildsAnew) {
  const FakeVkState& s = FakeLoader::get().state();
  VkAccelerationStructureKHR tlas = context()->tlas;
  ASSERT_TRUE(renderer->vk_raytracing_build_tlas(ctx, true));
  EXPECT_EQ(context()->tlas, tlas) << "the same two instances: updated in place";

  ASSERT_EQ(renderer->vk_raytracing_add_instance(ctx, &kIdentity, 0, 0, 0xFF), 2);
  ASSERT_TRUE(renderer->vk_raytracing_build_tlas(ctx, true));
  EXPECT_NE(context()->tlas, tlas) << "a structure sized for two instances does not take three";
  tlas = context()->tlas;
  ASSERT_TRUE(renderer->vk_raytracing_build_tlas(ctx, true));
  EXPECT_EQ(context()->tlas, tlas);

  // The build's last resource call is its command buffer: that one fails,
  // after the new structure was made.
  const int before = s.resource_calls;
  ASSERT_TRUE(renderer->vk_raytracing_build_tlas(ctx, false));
  FakeLoader::get().fail_call(s.resource_calls - before);
  EXPECT_FALSE(renderer->vk_raytracing_build_tlas(ctx, false));
  FakeLoader::get().fail_call(0);
  tlas = context()->tlas;
  ASSERT_TRUE(renderer->vk_raytracing_build_tlas(ctx, true));
  EXPECT_NE(context()->tlas, tlas) << "a TLAS whose build failed is not updated";
  EXPECT_EQ(s.violations, 0) << s.last_violation;
  expect_nothing_left();
}

// The output image made again at another size while a trace into it still
// runs: the old one goes once the device is idle, and the set that binds the
// image is written again with the new view. While a list that bound it is
// recording, the image is not made again.
TEST_F(RayTracingSceneTest, AnOutputImageMadeAgainGoesOnceNoTraceUsesIt) {
  const FakeVkState& s = FakeLoader::get().state();
  tvc::GpuCommandList* list = renderer->command_list_get_by_index(gpu, 0);
  auto trace_list = [&] {
    return renderer->command_list_open(list) && renderer->vk_raytracing_bind_pipeline(list, state) &&
           renderer->descriptorset_bind_raytracing(list, set) &&
           renderer->vk_raytracing_trace_rays(list, ctx, 64, 32, 0, 0) && renderer->command_list_close(list) &&
           renderer->command_list_submit(list);
  };
  ASSERT_TRUE(trace_list());
  const VkImageView old_view = context()->output_image.view;
  ASSERT_TRUE(renderer->vk_raytracing_create_output_image(ctx, 128, 64, tvc::PF_RGBA_U8));
  EXPECT_EQ(s.violations, 0) << s.last_violation;
  const VkDescriptorSetRecord* record = static_cast<VulkanPLugin*>(renderer)->descriptorset_lookup(set);
  EXPECT_NE(context()->output_image.view, old_view);
  EXPECT_EQ(record->bindings[1]->image_info.imageView, context()->output_image.view);
  EXPECT_TRUE(record->dirty);
  ASSERT_TRUE(renderer->descriptorset_update(set));
  ASSERT_TRUE(trace_list()) << "the fake refuses a set that names a destroyed view";
  ASSERT_TRUE(renderer->wait_for_gpu(gpu));
  EXPECT_EQ(s.violations, 0) << s.last_violation;

  // While a list that bound the set records, the image stays as it is.
  const VkImageView view = context()->output_image.view;
  ASSERT_TRUE(renderer->command_list_open(list) && renderer->descriptorset_bind_raytracing(list, set));
  EXPECT_FALSE(renderer->vk_raytracing_create_output_image(ctx, 32, 16, tvc::PF_RGBA_U8));
  EXPECT_TRUE(log.has("vk_raytracing_create_output_image - a command buffer of the device is recording: the output "
                      "image stays."));
  EXPECT_EQ(context()->output_image.view, view);
  EXPECT_EQ(context()->output_image.width, 128);
  ASSERT_TRUE(renderer->vk_raytracing_bind_pipeline(list, state) &&
              renderer->vk_raytracing_trace_rays(list, ctx, 128, 64, 0, 0) && renderer->command_list_close(list) &&
              renderer->command_list_submit(list));
  EXPECT_EQ(s.violations, 0) << s.last_violation;
  ASSERT_TRUE(renderer->wait_for_gpu(gpu));
  expect_nothing_left();
}

// What a frame recorded and submitted may still be in use when the host
// replaces it: the old object goes only once the device is idle; while a
// command buffer that may have recorded it is still recording, the
// replacement is refused with a line and the old object stays.
class InUseTest : public RayTracingSceneTest {
 protected:
  void SetUp() override {
    RayTracingSceneTest::SetUp();
    graphics_set = renderer->descriptorset_create(gpu);
    ASSERT_TRUE(renderer->descriptorset_build(graphics_set));
    for (int kind : {0, 1})
      ASSERT_TRUE(
          renderer->gpu_program_create_shader_modules(gpu, &graphics_program, kind, kModule, sizeof(kModule), "main"));
    graphics = renderer->pipeline_create(gpu);
    graphics->set_name("quad");
    graphics->program = &graphics_program;
    ASSERT_TRUE(renderer->pipeline_build(graphics, graphics_set));
    ASSERT_TRUE(renderer->imgui_init(nullptr));
  }
  void TearDown() override {
    if (renderer) renderer->imgui_terminate();
    RayTracingSceneTest::TearDown();
  }
  // Opens the next frame; the use records into it.
  template <typename Use>
  bool begin_frame(bool pass, Use use) {
    return renderer->frame_acquire(gpu, window) && renderer->frame_begin(gpu, true, pass) && use();
  }
  bool end_frame(bool pass) {
    return renderer->frame_end(gpu, true, pass) && renderer->frame_submit(gpu, 0) &&
           renderer->frame_present(gpu, window);
  }
  tvc::GpuProgramData graphics_program;
  tvc::GpuPipelineStateData* graphics = nullptr;
  int graphics_set = -1;
  GuiDrawData gui{100, 100, {ImVec4(0, 0, 100, 100)}};
};

TEST_F(InUseTest, ReplacedObjectsGoOnlyOnceNoWorkUsesThem) {
  const FakeVkState& s = FakeLoader::get().state();
  const struct {
    const char* what;
    bool pass;  // recorded inside the swapchain pass
    std::function<bool()> use;
    std::function<bool()> replace;
    const char* refusal;  // null: refused without a line
  } cases[] = {
      {"graphics pipeline built again", true, [&] { return renderer->pipeline_bind(graphics); },
       [&] { return renderer->pipeline_build(graphics, graphics_set); },
       "pipeline object (quad) - a command buffer of the device is recording. Pipeline build failed."},
      {"ray-tracing pipeline made again", false, [&] { return trace(); },
       [&] { return renderer->vk_raytracing_create_pipeline(ctx, state, set, 0); },
       "raytracing pipeline (rays) - a command buffer of the device is recording. Pipeline build failed."},
      {"GUI font uploaded again", true,
       [&] {
         const int draws = s.draws;
         renderer->imgui_render(&gui.data);
         return s.draws > draws;
       },
       [&] {
         const int images = s.resource_calls;
         renderer->imgui_upload_fonts();
         return s.resource_calls > images;
       },
       nullptr},
      {"TLAS rebuilt", false, [&] { return trace(); }, [&] { return renderer->vk_raytracing_build_tlas(ctx, false); },
       "vk_raytracing_build_tlas - a command buffer of the device is recording: the structures in use stay."},
      {"BLAS rebuilt", false, [&] { return trace(); },
       [&] { return renderer->vk_raytracing_build_blas(ctx) && renderer->vk_raytracing_build_tlas(ctx, false); },
       "vk_raytracing_build_blas - a command buffer of the device is recording: the structures in use "
       "stay."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // Submitted and presented, not yet waited for.
    ASSERT_TRUE(begin_frame(c.pass, c.use));
    ASSERT_TRUE(end_frame(c.pass));
    EXPECT_TRUE(c.replace());
    EXPECT_EQ(s.violations, 0) << s.last_violation;
    // Recorded into the frame that is still recording.
    log.lines.clear();
    ASSERT_TRUE(begin_frame(c.pass, c.use));
    EXPECT_FALSE(c.replace());
    if (c.refusal) {
      EXPECT_TRUE(log.has(c.refusal));
    } else {
      for (const auto& line : log.lines) ADD_FAILURE() << "logged: " << line.second;
    }
    ASSERT_TRUE(end_frame(c.pass));
    EXPECT_EQ(s.violations, 0) << s.last_violation;
  }
}

// A device without the extensions: the context is refused with a line.
TEST_F(FakeWindowTest, RayTracingContextNeedsTheExtensions) {
  ASSERT_TRUE(start(window_config()));
  EXPECT_EQ(renderer->vk_raytracing_create(gpu), -1);
  EXPECT_NE(log.starting_with("vk_raytracing_create - Fake GPU offers no ray tracing"), "");
  expect_nothing_left();
}

}  // namespace
