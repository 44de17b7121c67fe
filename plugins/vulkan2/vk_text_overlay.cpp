// Text overlay: bitmap-font text (or, without a font, a coloured test
// triangle) drawn over a frame by a small pipeline of its own.
//
// The overlay is self-contained: it loads the Vulkan loader a second time
// (from the system folder) and calls Vulkan through its own entry points,
// keeping one module-wide state for every plug-in object. The font texture is
// uploaded by text_init on a one-time command buffer, outside any render pass,
// and the pipeline is made against a pass compatible with the device's
// swapchain pass, the one the text is drawn in.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "vk_resources.h"
#include "spv_plain_frag.h"
#include "spv_plain_vert.h"
#include "spv_text_frag.h"
#include "spv_text_vert.h"

namespace {

#define QV_TEXT_ENTRY_POINTS(X)                                                                                    \
  X(vkCreateDescriptorPool) X(vkDestroyDescriptorPool) X(vkCreateDescriptorSetLayout) X(vkDestroyDescriptorSetLayout) \
  X(vkAllocateDescriptorSets) X(vkFreeDescriptorSets) X(vkUpdateDescriptorSets) X(vkCreateShaderModule)             \
  X(vkDestroyShaderModule) X(vkCreatePipelineLayout) X(vkDestroyPipelineLayout) X(vkCreateRenderPass)               \
  X(vkDestroyRenderPass) X(vkCreateGraphicsPipelines) X(vkDestroyPipeline) X(vkGetPhysicalDeviceMemoryProperties)   \
  X(vkCreateBuffer) X(vkDestroyBuffer) X(vkGetBufferMemoryRequirements) X(vkAllocateMemory) X(vkFreeMemory)         \
  X(vkBindBufferMemory) X(vkMapMemory) X(vkUnmapMemory) X(vkFlushMappedMemoryRanges) X(vkCreateImage)               \
  X(vkDestroyImage) X(vkGetImageMemoryRequirements) X(vkBindImageMemory) X(vkCreateImageView) X(vkDestroyImageView) \
  X(vkCreateSampler) X(vkDestroySampler) X(vkCmdBindPipeline) X(vkCmdBindDescriptorSets) X(vkCmdBindVertexBuffers)  \
  X(vkCmdPushConstants) X(vkCmdDraw) X(vkCmdSetViewport) X(vkCmdSetScissor) X(vkCmdPipelineBarrier)                 \
  X(vkCmdCopyBufferToImage)

// Room for this many glyphs a frame (six vertices each); longer text is cut.
const uint32_t kMaxTextVertices = 6 * 8192;
const uint32_t kVertexBytes = 64;
const int kFontTextureSize = 512;

struct HostBuffer {
  VkBuffer buffer = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  uint32_t capacity = 0;
  BufferUsers users;  // the recordings that bound it
};

struct TextOverlay {
  HMODULE loader = nullptr;
  char loader_path[MAX_PATH] = {0};
#define QV_TEXT_FIELD(name) PFN_##name name = nullptr;
  QV_TEXT_ENTRY_POINTS(QV_TEXT_FIELD)
#undef QV_TEXT_FIELD
  VkPhysicalDevice physical_device = nullptr;
  VkDevice device = nullptr;
  bool initialised = false;
  tvc::Font* font = nullptr;
  tvc::Mesh* test_mesh = nullptr;
  VkDescriptorPool pool = VK_NULL_HANDLE;
  VkDescriptorSetLayout set_layout = VK_NULL_HANDLE;
  VkDescriptorSet set = VK_NULL_HANDLE;
  VkPipelineLayout pipeline_layout = VK_NULL_HANDLE;
  VkRenderPass render_pass = VK_NULL_HANDLE;
  VkPipeline pipeline = VK_NULL_HANDLE;
  VkSampler sampler = VK_NULL_HANDLE;
  VkImage font_image = VK_NULL_HANDLE;
  VkDeviceMemory font_memory = VK_NULL_HANDLE;
  VkImageView font_view = VK_NULL_HANDLE;
  HostBuffer staging;
  HostBuffer text_vertices;
  HostBuffer mesh_vertices;
  uint32_t alignment = 256;
};

TextOverlay g_text;

// The loader from the system folder; a full path (the tests' stand-in
// loader) is taken as it is. Reloaded only when the wanted file changes.
bool load_text_loader() {
  const char* name = vulkan_library_name();
  char path[MAX_PATH] = {0};
  if (strchr(name, '\\') || strchr(name, '/')) {
    snprintf(path, sizeof(path), "%s", name);
  } else {
    char folder[MAX_PATH] = {0};
    const UINT n = GetSystemDirectoryA(folder, sizeof(folder));
    if (n == 0 || n >= sizeof(folder) || strlen(folder) + strlen(name) + 2 > sizeof(path)) return false;
    snprintf(path, sizeof(path), "%s\\%s", folder, name);
  }
  if (g_text.loader && strcmp(path, g_text.loader_path) == 0) return true;
  if (g_text.loader) FreeLibrary(g_text.loader);
  g_text.loader = LoadLibraryA(path);
  snprintf(g_text.loader_path, sizeof(g_text.loader_path), "%s", g_text.loader ? path : "");
  return g_text.loader != nullptr;
}

// Resolves every entry point; false when the loader or one of them is
// missing.
bool load_text_entry_points() {
  const bool loaded = load_text_loader();
  bool all = loaded;
#define QV_TEXT_LOAD(name)                                                                                 \
  g_text.name = loaded ? reinterpret_cast<PFN_##name>(reinterpret_cast<void (*)()>(                       \
                             GetProcAddress(g_text.loader, #name)))                                       \
                       : nullptr;                                                                         \
  all = all && g_text.name != nullptr;
  QV_TEXT_ENTRY_POINTS(QV_TEXT_LOAD)
#undef QV_TEXT_LOAD
  return all;
}

// The overlay reads the memory types afresh through its own entry points.
int text_memory_type(VkMemoryPropertyFlags want, uint32_t bits) {
  if (!g_text.physical_device) return -1;
  VkPhysicalDeviceMemoryProperties props{};
  g_text.vkGetPhysicalDeviceMemoryProperties(g_text.physical_device, &props);
  return find_memory_type(&props, bits, want, kNoMemoryFallback);
}

void release_buffer(HostBuffer& b) {
  if (b.buffer != VK_NULL_HANDLE) g_text.vkDestroyBuffer(g_text.device, b.buffer, nullptr);
  if (b.memory != VK_NULL_HANDLE) g_text.vkFreeMemory(g_text.device, b.memory, nullptr);
  b = HostBuffer{};
}

// A host-visible buffer of at least needed bytes, rounded up to the
// overlay's alignment (which grows with what the device asks for).
bool make_buffer(HostBuffer& b, uint32_t needed, VkBufferUsageFlags usage, bool exact) {
  release_buffer(b);
  const uint32_t size = exact ? needed : ((needed - 1) / g_text.alignment + 1) * g_text.alignment;
  const BufferCalls calls{g_text.device, g_text.vkCreateBuffer, g_text.vkGetBufferMemoryRequirements,
                          g_text.vkAllocateMemory, g_text.vkBindBufferMemory};
  const MemoryTypeChoice host_visible = [](uint32_t bits) {
    return text_memory_type(VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT, bits);
  };
  BufferObjects made;
  BufferStep step = kBufferCreate;
  const VkResult result = make_buffer_objects(calls, size, usage, host_visible, nullptr, &made, &step);
  if (made.needs.alignment > g_text.alignment) g_text.alignment = static_cast<uint32_t>(made.needs.alignment);
  b.buffer = made.buffer;
  b.memory = made.memory;
  if (result != VK_SUCCESS) {
    release_buffer(b);
    return false;
  }
  b.capacity = size;
  return true;
}

// Writes bytes at the start of a buffer and flushes them (the memory need
// not be coherent).
bool fill_buffer(const HostBuffer& b, const void* data, uint32_t bytes) {
  void* mapped = nullptr;
  if (bytes > b.capacity || g_text.vkMapMemory(g_text.device, b.memory, 0, bytes, 0, &mapped) != VK_SUCCESS)
    return false;
  memcpy(mapped, data, bytes);
  VkMappedMemoryRange range{};
  range.sType = VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE;
  range.memory = b.memory;
  range.size = VK_WHOLE_SIZE;
  g_text.vkFlushMappedMemoryRanges(g_text.device, 1, &range);
  g_text.vkUnmapMemory(g_text.device, b.memory);
  return true;
}

VkShaderModule make_module(const uint32_t* code, size_t bytes) {
  VkShaderModuleCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO;
  info.codeSize = bytes;
  info.pCode = code;
  VkShaderModule module = VK_NULL_HANDLE;
  return g_text.vkCreateShaderModule(g_text.device, &info, nullptr, &module) == VK_SUCCESS ? module : VK_NULL_HANDLE;
}

// A pass with the device's swapchain format and depth format, so that the
// pipeline is compatible with the swapchain pass it is drawn in.
bool make_render_pass(const VkDeviceRecord* device) {
  VkAttachmentDescription attachments[2] = {};
  attachments[0].format = device->swapchain ? device->swapchain->format : VK_FORMAT_R8G8B8A8_UNORM;
  attachments[0].samples = VK_SAMPLE_COUNT_1_BIT;
  attachments[0].loadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
  attachments[0].storeOp = VK_ATTACHMENT_STORE_OP_STORE;
  attachments[0].stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
  attachments[0].stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
  attachments[0].initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
  attachments[0].finalLayout = VK_IMAGE_LAYOUT_PRESENT_SRC_KHR;
  const bool depth = device->depth_buffer && device->depth_buffer->format != VK_FORMAT_UNDEFINED;
  attachments[1] = attachments[0];
  attachments[1].format = depth ? device->depth_buffer->format : VK_FORMAT_UNDEFINED;
  attachments[1].finalLayout = VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL;
  VkAttachmentReference color{0, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL};
  VkAttachmentReference depth_ref{1, VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL};
  VkSubpassDescription subpass{};
  subpass.pipelineBindPoint = VK_PIPELINE_BIND_POINT_GRAPHICS;
  subpass.colorAttachmentCount = 1;
  subpass.pColorAttachments = &color;
  subpass.pDepthStencilAttachment = depth ? &depth_ref : nullptr;
  VkRenderPassCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_RENDER_PASS_CREATE_INFO;
  info.attachmentCount = depth ? 2 : 1;
  info.pAttachments = attachments;
  info.subpassCount = 1;
  info.pSubpasses = &subpass;
  return g_text.vkCreateRenderPass(g_text.device, &info, nullptr, &g_text.render_pass) == VK_SUCCESS;
}

bool make_pipeline(bool with_font) {
  VkShaderModule vertex = with_font ? make_module(spv_text_vert, sizeof(spv_text_vert))
                                    : make_module(spv_plain_vert, sizeof(spv_plain_vert));
  VkShaderModule fragment = with_font ? make_module(spv_text_frag, sizeof(spv_text_frag))
                                      : make_module(spv_plain_frag, sizeof(spv_plain_frag));
  VkVertexInputAttributeDescription attributes[4];
  for (uint32_t i = 0; i < 4; ++i) attributes[i] = {i, 0, VK_FORMAT_R32G32B32A32_SFLOAT, i * 16};
  OverlayPipelineDesc desc;
  desc.vertex = vertex;
  desc.fragment = fragment;
  desc.binding = {0, kVertexBytes, VK_VERTEX_INPUT_RATE_VERTEX};
  desc.attributes = attributes;
  desc.attribute_count = 4;
  desc.src_alpha = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
  desc.dst_alpha = VK_BLEND_FACTOR_ZERO;
  desc.layout = g_text.pipeline_layout;
  desc.render_pass = g_text.render_pass;
  const bool ok =
      create_overlay_pipeline(g_text.vkCreateGraphicsPipelines, g_text.device, desc, &g_text.pipeline) == VK_SUCCESS;
  if (vertex) g_text.vkDestroyShaderModule(g_text.device, vertex, nullptr);
  if (fragment) g_text.vkDestroyShaderModule(g_text.device, fragment, nullptr);
  return ok;
}

// Pool, sampler, set layout and set (with a font), pipeline layout.
bool make_layouts(bool with_font) {
  VkDescriptorPoolSize sizes[11];
  for (uint32_t i = 0; i < 11; ++i) sizes[i] = {static_cast<VkDescriptorType>(i), 1000};
  VkDescriptorPoolCreateInfo pool{};
  pool.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO;
  pool.flags = VK_DESCRIPTOR_POOL_CREATE_FREE_DESCRIPTOR_SET_BIT;
  pool.maxSets = 11000;
  pool.poolSizeCount = 11;
  pool.pPoolSizes = sizes;
  if (g_text.vkCreateDescriptorPool(g_text.device, &pool, nullptr, &g_text.pool) != VK_SUCCESS) return false;
  const VkSamplerCreateInfo sampler = overlay_sampler_info();
  if (g_text.vkCreateSampler(g_text.device, &sampler, nullptr, &g_text.sampler) != VK_SUCCESS) return false;
  if (with_font) {
    VkDescriptorSetLayoutBinding binding{0, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, 1, VK_SHADER_STAGE_FRAGMENT_BIT,
                                         &g_text.sampler};
    VkDescriptorSetLayoutCreateInfo layout{};
    layout.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO;
    layout.bindingCount = 1;
    layout.pBindings = &binding;
    if (g_text.vkCreateDescriptorSetLayout(g_text.device, &layout, nullptr, &g_text.set_layout) != VK_SUCCESS)
      return false;
    VkDescriptorSetAllocateInfo alloc{};
    alloc.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO;
    alloc.descriptorPool = g_text.pool;
    alloc.descriptorSetCount = 1;
    alloc.pSetLayouts = &g_text.set_layout;
    if (g_text.vkAllocateDescriptorSets(g_text.device, &alloc, &g_text.set) != VK_SUCCESS) return false;
  }
  VkPushConstantRange range{VK_SHADER_STAGE_VERTEX_BIT, 0, 16};
  VkPipelineLayoutCreateInfo layout{};
  layout.sType = VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO;
  layout.setLayoutCount = with_font ? 1 : 0;
  layout.pSetLayouts = with_font ? &g_text.set_layout : nullptr;
  layout.pushConstantRangeCount = 1;
  layout.pPushConstantRanges = &range;
  return g_text.vkCreatePipelineLayout(g_text.device, &layout, nullptr, &g_text.pipeline_layout) == VK_SUCCESS;
}

void image_barrier(VkCommandBuffer commands, VkImage image, VkAccessFlags src, VkAccessFlags dst, VkImageLayout from,
                   VkImageLayout to, VkPipelineStageFlags src_stage, VkPipelineStageFlags dst_stage) {
  VkImageMemoryBarrier barrier{};
  barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
  barrier.srcAccessMask = src;
  barrier.dstAccessMask = dst;
  barrier.oldLayout = from;
  barrier.newLayout = to;
  barrier.srcQueueFamilyIndex = barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.image = image;
  barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
  g_text.vkCmdPipelineBarrier(commands, src_stage, dst_stage, 0, 0, nullptr, 0, nullptr, 1, &barrier);
}

// The font image with its view and descriptor, filled from the font's
// pixels on a one-time command buffer of the device.
bool upload_font(VkDeviceRecord* device) {
  const tvc::Font* font = g_text.font;
  const uint32_t width = static_cast<uint32_t>(font->texture_width), height = static_cast<uint32_t>(font->texture_height);
  VkImageCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO;
  info.imageType = VK_IMAGE_TYPE_2D;
  info.format = VK_FORMAT_R8_UNORM;
  info.extent = {width, height, 1};
  info.mipLevels = info.arrayLayers = 1;
  info.samples = VK_SAMPLE_COUNT_1_BIT;
  info.tiling = VK_IMAGE_TILING_OPTIMAL;
  info.usage = VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_SAMPLED_BIT;
  info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
  if (g_text.vkCreateImage(g_text.device, &info, nullptr, &g_text.font_image) != VK_SUCCESS) return false;
  VkMemoryRequirements needs{};
  g_text.vkGetImageMemoryRequirements(g_text.device, g_text.font_image, &needs);
  const int type = text_memory_type(VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, needs.memoryTypeBits);
  VkMemoryAllocateInfo alloc{};
  alloc.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
  alloc.allocationSize = needs.size;
  alloc.memoryTypeIndex = static_cast<uint32_t>(type);
  if (type < 0 || g_text.vkAllocateMemory(g_text.device, &alloc, nullptr, &g_text.font_memory) != VK_SUCCESS ||
      g_text.vkBindImageMemory(g_text.device, g_text.font_image, g_text.font_memory, 0) != VK_SUCCESS)
    return false;
  VkImageViewCreateInfo view{};
  view.sType = VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO;
  view.image = g_text.font_image;
  view.viewType = VK_IMAGE_VIEW_TYPE_2D;
  view.format = VK_FORMAT_R8_UNORM;
  view.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
  if (g_text.vkCreateImageView(g_text.device, &view, nullptr, &g_text.font_view) != VK_SUCCESS) return false;
  VkDescriptorImageInfo image{g_text.sampler, g_text.font_view, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
  VkWriteDescriptorSet write{};
  write.sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET;
  write.dstSet = g_text.set;
  write.descriptorCount = 1;
  write.descriptorType = VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER;
  write.pImageInfo = &image;
  g_text.vkUpdateDescriptorSets(g_text.device, 1, &write, 0, nullptr);

  const uint32_t bytes = width * height;
  if (!make_buffer(g_text.staging, bytes, VK_BUFFER_USAGE_TRANSFER_SRC_BIT, true) ||
      !fill_buffer(g_text.staging, font->texture_pixels, bytes))
    return false;
  VkCommandBuffer commands = begin_one_time_commands(device, true);
  if (!commands) return false;
  image_barrier(commands, g_text.font_image, 0, VK_ACCESS_TRANSFER_WRITE_BIT, VK_IMAGE_LAYOUT_UNDEFINED,
                VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_PIPELINE_STAGE_HOST_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT);
  VkBufferImageCopy region{};
  region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
  region.imageExtent = {width, height, 1};
  g_text.vkCmdCopyBufferToImage(commands, g_text.staging.buffer, g_text.font_image,
                                VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  image_barrier(commands, g_text.font_image, VK_ACCESS_TRANSFER_WRITE_BIT, VK_ACCESS_SHADER_READ_BIT,
                VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL,
                VK_PIPELINE_STAGE_TRANSFER_BIT, VK_PIPELINE_STAGE_FRAGMENT_SHADER_BIT);
  return end_one_time_commands(device, commands);
}

// The red, green and blue triangle drawn without a font.
bool make_test_mesh() {
  tvc::Mesh* mesh = new tvc::Mesh;
  g_text.test_mesh = mesh;
  tvc::MeshDataVertexAttribsAllocParams params = mesh->get_vertex_alloc_params();
  params.flags[1] = 0;
  mesh->set_vertex_alloc_params(params);
  mesh->set_vertex_alloc_params_num_vertices(3);
  if (!mesh->alloc_vertex_data()) return false;
  const tvc::vec4 positions[3] = {{-1, -1, 0, 1}, {0, 1, 0, 1}, {1, -1, 0, 1}};
  const tvc::vec4 colors[3] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
  for (unsigned i = 0; i < 3; ++i) {
    mesh->set_vertex_position(i, positions[i]);
    mesh->set_vertex_color(i, colors[i]);
  }
  return make_buffer(g_text.mesh_vertices, mesh->get_num_vertices(nullptr) * kVertexBytes,
                     VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, false);
}

void release_text_objects() {
  if (g_text.test_mesh) g_text.test_mesh->release(nullptr, nullptr);
  g_text.test_mesh = nullptr;
  if (g_text.font) {
    g_text.font->_cleanup(nullptr);
    g_text.font->release(nullptr, nullptr);
  }
  g_text.font = nullptr;
  if (!g_text.device) return;
  VkDevice d = g_text.device;
  if (g_text.font_view) g_text.vkDestroyImageView(d, g_text.font_view, nullptr);
  if (g_text.font_memory) g_text.vkFreeMemory(d, g_text.font_memory, nullptr);
  if (g_text.font_image) g_text.vkDestroyImage(d, g_text.font_image, nullptr);
  release_buffer(g_text.staging);
  if (g_text.sampler) g_text.vkDestroySampler(d, g_text.sampler, nullptr);
  release_buffer(g_text.text_vertices);
  release_buffer(g_text.mesh_vertices);
  if (g_text.set_layout) g_text.vkDestroyDescriptorSetLayout(d, g_text.set_layout, nullptr);
  if (g_text.pipeline_layout) g_text.vkDestroyPipelineLayout(d, g_text.pipeline_layout, nullptr);
  if (g_text.pipeline) g_text.vkDestroyPipeline(d, g_text.pipeline, nullptr);
  if (g_text.pool) {
    if (g_text.set) g_text.vkFreeDescriptorSets(d, g_text.pool, 1, &g_text.set);
    g_text.vkDestroyDescriptorPool(d, g_text.pool, nullptr);
  }
  // The pass belongs to the device: it goes with the overlay's other objects.
  if (g_text.render_pass) g_text.vkDestroyRenderPass(d, g_text.render_pass, nullptr);
  g_text.font_view = VK_NULL_HANDLE;
  g_text.font_memory = VK_NULL_HANDLE;
  g_text.font_image = VK_NULL_HANDLE;
  g_text.sampler = VK_NULL_HANDLE;
  g_text.set_layout = VK_NULL_HANDLE;
  g_text.pipeline_layout = VK_NULL_HANDLE;
  g_text.pipeline = VK_NULL_HANDLE;
  g_text.set = VK_NULL_HANDLE;
  g_text.pool = VK_NULL_HANDLE;
  g_text.render_pass = VK_NULL_HANDLE;
}

void set_full_view(VkCommandBuffer commands, uint32_t width, uint32_t height) {
  VkViewport viewport{0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f};
  VkRect2D scissor{{0, 0}, {width, height}};
  g_text.vkCmdSetViewport(commands, 0, 1, &viewport);
  g_text.vkCmdSetScissor(commands, 0, 1, &scissor);
}
}  // namespace

void VulkanPLugin::release_text_overlay(VkDeviceRecord* device) {
  if (!device || !g_text.device || g_text.device != device->device) return;
  release_text_objects();
  g_text.device = nullptr;
  g_text.initialised = false;
}

// The record of a list on the overlay's device with a command buffer, or
// null. The overlay's refusals leave no line in the log.
static VkCommandListRecord* list_commands(VulkanPLugin* plugin, tvc::GpuCommandList* list) {
  VkDeviceRecord* device = list ? plugin->object_owner(list->id) : nullptr;
  VkCommandListRecord* record = list_record(list);
  if (!device || device->device != g_text.device || !record || !record->command_buffer) return nullptr;
  return record;
}

bool VulkanPLugin::text_init(tvc::GpuCommandList* list, const char* font_file, float font_height) {
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  VkGpuRecord* gpu = gpu_record(current_gpu);
  if (!device || !device->device || !gpu) return false;
  if (g_text.device) release_text_objects();  // a second init replaces the first
  // Without the loader or one of its entry points nothing could be called.
  if (!load_text_entry_points()) {
    g_text.device = nullptr;
    return false;
  }
  g_text.physical_device = gpu->physical_device;
  g_text.device = device->device;
  g_text.initialised = false;
  const bool with_font = font_file != nullptr;
  if (with_font) {
    g_text.font = new tvc::Font;
    // Without its texture there would be nothing to upload.
    if (!g_text.font->stbttf_load_font_texture(nullptr, font_file, font_height, kFontTextureSize, kFontTextureSize)) {
      release_text_overlay(device);
      return false;
    }
  }
  bool ok = make_layouts(with_font) && make_render_pass(device) && make_pipeline(with_font);
  ok = ok && (with_font ? upload_font(device) : make_test_mesh());
  if (!ok) {
    release_text_overlay(device);
    return false;
  }
  g_text.initialised = true;
  return true;
}

bool VulkanPLugin::text_terminate() {
  if (!g_text.device) return false;
  release_text_objects();
  return true;
}

void VulkanPLugin::text_reset() {
  if (g_text.font) g_text.font->bm_draw_reset();
}

void VulkanPLugin::text_draw_2d(int x, int y, float r, float g, float b, float a, const char* text) {
  if (g_text.font) g_text.font->bm_draw_text_2d(x, y, r, g, b, a, text);
}

bool VulkanPLugin::text_render(tvc::GpuCommandList* list, int width, int height) {
  if (!g_text.initialised || !g_text.font) return false;
  // Refused: an empty viewport is not valid Vulkan, and the scale pushed
  // below (2 / width, 2 / height) would be infinite.
  if (width <= 0 || height <= 0) return false;
  VkCommandListRecord* record = list_commands(this, list);
  if (!record) return false;
  VkCommandBuffer commands = record->command_buffer;
  VkDeviceRecord* device = object_owner(list->id);
  release_retired_buffers(device, RetiredRelease::kFinished);
  g_text.font->stbtt_update_vb(nullptr, false);
  const tvc::MeshData* data = g_text.font->text_mesh->get_mesh_data();
  if (data->vertex_count == 0) return true;  // nothing queued
  if (!data->interleaved) return false;
  const uint32_t vertices = std::min<uint32_t>(data->vertex_count, kMaxTextVertices);
  const uint32_t needed = vertices * kVertexBytes;
  HostBuffer& text = g_text.text_vertices;
  if (!text.buffer || text.capacity < needed) {
    // Lists recorded before may still read the outgrown buffer: it is
    // retired, and goes once the work of each of them has run.
    retire_buffer(device, text.buffer, text.memory, std::move(text.users));
    text = HostBuffer{};
    if (!make_buffer(text, needed, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, false)) return false;
  }
  if (!fill_buffer(text, data->interleaved, needed)) return false;
  set_full_view(commands, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  g_text.vkCmdBindPipeline(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, g_text.pipeline);
  if (g_text.set)
    g_text.vkCmdBindDescriptorSets(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, g_text.pipeline_layout, 0, 1, &g_text.set,
                                   0, nullptr);
  const VkDeviceSize offset = 0;
  g_text.vkCmdBindVertexBuffers(commands, 0, 1, &text.buffer, &offset);
  note_buffer_use(&text.users, record);
  const float push[4] = {2.0f / width, 2.0f / height, -1.0f, 1.0f};
  g_text.vkCmdPushConstants(commands, g_text.pipeline_layout, VK_SHADER_STAGE_VERTEX_BIT, 0, sizeof(push), push);
  g_text.vkCmdDraw(commands, vertices, 1, 0, 0);
  return true;
}

bool VulkanPLugin::text_update(tvc::GpuCommandList* list) {
  if (!g_text.initialised || !g_text.test_mesh) return false;
  VkCommandListRecord* record = list_commands(this, list);
  if (!record) return false;
  VkCommandBuffer commands = record->command_buffer;
  tvc::MeshData* data = g_text.test_mesh->get_mesh_data();
  const uint32_t bytes = data->get_interleaved_vertex_array_size();
  if (!data->interleaved || !fill_buffer(g_text.mesh_vertices, data->interleaved, bytes)) return false;
  // The draw needs a viewport and scissor: the device's window when it has one.
  VkDeviceRecord* device = object_owner(list->id);
  if (device->swapchain) set_full_view(commands, device->swapchain->width, device->swapchain->height);
  g_text.vkCmdBindPipeline(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, g_text.pipeline);
  const VkDeviceSize offset = 0;
  g_text.vkCmdBindVertexBuffers(commands, 0, 1, &g_text.mesh_vertices.buffer, &offset);
  g_text.vkCmdDraw(commands, data->vertex_count, 1, static_cast<uint32_t>(data->base_vertex), 0);
  return true;
}
