// GPU initialisation, render windows, swapchain and frames of the Vulkan2
// plug-in: on the system's loader (lavapipe under Wine) through a hidden
// window, and on the stand-in loader for the choices and failure paths.
#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <cstring>

#include "window_fixtures.h"

namespace {

TEST_F(LiveWindowTest, DrawsFramesResizesAndReleasesEverything) {
  tvc::RenderWindow* w = open_window();
  EXPECT_EQ(renderer->get_current_render_window(), w);
  EXPECT_TRUE(log.has("swapchain created ok."));
  EXPECT_TRUE(log.has("vk_render_pass_init() ok."));
  EXPECT_TRUE(log.has("--- GPU 0 initialized ok"));
  const unsigned images = renderer->swapchain_get_image_count(gpu);
  ASSERT_GE(images, 2u);
  EXPECT_TRUE(renderer->gpu_initialize(gpu, w)) << "a second initialisation is a no-op";
  EXPECT_TRUE(renderer->gpu_is_device_extension_supported(gpu, "VK_KHR_swapchain"));
  EXPECT_FALSE(renderer->gpu_is_device_extension_supported(gpu, "VK_KHR_swapchai"));
  EXPECT_FALSE(renderer->gpu_is_device_extension_supported(gpu, nullptr));
  EXPECT_TRUE(renderer->wait_for_gpu(gpu));

  renderer->set_clear_color_4f(0.2f, 0.4f, 0.6f, 1.0f);
  for (unsigned i = 0; i < images + 1; ++i) {
    ASSERT_TRUE(draw_frame(renderer, gpu, w)) << "frame " << i;
    EXPECT_EQ(renderer->frame_get_index(gpu), (i + 1) % images);
    EXPECT_LT(renderer->swapchain_get_image_index(gpu), images);
  }
  // Nested begins record one pass; a render pass alone on the open buffer.
  ASSERT_TRUE(renderer->frame_acquire(gpu, w));
  EXPECT_TRUE(renderer->frame_begin(gpu, true, true));
  EXPECT_TRUE(renderer->frame_begin(gpu, true, true));
  EXPECT_TRUE(renderer->frame_end(gpu, true, true));
  EXPECT_TRUE(renderer->frame_end(gpu, true, true));
  EXPECT_FALSE(renderer->frame_end(gpu, true, true)) << "an end without a begin";
  EXPECT_TRUE(renderer->frame_submit(gpu, 0));
  EXPECT_TRUE(renderer->frame_present(gpu, w));
  EXPECT_FALSE(renderer->frame_present(gpu, w)) << "a second present without acquiring";

  EXPECT_EQ(renderer->swapchain_get_recreate_count(gpu), 0);
  EXPECT_TRUE(renderer->swapchain_is_recreated(gpu)) << "the first call answers true";
  EXPECT_FALSE(renderer->swapchain_is_recreated(gpu));
  window.resize(400, 300);
  ASSERT_TRUE(renderer->swapchain_recreate(gpu, w));
  EXPECT_EQ(w->get_width(), 400);
  EXPECT_EQ(w->get_height(), 300);
  EXPECT_EQ(renderer->swapchain_get_recreate_count(gpu), 1);
  EXPECT_EQ(renderer->frame_get_index(gpu), 0u);
  EXPECT_TRUE(renderer->swapchain_is_recreated(gpu));
  EXPECT_FALSE(renderer->swapchain_is_recreated(gpu));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(draw_frame(renderer, gpu, w)) << "frame after resize " << i;

  renderer->frame_set_index(gpu, images + 5);
  EXPECT_LT(renderer->frame_get_index(gpu), images) << "an index past the frames is refused";
  renderer->frame_set_index(gpu, 0);
  EXPECT_EQ(renderer->frame_get_index(gpu), 0u);

  EXPECT_TRUE(renderer->gpu_cleanup(gpu, w));
  EXPECT_EQ(renderer->swapchain_get_image_count(gpu), 0u);
  EXPECT_EQ(renderer->swapchain_get_recreate_count(gpu), -1);
  EXPECT_FALSE(renderer->frame_acquire(gpu, w));
  EXPECT_TRUE(renderer->gpu_cleanup(gpu, w)) << "cleaning up an uninitialised GPU";
  EXPECT_TRUE(renderer->render_window_kill(w));
  EXPECT_FALSE(renderer->render_window_kill(w));
  EXPECT_EQ(renderer->get_current_render_window(), nullptr);
  for (const auto& line : log.lines) EXPECT_NE(line.first, tvc::LogMgr::kError) << line.second;
}

TEST_F(LiveWindowTest, TerminateReleasesADeviceLeftInitialisedAndStartsAgain) {
  tvc::RenderWindow* w = open_window();
  ASSERT_TRUE(draw_frame(renderer, gpu, w));
  // No clean-up by the host: terminate releases device, swapchain and surface.
  EXPECT_TRUE(renderer->terminate());
  EXPECT_FALSE(w->surface_created);
  ASSERT_TRUE(renderer->initialize());
  gpu = renderer->gpu_get_by_index(0);
  ASSERT_NE(gpu, nullptr);
  HostWindowBlock desc = window_desc(&window.hwnd, 320, 240);
  ASSERT_TRUE(renderer->render_window_init(w, desc.get(), 0));
  ASSERT_TRUE(renderer->gpu_initialize(gpu, w));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(draw_frame(renderer, gpu, w));
  EXPECT_TRUE(renderer->render_window_killall());
  EXPECT_EQ(renderer->get_current_render_window(), nullptr);
}

TEST_F(LiveWindowTest, WithoutAWindowOnlyTheDeviceIsMade) {
  ASSERT_TRUE(renderer->gpu_initialize(gpu, nullptr));
  EXPECT_EQ(renderer->swapchain_get_image_count(gpu), 0u);
  EXPECT_EQ(renderer->swapchain_get_recreate_count(gpu), 0);
  EXPECT_TRUE(renderer->wait_for_gpu(gpu));
  EXPECT_FALSE(renderer->frame_acquire(gpu, nullptr));
  EXPECT_FALSE(renderer->frame_begin(gpu, true, true));
  EXPECT_FALSE(renderer->frame_submit(gpu, 0));
  EXPECT_TRUE(renderer->gpu_cleanup(gpu, nullptr));
  EXPECT_FALSE(renderer->wait_for_gpu(gpu));
  EXPECT_TRUE(log.has("wait_for_gpu failed - GPU: " + std::string(renderer->gpu_get_name(gpu)) +
                      " - err: VK_NOT_READY (1)."));
}

// ---- stand-in loader

TEST_F(FakeWindowTest, FramebuffersAndDepthBufferTakeTheSwapchainExtent) { expect_objects_sized_by_the_swapchain(); }

TEST_F(FakeWindowTest, SwapchainChoicesFollowTheSurfaceAndTheWindowOptions) {
  const struct {
    const char* what;
    uint32_t min_images, max_images, usage;
    std::vector<int32_t> formats;
    std::vector<int32_t> modes;
    bool vsync;
    int mailbox;
    uint32_t want_images;
    int32_t want_format;
    int32_t want_mode;
    uint32_t want_usage;
  } cases[] = {
      {"B8G8R8A8_UNORM preferred; IMMEDIATE first", 2, 0, 0x11, {50, 44}, {2, 1, 0}, false, 0, 3, 44, 0, 0x11},
      {"one UNDEFINED format", 2, 0, 0x11, {0}, {2}, false, 0, 3, 37, 2, 0x11},
      {"first format without B8G8R8A8_UNORM", 3, 3, 0x11, {50, 43}, {2}, false, 0, 3, 50, 2, 0x11},
      {"sync option forces FIFO", 2, 0, 0x11, {44}, {0, 1, 2}, true, 0, 3, 44, 2, 0x11},
      {"MAILBOX without IMMEDIATE", 2, 0, 0x11, {44}, {2, 1}, false, 0, 3, 44, 1, 0x11},
      {"mailbox option skips IMMEDIATE", 2, 0, 0x11, {44}, {0, 1, 2}, false, 1, 3, 44, 1, 0x11},
      {"mailbox option without MAILBOX", 2, 0, 0x11, {44}, {0, 2}, false, 1, 3, 44, 2, 0x11},
      {"no TRANSFER_SRC usage", 2, 0, 0x10, {44}, {2}, false, 0, 3, 44, 2, 0x10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeVkConfig config = window_config();
    config.surface_min_images = c.min_images;
    config.surface_max_images = c.max_images;
    config.surface_usage = c.usage;
    config.surface_format_count = static_cast<uint32_t>(c.formats.size());
    for (size_t i = 0; i < c.formats.size(); ++i) config.surface_formats[i] = c.formats[i];
    config.present_mode_count = static_cast<uint32_t>(c.modes.size());
    for (size_t i = 0; i < c.modes.size(); ++i) config.present_modes[i] = c.modes[i];
    ASSERT_TRUE(start(config, c.vsync, c.mailbox));
    const FakeVkState& s = FakeLoader::get().state();
    EXPECT_EQ(s.swapchain_min_images, c.want_images);
    EXPECT_EQ(renderer->swapchain_get_image_count(gpu), c.want_images);
    EXPECT_EQ(s.swapchain_format, c.want_format);
    EXPECT_EQ(s.swapchain_present_mode, c.want_mode);
    EXPECT_EQ(s.swapchain_usage, c.want_usage);
    EXPECT_EQ(s.swapchain_width, 640u) << "the surface's extent wins over the window's";
    EXPECT_EQ(window->get_width(), 640);
    EXPECT_EQ(window->get_height(), 480);
    EXPECT_TRUE(renderer->gpu_cleanup(gpu, window));
    EXPECT_TRUE(renderer->render_window_kill(window));
    expect_nothing_left();
  }
}

TEST_F(FakeWindowTest, FailuresReportFalseAndLeaveNothingBehind) {
  const struct {
    const char* what;
    void (*change)(FakeVkConfig&);
    const char* error;
  } cases[] = {
      {"device creation fails", [](FakeVkConfig& c) { c.create_device_result = VK_ERROR_INITIALIZATION_FAILED; },
       "[Vulkan] unable to create a device (err: VK_ERROR_INITIALIZATION_FAILED (-3))."},
      {"no graphics queue", [](FakeVkConfig& c) { c.queue_family_flags[0] = VK_QUEUE_COMPUTE_BIT; },
       "could not find a graphics or a present queue for GPU 0. Initialization of GPU 0 failed."},
      {"surface cannot be presented to", [](FakeVkConfig& c) { c.present_family_mask = 0; },
       "could not find a graphics or a present queue for GPU 0. Initialization of GPU 0 failed."},
      {"swapchain creation fails", [](FakeVkConfig& c) { c.create_swapchain_result = VK_ERROR_SURFACE_LOST_KHR; },
       "unable to create a swapchain (err: VK_ERROR_SURFACE_LOST_KHR (-1000000000))."},
      {"surface without formats", [](FakeVkConfig& c) { c.surface_format_count = 0; },
       "unable to create the swapchain for GPU 0."},
      {"minimised window", [](FakeVkConfig& c) { c.surface_width = 0; }, "unable to create the swapchain for GPU 0."},
      {"surface creation fails", [](FakeVkConfig& c) { c.create_surface_result = VK_ERROR_OUT_OF_HOST_MEMORY; },
       "unable to create the render window present surface - (err: VK_ERROR_OUT_OF_HOST_MEMORY (-1))."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    log.lines.clear();
    FakeVkConfig config = window_config();
    c.change(config);
    EXPECT_FALSE(start(config));
    EXPECT_EQ(log.level_of(c.error), tvc::LogMgr::kError);
    EXPECT_EQ(renderer->swapchain_get_image_count(gpu), 0u);
    EXPECT_FALSE(renderer->frame_acquire(gpu, window));
    EXPECT_FALSE(renderer->gpu_initialize(gpu, window)) << "a failed GPU stays uninitialised";
    EXPECT_TRUE(renderer->gpu_cleanup(gpu, window));
    renderer->render_window_killall();
    expect_nothing_left();
  }
}

TEST_F(FakeWindowTest, SeparatePresentFamilyGetsItsOwnQueue) {
  FakeVkConfig config = window_config();
  config.queue_family_count = 2;
  config.queue_family_flags[0] = VK_QUEUE_GRAPHICS_BIT;
  config.queue_family_flags[1] = VK_QUEUE_COMPUTE_BIT;
  config.present_family_mask = 2;
  ASSERT_TRUE(start(config));
  const FakeVkState& s = FakeLoader::get().state();
  ASSERT_EQ(s.device_queue_create_count, 2u);
  EXPECT_EQ(s.device_queue_families[0], 0u);
  EXPECT_EQ(s.device_queue_families[1], 1u);
  expect_nothing_left();
}

TEST_F(FakeWindowTest, PresentResultsDriveTheFrameIndexAndRecreation) {
  ASSERT_TRUE(start(window_config()));
  ASSERT_EQ(renderer->swapchain_get_image_count(gpu), 3u);
  for (unsigned want : {1u, 2u, 0u, 1u}) {
    ASSERT_TRUE(draw_frame(renderer, gpu, window));
    EXPECT_EQ(renderer->frame_get_index(gpu), want);
  }
  EXPECT_TRUE(renderer->swapchain_is_recreated(gpu));

  FakeVkConfig config = window_config();
  config.present_result = VK_ERROR_DEVICE_LOST;
  FakeLoader::get().configure(config);
  EXPECT_FALSE(draw_frame(renderer, gpu, window));
  EXPECT_EQ(renderer->frame_get_index(gpu), 1u) << "a lost device leaves the index";

  config.present_result = VK_ERROR_OUT_OF_DATE_KHR;
  config.surface_width = 800;
  FakeLoader::get().configure(config);
  EXPECT_TRUE(draw_frame(renderer, gpu, window));
  EXPECT_EQ(renderer->frame_get_index(gpu), 0u);
  EXPECT_EQ(renderer->swapchain_get_recreate_count(gpu), 1);
  EXPECT_EQ(window->get_width(), 800);
  EXPECT_TRUE(renderer->swapchain_is_recreated(gpu));
  EXPECT_FALSE(renderer->swapchain_is_recreated(gpu));

  // A minimised window is not rebuilt and nothing changes.
  config.present_result = VK_SUCCESS;
  config.surface_width = 0;
  FakeLoader::get().configure(config);
  EXPECT_FALSE(renderer->swapchain_recreate(gpu, window));
  EXPECT_EQ(renderer->swapchain_get_recreate_count(gpu), 1);
  EXPECT_EQ(renderer->swapchain_get_image_count(gpu), 3u);

  // A new image count brings frames to match.
  config.surface_width = 640;
  config.surface_min_images = 1;
  FakeLoader::get().configure(config);
  ASSERT_TRUE(renderer->swapchain_recreate(gpu, window));
  EXPECT_EQ(renderer->swapchain_get_image_count(gpu), 2u);
  for (unsigned want : {1u, 0u, 1u}) {
    ASSERT_TRUE(draw_frame(renderer, gpu, window));
    EXPECT_EQ(renderer->frame_get_index(gpu), want);
  }
  EXPECT_EQ(FakeLoader::get().state().render_passes_begun, FakeLoader::get().state().render_passes_ended);
  // The fake's counters restarted with each configure: only the balance of
  // objects made since then is checked by terminate here.
  renderer->terminate();
}

TEST_F(FakeWindowTest, NestedAndPartialBeginsRecordOnePass) {
  ASSERT_TRUE(start(window_config()));
  ASSERT_TRUE(renderer->frame_acquire(gpu, window));
  const FakeVkState& s = FakeLoader::get().state();
  EXPECT_TRUE(renderer->frame_begin(gpu, true, true));
  EXPECT_TRUE(renderer->frame_begin(gpu, true, true));
  EXPECT_EQ(s.render_passes_begun, 1);
  EXPECT_TRUE(renderer->frame_end(gpu, true, true));
  EXPECT_EQ(s.render_passes_ended, 0);
  EXPECT_TRUE(renderer->frame_end(gpu, true, true));
  EXPECT_EQ(s.render_passes_ended, 1);
  // The render pass alone, inside a command buffer begun on its own.
  EXPECT_TRUE(renderer->frame_begin(gpu, true, false));
  EXPECT_EQ(s.render_passes_begun, 1);
  EXPECT_TRUE(renderer->frame_begin(gpu, false, true));
  EXPECT_EQ(s.render_passes_begun, 2);
  EXPECT_TRUE(renderer->frame_end(gpu, false, true));
  EXPECT_EQ(s.render_passes_ended, 2);
  EXPECT_TRUE(renderer->frame_end(gpu, true, false));
  EXPECT_EQ(s.render_passes_ended, 2);
  EXPECT_TRUE(renderer->frame_submit(gpu, 0));
  EXPECT_TRUE(renderer->frame_present(gpu, window));
  EXPECT_EQ(s.violations, 0);
  expect_nothing_left();
}

}  // namespace
