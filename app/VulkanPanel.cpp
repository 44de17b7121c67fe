// The Vulkan tab: instance extensions and layers, the physical devices with
// the full text of the chosen one, and the dialog with the report's Vulkan
// section.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/PanelLogo.h"
#include "app/Panels.h"
#include "app/VulkanInfo.h"
#include "resources/resource.h"

namespace {

// Resources come from the module the panel was created from.

const int kVkLineSize = 256;
const char kReportSectionTitle[] = "[ Vulkan Capabilities ]";
const char kReportSectionStart[] = "===================================[";

HBITMAP g_vkLogo = nullptr;
HWND g_outputDialog = nullptr;
// The instance and device texts; they grow with what the driver reports.
std::string g_instanceText;
std::string g_deviceText;


// One line with CR LF; the line is cut to the line buffer.
void appendLine(std::string& text, const char* line) {
  char buf[kVkLineSize];
  snprintf(buf, sizeof buf, "%s", line);
  text += buf;
  text += "\r\n";
}

void AppendVulkanInstanceText(const char* line) { appendLine(g_instanceText, line); }
void AppendVulkanDeviceText(const char* line) { appendLine(g_deviceText, line); }

void setLongText(HWND dialog, int id, const std::string& text) {
  SendDlgItemMessageA(dialog, id, EM_SETLIMITTEXT, 0, 0);
  SetDlgItemTextA(dialog, id, text.c_str());
}

// The report's Vulkan section (CR LF lines), empty when the report has none.
std::string vulkanReportSection() {
  const ReportBuffers& r = g_app.reportBuffers;
  if (!r.text || r.textLength <= 0) return std::string();
  std::string all(r.text, static_cast<size_t>(r.textLength));
  size_t title = all.find(kReportSectionTitle);
  if (title == std::string::npos) return std::string();
  size_t start = all.rfind('\n', title);
  start = start == std::string::npos ? 0 : start + 1;
  size_t end = all.find(kReportSectionStart, title + sizeof kReportSectionTitle - 1);
  if (end == std::string::npos) end = all.size();
  std::string section = all.substr(start, end - start);
  while (!section.empty() && (section.back() == '\r' || section.back() == '\n')) section.pop_back();
  return section;
}

INT_PTR CALLBACK VulkanOutputDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      std::string section = vulkanReportSection();
      if (!section.empty()) setLongText(dialog, IDC_VK_OUTPUT_TEXT, section);
      return TRUE;
    }
    case WM_COMMAND:
      return HideOnOkOrCancel(dialog, wp) ? TRUE : FALSE;
  }
  return FALSE;
}

void formatVulkanDevice(HWND panel, int index) {
  if (!IsVulkanInfoReady() || index < 0 || index >= GetVulkanDeviceCount()) return;
  const VulkanInfo& info = GetVulkanInfo();
  const VulkanPhysicalDeviceInfo* dev = info.devices[static_cast<size_t>(index)].get();
  if (!dev) return;
  g_app.vkGpuIndex = index;
  g_deviceText.clear();
  char line[kVkLineSize];

  snprintf(line, sizeof line, "- name: %s", dev->deviceName.c_str());
  AppendVulkanDeviceText(line);
  snprintf(line, sizeof line, "- device id: %4X - %4X", dev->vendorId, dev->deviceId);
  AppendVulkanDeviceText(line);
  snprintf(line, sizeof line, "- device type: %s", dev->deviceTypeText.c_str());
  AppendVulkanDeviceText(line);
  snprintf(line, sizeof line, "- driver version (raw): %u", dev->driverVersion);
  AppendVulkanDeviceText(line);
  if (dev->vendorId == 0x10DE) {
    snprintf(line, sizeof line, "- driver version (NVIDIA): %u.%u", static_cast<unsigned>(dev->nvDriverVersionMajor),
             static_cast<unsigned>(dev->nvDriverVersionMinor));
    AppendVulkanDeviceText(line);
  }
  snprintf(line, sizeof line, "- API version: %d.%d.%d", dev->apiVersionMajor, dev->apiVersionMinor,
           dev->apiVersionPatch);
  AppendVulkanDeviceText(line);

  const VulkanDeviceBlock& block = dev->block;
  if (block.driverPropertiesRead) {
    const VkPhysicalDeviceDriverProperties& dp = block.driverProperties;
    AppendVulkanDeviceText("");
    AppendVulkanDeviceText("- driver properties (VK_KHR_driver_properties):");
    char name[VK_MAX_DRIVER_NAME_SIZE + 1];
    snprintf(name, sizeof name, "%.*s", VK_MAX_DRIVER_NAME_SIZE, dp.driverName);
    snprintf(line, sizeof line, "  -> driver name: %s", name);
    AppendVulkanDeviceText(line);
    snprintf(line, sizeof line, "  -> driver ID: %s (%d)", VulkanDriverIdName(static_cast<int>(dp.driverID)),
             static_cast<int>(dp.driverID));
    AppendVulkanDeviceText(line);
    snprintf(line, sizeof line, "  -> driver conformance version: %d.%d.%d.%d:", dp.conformanceVersion.major,
             dp.conformanceVersion.minor, dp.conformanceVersion.patch, dp.conformanceVersion.subminor);
    AppendVulkanDeviceText(line);
    char driverInfo[VK_MAX_DRIVER_INFO_SIZE + 1];
    snprintf(driverInfo, sizeof driverInfo, "%.*s", VK_MAX_DRIVER_INFO_SIZE, dp.driverInfo);
    snprintf(line, sizeof line, "  -> driver info: %s", driverInfo);
    AppendVulkanDeviceText(line);
  }

  AppendVulkanDeviceText("");
  snprintf(line, sizeof line, "- memory heap count: %lu", static_cast<unsigned long>(dev->memoryHeaps.size()));
  AppendVulkanDeviceText(line);
  int n = 1;
  for (const VkMemoryHeapRecord& heap : dev->memoryHeaps) {
    snprintf(line, sizeof line, " heap%d: %lluMB", n++, static_cast<unsigned long long>(heap.sizeMb));
    AppendVulkanDeviceText(line);
  }
  AppendVulkanDeviceText("");

  snprintf(line, sizeof line, "- memory type count: %lu", static_cast<unsigned long>(dev->memoryTypes.size()));
  AppendVulkanDeviceText(line);
  for (const VkMemoryTypeRecord& type : dev->memoryTypes) {
    snprintf(line, sizeof line, " mem type %u - heap index : %u - property flag : %u", type.typeIndex,
             type.heapIndex, static_cast<unsigned>(type.propertyFlags));
    AppendVulkanDeviceText(line);
    for (const std::string& flag : type.flagNames) {
      snprintf(line, sizeof line, " > mem property: %s", flag.c_str());
      AppendVulkanDeviceText(line);
    }
  }
  AppendVulkanDeviceText("");

  snprintf(line, sizeof line, "- extensions: %lu", static_cast<unsigned long>(dev->extensions.size()));
  AppendVulkanDeviceText(line);
  n = 1;
  for (const VkExtensionRecord& e : dev->extensions) {
    snprintf(line, sizeof line, "  %d/ %s (ver:%u)", n++, e.name.c_str(), e.specVersion);
    AppendVulkanDeviceText(line);
  }
  AppendVulkanDeviceText("");

  snprintf(line, sizeof line, "- layers: %lu", static_cast<unsigned long>(dev->layers.size()));
  AppendVulkanDeviceText(line);
  n = 1;
  for (const VkLayerRecord& l : dev->layers) {
    snprintf(line, sizeof line, "  %d/ %s (spec:%u.%u.%u, impl:%u)", n++, l.layerName.c_str(), l.specVersionMajor,
             l.specVersionMinor, l.specVersionPatch, l.implementationVersion);
    AppendVulkanDeviceText(line);
  }
  AppendVulkanDeviceText("");

  AppendVulkanDeviceText("- features:");
  for (size_t i = 0; i < kVkFeatureRowCount; ++i) {
    const VkBoolRow& row = kVkFeatureRows[i];
    snprintf(line, sizeof line, "  %s: %s", row.name, VkFeatureValue(block.features, row) ? "true" : "false");
    AppendVulkanDeviceText(line);
  }
  AppendVulkanDeviceText("");

  AppendVulkanDeviceText("- limits:");
  for (size_t i = 0; i < kVkLimitRowCount; ++i) {
    FormatVkLimitRow(line, sizeof line, block.limits, kVkLimitRows[i]);
    AppendVulkanDeviceText(line);
  }
  setLongText(panel, IDC_VK_DEVICE, g_deviceText);
}

void fillVulkanInstanceInfo(HWND panel) {
  g_instanceText.clear();
  const bool ready = IsVulkanInfoReady();
  const VulkanInfo& info = GetVulkanInfo();
  const size_t extensionCount = ready ? info.instanceExtensions.size() : 0;
  const size_t layerCount = ready ? info.instanceLayers.size() : 0;
  char line[kVkLineSize];

  snprintf(line, sizeof line, "Instance extensions: %lu", static_cast<unsigned long>(extensionCount));
  AppendVulkanInstanceText(line);
  for (size_t i = 0; i < extensionCount; ++i) {
    const VkExtensionRecord& e = info.instanceExtensions[i];
    snprintf(line, sizeof line, " %d/ %s (ver:%u)", static_cast<int>(i + 1), e.name.c_str(), e.specVersion);
    AppendVulkanInstanceText(line);
  }
  AppendVulkanInstanceText("");
  snprintf(line, sizeof line, "Instance layers: %lu", static_cast<unsigned long>(layerCount));
  AppendVulkanInstanceText(line);
  for (size_t i = 0; i < layerCount; ++i) {
    const VkLayerRecord& l = info.instanceLayers[i];
    snprintf(line, sizeof line, " %d/ %s (spec:%u.%u.%u, impl:%u)", static_cast<int>(i + 1), l.layerName.c_str(),
             l.specVersionMajor, l.specVersionMinor, l.specVersionPatch, l.implementationVersion);
    AppendVulkanInstanceText(line);
  }
  setLongText(panel, IDC_VK_INSTANCE, g_instanceText);

  HWND list = GetDlgItem(panel, IDC_VK_INSTANCE_EXTENSIONS);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  SendMessageA(list, LB_SETHORIZONTALEXTENT, 200, 0);
  SendMessageA(list, LB_INITSTORAGE, 20, 2560);
  for (size_t i = 0; i < extensionCount; ++i) {
    const VkExtensionRecord& e = info.instanceExtensions[i];
    snprintf(line, sizeof line, "%d/ %s (ver:%u)", static_cast<int>(i + 1), e.name.c_str(), e.specVersion);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  }

  HWND combo = GetDlgItem(panel, IDC_VK_DEVICES);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  SendMessageA(combo, CB_INITSTORAGE, 20, 2560);
  const int deviceCount = ready ? GetVulkanDeviceCount() : 0;
  for (int i = 0; i < deviceCount; ++i) {
    const char* name = GetVulkanDeviceName(i);
    snprintf(line, sizeof line, "%d: %s", i + 1, name ? name : "");
    LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    if (item >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), i);
  }
  if (deviceCount > 0) {
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    formatVulkanDevice(panel, 0);
  }
}

}  // namespace

INT_PTR CALLBACK VulkanPanelProc(HWND panel, UINT msg, WPARAM wp, LPARAM) {
  switch (msg) {
    case WM_PAINT:
      PaintPanelLogo(panel, &g_vkLogo, IDB_VK_LOGO, IDC_VK_LOGO);
      return TRUE;
    case WM_INITDIALOG:
      fillVulkanInstanceInfo(panel);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDC_VK_OUTPUT_BUTTON && HIWORD(wp) == BN_CLICKED) {
        if (!g_outputDialog || !IsWindow(g_outputDialog))
          g_outputDialog = CreateDialogParamA(PanelModule(panel), MAKEINTRESOURCEA(IDD_VK_OUTPUT), panel,
                                              VulkanOutputDialogProc, 0);
        if (g_outputDialog) ShowWindow(g_outputDialog, SW_SHOW);
        return TRUE;
      }
      if (LOWORD(wp) == IDC_VK_DEVICES && HIWORD(wp) == CBN_SELCHANGE) {
        int selected = static_cast<int>(SendDlgItemMessageA(panel, IDC_VK_DEVICES, CB_GETCURSEL, 0, 0));
        formatVulkanDevice(panel, selected);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}
