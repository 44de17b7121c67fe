// OpenCL information: every platform of the OpenCL library and every device
// of each platform, read once at start-up into the table of g_app
// (clPlatforms, clPlatformCount), read by the OpenCL tab, the report and the
// OpenCL demos, freed at shutdown.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "demos/ClEntryPoints.h"
#include "lumaq.h"

// Strings of the records and entries of the extension lists.
const int kClTextSize = 128;

// The OpenCL detail dialog and its list box.
const int kOpenClDetailDialog = 181;
const int kOpenClDetailList = 1225;

struct OpenClDeviceInfo {
  OpenClDeviceInfo();
  ~OpenClDeviceInfo();
  OpenClDeviceInfo(const OpenClDeviceInfo&) = delete;
  OpenClDeviceInfo& operator=(const OpenClDeviceInfo&) = delete;

  cl_device_id deviceId;
  char name[kClTextSize];
  uint64_t deviceType;  // CL_DEVICE_TYPE_* bits
  char vendor[kClTextSize];
  char version[kClTextSize];
  char driverVersion[kClTextSize];
  char profile[kClTextSize];
  uint32_t vendorId;
  int computeUnits;
  int maxClockMhz;
  int computeUnitsTimesClock;
  int workItemDimensions;
  uint32_t workItemSizes[3];
  int maxWorkGroupSize;
  int addressBits;
  uint64_t maxMemAllocSize;
  uint64_t globalMemSize;
  int maxParameterSize;
  int globalCacheLineSize;
  uint64_t globalCacheSize;
  int errorCorrection;
  char localMemType[kClTextSize];
  uint64_t localMemSize;
  uint64_t maxConstantBufferSize;
  uint64_t queueProperties;
  int nativeKernels;
  int imageSupport;
  int maxReadImageArgs;
  int maxWriteImageArgs;
  int image2dMaxWidth;
  int image2dMaxHeight;
  int image3dMaxWidth;
  int image3dMaxHeight;
  int image3dMaxDepth;
  int maxSamplers;
  // Read only from devices that list "cl_nv_device_attribute_query".
  int nvComputeCapabilityMajor;
  int nvComputeCapabilityMinor;
  int nvRegistersPerBlock;
  int nvWarpSize;
  int nvGpuOverlap;
  int nvKernelExecTimeout;
  int nvIntegratedMemory;
  int preferredVectorWidthChar;
  int preferredVectorWidthShort;
  int preferredVectorWidthInt;
  int preferredVectorWidthLong;
  int preferredVectorWidthFloat;
  int preferredVectorWidthDouble;
  int amdPcieId;  // -1 unless read
  int pciBus;     // -1 unless read
  Korveth_nsp::kvLinkedList extensions;  // items: char[kClTextSize], owned
};

struct OpenClPlatformInfo {
  OpenClPlatformInfo();
  ~OpenClPlatformInfo();
  OpenClPlatformInfo(const OpenClPlatformInfo&) = delete;
  OpenClPlatformInfo& operator=(const OpenClPlatformInfo&) = delete;

  char name[kClTextSize];
  char version[kClTextSize];
  char profile[kClTextSize];
  char vendor[kClTextSize];
  Korveth_nsp::kvLinkedList extensions;  // items: char[kClTextSize], owned
  cl_platform_id platformId;             // null when the vendor query failed
  OpenClDeviceInfo* devices;
  int deviceCount;
};

// How the collector loads the OpenCL library. The program loads "OpenCL.dll"
// from the system folder only; tests put a library of their own choosing in
// its place. The entry points and the shutdown reach whatever it loaded
// through g_app.openClLibrary.
typedef HMODULE (*OpenClLibraryLoad)();
// Replaces the loader (null restores the program's own).
void SetOpenClLibraryLoader(OpenClLibraryLoad load);

// Loads the OpenCL library through the loader, fills the table and keeps the
// library in g_app.openClLibrary. A second call first frees what the first
// one read. False when the library or its platforms are missing.
bool DetectOpenCl();
// Frees the table and unloads the library; false when there was nothing.
bool ShutdownOpenCl();

int GetClPlatformCount();
cl_platform_id GetClPlatformId(int platform);
// Devices are CPU or GPU devices when that bit is set in their type.
OpenClDeviceInfo* FindClCpuDevice(int platform);
OpenClDeviceInfo* FindClGpuDevice(int platform);
int CountClCpuDevices(int platform);
int CountClGpuDevices(int platform);
bool HasClCpuDevice(int platform);
bool HasClGpuDevice(int platform);
bool HasClDevices();
bool ClDeviceHasExtension(int platform, int device, const char* name);
bool ClDeviceInfoHasExtension(const OpenClDeviceInfo* device, const char* name);

// Splits a blank-separated extension string into entries of at most 127
// characters; words shorter than 3 characters are skipped, the last word is
// kept whether or not a blank follows it. Returns the number added.
int SplitClExtensions(const char* text, Korveth_nsp::kvLinkedList& list);
// Frees the entries of an extension list and empties it.
void FreeClExtensions(Korveth_nsp::kvLinkedList& list);

// The lines of the OpenCL detail list for platform i, device j (empty when
// either is out of range), and the list box filled with them.
std::vector<std::string> OpenClDetailLines(int platform, int device);
void FormatOpenClDetails(HWND dialog, int platform, int device);
