// Images held in the program for the built-in demos (made by
// tools/images/gen_images.py): JPEG bytes, decoded by whoever draws them.
#pragma once
#include <cstddef>

struct EmbeddedImage {
  const unsigned char* data;
  size_t size;
};

// The logo in the corner of every built-in demo, 256 x 256.
EmbeddedImage DemoLogoImage();
// The fur cube's background, 512 x 512.
EmbeddedImage FurBackgroundImage();
// The simple torus's colour texture, 256 x 256.
EmbeddedImage SimpleTorusImage();
// The vertex texture fetch demo's image (displacement and colour), 256 x 256.
EmbeddedImage VtfImage();
