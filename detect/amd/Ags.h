// AMD GPU Services 6.0.0: the program's own implementation over the AMD
// display library. It lists the AMD GPUs with their identity, ASIC family,
// unit counts, clocks, memory and displays. The five functions below keep
// the published calling interface and are exported from quorvel.exe.
#pragma once
#include <cstddef>
#include <cstdint>

const int kAgsVersion600 = 0x1800000;  // 6 << 22

enum AgsResult {
  kAgsSuccess = 0,
  kAgsInvalidArgs = 2,
  kAgsOutOfMemory = 3,
  kAgsMissingEntry = 5,
  kAgsNoLibrary = 6,
  kAgsAdlFailure = 8,
};

enum AgsAsicFamily {
  kAgsFamilyUnknown = 0,
  kAgsFamilyPreGcn = 1,
  kAgsFamilyGcn1 = 2,
  kAgsFamilyGcn2 = 3,
  kAgsFamilyGcn3 = 4,
  kAgsFamilyGcn4 = 5,
  kAgsFamilyVega = 6,
  kAgsFamilyRdna = 7,
  kAgsFamilyRdna2 = 8,
};

// Device flags.
const unsigned kAgsDeviceApu = 1u << 0;
const unsigned kAgsDevicePrimary = 1u << 1;
const unsigned kAgsDeviceExternal = 1u << 2;

// Display flags.
const unsigned kAgsDisplayPrimary = 1u << 0;
const unsigned kAgsDisplayHdr10 = 1u << 1;
const unsigned kAgsDisplayFreesyncHdr = 1u << 2;
const unsigned kAgsDisplayFreesync = 1u << 3;
const unsigned kAgsDisplayEyefinityInGroup = 1u << 4;
const unsigned kAgsDisplayEyefinityInPortrait = 1u << 5;

struct AgsRect {
  int offsetX, offsetY, width, height;
};

// One active display of a device.
struct AgsDisplayInfo {
  char name[256];
  char displayDeviceName[32];
  unsigned flags;
  int maxResolutionX;
  int maxResolutionY;
  float maxRefreshRate;
  AgsRect currentResolution;
  AgsRect visibleResolution;
  float currentRefreshRate;
  int eyefinityGridCoordX;
  int eyefinityGridCoordY;
  double chromaticityRedX, chromaticityRedY;
  double chromaticityGreenX, chromaticityGreenY;
  double chromaticityBlueX, chromaticityBlueY;
  double chromaticityWhitePointX, chromaticityWhitePointY;
  double screenDiffuseReflectance;
  double screenSpecularReflectance;
  double minLuminance;
  double maxLuminance;
  double avgLuminance;
  int logicalDisplayIndex;
  int adlDisplayIndex;
  int adlAdapterIndex;
  int reserved;
};
static_assert(sizeof(AgsDisplayInfo) == 472, "display record");

struct AgsDeviceInfo {
  const char* adapterString;
  int asicFamily;
  unsigned flags;
  int vendorId;
  int deviceId;
  int revisionId;
  int numCUs;
  int numWGPs;
  int numROPs;
  int coreClock;    // MHz
  int memoryClock;  // MHz
  int memoryBandwidth;
  float teraFlops;
  unsigned long long localMemoryInBytes;
  unsigned long long sharedMemoryInBytes;
  int numDisplays;
  AgsDisplayInfo* displays;
  int eyefinityEnabled;
  int eyefinityGridWidth;
  int eyefinityGridHeight;
  int eyefinityResolutionX;
  int eyefinityResolutionY;
  int eyefinityBezelCompensated;
  int adlAdapterIndex;
  int reserved;
};
static_assert(sizeof(AgsDeviceInfo) == (sizeof(void*) == 4 ? 28 * 4 : 120), "device record");

struct AgsGpuInfo {
  const char* driverVersion;
  const char* radeonSoftwareVersion;
  int numDevices;
  AgsDeviceInfo* devices;
};

typedef void*(__stdcall* AgsAllocFn)(size_t size);
typedef void(__stdcall* AgsFreeFn)(void* ptr);
struct AgsConfiguration {
  AgsAllocFn allocCallback;
  AgsFreeFn freeCallback;
};

enum AgsDisplayMode {
  kAgsModeSdr = 0,
  kAgsModeHdr10Pq = 1,
  kAgsModeHdr10ScRgb = 2,
  kAgsModeFreesyncHdrScRgb = 3,
  kAgsModeFreesyncHdrGamma22 = 4,
  kAgsModeDolbyVision = 5,
};

struct AgsDisplaySettings {
  int mode;
  double chromaticityRedX, chromaticityRedY;
  double chromaticityGreenX, chromaticityGreenY;
  double chromaticityBlueX, chromaticityBlueY;
  double chromaticityWhitePointX, chromaticityWhitePointY;
  double minLuminance;
  double maxLuminance;
  double maxContentLightLevel;
  double maxFrameAverageLightLevel;
  unsigned flags;  // bit 0: disable local dimming
};

struct AgsContext;

extern "C" {
__declspec(dllexport) int agsInitialize(int agsVersion, const AgsConfiguration* config,
                                        AgsContext** context, AgsGpuInfo* gpuInfo);
__declspec(dllexport) int agsDeInitialize(AgsContext* context);
__declspec(dllexport) int agsGetVersionNumber();
// 0: new enough, 1: older than required, 2: undefined.
__declspec(dllexport) int agsCheckDriverVersion(const char* radeonSoftwareVersion,
                                                unsigned int requiredVersion);
__declspec(dllexport) int agsSetDisplayMode(AgsContext* context, int deviceIndex,
                                            int displayIndex, const AgsDisplaySettings* settings);
}

// ---- Display kernel adapter queries (test seam) ----
// What the display kernel's adapter queries tell about the adapter at a PCI
// location: the driver's family number, whether the chip is the later
// revision of a family that two ASIC families share, and two unit counts
// whose sum times 4 gives the ROPs.
struct AgsKernelAdapterFacts {
  int familyNumber;
  bool laterRevision;
  int unitCountA;
  int unitCountB;
};
// False when the queries are absent or no adapter matches.
typedef bool (*AgsKernelAdapterFn)(int bus, int device, int function, AgsKernelAdapterFacts* facts);
// Null restores the gdi32 lookup.
void SetAgsKernelAdapterSource(AgsKernelAdapterFn fn);
// The gdi32 lookup itself ("D3DKMTEnumAdapters", "D3DKMTQueryAdapterInfo").
bool AgsQueryKernelAdapter(int bus, int device, int function, AgsKernelAdapterFacts* facts);

// ASIC family from the kernel's family number, and whether it names an APU.
int agsFamilyFromKernelFamily(int familyNumber, bool laterRevision);
bool agsKernelFamilyIsApu(int familyNumber);
