// Pixels of the presented image through the renderer's frame read-back, and
// the channel order the read-back path delivers them in.
#pragma once

#include <cstdlib>
#include <vector>

#include "gtest/gtest.h"
#include "tvc.h"
#include "vk_device.h"

// The window's pixels as 4 bytes each, in the read-back's channel order.
struct Pixels {
  int width = 0, height = 0;
  std::vector<unsigned char> bytes;
  const unsigned char* at(int x, int y) const { return &bytes[(static_cast<size_t>(y) * width + x) * 4]; }
};

inline Pixels read_back(tvc::Renderer* r) {
  Pixels p;
  int size = 0;
  r->get_color_buffer_size(&size, &p.width, &p.height);
  p.bytes.assign(static_cast<size_t>(size), 0);
  if (size > 0) r->read_color_buffer(p.bytes.data());
  return p;
}

// True when the read-back of this device takes the blit path, whose bytes
// come as B, G, R, A; the copy path from a B8G8R8A8 surface gives R, G, B, A.
inline bool blit_path(tvc::RendererGpu* gpu) {
  VkGpuRecord* record = static_cast<VkGpuRecord*>(gpu->renderer_data);
  VkFormatProperties surface{}, linear{};
  record->functions.vkGetPhysicalDeviceFormatProperties(record->physical_device, record->current_device->swapchain->format,
                                                        &surface);
  record->functions.vkGetPhysicalDeviceFormatProperties(record->physical_device, VK_FORMAT_B8G8R8A8_UNORM, &linear);
  return (linear.linearTilingFeatures & VK_FORMAT_FEATURE_BLIT_DST_BIT) &&
         (surface.optimalTilingFeatures & VK_FORMAT_FEATURE_BLIT_SRC_BIT);
}

// r, g, b, a as 0..255 in the order the path delivers them.
inline ::testing::AssertionResult colour_is(const unsigned char* px, bool blit, int r, int g, int b, int a) {
  const int want[4] = {blit ? b : r, g, blit ? r : b, a};
  for (int i = 0; i < 4; ++i)
    if (std::abs(px[i] - want[i]) > 1)
      return ::testing::AssertionFailure() << "pixel " << int(px[0]) << "," << int(px[1]) << "," << int(px[2]) << ","
                                           << int(px[3]) << " where " << want[0] << "," << want[1] << ","
                                           << want[2] << "," << want[3] << " is expected";
  return ::testing::AssertionSuccess();
}
