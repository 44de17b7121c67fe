// The log stream at its end: threads that are never joined (the update
// check, a demo that did not stop) may still log while the program's
// globals are destroyed.
#include <gtest/gtest.h>
#include <windows.h>

#include <new>
#include <string>

#include "app/Log.h"

namespace {

// A log stream whose end the test chooses: constructed in storage that
// outlives it, as a global's storage outlives its destruction.
struct EndingLog {
  alignas(LogStream) unsigned char storage[sizeof(LogStream)];
  LogStream* log;
  EndingLog() : log(new (storage) LogStream()) { log->prefix = true; }
  void end() { log->~LogStream(); }
};

struct LogCall {
  LogStream* log;
  std::string text;
};

DWORD WINAPI logOnce(void* arg) {
  LogCall* call = static_cast<LogCall*>(arg);
  LogPrintf(*call->log, "%s", call->text.c_str());
  return 0;
}

HANDLE startLogging(LogCall* call) { return CreateThread(nullptr, 0, logOnce, call, 0, nullptr); }

DWORD WINAPI endLog(void* arg) {
  static_cast<EndingLog*>(arg)->end();
  return 0;
}

DWORD exitCodeOf(HANDLE thread) {
  DWORD code = STILL_ACTIVE;
  GetExitCodeThread(thread, &code);
  return code;
}

std::string tempPath() {
  char dir[MAX_PATH], path[MAX_PATH];
  GetTempPathA(sizeof(dir), dir);
  GetTempFileNameA(dir, "qvl", 0, path);
  return path;
}

std::string fileText(const std::string& path) {
  std::string text;
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof(buffer), &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(f);
  return text;
}

TEST(LogEndTest, LinesAfterTheEndAreDropped) {
  const std::string path = tempPath();
  EndingLog ending;
  ASSERT_TRUE(ending.log->open(path.c_str()));
  LogPrintf(*ending.log, "before the end");
  ending.end();
  LogCall first = {ending.log, "after the end, first thread"};
  LogCall second = {ending.log, "after the end, second thread"};
  HANDLE threads[2] = {startLogging(&first), startLogging(&second)};
  ASSERT_NE(nullptr, threads[0]);
  ASSERT_NE(nullptr, threads[1]);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, threads, TRUE, 10000));
  for (HANDLE t : threads) {
    EXPECT_EQ(0u, exitCodeOf(t));
    CloseHandle(t);
  }
  const std::string text = fileText(path);
  EXPECT_NE(std::string::npos, text.find(">> before the end\n")) << text;
  EXPECT_EQ(std::string::npos, text.find("after the end")) << text;
  DeleteFileA(path.c_str());
}

// A thread is in the middle of its line (its write blocks on a full pipe)
// when the log ends. The end waits for that line, and the lock stays a lock:
// a second caller gets in only after the first has left.
TEST(LogEndTest, EndWaitsForALineInProgressAndKeepsItsLock) {
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 1));
  EndingLog ending;
  ending.log->file = writeEnd;  // the stream closes it at its end
  LogCall writer = {ending.log, std::string(30000, 'w')};
  HANDLE inside = startLogging(&writer);
  ASSERT_NE(nullptr, inside);
  DWORD available = 0;
  for (int i = 0; i < 500 && available == 0; ++i) {
    PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr);
    if (available == 0) Sleep(10);
  }
  ASSERT_NE(0u, available) << "the first line never reached the pipe";
  ASSERT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(inside, 200))
      << "the pipe took the whole line: nothing is in progress";

  HANDLE ender = CreateThread(nullptr, 0, endLog, &ending, 0, nullptr);
  ASSERT_NE(nullptr, ender);
  WaitForSingleObject(ender, 1000);
  LogCall late = {ending.log, "late"};
  HANDLE second = startLogging(&late);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(second, 1000))
      << "a second caller got into the log while the first was still writing";

  // Read the pipe empty: the first line ends, then the end and the late line.
  std::string got;
  HANDLE all[3] = {inside, ender, second};
  while (WaitForMultipleObjects(3, all, TRUE, 0) == WAIT_TIMEOUT) {
    DWORD n = 0;
    char buffer[4096];
    if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &n, nullptr) && n > 0 &&
        ReadFile(readEnd, buffer, sizeof(buffer), &n, nullptr))
      got.append(buffer, n);
    else
      Sleep(5);
  }
  EXPECT_NE(std::string::npos, got.find(writer.text + "\n")) << "the line in progress was cut";
  for (HANDLE t : all) {
    EXPECT_EQ(0u, exitCodeOf(t));
    CloseHandle(t);
  }
  CloseHandle(readEnd);
}

}  // namespace
