// Helpers the resource units share: formats, memory types, one-time command
// buffers, layout transitions, images with their memory, and the release of
// everything a device still holds when its GPU is cleaned up.
#include "vk_resources.h"

#include <cstring>

VkFormat pixel_format_to_vk_format(int pixel_format) {
  switch (pixel_format) {
    case tvc::PF_RGB_U8: return VK_FORMAT_R8G8B8_UNORM;
    case tvc::PF_BGR_U8: return VK_FORMAT_B8G8R8_UNORM;
    case tvc::PF_RGBA_U8: return VK_FORMAT_R8G8B8A8_UNORM;
    case tvc::PF_BGRA_U8: return VK_FORMAT_B8G8R8A8_UNORM;
    case tvc::PF_RGB_F32: return VK_FORMAT_R32G32B32_SFLOAT;
    case tvc::PF_RGBA_F32: return VK_FORMAT_R32G32B32A32_SFLOAT;
    case tvc::PF_R_F32: return VK_FORMAT_R32_SFLOAT;
    case tvc::PF_R_U8: return VK_FORMAT_R8_UNORM;
    case tvc::PF_RG_U8: return VK_FORMAT_R8G8_UNORM;
    default: return VK_FORMAT_R8G8B8A8_UNORM;
  }
}

uint32_t pixel_format_texel_size(int pixel_format) {
  switch (pixel_format) {
    case tvc::PF_RGB_U8: case tvc::PF_BGR_U8: return 3;
    case tvc::PF_RGBA_U8: case tvc::PF_BGRA_U8: case tvc::PF_R_F32: return 4;
    case tvc::PF_RGB_F32: return 12;
    case tvc::PF_RGBA_F32: return 16;
    case tvc::PF_R_U8: return 1;
    case tvc::PF_RG_U8: return 2;
    default: return 0;
  }
}

namespace {
int first_memory_type(const VkPhysicalDeviceMemoryProperties& memory, uint32_t bits, VkMemoryPropertyFlags wanted) {
  for (uint32_t i = 0; i < 32 && i < memory.memoryTypeCount; ++i, bits >>= 1)
    if ((bits & 1) && (memory.memoryTypes[i].propertyFlags & wanted) == wanted) return static_cast<int>(i);
  return -1;
}
}  // namespace

int find_memory_type(const VkPhysicalDeviceMemoryProperties* memory, uint32_t bits, VkMemoryPropertyFlags wanted,
                     MemoryFallback fallback) {
  if (!memory) return -1;
  int type = first_memory_type(*memory, bits, wanted);
  if (type < 0 && fallback.second) type = first_memory_type(*memory, bits, fallback.second);
  if (type < 0 && fallback.any_allowed) type = first_memory_type(*memory, bits, 0);
  return type;
}

int find_memory_type(const VkGpuRecord* gpu, uint32_t bits, VkMemoryPropertyFlags wanted, MemoryFallback fallback) {
  return find_memory_type(gpu ? &gpu->memory_properties : nullptr, bits, wanted, fallback);
}

BufferCalls device_buffer_calls(const VkDeviceRecord* device) {
  const VkFunctionTable& fn = device->functions;
  return {device->device, fn.vkCreateBuffer, fn.vkGetBufferMemoryRequirements, fn.vkAllocateMemory,
          fn.vkBindBufferMemory};
}

namespace {
void read_memory_requirements(const BufferCalls& calls, VkBuffer buffer, VkMemoryRequirements* needs) {
  if (!calls.memory_requirements2) {
    calls.memory_requirements(calls.device, buffer, needs);
    return;
  }
  VkMemoryDedicatedRequirements dedicated{};
  dedicated.sType = VK_STRUCTURE_TYPE_MEMORY_DEDICATED_REQUIREMENTS;
  VkMemoryRequirements2 needs2{};
  needs2.sType = VK_STRUCTURE_TYPE_MEMORY_REQUIREMENTS_2;
  needs2.pNext = &dedicated;
  VkBufferMemoryRequirementsInfo2 query{};
  query.sType = VK_STRUCTURE_TYPE_BUFFER_MEMORY_REQUIREMENTS_INFO_2;
  query.buffer = buffer;
  calls.memory_requirements2(calls.device, &query, &needs2);
  *needs = needs2.memoryRequirements;
}
}  // namespace

VkResult make_buffer_objects(const BufferCalls& calls, VkDeviceSize size, VkBufferUsageFlags usage,
                             const MemoryTypeChoice& memory_type, const void* allocate_next, BufferObjects* out,
                             BufferStep* step) {
  VkBufferCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO;
  info.size = size;
  info.usage = usage;
  info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  *step = kBufferCreate;
  VkResult result = calls.create_buffer(calls.device, &info, nullptr, &out->buffer);
  if (result != VK_SUCCESS) {
    out->buffer = VK_NULL_HANDLE;
    return result;
  }
  read_memory_requirements(calls, out->buffer, &out->needs);
  const int type = memory_type(out->needs.memoryTypeBits);
  if (type < 0) {
    *step = kBufferMemoryType;
    return VK_ERROR_FEATURE_NOT_PRESENT;
  }
  VkMemoryAllocateInfo alloc{};
  alloc.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
  alloc.pNext = allocate_next;
  alloc.allocationSize = out->needs.size;
  alloc.memoryTypeIndex = static_cast<uint32_t>(type);
  *step = kBufferAllocate;
  result = calls.allocate_memory(calls.device, &alloc, nullptr, &out->memory);
  if (result != VK_SUCCESS) {
    out->memory = VK_NULL_HANDLE;
    return result;
  }
  *step = kBufferBind;
  return calls.bind_buffer_memory(calls.device, out->buffer, out->memory, 0);
}

namespace {
VkAccessFlags source_access(VkImageLayout layout) {
  switch (layout) {
    case VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL: return VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
    case VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL: return VK_ACCESS_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT;
    case VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL: return VK_ACCESS_SHADER_READ_BIT;
    case VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL: return VK_ACCESS_TRANSFER_READ_BIT;
    case VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL: return VK_ACCESS_TRANSFER_WRITE_BIT;
    case VK_IMAGE_LAYOUT_PREINITIALIZED: return VK_ACCESS_HOST_WRITE_BIT;
    default: return 0;
  }
}

VkAccessFlags destination_access(VkImageLayout layout) {
  switch (layout) {
    case VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL: return VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
    case VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL: return VK_ACCESS_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT;
    case VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL: return VK_ACCESS_SHADER_READ_BIT;
    case VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL: return VK_ACCESS_TRANSFER_READ_BIT;
    case VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL: return VK_ACCESS_TRANSFER_WRITE_BIT;
    default: return 0;
  }
}
}  // namespace

bool transition_image_layout(VkDeviceRecord* device, VkCommandBuffer command_buffer, VkImage image,
                             VkImageLayout old_layout, VkImageLayout new_layout, uint32_t layer,
                             uint32_t level_count) {
  if (!device || !command_buffer) return false;
  VkImageMemoryBarrier barrier{};
  barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
  barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.image = image;
  barrier.oldLayout = old_layout;
  barrier.newLayout = new_layout;
  barrier.subresourceRange.aspectMask = VK_IMAGE_ASPECT_COLOR_BIT;
  barrier.subresourceRange.levelCount = level_count;
  barrier.subresourceRange.baseArrayLayer = layer;
  barrier.subresourceRange.layerCount = 1;
  barrier.srcAccessMask = source_access(old_layout);
  barrier.dstAccessMask = destination_access(new_layout);
  if (new_layout == VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL && barrier.srcAccessMask == 0)
    barrier.srcAccessMask = VK_ACCESS_HOST_WRITE_BIT | VK_ACCESS_TRANSFER_WRITE_BIT;
  device->functions.vkCmdPipelineBarrier(command_buffer, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT,
                                         VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0, 0, nullptr, 0, nullptr, 1, &barrier);
  return true;
}

bool submit_with_fence(VkDeviceRecord* device, VkCommandBuffer command_buffer, VkFence fence, bool free_buffer) {
  if (!device || !command_buffer) return false;
  VkFunctionTable& fn = device->functions;
  bool ok = fn.vkEndCommandBuffer(command_buffer) == VK_SUCCESS;
  if (ok) {
    VkSubmitInfo submit{};
    submit.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
    submit.commandBufferCount = 1;
    submit.pCommandBuffers = &command_buffer;
    if (fence != VK_NULL_HANDLE) {
      fn.vkResetFences(device->device, 1, &fence);
      ok = fn.vkQueueSubmit(device->graphics_queue, 1, &submit, fence) == VK_SUCCESS &&
           fn.vkWaitForFences(device->device, 1, &fence, VK_TRUE, UINT64_MAX) == VK_SUCCESS;
    } else {
      ok = fn.vkQueueSubmit(device->graphics_queue, 1, &submit, VK_NULL_HANDLE) == VK_SUCCESS &&
           fn.vkQueueWaitIdle(device->graphics_queue) == VK_SUCCESS;
    }
  }
  if (free_buffer) fn.vkFreeCommandBuffers(device->device, device->command_pool, 1, &command_buffer);
  return ok;
}

bool submit_and_wait(VkDeviceRecord* device, VkCommandBuffer commands, VkFence fence) {
  VkFunctionTable& fn = device->functions;
  const VkPipelineStageFlags stage = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
  VkSubmitInfo submit{};
  submit.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
  submit.pWaitDstStageMask = &stage;
  submit.commandBufferCount = 1;
  submit.pCommandBuffers = &commands;
  fn.vkResetFences(device->device, 1, &fence);
  if (fn.vkQueueSubmit(device->graphics_queue, 1, &submit, fence) != VK_SUCCESS) {
    // Nothing will signal the fence: signal it by an empty submit so that
    // no later wait on it lasts for ever.
    fn.vkQueueSubmit(device->graphics_queue, 0, nullptr, fence);
    return false;
  }
  return fn.vkWaitForFences(device->device, 1, &fence, VK_TRUE, UINT64_MAX) == VK_SUCCESS;
}

VkResult create_overlay_pipeline(PFN_vkCreateGraphicsPipelines create, VkDevice device, const OverlayPipelineDesc& desc,
                                 VkPipeline* out) {
  *out = VK_NULL_HANDLE;
  if (!desc.vertex || !desc.fragment) return VK_ERROR_INITIALIZATION_FAILED;
  VkPipelineShaderStageCreateInfo stages[2] = {};
  for (int i = 0; i < 2; ++i) {
    stages[i].sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
    stages[i].stage = i == 0 ? VK_SHADER_STAGE_VERTEX_BIT : VK_SHADER_STAGE_FRAGMENT_BIT;
    stages[i].module = i == 0 ? desc.vertex : desc.fragment;
    stages[i].pName = "main";
  }
  VkPipelineVertexInputStateCreateInfo input{};
  input.sType = VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO;
  input.vertexBindingDescriptionCount = 1;
  input.pVertexBindingDescriptions = &desc.binding;
  input.vertexAttributeDescriptionCount = desc.attribute_count;
  input.pVertexAttributeDescriptions = desc.attributes;
  VkPipelineInputAssemblyStateCreateInfo assembly{};
  assembly.sType = VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO;
  assembly.topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
  VkPipelineViewportStateCreateInfo viewport{};
  viewport.sType = VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO;
  viewport.viewportCount = viewport.scissorCount = 1;
  VkPipelineRasterizationStateCreateInfo raster{};
  raster.sType = VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO;
  raster.polygonMode = VK_POLYGON_MODE_FILL;
  raster.cullMode = VK_CULL_MODE_NONE;
  raster.frontFace = VK_FRONT_FACE_COUNTER_CLOCKWISE;
  raster.lineWidth = 1.0f;
  VkPipelineMultisampleStateCreateInfo multisample{};
  multisample.sType = VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO;
  multisample.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
  VkPipelineDepthStencilStateCreateInfo depth{};
  depth.sType = VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO;
  VkPipelineColorBlendAttachmentState blend{};
  blend.blendEnable = VK_TRUE;
  blend.srcColorBlendFactor = VK_BLEND_FACTOR_SRC_ALPHA;
  blend.dstColorBlendFactor = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
  blend.colorBlendOp = VK_BLEND_OP_ADD;
  blend.srcAlphaBlendFactor = desc.src_alpha;
  blend.dstAlphaBlendFactor = desc.dst_alpha;
  blend.alphaBlendOp = VK_BLEND_OP_ADD;
  blend.colorWriteMask = 0xF;
  VkPipelineColorBlendStateCreateInfo blending{};
  blending.sType = VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO;
  blending.attachmentCount = 1;
  blending.pAttachments = &blend;
  const VkDynamicState dynamic_states[] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR};
  VkPipelineDynamicStateCreateInfo dynamic{};
  dynamic.sType = VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO;
  dynamic.dynamicStateCount = 2;
  dynamic.pDynamicStates = dynamic_states;
  VkGraphicsPipelineCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO;
  info.stageCount = 2;
  info.pStages = stages;
  info.pVertexInputState = &input;
  info.pInputAssemblyState = &assembly;
  info.pViewportState = &viewport;
  info.pRasterizationState = &raster;
  info.pMultisampleState = &multisample;
  info.pDepthStencilState = &depth;
  info.pColorBlendState = &blending;
  info.pDynamicState = &dynamic;
  info.layout = desc.layout;
  info.renderPass = desc.render_pass;
  const VkResult result = create(device, VK_NULL_HANDLE, 1, &info, nullptr, out);
  if (result != VK_SUCCESS) *out = VK_NULL_HANDLE;
  return result;
}

VkSamplerCreateInfo linear_sampler_info(VkSamplerAddressMode address, float min_lod, float max_lod) {
  VkSamplerCreateInfo sampler{};
  sampler.sType = VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO;
  sampler.magFilter = sampler.minFilter = VK_FILTER_LINEAR;
  sampler.mipmapMode = VK_SAMPLER_MIPMAP_MODE_LINEAR;
  sampler.addressModeU = sampler.addressModeV = sampler.addressModeW = address;
  sampler.maxAnisotropy = 1.0f;
  sampler.compareOp = VK_COMPARE_OP_NEVER;
  sampler.minLod = min_lod;
  sampler.maxLod = max_lod;
  return sampler;
}

VkSamplerCreateInfo overlay_sampler_info() {
  return linear_sampler_info(VK_SAMPLER_ADDRESS_MODE_REPEAT, -1000.0f, 1000.0f);
}

ImageRequest image_2d_request(VkFormat format, uint32_t width, uint32_t height, VkImageUsageFlags usage,
                              VkImageTiling tiling) {
  ImageRequest request;
  VkImageCreateInfo& info = request.info;
  info.sType = VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO;
  info.imageType = VK_IMAGE_TYPE_2D;
  info.format = format;
  info.extent = {width, height, 1};
  info.mipLevels = 1;
  info.arrayLayers = 1;
  info.samples = VK_SAMPLE_COUNT_1_BIT;
  info.tiling = tiling;
  info.usage = usage;
  info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
  return request;
}

VkResult create_image_objects(VkDeviceRecord* device, const VkGpuRecord* gpu, const ImageRequest& request,
                              ImageObjects* out) {
  VkFunctionTable& fn = device->functions;
  *out = ImageObjects{};
  VkResult result = fn.vkCreateImage(device->device, &request.info, nullptr, &out->image);
  if (result != VK_SUCCESS) {
    out->image = VK_NULL_HANDLE;
    out->failed_step = kImageCreate;
    return result;
  }
  VkMemoryRequirements needs{};
  fn.vkGetImageMemoryRequirements(device->device, out->image, &needs);
  const int type = find_memory_type(gpu, needs.memoryTypeBits, request.preferred,
                                    MemoryFallback{request.fallback, request.any_type_last});
  if (type < 0) {
    release_image_objects(device, out);
    out->failed_step = kImageMemoryType;
    out->size = needs.size;
    return VK_ERROR_FEATURE_NOT_PRESENT;
  }
  VkMemoryAllocateInfo alloc{};
  alloc.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
  alloc.allocationSize = needs.size;
  alloc.memoryTypeIndex = static_cast<uint32_t>(type);
  int step = kImageAllocate;
  result = fn.vkAllocateMemory(device->device, &alloc, nullptr, &out->memory);
  if (result != VK_SUCCESS) out->memory = VK_NULL_HANDLE;
  if (result == VK_SUCCESS) {
    step = kImageBind;
    result = fn.vkBindImageMemory(device->device, out->image, out->memory, 0);
  }
  out->size = needs.size;
  if (result == VK_SUCCESS && request.view_aspect) {
    VkImageViewCreateInfo view{};
    view.sType = VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO;
    view.image = out->image;
    view.viewType = request.view_type;
    view.format = request.info.format;
    view.components = {VK_COMPONENT_SWIZZLE_R, VK_COMPONENT_SWIZZLE_G, VK_COMPONENT_SWIZZLE_B,
                       VK_COMPONENT_SWIZZLE_A};
    view.subresourceRange.aspectMask = request.view_aspect;
    view.subresourceRange.levelCount = request.info.mipLevels;
    view.subresourceRange.layerCount = request.info.arrayLayers;
    step = kImageView;
    result = fn.vkCreateImageView(device->device, &view, nullptr, &out->view);
    if (result != VK_SUCCESS) out->view = VK_NULL_HANDLE;
  }
  if (result != VK_SUCCESS) {
    release_image_objects(device, out);
    out->failed_step = step;
    out->size = needs.size;  // failure messages name the required size
  }
  return result;
}

void release_image_objects(VkDeviceRecord* device, ImageObjects* objects) {
  VkFunctionTable& fn = device->functions;
  if (objects->view != VK_NULL_HANDLE) fn.vkDestroyImageView(device->device, objects->view, nullptr);
  if (objects->image != VK_NULL_HANDLE) fn.vkDestroyImage(device->device, objects->image, nullptr);
  if (objects->memory != VK_NULL_HANDLE) fn.vkFreeMemory(device->device, objects->memory, nullptr);
  *objects = ImageObjects{};
}

void copy_rows(uint8_t* destination, uint64_t destination_pitch, const uint8_t* source, uint64_t source_pitch,
               uint32_t row_bytes, uint32_t rows) {
  for (uint32_t y = 0; y < rows; ++y)
    memcpy(destination + y * destination_pitch, source + y * source_pitch, row_bytes);
}

VkCommandBuffer active_command_buffer(const VkDeviceRecord* device) {
  return device && device->active_command_record ? device->active_command_record->command_buffer : nullptr;
}

VkGpuRecord* VulkanPLugin::device_gpu(const VkDeviceRecord* device) { return device ? device->gpu : nullptr; }

// Everything the host made on the device and did not release: the GPU is
// going away, so its objects go first. Later kills of these objects find no
// record and answer false.
void VulkanPLugin::release_device_resources(VkDeviceRecord* device) {
  descriptorset_killall_device(device);
  while (!device->pipeline_states.empty()) pipeline_release(device, device->pipeline_states.back());
  while (!device->programs.empty()) program_release(device, device->programs.back());
  while (!device->samplers.empty()) sampler_release(device->samplers.back()->id);
  while (!device->render_targets.empty()) render_target_release(device->render_targets.back(), true);
  while (!device->textures.empty()) texture_release(device, device->textures.back());
  while (!device->meshes.empty()) mesh_release(device, device->meshes.back());
  while (!device->gpu_buffers.empty()) gpu_buffer_release(device, device->gpu_buffers.back());
}
