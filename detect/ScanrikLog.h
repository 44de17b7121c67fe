// The detection library's trace log. Both logs are built disabled and
// nothing enables them, so no trace file is written in normal use.
#pragma once
#include <cstdio>

class ScanrikLog {
 public:
  ScanrikLog();
  ScanrikLog(const char* fileName, bool append, bool enabled);
  ~ScanrikLog();
  ScanrikLog(const ScanrikLog&) = delete;
  ScanrikLog& operator=(const ScanrikLog&) = delete;

  void close();
  void write(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
  bool isEnabled() const { return m_enabled; }

 private:
  bool m_enabled;
  FILE* m_stream;
};

// The second trace log ("_z.log"), written by the vendor back-ends and the
// detection context set-up.
ScanrikLog& VendorTraceLog();
