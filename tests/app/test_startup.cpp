// Start-up when the detection library cannot start: report mode runs
// unattended, so it logs the failure and ends with 1 rather than wait for a
// click on a box; with the main window the user gets the box.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Log.h"
#include "app/Startup.h"
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

}  // namespace
