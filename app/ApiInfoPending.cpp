// The main window is not part of this build yet: start-up and shutdown
// run their whole sequence around a stand-in.
#include "app/ApiInfo.h"
#include "app/AppState.h"

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
