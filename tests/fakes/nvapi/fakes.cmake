# Stand-in driver libraries for the NVIDIA tests. The system copies go to
# nvfakes/ (a test script installs them into its Wine prefix's system
# folder); a "planted" copy of nvapi lies beside the programs in bin/, where
# the secure loader must never pick it up.
set(QV_NV_FAKE_DIR ${CMAKE_BINARY_DIR}/nvfakes)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(QV_NVAPI_NAME nvapi64)
else()
  set(QV_NVAPI_NAME nvapi)
endif()

function(qv_fake_dll target output_name output_dir)
  add_library(${target} SHARED ${ARGN})
  qv_target(${target})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR})
  # Undecorated export names for the standard-call entry points on i686.
  target_link_options(${target} PRIVATE -Wl,--kill-at)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${output_name}
    RUNTIME_OUTPUT_DIRECTORY ${output_dir} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/${target})
endfunction()

set(QV_NV_FAKE_SRC ${CMAKE_CURRENT_LIST_DIR})
qv_fake_dll(fake_nvapi ${QV_NVAPI_NAME} ${QV_NV_FAKE_DIR} ${QV_NV_FAKE_SRC}/fake_nvapi.cpp)
qv_fake_dll(fake_nvapi_planted ${QV_NVAPI_NAME} ${QV_BIN} ${QV_NV_FAKE_SRC}/fake_nvapi.cpp)
target_compile_definitions(fake_nvapi_planted PRIVATE QV_FAKE_ORIGIN="planted")
qv_fake_dll(fake_nvcpl nvcpl ${QV_NV_FAKE_DIR} ${QV_NV_FAKE_SRC}/fake_nvcpl.cpp)
qv_fake_dll(fake_badinit qvbadinit ${QV_NV_FAKE_DIR} ${QV_NV_FAKE_SRC}/bad_init.cpp)
