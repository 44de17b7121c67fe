// Glow filter of the OpenCL post-processing demo: each output pixel is the
// average of the input pixels within a disc around it, where pixels brighter
// than the threshold count several times over, so that light areas bloom.
// Pixels are 32-bit words with one channel per byte (bits 0-7, 8-15, 16-23);
// neighbours outside the image repeat the edge.

float3 channels(uint pixel) {
  return (float3)((float)(pixel & 0xFFu), (float)((pixel >> 8) & 0xFFu), (float)((pixel >> 16) & 0xFFu));
}

float3 weighed(uint pixel, float threshold, float highlight, float luminanceScale) {
  float3 c = channels(pixel);
  float luminance = (c.x + c.y + c.z) * luminanceScale;
  return luminance > threshold ? c * highlight : c;
}

uint packed(float3 sum, int count) {
  float3 c = clamp(sum / (float)count, 0.0f, 255.0f);
  return (uint)c.x | ((uint)c.y << 8) | ((uint)c.z << 16);
}

__kernel void post_fx_kernel_global_mem(__global const uint* input, __global uint* output, int width, int height,
                                        int tileWidth, int radius, float threshold, float highlight) {
  int x = get_global_id(0);
  int y = get_global_id(1);
  if (x >= width || y >= height) return;
  float3 sum = (float3)(0.0f);
  int count = 0;
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      if (dx * dx + dy * dy > radius * radius) continue;
      int sx = clamp(x + dx, 0, width - 1);
      int sy = clamp(y + dy, 0, height - 1);
      sum += weighed(input[sy * width + sx], threshold, highlight, 1.0f / 765.0f);
      ++count;
    }
  }
  output[y * width + x] = packed(sum, count);
}

// The same filter over a tile in local memory: the work-group's block with a
// border of radius pixels. Every item helps to load the tile and reaches the
// barrier; items outside the image only skip their store.
__kernel void post_fx_kernel_local_mem(__global const uint* input, __global uint* output, int width, int height,
                                       int tileWidth, int radius, float threshold, float highlight,
                                       __local uint* tile) {
  int lx = get_local_id(0);
  int ly = get_local_id(1);
  int sizeX = get_local_size(0);
  int sizeY = get_local_size(1);
  int originX = get_group_id(0) * sizeX - radius;
  int originY = get_group_id(1) * sizeY - radius;
  int tileHeight = sizeY + 2 * radius;
  for (int ty = ly; ty < tileHeight; ty += sizeY) {
    int sy = clamp(originY + ty, 0, height - 1);
    for (int tx = lx; tx < tileWidth; tx += sizeX) {
      int sx = clamp(originX + tx, 0, width - 1);
      tile[ty * tileWidth + tx] = input[sy * width + sx];
    }
  }
  barrier(CLK_LOCAL_MEM_FENCE);
  int x = get_global_id(0);
  int y = get_global_id(1);
  if (x >= width || y >= height) return;
  float3 sum = (float3)(0.0f);
  int count = 0;
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      if (dx * dx + dy * dy > radius * radius) continue;
      sum += weighed(tile[(ly + radius + dy) * tileWidth + lx + radius + dx], threshold, highlight,
                     0.001307189542f);
      ++count;
    }
  }
  output[y * width + x] = packed(sum, count);
}
