// Texture samplers: one VkSampler per sampler object, kept per device.
#include "vk_resources.h"

namespace {
void fill_filters(int filter, VkSamplerCreateInfo* info) {
  info->magFilter = info->minFilter = filter == 2 || filter == 3 ? VK_FILTER_LINEAR : VK_FILTER_NEAREST;
  info->mipmapMode = filter == 3 ? VK_SAMPLER_MIPMAP_MODE_LINEAR : VK_SAMPLER_MIPMAP_MODE_NEAREST;
}

VkSamplerAddressMode address_mode(int address) {
  if (address == 2) return VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
  if (address == 3) return VK_SAMPLER_ADDRESS_MODE_MIRRORED_REPEAT;
  return VK_SAMPLER_ADDRESS_MODE_REPEAT;
}
}  // namespace

tvc::TextureSampler* VulkanPLugin::sampler_create(tvc::RendererGpu* gpu, int filter, int address, float anisotropy,
                                                  int user_value) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device) return nullptr;
  tvc::TextureSampler* sampler = new tvc::TextureSampler;
  VkSamplerRecord* record = new VkSamplerRecord;
  record->id = tvc::utils::gen_id();
  sampler->renderer_data = record;
  device->samplers.push_back(sampler);
  if (!object_owner(sampler->id)) register_object(sampler->id, device);
  sampler->filter = filter;
  sampler->address_u = sampler->address_v = sampler->address_w = address;
  sampler->anisotropy = anisotropy;
  sampler->user_value = user_value;

  VkSamplerCreateInfo info{};
  info.sType = VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO;
  fill_filters(filter, &info);
  info.addressModeU = info.addressModeV = info.addressModeW = address_mode(address);
  VkGpuRecord* gpu_rec = device_gpu(device);
  const bool anisotropic = gpu_rec && gpu_rec->features.samplerAnisotropy;
  info.anisotropyEnable = anisotropic && anisotropy > 1.0f ? VK_TRUE : VK_FALSE;
  info.maxAnisotropy = anisotropic ? anisotropy : 1.0f;
  if (gpu_rec && info.maxAnisotropy > gpu_rec->limits.maxSamplerAnisotropy && info.anisotropyEnable)
    info.maxAnisotropy = gpu_rec->limits.maxSamplerAnisotropy;  // above the device's limit is invalid
  info.compareOp = VK_COMPARE_OP_ALWAYS;
  info.maxLod = 100.0f;
  info.borderColor = VK_BORDER_COLOR_INT_OPAQUE_BLACK;
  const VkResult result = device->functions.vkCreateSampler(device->device, &info, nullptr, &record->sampler);
  if (result != VK_SUCCESS) {
    record->sampler = VK_NULL_HANDLE;
    sampler_release(sampler->id);
    tracef_error("unable to create a texture sampler (err: %s)", vk_result_to_string(result));
    return nullptr;
  }
  return sampler;
}

bool VulkanPLugin::sampler_release_entry(tvc::TextureSampler* sampler) {
  VkSamplerRecord* record = sampler_record(sampler);
  VkDeviceRecord* device = sampler ? object_owner(sampler->id) : nullptr;
  if (!record || !device) return false;
  unregister_object(sampler->id);
  if (record->sampler != VK_NULL_HANDLE) device->functions.vkDestroySampler(device->device, record->sampler, nullptr);
  delete record;
  delete sampler;
  return true;
}

bool VulkanPLugin::sampler_release(int id) {
  VkDeviceRecord* device = object_owner(id);
  if (!device) return false;
  for (auto it = device->samplers.begin(); it != device->samplers.end(); ++it) {
    if ((*it)->id != id) continue;
    tvc::TextureSampler* sampler = *it;
    device->samplers.erase(it);
    return sampler_release_entry(sampler);
  }
  return false;
}

bool VulkanPLugin::sampler_kill(tvc::TextureSampler* sampler) { return sampler && sampler_release(sampler->id); }

bool VulkanPLugin::sampler_killall(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device) return false;
  std::vector<tvc::TextureSampler*> samplers;
  samplers.swap(device->samplers);
  for (tvc::TextureSampler* sampler : samplers) sampler_release_entry(sampler);
  return true;
}

int VulkanPLugin::sampler_get_count(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  return device ? static_cast<int>(device->samplers.size()) : 0;
}

tvc::TextureSampler* VulkanPLugin::sampler_get_by_index(tvc::RendererGpu* gpu, unsigned index) {
  VkDeviceRecord* device = device_of(gpu);
  return device && index < device->samplers.size() ? device->samplers[index] : nullptr;
}

tvc::TextureSampler* VulkanPLugin::sampler_find(int id) {
  VkDeviceRecord* device = object_owner(id);
  if (!device) return nullptr;
  for (tvc::TextureSampler* sampler : device->samplers)
    if (sampler->id == id) return sampler;
  return nullptr;
}
