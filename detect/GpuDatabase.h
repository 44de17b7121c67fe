// The built-in GPU database: five constant tables (NVIDIA, AMD, S3, Intel and
// other vendors) of known GPUs, looked up by PCI ids. A row index is the
// 0-based position of a row in its vendor's table and means something only
// together with the vendor id that chose the table; -1 means no row.
//
// Everything here is read-only and safe from any thread. Failures are
// reported by return values only: -1 from a lookup, "Unknown" or 0 from a
// reader (see each reader).
#pragma once

#include <cstdint>

// One row of the database.
struct GpuDatabaseEntry {
  int32_t deviceId;        // PCI device id; -1 when not known (never found)
  int32_t reserved;        // always 0
  const char* codename;    // chip codename; may be empty
  const char* shortName;   // short board name; for the AMD device ids that
                           // several boards share, the 8-character subsystem
                           // text or the 2-character revision text that picks
                           // the row
  const char* fullName;    // name shown to the user; may be empty
  int32_t apiLevelX10;     // 80, 90, 100 or 110; -1 unknown
  int32_t unifiedShaders;  // 0 on chips without unified shaders; -1 unknown
  int32_t vertexShaders;   // 0 on unified chips; -1 unknown
  int32_t pixelShaders;    // 0 on unified chips; -1 unknown
  int32_t tmus;            // -1 unknown
  int32_t rops;            // -1 unknown
  int32_t tdpWatts;        // board power; 0 or -1 unknown
};

const int kGpuDbVendorNvidia = 0x10DE;
const int kGpuDbVendorAmd = 0x1002;
const int kGpuDbVendorS3 = 0x5333;
const int kGpuDbVendorIntel = 0x8086;

// The table a vendor id chooses (any id but the four above chooses the table
// of other vendors) and its number of rows without the all-zero terminating
// row. Never null.
const GpuDatabaseEntry* gpuDatabaseTable(int vendorId, int* rowCount);

// The row at `row` of the vendor's table, or null when `row` is outside it.
const GpuDatabaseEntry* gpuDatabaseRow(int vendorId, int row);

// ---------------------------------------------------------------- lookups

// The first row of the vendor's table whose device id equals `deviceId`;
// -1 when none, and always -1 for a vendor other than NVIDIA, AMD, S3 and
// Intel. Rows of unknown id (-1) and the terminating row are never found.
int findGpuDatabaseRow(int vendorId, int deviceId);

// The row of a board known by its ids rather than an id string, for the
// values that differ between boards (shaders, TMUs, ROPs, TDP, name): the
// plain lookup, except for an AMD device id shared by several boards, whose
// row is chosen as the id-string lookup chooses it, from the subsystem ids
// (subsystem text "%04X%04X" of device and vendor; 0 and 0: not known) and
// the revision (0: not known). When they pick no row the answer is -1: the
// first row of a shared id belongs to one particular board, and its values
// would be plainly wrong for the others.
int findGpuDatabaseBoardRow(int vendorId, int deviceId, int subsysDeviceId = 0, int subsysVendorId = 0,
                            int revisionId = 0);

// The ids of a GPU record that an id-string lookup fills in passing: each id
// that is still 0 takes the parsed value, an empty revision text takes the
// two revision characters.
struct GpuIdFields {
  int vendorId = 0;
  int deviceId = 0;
  int subsysVendorId = 0;
  int subsysDeviceId = 0;
  int revisionId = 0;
  char revisionText[3] = {0, 0, 0};
};

// What a display-device id string (PCI\VEN_vvvv&DEV_dddd&SUBSYS_ssssSSSS&REV_rr)
// holds. A field is taken only when all its characters are present and
// hexadecimal; a missing or malformed SUBSYS_ or REV_ field leaves its text
// empty and its ids 0.
struct GpuIdString {
  int vendorId = 0;
  int deviceId = 0;
  int subsysDeviceId = 0;  // first four subsystem characters
  int subsysVendorId = 0;  // last four subsystem characters
  int revisionId = 0;
  char subsysText[9] = {};    // the eight subsystem characters, verbatim
  char revisionText[3] = {};  // the two revision characters, verbatim
};

// Parses `idString`; false (and `out` untouched) when it is null or has no
// valid VEN_ or DEV_ field. Never reads past the string's terminator.
bool parseGpuIdString(const char* idString, GpuIdString* out);

// Looks a display device up by its id string. NVIDIA, S3 and Intel use the
// plain lookup by device id; AMD picks, for the device ids that several
// boards share, the row whose short name equals the subsystem text (8
// characters) or the revision text (2 characters), a row with an empty short
// name matching any board. -1 when nothing is found, for another vendor, or
// when the string holds no valid vendor or device id (then `record` is left
// untouched). `record` may be null; otherwise its zero ids are filled from
// the string whatever the lookup finds.
int findGpuDatabaseRowFromIdString(const char* idString, GpuIdFields* record);

// ---------------------------------------------------------------- readers
//
// Per-vendor readers: vendor id first, then the row index. A row index
// outside the vendor's table (-1 included) gives "Unknown" or 0.

const char* getGpuDatabaseFullName(int vendorId, int row);
const char* getGpuDatabaseCodename(int vendorId, int row);
int getGpuDatabaseUnifiedShaders(int vendorId, int row);  // value <= 0 gives 0
int getGpuDatabaseVertexShaders(int vendorId, int row);   // value as stored
int getGpuDatabasePixelShaders(int vendorId, int row);    // value as stored
int getGpuDatabaseTMUs(int vendorId, int row);            // value <= 0 gives 0
int getGpuDatabaseROPs(int vendorId, int row);            // value <= 0 gives 0
int getGpuDatabaseTDP(int vendorId, int row);             // value <= 0 gives 0

// Primary-GPU readers (what the primary display device's readers answer):
// the value as stored, -1 included; a row outside the table gives 0.
int getGpuDatabaseUnifiedShadersAsStored(int vendorId, int row);
int getGpuDatabaseTMUsAsStored(int vendorId, int row);
int getGpuDatabaseROPsAsStored(int vendorId, int row);
int getGpuDatabaseTDPAsStored(int vendorId, int row);

// The primary GPU's full name: as getGpuDatabaseFullName, except that the
// AMD row of device 0x68F9 gives "ATI Radeon HD 6350" when that is also the
// primary device id and the primary subsystem device id is 0x2126.
const char* getPrimaryGpuDatabaseFullName(int primaryVendorId, int primaryDeviceId,
                                          int primarySubsysDeviceId, int row);

// ---------------------------------------------------------------- derived values

// The class of a Core CPU name: 3, 5, 7 or 9 for the first of "i3", "i5",
// "i7", "i9" that the name holds, else 0 (also for a null or empty name).
int cpuClassFromName(const char* cpuName);

// The shader-core count of a GPU from the database: the unified shaders of
// the vendor and device's board row (findGpuDatabaseBoardRow; 0 for no row
// or a value <= 0); for the Intel device 0x9A49 the count follows the CPU
// class (384 for i3, 640 for i5, 768 for i7 and i9; the database count
// otherwise).
int getGpuDatabaseShaderCores(int vendorId, int deviceId, const char* cpuName);
// The same for a row already found (by id string, for instance).
int getGpuDatabaseShaderCoresAt(int vendorId, int deviceId, int row, const char* cpuName);
