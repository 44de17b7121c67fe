// The engine's readers of the demos' media (Radiance images, 3DS models)
// against good and damaged bytes, the demos' refusals when the device
// cannot hold their fixed sizes, and the counts of their batches and
// particle births.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "demos/DemoCatalogue.h"
#include "demos/DemoStart.h"
#include "demos/HdrDofDemo.h"
#include "demos/InstancingDemo.h"
#include "demos/PointSpriteDemo.h"
#include "detect/Scanrik.h"
#include "lumaq.h"
#include "tests/enginedemo/DemoTestHelpers.h"

using namespace Korveth_nsp;

namespace {

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> rgbeFile(const char* size, std::vector<uint8_t> pixels) {
  std::vector<uint8_t> file = bytesOf(std::string("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n") + size + "\n");
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

// Flat and run-length rows decode to the same radiance; sizes beyond the
// limit, short data, runs past the row and unknown formats are refused.
TEST(EngineMediaReaders, RadianceImages) {
  std::vector<float> rgb;
  int w = 0, h = 0;
  // Two flat pixels: mantissas over 256 times two to the exponent - 128.
  std::vector<uint8_t> flat = rgbeFile("-Y 1 +X 2", {128, 64, 32, 130, 0, 0, 0, 0});
  ASSERT_TRUE(kvRgbeReader::decode(flat.data(), flat.size(), 64, &rgb, &w, &h));
  ASSERT_EQ(2, w);
  ASSERT_EQ(1, h);
  EXPECT_NEAR(2.0f, rgb[0], 0.02f);
  EXPECT_NEAR(1.0f, rgb[1], 0.02f);
  EXPECT_NEAR(0.5f, rgb[2], 0.02f);
  EXPECT_EQ(0.0f, rgb[3]);

  // A row of 8 in the run-length form: red a run, green literals, blue and
  // the exponent runs.
  std::vector<uint8_t> row = {2, 2, 0, 8, 128 + 8, 128, 8, 0, 32, 64, 96, 128, 160, 192, 224, 128 + 8, 0, 128 + 8, 129};
  std::vector<uint8_t> rle = rgbeFile("-Y 1 +X 8", row);
  ASSERT_TRUE(kvRgbeReader::decode(rle.data(), rle.size(), 64, &rgb, &w, &h));
  ASSERT_EQ(8, w);
  for (int x = 0; x < 8; ++x) {
    EXPECT_NEAR(1.0f, rgb[x * 3], 0.01f) << x;
    EXPECT_NEAR(32.0f * x / 128.0f, rgb[x * 3 + 1], 0.01f) << x;
    EXPECT_NEAR(0.0f, rgb[x * 3 + 2], 0.01f) << x;
  }

  struct Bad {
    const char* what;
    std::vector<uint8_t> bytes;
  } bad[] = {
      {"larger than the limit", rgbeFile("-Y 100000 +X 100000", {0, 0, 0, 0})},
      {"more rows than the bytes hold", rgbeFile("-Y 8000 +X 8000", std::vector<uint8_t>(4000, 0))},
      {"rows missing", rgbeFile("-Y 4 +X 2", {128, 64, 32, 130, 0, 0, 0, 0})},
      {"run past the row", rgbeFile("-Y 1 +X 8", {2, 2, 0, 8, 128 + 9, 1})},
      {"row width differs", rgbeFile("-Y 1 +X 8", {2, 2, 0, 9, 128 + 8, 1})},
      {"no format line", bytesOf("#?RADIANCE\n\n-Y 1 +X 1\n\x80\x80\x80\x81")},
      {"no header", bytesOf("P6 1 1 255\n")},
  };
  for (const Bad& b : bad) EXPECT_FALSE(kvRgbeReader::decode(b.bytes.data(), b.bytes.size(), 8192, &rgb, &w, &h)) << b.what;
}

void put16(std::vector<uint8_t>* out, unsigned v) {
  out->push_back(static_cast<uint8_t>(v & 255));
  out->push_back(static_cast<uint8_t>(v >> 8));
}

std::vector<uint8_t> chunk(unsigned id, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> out;
  put16(&out, id);
  const unsigned length = static_cast<unsigned>(body.size() + 6);
  put16(&out, length & 0xFFFF);
  put16(&out, length >> 16);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// A 3DS file of one object "knot": a triangle, its faces naming "knot_mat";
// vertexCount and the face's vertex may lie about what follows.
std::vector<uint8_t> model3ds(unsigned vertexCount, unsigned faceVertex) {
  std::vector<uint8_t> vertices;
  put16(&vertices, vertexCount);
  const float corners[9] = {0, 0, 0, 10, 0, 0, 0, 10, 0};
  const uint8_t* raw = reinterpret_cast<const uint8_t*>(corners);
  vertices.insert(vertices.end(), raw, raw + sizeof(corners));
  std::vector<uint8_t> material = bytesOf(std::string("knot_mat", 9));
  put16(&material, 1);
  put16(&material, 0);
  std::vector<uint8_t> faces;
  put16(&faces, 1);
  for (unsigned v : {0u, 1u, faceVertex, 0u}) put16(&faces, v);
  std::vector<uint8_t> facesChunk = faces, materialChunk = chunk(0x4130, material);
  facesChunk.insert(facesChunk.end(), materialChunk.begin(), materialChunk.end());
  std::vector<uint8_t> trimesh = chunk(0x4110, vertices), f = chunk(0x4120, facesChunk);
  trimesh.insert(trimesh.end(), f.begin(), f.end());
  std::vector<uint8_t> object = bytesOf(std::string("knot", 5)), t = chunk(0x4100, trimesh);
  object.insert(object.end(), t.begin(), t.end());
  return chunk(0x4D4D, chunk(0x3D3D, chunk(0x4000, object)));
}

std::string writeTemp(const char* name, const std::vector<uint8_t>& bytes) {
  char dir[MAX_PATH];
  GetTempPathA(sizeof(dir), dir);
  std::string path = std::string(dir) + name;
  FILE* f = fopen(path.c_str(), "wb");
  if (f) {
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
  return path;
}

// A model loads its object as a mesh with the material its faces name;
// counts beyond the bytes and faces past the vertices give no model and
// leave no object behind.
TEST(EngineMediaReaders, ModelFiles) {
  ResetAppState();
  HWND host = CreateWindowA("STATIC", "lumaq", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
  Korveth* engine = Korveth::getInstance();
  ASSERT_TRUE(engine->startup(g_app.glMajor, g_app.glMinor, nullptr));
  const int before = kvObject::getLiveCount();
  kvRenderWindow* w = engine->createRenderWindow(host, 64, 64, 32, 24, 8, 0, 2, 0, 1);
  ASSERT_NE(nullptr, w);
  const int empty = kvObject::getLiveCount();
  std::string good = writeTemp("qv_good.3ds", model3ds(3, 2));
  kvModel* model = engine->createAndLoadModel("m", good.c_str(), 7);
  ASSERT_NE(nullptr, model);
  kvMesh* knot = model->getChild("knot");
  ASSERT_NE(nullptr, knot);
  EXPECT_EQ(3u, knot->getMeshData()->vertices().size());
  EXPECT_EQ(3u, knot->getMeshData()->indices().size());
  EXPECT_NEAR(1.0f, knot->getMeshData()->vertices()[0].normal[2], 1e-4f);  // from the face
  ASSERT_NE(nullptr, knot->getMaterial());
  EXPECT_STREQ("knot_mat", knot->getMaterial()->getName());
  const int loaded = kvObject::getLiveCount();
  std::vector<uint8_t> cut = model3ds(3, 2);
  cut.resize(cut.size() - 20);
  struct Bad {
    const char* what;
    std::vector<uint8_t> bytes;
  } bad[] = {{"more vertices than bytes", model3ds(60000, 2)}, {"a face past the vertices", model3ds(3, 7)},
             {"cut short", cut}};
  for (const Bad& b : bad) {
    std::string path = writeTemp("qv_bad.3ds", b.bytes);
    EXPECT_EQ(nullptr, engine->createAndLoadModel("bad", path.c_str(), 7)) << b.what;
    EXPECT_EQ(loaded, kvObject::getLiveCount()) << b.what;
    DeleteFileA(path.c_str());
  }
  EXPECT_EQ(nullptr, engine->createAndLoadModel("none", "no_such_model.3DS", 7));
  EXPECT_GT(loaded, empty);
  engine->destroyRenderWindow(w);
  EXPECT_EQ(before, kvObject::getLiveCount());
  DeleteFileA(good.c_str());
  DestroyWindow(host);
}

// Memory that a file or a setting sizes and that cannot be had is refused
// with false, never an exception: for real past what any process gets, and
// made to fail under a ceiling for textures, images, models and file reads.
TEST(EngineMediaReaders, MemoryThatCannotBeHadIsRefused) {
  std::vector<uint64_t> huge(3, 1);
  EXPECT_FALSE(kvTryResize(huge, huge.max_size())) << "as long as a vector may be: more than any process gets";
  EXPECT_TRUE(huge.empty());
  std::string text;
  EXPECT_FALSE(kvTryResize(text, text.max_size() + 1)) << "longer than a string may be";
  EXPECT_TRUE(kvTryResize(text, 5, 'x'));
  EXPECT_EQ("xxxxx", text);

  ResetAppState();
  HWND host = CreateWindowA("STATIC", "lumaq", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
  Korveth* engine = Korveth::getInstance();
  ASSERT_TRUE(engine->startup(g_app.glMajor, g_app.glMinor, nullptr));
  kvRenderWindow* w = engine->createRenderWindow(host, 64, 64, 32, 24, 8, 0, 2, 0, 1);
  ASSERT_NE(nullptr, w);
  const int empty = kvObject::getLiveCount();
  std::vector<uint8_t> image = rgbeFile("-Y 1 +X 2", {128, 64, 32, 130, 0, 0, 0, 0});
  std::string model = writeTemp("qv_ceiling.3ds", model3ds(3, 2));
  std::vector<float> rgb;
  std::vector<uint8_t> bytes;
  int width = 0, height = 0;
  kvSetAllocationCeiling(16);
  EXPECT_FALSE(kvRgbeReader::decode(image.data(), image.size(), 64, &rgb, &width, &height));
  EXPECT_EQ(nullptr, kvTextureMgr::getInstance()->createTexture2D("big", 64, 64));
  EXPECT_FALSE(kvReadFile(model.c_str(), 1u << 20, &bytes));
  EXPECT_EQ(nullptr, engine->createAndLoadModel("m", model.c_str(), 7));
  EXPECT_EQ(empty, kvObject::getLiveCount()) << "nothing left behind";
  kvClearAllocationCeiling();
  EXPECT_TRUE(kvRgbeReader::decode(image.data(), image.size(), 64, &rgb, &width, &height));
  EXPECT_NE(nullptr, kvTextureMgr::getInstance()->createTexture2D("big", 64, 64));
  EXPECT_NE(nullptr, engine->createAndLoadModel("m", model.c_str(), 7));
  engine->destroyRenderWindow(w);
  DeleteFileA(model.c_str());
  DestroyWindow(host);
}

// The belt's draw calls per frame and the particle births of short frames.
TEST(EngineDemoCounts, BatchesAndBirths) {
  EXPECT_EQ(25, InstancingBatchCount(400));
  EXPECT_EQ(157, InstancingBatchCount(64));  // the last batch holds 16
  ParticleEmitter e;
  int births[6];
  for (int& b : births) b = ParticleEmission(&e, 10000.0f, 0.00025f);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(i % 2 ? 3 : 2, births[i]) << i;
}

// A demo whose fixed sizes the device cannot hold refuses at set-up with
// its message: no frame, no benchmark row, every engine object given back.
struct LimitRow {
  const char* demo;
  int catalogueRow;
  int slot;
  DemoThreadRoutine routine;
  kvHardwareCaps::Limit limit;
  int value;
  const char* message;  // its beginning
};

class EngineDemoLimits : public ::testing::TestWithParam<LimitRow> {
 protected:
  static void SetUpTestSuite() {
    ResetAppState();
    Scanrik* s = Scanrik::instance();
    ASSERT_TRUE(s && s->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1));
  }
};

void PrintTo(const LimitRow& row, std::ostream* os) { *os << row.demo; }

TEST_P(EngineDemoLimits, RefusesWithAMessage) {
  const LimitRow& row = GetParam();
  HMODULE program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, program);
  g_app.instance = reinterpret_cast<HINSTANCE>(program);
  g_currentCatalogue = kGlDemoCatalogue;
  g_app.demoWinWidth = g_app.demoWinHeight = 200;
  const int objects = kvObject::getLiveCount();
  kvHardwareCaps::getInstance()->overrideLimit(row.limit, row.value);
  DemoSlot* slot = &g_app.demoSlots[row.slot];
  {
    ErrorBoxes boxes;
    ASSERT_TRUE(StartGlDemo(nullptr, slot, row.catalogueRow, row.routine, &g_app.demoWindows[row.slot], false));
    HWND window = slot->window;
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 30000));
    ASSERT_EQ(1u, boxes.seen.size());
    EXPECT_EQ(0u, boxes.seen[0].find(row.message)) << boxes.seen[0];
  }
  kvHardwareCaps::getInstance()->overrideLimit(row.limit, -1);
  EndAllDemos();
  EXPECT_EQ(0, slot->doneFlag.load());
  EXPECT_EQ(0u, slot->fps.frameCount);
  EXPECT_EQ(objects, kvObject::getLiveCount());
  FreeLibrary(program);
}

INSTANTIATE_TEST_SUITE_P(
    FixedSizes, EngineDemoLimits,
    ::testing::Values(
        LimitRow{"instancing", 5, kSlotInstancing, InstancingDemoThread, kvHardwareCaps::kMaxVertexUniformComponents,
                 3000,
                 "The asteroid batches of 400 instances need 3240 vertex uniform components; this device offers "
                 "3000."},
        LimitRow{"hdr_buffers", 4, kSlotHdrDof, HdrDofThread, kvHardwareCaps::kMaxDrawBuffers, 1,
                 "HDR DoF demo requires at least 2 render targets."},
        LimitRow{"hdr_float", 4, kSlotHdrDof, HdrDofThread, kvHardwareCaps::kFloatTextures, 0,
                 "HDR DoF demo requires floating-point textures that can be drawn into."},
        LimitRow{"hdr_size", 4, kSlotHdrDof, HdrDofThread, kvHardwareCaps::kMaxRenderbufferSize, 512,
                 "HDR DoF demo draws into 1024 x 1024 targets; this device holds textures up to "},
        LimitRow{"sprites", 7, kSlotPointSprite, PointSpriteThread, kvHardwareCaps::kMaxPointSize, 4,
                 "The particles are drawn as 10-pixel point sprites; this device draws points up to 4 pixels."}),
    [](const ::testing::TestParamInfo<LimitRow>& info) { return std::string(info.param.demo); });

}  // namespace
