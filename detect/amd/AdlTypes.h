// Records and entry-point types of the AMD display library (ADL), declared
// here from the library's published interface. Every record is passed by
// pointer; where a record has a size member the caller sets it.
#pragma once
#include <windows.h>

#include <cstdint>

// The library's entry points and its allocation callback use the standard
// call convention on 32-bit Windows.
#define ADL_CALL __stdcall

typedef void* AdlContext;
typedef unsigned int AdlDeviceHandle;  // performance-log device (0 = none)
typedef void*(ADL_CALL* AdlAllocFn)(int size);

const int kAdlPathSize = 256;
const int kAdlPmLogMaxSensors = 256;
const int kAdlOd8MaxSettings = 39;

// Adapter information (one per logical adapter; a GPU may have several).
struct AdlAdapterInfo {
  int size;
  int adapterIndex;
  char udid[kAdlPathSize];
  int busNumber;
  int deviceNumber;
  int functionNumber;
  int vendorId;
  char adapterName[kAdlPathSize];
  char displayName[kAdlPathSize];
  int present;
  int exists;
  char driverPath[kAdlPathSize];
  char driverPathExt[kAdlPathSize];
  char pnpString[kAdlPathSize];
  int osDisplayIndex;
};
static_assert(sizeof(AdlAdapterInfo) == 1572, "adapter information record");

// The same with the information mask and value.
struct AdlAdapterInfoX2 {
  AdlAdapterInfo base;
  int infoMask;
  int infoValue;
};
static_assert(sizeof(AdlAdapterInfoX2) == 1580, "extended adapter information record");

struct AdlMemoryInfo {
  long long memorySize;  // bytes
  char memoryType[kAdlPathSize];
  long long memoryBandwidth;
};
static_assert(sizeof(AdlMemoryInfo) == 272, "memory information");

struct AdlMemoryInfo2 {
  long long memorySize;
  char memoryType[kAdlPathSize];
  long long memoryBandwidth;
  long long hyperMemorySize;
  long long invisibleMemorySize;
  long long visibleMemorySize;
};
static_assert(sizeof(AdlMemoryInfo2) == 296, "memory information, second form");

struct AdlBiosInfo {
  char partNumber[kAdlPathSize];
  char version[kAdlPathSize];
  char date[kAdlPathSize];
};
static_assert(sizeof(AdlBiosInfo) == 768, "video BIOS information");

// Core generation: 1 pre-GCN, 2 GCN, 3 RDNA.
struct AdlGraphicCoreInfo {
  int generation;
  int units;          // compute units (GCN) or workgroup processors (RDNA)
  int elementsPerUnit;
  int simds;
  int rops;
  int reserved[11];
};
static_assert(sizeof(AdlGraphicCoreInfo) == 64, "graphic core information");

struct AdlVersionsInfo {
  char driverVersion[kAdlPathSize];
  char catalystVersion[kAdlPathSize];
  char catalystWebLink[kAdlPathSize];
};
struct AdlVersionsInfoX2 {
  char driverVersion[kAdlPathSize];
  char catalystVersion[kAdlPathSize];
  char radeonSoftwareVersion[kAdlPathSize];
  char catalystWebLink[kAdlPathSize];
};
static_assert(sizeof(AdlVersionsInfoX2) == 1024, "versions");

// ---- Overdrive 5 ----
struct AdlTemperature {
  int size;
  int temperature;  // millidegrees Celsius
};
static_assert(sizeof(AdlTemperature) == 8, "OD5 temperature");

const int kAdlFanSpeedPercent = 1;
const int kAdlFanSpeedRpm = 2;
struct AdlFanSpeedValue {
  int size;
  int speedType;
  int fanSpeed;
  int flags;
};
static_assert(sizeof(AdlFanSpeedValue) == 16, "OD5 fan speed");

struct AdlParameterRange {
  int minimum;
  int maximum;
  int step;
};
struct AdlOdParameters {
  int size;
  int numberOfPerformanceLevels;
  int activityReportingSupported;
  int discretePerformanceLevels;
  int reserved;
  AdlParameterRange engineClock;
  AdlParameterRange memoryClock;
  AdlParameterRange vddc;
};
static_assert(sizeof(AdlOdParameters) == 56, "OD5 parameters");

struct AdlOdPerformanceLevel {
  int engineClock;  // 10 kHz
  int memoryClock;  // 10 kHz
  int vddc;         // mV
};
// Header of the variable-sized level list: levels follow it.
struct AdlOdPerformanceLevelsHeader {
  int size;
  int reserved;
};
static_assert(sizeof(AdlOdPerformanceLevelsHeader) == 8 && sizeof(AdlOdPerformanceLevel) == 12,
              "OD5 level list");

struct AdlPmActivity {
  int size;
  int engineClock;
  int memoryClock;
  int vddc;
  int activityPercent;
  int currentPerformanceLevel;
  int currentBusSpeed;
  int currentBusLanes;
  int maximumBusLanes;
  int reserved;
};
static_assert(sizeof(AdlPmActivity) == 40, "OD5 activity");

struct AdlPowerControlInfo {
  int minimum;
  int maximum;
  int step;
};

// ---- Overdrive 6 ----
struct AdlOd6FanSpeedInfo {
  int speedType;  // kAdlFanSpeedPercent / kAdlFanSpeedRpm bits
  int fanSpeedPercent;
  int fanSpeedRpm;
  int extValue;
  int extMask;
};
struct AdlOd6ThermalControllerCaps {
  int capabilities;  // bit 0: thermal controller
  int fanMinPercent;
  int fanMaxPercent;
  int fanMinRpm;
  int fanMaxRpm;
  int extValue;
  int extMask;
};
struct AdlOd6CurrentStatus {
  int engineClock;
  int memoryClock;
  int activityPercent;
  int currentPerformanceLevel;
  int currentBusSpeed;
  int currentBusLanes;
  int maximumBusLanes;
  int extValue;
  int extMask;
};
static_assert(sizeof(AdlOd6CurrentStatus) == 36, "OD6 status");
struct AdlOd6PowerControlInfo {
  int minimum;
  int maximum;
  int step;
  int extValue;
  int extMask;
};
struct AdlOd6Capabilities {
  int capabilities;
  int supportedStates;
  int numberOfPerformanceLevels;
  AdlParameterRange engineClockRange;
  AdlParameterRange memoryClockRange;
  int extValue;
  int extMask;
};
static_assert(sizeof(AdlOd6Capabilities) == 44, "OD6 capabilities");
struct AdlOd6PerformanceLevel {
  int engineClock;
  int memoryClock;
};
// State information with room for the two levels OD6 reports.
struct AdlOd6StateInfo {
  int numberOfPerformanceLevels;
  int extValue;
  int extMask;
  AdlOd6PerformanceLevel levels[2];
};
const int kAdlOd6StateCustomPerformance = 4;

// ---- OverdriveN (version 7) ----
struct AdlOdnParameterRange {
  int mode;
  int minimum;
  int maximum;
  int step;
  int defaultValue;
};
struct AdlOdnCapabilities {
  int maximumNumberOfPerformanceLevels;
  AdlOdnParameterRange engineClockRange;
  AdlOdnParameterRange memoryClockRange;
  AdlOdnParameterRange vddcRange;
  AdlOdnParameterRange power;
  AdlOdnParameterRange powerTuneTemperature;
  AdlOdnParameterRange fanTemperature;
  AdlOdnParameterRange fanSpeed;
  AdlOdnParameterRange minimumPerformanceClock;
};
static_assert(sizeof(AdlOdnCapabilities) == 164, "ODN capabilities");
struct AdlOdnCapabilitiesX2 {
  int maximumNumberOfPerformanceLevels;
  int flags;
  AdlOdnParameterRange engineClockRange;
  AdlOdnParameterRange memoryClockRange;
  AdlOdnParameterRange vddcRange;
  AdlOdnParameterRange power;
  AdlOdnParameterRange powerTuneTemperature;
  AdlOdnParameterRange fanTemperature;
  AdlOdnParameterRange fanSpeed;
  AdlOdnParameterRange minimumPerformanceClock;
  AdlOdnParameterRange throttleNotification;
  AdlOdnParameterRange autoSystemClock;
};
static_assert(sizeof(AdlOdnCapabilitiesX2) == 208, "ODN capabilities, second form");
struct AdlOdnPerformanceLevel {
  int clock;  // 10 kHz
  int vddc;   // mV
  int enabled;
};
// Header of the variable-sized ODN level list: levels follow it.
struct AdlOdnPerformanceLevelsHeader {
  int size;
  int mode;
  int numberOfPerformanceLevels;
};
static_assert(sizeof(AdlOdnPerformanceLevelsHeader) == 12 && sizeof(AdlOdnPerformanceLevel) == 12,
              "ODN level list");
struct AdlOdnPerformanceLevelX2 {
  int clock;
  int vddc;
  int enabled;
  int control;
};
struct AdlOdnFanControl {
  int mode;
  int fanControlMode;
  int currentFanSpeedMode;
  int currentFanSpeed;
  int targetFanSpeed;
  int targetTemperature;
  int minPerformanceClock;
  int minFanLimit;
};
struct AdlOdnPowerLimitSetting {
  int mode;
  int tdpLimit;
  int maxOperatingTemperature;
};
struct AdlOdnPerformanceStatus {
  int coreClock;
  int memoryClock;
  int dcefClock;
  int gfxClock;
  int uvdClock;
  int vceClock;
  int gpuActivityPercent;
  int currentCorePerformanceLevel;
  int currentMemoryPerformanceLevel;
  int currentDcefPerformanceLevel;
  int currentGfxPerformanceLevel;
  int uvdPerformanceLevel;
  int vcePerformanceLevel;
  int currentBusSpeed;
  int currentBusLanes;
  int maximumBusLanes;
  int vddc;
  int vddci;
};
static_assert(sizeof(AdlOdnPerformanceStatus) == 72, "ODN performance status");

// ---- Overdrive 8 and the performance log ----
struct AdlOd8SingleInitSetting {
  int featureId;
  int defaultValue;
  int minValue;
  int maxValue;
};
struct AdlOd8InitSetting {
  int count;
  int capabilities;
  AdlOd8SingleInitSetting settings[kAdlOd8MaxSettings];
};

struct AdlSingleSensorData {
  int supported;
  int value;
};
struct AdlPmLogDataOutput {
  int size;
  AdlSingleSensorData sensors[kAdlPmLogMaxSensors];
};
static_assert(sizeof(AdlPmLogDataOutput) == 2052, "sensor block");

struct AdlPmLogSupportInfo {
  unsigned short sensors[kAdlPmLogMaxSensors];  // ended by 0
  int reserved[16];
};
struct AdlPmLogStartInput {
  unsigned short sensors[kAdlPmLogMaxSensors];  // ended by 0
  unsigned long sampleRate;                     // ms
  int reserved[15];
};
struct AdlPmLogStartOutput {
  union {
    void* loggingAddress;
    unsigned long long loggingAddressBits;
  };
  int reserved[14];
};
// The shared memory the driver's sampler writes.
struct AdlPmLogData {
  unsigned int version;
  unsigned int activeSampleRate;
  unsigned long long lastUpdated;
  unsigned int values[kAdlPmLogMaxSensors][2];  // (id, value), ended by id 0
  unsigned int reserved[256];
};

// Performance-log sensor ids used here.
enum AdlPmLogSensor {
  kPmLogClkGfx = 1,
  kPmLogClkMem = 2,
  kPmLogTemperatureEdge = 8,
  kPmLogTemperatureMem = 9,
  kPmLogFanRpm = 14,
  kPmLogFanPercent = 15,
  kPmLogSocPower = 17,
  kPmLogInfoActivityGfx = 19,
  kPmLogInfoActivityMem = 20,
  kPmLogGfxVoltage = 21,
  kPmLogAsicPower = 23,
  kPmLogTemperatureHotspot = 27,
};

// ---- Displays ----
struct AdlDisplayId {
  int logicalIndex;
  int physicalIndex;
  int logicalAdapterIndex;
  int physicalAdapterIndex;
};
struct AdlDisplayInfo {
  AdlDisplayId displayId;
  int controllerIndex;
  char displayName[kAdlPathSize];
  char manufacturerName[kAdlPathSize];
  int displayType;
  int outputType;
  int connector;
  int infoMask;
  int infoValue;  // bit 0 connected, bit 1 mapped
};
static_assert(sizeof(AdlDisplayInfo) == 552, "display information");
const int kAdlDisplayConnected = 0x1;
const int kAdlDisplayMapped = 0x2;

struct AdlMode {
  int adapterIndex;
  AdlDisplayId displayId;
  int xPos;
  int yPos;
  int xRes;
  int yRes;
  int colourDepth;
  float refreshRate;
  int orientation;
  int modeFlag;
  int modeMask;
  int modeValue;
};

static_assert(sizeof(AdlMode) == 60, "display mode");

// ---- Display maps and Eyefinity (SLS) groups ----
// A display driven by an adapter, as a display map lists it.
struct AdlDisplayTarget {
  AdlDisplayId displayId;
  int displayMapIndex;
  int targetMask;
  int targetValue;
};
static_assert(sizeof(AdlDisplayTarget) == 28, "display target");

// One desktop of an adapter: its mode and the run of targets showing it.
struct AdlDisplayMap {
  int displayMapIndex;
  AdlMode displayMode;
  int numDisplayTarget;
  int firstDisplayTargetArrayIndex;
  int displayMapMask;
  int displayMapValue;
};
static_assert(sizeof(AdlDisplayMap) == 80, "display map");
const int kAdlDisplayMapOptionGpuInfo = 1;

struct AdlSlsGrid {
  int adapterIndex;
  int gridIndex;
  int rows;
  int columns;
  int gridMask;
  int gridValue;
};
struct AdlSlsMap {
  int adapterIndex;
  int slsMapIndex;
  AdlSlsGrid grid;
  int surfaceMapIndex;
  int orientation;  // kAdlSlsOrientation* bits
  int numSlsTarget;
  int firstSlsTargetArrayIndex;
  int numNativeMode;
  int firstNativeModeArrayIndex;
  int numBezelMode;
  int firstBezelModeArrayIndex;
  int numBezelOffset;
  int firstBezelOffsetArrayIndex;
  int slsMapMask;
  int slsMapValue;
};
static_assert(sizeof(AdlSlsMap) == 80, "SLS map");
const int kAdlSlsOrientation90 = 0x2;
const int kAdlSlsOrientation270 = 0x8;
const int kAdlSlsOptionRelativeToLandscape = 1;

// A display of a group with its place in the grid.
struct AdlSlsTarget {
  int adapterIndex;
  int slsMapIndex;
  AdlDisplayTarget displayTarget;
  int gridPositionX;
  int gridPositionY;
  AdlMode viewSize;
  int targetMask;
  int targetValue;
};
static_assert(sizeof(AdlSlsTarget) == 112, "SLS target");

struct AdlSlsMode {
  int adapterIndex;
  int slsMapIndex;
  int slsModeIndex;
  AdlMode displayMode;
  int nativeModeMask;
  int nativeModeValue;
};
static_assert(sizeof(AdlSlsMode) == 80, "SLS mode");

// A bezel-compensated (or transient) mode of a group.
struct AdlBezelTransientMode {
  int adapterIndex;
  int slsMapIndex;
  int slsModeIndex;
  AdlMode displayMode;
  int numBezelOffset;
  int firstBezelOffsetArrayIndex;
  int modeMask;
  int modeValue;
};
static_assert(sizeof(AdlBezelTransientMode) == 88, "bezel mode");

struct AdlSlsOffset {
  int adapterIndex;
  int slsMapIndex;
  AdlDisplayId displayId;
  int bezelModeIndex;
  int bezelOffsetX;
  int bezelOffsetY;
  int displayWidth;
  int displayHeight;
  int offsetMask;
  int offsetValue;
};
static_assert(sizeof(AdlSlsOffset) == 52, "SLS offset");

struct AdlDdcInfo2 {
  int size;
  int supportsDdc;
  int manufacturerId;
  int productId;
  char displayName[kAdlPathSize];
  int maxHResolution;
  int maxVResolution;
  int maxRefresh;
  int ptmCx;
  int ptmCy;
  int ptmRefreshRate;
  int ddcInfoFlag;
  int packedPixelSupported;
  int panelPixelFormat;
  int serialId;
  int minLuminanceData;
  int avgLuminanceData;
  int maxLuminanceData;
  int supportedTransferFunction;
  int supportedColorSpace;
  int redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;
  int diffuseScreenReflectance;
  int specularScreenReflectance;
  int supportedHdr;  // bit 0 HDR10 (CEA-861.3), bit 1 FreeSync HDR
  int freesyncFlags;
  int minLuminanceNoDimmingData;
  int maxBacklightMaxLuminanceData;
  int minBacklightMaxLuminanceData;
  int maxBacklightMinLuminanceData;
  int minBacklightMinLuminanceData;
  int reserved[4];
};

struct AdlFreeSyncCap {
  int flags;  // bit 0 supported
  int minRefreshRateRange;
  int maxRefreshRateRange;
  unsigned char minRefreshRateDefault;
  unsigned char maxRefreshRateDefault;
  unsigned char reservedBytes[2];
  int reserved[4];
};

struct AdlSourceContentAttributes {
  int transferFunction;
  int colorSpace;
  int redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;
  int minLuminance;
  int maxLuminance;
  int maxContentLightLevel;
  int maxFrameAverageLightLevel;
  int flags;
};

// ---- Entry points ----
typedef int(ADL_CALL* AdlMainControlCreateFn)(AdlAllocFn, int);
typedef int(ADL_CALL* AdlVoidFn)();
typedef int(ADL_CALL* Adl2MainControlCreateFn)(AdlAllocFn, int, AdlContext*);
typedef int(ADL_CALL* Adl2ContextFn)(AdlContext);
typedef int(ADL_CALL* AdlIntOutFn)(int*);
typedef int(ADL_CALL* AdlAdapterInfoGetFn)(AdlAdapterInfo*, int);
typedef int(ADL_CALL* AdlAdapterIntOutFn)(int, int*);
typedef int(ADL_CALL* AdlOverdriveCapsFn)(int, int*, int*, int*);
typedef int(ADL_CALL* AdlMemoryInfoGetFn)(int, AdlMemoryInfo*);
typedef int(ADL_CALL* AdlOd5TemperatureGetFn)(int, int, AdlTemperature*);
typedef int(ADL_CALL* AdlOd5FanSpeedGetFn)(int, int, AdlFanSpeedValue*);
typedef int(ADL_CALL* AdlOd5ParametersGetFn)(int, AdlOdParameters*);
typedef int(ADL_CALL* AdlOd5LevelsGetFn)(int, int, AdlOdPerformanceLevelsHeader*);
typedef int(ADL_CALL* AdlOd5ActivityGetFn)(int, AdlPmActivity*);
typedef int(ADL_CALL* Adl2Od5ActivityGetFn)(AdlContext, int, AdlPmActivity*);
typedef int(ADL_CALL* AdlOd5PowerControlInfoGetFn)(int, AdlPowerControlInfo*);
typedef int(ADL_CALL* AdlOd6FanSpeedGetFn)(int, AdlOd6FanSpeedInfo*);
typedef int(ADL_CALL* AdlOd6ThermalCapsFn)(int, AdlOd6ThermalControllerCaps*);
typedef int(ADL_CALL* AdlOd6CurrentStatusGetFn)(int, AdlOd6CurrentStatus*);
typedef int(ADL_CALL* AdlOd6PowerControlInfoGetFn)(int, AdlOd6PowerControlInfo*);
typedef int(ADL_CALL* AdlOd6PowerControlGetFn)(int, int*, int*);
typedef int(ADL_CALL* Adl2OverdriveCapsFn)(AdlContext, int, int*, int*, int*);
typedef int(ADL_CALL* Adl2OdnCapabilitiesGetFn)(AdlContext, int, AdlOdnCapabilities*);
typedef int(ADL_CALL* Adl2OdnCapabilitiesX2GetFn)(AdlContext, int, AdlOdnCapabilitiesX2*);
typedef int(ADL_CALL* Adl2OdnLevelsGetFn)(AdlContext, int, AdlOdnPerformanceLevelsHeader*);
typedef int(ADL_CALL* Adl2OdnFanControlGetFn)(AdlContext, int, AdlOdnFanControl*);
typedef int(ADL_CALL* Adl2OdnPowerLimitGetFn)(AdlContext, int, AdlOdnPowerLimitSetting*);
typedef int(ADL_CALL* Adl2OdnTemperatureGetFn)(AdlContext, int, int, int*);
typedef int(ADL_CALL* Adl2OdnStatusGetFn)(AdlContext, int, AdlOdnPerformanceStatus*);
typedef int(ADL_CALL* Adl2AdapterIntOutFn)(AdlContext, int, int*);
typedef int(ADL_CALL* Adl2NumberOfAdaptersFn)(AdlContext, int*);
typedef int(ADL_CALL* Adl2AdapterInfoX2GetFn)(AdlContext, AdlAdapterInfo**);
typedef int(ADL_CALL* Adl2AdapterInfoX4GetFn)(AdlContext, int, int*, AdlAdapterInfoX2**);
typedef int(ADL_CALL* Adl2VideoBiosInfoGetFn)(AdlContext, int, AdlBiosInfo*);
typedef int(ADL_CALL* Adl2Od8InitSettingGetFn)(AdlContext, int, AdlOd8InitSetting*);
typedef int(ADL_CALL* Adl2Od8InitSettingX2GetFn)(AdlContext, int, int*, int*,
                                                 AdlOd8SingleInitSetting**);
typedef int(ADL_CALL* Adl2QueryPmLogDataFn)(AdlContext, int, AdlPmLogDataOutput*);
typedef int(ADL_CALL* Adl2GraphicCoreInfoGetFn)(AdlContext, int, AdlGraphicCoreInfo*);
typedef int(ADL_CALL* Adl2PmLogSupportGetFn)(AdlContext, int, AdlPmLogSupportInfo*);
typedef int(ADL_CALL* Adl2PmLogDeviceCreateFn)(AdlContext, int, AdlDeviceHandle*);
typedef int(ADL_CALL* Adl2PmLogDeviceDestroyFn)(AdlContext, AdlDeviceHandle);
typedef int(ADL_CALL* Adl2PmLogStartFn)(AdlContext, int, AdlPmLogStartInput*,
                                        AdlPmLogStartOutput*, AdlDeviceHandle);
typedef int(ADL_CALL* Adl2PmLogStopFn)(AdlContext, int, AdlDeviceHandle);
typedef int(ADL_CALL* Adl2MemoryInfoGetFn)(AdlContext, int, AdlMemoryInfo*);
typedef int(ADL_CALL* Adl2MemoryInfo2GetFn)(AdlContext, int, AdlMemoryInfo2*);
typedef int(ADL_CALL* Adl2AsicFamilyTypeGetFn)(AdlContext, int, int*, int*);
typedef int(ADL_CALL* AdlObservedGameClockGetFn)(AdlContext, int, int*, int*, int*, int*);
typedef int(ADL_CALL* Adl2Od6CapabilitiesGetFn)(AdlContext, int, AdlOd6Capabilities*);
typedef int(ADL_CALL* Adl2Od6StateInfoGetFn)(AdlContext, int, int, AdlOd6StateInfo*);
typedef int(ADL_CALL* Adl2GraphicsVersionsGetFn)(AdlContext, AdlVersionsInfo*);
typedef int(ADL_CALL* Adl2GraphicsVersionsX2GetFn)(AdlContext, AdlVersionsInfoX2*);
typedef int(ADL_CALL* Adl2DisplayInfoGetFn)(AdlContext, int, int*, AdlDisplayInfo**, int);
typedef int(ADL_CALL* Adl2DisplayModesGetFn)(AdlContext, int, int, int*, AdlMode**);
typedef int(ADL_CALL* Adl2DisplayDdcInfo2GetFn)(AdlContext, int, int, AdlDdcInfo2*);
typedef int(ADL_CALL* Adl2DisplayFreeSyncCapFn)(AdlContext, int, int, AdlFreeSyncCap*);
typedef int(ADL_CALL* Adl2DisplayMapConfigGetFn)(AdlContext, int, int*, AdlDisplayMap**, int*,
                                                 AdlDisplayTarget**, int);
typedef int(ADL_CALL* Adl2SlsMapIndexGetFn)(AdlContext, int, int, AdlDisplayTarget*, int*);
typedef int(ADL_CALL* Adl2SlsMapConfigGetFn)(AdlContext, int, int, AdlSlsMap*, int*, AdlSlsTarget**, int*,
                                             AdlSlsMode**, int*, AdlBezelTransientMode**, int*,
                                             AdlBezelTransientMode**, int*, AdlSlsOffset**, int);
typedef int(ADL_CALL* Adl2SourceContentSetFn)(AdlContext, int, int, AdlSourceContentAttributes);
