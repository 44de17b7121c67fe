# AMD back-end and AMD GPU Services, proven against fake display libraries.
# The fakes are one source built into variants; the tests install a variant
# into the system directory of their own Wine prefix (the display library is
# only ever loaded from there), so they never disturb the shared prefix.
set(QV_AMD_FAKE_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/fakes/adl/fake_adl.cpp)
set(QV_AMD_FAKES full missing_required create_fails zero_adapters)
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

add_executable(amd_tests amd/test_ags.cpp amd/test_amd_backend.cpp amd/test_amd_fuzz.cpp)
qv_target(amd_tests)
target_include_directories(amd_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/amd ${CMAKE_CURRENT_SOURCE_DIR}/hardware)
target_link_libraries(amd_tests PRIVATE quorvel_core gtest gtest_main)
foreach(variant ${QV_AMD_FAKES})
  add_dependencies(amd_tests fake_adl_${variant})
endforeach()

set(QV_AMD_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-amd)
if(QV_REGISTER_WINE_TESTS)
  add_test(NAME amd_tests
    COMMAND ${QV_WINE_RUN} ${QV_AMD_WINE_PREFIX} $<TARGET_FILE:amd_tests> --gtest_color=no
    WORKING_DIRECTORY ${QV_BIN})
  # The end-to-end run shares the AMD prefix and quorvel.exe's log files.
  add_test(NAME e2e_amd
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/amd/amd_e2e_test.sh ${QV_BIN} ${QV_WINE_RUN} ${QV_AMD_WINE_PREFIX}
    WORKING_DIRECTORY ${QV_BIN})
  set_tests_properties(amd_tests PROPERTIES RESOURCE_LOCK amd_prefix)
  set_tests_properties(e2e_amd PROPERTIES RESOURCE_LOCK "amd_prefix;quorvel_bin")
endif()

# The five AMD GPU Services exports of quorvel.exe, in both trees.
add_test(NAME amd_exports
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/amd/check_exports.sh
    ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-objdump ${QV_BIN}/quorvel.exe)
