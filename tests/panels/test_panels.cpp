// The OpenGL, CUDA, OpenCL and Vulkan tabs over the real detection under Wine
// (llvmpipe, pocl, lavapipe, no CUDA), created from quorvel.exe's resources.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../common/NeedsOpenCl.h"
#include "app/AppState.h"
#include "app/CudaInfo.h"
#include "app/GlExtensionTable.h"
#include "app/OpenClInfo.h"
#include "app/Panels.h"
#include "app/Report.h"
#include "app/VulkanInfo.h"
#include "detect/OpenGLCaps.h"
#include "detect/Scanrik.h"
#include "resources/resource.h"

namespace {

HMODULE g_program = nullptr;
HWND g_host = nullptr;

std::string textOf(HWND window) {
  int n = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(n) + 1, '\0');
  GetWindowTextA(window, &text[0], n + 1);
  text.resize(strlen(text.c_str()));
  return text;
}
std::string itemText(HWND dialog, int id) { return textOf(GetDlgItem(dialog, id)); }

std::vector<std::string> listLines(HWND list) {
  std::vector<std::string> lines;
  int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::string s(static_cast<size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&s[0]));
    s.resize(strlen(s.c_str()));
    lines.push_back(s);
  }
  return lines;
}

std::vector<std::string> comboLines(HWND combo) {
  std::vector<std::string> lines;
  int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::string s(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&s[0]));
    s.resize(strlen(s.c_str()));
    lines.push_back(s);
  }
  return lines;
}

std::string format(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buf[1024];
  va_list args;
  va_start(args, fmt);
  vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// A panel as the main window makes it: a child dialog from the program's
// resources, shown (and held on screen when QV_PANEL_HOLD_MS asks for it).
HWND createPanel(int id, DLGPROC proc) {
  HWND panel = CreateDialogParamA(g_program, MAKEINTRESOURCEA(id), g_host, proc, 0);
  if (!panel) return nullptr;
  ShowWindow(panel, SW_SHOW);
  UpdateWindow(panel);
  pump();
  if (const char* hold = getenv("QV_PANEL_HOLD_MS")) {
    DWORD end = GetTickCount() + static_cast<DWORD>(atoi(hold));
    while (GetTickCount() < end) {
      pump();
      Sleep(20);
    }
  }
  return panel;
}

void command(HWND panel, int id, int code) {
  SendMessageA(panel, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(panel, id)));
}

// Runs a modal dialog opened by `open` and hands it to `inspect` once it is up.
std::function<void(HWND)> g_inspect;
std::string g_modalCaption;
bool g_inspected = false;
void CALLBACK inspectModal(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindWindowA(nullptr, g_modalCaption.c_str());
  if (!dialog) return;
  KillTimer(nullptr, timer);
  g_inspected = true;
  g_inspect(dialog);
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}
bool runModal(const char* caption, const std::function<void()>& open, const std::function<void(HWND)>& inspect) {
  g_modalCaption = caption;
  g_inspect = inspect;
  g_inspected = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, inspectModal);
  open();
  KillTimer(nullptr, timer);
  return g_inspected;
}

class PanelsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ResetAppState();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    DetectOpenCl();
    DetectVulkan();
    DetectCuda();
    s_started = Scanrik::instance()->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1);
    BuildFullReport(false);
    g_program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    g_host = CreateWindowExA(0, "STATIC", "Quorvel panels", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 420, 560,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  static void TearDownTestSuite() {
    if (g_host) DestroyWindow(g_host);
    if (g_program) FreeLibrary(g_program);
    Scanrik::instance()->shutdown();
    ShutdownVulkanInfo();
    ShutdownOpenCl();
  }
  void SetUp() override {
    ASSERT_TRUE(s_started);
    ASSERT_NE(nullptr, g_program);
    ASSERT_NE(nullptr, g_host);
  }
  static bool s_started;
};
bool PanelsTest::s_started = false;

// ---- OpenGL tab ----

TEST_F(PanelsTest, OpenGlSummaryAndExtensionLists) {
  Scanrik* s = Scanrik::instance();
  HWND panel = createPanel(IDD_GL_PANEL, OpenGlPanelProc);
  ASSERT_NE(nullptr, panel);
  std::string summary = itemText(panel, IDC_GL_SUMMARY);
  EXPECT_EQ(0u, summary.find(format("GL_VENDOR: %s\r\nGL_RENDERER: %s\r\nGL_VERSION: %s\r\n", s->getGLVendor(),
                                    s->getGLRenderer(), s->getGLVersionString())));
  EXPECT_NE(std::string::npos, summary.find("llvmpipe"));
  EXPECT_NE(std::string::npos, summary.find(format("GL_MAX_TEXTURE_SIZE: %d\r\n", s->getMaxTextureSize())));
  // No NVIDIA shader thread group values on llvmpipe: those lines are left out.
  EXPECT_EQ(std::string::npos, summary.find("GL_WARP_SIZE_NV"));
  EXPECT_EQ(format("  OpenGL extensions: %d (GL=%d, WGL=%d)  ", s->getNumOpenGLExtensions(), s->getNumGLExtensions(),
                   s->getNumWGLExtensions()),
            itemText(panel, IDC_GL_EXTENSION_GROUP));

  std::vector<std::string> lines = listLines(GetDlgItem(panel, IDC_GL_EXTENSION_LIST));
  ASSERT_EQ(static_cast<size_t>(s->getNumOpenGLExtensions()), lines.size());
  EXPECT_EQ(LB_ERR, SendDlgItemMessageA(panel, IDC_GL_EXTENSION_LIST, LB_GETCURSEL, 0, 0));
  // Known extensions carry their core-version note, others their name alone.
  struct Case {
    const char* name;
    const char* line;
  } cases[] = {
      {"GL_ARB_texture_cube_map_array", "GL_ARB_texture_cube_map_array (OpenGL 4.0)"},
      {"GL_ARB_vertex_buffer_object", "GL_ARB_vertex_buffer_object (OpenGL 1.5)"},
      {"GL_EXT_texture_sRGB", "GL_EXT_texture_sRGB"},
      {"GL_MESA_pack_invert", "GL_MESA_pack_invert"},
  };
  for (const Case& c : cases) {
    if (!s->isOpenGLExtensionSupported(c.name)) continue;
    bool found = false;
    for (const std::string& l : lines) found = found || l == c.line;
    EXPECT_TRUE(found) << c.line;
  }
  EXPECT_EQ(format("SPIR-V extensions (OpenGL 4.6+): %d", s->getNumOpenGLSpirvExtensions()),
            itemText(panel, IDC_GL_SPIRV_COUNT));

  // Mesa's vendor string is none of the three with memory queries.
  ASSERT_TRUE(RefreshGlMemory());
  EXPECT_EQ("not available", itemText(panel, IDC_GL_MEMORY));
  EXPECT_EQ("OpenGL memory", itemText(panel, IDC_GL_MEMORY_GROUP));
  DestroyWindow(panel);
  EXPECT_FALSE(RefreshGlMemory());
}

TEST_F(PanelsTest, OpenGlExtensionDialogFindsTheLinesOwnRow) {
  HWND panel = createPanel(IDD_GL_PANEL, OpenGlPanelProc);
  ASSERT_NE(nullptr, panel);
  HWND list = GetDlgItem(panel, IDC_GL_EXTENSION_LIST);
  struct Case {
    const char* line;
    bool specButton;
  } cases[] = {
      {"GL_ARB_texture_cube_map (OpenGL 1.3)", true},
      {"GL_EXT_texture_array (OpenGL 3.0)", true},
      // Not in the table, though a table name (GL_EXT_texture) starts it.
      {"GL_EXT_texture_made_up", false},
      {"GL_MESA_not_in_the_table", false},
  };
  for (const Case& c : cases) {
    int index = static_cast<int>(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.line)));
    SendMessageA(list, LB_SETCURSEL, index, 0);
    std::string shown, renderer;
    bool enabled = false;
    bool ran = runModal(
        "Quorvel OpenGL Extension", [&] { command(panel, IDC_GL_EXTENSION_LIST, LBN_DBLCLK); },
        [&](HWND dialog) {
          shown = itemText(dialog, IDC_GL_EXT_LINE);
          renderer = itemText(dialog, IDC_GL_DIALOG_RENDERER);
          enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_GL_EXT_SPEC)) != FALSE;
        });
    ASSERT_TRUE(ran) << c.line;
    EXPECT_EQ(c.line, shown);
    EXPECT_EQ(format("GL_RENDERER: %s", Scanrik::instance()->getGLRenderer()), renderer);
    EXPECT_EQ(c.specButton, enabled) << c.line;
  }
  // A double-click without a selected line opens nothing.
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_FALSE(runModal(
      "Quorvel OpenGL Extension", [&] { command(panel, IDC_GL_EXTENSION_LIST, LBN_DBLCLK); }, [](HWND) {}));
  DestroyWindow(panel);
}

std::string treeText(HWND tree, HTREEITEM item) {
  char buf[512] = "";
  TVITEMA tv = {};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = buf;
  tv.cchTextMax = sizeof buf;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
  return buf;
}

TEST_F(PanelsTest, OpenGlCapsTreeBySection) {
  Scanrik* s = Scanrik::instance();
  HWND panel = createPanel(IDD_GL_PANEL, OpenGlPanelProc);
  ASSERT_NE(nullptr, panel);
  g_app.openGlModelessDialog = nullptr;
  command(panel, IDC_GL_MORE_CAPS, BN_CLICKED);
  HWND caps = g_app.openGlModelessDialog;
  ASSERT_NE(nullptr, caps);
  EXPECT_TRUE(IsWindowVisible(caps));
  EXPECT_EQ("Quorvel OpenGL Caps List", textOf(caps));
  HWND tree = GetDlgItem(caps, IDC_GL_CAPS_TREE);
  HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  ASSERT_NE(nullptr, root);
  EXPECT_EQ("GL_VERSION_1_1", treeText(tree, root));
  // Each root's children are that section's entries, in list order.
  bool sawNote = false;
  for (HTREEITEM r = root; r; r = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                             reinterpret_cast<LPARAM>(r)))) {
    std::string title = treeText(tree, r);
    std::string section = title.substr(0, title.find(' '));
    sawNote = sawNote || title.find(" (OpenGL ") != std::string::npos;
    HTREEITEM child =
        reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(r)));
    for (int i = 0; i < s->getGLCapsCount(); ++i) {
      int kind = 0, iv = 0, idx[3] = {0, 0, 0};
      int64_t i64 = 0;
      float fv = 0;
      char name[kGlCapTextSize], sec[kGlCapTextSize];
      ASSERT_TRUE(s->getGLCap(i, &kind, &iv, idx, &i64, &fv, name, sec));
      if (section != sec) continue;
      ASSERT_NE(nullptr, child) << section << " ends before " << name;
      std::string expected;
      if (kind == kCapInt) expected = format("%s: %d", name, iv);
      if (kind == kCapFloat) expected = format("%s: %f", name, static_cast<double>(fv));
      if (kind == kCapInt64) expected = format("%s: %lld", name, static_cast<long long>(i64));
      if (kind == kCapIndexed) expected = format("%s: %d/%d/%d", name, idx[0], idx[1], idx[2]);
      EXPECT_EQ(expected, treeText(tree, child));
      child = reinterpret_cast<HTREEITEM>(
          SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)));
    }
    EXPECT_EQ(nullptr, child) << section;
  }
  EXPECT_TRUE(sawNote);
  // Closing hides it; the button shows the same dialog again.
  SendMessageA(caps, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindowVisible(caps));
  command(panel, IDC_GL_MORE_CAPS, BN_CLICKED);
  EXPECT_EQ(caps, g_app.openGlModelessDialog);
  EXPECT_TRUE(IsWindowVisible(caps));
  DestroyWindow(panel);
  g_app.openGlModelessDialog = nullptr;
}

// ---- OpenCL tab ----

TEST_F(PanelsTest, OpenClPlatformDeviceAndDemoCombos) {
  QV_NEEDS_OPENCL();
  ASSERT_GT(g_app.clPlatformCount, 0) << "pocl expected";
  const OpenClPlatformInfo& p = g_app.clPlatforms[0];
  ASSERT_GT(p.deviceCount, 0);
  const OpenClDeviceInfo& d = p.devices[0];
  HWND panel = createPanel(IDD_CL_PANEL, OpenClPanelProc);
  ASSERT_NE(nullptr, panel);
  EXPECT_EQ(format("Number of CL platforms: %d", g_app.clPlatformCount), itemText(panel, IDC_CL_PLATFORM_COUNT));
  EXPECT_EQ(format("1: %s", p.name), comboLines(GetDlgItem(panel, IDC_CL_PLATFORMS)).at(0));
  EXPECT_EQ(format("%s %s", p.version, p.profile), itemText(panel, IDC_CL_VERSION));
  EXPECT_EQ(format("Number of CL devices: %d", p.deviceCount), itemText(panel, IDC_CL_DEVICE_COUNT));
  EXPECT_EQ(format("1: %s", d.name), comboLines(GetDlgItem(panel, IDC_CL_DEVICES)).at(0));
  EXPECT_NE(std::string::npos, std::string(p.name).find("Portable"));
  struct Field {
    int id;
    std::string text;
  } fields[] = {
      {IDC_CL_TYPE, "CPU"},
      {IDC_CL_DEVICE_VERSION, d.version},
      {IDC_CL_DRIVER, d.driverVersion},
      {IDC_CL_COMPUTE_UNITS, format("%d", d.computeUnits)},
      {IDC_CL_CLOCK, format("%dMHz", d.maxClockMhz)},
      {IDC_CL_GLOBAL_MEM, format("%lldMB (Cache: %lldKB)", static_cast<long long>(d.globalMemSize / 1048576),
                                 static_cast<long long>(d.globalCacheSize / 1024))},
      {IDC_CL_LOCAL_MEM, format("%lldKB", static_cast<long long>(d.localMemSize / 1024))},
      {IDC_CL_CONSTANT_BUFFER, format("%lldKB", static_cast<long long>(d.maxConstantBufferSize / 1024))},
      {IDC_CL_SAMPLERS, format("%d", d.maxSamplers)},
      {IDC_CL_IMAGE_2D, format("%d x %d", d.image2dMaxWidth, d.image2dMaxHeight)},
      {IDC_CL_IMAGE_3D, format("%d x %d x %d", d.image3dMaxWidth, d.image3dMaxHeight, d.image3dMaxDepth)},
      {IDC_CL_EXTENSIONS, format("%d", static_cast<int>(d.extensions.size()))},
      {IDC_CL_WORK_ITEM_SIZES, format("%u x %u x %u", d.workItemSizes[0], d.workItemSizes[1], d.workItemSizes[2])},
      {IDC_CL_WORK_GROUP_SIZE, format("%d", d.maxWorkGroupSize)},
  };
  for (const Field& f : fields) EXPECT_EQ(f.text, itemText(panel, f.id)) << f.id;
  EXPECT_GT(d.extensions.size(), 0u);
  // pocl offers a CPU device only: the GPU demo combo is empty and disabled.
  EXPECT_TRUE(comboLines(GetDlgItem(panel, IDC_CL_DEMO_GPU)).empty());
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_CL_DEMO_GPU)));
  std::vector<std::string> cpu = comboLines(GetDlgItem(panel, IDC_CL_DEMO_CPU));
  ASSERT_EQ(static_cast<size_t>(CountClCpuDevices(0)), cpu.size());
  EXPECT_EQ("dev 0", cpu.at(0));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_CL_DEMO_CPU)));

  // Changing a demo combo hands the choice back from "/cl_device_index=".
  g_app.clDeviceIndexGiven = true;
  command(panel, IDC_CL_DEMO_CPU, CBN_SELCHANGE);
  EXPECT_FALSE(g_app.clDeviceIndexGiven);

  // The detail dialog lists the device shown.
  std::vector<std::string> expected = OpenClDetailLines(0, 0);
  std::vector<std::string> shown;
  ASSERT_TRUE(runModal(
      "Quorvel - OpenCL Information", [&] { command(panel, IDC_CL_MORE, BN_CLICKED); },
      [&](HWND dialog) { shown = listLines(GetDlgItem(dialog, IDC_CL_DETAIL_LIST)); }));
  EXPECT_EQ(expected, shown);
  DestroyWindow(panel);
}

TEST_F(PanelsTest, OpenClWithoutPlatforms) {
  OpenClPlatformInfo* platforms = g_app.clPlatforms;
  int count = g_app.clPlatformCount;
  g_app.clPlatforms = nullptr;
  g_app.clPlatformCount = 0;
  HWND panel = createPanel(IDD_CL_PANEL, OpenClPanelProc);
  g_app.clPlatforms = platforms;
  g_app.clPlatformCount = count;
  ASSERT_NE(nullptr, panel);
  EXPECT_EQ("Number of CL platforms: 0", itemText(panel, IDC_CL_PLATFORM_COUNT));
  const int disabled[] = {IDC_CL_PLATFORMS, IDC_CL_DEVICES, IDC_CL_TYPE, IDC_CL_DEVICE_VERSION, IDC_CL_DRIVER,
                          IDC_CL_COMPUTE_UNITS, IDC_CL_CLOCK, IDC_CL_GLOBAL_MEM, IDC_CL_LOCAL_MEM,
                          IDC_CL_CONSTANT_BUFFER, IDC_CL_SAMPLERS, IDC_CL_IMAGE_2D, IDC_CL_IMAGE_3D,
                          IDC_CL_EXTENSIONS, IDC_CL_WORK_ITEM_SIZES, IDC_CL_WORK_GROUP_SIZE, IDC_CL_MORE,
                          IDC_CL_DEMO_GPU, IDC_CL_DEMO_CPU};
  for (int id : disabled) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, id))) << id;
  EXPECT_TRUE(comboLines(GetDlgItem(panel, IDC_CL_DEMO_GPU)).empty());
  EXPECT_TRUE(comboLines(GetDlgItem(panel, IDC_CL_DEMO_CPU)).empty());
  DestroyWindow(panel);
}

// ---- CUDA tab ----

const int kCudaEdits[] = {1155, 1157, 1159, 1161, 1163, 1165, 1167, 1169, 1171,
                          1173, 1175, 1177, 1180, 1184, 1186, 1188, 1190, 1192};

TEST_F(PanelsTest, CudaWithoutDevices) {
  ASSERT_EQ(0, g_app.cudaDeviceCount) << "no CUDA driver expected here";
  HWND panel = createPanel(IDD_CUDA_PANEL, CudaPanelProc);
  ASSERT_NE(nullptr, panel);
  EXPECT_EQ("Number of CUDA devices: 0", itemText(panel, IDC_CUDA_DEVICE_COUNT));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_CUDA_DEVICES)));
  for (int id : kCudaEdits) {
    EXPECT_EQ("", itemText(panel, id)) << id;
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, id))) << id;
  }
  DestroyWindow(panel);
}

TEST_F(PanelsTest, CudaDeviceRows) {
  CudaDeviceInfo rows[2] = {};
  snprintf(rows[0].name, sizeof rows[0].name, "%s", "First CUDA board");
  rows[0].computeCapabilityMajor = 8;
  rows[0].computeCapabilityMinor = 6;
  rows[0].totalMemory = 12ull << 30;  // above 4 GB
  rows[0].clockRateKhz = 1710999;
  rows[0].memoryClockRateKhz = 9501000;
  rows[0].memoryBandwidthGbs = 456;
  rows[0].multiprocessorCount = 28;
  rows[0].totalCores = 3584;
  rows[0].warpSize = 32;
  rows[0].maxThreadsPerBlock = 1024;
  rows[0].maxBlockDim[0] = 1024;
  rows[0].maxBlockDim[1] = 1024;
  rows[0].maxBlockDim[2] = 64;
  rows[0].maxGridDim[0] = 2147483647;
  rows[0].maxGridDim[1] = 65535;
  rows[0].maxGridDim[2] = 65535;
  rows[0].maxSharedMemoryPerBlock = 49152;
  rows[0].regsPerBlock = 65536;
  rows[0].textureAlign = 512;
  rows[0].totalConstantMemory = 65536;
  rows[0].memoryBusWidth = 192;
  rows[0].pciBusId = 1;
  rows[0].l2CacheSize = 2359296;
  snprintf(rows[1].name, sizeof rows[1].name, "%s", "Second CUDA board");
  CudaDeviceInfo* saved = g_app.cudaDevices;
  int savedCount = g_app.cudaDeviceCount;
  g_app.cudaDevices = rows;
  g_app.cudaDeviceCount = 2;
  HWND panel = createPanel(IDD_CUDA_PANEL, CudaPanelProc);
  ASSERT_NE(nullptr, panel);
  EXPECT_EQ("Number of CUDA devices: 2", itemText(panel, IDC_CUDA_DEVICE_COUNT));
  EXPECT_EQ((std::vector<std::string>{"1: First CUDA board", "2: Second CUDA board"}),
            comboLines(GetDlgItem(panel, IDC_CUDA_DEVICES)));
  struct Field {
    int id;
    const char* text;
  } fields[] = {
      {1157, "First CUDA board"}, {1155, "8.6"}, {1159, "12288 MB"}, {1161, "1710 MHz"}, {1184, "9501 MHz"},
      {1192, "456 GB/s"}, {1163, "28 (3584 cores)"}, {1165, "32"}, {1167, "1024"}, {1169, "1024 x 1024 x 64"},
      {1171, "2147483647 x 65535 x 65535"}, {1173, "48 KB"}, {1175, "65536"}, {1177, "512 bytes"},
      {1180, "64 KB"}, {1186, "192-bit"}, {1188, "1"}, {1190, "2304 KB"},
  };
  for (const Field& f : fields) EXPECT_EQ(f.text, itemText(panel, f.id)) << f.id;
  SendDlgItemMessageA(panel, IDC_CUDA_DEVICES, CB_SETCURSEL, 1, 0);
  command(panel, IDC_CUDA_DEVICES, CBN_SELCHANGE);
  EXPECT_EQ("Second CUDA board", itemText(panel, 1157));
  EXPECT_EQ("0.0", itemText(panel, 1155));
  DestroyWindow(panel);
  g_app.cudaDevices = saved;
  g_app.cudaDeviceCount = savedCount;
}

// ---- Vulkan tab ----

TEST_F(PanelsTest, VulkanInstanceAndDevice) {
  ASSERT_TRUE(IsVulkanInfoReady());
  const VulkanInfo& info = GetVulkanInfo();
  ASSERT_GT(GetVulkanDeviceCount(), 0) << "lavapipe expected";
  const VulkanPhysicalDeviceInfo& dev = *info.devices[0];
  g_app.vkGpuIndex = -1;
  HWND panel = createPanel(IDD_VK_PANEL, VulkanPanelProc);
  ASSERT_NE(nullptr, panel);

  std::string instance = itemText(panel, IDC_VK_INSTANCE);
  EXPECT_EQ(0u, instance.find(format("Instance extensions: %lu\r\n",
                                     static_cast<unsigned long>(info.instanceExtensions.size()))));
  EXPECT_NE(std::string::npos, instance.find(format("\r\n\r\nInstance layers: %lu\r\n",
                                                    static_cast<unsigned long>(info.instanceLayers.size()))));
  std::vector<std::string> extensions = listLines(GetDlgItem(panel, IDC_VK_INSTANCE_EXTENSIONS));
  ASSERT_EQ(info.instanceExtensions.size(), extensions.size());
  for (size_t i = 0; i < extensions.size(); ++i) {
    EXPECT_EQ(format("%d/ %s (ver:%u)", static_cast<int>(i + 1), info.instanceExtensions[i].name.c_str(),
                     info.instanceExtensions[i].specVersion),
              extensions[i]);
    EXPECT_NE(std::string::npos, instance.find(format("\r\n %s\r\n", extensions[i].c_str())));
  }

  EXPECT_EQ(format("1: %s", dev.deviceName.c_str()), comboLines(GetDlgItem(panel, IDC_VK_DEVICES)).at(0));
  EXPECT_NE(std::string::npos, dev.deviceName.find("llvmpipe"));
  EXPECT_EQ(0, g_app.vkGpuIndex);
  std::string text = itemText(panel, IDC_VK_DEVICE);
  EXPECT_EQ(0u, text.find(format("- name: %s\r\n- device id: %4X - %4X\r\n- device type: %s\r\n",
                                 dev.deviceName.c_str(), dev.vendorId, dev.deviceId, dev.deviceTypeText.c_str())));
  EXPECT_NE(std::string::npos, text.find("- device type: VK_PHYSICAL_DEVICE_TYPE_CPU\r\n"));
  std::vector<std::string> wanted = {
      format("\r\n- memory heap count: %lu\r\n heap1: %lluMB\r\n", static_cast<unsigned long>(dev.memoryHeaps.size()),
             static_cast<unsigned long long>(dev.memoryHeaps.at(0).sizeMb)),
      format("\r\n- extensions: %lu\r\n  1/ %s (ver:%u)\r\n", static_cast<unsigned long>(dev.extensions.size()),
             dev.extensions.at(0).name.c_str(), dev.extensions.at(0).specVersion),
      "\r\n- features:\r\n  robustBufferAccess: ",
  };
  if (dev.block.driverPropertiesRead)
    wanted.push_back(format("\r\n  -> driver ID: %s (%d)\r\n",
                            VulkanDriverIdName(static_cast<int>(dev.block.driverProperties.driverID)),
                            static_cast<int>(dev.block.driverProperties.driverID)));
  for (size_t i = 0; i < kVkFeatureRowCount; ++i)
    wanted.push_back(format("\r\n  %s: %s\r\n", kVkFeatureRows[i].name,
                            VkFeatureValue(dev.block.features, kVkFeatureRows[i]) ? "true" : "false"));
  for (const std::string& w : wanted) EXPECT_NE(std::string::npos, text.find(w)) << w;
  // Every limit in the member order of the published record, in the format
  // of its type; the two signed offsets print as signed numbers.
  const VkPhysicalDeviceLimits& L = dev.block.limits;
#define U(m) format(" %s: %u", #m, static_cast<unsigned>(L.m))
#define D(m) format(" %s: %d", #m, static_cast<int>(L.m))
#define F(m) format(" %s: %f", #m, static_cast<double>(L.m))
#define S(m) format(" %s: %llu", #m, static_cast<unsigned long long>(L.m))
#define U2(m) format(" %s: <%u; %u>", #m, L.m[0], L.m[1])
#define U3(m) format(" %s: <%u; %u; %u>", #m, L.m[0], L.m[1], L.m[2])
#define F2(m) format(" %s: <%f ; %f>", #m, static_cast<double>(L.m[0]), static_cast<double>(L.m[1]))
  const std::string limitLines[] = {
      U(maxImageDimension1D), U(maxImageDimension2D), U(maxImageDimension3D), U(maxImageDimensionCube),
      U(maxImageArrayLayers), U(maxTexelBufferElements), U(maxUniformBufferRange), U(maxStorageBufferRange),
      U(maxPushConstantsSize), U(maxMemoryAllocationCount), U(maxSamplerAllocationCount), S(bufferImageGranularity),
      S(sparseAddressSpaceSize), U(maxBoundDescriptorSets), U(maxPerStageDescriptorSamplers),
      U(maxPerStageDescriptorUniformBuffers), U(maxPerStageDescriptorStorageBuffers),
      U(maxPerStageDescriptorSampledImages), U(maxPerStageDescriptorStorageImages),
      U(maxPerStageDescriptorInputAttachments), U(maxPerStageResources), U(maxDescriptorSetSamplers),
      U(maxDescriptorSetUniformBuffers), U(maxDescriptorSetUniformBuffersDynamic), U(maxDescriptorSetStorageBuffers),
      U(maxDescriptorSetStorageBuffersDynamic), U(maxDescriptorSetSampledImages), U(maxDescriptorSetStorageImages),
      U(maxDescriptorSetInputAttachments), U(maxVertexInputAttributes), U(maxVertexInputBindings),
      U(maxVertexInputAttributeOffset), U(maxVertexInputBindingStride), U(maxVertexOutputComponents),
      U(maxTessellationGenerationLevel), U(maxTessellationPatchSize),
      U(maxTessellationControlPerVertexInputComponents), U(maxTessellationControlPerVertexOutputComponents),
      U(maxTessellationControlPerPatchOutputComponents), U(maxTessellationControlTotalOutputComponents),
      U(maxTessellationEvaluationInputComponents), U(maxTessellationEvaluationOutputComponents),
      U(maxGeometryShaderInvocations), U(maxGeometryInputComponents), U(maxGeometryOutputComponents),
      U(maxGeometryOutputVertices), U(maxGeometryTotalOutputComponents), U(maxFragmentInputComponents),
      U(maxFragmentOutputAttachments), U(maxFragmentDualSrcAttachments), U(maxFragmentCombinedOutputResources),
      U(maxComputeSharedMemorySize), U3(maxComputeWorkGroupCount), U(maxComputeWorkGroupInvocations),
      U3(maxComputeWorkGroupSize), U(subPixelPrecisionBits), U(subTexelPrecisionBits), U(mipmapPrecisionBits),
      U(maxDrawIndexedIndexValue), U(maxDrawIndirectCount), F(maxSamplerLodBias), F(maxSamplerAnisotropy),
      U(maxViewports), U2(maxViewportDimensions), F2(viewportBoundsRange), U(viewportSubPixelBits),
      U(minMemoryMapAlignment), S(minTexelBufferOffsetAlignment), S(minUniformBufferOffsetAlignment),
      S(minStorageBufferOffsetAlignment), D(minTexelOffset), U(maxTexelOffset), D(minTexelGatherOffset),
      U(maxTexelGatherOffset), F(minInterpolationOffset), F(maxInterpolationOffset),
      U(subPixelInterpolationOffsetBits), U(maxFramebufferWidth), U(maxFramebufferHeight), U(maxFramebufferLayers),
      U(framebufferColorSampleCounts), U(framebufferDepthSampleCounts), U(framebufferStencilSampleCounts),
      U(framebufferNoAttachmentsSampleCounts), U(maxColorAttachments), U(sampledImageColorSampleCounts),
      U(sampledImageIntegerSampleCounts), U(sampledImageDepthSampleCounts), U(sampledImageStencilSampleCounts),
      U(storageImageSampleCounts), U(maxSampleMaskWords), U(timestampComputeAndGraphics), F(timestampPeriod),
      U(maxClipDistances), U(maxCullDistances), U(maxCombinedClipAndCullDistances), U(discreteQueuePriorities),
      F2(pointSizeRange), F2(lineWidthRange), F(pointSizeGranularity), F(lineWidthGranularity), U(strictLines),
      U(standardSampleLocations), S(optimalBufferCopyOffsetAlignment), S(optimalBufferCopyRowPitchAlignment),
      S(nonCoherentAtomSize),
  };
#undef U
#undef D
#undef F
#undef S
#undef U2
#undef U3
#undef F2
  size_t at = text.find("\r\n- limits:\r\n");
  ASSERT_NE(std::string::npos, at);
  for (const std::string& line : limitLines) {
    const size_t next = text.find("\r\n" + line + "\r\n", at);
    EXPECT_NE(std::string::npos, next) << line << " (or out of order)";
    if (next != std::string::npos) at = next + 2;
  }

  // A selection past the devices changes nothing.
  SendDlgItemMessageA(panel, IDC_VK_DEVICES, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  command(panel, IDC_VK_DEVICES, CBN_SELCHANGE);
  EXPECT_EQ(0, g_app.vkGpuIndex);
  EXPECT_EQ(text, itemText(panel, IDC_VK_DEVICE));
  DestroyWindow(panel);
}

TEST_F(PanelsTest, VulkanOutputDialogShowsTheReportSection) {
  HWND panel = createPanel(IDD_VK_PANEL, VulkanPanelProc);
  ASSERT_NE(nullptr, panel);
  command(panel, IDC_VK_OUTPUT_BUTTON, BN_CLICKED);
  HWND output = FindWindowA(nullptr, "Miravo output");
  ASSERT_NE(nullptr, output);
  EXPECT_TRUE(IsWindowVisible(output));
  std::string text = itemText(output, IDC_VK_OUTPUT_TEXT);
  EXPECT_EQ(0u, text.find("===================================[ Vulkan Capabilities ]\r\n- Instance extensions: "));
  EXPECT_NE(std::string::npos, text.find(GetVulkanDeviceName(0)));
  EXPECT_EQ(std::string::npos, text.find("OpenCL Capabilities"));
  EXPECT_NE(std::string::npos, std::string(g_app.reportBuffers.text).find(text));
  SendMessageA(output, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(IsWindowVisible(output));
  DestroyWindow(panel);
}

}  // namespace
