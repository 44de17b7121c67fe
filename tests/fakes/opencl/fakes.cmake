# The stand-in OpenCL library, in fakeopencl/ beside the test programs. The
# tests hand it to the OpenCL information collector through its library
# loader; quorvel.exe never sees it. Every area whose tests use it includes
# this file.
include_guard(GLOBAL)
add_library(fake_opencl SHARED ${CMAKE_CURRENT_LIST_DIR}/fake_opencl.c)
qv_target(fake_opencl)
# Undecorated export names for the standard-call entry points on i686.
target_link_options(fake_opencl PRIVATE -Wl,--kill-at)
set_target_properties(fake_opencl PROPERTIES PREFIX "" OUTPUT_NAME qv_fake_opencl
  RUNTIME_OUTPUT_DIRECTORY ${QV_BIN}/fakeopencl ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/fake_opencl)
