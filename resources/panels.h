// Resource ids of the OpenGL, CUDA, OpenCL and Vulkan tabs.
#pragma once
