#include <gtest/gtest.h>

#include "demos/DemoImages.h"
#include "demos/ImageDecoder.h"

namespace {

// The images held in the program decode to the sizes the demos draw them at,
// and are not blank: the logo has a dark corner and a bright ring.
TEST(DemoImages, EmbeddedJpegsDecode) {
  struct Case {
    EmbeddedImage image;
    int size;
  } cases[] = {{DemoLogoImage(), 256}, {FurBackgroundImage(), 512}};
  for (const Case& c : cases) {
    DecodedImage* d = DecodeImageFromMemory(c.image.data, c.image.size);
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(c.size, d->width);
    EXPECT_EQ(c.size, d->height);
    EXPECT_EQ(24, d->bitsPerPixel);
    FreeDecodedImage(d);
  }
  EmbeddedImage logo = DemoLogoImage();
  DecodedImage* d = DecodeImageFromMemory(logo.data, logo.size);
  ASSERT_NE(nullptr, d);
  const uint8_t* corner = d->bits;  // bottom-left pixel, B G R
  EXPECT_LT(corner[0] + corner[1] + corner[2], 30);
  // Rows are bottom-up: the ring's left edge at x = 58 crosses row 135
  // from the top.
  const uint8_t* ring = d->bits + (255 - 120) * d->pitch + 58 * 3;
  EXPECT_GT(ring[0], 150);
  FreeDecodedImage(d);
}

}  // namespace
