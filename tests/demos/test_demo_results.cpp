#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/AppState.h"
#include "demos/BenchmarkResult.h"
#include "demos/DemoFps.h"
#include "stv.h"

namespace {

DemoFpsStats freshStats() {
  DemoFpsStats s = {};
  s.minFps = 10000;  // as a demo start presets it
  return s;
}

// Runs frames at a fixed frame time and returns the statistics.
DemoFpsStats runFrames(std::initializer_list<std::pair<int, unsigned>> phases) {
  DemoFpsStats s = freshStats();
  unsigned clock = 5000;
  DemoFpsStart(s, clock);
  for (const auto& phase : phases)
    for (int f = 0; f < phase.first; ++f) {
      clock += phase.second;
      DemoFpsAddTime(s, clock);
      DemoFpsCountFrame(s);
    }
  return s;
}

TEST(DemoFpsTest, WindowsOfOneSecond) {
  // 100 frames of 10 ms, then 50 frames of 20 ms, then 200 of 5 ms.
  DemoFpsStats s = runFrames({{100, 10}, {50, 20}, {200, 5}});
  EXPECT_EQ(350u, s.frameCount);
  EXPECT_EQ(3u, s.windowCount);
  EXPECT_EQ(50u, s.minFps);
  EXPECT_EQ(200u, s.maxFps);
  EXPECT_EQ(350u / 3, s.averageFps);  // truncated mean of the window counts
  EXPECT_EQ(1, s.resultValid);
  EXPECT_EQ(3000u, s.elapsedMs);
}

TEST(DemoFpsTest, ExcessOverASecondIsDropped) {
  // Frames of 300 ms: the window closes at 1200 ms with 4 frames; the 200 ms
  // over are not carried, so the next window needs four frames again.
  DemoFpsStats s = runFrames({{8, 300}});
  EXPECT_EQ(2u, s.windowCount);
  EXPECT_EQ(4u, s.currentFps);
  EXPECT_EQ(0u, s.windowMs);
}

TEST(DemoFpsTest, ShortRunHasNoWindowAndDurationRule) {
  DemoFpsStats s = runFrames({{5, 100}});
  EXPECT_EQ(0, s.resultValid);
  EXPECT_EQ(10000u, s.minFps);
  EXPECT_EQ(0u, s.maxFps);
  EXPECT_EQ(0u, s.averageFps);
  EXPECT_FALSE(DemoFpsDurationReached(s, 0));
  EXPECT_FALSE(DemoFpsDurationReached(s, 501));
  EXPECT_TRUE(DemoFpsDurationReached(s, 500));
  // The tick count wraps: the delta stays right.
  DemoFpsStats w = freshStats();
  DemoFpsStart(w, 0xFFFFFFF0u);
  EXPECT_EQ(32u, DemoFpsAddTime(w, 16));
}

BenchmarkRow sampleRow(bool withDevice) {
  BenchmarkRow r;
  r.renderer = "NVIDIA GeForce RTX 4090";
  r.driver = "536.23";
  r.hasClDevice = withDevice;
  r.clName = "pthread-cpu";
  r.clCpu = true;
  r.clComputeUnits = 8;
  r.clClockMhz = 2596;
  r.clDriver = "3.1";
  r.testName = "GL3 torus";
  r.msaa = 4;
  r.width = 600;
  r.height = 600;
  r.glInterop = false;
  r.nativeSin = true;
  r.explicitWorkgroupSize = true;
  r.localMemory = false;
  r.averageFps = 60;
  r.minFps = 58;
  r.maxFps = 61;
  return r;
}

TEST(BenchmarkRowTest, RowsWithAndWithoutDevice) {
  EXPECT_EQ(186u, BenchmarkHeaderLine().size() + 1);  // the header line as written, line feed included
  EXPECT_EQ("\"NVIDIA GeForce RTX 4090\",\"536.23\",\"pthread-cpu\",\"CPU\",8,2596,\"3.1\",\"GL3 torus\",4,600,600,"
            "\"NO\",\"YES\",\"YES\",\"global mem\",60,58,61, NULL",
            FormatBenchmarkRow(sampleRow(true)));
  EXPECT_EQ("\"NVIDIA GeForce RTX 4090\",\"536.23\",,,,,,\"GL3 torus\",4,600,600,"
            "\"NO\",\"YES\",\"YES\",\"global mem\",60,58,61,NULL",
            FormatBenchmarkRow(sampleRow(false)));
  BenchmarkRow odd = sampleRow(false);
  odd.renderer = std::string(600, 'x') + "\"quoted\"";
  std::string line = FormatBenchmarkRow(odd);
  EXPECT_NE(std::string::npos, line.find("\"\"quoted\"\"\""));  // still one CSV record
}

std::string readAll(const char* path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

TEST(BenchmarkFileTest, HeaderOnceThenOneRowPerRun) {
  ResetAppState();
  std::string path = std::string(stv::get_app_directory()) + "bench_result.csv";
  DeleteFileA(path.c_str());
  DemoSlot& slot = g_app.demoSlots[0];
  slot.clientWidth = 320;
  slot.clientHeight = 200;
  WriteBenchmarkResult(&slot, "off");  // logging off: no file
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
  g_app.benchmarkLog = true;
  WriteBenchmarkResult(&slot, "first");
  WriteBenchmarkResult(&slot, "second");
  std::string text = readAll(path.c_str());
  EXPECT_EQ(0u, text.find(BenchmarkHeaderLine() + "\r\n"));
  EXPECT_NE(std::string::npos, text.find("\"first\",0,320,200,"));
  EXPECT_NE(std::string::npos, text.find("\"second\",0,320,200,"));
  EXPECT_EQ(std::string::npos, text.find("\"off\""));
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_EQ(3u, lines);
  DeleteFileA(path.c_str());
  EXPECT_FALSE(AppendBenchmarkRow("no_such_dir/bench.csv", sampleRow(true)));
}

}  // namespace
