// Logical devices and what hangs off them: swapchain, surfaces, depth buffer,
// render passes and the per-image frames.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "vk_plugin.h"

// How far a recording's work got: its submits so far and the fence of the
// last one. Objects the recording used keep it, so it outlives the record.
// It is gone once its recording can never run again: the record was freed,
// or its command buffer and fence were released (the fence may no longer be
// asked about).
struct SubmitTrace {
  uint32_t submits = 0;
  VkFence fence = VK_NULL_HANDLE;
  bool gone = false;
};

// What a frame, a command list or a render target records into.
struct VkCommandListRecord {
  VkCommandListRecord() = default;
  VkCommandListRecord(const VkCommandListRecord&) = delete;
  VkCommandListRecord& operator=(const VkCommandListRecord&) = delete;
  ~VkCommandListRecord() { trace->gone = true; }
  int32_t id = 0;
  VkCommandBuffer command_buffer = nullptr;
  VkDevice device = nullptr;
  VkCommandPool command_pool = VK_NULL_HANDLE;
  VkFence fence = VK_NULL_HANDLE;
  int32_t fence_index = 0;
  bool primary = true;
  bool opened = false;
  bool submitted = false;
  VkPipeline bound_pipeline = VK_NULL_HANDLE;
  // Recorded a pass or barrier on a swapchain image since it was opened.
  bool uses_swapchain_image = false;
  std::shared_ptr<SubmitTrace> trace = std::make_shared<SubmitTrace>();
};

// A record's command buffer was submitted with fence (null: none).
inline void note_submitted(VkCommandListRecord* record, VkFence fence) {
  ++record->trace->submits;
  record->trace->fence = fence;
}

// One recording that bound a buffer, as its submits stood at its last bind:
// the work of it that may still read the buffer is that recording's next
// submit and everything queued before it.
struct BufferUse {
  std::shared_ptr<const SubmitTrace> user;
  uint32_t submits = 0;
};

// Every recording that bound a buffer since the buffer was made. Lists
// recorded one after another may be submitted in another order, so the last
// bind alone does not tell when the buffer is free. One entry a recording,
// so there are no more than the device has lists, frames and targets; a
// recording that is gone leaves only a mark, since only an idle wait can
// tell that its work ran.
struct BufferUsers {
  std::vector<BufferUse> live;
  bool dropped = false;
};
// The record bound the buffer now (null: nothing recorded it).
void note_buffer_use(BufferUsers* users, const VkCommandListRecord* record);

// A buffer outgrown while work that bound it may still run.
struct RetiredBuffer {
  VkBuffer buffer = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  BufferUsers users;
};

inline VkCommandListRecord* list_record(tvc::GpuCommandList* list) {
  return list ? static_cast<VkCommandListRecord*>(list->renderer_data) : nullptr;
}

struct VkDeviceRecord;
// The record of the device's current command list while it is open, or null.
VkCommandListRecord* open_current_list(const VkDeviceRecord* device);

// The presentation surface of one render window.
struct VkSurfaceRecord {
  VkSurfaceKHR surface = VK_NULL_HANDLE;
  VkInstanceRecord* instance = nullptr;
  // Read once from the driver and kept until the swapchain goes away.
  std::vector<VkSurfaceFormatKHR> formats;
  std::vector<VkPresentModeKHR> present_modes;
};

struct VkSwapchainBuffer {
  VkImage image = VK_NULL_HANDLE;
  VkImageView view = VK_NULL_HANDLE;
};

struct VkSwapchainRecord {
  int32_t id = 0;
  VkSwapchainKHR swapchain = VK_NULL_HANDLE;
  uint32_t image_count = 0;
  std::vector<VkSwapchainBuffer> buffers;
  std::vector<VkImage> images;
  uint32_t current_image_index = 0;
  VkFormat format = VK_FORMAT_B8G8R8A8_SRGB;
  uint32_t width = 0;
  uint32_t height = 0;
};

struct VkRenderPassRecord {
  int32_t id = 0;
  VkRenderPass render_pass = VK_NULL_HANDLE;
};

struct VkDepthBufferRecord {
  int32_t id = 0;
  VkFormat format = VK_FORMAT_UNDEFINED;
  VkImage image = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkImageView view = VK_NULL_HANDLE;
};

struct VkFrameRecord {
  VkCommandPool command_pool = VK_NULL_HANDLE;
  VkCommandBuffer command_buffer = nullptr;
  VkCommandListRecord* command_record = nullptr;
  VkFence fence = VK_NULL_HANDLE;
  VkFramebuffer framebuffer = VK_NULL_HANDLE;
  VkSemaphore acquire_semaphore = VK_NULL_HANDLE;
  VkSemaphore render_semaphore = VK_NULL_HANDLE;
  uint32_t width = 0;
  uint32_t height = 0;
  int32_t begin_counter = 0;
  // Where the frame stands between acquire and present. The fence is only
  // waited on while a submit will signal it.
  bool acquired = false;    // holds a swapchain image; its acquire semaphore is signalled
  bool recorded = false;    // the command buffer was ended since the last submit
  bool submitted = false;   // the acquire semaphore was consumed, the render semaphore will be signalled
  bool fence_armed = true;  // the fence is signalled or a submit will signal it
  uint32_t image_index = 0;  // the swapchain image it holds while acquired
};

enum { kDeviceFenceCount = 16 };

struct VkDeviceRecord {
  VkDeviceRecord();

  VkInstance instance = nullptr;
  VkPhysicalDevice physical_device = nullptr;
  VkDevice device = nullptr;
  VkQueue graphics_queue = nullptr;
  VkQueue present_queue = nullptr;
  VkFunctionTable functions;
  VkCommandPool command_pool = VK_NULL_HANDLE;
  VkCommandBuffer command_buffer = nullptr;
  int32_t flag = 1;
  VkDescriptorPool descriptor_pool = VK_NULL_HANDLE;
  int32_t gpu_index = 0;
  // The record of the GPU it was made on; a GPU object's place in the list
  // changes when another is killed or made, so it is never found by index.
  VkGpuRecord* gpu = nullptr;
  uint32_t graphics_family = 0;
  uint32_t present_family = 0;
  VkSemaphore image_semaphore = VK_NULL_HANDLE;
  VkSemaphore draw_semaphore = VK_NULL_HANDLE;
  int32_t recreate_count = 0;
  int32_t last_seen_recreate_count = -1;
  VkSubmitInfo submit_info{};
  VkSemaphore acquire_semaphore = VK_NULL_HANDLE;
  VkSemaphore graphics_semaphore = VK_NULL_HANDLE;
  VkSemaphore present_complete_semaphore = VK_NULL_HANDLE;
  VkSemaphore render_complete_semaphore = VK_NULL_HANDLE;
  int32_t viewport[4] = {0, 0, 0, 0};
  std::vector<tvc::GpuPipelineStateData*> pipeline_states;
  std::vector<VkDescriptorSetRecord*> descriptor_sets;
  std::vector<tvc::TextureSampler*> samplers;
  // Host objects with a Vulkan side on this device; the GPU clean-up
  // releases what is left of them.
  std::vector<tvc::GpuBuffer*> gpu_buffers;
  std::vector<tvc::GeometryCore*> meshes;
  std::vector<tvc::TextureData*> textures;
  std::vector<tvc::GpuRenderTarget*> render_targets;
  std::vector<tvc::GpuProgramData*> programs;
  std::vector<tvc::GpuCommandList*> command_lists;
  std::vector<tvc::GpuCommandList*> secondary_command_lists;
  tvc::GpuCommandList* active_list = nullptr;
  tvc::GpuCommandList* current_command_list = nullptr;
  tvc::GpuCommandList* last_submitted_list = nullptr;
  bool list_submitted = false;
  VkFence fences[kDeviceFenceCount] = {};
  uint8_t fence_pending[kDeviceFenceCount] = {};
  uint8_t device_lost = 0;
  VkSwapchainRecord* swapchain = nullptr;
  VkRenderPassRecord* rp1 = nullptr;
  VkRenderPassRecord* rp2 = nullptr;
  VkDepthBufferRecord* depth_buffer = nullptr;
  VkFrameRecord* frames = nullptr;
  uint32_t frame_count = 0;
  VkCommandListRecord* active_command_record = nullptr;
  VkFrameRecord* current_frame = nullptr;
  uint32_t frame_index = 0;
  // First generation: one framebuffer per swapchain image and the two
  // semaphores that chain acquire, the list submit and present.
  VkFramebuffer* framebuffers = nullptr;
  VkSemaphore image_available_semaphore = VK_NULL_HANDLE;
  VkSemaphore render_finished_semaphore = VK_NULL_HANDLE;
  // Where the image of the command-list path stands between acquire and
  // present: held (acquired, not presented), its acquisition not yet waited
  // on, and a submit that will signal the render-finished semaphore.
  bool image_held = false;
  bool image_available_pending = false;
  bool render_finished_pending = false;
  // Buffers replaced while submitted work may still read them
  // (vk_retired_buffers.cpp).
  std::vector<RetiredBuffer> retired_buffers;
};

// A single-layer framebuffer over views; VK_NULL_HANDLE on failure.
VkResult create_framebuffer(VkDeviceRecord* device, VkRenderPass pass, const VkImageView* views, uint32_t view_count,
                            uint32_t width, uint32_t height, VkFramebuffer* out);
// The framebuffer of swapchain image i over the swapchain pass (rp1), with
// the depth buffer when the device has one; VK_NULL_HANDLE on failure.
VkResult make_swapchain_framebuffer(VkDeviceRecord* device, uint32_t image, uint32_t width, uint32_t height,
                                    VkFramebuffer* out);

// One-time GPU work: a primary buffer from the device's pool, begun when
// asked; the end submits it, waits until the queue is idle and frees it.
VkCommandBuffer begin_one_time_commands(VkDeviceRecord* device, bool begin);
bool end_one_time_commands(VkDeviceRecord* device, VkCommandBuffer commands);

// Before an object that submitted work may still use is destroyed to be
// replaced: false while a command buffer of the device is recording (it may
// have recorded the object, and would be left unusable); else waits until
// the device is idle, so that no submitted work still uses it, and answers
// true. Frame fences alone do not tell: lists and render targets submit
// with other fences, and a fence whose submit failed is never signalled.
bool idle_before_replacing(VkDeviceRecord* device);

// An outgrown buffer (and its memory) goes once the work of every
// recording that bound it has finished: at once when it was never bound or
// all of that work is seen done, else at a later check that finds each of
// those recordings submitted since and its fence signalled, or, for those
// submitted since, once the device or its queue was waited idle.
void retire_buffer(VkDeviceRecord* device, VkBuffer buffer, VkDeviceMemory memory, BufferUsers users);
// Which retired buffers a check lets go: those whose work is seen finished;
// after an idle wait also those whose users were all submitted since (or
// will never be); or, as the device goes, every one.
enum class RetiredRelease { kFinished, kIdle, kAll };
void release_retired_buffers(VkDeviceRecord* device, RetiredRelease which);
// vkDeviceWaitIdle, then the release of what that wait finished.
VkResult wait_device_idle(VkDeviceRecord* device);

// Texts of the driver IDs 0 to 9; "VK_DRIVER_ID_UNKNOWN" beyond.
const char* driver_id_name(uint32_t driver_id);
// The named PCI bus, driver (its first table) and shader-core properties of
// a GPU record (vk_capabilities.cpp); false for a name the table lacks.
bool read_pci_bus_info(const VkGpuRecord& record, const char* name, unsigned* value);
bool read_driver_property(const VkGpuRecord& record, const char* name, unsigned* value, char* text);
bool read_shader_core_property(const VkGpuRecord& record, const char* name, unsigned* value);
