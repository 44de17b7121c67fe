/* Test program: shows one message box and exits 0 once it was closed.
 *   showbox.exe CAPTION TEXT */
#include <windows.h>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  int r = MessageBoxA(NULL, argv[2], argv[1], MB_OK | MB_ICONERROR);
  return r == IDOK ? 0 : 3;
}
