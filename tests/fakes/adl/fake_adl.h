// Scenario of the fake AMD display library used by the AMD tests. The test
// loads the installed fake from the system directory and calls the exported
// FakeAdl_Configure before the code under test binds the same module.
#pragma once

const int kFakeMaxAdapters = 4;
const int kFakeMaxLevels = 8;
const int kFakeMaxSensors = 32;
const int kFakeMaxPairs = 300;

struct FakeAdlAdapter {
  int adapterIndex, bus, device, function, exists;
  char udid[160];
  char name[64];
  char displayName[32];
  char pnp[160];
  char driverPathExt[64];
  int odVersion;          // 5, 6, 7 or 8
  int failReads;          // every live read and level read fails
  int temperatureMilli;   // OD5-7 temperature
  int fanPercent, fanRpm, fanTarget;
  int activity;
  int powerMin, powerMax, powerCurrent, powerDefault, tdpLimit;
  int engineClock, memoryClock, vddc;  // current, 10 kHz and mV
  int numLevels;
  int levelEngine[kFakeMaxLevels], levelMemory[kFakeMaxLevels], levelVddc[kFakeMaxLevels];
  int sensorCount;        // OD8 sensor block
  int sensorIds[kFakeMaxSensors], sensorValues[kFakeMaxSensors];
  int supportCount;       // performance-log supported ids
  int supportIds[kFakeMaxSensors];
  int pairCount;          // shared-memory pairs (a 0 id is written after them when it fits)
  unsigned pairs[kFakeMaxPairs][2];
  int coreGeneration, coreUnits, corePes, coreRops;
  long long memSize;
  char memType[32];
  int memBandwidth;
  char biosPart[256], biosVersion[256], biosDate[256];
  int gameClock, gameMemoryClock;  // observed clocks (0: call fails)
  int displays;                    // active displays on this adapter
  // Eyefinity: when slsColumns is not 0, the displays form one group of
  // slsColumns x slsRows on a desktop of slsWidth x slsHeight, a bezel mode
  // when slsBezel is set. slsOverstated: every display-map and group count
  // is reported far above the arrays handed out.
  int slsColumns, slsRows, slsWidth, slsHeight, slsBezel, slsOverstated;
};

struct FakeAdlScenario {
  int adapterCount;
  FakeAdlAdapter adapters[kFakeMaxAdapters];
  char driverVersion[64];
  char softwareVersion[64];
  // Garbage, when garbageSeed is not 0: the library answers reportedCount
  // adapters (the records past the scenario's own are random bytes), and
  // every text fills its whole field without a terminator.
  unsigned garbageSeed;
  int reportedCount;
};

struct FakeAdlStats {
  int pmLogStarts, pmLogStops, devicesCreated, devicesDestroyed;
  int lastSampleRate;
  int mainCreated, mainDestroyed, contextsCreated, contextsDestroyed;
  int lastTransferFunction, lastColorSpace, lastAttributeFlags, sourceContentSets;
  const void* lastOdnLevels;  // the level list of the latest OverdriveN clock read
  int slsIndexOutsideTargets;  // group look-ups given targets outside the array handed out
};

typedef void (*FakeAdlConfigureFn)(const FakeAdlScenario*);
typedef void (*FakeAdlStatsFn)(FakeAdlStats*);
