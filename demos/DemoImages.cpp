#include "demos/DemoImages.h"

namespace {
#include "demos/DemoImagesData.inc"
#include "demos/EngineDemoImagesData.inc"
}  // namespace

EmbeddedImage DemoLogoImage() { return {kDemoLogoJpeg, sizeof(kDemoLogoJpeg)}; }
EmbeddedImage FurBackgroundImage() { return {kFurBackgroundJpeg, sizeof(kFurBackgroundJpeg)}; }
EmbeddedImage SimpleTorusImage() { return {kSimpleTorusJpeg, sizeof(kSimpleTorusJpeg)}; }
EmbeddedImage VtfImage() { return {kVtfJpeg, sizeof(kVtfJpeg)}; }
