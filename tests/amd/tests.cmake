# AMD back-end and AMD GPU Services, proven against fake display libraries.
# The fakes are one source built into variants; the tests install a variant
# into the system directory of their own Wine prefix (the display library is
# only ever loaded from there), so they never disturb the shared prefix.
set(QV_AMD_FAKE_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/fakes/adl/fake_adl.cpp)
set(QV_AMD_FAKES full missing_required create_fails zero_adapters cdecl_temperature)
foreach(variant ${QV_AMD_FAKES})
  add_library(fake_adl_${variant} SHARED ${QV_AMD_FAKE_SOURCE})
  qv_target(fake_adl_${variant})
  target_include_directories(fake_adl_${variant} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(fake_adl_${variant} PROPERTIES PREFIX "" OUTPUT_NAME fake_adl_${variant})
  # Plain export names for the standard-call entries on 32-bit.
  target_link_options(fake_adl_${variant} PRIVATE -Wl,--kill-at)
endforeach()
target_compile_definitions(fake_adl_missing_required PRIVATE FAKE_ADL_MISSING_REQUIRED)
target_compile_definitions(fake_adl_create_fails PRIVATE FAKE_ADL_CREATE_FAILS)
target_compile_definitions(fake_adl_zero_adapters PRIVATE FAKE_ADL_ZERO_ADAPTERS)
target_compile_definitions(fake_adl_cdecl_temperature PRIVATE FAKE_ADL_CDECL_TEMPERATURE)

add_executable(amd_tests amd/test_ags.cpp amd/test_amd_backend.cpp amd/test_amd_fuzz.cpp)
qv_target(amd_tests)
target_include_directories(amd_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/amd ${CMAKE_CURRENT_SOURCE_DIR}/hardware)
target_link_libraries(amd_tests PRIVATE quorvel_core gtest gtest_main)
foreach(variant ${QV_AMD_FAKES})
  add_dependencies(amd_tests fake_adl_${variant})
endforeach()

set(QV_AMD_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-amd)
set(QV_AMD_RUN ${QV_WINE_RUN} ${QV_AMD_WINE_PREFIX} $<TARGET_FILE:amd_tests> --gtest_color=no)
qv_wine_test(amd_tests COMMAND ${QV_AMD_RUN} --gtest_filter=-AmdCallingConvention.* WORKING_DIRECTORY ${QV_BIN})
# The end-to-end run shares the AMD prefix and quorvel.exe's log files.
qv_wine_test(e2e_amd
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/amd/amd_e2e_test.sh ${QV_BIN} ${QV_WINE_RUN} ${QV_AMD_WINE_PREFIX}
  WORKING_DIRECTORY ${QV_BIN})
# The control of the 32-bit tier: the fake library with one entry point of
# the wrong calling convention. It passes on x86_64 and must fail on i686,
# which shows that the tier catches what only a 32-bit run can.
qv_wine_test(amd_callconv_control
  COMMAND ${QV_AMD_RUN} --gtest_filter=AmdCallingConvention.* WORKING_DIRECTORY ${QV_BIN})
foreach(t amd_tests e2e_amd amd_callconv_control)
  if(TEST ${t})
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK amd_prefix)
  endif()
endforeach()
if(TEST e2e_amd)
  set_property(TEST e2e_amd APPEND PROPERTY RESOURCE_LOCK quorvel_bin)
endif()
if(TEST amd_callconv_control AND CMAKE_SYSTEM_PROCESSOR STREQUAL i686)
  set_tests_properties(amd_callconv_control PROPERTIES WILL_FAIL TRUE)
endif()

# The five AMD GPU Services exports of quorvel.exe, in both trees.
add_test(NAME amd_exports
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/amd/check_exports.sh
    ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-objdump ${QV_BIN}/quorvel.exe)
