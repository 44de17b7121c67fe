// Descriptor sets: bindings added one by one (buffers, textures, texture
// arrays, render-target attachments, mesh buffers), push-constant ranges,
// then one set layout, one descriptor set and one pipeline layout.
#include <algorithm>

#include "vk_generation.h"
#include "vk_resources.h"

namespace {
VkSampler sampler_handle(tvc::TextureSampler* sampler) {
  VkSamplerRecord* record = sampler_record(sampler);
  return record ? record->sampler : VK_NULL_HANDLE;
}

VkDescriptorImageInfo image_info(VkSampler sampler, VkImageView view) {
  return {sampler, view, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
}
}  // namespace

VkDescriptorBindingRecord* new_binding(int binding, VkDescriptorType type, unsigned stages) {
  VkDescriptorBindingRecord* b = new VkDescriptorBindingRecord;
  b->binding = static_cast<uint32_t>(binding);
  b->type = type;
  b->stages = stages;
  return b;
}

uint32_t descriptor_pool_room(VkDescriptorType type) {
  VkDescriptorPoolSize sizes[16] = {};
  uint32_t max_sets = 0;
  // Every type's size is asked for: whether the device's pool also holds
  // acceleration structures changes no other type's room.
  const bool with_acceleration_structures = true;
  const uint32_t count = generation::descriptor_pool_sizes(sizes, 16, with_acceleration_structures, &max_sets);
  for (uint32_t i = 0; i < count; ++i)
    if (sizes[i].type == type) return sizes[i].descriptorCount;
  return 0;
}

bool update_image_binding(VkDescriptorSetRecord* set, VkDescriptorBindingRecord* b, const VkDescriptorImageInfo& info,
                          int binding, unsigned stages) {
  b->image_info = info;
  b->binding = static_cast<uint32_t>(binding);
  if (stages > 0) b->stages = stages;
  set->dirty = true;
  return true;
}

VkDescriptorSetRecord* VulkanPLugin::descriptorset_lookup(int id) {
  auto it = descriptor_set_map.find(id);
  if (it != descriptor_set_map.end() && it->second) return it->second;
  VkDeviceRecord* device = object_owner(id);
  if (!device) return nullptr;
  for (VkDescriptorSetRecord* set : device->descriptor_sets) {
    if (set->id != id) continue;
    descriptor_set_map[id] = set;
    return set;
  }
  return nullptr;
}

// The binding at a host-given index, or null. The host's indices are
// checked (a bad one would read past the set's bindings), silently as every
// refusal of the binding operations.
VkDescriptorBindingRecord* VulkanPLugin::descriptorset_binding(VkDescriptorSetRecord* set, int index) {
  if (!set || index < 0 || static_cast<size_t>(index) >= set->bindings.size()) return nullptr;
  return set->bindings[index];
}

int VulkanPLugin::descriptorset_add(VkDescriptorSetRecord* set, VkDescriptorBindingRecord* binding) {
  set->bindings.push_back(binding);
  set->dirty = true;
  return static_cast<int>(set->bindings.size()) - 1;
}

int VulkanPLugin::descriptorset_create(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device) return -1;
  VkDescriptorSetRecord* set = new VkDescriptorSetRecord;
  set->id = tvc::utils::gen_id();
  device->descriptor_sets.push_back(set);
  if (!object_owner(set->id)) register_object(set->id, device);
  if (!descriptor_set_map[set->id]) descriptor_set_map[set->id] = set;
  return set->id;
}

bool VulkanPLugin::descriptorset_destroy(VkDescriptorSetRecord* set) {
  VkDeviceRecord* device = set ? object_owner(set->id) : nullptr;
  if (!device) return false;
  VkFunctionTable& fn = device->functions;
  for (VkDescriptorBindingRecord* binding : set->bindings) delete binding;
  if (set->pipeline_layout != VK_NULL_HANDLE) fn.vkDestroyPipelineLayout(device->device, set->pipeline_layout, nullptr);
  if (set->set_layout != VK_NULL_HANDLE) fn.vkDestroyDescriptorSetLayout(device->device, set->set_layout, nullptr);
  // The shared pool allows freeing: the set goes back for the next build.
  if (set->descriptor_set != VK_NULL_HANDLE && device->descriptor_pool != VK_NULL_HANDLE)
    fn.vkFreeDescriptorSets(device->device, device->descriptor_pool, 1, &set->descriptor_set);
  descriptor_set_map.erase(set->id);
  unregister_object(set->id);
  delete set;
  return true;
}

bool VulkanPLugin::descriptorset_kill(int id) {
  VkDeviceRecord* device = object_owner(id);
  if (!device) return false;
  for (VkDescriptorSetRecord* set : device->descriptor_sets) {
    if (set->id != id) continue;
    erase_from(device->descriptor_sets, set);
    return descriptorset_destroy(set);
  }
  return false;
}

void VulkanPLugin::descriptorset_killall_device(VkDeviceRecord* device) {
  std::vector<VkDescriptorSetRecord*> sets;
  sets.swap(device->descriptor_sets);
  for (VkDescriptorSetRecord* set : sets) descriptorset_destroy(set);
  descriptor_set_map.clear();
}

// What a buffer binding covers: the whole allocation, or the buffer's
// requested size where the generation binds no more.
static VkDeviceSize binding_range(const tvc::GpuBuffer* buffer) {
  return generation::binds_whole_buffers() ? VK_WHOLE_SIZE
                                           : static_cast<VkDeviceSize>(static_cast<uint32_t>(buffer->size));
}

int VulkanPLugin::descriptorset_add_gpu_buffer(int id, tvc::GpuBuffer* buffer, int binding, unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkGpuBufferRecord* record = buffer_record(buffer);
  if (!set || !record) return -1;
  VkDescriptorBindingRecord* b = new_binding(
      binding,
      buffer->kind == tvc::GpuBuffer::kUniform ? VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER : VK_DESCRIPTOR_TYPE_STORAGE_BUFFER,
      stages);
  b->buffer_info = {record->buffer, 0, binding_range(buffer)};
  return descriptorset_add(set, b);
}

bool VulkanPLugin::descriptorset_update_gpu_buffer(int id, int index, tvc::GpuBuffer* buffer, int binding,
                                                   unsigned stages) {
  VkDescriptorBindingRecord* b = descriptorset_binding(descriptorset_lookup(id), index);
  VkGpuBufferRecord* record = buffer_record(buffer);
  if (!b || !record) return false;
  if (b->type != VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER && b->type != VK_DESCRIPTOR_TYPE_STORAGE_BUFFER) return false;
  b->buffer_info = {record->buffer, 0, binding_range(buffer)};
  b->binding = static_cast<uint32_t>(binding);
  b->stages = stages;
  descriptorset_lookup(id)->dirty = true;
  return true;
}

// A texture binding without a sampler the plug-in knows, where the
// generation refuses one.
static bool sampler_missing(tvc::TextureSampler* sampler) {
  return generation::texture_binding_needs_sampler() && sampler_handle(sampler) == VK_NULL_HANDLE;
}

int VulkanPLugin::descriptorset_add_texture(int id, tvc::TextureData* texture, tvc::TextureSampler* sampler,
                                            int binding, unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkTextureRecord* record = texture_record(texture);
  if (!set || !record || record->view == VK_NULL_HANDLE || sampler_missing(sampler)) return -1;
  VkDescriptorBindingRecord* b = new_binding(binding, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, stages);
  b->image_info = image_info(sampler_handle(sampler), record->view);
  return descriptorset_add(set, b);
}

int VulkanPLugin::descriptorset_add_texture_array(int id, unsigned count, int binding, unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  if (!set || count == 0 || count > descriptor_pool_room(VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER)) return -1;
  VkDescriptorBindingRecord* b = new_binding(binding, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, stages);
  b->image_array.assign(count, VkDescriptorImageInfo{});
  const int index = descriptorset_add(set, b);
  set->dirty = false;  // nothing to write until an element is set
  return index;
}

bool VulkanPLugin::descriptorset_set_texture_array_element(int id, int index, unsigned element,
                                                           tvc::TextureData* texture, tvc::TextureSampler* sampler) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDescriptorBindingRecord* b = descriptorset_binding(set, index);
  VkTextureRecord* record = texture_record(texture);
  if (!b || !record || record->view == VK_NULL_HANDLE) return false;
  if (element >= b->image_array.size()) return false;  // would write past the array
  b->image_array[element] = image_info(sampler_handle(sampler), record->view);
  set->dirty = true;
  return true;
}

int VulkanPLugin::descriptorset_add_textures(int id, tvc::TextureData** textures, unsigned count,
                                             tvc::TextureSampler* sampler, int binding, unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  if (!set || !textures || count == 0 || count > descriptor_pool_room(VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER) ||
      sampler_missing(sampler))
    return -1;
  std::vector<VkDescriptorImageInfo> infos;
  for (unsigned i = 0; i < count; ++i) {
    VkTextureRecord* record = texture_record(textures[i]);
    if (!record || record->view == VK_NULL_HANDLE) return -1;
    infos.push_back(image_info(sampler_handle(sampler), record->view));
  }
  VkDescriptorBindingRecord* b = new_binding(binding, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, stages);
  b->image_array = infos;
  return descriptorset_add(set, b);
}

bool VulkanPLugin::descriptorset_update_texture(int id, int index, tvc::TextureData* texture,
                                                tvc::TextureSampler* sampler, int binding, unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDescriptorBindingRecord* b = descriptorset_binding(set, index);
  VkTextureRecord* record = texture_record(texture);
  if (!b || !record || record->view == VK_NULL_HANDLE || b->type != VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER ||
      sampler_missing(sampler))
    return false;
  b->binding = static_cast<uint32_t>(binding);
  b->image_info.imageView = record->view;
  b->image_info.imageLayout = VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL;
  if (sampler_handle(sampler) != VK_NULL_HANDLE) b->image_info.sampler = sampler_handle(sampler);
  if (stages > 0 || !generation::texture_update_keeps_unset_stages()) b->stages = stages;
  set->dirty = true;
  return true;
}

// Colour attachment a of the target's current frame, with the given
// sampler or else the target's own.
bool VulkanPLugin::render_target_image_info(tvc::GpuRenderTarget* target, int attachment,
                                            tvc::TextureSampler* sampler, VkDescriptorImageInfo* info) {
  VkRenderTargetRecord* record = target_record(target);
  if (!record || !record->device) return false;
  RenderTargetFrameBlock* block = render_target_block(target, current_frame_of(record));
  if (!block) return false;
  // An attachment the target lacks would be read past its attachments.
  if (attachment < 0 || static_cast<uint32_t>(attachment) >= record->color_count) return false;
  if (block->colors[attachment].view == VK_NULL_HANDLE) return false;
  VkSampler handle = sampler_handle(sampler);
  *info = image_info(handle != VK_NULL_HANDLE ? handle : record->sampler, block->colors[attachment].view);
  return true;
}

int VulkanPLugin::descriptorset_add_render_target(int id, tvc::GpuRenderTarget* target, int attachment,
                                                  tvc::TextureSampler* sampler, int binding, unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDescriptorImageInfo info{};
  if (!set || !render_target_image_info(target, attachment, sampler, &info)) return -1;
  VkDescriptorBindingRecord* b = new_binding(binding, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, stages);
  b->image_info = info;
  return descriptorset_add(set, b);
}

bool VulkanPLugin::descriptorset_update_render_target(int id, int index, tvc::GpuRenderTarget* target,
                                                      int attachment, tvc::TextureSampler* sampler, int binding,
                                                      unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDescriptorBindingRecord* b = descriptorset_binding(set, index);
  VkDescriptorImageInfo info{};
  if (!b || b->type != VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER ||
      !render_target_image_info(target, attachment, sampler, &info))
    return false;
  return update_image_binding(set, b, info, binding, stages);
}

bool VulkanPLugin::descriptorset_build(int id) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDeviceRecord* device = set ? object_owner(id) : nullptr;
  if (!device) return false;
  if (set->descriptor_set != VK_NULL_HANDLE) return true;
  VkFunctionTable& fn = device->functions;
  std::vector<VkDescriptorSetLayoutBinding> layout_bindings;
  for (const VkDescriptorBindingRecord* b : set->bindings)
    layout_bindings.push_back({b->binding, b->type, b->descriptor_count(), b->stages, nullptr});
  VkResult result = VK_SUCCESS;
  if (set->set_layout == VK_NULL_HANDLE) {
    VkDescriptorSetLayoutCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO;
    info.bindingCount = static_cast<uint32_t>(layout_bindings.size());
    info.pBindings = layout_bindings.empty() ? nullptr : layout_bindings.data();
    result = fn.vkCreateDescriptorSetLayout(device->device, &info, nullptr, &set->set_layout);
    if (result != VK_SUCCESS) {
      set->set_layout = VK_NULL_HANDLE;
      tracef_error("descriptorset - unable to create a descriptor set layout - err: %s.", vk_result_to_string(result));
      return false;
    }
  }
  VkDescriptorSetAllocateInfo alloc{};
  alloc.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO;
  alloc.descriptorPool = device->descriptor_pool;
  alloc.descriptorSetCount = 1;
  alloc.pSetLayouts = &set->set_layout;
  result = device->descriptor_pool != VK_NULL_HANDLE
               ? fn.vkAllocateDescriptorSets(device->device, &alloc, &set->descriptor_set)
               : VK_ERROR_INITIALIZATION_FAILED;
  if (result != VK_SUCCESS) {
    set->descriptor_set = VK_NULL_HANDLE;
    tracef_error("descriptorset (id => %d) - unable to allocate memory - err: %s.", id, vk_result_to_string(result));
    return false;
  }
  if (set->pipeline_layout == VK_NULL_HANDLE) {
    std::vector<VkPushConstantRange> ranges;
    for (const VkPushConstantEntry& p : set->push_constants) ranges.push_back({p.stages, p.offset, p.size});
    VkPipelineLayoutCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO;
    info.setLayoutCount = 1;
    info.pSetLayouts = &set->set_layout;
    info.pushConstantRangeCount = static_cast<uint32_t>(ranges.size());
    info.pPushConstantRanges = ranges.empty() ? nullptr : ranges.data();
    result = fn.vkCreatePipelineLayout(device->device, &info, nullptr, &set->pipeline_layout);
    if (result != VK_SUCCESS) {
      set->pipeline_layout = VK_NULL_HANDLE;
      tracef_error("descriptorset (id => %d) - unable to create a pipeline layout - err: %s.", id,
                   vk_result_to_string(result));
      return false;
    }
  }
  tracef_debug("descriptorset (id => %d) successfully built", id);
  return true;
}

// The elements an image array writes. One the host has not set yet (a
// texture array starts empty) repeats the first element set, so that every
// descriptor written names a live view; an array with none set writes
// nothing.
static std::vector<VkDescriptorImageInfo> array_elements(const std::vector<VkDescriptorImageInfo>& elements) {
  auto first = std::find_if(elements.begin(), elements.end(),
                            [](const VkDescriptorImageInfo& e) { return e.imageView != VK_NULL_HANDLE; });
  if (first == elements.end()) return {};
  std::vector<VkDescriptorImageInfo> written = elements;
  for (VkDescriptorImageInfo& e : written)
    if (e.imageView == VK_NULL_HANDLE) e = *first;
  return written;
}

bool VulkanPLugin::descriptorset_update(int id) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDeviceRecord* device = set ? object_owner(id) : nullptr;
  if (!device) return false;
  if (!set->dirty) return true;
  if (set->descriptor_set == VK_NULL_HANDLE) return false;
  std::vector<VkWriteDescriptorSet> writes;
  // One list per image array, alive until the update below.
  std::vector<std::vector<VkDescriptorImageInfo>> arrays(set->bindings.size());
  for (size_t i = 0; i < set->bindings.size(); ++i) {
    const VkDescriptorBindingRecord* b = set->bindings[i];
    VkWriteDescriptorSet w{};
    w.sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET;
    w.dstSet = set->descriptor_set;
    w.dstBinding = b->binding;
    w.descriptorCount = b->descriptor_count();
    w.descriptorType = b->type;
    if (!b->image_array.empty()) {
      arrays[i] = array_elements(b->image_array);
      if (arrays[i].empty()) continue;
      w.pImageInfo = arrays[i].data();
    } else if (b->type == VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER || b->type == VK_DESCRIPTOR_TYPE_STORAGE_IMAGE)
      w.pImageInfo = &b->image_info;
    else if (b->type == VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER || b->type == VK_DESCRIPTOR_TYPE_STORAGE_BUFFER)
      w.pBufferInfo = b->buffer_array.empty() ? &b->buffer_info : b->buffer_array.data();
    else
      w.pNext = &b->acceleration;
    writes.push_back(w);
  }
  if (!writes.empty())
    device->functions.vkUpdateDescriptorSets(device->device, static_cast<uint32_t>(writes.size()), writes.data(), 0,
                                             nullptr);
  set->dirty = false;
  return true;
}

bool VulkanPLugin::descriptorset_bind(int id) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDeviceRecord* device = set ? object_owner(id) : nullptr;
  VkCommandBuffer commands = active_command_buffer(device);
  if (!commands || set->pipeline_layout == VK_NULL_HANDLE || set->descriptor_set == VK_NULL_HANDLE) return false;
  device->functions.vkCmdBindDescriptorSets(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, set->pipeline_layout, 0, 1,
                                            &set->descriptor_set, 0, nullptr);
  return true;
}

bool VulkanPLugin::descriptorset_add_push_constant_range(int id, unsigned size, unsigned offset, unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  if (!set) return false;
  set->push_constants.push_back({offset, size, stages});
  return true;
}

bool VulkanPLugin::descriptorset_push_constants(tvc::GpuCommandList* list, int id, const void* data, unsigned size,
                                                unsigned offset, unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDeviceRecord* device = set ? object_owner(id) : nullptr;
  if (!device) return false;  // an unknown or killed set: nothing to push through
  // The given list's buffer, or what the device records into.
  const VkCommandListRecord* record = list_record(list);
  VkCommandBuffer commands = list ? (record ? record->command_buffer : nullptr) : active_command_buffer(device);
  if (!commands || !data || size == 0 || set->pipeline_layout == VK_NULL_HANDLE) return false;
  device->functions.vkCmdPushConstants(commands, set->pipeline_layout, stages, offset, size, data);
  return true;
}
