// Decodes demo images held in memory into the layout the texture upload
// wants: rows bottom-up, each padded to a multiple of four bytes, pixels in
// B, G, R(, A) order for 24 and 32 bits, grey (and alpha) for 8 and 16 bits.
#pragma once
#include <cstddef>
#include <cstdint>

// Images wider or taller than this are refused, so that no size computation
// can overflow.
const int kMaxImageDimension = 8192;

struct DecodedImage {
  int width;
  int height;
  int bitsPerPixel;  // 8, 16, 24 or 32
  size_t pitch;      // bytes per row
  uint8_t* bits;     // height * pitch bytes, first row the bottom one
};

// Whether the bytes look like an image of a format the decoder knows.
bool IsKnownImageType(const void* data, size_t size);
// Null when the bytes are no image, are damaged or are too large.
DecodedImage* DecodeImageFromMemory(const void* data, size_t size);
// A 24-bit copy of any image (grey is repeated, alpha dropped); null on
// failure.
DecodedImage* ConvertImageTo24Bits(const DecodedImage* image);
void FreeDecodedImage(DecodedImage* image);
// Row size for a width and depth, padded to four bytes; 0 when out of range.
size_t ImagePitch(int width, int bitsPerPixel);
