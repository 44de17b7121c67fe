// Command lists: host-visible recording objects with their own command
// buffer and fence; render passes, barriers and secondary execution recorded
// into them; one-time command buffers for synchronous GPU work.
#include <algorithm>

#include "vk_generation.h"
#include "vk_device.h"

namespace {
void erase_list(std::vector<tvc::GpuCommandList*>& lists, tvc::GpuCommandList* list) {
  lists.erase(std::remove(lists.begin(), lists.end(), list), lists.end());
}

// Every pointer the device keeps to a list goes with it.
void forget_list(VkDeviceRecord* device, tvc::GpuCommandList* list) {
  erase_list(device->command_lists, list);
  erase_list(device->secondary_command_lists, list);
  if (device->current_command_list == list) device->current_command_list = nullptr;
  if (device->active_list == list) device->active_list = nullptr;
  if (device->last_submitted_list == list) device->last_submitted_list = nullptr;
}

}  // namespace

// ---- one-time commands

VkCommandBuffer begin_one_time_commands(VkDeviceRecord* device, bool begin) {
  if (!device || !device->device || device->command_pool == VK_NULL_HANDLE) return nullptr;
  VkFunctionTable& fn = device->functions;
  VkCommandBufferAllocateInfo alloc{};
  alloc.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
  alloc.commandPool = device->command_pool;
  alloc.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
  alloc.commandBufferCount = 1;
  VkCommandBuffer commands = nullptr;
  if (fn.vkAllocateCommandBuffers(device->device, &alloc, &commands) != VK_SUCCESS || !commands) return nullptr;
  if (!begin) return commands;
  VkCommandBufferBeginInfo info{};
  info.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
  if (fn.vkBeginCommandBuffer(commands, &info) != VK_SUCCESS) {
    fn.vkFreeCommandBuffers(device->device, device->command_pool, 1, &commands);
    return nullptr;
  }
  return commands;
}

bool end_one_time_commands(VkDeviceRecord* device, VkCommandBuffer commands) {
  if (!device || !commands) return false;
  VkFunctionTable& fn = device->functions;
  bool ok = fn.vkEndCommandBuffer(commands) == VK_SUCCESS;
  if (ok) {
    VkSubmitInfo info{};
    info.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
    info.commandBufferCount = 1;
    info.pCommandBuffers = &commands;
    ok = fn.vkQueueSubmit(device->graphics_queue, 1, &info, VK_NULL_HANDLE) == VK_SUCCESS;
    if (ok) ok = fn.vkQueueWaitIdle(device->graphics_queue) == VK_SUCCESS;
  }
  fn.vkFreeCommandBuffers(device->device, device->command_pool, 1, &commands);
  // The queue the frames run on was idle: what they left retired may go.
  if (ok) release_retired_buffers(device, RetiredRelease::kIdle);
  return ok;
}

// ---- replacing objects in use

namespace {
bool device_recording(const VkDeviceRecord* device) {
  if (device->active_command_record) return true;
  for (uint32_t i = 0; device->frames && i < device->frame_count; ++i)
    if (device->frames[i].begin_counter > 0) return true;
  for (tvc::GpuCommandList* list : device->command_lists) {
    const VkCommandListRecord* record = list_record(list);
    if (record && record->opened) return true;
  }
  return false;
}
}  // namespace

bool idle_before_replacing(VkDeviceRecord* device) {
  if (!device || !device->device || device_recording(device)) return false;
  // A lost device runs nothing any more: its objects may go whatever the wait says.
  wait_device_idle(device);
  return true;
}

// ---- creation and release

bool VulkanPLugin::vk_command_buffer_init(VkDeviceRecord* device, tvc::GpuCommandList* list, bool primary) {
  if (!device || !list) return false;
  VkFunctionTable& fn = device->functions;
  VkCommandBufferAllocateInfo alloc{};
  alloc.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
  alloc.commandPool = device->command_pool;
  alloc.level = primary ? VK_COMMAND_BUFFER_LEVEL_PRIMARY : VK_COMMAND_BUFFER_LEVEL_SECONDARY;
  alloc.commandBufferCount = 1;
  VkCommandBuffer buffer = nullptr;
  const VkResult result = fn.vkAllocateCommandBuffers(device->device, &alloc, &buffer);
  if (result != VK_SUCCESS) {
    tracef_error("vk_command_buffer_init() failed (err: %s).", vk_result_to_string(result));
    return false;
  }
  VkCommandListRecord* record = new VkCommandListRecord;
  record->id = tvc::utils::gen_id();
  record->command_buffer = buffer;
  record->device = device->device;
  record->command_pool = device->command_pool;
  record->primary = primary;
  list->renderer_data = record;
  VkFenceCreateInfo fence{};
  fence.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
  fence.flags = VK_FENCE_CREATE_SIGNALED_BIT;
  // A list without its own fence still records; only slot 108 needs it.
  if (fn.vkCreateFence(device->device, &fence, nullptr, &record->fence) != VK_SUCCESS) record->fence = VK_NULL_HANDLE;
  return true;
}

tvc::GpuCommandList* VulkanPLugin::command_list_create(VkDeviceRecord* device, int kind) {
  if (!device) return nullptr;
  tvc::GpuCommandList* list = new tvc::GpuCommandList;
  list->kind = kind;
  if (!vk_command_buffer_init(device, list, kind != 1)) {
    delete list;
    return nullptr;
  }
  device->command_lists.push_back(list);
  if (kind == 1) device->secondary_command_lists.push_back(list);
  if (!object_owner(list->id)) register_object(list->id, device);
  return list;
}

bool VulkanPLugin::command_list_release_objects(VkDeviceRecord* device, tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  if (!record || !device || record->device != device->device) return false;
  if (device->active_command_record == record) device->active_command_record = nullptr;
  // Its buffer and fence go: nothing it recorded runs again, and the fence
  // may no longer be asked about.
  record->trace->gone = true;
  record->trace = std::make_shared<SubmitTrace>();
  VkFunctionTable& fn = device->functions;
  if (record->fence != VK_NULL_HANDLE) fn.vkDestroyFence(device->device, record->fence, nullptr);
  record->fence = VK_NULL_HANDLE;
  if (record->command_buffer && record->command_pool != VK_NULL_HANDLE) {
    fn.vkFreeCommandBuffers(device->device, record->command_pool, 1, &record->command_buffer);
    record->command_buffer = nullptr;
    record->command_pool = VK_NULL_HANDLE;
    record->device = nullptr;
  }
  return true;
}

tvc::GpuCommandList* VulkanPLugin::command_list_get_default(tvc::RendererGpu* gpu, int kind) {
  return command_list_create(device_of(gpu), kind);
}

bool VulkanPLugin::command_list_reinit(tvc::GpuCommandList* list) {
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!device || !list_record(list)) return false;
  // The old buffer and fence go first: nothing else would free them.
  command_list_release_objects(device, list);
  delete list_record(list);
  list->renderer_data = nullptr;
  erase_list(device->secondary_command_lists, list);
  return vk_command_buffer_init(device, list, true);
}

bool VulkanPLugin::command_list_release(tvc::GpuCommandList* list) {
  return list && command_list_release_objects(object_owner(list->id), list);
}

bool VulkanPLugin::command_list_kill(tvc::GpuCommandList* list) {
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!device) return false;
  detach_target_lists(device, list);
  unregister_object(list->id);
  forget_list(device, list);
  command_list_release_objects(device, list);
  delete list_record(list);
  delete list;
  return true;
}

void VulkanPLugin::release_command_lists(VkDeviceRecord* device) {
  detach_target_lists(device, nullptr);
  for (tvc::GpuCommandList* list : device->command_lists) {
    command_list_release_objects(device, list);
    unregister_object(list->id);
    delete list_record(list);
    delete list;
  }
  device->command_lists.clear();
  device->secondary_command_lists.clear();
  device->current_command_list = device->active_list = device->last_submitted_list = nullptr;
}

bool VulkanPLugin::command_list_killall(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device) return false;
  release_command_lists(device);
  return true;
}

// ---- lookup

VkCommandListRecord* open_current_list(const VkDeviceRecord* device) {
  VkCommandListRecord* record = device ? list_record(device->current_command_list) : nullptr;
  return record && record->opened && record->command_buffer ? record : nullptr;
}

void VulkanPLugin::command_list_set_current(tvc::RendererGpu* gpu, tvc::GpuCommandList* list) {
  if (gpu) {
    if (VkDeviceRecord* device = device_of(gpu)) device->current_command_list = list;
    return;
  }
  if (!list) return;
  if (VkDeviceRecord* device = object_owner(list->id)) device->current_command_list = list;
}

tvc::GpuCommandList* VulkanPLugin::command_list_find(int id) {
  VkDeviceRecord* device = object_owner(id);
  if (!device) return nullptr;
  for (tvc::GpuCommandList* list : device->command_lists)
    if (list->id == id) return list;
  return nullptr;
}

tvc::GpuCommandList* VulkanPLugin::command_list_get_by_index(tvc::RendererGpu* gpu, unsigned index) {
  VkDeviceRecord* device = device_of(gpu);
  if (!device) return nullptr;
  if (index == 0 && device->command_lists.empty()) return command_list_create(device, 0);
  return index < device->command_lists.size() ? device->command_lists[index] : nullptr;
}

tvc::GpuCommandList* VulkanPLugin::command_list_get_current(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  return device ? device->current_command_list : nullptr;
}

int VulkanPLugin::command_list_get_count(tvc::RendererGpu* gpu) {
  VkDeviceRecord* device = device_of(gpu);
  return device ? static_cast<int>(device->command_lists.size()) : 0;
}

// ---- recording

bool VulkanPLugin::command_list_open(tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!record || !device || !record->command_buffer) return false;
  VkCommandBufferBeginInfo info{};
  info.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
  info.flags = generation::list_begin_flags(record->primary);
  VkCommandBufferInheritanceInfo inheritance{};
  inheritance.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_INHERITANCE_INFO;
  if (!record->primary) {
    // A secondary list continues the swapchain pass of the image in use.
    info.flags |= VK_COMMAND_BUFFER_USAGE_RENDER_PASS_CONTINUE_BIT;
    inheritance.renderPass = device->rp1 ? device->rp1->render_pass : VK_NULL_HANDLE;
    inheritance.subpass = 0;
    const uint32_t image = device->swapchain ? device->swapchain->current_image_index : 0;
    inheritance.framebuffer = swapchain_framebuffer(device, image);
    info.pInheritanceInfo = &inheritance;
  }
  const VkResult result = device->functions.vkBeginCommandBuffer(record->command_buffer, &info);
  if (result != VK_SUCCESS) {
    tracef_error("command_list_open - error code: %s", vk_result_to_string(result));
    return false;
  }
  record->bound_pipeline = VK_NULL_HANDLE;
  record->uses_swapchain_image = false;
  record->opened = true;
  device->current_command_list = list;
  if (generation::lists_take_draws()) device->active_command_record = record;
  return true;
}

bool VulkanPLugin::command_list_close(tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!record || !device || !record->command_buffer) return false;
  device->current_command_list = nullptr;
  if (device->active_command_record == record) device->active_command_record = nullptr;
  const VkResult result = device->functions.vkEndCommandBuffer(record->command_buffer);
  record->opened = false;
  if (result != VK_SUCCESS) {
    tracef_error("command_list_close - error code: %s", vk_result_to_string(result));
    return false;
  }
  return true;
}

bool VulkanPLugin::command_list_submit(tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!record || !device || !record->command_buffer || device->device_lost) return false;
  if (record->opened) {
    tracef_error("command_list_submit - the list is still recording.");
    return false;
  }
  if (record->fence_index < 0 || record->fence_index >= kDeviceFenceCount) {
    tracef_error("command_list_submit - fence index %d is outside the %d device fences.", record->fence_index,
                 static_cast<int>(kDeviceFenceCount));
    return false;
  }
  VkFunctionTable& fn = device->functions;
  VkSemaphore* wait = nullptr;
  VkSemaphore* signal = nullptr;
  list_submit_semaphores(device, record, &wait, &signal);
  const VkPipelineStageFlags stage = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
  VkSubmitInfo& info = device->submit_info;
  info.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
  info.pNext = nullptr;
  info.waitSemaphoreCount = wait ? 1 : 0;
  info.pWaitSemaphores = wait;
  info.pWaitDstStageMask = &stage;
  info.commandBufferCount = 1;
  info.pCommandBuffers = &record->command_buffer;
  info.signalSemaphoreCount = signal ? 1 : 0;
  info.pSignalSemaphores = signal;
  VkFence fence = device->fences[record->fence_index];
  // A fence still in flight may not be reset: its earlier work is waited for.
  if (fence != VK_NULL_HANDLE && device->fence_pending[record->fence_index]) {
    fn.vkWaitForFences(device->device, 1, &fence, VK_TRUE, UINT64_MAX);
    device->fence_pending[record->fence_index] = 0;
  }
  if (fence != VK_NULL_HANDLE) fn.vkResetFences(device->device, 1, &fence);
  const VkResult result = fn.vkQueueSubmit(device->graphics_queue, 1, &info, fence);
  info.pWaitSemaphores = info.pSignalSemaphores = nullptr;
  info.pCommandBuffers = nullptr;
  info.pWaitDstStageMask = nullptr;
  if (result != VK_SUCCESS) {
    tracef_error("command_list_submit - error code: %s", vk_result_to_string(result));
    if (result == VK_ERROR_DEVICE_LOST) device->device_lost = 1;
    return false;
  }
  after_list_submit(device, signal != nullptr);
  note_submitted(record, fence);
  device->fence_pending[record->fence_index] = 1;
  record->submitted = true;
  device->current_command_list = list;
  device->last_submitted_list = list;
  device->list_submitted = true;
  return true;
}

bool VulkanPLugin::command_list_reset(tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!record || !device || !record->command_buffer) return false;
  VkFunctionTable& fn = device->functions;
  if (fn.vkResetCommandBuffer(record->command_buffer, 0) != VK_SUCCESS) return false;
  if (record->fence != VK_NULL_HANDLE) fn.vkResetFences(device->device, 1, &record->fence);
  record->bound_pipeline = VK_NULL_HANDLE;
  record->opened = false;
  record->uses_swapchain_image = false;
  return true;
}

// ---- render passes, barriers and secondary lists

bool VulkanPLugin::begin_list_render_pass(tvc::GpuCommandList* list, VkRenderPassRecord* pass,
                                          uint32_t image_index, bool clear, int contents) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  const VkFramebuffer framebuffer = swapchain_framebuffer(device, image_index);
  if (!record || !device || !record->opened || !pass || !device->swapchain || framebuffer == VK_NULL_HANDLE)
    return false;
  if (generation::passes_set_fence_index()) record->fence_index = static_cast<int32_t>(image_index);
  VkRenderPassBeginInfo info{};
  info.sType = VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO;
  info.renderPass = pass->render_pass;
  info.framebuffer = framebuffer;
  info.renderArea.extent = {device->swapchain->width, device->swapchain->height};
  info.clearValueCount = clear ? 2 : 0;
  info.pClearValues = clear ? clear_values : nullptr;
  device->functions.vkCmdBeginRenderPass(record->command_buffer, &info,
                                         static_cast<VkSubpassContents>(contents & 0xFF));
  record->uses_swapchain_image = true;
  return true;
}

bool VulkanPLugin::command_list_begin_render_pass(tvc::GpuCommandList* list, unsigned image_index, int contents) {
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  return device && begin_list_render_pass(list, device->rp1, image_index, true, contents);
}

bool VulkanPLugin::command_list_begin_render_pass_rt(tvc::GpuCommandList* list, const float* values,
                                                     unsigned image_index, int contents) {
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!device || !list_record(list)) return false;
  if (!values) return begin_list_render_pass(list, device->rp2, image_index, false, contents);
  // Where the pass and its framebuffer are looked for first, a pass that
  // cannot begin leaves the clear values as they were; else the values are
  // taken whether or not the pass then begins.
  if (generation::pass_checked_before_clear_values() &&
      (!device->rp1 || swapchain_framebuffer(device, image_index) == VK_NULL_HANDLE))
    return false;
  set_clear_values_ex(values[0], values[1], values[2], values[3], values[4], 0);
  return begin_list_render_pass(list, device->rp1, image_index, true, contents);
}

bool VulkanPLugin::command_list_begin_swapchain_render_pass(tvc::GpuCommandList* list, int contents) {
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  return device && device->swapchain &&
         begin_list_render_pass(list, device->rp1, device->swapchain->current_image_index, true, contents);
}

bool VulkanPLugin::command_list_end_render_pass(tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!record || !device || !record->opened) return false;
  device->functions.vkCmdEndRenderPass(record->command_buffer);
  return true;
}

bool VulkanPLugin::command_list_barrier_present(tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!record || !device || !record->opened || !device->swapchain ||
      device->swapchain->current_image_index >= device->swapchain->image_count)
    return false;
  VkImageMemoryBarrier barrier{};
  barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
  barrier.srcAccessMask = VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
  barrier.dstAccessMask = VK_ACCESS_MEMORY_READ_BIT;
  barrier.oldLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
  barrier.newLayout = VK_IMAGE_LAYOUT_PRESENT_SRC_KHR;
  barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.image = device->swapchain->images[device->swapchain->current_image_index];
  barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
  device->functions.vkCmdPipelineBarrier(record->command_buffer, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT,
                                         VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT, 0, 0, nullptr, 0, nullptr, 1,
                                         &barrier);
  record->uses_swapchain_image = true;
  return true;
}

bool VulkanPLugin::command_list_execute(tvc::GpuCommandList* primary, tvc::GpuCommandList* secondary) {
  VkCommandListRecord* record = list_record(primary);
  VkCommandListRecord* child = list_record(secondary);
  VkDeviceRecord* device = primary ? object_owner(primary->id) : nullptr;
  if (!record || !child || !device || !record->opened || !child->command_buffer) return false;
  device->functions.vkCmdExecuteCommands(record->command_buffer, 1, &child->command_buffer);
  return true;
}

bool VulkanPLugin::command_list_execute_listed(tvc::GpuCommandList* list) {
  VkCommandListRecord* record = list_record(list);
  VkDeviceRecord* device = list ? object_owner(list->id) : nullptr;
  if (!record || !device || !record->opened) return false;
  std::vector<VkCommandBuffer> buffers;
  for (tvc::GpuCommandList* secondary : device->secondary_command_lists) {
    VkCommandListRecord* child = list_record(secondary);
    if (child && child->command_buffer) buffers.push_back(child->command_buffer);
  }
  // With no secondary list there is nothing to execute.
  if (!buffers.empty())
    device->functions.vkCmdExecuteCommands(record->command_buffer, static_cast<uint32_t>(buffers.size()),
                                           buffers.data());
  return true;
}

void VulkanPLugin::command_list_set_fence_index(tvc::GpuCommandList* list, int index) {
  if (VkCommandListRecord* record = list_record(list)) record->fence_index = index;
}

void VulkanPLugin::command_list_set_active(tvc::GpuCommandList* list) {
  if (list) {
    if (VkDeviceRecord* device = object_owner(list->id)) device->active_list = list;
    return;
  }
  if (VkDeviceRecord* device = device_of(nullptr)) device->active_list = nullptr;
}
