// Radiance (RGBE) images: the header, flat and run-length rows, and HDR
// cube maps from vertical crosses.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lumaq.h"

namespace Korveth_nsp {

namespace {

// The next header line (without its line feed); false past the end.
bool headerLine(const uint8_t* data, size_t size, size_t* pos, std::string* line) {
  line->clear();
  while (*pos < size && line->size() < 512) {
    char c = static_cast<char>(data[(*pos)++]);
    if (c == '\n') return true;
    line->push_back(c);
  }
  return false;
}

void toFloat(const uint8_t rgbe[4], float* out) {
  if (rgbe[3] == 0) {
    out[0] = out[1] = out[2] = 0.0f;
    return;
  }
  const float f = ldexpf(1.0f, static_cast<int>(rgbe[3]) - (128 + 8));
  for (int i = 0; i < 3; ++i) out[i] = (static_cast<float>(rgbe[i]) + 0.5f) * f;
}

// One row of width pixels into scanline (4 bytes a pixel).
bool readRow(const uint8_t* data, size_t size, size_t* pos, int width, uint8_t* scanline) {
  const size_t w = static_cast<size_t>(width);
  const bool runLength = width >= 8 && width < 32768 && *pos + 4 <= size && data[*pos] == 2 &&
                         data[*pos + 1] == 2 && (data[*pos + 2] & 0x80) == 0;
  if (!runLength) {
    if (size - *pos < w * 4) return false;
    memcpy(scanline, data + *pos, w * 4);
    *pos += w * 4;
    return true;
  }
  if ((static_cast<size_t>(data[*pos + 2]) << 8 | data[*pos + 3]) != w) return false;
  *pos += 4;
  // Each component's bytes of the row in turn, as runs and literals.
  for (int c = 0; c < 4; ++c) {
    size_t x = 0;
    while (x < w) {
      if (*pos >= size) return false;
      size_t count = data[(*pos)++];
      const bool run = count > 128;
      if (run) count -= 128;
      if (count == 0 || count > w - x || *pos + (run ? 1 : count) > size) return false;
      for (size_t i = 0; i < count; ++i) scanline[(x + i) * 4 + static_cast<size_t>(c)] = data[*pos + (run ? 0 : i)];
      *pos += run ? 1 : count;
      x += count;
    }
  }
  return true;
}

}  // namespace

bool kvRgbeReader::decode(const uint8_t* data, size_t size, int maxSide, std::vector<float>* rgb, int* width,
                          int* height) {
  if (!data || !rgb || !width || !height || size < 2 || data[0] != '#' || data[1] != '?') return false;
  size_t pos = 0;
  std::string line;
  bool rgbeFormat = false;
  // Header lines up to the blank one; then the size line.
  while (true) {
    if (!headerLine(data, size, &pos, &line)) return false;
    if (line.empty()) break;
    if (line == "FORMAT=32-bit_rle_rgbe") rgbeFormat = true;
  }
  if (!rgbeFormat || !headerLine(data, size, &pos, &line)) return false;
  int w = 0, h = 0;
  char rest = 0;
  if (sscanf(line.c_str(), "-Y %d +X %d%c", &h, &w, &rest) != 2) return false;
  if (w <= 0 || h <= 0 || w > maxSide || h > maxSide) return false;
  // The rows must fit in the bytes left before anything is allocated: a
  // flat row takes 4 bytes a pixel, a run-length row at least its 4-byte
  // head and two bytes per run of up to 127 pixels in each component.
  const size_t runs = (static_cast<size_t>(w) + 126) / 127;
  const size_t leastRow = w >= 8 && w < 32768 ? 4 + 4 * 2 * runs : static_cast<size_t>(w) * 4;
  if (static_cast<size_t>(h) > (size - pos) / leastRow) return false;
  std::vector<uint8_t> scanline;
  rgb->clear();
  if (!kvTryResize(scanline, static_cast<size_t>(w) * 4) ||
      !kvTryResize(*rgb, static_cast<size_t>(w) * static_cast<size_t>(h) * 3))
    return false;
  for (int y = 0; y < h; ++y) {
    if (!readRow(data, size, &pos, w, scanline.data())) return false;
    float* out = rgb->data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 3;
    for (int x = 0; x < w; ++x) toFloat(&scanline[static_cast<size_t>(x) * 4], out + x * 3);
  }
  *width = w;
  *height = h;
  return true;
}

kvTexture* kvRgbeReader::loadRGBECubeMap(const char* name, const char* path) {
  if (!path || !Korveth::getInstance()->getCurrentRenderWindow()) return nullptr;
  std::vector<uint8_t> bytes;
  if (!kvReadFile(path, 256u << 20, &bytes)) return nullptr;
  // A face may be as large as the device's textures, the cross 4 faces high.
  const int maxFace = kvHardwareCaps::getInstance()->getLimit(kvHardwareCaps::kMaxTextureSize);
  std::vector<float> rgb;
  int w = 0, h = 0;
  if (!decode(bytes.data(), bytes.size(), maxFace * 4, &rgb, &w, &h)) return nullptr;
  const int face = w / 3;
  if (face < 1 || w != face * 3 || h != face * 4 || face > maxFace) return nullptr;
  // Cells of the cross (column, row) for the faces +x, -x, +y, -y, +z, -z;
  // +z, the back, stands upside down below the bottom.
  static const int kCell[6][2] = {{2, 1}, {0, 1}, {1, 0}, {1, 2}, {1, 3}, {1, 1}};
  std::vector<float> pixels;
  if (!kvTryResize(pixels, static_cast<size_t>(face) * static_cast<size_t>(face) * 3)) return nullptr;
  kvTexture* cube = new kvTexture(name, kvTexture::kCubeMap);
  Korveth::getInstance()->getCurrentRenderWindow()->adopt(cube);
  cube->setFilteringMode(kvTexture::kLinear);
  for (int f6 = 0; f6 < 6; ++f6) {
    const bool flipped = f6 == 4;
    for (int y = 0; y < face; ++y)
      for (int x = 0; x < face; ++x) {
        const int sx = kCell[f6][0] * face + (flipped ? face - 1 - x : x);
        const int sy = kCell[f6][1] * face + (flipped ? face - 1 - y : y);
        memcpy(&pixels[(static_cast<size_t>(y) * static_cast<size_t>(face) + static_cast<size_t>(x)) * 3],
               &rgb[(static_cast<size_t>(sy) * static_cast<size_t>(w) + static_cast<size_t>(sx)) * 3],
               3 * sizeof(float));
      }
    if (!cube->uploadCubeFaceFloat(f6, face, face, pixels.data())) {
      Korveth::getInstance()->getCurrentRenderWindow()->destroyObject(cube);
      return nullptr;
    }
  }
  return cube;
}

}  // namespace Korveth_nsp
