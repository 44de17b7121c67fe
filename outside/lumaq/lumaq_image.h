// The engine's image decoding (JPEG, PNG, BMP, TGA) into RGBA8 rows,
// top-down.
#pragma once
#include <cstddef>
#include <cstdint>

namespace Korveth_nsp {

// Null when the bytes are no image, are damaged or larger than 8192 pixels
// a side; free the result with freeDecodedRgba.
uint8_t* decodeRgba(const void* data, size_t size, int* width, int* height);
void freeDecodedRgba(uint8_t* pixels);

}  // namespace Korveth_nsp
