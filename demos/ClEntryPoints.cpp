#include "demos/ClEntryPoints.h"

#include <atomic>
#include <cstring>

#include "app/AppState.h"

namespace {

// Every entry point: name, failure result, parameter list, argument list.
#define QV_CL_ENTRY_POINTS(X)                                                                     \
  X(clGetPlatformIDs, -1, (cl_uint a, cl_platform_id * b, cl_uint * c), (a, b, c))                \
  X(clGetPlatformInfo, -1, (cl_platform_id a, cl_platform_info b, size_t c, void* d, size_t* e),  \
    (a, b, c, d, e))                                                                              \
  X(clGetDeviceIDs, -1,                                                                           \
    (cl_platform_id a, cl_device_type b, cl_uint c, cl_device_id * d, cl_uint * e),               \
    (a, b, c, d, e))                                                                              \
  X(clGetDeviceInfo, -1, (cl_device_id a, cl_device_info b, size_t c, void* d, size_t* e),        \
    (a, b, c, d, e))                                                                              \
  X(clCreateContext, nullptr,                                                                     \
    (const cl_context_properties* a, cl_uint b, const cl_device_id* c,                            \
     void(CL_CALLBACK * d)(const char*, const void*, size_t, void*), void* e, cl_int* f),         \
    (a, b, c, d, e, f))                                                                           \
  X(clCreateCommandQueue, nullptr,                                                                \
    (cl_context a, cl_device_id b, cl_command_queue_properties c, cl_int * d), (a, b, c, d))      \
  X(clCreateProgramWithSource, nullptr,                                                           \
    (cl_context a, cl_uint b, const char** c, const size_t* d, cl_int* e), (a, b, c, d, e))       \
  X(clBuildProgram, -1,                                                                           \
    (cl_program a, cl_uint b, const cl_device_id* c, const char* d,                               \
     void(CL_CALLBACK * e)(cl_program, void*), void* f),                                          \
    (a, b, c, d, e, f))                                                                           \
  X(clGetProgramBuildInfo, -1,                                                                    \
    (cl_program a, cl_device_id b, cl_program_build_info c, size_t d, void* e, size_t* f),        \
    (a, b, c, d, e, f))                                                                           \
  X(clCreateKernel, nullptr, (cl_program a, const char* b, cl_int* c), (a, b, c))                 \
  X(clGetKernelWorkGroupInfo, -1,                                                                 \
    (cl_kernel a, cl_device_id b, cl_kernel_work_group_info c, size_t d, void* e, size_t* f),     \
    (a, b, c, d, e, f))                                                                           \
  X(clCreateBuffer, nullptr, (cl_context a, cl_mem_flags b, size_t c, void* d, cl_int* e),        \
    (a, b, c, d, e))                                                                              \
  X(clCreateFromGLBuffer, nullptr, (cl_context a, cl_mem_flags b, cl_GLuint c, cl_int * d),       \
    (a, b, c, d))                                                                                 \
  X(clCreateFromGLTexture2D, nullptr,                                                             \
    (cl_context a, cl_mem_flags b, cl_GLenum c, cl_GLint d, cl_GLuint e, cl_int * f),             \
    (a, b, c, d, e, f))                                                                           \
  X(clSetKernelArg, -1, (cl_kernel a, cl_uint b, size_t c, const void* d), (a, b, c, d))          \
  X(clEnqueueNDRangeKernel, -1,                                                                   \
    (cl_command_queue a, cl_kernel b, cl_uint c, const size_t* d, const size_t* e,                \
     const size_t* f, cl_uint g, const cl_event* h, cl_event* i),                                 \
    (a, b, c, d, e, f, g, h, i))                                                                  \
  X(clEnqueueReadBuffer, -1,                                                                      \
    (cl_command_queue a, cl_mem b, cl_bool c, size_t d, size_t e, void* f, cl_uint g,             \
     const cl_event* h, cl_event* i),                                                             \
    (a, b, c, d, e, f, g, h, i))                                                                  \
  X(clEnqueueWriteBuffer, -1,                                                                     \
    (cl_command_queue a, cl_mem b, cl_bool c, size_t d, size_t e, const void* f, cl_uint g,       \
     const cl_event* h, cl_event* i),                                                             \
    (a, b, c, d, e, f, g, h, i))                                                                  \
  X(clEnqueueCopyBufferToImage, -1,                                                               \
    (cl_command_queue a, cl_mem b, cl_mem c, size_t d, const size_t* e, const size_t* f,          \
     cl_uint g, const cl_event* h, cl_event* i),                                                  \
    (a, b, c, d, e, f, g, h, i))                                                                  \
  X(clEnqueueAcquireGLObjects, -1,                                                                \
    (cl_command_queue a, cl_uint b, const cl_mem* c, cl_uint d, const cl_event* e, cl_event* f),  \
    (a, b, c, d, e, f))                                                                           \
  X(clEnqueueReleaseGLObjects, -1,                                                                \
    (cl_command_queue a, cl_uint b, const cl_mem* c, cl_uint d, const cl_event* e, cl_event* f),  \
    (a, b, c, d, e, f))                                                                           \
  X(clReleaseMemObject, -1, (cl_mem a), (a))                                                      \
  X(clReleaseProgram, -1, (cl_program a), (a))                                                    \
  X(clReleaseKernel, -1, (cl_kernel a), (a))                                                      \
  X(clReleaseCommandQueue, -1, (cl_command_queue a), (a))                                         \
  X(clReleaseContext, -1, (cl_context a), (a))

// The cache: one pointer per entry point, typed from the OpenCL declaration
// (so the calling convention is the API's on each architecture). Two threads
// that resolve the same name at once store the same value.
#define QV_CL_CACHE(name, failure, params, args) std::atomic<decltype(&::name)> g_##name{nullptr};
QV_CL_ENTRY_POINTS(QV_CL_CACHE)
#undef QV_CL_CACHE

template <typename Fn>
Fn lookUp(const char* name) {
  HMODULE library = g_app.openClLibrary;
  FARPROC proc = library ? GetProcAddress(library, name) : nullptr;
  Fn fn;
  static_assert(sizeof(fn) == sizeof(proc), "function pointers differ in size");
  memcpy(&fn, &proc, sizeof(fn));
  return fn;
}

template <typename Fn>
Fn resolve(std::atomic<Fn>& cache, const char* name) {
  Fn fn = cache.load(std::memory_order_relaxed);
  if (!fn) {
    fn = lookUp<Fn>(name);
    cache.store(fn, std::memory_order_relaxed);
  }
  return fn;
}

}  // namespace

namespace ClEntryPoints {

#define QV_CL_FORWARD(name, failure, params, args)                 \
  auto name params->decltype(::name args) {                        \
    auto fn = resolve(g_##name, #name);                            \
    if (!fn) return failure;                                       \
    return fn args;                                                \
  }
QV_CL_ENTRY_POINTS(QV_CL_FORWARD)
#undef QV_CL_FORWARD

}  // namespace ClEntryPoints

bool LoadClGlInteropEntryPoints() {
  bool all = true;
#define QV_CL_RELOAD(name)                                   \
  {                                                          \
    auto fn = lookUp<decltype(&::name)>(#name);              \
    g_##name.store(fn, std::memory_order_relaxed);           \
    if (!fn) all = false;                                    \
  }
  QV_CL_RELOAD(clCreateFromGLTexture2D)
  QV_CL_RELOAD(clCreateFromGLBuffer)
  QV_CL_RELOAD(clEnqueueAcquireGLObjects)
  QV_CL_RELOAD(clEnqueueReleaseGLObjects)
#undef QV_CL_RELOAD
  return all;
}

void ResetClEntryPoints() {
#define QV_CL_RESET(name, failure, params, args) g_##name.store(nullptr, std::memory_order_relaxed);
  QV_CL_ENTRY_POINTS(QV_CL_RESET)
#undef QV_CL_RESET
}
