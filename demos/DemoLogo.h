// The logo image that every raw OpenGL and OpenCL demo shows in the lower
// right corner of its window.
#pragma once
#include <cstddef>

// The encoded image and its size in bytes; the data lives as long as the
// program.
const unsigned char* DemoLogoImage(size_t* size);
