#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FakeScanrik.h"
#include "app/AppState.h"
#include "app/CudaInfo.h"
#include "app/OpenClInfo.h"
#include "app/VulkanInfo.h"
#include "app/GlExtensionTable.h"
#include "app/Report.h"
#include "app/ReportDialog.h"
#include "resources/resource.h"
#include "detect/OpenGLCaps.h"

namespace {

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// Compares with the stored golden file; a missing golden is written beside
// the test program for review and the check fails.
void expectGolden(const std::string& name, const std::string& actual) {
  std::string path = std::string(QV_GOLDEN_DIR) + "/" + name;
  std::ifstream probe(path, std::ios::binary);
  if (!probe) {
    std::ofstream out(name + ".new", std::ios::binary);
    out << actual;
    ADD_FAILURE() << "no golden file " << path << "; wrote " << name << ".new";
    return;
  }
  std::string expected = readFile(path);
  if (expected != actual) {
    std::ofstream out(name + ".actual", std::ios::binary);
    out << actual;
  }
  EXPECT_TRUE(expected == actual) << name << " differs; see " << name << ".actual";
}

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAppState();
    g_fake = FakeFacade();
    g_app.cpuSpeedMhz = 3000;
  }
  // Builds the report and checks the text, its file form and the XML file.
  void checkScenario(const std::string& name, bool extra = false) {
    BuildFullReport(extra);
    expectGolden(name + ".txt", g_app.reportBuffers.text);
    std::string txtFile = name + ".out.txt", xmlFile = name + ".out.xml";
    ASSERT_TRUE(WriteTextReport(txtFile.c_str()));
    ASSERT_TRUE(WriteXmlReport(xmlFile.c_str()));
    // The text file's CR LF lines are the dialog's text exactly (the extra
    // section's lines carry line feeds of their own).
    if (!extra) {
      EXPECT_EQ(std::string(g_app.reportBuffers.text), readFile(txtFile));
    }
    expectGolden(name + ".xml", readFile(xmlFile));
  }
};

void addCommonGl() {
  g_fake.features = {20, 26, 11, 21, 22};
  g_fake.msaa = {2, 4, 8};
  g_fake.extensions = {"GL_ARB_multitexture", "GL_ARB_compute_shader", "GL_NV_example", "WGL_ARB_pixel_format"};
  g_fake.glExtensions = 3;
  g_fake.wglExtensions = 1;
  g_fake.spirv = {"SPV_KHR_shader_ballot"};
  g_fake.caps = {
      {kCapInt, "GL_MAX_TEXTURE_SIZE", "GL_VERSION_1_1", 32768, {0, 0, 0}, 0, 0},
      {kCapIndexed, "GL_MAX_COMPUTE_WORK_GROUP_SIZE", "GL_VERSION_4_3", 0, {1024, 1024, 64}, 0, 0},
      {kCapInt64, "GL_MAX_SERVER_WAIT_TIMEOUT", "GL_VERSION_3_2", 0, {0, 0, 0}, 9000000000LL, 0},
      {3, "GL_ODD_KIND", "GL_VERSION_4_5", 0, {0, 0, 0}, 0, 0},
      {kCapNone, "GL_CAP_SEPARATOR_01", "", 0, {0, 0, 0}, 0, 0},
      {kCapFloat, "GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT", "GL_EXT_texture_filter_anisotropic", 0, {0, 0, 0}, 0, 16.0f},
      {kCapInt, "GL_MAX_TEXTURE_UNITS_ARB", "GL_ARB_multitexture", 4, {0, 0, 0}, 0, 0},
      {kCapInt, "GL_NO_SECTION", "", 7, {0, 0, 0}, 0, 0},
  };
}

TEST_F(ReportTest, NoGraphicsDriver) {
  g_fake.driverDetected = false;
  g_fake.glRenderer = "GDI Generic";
  g_app.physxVersion = 9190218;
  checkScenario("no_driver");
  // A second build adds nothing.
  size_t length = strlen(g_app.reportBuffers.text);
  BuildFullReport(true);
  EXPECT_EQ(length, strlen(g_app.reportBuffers.text));
}

TEST_F(ReportTest, NvidiaGpuWithClocks) {
  g_fake.driverVersion = "31.0.15.3623";
  g_fake.nvidiaVersion = 53623;
  g_fake.nvidiaBranch = "r535_00";
  FakeGpu nv;
  nv.name = "NVIDIA GeForce RTX 4090";
  nv.codename = "AD102";
  nv.brand = "GeForce";
  nv.memoryType = "GDDR6X";
  nv.bios = "95.02.18.80.5f";
  nv.vendor = 0x10DE;
  nv.device = 0x2684;
  nv.subVendor = 0x1043;
  nv.subDevice = 0x889C;
  nv.revision = 0xA1;
  nv.bus = 1;
  nv.shaders = 16384;
  nv.tmus = 512;
  nv.rops = 176;
  nv.tdp = 450;
  nv.memoryMB = 24564;
  nv.busWidth = 384;
  nv.baseClock = 2235.5f;
  nv.boostClock = 2520;
  nv.powerTarget = 100;
  nv.minTarget = 3;
  nv.maxTarget = 133;
  FakeGpu slow = nv;  // no boost clock: performance levels instead
  slow.name = "NVIDIA GeForce GTX 1050 Ti";
  slow.boostClock = 0;
  slow.bus = 2;
  slow.levels = {{true, 0, 1290, 3504, 0.8125f}, {false, 5, 0, 0, 0}, {true, 8, 139, 405, 0.65f}};
  g_fake.gpus = {nv, slow};
  addCommonGl();
  checkScenario("nvidia");
}

// Hand-built API tables: CUDA with two devices, an NVIDIA OpenCL platform,
// a Vulkan device with driver properties.
TEST_F(ReportTest, ApiSections) {
  g_fake.gpus = {FakeGpu()};
  g_fake.gpus[0].name = "NVIDIA GeForce RTX 3060";
  g_fake.gpus[0].vendor = 0x10DE;
  g_fake.gpus[0].device = 0x2503;

  CudaDeviceInfo cuda[2];
  memset(cuda, 0, sizeof(cuda));
  for (int c = 0; c < 2; ++c) {
    snprintf(cuda[c].name, sizeof(cuda[c].name), "NVIDIA GeForce RTX 3060 #%d", c);
    cuda[c].pciBusId = c + 1;
    cuda[c].computeCapabilityMajor = 8;
    cuda[c].computeCapabilityMinor = 6;
    cuda[c].totalMemory = 12884901888ULL;
    cuda[c].memoryBandwidthGbs = 360;
    cuda[c].l2CacheSize = 3145728;
    cuda[c].clockRateKhz = 1777000;
    cuda[c].memoryClockRateKhz = 7501000;
    cuda[c].multiprocessorCount = 28;
    cuda[c].coresPerMultiprocessor = 128;
    cuda[c].totalCores = 3584;
    cuda[c].asyncEngineCount = 2;
    cuda[c].warpSize = 32;
    cuda[c].maxThreadsPerBlock = 1024;
    cuda[c].maxBlockDim[0] = 1024;
    cuda[c].maxBlockDim[1] = 1024;
    cuda[c].maxBlockDim[2] = 64;
    cuda[c].maxGridDim[0] = 2147483647;
    cuda[c].maxGridDim[1] = 65535;
    cuda[c].maxGridDim[2] = 65535;
    cuda[c].regsPerBlock = 65536;
    cuda[c].textureAlign = 512;
    cuda[c].totalConstantMemory = 65536;
  }
  g_app.cudaDevices = cuda;
  g_app.cudaDeviceCount = 2;

  OpenClPlatformInfo* platforms = new OpenClPlatformInfo[1];
  snprintf(platforms[0].name, kClTextSize, "NVIDIA CUDA");
  snprintf(platforms[0].vendor, kClTextSize, "NVIDIA Corporation");
  snprintf(platforms[0].version, kClTextSize, "OpenCL 3.0 CUDA 12.2.138");
  snprintf(platforms[0].profile, kClTextSize, "FULL_PROFILE");
  platforms[0].devices = new OpenClDeviceInfo[1];
  platforms[0].deviceCount = 1;
  OpenClDeviceInfo& d = platforms[0].devices[0];
  snprintf(d.name, kClTextSize, "NVIDIA GeForce RTX 3060");
  snprintf(d.vendor, kClTextSize, "NVIDIA Corporation");
  snprintf(d.driverVersion, kClTextSize, "536.23");
  snprintf(d.profile, kClTextSize, "FULL_PROFILE");
  snprintf(d.version, kClTextSize, "OpenCL 3.0 CUDA");
  snprintf(d.localMemType, kClTextSize, "Local");
  d.deviceType = 4 | 1;
  d.vendorId = 0x10DE;
  d.computeUnits = 28;
  d.maxClockMhz = 1777;
  d.nvComputeCapabilityMajor = 8;
  d.nvComputeCapabilityMinor = 6;
  d.nvWarpSize = 32;
  d.globalMemSize = 12884901888ULL;
  d.maxMemAllocSize = 3221225472ULL;
  d.workItemDimensions = 3;
  d.workItemSizes[0] = 1024;
  d.workItemSizes[1] = 1024;
  d.workItemSizes[2] = 64;
  d.imageSupport = 1;
  SplitClExtensions("cl_khr_fp64 cl_nv_device_attribute_query cl_khr_gl_sharing", d.extensions);
  g_app.clPlatforms = platforms;
  g_app.clPlatformCount = 1;

  VulkanInfo& vk = GetVulkanInfo();
  vk.initialised = true;
  vk.instanceExtensions = {{"VK_KHR_surface", 25}, {"VK_KHR_win32_surface", 6}};
  vk.instanceLayers = {{"VK_LAYER_KHRONOS_validation", 0, 1, 3, 250, 1}};
  auto dev = std::make_unique<VulkanPhysicalDeviceInfo>();
  dev->deviceName = "NVIDIA GeForce RTX 3060";
  dev->vendorId = 0x10DE;
  dev->deviceId = 0x2503;
  dev->driverVersion = 2250506240u;
  dev->deviceType = 2;
  dev->deviceTypeText = "VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU";
  dev->apiVersionMajor = 1;
  dev->apiVersionMinor = 3;
  dev->apiVersionPatch = 242;
  dev->nvDriverVersionMajor = 536;
  dev->nvDriverVersionMinor = 23;
  dev->memoryHeaps = {{0, 12115}, {1, 16310}};
  VkMemoryTypeRecord type;
  type.typeIndex = 0;
  type.heapIndex = 0;
  type.propertyFlags = 1;
  type.flagNames = {"VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT"};
  dev->memoryTypes = {type};
  dev->extensions = {{"VK_KHR_swapchain", 70}};
  memset(&dev->block, 0, sizeof(dev->block));
  dev->block.features.robustBufferAccess = VK_TRUE;
  dev->block.features.geometryShader = VK_TRUE;
  dev->block.limits.maxImageDimension1D = 32768;
  dev->block.limits.maxComputeWorkGroupSize[0] = 1024;
  dev->block.limits.maxComputeWorkGroupSize[1] = 1024;
  dev->block.limits.maxComputeWorkGroupSize[2] = 64;
  dev->block.limits.minTexelOffset = -8;
  dev->block.limits.pointSizeRange[0] = 1.0f;
  dev->block.limits.pointSizeRange[1] = 2047.9375f;
  dev->block.limits.nonCoherentAtomSize = 64;
  dev->block.driverPropertiesRead = true;
  dev->block.driverProperties.driverID = VK_DRIVER_ID_NVIDIA_PROPRIETARY;
  snprintf(dev->block.driverProperties.driverName, VK_MAX_DRIVER_NAME_SIZE, "NVIDIA");
  snprintf(dev->block.driverProperties.driverInfo, VK_MAX_DRIVER_INFO_SIZE, "536.23");
  dev->block.driverProperties.conformanceVersion = {1, 3, 5, 0};
  vk.devices.push_back(std::move(dev));

  checkScenario("api_sections");

  vk.initialised = false;
  vk.instanceExtensions.clear();
  vk.instanceLayers.clear();
  vk.devices.clear();
  g_app.cudaDevices = nullptr;
  g_app.cudaDeviceCount = 0;
  delete[] platforms;
  g_app.clPlatforms = nullptr;
  g_app.clPlatformCount = 0;
}

TEST_F(ReportTest, AmdGpusAndDriverForms) {
  g_fake.driverSummary = "31.0.21023.2010 (7-1-2023)";
  FakeGpu amd;
  amd.name = "AMD Radeon RX 6800 XT";
  amd.codename = "Navi 21";
  amd.vendor = 0x1002;
  amd.device = 0x73BF;
  amd.bus = 3;
  amd.package = "23.7.1";
  amd.driver = "31.0.21023.2010";
  amd.hasEdition = true;
  amd.edition = "Adrenalin";
  amd.levels = {{true, 0, 500, 1000, 0.75f}, {true, 1, 2250, 2000, 1.15f}};
  amd.powerTuneOk = true;
  amd.powerTune[0] = 0;
  amd.powerTune[1] = 0;      // limit 100 %
  amd.powerTune[2] = -1000;  // min unknown
  amd.powerTune[3] = 15;
  FakeGpu crimson = amd;
  crimson.edition = nullptr;  // edition without a name
  crimson.driver = nullptr;   // falls back to the driver summary
  crimson.powerTune[1] = crimson.powerTune[2] = crimson.powerTune[3] = -1000;  // nothing at all
  FakeGpu catalyst = amd;
  catalyst.hasEdition = false;
  catalyst.idsOk = true;
  FakeGpu noPackage = amd;
  noPackage.package = nullptr;  // no driver line
  FakeGpu noIds = amd;
  noIds.idsOk = false;  // no id lines; treated as another vendor
  g_fake.gpus = {amd, crimson, catalyst, noPackage, noIds};
  addCommonGl();
  checkScenario("amd");
}

TEST_F(ReportTest, DriverWithoutGpusAndExtraSection) {
  g_fake.driverSummary = "Unknown version";
  addCommonGl();
  checkScenario("zero_gpus_extra", true);
}

TEST_F(ReportTest, ValuesAreEscapedInXml) {
  g_fake.cpuName = "Fast & <Cheap> \"CPU\" it's\x99\x01";
  g_fake.glRenderer = "R&D <renderer>";
  FakeGpu g;
  g.name = "Odd \"GPU\" & co";
  g.vendor = 0x8086;
  g.device = 0x9A49;
  g_fake.primaryBios = "v<1>";
  g_fake.gpus = {g};
  g_fake.extensions = {"GL_A&B"};
  checkScenario("escaping");
}

TEST_F(ReportTest, ExtraSectionOnlyOnTheFirstBuild) {
  addCommonGl();
  BuildFullReport(false);
  size_t length = strlen(g_app.reportBuffers.text);
  BuildFullReport(true);
  EXPECT_EQ(length, strlen(g_app.reportBuffers.text));
  EXPECT_EQ(nullptr, strstr(g_app.reportBuffers.text, "Orlaf"));
}

TEST_F(ReportTest, BuffersStopAtTheirSizeKeepingTheZeroAndWholeLineEnds) {
  std::string line(4000, 'x');
  for (int i = 0; i < 300; ++i) AppendReportText("%s", line.c_str());
  const ReportBuffers& b = g_app.reportBuffers;
  EXPECT_EQ(kReportBufferSize - 1, b.textLength);
  EXPECT_EQ('\0', b.text[kReportBufferSize - 1]);
  EXPECT_EQ(strlen(b.text), static_cast<size_t>(b.textLength));
  // The text ends either after a whole CR LF or before any of it.
  const char* end = b.text + b.textLength;
  EXPECT_FALSE(end[-1] == '\r');
  for (int i = 0; i < 300; ++i) AppendReportXml("%s", line.c_str());
  EXPECT_EQ(kReportBufferSize - 1, b.xmlLength);
  EXPECT_EQ('\0', b.xml[kReportBufferSize - 1]);
}

// The report dialog from the program's own resources.
TEST_F(ReportTest, DialogShowsTheTextReport) {
  g_fake.glRenderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
  HMODULE program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, program);
  HWND dialog = CreateDialogParamA(program, MAKEINTRESOURCEA(IDD_REPORT), nullptr, ReportDialogProc, 0);
  ASSERT_NE(nullptr, dialog);
  char title[256];
  GetWindowTextA(dialog, title, sizeof(title));
  EXPECT_STREQ("Quorvel Full Report - llvmpipe (LLVM 15.0.6, 256 bits)", title);
  int n = GetWindowTextLengthA(GetDlgItem(dialog, IDC_REPORT_TEXT));
  std::string text(static_cast<size_t>(n) + 1, '\0');
  GetDlgItemTextA(dialog, IDC_REPORT_TEXT, &text[0], n + 1);
  text.resize(static_cast<size_t>(n));
  EXPECT_EQ(std::string(g_app.reportBuffers.text), text);
  EXPECT_NE(std::string::npos, text.find("Quorvel v1.54.0.0 report\r\n"));
  DestroyWindow(dialog);
  FreeLibrary(program);
}

TEST(XmlEscapedTest, MarkupControlAndWindowsBytes) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a&b", "a&amp;b"},
      {"<x y='1'>", "&lt;x y=&apos;1&apos;&gt;"},
      {"say \"hi\"", "say &quot;hi&quot;"},
      {"tab\tok\x01\x1f!", "tab\tok!"},
      {"Trade\x99 mark", "Trade&#8482; mark"},
      {"euro\x80 undefined\x81", "euro&#8364; undefined"},
      {"caf\xe9", "caf\xe9"},
      {nullptr, ""},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.out, XmlEscaped(c.in).c_str());
  std::string longText(5000, '&');
  EXPECT_LT(strlen(XmlEscaped(longText.c_str()).c_str()), 2048u);
}

TEST(GlExtensionTableTest, CoreVersionNotes) {
  EXPECT_STREQ("OpenGL 4.3", GlExtensionCoreVersion("GL_ARB_compute_shader"));
  EXPECT_STREQ("Requires X800 and higher graphics card", GlExtensionCoreVersion("GL_ATI_texture_compression_3dc"));
  EXPECT_EQ(nullptr, GlExtensionCoreVersion("GL_3DFX_multisample"));  // listed without a note
  EXPECT_EQ(nullptr, GlExtensionCoreVersion("GL_NOT_AN_EXTENSION"));
  EXPECT_EQ(nullptr, GlExtensionCoreVersion(nullptr));
}

// The files in a folder, as the file system spells their names.
std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return names;
}

void emptyFolder(const std::string& folder) {
  for (const std::string& name : filesIn(folder)) DeleteFileA((folder + "\\" + name).c_str());
}

// Report mode with a given name: the XML report keeps the name exactly;
// with both switches the text report gets a file of its own, also when the
// name differs from it in case only (one file on Windows); alone, the text
// report takes the given name as it is.
TEST_F(ReportTest, GivenReportNamesNeverShareAFile) {
  g_fake.driverDetected = false;
  BuildFullReport(false);
  const std::string folder = "report.names";  // a dot in a folder is no extension
  CreateDirectoryA(folder.c_str(), nullptr);
  struct Case {
    const char* given;
    const char* textBesideXml;  // the text report's name under both switches
  } cases[] = {
      {"r.xml", "r.txt"},   {"r.txt", "r.txt.txt"}, {"r.TXT", "r.TXT.txt"}, {"Rep.XmL", "Rep.txt"},
      {"r", "r.txt"},       {"r.dat", "r.txt"},     {"R.Txt", "R.Txt.txt"},
  };
  enum { kBoth, kXmlOnly, kTextOnly };
  for (const Case& c : cases) {
    for (int mode : {kBoth, kXmlOnly, kTextOnly}) {
      SCOPED_TRACE(std::string(c.given) + (mode == kBoth ? " both" : mode == kXmlOnly ? " xml" : " txt"));
      emptyFolder(folder);
      g_app.exportXmlReport = mode != kTextOnly;
      g_app.exportTextReport = mode != kXmlOnly;
      const std::string given = folder + "\\" + c.given;
      g_app.reportPath = given;
      ASSERT_TRUE(WriteRequestedReports());
      std::vector<std::string> expected;
      if (mode != kTextOnly) expected.push_back(c.given);
      if (mode == kBoth) expected.push_back(c.textBesideXml);
      if (mode == kTextOnly) expected.push_back(c.given);
      std::vector<std::string> names = filesIn(folder);
      std::sort(names.begin(), names.end());
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(expected, names) << "files as written, names kept exactly";
      const std::string xmlName = mode == kTextOnly ? "" : c.given;
      const std::string textName = mode == kBoth ? c.textBesideXml : mode == kTextOnly ? c.given : "";
      if (!xmlName.empty()) {
        EXPECT_EQ(0u, readFile(folder + "\\" + xmlName).rfind("<?xml", 0)) << "the XML report survives";
      }
      if (!textName.empty()) {
        EXPECT_EQ(0u, readFile(folder + "\\" + textName).rfind("=====", 0)) << "the text report";
      }
    }
  }
  emptyFolder(folder);
  RemoveDirectoryA(folder.c_str());
}

TEST(ReportWriterTest, UnwritablePathsFail) {
  ResetAppState();
  EXPECT_FALSE(WriteTextReport(nullptr));
  EXPECT_FALSE(WriteXmlReport(nullptr));
  EXPECT_FALSE(WriteTextReport("no_such_folder/r.txt"));
  EXPECT_FALSE(WriteXmlReport("no_such_folder/r.xml"));
}

}  // namespace
