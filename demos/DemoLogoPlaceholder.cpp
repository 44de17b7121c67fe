// A stand-in corner image until the program carries its logo picture: a
// soft ring, encoded once as an uncompressed bitmap that the image decoder
// reads like any other picture.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "demos/DemoLogo.h"

namespace {

const int kSide = 128;

void put16(std::vector<unsigned char>& b, size_t at, uint16_t v) {
  b[at] = static_cast<unsigned char>(v & 0xFF);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void put32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

std::vector<unsigned char> buildRing() {
  const size_t header = 54, pixels = static_cast<size_t>(kSide) * kSide * 3;
  std::vector<unsigned char> b(header + pixels, 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, static_cast<uint32_t>(b.size()));
  put32(b, 10, header);
  put32(b, 14, 40);
  put32(b, 18, kSide);
  put32(b, 22, kSide);
  put16(b, 26, 1);
  put16(b, 28, 24);
  put32(b, 34, static_cast<uint32_t>(pixels));
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      float dx = x - kSide * 0.5f + 0.5f, dy = y - kSide * 0.5f + 0.5f;
      float d = std::sqrt(dx * dx + dy * dy) / (kSide * 0.5f);
      float ring = 1.0f - std::fabs(d - 0.7f) * 6.0f;
      int v = ring > 0.0f ? static_cast<int>(ring * 200.0f) : 0;
      unsigned char* p = &b[header + (static_cast<size_t>(y) * kSide + x) * 3];
      p[0] = static_cast<unsigned char>(v);      // blue
      p[1] = static_cast<unsigned char>(v / 2);  // green
      p[2] = static_cast<unsigned char>(v / 4);  // red
    }
  }
  return b;
}

}  // namespace

const unsigned char* DemoLogoImage(size_t* size) {
  static const std::vector<unsigned char> image = buildRing();
  if (size) *size = image.size();
  return image.data();
}
