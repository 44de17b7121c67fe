// The Vulkan renderer object and the records it keeps.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "tvc.h"
#include "vk_functions.h"

// A driver handle as a number, for the log.
inline uintptr_t handle_bits(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

// One layer or extension a host asked for before initialisation.
struct RequestedName {
  std::string name;
  int32_t gpu_index = -1;  // -1: every GPU
};

struct GpuFeatureEntry {
  std::string name;
  int32_t value = 0;
};

enum GpuLimitType {
  LIMIT_U32 = 0,
  LIMIT_I32 = 1,
  LIMIT_U64 = 2,
  LIMIT_FLOAT = 3,
  LIMIT_U32X3 = 4,
  LIMIT_U32X2 = 5,
  LIMIT_FLOAT2 = 6,
};

struct GpuLimitEntry {
  std::string name;
  int32_t type = LIMIT_U32;
  uint32_t u32_values[4] = {0, 0, 0, 0};
  int32_t i32_values[4] = {0, 0, 0, 0};
  uint64_t u64_values[4] = {0, 0, 0, 0};
  float f32_values[4] = {0, 0, 0, 0};
};

struct VkInstanceRecord {
  VkInstance instance = nullptr;
  VkFunctionTable functions;
  std::vector<std::string> extension_names;
  std::vector<std::string> layer_names;
  std::vector<std::string> enabled_extensions;  // those the instance was created with
  Properties2Source properties2 = Properties2Source::kNone;
};

struct VkDeviceRecord;
struct VkCommandListRecord;
struct VkFrameRecord;
struct VkRenderPassRecord;
struct VkDescriptorSetRecord;
struct VkDescriptorBindingRecord;
struct VkTextureRecord;
struct VkRenderTargetRecord;
struct RenderTargetFrameBlock;
struct VkRayTracingContext;
struct VkStorageImageRecord;
struct VkSurfaceRecord;
struct VkSwapchainRecord;

// What the renderer knows of one physical device.
struct VkGpuRecord {
  VkGpuRecord();
  ~VkGpuRecord();
  VkGpuRecord(const VkGpuRecord&) = delete;
  VkGpuRecord& operator=(const VkGpuRecord&) = delete;

  bool initialized = false;
  VkInstance instance = nullptr;
  VkPhysicalDevice physical_device = nullptr;
  VkPhysicalDeviceProperties properties{};
  int32_t index = 0;
  VkFunctionTable functions;
  std::string name;
  std::string vendor_name;
  uint32_t vendor_id = 0;
  uint32_t device_id = 0;
  std::string api_version_text;
  int32_t api_version[4] = {0, 0, 0, 0};  // raw, major, minor, patch
  int32_t driver_version_parts[4] = {0, 0, 0, 0};
  VkPhysicalDeviceLimits limits{};
  std::vector<GpuLimitEntry*> limit_registry;
  VkPhysicalDeviceFeatures features{};
  std::vector<GpuFeatureEntry*> feature_registry;
  std::vector<std::string> device_extension_names;
  std::vector<std::string> device_layer_names;
  std::vector<VkDeviceRecord*> devices;
  VkDeviceRecord* current_device = nullptr;
  uint32_t queue_family_count = 0;
  int32_t graphics_queue_family = -1;
  int32_t present_queue_family = -1;
  VkQueueFamilyProperties* queue_family_properties = nullptr;
  VkPhysicalDeviceMemoryProperties memory_properties{};
  std::vector<uint32_t> heap_sizes_mb;
  // Extension property blocks read when the logical device is created.
  VkPhysicalDeviceRayTracingPropertiesNV nv_raytracing_properties{};
  VkPhysicalDeviceRayTracingPipelinePropertiesKHR raytracing_pipeline_properties{};
  VkPhysicalDeviceAccelerationStructurePropertiesKHR acceleration_structure_properties{};
  VkPhysicalDeviceMeshShaderPropertiesNV mesh_shader_properties{};
  VkPhysicalDevicePCIBusInfoPropertiesEXT pci_bus_info{};
  VkPhysicalDeviceDriverPropertiesKHR driver_properties{};
  VkPhysicalDeviceShaderCorePropertiesAMD shader_core_properties{};
};

// Feature and limit registries of a GPU record.
void fill_gpu_registries(VkGpuRecord* record);
void add_feature(VkGpuRecord* record, const char* name, int32_t value);
void add_limit_u32(VkGpuRecord* record, const char* name, uint32_t value);
void add_limit_i32(VkGpuRecord* record, const char* name, int32_t value);
void add_limit_u64(VkGpuRecord* record, const char* name, uint64_t value);
void add_limit_float(VkGpuRecord* record, const char* name, float value);
void add_limit_u32x3(VkGpuRecord* record, const char* name, const uint32_t values[3]);
void add_limit_viewport_dimensions(VkGpuRecord* record, uint32_t width, uint32_t height);
void add_limit_float2(VkGpuRecord* record, const char* name, const float values[2]);

// Name of a VkResult as "NAME (code)"; one buffer shared by every call.
const char* vk_result_to_string(VkResult result);

class VulkanPLugin : public tvc::Renderer {
 public:
  VulkanPLugin();
  ~VulkanPLugin() override;
  VulkanPLugin(const VulkanPLugin&) = delete;
  VulkanPLugin& operator=(const VulkanPLugin&) = delete;

#include "vk_slots.h"

  // Initialisation steps.
  bool create_instance(VkInstanceRecord* record);
  bool enumerate_instance_extensions(VkInstanceRecord* record);
  bool enumerate_instance_layers(VkInstanceRecord* record);
  bool log_physical_devices(VkInstanceRecord* record, int reserved);
  bool query_memory_heaps(VkGpuRecord* record);
  bool query_device_extensions(VkGpuRecord* record);
  bool query_device_layers(VkGpuRecord* record);
  void clear_requested_names();
  void release_instance_and_library();
  // Each generation's own (its folder's vk_generation.cpp): the application
  // info, the debug messenger and the device-group report.
  void describe_application(VkApplicationInfo* app, const int version[4], bool vulkan12);
  void create_messenger(const std::vector<std::string>& enabled_extensions);
  void destroy_messenger();
  void log_device_groups(VkInstanceRecord* record);
  // The record whose command buffer the GUI overlay records into, or null.
  VkCommandListRecord* gui_command_record(VkDeviceRecord* device);
  // Deletes every GPU object and frees every GPU record.
  void release_gpus();

  static VkBool32 VKAPI_PTR debug_report_callback(VkDebugReportFlagsEXT flags, VkDebugReportObjectTypeEXT type,
                                                  uint64_t object, size_t location, int32_t code,
                                                  const char* layer_prefix, const char* message, void* user);
  static VkBool32 VKAPI_PTR dbgUtilsMessengerFunc(VkDebugUtilsMessageSeverityFlagBitsEXT severity,
                                                  VkDebugUtilsMessageTypeFlagsEXT types,
                                                  const VkDebugUtilsMessengerCallbackDataEXT* data, void* user);

  // Logical devices and the window path (surface, swapchain, frames).
  bool find_queue_family(VkGpuRecord* gpu, tvc::RenderWindow* window);
  bool create_logical_device(VkGpuRecord* gpu, VkDeviceRecord* device);
  void log_device_properties(VkGpuRecord* gpu, VkDeviceRecord* device);
  bool find_depth_format(VkGpuRecord* gpu, VkFormat* format);
  bool vk_depth_buffer_init(VkGpuRecord* gpu, VkDeviceRecord* device, uint32_t width, uint32_t height);
  bool vk_depth_buffer_release(VkDeviceRecord* device);
  bool vk_render_pass_init(VkDeviceRecord* device);
  bool vk_render_pass_release(VkDeviceRecord* device);
  bool create_device_semaphores(VkDeviceRecord* device);
  bool release_device_semaphores(VkDeviceRecord* device);
  // Every Vulkan object of a device, then the device and its record.
  void release_device(VkGpuRecord* gpu, VkDeviceRecord* device, tvc::RenderWindow* window);
  bool create_surface(tvc::RenderWindow* window);
  VkSwapchainRecord* create_swapchain(VkGpuRecord* gpu, VkDeviceRecord* device, tvc::RenderWindow* window);
  bool destroy_swapchain(VkDeviceRecord* device, tvc::RenderWindow* window);
  bool surface_can_take_swapchain(VkGpuRecord* record, tvc::RenderWindow* window);
  bool rebuild_depth_and_passes(VkGpuRecord* record, VkDeviceRecord* device);
  bool create_frames(VkDeviceRecord* device, uint32_t width, uint32_t height);
  bool create_frame_framebuffers(VkDeviceRecord* device, uint32_t width, uint32_t height);
  void release_frame_framebuffers(VkDeviceRecord* device);
  void release_frames(VkDeviceRecord* device);
  // The per-image objects of the window path, whichever generation: the
  // frames (Vulkan2) or the framebuffer array (first generation).
  bool init_swapchain_frames(VkDeviceRecord* device, uint32_t width, uint32_t height);
  void release_swapchain_frames(VkDeviceRecord* device);
  VkFramebuffer swapchain_framebuffer(VkDeviceRecord* device, uint32_t image_index);
  // Semaphores a list submit that draws into the acquired image waits on and
  // signals (null: none); after_list_submit follows a successful submit.
  void list_submit_semaphores(VkDeviceRecord* device, VkCommandListRecord* record, VkSemaphore** wait,
                              VkSemaphore** signal);
  void after_list_submit(VkDeviceRecord* device, bool took_image);
  // First generation.
  bool vk_framebuffers_init(VkDeviceRecord* device, uint32_t width, uint32_t height);
  bool vk_framebuffers_release(VkDeviceRecord* device);
  // Gives a pending image-available signal its waiter (an empty batch), so
  // no semaphore is left signalled with nothing to consume it.
  bool consume_image_available(VkDeviceRecord* device);
  // Submits a batch for the current frame: waits on its acquire semaphore,
  // signals its render semaphore and re-arms its fence; with_commands adds
  // the frame's command buffer.
  bool submit_frame(VkDeviceRecord* device, VkFrameRecord* frame, bool with_commands);
  // Gives every frame's pending semaphore signal a waiter, so no frame is left
  // holding an image or a signalled semaphore (before the frames change).
  void settle_frames(VkDeviceRecord* device);
  // Command lists.
  tvc::GpuCommandList* command_list_create(VkDeviceRecord* device, int kind);
  bool vk_command_buffer_init(VkDeviceRecord* device, tvc::GpuCommandList* list, bool primary);
  bool command_list_release_objects(VkDeviceRecord* device, tvc::GpuCommandList* list);
  // Every list of a device: Vulkan objects, records and list objects.
  void release_command_lists(VkDeviceRecord* device);
  bool begin_list_render_pass(tvc::GpuCommandList* list, VkRenderPassRecord* pass, uint32_t image_index,
                              bool clear, int contents);
  // Releases every logical device of a GPU record.
  void release_gpu_devices(VkGpuRecord* record);
  // The device of a GPU (null: the current GPU), or null.
  VkDeviceRecord* device_of(tvc::RendererGpu* gpu);
  static VkSurfaceRecord* surface_record(tvc::RenderWindow* window);

  // The record of a GPU object, or null.
  static VkGpuRecord* gpu_record(tvc::RendererGpu* gpu) {
    return gpu ? static_cast<VkGpuRecord*>(gpu->renderer_data) : nullptr;
  }
  VkGpuRecord* gpu_record_at(int gpu_index) { return gpu_record(gpu_get_by_index(static_cast<unsigned>(gpu_index))); }

  // GPU-side objects of the host (buffers, meshes, textures, samplers,
  // render targets, descriptor sets, programs and pipelines).
  VkGpuRecord* device_gpu(const VkDeviceRecord* device);
  void release_device_resources(VkDeviceRecord* device);
  bool gpu_buffer_release(VkDeviceRecord* device, tvc::GpuBuffer* buffer);
  bool mesh_release(VkDeviceRecord* device, tvc::GeometryCore* geometry);
  bool mesh_upload(VkDeviceRecord* device, VkBuffer source, VkBuffer destination, VkDeviceSize size,
                   VkCommandBuffer* command_buffer, VkFence* fence);
  bool texture_release(VkDeviceRecord* device, tvc::TextureData* texture);
  bool texture_check_size(VkDeviceRecord* device, tvc::TextureData* texture, uint32_t layers);
  VkTextureRecord* texture_new_record(VkDeviceRecord* device, tvc::TextureData* texture);
  bool texture_fill_staging(VkDeviceRecord* device, VkImage image, VkDeviceMemory memory, VkDeviceSize size,
                            tvc::TextureData* texture, const uint8_t* pixels, const char* operation,
                            VkResult* map_result);
  bool generate_mipmaps(VkDeviceRecord* device, VkTextureRecord* record, tvc::TextureData* texture,
                        uint32_t levels);
  bool sampler_release(int id);
  bool sampler_release_entry(tvc::TextureSampler* sampler);
  bool render_target_create(VkRenderTargetRecord* record, tvc::GpuRenderTarget* target, uint32_t width,
                            uint32_t height);
  // keep_record: the record stays on the target without its device (GPU
  // clean-up), so that a later release of the target answers false.
  void render_target_release(tvc::GpuRenderTarget* target, bool keep_record = false);
  RenderTargetFrameBlock* render_target_block(tvc::GpuRenderTarget* target, unsigned frame);
  bool begin_render_target_pass(tvc::GpuRenderTarget* target, VkFramebuffer framebuffer, VkCommandBuffer commands);
  // First generation: a target records into one command list per swapchain
  // image instead of a command buffer of its own.
  bool render_target_make_image_lists(VkRenderTargetRecord* record);
  void render_target_free_image_lists(VkRenderTargetRecord* record);
  // A list the host kills leaves every render target of the device that
  // holds it (null: every list); Vulkan2 targets hold none.
  void detach_target_lists(VkDeviceRecord* device, tvc::GpuCommandList* list);
  const uint8_t* render_target_read(tvc::GpuRenderTarget* target, bool to_general, uint64_t* pitch);
  VkDescriptorSetRecord* descriptorset_lookup(int id);
  VkDescriptorBindingRecord* descriptorset_binding(VkDescriptorSetRecord* set, int index);
  int descriptorset_add(VkDescriptorSetRecord* set, VkDescriptorBindingRecord* binding);
  bool descriptorset_destroy(VkDescriptorSetRecord* set);
  void descriptorset_killall_device(VkDeviceRecord* device);
  bool render_target_image_info(tvc::GpuRenderTarget* target, int attachment, tvc::TextureSampler* sampler,
                                VkDescriptorImageInfo* info);
  bool pipeline_release(VkDeviceRecord* device, tvc::GpuPipelineStateData* state);

  // Ray tracing and storage images.
  void log_raytracing_properties(VkGpuRecord* gpu, VkDeviceRecord* device);
  bool raytracing_supported(VkDeviceRecord* device);
  VkRayTracingContext* raytracing_context(int index, const char* operation);
  void release_raytracing_context(VkRayTracingContext* context);
  bool build_geometry_structures(VkRayTracingContext* context);
  // A replaced TLAS: the sets that bind it are written again (now when the
  // device is idle, else at their next update).
  void refresh_structure_bindings(VkRayTracingContext* context, bool write_now);
  // The GPU clean-up: the device's contexts lose their objects, its storage
  // images go.
  void release_device_raytracing(VkDeviceRecord* device);
  // Terminate: every context and storage image left.
  void free_raytracing_objects();
  VkStorageImageRecord* storage_image_find(int id);
  bool storage_image_create_objects(VkDeviceRecord* device, VkGpuRecord* gpu, unsigned width, unsigned height,
                                    int pixel_format, VkStorageImageRecord* record);
  void storage_image_release_objects(VkStorageImageRecord* record);
  bool copy_storage_image_to_attachment(VkCommandBuffer commands, tvc::GpuRenderTarget* target, int attachment,
                                        const VkStorageImageRecord* image);
  VkCommandBuffer recording_buffer(tvc::GpuCommandList* list, VkDeviceRecord* device);
  // The overlays let go of a device before it is destroyed.
  void release_text_overlay(VkDeviceRecord* device);
  void release_gui_overlay(VkDeviceRecord* device);
  bool program_release(VkDeviceRecord* device, tvc::GpuProgramData* program);

  // Object keeping: the device that owns each GPU-side object, by id.
  void register_object(int id, VkDeviceRecord* owner);
  VkDeviceRecord* object_owner(int id) const;
  void unregister_object(int id);

  tvc::mat4 identity_matrix;
  HMODULE loader_library = nullptr;
  std::vector<tvc::RenderWindow*> render_windows;
  VkInstanceRecord* instance_record = nullptr;
  std::vector<tvc::RendererGpu*> gpu_list;
  tvc::RendererGpu* current_gpu = nullptr;
  VkClearValue clear_values[2];
  bool initialize_all = false;
  bool validation_enabled = false;
  VkDebugReportCallbackEXT report_callback_handle = VK_NULL_HANDLE;
  VkDebugUtilsMessengerEXT messenger_handle = VK_NULL_HANDLE;  // Vulkan2 only
  std::unordered_map<int, VkDeviceRecord*> object_owner_map;
  std::unordered_map<int, VkDescriptorSetRecord*> descriptor_set_map;
  std::vector<RequestedName*> requested_instance_layers;
  std::vector<RequestedName*> requested_device_layers;
  std::vector<RequestedName*> requested_instance_extensions;
  std::vector<RequestedName*> requested_device_extensions;
  // Vulkan2 only.
  std::vector<VkRayTracingContext*> raytracing_contexts;
  std::vector<VkStorageImageRecord*> storage_images;
  // Every GPU record made by enumeration; freed by terminate and destruction.
  std::vector<VkGpuRecord*> gpu_records;
};
