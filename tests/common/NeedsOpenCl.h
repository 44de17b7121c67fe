// Cases that need a live OpenCL platform (pocl under 64-bit Wine). The 32-bit
// tier's Wine runtime has no OpenCL implementation: there, and only there
// (the i686 build), such a case is skipped and says why.
#pragma once

#include <gtest/gtest.h>

#if defined(_WIN64)
#define QV_NEEDS_OPENCL() ((void)0)
#else
#define QV_NEEDS_OPENCL() GTEST_SKIP() << "needs OpenCL, which the 32-bit runtime lacks"
#endif
