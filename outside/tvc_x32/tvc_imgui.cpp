// The library's one Dear ImGui context: made when the library loads, so that
// hosts and renderers find it current from the start.
#include "imgui.h"

namespace {
struct ImGuiContextHolder {
  ImGuiContextHolder() { ImGui::SetCurrentContext(ImGui::CreateContext()); }
  ~ImGuiContextHolder() { ImGui::DestroyContext(); }
} g_imgui_context;
}  // namespace
