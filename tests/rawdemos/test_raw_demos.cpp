// The raw OpenGL and OpenCL demos run whole, on Wine's OpenGL (llvmpipe) and
// OpenCL (pocl, a CPU device without OpenGL sharing): each one's last frame
// shows its subject, it writes its benchmark row, and the OpenCL demos end
// cleanly on the failures they report.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "app/AppState.h"
#include "app/OpenClInfo.h"
#include "demos/ClDemoRoutines.h"
#include "demos/ClDemoSetup.h"
#include "demos/ClEntryPoints.h"
#include "demos/ClKernelTexts.inc"
#include "demos/DemoControl.h"
#include "demos/RawGlDemos.h"
#include "lumaq.h"
#include "tests/rawdemos/RawDemoHarness.h"

namespace {

const int kWindowSide = 320;

int luminance(const unsigned char* p) { return p[0] + p[1] + p[2]; }

int countOutsideLogo(const Frame& f, const std::function<bool(const unsigned char*)>& test) {
  int n = 0;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x)
      if (f.outsideLogo(x, y) && test(f.at(x, y))) ++n;
  return n;
}

bool dominant(const unsigned char* p, int channel) {
  int a = p[(channel + 1) % 3], b = p[(channel + 2) % 3];
  return p[channel] > 128 && p[channel] > a + 60 && p[channel] > b + 60;
}

// ---- What each demo's last frame must show ----

void expectLitTorus(const DemoRun& run) {
  int lit = countOutsideLogo(run.last, [](const unsigned char* p) { return luminance(p) > 120; });
  EXPECT_GT(lit, run.last.width * run.last.height / 20) << "lit torus pixels";
}

void expectThreeColours(const DemoRun& run) {
  for (int c = 0; c < 3; ++c)
    EXPECT_GT(countOutsideLogo(run.last, [c](const unsigned char* p) { return dominant(p, c); }), 20)
        << "pixels of vertex colour " << c;
}

// Wire pixels around the triangle's centre (a third of the way up from its
// base), with dark gaps between them when the levels are low enough.
void expectWires(const DemoRun& run, int minimumGaps) {
  const Frame& f = run.last;
  int cx = f.width / 2, cy = static_cast<int>(f.height * (0.5 - 0.289 / 2)), lit = 0, dark = 0;
  for (int y = cy - 20; y < cy + 20; ++y)
    for (int x = cx - 20; x < cx + 20; ++x) (luminance(f.at(x, y)) > 60 ? lit : dark)++;
  EXPECT_GT(lit, 160) << "wire pixels";
  EXPECT_GT(dark, minimumGaps) << "gaps between the wires";
}

void expectWireframe(const DemoRun& run) { expectWires(run, 160); }

void expectParticles(const DemoRun& run) {
  EXPECT_GE(countOutsideLogo(run.last, [](const unsigned char* p) { return luminance(p) > 60; }), 1000);
}

void expectJulia(const DemoRun& run) {
  std::set<int> colours;
  countOutsideLogo(run.last, [&colours](const unsigned char* p) {
    colours.insert((p[0] >> 4) << 8 | (p[1] >> 4) << 4 | (p[2] >> 4));
    return false;
  });
  EXPECT_GT(colours.size(), 8u) << "colours of the fractal";
}

void expectGlow(const DemoRun& run) {
  const Frame &scene = run.scene, &last = run.last;
  ASSERT_FALSE(scene.empty());
  ASSERT_EQ(scene.rgba.size(), last.rgba.size());
  auto background = [](const unsigned char* p) {
    return std::abs(p[0] - 77) <= 2 && std::abs(p[1] - 77) <= 2 && std::abs(p[2] - 77) <= 2;
  };
  auto bright = [](const unsigned char* p) { return p[0] > 204 && p[1] > 204 && p[2] > 204; };
  int glow = 0, brightScene = 0, brightLast = 0;
  for (int y = 0; y < last.height; ++y) {
    for (int x = 0; x < last.width; ++x) {
      if (!last.outsideLogo(x, y)) continue;
      const unsigned char *s = scene.at(x, y), *l = last.at(x, y);
      if (background(s) && l[0] > s[0] + 6) ++glow;  // the torus is red
      brightScene += bright(s);
      brightLast += bright(l);
    }
  }
  EXPECT_GT(glow, 50) << "background pixels around the torus lit by its glow";
  EXPECT_GE(brightLast, brightScene) << "highlights bloom";
}

void expectDeformedSurface(const DemoRun& run) {
  const Frame& f = run.last;
  int x = f.width / 3, edges = 0;
  for (int y = 1; y < f.height; ++y)
    if (std::abs(luminance(f.at(x, y)) - luminance(f.at(x, y - 1))) > 40) ++edges;
  EXPECT_GE(edges, 4) << "wave crests along a column";
}

struct DemoCase {
  const char* name;
  DemoThreadRoutine routine;
  int slot;
  bool openCl;
  const char* testName;
  std::function<void()> settings;
  std::function<void(const DemoRun&)> expectPicture;
  int side = kWindowSide;
};

const DemoCase kDemos[] = {
    {"Gl3Torus", Gl3TorusThread, kSlotGl3Torus, false, "GL3_IlluminatedTorus", [] {}, expectLitTorus},
    {"Gl3TorusUniformLoop", Gl3TorusThread, kSlotGl3Torus, false, "GL3_IlluminatedTorus",
     [] { g_app.gl3TorusRadeonFix = false; }, expectLitTorus},
    // Wide enough for the green corner to reach past the logo.
    {"Gl3Triangle", Gl3TriangleThread, kSlotGl3Triangle, false, "GL3_TriangleOfDeath", [] {}, expectThreeColours,
     480},
    {"Gl4Tessellation", Gl4TessellationThread, kSlotGl4Tessellation, false, "GL4_Tessellation", [] {},
     expectWireframe},
    {"Gl4TessellationFixedLevels", Gl4TessellationThread, kSlotGl4Tessellation, false, "GL4_Tessellation",
     [] {
       g_app.tessLevelAnimation = false;
       g_app.tessLevelOuter = 100000.0f;  // above any device's maximum
       g_app.tessLevelInner = 0.0f;
     },
     [](const DemoRun& run) {
       expectWires(run, 0);
       EXPECT_LT(g_app.tessLevelOuter, 100000.0f) << "lowered to the device's maximum";
       EXPECT_GE(g_app.tessLevelOuter, 64.0f);
       EXPECT_EQ(1.0f, g_app.tessLevelInner);
     }},
    {"ClParticles", ClParticlesThread, kSlotClParticles, true, "CL_Particles",
     [] { g_app.clParticlesCpu = 200000; }, expectParticles},
    {"ClParticlesSine", ClParticlesThread, kSlotClParticles, true, "CL_Particles(with sin)",
     [] {
       g_app.clParticlesCpu = 100001;  // not a multiple of the local size
       g_app.clParticlesSin = true;
     },
     expectParticles},
    {"ClPostFx", ClPostFxThread, kSlotClPostFx, true, "CL_PostFX", [] {}, expectGlow},
    {"ClPostFxLocalMemory", ClPostFxThread, kSlotClPostFx, true, "CL_PostFX", [] { g_app.clUseLocalMem = true; },
     expectGlow},
    {"ClPostFxNoLocalSize", ClPostFxThread, kSlotClPostFx, true, "CL_PostFX",
     [] { g_app.clExplicitWorkgroupSize = false; }, expectGlow},
    {"ClJulia", ClJuliaThread, kSlotClJulia, true, "CL_Julia4D", [] { g_app.juliaRttSize = 256; }, expectJulia},
    {"ClJuliaOddSize", ClJuliaThread, kSlotClJulia, true, "CL_Julia4D", [] { g_app.juliaRttSize = 200; },
     expectJulia},
    {"ClDeformer", ClDeformerThread, kSlotClDeformer, true, "CL_SurfaceDeformer(X=511_Z=511_sin=0)", [] {},
     expectDeformedSurface},
    {"ClDeformerOddGrid", ClDeformerThread, kSlotClDeformer, true, "CL_SurfaceDeformer(X=200_Z=130_sin=0)",
     [] {
       g_app.surfaceSegsX = 200;
       g_app.surfaceSegsZ = 130;
       g_app.clNativeSin = false;
     },
     expectDeformedSurface},
};

// Settings at their defaults for every test, with the OpenCL table read once.
class RawDemoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ResetAppState();
    DetectOpenCl();
    s_library = g_app.openClLibrary;
    s_platforms = g_app.clPlatforms;
    s_platformCount = g_app.clPlatformCount;
    s_program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  void SetUp() override {
    ASSERT_NE(nullptr, s_program);
    ResetAppState();
    g_app.openClLibrary = s_library;
    g_app.clPlatforms = s_platforms;
    g_app.clPlatformCount = s_platformCount;
    g_app.instance = reinterpret_cast<HINSTANCE>(s_program);
    g_app.benchmarkLog = true;
    g_app.demoDurationMs = 2500;  // room for a slow first frame on a busy machine
    g_app.clDeviceType = kClDeviceTypeCpu;
  }
  static HMODULE s_library;
  static OpenClPlatformInfo* s_platforms;
  static int s_platformCount;
  static HMODULE s_program;
};

HMODULE RawDemoTest::s_library = nullptr;
OpenClPlatformInfo* RawDemoTest::s_platforms = nullptr;
int RawDemoTest::s_platformCount = 0;
HMODULE RawDemoTest::s_program = nullptr;

class RawDemoRunTest : public RawDemoTest, public ::testing::WithParamInterface<DemoCase> {};

TEST_P(RawDemoRunTest, EndsByItselfWithItsRowAndSubject) {
  const DemoCase& c = GetParam();
  if (c.openCl) {
    ASSERT_TRUE(HasClCpuDevice(0)) << "no OpenCL CPU device";
  }
  c.settings();
  RemoveBenchmarkFile();
  DemoRun run = RunDemoThread(c.routine, c.slot, c.side, c.side);
  ASSERT_TRUE(run.ended);
  EXPECT_TRUE(run.windowClosed);
  EXPECT_EQ(1, run.doneFlag);
  EXPECT_TRUE(run.boxes.empty()) << run.boxes.front();
  std::vector<std::string> row = LastBenchmarkRow(c.testName);
  ASSERT_GE(row.size(), 16u) << "no row for " << c.testName;
  EXPECT_GT(atoi(row[15].c_str()), 0) << "average FPS";
  ASSERT_FALSE(run.last.empty());
  c.expectPicture(run);
}

INSTANTIATE_TEST_SUITE_P(Demos, RawDemoRunTest, ::testing::ValuesIn(kDemos),
                         [](const ::testing::TestParamInfo<DemoCase>& info) { return info.param.name; });

// ---- OpenCL failures end the demo cleanly ----

bool sawBox(const DemoRun& run, const std::string& text) {
  for (const std::string& b : run.boxes)
    if (b.find(text) != std::string::npos) return true;
  return false;
}

// A working folder of its own for the kernel files a test writes.
class ScopedFolder {
 public:
  explicit ScopedFolder(const char* name) : m_name(name) {
    GetCurrentDirectoryA(sizeof(m_previous), m_previous);
    CreateDirectoryA(name, nullptr);
    CreateDirectoryA((m_name + "\\media").c_str(), nullptr);
    SetCurrentDirectoryA(name);
  }
  ~ScopedFolder() {
    SetCurrentDirectoryA(m_previous);
    for (const char* file : {"particles.cl", "postfx.cl", "qjulia_kernel.cl"})
      DeleteFileA((m_name + "\\media\\" + file).c_str());
    RemoveDirectoryA((m_name + "\\media").c_str());
    RemoveDirectoryA(m_name.c_str());
  }

 private:
  std::string m_name;
  char m_previous[MAX_PATH];
};

TEST_F(RawDemoTest, KernelBuildErrorShowsTheLogWritesTheErrorRowAndLeavesTheSlotUsable) {
  RemoveBenchmarkFile();
  g_app.clParticlesCpu = 10000;
  g_app.autostart[kAutostartClParticles] = true;
  {
    ScopedFolder folder("rawdemo_bad_kernel");
    std::ofstream("media/particles.cl") << "__kernel void updateParticleWithoutCollision( { this is not C }\n";
    DemoRun run = RunDemoThread(ClParticlesThread, kSlotClParticles, kWindowSide, kWindowSide);
    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.windowClosed);
    EXPECT_EQ(0, run.doneFlag);
    EXPECT_TRUE(sawBox(run, "Quorvel Error\tCL kernel compil error: ")) << (run.boxes.empty() ? "" : run.boxes[0]);
    EXPECT_TRUE(run.last.empty()) << "no frame drawn";
  }
  EXPECT_FALSE(LastBenchmarkRow("CL_Particles(kernel ERROR)").empty());
  EXPECT_TRUE(LastBenchmarkRow("CL_Particles").empty());
  // The inline kernel runs in the same slot afterwards.
  g_app.clParticlesCpu = 200000;
  DemoRun again = RunDemoThread(ClParticlesThread, kSlotClParticles, kWindowSide, kWindowSide);
  ASSERT_TRUE(again.ended);
  EXPECT_TRUE(again.boxes.empty());
  EXPECT_FALSE(LastBenchmarkRow("CL_Particles").empty());
  expectParticles(again);
}

// The length of the build log that the first CPU device gives a source
// that does not build.
size_t buildLogLength(const std::string& source) {
  cl_device_id device = nullptr;
  cl_platform_id platform = GetClPlatformId(0);
  if (ClEntryPoints::clGetDeviceIDs(platform, CL_DEVICE_TYPE_CPU, 1, &device, nullptr) != CL_SUCCESS) return 0;
  cl_context_properties properties[] = {CL_CONTEXT_PLATFORM, reinterpret_cast<cl_context_properties>(platform), 0};
  cl_int status = 0;
  cl_context context = ClEntryPoints::clCreateContext(properties, 1, &device, nullptr, nullptr, &status);
  if (!context) return 0;
  const char* text = source.c_str();
  size_t length = source.size(), size = 0;
  cl_program program = ClEntryPoints::clCreateProgramWithSource(context, 1, &text, &length, &status);
  if (program && ClEntryPoints::clBuildProgram(program, 0, nullptr, nullptr, nullptr, nullptr) != CL_SUCCESS)
    ClEntryPoints::clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, 0, nullptr, &size);
  if (program) ClEntryPoints::clReleaseProgram(program);
  ClEntryPoints::clReleaseContext(context);
  return size;
}

// A build log longer than the part the box shows is read whole (the
// driver refuses a smaller buffer) and the box shows its start.
TEST_F(RawDemoTest, KernelBuildLogLongerThanItsCapIsShownFromItsStart) {
  std::string source;
  for (int i = 0; i < 4000; ++i)
    source += "#warning each of these lines adds its text, its place and its source line to the build log\n";
  source += "__kernel void updateParticleWithoutCollision( { this is not C }\n";
  const size_t logLength = buildLogLength(source);
  ASSERT_GT(logLength, 256u * 1024) << "the driver's build log is not longer than the part shown";
  ScopedFolder folder("rawdemo_long_log");
  std::ofstream("media/particles.cl") << source;
  DemoRun run = RunDemoThread(ClParticlesThread, kSlotClParticles, kWindowSide, kWindowSide);
  ASSERT_TRUE(run.ended);
  EXPECT_TRUE(run.windowClosed);
  ASSERT_EQ(1u, run.boxes.size());
  const std::string prefix = "Quorvel Error\tCL kernel compil error: ";
  ASSERT_EQ(0u, run.boxes[0].rfind(prefix, 0)) << run.boxes[0];
  EXPECT_NE(std::string::npos, run.boxes[0].find("each of these lines adds its text", prefix.size()))
      << "the log's start: " << run.boxes[0];
}

TEST_F(RawDemoTest, KernelBuildErrorWithoutItsStartSwitchWritesNoRow) {
  RemoveBenchmarkFile();
  ScopedFolder folder("rawdemo_bad_kernel2");
  std::ofstream("media/particles.cl") << "kernel void broken(\n";
  DemoRun run = RunDemoThread(ClParticlesThread, kSlotClParticles, kWindowSide, kWindowSide);
  ASSERT_TRUE(run.ended);
  EXPECT_TRUE(sawBox(run, "CL kernel compil error: "));
  EXPECT_TRUE(LastBenchmarkRow("CL_Particles(kernel ERROR)").empty());
}

// A kernel file whose kernel is missing or takes other arguments than the
// demo sets: the box names the kernel or the argument, and the demo ends.
TEST_F(RawDemoTest, SetUpFailuresNameWhatFailed) {
  struct {
    const char* name;
    DemoThreadRoutine routine;
    int slot;
    const char* file;
    const char* kernel;
    const char* box;
  } cases[] = {
      {"particles kernel", ClParticlesThread, kSlotClParticles, "media/particles.cl",
       "kernel void another(global float* a) { a[0] = 1.0f; }",
       "OpenCL CPU kernel updateParticleWithoutCollision creation failed (CL error = -46). Bye..."},
      {"particles argument", ClParticlesThread, kSlotClParticles, "media/particles.cl",
       "kernel void updateParticleWithoutCollision(global float* a, global float* b) { a[0] = b[0]; }",
       "OpenCL CPU setting of kernel argument 2 failed (CL error = -49). Bye..."},
      {"post-processing argument", ClPostFxThread, kSlotClPostFx, "media/postfx.cl",
       "kernel void post_fx_kernel_global_mem(global uint* a, global uint* b, int w, int h) { a[0] = b[0]; }",
       "OpenCL CPU setting of kernel argument 4 failed (CL error = -49). Bye..."},
      {"Julia argument", ClJuliaThread, kSlotClJulia, "media/qjulia_kernel.cl",
       "kernel void QJuliaKernel(global uint* out, float4 mu) { out[0] = 0; }",
       "OpenCL CPU setting of kernel argument 2 failed (CL error = -49). Bye..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedFolder folder("rawdemo_named_failures");
    std::ofstream(c.file) << c.kernel << "\n";
    DemoRun run = RunDemoThread(c.routine, c.slot, kWindowSide, kWindowSide);
    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.windowClosed);
    EXPECT_EQ(0, run.doneFlag);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ(std::string("Quorvel Error\t") + c.box, run.boxes[0]);
    EXPECT_TRUE(run.last.empty()) << "no frame drawn";
  }
}

TEST_F(RawDemoTest, JuliaWithoutItsKernelFileRefusesBeforeDrawing) {
  RemoveBenchmarkFile();
  ScopedFolder folder("rawdemo_no_julia_kernel");
  DemoRun run = RunDemoThread(ClJuliaThread, kSlotClJulia, kWindowSide, kWindowSide);
  ASSERT_TRUE(run.ended);
  EXPECT_TRUE(run.windowClosed);
  EXPECT_TRUE(sawBox(run, "Ouch! Where is the OpenCL kernel for Julia demo????\n\rBye..."));
  EXPECT_TRUE(run.last.empty());
  EXPECT_TRUE(LastBenchmarkRow("CL_Julia4D").empty());
}

// Host memory that a setting sizes and the process cannot have (made to
// fail here: a 64-bit process gets it): the demo shows its problem and
// ends, and the next run in the same slot works.
TEST_F(RawDemoTest, MemoryThatCannotBeHadEndsOnlyTheDemo) {
  struct {
    const char* name;
    DemoThreadRoutine routine;
    int slot;
    std::function<void()> settings;
    size_t ceiling;
    const char* box;
    std::function<void(const DemoRun&)> expectPicture;
  } cases[] = {
      {"julia", ClJuliaThread, kSlotClJulia, [] { g_app.juliaRttSize = 1024; }, 2u << 20,
       "Quorvel Error\tThe Julia image of 1024 x 1024 pixels does not fit in memory. Bye...", expectJulia},
      {"deformer", ClDeformerThread, kSlotClDeformer, [] {}, 4u << 20,
       "Quorvel Error\tThe surface of 511 x 511 segments is too large. Bye...", expectDeformedSurface},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.settings();
    RemoveBenchmarkFile();
    Korveth_nsp::kvSetAllocationCeiling(c.ceiling);
    DemoRun run = RunDemoThread(c.routine, c.slot, kWindowSide, kWindowSide);
    Korveth_nsp::kvClearAllocationCeiling();
    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.windowClosed);
    EXPECT_EQ(0, run.doneFlag);
    EXPECT_TRUE(sawBox(run, c.box)) << (run.boxes.empty() ? "no box" : run.boxes[0]);
    EXPECT_TRUE(run.last.empty()) << "no frame drawn";
    DemoRun again = RunDemoThread(c.routine, c.slot, kWindowSide, kWindowSide);
    ASSERT_TRUE(again.ended);
    EXPECT_TRUE(again.boxes.empty()) << again.boxes.front();
    ASSERT_FALSE(again.last.empty());
    c.expectPicture(again);
  }
}

TEST_F(RawDemoTest, GpuDemosAreRefusedWithoutAGpuDevice) {
  ASSERT_FALSE(HasClGpuDevice(0)) << "this machine has an OpenCL GPU";
  struct {
    bool (*start)(HWND, int, bool);
    DemoThreadRoutine routine;
    int slot;
    const char* threadMessage;
  } cases[] = {
      {StartClParticlesDemo, ClParticlesThread, kSlotClParticles, "Unable to find a OpenCL GPU platform. Bye..."},
      {StartClPostFxDemo, ClPostFxThread, kSlotClPostFx, "Unable to find a OpenCL GPU platform. Bye..."},
      {StartClMeshDeformerDemo, ClDeformerThread, kSlotClDeformer, "Unable to find a OpenCL GPU platform. Bye..."},
      {StartClJuliaDemo, ClJuliaThread, kSlotClJulia,
       "OpenCL GPU support not available with the current platform.\n\r"
       "Select another platform (if available) in the OpenCL panel."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.threadMessage);
    {
      BoxCloser closer;
      EXPECT_FALSE(c.start(nullptr, kClDeviceTypeGpu, false));
      Sleep(100);
      std::vector<std::string> boxes = closer.take();
      ASSERT_EQ(1u, boxes.size());
      EXPECT_EQ("Quorvel Error\tOpenCL GPU not supported on the selected platform.\n\rBye...", boxes[0]);
    }
    EXPECT_EQ(nullptr, g_app.demoSlots[c.slot].thread);
    // A thread started for a GPU anyway finds no platform and ends.
    g_app.clDeviceType = kClDeviceTypeGpu;
    DemoRun run = RunDemoThread(c.routine, c.slot, kWindowSide, kWindowSide);
    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.windowClosed);
    EXPECT_EQ(0, run.doneFlag);
    EXPECT_TRUE(sawBox(run, c.threadMessage));
  }
}

// The check sum of the deformer's trigonometric load, as the host sees it.
double hostSineLoad(int width, int height, int loops) {
  const double pi = 4.0 * std::atan(1.0);
  double sum = 0.0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double u = (static_cast<float>(x) / width * 2.0f - 1.0f) * 2.0f;
      double v = (static_cast<float>(y) / height * 2.0f - 1.0f) * 2.0f;
      for (int i = 0; i < loops; ++i) {
        double a = std::cos(pi * (u + 0.01 * i)), b = std::sin(pi * (v + 0.01 * i));
        sum += std::sqrt(a * a + b * b);
      }
    }
  }
  return sum;
}

TEST_F(RawDemoTest, DeformerCheckFileHoldsTheSumOfTheLoads) {
  RemoveBenchmarkFile();
  DeleteFileA("opencl_sincossum.txt");
  g_app.clKernelWorkload = 10;
  g_app.clSineCheck = true;
  DemoRun run = RunDemoThread(ClDeformerThread, kSlotClDeformer, kWindowSide, kWindowSide);
  ASSERT_TRUE(run.ended);
  EXPECT_FALSE(LastBenchmarkRow("CL_SurfaceDeformer(X=511_Z=511_sin=10)").empty());
  std::ifstream in("opencl_sincossum.txt");
  std::string line;
  ASSERT_TRUE(std::getline(in, line)) << "no check file";
  size_t at = line.find(" >> sum = ");
  ASSERT_NE(std::string::npos, at) << line;
  double sum = atof(line.c_str() + at + 10);
  double expected = hostSineLoad(512, 512, 10);
  EXPECT_NEAR(1.0, sum / expected, 1e-3) << line << " against " << expected;
  std::string more;
  EXPECT_FALSE(std::getline(in, more)) << "one line per run";
}

// The deformer kernel, run on a small grid: each vertex lies on the wave
// and its normal follows the wave's slope, whose factor at distance d from
// the centre is cos(f' d + 2 t) / (d + 0.00001), f' = f (4 + 2 cos(0.8 u)).
TEST_F(RawDemoTest, DeformerVerticesAndNormalsFollowTheWave) {
  ASSERT_TRUE(HasClCpuDevice(0)) << "no OpenCL CPU device";
  ClDemoSession cl(kClDeviceTypeCpu);
  const ClDemoOptions options = {false, false, nullptr, kClKernelText_deformer, "surface_deformer",
                                 "CL_SurfaceDeformer(kernel ERROR)", false};
  ASSERT_TRUE(cl.setUp(options, &g_app.demoSlots[kSlotClDeformer]));
  const cl_uint width = 9, height = 7;
  const float frequency = 4.1f, time = 0.37f;
  const int noLoad = 0;
  const size_t bytes = width * height * 4 * sizeof(float);
  cl_int status = 0;
  cl_mem buffers[2];
  for (cl_mem& b : buffers) b = ClEntryPoints::clCreateBuffer(cl.context, CL_MEM_WRITE_ONLY, bytes, nullptr, &status);
  ASSERT_TRUE(buffers[0] && buffers[1]);
  status = ClEntryPoints::clSetKernelArg(cl.kernel, 0, sizeof(cl_mem), &buffers[0]);
  status |= ClEntryPoints::clSetKernelArg(cl.kernel, 1, sizeof(cl_mem), &buffers[1]);
  status |= ClEntryPoints::clSetKernelArg(cl.kernel, 2, sizeof(width), &width);
  status |= ClEntryPoints::clSetKernelArg(cl.kernel, 3, sizeof(height), &height);
  status |= ClEntryPoints::clSetKernelArg(cl.kernel, 4, sizeof(frequency), &frequency);
  status |= ClEntryPoints::clSetKernelArg(cl.kernel, 5, sizeof(time), &time);
  status |= ClEntryPoints::clSetKernelArg(cl.kernel, 6, sizeof(noLoad), &noLoad);
  status |= ClEntryPoints::clSetKernelArg(cl.kernel, 7, sizeof(noLoad), &noLoad);
  ASSERT_EQ(CL_SUCCESS, status);
  const size_t global[2] = {width, height};
  ASSERT_EQ(CL_SUCCESS,
            ClEntryPoints::clEnqueueNDRangeKernel(cl.queue, cl.kernel, 2, nullptr, global, nullptr, 0, nullptr, nullptr));
  std::vector<float> positions(width * height * 4), normals(width * height * 4);
  ASSERT_EQ(CL_SUCCESS, ClEntryPoints::clEnqueueReadBuffer(cl.queue, buffers[0], CL_TRUE, 0, bytes, positions.data(),
                                                           0, nullptr, nullptr));
  ASSERT_EQ(CL_SUCCESS, ClEntryPoints::clEnqueueReadBuffer(cl.queue, buffers[1], CL_TRUE, 0, bytes, normals.data(),
                                                           0, nullptr, nullptr));
  for (cl_mem b : buffers) ClEntryPoints::clReleaseMemObject(b);
  cl.release();
  for (cl_uint y = 0; y < height; ++y) {
    for (cl_uint x = 0; x < width; ++x) {
      SCOPED_TRACE(std::to_string(x) + ", " + std::to_string(y));
      const double u = (static_cast<double>(x) / width * 2 - 1) * 2, v = (static_cast<double>(y) / height * 2 - 1) * 2;
      const double f = frequency * (4 + 2 * std::cos(0.8 * u)), d = std::sqrt(u * u + v * v);
      const double phase = f * d + 2 * time;
      const double slope = std::cos(phase) / (d + 0.00001);
      const double n[3] = {-slope * u, 1, -slope * v};
      const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      const float* p = &positions[(y * width + x) * 4];
      const float* got = &normals[(y * width + x) * 4];
      EXPECT_NEAR(u, p[0], 1e-5);
      EXPECT_NEAR(0.5 * std::sin(phase) + 1 / (d + 0.6), p[1], 1e-4);
      EXPECT_NEAR(v, p[2], 1e-5);
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(n[k] / length, got[k], 1e-4) << "normal " << k;
    }
  }
}

}  // namespace
