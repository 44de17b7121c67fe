# OpenCL, Vulkan and CUDA information collectors. OpenCL and Vulkan run
# against the implementations behind Wine's own OpenCL.dll and vulkan-1.dll;
# CUDA against a stand-in nvcuda.dll in fakecuda/, which the tests hand to the
# collector through its library loader (quorvel.exe never sees it), and the
# OpenCL vendor attributes against the stand-in OpenCL library, likewise.
include(${CMAKE_CURRENT_LIST_DIR}/../fakes/opencl/fakes.cmake)
add_library(fake_nvcuda SHARED fakes/cuda/fake_nvcuda.c)
qv_target(fake_nvcuda)
target_link_options(fake_nvcuda PRIVATE -Wl,--kill-at)
set_target_properties(fake_nvcuda PROPERTIES PREFIX "" OUTPUT_NAME nvcuda
  RUNTIME_OUTPUT_DIRECTORY ${QV_BIN}/fakecuda)

qv_gtest(apiinfo_tests apiinfo/test_opencl_info.cpp apiinfo/test_vulkan_info.cpp apiinfo/test_vulkan_fake.cpp
  apiinfo/test_cuda_info.cpp)
target_include_directories(apiinfo_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/apiinfo)
add_dependencies(apiinfo_tests fake_nvcuda fake_opencl)

# The collectors inside quorvel.exe, with their switches. It shares the bin
# folder's log with the other scripts that run the program.
if(QV_REGISTER_WINE_TESTS)
  add_test(NAME e2e_apiinfo_startup
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/apiinfo/startup_apiinfo_test.sh ${QV_BIN} ${QV_WINE_RUN} ${QV_WINE_PREFIX}
    WORKING_DIRECTORY ${QV_BIN})
  set_tests_properties(e2e_apiinfo_startup PROPERTIES RESOURCE_LOCK quorvel_bin)
endif()

# A stand-in Vulkan loader (failing instance creation, null and NVIDIA or
# Intel devices), handed to the collector through its library loader; its
# name is not that of a Wine built-in, so Wine loads the file itself.
add_library(fake_vulkan_loader SHARED apiinfo/fake_vulkan_loader.c)
qv_target(fake_vulkan_loader)
target_link_options(fake_vulkan_loader PRIVATE -Wl,--kill-at)
set_target_properties(fake_vulkan_loader PROPERTIES PREFIX "" OUTPUT_NAME qv_fake_vulkan
  RUNTIME_OUTPUT_DIRECTORY ${QV_BIN}/fakevkinfo)
add_dependencies(apiinfo_tests fake_vulkan_loader)
# The same loader without vkDestroyInstance.
add_library(fake_vulkan_loader_nodestroy SHARED apiinfo/fake_vulkan_loader.c)
qv_target(fake_vulkan_loader_nodestroy)
target_compile_definitions(fake_vulkan_loader_nodestroy PRIVATE QV_FAKE_VK_NO_DESTROY)
target_link_options(fake_vulkan_loader_nodestroy PRIVATE -Wl,--kill-at)
set_target_properties(fake_vulkan_loader_nodestroy PROPERTIES PREFIX "" OUTPUT_NAME qv_fake_vulkan_nodestroy
  RUNTIME_OUTPUT_DIRECTORY ${QV_BIN}/fakevkinfo)
add_dependencies(apiinfo_tests fake_vulkan_loader_nodestroy)
