/* A stand-in OpenCL library with one platform and five devices: two NVIDIA
 * GPUs and two AMD GPUs that answer their vendor's attribute queries as the
 * drivers do (PCI bus id, PCIe id, topology), and a CPU that answers none.
 * Contexts, queues, programs and kernels are objects with a reference count
 * and the state the calls rely on: a program remembers its source, its build
 * status and its log, and a kernel needs a built program that names it.
 * Invalid handles, short buffers and unknown queries get the API's error
 * statuses. The tests reach the library through the collector's library
 * loader; its name is not that of Wine's built-in, so Wine loads this file.
 *
 * Two controls of the tests' own:
 *   qvFakeClAnnounceBuildLogSize(size)  the size the build-log query answers
 *                                       (0, the default: the log's own size)
 *   qvFakeClLiveObjects()               contexts, queues, programs and
 *                                       kernels not yet released
 */
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#define CL_TARGET_OPENCL_VERSION 120
#define CL_USE_DEPRECATED_OPENCL_1_1_APIS
#include <CL/cl.h>

#define EXPORT __declspec(dllexport)

/* Vendor attribute queries and what they answer. */
enum {
  kNvComputeCapabilityMajor = 0x4000,
  kNvComputeCapabilityMinor = 0x4001,
  kNvRegistersPerBlock = 0x4002,
  kNvWarpSize = 0x4003,
  kNvGpuOverlap = 0x4004,
  kNvKernelExecTimeout = 0x4005,
  kNvIntegratedMemory = 0x4006,
  kNvPciBusId = 0x4008,
  kAmdPcieId = 0x4034,
  kAmdTopology = 0x4037,
};

/* The AMD topology answer: 24 bytes, a 32-bit type first; for the PCIe type
 * (1) the bus, device and function are the last three bytes. */
enum { kTopologySize = 24, kTopologyBus = 21, kTopologyDevice = 22, kTopologyFunction = 23 };

enum { kMagicContext = 0x43545831, kMagicQueue = 0x51554531,
       kMagicProgram = 0x50524731, kMagicKernel = 0x4b524e31 };

struct _cl_platform_id {
  int unused;
};

struct _cl_device_id {
  const char* name;
  const char* vendor;
  const char* version;
  cl_device_type type;
  cl_uint vendorId;
  cl_uint computeUnits;
  cl_uint clockMhz;
  size_t workGroupSize;
  const char* extensions;
  /* NVIDIA answers when nvBus >= 0 */
  int nvBus;
  cl_uint nvMajor, nvMinor, nvRegisters, nvWarp;
  cl_bool nvOverlap, nvTimeout, nvIntegrated;
  /* AMD answers when amdTopologyType != 0 */
  cl_uint amdTopologyType;
  cl_uint amdPcieId;
  unsigned char amdBus, amdDevice, amdFunction;
};

/* Every object starts with its kind and its reference count. */
typedef struct {
  unsigned magic;
  int references;
} ObjectHead;

struct _cl_context {
  ObjectHead head;
  cl_device_id device;
};

struct _cl_command_queue {
  ObjectHead head;
  cl_context context;
};

struct _cl_program {
  ObjectHead head;
  cl_context context;
  char* source;
  cl_build_status status;
  const char* log;
};

struct _cl_kernel {
  ObjectHead head;
  cl_program program;
};

static struct _cl_platform_id g_platform;

static struct _cl_device_id g_devices[] = {
    {.name = "Fake GeForce B", .vendor = "NVIDIA Corporation", .version = "OpenCL 3.0 CUDA",
     .type = CL_DEVICE_TYPE_GPU, .vendorId = 0x10DE, .computeUnits = 40, .clockMhz = 1545, .workGroupSize = 1024,
     .extensions = "cl_khr_icd cl_nv_device_attribute_query cl_khr_fp64 ", .nvBus = 2, .nvMajor = 7, .nvMinor = 5,
     .nvRegisters = 65536, .nvWarp = 32, .nvOverlap = CL_TRUE, .nvTimeout = CL_TRUE, .nvIntegrated = CL_FALSE},
    {.name = "Fake GeForce A", .vendor = "NVIDIA Corporation", .version = "OpenCL 3.0 CUDA",
     .type = CL_DEVICE_TYPE_GPU, .vendorId = 0x10DE, .computeUnits = 82, .clockMhz = 1695, .workGroupSize = 1024,
     .extensions = "cl_khr_icd cl_nv_device_attribute_query ", .nvBus = 1, .nvMajor = 8, .nvMinor = 6,
     .nvRegisters = 65536, .nvWarp = 32, .nvOverlap = CL_TRUE, .nvTimeout = CL_FALSE, .nvIntegrated = CL_TRUE},
    /* A bus number above 127: the topology's bus byte is not a small signed value. */
    {.name = "Fake Radeon", .vendor = "Advanced Micro Devices, Inc.",
     .version = "OpenCL 2.0 AMD-APP", .type = CL_DEVICE_TYPE_GPU, .vendorId = 0x1002, .computeUnits = 72,
     .clockMhz = 2250, .workGroupSize = 256, .extensions = "cl_khr_icd cl_amd_device_attribute_query ", .nvBus = -1,
     .amdTopologyType = 1, .amdPcieId = 0x73BF, .amdBus = 0x83, .amdDevice = 4, .amdFunction = 1},
    /* A topology of another type than PCIe: no bus. */
    {.name = "Fake Radeon Pro", .vendor = "Advanced Micro Devices, Inc.",
     .version = "OpenCL 2.0 AMD-APP", .type = CL_DEVICE_TYPE_GPU, .vendorId = 0x1002, .computeUnits = 36,
     .clockMhz = 1800, .workGroupSize = 256, .extensions = "cl_khr_icd cl_amd_device_attribute_query ", .nvBus = -1,
     .amdTopologyType = 2, .amdPcieId = 0x7340},
    {.name = "Fake CPU", .vendor = "Quorvel tests", .version = "OpenCL 1.2 Fake",
     .type = CL_DEVICE_TYPE_CPU, .vendorId = 0x8086, .computeUnits = 8, .clockMhz = 3000, .workGroupSize = 4096,
     .extensions = "cl_khr_icd cl_khr_fp64 ", .nvBus = -1},
};
enum { kDeviceCount = sizeof(g_devices) / sizeof(g_devices[0]) };

static const char kBuildLog[] = "fake.cl:1:1: error: the source asks for an error";
static size_t g_announcedLogSize;
static volatile long g_liveObjects;

EXPORT void qvFakeClAnnounceBuildLogSize(size_t size) { g_announcedLogSize = size; }
EXPORT int qvFakeClLiveObjects(void) { return (int)g_liveObjects; }

/* An answer of size bytes: the value is written only into a buffer that
 * holds all of it. */
static cl_int answer(const void* data, size_t size, size_t valueSize, void* value, size_t* sizeRet) {
  if (value && valueSize < size) return CL_INVALID_VALUE;
  if (value) memcpy(value, data, size);
  if (sizeRet) *sizeRet = size;
  return CL_SUCCESS;
}
static cl_int answerText(const char* text, size_t valueSize, void* value, size_t* sizeRet) {
  return answer(text, strlen(text) + 1, valueSize, value, sizeRet);
}
static cl_int answerUint(cl_uint v, size_t valueSize, void* value, size_t* sizeRet) {
  return answer(&v, sizeof(v), valueSize, value, sizeRet);
}
static cl_int answerSize(size_t v, size_t valueSize, void* value, size_t* sizeRet) {
  return answer(&v, sizeof(v), valueSize, value, sizeRet);
}

static int validDevice(cl_device_id d) {
  for (int i = 0; i < kDeviceCount; ++i)
    if (d == &g_devices[i]) return 1;
  return 0;
}

static void setError(cl_int* errcodeRet, cl_int status) {
  if (errcodeRet) *errcodeRet = status;
}
/* A creating call's refusal: the status goes to errcodeRet, no object. */
static void* refuse(cl_int* errcodeRet, cl_int status) {
  setError(errcodeRet, status);
  return NULL;
}
/* A new object with one reference, or null after the status. */
static void* newObject(size_t size, unsigned magic, cl_int* errcodeRet) {
  ObjectHead* object = (ObjectHead*)calloc(1, size);
  if (!object) return refuse(errcodeRet, CL_OUT_OF_HOST_MEMORY);
  object->magic = magic;
  object->references = 1;
  InterlockedIncrement(&g_liveObjects);
  setError(errcodeRet, CL_SUCCESS);
  return object;
}
static void freeObject(void* object) {
  ((ObjectHead*)object)->magic = 0;
  free(object);
  InterlockedDecrement(&g_liveObjects);
}

EXPORT cl_int CL_API_CALL clGetPlatformIDs(cl_uint numEntries, cl_platform_id* platforms, cl_uint* numPlatforms) {
  if ((numEntries == 0 && platforms) || (!platforms && !numPlatforms)) return CL_INVALID_VALUE;
  if (platforms) platforms[0] = &g_platform;
  if (numPlatforms) *numPlatforms = 1;
  return CL_SUCCESS;
}

EXPORT cl_int CL_API_CALL clGetPlatformInfo(cl_platform_id platform, cl_platform_info param, size_t valueSize,
                                            void* value, size_t* sizeRet) {
  if (platform != &g_platform) return CL_INVALID_PLATFORM;
  switch (param) {
    case CL_PLATFORM_PROFILE: return answerText("FULL_PROFILE", valueSize, value, sizeRet);
    case CL_PLATFORM_VERSION: return answerText("OpenCL 3.0 Fake", valueSize, value, sizeRet);
    case CL_PLATFORM_NAME: return answerText("Quorvel Fake OpenCL", valueSize, value, sizeRet);
    case CL_PLATFORM_VENDOR: return answerText("Quorvel tests", valueSize, value, sizeRet);
    case CL_PLATFORM_EXTENSIONS: return answerText("cl_khr_icd ", valueSize, value, sizeRet);
    default: return CL_INVALID_VALUE;
  }
}

EXPORT cl_int CL_API_CALL clGetDeviceIDs(cl_platform_id platform, cl_device_type type, cl_uint numEntries,
                                         cl_device_id* devices, cl_uint* numDevices) {
  if (platform != &g_platform) return CL_INVALID_PLATFORM;
  if ((numEntries == 0 && devices) || (!devices && !numDevices)) return CL_INVALID_VALUE;
  cl_uint found = 0;
  for (int i = 0; i < kDeviceCount; ++i) {
    if (!(g_devices[i].type & type)) continue;
    if (devices && found < numEntries) devices[found] = &g_devices[i];
    ++found;
  }
  if (found == 0) return CL_DEVICE_NOT_FOUND;
  if (numDevices) *numDevices = found;
  return CL_SUCCESS;
}

static cl_int nvidiaInfo(const struct _cl_device_id* d, cl_device_info param, size_t valueSize, void* value,
                         size_t* sizeRet) {
  switch (param) {
    case kNvComputeCapabilityMajor: return answerUint(d->nvMajor, valueSize, value, sizeRet);
    case kNvComputeCapabilityMinor: return answerUint(d->nvMinor, valueSize, value, sizeRet);
    case kNvRegistersPerBlock: return answerUint(d->nvRegisters, valueSize, value, sizeRet);
    case kNvWarpSize: return answerUint(d->nvWarp, valueSize, value, sizeRet);
    case kNvGpuOverlap: return answerUint(d->nvOverlap, valueSize, value, sizeRet);
    case kNvKernelExecTimeout: return answerUint(d->nvTimeout, valueSize, value, sizeRet);
    case kNvIntegratedMemory: return answerUint(d->nvIntegrated, valueSize, value, sizeRet);
    case kNvPciBusId: return answerUint((cl_uint)d->nvBus, valueSize, value, sizeRet);
    default: return CL_INVALID_VALUE;
  }
}

static cl_int amdInfo(const struct _cl_device_id* d, cl_device_info param, size_t valueSize, void* value,
                      size_t* sizeRet) {
  if (param == kAmdPcieId) return answerUint(d->amdPcieId, valueSize, value, sizeRet);
  if (param != kAmdTopology) return CL_INVALID_VALUE;
  unsigned char topology[kTopologySize];
  memset(topology, 0, sizeof(topology));
  memcpy(topology, &d->amdTopologyType, sizeof(d->amdTopologyType));
  if (d->amdTopologyType == 1) {
    topology[kTopologyBus] = d->amdBus;
    topology[kTopologyDevice] = d->amdDevice;
    topology[kTopologyFunction] = d->amdFunction;
  } else {
    /* Another type's payload: bytes that must not be read as a bus. */
    memset(topology + sizeof(cl_uint), 0x5A, sizeof(topology) - sizeof(cl_uint));
  }
  return answer(topology, sizeof(topology), valueSize, value, sizeRet);
}

EXPORT cl_int CL_API_CALL clGetDeviceInfo(cl_device_id device, cl_device_info param, size_t valueSize, void* value,
                                          size_t* sizeRet) {
  if (!validDevice(device)) return CL_INVALID_DEVICE;
  const struct _cl_device_id* d = device;
  switch (param) {
    case CL_DEVICE_TYPE: return answer(&d->type, sizeof(d->type), valueSize, value, sizeRet);
    case CL_DEVICE_VENDOR_ID: return answerUint(d->vendorId, valueSize, value, sizeRet);
    case CL_DEVICE_MAX_COMPUTE_UNITS: return answerUint(d->computeUnits, valueSize, value, sizeRet);
    case CL_DEVICE_MAX_CLOCK_FREQUENCY: return answerUint(d->clockMhz, valueSize, value, sizeRet);
    case CL_DEVICE_MAX_WORK_ITEM_DIMENSIONS: return answerUint(3, valueSize, value, sizeRet);
    case CL_DEVICE_MAX_WORK_ITEM_SIZES: {
      size_t sizes[3] = {d->workGroupSize, d->workGroupSize, 64};
      return answer(sizes, sizeof(sizes), valueSize, value, sizeRet);
    }
    case CL_DEVICE_MAX_WORK_GROUP_SIZE: return answerSize(d->workGroupSize, valueSize, value, sizeRet);
    case CL_DEVICE_NAME: return answerText(d->name, valueSize, value, sizeRet);
    case CL_DEVICE_VENDOR: return answerText(d->vendor, valueSize, value, sizeRet);
    case CL_DRIVER_VERSION: return answerText("1.0.fake", valueSize, value, sizeRet);
    case CL_DEVICE_PROFILE: return answerText("FULL_PROFILE", valueSize, value, sizeRet);
    case CL_DEVICE_VERSION: return answerText(d->version, valueSize, value, sizeRet);
    case CL_DEVICE_EXTENSIONS: return answerText(d->extensions, valueSize, value, sizeRet);
    default: break;
  }
  if (d->nvBus >= 0) return nvidiaInfo(d, param, valueSize, value, sizeRet);
  if (d->amdTopologyType != 0) return amdInfo(d, param, valueSize, value, sizeRet);
  return CL_INVALID_VALUE;
}

/* The properties must name this platform. */
static int propertiesNamePlatform(const cl_context_properties* properties) {
  for (const cl_context_properties* p = properties; p && p[0]; p += 2)
    if (p[0] == CL_CONTEXT_PLATFORM) return p[1] == (cl_context_properties)&g_platform;
  return 0;
}

EXPORT cl_context CL_API_CALL clCreateContext(const cl_context_properties* properties, cl_uint numDevices,
                                              const cl_device_id* devices,
                                              void(CL_CALLBACK* notify)(const char*, const void*, size_t, void*),
                                              void* userData, cl_int* errcodeRet) {
  (void)notify;
  (void)userData;
  if (!propertiesNamePlatform(properties)) return refuse(errcodeRet, CL_INVALID_PLATFORM);
  if (numDevices != 1 || !devices) return refuse(errcodeRet, CL_INVALID_VALUE);
  if (!validDevice(devices[0])) return refuse(errcodeRet, CL_INVALID_DEVICE);
  struct _cl_context* c = (struct _cl_context*)newObject(sizeof(*c), kMagicContext, errcodeRet);
  if (c) c->device = devices[0];
  return c;
}

EXPORT cl_command_queue CL_API_CALL clCreateCommandQueue(cl_context context, cl_device_id device,
                                                         cl_command_queue_properties properties, cl_int* errcodeRet) {
  (void)properties;
  if (!context || context->head.magic != kMagicContext) return refuse(errcodeRet, CL_INVALID_CONTEXT);
  if (device != context->device) return refuse(errcodeRet, CL_INVALID_DEVICE);
  struct _cl_command_queue* q = (struct _cl_command_queue*)newObject(sizeof(*q), kMagicQueue, errcodeRet);
  if (!q) return NULL;
  q->context = context;
  ++context->head.references;
  return q;
}

EXPORT cl_program CL_API_CALL clCreateProgramWithSource(cl_context context, cl_uint count, const char** strings,
                                                        const size_t* lengths, cl_int* errcodeRet) {
  if (!context || context->head.magic != kMagicContext) return refuse(errcodeRet, CL_INVALID_CONTEXT);
  if (count == 0 || !strings) return refuse(errcodeRet, CL_INVALID_VALUE);
  size_t total = 0;
  for (cl_uint i = 0; i < count; ++i) total += lengths && lengths[i] ? lengths[i] : strlen(strings[i]);
  char* source = (char*)calloc(total + 1, 1);
  if (!source) return refuse(errcodeRet, CL_OUT_OF_HOST_MEMORY);
  struct _cl_program* p = (struct _cl_program*)newObject(sizeof(*p), kMagicProgram, errcodeRet);
  if (!p) {
    free(source);
    return NULL;
  }
  size_t at = 0;
  for (cl_uint i = 0; i < count; ++i) {
    size_t n = lengths && lengths[i] ? lengths[i] : strlen(strings[i]);
    memcpy(source + at, strings[i], n);
    at += n;
  }
  p->context = context;
  p->source = source;
  p->status = CL_BUILD_NONE;
  p->log = "";
  ++context->head.references;
  return p;
}

/* A source that holds "#error" does not build. */
EXPORT cl_int CL_API_CALL clBuildProgram(cl_program program, cl_uint numDevices, const cl_device_id* devices,
                                         const char* options, void(CL_CALLBACK* notify)(cl_program, void*),
                                         void* userData) {
  (void)numDevices;
  (void)devices;
  (void)options;
  (void)notify;
  (void)userData;
  if (!program || program->head.magic != kMagicProgram) return CL_INVALID_PROGRAM;
  if (strstr(program->source, "#error")) {
    program->status = CL_BUILD_ERROR;
    program->log = kBuildLog;
    return CL_BUILD_PROGRAM_FAILURE;
  }
  program->status = CL_BUILD_SUCCESS;
  program->log = "";
  return CL_SUCCESS;
}

EXPORT cl_int CL_API_CALL clGetProgramBuildInfo(cl_program program, cl_device_id device, cl_program_build_info param,
                                                size_t valueSize, void* value, size_t* sizeRet) {
  if (!program || program->head.magic != kMagicProgram) return CL_INVALID_PROGRAM;
  if (device != program->context->device) return CL_INVALID_DEVICE;
  if (param == CL_PROGRAM_BUILD_STATUS) return answer(&program->status, sizeof(program->status), valueSize, value, sizeRet);
  if (param != CL_PROGRAM_BUILD_LOG) return CL_INVALID_VALUE;
  /* A driver that announces a size other than its log's still checks a
   * buffer against the log itself and writes the log whole. */
  size_t size = strlen(program->log) + 1;
  size_t announced = g_announcedLogSize ? g_announcedLogSize : size;
  if (value && valueSize < size) return CL_INVALID_VALUE;
  if (value) memcpy(value, program->log, size);
  if (sizeRet) *sizeRet = announced;
  return CL_SUCCESS;
}

EXPORT cl_kernel CL_API_CALL clCreateKernel(cl_program program, const char* name, cl_int* errcodeRet) {
  if (!program || program->head.magic != kMagicProgram) return refuse(errcodeRet, CL_INVALID_PROGRAM);
  if (program->status != CL_BUILD_SUCCESS) return refuse(errcodeRet, CL_INVALID_PROGRAM_EXECUTABLE);
  if (!name || !strstr(program->source, name)) return refuse(errcodeRet, CL_INVALID_KERNEL_NAME);
  struct _cl_kernel* k = (struct _cl_kernel*)newObject(sizeof(*k), kMagicKernel, errcodeRet);
  if (!k) return NULL;
  k->program = program;
  ++program->head.references;
  return k;
}

EXPORT cl_int CL_API_CALL clGetKernelWorkGroupInfo(cl_kernel kernel, cl_device_id device,
                                                   cl_kernel_work_group_info param, size_t valueSize, void* value,
                                                   size_t* sizeRet) {
  if (!kernel || kernel->head.magic != kMagicKernel) return CL_INVALID_KERNEL;
  if (!validDevice(device)) return CL_INVALID_DEVICE;
  if (param != CL_KERNEL_WORK_GROUP_SIZE) return CL_INVALID_VALUE;
  return answerSize(device->workGroupSize, valueSize, value, sizeRet);
}

/* Drops a reference; true when it was the last, and the object is gone. */
static int lastReference(void* object) {
  if (--((ObjectHead*)object)->references > 0) return 0;
  freeObject(object);
  return 1;
}

static cl_int releaseContext(cl_context c) {
  if (!c || c->head.magic != kMagicContext) return CL_INVALID_CONTEXT;
  lastReference(c);
  return CL_SUCCESS;
}

/* An object's last reference drops the one it holds on its parent. */
static cl_int releaseProgram(cl_program p) {
  if (!p || p->head.magic != kMagicProgram) return CL_INVALID_PROGRAM;
  cl_context c = p->context;
  char* source = p->source;
  if (lastReference(p)) {
    free(source);
    releaseContext(c);
  }
  return CL_SUCCESS;
}

EXPORT cl_int CL_API_CALL clReleaseKernel(cl_kernel k) {
  if (!k || k->head.magic != kMagicKernel) return CL_INVALID_KERNEL;
  cl_program p = k->program;
  if (lastReference(k)) releaseProgram(p);
  return CL_SUCCESS;
}

EXPORT cl_int CL_API_CALL clReleaseProgram(cl_program p) { return releaseProgram(p); }

EXPORT cl_int CL_API_CALL clReleaseCommandQueue(cl_command_queue q) {
  if (!q || q->head.magic != kMagicQueue) return CL_INVALID_COMMAND_QUEUE;
  cl_context c = q->context;
  if (lastReference(q)) releaseContext(c);
  return CL_SUCCESS;
}

EXPORT cl_int CL_API_CALL clReleaseContext(cl_context c) { return releaseContext(c); }
