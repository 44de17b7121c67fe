#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/AppState.h"
#include "app/Panels.h"
#include "demos/DemoCatalogue.h"
#include "resources/resource.h"

const char* GlDemoRequirementMessage(int row);

namespace {

std::string comboItem(HWND panel, int id, int i) {
  char text[300] = "";
  SendDlgItemMessageA(panel, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST(DemosPanelTest, ListsTheCataloguesAndTheVersion) {
  ResetAppState();
  HMODULE program = LoadLibraryExA("quorvel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, program);
  g_app.instance = reinterpret_cast<HINSTANCE>(program);
  HWND panel = CreateDialogParamA(program, MAKEINTRESOURCEA(IDD_DEMOS_PANEL), GetDesktopWindow(), DemosPanelProc, 0);
  ASSERT_NE(nullptr, panel);
  EXPECT_EQ(kGlDemoCount, SendDlgItemMessageA(panel, IDC_DEMOS_GL_LIST, CB_GETCOUNT, 0, 0));
  EXPECT_EQ(kClDemoCount, SendDlgItemMessageA(panel, IDC_DEMOS_CL_LIST, CB_GETCOUNT, 0, 0));
  EXPECT_EQ(kGlDemoCatalogue[0].name, comboItem(panel, IDC_DEMOS_GL_LIST, 0));
  EXPECT_EQ(kClDemoCatalogue[7].name, comboItem(panel, IDC_DEMOS_CL_LIST, 7));
  char text[256];
  GetDlgItemTextA(panel, IDC_DEMOS_VERSION, text, sizeof(text));
  EXPECT_EQ(0, strncmp(text, "Quorvel 1.54.0 (build: ", 23)) << text;
  GetDlgItemTextA(panel, IDC_DEMOS_CHECK_UPDATE, text, sizeof(text));
  EXPECT_STREQ("Check for update", text);
  // Choosing a demo in a list makes it the one the start button starts.
  SendDlgItemMessageA(panel, IDC_DEMOS_GL_LIST, CB_SETCURSEL, 4, 0);
  SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_DEMOS_GL_LIST, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(panel, IDC_DEMOS_GL_LIST)));
  EXPECT_EQ(4, g_app.selectedGlDemo);
  DestroyWindow(panel);
  FreeLibrary(program);
}

// Without a detection context no OpenGL 2.0 feature is known: only the demos
// without requirements pass.
TEST(DemosPanelTest, OpenGlRequirements) {
  struct Case {
    int row;
    const char* message;
  } cases[] = {
      {0, nullptr},
      {1, nullptr},
      {2, nullptr},
      {10, nullptr},
      {3, "This demo requires the support of OpenGL 2.0."},
      {4, "This demo requires the support of OpenGL 2.0 and two render targets."},
      {5, "This demo requires the support of GL_EXT_gpu_shader4 / GL_ARB_draw_instanced / GL_EXT_draw_instanced."},
      {6, "This demo requires the support of OpenGL 2.0 and FBO."},
      {7, "This demo requires the support of OpenGL 2.0 and Point Sprite."},
      {8, "This demo requires the support of OpenGL 2.0 and one vertex texture unit."},
      {9, "This demo requires the support of OpenGL 2.0."},
      {42, "This demo requires the support of OpenGL 2.0."},
  };
  for (const Case& c : cases) {
    const char* m = GlDemoRequirementMessage(c.row);
    if (c.message) EXPECT_STREQ(c.message, m) << c.row;
    else EXPECT_EQ(nullptr, m) << c.row;
  }
}

}  // namespace
