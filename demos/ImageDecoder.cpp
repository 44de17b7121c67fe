#include "demos/ImageDecoder.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#define STBI_NO_STDIO
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_MAX_DIMENSIONS 8192
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

namespace {

DecodedImage* allocImage(int width, int height, int bitsPerPixel) {
  size_t pitch = ImagePitch(width, bitsPerPixel);
  if (!pitch || height <= 0 || height > kMaxImageDimension) return nullptr;
  DecodedImage* image = static_cast<DecodedImage*>(calloc(1, sizeof(DecodedImage)));
  if (!image) return nullptr;
  image->bits = static_cast<uint8_t*>(calloc(static_cast<size_t>(height), pitch));
  if (!image->bits) {
    free(image);
    return nullptr;
  }
  image->width = width;
  image->height = height;
  image->bitsPerPixel = bitsPerPixel;
  image->pitch = pitch;
  return image;
}

bool sizeFits(size_t size) { return size > 0 && size <= static_cast<size_t>(INT_MAX); }

}  // namespace

size_t ImagePitch(int width, int bitsPerPixel) {
  if (width <= 0 || width > kMaxImageDimension) return 0;
  if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return 0;
  size_t row = static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel / 8);
  return (row + 3) & ~static_cast<size_t>(3);
}

bool IsKnownImageType(const void* data, size_t size) {
  if (!data || !sizeFits(size)) return false;
  int w = 0, h = 0, comp = 0;
  return stbi_info_from_memory(static_cast<const stbi_uc*>(data), static_cast<int>(size), &w, &h, &comp) != 0;
}

DecodedImage* DecodeImageFromMemory(const void* data, size_t size) {
  if (!data || !sizeFits(size)) return nullptr;
  const stbi_uc* bytes = static_cast<const stbi_uc*>(data);
  int w = 0, h = 0, comp = 0;
  if (!stbi_info_from_memory(bytes, static_cast<int>(size), &w, &h, &comp)) return nullptr;
  if (w <= 0 || h <= 0 || w > kMaxImageDimension || h > kMaxImageDimension) return nullptr;
  stbi_uc* pixels = stbi_load_from_memory(bytes, static_cast<int>(size), &w, &h, &comp, 0);
  if (!pixels) return nullptr;
  DecodedImage* image = nullptr;
  if (comp >= 1 && comp <= 4 && w > 0 && h > 0) image = allocImage(w, h, comp * 8);
  if (image) {
    const size_t srcRow = static_cast<size_t>(w) * static_cast<size_t>(comp);
    for (int y = 0; y < h; ++y) {
      // The decoder gives rows top-down; ours run bottom-up.
      const stbi_uc* src = pixels + static_cast<size_t>(h - 1 - y) * srcRow;
      uint8_t* dst = image->bits + static_cast<size_t>(y) * image->pitch;
      if (comp < 3) {
        memcpy(dst, src, srcRow);
        continue;
      }
      for (int x = 0; x < w; ++x, src += comp, dst += comp) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        if (comp == 4) dst[3] = src[3];
      }
    }
  }
  stbi_image_free(pixels);
  return image;
}

DecodedImage* ConvertImageTo24Bits(const DecodedImage* image) {
  if (!image || !image->bits) return nullptr;
  const int bpp = image->bitsPerPixel;
  if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
  DecodedImage* out = allocImage(image->width, image->height, 24);
  if (!out) return nullptr;
  const int step = bpp / 8;
  for (int y = 0; y < image->height; ++y) {
    const uint8_t* src = image->bits + static_cast<size_t>(y) * image->pitch;
    uint8_t* dst = out->bits + static_cast<size_t>(y) * out->pitch;
    for (int x = 0; x < image->width; ++x, src += step, dst += 3) {
      if (step <= 2) {
        dst[0] = dst[1] = dst[2] = src[0];
      } else {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
      }
    }
  }
  return out;
}

void FreeDecodedImage(DecodedImage* image) {
  if (!image) return;
  free(image->bits);
  free(image);
}
