#include "app/CudaInfo.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/AppState.h"
#include "app/Log.h"
#include "detect/SecureLoader.h"

namespace {

// What the collector needs of the CUDA driver API. Its functions use the
// standard calling convention on 32-bit Windows.
#if defined(_WIN32) && !defined(_WIN64)
#define QV_CUDAAPI __stdcall
#else
#define QV_CUDAAPI
#endif

typedef int CuResult;  // 0 is success
typedef int CuDevice;

struct CuDeviceProperties {
  int maxThreadsPerBlock;
  int maxThreadsDim[3];
  int maxGridSize[3];
  int sharedMemPerBlock;
  int totalConstantMemory;
  int simdWidth;
  int memPitch;
  int regsPerBlock;
  int clockRate;
  int textureAlign;
};

typedef CuResult(QV_CUDAAPI* CuInitFn)(unsigned int flags);
typedef CuResult(QV_CUDAAPI* CuDeviceGetCountFn)(int* count);
typedef CuResult(QV_CUDAAPI* CuDeviceGetFn)(CuDevice* device, int ordinal);
typedef CuResult(QV_CUDAAPI* CuDeviceGetNameFn)(char* name, int length, CuDevice device);
typedef CuResult(QV_CUDAAPI* CuDeviceTotalMemV2Fn)(size_t* bytes, CuDevice device);
typedef CuResult(QV_CUDAAPI* CuDeviceTotalMemFn)(unsigned int* bytes, CuDevice device);
typedef CuResult(QV_CUDAAPI* CuDeviceGetPciBusIdFn)(char* text, int length, CuDevice device);
typedef CuResult(QV_CUDAAPI* CuDeviceGetPropertiesFn)(CuDeviceProperties* props, CuDevice device);
typedef CuResult(QV_CUDAAPI* CuDeviceGetAttributeFn)(int* value, int attribute, CuDevice device);

// Attribute codes of the driver API.
enum CuAttribute {
  kAttrMaxThreadsPerBlock = 1,
  kAttrMaxBlockDimX = 2,
  kAttrMaxBlockDimY = 3,
  kAttrMaxBlockDimZ = 4,
  kAttrMaxGridDimX = 5,
  kAttrMaxGridDimY = 6,
  kAttrMaxGridDimZ = 7,
  kAttrMaxSharedMemoryPerBlock = 8,
  kAttrTotalConstantMemory = 9,
  kAttrWarpSize = 10,
  kAttrClockRate = 13,
  kAttrMultiprocessorCount = 16,
  kAttrPciBusId = 33,
  kAttrMemoryClockRate = 36,
  kAttrGlobalMemoryBusWidth = 37,
  kAttrL2CacheSize = 38,
  kAttrMaxThreadsPerMultiprocessor = 39,
  kAttrAsyncEngineCount = 40,
  kAttrComputeCapabilityMajor = 75,
  kAttrComputeCapabilityMinor = 76,
  kAttrMaxSharedMemoryPerMultiprocessor = 81,
};

const int kMaxCudaDevices = 64;

// A system library: never a copy beside the program or on the path.
HMODULE defaultLoad() { return SecureLoadSystemLibrary(L"nvcuda.dll", LOAD_LIBRARY_SEARCH_SYSTEM32); }
FARPROC defaultFind(HMODULE library, const char* name) { return GetProcAddress(library, name); }
void defaultUnload(HMODULE library) { FreeLibrary(library); }

const CudaLibraryLoader kDefaultLoader = {defaultLoad, defaultFind, defaultUnload};
CudaLibraryLoader g_loader = kDefaultLoader;

// One entry point, looked up on first use during one detection.
template <typename Fn>
class Entry {
 public:
  Entry(HMODULE library, const char* name) : m_library(library), m_name(name) {}
  Fn get() {
    if (!m_looked) {
      FARPROC proc = g_loader.find(m_library, m_name);
      static_assert(sizeof(m_fn) == sizeof(proc), "function pointers differ in size");
      memcpy(&m_fn, &proc, sizeof(m_fn));
      m_looked = true;
    }
    return m_fn;
  }

 private:
  HMODULE m_library;
  const char* m_name;
  Fn m_fn = nullptr;
  bool m_looked = false;
};

struct CudaApi {
  explicit CudaApi(HMODULE l)
      : getName(l, "cuDeviceGetName"), totalMemV2(l, "cuDeviceTotalMem_v2"),
        totalMem(l, "cuDeviceTotalMem"), getPciBusId(l, "cuDeviceGetPCIBusId"),
        getProperties(l, "cuDeviceGetProperties"), getAttribute(l, "cuDeviceGetAttribute") {}
  Entry<CuDeviceGetNameFn> getName;
  Entry<CuDeviceTotalMemV2Fn> totalMemV2;
  Entry<CuDeviceTotalMemFn> totalMem;
  Entry<CuDeviceGetPciBusIdFn> getPciBusId;
  Entry<CuDeviceGetPropertiesFn> getProperties;
  Entry<CuDeviceGetAttributeFn> getAttribute;
};

int attribute(CudaApi& api, CuDevice device, int code) {
  int value = 0;
  CuDeviceGetAttributeFn fn = api.getAttribute.get();
  if (fn && fn(&value, code, device) != 0) value = 0;
  return value;
}

void readDevice(CudaApi& api, int index, CuDevice device, CudaDeviceInfo& row) {
  if (CuDeviceGetNameFn fn = api.getName.get()) {
    char name[kCudaNameSize + 1] = {};
    if (fn(name, kCudaNameSize - 1, device) == 0) {
      name[kCudaNameSize - 1] = 0;
      memcpy(row.name, name, kCudaNameSize);
    }
    LogPrintf(g_log, "CUDA device %d => %s", index, row.name);
  }
  // The total memory as a 64-bit value; the first-version entry point only
  // when the driver lacks the second.
  if (CuDeviceTotalMemV2Fn fn = api.totalMemV2.get()) {
    size_t bytes = 0;
    if (fn(&bytes, device) == 0) row.totalMemory = bytes;
  } else if (CuDeviceTotalMemFn fn1 = api.totalMem.get()) {
    unsigned int bytes = 0;
    if (fn1(&bytes, device) == 0) row.totalMemory = bytes;
  }
  if (CuDeviceGetPciBusIdFn fn = api.getPciBusId.get()) {
    char text[kCudaPciBusIdSize + 1] = {};
    if (fn(text, kCudaPciBusIdSize - 1, device) == 0) {
      text[kCudaPciBusIdSize - 1] = 0;
      memcpy(row.pciBusIdText, text, kCudaPciBusIdSize);
    }
  }
  if (CuDeviceGetPropertiesFn fn = api.getProperties.get()) {
    CuDeviceProperties props;
    memset(&props, 0, sizeof(props));
    if (fn(&props, device) == 0) {
      for (int k = 0; k < 3; ++k) row.maxThreadsDim[k] = props.maxThreadsDim[k];
      row.simdWidth = props.simdWidth;
      row.memPitch = props.memPitch;
      row.regsPerBlock = props.regsPerBlock;
      row.textureAlign = props.textureAlign;
    }
  }
  if (!api.getAttribute.get()) return;

  row.clockRateKhz = attribute(api, device, kAttrClockRate);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_CLOCK_RATE => %d", row.clockRateKhz);
  row.memoryClockRateKhz = attribute(api, device, kAttrMemoryClockRate);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_MEMORY_CLOCK_RATE => %d", row.memoryClockRateKhz);
  row.memoryBusWidth = attribute(api, device, kAttrGlobalMemoryBusWidth);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_GLOBAL_MEMORY_BUS_WIDTH => %d", row.memoryBusWidth);
  row.memoryBandwidthGbs = CudaMemoryBandwidthGbs(row.memoryClockRateKhz, row.memoryBusWidth);
  row.pciBusId = attribute(api, device, kAttrPciBusId);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_PCI_BUS_ID => %d", row.pciBusId);
  row.l2CacheSize = attribute(api, device, kAttrL2CacheSize);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_L2_CACHE_SIZE => %d", row.l2CacheSize);
  row.computeCapabilityMajor = attribute(api, device, kAttrComputeCapabilityMajor);
  row.computeCapabilityMinor = attribute(api, device, kAttrComputeCapabilityMinor);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_COMPUTE_CAPABILITY_{MAJOR|MINOR} => %d.%d",
            row.computeCapabilityMajor, row.computeCapabilityMinor);
  row.multiprocessorCount = attribute(api, device, kAttrMultiprocessorCount);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_MULTIPROCESSOR_COUNT => %d", row.multiprocessorCount);
  row.coresPerMultiprocessor =
      CudaCoresPerMultiprocessor(row.computeCapabilityMajor, row.computeCapabilityMinor);
  long long cores = static_cast<long long>(row.coresPerMultiprocessor) * row.multiprocessorCount;
  row.totalCores = cores > INT_MAX ? INT_MAX : (cores < 0 ? 0 : static_cast<int>(cores));
  row.asyncEngineCount = attribute(api, device, kAttrAsyncEngineCount);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_ASYNC_ENGINE_COUNT => %d", row.asyncEngineCount);
  row.totalConstantMemory = attribute(api, device, kAttrTotalConstantMemory);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_TOTAL_CONSTANT_MEMORY => %d", row.totalConstantMemory);
  row.maxSharedMemoryPerBlock = attribute(api, device, kAttrMaxSharedMemoryPerBlock);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_MAX_SHARED_MEMORY_PER_BLOCK => %d",
            row.maxSharedMemoryPerBlock);
  row.maxSharedMemoryPerMultiprocessor = attribute(api, device, kAttrMaxSharedMemoryPerMultiprocessor);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_MAX_SHARED_MEMORY_PER_MULTIPROCESSOR => %d",
            row.maxSharedMemoryPerMultiprocessor);
  row.maxThreadsPerBlock = attribute(api, device, kAttrMaxThreadsPerBlock);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_MAX_THREADS_PER_BLOCK => %d", row.maxThreadsPerBlock);
  row.warpSize = attribute(api, device, kAttrWarpSize);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_WARP_SIZE => %d", row.warpSize);
  row.maxThreadsPerMultiprocessor = attribute(api, device, kAttrMaxThreadsPerMultiprocessor);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_MAX_THREADS_PER_MULTIPROCESSOR => %d",
            row.maxThreadsPerMultiprocessor);
  row.maxGridDim[0] = attribute(api, device, kAttrMaxGridDimX);
  row.maxGridDim[1] = attribute(api, device, kAttrMaxGridDimY);
  row.maxGridDim[2] = attribute(api, device, kAttrMaxGridDimZ);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_MAX_GRID_DIM_{X|Y|Z} => %d | %d | %d", row.maxGridDim[0],
            row.maxGridDim[1], row.maxGridDim[2]);
  row.maxBlockDim[0] = attribute(api, device, kAttrMaxBlockDimX);
  row.maxBlockDim[1] = attribute(api, device, kAttrMaxBlockDimY);
  row.maxBlockDim[2] = attribute(api, device, kAttrMaxBlockDimZ);
  LogPrintf(g_log, "\tCU_DEVICE_ATTRIBUTE_MAX_BLOCK_DIM_{X|Y|Z} => %d | %d | %d", row.maxBlockDim[0],
            row.maxBlockDim[1], row.maxBlockDim[2]);
}

template <typename Fn>
Fn find(HMODULE library, const char* name) {
  FARPROC proc = g_loader.find(library, name);
  Fn fn;
  memcpy(&fn, &proc, sizeof(fn));
  return fn;
}

}  // namespace

void SetCudaLibraryLoader(const CudaLibraryLoader* loader) {
  g_loader = loader ? *loader : kDefaultLoader;
}

// The rows from 8.6 on carry those generations' own counts, so that newer
// GPUs do not report the fallback of 64.
int CudaCoresPerMultiprocessor(int major, int minor) {
  static const struct {
    int key;  // major * 16 + minor
    int cores;
  } kTable[] = {{0x10, 8},   {0x11, 8},   {0x12, 8},   {0x13, 8},   {0x20, 32},  {0x21, 48},
                {0x30, 192}, {0x32, 192}, {0x35, 192}, {0x37, 192}, {0x50, 128}, {0x52, 128},
                {0x60, 64},  {0x61, 128}, {0x62, 128}, {0x70, 64},  {0x72, 64},  {0x75, 64},
                {0x86, 128}, {0x87, 128}, {0x89, 128}, {0x90, 128}};
  const int kUnknown = 64;
  if (major < 0 || minor < 0 || minor > 15 || major > 0x7FFFFFF) return kUnknown;
  int key = major * 16 + minor;
  for (const auto& row : kTable)
    if (row.key == key) return row.cores;
  return kUnknown;
}

int CudaMemoryBandwidthGbs(int memoryClockKhz, int busWidthBits) {
  double gbs = memoryClockKhz * 2.0 * (busWidthBits / 8) / 1000000.0;
  if (!(gbs > 0.0)) return 0;
  if (gbs >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(gbs);
}

void ReleaseCudaInfo() {
  free(g_app.cudaDevices);
  g_app.cudaDevices = nullptr;
  g_app.cudaDeviceCount = 0;
}

bool DetectCuda() {
  ReleaseCudaInfo();
  HMODULE library = g_loader.load();
  if (!library) {
    LogPrintf(g_log, "Could not find nvcuda.dll.");
    return false;
  }
  CuInitFn init = find<CuInitFn>(library, "cuInit");
  if (!init || init(0) != 0) {
    g_loader.unload(library);
    return false;
  }
  int count = 0;
  if (CuDeviceGetCountFn getCount = find<CuDeviceGetCountFn>(library, "cuDeviceGetCount")) {
    if (getCount(&count) == 0) {
      LogPrintf(g_log, "Found %d CUDA-capable devices.", count);
    } else {
      count = 0;
    }
  }
  if (count < 0) count = 0;
  if (count > kMaxCudaDevices) count = kMaxCudaDevices;
  if (count > 0) {
    CudaDeviceInfo* rows = static_cast<CudaDeviceInfo*>(calloc(static_cast<size_t>(count), sizeof(CudaDeviceInfo)));
    if (rows) {
      g_app.cudaDevices = rows;
      g_app.cudaDeviceCount = count;
      CudaApi api(library);
      if (CuDeviceGetFn get = find<CuDeviceGetFn>(library, "cuDeviceGet")) {
        for (int d = 0; d < count; ++d) {
          CuDevice device = 0;
          if (get(&device, d) != 0) continue;
          readDevice(api, d, device, rows[d]);
        }
      }
    }
  }
  g_loader.unload(library);
  return true;
}
