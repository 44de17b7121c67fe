// The OpenCL, Vulkan and CUDA information collectors and the report, as the
// start-up and shutdown sequence calls them.
#pragma once
#include <windows.h>

#include "app/CudaInfo.h"
#include "app/OpenClInfo.h"
#include "app/VulkanInfo.h"

#include "app/Report.h"
