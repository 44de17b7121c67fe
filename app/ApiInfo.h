// The OpenCL, Vulkan and CUDA information collectors, the report and the
// main window, as the start-up and shutdown sequence calls them.
#pragma once
#include <windows.h>

bool DetectOpenCl();
void ShutdownOpenCl();
bool DetectVulkan();
void ShutdownVulkanInfo();
bool DetectCuda();

void BuildFullReport(bool extraSection);
bool WriteXmlReport(const char* path);
bool WriteTextReport(const char* path);

// Runs the main window as a modal dialog; returns when it has closed.
void RunMainWindow(HINSTANCE instance);
