#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../common/FakeOpenCl.h"
#include "../common/NeedsOpenCl.h"
#include "LogCapture.h"
#include "app/AppState.h"
#include "app/OpenClInfo.h"
#include "demos/ClEntryPoints.h"

namespace CL = ClEntryPoints;

namespace {

std::vector<std::string> listOf(const Korveth_nsp::kvLinkedList& list) {
  std::vector<std::string> out;
  for (size_t k = 0; k < list.size(); ++k) out.push_back(static_cast<const char*>(list.at(k)));
  return out;
}

// ---- Against the OpenCL implementation behind Wine's OpenCL.dll (pocl) ----

class OpenClLive : public ::testing::Test {
 protected:
  void SetUp() override {
    QV_NEEDS_OPENCL();
    g_app.readClPlatformExtensions = true;
    m_log = CaptureLog([this] { m_detected = DetectOpenCl(); });
    ASSERT_TRUE(m_detected);
    ASSERT_EQ(1, GetClPlatformCount());
    ASSERT_GE(g_app.clPlatforms[0].deviceCount, 1);
  }
  void TearDown() override {
    ShutdownOpenCl();
    g_app.readClPlatformExtensions = true;
  }
  // The device string of a query, read live through the same library.
  static std::string liveDeviceText(cl_device_id d, cl_device_info param) {
    size_t size = 0;
    if (CL::clGetDeviceInfo(d, param, 0, nullptr, &size) != CL_SUCCESS || size == 0) return "";
    std::string s(size, '\0');
    CL::clGetDeviceInfo(d, param, size, &s[0], nullptr);
    return s.c_str();
  }
  bool m_detected = false;
  std::vector<std::string> m_log;
};

TEST_F(OpenClLive, PlatformAndCpuDeviceLogged) {
  const OpenClDeviceInfo& dev = g_app.clPlatforms[0].devices[0];
  EXPECT_TRUE(HasLine(m_log, "Found 1 OpenCL-capable platform."));
  EXPECT_TRUE(HasLine(m_log, std::string("- CL_DEVICE_NAME => ") + dev.name));
  EXPECT_TRUE(HasLine(m_log, std::string("CL_PLATFORM_VERSION => ") + g_app.clPlatforms[0].version));
  EXPECT_TRUE(HasLineStartingWith(m_log, "Found 1 OpenCL-capable devices for platform "));
  EXPECT_NE('\0', dev.name[0]);
  EXPECT_TRUE(HasClCpuDevice(0));
  EXPECT_FALSE(HasClGpuDevice(0));
  EXPECT_TRUE(HasClDevices());
  EXPECT_EQ(&dev, FindClCpuDevice(0));
  EXPECT_NE(nullptr, GetClPlatformId(0));
  EXPECT_EQ("- CL_DEVICE_TYPE: CPU", OpenClDetailLines(0, 0)[11]);
}

// The size_t queries come back non-zero and equal to what the library says.
TEST_F(OpenClLive, SizeQueriesMatchTheLibrary) {
  const OpenClDeviceInfo& dev = g_app.clPlatforms[0].devices[0];
  cl_device_id d = dev.deviceId;
  size_t sizes[3] = {};
  ASSERT_EQ(CL_SUCCESS, CL::clGetDeviceInfo(d, CL_DEVICE_MAX_WORK_ITEM_SIZES, sizeof(sizes), sizes, nullptr));
  ASSERT_EQ(3, dev.workItemDimensions);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NE(0u, dev.workItemSizes[k]);
    EXPECT_EQ(sizes[k], dev.workItemSizes[k]);
  }
  const struct {
    cl_device_info param;
    int value;
  } sizeFields[] = {{CL_DEVICE_MAX_WORK_GROUP_SIZE, dev.maxWorkGroupSize},
                    {CL_DEVICE_MAX_PARAMETER_SIZE, dev.maxParameterSize},
                    {CL_DEVICE_IMAGE2D_MAX_WIDTH, dev.image2dMaxWidth},
                    {CL_DEVICE_IMAGE2D_MAX_HEIGHT, dev.image2dMaxHeight},
                    {CL_DEVICE_IMAGE3D_MAX_WIDTH, dev.image3dMaxWidth},
                    {CL_DEVICE_IMAGE3D_MAX_HEIGHT, dev.image3dMaxHeight},
                    {CL_DEVICE_IMAGE3D_MAX_DEPTH, dev.image3dMaxDepth}};
  for (const auto& f : sizeFields) {
    size_t live = 0;
    ASSERT_EQ(CL_SUCCESS, CL::clGetDeviceInfo(d, f.param, sizeof(live), &live, nullptr));
    EXPECT_NE(0, f.value) << std::hex << f.param;
    EXPECT_EQ(static_cast<int>(live), f.value) << std::hex << f.param;
  }
  cl_uint units = 0;
  CL::clGetDeviceInfo(d, CL_DEVICE_MAX_COMPUTE_UNITS, sizeof(units), &units, nullptr);
  EXPECT_EQ(static_cast<int>(units), dev.computeUnits);
  cl_ulong global = 0;
  CL::clGetDeviceInfo(d, CL_DEVICE_GLOBAL_MEM_SIZE, sizeof(global), &global, nullptr);
  EXPECT_EQ(global, dev.globalMemSize);
  EXPECT_EQ(liveDeviceText(d, CL_DEVICE_VERSION).substr(0, kClTextSize - 1), dev.version);
}

// Every word of the library's extension string is listed, the last included.
TEST_F(OpenClLive, ExtensionListsHoldEveryWord) {
  const OpenClDeviceInfo& dev = g_app.clPlatforms[0].devices[0];
  std::istringstream words(liveDeviceText(dev.deviceId, CL_DEVICE_EXTENSIONS));
  std::vector<std::string> expected;
  for (std::string w; words >> w;)
    if (w.size() >= 3) expected.push_back(w);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(expected, listOf(dev.extensions));
  EXPECT_TRUE(ClDeviceHasExtension(0, 0, expected.back().c_str()));
  EXPECT_FALSE(g_app.clPlatforms[0].extensions.size() == 0);
}

TEST_F(OpenClLive, DetailListBoxGetsTheDetailLines) {
  HWND parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, parent);
  HWND list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 100, 100, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kOpenClDetailList)), nullptr, nullptr);
  ASSERT_NE(nullptr, list);
  SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("old"));
  FormatOpenClDetails(parent, 0, 0);
  std::vector<std::string> lines = OpenClDetailLines(0, 0);
  ASSERT_EQ(static_cast<LRESULT>(lines.size()), SendMessageA(list, LB_GETCOUNT, 0, 0));
  char text[512] = {};
  SendMessageA(list, LB_GETTEXT, 6, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::string("- CL_DEVICE_NAME: ") + g_app.clPlatforms[0].devices[0].name, text);
  const OpenClDeviceInfo& dev = g_app.clPlatforms[0].devices[0];
  char sizes[128];
  snprintf(sizes, sizeof(sizes), "- CL_DEVICE_MAX_WORK_ITEM_SIZES: [%d ; %d ; %d]",
           static_cast<int>(dev.workItemSizes[0]), static_cast<int>(dev.workItemSizes[1]),
           static_cast<int>(dev.workItemSizes[2]));
  EXPECT_TRUE(HasLine(lines, sizes));
  FormatOpenClDetails(parent, 0, 99);  // out of range: list untouched
  EXPECT_EQ(static_cast<LRESULT>(lines.size()), SendMessageA(list, LB_GETCOUNT, 0, 0));
  DestroyWindow(parent);
}

TEST(OpenClLifecycle, PlatformExtensionSwitchShutdownAndRedetection) {
  QV_NEEDS_OPENCL();
  g_app.readClPlatformExtensions = false;
  ASSERT_TRUE(CaptureLog([] { DetectOpenCl(); }).size() > 0);
  ASSERT_EQ(1, GetClPlatformCount());
  EXPECT_EQ(0u, g_app.clPlatforms[0].extensions.size());
  EXPECT_NE(0u, g_app.clPlatforms[0].devices[0].extensions.size());
  g_app.readClPlatformExtensions = true;

  // A second detection replaces the table instead of adding to it.
  CaptureLog([] { DetectOpenCl(); });
  EXPECT_EQ(1, GetClPlatformCount());
  EXPECT_NE(0u, g_app.clPlatforms[0].extensions.size());

  EXPECT_TRUE(ShutdownOpenCl());
  EXPECT_EQ(nullptr, g_app.clPlatforms);
  EXPECT_EQ(nullptr, g_app.openClLibrary);
  EXPECT_EQ(nullptr, GetModuleHandleA("OpenCL.dll"));
  EXPECT_FALSE(ShutdownOpenCl());
  EXPECT_EQ(0, GetClPlatformCount());
  EXPECT_FALSE(HasClDevices());
  EXPECT_FALSE(HasClCpuDevice(0));
  EXPECT_EQ(nullptr, GetClPlatformId(0));
  EXPECT_TRUE(OpenClDetailLines(0, 0).empty());
}

// ---- Entry points ----

TEST(ClEntryPointsTest, WithoutLibraryNothingIsCalledOrWritten) {
  ResetClEntryPoints();
  HMODULE saved = g_app.openClLibrary;
  g_app.openClLibrary = nullptr;
  cl_uint count = 77;
  EXPECT_EQ(-1, CL::clGetPlatformIDs(0, nullptr, &count));
  EXPECT_EQ(77u, count);
  cl_int err = 55;
  EXPECT_EQ(nullptr, CL::clCreateContext(nullptr, 0, nullptr, nullptr, nullptr, &err));
  EXPECT_EQ(nullptr, CL::clCreateBuffer(nullptr, 0, 4, nullptr, &err));
  EXPECT_EQ(nullptr, CL::clCreateFromGLTexture2D(nullptr, 0, 0, 0, 0, &err));
  EXPECT_EQ(55, err);
  EXPECT_EQ(-1, CL::clReleaseContext(nullptr));
  EXPECT_FALSE(LoadClGlInteropEntryPoints());
  g_app.openClLibrary = saved;

  // A failed lookup is tried again once the library is there.
  QV_NEEDS_OPENCL();
  g_app.openClLibrary = LoadLibraryA("OpenCL.dll");
  ASSERT_NE(nullptr, g_app.openClLibrary);
  EXPECT_EQ(CL_SUCCESS, CL::clGetPlatformIDs(0, nullptr, &count));
  EXPECT_EQ(1u, count);
  EXPECT_TRUE(LoadClGlInteropEntryPoints());

  // After the reset the next call looks its name up again: with the library
  // gone it fails instead of calling a stale pointer.
  FreeLibrary(g_app.openClLibrary);
  g_app.openClLibrary = nullptr;
  ResetClEntryPoints();
  count = 77;
  EXPECT_EQ(-1, CL::clGetPlatformIDs(0, nullptr, &count));
  EXPECT_EQ(77u, count);
  g_app.openClLibrary = saved;
}

// ---- The table's accessors and extension splitting, on records built here ----

class OpenClTable : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(nullptr, g_app.clPlatforms);
    g_app.clPlatforms = new OpenClPlatformInfo[1];
    g_app.clPlatformCount = 1;
    OpenClPlatformInfo& p = g_app.clPlatforms[0];
    snprintf(p.name, sizeof(p.name), "Test platform");
    p.platformId = reinterpret_cast<cl_platform_id>(static_cast<intptr_t>(0x1234));
    p.devices = new OpenClDeviceInfo[3];
    p.deviceCount = 3;
    p.devices[0].deviceType = CL_DEVICE_TYPE_ACCELERATOR;
    p.devices[1].deviceType = CL_DEVICE_TYPE_GPU | CL_DEVICE_TYPE_DEFAULT;
    p.devices[2].deviceType = CL_DEVICE_TYPE_CPU | CL_DEVICE_TYPE_GPU;
    SplitClExtensions("cl_khr_icd cl_nv_device_attribute_query", p.devices[1].extensions);
  }
  void TearDown() override {
    delete[] g_app.clPlatforms;
    g_app.clPlatforms = nullptr;
    g_app.clPlatformCount = 0;
  }
};

TEST_F(OpenClTable, TypeBitsDecideCpuAndGpu) {
  OpenClDeviceInfo* devices = g_app.clPlatforms[0].devices;
  EXPECT_EQ(&devices[1], FindClGpuDevice(0));
  EXPECT_EQ(&devices[2], FindClCpuDevice(0));
  EXPECT_EQ(2, CountClGpuDevices(0));
  EXPECT_EQ(1, CountClCpuDevices(0));
  EXPECT_EQ(0, CountClGpuDevices(1));
  EXPECT_EQ(nullptr, FindClGpuDevice(-1));
  EXPECT_EQ("- CL_DEVICE_TYPE: GPU / DEFAULT", OpenClDetailLines(0, 1)[11]);
  EXPECT_EQ("- CL_DEVICE_TYPE: CPU / GPU", OpenClDetailLines(0, 2)[11]);
}

TEST_F(OpenClTable, PlatformIdNeedsAName) {
  EXPECT_NE(nullptr, GetClPlatformId(0));
  g_app.clPlatforms[0].name[0] = 0;
  EXPECT_EQ(nullptr, GetClPlatformId(0));
  EXPECT_EQ(nullptr, GetClPlatformId(1));
}

TEST_F(OpenClTable, ExtensionQueries) {
  EXPECT_TRUE(ClDeviceHasExtension(0, 1, "cl_nv_device_attribute_query"));
  EXPECT_FALSE(ClDeviceHasExtension(0, 1, "cl_nv_device"));
  EXPECT_FALSE(ClDeviceHasExtension(0, 0, "cl_khr_icd"));
  EXPECT_FALSE(ClDeviceHasExtension(0, 3, "cl_khr_icd"));
  EXPECT_FALSE(ClDeviceHasExtension(0, 1, nullptr));
  EXPECT_FALSE(ClDeviceInfoHasExtension(nullptr, "cl_khr_icd"));
  std::vector<std::string> lines = OpenClDetailLines(0, 1);
  EXPECT_TRUE(HasLine(lines, "\t- Number: 2"));
  EXPECT_TRUE(HasLine(lines, "- CL_NV_DEVICE_WARP_SIZE: 0"));
  EXPECT_FALSE(HasLineStartingWith(OpenClDetailLines(0, 0), "- CL_NV_DEVICE_"));
}

// ---- The vendors' attribute queries, against the stand-in OpenCL library ----

// The log lines of one device after its name line, up to the next device's.
std::vector<std::string> deviceLog(const std::vector<std::string>& log, const std::string& name) {
  const std::string nameLine = "- CL_DEVICE_NAME => ";
  std::vector<std::string> lines;
  bool inDevice = false;
  for (const std::string& l : log) {
    if (l.compare(0, nameLine.size(), nameLine) == 0)
      inDevice = l == nameLine + name;
    else if (inDevice)
      lines.push_back(l);
  }
  return lines;
}

// A device that lists a vendor's attribute-query extension gets that
// vendor's values and the PCI bus by which the GPU tab finds each GPU's
// device: NVIDIA's bus id, and AMD's bus from a topology of the PCIe type
// only. The stand-in answers with the layouts of the driver of the build's
// own word size, so the 32-bit tier reads them as the shipped program does.
TEST(OpenClVendorAttributes, NvidiaAndAmdDevicesGetTheirBusAndValues) {
  FakeOpenCl fake;
  ASSERT_TRUE(fake.loaded()) << FakeOpenCl::path();
  bool detected = false;
  std::vector<std::string> log = CaptureLog([&] { detected = DetectOpenCl(); });
  ASSERT_TRUE(detected);
  ASSERT_EQ(1, GetClPlatformCount());
  const struct {
    const char* name;
    int pciBus, amdPcieId;
    int nv[7];  // compute capability major and minor, registers, warp, overlap, timeout, integrated memory
    std::vector<std::string> vendorLines;
  } expected[] = {
      {"Fake GeForce B", 2, -1, {7, 5, 65536, 32, 1, 1, 0}, {"    CL_DEVICE_PCI_BUS_ID_NV => 2"}},
      {"Fake GeForce A", 1, -1, {8, 6, 65536, 32, 1, 0, 1}, {"    CL_DEVICE_PCI_BUS_ID_NV => 1"}},
      {"Fake Radeon", 131, 0x73BF, {},
       {"    CL_DEVICE_PCIE_ID_AMD => 29631", "    CL_DEVICE_TOPOLOGY_TYPE_PCIE_AMD", "    - bus => 131",
        "    - device => 4"}},
      {"Fake Radeon Pro", -1, 0x7340, {}, {"    CL_DEVICE_PCIE_ID_AMD => 29504"}},
      {"Fake CPU", -1, -1, {}, {}},
  };
  const OpenClPlatformInfo& platform = g_app.clPlatforms[0];
  ASSERT_EQ(5, platform.deviceCount);
  for (int j = 0; j < platform.deviceCount; ++j) {
    const OpenClDeviceInfo& d = platform.devices[j];
    const auto& e = expected[j];
    SCOPED_TRACE(e.name);
    EXPECT_STREQ(e.name, d.name);
    EXPECT_EQ(e.pciBus, d.pciBus);
    EXPECT_EQ(e.amdPcieId, d.amdPcieId);
    const int nv[7] = {d.nvComputeCapabilityMajor, d.nvComputeCapabilityMinor, d.nvRegistersPerBlock, d.nvWarpSize,
                       d.nvGpuOverlap, d.nvKernelExecTimeout, d.nvIntegratedMemory};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(e.nv[k], nv[k]) << "NVIDIA attribute " << k;
    std::vector<std::string> lines = deviceLog(log, e.name);
    ASSERT_GE(lines.size(), 2u) << "vendor and version lines";
    EXPECT_EQ(e.vendorLines, std::vector<std::string>(lines.begin() + 2, lines.end()));
  }
}

TEST(OpenClExtensions, Splitting) {
  const std::string longWord(200, 'x');
  const struct {
    std::string text;
    std::vector<std::string> entries;
  } cases[] = {
      {"cl_khr_icd cl_khr_fp64 ", {"cl_khr_icd", "cl_khr_fp64"}},
      {"cl_khr_icd cl_last", {"cl_khr_icd", "cl_last"}},  // no blank behind the last word
      {"a ab abc  x yz", {"abc"}},                        // one- and two-letter words skipped
      {"", {}},
      {"   ", {}},
      {longWord + " cl_b", {std::string(kClTextSize - 1, 'x'), "cl_b"}},
  };
  for (const auto& c : cases) {
    Korveth_nsp::kvLinkedList list;
    EXPECT_EQ(static_cast<int>(c.entries.size()), SplitClExtensions(c.text.c_str(), list)) << c.text;
    EXPECT_EQ(c.entries, listOf(list)) << c.text;
    FreeClExtensions(list);
    EXPECT_EQ(0u, list.size());
  }
}

}  // namespace
