#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "app/AppState.h"
#include "app/CudaInfo.h"

namespace {

// The collector loads our stand-in driver from the test's fakecuda folder;
// names in g_hidden are answered as not exported.
std::string g_fakePath;
std::vector<std::string> g_hidden;

HMODULE loadFake() { return LoadLibraryA(g_fakePath.c_str()); }
FARPROC findVisible(HMODULE library, const char* name) {
  for (const std::string& h : g_hidden)
    if (h == name) return nullptr;
  return GetProcAddress(library, name);
}
void unloadFake(HMODULE library) { FreeLibrary(library); }

class CudaInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fakePath = ProgramFolder() + "fakecuda\\nvcuda.dll";
    g_hidden.clear();
    static const CudaLibraryLoader loader = {loadFake, findVisible, unloadFake};
    SetCudaLibraryLoader(&loader);
    SetEnvironmentVariableA("QV_FAKE_CUDA_SCENARIO", nullptr);
  }
  void TearDown() override {
    SetCudaLibraryLoader(nullptr);
    ReleaseCudaInfo();
    SetEnvironmentVariableA("QV_FAKE_CUDA_SCENARIO", nullptr);
  }
  static std::vector<std::string> detect(const char* scenario, bool* result) {
    SetEnvironmentVariableA("QV_FAKE_CUDA_SCENARIO", scenario);
    return CaptureLog([&] { *result = DetectCuda(); });
  }
};

// The shipped loader looks for "nvcuda.dll", which this machine lacks.
TEST_F(CudaInfoTest, MissingLibraryIsLoggedAndLeavesNoTable) {
  SetCudaLibraryLoader(nullptr);
  bool ok = true;
  std::vector<std::string> log = CaptureLog([&] { ok = DetectCuda(); });
  EXPECT_FALSE(ok);
  EXPECT_TRUE(HasLine(log, "Could not find nvcuda.dll."));
  EXPECT_EQ(nullptr, g_app.cudaDevices);
  EXPECT_EQ(0, g_app.cudaDeviceCount);
}

TEST_F(CudaInfoTest, TwoDevicesWithDerivedValuesAndLibraryUnloaded) {
  bool ok = false;
  std::vector<std::string> log = detect("two", &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(nullptr, GetModuleHandleA(g_fakePath.c_str()));
  EXPECT_TRUE(HasLine(log, "Found 2 CUDA-capable devices."));
  EXPECT_TRUE(HasLine(log, "CUDA device 0 => Fake GPU Alpha"));
  EXPECT_TRUE(HasLine(log, "CUDA device 1 => Fake GPU Beta"));
  EXPECT_TRUE(HasLine(log, "\tCU_DEVICE_ATTRIBUTE_COMPUTE_CAPABILITY_{MAJOR|MINOR} => 8.6"));
  EXPECT_TRUE(HasLine(log, "\tCU_DEVICE_ATTRIBUTE_MAX_GRID_DIM_{X|Y|Z} => 2147483647 | 65535 | 65535"));
  EXPECT_TRUE(HasLine(log, "\tCU_DEVICE_ATTRIBUTE_MAX_BLOCK_DIM_{X|Y|Z} => 1024 | 1024 | 64"));
  ASSERT_EQ(2, g_app.cudaDeviceCount);

  const struct {
    const char* name;
    unsigned long long totalMemory;
    const char* pciBusId;
    int major, minor, bandwidth, coresPerSm, totalCores, busWidth;
  } expected[] = {
      {"Fake GPU Alpha", 24ull << 30, "0000:01:00.0", 8, 6, 672, 128, 82 * 128, 384},
      {"Fake GPU Beta", 8ull << 30, "0000:02:00.0", 7, 5, 448, 64, 40 * 64, 256},
  };
  for (int d = 0; d < 2; ++d) {
    SCOPED_TRACE(d);
    const CudaDeviceInfo& row = g_app.cudaDevices[d];
    EXPECT_STREQ(expected[d].name, row.name);
    // Beyond 4 GiB for the first. The entry point answers in a size_t: in a
    // 32-bit process the stand-in driver gives the most that fits (a real one
    // can tell no more there), and the row must keep that, not a cut value.
    EXPECT_EQ(std::min<unsigned long long>(expected[d].totalMemory, SIZE_MAX), row.totalMemory);
    EXPECT_STREQ(expected[d].pciBusId, row.pciBusIdText);
    EXPECT_EQ(expected[d].major, row.computeCapabilityMajor);
    EXPECT_EQ(expected[d].minor, row.computeCapabilityMinor);
    EXPECT_EQ(expected[d].bandwidth, row.memoryBandwidthGbs);
    EXPECT_EQ(expected[d].coresPerSm, row.coresPerMultiprocessor);
    EXPECT_EQ(expected[d].totalCores, row.totalCores);
    EXPECT_EQ(expected[d].busWidth, row.memoryBusWidth);
    EXPECT_EQ(1024, row.maxThreadsDim[0]);
    EXPECT_EQ(64, row.maxThreadsDim[2]);
    EXPECT_EQ(32, row.simdWidth);
    EXPECT_EQ(512, row.textureAlign);
    EXPECT_EQ(102400, row.maxSharedMemoryPerMultiprocessor);
    EXPECT_EQ(d + 1, row.pciBusId);
  }
}

TEST_F(CudaInfoTest, FailingInitLogsNothingAndUnloads) {
  bool ok = true;
  std::vector<std::string> log = detect("init_fails", &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(0, g_app.cudaDeviceCount);
  EXPECT_EQ(nullptr, GetModuleHandleA(g_fakePath.c_str()));
}

TEST_F(CudaInfoTest, FailingDeviceHandleLeavesItsRowZeroed) {
  bool ok = false;
  std::vector<std::string> log = detect("get_fails_1", &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(2, g_app.cudaDeviceCount);
  EXPECT_STREQ("Fake GPU Alpha", g_app.cudaDevices[0].name);
  CudaDeviceInfo zero;
  memset(&zero, 0, sizeof(zero));
  EXPECT_EQ(0, memcmp(&zero, &g_app.cudaDevices[1], sizeof(zero)));
  EXPECT_FALSE(HasLineStartingWith(log, "CUDA device 1"));
}

// A missing entry point leaves its fields at zero; the others are still read.
TEST_F(CudaInfoTest, MissingExports) {
  const struct {
    const char* hidden;
    bool detected;
  } cases[] = {{"cuInit", false}, {"cuDeviceGetAttribute", true}, {"cuDeviceTotalMem_v2", true},
               {"cuDeviceGet", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hidden);
    g_hidden = {c.hidden};
    bool ok = !c.detected;
    std::vector<std::string> log = detect("two", &ok);
    EXPECT_EQ(c.detected, ok);
    if (!c.detected) {
      EXPECT_EQ(0, g_app.cudaDeviceCount);
      continue;
    }
    ASSERT_EQ(2, g_app.cudaDeviceCount);
    const CudaDeviceInfo& row = g_app.cudaDevices[0];
    if (strcmp(c.hidden, "cuDeviceGetAttribute") == 0) {
      EXPECT_STREQ("Fake GPU Alpha", row.name);
      EXPECT_EQ(0, row.computeCapabilityMajor);
      EXPECT_EQ(0, row.memoryBandwidthGbs);
      EXPECT_EQ(1024, row.maxThreadsDim[0]);
      EXPECT_FALSE(HasLineStartingWith(log, "\tCU_DEVICE_ATTRIBUTE_"));
    } else if (strcmp(c.hidden, "cuDeviceTotalMem_v2") == 0) {
      EXPECT_EQ(0x12345678u, row.totalMemory);  // the first-version entry point
      EXPECT_EQ(8, row.computeCapabilityMajor);
    } else {
      EXPECT_EQ('\0', row.name[0]);
      EXPECT_FALSE(HasLineStartingWith(log, "CUDA device"));
    }
  }
}

TEST_F(CudaInfoTest, OversizedNameIsCutAndTerminated) {
  bool ok = false;
  detect("long_name", &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(1, g_app.cudaDeviceCount);
  EXPECT_EQ(std::string(kCudaNameSize - 1, 'N'), g_app.cudaDevices[0].name);
}

TEST_F(CudaInfoTest, UnknownCapabilityTakesTheFallbackCores) {
  bool ok = false;
  detect("unknown_cc", &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(1, g_app.cudaDeviceCount);
  EXPECT_EQ(64, g_app.cudaDevices[0].coresPerMultiprocessor);
  EXPECT_EQ(640, g_app.cudaDevices[0].totalCores);
}

TEST_F(CudaInfoTest, SecondDetectionReplacesTheTable) {
  bool ok = false;
  detect("two", &ok);
  detect("unknown_cc", &ok);
  ASSERT_EQ(1, g_app.cudaDeviceCount);
  EXPECT_STREQ("Fake GPU Gamma", g_app.cudaDevices[0].name);
}

TEST(CudaTables, CoresPerMultiprocessor) {
  const struct {
    int major, minor, cores;
  } rows[] = {{1, 0, 8},   {2, 0, 32},  {2, 1, 48},  {3, 5, 192}, {5, 2, 128}, {6, 0, 64},
              {6, 1, 128}, {7, 5, 64},  {8, 6, 128}, {8, 7, 128}, {8, 9, 128}, {9, 0, 128},
              {8, 0, 64},  {4, 0, 64},  {-1, 0, 64}, {1, 16, 64}};
  for (const auto& r : rows)
    EXPECT_EQ(r.cores, CudaCoresPerMultiprocessor(r.major, r.minor)) << r.major << "." << r.minor;
}

TEST(CudaTables, Bandwidth) {
  EXPECT_EQ(672, CudaMemoryBandwidthGbs(7000000, 384));
  EXPECT_EQ(0, CudaMemoryBandwidthGbs(7000000, 7));  // bus width in whole bytes
  EXPECT_EQ(0, CudaMemoryBandwidthGbs(-5, 384));
  EXPECT_EQ(2147483647, CudaMemoryBandwidthGbs(2147483647, 2147483647));
}

}  // namespace
