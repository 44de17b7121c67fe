#include "app/Report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/AppState.h"
#include "app/GlExtensionTable.h"
#include "detect/OpenGLCaps.h"
#include "detect/Scanrik.h"

// Last: it defines the escaping macro.
#include "app/ReportSections.h"

namespace {

const int kScratchSize = 4096;
// Room is kept for the terminating zero.
const int kBufferLimit = kReportBufferSize - 1;

void appendChars(char* buf, int* len, const char* text, int n) {
  int room = kBufferLimit - *len;
  if (n > room) n = room;
  if (n <= 0) return;
  memcpy(buf + *len, text, static_cast<size_t>(n));
  *len += n;
  buf[*len] = '\0';
}

// Appends a line end only when all of it fits: a CR LF pair is never cut.
void appendLineEnd(char* buf, int* len, const char* end) {
  int n = static_cast<int>(strlen(end));
  if (*len + n <= kBufferLimit) appendChars(buf, len, end, n);
}

// One piece of the report, zero-filled first; a longer piece is cut.
void formatScratch(char (&scratch)[kScratchSize], const char* format, va_list args) {
  memset(scratch, 0, sizeof(scratch));
  vsnprintf(scratch, sizeof(scratch), format, args);
}

const char* yesNo(bool v) { return v ? "yes" : "no"; }

}  // namespace

void AppendReportText(const char* format, ...) {
  ReportBuffers& b = g_app.reportBuffers;
  if (!b.text || !b.textLf) return;
  char scratch[kScratchSize];
  va_list args;
  va_start(args, format);
  formatScratch(scratch, format, args);
  va_end(args);
  int n = static_cast<int>(strlen(scratch));
  appendChars(b.text, &b.textLength, scratch, n);
  appendChars(b.textLf, &b.textLfLength, scratch, n);
  appendLineEnd(b.text, &b.textLength, "\r\n");
  appendLineEnd(b.textLf, &b.textLfLength, "\n");
}

void AppendReportXml(const char* format, ...) {
  ReportBuffers& b = g_app.reportBuffers;
  if (!b.xml) return;
  char scratch[kScratchSize];
  va_list args;
  va_start(args, format);
  formatScratch(scratch, format, args);
  va_end(args);
  appendChars(b.xml, &b.xmlLength, scratch, static_cast<int>(strlen(scratch)));
}

XmlEscaped::XmlEscaped(const char* value) {
  // Code points of the bytes 0x80-0x9F in the Windows code page; 0 where it
  // has no character.
  static const unsigned short kCp1252[32] = {
      0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
  size_t used = 0;
  const size_t cap = sizeof(m_text) - 1;
  auto put = [&](const char* s) {
    size_t n = strlen(s);
    if (used + n > cap) return false;
    memcpy(m_text + used, s, n);
    used += n;
    return true;
  };
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(value ? value : ""); *p; ++p) {
    char one[16] = {static_cast<char>(*p), 0};
    const char* piece = one;
    switch (*p) {
      case '&': piece = "&amp;"; break;
      case '<': piece = "&lt;"; break;
      case '>': piece = "&gt;"; break;
      case '"': piece = "&quot;"; break;
      case '\'': piece = "&apos;"; break;
      default:
        if (*p < 0x20 && *p != '\t' && *p != '\n' && *p != '\r') continue;
        if (*p >= 0x80 && *p <= 0x9F) {
          unsigned short cp = kCp1252[*p - 0x80];
          if (!cp) continue;
          snprintf(one, sizeof(one), "&#%u;", cp);
        }
    }
    if (!put(piece)) break;
  }
  m_text[used] = '\0';
}

namespace {

void appendHeader() {
  AppendReportText("===================================================");
  AppendReportText("%s v%s report", kAppName, AppVersionText());
  AppendReportText("===================================================");
  AppendReportText("%s", "");
  AppendReportText("%s", "");
}

void appendSystem(Scanrik* s) {
  char value[256];
  AppendReportText("%s[ System / CPU ]", kSectionRule);
  AppendReportXml("\n\n\t<system>");
  AppendReportXml("\n\t\t<cpu ");
  const char* cpu = s->getCPUName();
  AppendReportText("- CPU Name: %s", cpu ? cpu : "");
  AppendReportXml("\n\t\t\tname=\"%s\"", X(cpu));
  snprintf(value, sizeof(value), "%d MHz", g_app.cpuSpeedMhz);
  AppendReportText("- CPU Core Speed: %s", value);
  AppendReportXml("\n\t\t\tcore_speed_mhz=\"%d\"", g_app.cpuSpeedMhz);
  AppendReportText("- CPU logical cores: %d", s->getCPULogicalCores());
  AppendReportXml("\n\t\t\tnum_logical_cores=\"%d\"", s->getCPULogicalCores());
  AppendReportText("- Family: %d - Model: %d - Stepping: %d", s->getCPUFamily(), s->getCPUModel(),
                   s->getCPUStepping());
  AppendReportXml("\n\t\t\tfamily=\"%d\"", s->getCPUFamily());
  AppendReportXml("\n\t\t\tmodel=\"%d\"", s->getCPUModel());
  AppendReportXml("\n\t\t\tstepping=\"%d\"", s->getCPUStepping());
  AppendReportXml("\n\t\t/>");
  AppendReportXml("\n\t\t<memory ");
  int mb = s->getInstalledMemoryMB();
  if (mb == 0) mb = static_cast<int>(static_cast<unsigned>(s->getTotalMemoryKB()) >> 10);
  snprintf(value, sizeof(value), "%d MB", mb);
  AppendReportText("- Physical Memory Size: %s", value);
  AppendReportXml("\n\t\t\tmegabytes_physical_amount=\"%d\"", mb);
  AppendReportXml("\n\t\t/>");
  AppendReportXml("\n\t\t<operating_system ");
  const char* os = s->getOSName();
  AppendReportText("- Operating System: %s", os ? os : "");
  AppendReportXml("\n\t\t\tdescription=\"%s\"", X(os));
  if (g_app.physxVersion > 0) {
    AppendReportText("- PhysX Version: %d", static_cast<int>(g_app.physxVersion));
    AppendReportXml("\n\t\t\tphysx_version=\"%d\"", static_cast<int>(g_app.physxVersion));
  } else {
    AppendReportText("- PhysX Version: drivers not installed");
    AppendReportXml("\n\t\t\tphysx_version=\"0\"");
  }
  AppendReportXml("\n\t\t/>");
  AppendReportXml("\n\t</system>");
  AppendReportText("%s", "");
  AppendReportText("%s", "");
}

void appendNoDriver(Scanrik* s) {
  AppendReportText("%s[ Graphics Adapter / GPU ]", kSectionRule);
  AppendReportText("***");
  AppendReportText("*** NO GRAPHICS DRIVERS DETECTED ***");
  AppendReportText("***");
  AppendReportXml("\n\t\t<renderer ");
  const char* renderer = s->getGLRenderer();
  AppendReportText("- Renderer: %s", renderer ? renderer : "");
  AppendReportXml("\n\t\t\tmodel=\"%s\"", X(renderer));
  AppendReportXml("\n\t\t />");
}

// "  - Label: value" and the attribute of one GPU, when there is a value.
void textAndXml(const char* label, const char* attr, const char* value) {
  if (!value) return;
  AppendReportText("  - %s: %s", label, value);
  AppendReportXml("\n\t\t%s=\"%s\"", attr, X(value));
}

void textAndXmlInt(const char* label, const char* attr, int value) {
  if (value == 0) return;
  AppendReportText("  - %s: %d", label, value);
  AppendReportXml("\n\t\t%s=\"%d\"", attr, value);
}

void appendAmdDriver(Scanrik* s, int i) {
  const char* package = s->getGpuDriverPackageVersion(i);
  const char* driver = s->getGpuDriverVersion(i);
  if (!driver) driver = s->getDriverSummary();
  if (!package || !driver) return;
  if (s->hasRadeonSoftwareEdition(i)) {
    const char* edition = s->getRadeonSoftwareEdition(i);
    if (edition) {
      AppendReportText("  - Driver: %s %s (%s)", edition, package, driver);
      AppendReportXml("\n\t\tdriver=\"%s %s (%s)\"", X(edition), X(package), X(driver));
    } else {
      AppendReportText("  - Driver: Crimson %s (%s)", package, driver);
      AppendReportXml("\n\t\tdriver=\"Crimson %s (%s)\"", X(package), X(driver));
    }
  } else {
    AppendReportText("  - Driver: Catalyst %s (%s)", package, driver);
    AppendReportXml("\n\t\tdriver=\"Catalyst %s (%s)\"", X(package), X(driver));
  }
}

void appendGpuIdentity(Scanrik* s, int i, int* vendorOut) {
  textAndXml("Name", "name", s->getGpuName(i));
  textAndXml("GPU codename", "gpu_codename", s->getGpuCodename(i));
  int vendor = 0, device = 0, subVendor = 0, subDevice = 0, revision = 0;
  if (s->getGpuPciIds(i, &vendor, &device, &subVendor, &subDevice, &revision)) {
    AppendReportText("  - Device ID: %4X-%4X", vendor, device);
    AppendReportXml("\n\t\tvendor_id=\"%4X\"", vendor);
    AppendReportXml("\n\t\tdevice_id=\"%4X\"", device);
    AppendReportText("  - Subdevice ID: %4X-%4X", subVendor, subDevice);
    AppendReportXml("\n\t\tsubvendor_id=\"%4X\"", subVendor);
    AppendReportXml("\n\t\tsubdevice_id=\"%4X\"", subDevice);
    AppendReportText("  - Revision ID: %4X", revision);
    AppendReportXml("\n\t\trevision_id=\"%4X\"", revision);
  }
  *vendorOut = vendor;
  if (vendor == 0x10DE) {
    textAndXml("GPU brand type", "brand_type", s->getGpuBrandType(i));
    const char* driver = s->getDriverVersion();
    if (driver) {
      float release = static_cast<float>(s->getNvidiaDriverVersionNumber()) / 100.0f;
      AppendReportText("  - Driver: %s (R%.2f)", driver, release);
      AppendReportXml("\n\t\tdriver=\"%s (R%.2f)\"", X(driver), release);
    }
    textAndXml("Branch", "branch", s->getNvidiaDriverBranch());
  } else if (vendor == 0x1002) {
    appendAmdDriver(s, i);
  } else {
    textAndXml("Driver", "driver", s->getDriverSummary());
  }
}

void appendGpuUnits(Scanrik* s, int i, int vendor) {
  textAndXmlInt("Bus Id", "bus_id", s->getGpuBusId(i));
  textAndXmlInt("Shader cores", "shader_cores", s->getGpuShaderCores(i));
  textAndXmlInt("Texture units", "texture_units", s->getGpuTMUs(i));
  textAndXmlInt("ROP units", "rop_units", s->getGpuROPs(i));
  int tdp = s->getGpuTDP(i);
  if (tdp != 0) {
    AppendReportText("  - TDP: %dW", tdp);
    AppendReportXml("\n\t\ttdp=\"%d\"", tdp);
  }
  bool intelPrimary = vendor == 0x8086 && i == 0;
  textAndXml("BIOS version", "bios_version",
             intelPrimary ? s->getPrimaryGpuBiosVersion() : s->getGpuBiosVersion(i));
  int memory = intelPrimary ? s->getPrimaryGpuMemoryMB() : s->getGpuMemorySizeMB(i);
  if (memory != 0) {
    AppendReportText("  - Memory size: %dMB", memory);
    AppendReportXml("\n\t\tmemory_size=\"%d\"", memory);
  }
  textAndXml("Memory type", "memory_type", s->getGpuMemoryType(i));
  int bits = 0;
  if (s->getGpuMemoryBusWidth(i, &bits, nullptr, 0) != 0) {
    AppendReportText("  - Memory bus width: %d-bit", bits);
    AppendReportXml("\n\t\tmemory_bus_width=\"%d\"", bits);
  }
}

void appendClocks(Scanrik* s, int i, int vendor) {
  if (vendor == 0x10DE) {
    float base = 0, boost = 0, mem = 0, target = 0, targetMw = 0;
    float mn = 0, def = 0, mx = 0, mnMw = 0, defMw = 0, mxMw = 0;
    s->getGpuClockFrequencies(i, 1, &base, &mem);
    s->getGpuClockFrequencies(i, 2, &boost, &mem);
    s->getGpuPowerTarget(i, &target, &targetMw);
    s->getGpuPowerPolicy(i, &mn, &def, &mx, &mnMw, &defMw, &mxMw);
    if (base > 0 && boost > 0 && target > 0) {
      AppendReportXml("\n\t\t\t<gtx600 gpu_base_clock=\"%d\" gpu_boost_clock=\"%d\" gpu_power_target=\"%d\" "
                      "gpu_min_power_target=\"%d\" gpu_max_power_target=\"%d\" />",
                      static_cast<int>(base), static_cast<int>(boost), static_cast<int>(target),
                      static_cast<int>(mn), static_cast<int>(mx));
      AppendReportText("  - GPU base clock: %d MHz", static_cast<int>(base));
      AppendReportText("  - GPU boost clock: %d MHz", static_cast<int>(boost));
      AppendReportText("  - GPU power target: %d %% TDP", static_cast<int>(target));
      AppendReportText("  - GPU min power target: %d %% TDP", static_cast<int>(mn));
      AppendReportText("  - GPU max power target: %d %% TDP", static_cast<int>(mx));
      return;
    }
  }
  int id = -1;
  for (int j = 0; j < s->getNumGpuPerfLevels(i); ++j) {
    float gpu = 0, mem = 0, third = 0, volts = 0;
    if (!s->getGpuPerfLevel(i, j, &id, &gpu, &mem, &third, &volts)) continue;
    if (vendor == 0x10DE) {
      AppendReportText("  - PState %d - GPU clock: %d MHz, memory: %d MHz, VDDC: %.3fV", id,
                       static_cast<int>(gpu), static_cast<int>(mem), volts);
      AppendReportXml("\n\t\t\t<pstate nv_pstate=\"%d\" gpu_clock=\"%d\" mem_clock=\"%d\" vddc=\"%.3f\" />",
                      id, static_cast<int>(gpu), static_cast<int>(mem), volts);
    } else {
      AppendReportText("  - GPU clock: %d MHz, memory: %d MHz, VDDC: %.3fV", static_cast<int>(gpu),
                       static_cast<int>(mem), volts);
      AppendReportXml("\n\t\t\t<pstate gpu_clock=\"%d\" mem_clock=\"%d\" vddc=\"%.3f\" />",
                      static_cast<int>(gpu), static_cast<int>(mem), volts);
    }
  }
}

void appendPowerTune(Scanrik* s, int i) {
  int a = 0, limit = 0, mn = 0, mx = 0;
  if (!s->getAmdPowerTune(i, &a, &limit, &mn, &mx)) return;
  if (limit == kPowerTuneUnavailable && mn == kPowerTuneUnavailable && mx == kPowerTuneUnavailable)
    return;
  AppendReportText("  - Radeon PowerTune info:");
  char piece[256];
  int used = snprintf(piece, sizeof(piece), "\n\t\t\t<radeon_powertune");
  struct {
    int value;
    const char* name;
  } rows[] = {{limit, "limit"}, {mn, "min"}, {mx, "max"}};
  for (const auto& r : rows) {
    if (r.value == kPowerTuneUnavailable) continue;
    if (used < static_cast<int>(sizeof(piece)))
      used += snprintf(piece + used, sizeof(piece) - used, " %s=\"%d\"", r.name, r.value + 100);
    AppendReportText("    - GPU power %s: %d %% TDP", r.name, r.value + 100);
  }
  if (used < static_cast<int>(sizeof(piece))) snprintf(piece + used, sizeof(piece) - used, " />");
  AppendReportXml("%s", piece);
}

void appendGraphicsCards(Scanrik* s) {
  AppendReportText("%s[ Graphics Adapters / GPUs ]", kSectionRule);
  AppendReportXml("\n\t<graphics_cards ");
  char mode[256];
  snprintf(mode, sizeof(mode), "%dx%d @ %d Hz - %d bpp", s->getDesktopWidth(), s->getDesktopHeight(),
           s->getDesktopFrequency(), s->getDesktopBitsPerPixel());
  AppendReportText("- Current Display Mode: %s", mode);
  AppendReportXml("\n\t\t\tcur_display_mode=\"%s\"", X(mode));
  int n = s->getNumGpus();
  if (n > 0) {
    AppendReportText("- Num GPUs: %d", n);
    AppendReportXml("\n\t\t\tnum_gpus=\"%d\" >", n);
  } else {
    AppendReportXml(" >");  // the start tag is closed in any case
  }
  for (int i = 0; i < n; ++i) {
    AppendReportText("%s", "");
    AppendReportText("- GPU %d", i + 1);
    AppendReportXml("\n\t\t<gpu ");
    int vendor = 0;
    appendGpuIdentity(s, i, &vendor);
    appendGpuUnits(s, i, vendor);
    AppendReportXml("\t\t >");
    appendClocks(s, i, vendor);
    if (vendor == 0x1002) appendPowerTune(s, i);
    AppendReportXml("\n\t\t</gpu>");
  }
  AppendReportXml("\n\t</graphics_cards>");
  AppendReportText("%s", "");
  AppendReportText("%s", "");
}

// One caps entry as a text item and an XML attribute; with a section the
// text item names it (the by-extension list).
void formatCap(Scanrik* s, int index, bool bySection, char* item, size_t itemSize, char* attr,
               size_t attrSize, bool* ok) {
  int kind = 0, value = 0, indexed[3] = {0, 0, 0};
  int64_t value64 = 0;
  float f = 0;
  char name[kGlCapTextSize] = "", section[kGlCapTextSize] = "";
  item[0] = attr[0] = '\0';
  *ok = s->getGLCap(index, &kind, &value, indexed, &value64, &f, name, bySection ? section : nullptr);
  if (!*ok) return;
  long long v64 = static_cast<long long>(value64);
  bool named = bySection && section[0];
  switch (kind) {
    case kCapInt:
      if (named) snprintf(item, itemSize, "%s: %d (%s)", name, value, section);
      else if (bySection) snprintf(item, itemSize, "%s: %d ", name, value);
      else snprintf(item, itemSize, "%s: %d", name, value);
      snprintf(attr, attrSize, "%s=\"%d\"", name, value);
      break;
    case kCapFloat:
      if (named) snprintf(item, itemSize, "%s: %f (%s)", name, f, section);
      else snprintf(item, itemSize, "%s: %f", name, f);
      snprintf(attr, attrSize, "%s=\"%f\"", name, f);
      break;
    case kCapInt64:
      if (named) snprintf(item, itemSize, "%s: %lld (%s)", name, v64, section);
      else snprintf(item, itemSize, "%s: %lld", name, v64);
      snprintf(attr, attrSize, "%s=\"%lld\"", name, v64);
      break;
    case kCapIndexed:
      if (named) snprintf(item, itemSize, "%s: %d/%d/%d (%s)", name, indexed[0], indexed[1], indexed[2], section);
      else snprintf(item, itemSize, "%s: %d/%d/%d", name, indexed[0], indexed[1], indexed[2]);
      snprintf(attr, attrSize, "%s=\"%d/%d/%d\"", name, indexed[0], indexed[1], indexed[2]);
      break;
    default:
      break;
  }
}

int capsSeparator(Scanrik* s) {
  int sep = 0;
  if (!s->findGLCap(kGlCapSeparator, &sep)) sep = s->getGLCapsCount();  // no separator: all core
  return sep;
}

void appendCapsList(Scanrik* s, int from, int to, bool bySection) {
  for (int i = from; i < to; ++i) {
    char item[512], attr[512];
    bool ok = false;
    formatCap(s, i, bySection, item, sizeof(item), attr, sizeof(attr), &ok);
    if (!ok) continue;
    AppendReportText("  - %s", item);
    AppendReportXml("\n\t\t\t\t%s", attr);  // names and numbers only: nothing to escape
  }
}

// The items of an extension list, in the text and in the XML element that
// the caller has opened and that this closes.
void appendExtensionItems(Scanrik* s, int count, const char* (Scanrik::*name)(int), const char* element) {
  for (int k = 0; k < count; ++k) {
    const char* e = (s->*name)(k);
    AppendReportText("  - %s", e ? e : "");
    AppendReportXml("\n\t\t\t\t<li>%s</li>", X(e));
  }
  AppendReportXml("\n\t\t\t</%s>", element);
}

void appendOpenGl(Scanrik* s) {
  char value[256];
  AppendReportText("%s[ OpenGL GPU Capabilities ]", kSectionRule);
  AppendReportXml("\n\t\t<opengl_caps ");
  const char* vendor = s->getGLVendor();
  const char* renderer = s->getGLRenderer();
  AppendReportText("- GL_VENDOR: %s", vendor ? vendor : "");
  AppendReportXml("\n\t\t\tGL_VENDOR=\"%s\"", X(vendor));
  AppendReportText("- GL_RENDERER: %s", renderer ? renderer : "");
  AppendReportXml("\n\t\t\tGL_RENDERER=\"%s\"", X(renderer));
  const char* version = s->getGLVersionString();
  if (version && version[0]) {
    AppendReportText("- GL_VERSION: %s", version);
    AppendReportXml("\n\t\t\tGL_VERSION=\"%s\"", X(version));
  } else {
    AppendReportText("- GL_VERSION: ***N.A.*** - The graphics driver has returned a malformed string version!");
    AppendReportXml("\n\t\t\tGL_VERSION=\"1.1\"");
  }
  const char* glsl = s->getGLSLVersionString();
  if (!glsl || !glsl[0]) glsl = "Not Supported";
  AppendReportText("- GL_SHADING_LANGUAGE_VERSION: %s", glsl);
  AppendReportXml("\n\t\t\tGL_SHADING_LANGUAGE_VERSION=\"%s\"", X(glsl));

  // Text label and XML attribute of the plain limits.
  struct IntRow {
    const char* label;
    const char* attr;
    int value;
  } ints[] = {
      {"ARB Texture Units", "arb_texture_units", s->getMaxTextureUnits()},
      {"Vertex Shader Texture Units", "vertex_texture_units", s->getMaxVertexTextureImageUnits()},
      {"Pixel Shader Texture Units", "pixel_texture_units", s->getMaxTextureImageUnitsCached()},
      {"Geometry Shader Texture Units", "geometry_texture_units", s->getMaxGeometryTextureImageUnits()},
  };
  auto putInts = [](const IntRow* rows, size_t n) {
    for (size_t k = 0; k < n; ++k) {
      AppendReportText("- %s: %d", rows[k].label, rows[k].value);
      AppendReportXml("\n\t\t\t%s=\"%d\"", rows[k].attr, rows[k].value);
    }
  };
  putInts(ints, sizeof(ints) / sizeof(ints[0]));
  int size = s->getMaxTextureSize();
  snprintf(value, sizeof(value), "%dx%d", size, size);
  AppendReportText("- Max Texture Size: %s", value);
  AppendReportXml("\n\t\t\tmax_texture_size=\"%d\"", size);
  float aniso = s->getMaxAnisotropy();
  snprintf(value, sizeof(value), "X%.1f", aniso);
  AppendReportText("- Max Anisotropic Filtering Value: %s", value);
  AppendReportXml("\n\t\t\tanisotropy=\"%d\"", static_cast<int>(aniso));
  float point = s->getMaxPointSize();
  snprintf(value, sizeof(value), "%.1f", point);
  AppendReportText("- Max Point Sprite Size: %s", value);
  AppendReportXml("\n\t\t\tpoint_sprite_size=\"%d\"", static_cast<int>(point));
  snprintf(value, sizeof(value), "%d", s->getMaxLights());
  AppendReportText("- Max Dynamic Lights: %s", value);
  AppendReportXml("\n\t\t\tnum_dynamic_lights=\"%d\"", s->getMaxLights());
  int viewport = s->getMaxViewportSize();
  snprintf(value, sizeof(value), "%dx%d", viewport, viewport);
  AppendReportText("- Max Viewport Size: %s", value);
  AppendReportXml("\n\t\t\tmax_viewport_size=\"%d\"", viewport);
  IntRow limits[] = {
      {"Max Vertex Uniform Components", "max_vertex_uniform_components", s->getMaxVertexUniformComponents()},
      {"Max Fragment Uniform Components", "max_fragment_uniform_components", s->getMaxFragmentUniformComponents()},
      {"Max Geometry Uniform Components", "max_geometry_uniform_components", s->getMaxGeometryUniformComponents()},
      {"Max Varying Float", "max_varying_float", s->getMaxVaryingFloats()},
      {"Max Vertex Bindable Uniforms", "max_vertex_bindable_uniforms", s->getMaxVertexBindableUniforms()},
      {"Max Fragment Bindable Uniforms", "max_fragment_bindable_uniforms", s->getMaxFragmentBindableUniforms()},
      {"Max Geometry Bindable Uniforms", "max_geometry_bindable_uniforms", s->getMaxGeometryBindableUniforms()},
  };
  putInts(limits, sizeof(limits) / sizeof(limits[0]));
  struct FlagRow {
    const char* label;
    const char* attr;
    int flag;
  };
  auto putFlags = [s](const FlagRow* rows, size_t n) {
    for (size_t k = 0; k < n; ++k) {
      const char* v = yesNo(s->isOpenGLFeatureSupported(rows[k].flag));
      AppendReportText("- %s:[%s]", rows[k].label, v);
      AppendReportXml("\n\t\t\t%s=\"%s\"", rows[k].attr, v);
    }
  };
  FlagRow fbo[] = {{"Frame Buffer Objects (FBO) Support", "fbo", 20}};
  putFlags(fbo, 1);
  AppendReportText("- Multiple Render Targets / Max draw buffers: %d", s->getMaxDrawBuffers());
  AppendReportXml("\n\t\t\tmax_mrt_draw_buffers=\"%d\"", s->getMaxDrawBuffers());
  FlagRow more[] = {
      {"Pixel Buffer Objects (PBO) Support", "pbo", 26},
      {"S3TC Texture Compression Support", "s3tc", 11},
      {"ATI 3Dc Texture Compression Support", "ati_3dc", 39},
      {"Texture Rectangle Support", "texture_rectangle", 21},
      {"Floating Point Textures Support", "floating_texture", 22},
  };
  putFlags(more, sizeof(more) / sizeof(more[0]));
  AppendReportXml("\t\t >");

  for (int k = 0; k < s->getNumMSAAModes(); ++k) {
    AppendReportText("- MSAA: %dX", s->getMSAASamples(k));
    AppendReportXml("\n\t\t\t<msaa samples=\"%d\" />", s->getMSAASamples(k));
  }
  int total = s->getNumOpenGLExtensions();
  AppendReportText("- OpenGL Extensions: %d extensions (GL=%d and WGL=%d)", total, s->getNumGLExtensions(),
                   s->getNumWGLExtensions());
  AppendReportXml("\n\t\t\t<opengl_extensions num_extensions=\"%d\" num_gl_extensions=\"%d\" num_wgl_extensions=\"%d\" >",
                  total, s->getNumGLExtensions(), s->getNumWGLExtensions());
  appendExtensionItems(s, total, &Scanrik::getOpenGLExtension, "opengl_extensions");
  int spirv = s->getNumOpenGLSpirvExtensions();
  AppendReportText("- OpenGL SPIR-V Extensions: %d", spirv);
  AppendReportXml("\n\t\t\t<opengl_spirv_extensions num_extensions=\"%d\" >", spirv);
  appendExtensionItems(s, spirv, &Scanrik::getOpenGLSpirvExtension, "opengl_spirv_extensions");

  int caps = s->getGLCapsCount();
  int sep = capsSeparator(s);
  AppendReportText("- OpenGL core capabilities: %d caps listed", sep);
  AppendReportXml("\n\t\t\t<gl_core_caps num_caps=\"%d\"", sep);
  appendCapsList(s, 0, sep, false);
  AppendReportXml("\t\t\t />");
  int byExt = caps - sep - 1;
  if (byExt < 0) byExt = 0;
  AppendReportText("- OpenGL extension capabilities: %d caps listed", byExt);
  AppendReportXml("\n\t\t\t<gl_caps_by_ext num_caps=\"%d\"", byExt);
  appendCapsList(s, sep + 1, caps, true);
  AppendReportXml("\t\t\t />");
  AppendReportXml("\n\t\t</opengl_caps>");
}

void appendExtraSection(Scanrik* s) {
  const char kRule69[] = "=====================================================================";
  AppendReportText("%s", "");
  AppendReportText("%s", kRule69);
  AppendReportText("%s", kRule69);
  AppendReportText("[ Orlaf / Brenvik stuff ]");
  AppendReportText("%s", kRule69);
  AppendReportText("%s", kRule69);
  int total = s->getNumOpenGLExtensions();
  for (int pass = 0; pass < 2; ++pass) {
    AppendReportText("\n- OpenGL Extensions: %d extensions (GL=%d and WGL=%d)", total, s->getNumGLExtensions(),
                     s->getNumWGLExtensions());
    AppendReportText("<ul>");
    for (int k = 0; k < total; ++k) {
      const char* e = s->getOpenGLExtension(k);
      char item[128];
      const char* note = pass == 0 ? GlExtensionCoreVersion(e) : nullptr;
      if (note) snprintf(item, sizeof(item), "%s (%s)", e ? e : "", note);
      else snprintf(item, sizeof(item), "%s", e ? e : "");
      AppendReportText("  <li>%s</li>", item);
    }
    AppendReportText("</ul>");
  }
  int caps = s->getGLCapsCount();
  int sep = capsSeparator(s);
  int byExt = caps - sep - 1 < 0 ? 0 : caps - sep - 1;
  for (int pass = 0; pass < 2; ++pass) {
    AppendReportText("- OpenGL %s capabilities: %d caps listed", pass == 0 ? "core" : "extension",
                     pass == 0 ? sep : byExt);
    AppendReportText("<ul>");
    int from = pass == 0 ? 0 : sep + 1, to = pass == 0 ? sep : caps;
    for (int i = from; i < to; ++i) {
      char item[512], attr[512];
      bool ok = false;
      formatCap(s, i, pass == 1, item, sizeof(item), attr, sizeof(attr), &ok);
      AppendReportText("\t<li>%s</li>", item);
    }
    AppendReportText("</ul>");
  }
}

}  // namespace

void BuildFullReport(bool extraSection) {
  ReportBuffers& b = g_app.reportBuffers;
  if (b.built || !b.text) return;
  Scanrik* s = Scanrik::instance();
  if (!s) return;
  appendHeader();
  appendSystem(s);
  if (!s->isGraphicsDriverDetected()) {
    appendNoDriver(s);
    b.built = true;
    return;
  }
  appendGraphicsCards(s);
  appendOpenGl(s);
  AppendVulkanReport();
  AppendCudaReport();
  AppendOpenClReport();
  b.built = true;
  if (extraSection) appendExtraSection(s);
}
