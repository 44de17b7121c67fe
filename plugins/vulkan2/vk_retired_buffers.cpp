// Buffers outgrown while a frame may still use them: the overlays' vertex
// and index buffers are replaced while a list records, so they cannot wait
// for the device to be idle. Each one is kept until the work of every
// recording that bound it has run, and checked again at each later
// replacement, each overlay draw and each wait for idle.
#include <algorithm>
#include <utility>

#include "vk_device.h"

namespace {
// That recording was submitted since it bound the buffer (or never will be),
// so nothing of it not yet queued can read the buffer.
bool queued(const BufferUse& use) { return use.user->gone || use.user->submits > use.submits; }

// That submit (or a later one of the same recording, which follows it) is
// seen finished.
bool seen_finished(const VkDeviceRecord* device, const BufferUse& use) {
  if (use.user->gone || use.user->submits <= use.submits || use.user->fence == VK_NULL_HANDLE) return false;
  return device->functions.vkGetFenceStatus(device->device, use.user->fence) == VK_SUCCESS;
}

bool all_queued(const BufferUsers& users) {
  return std::all_of(users.live.begin(), users.live.end(), queued);
}

bool all_seen_finished(const VkDeviceRecord* device, const BufferUsers& users) {
  if (users.dropped) return false;
  return std::all_of(users.live.begin(), users.live.end(),
                     [&](const BufferUse& use) { return seen_finished(device, use); });
}
}  // namespace

void note_buffer_use(BufferUsers* users, const VkCommandListRecord* record) {
  if (!record) return;
  std::vector<BufferUse>& live = users->live;
  auto gone = [](const BufferUse& use) { return use.user->gone; };
  if (std::any_of(live.begin(), live.end(), gone)) {
    users->dropped = true;
    live.erase(std::remove_if(live.begin(), live.end(), gone), live.end());
  }
  for (BufferUse& use : live)
    if (use.user == record->trace) {
      use.submits = record->trace->submits;
      return;
    }
  live.push_back({record->trace, record->trace->submits});
}

void retire_buffer(VkDeviceRecord* device, VkBuffer buffer, VkDeviceMemory memory, BufferUsers users) {
  if (buffer == VK_NULL_HANDLE && memory == VK_NULL_HANDLE) return;
  device->retired_buffers.push_back({buffer, memory, std::move(users)});
  release_retired_buffers(device, RetiredRelease::kFinished);
}

void release_retired_buffers(VkDeviceRecord* device, RetiredRelease which) {
  if (!device || !device->device || device->retired_buffers.empty()) return;
  VkFunctionTable& fn = device->functions;
  auto done = [&](const RetiredBuffer& r) {
    switch (which) {
      case RetiredRelease::kAll: return true;
      case RetiredRelease::kIdle: return all_queued(r.users);
      case RetiredRelease::kFinished: break;
    }
    return all_seen_finished(device, r.users);
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
