// First generation: a render target has one set of attachments and one
// framebuffer, and records into one primary command list per swapchain
// image. Binding image i begins that list's render pass and makes the list
// current; it is submitted only once it was unbound as often as bound, so a
// list still recording never reaches the queue.
#include <algorithm>

#include "vk_resources.h"

namespace {
// The image the host draws now; 0 without a swapchain.
unsigned current_image(const VkRenderTargetRecord* record) {
  const VkDeviceRecord* device = record->device;
  return device && device->swapchain ? device->swapchain->current_image_index : 0;
}

// Image i's list of a live target, or null.
tvc::GpuCommandList* image_list(const VkRenderTargetRecord* record, unsigned image) {
  if (!record || !record->device || image >= record->image_lists.size()) return nullptr;
  return record->image_lists[image];
}

bool contains(const std::vector<tvc::GpuCommandList*>& lists, const tvc::GpuCommandList* list) {
  return std::find(lists.begin(), lists.end(), list) != lists.end();
}

enum TargetImage { kColorImage, kLinearImage, kDepthImage };

// Reports the step of an attachment image that failed, in that image's words.
#define QV_RT_INIT "gpu_render_target_initialize_2d - "
void report_image_failure(tvc::Plugin* plugin, TargetImage kind, const ImageObjects& image, VkResult result) {
  const char* err = vk_result_to_string(result);
  const unsigned size = static_cast<unsigned>(image.size);
  const int i = 0;  // the only colour attachment
  const int step = image.failed_step;
  if (kind == kColorImage) {
    if (step == kImageCreate)
      plugin->tracef_error(QV_RT_INIT "unable to create an image object for color attachment %d (err: %s).", i, err);
    else if (step == kImageMemoryType)
      plugin->tracef_error(QV_RT_INIT "unable to find a memory type for color attachment %d", i);
    else if (step == kImageAllocate)
      plugin->tracef_error(QV_RT_INIT "unable to allocate memory for color attachment %d (required size: %u bytes) - err: %s",
                           i, size, err);
    else if (step == kImageBind)
      plugin->tracef_error(QV_RT_INIT "unable to bind image memory for color attachment %d (err: %s).", i, err);
    else
      plugin->tracef_error(QV_RT_INIT "unable to create a view for color attachment %d (err: %s).", i, err);
  } else if (kind == kLinearImage) {
    if (step == kImageCreate)
      plugin->tracef_error(QV_RT_INIT "unable to create a mappable image object for color attachment %d (err: %s).", i,
                           err);
    else if (step == kImageMemoryType)
      plugin->tracef_error(QV_RT_INIT "unable to find a mappable memory type for color attachment %d", i);
    else if (step == kImageAllocate)
      plugin->tracef_error(QV_RT_INIT "unable to allocate mappable memory for color attachment %d (required size: %u "
                           "bytes) - err: %s",
                           i, size, err);
    else
      plugin->tracef_error(QV_RT_INIT "unable to bind mappable image memory for color attachment %d (err: %s).", i, err);
  } else {
    if (step == kImageCreate)
      plugin->tracef_error(QV_RT_INIT "unable to create an image object for depth attachment (err: %s).", err);
    else if (step == kImageMemoryType)
      plugin->tracef_error(QV_RT_INIT "unable to find a memory type for depth attachment");
    else if (step == kImageAllocate)
      plugin->tracef_error(QV_RT_INIT "unable to allocate memory for depth attachment (required size: %u bytes) - err: %s",
                           size, err);
    else if (step == kImageBind)
      plugin->tracef_error(QV_RT_INIT "unable to bind image memory for depth attachment (err: %s).", err);
    else
      plugin->tracef_error(QV_RT_INIT "unable to create a view for depth attachment (err: %s).", err);
  }
}
#undef QV_RT_INIT

// Makes one attachment image; a failure is reported.
bool make_target_image(tvc::Plugin* plugin, VkRenderTargetRecord* record, const ImageRequest& request, TargetImage kind,
                       ImageObjects* out) {
  const VkResult result = create_image_objects(record->device, record->gpu_record, request, out);
  if (result == VK_SUCCESS) return true;
  report_image_failure(plugin, kind, *out, result);
  return false;
}
}  // namespace

// One colour attachment at most with its linear copy, the depth attachment,
// the render pass, the single framebuffer and the sampler, in this order;
// then the per-image lists. The first failing step is reported and what was
// made is left for render_target_release.
bool VulkanPLugin::render_target_create(VkRenderTargetRecord* record, tvc::GpuRenderTarget*, uint32_t width,
                                        uint32_t height) {
  VkDeviceRecord* device = record->device;
  const uint32_t n = record->color_count;
  record->frame_count = 1;
  record->frames = new RenderTargetFrameBlock[1];
  RenderTargetFrameBlock& block = record->frames[0];
  block.attachment_count = n;
  RenderTargetAttachment& color = block.colors[0];
  ImageObjects image;
  if (n == 1) {
    // Drawn, sampled and read back: nothing copies or writes storage into it.
    // Without device-local or host-visible memory it is not made at all.
    ImageRequest request = render_target_image_request(
        record->color_format, width, height,
        VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT,
        VK_IMAGE_ASPECT_COLOR_BIT);
    request.any_type_last = false;
    const bool made = make_target_image(this, record, request, kColorImage, &image);
    take_image(&color, image);
    if (!made) return false;
    // The read-back maps its linear copy: host-visible and cached memory only.
    request = image_2d_request(record->color_format, width, height, VK_IMAGE_USAGE_TRANSFER_DST_BIT,
                               VK_IMAGE_TILING_LINEAR);
    request.preferred = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_CACHED_BIT;
    request.any_type_last = false;
    const bool linear = make_target_image(this, record, request, kLinearImage, &image);
    take_linear_image(&color, image);
    if (!linear) return false;
  }
  VkFormat depth_format = VK_FORMAT_D24_UNORM_S8_UINT;
  find_depth_format(record->gpu_record, &depth_format);
  const bool depth = make_target_image(
      this, record,
      render_target_image_request(depth_format, width, height,
                                  VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT | VK_IMAGE_USAGE_SAMPLED_BIT,
                                  depth_aspects(depth_format)),
      kDepthImage, &image);
  take_image(&record->depth, image);
  if (!depth) return false;
  VkResult result = create_render_target_pass(device, record->color_format, depth_format, n, &record->render_pass);
  if (result != VK_SUCCESS) {
    tracef_error("gpu_render_target_initialize_2d - unable to create a render pass (err: %s).",
                 vk_result_to_string(result));
    return false;
  }
  VkImageView views[2];
  uint32_t view_count = 0;
  if (n) views[view_count++] = color.view;
  views[view_count++] = record->depth.view;
  result = create_framebuffer(device, record->render_pass, views, view_count, width, height, &block.framebuffer);
  if (result != VK_SUCCESS) {
    tracef_error("gpu_render_target_initialize_2d - unable to create the framebuffer (err: %s).",
                 vk_result_to_string(result));
    return false;
  }
  const VkSamplerCreateInfo sampler = render_target_sampler_info(0.0f);
  result = device->functions.vkCreateSampler(device->device, &sampler, nullptr, &record->sampler);
  if (result != VK_SUCCESS) {
    record->sampler = VK_NULL_HANDLE;
    tracef_error("gpu_render_target_initialize_2d - unable to create a texture sampler for render target (err: %s)",
                 vk_result_to_string(result));
    return false;
  }
  return render_target_make_image_lists(record);
}

// One list per swapchain image, its fence left unsignalled until the list's
// first submit.
bool VulkanPLugin::render_target_make_image_lists(VkRenderTargetRecord* record) {
  VkDeviceRecord* device = record->device;
  // Without a swapchain one list all the same: a target on a device without
  // a window would otherwise have none to record into.
  const uint32_t images = device->swapchain && device->swapchain->image_count ? device->swapchain->image_count : 1;
  for (uint32_t i = 0; i < images; ++i) {
    tvc::GpuCommandList* list = command_list_create(device, 0);
    if (!list) {
      tracef_error("gpu_render_target_initialize_2d - unable to create the command list of image %u.", i);
      return false;
    }
    record->image_lists.push_back(list);
    record->bind_counts.push_back(0);
    record->unbind_counts.push_back(0);
    if (VkCommandListRecord* lr = list_record(list))
      if (lr->fence != VK_NULL_HANDLE) device->functions.vkResetFences(device->device, 1, &lr->fence);
  }
  return true;
}

void VulkanPLugin::render_target_free_image_lists(VkRenderTargetRecord* record) {
  VkDeviceRecord* device = record->device;
  for (tvc::GpuCommandList*& held : record->image_lists) {
    // A list the host killed was detached and is not killed again; one still
    // held leaves the target before it goes, and its kill also forgets it as
    // the device's current one.
    tvc::GpuCommandList* list = held;
    held = nullptr;
    if (list) command_list_kill(list);
  }
  record->image_lists.clear();
  record->bind_counts.clear();
  record->unbind_counts.clear();
  record->previous_list = nullptr;
  record->bound_command_buffer = nullptr;
  if (record->semaphore != VK_NULL_HANDLE)
    device->functions.vkDestroySemaphore(device->device, record->semaphore, nullptr);
  record->semaphore = VK_NULL_HANDLE;
}

// The host may kill a target's list (slot 221) or every list of the device
// (slot 222): the target forgets it, so no later bind, unbind, submit or
// release touches it. The image stays without a list until a resize.
void VulkanPLugin::detach_target_lists(VkDeviceRecord* device, tvc::GpuCommandList* list) {
  for (tvc::GpuRenderTarget* target : device->render_targets) {
    VkRenderTargetRecord* record = target_record(target);
    if (!record) continue;
    for (size_t i = 0; i < record->image_lists.size(); ++i) {
      tvc::GpuCommandList*& held = record->image_lists[i];
      if (!held || (list && held != list)) continue;
      if (i == record->bound_image) record->bound_command_buffer = nullptr;
      held = nullptr;
    }
    if (!list || record->previous_list == list) record->previous_list = nullptr;
  }
}

// ---- slots

void* VulkanPLugin::gpu_render_target_get_command_buffer(tvc::GpuRenderTarget* target) {
  VkRenderTargetRecord* record = target_record(target);
  return record ? image_list(record, current_image(record)) : nullptr;
}

void VulkanPLugin::gpu_render_target_set_command_buffer_swapchain_buffer_index(tvc::GpuRenderTarget* target,
                                                                                int image, int fence_index) {
  VkRenderTargetRecord* record = target_record(target);
  const VkSwapchainRecord* swapchain = record && record->device ? record->device->swapchain : nullptr;
  const uint32_t count = swapchain ? swapchain->image_count : 0;
  if (!record || image < 0 || static_cast<uint32_t>(image) >= count) {
    tracef_error("gpu_render_target_set_command_buffer_swapchain_buffer_index - image %d is not a swapchain image.",
                 image);
    return;
  }
  command_list_set_fence_index(image_list(record, static_cast<unsigned>(image)), fence_index);
}

bool VulkanPLugin::gpu_render_target_bind(tvc::GpuRenderTarget* target) {
  VkRenderTargetRecord* record = target_record(target);
  return record && gpu_render_target_bind_frame(target, current_image(record));
}

bool VulkanPLugin::gpu_render_target_bind_frame(tvc::GpuRenderTarget* target, unsigned image) {
  VkRenderTargetRecord* record = target_record(target);
  RenderTargetFrameBlock* block = render_target_block(target, 0);
  tvc::GpuCommandList* list = image_list(record, image);
  VkCommandListRecord* lr = list_record(list);
  if (block && !list && image < record->image_lists.size()) {
    tracef_error("gpu_render_target_bind - the command list of image %u was killed: resize the target to draw into it.",
                 image);
    return false;
  }
  if (!block || !lr || !lr->command_buffer) return false;
  if (lr->opened) {
    tracef_error("gpu_render_target_bind - the list of image %u is still recording.", image);
    return false;
  }
  VkDeviceRecord* device = record->device;
  VkFunctionTable& fn = device->functions;
  if (record->semaphore == VK_NULL_HANDLE) {
    VkSemaphoreCreateInfo info{};
    info.sType = VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO;
    if (fn.vkCreateSemaphore(device->device, &info, nullptr, &record->semaphore) != VK_SUCCESS)
      record->semaphore = VK_NULL_HANDLE;
  }
  if (!begin_render_target_pass(target, block->framebuffer, lr->command_buffer)) return false;
  lr->opened = true;
  lr->bound_pipeline = VK_NULL_HANDLE;
  record->previous_list = device->current_command_list;
  device->current_command_list = list;
  device->active_command_record = lr;
  record->bound_command_buffer = lr->command_buffer;
  record->bound_image = image;
  ++record->bind_counts[image];
  return true;
}

bool VulkanPLugin::gpu_render_target_unbind(tvc::GpuRenderTarget* target) {
  VkRenderTargetRecord* record = target_record(target);
  return record && gpu_render_target_unbind_frame(target, current_image(record));
}

// Ends the list the last bind opened, once, and counts the unbind for the
// image it was bound for: an image acquired in between cannot leave a list
// recording for ever.
bool VulkanPLugin::gpu_render_target_unbind_frame(tvc::GpuRenderTarget* target, unsigned) {
  VkRenderTargetRecord* record = target_record(target);
  if (!record || !record->bound_command_buffer) return false;
  const unsigned image = record->bound_image;
  VkCommandListRecord* lr = list_record(image_list(record, image));
  if (!lr || lr->command_buffer != record->bound_command_buffer) return false;
  VkDeviceRecord* device = record->device;
  device->functions.vkCmdEndRenderPass(lr->command_buffer);
  const bool ok = device->functions.vkEndCommandBuffer(lr->command_buffer) == VK_SUCCESS;
  lr->opened = false;
  record->bound_command_buffer = nullptr;
  ++record->unbind_counts[image];
  // Drawing goes on in the list that was current before the bind.
  tvc::GpuCommandList* previous =
      contains(device->command_lists, record->previous_list) ? record->previous_list : nullptr;
  record->previous_list = nullptr;
  device->current_command_list = previous;
  VkCommandListRecord* open = list_record(previous);
  device->active_command_record = open && open->opened ? open : nullptr;
  return ok;
}

bool VulkanPLugin::gpu_render_target_submit(tvc::GpuRenderTarget* target) {
  VkRenderTargetRecord* record = target_record(target);
  return record && gpu_render_target_submit_and_wait(target, current_image(record));
}

bool VulkanPLugin::gpu_render_target_submit_and_wait(tvc::GpuRenderTarget* target, unsigned image) {
  VkRenderTargetRecord* record = target_record(target);
  VkCommandListRecord* lr = list_record(image_list(record, image));
  if (!lr || !lr->command_buffer || lr->fence == VK_NULL_HANDLE) return false;
  const uint64_t binds = record->bind_counts[image];
  if (binds == 0 || binds != record->unbind_counts[image]) return false;
  const bool ok = submit_and_wait(record->device, lr->command_buffer, lr->fence);
  note_submitted(lr, lr->fence);
  return ok;
}
