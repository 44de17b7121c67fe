/* Test program: writes its own command line to stdout and to cmdecho.txt,
 * then exits with 7; with "--sleep" anywhere on the line it sleeps a minute
 * first, so that a time-out can be tested. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(void) {
  const char* line = GetCommandLineA();
  printf("%s\n", line);
  fflush(stdout);
  FILE* f = fopen("cmdecho.txt", "w");
  if (f) {
    fprintf(f, "%s\n", line);
    fclose(f);
  }
  if (strstr(line, "--sleep")) Sleep(60000);
  return 7;
}
