// The OpenCL side shared by the four OpenCL demos: platform and device
// choice, the decision to share buffers with OpenGL, context and queue, the
// kernel source from its file under "media/" or the demo's inline text, the
// build with its error report, the kernel and work-group sizes that respect
// the device's limits. Every call goes through ClEntryPoints.
#pragma once
#include <cstddef>
#include <string>

#include "demos/ClEntryPoints.h"
#include "demos/DemoSlot.h"

// Largest kernel file read; a longer file counts as unreadable.
const long kMaxKernelFileSize = 1024 * 1024;

struct ClDemoOptions {
  bool platformFromTab;       // the OpenCL tab's platform instead of a search
  bool interopAllowed;        // the demo may share buffers with OpenGL
  const char* kernelFile;     // null: the inline text only
  const char* inlineText;     // null: the kernel file is required
  const char* kernelName;
  const char* errorTestName;  // the benchmark row of a failed build
  bool autostarted;           // started by its start switch
};

// The OpenCL objects of one demo run, owned by the demo thread.
class ClDemoSession {
 public:
  explicit ClDemoSession(int deviceType);
  ~ClDemoSession();
  ClDemoSession(const ClDemoSession&) = delete;
  ClDemoSession& operator=(const ClDemoSession&) = delete;

  // Every set-up step; on a failure the message is shown, what exists is
  // released and the result is false (the demo ends through the OpenCL exit).
  bool setUp(const ClDemoOptions& options, DemoSlot* slot);
  // Releases kernel, program, queue and context and frees the device list.
  void release();

  // "CPU" for device type 2, else "GPU" (titles and context messages).
  const char* typeWord() const;
  // A memory object of the demo's set-up, named in the box when it cannot
  // be created (null then).
  cl_mem createBuffer(const char* name, cl_mem_flags flags, size_t bytes, void* host) const;
  // An argument of the kernel at set-up; false after the box that names it.
  bool setArgument(cl_uint index, size_t size, const void* value) const;
  template <class T>
  bool setArgument(cl_uint index, const T& value) const {
    return setArgument(index, sizeof(T), &value);
  }
  // The largest work-group the kernel may run with on the device.
  size_t workGroupLimit() const { return m_workGroupLimit; }
  // The largest work-group side per dimension (0: x, 1: y).
  size_t maxItemSize(int dimension) const { return m_maxItemSizes[dimension]; }

  int deviceType;
  bool interop;
  cl_platform_id platform;
  cl_device_id* devices;
  cl_uint deviceCount;
  cl_device_id device;
  cl_context context;
  cl_command_queue queue;
  cl_program program;
  cl_kernel kernel;

 private:
  bool choosePlatform(const ClDemoOptions& options, int* index);
  bool decideInterop(int platformIndex);
  bool createContext(int platformIndex);
  bool build(const ClDemoOptions& options, const std::string& source, DemoSlot* slot);
  void readLimits();

  size_t m_workGroupLimit;
  size_t m_maxItemSizes[3];
};

// The box of an OpenCL step of a demo's set-up that failed, naming the step
// and ending as the other demo messages do:
// "OpenCL <type> <step> failed (CL error = <status>). Bye...".
void ShowClSetupFailure(const char* typeWord, cl_int status, const char* stepFormat, ...)
    __attribute__((format(gnu_printf, 3, 4)));

// The device entry chosen among count devices: a given index when it lies
// within them, else entry 0; without a given index the tab's selection when
// it lies within them, else entry 0. Negative indexes lie outside.
unsigned ChooseClDeviceEntry(unsigned count, bool indexGiven, int index, int tabSelection);

// Reads a whole kernel file (at most kMaxKernelFileSize bytes); false when it
// cannot be opened or read whole.
bool ReadKernelFile(const char* path, std::string* text);

// Local sizes from a work-group limit: one dimension takes limit / 32 (the
// limit itself when it is 1), never 0 and never above the side limit.
size_t ClLocalSize1D(size_t limit, size_t maxSide);
// Two dimensions: x as above, y the rest of the limit, each within its side
// limit, so that x * y never exceeds the limit.
void ClLocalSize2D(size_t limit, size_t maxSideX, size_t maxSideY, size_t* x, size_t* y);
// n rounded up to a multiple of local (local > 0).
size_t RoundUpWorkSize(size_t n, size_t local);
