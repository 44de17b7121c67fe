# The OpenGL, CUDA, OpenCL and Vulkan tabs, created from quorvel.exe's own
# resources over the real detection under Wine (llvmpipe, pocl, lavapipe, no
# CUDA). With QV_PANEL_HOLD_MS set, each panel stays on screen that long.
qv_gtest(panels_tests panels/test_panels.cpp)
add_dependencies(panels_tests quorvel)
