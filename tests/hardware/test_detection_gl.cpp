#include <GL/glew.h>
#include <GL/wglew.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "FakeDisplays.h"
#include "detect/GlReaders.h"
#include "detect/OpenGLCaps.h"
#include "detect/Scanrik.h"

namespace {

// ---- Decisions without OpenGL ----

std::vector<int> versions(const std::vector<std::vector<int>>& ladder, bool* debugFlags) {
  std::vector<int> v;
  for (const auto& a : ladder) {
    v.push_back(a[1] * 10 + a[3]);
    if (debugFlags) debugFlags[v.size() - 1] = a.size() > 5 && a[4] == WGL_CONTEXT_FLAGS_ARB;
  }
  return v;
}

TEST(ContextLadderTest, TriesInOrder) {
  bool debug[32] = {};
  auto l46 = BuildContextAttribLadder(4, 6, 1);
  EXPECT_EQ((std::vector<int>{46, 45, 44, 43, 42, 41, 40, 33, 32, 31, 30, 46, 45, 44, 43, 42, 41, 40}),
            versions(l46, debug));
  EXPECT_TRUE(debug[0]);
  EXPECT_TRUE(debug[10]);
  EXPECT_EQ(5u, l46[11].size());  // the plain lists: version only
  for (const auto& a : l46) EXPECT_EQ(0, a.back());
  // Compatibility profile in every versioned list with flags or without.
  EXPECT_EQ(WGL_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB, l46[0][7]);

  auto noFlag = BuildContextAttribLadder(4, 6, 0);
  EXPECT_EQ(versions(l46, nullptr), versions(noFlag, nullptr));
  EXPECT_EQ(WGL_CONTEXT_PROFILE_MASK_ARB, noFlag[0][4]);

  EXPECT_EQ((std::vector<int>{33, 32, 31, 30, 30, 33, 32, 31, 30}),
            versions(BuildContextAttribLadder(3, 3, 1), nullptr));
  EXPECT_TRUE(BuildContextAttribLadder(2, 1, 1).empty());
}

PixelFormatFacts pf(int format, int sampleBuffers, int samples, int depth = 24) {
  return {format, 1, WGL_FULL_ACCELERATION_ARB, 1, 1, WGL_TYPE_RGBA_ARB, depth, 8, sampleBuffers, samples, 32};
}

TEST(MsaaModesTest, StrictlyIncreasingInFormatOrder) {
  std::vector<PixelFormatFacts> formats = {pf(1, 0, 0), pf(2, 1, 2), pf(3, 1, 4), pf(4, 1, 8),
                                           pf(5, 1, 4), pf(6, 1, 16), pf(7, 1, 32, 16), pf(8, 0, 0)};
  formats[4].acceleration = WGL_GENERIC_ACCELERATION_ARB;
  MsaaSelection s = SelectMsaaModes(formats, 32, 24, 8);
  ASSERT_EQ(4u, s.modes.size());
  EXPECT_EQ(std::make_pair(2, 2), s.modes[0]);
  EXPECT_EQ(std::make_pair(6, 16), s.modes[3]);
  EXPECT_EQ(16, s.maxSamples);
  EXPECT_EQ(6, s.lastMsaaFormat);
  EXPECT_EQ(8, s.lastPlainFormat);
  MsaaSelection none = SelectMsaaModes({pf(1, 0, 0)}, 32, 24, 8);
  EXPECT_TRUE(none.modes.empty());
  EXPECT_EQ(0, none.maxSamples);
}

TEST(ExtensionNamesTest, EveryNameKeptTheLastToo) {
  EXPECT_EQ((std::vector<std::string>{"GL_A", "GL_B", "GL_C"}), SplitExtensionNames("GL_A GL_B GL_C"));
  EXPECT_EQ((std::vector<std::string>{"GL_A", "GL_B", "GL_C"}), SplitExtensionNames("GL_A GL_B GL_C "));
  EXPECT_EQ((std::vector<std::string>{"GL_A", "GL_B"}), SplitExtensionNames("  GL_A   GL_B"));
  EXPECT_TRUE(SplitExtensionNames("").empty());
  EXPECT_TRUE(SplitExtensionNames(nullptr).empty());
}

TEST(VersionFlagsTest, ByContextVersion) {
  struct Case {
    int major, minor;
    std::set<int> flags;
  } cases[] = {
      {4, 6, {23, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52}},
      {4, 0, {23, 42, 43, 44, 45, 46}},
      {3, 2, {23, 42, 43, 44}},
      {3, 0, {23, 42}},
      {2, 1, {23}},
      {1, 5, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
    HardwareCaps caps;
    SetVersionFeatureFlags(caps, c.major, c.minor);
    for (int i = 0; i < kFeatureFlagCount; ++i) EXPECT_EQ(c.flags.count(i) == 1, caps.getFeatureFlag(i)) << i;
  }
}

TEST(VendorKindTest, FromGlVendorText) {
  EXPECT_EQ(kVendorNvidia, VendorKindFromGlVendor("NVIDIA Corporation"));
  EXPECT_EQ(kVendorAmd, VendorKindFromGlVendor("ATI Technologies Inc."));
  EXPECT_EQ(kVendorAmd, VendorKindFromGlVendor("AMD"));
  EXPECT_EQ(kVendorS3, VendorKindFromGlVendor("S3 Graphics"));
  EXPECT_EQ(kVendorIntel, VendorKindFromGlVendor("Intel"));
  EXPECT_EQ(kVendorOther, VendorKindFromGlVendor("Mesa"));
}

TEST(SummaryTextTest, DriverSummaryForms) {
  struct Case {
    DriverSummaryFacts f;
    const char* expected;
  } cases[] = {
      {{kVendorNvidia, "536.23", "6-14-2023", "nvoglv64", "", "31.0.15.3623"}, "Forceware 536.23 (6-14-2023) - GL:nvoglv64"},
      {{kVendorNvidia, "536.23", "", "", "", "31.0.15.3623"}, "Forceware 536.23 ()"},
      {{kVendorNvidia, "", "6-14-2023", "", "", "31.0.15.3623"}, "31.0.15.3623 (6-14-2023)"},
      {{kVendorAmd, "", "7-1-2023", "", "23.7.1", "31.0.21023.2010"}, "31.0.21023.2010 - Catalyst 23.7.1 (7-1-2023)"},
      {{kVendorAmd, "", "", "", "23.7.1", "31.0.21023.2010"}, "Catalyst 23.7.1"},
      {{kVendorIntel, "", "", "", "", "31.0.101.4502"}, "31.0.101.4502"},
      {{kVendorOther, "", "", "", "", ""}, ""},
  };
  for (const Case& c : cases) {
    char out[1024];
    FormatDriverSummary(c.f, out, sizeof(out));
    EXPECT_STREQ(c.expected, out);
  }
  char bios[64];
  BiosVersionFromString("Version 86.6.0.0", bios, sizeof(bios));
  EXPECT_STREQ(" 86.6.0.0", bios);
  BiosVersionFromString("113-D41", bios, sizeof(bios));
  EXPECT_STREQ("113-D41", bios);
  BiosVersionFromString("", bios, sizeof(bios));
  EXPECT_STREQ("n.a.", bios);
}

// ---- The real detection context under Wine (Mesa llvmpipe) ----

class DetectionGlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    DeleteFileA("_z.log");
    Scanrik* s = Scanrik::instance();
    ASSERT_NE(nullptr, s);
    ASSERT_TRUE(s->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1));
  }
  static void TearDownTestSuite() {
    Scanrik* s = Scanrik::instance();
    if (s) s->shutdown();
    Scanrik::destroyInstance();
  }
  static RenderWindow* rw() { return DetectionState().currentRenderWindow; }
  static HardwareCaps& caps() { return *rw()->caps(); }
};

TEST_F(DetectionGlTest, ContextIsTheBestOfferedVersion) {
  ASSERT_NE(nullptr, wglGetCurrentContext());
  EXPECT_TRUE(rw()->createdWithAttribs());
  GLint major = 0, minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  EXPECT_EQ(major, caps().glMajor);
  EXPECT_EQ(minor, caps().glMinor);
  EXPECT_EQ(4, caps().glMajor);
  EXPECT_EQ(5, caps().glMinor);
  EXPECT_STREQ("4.50", Scanrik::instance()->getGLSLVersionString());
  EXPECT_EQ(4, Scanrik::instance()->getOpenGLMajorVersion());
  EXPECT_TRUE(Scanrik::instance()->isOpenGLFeatureSupported(51));   // 4.5
  EXPECT_FALSE(Scanrik::instance()->isOpenGLFeatureSupported(52));  // 4.6
}

TEST_F(DetectionGlTest, ExtensionListsMatchTheDriver) {
  GLint n = 0;
  glGetIntegerv(GL_NUM_EXTENSIONS, &n);
  EXPECT_EQ(n, caps().glExtensionCount);
  std::set<std::string> wgl;
  for (const std::string& e : SplitExtensionNames(wglGetExtensionsStringARB(wglGetCurrentDC()))) wgl.insert(e);
  if (wglGetExtensionsStringEXT)
    for (const std::string& e : SplitExtensionNames(wglGetExtensionsStringEXT())) wgl.insert(e);
  EXPECT_EQ(static_cast<int>(wgl.size()), caps().wglExtensionCount);
  EXPECT_EQ(n + caps().wglExtensionCount, Scanrik::instance()->getNumOpenGLExtensions());
  EXPECT_TRUE(Scanrik::instance()->isOpenGLExtensionSupported(wgl.rbegin()->c_str()));
  GLint spirv = 0;
  glGetIntegerv(GL_NUM_SPIR_V_EXTENSIONS, &spirv);
  while (glGetError() != GL_NO_ERROR) {
  }
  EXPECT_EQ(spirv, Scanrik::instance()->getNumOpenGLSpirvExtensions());
  EXPECT_EQ(nullptr, Scanrik::instance()->getOpenGLSpirvExtension(-1));
}

TEST_F(DetectionGlTest, CapsTableOrderSectionsAndValues) {
  Scanrik* s = Scanrik::instance();
  char name[128], section[128];
  int kind = -1, value = 0;
  ASSERT_TRUE(s->getGLCap(0, &kind, &value, nullptr, nullptr, nullptr, name, section));
  EXPECT_STREQ("GL_MAX_LIST_NESTING", name);
  EXPECT_STREQ("GL_VERSION_1_1", section);
  ASSERT_TRUE(s->getGLCap(1, &kind, &value, nullptr, nullptr, nullptr, name, section));
  EXPECT_STREQ("GL_MAX_EVAL_ORDER", name);

  int sep = -1;
  EXPECT_EQ(1, s->getGLCapsCountBySection(nullptr, &sep));
  ASSERT_TRUE(s->getGLCap(sep, &kind, nullptr, nullptr, nullptr, nullptr, name, section));
  EXPECT_STREQ(kGlCapSeparator, name);
  EXPECT_EQ(kCapNone, kind);
  // Every core entry comes before the separator; 4.5 lists the indexed ones.
  int first = -1;
  EXPECT_EQ(2, s->getGLCapsCountBySection("GL_VERSION_4_5", &first));
  EXPECT_LT(first, sep);
  EXPECT_EQ(18, s->getGLCapsCountBySection("GL_VERSION_4_3", nullptr));
  for (int i = sep + 1; i < s->getGLCapsCount(); ++i) {
    ASSERT_TRUE(s->getGLCap(i, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, section));
    EXPECT_TRUE(s->isOpenGLExtensionSupported(section)) << section;
  }
  EXPECT_FALSE(s->getGLCap(s->getGLCapsCount(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  EXPECT_FALSE(s->getGLCap(-1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));

  int idx = -1;
  ASSERT_TRUE(s->findGLCap("GL_MAX_TEXTURE_SIZE", &idx));
  ASSERT_TRUE(s->getGLCap(idx, &kind, &value, nullptr, nullptr, nullptr, nullptr, section));
  EXPECT_STREQ("GL_VERSION_1_1", section);
  GLint direct[4] = {0};
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, direct);
  EXPECT_EQ(direct[0], value);
  EXPECT_EQ(direct[0], s->getMaxTextureSize());

  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, direct);
  ASSERT_TRUE(s->findGLCap("GL_MAX_VIEWPORT_DIMS", &idx));
  s->getGLCap(idx, nullptr, &value, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(direct[0], value);
  EXPECT_EQ(direct[0], s->getMaxViewportSize());

  ASSERT_TRUE(s->findGLCap("GL_MAX_COMPUTE_WORK_GROUP_SIZE", &idx));
  int indexed[3] = {0, 0, 0};
  ASSERT_TRUE(s->getGLCap(idx, &kind, nullptr, indexed, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(kCapIndexed, kind);
  for (GLuint i = 0; i < 3; ++i) {
    glGetIntegeri_v(GL_MAX_COMPUTE_WORK_GROUP_SIZE, i, direct);
    EXPECT_EQ(direct[0], indexed[i]);
  }
  if (s->findGLCap("GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT", &idx)) {
    float f = 0;
    s->getGLCap(idx, &kind, nullptr, nullptr, nullptr, &f, nullptr, nullptr);
    GLfloat g[4] = {0};
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, g);
    EXPECT_EQ(kCapFloat, kind);
    EXPECT_FLOAT_EQ(g[0], f);
    EXPECT_FLOAT_EQ(g[0], s->getMaxAnisotropy());
  }
  EXPECT_FALSE(s->findGLCap(nullptr, &idx));
  EXPECT_FALSE(s->findGLCap("GL_NOT_A_LIMIT", &idx));
}

TEST_F(DetectionGlTest, SummaryAndRegistryFacts) {
  Scanrik* s = Scanrik::instance();
  EXPECT_STREQ("Unknown version", s->getDriverVersion());
  EXPECT_STRNE("", s->getDriverDate());  // Wine writes the date, not the version
  EXPECT_STRNE("", s->getGLVendor());
  EXPECT_NE(nullptr, strstr(s->getGLRenderer(), "llvmpipe"));
  EXPECT_EQ(caps().maxTextureImageUnits, s->getMaxTextureImageUnitsCached());
  EXPECT_EQ(caps().maxDrawBuffers, s->getMaxDrawBuffers());
  EXPECT_STREQ(caps().glVersionString, s->getGLVersionString());
  EXPECT_STREQ("n.a.", s->getPrimaryGpuCodename());  // Wine's adapter has no ids
  EXPECT_EQ(0, s->getPrimaryGpuTDP());
}

TEST(DetectionGlShutdownTest, NothingLeftBehind) {
  DeleteFileA("_z.log");
  Scanrik* s = Scanrik::instance();
  ASSERT_TRUE(s->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1));
  EXPECT_NE(nullptr, wglGetCurrentContext());
  ASSERT_TRUE(s->shutdown());
  EXPECT_EQ(nullptr, wglGetCurrentContext());
  WNDCLASSEXA wc;
  wc.cbSize = sizeof(wc);
  EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), "Scanrik_DummyW", &wc));
  EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), "Scanrik_DummyRW_MSAA", &wc));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("_z.log"));
  EXPECT_EQ(0, Scanrik::instance()->getNumOpenGLExtensions());
  Scanrik::destroyInstance();
}

BOOL CALLBACK countDummyWindow(HWND w, LPARAM count) {
  char name[64] = "";
  GetClassNameA(w, name, sizeof(name));
  if (strcmp(name, "Scanrik_DummyW") == 0) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// Hidden windows of the detection's dummy class on this thread.
int dummyWindowCount() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), countDummyWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// The colour that a clear of a small framebuffer object reads back.
unsigned clearedPixel() {
  GLuint fbo = 0, colour = 0;
  glGenFramebuffers(1, &fbo);
  glGenRenderbuffers(1, &colour);
  glBindRenderbuffer(GL_RENDERBUFFER, colour);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 4, 4);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
  glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char rgba[4] = {0, 0, 0, 0};
  glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteRenderbuffers(1, &colour);
  glDeleteFramebuffers(1, &fbo);
  return (unsigned(rgba[0]) << 24) | (unsigned(rgba[1]) << 16) | (unsigned(rgba[2]) << 8) | rgba[3];
}

// A start-up without display devices finds no driver and may run again.
// The second one, with the machine's devices, gets a context of its own
// that works, and nothing of the first one's context stays behind.
TEST(DetectionGlRestartTest, SecondStartupAfterNoDriverLeavesNothingOfTheFirst) {
  DeleteFileA("_z.log");
  Scanrik* s = Scanrik::instance();
  ASSERT_NE(nullptr, s);
  HGLRC firstContext = nullptr;
  HDC firstDc = nullptr;
  HWND firstWindow = nullptr;
  {
    FakeDisplays none({});
    ASSERT_TRUE(s->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1));
    EXPECT_FALSE(s->isGraphicsDriverDetected());
    firstContext = DetectionState().currentRenderWindow->context()->context;
    firstDc = DetectionState().currentRenderWindow->context()->dc;
    firstWindow = DetectionState().dummyWindow;
  }
  ASSERT_NE(nullptr, firstContext) << "the first start-up made no context";
  EXPECT_EQ(firstContext, wglGetCurrentContext());

  ASSERT_TRUE(s->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1));
  EXPECT_TRUE(s->isGraphicsDriverDetected());
  RenderWindowCtx* ctx = DetectionState().currentRenderWindow->context();
  HGLRC current = wglGetCurrentContext();
  ASSERT_NE(nullptr, current);
  EXPECT_EQ(ctx->context, current);
  EXPECT_EQ(ctx->dc, wglGetCurrentDC());
  EXPECT_EQ(4, DetectionState().currentRenderWindow->caps()->glMajor);
  EXPECT_EQ(0xFF00FFFFu, clearedPixel());
  EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());

  EXPECT_EQ(1, dummyWindowCount());
  if (firstContext != current) {
    EXPECT_FALSE(wglDeleteContext(firstContext)) << "the first context was never deleted";
  }
  if (firstDc != ctx->dc) {
    EXPECT_FALSE(ReleaseDC(firstWindow, firstDc)) << "the first device context is still held";
  }
  ASSERT_TRUE(s->shutdown());
  EXPECT_EQ(0, dummyWindowCount());
  Scanrik::destroyInstance();
}

}  // namespace
