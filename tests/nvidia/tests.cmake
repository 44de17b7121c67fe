# NVIDIA back-end, NVAPI client and secure loader, against the stand-in
# driver libraries. The tests run in Wine prefixes of their own: one with
# the stand-ins installed in its system folder, one without them (driver
# absent), so that nothing is installed into the prefix other tests share.
include(${CMAKE_CURRENT_LIST_DIR}/../fakes/nvapi/fakes.cmake)

add_executable(nvidia_tests
  ${CMAKE_CURRENT_LIST_DIR}/test_secure_loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_nvapi_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_nvidia_backend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_nvidia_absent.cpp)
qv_target(nvidia_tests)
target_include_directories(nvidia_tests PRIVATE ${QV_NV_FAKE_SRC} ${CMAKE_CURRENT_LIST_DIR}/../hardware)
target_link_libraries(nvidia_tests PRIVATE quorvel_core gtest gtest_main)
add_dependencies(nvidia_tests fake_nvapi fake_nvapi_planted fake_nvcpl fake_badinit)

set(QV_NV_RUN bash ${CMAKE_CURRENT_LIST_DIR}/run_nvidia.sh)
set(QV_NV_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-nv)
qv_wine_test(nvidia_with_driver
  COMMAND ${QV_NV_RUN} with-driver ${QV_BIN} ${QV_WINE_RUN} ${QV_NV_PREFIX} ${QV_NV_FAKE_DIR} ${QV_NVAPI_NAME}
  WORKING_DIRECTORY ${QV_BIN})
qv_wine_test(nvidia_absent
  COMMAND ${QV_NV_RUN} absent ${QV_BIN} ${QV_WINE_RUN} ${QV_NV_PREFIX}-absent ${QV_NV_FAKE_DIR} ${QV_NVAPI_NAME}
  WORKING_DIRECTORY ${QV_BIN})
qv_wine_test(e2e_nvidia
  COMMAND ${QV_NV_RUN} e2e ${QV_BIN} ${QV_WINE_RUN} ${QV_NV_PREFIX} ${QV_NV_FAKE_DIR} ${QV_NVAPI_NAME}
  WORKING_DIRECTORY ${QV_BIN})
if(TEST nvidia_with_driver)
  set_tests_properties(nvidia_with_driver PROPERTIES RESOURCE_LOCK nv_prefix)
endif()
if(TEST nvidia_absent)
  set_tests_properties(nvidia_absent PROPERTIES RESOURCE_LOCK nv_prefix_absent)
endif()
if(TEST e2e_nvidia)
  set_tests_properties(e2e_nvidia PROPERTIES RESOURCE_LOCK "nv_prefix;quorvel_bin")
endif()
