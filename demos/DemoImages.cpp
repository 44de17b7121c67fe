#include "demos/DemoImages.h"

namespace {
#include "demos/DemoImagesData.inc"
}  // namespace

EmbeddedImage DemoLogoImage() { return {kDemoLogoJpeg, sizeof(kDemoLogoJpeg)}; }
EmbeddedImage FurBackgroundImage() { return {kFurBackgroundJpeg, sizeof(kFurBackgroundJpeg)}; }
