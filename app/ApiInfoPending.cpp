// Collectors, report writers and the main window that are not part of this
// build yet: each answers its failure value, so start-up and shutdown run
// their whole sequence.
#include "app/ApiInfo.h"
#include "app/AppState.h"

bool DetectOpenCl() { return false; }
void ShutdownOpenCl() {}
bool DetectVulkan() { return false; }
void ShutdownVulkanInfo() {}
bool DetectCuda() { return false; }

void BuildFullReport(bool) {}
bool WriteXmlReport(const char*) { return false; }
bool WriteTextReport(const char*) { return false; }

void RunMainWindow(HINSTANCE) {
  // Until the main window exists, the program lives as long as the progress
  // dialog does.
  while (g_app.progressDialog && IsWindow(g_app.progressDialog)) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageA(g_app.progressDialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
  }
}
