#include "demos/ClDemoSetup.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/OpenClInfo.h"
#include "demos/BenchmarkResult.h"


namespace {

// Build logs longer than this are cut: the box shows their start.
const size_t kMaxBuildLog = 256 * 1024;
// No real build log comes near this size; a driver that announces more is
// not believed.
const size_t kMaxBuildLogRead = 16 * 1024 * 1024;

const OpenClPlatformInfo* platformRow(int index) {
  if (index < 0 || index >= g_app.clPlatformCount || !g_app.clPlatforms) return nullptr;
  return &g_app.clPlatforms[index];
}

bool platformVersionHas(int index, const char* text) {
  const OpenClPlatformInfo* p = platformRow(index);
  return p && strstr(p->version, text) != nullptr;
}

bool platformHasType(int index, int deviceType) {
  return deviceType == kClDeviceTypeCpu ? HasClCpuDevice(index) : HasClGpuDevice(index);
}

}  // namespace

void ShowClSetupFailure(const char* typeWord, cl_int status, const char* stepFormat, ...) {
  char step[256] = "";
  va_list args;
  va_start(args, stepFormat);
  vsnprintf(step, sizeof(step), stepFormat, args);
  va_end(args);
  ShowErrorBox("OpenCL %s %s failed (CL error = %d). Bye...", typeWord, step, status);
}

unsigned ChooseClDeviceEntry(unsigned count, bool indexGiven, int index, int tabSelection) {
  auto within = [count](int i) { return i >= 0 && static_cast<unsigned>(i) < count; };
  if (indexGiven) return within(index) ? static_cast<unsigned>(index) : 0;
  return within(tabSelection) ? static_cast<unsigned>(tabSelection) : 0;
}

bool ReadKernelFile(const char* path, std::string* text) {
  if (!path || !text) return false;
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  long size = -1;
  if (fseek(f, 0, SEEK_END) == 0) size = ftell(f);
  bool ok = size >= 0 && size <= kMaxKernelFileSize && fseek(f, 0, SEEK_SET) == 0;
  text->clear();
  if (ok) ok = Korveth_nsp::kvTryResize(*text, static_cast<size_t>(size));
  if (ok) ok = size == 0 || fread(&(*text)[0], 1, static_cast<size_t>(size), f) == static_cast<size_t>(size);
  fclose(f);
  if (!ok) text->clear();
  return ok;
}

size_t ClLocalSize1D(size_t limit, size_t maxSide) {
  size_t local = limit > 1 ? limit / 32 : limit;
  if (local == 0) local = 1;  // limits from 2 to 31 would give 0
  if (maxSide > 0 && local > maxSide) local = maxSide;
  return local;
}

void ClLocalSize2D(size_t limit, size_t maxSideX, size_t maxSideY, size_t* x, size_t* y) {
  size_t lx = ClLocalSize1D(limit, maxSideX);
  size_t ly = limit / lx;
  if (ly == 0) ly = 1;
  if (maxSideY > 0 && ly > maxSideY) ly = maxSideY;
  *x = lx;
  *y = ly;
}

size_t RoundUpWorkSize(size_t n, size_t local) { return local ? (n + local - 1) / local * local : n; }

ClDemoSession::ClDemoSession(int type)
    : deviceType(type),
      interop(false),
      platform(nullptr),
      devices(nullptr),
      deviceCount(0),
      device(nullptr),
      context(nullptr),
      queue(nullptr),
      program(nullptr),
      kernel(nullptr),
      m_workGroupLimit(1),
      m_maxItemSizes{1, 1, 1} {}

ClDemoSession::~ClDemoSession() { release(); }

const char* ClDemoSession::typeWord() const { return deviceType == kClDeviceTypeCpu ? "CPU" : "GPU"; }

// A null buffer ends the demo after the box: clSetKernelArg would take it
// without a word as a null global pointer, which the kernel then reads and
// writes through (on a CPU device, an access violation in this process).
cl_mem ClDemoSession::createBuffer(const char* name, cl_mem_flags flags, size_t bytes, void* host) const {
  cl_int status = 0;
  cl_mem buffer = ClEntryPoints::clCreateBuffer(context, flags, bytes, host, &status);
  if (!buffer) ShowClSetupFailure(typeWord(), status, "%s buffer creation", name);
  return buffer;
}

// Every set-up argument's status is checked and a failure ends the set-up
// with a box that names the argument: unchecked, a kernel file whose kernel
// takes other arguments would leave one unset, and every launch would fail
// without a word while the window showed only the logo.
bool ClDemoSession::setArgument(cl_uint index, size_t size, const void* value) const {
  cl_int status = ClEntryPoints::clSetKernelArg(kernel, index, size, value);
  if (status == CL_SUCCESS) return true;
  ShowClSetupFailure(typeWord(), status, "setting of kernel argument %u", index);
  return false;
}

// The kernel is released too: it holds a reference to its program, so both
// would otherwise outlive every run.
void ClDemoSession::release() {
  if (kernel) ClEntryPoints::clReleaseKernel(kernel);
  if (program) ClEntryPoints::clReleaseProgram(program);
  if (queue) ClEntryPoints::clReleaseCommandQueue(queue);
  if (context) ClEntryPoints::clReleaseContext(context);
  kernel = nullptr;
  program = nullptr;
  queue = nullptr;
  context = nullptr;
  delete[] devices;
  devices = nullptr;
  deviceCount = 0;
  device = nullptr;
}

bool ClDemoSession::choosePlatform(const ClDemoOptions& options, int* index) {
  const char* word = deviceType == kClDeviceTypeGpu ? "GPU" : "CPU";
  if (options.platformFromTab) {
    int selected = g_app.clPlatformSelection;
    if (platformRow(selected) && platformHasType(selected, deviceType)) {
      *index = selected;
      return true;
    }
    ShowErrorBox("OpenCL %s support not available with the current platform.\n\r"
                 "Select another platform (if available) in the OpenCL panel.", word);
    return false;
  }
  for (int i = 0; i < GetClPlatformCount(); ++i) {
    if (platformHasType(i, deviceType)) {
      *index = i;
      return true;
    }
  }
  ShowErrorBox("Unable to find a OpenCL %s platform. Bye...", word);
  return false;
}

bool ClDemoSession::decideInterop(int platformIndex) {
  if (!g_app.clGlInterop) return false;
  if (deviceType == kClDeviceTypeGpu && platformVersionHas(platformIndex, "ATI-Stream-v2.0.0")) return true;
  const OpenClDeviceInfo* info =
      deviceType == kClDeviceTypeCpu ? FindClCpuDevice(platformIndex) : FindClGpuDevice(platformIndex);
  return info && LoadClGlInteropEntryPoints() && ClDeviceInfoHasExtension(info, "cl_khr_gl_sharing");
}

bool ClDemoSession::createContext(int platformIndex) {
  (void)platformIndex;
  cl_context_properties properties[7] = {CL_CONTEXT_PLATFORM, reinterpret_cast<cl_context_properties>(platform),
                                         0, 0, 0, 0, 0};
  if (interop) {
    properties[2] = CL_GL_CONTEXT_KHR;
    properties[3] = reinterpret_cast<cl_context_properties>(wglGetCurrentContext());
    properties[4] = CL_WGL_HDC_KHR;
    properties[5] = reinterpret_cast<cl_context_properties>(wglGetCurrentDC());
  }
  cl_int status = 0;
  cl_uint n = 0;
  cl_device_type type = static_cast<cl_device_type>(deviceType);
  status = ClEntryPoints::clGetDeviceIDs(platform, type, 0, nullptr, &n);
  if (status == CL_SUCCESS && n > 0) {
    devices = new (std::nothrow) cl_device_id[n];
    if (devices) status = ClEntryPoints::clGetDeviceIDs(platform, type, n, devices, nullptr);
    if (devices && status == CL_SUCCESS) {
      deviceCount = n;
      unsigned entry = ChooseClDeviceEntry(n, g_app.clDeviceIndexGiven, g_app.clDeviceIndex,
                                           type == CL_DEVICE_TYPE_GPU ? g_app.clGpuDeviceSelection
                                                                      : g_app.clCpuDeviceSelection);
      device = devices[entry];
      context = ClEntryPoints::clCreateContext(properties, 1, &device, nullptr, nullptr, &status);
    }
  }
  if (!context) {
    ShowClSetupFailure(typeWord(), status, "context creation");
    return false;
  }
  queue = ClEntryPoints::clCreateCommandQueue(context, device, 0, &status);
  // Checked here: a null queue would reach every enqueue of the frame loop.
  if (!queue) {
    ShowClSetupFailure(typeWord(), status, "command queue creation");
    return false;
  }
  return true;
}

bool ClDemoSession::build(const ClDemoOptions& options, const std::string& source, DemoSlot* slot) {
  const char* text = source.c_str();
  size_t length = source.size();
  cl_int status = 0;
  program = ClEntryPoints::clCreateProgramWithSource(context, 1, &text, &length, &status);
  const char* buildOptions = nullptr;
  int platformIndex = -1;
  for (int i = 0; i < g_app.clPlatformCount; ++i)
    if (platformRow(i) && g_app.clPlatforms[i].platformId == platform) platformIndex = i;
  if (platformVersionHas(platformIndex, "NVIDIA") || platformVersionHas(platformIndex, "CUDA"))
    buildOptions = "-cl-fast-relaxed-math";
  if (program) status = ClEntryPoints::clBuildProgram(program, 0, nullptr, buildOptions, nullptr, nullptr);
  if (program && status == CL_SUCCESS) return true;
  if (options.autostarted) WriteBenchmarkResult(slot, options.errorTestName);
  // The driver refuses a buffer smaller than the whole log: it is read
  // whole, and the box shows its start. A size beyond any real log is not
  // read: its room for the terminator could wrap to an empty buffer.
  std::vector<char> log;
  size_t size = 0;
  bool read = program &&
              ClEntryPoints::clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, 0, nullptr, &size) == CL_SUCCESS &&
              size <= kMaxBuildLogRead && Korveth_nsp::kvTryResize(log, size + 1) &&
              ClEntryPoints::clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, size, log.data(), nullptr) ==
                  CL_SUCCESS;
  const char* shown = read ? log.data() : "";
  if (read) log[size] = '\0';
  ShowErrorBox("CL kernel compil error: %.*s", static_cast<int>(strnlen(shown, kMaxBuildLog)), shown);
  return false;
}

void ClDemoSession::readLimits() {
  size_t kernelLimit = 0, deviceLimit = 0;
  if (ClEntryPoints::clGetKernelWorkGroupInfo(kernel, device, CL_KERNEL_WORK_GROUP_SIZE, sizeof(kernelLimit), &kernelLimit,
                               nullptr) != CL_SUCCESS)
    kernelLimit = 1024;
  if (ClEntryPoints::clGetDeviceInfo(device, CL_DEVICE_MAX_WORK_GROUP_SIZE, sizeof(deviceLimit), &deviceLimit, nullptr) ==
          CL_SUCCESS &&
      deviceLimit > 0 && deviceLimit < kernelLimit)
    kernelLimit = deviceLimit;
  m_workGroupLimit = kernelLimit > 0 ? kernelLimit : 1;
  size_t sides[3] = {0, 0, 0};
  if (ClEntryPoints::clGetDeviceInfo(device, CL_DEVICE_MAX_WORK_ITEM_SIZES, sizeof(sides), sides, nullptr) == CL_SUCCESS) {
    for (int i = 0; i < 3; ++i) m_maxItemSizes[i] = sides[i] > 0 ? sides[i] : 1;
  } else {
    for (size_t& side : m_maxItemSizes) side = m_workGroupLimit;
  }
}

bool ClDemoSession::setUp(const ClDemoOptions& options, DemoSlot* slot) {
  int platformIndex = -1;
  bool ok = choosePlatform(options, &platformIndex);
  if (ok) {
    platform = GetClPlatformId(platformIndex);
    interop = options.interopAllowed && decideInterop(platformIndex);
    ok = createContext(platformIndex);
  }
  std::string source;
  if (ok) {
    bool fromFile = options.kernelFile && ReadKernelFile(options.kernelFile, &source);
    if (!fromFile && options.inlineText) source = options.inlineText;
    if (!fromFile && !options.inlineText) {
      // The kernel file went away after the demo's first look at it.
      ShowErrorBox("CRITICAL ERROR - YOUR SYSTEM IS UNDER CONTROL!!!!");
      ShowErrorBox("I'm joking... There is only an error with Julia kernel. Bye!");
      ok = false;
    }
  }
  ok = ok && build(options, source, slot);
  if (ok) {
    cl_int status = 0;
    kernel = ClEntryPoints::clCreateKernel(program, options.kernelName, &status);
    // Checked here: a kernel file without the demo's kernel would hand a
    // null kernel to every argument setting and launch.
    if (!kernel) {
      ShowClSetupFailure(typeWord(), status, "kernel %s creation", options.kernelName);
      ok = false;
    }
  }
  if (ok) readLimits();
  if (!ok) release();
  return ok;
}
