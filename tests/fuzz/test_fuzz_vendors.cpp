// Randomised garbage from the stand-in driver libraries: counts at their
// limits and beyond, texts that fill their buffers without a terminator and
// random values. The readers must keep to their tables and buffers and give
// terminated texts; each round's seed is named when a check fails or the
// process dies.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "../common/Fuzz.h"
#include "app/AppState.h"
#include "app/CudaInfo.h"
#include "app/Report.h"

namespace {

std::string programFolder() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path, n);
  return p.substr(0, p.find_last_of("\\/") + 1);
}

std::string g_cudaPath;
HMODULE loadFakeCuda() { return LoadLibraryA(g_cudaPath.c_str()); }
FARPROC findInFakeCuda(HMODULE library, const char* name) { return GetProcAddress(library, name); }
void unloadFakeCuda(HMODULE library) { FreeLibrary(library); }

TEST(FuzzVendors, CudaDriverGarbage) {
  g_cudaPath = programFolder() + "fakecuda\\nvcuda.dll";
  static const CudaLibraryLoader loader = {loadFakeCuda, findInFakeCuda, unloadFakeCuda};
  SetCudaLibraryLoader(&loader);
  ResetAppState();
  Fuzz f("CUDA driver garbage", 20261211, 150, 3000);
  while (f.next()) {
    const std::string scenario = "garbage:" + std::to_string(f.range(1, 1000000000));
    f.note(scenario);
    SetEnvironmentVariableA("QV_FAKE_CUDA_SCENARIO", scenario.c_str());
    ASSERT_TRUE(DetectCuda()) << f.describe();
    ASSERT_GE(g_app.cudaDeviceCount, 0) << f.describe();
    ASSERT_LE(g_app.cudaDeviceCount, 64) << f.describe();
    for (int d = 0; d < g_app.cudaDeviceCount; ++d) {
      const CudaDeviceInfo& row = g_app.cudaDevices[d];
      EXPECT_LT(strnlen(row.name, kCudaNameSize), static_cast<size_t>(kCudaNameSize)) << f.describe();
      EXPECT_LT(strnlen(row.pciBusIdText, kCudaPciBusIdSize), static_cast<size_t>(kCudaPciBusIdSize))
          << f.describe();
      EXPECT_GE(row.totalCores, 0) << f.describe();
      EXPECT_GE(row.memoryBandwidthGbs, 0) << f.describe();
    }
    AppendCudaReport();  // formats every row into the report buffers
    if (HasFailure()) break;
  }
  SetEnvironmentVariableA("QV_FAKE_CUDA_SCENARIO", nullptr);
  SetCudaLibraryLoader(nullptr);
  ReleaseCudaInfo();
}

}  // namespace
