// Frames per second of one textured quad a frame, drawn either by the Vulkan2
// renderer plug-in that the demo framework stand-in loads ("plugin"), or by a
// bare Vulkan loop of our own that does the same work with nothing in
// between ("bare"). Prints "fps=<value>", then what each loop's frame is
// made of: present mode, frames in flight, drawing size and warm-up frames.
// Usage: bench_vk_draw plugin|bare [frames]
#define VK_NO_PROTOTYPES
#define VK_USE_PLATFORM_WIN32_KHR
#include <windows.h>
#include <vulkan/vulkan.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// The bare loop names the leading members of Vulkan structures and lets the
// rest be zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include "quad_vert.h"
#include "texture_frag.h"
#include "tvl.h"

namespace {

const int kWidth = 640, kHeight = 480, kTexture = 256, kWarmUp = 20;

HWND make_window(DWORD visible = WS_VISIBLE) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QvVkDrawBench";
  RegisterClassA(&wc);
  RECT r = {0, 0, kWidth, kHeight};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW | visible, 0, 0, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
  return hwnd;
}

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// One quad over most of the window, 16 floats a vertex (position, colour,
// uv, unused), and a checker texture.
void quad(std::vector<float>* vertices, std::vector<uint32_t>* indices) {
  const float xs[4] = {-0.8f, 0.8f, -0.8f, 0.8f}, ys[4] = {-0.8f, -0.8f, 0.8f, 0.8f};
  for (int i = 0; i < 4; ++i) {
    const float v[16] = {xs[i], ys[i], 0.5f, 1, 1, 1, 1, 1, float(i & 1), float(i >> 1), 0, 0, 0, 0, 0, 0};
    vertices->insert(vertices->end(), v, v + 16);
  }
  *indices = {0, 1, 2, 2, 1, 3};
}

std::vector<uint8_t> checker() {
  std::vector<uint8_t> texels(kTexture * kTexture * 4);
  for (int y = 0; y < kTexture; ++y)
    for (int x = 0; x < kTexture; ++x) {
      uint8_t* t = &texels[(y * kTexture + x) * 4];
      const uint8_t on = ((x / 32) ^ (y / 32)) & 1 ? 255 : 40;
      t[0] = on;
      t[1] = static_cast<uint8_t>(x);
      t[2] = static_cast<uint8_t>(y);
      t[3] = 255;
    }
  return texels;
}

// What a loop's frames are made of, printed beside its speed so that the two
// loops can be seen to do the same work.
struct Loop {
  VkPresentModeKHR mode = VK_PRESENT_MODE_MAX_ENUM_KHR;
  unsigned frames_in_flight = 0, width = 0, height = 0;
};

const char* mode_name(VkPresentModeKHR mode) {
  switch (mode) {
    case VK_PRESENT_MODE_IMMEDIATE_KHR: return "IMMEDIATE";
    case VK_PRESENT_MODE_MAILBOX_KHR: return "MAILBOX";
    case VK_PRESENT_MODE_FIFO_KHR: return "FIFO";
    case VK_PRESENT_MODE_FIFO_RELAXED_KHR: return "FIFO_RELAXED";
    default: return "unknown";
  }
}

// The plug-in's choice for a window's sync and mailbox options: FIFO when
// synced; else IMMEDIATE (only without the mailbox option), MAILBOX, FIFO,
// the first of them the surface offers.
VkPresentModeKHR pick_mode(const std::vector<VkPresentModeKHR>& offered, bool vsync, int mailbox) {
  auto offers = [&](VkPresentModeKHR m) {
    for (VkPresentModeKHR o : offered)
      if (o == m) return true;
    return false;
  };
  if (vsync) return VK_PRESENT_MODE_FIFO_KHR;
  if (mailbox == 0 && offers(VK_PRESENT_MODE_IMMEDIATE_KHR)) return VK_PRESENT_MODE_IMMEDIATE_KHR;
  return offers(VK_PRESENT_MODE_MAILBOX_KHR) ? VK_PRESENT_MODE_MAILBOX_KHR : VK_PRESENT_MODE_FIFO_KHR;
}

// The present modes a window surface offers, read on a hidden window of its
// own so that the measured window keeps only the surface its loop makes.
std::vector<VkPresentModeKHR> offered_modes();

double seconds() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) / double(f.QuadPart);
}

// ---- through the framework stand-in and the plug-in

void print_errors(int level, const char* text, void*) {
  if (level == tvc::LogMgr::kError || level == tvc::LogMgr::kWarning) fprintf(stderr, "%s\n", text);
}

double run_plugin(int frames, Loop* loop) {
  const std::vector<VkPresentModeKHR> offered = offered_modes();
  tvc::LogMgr::get()->set_sink(&print_errors, nullptr);
  HWND hwnd = make_window();
  tvl::AppEngine engine;
  engine.init_traces(nullptr, tvl::AppEngine::kTraceWarning, false);
  engine.trace_install_callback([](const char* text, void*) { fprintf(stderr, "%s\n", text); }, nullptr);
  engine.init();
  std::string dir = std::string(tvl::AppEngine::get_app_directory()) + "tvcplugins/";
  engine.add_dir_to_plugin_search_path(dir.c_str());
  // A scene of one Vulkan2 window, as the framework's demos have.
  char scene[MAX_PATH];
  GetTempPathA(sizeof(scene), scene);
  strncat(scene, "qv_vk_draw_bench.xml", sizeof(scene) - strlen(scene) - 1);
  if (FILE* f = fopen(scene, "w")) {
    fputs("<?xml version=\"1.0\"?>\n<scene>\n  <window name=\"win3d01\" renderer_type=\"Vulkan2\" />\n</scene>\n", f);
    fclose(f);
  }
  engine.lumaq_start();
  engine.lumaq_load_xml_scene_graph(scene, kWidth, kHeight);
  const int id = engine.lumaq_create_window3d_v2("plugin_tvc_vulkan2_x32.dll", nullptr, &hwnd, false, -1, kWidth, kHeight,
                                                 32, 24, nullptr, 0, 0, 0, false, false, false, 0, nullptr);
  tvc::Renderer* r = id > 0 ? engine.lumaq_get_renderer(id) : nullptr;
  tvc::RenderWindow* window = id > 0 ? engine.lumaq_get_render_window(id) : nullptr;
  if (!r || !window) {
    fprintf(stderr, "the framework made no Vulkan2 window (id %d)\n", id);
    return 0;
  }
  tvc::RendererGpu* gpu = r->gpu_get_current();
  // The plug-in keeps one frame per swapchain image; acquiring a frame
  // waits for that frame's last submit.
  loop->mode = pick_mode(offered, window->desc.vsync != 0, window->desc.mailbox);
  loop->frames_in_flight = r->swapchain_get_image_count(gpu);
  loop->width = static_cast<unsigned>(window->get_width());
  loop->height = static_cast<unsigned>(window->get_height());

  tvc::GeometryCore mesh;
  std::vector<float> vertices;
  std::vector<uint32_t> indices;
  quad(&vertices, &indices);
  mesh.set_vertices(vertices.data(), 4);
  mesh.set_indices32(indices.data(), 2);
  r->mesh_create_buffers(gpu, &mesh);
  r->mesh_update_vertex_buffer(&mesh);
  tvc::TextureData texture;
  texture.create(tvc::TextureData::kType2D, kTexture, kTexture, tvc::PF_RGBA_U8);
  std::vector<uint8_t> texels = checker();
  memcpy(texture.get_pixmap_ptr(), texels.data(), texels.size());
  r->texture_load(gpu, &texture, 0);
  tvc::TextureSampler* sampler = r->sampler_create(gpu, 2, 2, 1.0f, 0);
  const int set = r->descriptorset_create(gpu);
  r->descriptorset_add_texture(set, &texture, sampler, 0, VK_SHADER_STAGE_FRAGMENT_BIT);
  r->descriptorset_build(set);
  r->descriptorset_update(set);
  tvc::GpuProgramData program;
  r->gpu_program_create_shader_modules(gpu, &program, 0, k_quad_vert, sizeof(k_quad_vert), "main");
  r->gpu_program_create_shader_modules(gpu, &program, 1, k_texture_frag, sizeof(k_texture_frag), "main");
  tvc::GpuPipelineStateData* state = r->pipeline_create(gpu);
  state->program = &program;
  state->depth_test = true;
  if (!r->pipeline_build(state, set)) return 0;

  double start = 0;
  int failed = 0;
  for (int i = 0; i < kWarmUp + frames;) {
    if (i == kWarmUp) start = seconds();
    pump();
    if (!r->frame_acquire(gpu, window)) {
      if (++failed > 100) return 0;
      continue;
    }
    r->frame_begin(gpu, true, true);
    r->set_viewport_and_scissor(gpu, 0, 0, window->get_width(), window->get_height());
    r->pipeline_bind(state);
    r->descriptorset_bind(set);
    r->mesh_bind_vertex_buffer(&mesh);
    r->mesh_render(&mesh);
    r->frame_end(gpu, true, true);
    r->frame_submit(gpu, 0);
    if (r->frame_present(gpu, window)) ++i;
  }
  r->wait_for_gpu(gpu);
  const double elapsed = seconds() - start;
  r->mesh_kill_buffers(&mesh);
  r->texture_unload(&texture);
  r->gpu_program_kill(&program);
  engine.lumaq_kill_window3d(id);
  engine.lumaq_stop();
  engine.cleanup();
  remove(scene);
  DestroyWindow(hwnd);
  return frames / elapsed;
}

// ---- the bare loop

#define BENCH_VK(X)                                                                                            \
  X(vkCreateInstance) X(vkEnumeratePhysicalDevices) X(vkGetPhysicalDeviceQueueFamilyProperties)               \
  X(vkGetPhysicalDeviceMemoryProperties) X(vkGetPhysicalDeviceSurfaceSupportKHR)                              \
  X(vkGetPhysicalDeviceSurfaceCapabilitiesKHR) X(vkGetPhysicalDeviceSurfaceFormatsKHR)                        \
  X(vkGetPhysicalDeviceSurfacePresentModesKHR) X(vkCreateWin32SurfaceKHR) X(vkCreateDevice) X(vkGetDeviceQueue) \
  X(vkCreateSwapchainKHR) X(vkGetSwapchainImagesKHR) X(vkCreateImageView) X(vkCreateImage)                    \
  X(vkGetImageMemoryRequirements) X(vkAllocateMemory) X(vkBindImageMemory) X(vkCreateRenderPass)              \
  X(vkCreateFramebuffer) X(vkCreateCommandPool) X(vkAllocateCommandBuffers) X(vkCreateFence)                  \
  X(vkCreateSemaphore) X(vkCreateBuffer) X(vkGetBufferMemoryRequirements) X(vkBindBufferMemory) X(vkMapMemory) \
  X(vkCreateSampler) X(vkCreateDescriptorSetLayout) X(vkCreateDescriptorPool) X(vkAllocateDescriptorSets)     \
  X(vkUpdateDescriptorSets) X(vkCreatePipelineLayout) X(vkCreateShaderModule) X(vkCreateGraphicsPipelines)    \
  X(vkWaitForFences) X(vkResetFences) X(vkAcquireNextImageKHR) X(vkBeginCommandBuffer) X(vkEndCommandBuffer)  \
  X(vkCmdBeginRenderPass) X(vkCmdEndRenderPass) X(vkCmdBindPipeline) X(vkCmdSetViewport) X(vkCmdSetScissor)   \
  X(vkCmdBindDescriptorSets) X(vkCmdBindVertexBuffers) X(vkCmdBindIndexBuffer) X(vkCmdDrawIndexed)            \
  X(vkQueueSubmit) X(vkQueuePresentKHR) X(vkDeviceWaitIdle) X(vkCmdPipelineBarrier) X(vkCmdCopyBufferToImage) \
  X(vkQueueWaitIdle) X(vkGetPhysicalDeviceFeatures) X(vkGetPhysicalDeviceFormatProperties)                 \
  X(vkDestroySurfaceKHR) X(vkDestroyInstance)

#define BENCH_DECLARE(name) PFN_##name name;
BENCH_VK(BENCH_DECLARE)

bool load(VkInstance instance) {
  static HMODULE library = LoadLibraryA("vulkan-1.dll");
  if (!library) return false;
  PFN_vkGetInstanceProcAddr gipa =
      reinterpret_cast<PFN_vkGetInstanceProcAddr>(reinterpret_cast<void (*)()>(GetProcAddress(library, "vkGetInstanceProcAddr")));
  if (!gipa) return false;
#define BENCH_LOAD(name) name = reinterpret_cast<PFN_##name>(gipa(instance, #name));
  BENCH_VK(BENCH_LOAD)
  return vkCreateInstance != nullptr;
}

struct Bare {
  VkPhysicalDevice gpu = nullptr;
  VkDevice device = nullptr;
  VkPhysicalDeviceMemoryProperties memory{};
  uint32_t memory_type(uint32_t bits, VkMemoryPropertyFlags want) {
    for (uint32_t i = 0; i < memory.memoryTypeCount; ++i)
      if ((bits >> i & 1) && (memory.memoryTypes[i].propertyFlags & want) == want) return i;
    return 0;
  }
  VkDeviceMemory allocate(VkMemoryRequirements needs, VkMemoryPropertyFlags want) {
    VkMemoryAllocateInfo info{VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO, nullptr, needs.size,
                              memory_type(needs.memoryTypeBits, want)};
    VkDeviceMemory m = VK_NULL_HANDLE;
    vkAllocateMemory(device, &info, nullptr, &m);
    return m;
  }
  VkBuffer buffer(VkDeviceSize size, VkBufferUsageFlags usage, const void* data) {
    VkBufferCreateInfo info{VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    info.size = size;
    info.usage = usage;
    VkBuffer b = VK_NULL_HANDLE;
    vkCreateBuffer(device, &info, nullptr, &b);
    VkMemoryRequirements needs;
    vkGetBufferMemoryRequirements(device, b, &needs);
    VkDeviceMemory m = allocate(needs, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT);
    vkBindBufferMemory(device, b, m, 0);
    void* p = nullptr;
    vkMapMemory(device, m, 0, size, 0, &p);
    memcpy(p, data, size);
    return b;
  }
  VkImage image(VkFormat format, uint32_t w, uint32_t h, VkImageUsageFlags usage, VkImageView* view,
                VkImageAspectFlags aspect) {
    VkImageCreateInfo info{VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO};
    info.imageType = VK_IMAGE_TYPE_2D;
    info.format = format;
    info.extent = {w, h, 1};
    info.mipLevels = info.arrayLayers = 1;
    info.samples = VK_SAMPLE_COUNT_1_BIT;
    info.usage = usage;
    VkImage image = VK_NULL_HANDLE;
    vkCreateImage(device, &info, nullptr, &image);
    VkMemoryRequirements needs;
    vkGetImageMemoryRequirements(device, image, &needs);
    vkBindImageMemory(device, image, allocate(needs, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT), 0);
    VkImageViewCreateInfo v{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
    v.image = image;
    v.viewType = VK_IMAGE_VIEW_TYPE_2D;
    v.format = format;
    v.subresourceRange = {aspect, 0, 1, 0, 1};
    vkCreateImageView(device, &v, nullptr, view);
    return image;
  }
};

void barrier(VkCommandBuffer cb, VkImage image, VkImageLayout from, VkImageLayout to) {
  VkImageMemoryBarrier b{VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER};
  b.oldLayout = from;
  b.newLayout = to;
  b.srcQueueFamilyIndex = b.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  b.image = image;
  b.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
  b.srcAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
  b.dstAccessMask = VK_ACCESS_SHADER_READ_BIT | VK_ACCESS_TRANSFER_WRITE_BIT;
  vkCmdPipelineBarrier(cb, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0, 0, nullptr, 0,
                       nullptr, 1, &b);
}

VkInstance make_instance() {
  if (!load(nullptr)) return nullptr;
  const char* extensions[] = {"VK_KHR_surface", "VK_KHR_win32_surface"};
  VkApplicationInfo app{VK_STRUCTURE_TYPE_APPLICATION_INFO};
  app.apiVersion = VK_API_VERSION_1_2;
  VkInstanceCreateInfo ii{VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO};
  ii.pApplicationInfo = &app;
  ii.enabledExtensionCount = 2;
  ii.ppEnabledExtensionNames = extensions;
  VkInstance instance = nullptr;
  if (vkCreateInstance(&ii, nullptr, &instance) != VK_SUCCESS || !load(instance)) return nullptr;
  return instance;
}

VkSurfaceKHR make_surface(VkInstance instance, HWND hwnd) {
  VkWin32SurfaceCreateInfoKHR si{VK_STRUCTURE_TYPE_WIN32_SURFACE_CREATE_INFO_KHR};
  si.hinstance = GetModuleHandleA(nullptr);
  si.hwnd = hwnd;
  VkSurfaceKHR surface = VK_NULL_HANDLE;
  vkCreateWin32SurfaceKHR(instance, &si, nullptr, &surface);
  return surface;
}

std::vector<VkPresentModeKHR> surface_modes(VkPhysicalDevice gpu, VkSurfaceKHR surface) {
  uint32_t n = 0;
  vkGetPhysicalDeviceSurfacePresentModesKHR(gpu, surface, &n, nullptr);
  std::vector<VkPresentModeKHR> modes(n);
  vkGetPhysicalDeviceSurfacePresentModesKHR(gpu, surface, &n, modes.data());
  modes.resize(n);
  return modes;
}

std::vector<VkPresentModeKHR> offered_modes() {
  std::vector<VkPresentModeKHR> modes;
  VkInstance instance = make_instance();
  if (!instance) return modes;
  VkPhysicalDevice gpu = nullptr;
  uint32_t count = 1;
  vkEnumeratePhysicalDevices(instance, &count, &gpu);
  // Never shown: taking a shown window down again waits some seconds
  // under Wine without a window manager.
  HWND probe = make_window(0);
  if (VkSurfaceKHR surface = gpu ? make_surface(instance, probe) : VK_NULL_HANDLE) {
    modes = surface_modes(gpu, surface);
    vkDestroySurfaceKHR(instance, surface, nullptr);
  }
  DestroyWindow(probe);
  vkDestroyInstance(instance, nullptr);
  return modes;
}

double run_bare(int frames, Loop* loop) {
  HWND hwnd = make_window();
  VkInstance instance = make_instance();
  if (!instance) return 0;
  Bare b;
  uint32_t count = 1;
  vkEnumeratePhysicalDevices(instance, &count, &b.gpu);
  vkGetPhysicalDeviceMemoryProperties(b.gpu, &b.memory);
  VkSurfaceKHR surface = make_surface(instance, hwnd);
  uint32_t family = 0;  // graphics and present: family 0 on lavapipe
  const float priority = 1.0f;
  VkDeviceQueueCreateInfo qi{VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO, nullptr, 0, family, 1, &priority};
  const char* device_extensions[] = {"VK_KHR_swapchain"};
  VkDeviceCreateInfo di{VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO};
  di.queueCreateInfoCount = 1;
  di.pQueueCreateInfos = &qi;
  di.enabledExtensionCount = 1;
  di.ppEnabledExtensionNames = device_extensions;
  // The device the plug-in makes: every supported feature on (robust buffer
  // access among them, which costs the most in a software driver).
  VkPhysicalDeviceFeatures features{};
  vkGetPhysicalDeviceFeatures(b.gpu, &features);
  di.pEnabledFeatures = &features;
  if (vkCreateDevice(b.gpu, &di, nullptr, &b.device) != VK_SUCCESS) return 0;
  VkDevice d = b.device;
  VkQueue queue;
  vkGetDeviceQueue(d, family, 0, &queue);

  // Swapchain as the plug-in makes it: B8G8R8A8_UNORM when offered, the
  // present mode the plug-in picks for the options the framework gives its
  // windows (no sync, no mailbox), one image more than the minimum, and
  // transfer-source use where the surface allows it.
  VkSurfaceCapabilitiesKHR caps;
  vkGetPhysicalDeviceSurfaceCapabilitiesKHR(b.gpu, surface, &caps);
  uint32_t n = 0;
  vkGetPhysicalDeviceSurfaceFormatsKHR(b.gpu, surface, &n, nullptr);
  std::vector<VkSurfaceFormatKHR> formats(n);
  vkGetPhysicalDeviceSurfaceFormatsKHR(b.gpu, surface, &n, formats.data());
  VkSurfaceFormatKHR format = formats[0];
  for (auto& f : formats)
    if (f.format == VK_FORMAT_B8G8R8A8_UNORM) format = f;
  const VkPresentModeKHR mode = pick_mode(surface_modes(b.gpu, surface), false, 0);
  VkSwapchainCreateInfoKHR sc{VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR};
  sc.surface = surface;
  sc.minImageCount = caps.maxImageCount && caps.minImageCount + 1 > caps.maxImageCount ? caps.maxImageCount
                                                                                      : caps.minImageCount + 1;
  sc.imageFormat = format.format;
  sc.imageColorSpace = format.colorSpace;
  sc.imageExtent = caps.currentExtent;
  sc.imageArrayLayers = 1;
  sc.imageUsage = VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | (caps.supportedUsageFlags & VK_IMAGE_USAGE_TRANSFER_SRC_BIT);
  sc.preTransform = caps.currentTransform;
  sc.compositeAlpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
  sc.presentMode = mode;
  sc.clipped = VK_TRUE;
  VkSwapchainKHR swapchain;
  if (vkCreateSwapchainKHR(d, &sc, nullptr, &swapchain) != VK_SUCCESS) return 0;
  const VkExtent2D extent = caps.currentExtent;
  vkGetSwapchainImagesKHR(d, swapchain, &n, nullptr);
  std::vector<VkImage> images(n);
  vkGetSwapchainImagesKHR(d, swapchain, &n, images.data());
  // The plug-in's depth format: the first of its list the device can attach.
  VkFormat depth = VK_FORMAT_D32_SFLOAT;
  for (VkFormat candidate : {VK_FORMAT_D24_UNORM_S8_UINT, VK_FORMAT_D32_SFLOAT_S8_UINT, VK_FORMAT_D32_SFLOAT}) {
    VkFormatProperties props{};
    vkGetPhysicalDeviceFormatProperties(b.gpu, candidate, &props);
    if (props.optimalTilingFeatures & VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT) {
      depth = candidate;
      break;
    }
  }
  const VkImageAspectFlags depth_aspect =
      depth == VK_FORMAT_D32_SFLOAT ? VK_IMAGE_ASPECT_DEPTH_BIT : VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT;
  VkImageView depth_view;
  b.image(depth, extent.width, extent.height, VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT,
          &depth_view, depth_aspect);

  VkAttachmentDescription attachments[2] = {};
  attachments[0] = {0, format.format, VK_SAMPLE_COUNT_1_BIT, VK_ATTACHMENT_LOAD_OP_CLEAR, VK_ATTACHMENT_STORE_OP_STORE,
                    VK_ATTACHMENT_LOAD_OP_DONT_CARE, VK_ATTACHMENT_STORE_OP_DONT_CARE, VK_IMAGE_LAYOUT_UNDEFINED,
                    VK_IMAGE_LAYOUT_PRESENT_SRC_KHR};
  attachments[1] = {0, depth, VK_SAMPLE_COUNT_1_BIT, VK_ATTACHMENT_LOAD_OP_CLEAR,
                    VK_ATTACHMENT_STORE_OP_DONT_CARE, VK_ATTACHMENT_LOAD_OP_DONT_CARE,
                    VK_ATTACHMENT_STORE_OP_DONT_CARE, VK_IMAGE_LAYOUT_UNDEFINED,
                    VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL};
  VkAttachmentReference color_ref{0, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL};
  VkAttachmentReference depth_ref{1, VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL};
  VkSubpassDescription subpass{};
  subpass.pipelineBindPoint = VK_PIPELINE_BIND_POINT_GRAPHICS;
  subpass.colorAttachmentCount = 1;
  subpass.pColorAttachments = &color_ref;
  subpass.pDepthStencilAttachment = &depth_ref;
  VkRenderPassCreateInfo rp{VK_STRUCTURE_TYPE_RENDER_PASS_CREATE_INFO};
  rp.attachmentCount = 2;
  rp.pAttachments = attachments;
  rp.subpassCount = 1;
  rp.pSubpasses = &subpass;
  // The plug-in's two dependencies: into the pass after the presentation
  // engine has read the image, and out of it before presenting.
  const VkAccessFlags colour_access = VK_ACCESS_COLOR_ATTACHMENT_READ_BIT | VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
  const VkSubpassDependency dependencies[2] = {
      {VK_SUBPASS_EXTERNAL, 0, VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT, VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT,
       VK_ACCESS_MEMORY_READ_BIT, colour_access, VK_DEPENDENCY_BY_REGION_BIT},
      {0, VK_SUBPASS_EXTERNAL, VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT, VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT,
       colour_access, VK_ACCESS_MEMORY_READ_BIT, VK_DEPENDENCY_BY_REGION_BIT}};
  rp.dependencyCount = 2;
  rp.pDependencies = dependencies;
  VkRenderPass pass;
  vkCreateRenderPass(d, &rp, nullptr, &pass);

  struct Frame {
    VkImageView view;
    VkFramebuffer framebuffer;
    VkCommandPool pool;
    VkCommandBuffer cb;
    VkFence fence;
    VkSemaphore acquired, rendered;
  };
  std::vector<Frame> frames_(images.size());
  loop->mode = mode;
  loop->frames_in_flight = static_cast<unsigned>(frames_.size());
  loop->width = extent.width;
  loop->height = extent.height;
  for (size_t i = 0; i < images.size(); ++i) {
    Frame& f = frames_[i];
    VkImageViewCreateInfo v{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
    v.image = images[i];
    v.viewType = VK_IMAGE_VIEW_TYPE_2D;
    v.format = format.format;
    v.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    vkCreateImageView(d, &v, nullptr, &f.view);
    VkImageView views[2] = {f.view, depth_view};
    VkFramebufferCreateInfo fb{VK_STRUCTURE_TYPE_FRAMEBUFFER_CREATE_INFO};
    fb.renderPass = pass;
    fb.attachmentCount = 2;
    fb.pAttachments = views;
    fb.width = extent.width;
    fb.height = extent.height;
    fb.layers = 1;
    vkCreateFramebuffer(d, &fb, nullptr, &f.framebuffer);
    VkCommandPoolCreateInfo cp{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO, nullptr,
                               VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT, family};
    vkCreateCommandPool(d, &cp, nullptr, &f.pool);
    VkCommandBufferAllocateInfo ca{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO, nullptr, f.pool,
                                   VK_COMMAND_BUFFER_LEVEL_PRIMARY, 1};
    vkAllocateCommandBuffers(d, &ca, &f.cb);
    VkFenceCreateInfo fi{VK_STRUCTURE_TYPE_FENCE_CREATE_INFO, nullptr, VK_FENCE_CREATE_SIGNALED_BIT};
    vkCreateFence(d, &fi, nullptr, &f.fence);
    VkSemaphoreCreateInfo sem{VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
    vkCreateSemaphore(d, &sem, nullptr, &f.acquired);
    vkCreateSemaphore(d, &sem, nullptr, &f.rendered);
  }

  // Mesh, texture (uploaded once through a buffer), sampler, set, pipeline.
  std::vector<float> vertices;
  std::vector<uint32_t> indices;
  quad(&vertices, &indices);
  VkBuffer vb = b.buffer(vertices.size() * 4, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, vertices.data());
  VkBuffer ib = b.buffer(indices.size() * 4, VK_BUFFER_USAGE_INDEX_BUFFER_BIT, indices.data());
  std::vector<uint8_t> texels = checker();
  VkBuffer staging = b.buffer(texels.size(), VK_BUFFER_USAGE_TRANSFER_SRC_BIT, texels.data());
  VkImageView texture_view;
  VkImage texture = b.image(VK_FORMAT_R8G8B8A8_UNORM, kTexture, kTexture,
                            VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_SAMPLED_BIT, &texture_view,
                            VK_IMAGE_ASPECT_COLOR_BIT);
  {
    VkCommandBuffer cb = frames_[0].cb;
    VkCommandBufferBeginInfo bi{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    vkBeginCommandBuffer(cb, &bi);
    barrier(cb, texture, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
    VkBufferImageCopy region{};
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.imageExtent = {kTexture, kTexture, 1};
    vkCmdCopyBufferToImage(cb, staging, texture, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
    barrier(cb, texture, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    vkEndCommandBuffer(cb);
    VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO};
    submit.commandBufferCount = 1;
    submit.pCommandBuffers = &cb;
    vkQueueSubmit(queue, 1, &submit, VK_NULL_HANDLE);
    vkQueueWaitIdle(queue);
  }
  VkSamplerCreateInfo smp{VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO};
  smp.magFilter = smp.minFilter = VK_FILTER_LINEAR;
  smp.addressModeU = smp.addressModeV = smp.addressModeW = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
  smp.maxAnisotropy = 1.0f;
  smp.maxLod = 100.0f;
  VkSampler sampler;
  vkCreateSampler(d, &smp, nullptr, &sampler);
  VkDescriptorSetLayoutBinding binding{0, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, 1, VK_SHADER_STAGE_FRAGMENT_BIT,
                                       nullptr};
  VkDescriptorSetLayoutCreateInfo sl{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO, nullptr, 0, 1, &binding};
  VkDescriptorSetLayout set_layout;
  vkCreateDescriptorSetLayout(d, &sl, nullptr, &set_layout);
  VkDescriptorPoolSize size{VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, 1};
  VkDescriptorPoolCreateInfo dp{VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO, nullptr, 0, 1, 1, &size};
  VkDescriptorPool pool;
  vkCreateDescriptorPool(d, &dp, nullptr, &pool);
  VkDescriptorSetAllocateInfo da{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO, nullptr, pool, 1, &set_layout};
  VkDescriptorSet set;
  vkAllocateDescriptorSets(d, &da, &set);
  VkDescriptorImageInfo image_info{sampler, texture_view, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
  VkWriteDescriptorSet w{VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET};
  w.dstSet = set;
  w.descriptorCount = 1;
  w.descriptorType = VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER;
  w.pImageInfo = &image_info;
  vkUpdateDescriptorSets(d, 1, &w, 0, nullptr);
  VkPipelineLayoutCreateInfo pl{VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO};
  pl.setLayoutCount = 1;
  pl.pSetLayouts = &set_layout;
  VkPipelineLayout layout;
  vkCreatePipelineLayout(d, &pl, nullptr, &layout);
  VkShaderModule modules[2];
  const uint32_t* code[2] = {k_quad_vert, k_texture_frag};
  const size_t bytes[2] = {sizeof(k_quad_vert), sizeof(k_texture_frag)};
  VkPipelineShaderStageCreateInfo stages[2] = {};
  for (int i = 0; i < 2; ++i) {
    VkShaderModuleCreateInfo mi{VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO, nullptr, 0, bytes[i], code[i]};
    vkCreateShaderModule(d, &mi, nullptr, &modules[i]);
    stages[i] = {VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO, nullptr, 0,
                 i ? VK_SHADER_STAGE_FRAGMENT_BIT : VK_SHADER_STAGE_VERTEX_BIT, modules[i], "main", nullptr};
  }
  VkVertexInputBindingDescription vbd{0, 64, VK_VERTEX_INPUT_RATE_VERTEX};
  VkVertexInputAttributeDescription attrs[4];
  for (uint32_t i = 0; i < 4; ++i) attrs[i] = {i, 0, VK_FORMAT_R32G32B32A32_SFLOAT, i * 16};
  VkPipelineVertexInputStateCreateInfo vi{VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO, nullptr, 0, 1,
                                          &vbd, 4, attrs};
  VkPipelineInputAssemblyStateCreateInfo ia{VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO};
  ia.topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
  VkPipelineViewportStateCreateInfo vp{VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO};
  vp.viewportCount = vp.scissorCount = 1;
  VkPipelineRasterizationStateCreateInfo rs{VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO};
  rs.lineWidth = 1.0f;
  VkPipelineMultisampleStateCreateInfo ms{VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO};
  ms.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
  VkPipelineDepthStencilStateCreateInfo ds{VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO};
  ds.depthTestEnable = ds.depthWriteEnable = VK_TRUE;
  ds.depthCompareOp = VK_COMPARE_OP_LESS;
  VkPipelineColorBlendAttachmentState cba{};
  cba.colorWriteMask = 0xF;
  VkPipelineColorBlendStateCreateInfo cb{VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO};
  cb.attachmentCount = 1;
  cb.pAttachments = &cba;
  const VkDynamicState dyn[2] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR};
  VkPipelineDynamicStateCreateInfo dy{VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO, nullptr, 0, 2, dyn};
  VkGraphicsPipelineCreateInfo gp{VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO};
  gp.stageCount = 2;
  gp.pStages = stages;
  gp.pVertexInputState = &vi;
  gp.pInputAssemblyState = &ia;
  gp.pViewportState = &vp;
  gp.pRasterizationState = &rs;
  gp.pMultisampleState = &ms;
  gp.pDepthStencilState = &ds;
  gp.pColorBlendState = &cb;
  gp.pDynamicState = &dy;
  gp.layout = layout;
  gp.renderPass = pass;
  VkPipeline pipeline;
  if (vkCreateGraphicsPipelines(d, VK_NULL_HANDLE, 1, &gp, nullptr, &pipeline) != VK_SUCCESS) return 0;

  double start = 0;
  uint32_t index = 0;
  for (int i = 0; i < kWarmUp + frames;) {
    if (i == kWarmUp) start = seconds();
    pump();
    Frame& f = frames_[index];
    vkWaitForFences(d, 1, &f.fence, VK_TRUE, UINT64_MAX);
    uint32_t image = 0;
    if (vkAcquireNextImageKHR(d, swapchain, UINT64_MAX, f.acquired, VK_NULL_HANDLE, &image) != VK_SUCCESS) return 0;
    vkResetFences(d, 1, &f.fence);
    VkCommandBufferBeginInfo bi{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    vkBeginCommandBuffer(f.cb, &bi);
    VkClearValue clear[2] = {};
    clear[0].color = {{0, 0, 0, 1}};
    clear[1].depthStencil = {1.0f, 0};
    VkRenderPassBeginInfo rb{VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO};
    rb.renderPass = pass;
    rb.framebuffer = frames_[image].framebuffer;
    rb.renderArea.extent = extent;
    rb.clearValueCount = 2;
    rb.pClearValues = clear;
    vkCmdBeginRenderPass(f.cb, &rb, VK_SUBPASS_CONTENTS_INLINE);
    VkViewport viewport{0, 0, float(extent.width), float(extent.height), 0, 1};
    VkRect2D scissor{{0, 0}, extent};
    vkCmdSetViewport(f.cb, 0, 1, &viewport);
    vkCmdSetScissor(f.cb, 0, 1, &scissor);
    vkCmdBindPipeline(f.cb, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline);
    vkCmdBindDescriptorSets(f.cb, VK_PIPELINE_BIND_POINT_GRAPHICS, layout, 0, 1, &set, 0, nullptr);
    const VkDeviceSize offset = 0;
    vkCmdBindVertexBuffers(f.cb, 0, 1, &vb, &offset);
    vkCmdBindIndexBuffer(f.cb, ib, 0, VK_INDEX_TYPE_UINT32);
    vkCmdDrawIndexed(f.cb, 6, 1, 0, 0, 0);
    vkCmdEndRenderPass(f.cb);
    vkEndCommandBuffer(f.cb);
    const VkPipelineStageFlags stage = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO, nullptr, 1, &f.acquired, &stage, 1, &f.cb, 1, &f.rendered};
    vkQueueSubmit(queue, 1, &submit, f.fence);
    VkPresentInfoKHR present{VK_STRUCTURE_TYPE_PRESENT_INFO_KHR, nullptr, 1, &f.rendered, 1, &swapchain, &image};
    if (vkQueuePresentKHR(queue, &present) == VK_SUCCESS) ++i;
    index = (index + 1) % frames_.size();
  }
  vkDeviceWaitIdle(d);
  const double elapsed = seconds() - start;
  // The process ends here: the driver releases what is left.
  DestroyWindow(hwnd);
  return frames / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: bench_vk_draw plugin|bare [frames]\n");
    return 2;
  }
  const int frames = argc > 2 ? atoi(argv[2]) : 300;
  Loop loop;
  const double fps = strcmp(argv[1], "bare") == 0 ? run_bare(frames, &loop) : run_plugin(frames, &loop);
  printf("fps=%.1f\n", fps);
  printf("present_mode=%s\nframes_in_flight=%u\nsize=%ux%u\nwarm_up=%d\n", mode_name(loop.mode),
         loop.frames_in_flight, loop.width, loop.height, kWarmUp);
  return fps > 0 ? 0 : 1;
}
