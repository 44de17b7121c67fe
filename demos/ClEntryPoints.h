// The program's only way to OpenCL: one forwarding function per entry point,
// each resolved by name in the OpenCL library that the OpenCL information
// collector loaded (g_app.openClLibrary) on its first call and kept until
// ResetClEntryPoints. An entry point that cannot be found is not called: the
// function writes no out-parameter and returns -1 (status results) or null
// (object results).
#pragma once
#include <windows.h>

#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#ifndef CL_USE_DEPRECATED_OPENCL_1_1_APIS
#define CL_USE_DEPRECATED_OPENCL_1_1_APIS
#endif
#include <CL/cl.h>
#include <CL/cl_gl.h>

namespace ClEntryPoints {

cl_int clGetPlatformIDs(cl_uint numEntries, cl_platform_id* platforms, cl_uint* numPlatforms);
cl_int clGetPlatformInfo(cl_platform_id platform, cl_platform_info param, size_t valueSize,
                         void* value, size_t* valueSizeRet);
cl_int clGetDeviceIDs(cl_platform_id platform, cl_device_type type, cl_uint numEntries,
                      cl_device_id* devices, cl_uint* numDevices);
cl_int clGetDeviceInfo(cl_device_id device, cl_device_info param, size_t valueSize, void* value,
                       size_t* valueSizeRet);
cl_context clCreateContext(const cl_context_properties* properties, cl_uint numDevices,
                           const cl_device_id* devices,
                           void(CL_CALLBACK* notify)(const char*, const void*, size_t, void*),
                           void* userData, cl_int* errcodeRet);
cl_command_queue clCreateCommandQueue(cl_context context, cl_device_id device,
                                      cl_command_queue_properties properties, cl_int* errcodeRet);
cl_program clCreateProgramWithSource(cl_context context, cl_uint count, const char** strings,
                                     const size_t* lengths, cl_int* errcodeRet);
cl_int clBuildProgram(cl_program program, cl_uint numDevices, const cl_device_id* devices,
                      const char* options, void(CL_CALLBACK* notify)(cl_program, void*),
                      void* userData);
cl_int clGetProgramBuildInfo(cl_program program, cl_device_id device, cl_program_build_info param,
                             size_t valueSize, void* value, size_t* valueSizeRet);
cl_kernel clCreateKernel(cl_program program, const char* name, cl_int* errcodeRet);
cl_int clGetKernelWorkGroupInfo(cl_kernel kernel, cl_device_id device,
                                cl_kernel_work_group_info param, size_t valueSize, void* value,
                                size_t* valueSizeRet);
cl_mem clCreateBuffer(cl_context context, cl_mem_flags flags, size_t size, void* hostPtr,
                      cl_int* errcodeRet);
cl_mem clCreateFromGLBuffer(cl_context context, cl_mem_flags flags, cl_GLuint buffer,
                            cl_int* errcodeRet);
cl_mem clCreateFromGLTexture2D(cl_context context, cl_mem_flags flags, cl_GLenum target,
                               cl_GLint mipLevel, cl_GLuint texture, cl_int* errcodeRet);
cl_int clSetKernelArg(cl_kernel kernel, cl_uint index, size_t size, const void* value);
cl_int clEnqueueNDRangeKernel(cl_command_queue queue, cl_kernel kernel, cl_uint workDim,
                              const size_t* globalOffset, const size_t* globalSize,
                              const size_t* localSize, cl_uint numEvents, const cl_event* waitList,
                              cl_event* event);
cl_int clEnqueueReadBuffer(cl_command_queue queue, cl_mem buffer, cl_bool blocking, size_t offset,
                           size_t size, void* ptr, cl_uint numEvents, const cl_event* waitList,
                           cl_event* event);
cl_int clEnqueueWriteBuffer(cl_command_queue queue, cl_mem buffer, cl_bool blocking, size_t offset,
                            size_t size, const void* ptr, cl_uint numEvents,
                            const cl_event* waitList, cl_event* event);
cl_int clEnqueueCopyBufferToImage(cl_command_queue queue, cl_mem src, cl_mem dst, size_t srcOffset,
                                  const size_t* dstOrigin, const size_t* region, cl_uint numEvents,
                                  const cl_event* waitList, cl_event* event);
cl_int clEnqueueAcquireGLObjects(cl_command_queue queue, cl_uint numObjects, const cl_mem* objects,
                                 cl_uint numEvents, const cl_event* waitList, cl_event* event);
cl_int clEnqueueReleaseGLObjects(cl_command_queue queue, cl_uint numObjects, const cl_mem* objects,
                                 cl_uint numEvents, const cl_event* waitList, cl_event* event);
cl_int clReleaseMemObject(cl_mem mem);
cl_int clReleaseProgram(cl_program program);
cl_int clReleaseKernel(cl_kernel kernel);
cl_int clReleaseCommandQueue(cl_command_queue queue);
cl_int clReleaseContext(cl_context context);

}  // namespace ClEntryPoints

// Looks up the four OpenCL/OpenGL sharing entry points again, whatever is
// cached, and stores what it found (null included); true when all four exist.
bool LoadClGlInteropEntryPoints();

// Forgets every cached entry point; shutdown calls it once the library is gone.
void ResetClEntryPoints();
