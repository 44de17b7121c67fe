/* Starts a program with an exact command line and waits for it.
 *
 *   launcher.exe [--timeout MS] [--cwd DIR] [--stats] PROGRAM [ARG...]
 *
 * The command line given to PROGRAM is "PROGRAM" followed by each ARG joined
 * verbatim with single blanks: an argument such as /exp_full_filename="a b.xml"
 * arrives with its quotes intact, which passing it through Wine's own argument
 * quoting cannot do. Exit code: the program's own; 124 after a time-out (the
 * program is killed); 125 when it cannot be started; 126 on bad usage.
 * With --stats the program's wall time and peak memory go to stderr as
 * "launcher: stats elapsed_ms=N peak_kb=N". */
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int usage(void) {
  fprintf(stderr, "usage: launcher [--timeout MS] [--cwd DIR] PROGRAM [ARG...]\n");
  return 126;
}

/* Appends text to the command line buffer; false when it would not fit. */
static int append(char* buf, size_t size, size_t* used, const char* text) {
  size_t n = strlen(text);
  if (*used + n + 1 > size) return 0;
  memcpy(buf + *used, text, n + 1);
  *used += n;
  return 1;
}

int main(int argc, char** argv) {
  DWORD timeoutMs = 60000;
  const char* cwd = NULL;
  int stats = 0;
  int i = 1;
  for (; i < argc && strncmp(argv[i], "--", 2) == 0; i += 2) {
    if (strcmp(argv[i], "--stats") == 0) {
      stats = 1;
      --i;
      continue;
    }
    if (i + 1 >= argc) return usage();
    if (strcmp(argv[i], "--timeout") == 0) timeoutMs = (DWORD)strtoul(argv[i + 1], NULL, 10);
    else if (strcmp(argv[i], "--cwd") == 0) cwd = argv[i + 1];
    else return usage();
  }
  if (i >= argc) return usage();

  static char cmd[32768];
  size_t used = 0;
  int ok = append(cmd, sizeof cmd, &used, "\"") && append(cmd, sizeof cmd, &used, argv[i]) &&
           append(cmd, sizeof cmd, &used, "\"");
  for (int k = i + 1; ok && k < argc; ++k)
    ok = append(cmd, sizeof cmd, &used, " ") && append(cmd, sizeof cmd, &used, argv[k]);
  if (!ok) {
    fprintf(stderr, "launcher: command line longer than %u characters\n", (unsigned)sizeof cmd - 1);
    return 126;
  }

  STARTUPINFOA si;
  PROCESS_INFORMATION pi;
  memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  if (!CreateProcessA(NULL, cmd, NULL, NULL, TRUE, 0, NULL, cwd, &si, &pi)) {
    fprintf(stderr, "launcher: cannot start %s (error %lu)\n", argv[i], GetLastError());
    return 125;
  }
  CloseHandle(pi.hThread);
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  DWORD wait = WaitForSingleObject(pi.hProcess, timeoutMs);
  if (wait != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 124);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    fprintf(stderr, "launcher: %s timed out after %lu ms and was killed\n", argv[i], timeoutMs);
    return 124;
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  if (stats) {
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS mem;
    memset(&mem, 0, sizeof mem);
    GetProcessMemoryInfo(pi.hProcess, &mem, sizeof mem);
    fprintf(stderr, "launcher: stats elapsed_ms=%ld peak_kb=%lu\n",
            (long)((end.QuadPart - start.QuadPart) * 1000 / freq.QuadPart),
            (unsigned long)(mem.PeakWorkingSetSize / 1024));
  }
  CloseHandle(pi.hProcess);
  return (int)code;
}
