#include "stv.h"

#include <windows.h>

#include <cstring>

namespace stv {

namespace {
char g_app_directory[MAX_PATH + 1];
}

const char* get_app_directory() {
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {  // failed or truncated: use the current folder
    strcpy(g_app_directory, ".\\");
    return g_app_directory;
  }
  path[n] = '\0';
  char* slash = strrchr(path, '\\');
  char* other = strrchr(path, '/');
  if (other > slash) slash = other;
  if (slash) slash[1] = '\0'; else strcpy(path, ".\\");
  memcpy(g_app_directory, path, strlen(path) + 1);
  return g_app_directory;
}

}  // namespace stv
