// Ties the GPU records and the primary display device to the built-in GPU
// database.
#include <cstring>

#include "detect/GpuDatabase.h"
#include "detect/HardwareCaps.h"
#include "detect/PciIdText.h"

namespace {

// The record's ids as the database lookups take them.
GpuIdFields recordIdFields(const GpuRecord* r) {
  GpuIdFields ids;
  ids.vendorId = r->vendorId;
  ids.deviceId = r->deviceId;
  ids.subsysVendorId = r->subsysVendorId;
  ids.subsysDeviceId = r->subsysDeviceId;
  ids.revisionId = r->revisionId;
  return ids;
}

// The record's row: by its id string when it has one, else by its ids (an
// AMD id that several boards share then needs its subsystem ids).
int recordRow(const GpuRecord* r) {
  if (!r) return -1;
  if (r->deviceIdString[0]) {
    GpuIdFields ids = recordIdFields(r);
    int row = findGpuDatabaseRowFromIdString(r->deviceIdString, &ids);
    if (row >= 0) return row;
  }
  return findGpuDatabaseBoardRow(r->vendorId, r->deviceId, r->subsysDeviceId, r->subsysVendorId, r->revisionId);
}

}  // namespace

int HardwareCaps::findGpuDatabaseRow(const GpuRecord* record) const {
  if (record) return recordRow(record);
  uint32_t revision = 0;  // stays 0 without a revision
  readHexDigits(primaryRevision, strnlen(primaryRevision, 2), 0, 2, &revision);
  return findGpuDatabaseBoardRow(primaryVendorId, primaryDeviceId, primarySubsysDeviceId, primarySubsysVendorId,
                                 static_cast<int>(revision));
}

int FindRecordRowFromIdString(GpuRecord* r) {
  if (!r) return -1;
  GpuIdFields ids = recordIdFields(r);
  const int row = findGpuDatabaseRowFromIdString(r->deviceIdString, &ids);
  r->vendorId = ids.vendorId;
  r->deviceId = ids.deviceId;
  r->subsysVendorId = ids.subsysVendorId;
  r->subsysDeviceId = ids.subsysDeviceId;
  r->revisionId = ids.revisionId;
  return row;
}

void FillRecordFromGpuDatabase(GpuRecord* r) {
  if (!r) return;
  int row = recordRow(r);
  r->databaseRow = row;
  if (row < 0) return;
  const char* codename = getGpuDatabaseCodename(r->vendorId, row);
  if (codename && codename[0] && strcmp(codename, "Unknown") != 0)
    copyText(r->codename, kGpuTextSize, codename);
  r->tmus = getGpuDatabaseTMUs(r->vendorId, row);
  r->rops = getGpuDatabaseROPs(r->vendorId, row);
  r->tdpWatts = getGpuDatabaseTDP(r->vendorId, row);
}

int GpuDatabaseValue(const GpuRecord* r, GpuDbColumn column) {
  if (!r) return 0;
  int row = r->databaseRow >= 0 ? r->databaseRow : recordRow(r);
  if (row < 0) return 0;
  switch (column) {
    case kGpuDbVertexShaders: return getGpuDatabaseVertexShaders(r->vendorId, row);
    case kGpuDbPixelShaders: return getGpuDatabasePixelShaders(r->vendorId, row);
    case kGpuDbTdp: return getGpuDatabaseTDP(r->vendorId, row);
  }
  return 0;
}

int GpuDatabaseShaderCores(const GpuRecord* r, const char* cpuName) {
  if (!r) return 0;
  return getGpuDatabaseShaderCoresAt(r->vendorId, r->deviceId, recordRow(r), cpuName);
}
