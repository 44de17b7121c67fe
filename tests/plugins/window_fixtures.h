// Fixtures of the plug-in tests that open render windows on the system's
// loader (lavapipe under Wine) through a hidden window; those of the stand-in
// loader live in plugin_host.h.
#pragma once

#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <cstring>

#include "plugin_host.h"

// One frame the way the framework draws it: acquire, clear, submit, present.
inline bool draw_frame(tvc::Renderer* r, tvc::RendererGpu* gpu, tvc::RenderWindow* window) {
  return r->frame_acquire(gpu, window) && r->frame_begin(gpu, true, true) && r->frame_end(gpu, true, true) &&
         r->frame_submit(gpu, 0) && r->frame_present(gpu, window);
}

// ---- lavapipe

class LiveWindowTest : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_NE(window.hwnd, nullptr);
    ASSERT_TRUE(renderer->initialize());
    gpu = renderer->gpu_get_by_index(0);
    ASSERT_NE(gpu, nullptr);
  }
  // Render window with surface, then GPU 0 with device, swapchain and frames.
  tvc::RenderWindow* open_window() {
    tvc::RenderWindow* w = renderer->render_window_create();
    tvc::RenderWindowDesc desc = window_desc(&window.hwnd, 320, 240);
    EXPECT_TRUE(renderer->render_window_init(w, &desc, 0));
    EXPECT_TRUE(renderer->gpu_initialize(gpu, w));
    return w;
  }
  HiddenWindow window{320, 240};
  tvc::RendererGpu* gpu = nullptr;
};
