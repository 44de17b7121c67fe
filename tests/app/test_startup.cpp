// Start-up when the detection library cannot start: report mode runs
// unattended, so it logs the failure and ends with 1 rather than wait for a
// click on a box; with the main window the user gets the box.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Log.h"
#include "app/Startup.h"
#include "demos/DemoLauncher.h"
#include "detect/Scanrik.h"
#include "stv.h"
#include "tests/enginedemo/DemoTestHelpers.h"

namespace {

bool failingStart(Scanrik*) { return false; }

std::string programLogPath() { return std::string(stv::get_app_directory()) + "_log.txt"; }

std::string programLog() {
  std::ifstream in(programLogPath(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(StartupTest, DetectionThatCannotStartEndsStartUp) {
  const char kFailure[] = "Could not initialize Scanrik. Quorvel startup failed. Bye!";
  const struct {
    const char* mode;
    const char* commandLine;
    int exitCode;
    bool box;
  } cases[] = {
      {"text report", "/exp_txt_report /no_online_check", 1, false},
      {"xml report", "/exp_xml_report /no_online_check", 1, false},
      {"main window", "/no_online_check", 0, true},
  };
  HMODULE program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, program);
  SetDetectionStart(failingStart);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    std::vector<std::string> boxes;
    {
      ErrorBoxes watcher;
      EXPECT_EQ(c.exitCode, RunQuorvel(reinterpret_cast<HINSTANCE>(program), c.commandLine));
      boxes = watcher.seen;
    }
    g_log.close();
    const std::string log = programLog();
    if (c.box) {
      EXPECT_EQ(std::vector<std::string>{kFailure}, boxes);
    } else {
      EXPECT_NE(std::string::npos, log.find(std::string(kFailure) + "\n")) << log;
      EXPECT_TRUE(boxes.empty()) << "a box waits for a click: " << boxes[0];
    }
    ShutdownQuorvel();
  }
  SetDetectionStart(nullptr);
  FreeLibrary(program);
  DeleteFileA(programLogPath().c_str());
}

// ---- A framework demo that holds on past shutdown, in a child process ----

const char kHeldScene[] = "startup_held_scene.xml";
const char kHeldLine[] = "[STV] - holding on";
// The runtime's own exit (atexit handlers, then the globals' destructors)
// ends the child with this code instead, before any global goes.
const int kRuntimeExitCode = 99;

void runtimeExitRan() {
  fputs("the runtime's exit ran\n", stderr);
  fflush(stderr);
  _exit(kRuntimeExitCode);
}

bool heldLineLogged() { return programLog().find(kHeldLine) != std::string::npos; }

// The demo is added last, after the catalogue.
SdkDemoRecord* heldDemo() { return GetSdkDemo(GetSdkDemoCount() - 1); }

// "/run_tvl_demo=": the user closes the demo's window once it holds on.
void CALLBACK closeOnceHeld(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!heldLineLogged()) return;
  KillTimer(nullptr, timer);
  PostMessageA(heldDemo()->window, WM_CLOSE, 0, 0);
}

// ShutdownQuorvel's path, in report mode (no window to close): a framework
// demo started before the detection still holds on when shutdown comes.
bool startBehindAHeldDemo(Scanrik* s) {
  if (!StartSdkDemoByIndex(GetSdkDemoCount() - 1, 160, 120, "Off", false, -1) ||
      !pumpUntil(heldLineLogged, 120000)) {
    fputs("the held demo never held on\n", stderr);
    return false;
  }
  return s->startupWrapper(1, 0, 0, 32, 32, 4, 6, 1);
}

// Runs the program to its end as its entry point does (the runtime's exit
// follows RunQuorvel's answer) with the held demo in the catalogue.
void runWithAHeldDemo(const char* commandLine, bool frameworkDemoAlone) {
  atexit(runtimeExitRan);
  DeleteFileA(programLogPath().c_str());
  SetSdkDemoStopTimeout(300);
  if (!InitDemoSdk() || !AddSdkDemo("Held", "startup_held_demo", kHeldScene)) {
    fputs("the held demo could not be added\n", stderr);
    return;
  }
  if (frameworkDemoAlone)
    SetTimer(nullptr, 0, 50, closeOnceHeld);
  else
    SetDetectionStart(startBehindAHeldDemo);
  HMODULE program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  std::exit(RunQuorvel(reinterpret_cast<HINSTANCE>(program), commandLine));
}

// A shutdown that leaves a framework demo's render thread running ends the
// process at once, with the exit code it would have returned: the runtime's
// exit would destroy the log, the application state and the bridge's
// globals under that thread.
TEST(StartupDeathTest, ADemoStillRunningEndsTheProcessBeforeTheRuntimesExit) {
  {
    std::ofstream scene(std::string(stv::get_app_directory()) + kHeldScene, std::ios::binary);
    scene << "<quellin>\n  <window name=\"w\" renderer_type=\"OpenGL\" />\n"
             "  <script name=\"frame\" run_mode=\"FRAME\">\n    trace holding on\n    hold qv_startup_hold_on\n"
             "  </script>\n</quellin>\n";
  }
  // The report goes to a folder that does not exist: report mode's 2.
  const std::string unwritable = std::string(stv::get_app_directory()) + "qv_no_such_folder\\report.txt";
  const struct {
    const char* mode;
    std::string commandLine;
    bool frameworkDemoAlone;
    int exitCode;
  } cases[] = {
      {"framework demo alone", "/run_tvl_demo=startup_held_demo /no_online_check", true, 0},
      {"report mode", "/exp_txt_report /no_online_check /exp_full_filename=\"" + unwritable + "\"", false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    EXPECT_EXIT(runWithAHeldDemo(c.commandLine.c_str(), c.frameworkDemoAlone), ::testing::ExitedWithCode(c.exitCode),
                "");
  }
  DeleteFileA((std::string(stv::get_app_directory()) + kHeldScene).c_str());
  DeleteFileA(programLogPath().c_str());
}

}  // namespace
