// Records of the GPU-side objects a host makes through the renderer: GPU
// buffers, meshes, textures, samplers, render targets, descriptor sets and
// pipelines, and the small GPU helpers they share (one-time command buffers,
// layout transitions, memory types, images with their memory).
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "vk_device.h"

struct VkGpuBufferRecord {
  int32_t id = 0;
  VkBuffer buffer = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkDeviceSize allocation_size = 0;
  bool coherent = false;  // its memory is host-coherent
};

struct VkMeshRecord {
  int32_t id = 0;
  VkBuffer staging_vertex_buffer = VK_NULL_HANDLE;
  VkBuffer staging_index_buffer = VK_NULL_HANDLE;
  VkDeviceMemory staging_vertex_memory = VK_NULL_HANDLE;
  void* staging_vertex_mapping = nullptr;
  VkDeviceMemory staging_index_memory = VK_NULL_HANDLE;
  void* staging_index_mapping = nullptr;
  VkBuffer device_vertex_buffer = VK_NULL_HANDLE;
  VkBuffer device_index_buffer = VK_NULL_HANDLE;
  VkDeviceMemory device_vertex_memory = VK_NULL_HANDLE;
  VkDeviceMemory device_index_memory = VK_NULL_HANDLE;
  VkDeviceSize vertex_data_size = 0;
  VkDeviceSize index_data_size = 0;
  VkDeviceSize staging_vertex_allocation_size = 0;
  VkDeviceSize staging_index_allocation_size = 0;
  bool vertex_upload_pending = false;
  bool index_upload_pending = false;
  VkCommandBuffer vertex_upload_command_buffer = nullptr;
  VkFence vertex_upload_fence = VK_NULL_HANDLE;
  VkCommandBuffer index_upload_command_buffer = nullptr;
  VkFence index_upload_fence = VK_NULL_HANDLE;
};

struct VkTextureRecord {
  int32_t id = 0;
  VkFormat format = VK_FORMAT_R8G8B8A8_UNORM;
  VkImage staging_image = VK_NULL_HANDLE;
  VkImageLayout staging_layout = VK_IMAGE_LAYOUT_PREINITIALIZED;
  VkDeviceMemory staging_memory = VK_NULL_HANDLE;
  void* staging_mapping = nullptr;
  VkImage device_image = VK_NULL_HANDLE;
  VkDeviceMemory device_memory = VK_NULL_HANDLE;
  VkImageView view = VK_NULL_HANDLE;
  VkDeviceSize staging_allocation_size = 0;
  bool memory_bound = false;
  bool borrowed = false;  // the objects belong to a render target
  uint32_t level_count = 1;
};

struct VkSamplerRecord {
  int32_t id = 0;
  VkSampler sampler = VK_NULL_HANDLE;
};

struct RenderTargetAttachment {
  VkImage image = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkImageView view = VK_NULL_HANDLE;
  VkImageLayout return_layout = VK_IMAGE_LAYOUT_UNDEFINED;
  VkDeviceSize size = 0;
  VkImage linear_image = VK_NULL_HANDLE;
  VkImageLayout linear_layout = VK_IMAGE_LAYOUT_UNDEFINED;
  VkDeviceMemory linear_memory = VK_NULL_HANDLE;
  VkDeviceSize linear_size = 0;
  void* mapped = nullptr;
  std::vector<uint8_t> packed;  // tightly packed rows handed out by slot 124
};

enum { kMaxColorAttachments = 8 };

struct RenderTargetFrameBlock {
  VkFramebuffer framebuffer = VK_NULL_HANDLE;
  uint32_t attachment_count = 0;
  RenderTargetAttachment colors[kMaxColorAttachments];
  VkCommandBuffer command_buffer = nullptr;
  VkCommandListRecord* command_record = nullptr;
  VkCommandPool command_pool = VK_NULL_HANDLE;
  VkFence fence = VK_NULL_HANDLE;
};

struct VkRenderTargetRecord {
  tvc::RendererGpu* gpu = nullptr;
  VkGpuRecord* gpu_record = nullptr;
  VkDeviceRecord* device = nullptr;
  uint32_t color_count = 0;
  RenderTargetFrameBlock* frames = nullptr;
  int32_t frame_count = 0;
  RenderTargetAttachment depth;
  VkFormat color_format = VK_FORMAT_UNDEFINED;
  VkRenderPass render_pass = VK_NULL_HANDLE;
  VkSampler sampler = VK_NULL_HANDLE;
  VkClearValue clear_values[2];
  // First generation only (Vulkan2 targets have frame blocks of their own).
  // One primary list per swapchain image, with the binds and unbinds of
  // each: a list is submitted only after as many unbinds as binds.
  std::vector<tvc::GpuCommandList*> image_lists;
  std::vector<uint64_t> bind_counts;
  std::vector<uint64_t> unbind_counts;
  tvc::GpuCommandList* previous_list = nullptr;  // the device's current list at the bind
  VkCommandBuffer bound_command_buffer = nullptr;
  unsigned bound_image = 0;  // the image of the last bind
  VkSemaphore semaphore = VK_NULL_HANDLE;  // made by the first bind; nothing waits on it
};

struct VkDescriptorBindingRecord {
  uint32_t binding = 0;
  VkDescriptorType type = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER;
  VkShaderStageFlags stages = 0x1F;
  VkDescriptorBufferInfo buffer_info{};
  // Mesh buffer arrays: a copy owned by the binding, so that later growth of
  // the set's info lists never leaves it pointing at freed storage.
  std::vector<VkDescriptorBufferInfo> buffer_array;
  VkDescriptorImageInfo image_info{};
  std::vector<VkDescriptorImageInfo> image_array;
  VkWriteDescriptorSetAccelerationStructureKHR acceleration{};
  uint32_t descriptor_count() const {
    if (!buffer_array.empty()) return static_cast<uint32_t>(buffer_array.size());
    if (!image_array.empty()) return static_cast<uint32_t>(image_array.size());
    return 1;
  }
};

struct VkPushConstantEntry {
  uint32_t offset;
  uint32_t size;
  uint32_t stages;
};

struct VkDescriptorSetRecord {
  int32_t id = 0;
  VkPipelineLayout pipeline_layout = VK_NULL_HANDLE;
  VkDescriptorSetLayout set_layout = VK_NULL_HANDLE;
  VkDescriptorSet descriptor_set = VK_NULL_HANDLE;
  bool dirty = true;
  std::vector<VkDescriptorBindingRecord*> bindings;
  std::vector<VkPushConstantEntry> push_constants;
  std::vector<VkDescriptorBufferInfo> mesh_vertex_infos;
  std::vector<VkDescriptorBufferInfo> mesh_index_infos;
  std::vector<tvc::GeometryCore*> meshes;
};

struct VkPipelineRecord {
  int32_t id = 0;
  VkPipeline pipeline = VK_NULL_HANDLE;
  VkPipelineCache cache = VK_NULL_HANDLE;
  bool raytracing = false;
};

// A device-side image with its memory and optional view; all or nothing.
struct ImageRequest {
  VkImageCreateInfo info{};
  // The memory type, as find_memory_type chooses it from these.
  VkMemoryPropertyFlags preferred = 0;  // first choice of memory properties
  VkMemoryPropertyFlags fallback = 0;   // second choice (0: none)
  bool any_type_last = true;            // then the first allowed type, else failure
  VkImageAspectFlags view_aspect = 0;   // 0: no view
  VkImageViewType view_type = VK_IMAGE_VIEW_TYPE_2D;
};

// Steps of create_image_objects, for the caller's messages.
enum ImageStep { kImageCreate = 1, kImageMemoryType, kImageAllocate, kImageBind, kImageView };

struct ImageObjects {
  VkImage image = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkImageView view = VK_NULL_HANDLE;
  VkDeviceSize size = 0;  // of the memory requirements, also after a failure past the image's creation
  int failed_step = 0;    // an ImageStep after a failure
};

// Shared helpers (vk_resources.cpp).
// A single-sample 2D image of one level and one layer, exclusive, starting
// undefined; callers set memory, view and anything else they need.
ImageRequest image_2d_request(VkFormat format, uint32_t width, uint32_t height, VkImageUsageFlags usage,
                              VkImageTiling tiling = VK_IMAGE_TILING_OPTIMAL);
VkFormat pixel_format_to_vk_format(int pixel_format);
// Bytes a texel of a pixel format takes in upload; 0 for a format outside the table.
uint32_t pixel_format_texel_size(int pixel_format);
// What a memory-type search settles for when no type the resource allows
// has the wanted properties: first the second choice of properties (0: none),
// then, with any_allowed, the first type the resource allows whatever its
// properties. A type outside the resource's type bits is never chosen: using
// one is invalid, so a search with nothing allowed fails.
struct MemoryFallback {
  VkMemoryPropertyFlags second = 0;
  bool any_allowed = false;
};
constexpr MemoryFallback kNoMemoryFallback{0, false};
constexpr MemoryFallback kAnyAllowedMemory{0, true};
// The memory type for a resource whose requirement allows bits: the first
// allowed type whose properties hold wanted, else the fallback's choice; -1
// when nothing fits (also without memory properties or a GPU record).
int find_memory_type(const VkPhysicalDeviceMemoryProperties* memory, uint32_t bits, VkMemoryPropertyFlags wanted,
                     MemoryFallback fallback);
int find_memory_type(const VkGpuRecord* gpu, uint32_t bits, VkMemoryPropertyFlags wanted, MemoryFallback fallback);

// The calls a buffer is made with: the device's table, or the entry points
// an overlay resolved for itself.
struct BufferCalls {
  VkDevice device;
  PFN_vkCreateBuffer create_buffer;
  PFN_vkGetBufferMemoryRequirements memory_requirements;
  PFN_vkAllocateMemory allocate_memory;
  PFN_vkBindBufferMemory bind_buffer_memory;
  // Where set, the requirements are asked for with a dedicated-allocation
  // query chained on.
  PFN_vkGetBufferMemoryRequirements2 memory_requirements2 = nullptr;
};
BufferCalls device_buffer_calls(const VkDeviceRecord* device);

// What a buffer of its own memory is made of; what was made stays on
// failure, for the caller to release.
struct BufferObjects {
  VkBuffer buffer = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkMemoryRequirements needs{};  // zero until the device answered
};
// The step a buffer's making failed at.
enum BufferStep { kBufferCreate, kBufferMemoryType, kBufferAllocate, kBufferBind };
// The memory type for the buffer's allowed types (bits); -1: none fits.
using MemoryTypeChoice = std::function<int(uint32_t bits)>;
// Creates the buffer, picks its memory type, allocates (allocate_next
// chained to the allocation) and binds; step says where it failed. A type
// that nothing fits answers VK_ERROR_FEATURE_NOT_PRESENT.
VkResult make_buffer_objects(const BufferCalls& calls, VkDeviceSize size, VkBufferUsageFlags usage,
                             const MemoryTypeChoice& memory_type, const void* allocate_next, BufferObjects* out,
                             BufferStep* step);
bool transition_image_layout(VkDeviceRecord* device, VkCommandBuffer command_buffer, VkImage image,
                             VkImageLayout old_layout, VkImageLayout new_layout, uint32_t layer = 0,
                             uint32_t level_count = 1);
bool submit_with_fence(VkDeviceRecord* device, VkCommandBuffer command_buffer, VkFence fence, bool free_buffer);
// Submits a recorded buffer with the fence (reset first) and waits for it.
bool submit_and_wait(VkDeviceRecord* device, VkCommandBuffer commands, VkFence fence);
// Creates image, memory (bound) and view; on failure releases what it made
// and returns the failing result.
VkResult create_image_objects(VkDeviceRecord* device, const VkGpuRecord* gpu, const ImageRequest& request,
                              ImageObjects* out);
void release_image_objects(VkDeviceRecord* device, ImageObjects* objects);
// The records the plug-in keeps on the host's objects; null for none.
inline VkGpuBufferRecord* buffer_record(tvc::GpuBuffer* buffer) {
  return buffer ? static_cast<VkGpuBufferRecord*>(buffer->renderer_data) : nullptr;
}
inline VkMeshRecord* mesh_record(tvc::GeometryCore* geometry) {
  return geometry ? static_cast<VkMeshRecord*>(geometry->renderer_data) : nullptr;
}
inline VkTextureRecord* texture_record(tvc::TextureData* texture) {
  return texture ? static_cast<VkTextureRecord*>(texture->renderer_data) : nullptr;
}
inline VkSamplerRecord* sampler_record(tvc::TextureSampler* sampler) {
  return sampler ? static_cast<VkSamplerRecord*>(sampler->renderer_data) : nullptr;
}
inline VkRenderTargetRecord* target_record(tvc::GpuRenderTarget* target) {
  return target ? static_cast<VkRenderTargetRecord*>(target->renderer_data) : nullptr;
}
inline VkPipelineRecord* pipeline_record(tvc::GpuPipelineStateData* state) {
  return state ? static_cast<VkPipelineRecord*>(state->renderer_data) : nullptr;
}

// A new binding record (vk_descriptor_sets.cpp).
VkDescriptorBindingRecord* new_binding(int binding, VkDescriptorType type, unsigned stages);
// An update's new image for an image binding: the image, the binding number
// and, when above 0, the stages; the set is written again at its next
// update. True.
bool update_image_binding(VkDescriptorSetRecord* set, VkDescriptorBindingRecord* b, const VkDescriptorImageInfo& info,
                          int binding, unsigned stages);
// The most descriptors of a type one binding can hold: what the device's
// shared pool holds of that type. A host count past it could never be
// allocated, so it is refused before it sizes anything.
uint32_t descriptor_pool_room(VkDescriptorType type);

// Render-target pieces both generations build from (vk_render_targets.cpp).
// Frames a target needs on a device: one per frame, one without a window.
int32_t frames_wanted(const VkDeviceRecord* device);
// The frame block a target draws into now: the device's frame, else 0.
unsigned current_frame_of(const VkRenderTargetRecord* record);
// Return layouts name where copies leave an image; "none set" means the
// layout the render pass leaves it in.
VkImageLayout resting_layout(const RenderTargetAttachment& a);
// An attachment image: device-local memory, else host-visible.
ImageRequest render_target_image_request(VkFormat format, uint32_t width, uint32_t height, VkImageUsageFlags usage,
                                         VkImageAspectFlags aspect);
VkImageAspectFlags depth_aspects(VkFormat format);
// color_count colour attachments, then the depth attachment.
VkResult create_render_target_pass(VkDeviceRecord* device, VkFormat color, VkFormat depth, uint32_t color_count,
                                   VkRenderPass* out);
VkSamplerCreateInfo render_target_sampler_info(float max_lod);
void take_image(RenderTargetAttachment* attachment, const ImageObjects& image);
void take_linear_image(RenderTargetAttachment* attachment, const ImageObjects& image);
// Copies rows of row_bytes, each pitch bytes apart in their image (the
// packed side's pitch is row_bytes); destination first, as memcpy.
void copy_rows(uint8_t* destination, uint64_t destination_pitch, const uint8_t* source, uint64_t source_pitch,
               uint32_t row_bytes, uint32_t rows);
// The overlays' pipeline: two stages, triangles, no culling or depth test,
// alpha blending of colour, viewport and scissor set when drawing.
struct OverlayPipelineDesc {
  VkShaderModule vertex = VK_NULL_HANDLE;
  VkShaderModule fragment = VK_NULL_HANDLE;
  VkVertexInputBindingDescription binding{};
  const VkVertexInputAttributeDescription* attributes = nullptr;
  uint32_t attribute_count = 0;
  VkBlendFactor src_alpha = VK_BLEND_FACTOR_ONE;  // alpha's factors
  VkBlendFactor dst_alpha = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
  VkPipelineLayout layout = VK_NULL_HANDLE;
  VkRenderPass render_pass = VK_NULL_HANDLE;
};
VkResult create_overlay_pipeline(PFN_vkCreateGraphicsPipelines create, VkDevice device, const OverlayPipelineDesc& desc,
                                 VkPipeline* out);
// Linear filtering and mipmaps, one address mode on every axis, no
// anisotropy or compare.
VkSamplerCreateInfo linear_sampler_info(VkSamplerAddressMode address, float min_lod, float max_lod);
// The overlays' font sampler: linear, repeating, every level.
VkSamplerCreateInfo overlay_sampler_info();
// The command buffer draws record into, or null.
VkCommandBuffer active_command_buffer(const VkDeviceRecord* device);

// Removes every entry equal to item, keeping the order of the others.
template <typename T>
void erase_from(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
