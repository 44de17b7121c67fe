// Dear ImGui draw data built by hand for the GUI overlay tests, without a
// frame of the ImGui context.
#pragma once

#include <vector>

#include "imgui.h"

// Draw data of one list: a rectangle per clip rectangle, on a display of
// the given size at (0, 0), scale 1.
struct GuiDrawData {
  ImDrawList list{ImGui::GetDrawListSharedData()};
  ImDrawList* lists[1] = {&list};
  ImDrawData data;
  GuiDrawData(float width, float height, const std::vector<ImVec4>& clips) {
    list._ResetForNewFrame();
    for (const ImVec4& clip : clips) {
      list.PushClipRect(ImVec2(clip.x, clip.y), ImVec2(clip.z, clip.w), false);
      list.AddRectFilled(ImVec2(0, 0), ImVec2(width, height), IM_COL32(255, 0, 0, 255));
      list.PopClipRect();
    }
    list._PopUnusedDrawCmd();
    data.Valid = true;
    data.CmdLists = lists;
    data.CmdListsCount = 1;
    data.TotalVtxCount = list.VtxBuffer.Size;
    data.TotalIdxCount = list.IdxBuffer.Size;
    data.DisplayPos = ImVec2(0, 0);
    data.DisplaySize = ImVec2(width, height);
    data.FramebufferScale = ImVec2(1, 1);
  }
};
