// The hardware summary: what detection found about the primary GPU, the
// CPU and the operating system, copied once at start-up.
#include "detect/Scanrik.h"

bool scanGraphicsHardware() {
  ScanrikState& s = DetectionState();
  RenderWindow* rw = s.currentRenderWindow;
  HardwareCaps* c = rw ? rw->caps() : nullptr;
  if (!c) return false;
  HardwareSummary& h = s.summary;
  h.primaryVendorId = c->primaryVendorId;
  h.primaryDeviceId = c->primaryDeviceId;
  copyText(h.primaryGpuName, kSummaryTextSize, c->m_display_device_string);
  copyText(h.cpuName, kSummaryTextSize, c->cpuName);
  copyText(h.osName, kSummaryTextSize, c->osName);
  return true;
}
