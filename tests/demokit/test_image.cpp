#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demos/GlTexture.h"
#include "demos/ImageDecoder.h"
#include "lumaq.h"
#include "tests/demokit/TestImages.h"

namespace {

// Engine trace lines written while it lives.
class TraceCapture {
 public:
  TraceCapture() {
    Korveth_nsp::kvTraceMgr::getInstance()->enable();
    Korveth_nsp::kvTraceMgr::getInstance()->setSink(&TraceCapture::sink, this);
  }
  ~TraceCapture() { Korveth_nsp::kvTraceMgr::getInstance()->setSink(nullptr, nullptr); }
  std::vector<std::pair<int, std::string>> lines;

 private:
  static void sink(int level, const char* text, void* user) {
    static_cast<TraceCapture*>(user)->lines.emplace_back(level, text);
  }
};

const std::pair<int, std::string> kUnreadable = {2, "Unable to load image from memory"};

// 3 x 2 picture, top row red, green, blue; bottom row white, black, grey.
std::vector<Rgba> picture() {
  return {{255, 0, 0, 255},     {0, 255, 0, 128}, {0, 0, 255, 0},
          {255, 255, 255, 255}, {0, 0, 0, 64},    {128, 128, 128, 200}};
}

// Pixel (x, y) of a decoded image, y counted from the bottom row.
const uint8_t* pixelAt(const DecodedImage* img, int x, int y) {
  return img->bits + static_cast<size_t>(y) * img->pitch + static_cast<size_t>(x) * (img->bitsPerPixel / 8);
}

TEST(ImageDecodeTest, FormatsGiveBottomUpBgrRows) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    GLenum format;
    int bpp;
    bool grey;
  } cases[] = {
      {"bmp 24", MakeBmp(3, 2, picture(), 24), GL_BGR, 24, false},
      {"bmp 8 palette", MakeBmp(3, 2, picture(), 8), GL_BGR, 24, false},
      {"tga 32", MakeTga(3, 2, picture(), false), GL_BGRA, 32, false},
      {"tga 8 grey", MakeTga(3, 2, picture(), true), GL_BGR, 24, true},
  };
  const std::vector<Rgba> px = picture();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GlTexture t;
    ASSERT_TRUE(t.loadFromMemory(c.file.data(), c.file.size()));
    EXPECT_EQ(c.format, t.pixelFormat());
    EXPECT_EQ(static_cast<GLenum>(GL_RGBA), t.internalFormat());
    ASSERT_NE(nullptr, t.image());
    EXPECT_EQ(3, t.width());
    EXPECT_EQ(2, t.height());
    EXPECT_EQ(c.bpp, t.image()->bitsPerPixel);
    EXPECT_EQ(0u, t.image()->pitch % 4);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        const Rgba& e = px[static_cast<size_t>(1 - y) * 3 + x];  // source rows are top-down
        const uint8_t* p = pixelAt(t.image(), x, y);
        uint8_t r = e.r, g = c.grey ? e.r : e.g, b = c.grey ? e.r : e.b;
        EXPECT_EQ(b, p[0]) << x << "," << y;
        EXPECT_EQ(g, p[1]) << x << "," << y;
        EXPECT_EQ(r, p[2]) << x << "," << y;
        if (c.bpp == 32) {
          EXPECT_EQ(e.a, p[3]) << x << "," << y;
        }
      }
  }
}

TEST(ImageDecodeTest, UnreadableBytesFailWithWarning) {
  std::vector<uint8_t> bmp = MakeBmp(3, 2, picture(), 24);
  std::vector<uint8_t> truncated(bmp.begin(), bmp.begin() + 20);
  const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'};
  struct Case {
    const char* name;
    const void* data;
    size_t size;
  } cases[] = {
      {"null", nullptr, 16},
      {"empty", text.data(), 0},
      {"text", text.data(), text.size()},
      {"truncated header", truncated.data(), truncated.size()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TraceCapture trace;
    GlTexture t;
    EXPECT_FALSE(t.loadFromMemory(c.data, c.size));
    EXPECT_EQ(nullptr, t.image());
    EXPECT_EQ(0, t.width());
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{kUnreadable}), trace.lines);
  }
}

// Headers that claim huge pictures are refused before anything is allocated
// for them; an earlier good image does not survive a failed load.
TEST(ImageDecodeTest, HugeOrNegativeSizesRefused) {
  std::vector<uint8_t> tiny = MakeBmp(3, 2, picture(), 24);
  struct Case {
    int32_t w, h;
  } cases[] = {{9000, 2}, {3, 9000}, {0x7FFFFFFF, 0x7FFFFFFF}, {-3, 2}, {65536, 65536}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    std::vector<uint8_t> f = MakeBmp(3, 2, picture(), 24, c.w, c.h);
    TraceCapture trace;
    GlTexture t;
    ASSERT_TRUE(t.loadFromMemory(tiny.data(), tiny.size()));
    EXPECT_FALSE(t.loadFromMemory(f.data(), f.size()));
    EXPECT_EQ(nullptr, t.image());
    EXPECT_EQ(0, t.width());
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{kUnreadable}), trace.lines);
  }
  EXPECT_EQ(0u, ImagePitch(kMaxImageDimension + 1, 32));
  EXPECT_EQ(12u, ImagePitch(3, 24));
  EXPECT_EQ(0u, ImagePitch(3, 12));
}

TEST(ImageDecodeTest, ReleaseWithoutImageIsHarmless) {
  GlTexture t;
  t.release();
  EXPECT_EQ(0u, t.textureName());
  EXPECT_EQ(nullptr, t.image());
}

}  // namespace
