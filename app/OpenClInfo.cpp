#include "app/OpenClInfo.h"

#include <CL/cl_ext.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/AppState.h"
#include "app/Log.h"
#include "detect/SecureLoader.h"

namespace CL = ClEntryPoints;

namespace {

// Bounds on what a driver may announce.
const cl_uint kMaxPlatforms = 64;
const cl_uint kMaxDevices = 256;
const cl_uint kMaxWorkItemDimensions = 64;
const size_t kMaxExtensionString = 1 << 20;
const size_t kInfoBufferSize = 1024;

const cl_device_info kDevicePcieIdAmd = 0x4034;
const cl_device_info kDeviceTopologyAmd = 0x4037;
const cl_device_info kDevicePciBusIdNv = 0x4008;
const cl_uint kTopologyTypePcieAmd = 1;

void copyText(char* dst, size_t dstSize, const char* src) {
  snprintf(dst, dstSize, "%s", src);
}

int clampToInt(uint64_t v) { return v > static_cast<uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(v); }

// A string query into a zeroed 1,024-byte buffer; at most 127 characters are
// kept. Returns false (destination untouched) when the query fails.
bool readPlatformText(cl_platform_id p, cl_platform_info param, char* dst) {
  char buffer[kInfoBufferSize] = {};
  if (CL::clGetPlatformInfo(p, param, sizeof(buffer) - 1, buffer, nullptr) != CL_SUCCESS) return false;
  buffer[sizeof(buffer) - 1] = 0;
  copyText(dst, kClTextSize, buffer);
  return true;
}

bool readDeviceText(cl_device_id d, cl_device_info param, char* dst) {
  char buffer[kInfoBufferSize] = {};
  if (CL::clGetDeviceInfo(d, param, sizeof(buffer) - 1, buffer, nullptr) != CL_SUCCESS) return false;
  buffer[sizeof(buffer) - 1] = 0;
  copyText(dst, kClTextSize, buffer);
  return true;
}

// A fixed-size value; zero when the query fails.
template <typename T>
T readDeviceValue(cl_device_id d, cl_device_info param) {
  T value{};
  if (CL::clGetDeviceInfo(d, param, sizeof(T), &value, nullptr) != CL_SUCCESS) return T{};
  return value;
}

int readDeviceUint(cl_device_id d, cl_device_info param) {
  return clampToInt(readDeviceValue<cl_uint>(d, param));
}
int readDeviceSize(cl_device_id d, cl_device_info param) {
  return clampToInt(readDeviceValue<size_t>(d, param));
}

// The extension string of a platform or a device: its size first, then the
// text into a buffer of that size plus a terminator.
template <typename Query>
void readExtensions(Query query, Korveth_nsp::kvLinkedList& list) {
  size_t size = 0;
  if (query(0, nullptr, &size) != CL_SUCCESS || size == 0) return;
  if (size > kMaxExtensionString) size = kMaxExtensionString;
  char* text = static_cast<char*>(calloc(size + 1, 1));
  if (!text) return;
  if (query(size, text, nullptr) == CL_SUCCESS) {
    text[size] = 0;
    SplitClExtensions(text, list);
  }
  free(text);
}

void readWorkItemSizes(cl_device_id d, OpenClDeviceInfo& dev) {
  cl_uint dims = readDeviceValue<cl_uint>(d, CL_DEVICE_MAX_WORK_ITEM_DIMENSIONS);
  dev.workItemDimensions = clampToInt(dims);
  if (dims == 0) return;
  if (dims > kMaxWorkItemDimensions) dims = kMaxWorkItemDimensions;
  size_t sizes[kMaxWorkItemDimensions] = {};
  if (CL::clGetDeviceInfo(d, CL_DEVICE_MAX_WORK_ITEM_SIZES, dims * sizeof(size_t), sizes, nullptr) !=
      CL_SUCCESS)
    return;
  for (cl_uint k = 0; k < 3 && k < dims; ++k)
    dev.workItemSizes[k] = sizes[k] > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(sizes[k]);
}

void readAmdAttributes(cl_device_id d, OpenClDeviceInfo& dev) {
  cl_uint pcieId = 0;
  if (CL::clGetDeviceInfo(d, kDevicePcieIdAmd, sizeof(pcieId), &pcieId, nullptr) == CL_SUCCESS)
    dev.amdPcieId = static_cast<int>(pcieId);
  LogPrintf(g_log, "    CL_DEVICE_PCIE_ID_AMD => %d", dev.amdPcieId);
  cl_device_topology_amd topology;
  memset(&topology, 0, sizeof(topology));
  if (CL::clGetDeviceInfo(d, kDeviceTopologyAmd, sizeof(topology), &topology, nullptr) == CL_SUCCESS &&
      topology.raw.type == kTopologyTypePcieAmd) {
    dev.pciBus = static_cast<unsigned char>(topology.pcie.bus);
    LogPrintf(g_log, "    CL_DEVICE_TOPOLOGY_TYPE_PCIE_AMD");
    LogPrintf(g_log, "    - bus => %d", dev.pciBus);
    LogPrintf(g_log, "    - device => %d", static_cast<unsigned char>(topology.pcie.device));
  }
}

void readNvAttributes(cl_device_id d, OpenClDeviceInfo& dev) {
  dev.nvComputeCapabilityMajor = readDeviceUint(d, CL_DEVICE_COMPUTE_CAPABILITY_MAJOR_NV);
  dev.nvComputeCapabilityMinor = readDeviceUint(d, CL_DEVICE_COMPUTE_CAPABILITY_MINOR_NV);
  dev.nvRegistersPerBlock = readDeviceUint(d, CL_DEVICE_REGISTERS_PER_BLOCK_NV);
  dev.nvWarpSize = readDeviceUint(d, CL_DEVICE_WARP_SIZE_NV);
  dev.nvGpuOverlap = readDeviceValue<cl_bool>(d, CL_DEVICE_GPU_OVERLAP_NV) ? 1 : 0;
  dev.nvKernelExecTimeout = readDeviceValue<cl_bool>(d, CL_DEVICE_KERNEL_EXEC_TIMEOUT_NV) ? 1 : 0;
  dev.nvIntegratedMemory = readDeviceValue<cl_bool>(d, CL_DEVICE_INTEGRATED_MEMORY_NV) ? 1 : 0;
  cl_uint bus = 0;
  if (CL::clGetDeviceInfo(d, kDevicePciBusIdNv, sizeof(bus), &bus, nullptr) == CL_SUCCESS)
    dev.pciBus = clampToInt(bus);
  LogPrintf(g_log, "    CL_DEVICE_PCI_BUS_ID_NV => %d", dev.pciBus);
}

void readDevice(cl_device_id d, OpenClDeviceInfo& dev) {
  dev.deviceId = d;
  readDeviceText(d, CL_DEVICE_NAME, dev.name);
  readDeviceText(d, CL_DEVICE_VENDOR, dev.vendor);
  readDeviceText(d, CL_DRIVER_VERSION, dev.driverVersion);
  readDeviceText(d, CL_DEVICE_PROFILE, dev.profile);
  readDeviceText(d, CL_DEVICE_VERSION, dev.version);
  LogPrintf(g_log, "- CL_DEVICE_NAME => %s", dev.name);
  LogPrintf(g_log, "    CL_DEVICE_VENDOR => %s", dev.vendor);
  LogPrintf(g_log, "    CL_DEVICE_VERSION => %s", dev.version);

  dev.deviceType = readDeviceValue<cl_device_type>(d, CL_DEVICE_TYPE);
  dev.vendorId = readDeviceValue<cl_uint>(d, CL_DEVICE_VENDOR_ID);
  dev.computeUnits = readDeviceUint(d, CL_DEVICE_MAX_COMPUTE_UNITS);
  dev.maxClockMhz = readDeviceUint(d, CL_DEVICE_MAX_CLOCK_FREQUENCY);
  dev.computeUnitsTimesClock =
      clampToInt(static_cast<uint64_t>(dev.computeUnits) * static_cast<uint64_t>(dev.maxClockMhz));
  readWorkItemSizes(d, dev);
  dev.maxWorkGroupSize = readDeviceSize(d, CL_DEVICE_MAX_WORK_GROUP_SIZE);
  dev.addressBits = readDeviceUint(d, CL_DEVICE_ADDRESS_BITS);
  dev.maxMemAllocSize = readDeviceValue<cl_ulong>(d, CL_DEVICE_MAX_MEM_ALLOC_SIZE);
  dev.globalMemSize = readDeviceValue<cl_ulong>(d, CL_DEVICE_GLOBAL_MEM_SIZE);
  dev.maxParameterSize = readDeviceSize(d, CL_DEVICE_MAX_PARAMETER_SIZE);
  dev.globalCacheLineSize = readDeviceUint(d, CL_DEVICE_GLOBAL_MEM_CACHELINE_SIZE);
  dev.globalCacheSize = readDeviceValue<cl_ulong>(d, CL_DEVICE_GLOBAL_MEM_CACHE_SIZE);
  dev.errorCorrection = readDeviceValue<cl_bool>(d, CL_DEVICE_ERROR_CORRECTION_SUPPORT) ? 1 : 0;
  copyText(dev.localMemType, sizeof(dev.localMemType),
           readDeviceValue<cl_device_local_mem_type>(d, CL_DEVICE_LOCAL_MEM_TYPE) == CL_LOCAL
               ? "Local (scratchpad)"
               : "Global");
  dev.localMemSize = readDeviceValue<cl_ulong>(d, CL_DEVICE_LOCAL_MEM_SIZE);
  dev.maxConstantBufferSize = readDeviceValue<cl_ulong>(d, CL_DEVICE_MAX_CONSTANT_BUFFER_SIZE);
  dev.queueProperties = readDeviceValue<cl_command_queue_properties>(d, CL_DEVICE_QUEUE_PROPERTIES);
  dev.nativeKernels =
      (readDeviceValue<cl_device_exec_capabilities>(d, CL_DEVICE_EXECUTION_CAPABILITIES) &
       CL_EXEC_NATIVE_KERNEL)
          ? 1
          : 0;
  dev.imageSupport = readDeviceValue<cl_bool>(d, CL_DEVICE_IMAGE_SUPPORT) ? 1 : 0;
  dev.maxReadImageArgs = readDeviceUint(d, CL_DEVICE_MAX_READ_IMAGE_ARGS);
  dev.maxWriteImageArgs = readDeviceUint(d, CL_DEVICE_MAX_WRITE_IMAGE_ARGS);
  dev.image2dMaxWidth = readDeviceSize(d, CL_DEVICE_IMAGE2D_MAX_WIDTH);
  dev.image2dMaxHeight = readDeviceSize(d, CL_DEVICE_IMAGE2D_MAX_HEIGHT);
  dev.image3dMaxWidth = readDeviceSize(d, CL_DEVICE_IMAGE3D_MAX_WIDTH);
  dev.image3dMaxHeight = readDeviceSize(d, CL_DEVICE_IMAGE3D_MAX_HEIGHT);
  dev.image3dMaxDepth = readDeviceSize(d, CL_DEVICE_IMAGE3D_MAX_DEPTH);
  dev.maxSamplers = readDeviceUint(d, CL_DEVICE_MAX_SAMPLERS);

  readExtensions(
      [d](size_t size, void* value, size_t* ret) {
        return CL::clGetDeviceInfo(d, CL_DEVICE_EXTENSIONS, size, value, ret);
      },
      dev.extensions);
  if (ClDeviceInfoHasExtension(&dev, "cl_amd_device_attribute_query")) readAmdAttributes(d, dev);
  if (ClDeviceInfoHasExtension(&dev, "cl_nv_device_attribute_query")) readNvAttributes(d, dev);

  dev.preferredVectorWidthChar = readDeviceUint(d, CL_DEVICE_PREFERRED_VECTOR_WIDTH_CHAR);
  dev.preferredVectorWidthShort = readDeviceUint(d, CL_DEVICE_PREFERRED_VECTOR_WIDTH_SHORT);
  dev.preferredVectorWidthInt = readDeviceUint(d, CL_DEVICE_PREFERRED_VECTOR_WIDTH_INT);
  dev.preferredVectorWidthLong = readDeviceUint(d, CL_DEVICE_PREFERRED_VECTOR_WIDTH_LONG);
  dev.preferredVectorWidthFloat = readDeviceUint(d, CL_DEVICE_PREFERRED_VECTOR_WIDTH_FLOAT);
  dev.preferredVectorWidthDouble = readDeviceUint(d, CL_DEVICE_PREFERRED_VECTOR_WIDTH_DOUBLE);
}

void readDevices(OpenClPlatformInfo& platform, cl_platform_id p) {
  cl_uint count = 0;
  if (CL::clGetDeviceIDs(p, CL_DEVICE_TYPE_ALL, 0, nullptr, &count) != CL_SUCCESS || count == 0) return;
  if (count > kMaxDevices) count = kMaxDevices;
  LogPrintf(g_log, "Found %d OpenCL-capable devices for platform %s.", static_cast<int>(count),
            platform.name);
  cl_device_id* ids = static_cast<cl_device_id*>(calloc(count, sizeof(cl_device_id)));
  OpenClDeviceInfo* devices = new (std::nothrow) OpenClDeviceInfo[count];
  if (!ids || !devices) {
    free(ids);
    delete[] devices;
    return;
  }
  platform.devices = devices;
  platform.deviceCount = static_cast<int>(count);
  if (CL::clGetDeviceIDs(p, CL_DEVICE_TYPE_ALL, count, ids, nullptr) == CL_SUCCESS) {
    for (cl_uint k = 0; k < count; ++k) readDevice(ids[k], devices[k]);
  }
  free(ids);
}

void readPlatform(OpenClPlatformInfo& platform, cl_platform_id p) {
  if (readPlatformText(p, CL_PLATFORM_VENDOR, platform.vendor)) platform.platformId = p;
  readPlatformText(p, CL_PLATFORM_NAME, platform.name);
  readPlatformText(p, CL_PLATFORM_PROFILE, platform.profile);
  readPlatformText(p, CL_PLATFORM_VERSION, platform.version);
  LogPrintf(g_log, "CL_PLATFORM_VERSION => %s", platform.version);
  if (g_app.readClPlatformExtensions) {
    readExtensions(
        [p](size_t size, void* value, size_t* ret) {
          return CL::clGetPlatformInfo(p, CL_PLATFORM_EXTENSIONS, size, value, ret);
        },
        platform.extensions);
  }
  readDevices(platform, p);
}

// A system library: never a copy beside the program or on the path.
HMODULE loadSystemOpenCl() { return SecureLoadSystemLibrary(L"OpenCL.dll", LOAD_LIBRARY_SEARCH_SYSTEM32); }
OpenClLibraryLoad g_loadLibrary = loadSystemOpenCl;

void unloadLibrary() {
  if (g_app.openClLibrary) FreeLibrary(g_app.openClLibrary);
  g_app.openClLibrary = nullptr;
  ResetClEntryPoints();
}

const OpenClPlatformInfo* platformAt(int i) {
  if (!g_app.clPlatforms || i < 0 || i >= g_app.clPlatformCount) return nullptr;
  return &g_app.clPlatforms[i];
}

const OpenClDeviceInfo* deviceAt(int i, int j) {
  const OpenClPlatformInfo* p = platformAt(i);
  if (!p || !p->devices || j < 0 || j >= p->deviceCount) return nullptr;
  return &p->devices[j];
}

// A device type is a bit set: a device that is a GPU and also the default
// device counts as a GPU.
OpenClDeviceInfo* findDevice(int platform, uint64_t bit) {
  const OpenClPlatformInfo* p = platformAt(platform);
  if (!p || !p->devices) return nullptr;
  for (int j = 0; j < p->deviceCount; ++j)
    if (p->devices[j].deviceType & bit) return &p->devices[j];
  return nullptr;
}

int countDevices(int platform, uint64_t bit) {
  const OpenClPlatformInfo* p = platformAt(platform);
  if (!p || !p->devices) return 0;
  int n = 0;
  for (int j = 0; j < p->deviceCount; ++j)
    if (p->devices[j].deviceType & bit) ++n;
  return n;
}

}  // namespace

OpenClDeviceInfo::OpenClDeviceInfo()
    : deviceId(nullptr), name(), deviceType(0), vendor(), version(), driverVersion(), profile(),
      vendorId(0), computeUnits(0), maxClockMhz(0), computeUnitsTimesClock(0),
      workItemDimensions(0), workItemSizes(), maxWorkGroupSize(0), addressBits(0),
      maxMemAllocSize(0), globalMemSize(0), maxParameterSize(0), globalCacheLineSize(0),
      globalCacheSize(0), errorCorrection(0), localMemType(), localMemSize(0),
      maxConstantBufferSize(0), queueProperties(0), nativeKernels(0), imageSupport(0),
      maxReadImageArgs(0), maxWriteImageArgs(0), image2dMaxWidth(0), image2dMaxHeight(0),
      image3dMaxWidth(0), image3dMaxHeight(0), image3dMaxDepth(0), maxSamplers(0),
      nvComputeCapabilityMajor(0), nvComputeCapabilityMinor(0), nvRegistersPerBlock(0),
      nvWarpSize(0), nvGpuOverlap(0), nvKernelExecTimeout(0), nvIntegratedMemory(0),
      preferredVectorWidthChar(0), preferredVectorWidthShort(0), preferredVectorWidthInt(0),
      preferredVectorWidthLong(0), preferredVectorWidthFloat(0), preferredVectorWidthDouble(0),
      amdPcieId(-1), pciBus(-1) {}

OpenClDeviceInfo::~OpenClDeviceInfo() { FreeClExtensions(extensions); }

OpenClPlatformInfo::OpenClPlatformInfo()
    : name(), version(), profile(), vendor(), platformId(nullptr), devices(nullptr), deviceCount(0) {}

OpenClPlatformInfo::~OpenClPlatformInfo() {
  FreeClExtensions(extensions);
  delete[] devices;
}

// The last word counts too, although no blank follows it.
int SplitClExtensions(const char* text, Korveth_nsp::kvLinkedList& list) {
  if (!text) return 0;
  int added = 0;
  const char* p = text;
  while (*p) {
    while (*p == ' ') ++p;
    const char* start = p;
    while (*p && *p != ' ') ++p;
    size_t length = static_cast<size_t>(p - start);
    if (length < 3) continue;
    if (length > kClTextSize - 1) length = kClTextSize - 1;
    char* entry = static_cast<char*>(calloc(kClTextSize, 1));
    if (!entry) break;
    memcpy(entry, start, length);
    if (!list.addTail(entry)) {
      free(entry);
      break;
    }
    ++added;
  }
  return added;
}

void FreeClExtensions(Korveth_nsp::kvLinkedList& list) {
  for (size_t k = 0; k < list.size(); ++k) free(list.at(k));
  list.clear();
}

void SetOpenClLibraryLoader(OpenClLibraryLoad load) { g_loadLibrary = load ? load : loadSystemOpenCl; }

bool DetectOpenCl() {
  if (g_app.clPlatforms || g_app.openClLibrary) ShutdownOpenCl();
  ResetClEntryPoints();
  HMODULE library = g_loadLibrary();
  if (!library) {
    LogPrintf(g_log, "Could not find OpenCL.dll.");
    return false;
  }
  g_app.openClLibrary = library;

  cl_uint count = 0;
  if (CL::clGetPlatformIDs(0, nullptr, &count) != CL_SUCCESS) {
    unloadLibrary();
    return false;
  }
  LogPrintf(g_log, "Found %d OpenCL-capable platform.", static_cast<int>(count));
  if (count == 0) {
    unloadLibrary();
    return false;
  }
  if (count > kMaxPlatforms) count = kMaxPlatforms;
  cl_platform_id* ids = static_cast<cl_platform_id*>(calloc(count, sizeof(cl_platform_id)));
  OpenClPlatformInfo* platforms = new (std::nothrow) OpenClPlatformInfo[count];
  if (!ids || !platforms) {
    free(ids);
    delete[] platforms;
    unloadLibrary();
    return false;
  }
  g_app.clPlatforms = platforms;
  g_app.clPlatformCount = static_cast<int>(count);
  if (CL::clGetPlatformIDs(count, ids, nullptr) == CL_SUCCESS) {
    for (cl_uint k = 0; k < count; ++k) readPlatform(platforms[k], ids[k]);
  }
  free(ids);
  return true;
}

bool ShutdownOpenCl() {
  bool had = g_app.clPlatformCount > 0;
  delete[] g_app.clPlatforms;  // each record frees its lists and devices
  g_app.clPlatforms = nullptr;
  g_app.clPlatformCount = 0;
  unloadLibrary();
  return had;
}

int GetClPlatformCount() { return g_app.clPlatforms ? g_app.clPlatformCount : 0; }

cl_platform_id GetClPlatformId(int platform) {
  const OpenClPlatformInfo* p = platformAt(platform);
  if (!p || !p->name[0]) return nullptr;
  return p->platformId;
}

OpenClDeviceInfo* FindClCpuDevice(int platform) { return findDevice(platform, CL_DEVICE_TYPE_CPU); }
OpenClDeviceInfo* FindClGpuDevice(int platform) { return findDevice(platform, CL_DEVICE_TYPE_GPU); }
int CountClCpuDevices(int platform) { return countDevices(platform, CL_DEVICE_TYPE_CPU); }
int CountClGpuDevices(int platform) { return countDevices(platform, CL_DEVICE_TYPE_GPU); }
bool HasClCpuDevice(int platform) { return FindClCpuDevice(platform) != nullptr; }
bool HasClGpuDevice(int platform) { return FindClGpuDevice(platform) != nullptr; }

bool HasClDevices() {
  const OpenClPlatformInfo* p = platformAt(0);
  return p && p->devices && p->deviceCount > 0;
}

bool ClDeviceInfoHasExtension(const OpenClDeviceInfo* device, const char* name) {
  if (!device || !name) return false;
  for (size_t k = 0; k < device->extensions.size(); ++k) {
    const char* entry = static_cast<const char*>(device->extensions.at(k));
    if (entry && strncmp(entry, name, kClTextSize - 1) == 0) return true;
  }
  return false;
}

bool ClDeviceHasExtension(int platform, int device, const char* name) {
  return ClDeviceInfoHasExtension(deviceAt(platform, device), name);
}

namespace {

void addLine(std::vector<std::string>& lines, const char* format, ...)
    __attribute__((format(gnu_printf, 2, 3)));
void addLine(std::vector<std::string>& lines, const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof(buffer), format, args);
  va_end(args);
  lines.push_back(buffer);
}

std::string deviceTypeNames(uint64_t type) {
  static const struct {
    uint64_t bit;
    const char* name;
  } kNames[] = {{CL_DEVICE_TYPE_CPU, "CPU"},
                {CL_DEVICE_TYPE_GPU, "GPU"},
                {CL_DEVICE_TYPE_ACCELERATOR, "ACCELERATOR"},
                {CL_DEVICE_TYPE_DEFAULT, "DEFAULT"}};
  std::string text;
  for (const auto& n : kNames) {
    if (!(type & n.bit)) continue;
    if (!text.empty()) text += " / ";
    text += n.name;
  }
  return text;
}

int kiB(uint64_t bytes) { return clampToInt(bytes / 1024); }
int miB(uint64_t bytes) { return clampToInt(bytes / (1024 * 1024)); }
const char* yesNo(int v) { return v ? "YES" : "NO"; }

}  // namespace

std::vector<std::string> OpenClDetailLines(int platform, int device) {
  std::vector<std::string> l;
  const OpenClPlatformInfo* p = platformAt(platform);
  const OpenClDeviceInfo* d = deviceAt(platform, device);
  if (!p || !d) return l;
  const char* rule = "--------------------------------------";
  addLine(l, "%s", rule);
  addLine(l, "- CL_PLATFORM_NAME: %s", p->name);
  addLine(l, "- CL_PLATFORM_VENDOR: %s", p->vendor);
  addLine(l, "- CL_PLATFORM_VERSION: %s", p->version);
  addLine(l, "- CL_PLATFORM_PROFILE: %s", p->profile);
  addLine(l, "%s", rule);
  addLine(l, "- CL_DEVICE_NAME: %s", d->name);
  addLine(l, "- CL_DEVICE_VENDOR: %s", d->vendor);
  addLine(l, "- CL_DRIVER_VERSION: %s", d->driverVersion);
  addLine(l, "- CL_DEVICE_PROFILE: %s", d->profile);
  addLine(l, "- CL_DEVICE_VERSION: %s", d->version);
  addLine(l, "- CL_DEVICE_TYPE: %s", deviceTypeNames(d->deviceType).c_str());
  addLine(l, "- CL_DEVICE_VENDOR_ID: 0x%.4X", d->vendorId);
  addLine(l, "- CL_DEVICE_MAX_COMPUTE_UNITS: %d", d->computeUnits);
  addLine(l, "- CL_DEVICE_MAX_CLOCK_FREQUENCY: %dMHz", d->maxClockMhz);
  addLine(l, "- CL_DEVICE_EXTENSIONS:");
  addLine(l, "\t- Number: %d", clampToInt(d->extensions.size()));
  for (size_t k = 0; k < d->extensions.size(); ++k)
    addLine(l, "\t- %s", static_cast<const char*>(d->extensions.at(k)));
  if (ClDeviceInfoHasExtension(d, "cl_nv_device_attribute_query")) {
    addLine(l, "- CL_NV_DEVICE_COMPUTE_CAPABILITY_MAJOR: %d", d->nvComputeCapabilityMajor);
    addLine(l, "- CL_NV_DEVICE_COMPUTE_CAPABILITY_MINOR: %d", d->nvComputeCapabilityMinor);
    addLine(l, "- CL_NV_DEVICE_REGISTERS_PER_BLOCK: %d", d->nvRegistersPerBlock);
    addLine(l, "- CL_NV_DEVICE_WARP_SIZE: %d", d->nvWarpSize);
    addLine(l, "- CL_NV_DEVICE_GPU_OVERLAP: %d", d->nvGpuOverlap);
    addLine(l, "- CL_NV_DEVICE_KERNEL_EXEC_TIMEOUT: %d", d->nvKernelExecTimeout);
    addLine(l, "- CL_NV_DEVICE_INTEGRATED_MEMORY: %d", d->nvIntegratedMemory);
  }
  addLine(l, "- CL_DEVICE_ADDRESS_BITS: %d", d->addressBits);
  addLine(l, "- CL_DEVICE_MAX_MEM_ALLOC_SIZE: %dKB", kiB(d->maxMemAllocSize));
  addLine(l, "- CL_DEVICE_GLOBAL_MEM_SIZE: %dMB", miB(d->globalMemSize));
  addLine(l, "- CL_DEVICE_MAX_PARAMETER_SIZE: %d", d->maxParameterSize);
  addLine(l, "- CL_DEVICE_GLOBAL_MEM_CACHELINE_SIZE: %d Bytes", d->globalCacheLineSize);
  addLine(l, "- CL_DEVICE_GLOBAL_MEM_CACHE_SIZE: %d KB", kiB(d->globalCacheSize));
  addLine(l, "- CL_DEVICE_ERROR_CORRECTION_SUPPORT: %s", yesNo(d->errorCorrection));
  addLine(l, "- CL_DEVICE_LOCAL_MEM_TYPE: %s", d->localMemType);
  addLine(l, "- CL_DEVICE_LOCAL_MEM_SIZE: %dKB", kiB(d->localMemSize));
  addLine(l, "- CL_DEVICE_MAX_CONSTANT_BUFFER_SIZE: %dKB", kiB(d->maxConstantBufferSize));
  addLine(l, "- CL_DEVICE_MAX_WORK_ITEM_DIMENSIONS: %d", d->workItemDimensions);
  addLine(l, "- CL_DEVICE_MAX_WORK_ITEM_SIZES: [%d ; %d ; %d]", clampToInt(d->workItemSizes[0]),
          clampToInt(d->workItemSizes[1]), clampToInt(d->workItemSizes[2]));
  addLine(l, "- CL_DEVICE_MAX_WORK_GROUP_SIZE: %d", d->maxWorkGroupSize);
  addLine(l, "- Execute native functions: %s", yesNo(d->nativeKernels));
  addLine(l, "- CL_DEVICE_QUEUE_PROPERTIES:");
  if (d->queueProperties & CL_QUEUE_OUT_OF_ORDER_EXEC_MODE_ENABLE)
    addLine(l, "\t- CL_QUEUE_OUT_OF_ORDER_EXEC_MODE_ENABLE");
  if (d->queueProperties & CL_QUEUE_PROFILING_ENABLE) addLine(l, "\t- CL_QUEUE_PROFILING_ENABLE");
  addLine(l, "- CL_DEVICE_IMAGE_SUPPORT: %s", yesNo(d->imageSupport));
  addLine(l, "- CL_DEVICE_MAX_READ_IMAGE_ARGS: %d", d->maxReadImageArgs);
  addLine(l, "- CL_DEVICE_MAX_WRITE_IMAGE_ARGS: %d", d->maxWriteImageArgs);
  addLine(l, "- CL_DEVICE_IMAGE2D_MAX_WIDTH: %d", d->image2dMaxWidth);
  addLine(l, "- CL_DEVICE_IMAGE2D_MAX_HEIGHT: %d", d->image2dMaxHeight);
  addLine(l, "- CL_DEVICE_IMAGE3D_MAX_WIDTH: %d", d->image3dMaxWidth);
  addLine(l, "- CL_DEVICE_IMAGE3D_MAX_HEIGHT: %d", d->image3dMaxHeight);
  addLine(l, "- CL_DEVICE_IMAGE3D_MAX_DEPTH: %d", d->image3dMaxDepth);
  addLine(l, "- CL_DEVICE_MAX_SAMPLERS: %d", d->maxSamplers);
  addLine(l, "- CL_DEVICE_PREFERRED_VECTOR_WIDTH_CHAR: %d", d->preferredVectorWidthChar);
  addLine(l, "- CL_DEVICE_PREFERRED_VECTOR_WIDTH_SHORT: %d", d->preferredVectorWidthShort);
  addLine(l, "- CL_DEVICE_PREFERRED_VECTOR_WIDTH_INT: %d", d->preferredVectorWidthInt);
  addLine(l, "- CL_DEVICE_PREFERRED_VECTOR_WIDTH_LONG: %d", d->preferredVectorWidthLong);
  addLine(l, "- CL_DEVICE_PREFERRED_VECTOR_WIDTH_FLOAT: %d", d->preferredVectorWidthFloat);
  addLine(l, "- CL_DEVICE_PREFERRED_VECTOR_WIDTH_DOUBLE: %d", d->preferredVectorWidthDouble);
  return l;
}

void FormatOpenClDetails(HWND dialog, int platform, int device) {
  if (!platformAt(platform) || !deviceAt(platform, device)) return;
  HWND list = GetDlgItem(dialog, kOpenClDetailList);
  if (!list) return;
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  SendMessageA(list, LB_SETHORIZONTALEXTENT, 400, 0);
  SendMessageA(list, LB_INITSTORAGE, 200, 25600);
  for (const std::string& line : OpenClDetailLines(platform, device))
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}
