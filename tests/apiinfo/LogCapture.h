// Runs a piece of code with the program's log going to a file of its own and
// answers what was written, one string per line.
#pragma once
#include <windows.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/Log.h"

inline std::vector<std::string> CaptureLog(const std::function<void()>& run) {
  char dir[MAX_PATH];
  char path[MAX_PATH];
  GetTempPathA(sizeof(dir), dir);
  GetTempFileNameA(dir, "qvl", 0, path);
  bool enabled = g_log.enabled, prefix = g_log.prefix;
  g_log.enabled = true;
  g_log.prefix = false;
  g_log.open(path);
  run();
  g_log.close();
  g_log.enabled = enabled;
  g_log.prefix = prefix;
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  DeleteFileA(path);
  return lines;
}

inline bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines)
    if (l == line) return true;
  return false;
}

inline bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& start) {
  for (const std::string& l : lines)
    if (l.compare(0, start.size(), start) == 0) return true;
  return false;
}

inline int CountLinesStartingWith(const std::vector<std::string>& lines, const std::string& start) {
  int n = 0;
  for (const std::string& l : lines)
    if (l.compare(0, start.size(), start) == 0) ++n;
  return n;
}

// The folder of the running test program, with a trailing backslash.
inline std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string p(path);
  size_t slash = p.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}
