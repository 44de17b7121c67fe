// The GPU tab: identity and configuration of the chosen GPU, one summary
// line per graphics and compute interface, the vendor logo and the live
// sensor fields that the main window's timer refreshes.
#include <cstdio>
#include <cstring>

#include "app/AppState.h"
#include "app/CudaInfo.h"
#include "app/Log.h"
#include "app/OpenClInfo.h"
#include "app/PanelLogo.h"
#include "app/Panels.h"
#include "app/VulkanInfo.h"
#include "detect/Scanrik.h"
#include "resources/resource.h"

namespace {

const int kText = 256;
const int kPciNvidia = 0x10DE;
const int kPciAmd = 0x1002;
const int kPciIntel = 0x8086;
const int kPciS3 = 0x5333;
const char kDegree = '\xB0';

struct BoardName {
  int vendor, device, subVendor, subDevice;
  const char* name;
};
const BoardName kBoardNames[] = {
    {0x10DE, 0x0DE0, 0x1043, 0x838A, "ASUS ENGT440/DI/1GD5"},
    {0x10DE, 0x1080, 0x1043, 0x83BB, "ASUS ROG MATRIX GTX 580"},
    {0x10DE, 0x1086, 0x1043, 0x8387, "ASUS ENGTX570 DCII/2DIS/1280MD5"},
    {0x10DE, 0x1088, 0x1043, 0x83A3, "ASUS ENGTX590/3DIS/3GD5"},
    {0x10DE, 0x1199, 0x1458, 0xD001, "GIGABYTE BRIX GTX 760"},
    {0x10DE, 0x1200, 0x1043, 0x8390, "ASUS ENGTX560 TI DCII TOP/2DI/1GD5"},
    {0x10DE, 0x1201, 0x1043, 0x83AE, "ASUS ENGTX560 DC2 TOP/2DI/1GD5"},
    {0x1002, 0x68BA, 0x1043, 0x040B, "ASUS EAH6770 DC SL/2DI/1GD5"},
    {0x1002, 0x6719, 0x1043, 0x03BE, "ASUS EAH6850 DCII/2DI4S/2GD5"},
    {0x1002, 0x6758, 0x1043, 0x03EA, "ASUS EAH6670/DIS/1GD5"},
};

// Field and label of every sensor pair.
const int kSensorPairs[][2] = {
    {IDC_GPU_FAN, IDC_GPU_FAN_LABEL},
    {IDC_GPU_LOAD, IDC_GPU_LOAD_LABEL},
    {IDC_GPU_VDDC, IDC_GPU_VDDC_LABEL},
    {IDC_GPU_CURRENT_CLOCK, IDC_GPU_CURRENT_CLOCK_LABEL},
    {IDC_GPU_MAX_CLOCK, IDC_GPU_MAX_CLOCK_LABEL},
    {IDC_GPU_FILLRATE, IDC_GPU_FILLRATE_LABEL},
    {IDC_GPU_TEMPERATURE, IDC_GPU_TEMPERATURE_LABEL},
    {IDC_GPU_POWER, IDC_GPU_POWER_LABEL},
};

struct Ids {
  int vendor = 0, device = 0, subVendor = 0, subDevice = 0, revision = 0;
};

Ids idsOf(Scanrik* s, int index) {
  Ids ids;
  s->getGpuPciIds(index, &ids.vendor, &ids.device, &ids.subVendor, &ids.subDevice, &ids.revision);
  return ids;
}

// The tab's controls, each looked up once per panel: a lookup by id asks
// the window manager for the panel's whole child list (under Wine a round
// trip to its server), and every refresh touches some twenty controls.
struct ControlCache {
  static const int kMax = 64;
  HWND panel = nullptr;
  int count = 0;
  int ids[kMax];
  HWND handles[kMax];
};
ControlCache g_controls;

void forgetControls() {
  g_controls.panel = nullptr;
  g_controls.count = 0;
}

HWND control(HWND panel, int id) {
  ControlCache& c = g_controls;
  if (c.panel != panel) {
    c.panel = panel;
    c.count = 0;
  }
  for (int i = 0; i < c.count; ++i)
    if (c.ids[i] == id) return c.handles[i];
  HWND handle = GetDlgItem(panel, id);
  if (handle && c.count < ControlCache::kMax) {
    c.ids[c.count] = id;
    c.handles[c.count++] = handle;
  }
  return handle;
}

void setText(HWND panel, int id, const char* text) { SetTextIfChanged(control(panel, id), text); }

// Only a change of state is made: disabling a control that is disabled
// already still sends it a cancel-mode message, which asks the window
// manager for the mouse capture.
void enable(HWND panel, int id, bool on) {
  HWND handle = control(panel, id);
  if (handle && (IsWindowEnabled(handle) != FALSE) != on) EnableWindow(handle, on ? TRUE : FALSE);
}

// A text shown: set, field and label enabled.
void show(HWND panel, int field, int label, const char* text) {
  setText(panel, field, text);
  enable(panel, field, true);
  if (label) enable(panel, label, true);
}

// An absent value: empty, field and label disabled.
void blank(HWND panel, int field, int label) {
  setText(panel, field, "");
  enable(panel, field, false);
  if (label) enable(panel, label, false);
}

bool nonEmpty(const char* s) { return s && *s; }

void formatTemperature(char* text, size_t size, float t) {
  snprintf(text, size, "%.1f %cC / %.1f %cF", static_cast<double>(t), kDegree,
           static_cast<double>(CelsiusToFahrenheit(t)), kDegree);
}

void showTemperature(HWND panel, float t) {
  char text[kText];
  formatTemperature(text, sizeof(text), t);
  // Field and label both: an earlier failed read may have disabled the field.
  show(panel, IDC_GPU_TEMPERATURE, IDC_GPU_TEMPERATURE_LABEL, text);
}

void showFillrate(HWND panel, float clock, int tmus, int rops, const char* label) {
  char text[kText];
  double texel = static_cast<double>(tmus) * clock / 1000.0;
  double pixel = static_cast<double>(rops) * clock / 1000.0;
  snprintf(text, sizeof(text), "Texture: %.1f GTexel/s - Pixel: %.1f GPixel/s", texel, pixel);
  setText(panel, IDC_GPU_FILLRATE_LABEL, label);
  setText(panel, IDC_GPU_FILLRATE, text);
}

// Fillrate from the maximum clock when it gives a texel rate, else from the
// current one.
void fillrate(HWND panel, float maxClock, float currentClock, int tmus, int rops) {
  if (static_cast<double>(tmus) * maxClock / 1000.0 > 0)
    showFillrate(panel, maxClock, tmus, rops, "Fillrate (max)");
  else
    showFillrate(panel, currentClock, tmus, rops, "Fillrate (cur)");
}

void powerAbsent(HWND panel) {
  setText(panel, IDC_GPU_POWER, "");
  HWND field = control(panel, IDC_GPU_POWER);
  if (field && IsWindowEnabled(field)) {
    enable(panel, IDC_GPU_POWER, false);
    enable(panel, IDC_GPU_POWER_LABEL, false);
  }
}

// Appends to text with a bound; the text stays terminated.
void append(char* text, size_t size, const char* piece) {
  size_t used = strnlen(text, size);
  if (used + 1 >= size) return;
  snprintf(text + used, size - used, "%s", piece);
}

bool fillCudaSummary(HWND panel, int busId) {
  for (int i = 0; g_app.cudaDevices && i < g_app.cudaDeviceCount; ++i) {
    const CudaDeviceInfo& d = g_app.cudaDevices[i];
    if (d.pciBusId != busId) continue;
    char text[kText];
    snprintf(text, sizeof(text), "%s - CC:%d.%d - SMs:%d@%dMHz", d.name, d.computeCapabilityMajor,
             d.computeCapabilityMinor, d.multiprocessorCount, d.clockRateKhz / 1000);
    show(panel, IDC_GPU_CUDA, IDC_GPU_CUDA_LABEL, text);
    return true;
  }
  return false;
}

const OpenClPlatformInfo* clPlatform(int p) {
  if (!g_app.clPlatforms || p < 0 || p >= g_app.clPlatformCount) return nullptr;
  return &g_app.clPlatforms[p];
}

bool fillClSummary(HWND panel, int p, uint64_t type) {
  const OpenClPlatformInfo* platform = clPlatform(p);
  for (int j = 0; platform && platform->devices && j < platform->deviceCount; ++j) {
    const OpenClDeviceInfo& d = platform->devices[j];
    if (d.deviceType != type) continue;
    char text[kText];
    if (type == static_cast<uint64_t>(kClDeviceTypeGpu))
      snprintf(text, sizeof(text), "%.10s, %s compute units:%d@%dMHz", d.version, d.name,
               d.computeUnits, d.maxClockMhz);
    else
      snprintf(text, sizeof(text), "%.10s, CPU compute units:%d@%dMHz", d.version, d.computeUnits,
               d.maxClockMhz);
    show(panel, IDC_GPU_OPENCL, IDC_GPU_OPENCL_LABEL, text);
    return true;
  }
  return false;
}

void formatOpenGlLine(HWND panel, Scanrik* s, int index, const Ids& ids, const char* name) {
  const char* vendor = s->getGLVendor();
  const char* renderer = s->getGLRenderer();
  bool shown = s->getNumGpus() <= 1;
  if (!shown && renderer && vendor) {
    int kind = strstr(vendor, "Intel")    ? kPciIntel
               : strstr(vendor, "NVIDIA") ? kPciNvidia
               : (strstr(vendor, "AMD") || strstr(vendor, "ATI")) ? kPciAmd
                                                                  : 0;
    if (kind == kPciNvidia && ids.vendor == kPciNvidia && name) {
      const char* part = (strstr(name, "NVIDIA") && strlen(name) >= 7) ? name + 7 : name;
      shown = strstr(renderer, part) != nullptr;
    } else if (kind == kPciAmd && ids.vendor == kPciAmd && name) {
      const char* part =
          ((strstr(name, "AMD") || strstr(name, "ATI")) && strlen(name) >= 4) ? name + 4 : name;
      shown = strstr(renderer, part) != nullptr;
    } else if (kind == kPciIntel && ids.vendor == kPciIntel) {
      shown = true;
    }
  }
  (void)index;
  if (!shown || !renderer) {
    setText(panel, IDC_GPU_OPENGL, "Not the primary OpenGL GPU");
    enable(panel, IDC_GPU_OPENGL, false);
    return;
  }
  char text[kText];
  snprintf(text, sizeof(text), "OpenGL %d.%d (%d ext) - %s", s->getOpenGLMajorVersion(),
           s->getOpenGLMinorVersion(), s->getNumOpenGLExtensions(), renderer);
  setText(panel, IDC_GPU_OPENGL, text);
  enable(panel, IDC_GPU_OPENGL, true);
}

void formatApiSummary(HWND panel, Scanrik* s, int index) {
  int nvidiaCount = 0;
  for (int i = 0; i < s->getNumGpus(); ++i)
    if (idsOf(s, i).vendor == kPciNvidia) ++nvidiaCount;
  Ids ids = idsOf(s, index);
  int busId = s->getGpuBusId(index);
  const char* name = s->getGpuDisplayDeviceString(index);
  if (!nonEmpty(name)) name = s->getGpuName(index);
  bool nvidia = ids.vendor == kPciNvidia;
  char text[kText];

  int physx = static_cast<int>(g_app.physxVersion);
  if (physx <= 0) {
    setText(panel, IDC_GPU_PHYSX, "PhysX not installed");
    enable(panel, IDC_GPU_PHYSX, false);
    enable(panel, IDC_GPU_PHYSX_LABEL, false);
  } else {
    bool onGpu = s->isPhysXOnGpu();
    if (nvidia && onGpu && nvidiaCount == 1 && name)
      snprintf(text, sizeof(text), "PhysX %d, GPU PhysX: %s", physx, name);
    else if (nvidia && onGpu)
      snprintf(text, sizeof(text), "PhysX %d, GPU PhysX supported", physx);
    else
      snprintf(text, sizeof(text), "PhysX %d, CPU PhysX", physx);
    show(panel, IDC_GPU_PHYSX, IDC_GPU_PHYSX_LABEL, text);
  }

  formatOpenGlLine(panel, s, index, ids, name);

  bool clFound = false;
  for (int p = 0; !clFound && p < g_app.clPlatformCount; ++p) {
    const OpenClPlatformInfo* platform = clPlatform(p);
    for (int j = 0; platform && platform->devices && j < platform->deviceCount; ++j) {
      const OpenClDeviceInfo& d = platform->devices[j];
      if (d.deviceType != static_cast<uint64_t>(kClDeviceTypeGpu)) continue;
      if (static_cast<int>(d.vendorId) != ids.vendor) continue;
      if (busId >= 0 && d.pciBus != busId) continue;
      snprintf(text, sizeof(text), "%.10s - %s - CUs:%d@%dMHz", d.version, d.name, d.computeUnits,
               d.maxClockMhz);
      show(panel, IDC_GPU_OPENCL, IDC_GPU_OPENCL_LABEL, text);
      clFound = true;
      break;
    }
  }
  if (!clFound) {
    setText(panel, IDC_GPU_OPENCL, "No GPU support (see the OpenCL panel for more details)");
    enable(panel, IDC_GPU_OPENCL, false);
    enable(panel, IDC_GPU_OPENCL_LABEL, false);
  }

  if (!(nvidia && fillCudaSummary(panel, busId))) {
    setText(panel, IDC_GPU_CUDA, "No CUDA support");
    enable(panel, IDC_GPU_CUDA, false);
    enable(panel, IDC_GPU_CUDA_LABEL, false);
  }
}

void formatGpuDetails(HWND panel, Scanrik* s, int index) {
  Ids ids = idsOf(s, index);
  char text[kText];

  // Driver.
  text[0] = '\0';
  if (ids.vendor == kPciNvidia) {
    const char* branch = s->getNvidiaDriverBranch();
    const char* version = s->getDriverVersion();
    const char* date = s->getDriverDate();
    snprintf(text, sizeof(text), "R%.2f (%s) / %s (%s)",
             static_cast<double>(static_cast<float>(s->getNvidiaDriverVersionNumber()) / 100.0f),
             branch ? branch : "", version ? version : "", date ? date : "");
  } else if (ids.vendor == kPciAmd) {
    const char* package = s->getGpuDriverPackageVersion(index);
    const char* edition = s->getRadeonSoftwareEdition(index);
    if (nonEmpty(package)) {
      if (nonEmpty(edition))
        snprintf(text, sizeof(text), "Radeon %s %s", edition, package);
      else
        snprintf(text, sizeof(text), "Radeon Catalyst %s", package);
    }
  } else {
    const char* driver = s->getGpuDriverVersion(index);
    if (!driver) driver = s->getDriverSummary();
    snprintf(text, sizeof(text), "%s", driver ? driver : "");
  }
  setText(panel, IDC_GPU_DRIVER, text);

  // Codename.
  const char* codename = s->getGpuCodename(index);
  if (codename) setText(panel, IDC_GPU_CODENAME, codename);

  // Core configuration.
  setText(panel, IDC_GPU_CORE_CONFIG_LABEL, "Core config");
  int cores = s->getGpuShaderCores(index);
  if (cores > 0)
    snprintf(text, sizeof(text), ids.vendor == kPciIntel ? "EUs: %d" : "cores: %d",
             ids.vendor == kPciIntel ? cores / 8 : cores);
  else
    snprintf(text, sizeof(text), "%dvp,%dpp", s->getGpuVertexShaders(index),
             s->getGpuPixelShaders(index));
  char piece[64];
  int tmus = s->getGpuTMUs(index);
  int rops = s->getGpuROPs(index);
  if (tmus != 0) {
    snprintf(piece, sizeof(piece), " - TMUs: %d", tmus);
    append(text, sizeof(text), piece);
  }
  if (rops != 0) {
    snprintf(piece, sizeof(piece), " - ROPs: %d", rops);
    append(text, sizeof(text), piece);
  }
  setText(panel, IDC_GPU_CORE_CONFIG, text);

  // Extra configuration.
  setText(panel, IDC_GPU_EXTRA_CONFIG_LABEL, "Extra config");
  if (ids.vendor == kPciNvidia) {
    int rt = s->getGpuRTCores(index);
    int tensor = s->getGpuTensorCores(index);
    if (rt == 0 && tensor == 0) {
      setText(panel, IDC_GPU_EXTRA_CONFIG, "-- NVIDIA TU/GA+ or AMD RDNA+ GPUs only --");
      enable(panel, IDC_GPU_EXTRA_CONFIG, false);
      enable(panel, IDC_GPU_EXTRA_CONFIG_LABEL, false);
    } else {
      snprintf(text, sizeof(text), "RT cores: %d", rt);
      if (tensor != 0 || cores >= 8) {
        snprintf(piece, sizeof(piece), " - Tensor cores: %d", tensor != 0 ? tensor : cores / 8);
        append(text, sizeof(text), piece);
      }
      show(panel, IDC_GPU_EXTRA_CONFIG, IDC_GPU_EXTRA_CONFIG_LABEL, text);
    }
  } else if (ids.vendor == kPciAmd) {
    int cus = 0, wgps = 0, amdRops = 0;
    int64_t localMemory = 0;
    char asic[33] = "";
    s->getAmdGpuInfo(index, &cus, &wgps, &amdRops, &localMemory, asic, sizeof(asic));
    asic[sizeof(asic) - 1] = '\0';
    snprintf(text, sizeof(text), "ASIC: %s", asic);
    if (cus != 0) {
      snprintf(piece, sizeof(piece), " - CUs: %d", cus);
      append(text, sizeof(text), piece);
    }
    if (wgps != 0) {
      snprintf(piece, sizeof(piece), " - WGPs: %d", wgps);
      append(text, sizeof(text), piece);
    }
    show(panel, IDC_GPU_EXTRA_CONFIG, IDC_GPU_EXTRA_CONFIG_LABEL, text);
  } else {
    setText(panel, IDC_GPU_EXTRA_CONFIG, "-- NVIDIA TU/GA+ or AMD RDNA GPUs only --");
    enable(panel, IDC_GPU_EXTRA_CONFIG, false);
    enable(panel, IDC_GPU_EXTRA_CONFIG_LABEL, false);
  }

  // TDP.
  int tdp = s->getGpuTDP(index);
  if (tdp != 0) {
    snprintf(text, sizeof(text), "%d W", tdp);
    show(panel, IDC_GPU_TDP, IDC_GPU_TDP_LABEL, text);
  } else {
    blank(panel, IDC_GPU_TDP, IDC_GPU_TDP_LABEL);
  }

  // Memory.
  snprintf(text, sizeof(text), "%d MB", s->getGpuMemorySizeMB(index));
  if (ids.vendor == kPciNvidia || ids.vendor == kPciAmd) {
    int width = 0;
    s->getGpuMemoryBusWidth(index, &width, nullptr, 0);
    const char* type = s->getGpuMemoryType(index);
    if (type) {
      snprintf(piece, sizeof(piece), " %s", type);
      append(text, sizeof(text), piece);
      if (width != 0) {
        char maker[64] = "";
        s->getGpuRamMaker(index, maker, sizeof(maker));
        char line[kText];
        if (maker[0])
          snprintf(line, sizeof(line), " (%s), bus width: %d-bit", maker, width);
        else
          snprintf(line, sizeof(line), ", bus width: %d-bit", width);
        append(text, sizeof(text), line);
      }
    } else if (width != 0) {
      snprintf(piece, sizeof(piece), ", bus width: %d-bit", width);
      append(text, sizeof(text), piece);
    }
  }
  setText(panel, IDC_GPU_MEMORY, text);

  // BIOS and ids.
  const char* bios = s->getGpuBiosVersion(index);
  setText(panel, IDC_GPU_BIOS, bios ? bios : "unknown");
  snprintf(text, sizeof(text), "%.4X-%.4X", ids.vendor, ids.device);
  setText(panel, IDC_GPU_DEVICE_ID, text);
  snprintf(text, sizeof(text), "%s (%.4X-%.4X)", vendorNameFromPciId(ids.subVendor), ids.subVendor,
           ids.subDevice);
  setText(panel, IDC_GPU_SUBVENDOR, text);

  // Vulkan.
  int vkCount = GetVulkanDeviceCount();
  if (vkCount <= 0) {
    setText(panel, IDC_GPU_VULKAN, "no Vulkan support");
    enable(panel, IDC_GPU_VULKAN, false);
    enable(panel, IDC_GPU_VULKAN_LABEL, false);
  } else {
    text[0] = '\0';
    for (int i = 0; i < vkCount; ++i) {
      if (static_cast<int>(GetVulkanDeviceVendorId(i)) != ids.vendor ||
          static_cast<int>(GetVulkanDeviceId(i)) != ids.device)
        continue;
      int major = 0, minor = 0, patch = 0;
      GetVulkanDeviceApiVersion(i, &major, &minor, &patch);
      const char* vkName = GetVulkanDeviceName(i);
      snprintf(text, sizeof(text), "Vulkan API %d.%d.%d - GPU%d: %s", major, minor, patch, i,
               vkName ? vkName : "");
      break;
    }
    setText(panel, IDC_GPU_VULKAN, text);
  }
}

void fillGpuStaticInfo(HWND panel, Scanrik* s) {
  char text[kText];
  ClearGpuFields(panel);
  snprintf(text, sizeof(text), "%.4X - %.4X", s->getPrimaryVendorId(), s->getPrimaryDeviceId());
  setText(panel, IDC_GPU_DEVICE_ID, text);
  int subVendor = s->getPrimarySubsysVendorId();
  snprintf(text, sizeof(text), "%s (%.4X-%.4X)", vendorNameFromPciId(subVendor), subVendor,
           s->getPrimarySubsysDeviceId());
  setText(panel, IDC_GPU_SUBVENDOR, text);

  const char* codename = s->getPrimaryGpuCodename();
  if (nonEmpty(codename))
    show(panel, IDC_GPU_CODENAME, 0, codename);
  else
    blank(panel, IDC_GPU_CODENAME, 0);
  int cores = s->getPrimaryGpuShaderCores();
  if (cores != 0)
    snprintf(text, sizeof(text), "%d", cores);
  else
    snprintf(text, sizeof(text), "%dvp / %dpp", s->getPrimaryGpuVertexShaders(),
             s->getPrimaryGpuPixelShaders());
  setText(panel, IDC_GPU_EXTRA_CONFIG, text);

  int tdp = s->getPrimaryGpuTDP();
  if (tdp > 0) {
    snprintf(text, sizeof(text), "%dW", tdp);
    show(panel, IDC_GPU_TDP, IDC_GPU_TDP_LABEL, text);
  } else {
    blank(panel, IDC_GPU_TDP, IDC_GPU_TDP_LABEL);
  }
  const char* bios = s->getPrimaryGpuBiosVersion();
  if (nonEmpty(bios))
    show(panel, IDC_GPU_BIOS, IDC_GPU_BIOS_LABEL, bios);
  else
    blank(panel, IDC_GPU_BIOS, IDC_GPU_BIOS_LABEL);
  int memory = s->getPrimaryGpuMemoryMB();
  if (memory > 0) {
    snprintf(text, sizeof(text), "%dMB", memory);
    show(panel, IDC_GPU_MEMORY, IDC_GPU_MEMORY_LABEL, text);
  } else {
    blank(panel, IDC_GPU_MEMORY, IDC_GPU_MEMORY_LABEL);
  }
  const char* driver = s->getDriverSummary();
  if (nonEmpty(driver))
    show(panel, IDC_GPU_DRIVER, IDC_GPU_DRIVER_LABEL, driver);
  else
    blank(panel, IDC_GPU_DRIVER, IDC_GPU_DRIVER_LABEL);

  const char* renderer = s->getGLRenderer();
  snprintf(text, sizeof(text), "OpenGL %d.%d (%s with %d ext.)", s->getOpenGLMajorVersion(),
           s->getOpenGLMinorVersion(), renderer ? renderer : "", s->getNumOpenGLExtensions());
  setText(panel, IDC_GPU_OPENGL, text);

  bool cl = false;
  for (int p = 0; !cl && p < g_app.clPlatformCount; ++p)
    cl = fillClSummary(panel, p, static_cast<uint64_t>(kClDeviceTypeGpu));
  for (int p = 0; !cl && p < g_app.clPlatformCount; ++p)
    cl = fillClSummary(panel, p, static_cast<uint64_t>(kClDeviceTypeCpu));
  if (!cl) blank(panel, IDC_GPU_OPENCL, 0);

  blank(panel, IDC_GPU_CUDA, IDC_GPU_CUDA_LABEL);
  int physx = static_cast<int>(g_app.physxVersion);
  if (physx <= 0) {
    blank(panel, IDC_GPU_PHYSX, IDC_GPU_PHYSX_LABEL);
  } else {
    snprintf(text, sizeof(text), "PhysX %d", physx);
    show(panel, IDC_GPU_PHYSX, 0, text);
  }
}

HBITMAP g_logos[7];
const int kLogoIds[7] = {IDB_LOGO_NVIDIA,       IDB_LOGO_NVIDIA_LARGE, IDB_LOGO_AMD,
                         IDB_LOGO_AMD_LARGE,    IDB_LOGO_INTEL,        IDB_LOGO_S3,
                         IDB_LOGO_OTHER};

HBITMAP logoFor(int vendor, int dpi) {
  switch (vendor) {
    case kPciNvidia: return dpi == 96 ? g_logos[0] : g_logos[1];
    case kPciAmd: return dpi == 96 ? g_logos[2] : g_logos[3];
    case kPciIntel: return g_logos[4];
    case kPciS3: return g_logos[5];
    default: return g_logos[6];
  }
}

void paintLogo(HWND panel) {
  for (int i = 0; i < 7; ++i)
    if (!g_logos[i]) g_logos[i] = LoadBitmapA(g_app.instance, MAKEINTRESOURCEA(kLogoIds[i]));
  Scanrik* s = Scanrik::instance();
  int vendor = 0;
  if (s) s->getGpuPciIds(g_app.selectedGpu, &vendor, nullptr, nullptr, nullptr, nullptr);
  HBITMAP logo = logoFor(vendor, GetWindowDpi(panel));
  PaintLogoOver(panel, logo, IDC_GPU_LOGO);
}

}  // namespace

const char* KnownBoardName(int vendor, int device, int subVendor, int subDevice) {
  for (const BoardName& b : kBoardNames)
    if (b.vendor == vendor && b.device == device && b.subVendor == subVendor &&
        b.subDevice == subDevice)
      return b.name;
  return nullptr;
}

void ResetGpuPanelState() { g_app.gpuTabNoDriver = false; }

void ClearGpuFields(HWND panel) {
  for (const auto& pair : kSensorPairs) blank(panel, pair[0], pair[1]);
}

void EnableGpuFields(HWND panel) {
  for (const auto& pair : kSensorPairs) {
    enable(panel, pair[0], true);
    enable(panel, pair[1], true);
  }
}

void FillGpuList(HWND panel) {
  if (g_app.gpuTabNoDriver) return;
  Scanrik* s = Scanrik::instance();
  if (!s) return;
  char text[kText];
  if (!s->isGraphicsDriverDetected()) {
    ClearGpuFields(panel);
    setText(panel, IDC_GPU_DRIVER, "No graphics driver detected!");
    for (int id : {IDC_GPU_DEVICE_ID, IDC_GPU_CODENAME, IDC_GPU_MEMORY, IDC_GPU_EXTRA_CONFIG,
                   IDC_GPU_BIOS})
      setText(panel, id, "");
    snprintf(text, sizeof(text), "Core: %d.%d", s->getOpenGLMajorVersion(),
             s->getOpenGLMinorVersion());
    setText(panel, IDC_GPU_OPENGL, text);
    for (int id : {IDC_GPU_OPENCL, IDC_GPU_VULKAN, IDC_GPU_CUDA, IDC_GPU_TEMPERATURE})
      setText(panel, id, "");
    g_app.gpuTabNoDriver = true;
    return;
  }
  HWND list = GetDlgItem(panel, IDC_GPU_LIST);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  SendMessageA(list, CB_INITSTORAGE, 4, 256);
  if (g_app.gpuCount == 0) {
    ClearGpuFields(panel);
    const char* primary = s->getPrimaryGpuName();
    if (primary) {
      snprintf(text, sizeof(text), "GPU 1: %s", primary);
      LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      if (item >= 0) SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(item), 0);
      SendMessageA(list, CB_SETCURSEL, 0, 0);
    }
    fillGpuStaticInfo(panel, s);
    return;
  }
  for (unsigned i = 0; i < g_app.gpuCount; ++i) {
    int index = static_cast<int>(i);
    Ids ids = idsOf(s, index);
    const char* board = KnownBoardName(ids.vendor, ids.device, ids.subVendor, ids.subDevice);
    const char* display = s->getGpuDisplayDeviceString(index);
    const char* name = s->getGpuName(index);
    if (board)
      snprintf(text, sizeof(text), "GPU %d: %s", index + 1, board);
    else if (nonEmpty(display))
      snprintf(text, sizeof(text), "GPU %d: %s", index + 1, display);
    else if (name)
      snprintf(text, sizeof(text), "GPU %d: %s", index + 1, name);
    else
      snprintf(text, sizeof(text), "GPU %d", index + 1);
    LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (item >= 0) SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(index));
  }
  SendMessageA(list, CB_SETCURSEL, 0, 0);
  g_app.selectedGpu = 0;
  FillGpuPanel(panel, 0);
}

bool FillGpuPanel(HWND panel, int index) {
  Scanrik* s = Scanrik::instance();
  if (!s || g_app.gpuCount == 0 || index < 0 || static_cast<unsigned>(index) >= g_app.gpuCount)
    return false;
  if (!s->hasGpuSensors(index)) {
    ClearGpuFields(panel);
    formatApiSummary(panel, s, index);
    formatGpuDetails(panel, s, index);
    return true;
  }
  EnableGpuFields(panel);
  formatApiSummary(panel, s, index);
  formatGpuDetails(panel, s, index);
  RefreshGpuSensors(panel, index);
  float t = 0, t1 = 0, t2 = 0, t3 = 0;
  if (s->getGpuTemperature(index, &t, &t2, &t3, &t1)) {
    char text[kText];
    snprintf(text, sizeof(text), "%.1f%cC / %.1f%cF", static_cast<double>(t), kDegree,
             static_cast<double>(CelsiusToFahrenheit(t)), kDegree);
    show(panel, IDC_GPU_TEMPERATURE, IDC_GPU_TEMPERATURE_LABEL, text);
  } else {
    blank(panel, IDC_GPU_TEMPERATURE, IDC_GPU_TEMPERATURE_LABEL);
  }
  return true;
}

void RefreshGpuSensors(HWND panel, int index) {
  Scanrik* s = Scanrik::instance();
  if (!s) return;
  Ids ids = idsOf(s, index);
  bool nvidia = ids.vendor == kPciNvidia;
  bool amd = ids.vendor == kPciAmd;
  bool pendingTemperature = true, pendingClock = true, pendingVoltage = true, pendingFan = true,
       pendingLoad = true, pendingPower = true;
  char text[kText];

  int overdrive = 0;
  if (amd) {
    overdrive = s->getAmdOverdriveVersion(index);
    if (s->readAmdPMLogSensors(index)) {
      auto supported = [&](int sensor) { return s->isAmdPMLogSensorSupported(index, sensor); };
      auto value = [&](int sensor) {
        return static_cast<unsigned>(s->getAmdPMLogSensorValue(index, sensor));
      };
      if (supported(8)) {
        showTemperature(panel, static_cast<float>(value(8)));
        pendingTemperature = false;
      }
      if (supported(1)) {
        snprintf(text, sizeof(text), "core: %d MHz, mem: %d MHz", static_cast<int>(value(1)),
                 static_cast<int>(value(2)));
        setText(panel, IDC_GPU_CURRENT_CLOCK, text);
        pendingClock = false;
      }
      if (supported(21)) {
        snprintf(text, sizeof(text), "%.3f V", value(21) * 0.001);
        show(panel, IDC_GPU_VDDC, IDC_GPU_VDDC_LABEL, text);
        pendingVoltage = false;
      }
      if (supported(14)) {
        snprintf(text, sizeof(text), "%d %% / %d RPM", static_cast<int>(value(15)),
                 static_cast<int>(value(14)));
        show(panel, IDC_GPU_FAN, IDC_GPU_FAN_LABEL, text);
        pendingFan = false;
      }
      if (supported(19)) {
        snprintf(text, sizeof(text), "%.1f %%.", static_cast<double>(value(19)));
        show(panel, IDC_GPU_LOAD, IDC_GPU_LOAD_LABEL, text);
        pendingLoad = false;
      }
      if (supported(23)) {
        snprintf(text, sizeof(text), "ASIC power: %.0f W", static_cast<double>(value(23)));
        setText(panel, IDC_GPU_POWER, text);
        pendingPower = false;
      }
    }
  }

  float baseGpu = 0, baseMem = 0, boostGpu = 0, boostMem = 0, powerUsage = 0, powerTarget = 0;
  if (nvidia) {
    float mw = 0;
    s->getGpuClockFrequencies(index, 1, &baseGpu, &baseMem);
    s->getGpuClockFrequencies(index, 2, &boostGpu, &boostMem);
    s->getGpuPowerUsage(index, &powerUsage, &mw);
    s->getGpuPowerTarget(index, &powerTarget, &mw);
  }

  if (!nvidia && !amd) {
    blank(panel, IDC_GPU_FAN, IDC_GPU_FAN_LABEL);
    blank(panel, IDC_GPU_TEMPERATURE, IDC_GPU_TEMPERATURE_LABEL);
    blank(panel, IDC_GPU_LOAD, IDC_GPU_LOAD_LABEL);
    blank(panel, IDC_GPU_CURRENT_CLOCK, IDC_GPU_CURRENT_CLOCK_LABEL);
    blank(panel, IDC_GPU_MAX_CLOCK, IDC_GPU_MAX_CLOCK_LABEL);
    blank(panel, IDC_GPU_FILLRATE, IDC_GPU_FILLRATE_LABEL);
    blank(panel, IDC_GPU_VDDC, IDC_GPU_VDDC_LABEL);
    return;
  }

  if (pendingTemperature) {
    float t = 0, t1 = 0, t2 = 0, t3 = 0;
    if (s->getGpuTemperature(index, &t, &t2, &t3, &t1)) {
      showTemperature(panel, t);
    } else {
      setText(panel, IDC_GPU_TEMPERATURE, "");
      enable(panel, IDC_GPU_TEMPERATURE_LABEL, false);
    }
  }

  if (pendingFan) {
    bool done = false;
    if (nvidia) {
      s->readGpuCoolerStatus(index);
      int v0 = 0, rpm = 0, v2 = 0, v3 = 0, level = 0;
      if (s->getGpuCoolerStatus(index, 0, &v0, &rpm, &v2, &v3, &level)) {
        snprintf(text, sizeof(text), "%d %% / %d RPM", level, rpm);
        show(panel, IDC_GPU_FAN, IDC_GPU_FAN_LABEL, text);
        done = true;
      }
    }
    if (!done) {
      int percent = -1, rpm = -1;
      if (s->getGpuFanSpeed(index, &percent, &rpm) && (percent != -1 || rpm != -1)) {
        if (percent != -1 && rpm != -1)
          snprintf(text, sizeof(text), "%d %% / %d RPM", percent, rpm);
        else if (percent != -1)
          snprintf(text, sizeof(text), "%d %%", percent);
        else
          snprintf(text, sizeof(text), "%d RPM", rpm);
        show(panel, IDC_GPU_FAN, IDC_GPU_FAN_LABEL, text);
      } else {
        blank(panel, IDC_GPU_FAN, IDC_GPU_FAN_LABEL);
      }
    }
  }

  if (pendingLoad) {
    int load = 0, fbLoad = 0;
    if (s->getGpuUsage(index, &load, &fbLoad)) {
      snprintf(text, sizeof(text), "%.1f %%", static_cast<double>(load));
      show(panel, IDC_GPU_LOAD, IDC_GPU_LOAD_LABEL, text);
    } else {
      blank(panel, IDC_GPU_LOAD, IDC_GPU_LOAD_LABEL);
    }
  }

  int pstate = -1;
  float gpu = 0, mem = 0, third = 0, volts = 0;
  if (pendingClock && pendingVoltage)
    s->getGpuCurrentPerformanceState(index, &pstate, &gpu, &mem, &third, &volts);

  float maxGpu = 0, maxMem = 0;
  int lowestLevel = 100;
  for (int j = 0; j < s->getNumGpuPerfLevels(index); ++j) {
    int id = 0;
    float lg = 0, lm = 0, lt = 0, lv = 0;
    if (!s->getGpuPerfLevel(index, j, &id, &lg, &lm, &lt, &lv)) continue;
    if (lg > maxGpu) maxGpu = lg;
    if (lm > maxMem) maxMem = lm;
    if (id < lowestLevel) lowestLevel = id;
  }
  if (amd && overdrive >= 8) {
    int core = 0, memory = 0;
    if (s->getGpuRatedClocks(index, &core, &memory)) {
      maxGpu = static_cast<float>(core);
      maxMem = static_cast<float>(memory);
    }
  }
  int tmus = s->getGpuTMUs(index);
  int rops = s->getGpuROPs(index);

  if (nvidia) {
    float curGpu = 0, curMem = 0;
    s->getGpuClockFrequencies(index, 0, &curGpu, &curMem);
    float v = 0;
    if (s->getGpuCoreVoltage(index, &v) || s->getGpuCoreVoltageAlt(index, &v)) volts = v;
    if (curGpu > 0)
      snprintf(text, sizeof(text), "core: %d MHz, mem: %d MHz", static_cast<int>(curGpu),
               static_cast<int>(curMem));
    else
      snprintf(text, sizeof(text), "Pstate %d - GPU core: %d MHz, mem: %d MHz", pstate,
               static_cast<int>(gpu), static_cast<int>(mem));
    setText(panel, IDC_GPU_CURRENT_CLOCK, text);
    float fillClock;
    if (baseGpu > 0 && boostGpu > 0) {
      snprintf(text, sizeof(text), "base: %d MHz, boost: %d MHz, mem: %d MHz",
               static_cast<int>(baseGpu), static_cast<int>(boostGpu), static_cast<int>(baseMem));
      fillClock = boostGpu;
    } else {
      snprintf(text, sizeof(text), "P%d - core: %d MHz, mem: %d MHz", lowestLevel,
               static_cast<int>(maxGpu), static_cast<int>(maxMem));
      fillClock = maxGpu;
    }
    setText(panel, IDC_GPU_MAX_CLOCK, text);
    fillrate(panel, fillClock, curGpu > 0 ? curGpu : gpu, tmus, rops);
    if (volts > 0) {
      snprintf(text, sizeof(text), "%.3f V", static_cast<double>(volts));
      show(panel, IDC_GPU_VDDC, IDC_GPU_VDDC_LABEL, text);
    } else {
      blank(panel, IDC_GPU_VDDC, IDC_GPU_VDDC_LABEL);
    }
    if (powerUsage > 0 && powerTarget > 0) {
      snprintf(text, sizeof(text), "current: %.1f %% TDP, target: %.1f %% TDP",
               static_cast<double>(powerUsage), static_cast<double>(powerTarget));
      show(panel, IDC_GPU_POWER, IDC_GPU_POWER_LABEL, text);
    } else {
      powerAbsent(panel);
    }
    return;
  }

  // AMD.
  if (pendingClock) {
    snprintf(text, sizeof(text), "core: %d MHz, mem: %d MHz", static_cast<int>(gpu),
             static_cast<int>(mem));
    setText(panel, IDC_GPU_CURRENT_CLOCK, text);
  }
  if (maxGpu > 0) {
    snprintf(text, sizeof(text), "core: %d MHz, mem: %d MHz", static_cast<int>(maxGpu),
             static_cast<int>(maxMem));
    show(panel, IDC_GPU_MAX_CLOCK, IDC_GPU_MAX_CLOCK_LABEL, text);
    showFillrate(panel, maxGpu, tmus, rops, "Fillrate (max)");
  } else {
    setText(panel, IDC_GPU_MAX_CLOCK, "N.A.");
    enable(panel, IDC_GPU_MAX_CLOCK, false);
    enable(panel, IDC_GPU_MAX_CLOCK_LABEL, false);
    showFillrate(panel, gpu, tmus, rops, "Fillrate (cur)");
  }
  if (pendingVoltage) {
    if (volts >= 0) {
      snprintf(text, sizeof(text), "%.3f V", static_cast<double>(volts));
      show(panel, IDC_GPU_VDDC, IDC_GPU_VDDC_LABEL, text);
    } else {
      blank(panel, IDC_GPU_VDDC, IDC_GPU_VDDC_LABEL);
    }
  }
  if (pendingPower) {
    if (overdrive >= 8) {
      float soc = -1, asic = -1;
      s->getAmdPowerDraw(index, &soc, &asic);
      if (soc > 0)
        snprintf(text, sizeof(text), "ASIC power: %.0f W, SOC power: %.0f W",
                 static_cast<double>(asic), static_cast<double>(soc));
      else
        snprintf(text, sizeof(text), "ASIC power: %.0f W", static_cast<double>(asic));
      show(panel, IDC_GPU_POWER, IDC_GPU_POWER_LABEL, text);
    } else {
      int a = -1000, b = -1000, c = -1000, d = -1000;
      if (!s->getAmdPowerTune(index, &a, &b, &c, &d)) {
        powerAbsent(panel);
      } else {
        text[0] = '\0';
        const struct {
          int value;
          const char* name;
        } parts[] = {{b, "limit"}, {c, "min"}, {d, "max"}};
        for (const auto& part : parts) {
          if (part.value == -1000) continue;
          char piece[64];
          if (text[0]) append(text, sizeof(text), " - ");
          snprintf(piece, sizeof(piece), "%s: %d %% TDP", part.name, part.value + 100);
          append(text, sizeof(text), piece);
        }
        show(panel, IDC_GPU_POWER, IDC_GPU_POWER_LABEL, text);
      }
    }
  }
}

void RefreshGpuPanel(HWND panel, int gpu) { RefreshGpuSensors(panel, gpu); }

// The HUD and the benchmark rows of the demos show the primary GPU's name
// and the driver line this tab shows.
void KeepGpuTextsForDemos(HWND panel) {
  Scanrik* s = Scanrik::instance();
  const char* name = s ? s->getPrimaryGpuName() : nullptr;
  snprintf(g_app.gpuNameText, sizeof(g_app.gpuNameText), "%s", name ? name : "");
  g_app.gpuDriverText[0] = '\0';
  GetDlgItemTextA(panel, IDC_GPU_DRIVER, g_app.gpuDriverText, sizeof(g_app.gpuDriverText));
}

INT_PTR CALLBACK GpuPanelProc(HWND panel, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      forgetControls();
      FillGpuList(panel);
      KeepGpuTextsForDemos(panel);
      return TRUE;
    case WM_PAINT:
      paintLogo(panel);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDC_GPU_MORE_INFO) {
        OpenWithShell("dravok.bat");
        return TRUE;
      }
      if (LOWORD(wp) == IDC_GPU_LIST && HIWORD(wp) == CBN_SELCHANGE) {
        HWND list = GetDlgItem(panel, IDC_GPU_LIST);
        LRESULT selection = SendMessageA(list, CB_GETCURSEL, 0, 0);
        if (selection >= 0) {
          g_app.selectedGpu = static_cast<int>(selection);
          FillGpuPanel(panel, g_app.selectedGpu);
          KeepGpuTextsForDemos(panel);
          InvalidateRect(panel, nullptr, TRUE);
        }
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      return TRUE;
    case WM_DESTROY:
      if (g_controls.panel == panel) forgetControls();
      return FALSE;
    default:
      return FALSE;
  }
}
