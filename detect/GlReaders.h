// The OpenGL readers of the detection context: extension lists, version
// and renderer texts, the caps list and the feature flags.
#pragma once
#include <string>
#include <vector>

#include "detect/HardwareCaps.h"

class RenderWindow;

bool buildOpenGLSpirvExtensionsList(HardwareCaps& caps);
bool detectOpenGLApiVersion(HardwareCaps& caps);
bool initOpenGLRendererData(HardwareCaps& caps);
bool readOpenGLCaps(RenderWindow& rw);

// Every space-separated name of an extension string, the last one too.
std::vector<std::string> SplitExtensionNames(const char* text);
// Feature flags 23 and 42 to 52 from the context version.
void SetVersionFeatureFlags(HardwareCaps& caps, int major, int minor);
// Vendor kind from a GL_VENDOR text (for a primary device without PCI ids).
int VendorKindFromGlVendor(const char* vendor);
