// The OpenCL, Vulkan and CUDA information collectors, the report and the
// main window, as the start-up and shutdown sequence calls them.
#pragma once
#include <windows.h>

#include "app/CudaInfo.h"
#include "app/OpenClInfo.h"
#include "app/VulkanInfo.h"

#include "app/Report.h"

// Runs the main window as a modal dialog; returns when it has closed.
void RunMainWindow(HINSTANCE instance);
