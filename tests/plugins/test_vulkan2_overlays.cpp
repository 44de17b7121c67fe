// The Vulkan2 plug-in's overlays and storage images on lavapipe, checked
// through the frame read-back: bitmap-font text and the test triangle of the
// text overlay, the Dear ImGui overlay, and storage images written by a
// shader and copied into render targets and textures.
#include <string>
#include <vector>

#include "frame_pixels.h"
#include "vk_resources.h"
#include "imgui.h"
#include "spv_fullscreen_vert.h"
#include "spv_storage_write_frag.h"
#include "window_fixtures.h"

namespace {

const char kTestFont[] = "testdata\\quorvel_test.ttf";

bool lit(const unsigned char* px) { return px[0] > 40 || px[1] > 40 || px[2] > 40; }

// Records one frame through the primary list: a cleared swapchain pass with
// whatever draw adds, then submit and wait; the image stays acquired.
template <typename Draw>
Pixels list_frame(tvc::Renderer* r, tvc::RendererGpu* gpu, tvc::RenderWindow* w, tvc::GpuCommandList* list,
                  Draw draw) {
  EXPECT_TRUE(r->frame_acquire(gpu, w));
  EXPECT_TRUE(r->command_list_open(list));
  EXPECT_TRUE(r->command_list_begin_swapchain_render_pass(list, VK_SUBPASS_CONTENTS_INLINE));
  draw();
  EXPECT_TRUE(r->command_list_end_render_pass(list));
  EXPECT_TRUE(r->command_list_close(list));
  EXPECT_TRUE(r->command_list_submit(list));
  EXPECT_TRUE(r->wait_for_gpu(gpu));
  return read_back(r);
}

class OverlayTest : public LiveWindowTest {
 protected:
  void SetUp() override {
    LiveWindowTest::SetUp();
    w = open_window();
    list = renderer->command_list_get_by_index(gpu, 0);
    ASSERT_NE(list, nullptr);
    renderer->set_clear_color_4f(0.0f, 0.0f, 0.0f, 1.0f);
  }
  void TearDown() override {
    if (renderer) {
      renderer->text_terminate();
      renderer->imgui_terminate();
    }
    LiveWindowTest::TearDown();
  }
  tvc::RenderWindow* w = nullptr;
  tvc::GpuCommandList* list = nullptr;
};

// ---- text overlay

TEST_F(OverlayTest, TextLightsPixelsInsideItsBoxOnly) {
  ASSERT_TRUE(renderer->text_init(list, kTestFont, 32.0f));
  Pixels p = list_frame(renderer, gpu, w, list, [&] {
    renderer->text_draw_2d(40, 60, 1.0f, 1.0f, 1.0f, 1.0f, "Quorvel");
    EXPECT_TRUE(renderer->text_render(list, 320, 240));
  });
  // Seven glyphs of 19.2 pixels from x 40; 22.4 pixels high below y 63.
  int inside = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const bool in_box = x >= 38 && x < 180 && y >= 58 && y < 92;
      if (in_box) inside += lit(p.at(x, y));
      else if (lit(p.at(x, y))) ADD_FAILURE() << "lit outside the text at " << x << "," << y;
    }
  EXPECT_GT(inside, 300) << "the glyphs were drawn";
  ASSERT_TRUE(renderer->frame_present(gpu, w));

  // Reset empties the queue: the next frame shows only the clear colour.
  renderer->text_reset();
  p = list_frame(renderer, gpu, w, list, [&] { EXPECT_TRUE(renderer->text_render(list, 320, 240)); });
  EXPECT_FALSE(lit(p.at(60, 75)));
  ASSERT_TRUE(renderer->frame_present(gpu, w));
  for (const auto& line : log.lines) EXPECT_NE(line.first, tvc::LogMgr::kError) << line.second;
  EXPECT_FALSE(renderer->text_update(list)) << "no test triangle with a font";
  EXPECT_TRUE(renderer->text_terminate());
  EXPECT_FALSE(renderer->text_render(list, 320, 240)) << "nothing left after terminate";
}

TEST_F(OverlayTest, WithoutAFontTheTestTriangleIsDrawn) {
  ASSERT_TRUE(renderer->text_init(list, nullptr, 0.0f));
  EXPECT_FALSE(renderer->text_render(list, 320, 240)) << "no font to render";
  Pixels p = list_frame(renderer, gpu, w, list, [&] { EXPECT_TRUE(renderer->text_update(list)); });
  const bool blit = blit_path(gpu);
  const unsigned char* left = p.at(20, 230);    // near the red corner
  const unsigned char* right = p.at(300, 230);  // near the blue corner
  const int r = blit ? 2 : 0, b = blit ? 0 : 2;
  EXPECT_TRUE(left[r] > left[1] && left[r] > left[b]) << "red corner";
  EXPECT_TRUE(right[b] > right[1] && right[b] > right[r]) << "blue corner";
  EXPECT_TRUE(lit(p.at(160, 20))) << "green apex";
  EXPECT_FALSE(lit(p.at(10, 10))) << "outside the triangle";
  ASSERT_TRUE(renderer->frame_present(gpu, w));
}

TEST_F(OverlayTest, MissingDeviceOrFontIsRefusedWithoutALogLine) {
  tvc::GpuCommandList orphan;  // never made by the renderer: no owner
  log.lines.clear();
  EXPECT_FALSE(renderer->text_init(&orphan, kTestFont, 32.0f));
  EXPECT_FALSE(renderer->text_init(list, "testdata\\no_such_font.ttf", 32.0f));
  EXPECT_FALSE(renderer->text_terminate()) << "nothing was kept";
  ASSERT_TRUE(renderer->text_init(list, kTestFont, 32.0f));
  EXPECT_FALSE(renderer->text_render(&orphan, 320, 240));
  EXPECT_FALSE(renderer->text_render(nullptr, 320, 240));
  EXPECT_FALSE(renderer->text_render(list, 320, 0)) << "a size of no pixels";
  EXPECT_FALSE(renderer->text_update(list)) << "no test triangle with a font";
  for (const auto& line : log.lines) ADD_FAILURE() << "logged: " << line.second;
}

// ---- GUI overlay

ImDrawData* gui_frame(int rects, ImU32 colour) {
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.DisplaySize = ImVec2(320.0f, 240.0f);
  io.DeltaTime = 1.0f / 60.0f;
  ImGui::NewFrame();
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(ImVec2(320, 240));
  ImGui::Begin("overlay", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoBackground);
  ImDrawList* draw = ImGui::GetWindowDrawList();
  for (int i = 0; i < rects; ++i) draw->AddRectFilled(ImVec2(100.0f + i % 7, 80), ImVec2(220, 160.0f - i % 5), colour);
  ImGui::End();
  ImGui::Render();
  return ImGui::GetDrawData();
}

TEST_F(OverlayTest, GuiRectangleShowsItsColourAndALargerFrameStillDraws) {
  ASSERT_TRUE(renderer->imgui_init(nullptr));
  EXPECT_TRUE(renderer->imgui_init(nullptr)) << "a second init changes nothing";
  const bool blit = blit_path(gpu);
  const struct {
    int rects;
    ImU32 colour;
    int r, g, b;
  } frames[] = {{1, IM_COL32(255, 0, 0, 255), 255, 0, 0}, {400, IM_COL32(0, 255, 0, 255), 0, 255, 0}};
  int previous_vertices = 0;
  for (const auto& f : frames) {
    ImDrawData* draw = gui_frame(f.rects, f.colour);
    EXPECT_GT(draw->TotalVtxCount, previous_vertices);
    previous_vertices = draw->TotalVtxCount;
    ASSERT_TRUE(renderer->frame_acquire(gpu, w));
    ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
    renderer->imgui_render(draw);
    ASSERT_TRUE(renderer->frame_end(gpu, true, true));
    ASSERT_TRUE(renderer->frame_submit(gpu, 0));
    ASSERT_TRUE(renderer->wait_for_gpu(gpu));
    Pixels p = read_back(renderer);
    EXPECT_TRUE(colour_is(p.at(160, 120), blit, f.r, f.g, f.b, 255)) << f.rects << " rectangles";
    EXPECT_TRUE(colour_is(p.at(20, 20), blit, 0, 0, 0, 255)) << "outside the rectangle";
    ASSERT_TRUE(renderer->frame_present(gpu, w));
  }
  EXPECT_TRUE(renderer->imgui_terminate());
  for (const auto& line : log.lines) EXPECT_NE(line.first, tvc::LogMgr::kError) << line.second;
}

// ---- storage images

// A pipeline whose fragment shader writes the storage image of set binding 0.
struct StorageWriter {
  tvc::GpuProgramData program;
  tvc::GpuPipelineStateData* state = nullptr;
  int set = -1;
};

TEST_F(OverlayTest, StorageImageWrittenByAShaderCopiesIntoARenderTargetAndATexture) {
  const int image = renderer->vk_create_storage_image(gpu, 64, 32, tvc::PF_RGBA_U8);
  ASSERT_GT(image, 0);
  StorageWriter s;
  s.set = renderer->descriptorset_create(gpu);
  ASSERT_GE(renderer->descriptorset_add_storage_image(s.set, image, nullptr, nullptr, 0, 0, VK_SHADER_STAGE_FRAGMENT_BIT),
            0);
  ASSERT_TRUE(renderer->descriptorset_build(s.set));
  ASSERT_TRUE(renderer->descriptorset_update(s.set));
  ASSERT_TRUE(renderer->gpu_program_create_shader_modules(gpu, &s.program, 0, spv_fullscreen_vert,
                                                          sizeof(spv_fullscreen_vert), "main"));
  ASSERT_TRUE(renderer->gpu_program_create_shader_modules(gpu, &s.program, 1, spv_storage_write_frag,
                                                          sizeof(spv_storage_write_frag), "main"));
  s.state = renderer->pipeline_create(gpu);
  ASSERT_NE(s.state, nullptr);
  s.state->program = &s.program;
  s.state->vertex_input = false;
  ASSERT_TRUE(renderer->pipeline_build(s.state, s.set));

  ASSERT_TRUE(renderer->frame_acquire(gpu, w));
  ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
  ASSERT_TRUE(renderer->pipeline_bind(s.state));
  ASSERT_TRUE(renderer->descriptorset_bind(s.set));
  renderer->set_viewport_and_scissor(gpu, 0, 0, 64, 32);
  renderer->draw_primitives_1(3, 0);
  ASSERT_TRUE(renderer->frame_end(gpu, true, true));
  ASSERT_TRUE(renderer->frame_submit(gpu, 0));
  ASSERT_TRUE(renderer->wait_for_gpu(gpu));
  ASSERT_TRUE(renderer->frame_present(gpu, w));

  auto expect_pattern = [](const unsigned char* px, int x, int y) {
    EXPECT_NEAR(px[0], x * 4, 1) << x << "," << y;
    EXPECT_NEAR(px[1], y * 2, 1) << x << "," << y;
    EXPECT_NEAR(px[2], 51, 1) << x << "," << y;
    EXPECT_EQ(px[3], 255) << x << "," << y;
  };
  const int points[][2] = {{0, 0}, {63, 31}, {17, 9}};

  tvc::GpuRenderTarget* target = renderer->gpu_render_target_create_2d(64, 32, tvc::PF_RGBA_U8, 1);
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(renderer->gpu_render_target_copy_from_storage_image(target, 0, image));
  std::vector<unsigned char> rt(64 * 32 * 4, 0);
  ASSERT_TRUE(renderer->gpu_render_target_read_color_buffer_2(target, rt.data()));
  for (const auto& pt : points) expect_pattern(&rt[(pt[1] * 64 + pt[0]) * 4], pt[0], pt[1]);

  tvc::TextureData texture;
  texture.create(tvc::TextureData::kType2D, 64, 32, tvc::PF_RGBA_U8);
  ASSERT_TRUE(renderer->texture_2d_load(gpu, &texture, 0));
  ASSERT_TRUE(renderer->texture_2d_copy_from_storage_image(gpu, &texture, image));
  ASSERT_TRUE(renderer->texture_read_pixels_rgba(&texture));
  VkTextureRecord* record = static_cast<VkTextureRecord*>(texture.renderer_data);
  VkGpuRecord* g = static_cast<VkGpuRecord*>(gpu->renderer_data);
  VkImageSubresource sub{VK_IMAGE_ASPECT_COLOR_BIT, 0, 0};
  VkSubresourceLayout layout{};
  g->current_device->functions.vkGetImageSubresourceLayout(g->current_device->device, record->staging_image, &sub,
                                                           &layout);
  const unsigned char* pixels = texture.image.get_u8_ptr() + layout.offset;
  for (const auto& pt : points) expect_pattern(pixels + pt[1] * layout.rowPitch + pt[0] * 4, pt[0], pt[1]);

  renderer->vk_kill_storage_image(gpu, image);
  EXPECT_FALSE(renderer->gpu_render_target_copy_from_storage_image(target, 0, image)) << "released";
  EXPECT_FALSE(renderer->texture_2d_copy_from_storage_image(gpu, &texture, image));
  EXPECT_TRUE(renderer->texture_unload(&texture));
  EXPECT_TRUE(renderer->gpu_render_target_kill(target));
  EXPECT_TRUE(renderer->gpu_program_kill(&s.program));
}

// Lavapipe has no ray tracing: every operation is refused, each with a line.
TEST_F(OverlayTest, RayTracingIsRefusedWithoutItsExtensions) {
  const tvc::mat4 identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  tvc::GeometryCore geometry;
  tvc::GpuRenderTarget* target = renderer->gpu_render_target_create_2d(16, 16, tvc::PF_RGBA_U8, 1);
  tvc::GpuPipelineStateData* state = renderer->pipeline_create(gpu);
  const int set = renderer->descriptorset_create(gpu);
  ASSERT_TRUE(renderer->descriptorset_build(set));
  const int context = renderer->vk_raytracing_create(gpu);
  EXPECT_EQ(context, -1);
  const int c = 0;
  const struct {
    const char* what;
    bool refused;
  } cases[] = {
      {"83", renderer->vk_raytracing_add_mesh(c, &geometry) == -1},
      {"84", !renderer->vk_raytracing_build_blas(c)},
      {"85", renderer->vk_raytracing_add_instance(c, &identity, 0, 0, 0xFF) == -1},
      {"86", !renderer->vk_raytracing_update_instance(c, 0, &identity)},
      {"87", !renderer->vk_raytracing_build_tlas(c, false)},
      {"88", !renderer->vk_raytracing_update_instance_buffer(c)},
      {"89", !renderer->vk_raytracing_kill(c)},
      {"90", !renderer->vk_raytracing_set_ray_recursion_depth(c, 2)},
      {"91", !renderer->vk_raytracing_create_pipeline(c, state, set, 0)},
      {"92", !renderer->vk_raytracing_bind_pipeline(list, state)},
      {"93", !renderer->vk_raytracing_create_output_image(c, 16, 16, tvc::PF_RGBA_U8)},
      {"94", !renderer->gpu_render_target_copy_from_raytracing_output(target, 0, c)},
      {"98", renderer->descriptorset_add_acceleration_structure(set, c, 1, 0x100) == -1},
      {"99", renderer->descriptorset_add_raytracing_storage_image(set, c, 2, 0x100) == -1},
      {"103", !renderer->vk_raytracing_build_sbt(c, state)},
      {"104", !renderer->vk_raytracing_trace_rays(list, c, 16, 16, 0, 0)},
      {"167", !renderer->descriptorset_bind_raytracing(list, set)},
  };
  int errors = 0;
  for (const auto& line : log.lines) errors += line.first == tvc::LogMgr::kError;
  for (const auto& k : cases) EXPECT_TRUE(k.refused) << "slot " << k.what;
  EXPECT_GE(errors, 18) << "one line for each refusal";
  unsigned u32 = 7;
  uint64_t u64 = 7;
  EXPECT_TRUE(renderer->gpu_get_raytracing_pipeline_property(gpu, "shaderGroupHandleSize", &u32));
  EXPECT_TRUE(renderer->gpu_get_acceleration_structure_property(gpu, "maxInstanceCount", &u64));
  EXPECT_EQ(u32, 0u);
  EXPECT_EQ(u64, 0u);
  u32 = 7;
  EXPECT_TRUE(renderer->gpu_get_acceleration_structure_descriptor_limit(gpu, "no such limit", &u32));
  EXPECT_EQ(u32, 7u) << "an unknown name leaves the value alone";
  EXPECT_FALSE(renderer->gpu_get_acceleration_structure_descriptor_limit(gpu, nullptr, &u32));
  EXPECT_TRUE(renderer->gpu_render_target_kill(target));
}

}  // namespace
