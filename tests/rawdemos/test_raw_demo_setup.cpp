// The raw demos' set-up rules on their own: device choice, work sizes within
// the device's limits, kernel files, the build log on the stand-in OpenCL
// library and the shader dialect.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "demos/ClDemoSetup.h"
#include "demos/DemoStart.h"
#include "demos/RawDemo.h"
#include "tests/common/FakeOpenCl.h"
#include "tests/rawdemos/RawDemoHarness.h"

namespace {

TEST(RawDemoSetupTest, DeviceEntryFallsBackToTheFirstOutsideTheDevices) {
  struct {
    unsigned count;
    bool given;
    int index, tab;
    unsigned expected;
  } cases[] = {
      {3, true, 2, 1, 2},   // a given index within the devices
      {3, true, 3, 1, 0},   // past them: entry 0, not the tab's choice
      {3, true, -1, 1, 0},  // negative counts as outside
      {3, false, 5, 1, 1},  // without a given index the tab's choice
      {3, false, 0, 3, 0},  // the tab's choice past the devices
      {3, false, 0, -1, 0}, // an empty combo box
      {1, true, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(c.expected, ChooseClDeviceEntry(c.count, c.given, c.index, c.tab));
  }
}

TEST(RawDemoSetupTest, WorkSizesStayWithinTheLimits) {
  struct {
    size_t limit, maxX, maxY, x1, x, y;
  } cases[] = {
      {1024, 1024, 1024, 32, 32, 32},
      {256, 256, 256, 8, 8, 32},
      {1, 1, 1, 1, 1, 1},
      {16, 16, 16, 1, 1, 16},      // limits below 32 never give 0
      {31, 31, 31, 1, 1, 31},
      {4096, 64, 8, 64, 64, 8},    // per-dimension sides of the device
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    EXPECT_EQ(c.x1, ClLocalSize1D(c.limit, c.maxX));
    size_t x = 0, y = 0;
    ClLocalSize2D(c.limit, c.maxX, c.maxY, &x, &y);
    EXPECT_EQ(c.x, x);
    EXPECT_EQ(c.y, y);
    EXPECT_LE(x * y, c.limit);
  }
  EXPECT_EQ(1000000u, RoundUpWorkSize(1000000, 32));
  EXPECT_EQ(1000032u, RoundUpWorkSize(1000001, 32));
  EXPECT_EQ(608u, RoundUpWorkSize(600, 16));
  EXPECT_EQ(7u, RoundUpWorkSize(7, 1));
}

TEST(RawDemoSetupTest, KernelFilesAreReadWholeWithinTheirLimit) {
  const char* path = "rawdemo_setup_kernel.cl";
  std::string text;
  DeleteFileA(path);
  EXPECT_FALSE(ReadKernelFile(path, &text));
  std::string source = "kernel void k(global int* a) { a[0] = 1; }\n";
  source += std::string(1, '\0') + "tail";  // bytes after a zero are kept
  FILE* f = fopen(path, "wb");
  ASSERT_NE(nullptr, f);
  fwrite(source.data(), 1, source.size(), f);
  fclose(f);
  ASSERT_TRUE(ReadKernelFile(path, &text));
  EXPECT_EQ(source, text);
  f = fopen(path, "wb");
  std::string big(static_cast<size_t>(kMaxKernelFileSize) + 1, ' ');
  fwrite(big.data(), 1, big.size(), f);
  fclose(f);
  EXPECT_FALSE(ReadKernelFile(path, &text));
  EXPECT_TRUE(text.empty());
  DeleteFileA(path);
}

// A kernel that does not build, on the stand-in OpenCL library: the box
// shows the build log; a log size that the driver announces beyond any real
// log (SIZE_MAX, where the room for a terminator would wrap the buffer's size
// to 0) leaves the log unread. Either way the set-up fails and releases all
// it made.
TEST(RawDemoSetupTest, BuildLogOfWhateverSizeTheDriverAnnounces) {
  ResetAppState();
  FakeOpenCl fake;
  ASSERT_TRUE(fake.loaded()) << FakeOpenCl::path();
  ASSERT_TRUE(DetectOpenCl());
  const struct {
    size_t announced;  // 0: the log's own size
    const char* box;
  } cases[] = {
      {0, "Quorvel Error\tCL kernel compil error: fake.cl:1:1: error: the source asks for an error"},
      {SIZE_MAX, "Quorvel Error\tCL kernel compil error: "},
  };
  const ClDemoOptions options = {false, false, nullptr, "#error\nkernel void k(global int* a) { a[0] = 1; }\n",
                                 "k", "CL_Test(kernel ERROR)", false};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.announced);
    fake.announceBuildLogSize(c.announced);
    std::vector<std::string> boxes;
    {
      BoxCloser closer;
      ClDemoSession session(kClDeviceTypeCpu);
      EXPECT_FALSE(session.setUp(options, &g_app.demoSlots[kSlotClParticles]));
      boxes = closer.take();
    }
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(c.box, boxes[0]);
    EXPECT_EQ(0, fake.liveObjects()) << "contexts, queues and programs left";
  }
}

TEST(RawDemoSetupTest, ShaderDialectFollowsTheContextVersion) {
  EXPECT_EQ(kGlsl140, ChooseShaderDialect(1, false));   // 3.1, 4.1
  EXPECT_EQ(kGlsl140, ChooseShaderDialect(0, false));   // 4.0
  EXPECT_EQ(kGlsl150Core, ChooseShaderDialect(2, false));
  EXPECT_EQ(kGlsl150Core, ChooseShaderDialect(5, false));
  EXPECT_EQ(kGlsl400Core, ChooseShaderDialect(1, true));
  EXPECT_EQ("#version 150 core\nvoid main() {}\n", ShaderText(kGlsl150Core, "void main() {}\n"));
  EXPECT_EQ("#version 140\n", ShaderText(kGlsl140, ""));
}

}  // namespace
