// Fixtures of the plug-in tests: what the system's loader (lavapipe under
// Wine) reports on its own, and render windows on that loader through a
// hidden window and on the stand-in loader.
#pragma once

#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <cstring>
#include <vector>

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

// A hidden top-level window of a given client size.
class HiddenWindow {
 public:
  HiddenWindow(int width, int height) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QvVulkanTestWindow";
    RegisterClassA(&wc);  // a second registration fails harmlessly
    hwnd = CreateWindowExA(0, wc.lpszClassName, "vk", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr,
                           wc.hInstance, nullptr);
    resize(width, height);
  }
  ~HiddenWindow() {
    if (hwnd) DestroyWindow(hwnd);
  }
  void resize(int width, int height) {
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HWND hwnd = nullptr;
};

// The window description block as a host hands it over: 124 bytes, the
// pointer to the window handle at offset 8, the sync option byte at 35 and
// the mailbox option the 32-bit word at 36 (width and height are the core
// library's first two words). Every other byte carries a pattern, so a reader
// of the wrong offsets is seen.
struct HostWindowBlock {
  alignas(8) unsigned char bytes[124];
  const tvc::RenderWindowDesc* get() const { return reinterpret_cast<const tvc::RenderWindowDesc*>(bytes); }
};

inline HostWindowBlock window_desc(HWND* hwnd, int width, int height, bool vsync = false, int mailbox = 0) {
  HostWindowBlock block;
  memset(block.bytes, 0xA5, sizeof(block.bytes));
  memcpy(block.bytes + 0, &width, 4);
  memcpy(block.bytes + 4, &height, 4);
  memcpy(block.bytes + 8, &hwnd, sizeof(hwnd));
  block.bytes[35] = vsync ? 0x80 : 0;
  memcpy(block.bytes + 36, &mailbox, 4);
  return block;
}

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
    HostWindowBlock desc = window_desc(&window.hwnd, 320, 240);
    EXPECT_TRUE(renderer->render_window_init(w, desc.get(), 0));
    EXPECT_TRUE(renderer->gpu_initialize(gpu, w));
    return w;
  }
  HiddenWindow window{320, 240};
  tvc::RendererGpu* gpu = nullptr;
};

inline FakeVkConfig window_config() {
  FakeVkConfig c{};
  c.device_count = 1;
  c.devices[0] = {0x10DE, 0x1234, VK_MAKE_VERSION(1, 2, 0), 0, 2, "Fake GPU", 1ull << 30};
  c.instance_extensions[0] = "VK_KHR_surface";
  c.instance_extensions[1] = "VK_KHR_win32_surface";
  c.queue_family_count = 1;
  c.queue_family_flags[0] = VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT;
  c.present_family_mask = 1;
  c.surface_min_images = 2;
  c.surface_max_images = 0;
  c.surface_width = 640;
  c.surface_height = 480;
  c.surface_usage = VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT;
  c.surface_format_count = 2;
  c.surface_formats[0] = VK_FORMAT_R8G8B8A8_SRGB;
  c.surface_formats[1] = VK_FORMAT_B8G8R8A8_UNORM;
  c.present_mode_count = 1;
  c.present_modes[0] = VK_PRESENT_MODE_FIFO_KHR;
  return c;
}

class FakeWindowTest : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_TRUE(FakeLoader::get().loaded());
    PluginLibrary::get().use_vulkan_library(FakeLoader::get().path());
  }
  // Initialises the plug-in on a configuration and opens a window on GPU 0.
  bool start(const FakeVkConfig& config, bool vsync = false, int mailbox = 0) {
    FakeLoader::get().configure(config);
    if (!renderer->initialize()) return false;
    gpu = renderer->gpu_get_by_index(0);
    window = renderer->render_window_create();
    HostWindowBlock desc = window_desc(&hwnd, 100, 100, vsync, mailbox);
    if (!renderer->render_window_init(window, desc.get(), 0)) return false;
    return renderer->gpu_initialize(gpu, window);
  }
  // After terminate nothing the plug-in made may be left.
  void expect_nothing_left() {
    renderer->terminate();
    const FakeVkState& s = FakeLoader::get().state();
    EXPECT_EQ(s.live_objects, 0);
    EXPECT_EQ(s.devices_created, s.devices_destroyed);
    EXPECT_EQ(s.surfaces_created, s.surfaces_destroyed);
    EXPECT_EQ(s.instances_created, s.instances_destroyed);
  }
  // A surface that leaves the extent to the swapchain clamps the window's
  // 100 x 100 to its largest image extent; the framebuffers and the depth
  // buffer take the swapchain's size, at start and after a re-creation.
  void expect_objects_sized_by_the_swapchain() {
    FakeVkConfig c = window_config();
    c.surface_width = c.surface_height = 0xFFFFFFFFu;
    c.surface_max_width = 64;
    c.surface_max_height = 48;
    ASSERT_TRUE(start(c));
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(round ? "re-created" : "initialised");
      const FakeVkState& s = FakeLoader::get().state();
      EXPECT_EQ(s.swapchain_width, 64u);
      EXPECT_EQ(s.swapchain_height, 48u);
      EXPECT_EQ(s.framebuffer_width, 64u);
      EXPECT_EQ(s.framebuffer_height, 48u);
      EXPECT_EQ(s.depth_image_width, 64u);
      EXPECT_EQ(s.depth_image_height, 48u);
      EXPECT_EQ(s.violations, 0) << s.last_violation;
      if (round == 0) {
        ASSERT_TRUE(renderer->swapchain_recreate(gpu, window));
      }
    }
    expect_nothing_left();
  }
  HWND hwnd = nullptr;
  tvc::RendererGpu* gpu = nullptr;
  tvc::RenderWindow* window = nullptr;
};

// A geometry of one triangle: three interleaved vertices of 64 bytes (192
// bytes) and three 32-bit indices (12 bytes).
inline void one_triangle(tvc::GeometryCore* mesh) {
  static const float vertices[3 * 16] = {0};
  static const uint32_t indices[3] = {0, 1, 2};
  mesh->set_vertices(vertices, 3);
  mesh->set_indices32(indices, 1);
}

// On a GPU without device-local memory: one triangle's vertex buffers are
// made, its index buffers refused with their line.
inline void expect_index_buffers_refused(tvc::Renderer* r, tvc::RendererGpu* gpu, const LogCapture& log) {
  tvc::GeometryCore mesh;
  one_triangle(&mesh);
  EXPECT_TRUE(r->mesh_create_vertex_buffer(gpu, &mesh));
  EXPECT_FALSE(r->mesh_create_index_buffer(gpu, &mesh));
  EXPECT_EQ(log.level_of("mesh " + std::to_string(mesh.mesh_id) +
                         " - unable to find a memory type for index buffer object (required size: 256 bytes)"),
            tvc::LogMgr::kError);
  EXPECT_TRUE(r->mesh_kill_buffers(&mesh));
}

// Host counts that size a texture-array binding stop at what the device's
// pool holds of combined image samplers (room): one more is refused with -1
// and no line; room itself is taken.
inline void expect_texture_counts_bounded(tvc::Renderer* r, tvc::RendererGpu* gpu, const LogCapture& log,
                                          unsigned room, tvc::TextureSampler* sampler) {
  tvc::TextureData texture;
  texture.create(tvc::TextureData::kType2D, 2, 2, tvc::PF_RGBA_U8);
  ASSERT_TRUE(r->texture_load(gpu, &texture, 0));
  std::vector<tvc::TextureData*> textures(room + 1, &texture);
  const int set = r->descriptorset_create(gpu);
  const size_t lines = log.lines.size();
  EXPECT_EQ(r->descriptorset_add_texture_array(set, room + 1, 0, VK_SHADER_STAGE_FRAGMENT_BIT), -1);
  EXPECT_EQ(r->descriptorset_add_textures(set, textures.data(), room + 1, sampler, 0, VK_SHADER_STAGE_FRAGMENT_BIT), -1);
  EXPECT_EQ(log.lines.size(), lines) << "refused without a line";
  EXPECT_EQ(r->descriptorset_add_texture_array(set, room, 0, VK_SHADER_STAGE_FRAGMENT_BIT), 0);
  EXPECT_EQ(r->descriptorset_add_textures(set, textures.data(), room, sampler, 1, VK_SHADER_STAGE_FRAGMENT_BIT), 1);
  EXPECT_TRUE(r->descriptorset_kill(set));
  EXPECT_TRUE(r->texture_unload(&texture));
}
