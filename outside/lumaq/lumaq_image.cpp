// The image decoder of stb_image, kept in a unit of its own that is built
// quietly like the other third-party code.
#include "lumaq_image.h"

#include <climits>

#define STBI_NO_STDIO
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_MAX_DIMENSIONS 8192
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

namespace Korveth_nsp {

uint8_t* decodeRgba(const void* data, size_t size, int* width, int* height) {
  if (!data || size == 0 || size > static_cast<size_t>(INT_MAX)) return nullptr;
  int n = 0;
  return stbi_load_from_memory(static_cast<const stbi_uc*>(data), static_cast<int>(size), width, height, &n, 4);
}

void freeDecodedRgba(uint8_t* pixels) { stbi_image_free(pixels); }

}  // namespace Korveth_nsp
