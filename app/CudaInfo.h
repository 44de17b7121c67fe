// CUDA information: the devices of the CUDA driver library ("nvcuda.dll"),
// read once at start-up into the table of g_app (cudaDevices,
// cudaDeviceCount) for the CUDA tab and the report. The library is loaded
// only while the table is filled.
#pragma once
#include <windows.h>

#include <cstdint>

const int kCudaNameSize = 128;
const int kCudaPciBusIdSize = 256;

struct CudaDeviceInfo {
  char name[kCudaNameSize];
  char pciBusIdText[kCudaPciBusIdSize];
  uint64_t totalMemory;  // bytes
  int maxThreadsDim[3];  // from the device properties
  int simdWidth;
  int memPitch;
  int regsPerBlock;
  int textureAlign;
  int clockRateKhz;
  int memoryClockRateKhz;
  int memoryBusWidth;  // bits
  int memoryBandwidthGbs;
  int pciBusId;
  int l2CacheSize;
  int asyncEngineCount;
  int totalConstantMemory;
  int maxSharedMemoryPerBlock;
  int maxSharedMemoryPerMultiprocessor;
  int maxThreadsPerBlock;
  int maxThreadsPerMultiprocessor;
  int warpSize;
  int multiprocessorCount;
  int coresPerMultiprocessor;
  int totalCores;
  int maxGridDim[3];
  int maxBlockDim[3];
  int computeCapabilityMajor;
  int computeCapabilityMinor;
};

// How the collector reaches the driver library. The program loads
// "nvcuda.dll" from the system folder only and uses GetProcAddress and FreeLibrary; tests put a
// library of their own choosing in its place.
struct CudaLibraryLoader {
  HMODULE (*load)();
  FARPROC (*find)(HMODULE library, const char* name);
  void (*unload)(HMODULE library);
};
// Replaces the loader (null restores the program's own).
void SetCudaLibraryLoader(const CudaLibraryLoader* loader);

// Fills the table (any earlier table is freed first); true when the driver
// initialised, whatever the device count.
bool DetectCuda();
// Frees the table.
void ReleaseCudaInfo();

// Cores per multiprocessor for a compute capability; 64 for one not known.
int CudaCoresPerMultiprocessor(int major, int minor);
// Memory bandwidth in GB/s from the memory clock (kHz) and the bus width (bits).
int CudaMemoryBandwidthGbs(int memoryClockKhz, int busWidthBits);
