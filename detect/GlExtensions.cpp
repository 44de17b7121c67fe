// Extension lists, version flags and renderer texts of the detection
// context; they run once, with the context current.
#include <GL/glew.h>
#include <GL/wglew.h>

#include <cstdlib>
#include <cstring>

#include "detect/GlReaders.h"
#include "detect/RenderWindow.h"

namespace {

const int kNameSize = 128;

bool appendName(PtrList& list, const char* name) {
  char* copy = static_cast<char*>(calloc(kNameSize, 1));
  if (!copy) return false;
  copyText(copy, kNameSize, name);
  if (list.append(copy) < 0) {
    free(copy);
    return false;
  }
  return true;
}

void appendNewNames(HardwareCaps& caps, const char* text) {
  for (const std::string& name : SplitExtensionNames(text))
    if (!caps.isExtensionSupported(name.c_str())) appendName(caps.extensions, name.c_str());
}

}  // namespace

// Every blank-separated name, the last one too although no blank follows
// it: a list that ends without a blank must not lose its last extension.
std::vector<std::string> SplitExtensionNames(const char* text) {
  std::vector<std::string> names;
  if (!text) return names;
  const char* p = text;
  while (*p) {
    while (*p == ' ') ++p;
    const char* start = p;
    while (*p && *p != ' ') ++p;
    if (p > start) names.emplace_back(start, static_cast<size_t>(p - start));
  }
  return names;
}

bool RenderWindow::buildOpenGLExtensionsList() {
  HardwareCaps* caps = this->caps();
  if (!caps) return false;
  PtrList& list = caps->extensions;
  if (glGetStringi) {
    GLint n = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &n);
    int wgl = 0;
    for (GLint i = 0; i < n; ++i) {
      const char* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
      if (!name) continue;
      if (strncmp(name, "WGL", 3) == 0) ++wgl;
      appendName(list, name);
    }
    caps->glExtensionCount = n - wgl;
  }
  // No indexed list, or an empty one (a driver that counts none still lists
  // its extensions in the one string): the one-string form.
  if (list.count() == 0) {
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!all) return false;
    for (const std::string& name : SplitExtensionNames(all)) appendName(list, name.c_str());
    caps->glExtensionCount = list.count();
  }
  if (wglGetExtensionsStringEXT) appendNewNames(*caps, wglGetExtensionsStringEXT());
  RenderWindowCtx* ctx = context();
  if (ctx && ctx->dc && wglGetExtensionsStringARB) appendNewNames(*caps, wglGetExtensionsStringARB(ctx->dc));
  caps->wglExtensionCount = list.count() - caps->glExtensionCount;
  return true;
}

bool buildOpenGLSpirvExtensionsList(HardwareCaps& caps) {
  if (!glGetStringi) return false;
  GLint n = 0;
  glGetIntegerv(GL_NUM_SPIR_V_EXTENSIONS, &n);
  while (glGetError() != GL_NO_ERROR) {
  }
  if (n <= 0) return false;
  for (GLint i = 0; i < n; ++i) {
    const char* name = reinterpret_cast<const char*>(glGetStringi(GL_SPIR_V_EXTENSIONS, static_cast<GLuint>(i)));
    if (name) appendName(caps.spirvExtensions, name);
  }
  return true;
}

void SetVersionFeatureFlags(HardwareCaps& caps, int major, int minor) {
  if (major >= 2) caps.setFeatureFlag(23, true);
  // 3.1, 3.2 and 3.3 are contained in every later version.
  bool atLeast3 = major >= 3;
  if (atLeast3) caps.setFeatureFlag(42, true);
  for (int m = 1; m <= 3; ++m)
    if (major > 3 || (major == 3 && minor >= m)) caps.setFeatureFlag(42 + m, true);
  if (major >= 4) {
    caps.setFeatureFlag(46, true);
    for (int m = 1; m <= 6; ++m)
      if (major > 4 || minor >= m) caps.setFeatureFlag(46 + m, true);
  }
}

bool detectOpenGLApiVersion(HardwareCaps& caps) {
  int major = 0, minor = 0;
  if (!GetGlVersion(&major, &minor)) return false;
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  copyText(caps.glVersionString, kCapsTextSize, version);
  SetVersionFeatureFlags(caps, major, minor);
  caps.glVersionNumber = static_cast<float>(atof(caps.glVersionString));
  caps.glMajor = major;
  caps.glMinor = minor;
  return true;
}

int VendorKindFromGlVendor(const char* vendor) {
  if (!vendor) return kVendorOther;
  if (strstr(vendor, "NVIDIA")) return kVendorNvidia;
  if (strstr(vendor, "ATI") || strstr(vendor, "AMD")) return kVendorAmd;
  if (strstr(vendor, "S3")) return kVendorS3;
  if (strstr(vendor, "Intel")) return kVendorIntel;
  return kVendorOther;
}

bool initOpenGLRendererData(HardwareCaps& caps) {
  const char* vendor = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
  if (!vendor) {
    copyText(caps.glVendor, kCapsTextSize, "n.a.");
    return false;
  }
  copyText(caps.glVendor, kCapsTextSize, vendor);
  if (caps.vendorKind == kVendorNone) caps.vendorKind = VendorKindFromGlVendor(caps.glVendor);
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  if (!renderer) {
    copyText(caps.glRenderer, kCapsTextSize, "n.a.");
    return false;
  }
  copyText(caps.glRenderer, kCapsTextSize, renderer);
  return true;
}
