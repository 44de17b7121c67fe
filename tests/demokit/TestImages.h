// Tiny BMP and TGA files written in memory for the decoder and texture tests.
// Pixels are given top row first as R, G, B, A.
#pragma once
#include <cstdint>
#include <vector>

struct Rgba {
  uint8_t r, g, b, a;
};

inline void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Uncompressed BMP with a 40-byte header; 24 bits, or 8 bits with a palette
// that holds every distinct colour of the picture.
inline std::vector<uint8_t> MakeBmp(int w, int h, const std::vector<Rgba>& px, int bpp,
                                    int32_t headerWidth = 0, int32_t headerHeight = 0) {
  std::vector<Rgba> palette;
  std::vector<uint8_t> index;
  if (bpp == 8)
    for (const Rgba& p : px) {
      size_t k = 0;
      while (k < palette.size() && !(palette[k].r == p.r && palette[k].g == p.g && palette[k].b == p.b)) ++k;
      if (k == palette.size()) palette.push_back(p);
      index.push_back(static_cast<uint8_t>(k));
    }
  uint32_t row = ((w * bpp / 8) + 3) & ~3u;
  uint32_t paletteBytes = static_cast<uint32_t>(palette.size()) * 4;
  uint32_t offset = 14 + 40 + paletteBytes;
  std::vector<uint8_t> f = {'B', 'M'};
  PutLe(f, offset + row * h, 4);
  PutLe(f, 0, 4);
  PutLe(f, offset, 4);
  PutLe(f, 40, 4);
  PutLe(f, static_cast<uint32_t>(headerWidth ? headerWidth : w), 4);
  PutLe(f, static_cast<uint32_t>(headerHeight ? headerHeight : h), 4);  // positive: bottom-up
  PutLe(f, 1, 2);
  PutLe(f, static_cast<uint32_t>(bpp), 2);
  PutLe(f, 0, 4);
  PutLe(f, row * h, 4);
  PutLe(f, 2835, 4);
  PutLe(f, 2835, 4);
  PutLe(f, static_cast<uint32_t>(palette.size()), 4);
  PutLe(f, 0, 4);
  for (const Rgba& p : palette) f.insert(f.end(), {p.b, p.g, p.r, 0});
  for (int y = h - 1; y >= 0; --y) {
    size_t start = f.size();
    for (int x = 0; x < w; ++x) {
      size_t i = static_cast<size_t>(y) * w + x;
      if (bpp == 8)
        f.push_back(index[i]);
      else
        f.insert(f.end(), {px[i].b, px[i].g, px[i].r});
    }
    while (f.size() - start < row) f.push_back(0);
  }
  return f;
}

// Uncompressed true-colour (32 bits with alpha) or grey (8 bits) TGA, top row
// first.
inline std::vector<uint8_t> MakeTga(int w, int h, const std::vector<Rgba>& px, bool grey) {
  std::vector<uint8_t> f = {0, 0, static_cast<uint8_t>(grey ? 3 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  PutLe(f, static_cast<uint32_t>(w), 2);
  PutLe(f, static_cast<uint32_t>(h), 2);
  f.push_back(grey ? 8 : 32);
  f.push_back(grey ? 0x20 : 0x28);  // top-left origin, 8 alpha bits for colour
  for (const Rgba& p : px) {
    if (grey)
      f.push_back(p.r);
    else
      f.insert(f.end(), {p.b, p.g, p.r, p.a});
  }
  return f;
}
