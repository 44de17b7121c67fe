// Storage-image bindings of descriptor sets: a storage image, a texture or a
// render target's attachment bound for shaders to write (Vulkan2 only; the
// first generation has no storage images).
#include "vk_raytracing.h"

namespace {
// The image of slots 96 and 97: the storage image, else the texture, else
// the render target's attachment. The layout is GENERAL, or with
// attachment_layout the attachment's own when the attachment is the image
// chosen: a storage image or a texture rests in GENERAL whatever target is
// given beside it.
bool storage_source(VulkanPLugin* plugin, int storage_image, tvc::TextureData* texture, tvc::GpuRenderTarget* target,
                    int attachment, bool attachment_layout, VkDescriptorImageInfo* info) {
  VkStorageImageRecord* image = plugin->storage_image_find(storage_image);
  if (image && image->view != VK_NULL_HANDLE) {
    *info = {VK_NULL_HANDLE, image->view, VK_IMAGE_LAYOUT_GENERAL};
    return true;
  }
  VkTextureRecord* t = texture_record(texture);
  if (t && t->view != VK_NULL_HANDLE) {
    *info = {VK_NULL_HANDLE, t->view, VK_IMAGE_LAYOUT_GENERAL};
    return true;
  }
  VkRenderTargetRecord* rt = target_record(target);
  if (!rt || attachment < 0 || static_cast<uint32_t>(attachment) >= rt->color_count) return false;
  RenderTargetFrameBlock* block = plugin->render_target_block(target, current_frame_of(rt));
  if (!block || block->colors[attachment].view == VK_NULL_HANDLE) return false;
  const VkImageLayout layout = attachment_layout ? block->colors[attachment].return_layout : VK_IMAGE_LAYOUT_GENERAL;
  *info = {VK_NULL_HANDLE, block->colors[attachment].view,
           layout == VK_IMAGE_LAYOUT_UNDEFINED ? VK_IMAGE_LAYOUT_GENERAL : layout};
  return true;
}
}  // namespace

int VulkanPLugin::descriptorset_add_storage_image(int id, int storage_image, tvc::TextureData* texture,
                                                  tvc::GpuRenderTarget* target, int attachment, int binding,
                                                  unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDescriptorImageInfo info{};
  if (!set || !storage_source(this, storage_image, texture, target, attachment, true, &info)) return -1;
  VkDescriptorBindingRecord* b = new_binding(binding, VK_DESCRIPTOR_TYPE_STORAGE_IMAGE, stages);
  b->image_info = info;
  return descriptorset_add(set, b);
}

bool VulkanPLugin::descriptorset_update_storage_image(int id, int index, int storage_image, tvc::TextureData* texture,
                                                      tvc::GpuRenderTarget* target, int attachment, int binding,
                                                      unsigned stages) {
  VkDescriptorSetRecord* set = descriptorset_lookup(id);
  VkDescriptorBindingRecord* b = descriptorset_binding(set, index);
  VkDescriptorImageInfo info{};
  if (!b || b->type != VK_DESCRIPTOR_TYPE_STORAGE_IMAGE ||
      !storage_source(this, storage_image, texture, target, attachment, false, &info))
    return false;
  return update_image_binding(set, b, info, binding, stages);
}
