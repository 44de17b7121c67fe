// Fixtures of the plug-in tests: what the system's loader (lavapipe under
// Wine) reports on its own, and render windows on that loader through a
// hidden window; those of the stand-in loader live in plugin_host.h.
#pragma once

#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <cstring>

#include "plugin_host.h"

// What the loader itself reports for the first device, read independently
// of the plug-in.
struct LiveDevice {
  bool ok = false;
  VkPhysicalDeviceProperties props{};
  VkPhysicalDeviceFeatures features{};
  VkPhysicalDeviceDriverProperties driver{};  // zero without the extended query
};

inline const LiveDevice& live_device() {
  static LiveDevice live = [] {
    LiveDevice d;
    HMODULE lib = LoadLibraryA("vulkan-1.dll");
    if (!lib) return d;
    auto gipa = reinterpret_cast<PFN_vkGetInstanceProcAddr>(
        reinterpret_cast<void (*)()>(GetProcAddress(lib, "vkGetInstanceProcAddr")));
    auto create = reinterpret_cast<PFN_vkCreateInstance>(gipa(nullptr, "vkCreateInstance"));
    VkApplicationInfo app{};
    app.sType = VK_STRUCTURE_TYPE_APPLICATION_INFO;
    app.apiVersion = VK_API_VERSION_1_2;
    VkInstanceCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
    info.pApplicationInfo = &app;
    VkInstance instance = nullptr;
    if (!create || create(&info, nullptr, &instance) != VK_SUCCESS) return d;
    auto enumerate = reinterpret_cast<PFN_vkEnumeratePhysicalDevices>(gipa(instance, "vkEnumeratePhysicalDevices"));
    auto props = reinterpret_cast<PFN_vkGetPhysicalDeviceProperties>(gipa(instance, "vkGetPhysicalDeviceProperties"));
    auto feats = reinterpret_cast<PFN_vkGetPhysicalDeviceFeatures>(gipa(instance, "vkGetPhysicalDeviceFeatures"));
    uint32_t count = 1;
    VkPhysicalDevice device = nullptr;
    VkResult r = enumerate(instance, &count, &device);
    if ((r == VK_SUCCESS || r == VK_INCOMPLETE) && count >= 1) {
      props(device, &d.props);
      feats(device, &d.features);
      auto props2 =
          reinterpret_cast<PFN_vkGetPhysicalDeviceProperties2>(gipa(instance, "vkGetPhysicalDeviceProperties2"));
      VkPhysicalDeviceProperties2 chain{};
      chain.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2;
      d.driver.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_DRIVER_PROPERTIES;
      chain.pNext = &d.driver;
      if (props2) props2(device, &chain);
      d.driver.pNext = nullptr;
      d.ok = true;
    }
    reinterpret_cast<PFN_vkDestroyInstance>(gipa(instance, "vkDestroyInstance"))(instance, nullptr);
    return d;
  }();
  return live;
}

class LavapipeTest : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_TRUE(live_device().ok) << "no Vulkan device through the system loader";
    renderer->verbose = 1;
    ASSERT_TRUE(renderer->initialize());
    gpu = renderer->gpu_get_by_index(0);
    ASSERT_NE(gpu, nullptr);
  }
  tvc::RendererGpu* gpu = nullptr;
};

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
