// The hardware summary: what detection found about the primary GPU, the
// driver, the CPU, the operating system and the OpenGL limits, copied once
// at start-up.
#include <cstdio>
#include <cstring>

#include "detect/GpuDatabase.h"
#include "detect/Scanrik.h"

void FormatDriverSummary(const DriverSummaryFacts& f, char* out, int size) {
  out[0] = '\0';
  auto has = [](const char* s) { return s && s[0]; };
  const char* date = has(f.driverDate) ? f.driverDate : "";
  if (f.vendorKind == kVendorNvidia && has(f.nvidiaDriverVersion)) {
    if (has(f.openGLDriver))
      snprintf(out, size, "Forceware %s (%s) - GL:%s", f.nvidiaDriverVersion, date, f.openGLDriver);
    else
      snprintf(out, size, "Forceware %s (%s)", f.nvidiaDriverVersion, date);
    return;
  }
  if (f.vendorKind == kVendorAmd && has(f.catalystVersion)) {
    if (has(f.driverVersion) && has(f.driverDate))
      snprintf(out, size, "%s - Catalyst %s (%s)", f.driverVersion, f.catalystVersion, f.driverDate);
    else
      snprintf(out, size, "Catalyst %s", f.catalystVersion);
    return;
  }
  if (has(f.driverVersion)) {
    if (has(f.driverDate)) snprintf(out, size, "%s (%s)", f.driverVersion, f.driverDate);
    else snprintf(out, size, "%s", f.driverVersion);
  }
}

void BiosVersionFromString(const char* bios, char* out, int size) {
  copyText(out, size, "n.a.");
  if (!bios || !bios[0]) return;
  const char* at = strstr(bios, "Version");
  copyText(out, size, at ? at + 7 : bios);
}

bool scanGraphicsHardware() {
  ScanrikState& s = DetectionState();
  RenderWindow* rw = s.currentRenderWindow;
  HardwareCaps* c = rw ? rw->caps() : nullptr;
  if (!c) return false;
  HardwareSummary& h = s.summary;

  int row = c->findGpuDatabaseRow(nullptr);
  h.primaryDbRow = row;
  GpuRecord* gpu0 = DetectionGpuAt(0);
  const char* dbName = row >= 0 ? getPrimaryGpuDatabaseFullName(c->primaryVendorId, c->primaryDeviceId,
                                                                 c->primarySubsysDeviceId, row)
                                : nullptr;
  if (dbName && dbName[0] && strcmp(dbName, "Unknown") != 0)
    copyText(h.primaryGpuName, kSummaryTextSize, dbName);
  else if (gpu0)
    copyText(h.primaryGpuName, kSummaryTextSize, gpu0->displayDeviceString);
  if (c->primaryVendorId == 0x1002 && c->primaryDeviceId == 0x6798) {
    bool hd = gpu0 && strstr(gpu0->displayDeviceString, "Radeon HD 7900");
    copyText(h.primaryGpuName, kSummaryTextSize, hd ? "AMD Radeon HD 7970" : "AMD Radeon R9 280X");
  }

  DriverSummaryFacts f = {c->vendorKind, c->nv.cplDriverVersion, c->driverDate, c->openGLDriverName,
                          c->catalystVersion, c->driverVersion};
  char summary[1024];
  FormatDriverSummary(f, summary, sizeof(summary));
  copyText(h.driverSummary, kSummaryTextSize, summary);

  copyText(h.primaryGpuCodename, kSummaryTextSize,
           row < 0 ? "n.a." : getGpuDatabaseCodename(c->primaryVendorId, row));
  if (row >= 0) {
    h.primaryGpuShaderCores = getGpuDatabaseUnifiedShadersAsStored(c->primaryVendorId, row);
    h.primaryGpuVertexShaders = getGpuDatabaseVertexShaders(c->primaryVendorId, row);
    h.primaryGpuPixelShaders = getGpuDatabasePixelShaders(c->primaryVendorId, row);
    h.primaryGpuTdp = getGpuDatabaseTDPAsStored(c->primaryVendorId, row);
    h.primaryGpuTmus = getGpuDatabaseTMUsAsStored(c->primaryVendorId, row);
    h.primaryGpuRops = getGpuDatabaseROPsAsStored(c->primaryVendorId, row);
  }
  if (c->getFeatureFlag(30) && c->getFeatureFlag(31)) h.textureArrayAndBufferObjects = true;

  if (c->vendorKind == kVendorNvidia) {
    int kb = c->getNvidiaGpuMemoryKB(0);
    if (kb != 0) h.primaryGpuMemoryMB = kb >> 10;
    else if (c->nv.cplVideoMemoryMB > 0) h.primaryGpuMemoryMB = c->nv.cplVideoMemoryMB;
    else h.primaryGpuMemoryMB = static_cast<int>(c->registryMemoryBytes >> 20);
  } else {
    h.primaryGpuMemoryMB = static_cast<int>(c->registryMemoryBytes >> 20);
  }
  BiosVersionFromString(c->biosString, h.primaryGpuBiosVersion, kSummaryTextSize);
  h.primaryVendorId = c->primaryVendorId;
  h.primaryDeviceId = c->primaryDeviceId;

  h.nvidiaPhysicalGpus = 1;
  if (c->vendorKind == kVendorNvidia) {
    h.nvidiaLogicalGpus = c->getNvidiaLogicalGpuCount();
    h.nvidiaPhysicalGpus = c->getNvidiaPhysicalGpuCount();
    if (h.nvidiaPhysicalGpus == 0) h.nvidiaPhysicalGpus = c->nv.cplGpuCount;
  } else if (c->vendorKind == kVendorAmd) {
    h.nvidiaLogicalGpus = c->amd.amdGpuCount;
  }
  if (h.nvidiaPhysicalGpus == 0) h.nvidiaPhysicalGpus = 1;

  if (c->cpuName[0]) copyText(h.cpuName, kSummaryTextSize, c->cpuName);
  h.totalPhysicalBytes = c->totalPhysicalBytes;
  if (c->osName[0]) copyText(h.osName, kSummaryTextSize, c->osName);
  if (c->osShortName[0]) copyText(h.osShortName, kSummaryTextSize, c->osShortName);

  h.glMajor = c->glMajor;
  h.glMinor = c->glMinor;
  h.maxTextureUnits = c->maxTextureUnits;
  h.maxVertexTextureImageUnits = c->maxVertexTextureImageUnits;
  h.maxTextureImageUnits = c->maxTextureImageUnits;
  h.maxGeometryTextureImageUnits = c->maxGeometryTextureImageUnits;
  h.maxTextureSize = c->maxTextureSize;
  h.maxAnisotropy = c->maxAnisotropy;
  h.maxDrawBuffers = c->maxDrawBuffers;
  if (c->glVersionString[0]) copyText(h.glVersion, kSummaryTextSize, c->glVersionString);
  if (c->glslVersion[0]) copyText(h.glslVersion, kSummaryTextSize, c->glslVersion);
  h.maxVertexUniformComponents = c->maxVertexUniformComponents;
  h.maxFragmentUniformComponents = c->maxFragmentUniformComponents;
  h.maxGeometryUniformComponents = c->maxGeometryUniformComponents;
  h.maxVaryingFloats = c->maxVaryingFloats;
  h.maxPointSize = c->maxPointSize;
  h.maxLights = c->maxLights;
  h.maxViewportSize = c->maxViewportSize;
  h.maxMsaaSamples = rw->getMaxMsaaSamples();
  h.samples = rw->updateSamples();

  // The names stay owned by the hardware object: the summary only points.
  h.extensions.clear();
  for (int i = 0; i < c->extensions.count(); ++i) h.extensions.append(c->extensions.itemAt(i));
  h.numGlExtensions = c->glExtensionCount;
  h.numWglExtensions = c->wglExtensionCount;
  h.maxTessGenLevel = c->maxTessGenLevel;
  h.maxTessControlTextureImageUnits = c->maxTessControlTextureImageUnits;
  h.maxTessEvaluationTextureImageUnits = c->maxTessEvaluationTextureImageUnits;
  h.maxTessControlUniformComponents = c->maxTessControlUniformComponents;
  h.maxTessEvaluationUniformComponents = c->maxTessEvaluationUniformComponents;
  return true;
}
