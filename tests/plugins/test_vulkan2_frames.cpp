// Frames, command lists and the frame-buffer read-back of the Vulkan2
// plug-in: pixels on lavapipe through the read-back, and the synchronisation
// and failure paths on the stateful stand-in loader.
#include "vk_device.h"

#include <string>
#include <vector>

#include "device_record.h"
#include "frame_pixels.h"
#include "window_fixtures.h"

namespace {

// An entry point of the system's loader, for what the test records itself.
template <typename T>
T loader_entry(const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("vulkan-1.dll"), name)));
}

// ---- lavapipe

TEST_F(LiveWindowTest, FramesReadBackTheirClearColourBetweenSubmitAndPresent) {
  tvc::RenderWindow* w = open_window();
  const unsigned images = renderer->swapchain_get_image_count(gpu);
  ASSERT_GE(images, 2u);
  const bool blit = blit_path(gpu);
  int size = 0, width = 0, height = 0;
  renderer->get_color_buffer_size(&size, &width, &height);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  EXPECT_EQ(size, 320 * 240 * 4);

  renderer->set_clear_color_4f(0.2f, 0.4f, 0.6f, 1.0f);
  for (unsigned i = 0; i < images; ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    EXPECT_EQ(renderer->frame_get_index(gpu), i);
    ASSERT_TRUE(renderer->frame_acquire(gpu, w));
    ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
    ASSERT_TRUE(renderer->frame_end(gpu, true, true));
    ASSERT_TRUE(renderer->frame_submit(gpu, 0));
    Pixels p = read_back(renderer);
    ASSERT_EQ(p.bytes.size(), 320u * 240u * 4u);
    for (const auto& xy : {std::make_pair(0, 0), std::make_pair(160, 120), std::make_pair(319, 239)})
      EXPECT_TRUE(colour_is(p.at(xy.first, xy.second), blit, 51, 102, 153, 255)) << xy.first << "," << xy.second;
    // x and y are ignored and the size is cut to the image: nothing is
    // written past 320 x 240 pixels.
    std::vector<unsigned char> wide(400u * 300u * 4u, 7);
    renderer->read_color_buffer_ex(wide.data(), 100, 50, 400, 300);
    EXPECT_TRUE(colour_is(&wide[0], blit, 51, 102, 153, 255));
    EXPECT_EQ(wide[320u * 240u * 4u], 7);
    EXPECT_EQ(wide.back(), 7);
    ASSERT_TRUE(renderer->frame_present(gpu, w));
  }
  EXPECT_EQ(renderer->frame_get_index(gpu), 0u) << "the index ran through the image count";
  for (const auto& line : log.lines) EXPECT_NE(line.first, tvc::LogMgr::kError) << line.second;
}

TEST_F(LiveWindowTest, AFrameLeftUnsubmittedIsPresentedAndDrawingGoesOn) {
  tvc::RenderWindow* w = open_window();
  const unsigned images = renderer->swapchain_get_image_count(gpu);
  renderer->set_clear_color_4f(0.0f, 1.0f, 0.0f, 1.0f);
  ASSERT_TRUE(draw_frame(renderer, gpu, w));
  ASSERT_TRUE(renderer->frame_acquire(gpu, w));
  EXPECT_FALSE(renderer->frame_present(gpu, w)) << "no begin, end or submit";
  EXPECT_EQ(log.level_of("frame_present - frame 1 was not submitted: its image is presented unchanged."),
            tvc::LogMgr::kError);
  const bool blit = blit_path(gpu);
  for (unsigned i = 0; i < 2 * images; ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    renderer->set_clear_color_4f(0.0f, 0.0f, i % 2 ? 1.0f : 0.5f, 1.0f);
    ASSERT_TRUE(renderer->frame_acquire(gpu, w));
    ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
    ASSERT_TRUE(renderer->frame_end(gpu, true, true));
    ASSERT_TRUE(renderer->frame_submit(gpu, 0));
    EXPECT_TRUE(colour_is(read_back(renderer).at(10, 10), blit, 0, 0, i % 2 ? 255 : 128, 255));
    ASSERT_TRUE(renderer->frame_present(gpu, w));
  }
}

TEST_F(LiveWindowTest, CommandListsDrawIntoTheAcquiredImage) {
  tvc::RenderWindow* w = open_window();
  const bool blit = blit_path(gpu);
  VkDeviceRecord* device = device_record(gpu);
  ASSERT_NE(device, nullptr);
  auto fence_status = loader_entry<PFN_vkGetFenceStatus>("vkGetFenceStatus");
  auto clear_attachments = loader_entry<PFN_vkCmdClearAttachments>("vkCmdClearAttachments");
  ASSERT_TRUE(fence_status && clear_attachments);

  // A primary list with a render pass and a barrier, through slot 230.
  renderer->set_clear_color_4f(0.2f, 0.4f, 0.6f, 1.0f);
  ASSERT_TRUE(renderer->frame_acquire(gpu, w));
  tvc::GpuCommandList* list = renderer->command_list_get_by_index(gpu, 0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(renderer->command_list_get_by_index(gpu, 1), nullptr);
  EXPECT_EQ(renderer->command_list_find(list->id), list);
  renderer->command_list_set_fence_index(list, 3);
  ASSERT_TRUE(renderer->command_list_open(list));
  EXPECT_EQ(renderer->command_list_get_current(gpu), list);
  ASSERT_TRUE(renderer->command_list_begin_swapchain_render_pass(list, VK_SUBPASS_CONTENTS_INLINE));
  ASSERT_TRUE(renderer->command_list_end_render_pass(list));
  ASSERT_TRUE(renderer->command_list_barrier_present(list));
  ASSERT_TRUE(renderer->command_list_close(list));
  EXPECT_EQ(renderer->command_list_get_current(gpu), nullptr);
  ASSERT_TRUE(renderer->command_list_submit(list));
  EXPECT_TRUE(renderer->wait_for_gpu(gpu));
  EXPECT_EQ(fence_status(device->device, device->fences[3]), VK_SUCCESS) << "the list's fence is signalled";
  EXPECT_TRUE(colour_is(read_back(renderer).at(100, 100), blit, 51, 102, 153, 255));
  ASSERT_TRUE(renderer->frame_present(gpu, w)) << "the list's submit stands for the frame's";

  // A secondary list executed inside the primary list's pass draws its own
  // rectangle over the cleared image.
  renderer->set_clear_color_4f(0.0f, 0.0f, 1.0f, 1.0f);
  ASSERT_TRUE(renderer->frame_acquire(gpu, w));
  tvc::GpuCommandList* secondary = renderer->command_list_get_default(gpu, 1);
  ASSERT_NE(secondary, nullptr);
  EXPECT_EQ(renderer->command_list_get_count(gpu), 2);
  ASSERT_TRUE(renderer->command_list_open(list));
  ASSERT_TRUE(renderer->command_list_begin_swapchain_render_pass(list, VK_SUBPASS_CONTENTS_SECONDARY_COMMAND_BUFFERS));
  ASSERT_TRUE(renderer->command_list_open(secondary));
  VkClearAttachment red{};
  red.aspectMask = VK_IMAGE_ASPECT_COLOR_BIT;
  red.clearValue.color = {{1.0f, 0.0f, 0.0f, 1.0f}};
  VkClearRect rect{};
  rect.rect = {{0, 0}, {64, 32}};
  rect.layerCount = 1;
  clear_attachments(static_cast<VkCommandListRecord*>(secondary->renderer_data)->command_buffer, 1, &red, 1, &rect);
  ASSERT_TRUE(renderer->command_list_close(secondary));
  ASSERT_TRUE(renderer->command_list_execute(list, secondary));
  ASSERT_TRUE(renderer->command_list_end_render_pass(list));
  ASSERT_TRUE(renderer->command_list_close(list));
  ASSERT_TRUE(renderer->command_list_submit(list));
  ASSERT_TRUE(renderer->wait_for_gpu(gpu));
  Pixels p = read_back(renderer);
  EXPECT_TRUE(colour_is(p.at(10, 10), blit, 255, 0, 0, 255)) << "inside the secondary list's rectangle";
  EXPECT_TRUE(colour_is(p.at(200, 200), blit, 0, 0, 255, 255)) << "outside it";
  ASSERT_TRUE(renderer->frame_present(gpu, w));

  // Killing the current list clears it; a second kill finds nothing.
  ASSERT_TRUE(renderer->command_list_open(secondary));
  EXPECT_EQ(renderer->command_list_get_current(gpu), secondary);
  EXPECT_TRUE(renderer->command_list_kill(secondary));
  EXPECT_EQ(renderer->command_list_get_current(gpu), nullptr);
  EXPECT_FALSE(renderer->command_list_kill(secondary));
  EXPECT_EQ(renderer->command_list_get_count(gpu), 1);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(draw_frame(renderer, gpu, w)) << "frames after the lists " << i;
  for (const auto& line : log.lines) EXPECT_NE(line.first, tvc::LogMgr::kError) << line.second;
}

TEST_F(LiveWindowTest, ListClearChoicesAndOneShotSubmits) {
  tvc::RenderWindow* w = open_window();
  const bool blit = blit_path(gpu);
  tvc::GpuCommandList* list = renderer->command_list_get_default(gpu, 2);
  ASSERT_NE(list, nullptr);
  renderer->set_clear_values_ex(0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 5);
  // Clear values given to slot 128 are kept for the later passes of slot 127.
  const float red[5] = {1.0f, 0.0f, 0.0f, 1.0f, 1.0f};
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "slot 128 with clear values" : "slot 127 after it");
    ASSERT_TRUE(renderer->frame_acquire(gpu, w));
    ASSERT_TRUE(renderer->command_list_open(list));
    const unsigned image = renderer->swapchain_get_image_index(gpu);
    ASSERT_TRUE(pass == 0 ? renderer->command_list_begin_render_pass_rt(list, red, image, 0)
                          : renderer->command_list_begin_render_pass(list, image, 0));
    ASSERT_TRUE(renderer->command_list_end_render_pass(list));
    ASSERT_TRUE(renderer->command_list_close(list));
    ASSERT_TRUE(renderer->command_list_submit(list));
    ASSERT_TRUE(renderer->wait_for_gpu(gpu));
    EXPECT_TRUE(colour_is(read_back(renderer).at(5, 5), blit, 255, 0, 0, 255));
    ASSERT_TRUE(renderer->frame_present(gpu, w));
  }
  // A pass that cannot begin (image 99 has no framebuffer) has still taken
  // the new clear values.
  const float green[5] = {0.0f, 1.0f, 0.0f, 1.0f, 0.5f};
  ASSERT_TRUE(renderer->command_list_open(list));
  EXPECT_FALSE(renderer->command_list_begin_render_pass_rt(list, green, 99, 0));
  ASSERT_TRUE(renderer->command_list_close(list));
  const VkClearValue* clear = static_cast<VulkanPLugin*>(renderer)->clear_values;
  EXPECT_EQ(clear[0].color.float32[0], 0.0f);
  EXPECT_EQ(clear[0].color.float32[1], 1.0f);
  EXPECT_EQ(clear[1].depthStencil.depth, 0.5f);
  // A one-shot buffer is submitted and waited for on the list's own fence.
  auto fence_status = loader_entry<PFN_vkGetFenceStatus>("vkGetFenceStatus");
  ASSERT_TRUE(renderer->command_buffer_begin(list));
  EXPECT_FALSE(renderer->command_buffer_submit(list)) << "still recording";
  ASSERT_TRUE(renderer->command_buffer_end(list));
  ASSERT_TRUE(renderer->command_buffer_submit(list));
  const VkCommandListRecord* record = static_cast<VkCommandListRecord*>(list->renderer_data);
  EXPECT_EQ(fence_status(device_record(gpu)->device, record->fence), VK_SUCCESS);
  EXPECT_TRUE(renderer->command_list_reset(list));
  EXPECT_TRUE(renderer->command_list_reinit(list));
  EXPECT_TRUE(static_cast<VkCommandListRecord*>(list->renderer_data)->primary);
  EXPECT_TRUE(renderer->command_list_release(list));
  EXPECT_FALSE(renderer->command_list_open(list)) << "released: no buffer to record into";
  EXPECT_TRUE(renderer->command_list_kill(list));
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(draw_frame(renderer, gpu, w));
}

// ---- stand-in loader

TEST_F(FakeWindowTest, AFrameLeftUnsubmittedGetsFalseAndNoWaitOnAnUnsignalledObject) {
  ASSERT_TRUE(start(window_config()));
  const FakeVkState& s = FakeLoader::get().state();
  const unsigned images = renderer->swapchain_get_image_count(gpu);
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  EXPECT_FALSE(renderer->frame_present(gpu, window));
  EXPECT_EQ(s.empty_submits, 1) << "the image went back through an empty batch";
  // Half-way recordings are dropped the same way.
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
  EXPECT_FALSE(renderer->frame_submit(gpu, 0)) << "the buffer is still recording";
  EXPECT_TRUE(log.has("frame_submit - the command buffer of frame 1 is still recording."));
  EXPECT_FALSE(renderer->frame_present(gpu, window));
  for (unsigned i = 0; i < 2 * images; ++i) ASSERT_TRUE(draw_frame(renderer, gpu, window)) << "frame " << i;
  EXPECT_EQ(s.presents, static_cast<int>(2 * images + 2));
  EXPECT_EQ(s.violations, 0);
  expect_nothing_left();
}

TEST_F(FakeWindowTest, ABeginThatFailsHalfWayLeavesNothingRecording) {
  ASSERT_TRUE(start(window_config()));
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  VkSwapchainRecord* swapchain = device_record(gpu)->swapchain;
  const uint32_t image = swapchain->current_image_index;
  swapchain->current_image_index = 7;  // no framebuffer for it
  EXPECT_FALSE(renderer->frame_begin(gpu, true, true));
  EXPECT_TRUE(log.has("frame_begin - no render pass or framebuffer for image 7."));
  EXPECT_FALSE(renderer->frame_end(gpu, true, true)) << "nothing is recording";
  swapchain->current_image_index = image;
  // The buffer begins afresh (the fake fails a second begin of a recording
  // buffer) and the frame goes on.
  ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
  ASSERT_TRUE(renderer->frame_end(gpu, true, true));
  ASSERT_TRUE(renderer->frame_submit(gpu, 0));
  ASSERT_TRUE(renderer->frame_present(gpu, window));
  EXPECT_EQ(FakeLoader::get().state().violations, 0);
  expect_nothing_left();
}

TEST_F(FakeWindowTest, AFrameKeepsItsImageWhileTheHostMovesTheIndex) {
  ASSERT_TRUE(start(window_config()));
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  const unsigned first = renderer->swapchain_get_image_index(gpu);
  renderer->frame_set_index(gpu, 1);
  ASSERT_TRUE(draw_frame(renderer, gpu, window)) << "frame 1 with an image of its own";
  EXPECT_NE(renderer->swapchain_get_image_index(gpu), first);
  renderer->frame_set_index(gpu, 0);
  ASSERT_TRUE(renderer->frame_acquire(gpu, window)) << "frame 0 still holds its image";
  EXPECT_EQ(renderer->swapchain_get_image_index(gpu), first);
  ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
  ASSERT_TRUE(renderer->frame_end(gpu, true, true));
  ASSERT_TRUE(renderer->frame_submit(gpu, 0));
  ASSERT_TRUE(renderer->frame_present(gpu, window));  // the fake fails an image not held
  EXPECT_EQ(FakeLoader::get().state().violations, 0);
  expect_nothing_left();
}

TEST_F(FakeWindowTest, AcquiredIndexOutsideTheImagesIsAnError) {
  ASSERT_TRUE(start(window_config()));
  FakeVkConfig config = window_config();
  config.acquire_out_of_range = true;
  FakeLoader::get().configure(config);
  EXPECT_FALSE(renderer->frame_acquire(gpu, window));
  EXPECT_EQ(log.level_of("frame_acquire - the acquired image index 3 is outside the 3 swapchain images."),
            tvc::LogMgr::kError);
  EXPECT_FALSE(renderer->frame_submit(gpu, 0));
  EXPECT_FALSE(renderer->frame_present(gpu, window));
  config.acquire_out_of_range = false;
  FakeLoader::get().configure(config);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(draw_frame(renderer, gpu, window)) << "frame " << i;
  EXPECT_EQ(FakeLoader::get().state().violations, 0);
  renderer->terminate();
}

TEST_F(FakeWindowTest, ARecreationThatFailsLeavesNoFrameToAcquire) {
  ASSERT_TRUE(start(window_config()));
  ASSERT_TRUE(draw_frame(renderer, gpu, window));
  FakeVkConfig config = window_config();
  config.no_depth_format = true;
  FakeLoader::get().configure(config);
  EXPECT_FALSE(renderer->swapchain_recreate(gpu, window));
  EXPECT_FALSE(renderer->frame_acquire(gpu, window));
  EXPECT_FALSE(renderer->frame_begin(gpu, true, true));
  EXPECT_FALSE(renderer->frame_present(gpu, window));
  // A later re-creation that succeeds brings the frames back.
  FakeLoader::get().configure(window_config());
  ASSERT_TRUE(renderer->swapchain_recreate(gpu, window));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(draw_frame(renderer, gpu, window)) << "frame " << i;
  renderer->terminate();
}

// A frame submitted and not yet presented still runs when the swapchain is
// re-created: its fence is waited for before it is reset and armed again
// (the fake refuses the reset of a fence whose submit has not finished).
TEST_F(FakeWindowTest, ARecreationWaitsForTheFrameInFlightBeforeResettingItsFence) {
  ASSERT_TRUE(start(window_config()));
  ASSERT_TRUE(draw_frame(renderer, gpu, window));
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
  ASSERT_TRUE(renderer->frame_end(gpu, true, true));
  ASSERT_TRUE(renderer->frame_submit(gpu, 0));
  ASSERT_TRUE(renderer->swapchain_recreate(gpu, window));
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(draw_frame(renderer, gpu, window)) << "frame " << i;
  EXPECT_EQ(FakeLoader::get().state().violations, 0) << FakeLoader::get().state().last_violation;
  expect_nothing_left();
}

TEST_F(FakeWindowTest, KilledGpuAndTerminateReleaseDevicesBeforeTheInstance) {
  for (bool kill_first : {true, false}) {
    SCOPED_TRACE(kill_first ? "GPU object killed" : "terminate alone");
    ASSERT_TRUE(start(window_config()));
    ASSERT_TRUE(draw_frame(renderer, gpu, window));
    ASSERT_NE(renderer->command_list_get_by_index(gpu, 0), nullptr);
    if (kill_first) {
      EXPECT_TRUE(renderer->gpu_kill(gpu));
      EXPECT_EQ(FakeLoader::get().state().devices_destroyed, 1) << "the device went with its GPU object";
    }
    renderer->render_window_killall();
    expect_nothing_left();  // the fake fails the test for an instance destroyed first
  }
}

TEST_F(FakeWindowTest, ListSubmitsWaitOnlyOnAnAcquisitionNothingConsumed) {
  ASSERT_TRUE(start(window_config()));
  const FakeVkState& s = FakeLoader::get().state();
  tvc::GpuCommandList* list = renderer->command_list_get_default(gpu, 0);
  ASSERT_NE(list, nullptr);
  // Outside a frame: no semaphore at all.
  ASSERT_TRUE(renderer->command_list_open(list));
  ASSERT_TRUE(renderer->command_list_close(list));
  EXPECT_TRUE(renderer->command_list_submit(list));
  // Into the acquired image: the list takes the frame's place.
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  ASSERT_TRUE(renderer->command_list_open(list));
  EXPECT_TRUE(renderer->command_list_execute_listed(list)) << "no secondary list: nothing recorded";
  EXPECT_EQ(s.executed_secondaries, 0);
  ASSERT_TRUE(renderer->command_list_begin_swapchain_render_pass(list, 0));
  ASSERT_TRUE(renderer->command_list_end_render_pass(list));
  EXPECT_FALSE(renderer->command_list_submit(list)) << "still recording";
  ASSERT_TRUE(renderer->command_list_close(list));
  EXPECT_TRUE(renderer->command_list_submit(list));
  EXPECT_TRUE(renderer->frame_present(gpu, window));
  EXPECT_EQ(s.empty_submits, 0) << "present found the frame submitted";
  // A frame submitted already is not waited on again.
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  ASSERT_TRUE(renderer->frame_begin(gpu, true, true));
  ASSERT_TRUE(renderer->frame_end(gpu, true, true));
  ASSERT_TRUE(renderer->frame_submit(gpu, 0));
  ASSERT_TRUE(renderer->command_list_open(list));
  ASSERT_TRUE(renderer->command_list_begin_swapchain_render_pass(list, 0));
  ASSERT_TRUE(renderer->command_list_end_render_pass(list));
  ASSERT_TRUE(renderer->command_list_close(list));
  EXPECT_TRUE(renderer->command_list_submit(list));
  EXPECT_TRUE(renderer->frame_present(gpu, window));
  // The fence index must name one of the 16 device fences.
  renderer->command_list_set_fence_index(list, 16);
  EXPECT_FALSE(renderer->command_list_submit(list));
  renderer->command_list_set_fence_index(list, 15);
  ASSERT_TRUE(renderer->command_list_open(list));
  ASSERT_TRUE(renderer->command_list_close(list));
  EXPECT_TRUE(renderer->command_list_submit(list));
  VkDeviceRecord* device = device_record(gpu);
  EXPECT_EQ(FakeLoader::get().fence_state((uint64_t)device->fences[15]), 1);
  renderer->command_list_set_active(list);
  EXPECT_EQ(device->active_list, list);
  renderer->command_list_set_active(nullptr);
  EXPECT_EQ(device->active_list, nullptr);
  renderer->command_list_set_active(list);
  EXPECT_TRUE(renderer->command_list_killall(gpu));
  EXPECT_EQ(renderer->command_list_get_count(gpu), 0);
  EXPECT_EQ(device->active_list, nullptr) << "no pointer to a killed list stays";
  EXPECT_EQ(s.violations, 0);
  expect_nothing_left();
}

TEST_F(FakeWindowTest, ReadBackFollowsTheRowPitchOnBothPaths) {
  const struct {
    const char* what;
    uint32_t linear, optimal;
    bool swizzle;
  } cases[] = {
      {"blit path: bytes as the blit wrote them", VK_FORMAT_FEATURE_BLIT_DST_BIT, VK_FORMAT_FEATURE_BLIT_SRC_BIT, false},
      {"copy path from B8G8R8A8: R, G, B, A", 0, VK_FORMAT_FEATURE_BLIT_SRC_BIT, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeVkConfig config = window_config();
    config.surface_width = 7;
    config.surface_height = 5;
    config.linear_bgra_features = c.linear;
    config.optimal_surface_features = c.optimal;
    config.row_pitch_padding = 12;
    config.layout_offset = 64;
    ASSERT_TRUE(start(config));
    const FakeVkState& s = FakeLoader::get().state();
    std::vector<unsigned char> out(7 * 5 * 4, 0);
    renderer->read_color_buffer(out.data());
    EXPECT_EQ(s.blits, c.swizzle ? 0 : 1);
    EXPECT_EQ(s.image_copies, c.swizzle ? 1 : 0);
    EXPECT_EQ(s.queue_idle_waits, 1);
    for (uint32_t y = 0; y < 5; ++y)
      for (uint32_t x = 0; x < 7; ++x) {
        unsigned char want[4];
        fake_vk_pixel(x, y, want);
        const unsigned char* got = &out[(y * 7 + x) * 4];
        const int order[4] = {c.swizzle ? 2 : 0, 1, c.swizzle ? 0 : 2, 3};
        for (int i = 0; i < 4; ++i) ASSERT_EQ(got[i], want[order[i]]) << x << "," << y << " byte " << i;
      }
    expect_nothing_left();
  }
}

TEST_F(FakeWindowTest, ReadBackWithoutItsImageLeavesTheBufferAlone) {
  const struct {
    const char* what;
    void (*change)(FakeVkConfig&);
    const char* error;
  } cases[] = {
      {"image", [](FakeVkConfig& c) { c.create_linear_image_result = VK_ERROR_OUT_OF_DEVICE_MEMORY; },
       "read_color_buffer - unable to create the read-back image (err: VK_ERROR_OUT_OF_DEVICE_MEMORY (-2))."},
      {"memory", [](FakeVkConfig& c) { c.allocate_memory_result = VK_ERROR_OUT_OF_HOST_MEMORY; },
       "read_color_buffer - unable to create the read-back image (err: VK_ERROR_OUT_OF_HOST_MEMORY (-1))."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(start(window_config()));
    FakeVkConfig config = window_config();
    c.change(config);
    FakeLoader::get().configure(config);
    std::vector<unsigned char> out(640 * 480 * 4, 0x5A);
    renderer->read_color_buffer(out.data());
    EXPECT_EQ(log.level_of(c.error), tvc::LogMgr::kError);
    EXPECT_EQ(FakeLoader::get().state().barriers, 0) << "nothing recorded";
    EXPECT_EQ(out, std::vector<unsigned char>(640 * 480 * 4, 0x5A));
    renderer->terminate();
  }
}

}  // namespace
