// Buffers whose last byte lies right before an inaccessible page: a write or
// a read even one byte past the end faults at once instead of corrupting
// whatever follows. The bytes before the buffer on its first page are filled
// with a pattern that intact() checks, so that a write before the start is
// seen too.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

// What a crash report names besides the exception: randomised tests set it
// to describe the input under test.
inline std::function<std::string()>& CrashContext() {
  static std::function<std::string()> context;
  return context;
}

// A fault on a guard page, a stack-protector or fortify abort, or any other
// unhandled exception ends the test with a message naming the exception and
// the crash context, instead of waiting in the system's crash dialog.
inline LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  const std::string context = CrashContext() ? CrashContext()() : std::string();
  fprintf(stderr, "CRASH: exception 0x%08lX%s%s\n", static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
          context.empty() ? "" : " on ", context.c_str());
  fflush(stderr);
  return EXCEPTION_EXECUTE_HANDLER;
}

inline void InstallCrashReport() {
  static bool installed = false;
  if (!installed) SetUnhandledExceptionFilter(&ReportCrash);  // replaces the runtime's own
  installed = true;
}

class GuardedBuffer {
 public:
  explicit GuardedBuffer(size_t size) : m_size(size) {
    InstallCrashReport();
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    const size_t dataPages = (size + page - 1) / page + (size == 0 ? 1 : 0);
    m_total = (dataPages + 1) * page;
    m_base = static_cast<unsigned char*>(VirtualAlloc(nullptr, m_total, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!m_base) return;
    DWORD old = 0;
    VirtualProtect(m_base + dataPages * page, page, PAGE_NOACCESS, &old);
    m_data = reinterpret_cast<char*>(m_base + dataPages * page - size);
    memset(m_base, kPattern, dataPages * page - size);
  }
  // A copy of text whose terminator is the last readable byte.
  static GuardedBuffer text(const std::string& text) {
    GuardedBuffer b(text.size() + 1);
    if (b.m_data) memcpy(b.m_data, text.c_str(), text.size() + 1);
    return b;
  }
  GuardedBuffer(GuardedBuffer&& other) noexcept
      : m_base(other.m_base), m_total(other.m_total), m_data(other.m_data), m_size(other.m_size) {
    other.m_base = nullptr;
    other.m_data = nullptr;
  }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;
  ~GuardedBuffer() {
    if (m_base) VirtualFree(m_base, 0, MEM_RELEASE);
  }

  char* data() const { return m_data; }
  size_t size() const { return m_size; }
  bool ok() const { return m_data != nullptr; }
  // No byte before the buffer was written.
  bool intact() const {
    for (const unsigned char* p = m_base; p < reinterpret_cast<unsigned char*>(m_data); ++p)
      if (*p != kPattern) return false;
    return true;
  }

 private:
  static const unsigned char kPattern = 0xA5;
  unsigned char* m_base = nullptr;
  size_t m_total = 0;
  char* m_data = nullptr;
  size_t m_size = 0;
};
