// The OpenGL tab: the detection context's summary, its extension lists, the
// memory line of the one-second refresh, the caps tree dialog and the
// extension dialog.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/AppState.h"
#include "app/GlExtensionTable.h"
#include "app/Log.h"
#include "app/PanelLogo.h"
#include "app/Panels.h"
#include "detect/OpenGLCaps.h"
#include "detect/Scanrik.h"
#include "resources/resource.h"

namespace {

// Resources come from the module the panel was created from.

const int kSummarySize = 2048;
const int kLineSize = 1024;

// The extension line the user double-clicked, read by the extension dialog.
char g_extensionLine[kLineSize];

const char* orEmpty(const char* s) { return s ? s : ""; }

// Appends a formatted line to the summary; a line that does not fit whole
// is left out.
void appendLine(char* buf, size_t size, size_t* used, const char* line) {
  size_t n = strlen(line);
  if (*used + n + 1 > size) return;
  memcpy(buf + *used, line, n + 1);
  *used += n;
}

// Bounded copy of a list box line; false when there is none.
bool listLine(HWND list, int index, char* out, size_t size) {
  if (!list || index < 0 || size == 0) return false;
  LRESULT len = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (len == LB_ERR || len < 0) return false;
  std::vector<char> text(static_cast<size_t>(len) + 1, '\0');
  if (SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data())) ==
      LB_ERR)
    return false;
  snprintf(out, size, "%s", text.data());
  return true;
}

void fillGlExtensionCounts(HWND panel) {
  Scanrik* s = Scanrik::instance();
  HWND list = GetDlgItem(panel, IDC_GL_EXTENSION_LIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  SendMessageA(list, LB_SETHORIZONTALEXTENT, 100, 0);
  SendMessageA(list, LB_INITSTORAGE, 200, 25600);
  int count = s->getNumOpenGLExtensions();
  char line[kLineSize];
  for (int i = 0; i < count; ++i) {
    const char* name = s->getOpenGLExtension(i);
    if (!name) continue;
    const char* note = GlExtensionCoreVersion(name);
    if (note)
      snprintf(line, sizeof line, "%s (%s)", name, note);
    else
      snprintf(line, sizeof line, "%s", name);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  }
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  snprintf(line, sizeof line, "OpenGL extensions: %d", count);
  SetDlgItemTextA(panel, IDC_GL_EXTENSION_GROUP, line);

  HWND spirv = GetDlgItem(panel, IDC_GL_SPIRV_LIST);
  SendMessageA(spirv, LB_RESETCONTENT, 0, 0);
  SendMessageA(spirv, LB_SETHORIZONTALEXTENT, 100, 0);
  SendMessageA(spirv, LB_INITSTORAGE, 50, 6400);
  int spirvCount = s->getNumOpenGLSpirvExtensions();
  for (int i = 0; i < spirvCount; ++i) {
    snprintf(line, sizeof line, "%s", orEmpty(s->getOpenGLSpirvExtension(i)));
    SendMessageA(spirv, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  }
  snprintf(line, sizeof line, "SPIR-V extensions (OpenGL 4.6+): %d", spirvCount);
  SetDlgItemTextA(panel, IDC_GL_SPIRV_COUNT, line);
}

void formatGlSummary(HWND panel) {
  Scanrik* s = Scanrik::instance();
  char summary[kSummarySize];
  summary[0] = '\0';
  size_t used = 0;
  char line[kLineSize];
  snprintf(line, sizeof line, "GL_VENDOR: %s\r\n", orEmpty(s->getGLVendor()));
  appendLine(summary, sizeof summary, &used, line);
  snprintf(line, sizeof line, "GL_RENDERER: %s\r\n", orEmpty(s->getGLRenderer()));
  appendLine(summary, sizeof summary, &used, line);
  snprintf(line, sizeof line, "GL_VERSION: %s\r\n", orEmpty(s->getGLVersionString()));
  appendLine(summary, sizeof summary, &used, line);
  snprintf(line, sizeof line, "GL_MAX_TEXTURE_SIZE: %d\r\n", s->getMaxTextureSize());
  appendLine(summary, sizeof summary, &used, line);
  snprintf(line, sizeof line, "GL_MAX_COLOR_ATTACHMENTS: %d\r\n", s->getMaxDrawBuffers());
  appendLine(summary, sizeof summary, &used, line);
  snprintf(line, sizeof line, "GL_MAX_TEXTURE_IMAGE_UNITS: %d\r\n", s->getMaxTextureImageUnits());
  appendLine(summary, sizeof summary, &used, line);
  snprintf(line, sizeof line, "GL_MAX_TESS_GEN_LEVEL: %.0f\r\n", static_cast<double>(s->getMaxTessGenLevel()));
  appendLine(summary, sizeof summary, &used, line);
  int warpSize = 0, warpsPerSm = 0, smCount = 0;
  s->getNvShaderThreadGroupInfo(&warpSize, &warpsPerSm, &smCount);
  if (warpSize > 0) {
    snprintf(line, sizeof line, "GL_WARP_SIZE_NV: %d\r\n", warpSize);
    appendLine(summary, sizeof summary, &used, line);
  }
  if (warpsPerSm > 0) {
    snprintf(line, sizeof line, "GL_WARPS_PER_SM_NV: %d\r\n", warpsPerSm);
    appendLine(summary, sizeof summary, &used, line);
  }
  if (smCount > 0) {
    snprintf(line, sizeof line, "GL_SM_COUNT_NV: %d\r\n", smCount);
    appendLine(summary, sizeof summary, &used, line);
  }
  SetDlgItemTextA(panel, IDC_GL_SUMMARY, summary);

  fillGlExtensionCounts(panel);

  snprintf(line, sizeof line, "  OpenGL extensions: %d (GL=%d, WGL=%d)  ", s->getNumOpenGLExtensions(),
           s->getNumGLExtensions(), s->getNumWGLExtensions());
  SetDlgItemTextA(panel, IDC_GL_EXTENSION_GROUP, line);
}

// The table row of an extension line: the line starts with the extension's
// name, which may be followed by " (note)". The name itself is looked up,
// not any row name found inside the line: "GL_EXT_texture" would otherwise
// answer for "GL_EXT_texture3D".
const GlExtensionRow* rowOfLine(const char* line) {
  char name[128];
  size_t n = strcspn(line, " \t");
  if (n == 0 || n >= sizeof name) return nullptr;
  memcpy(name, line, n);
  name[n] = '\0';
  return FindGlExtensionRow(name);
}

// The title and the renderer line of the two OpenGL dialogs.
void setGlDialogHeading(HWND dialog, const char* title) {
  char text[kLineSize];
  snprintf(text, sizeof text, "%s %s", kAppName, title);
  SetWindowTextA(dialog, text);
  snprintf(text, sizeof text, "GL_RENDERER: %s", orEmpty(Scanrik::instance()->getGLRenderer()));
  SetDlgItemTextA(dialog, IDC_GL_DIALOG_RENDERER, text);
}

const GlExtensionRow* g_dialogRow = nullptr;

INT_PTR CALLBACK GlExtensionDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      setGlDialogHeading(dialog, "OpenGL Extension");
      g_dialogRow = rowOfLine(g_extensionLine);
      SetDlgItemTextA(dialog, IDC_GL_EXT_LINE, g_extensionLine);
      EnableWindow(GetDlgItem(dialog, IDC_GL_EXT_SPEC),
                   g_dialogRow && g_dialogRow->link && g_dialogRow->link[0]);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDOK:
        case IDCANCEL:
          EndDialog(dialog, LOWORD(wp));
          return TRUE;
        case IDC_GL_EXT_SPEC:
          if (g_dialogRow && g_dialogRow->link && g_dialogRow->link[0]) OpenWithShell(g_dialogRow->link);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

void addCapChild(HWND tree, HTREEITEM root, int index) {
  int kind = 0, intValue = 0;
  int indexed[3] = {0, 0, 0};
  int64_t int64Value = 0;
  float floatValue = 0.0f;
  char name[kGlCapTextSize] = "";
  char section[kGlCapTextSize] = "";
  char text[512] = "";
  if (Scanrik::instance()->getGLCap(index, &kind, &intValue, indexed, &int64Value, &floatValue, name, section)) {
    switch (kind) {
      case kCapInt: snprintf(text, sizeof text, "%s: %d", name, intValue); break;
      case kCapFloat: snprintf(text, sizeof text, "%s: %f", name, static_cast<double>(floatValue)); break;
      case kCapInt64: snprintf(text, sizeof text, "%s: %lld", name, static_cast<long long>(int64Value)); break;
      case kCapIndexed:
        snprintf(text, sizeof text, "%s: %d/%d/%d", name, indexed[0], indexed[1], indexed[2]);
        break;
      default: break;
    }
  }
  TVINSERTSTRUCTA item = {};
  item.hParent = root;
  item.hInsertAfter = TVI_LAST;
  item.item.mask = TVIF_TEXT;
  item.item.pszText = text;
  SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// One root item for a section of the caps list with its entries below it.
bool AddGlCapsItem(HWND tree, const char* section, const char* note) {
  Scanrik* s = Scanrik::instance();
  int first = 0;
  int count = s->getGLCapsCountBySection(section, &first);
  if (count <= 0) return true;
  char text[512];
  if (note)
    snprintf(text, sizeof text, "%s (%s)", section, note);
  else
    snprintf(text, sizeof text, "%s", section);
  TVINSERTSTRUCTA item = {};
  item.hParent = TVI_ROOT;
  item.hInsertAfter = TVI_LAST;
  item.item.mask = TVIF_TEXT;
  item.item.pszText = text;
  HTREEITEM root =
      reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (!root) return true;
  // The entries of a section: counted from its first one, skipping any
  // entry of another section that lies between them.
  int total = s->getGLCapsCount();
  int added = 0;
  for (int i = first; i < total && added < count; ++i) {
    char capSection[kGlCapTextSize] = "";
    if (!s->getGLCap(i, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, capSection)) continue;
    if (strncmp(capSection, section, kGlCapTextSize - 1) != 0) continue;
    addCapChild(tree, root, i);
    ++added;
  }
  return true;
}

struct CapsSection {
  const char* name;
  const char* note;
};

const CapsSection kCapsSections[] = {
    {"GL_VERSION_1_1", nullptr},
    {"GL_VERSION_1_2", nullptr},
    {"GL_VERSION_1_3", nullptr},
    {"GL_VERSION_1_4", nullptr},
    {"GL_VERSION_2_0", nullptr},
    {"GL_VERSION_3_0", nullptr},
    {"GL_VERSION_3_1", nullptr},
    {"GL_VERSION_3_2", nullptr},
    {"GL_VERSION_3_3", nullptr},
    {"GL_VERSION_4_0", nullptr},
    {"GL_VERSION_4_1", nullptr},
    {"GL_VERSION_4_2", nullptr},
    {"GL_VERSION_4_3", nullptr},
    {"GL_VERSION_4_4", nullptr},
    {"GL_VERSION_4_5", nullptr},
    {"GL_AMD_debug_output", nullptr},
    {"GL_APPLE_vertex_array_range", nullptr},
    {"GL_ARB_blend_func_extended", "OpenGL 3.3"},
    {"GL_ARB_compute_shader", "OpenGL 4.3"},
    {"GL_ARB_debug_output", "OpenGL 4.0"},
    {"GL_ARB_draw_buffers", "OpenGL 1.5"},
    {"GL_ARB_ES2_compatibility", "OpenGL 4.1"},
    {"GL_ARB_explicit_uniform_location", "OpenGL 4.3"},
    {"GL_ARB_fragment_program", "OpenGL 1.3"},
    {"GL_ARB_fragment_shader", "OpenGL 1.4"},
    {"GL_ARB_framebuffer_no_attachments", "OpenGL 4.3"},
    {"GL_ARB_framebuffer_object", "OpenGL 2.1"},
    {"GL_ARB_geometry_shader4", "OpenGL 3.2"},
    {"GL_ARB_gpu_shader5", "OpenGL 4.0"},
    {"GL_ARB_imaging", nullptr},
    {"GL_ARB_map_buffer_alignment", "OpenGL 4.2"},
    {"GL_ARB_matrix_palette", "OpenGL 1.2"},
    {"GL_ARB_multitexture", nullptr},
    {"GL_ARB_point_parameters", "OpenGL 1.3"},
    {"GL_ARB_sample_shading", "OpenGL 2.0"},
    {"GL_ARB_shader_atomic_counters", "OpenGL 4.2"},
    {"GL_ARB_shader_image_load_store", "OpenGL 4.2"},
    {"GL_ARB_shader_subroutine", "OpenGL 4.0"},
    {"GL_ARB_shading_language_100", nullptr},
    {"GL_ARB_sync", "OpenGL 3.2"},
    {"GL_ARB_tessellation_shader", "OpenGL 4.0"},
    {"GL_ARB_texture_buffer_object", "OpenGL 3.1"},
    {"GL_ARB_texture_cube_map", "OpenGL 1.3"},
    {"GL_ARB_texture_compression", "OpenGL 1.3"},
    {"GL_ARB_texture_gather", "OpenGL 4.0"},
    {"GL_ARB_texture_multisample", "OpenGL 3.2"},
    {"GL_ARB_texture_rectangle", "OpenGL 3.1"},
    {"GL_ARB_transform_feedback3", "OpenGL 4.0"},
    {"GL_ARB_uniform_buffer_object", "OpenGL 3.1"},
    {"GL_ARB_vertex_attrib_binding", "OpenGL 4.3"},
    {"GL_ARB_vertex_blend", "OpenGL 1.3"},
    {"GL_ARB_vertex_program", "OpenGL 1.3"},
    {"GL_ARB_vertex_shader", "OpenGL 1.4"},
    {"GL_ARB_viewport_array", "OpenGL 4.1"},
    {"GL_EXT_bindable_uniform", nullptr},
    {"GL_EXT_geometry_shader4", nullptr},
    {"GL_EXT_texture_array", nullptr},
    {"GL_EXT_texture_buffer_object", nullptr},
    {"GL_EXT_texture_filter_anisotropic", nullptr},
    {"GL_NV_explicit_multisample", nullptr},
    {"GL_NV_framebuffer_multisample_coverage", nullptr},
    {"GL_NV_fragment_program", nullptr},
    {"GL_NV_fragment_program2", nullptr},
    {"GL_NV_geometry_program4", nullptr},
    {"GL_NV_gpu_program4", nullptr},
    {"GL_NV_gpu_program5", nullptr},
    {"GL_NV_light_max_exponent", nullptr},
    {"GL_NV_parameter_buffer_object", nullptr},
    {"GL_NV_register_combiners", nullptr},
    {"GL_NV_shader_buffer_load", nullptr},
    {"GL_NV_shader_thread_group", nullptr},
    {"GL_NV_tessellation_program5", nullptr},
    {"GL_NV_texture_rectangle", nullptr},
    {"GL_NV_transform_feedback", nullptr},
    {"GL_NV_vertex_array_range", nullptr},
    {"GL_NV_vertex_program", nullptr},
    {"GL_NV_vertex_program2_option", nullptr},
    {"GL_NVX_gpu_memory_info", nullptr},
    {"GL_PGI_vertex_hints", nullptr},
    {"GL_SGI_color_matrix", nullptr},
    {"GL_SGIS_color_range", nullptr},
    {"GL_SGIX_async_histogram", nullptr},
    {"GL_SGIX_async_pixel", nullptr},
    {"GL_SGIX_texture_range", nullptr},
};

void BuildGlCapsTree(HWND dialog) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  HWND tree = GetDlgItem(dialog, IDC_GL_CAPS_TREE);
  if (!tree) return;
  for (const CapsSection& section : kCapsSections) AddGlCapsItem(tree, section.name, section.note);
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, 0);
}

INT_PTR CALLBACK GlCapsDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      setGlDialogHeading(dialog, "OpenGL Caps List");
      BuildGlCapsTree(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      return HideOnOkOrCancel(dialog, wp) ? TRUE : FALSE;
  }
  return FALSE;
}

HWND g_openGlPanel = nullptr;

}  // namespace

INT_PTR CALLBACK OpenGlPanelProc(HWND panel, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      g_openGlPanel = panel;
      formatGlSummary(panel);
      return TRUE;
    case WM_DESTROY:
      if (g_openGlPanel == panel) g_openGlPanel = nullptr;
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDC_GL_MORE_CAPS && HIWORD(wp) == BN_CLICKED) {
        if (!g_app.openGlModelessDialog || !IsWindow(g_app.openGlModelessDialog)) {
          // The caps dialog's tree view needs its class before the dialog exists.
          INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
          InitCommonControlsEx(&icc);
          g_app.openGlModelessDialog = CreateDialogParamA(PanelModule(panel), MAKEINTRESOURCEA(IDD_GL_CAPS),
                                                          panel, GlCapsDialogProc, 0);
        }
        if (g_app.openGlModelessDialog) ShowWindow(g_app.openGlModelessDialog, SW_SHOW);
      } else if (LOWORD(wp) == IDC_GL_EXTENSION_LIST && HIWORD(wp) == LBN_DBLCLK) {
        HWND list = GetDlgItem(panel, IDC_GL_EXTENSION_LIST);
        int selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        if (listLine(list, selected, g_extensionLine, sizeof g_extensionLine))
          DialogBoxParamA(PanelModule(panel), MAKEINTRESOURCEA(IDD_GL_EXTENSION), panel,
                          GlExtensionDialogProc, 0);
      }
      return TRUE;
  }
  return FALSE;
}

bool RefreshGlMemory() {
  HWND panel = g_openGlPanel;
  if (!panel || !IsWindow(panel)) return false;
  Scanrik* s = Scanrik::instance();
  const char* vendor = s->getGLVendor();
  char line[256];
  snprintf(line, sizeof line, "%s", "not available");
  if (vendor && strstr(vendor, "Intel")) {
    snprintf(line, sizeof line, "%s", "not available on Intel GPUs");
  } else if (vendor && (strstr(vendor, "NVIDIA") || strstr(vendor, "AMD") || strstr(vendor, "ATI"))) {
    int total = 0, used = 0;
    if (strstr(vendor, "NVIDIA")) {
      total = s->getNvxTotalAvailableVideoMemory() / 1024;
      used = total - s->getNvxCurrentAvailableVideoMemory() / 1024;
    } else {
      total = s->getAmdTotalVideoMemory() / 1024;
      used = s->getAmdUsedVideoMemory() / 1024;
    }
    if (total > 0) {
      if (used > 0)
        snprintf(line, sizeof line, "Total GPU memory: %dMB - GPU memory load: %dMB", total, used);
      else
        snprintf(line, sizeof line, "Total GPU memory: %dMB - GPU memory load: N/A", total);
    }
  }
  SetTextIfChanged(GetDlgItem(panel, IDC_GL_MEMORY), line);
  SetTextIfChanged(GetDlgItem(panel, IDC_GL_MEMORY_GROUP), "OpenGL memory");
  return true;
}
