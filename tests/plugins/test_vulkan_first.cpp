// The first-generation Vulkan plug-in driven as the framework drives a
// "Vulkan" scene: its identity and fixed answers, its Vulkan 1.0 instance,
// and frames drawn through command lists (the list drawn into image i
// carries fence index i), on the stand-in loader and on lavapipe.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "device_record.h"
#include "fixed_answers.h"
#include "frame_pixels.h"
#include "gui_draw_data.h"
#include "imgui.h"
#include "spv_solid_green_frag.h"
#include "spv_triangle_vert.h"
#include "vk_device.h"
#include "vk_resources.h"
#include "window_fixtures.h"

namespace {

// ---- identity and slot table

TEST_F(RendererTest, IdentityIsTheDeprecatedVulkanRenderer) {
  EXPECT_STREQ(renderer->get_name(), "Vulkan");
  EXPECT_STREQ(renderer->get_api_name(), "Vulkan");
  EXPECT_STREQ(renderer->get_description(),
               "Vulkan renderer (Windows, Linux). This Vulkan plugin is deprecated. Please use the Vulkan2 plugin "
               "(demos must be recoded).");
}

// What a slot answers: a value, or nothing (void).
struct Answer {
  bool is_void = false;
  long long value = 0;
};
Answer of(bool v) { return Answer{false, v ? 1 : 0}; }
Answer of(int v) { return Answer{false, v}; }
Answer of(unsigned v) { return Answer{false, static_cast<long long>(v)}; }
Answer nothing() { return Answer{true, 0}; }

struct DifferingSlot {
  int slot;
  Answer want;
  Answer (*call)(tvc::Renderer*);
};

// The slots whose answers differ from the Vulkan2 plug-in's, written from
// the first generation's list (fixed answers and the library's defaults).
const DifferingSlot kDifferingSlots[] = {
    {62, of(false), [](tvc::Renderer* r) { unsigned v = 0; return of(r->gpu_get_pci_bus_info(nullptr, "pciBus", &v)); }},
    {63, of(false), [](tvc::Renderer* r) { unsigned v = 0; char t[256] = {0};
                                           return of(r->gpu_get_driver_property(nullptr, "driverID", &v, t)); }},
    {64, of(false), [](tvc::Renderer* r) { unsigned v = 0;
                                           return of(r->gpu_get_shader_core_property(nullptr, "shaderEngineCount", &v)); }},
    {78, of(false), [](tvc::Renderer* r) { unsigned v = 0;
                                           return of(r->gpu_get_raytracing_pipeline_property(nullptr, "x", &v)); }},
    {79, of(false), [](tvc::Renderer* r) { uint64_t v = 0;
                                           return of(r->gpu_get_acceleration_structure_property(nullptr, "x", &v)); }},
    {80, of(false), [](tvc::Renderer* r) { unsigned v = 0;
                                           return of(r->gpu_get_acceleration_structure_descriptor_limit(nullptr, "x", &v)); }},
    {83, of(0), [](tvc::Renderer* r) { return of(r->vk_raytracing_add_mesh(1, nullptr)); }},
    {84, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_build_blas(1)); }},
    {85, of(0), [](tvc::Renderer* r) { return of(r->vk_raytracing_add_instance(1, nullptr, 1, 0, 0xFF)); }},
    {86, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_update_instance(1, 1, nullptr)); }},
    {87, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_build_tlas(1, false)); }},
    {88, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_update_instance_buffer(1)); }},
    {89, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_kill(1)); }},
    {90, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_set_ray_recursion_depth(1, 2)); }},
    {91, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_create_pipeline(1, nullptr, 1, 0)); }},
    {92, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_bind_pipeline(nullptr, nullptr)); }},
    {93, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_create_output_image(1, 64, 64, 100)); }},
    {94, of(false), [](tvc::Renderer* r) { return of(r->gpu_render_target_copy_from_raytracing_output(nullptr, 0, 1)); }},
    {95, of(false), [](tvc::Renderer* r) { return of(r->gpu_render_target_copy_from_storage_image(nullptr, 0, 1)); }},
    {96, of(0), [](tvc::Renderer* r) { return of(r->descriptorset_add_storage_image(1, 1, nullptr, nullptr, 0, 0, 1)); }},
    {97, of(false), [](tvc::Renderer* r) {
       return of(r->descriptorset_update_storage_image(1, 0, 1, nullptr, nullptr, 0, 0, 1)); }},
    {98, of(0), [](tvc::Renderer* r) { return of(r->descriptorset_add_acceleration_structure(1, 1, 0, 1)); }},
    {99, of(0), [](tvc::Renderer* r) { return of(r->descriptorset_add_raytracing_storage_image(1, 1, 0, 1)); }},
    {100, of(false), [](tvc::Renderer* r) { return of(r->descriptorset_update_raytracing_storage_image(1, 0, 1, 0, 1)); }},
    {101, of(0), [](tvc::Renderer* r) { return of(r->vk_create_storage_image(nullptr, 64, 64, 100)); }},
    {102, nothing(), [](tvc::Renderer* r) { r->vk_kill_storage_image(nullptr, 1); return nothing(); }},
    {103, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_build_sbt(1, nullptr)); }},
    {104, of(false), [](tvc::Renderer* r) { return of(r->vk_raytracing_trace_rays(nullptr, 1, 64, 64, 0, 0)); }},
    {105, of(0), [](tvc::Renderer* r) { return of(r->vk_raytracing_create(nullptr)); }},
    {106, of(false), [](tvc::Renderer* r) { return of(r->command_buffer_begin(nullptr)); }},
    {107, of(false), [](tvc::Renderer* r) { return of(r->command_buffer_end(nullptr)); }},
    {108, of(false), [](tvc::Renderer* r) { return of(r->command_buffer_submit(nullptr)); }},
    {109, of(false), [](tvc::Renderer* r) { return of(r->texture_2d_copy_from_storage_image(nullptr, nullptr, 1)); }},
    {111, nothing(), [](tvc::Renderer* r) { r->gpu_set_initialize_all_flag(); return nothing(); }},
    {112, of(false), [](tvc::Renderer* r) { return of(r->gpu_initialize_all()); }},
    {113, of(false), [](tvc::Renderer* r) { return of(r->gpu_cleanup_all()); }},
    {125, of(false), [](tvc::Renderer* r) { return of(r->gpu_render_target_copy(nullptr, nullptr, 0)); }},
    {126, of(false), [](tvc::Renderer* r) { return of(r->gpu_render_target_set_attachment_layout(nullptr, 0, 1)); }},
    {143, of(true), [](tvc::Renderer* r) { return of(r->frame_begin(nullptr, true, true)); }},
    {144, of(true), [](tvc::Renderer* r) { return of(r->frame_end(nullptr, true, true)); }},
    {145, of(0u), [](tvc::Renderer* r) { return of(r->frame_get_index(nullptr)); }},
    {146, nothing(), [](tvc::Renderer* r) { r->frame_set_index(nullptr, 1); return nothing(); }},
    {152, nothing(), [](tvc::Renderer* r) { r->descriptorset_attach_mesh(1, nullptr); return nothing(); }},
    {153, of(-1), [](tvc::Renderer* r) { return of(r->descriptorset_add_mesh_vertex_buffers(1, 0, 1)); }},
    {154, of(-1), [](tvc::Renderer* r) { return of(r->descriptorset_add_mesh_index_buffers(1, 0, 1)); }},
    {155, of(-1), [](tvc::Renderer* r) { return of(r->descriptorset_add_mesh_vertex_buffer(1, nullptr, 0, 1)); }},
    {156, of(-1), [](tvc::Renderer* r) { return of(r->descriptorset_add_mesh_index_buffer(1, nullptr, 0, 1)); }},
    {167, of(false), [](tvc::Renderer* r) { return of(r->descriptorset_bind_raytracing(nullptr, 1)); }},
    {199, of(true), [](tvc::Renderer* r) { return of(r->frame_submit(nullptr, 0)); }},
    {582, nothing(), [](tvc::Renderer* r) { r->gpu_buffer_flush(nullptr, 0, 16); return nothing(); }},
    {623, of(0), [](tvc::Renderer* r) { return of(r->reserved_623(1, 2, 3, 4)); }},
    {639, of(false), [](tvc::Renderer* r) { return of(r->mesh_bind_index_buffer(nullptr)); }},
    {640, of(true), [](tvc::Renderer* r) { return of(r->reserved_640(1)); }},
};

// Byte offset of a virtual function in the table (Itanium C++ ABI: a pointer
// to a virtual member holds 1 + that offset).
template <typename F>
ptrdiff_t vtable_offset(F member) {
  ptrdiff_t raw = 0;
  memcpy(&raw, &member, sizeof(raw));
  return raw - 1;
}

TEST_F(RendererTest, DifferingSlotsGiveTheFirstGenerationAnswers) {
  for (const DifferingSlot& s : kDifferingSlots) {
    SCOPED_TRACE("slot " + std::to_string(s.slot));
    const Answer a = s.call(renderer);
    EXPECT_EQ(a.is_void, s.want.is_void);
    EXPECT_EQ(a.value, s.want.value);
  }
  // Slot positions counted from slot 7, the renderer's first: the stub 623
  // follows the GUI render (622) and the index-buffer bind sits at 639.
  const ptrdiff_t word = static_cast<ptrdiff_t>(sizeof(void*));
  const ptrdiff_t slot7 = vtable_offset(&tvc::Renderer::reserved_7);
  EXPECT_EQ((vtable_offset(&tvc::Renderer::imgui_render) - slot7) / word, 622 - 7);
  EXPECT_EQ((vtable_offset(&tvc::Renderer::mesh_bind_index_buffer) - slot7) / word, 639 - 7);
  EXPECT_EQ((vtable_offset(&tvc::Renderer::reserved_623) - slot7) / word, 623 - 7);
}

// Every stub of this plug-in, the ones it shares with Vulkan2 included.
TEST_F(RendererTest, EveryFixedAnswerSlotGivesTheFirstGenerationAnswer) {
  fixed_answers::expect_fixed_answers(renderer, true);
}

TEST(ResultNames, TheTwoNewerCodesAreUnknown) {
  EXPECT_STREQ(vk_result_to_string(static_cast<VkResult>(1000297000)), "VK_ERROR_UNKNOWN (1000297000)");
  EXPECT_STREQ(vk_result_to_string(static_cast<VkResult>(-1000069000)), "VK_ERROR_UNKNOWN (-1000069000)");
  EXPECT_STREQ(vk_result_to_string(VK_ERROR_DEVICE_LOST), "VK_ERROR_DEVICE_LOST (-4)");
  EXPECT_STREQ(vk_result_to_string(VK_ERROR_OUT_OF_DATE_KHR), "VK_ERROR_OUT_OF_DATE_KHR (-1000001004)");
}

// ---- instance and report on the stand-in loader

TEST_F(FakeWindowTest, InstanceIsVulkan10WithoutValidationAndTheReportHasNoGroupsOrHandle) {
  FakeVkConfig c = window_config();
  const char* extensions[] = {"VK_KHR_surface", "VK_KHR_win32_surface", "VK_KHR_get_physical_device_properties2",
                              "VK_KHR_device_group_creation", "VK_EXT_debug_report", "VK_EXT_debug_utils",
                              "VK_EXT_validation_features", "VK_KHR_shader_non_semantic_info"};
  for (size_t i = 0; i < sizeof(extensions) / sizeof(extensions[0]); ++i) c.instance_extensions[i] = extensions[i];
  c.instance_layers[0] = "VK_LAYER_KHRONOS_validation";
  renderer->set_option("vulkan_enable_validation_layer");
  renderer->set_option("vulkan1.2");
  renderer->gpu_set_initialize_all_flag();
  FakeLoader::get().configure(c);
  ASSERT_TRUE(renderer->initialize());

  const FakeVkState& s = FakeLoader::get().state();
  EXPECT_EQ(s.requested_api_version, static_cast<uint32_t>(VK_API_VERSION_1_0));
  EXPECT_STREQ(s.application_name, "Tavrin");
  EXPECT_STREQ(s.engine_name, "Tavrin");
  EXPECT_EQ(s.application_version, 1u);
  EXPECT_EQ(s.engine_version, 1u);
  std::string enabled;
  for (uint32_t i = 0; i < s.enabled_extension_count; ++i) enabled += std::string(s.enabled_extensions[i]) + " ";
  EXPECT_EQ(enabled, "VK_KHR_surface VK_KHR_get_physical_device_properties2 VK_KHR_win32_surface ");
  EXPECT_EQ(s.enabled_layer_count, 0u);
  EXPECT_FALSE(s.create_info_has_validation_features);
  EXPECT_EQ(s.report_callbacks_created, 0);
  EXPECT_EQ(s.messengers_created, 0);
  EXPECT_FALSE(log.has("instance version: 4194304 (Vulkan 1.0)"));

  // The GPU report: header, name and id, no handle line; no group lines.
  size_t header = log.lines.size();
  for (size_t i = 0; i < log.lines.size(); ++i)
    if (log.lines[i].second.rfind("[ GPU 0 ]", 0) == 0) header = i;
  ASSERT_LT(header + 2, log.lines.size());
  EXPECT_EQ(log.lines[header + 1].second, "- GPU name: Fake GPU");
  EXPECT_EQ(log.lines[header + 2].second, "- DeviceID: 10DE-1234");
  for (const auto& line : log.lines) {
    EXPECT_EQ(line.second.find("device_group"), std::string::npos) << line.second;
    EXPECT_EQ(line.second.find("PhysicalDeviceGroup"), std::string::npos) << line.second;
    EXPECT_EQ(line.second.find("physical device pointer"), std::string::npos) << line.second;
  }
  // The initialise-all flag does nothing here: no device was made.
  EXPECT_EQ(s.devices_created, 0);
}

// ---- frames through command lists on the stand-in loader

VkCommandListRecord* list_record_of(tvc::GpuCommandList* list) {
  return static_cast<VkCommandListRecord*>(list->renderer_data);
}

// Records and submits the list of the acquired image: a cleared pass.
bool draw_into_image(tvc::Renderer* r, tvc::GpuCommandList* list) {
  return r->command_list_open(list) && r->command_list_begin_swapchain_render_pass(list, VK_SUBPASS_CONTENTS_INLINE) &&
         r->command_list_end_render_pass(list) && r->command_list_close(list) && r->command_list_submit(list);
}

TEST_F(FakeWindowTest, ListsCarryTheirImageFenceAndPresentNeedsASubmittedList) {
  ASSERT_TRUE(start(window_config()));
  VkDeviceRecord* device = device_record(gpu);
  const unsigned images = renderer->swapchain_get_image_count(gpu);
  ASSERT_GE(images, 2u);
  std::vector<tvc::GpuCommandList*> lists;
  for (unsigned i = 0; i < images; ++i) lists.push_back(renderer->command_list_get_default(gpu, 0));

  // Without a list, present is refused and leaves nothing signalled that
  // no one waits on: the fake reports any wait on an unsignalled object.
  EXPECT_FALSE(renderer->frame_present(gpu, window)) << "nothing acquired";
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  const unsigned held = renderer->swapchain_get_image_index(gpu);
  const int presents = FakeLoader::get().state().presents;
  EXPECT_FALSE(renderer->frame_present(gpu, window));
  EXPECT_EQ(FakeLoader::get().state().presents, presents);
  EXPECT_NE(log.starting_with("frame_present - no command list drew into image"), "");
  EXPECT_FALSE(device->image_available_pending);

  // The held image comes back; its list draws and present goes through.
  for (int frame = 0; frame < 3 * static_cast<int>(images); ++frame) {
    SCOPED_TRACE("frame " + std::to_string(frame));
    ASSERT_TRUE(renderer->frame_acquire(gpu, window));
    const unsigned i = renderer->swapchain_get_image_index(gpu);
    if (frame == 0) {
      EXPECT_EQ(i, held);
    }
    EXPECT_EQ(device->fence_pending[i], 0) << "acquiring image i waited for fence i";
    if (frame >= static_cast<int>(images)) {
      EXPECT_EQ(FakeLoader::get().fence_state((uint64_t)device->fences[i]), 1);
    }
    ASSERT_TRUE(draw_into_image(renderer, lists[i]));
    EXPECT_EQ(list_record_of(lists[i])->fence_index, static_cast<int>(i));
    EXPECT_EQ(device->fence_pending[i], 1);
    ASSERT_TRUE(renderer->frame_present(gpu, window));
  }
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
  expect_nothing_left();
}

TEST_F(FakeWindowTest, OutOfDatePresentRebuildsTheFramebuffersAndDrawingGoesOn) {
  FakeVkConfig c = window_config();
  ASSERT_TRUE(start(c));
  tvc::GpuCommandList* list = renderer->command_list_get_default(gpu, 0);
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  ASSERT_TRUE(draw_into_image(renderer, list));
  c.present_result = VK_ERROR_OUT_OF_DATE_KHR;
  FakeLoader::get().configure(c);
  EXPECT_TRUE(renderer->frame_present(gpu, window));
  EXPECT_EQ(renderer->swapchain_get_recreate_count(gpu), 1);
  ASSERT_NE(device_record(gpu)->framebuffers, nullptr);
  c.present_result = VK_SUCCESS;
  FakeLoader::get().configure(c);
  for (int frame = 0; frame < 3; ++frame) {
    ASSERT_TRUE(renderer->frame_acquire(gpu, window));
    ASSERT_TRUE(draw_into_image(renderer, list));
    ASSERT_TRUE(renderer->frame_present(gpu, window));
  }
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
}

// The overlays' buffers grow with what they draw, while the frame before
// may still run: each frame submits a list without a pass (fence index 0)
// before the list of its image, and acquiring image 0 waits only for fence
// 0, which the frame before signals first. The outgrown buffer goes once its
// work is seen finished, never while it may run (the fake reports that).
TEST_F(FakeWindowTest, OverlayBuffersOutgrownInFlightGoOnceTheirWorkHasRun) {
  ASSERT_TRUE(start(window_config()));
  const FakeVkState& s = FakeLoader::get().state();
  const unsigned images = renderer->swapchain_get_image_count(gpu);
  std::vector<tvc::GpuCommandList*> lists;
  for (unsigned i = 0; i <= images; ++i) lists.push_back(renderer->command_list_get_default(gpu, 0));
  tvc::GpuCommandList* offscreen = lists[images];
  ASSERT_TRUE(renderer->imgui_init(nullptr));
  ASSERT_TRUE(renderer->text_init(lists[0], "testdata\\quorvel_test.ttf", 16.0f));
  log.lines.clear();
  EXPECT_FALSE(renderer->text_render(lists[0], 0, 100)) << "a size of no pixels";
  EXPECT_TRUE(log.lines.empty()) << log.lines.front().second;
  // Three sizes of overlay, each larger than the one before.
  GuiDrawData small(100, 100, {ImVec4(0, 0, 100, 100)});
  GuiDrawData large(100, 100, std::vector<ImVec4>(40, ImVec4(0, 0, 100, 100)));
  GuiDrawData larger(100, 100, std::vector<ImVec4>(200, ImVec4(0, 0, 100, 100)));
  ImDrawData* gui[3] = {&small.data, &large.data, &larger.data};
  const std::string text[3] = {"x", std::string(200, 'x'), std::string(1000, 'x')};
  const struct {
    const char* what;
    std::function<void(tvc::GpuCommandList*, int)> draw;
  } overlays[] = {
      {"GUI overlay", [&](tvc::GpuCommandList*, int size) { renderer->imgui_render(gui[size]); }},
      {"text overlay",
       [&](tvc::GpuCommandList* list, int size) {
         renderer->text_reset();
         renderer->text_draw_2d(0, 0, 1.0f, 1.0f, 1.0f, 1.0f, text[size].c_str());
         EXPECT_TRUE(renderer->text_render(list, 100, 100));
       }},
  };
  auto record = [&](tvc::GpuCommandList* list, const std::function<void()>& draw) {
    ASSERT_TRUE(renderer->command_list_open(list));
    draw();
    ASSERT_TRUE(renderer->command_list_close(list));
  };
  for (const auto& o : overlays) {
    SCOPED_TRACE(o.what);
    // Every image drawn small, then larger from the first image drawn again.
    for (unsigned frame = 0; frame < 3 * images; ++frame) {
      ASSERT_TRUE(renderer->frame_acquire(gpu, window));
      ASSERT_TRUE(renderer->command_list_open(offscreen) && renderer->command_list_close(offscreen) &&
                  renderer->command_list_submit(offscreen));
      tvc::GpuCommandList* list = lists[renderer->swapchain_get_image_index(gpu)];
      ASSERT_TRUE(renderer->command_list_open(list));
      ASSERT_TRUE(renderer->command_list_begin_swapchain_render_pass(list, VK_SUBPASS_CONTENTS_INLINE));
      o.draw(list, frame >= images ? 1 : 0);
      ASSERT_TRUE(renderer->command_list_end_render_pass(list));
      ASSERT_TRUE(renderer->command_list_close(list));
      ASSERT_TRUE(renderer->command_list_submit(list));
      ASSERT_TRUE(renderer->frame_present(gpu, window));
    }
    EXPECT_EQ(s.violations, 0) << s.last_violation;
    EXPECT_TRUE(device_record(gpu)->retired_buffers.empty()) << "gone once a later frame found their work done";

    // Two lists drew from the buffer; the later one is submitted and its
    // work seen done first. The buffer, outgrown then, stays until the
    // earlier list has run too.
    record(lists[0], [&] { o.draw(lists[0], 1); });
    record(lists[1], [&] { o.draw(lists[1], 1); });
    ASSERT_TRUE(renderer->command_list_submit(lists[1]));
    record(offscreen, [&] { o.draw(offscreen, 2); });
    EXPECT_FALSE(device_record(gpu)->retired_buffers.empty()) << "the first list has not run";
    ASSERT_TRUE(renderer->command_list_submit(lists[0]));
    ASSERT_TRUE(renderer->command_list_submit(offscreen));
    EXPECT_EQ(s.violations, 0) << s.last_violation;
    ASSERT_TRUE(renderer->wait_for_gpu(gpu));
    EXPECT_TRUE(device_record(gpu)->retired_buffers.empty()) << "gone at the idle wait";
  }
  EXPECT_TRUE(renderer->text_terminate());
  EXPECT_TRUE(renderer->imgui_terminate());
  expect_nothing_left();
}

// A pipeline is bound on the device's current list while that list is
// open; a pass with new clear values whose framebuffers are gone changes
// no clear value.
TEST_F(FakeWindowTest, PipelinesBindOnTheOpenCurrentListAndAPassWithoutFramebuffersKeepsTheClearValues) {
  ASSERT_TRUE(start(window_config()));
  VulkanPLugin* plugin = static_cast<VulkanPLugin*>(renderer);
  const int set = renderer->descriptorset_create(gpu);
  ASSERT_TRUE(renderer->descriptorset_build(set));
  tvc::GpuProgramData program;
  ASSERT_TRUE(renderer->gpu_program_create_shader_modules(gpu, &program, 0, spv_triangle_vert,
                                                          sizeof(spv_triangle_vert), "main"));
  ASSERT_TRUE(renderer->gpu_program_create_shader_modules(gpu, &program, 1, spv_solid_green_frag,
                                                          sizeof(spv_solid_green_frag), "main"));
  tvc::GpuPipelineStateData* state = renderer->pipeline_create(gpu);
  state->program = &program;
  state->vertex_input = false;
  ASSERT_TRUE(renderer->pipeline_build_ex(state, set, 0));
  const VkPipeline pipeline = static_cast<VkPipelineRecord*>(state->renderer_data)->pipeline;

  tvc::GpuCommandList* first = renderer->command_list_get_default(gpu, 0);
  tvc::GpuCommandList* second = renderer->command_list_get_default(gpu, 0);
  EXPECT_FALSE(renderer->pipeline_bind(state)) << "no list is open";
  ASSERT_TRUE(renderer->command_list_open(first));
  ASSERT_TRUE(renderer->command_list_open(second));
  renderer->command_list_set_current(nullptr, first);
  ASSERT_TRUE(renderer->pipeline_bind(state));
  EXPECT_EQ(list_record_of(first)->bound_pipeline, pipeline) << "the current list, not the last one opened";
  EXPECT_EQ(list_record_of(second)->bound_pipeline, static_cast<VkPipeline>(VK_NULL_HANDLE));
  ASSERT_TRUE(renderer->command_list_close(second));
  ASSERT_TRUE(renderer->command_list_close(first));
  renderer->command_list_set_current(nullptr, first);
  EXPECT_FALSE(renderer->pipeline_bind(state)) << "the current list is closed";
  EXPECT_TRUE(renderer->pipeline_kill(state));
  EXPECT_TRUE(renderer->gpu_program_kill(&program));
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;

  // The stand-in starts afresh: what it counted before is gone.
  FakeVkConfig c = window_config();
  c.no_depth_format = true;
  FakeLoader::get().configure(c);
  EXPECT_FALSE(renderer->swapchain_recreate(gpu, window));
  ASSERT_EQ(device_record(gpu)->framebuffers, nullptr);
  VkClearValue kept[2];
  memcpy(kept, plugin->clear_values, sizeof(kept));
  ASSERT_TRUE(renderer->command_list_open(first));
  const float values[5] = {0.25f, 0.5f, 0.75f, 1.0f, 0.5f};
  EXPECT_FALSE(renderer->command_list_begin_render_pass_rt(first, values, 0, VK_SUBPASS_CONTENTS_INLINE));
  EXPECT_EQ(memcmp(kept, plugin->clear_values, sizeof(kept)), 0);
  ASSERT_TRUE(renderer->command_list_close(first));
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
  renderer->terminate();
}

// ---- device, swapchain and resources on the stand-in loader

bool asked(const FakeVkState& s, const char* name) {
  for (uint32_t i = 0; i < s.asked_name_count; ++i)
    if (strcmp(s.asked_names[i], name) == 0) return true;
  return false;
}

TEST_F(FakeWindowTest, DeviceTakesTheFirstGenerationEntryPointsExtensionsFeaturesAndPool) {
  FakeVkConfig c = window_config();
  c.instance_extensions[2] = "VK_KHR_get_physical_device_properties2";
  c.instance_extensions[3] = "VK_KHR_device_group_creation";
  c.instance_extensions[4] = "VK_EXT_debug_utils";
  // Offered in another order than the plug-in asks, with the ray-tracing
  // set it must leave alone.
  const char* offered[] = {"VK_NV_mesh_shader", "VK_KHR_driver_properties", "VK_EXT_descriptor_indexing",
                           "VK_KHR_get_memory_requirements2", "VK_NV_ray_tracing"};
  for (size_t i = 0; i < sizeof(offered) / sizeof(offered[0]); ++i) c.device_extensions[i] = offered[i];
  c.raytracing = true;
  ASSERT_TRUE(start(c));
  const FakeVkState& s = FakeLoader::get().state();

  const char* never[] = {"vkCreateDebugUtilsMessengerEXT", "vkDestroyDebugUtilsMessengerEXT",
                         "vkEnumeratePhysicalDeviceGroupsKHR", "vkGetPhysicalDeviceDisplayPropertiesKHR",
                         "vkGetDisplayModePropertiesKHR", "vkCreateDisplayPlaneSurfaceKHR",
                         "vkGetBufferDeviceAddressKHR", "vkGetBufferMemoryRequirements2", "vkCreateQueryPool",
                         "vkDestroyQueryPool", "vkGetQueryPoolResults", "vkGetAccelerationStructureBuildSizesKHR",
                         "vkCreateAccelerationStructureKHR", "vkDestroyAccelerationStructureKHR",
                         "vkCmdBuildAccelerationStructuresKHR", "vkCmdWriteAccelerationStructuresPropertiesKHR",
                         "vkGetAccelerationStructureDeviceAddressKHR", "vkCreateRayTracingPipelinesKHR",
                         "vkGetRayTracingShaderGroupHandlesKHR", "vkCmdTraceRaysKHR"};
  for (const char* name : never) EXPECT_FALSE(asked(s, name)) << name;
  EXPECT_TRUE(asked(s, "vkCmdDrawMeshTasksNV")) << "the last device entry point";
  EXPECT_TRUE(asked(s, "vkGetPhysicalDeviceWin32PresentationSupportKHR")) << "the last instance entry point";

  std::string enabled;
  for (uint32_t i = 0; i < s.device_extension_count; ++i) enabled += std::string(s.device_extensions[i]) + " ";
  EXPECT_EQ(enabled,
            "VK_KHR_swapchain VK_NV_ray_tracing VK_KHR_get_memory_requirements2 VK_KHR_driver_properties "
            "VK_NV_mesh_shader ");
  ASSERT_EQ(s.device_feature_chain_length, 1u) << "mesh-shader features only";
  EXPECT_EQ(s.device_feature_chain[0], VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MESH_SHADER_FEATURES_NV);

  EXPECT_EQ(s.descriptor_pool_max_sets, 1100u);
  ASSERT_EQ(s.descriptor_pool_size_count, 11u);
  for (uint32_t type = 0; type < 11; ++type) {
    EXPECT_EQ(s.descriptor_pool_sizes[type][0], type);
    EXPECT_EQ(s.descriptor_pool_sizes[type][1], 100u);
  }
  expect_nothing_left();
}

TEST_F(FakeWindowTest, FramebuffersAndDepthBufferTakeTheSwapchainExtent) { expect_objects_sized_by_the_swapchain(); }

TEST_F(FakeWindowTest, SwapchainIsATransferSourceWhereTheFormatAndTheSurfaceAllowIt) {
  const uint32_t color = VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT, both = color | VK_IMAGE_USAGE_TRANSFER_SRC_BIT;
  const struct {
    uint32_t optimal_features;
    uint32_t surface_usage;
    uint32_t usage;
  } cases[] = {
      {VK_FORMAT_FEATURE_BLIT_SRC_BIT, both, both},      {VK_FORMAT_FEATURE_TRANSFER_SRC_BIT, both, both},
      {VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BIT, both, color}, {VK_FORMAT_FEATURE_BLIT_SRC_BIT, color, color},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE("features " + std::to_string(k.optimal_features) + ", surface " + std::to_string(k.surface_usage));
    FakeVkConfig c = window_config();
    c.optimal_surface_features = k.optimal_features;
    c.surface_usage = k.surface_usage;
    ASSERT_TRUE(start(c));
    EXPECT_EQ(FakeLoader::get().state().swapchain_usage, k.usage);
    expect_nothing_left();
    renderer->render_window_kill(window);
  }
}

TEST_F(FakeWindowTest, RenderTargetListsPerImageSubmitOnlyOnceUnboundAsOftenAsBound) {
  ASSERT_TRUE(start(window_config()));
  const unsigned images = renderer->swapchain_get_image_count(gpu);
  const int lists_before = renderer->command_list_get_count(gpu);
  tvc::GpuRenderTarget* target = renderer->gpu_render_target_create_2d(32, 32, tvc::PF_RGBA_U8, 1);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(renderer->command_list_get_count(gpu), lists_before + static_cast<int>(images));

  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  const unsigned image = renderer->swapchain_get_image_index(gpu);
  tvc::GpuCommandList* list = static_cast<tvc::GpuCommandList*>(renderer->gpu_render_target_get_command_buffer(target));
  ASSERT_NE(list, nullptr);
  renderer->gpu_render_target_set_command_buffer_swapchain_buffer_index(target, static_cast<int>(image), 5);
  EXPECT_EQ(list_record_of(list)->fence_index, 5);
  renderer->gpu_render_target_set_command_buffer_swapchain_buffer_index(target, static_cast<int>(images), 6);
  EXPECT_EQ(list_record_of(list)->fence_index, 5) << "an image index past the swapchain is refused";

  const int submits = FakeLoader::get().state().submits;
  EXPECT_FALSE(renderer->gpu_render_target_submit(target)) << "never bound";
  ASSERT_TRUE(renderer->gpu_render_target_bind(target));
  EXPECT_EQ(renderer->command_list_get_current(gpu), list);
  EXPECT_FALSE(renderer->gpu_render_target_bind(target)) << "its list is still recording";
  EXPECT_FALSE(renderer->gpu_render_target_submit(target)) << "bound, not yet unbound";
  ASSERT_TRUE(renderer->gpu_render_target_unbind(target));
  EXPECT_FALSE(renderer->gpu_render_target_unbind(target)) << "unbound twice";
  EXPECT_EQ(FakeLoader::get().state().submits, submits);
  EXPECT_TRUE(renderer->gpu_render_target_submit(target));
  EXPECT_EQ(FakeLoader::get().state().submits, submits + 1);
  EXPECT_TRUE(renderer->gpu_render_target_submit(target)) << "a list without one-time submit goes again";

  EXPECT_TRUE(renderer->gpu_render_target_kill(target));
  EXPECT_EQ(renderer->command_list_get_count(gpu), lists_before);
  tvc::GpuRenderTarget bare;
  EXPECT_TRUE(renderer->gpu_render_target_finalize(gpu, &bare)) << "a target without record";
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
  expect_nothing_left();
}

// A host that kills a target's per-image list (slot 221), or every list of
// the device (slot 222), detaches it from the target: the target refuses
// that image, and its release kills no list a second time, not even the
// host's new list that may take the killed one's place.
TEST_F(FakeWindowTest, KilledImageListsAreDetachedFromTheirTarget) {
  ASSERT_TRUE(start(window_config()));
  const unsigned images = renderer->swapchain_get_image_count(gpu);
  ASSERT_GE(images, 2u);
  tvc::GpuRenderTarget* target = renderer->gpu_render_target_create_2d(32, 32, tvc::PF_RGBA_U8, 1);
  ASSERT_NE(target, nullptr);
  tvc::GpuCommandList* killed = static_cast<tvc::GpuCommandList*>(renderer->gpu_render_target_get_command_buffer(target));
  ASSERT_NE(killed, nullptr);
  ASSERT_TRUE(renderer->command_list_kill(killed));
  tvc::GpuCommandList* own = renderer->command_list_get_default(gpu, 0);
  ASSERT_NE(own, nullptr);
  const int own_id = own->id;
  EXPECT_EQ(renderer->gpu_render_target_get_command_buffer(target), nullptr);
  EXPECT_FALSE(renderer->gpu_render_target_bind(target));
  EXPECT_EQ(log.starting_with("gpu_render_target_bind - "),
            "gpu_render_target_bind - the command list of image 0 was killed: resize the target to draw into it.");
  EXPECT_NE(renderer->command_list_get_current(gpu), own);
  // The other images keep their lists.
  ASSERT_TRUE(renderer->gpu_render_target_bind_frame(target, 1));
  ASSERT_TRUE(renderer->gpu_render_target_unbind_frame(target, 1));
  EXPECT_TRUE(renderer->gpu_render_target_submit_and_wait(target, 1));
  EXPECT_TRUE(renderer->gpu_render_target_kill(target));
  EXPECT_EQ(renderer->command_list_find(own_id), own) << "the host's list outlives the target";

  // Every list of the device, one of them bound by a target.
  target = renderer->gpu_render_target_create_2d(32, 32, tvc::PF_RGBA_U8, 1);
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(renderer->gpu_render_target_bind(target));
  ASSERT_TRUE(renderer->command_list_killall(gpu));
  EXPECT_EQ(renderer->command_list_get_count(gpu), 0);
  std::vector<int> fresh;
  for (unsigned i = 0; i < images + 1; ++i) fresh.push_back(renderer->command_list_get_default(gpu, 0)->id);
  EXPECT_FALSE(renderer->gpu_render_target_unbind(target)) << "its bound list is gone";
  EXPECT_FALSE(renderer->gpu_render_target_bind(target));
  EXPECT_FALSE(renderer->gpu_render_target_submit(target));
  EXPECT_TRUE(renderer->gpu_render_target_kill(target));
  for (int id : fresh) EXPECT_NE(renderer->command_list_find(id), nullptr);
  EXPECT_EQ(renderer->command_list_get_count(gpu), static_cast<int>(images) + 1);
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
  expect_nothing_left();
}

// Creation makes the colour attachment, its linear copy, the depth
// attachment, the render pass, the framebuffer and the sampler in this
// order; each failing step says what failed, and the target is left without
// a record, so a second try starts again. A missing memory type is a
// failure: the colour attachment takes device-local, else host-visible
// memory, its linear copy host-visible and cached memory, nothing else.
TEST_F(FakeWindowTest, RenderTargetCreationNamesTheStepThatFailed) {
  const std::string head = "gpu_render_target_initialize_2d - ", err = "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)";
  enum { kColorTypes = 1, kLinearTypes, kDepthTypes };
  const struct {
    int failing_call;  // the resource call that fails, 0: none
    int no_type_for;   // the image kind that gets no wanted memory type
    std::string message;
  } cases[] = {
      {1, 0, "unable to create an image object for color attachment 0 (err: " + err + ")."},
      {0, kColorTypes, "unable to find a memory type for color attachment 0"},
      {2, 0, "unable to allocate memory for color attachment 0 (required size: 4096 bytes) - err: " + err},
      {3, 0, "unable to bind image memory for color attachment 0 (err: " + err + ")."},
      {4, 0, "unable to create a view for color attachment 0 (err: " + err + ")."},
      {5, 0, "unable to create a mappable image object for color attachment 0 (err: " + err + ")."},
      {0, kLinearTypes, "unable to find a mappable memory type for color attachment 0"},
      {6, 0, "unable to allocate mappable memory for color attachment 0 (required size: 2048 bytes) - err: " + err},
      {7, 0, "unable to bind mappable image memory for color attachment 0 (err: " + err + ")."},
      {8, 0, "unable to create an image object for depth attachment (err: " + err + ")."},
      {0, kDepthTypes, "unable to find a memory type for depth attachment"},
      {9, 0, "unable to allocate memory for depth attachment (required size: 4096 bytes) - err: " + err},
      {10, 0, "unable to bind image memory for depth attachment (err: " + err + ")."},
      {11, 0, "unable to create a view for depth attachment (err: " + err + ")."},
      {12, 0, "unable to create a render pass (err: " + err + ")."},
      {13, 0, "unable to create the framebuffer (err: " + err + ")."},
      {14, 0, "unable to create a texture sampler for render target (err: " + err + ")"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.message);
    FakeVkConfig c = window_config();
    // Type 0 has every property, type 1 none at all, type 2 is host-visible
    // without caching.
    c.memory_type_count[0] = 3;
    c.memory_type_flags[0][0] = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT | VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT |
                                VK_MEMORY_PROPERTY_HOST_COHERENT_BIT | VK_MEMORY_PROPERTY_HOST_CACHED_BIT;
    c.memory_type_flags[0][1] = 0;
    c.memory_type_flags[0][2] = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
    if (k.no_type_for == kColorTypes) c.color_attachment_types_denied = ~(1u << 1);
    if (k.no_type_for == kLinearTypes) c.linear_image_types_denied = ~(1u << 2);
    if (k.no_type_for == kDepthTypes) c.depth_attachment_types_denied = ~0u;  // no type at all
    ASSERT_TRUE(start(c));
    log.lines.clear();
    tvc::GpuRenderTarget target;
    FakeLoader::get().fail_call(k.failing_call);
    EXPECT_FALSE(renderer->gpu_render_target_initialize_2d(gpu, &target, 32, 16, tvc::PF_RGBA_U8, 1, false, false,
                                                           false, 0, false));
    EXPECT_EQ(log.starting_with(head), head + k.message);
    EXPECT_EQ(target.renderer_data, nullptr);
    FakeLoader::get().fail_call(0);
    const bool again = renderer->gpu_render_target_initialize_2d(gpu, &target, 32, 16, tvc::PF_RGBA_U8, 1, false,
                                                                 false, false, 0, false);
    EXPECT_EQ(again, k.failing_call > 0) << "only a passing failure lets a second try succeed";
    EXPECT_TRUE(renderer->gpu_render_target_finalize(gpu, &target));
    EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
    expect_nothing_left();
    renderer->render_window_kill(window);
  }
}

TEST_F(FakeWindowTest, BuffersTexturesAndProgramsFollowTheFirstGenerationRules) {
  ASSERT_TRUE(start(window_config()));
  const FakeVkState& s = FakeLoader::get().state();
  // Mesh buffers: copied to and drawn from, nothing more.
  tvc::GeometryCore mesh;
  const float vertices[3 * 16] = {0};
  const uint32_t indices[3] = {0, 1, 2};
  mesh.set_vertices(vertices, 3);
  mesh.set_indices32(indices, 1);
  ASSERT_TRUE(renderer->mesh_create_buffers(gpu, &mesh));
  ASSERT_TRUE(renderer->mesh_update_vertex_buffer(&mesh));
  EXPECT_EQ(s.buffer_usages & (VK_BUFFER_USAGE_STORAGE_BUFFER_BIT | VK_BUFFER_USAGE_SHADER_DEVICE_ADDRESS_BIT), 0u);

  // A uniform binding covers the 100 bytes asked for, not the 256 allocated;
  // host-coherent memory is unmapped without a flush.
  tvc::GpuBuffer buffer;
  ASSERT_TRUE(renderer->gpu_buffer_create(gpu, &buffer, tvc::GpuBuffer::kUniform, 0, 100, 0));
  const int set = renderer->descriptorset_create(gpu);
  ASSERT_EQ(renderer->descriptorset_add_gpu_buffer(set, &buffer, 0, VK_SHADER_STAGE_VERTEX_BIT), 0);
  // A texture binding needs a sampler.
  tvc::TextureData texture;
  texture.create(tvc::TextureData::kType2D, 4, 4, tvc::PF_RGBA_U8);
  ASSERT_TRUE(renderer->texture_load(gpu, &texture, 0));
  EXPECT_EQ(renderer->descriptorset_add_texture(set, &texture, nullptr, 1, VK_SHADER_STAGE_FRAGMENT_BIT), -1);
  tvc::TextureData* textures[1] = {&texture};
  EXPECT_EQ(renderer->descriptorset_add_textures(set, textures, 1, nullptr, 1, VK_SHADER_STAGE_FRAGMENT_BIT), -1);
  tvc::TextureSampler* sampler = renderer->sampler_create(gpu, 1, 2, 1.0f, 0);
  ASSERT_EQ(renderer->descriptorset_add_texture(set, &texture, sampler, 1, VK_SHADER_STAGE_FRAGMENT_BIT), 1);
  EXPECT_FALSE(renderer->descriptorset_update_texture(set, 1, &texture, nullptr, 1, 0));
  ASSERT_TRUE(renderer->descriptorset_build(set));
  ASSERT_TRUE(renderer->descriptorset_update(set));
  EXPECT_EQ(s.last_buffer_range, 100u);
  const int flushes = s.flushes;
  ASSERT_NE(renderer->gpu_buffer_map(&buffer, 0), nullptr);
  renderer->gpu_buffer_unmap(&buffer);
  EXPECT_EQ(s.flushes, flushes);

  // Stages in pipeline order whatever order the modules came in; a second
  // vertex module takes the first one's place.
  tvc::GpuProgramData program;
  for (int type : {1, 0, 0})
    ASSERT_TRUE(renderer->gpu_program_create_shader_modules(
        gpu, &program, type, type ? spv_solid_green_frag : spv_triangle_vert,
        type ? sizeof(spv_solid_green_frag) : sizeof(spv_triangle_vert), "main"));
  tvc::GpuPipelineStateData* state = renderer->pipeline_create(gpu);
  state->program = &program;
  state->vertex_input = false;
  ASSERT_TRUE(renderer->pipeline_build_ex(state, set, 0));
  ASSERT_EQ(s.pipeline_stage_count, 2u);
  EXPECT_EQ(s.pipeline_stages[0], static_cast<uint32_t>(VK_SHADER_STAGE_VERTEX_BIT));
  EXPECT_EQ(s.pipeline_stages[1], static_cast<uint32_t>(VK_SHADER_STAGE_FRAGMENT_BIT));
  EXPECT_TRUE(renderer->gpu_program_kill(&program));
  // Texture-array counts stop at the pool's 100 descriptors of the type.
  expect_texture_counts_bounded(renderer, gpu, log, 100, sampler);
  EXPECT_EQ(s.violations, 0) << s.last_violation;
  expect_nothing_left();
}

// The first generation asks for the font atlas's pixels before it makes any
// of its objects: the atlas is built by the end of imgui_init, even when a
// later step fails.
TEST_F(FakeWindowTest, GuiInitBuildsTheFontAtlasFirst) {
  ASSERT_TRUE(start(window_config()));
  ImFontAtlas* atlas = ImGui::GetIO().Fonts;
  const int first = FakeLoader::get().state().resource_calls;
  ASSERT_TRUE(renderer->imgui_init(nullptr));
  const int steps = FakeLoader::get().state().resource_calls - first;
  ASSERT_TRUE(renderer->imgui_terminate());
  for (int n = 0; n <= steps; ++n) {
    SCOPED_TRACE("step " + std::to_string(n) + " fails");
    atlas->Clear();
    ASSERT_FALSE(atlas->IsBuilt());
    FakeLoader::get().fail_call(n);
    renderer->imgui_init(nullptr);
    FakeLoader::get().fail_call(0);
    EXPECT_TRUE(atlas->IsBuilt());
    renderer->imgui_terminate();
  }
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
  expect_nothing_left();
}

TEST_F(FakeWindowTest, GuiClipKeepsTheFarEdgesAndSkipsCommandsOutsideTheFramebuffer) {
  ASSERT_TRUE(start(window_config()));
  ASSERT_TRUE(renderer->imgui_init(nullptr));
  const FakeVkState& s = FakeLoader::get().state();
  tvc::GpuCommandList* list = renderer->command_list_get_default(gpu, 0);
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  ASSERT_TRUE(renderer->command_list_open(list));
  ASSERT_TRUE(renderer->command_list_begin_swapchain_render_pass(list, VK_SUBPASS_CONTENTS_INLINE));
  // Past the right edge, then reaching in from the left and below.
  GuiDrawData draw(1280, 720, {ImVec4(1300, 0, 1400, 10), ImVec4(-10, 700, 2000, 800)});
  ASSERT_EQ(draw.list.CmdBuffer.Size, 2);
  const int draws = s.draws;
  renderer->imgui_render(&draw.data);
  EXPECT_EQ(s.draws, draws + 1) << "only the command that reaches into the framebuffer";
  EXPECT_EQ(s.scissor[0], 0);
  EXPECT_EQ(s.scissor[1], 700);
  EXPECT_EQ(s.scissor[2], 2000);
  EXPECT_EQ(s.scissor[3], 100);
  ASSERT_TRUE(renderer->command_list_end_render_pass(list));
  ASSERT_TRUE(renderer->command_list_close(list));
  ASSERT_TRUE(renderer->command_list_submit(list));
  ASSERT_TRUE(renderer->frame_present(gpu, window));
  EXPECT_TRUE(renderer->imgui_terminate());
  EXPECT_EQ(s.violations, 0) << s.last_violation;
  expect_nothing_left();
}

// ---- pixels on lavapipe

// First generation read-back order: R, G, B, A after a blit into the
// R8G8B8A8 image, else the surface's own byte order.
bool rgba_order(tvc::RendererGpu* gpu) {
  VkGpuRecord* record = static_cast<VkGpuRecord*>(gpu->renderer_data);
  VkFormat surface = record->current_device->swapchain->format;
  VkFormatProperties s{}, linear{};
  record->functions.vkGetPhysicalDeviceFormatProperties(record->physical_device, surface, &s);
  record->functions.vkGetPhysicalDeviceFormatProperties(record->physical_device, VK_FORMAT_R8G8B8A8_UNORM, &linear);
  const bool blit = (linear.linearTilingFeatures & VK_FORMAT_FEATURE_BLIT_DST_BIT) &&
                    (s.optimalTilingFeatures & VK_FORMAT_FEATURE_BLIT_SRC_BIT);
  return blit || (surface != VK_FORMAT_B8G8R8A8_UNORM && surface != VK_FORMAT_B8G8R8A8_SRGB);
}

::testing::AssertionResult pixel_is(const unsigned char* px, bool rgba, int r, int g, int b, int a) {
  const int want[4] = {rgba ? r : b, g, rgba ? b : r, a};
  for (int k = 0; k < 4; ++k)
    if (std::abs(px[k] - want[k]) > 1)
      return ::testing::AssertionFailure() << "pixel " << int(px[0]) << "," << int(px[1]) << "," << int(px[2]) << ","
                                           << int(px[3]) << " wanted " << want[0] << "," << want[1] << "," << want[2]
                                           << "," << want[3];
  return ::testing::AssertionSuccess();
}

class FirstGenWindowTest : public LiveWindowTest {
 protected:
  void SetUp() override {
    LiveWindowTest::SetUp();
    w = open_window();
    ASSERT_NE(device_record(gpu), nullptr);
    for (unsigned i = 0; i < renderer->swapchain_get_image_count(gpu); ++i)
      lists.push_back(renderer->command_list_get_default(gpu, 0));
  }
  void TearDown() override {
    if (renderer) renderer->imgui_terminate();
    LiveWindowTest::TearDown();
  }
  tvc::GpuCommandList* image_list() { return lists.at(renderer->swapchain_get_image_index(gpu)); }
  tvc::RenderWindow* w = nullptr;
  std::vector<tvc::GpuCommandList*> lists;
};

TEST_F(FirstGenWindowTest, FramesThroughCommandListsReadBackTheClearColour) {
  const bool rgba = rgba_order(gpu);
  renderer->set_clear_color_4f(0.2f, 0.4f, 0.6f, 1.0f);
  const unsigned images = renderer->swapchain_get_image_count(gpu);
  for (unsigned frame = 0; frame < 2 * images + 1; ++frame) {
    SCOPED_TRACE("frame " + std::to_string(frame));
    ASSERT_TRUE(renderer->frame_acquire(gpu, w));
    ASSERT_TRUE(draw_into_image(renderer, image_list()));
    ASSERT_TRUE(renderer->wait_for_gpu(gpu));
    Pixels p = read_back(renderer);
    ASSERT_EQ(p.width, 320);
    EXPECT_TRUE(pixel_is(p.at(10, 10), rgba, 51, 102, 153, 255));
    EXPECT_TRUE(pixel_is(p.at(300, 200), rgba, 51, 102, 153, 255));
    ASSERT_TRUE(renderer->frame_present(gpu, w));
  }
  for (const auto& line : log.lines) EXPECT_NE(line.first, tvc::LogMgr::kError) << line.second;
}

ImDrawData* gui_rectangle(ImU32 colour) {
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.DisplaySize = ImVec2(320.0f, 240.0f);
  io.DeltaTime = 1.0f / 60.0f;
  ImGui::NewFrame();
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(ImVec2(320, 240));
  ImGui::Begin("overlay", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoBackground);
  ImGui::GetWindowDrawList()->AddRectFilled(ImVec2(100, 80), ImVec2(220, 160), colour);
  ImGui::End();
  ImGui::Render();
  return ImGui::GetDrawData();
}

TEST_F(FirstGenWindowTest, GuiOverlayDrawsIntoTheOpenListAndNothingWithoutOne) {
  const bool rgba = rgba_order(gpu);
  renderer->set_clear_color_4f(0.0f, 0.0f, 0.0f, 1.0f);
  ASSERT_TRUE(renderer->imgui_init(nullptr));
  ImDrawData* draw = gui_rectangle(IM_COL32(255, 0, 0, 255));
  // No list open: nothing recorded, nothing logged.
  log.lines.clear();
  renderer->imgui_render(draw);
  EXPECT_TRUE(log.lines.empty()) << log.lines.front().second;

  for (int frame = 0; frame < 2; ++frame) {
    ASSERT_TRUE(renderer->frame_acquire(gpu, w));
    tvc::GpuCommandList* list = image_list();
    ASSERT_TRUE(renderer->command_list_open(list));
    ASSERT_TRUE(renderer->command_list_begin_swapchain_render_pass(list, VK_SUBPASS_CONTENTS_INLINE));
    renderer->imgui_render(gui_rectangle(IM_COL32(255, 0, 0, 255)));
    ASSERT_TRUE(renderer->command_list_end_render_pass(list));
    ASSERT_TRUE(renderer->command_list_close(list));
    ASSERT_TRUE(renderer->command_list_submit(list));
    ASSERT_TRUE(renderer->wait_for_gpu(gpu));
    Pixels p = read_back(renderer);
    // The overlay's alpha is (1 - a) x a + 0 x destination: 0 where it draws opaque.
    EXPECT_TRUE(pixel_is(p.at(160, 120), rgba, 255, 0, 0, 0)) << "inside the rectangle, frame " << frame;
    EXPECT_TRUE(pixel_is(p.at(20, 20), rgba, 0, 0, 0, 255)) << "outside it, frame " << frame;
    ASSERT_TRUE(renderer->frame_present(gpu, w));
  }
  for (const auto& line : log.lines) EXPECT_NE(line.first, tvc::LogMgr::kError) << line.second;
}

// A pipeline that draws the green test triangle, for a render target's pass
// (target id) or the swapchain pass (0).
struct TrianglePipeline {
  tvc::GpuProgramData program;
  tvc::GpuPipelineStateData* state = nullptr;
};

bool build_triangle(tvc::Renderer* r, tvc::RendererGpu* gpu, int set, int target, TrianglePipeline* p) {
  if (!r->gpu_program_create_shader_modules(gpu, &p->program, 1, spv_solid_green_frag, sizeof(spv_solid_green_frag),
                                            "main") ||
      !r->gpu_program_create_shader_modules(gpu, &p->program, 0, spv_triangle_vert, sizeof(spv_triangle_vert), "main"))
    return false;
  p->state = r->pipeline_create(gpu);
  if (!p->state) return false;
  p->state->program = &p->program;
  p->state->vertex_input = false;
  return r->pipeline_build_ex(p->state, set, target);
}

TEST_F(FirstGenWindowTest, TriangleDrawnIntoASingleAttachmentTargetAndIntoTheFrame) {
  const bool rgba = rgba_order(gpu);
  const int set = renderer->descriptorset_create(gpu);
  ASSERT_GT(set, 0);
  ASSERT_TRUE(renderer->descriptorset_build(set));
  renderer->set_clear_color_4f(0.0f, 0.0f, 0.0f, 1.0f);
  // Four colour attachments asked for: the first generation makes one.
  tvc::GpuRenderTarget* target = renderer->gpu_render_target_create_2d(64, 64, tvc::PF_RGBA_U8, 4);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(static_cast<VkRenderTargetRecord*>(target->renderer_data)->color_count, 1u);
  TrianglePipeline into_target, into_frame;
  ASSERT_TRUE(build_triangle(renderer, gpu, set, target->id, &into_target));
  ASSERT_TRUE(build_triangle(renderer, gpu, set, 0, &into_frame));

  ASSERT_TRUE(renderer->gpu_render_target_bind(target));
  ASSERT_TRUE(renderer->pipeline_bind(into_target.state));
  renderer->set_viewport_and_scissor(gpu, 0, 0, 64, 64);
  renderer->draw_primitives_1(3, 0);
  ASSERT_TRUE(renderer->gpu_render_target_unbind(target));
  ASSERT_TRUE(renderer->gpu_render_target_submit(target));
  std::vector<unsigned char> rt(64 * 64 * 4, 7);
  ASSERT_TRUE(renderer->gpu_render_target_read_color_buffer_2(target, rt.data()));
  EXPECT_TRUE(pixel_is(&rt[(32 * 64 + 32) * 4], true, 0, 255, 0, 255)) << "the triangle in the target";
  EXPECT_TRUE(pixel_is(&rt[(2 * 64 + 2) * 4], true, 0, 0, 0, 255)) << "the target's clear colour";

  renderer->set_clear_color_4f(0.0f, 0.0f, 1.0f, 1.0f);
  ASSERT_TRUE(renderer->frame_acquire(gpu, w));
  tvc::GpuCommandList* list = image_list();
  ASSERT_TRUE(renderer->command_list_open(list));
  ASSERT_TRUE(renderer->command_list_begin_swapchain_render_pass(list, VK_SUBPASS_CONTENTS_INLINE));
  ASSERT_TRUE(renderer->pipeline_bind(into_frame.state));
  renderer->set_viewport_and_scissor(gpu, 0, 0, 320, 240);
  renderer->draw_primitives_1(3, 0);
  ASSERT_TRUE(renderer->command_list_end_render_pass(list));
  ASSERT_TRUE(renderer->command_list_close(list));
  ASSERT_TRUE(renderer->command_list_submit(list));
  ASSERT_TRUE(renderer->wait_for_gpu(gpu));
  Pixels p = read_back(renderer);
  EXPECT_TRUE(pixel_is(p.at(160, 120), rgba, 0, 255, 0, 255)) << "the triangle in the frame";
  EXPECT_TRUE(pixel_is(p.at(5, 5), rgba, 0, 0, 255, 255)) << "the frame's clear colour";
  ASSERT_TRUE(renderer->frame_present(gpu, w));

  EXPECT_TRUE(renderer->gpu_render_target_kill(target));
  EXPECT_TRUE(renderer->gpu_program_kill(&into_target.program));
  EXPECT_TRUE(renderer->gpu_program_kill(&into_frame.program));
  for (const auto& line : log.lines) EXPECT_NE(line.first, tvc::LogMgr::kError) << line.second;
}

// ---- memory types on the stand-in loader

// Without a device-local type the vertices fall back to the first allowed
// type, the indices are refused with their line.
TEST_F(FakeWindowTest, AnIndexBufferWithoutDeviceLocalMemoryIsRefused) {
  FakeVkConfig c = window_config();
  c.memory_type_count[0] = 1;
  c.memory_type_flags[0][0] = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
  ASSERT_TRUE(start(c));
  expect_index_buffers_refused(renderer, gpu, log);
  expect_nothing_left();
}

}  // namespace
