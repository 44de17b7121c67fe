// Buffers outgrown while a frame may still use them: the overlays' vertex
// and index buffers are replaced while a list records, so they cannot wait
// for the device to be idle. Each one is kept until the work of its last
// use has run, and checked again at each later replacement, each overlay
// draw and each wait for idle.
#include <algorithm>

#include "vk_device.h"

namespace {
// The last use's recording was submitted since it bound the buffer (or
// never will be), so nothing not yet queued can read the buffer.
bool queued_or_dropped(const BufferUse& use) {
  return !use.user || use.user->gone || use.user->submits > use.submits;
}

// That submit (or a later one of the same recording, which follows it) is
// seen finished.
bool seen_finished(const VkDeviceRecord* device, const BufferUse& use) {
  if (!use.user) return true;
  if (use.user->gone || use.user->submits <= use.submits || use.user->fence == VK_NULL_HANDLE) return false;
  return device->functions.vkGetFenceStatus(device->device, use.user->fence) == VK_SUCCESS;
}
}  // namespace

void retire_buffer(VkDeviceRecord* device, VkBuffer buffer, VkDeviceMemory memory, const BufferUse& use) {
  if (buffer == VK_NULL_HANDLE && memory == VK_NULL_HANDLE) return;
  device->retired_buffers.push_back({buffer, memory, use});
  release_retired_buffers(device, RetiredRelease::kFinished);
}

void release_retired_buffers(VkDeviceRecord* device, RetiredRelease which) {
  if (!device || !device->device || device->retired_buffers.empty()) return;
  VkFunctionTable& fn = device->functions;
  auto done = [&](const RetiredBuffer& r) {
    switch (which) {
      case RetiredRelease::kAll: return true;
      case RetiredRelease::kIdle: return queued_or_dropped(r.use);
      case RetiredRelease::kFinished: break;
    }
    return seen_finished(device, r.use);
  };
  std::vector<RetiredBuffer>& list = device->retired_buffers;
  auto kept = std::stable_partition(list.begin(), list.end(), [&](const RetiredBuffer& r) { return !done(r); });
  for (auto it = kept; it != list.end(); ++it) {
    if (it->buffer != VK_NULL_HANDLE) fn.vkDestroyBuffer(device->device, it->buffer, nullptr);
    if (it->memory != VK_NULL_HANDLE) fn.vkFreeMemory(device->device, it->memory, nullptr);
  }
  list.erase(kept, list.end());
}

VkResult wait_device_idle(VkDeviceRecord* device) {
  const VkResult result = device->functions.vkDeviceWaitIdle(device->device);
  release_retired_buffers(device, RetiredRelease::kIdle);
  return result;
}
