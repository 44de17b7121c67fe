# The engine stand-in and the engine demo pattern with the fur cube (needs
# quorvel.exe's resources and the media folder beside it).
# One executable, run as three tests so that each stays short.
add_executable(enginedemo_tests enginedemo/test_engine_demo.cpp enginedemo/test_engine_demo_table.cpp
  enginedemo/test_engine_media.cpp enginedemo/test_demo_titles.cpp)
qv_target(enginedemo_tests)
target_link_libraries(enginedemo_tests PRIVATE quorvel_core gtest gtest_main)
add_dependencies(enginedemo_tests quorvel media_copy)
if(QV_REGISTER_WINE_TESTS)
  add_test(NAME enginedemo_frames COMMAND enginedemo_tests --gtest_color=no
    --gtest_filter=*FurShells*:*ObjectsBelong*:*RenderTargets*:EngineDemoAffinity.* WORKING_DIRECTORY ${QV_BIN})
  add_test(NAME enginedemo_restart COMMAND enginedemo_tests --gtest_color=no
    --gtest_filter=*Restarting* WORKING_DIRECTORY ${QV_BIN})
  add_test(NAME enginedemo_endings COMMAND enginedemo_tests --gtest_color=no
    --gtest_filter=*FailedSetUp*:*EndsByDuration*:*UndrawnFrames* WORKING_DIRECTORY ${QV_BIN})
  # Every engine demo from its start switch; two at once.
  add_test(NAME enginedemo_table COMMAND enginedemo_tests --gtest_color=no
    --gtest_filter=*EngineDemoTable* WORKING_DIRECTORY ${QV_BIN})
  add_test(NAME enginedemo_pair COMMAND enginedemo_tests --gtest_color=no
    --gtest_filter=*TwoDemosAtOnce* WORKING_DIRECTORY ${QV_BIN})
  # Every built-in demo's titles and HUD lines, read back.
  add_test(NAME demo_titles COMMAND enginedemo_tests --gtest_color=no
    --gtest_filter=*DemoTitleTable* WORKING_DIRECTORY ${QV_BIN})
  # The HDR demo without its model file.
  add_test(NAME enginedemo_hdr_knot COMMAND enginedemo_tests --gtest_color=no
    --gtest_filter=*HdrWithoutItsModel* WORKING_DIRECTORY ${QV_BIN})
endif()
# What draws nothing, in the 32-bit tier too: the media readers, the batch
# and birth counts, and the refusals of sizes the device cannot hold; the
# refusals of missing device limits before the first frame.
qv_wine_test(enginedemo_media COMMAND enginedemo_tests --gtest_color=no
  --gtest_filter=EngineMediaReaders.*:EngineDemoCounts.*:*EngineDemoLimits* WORKING_DIRECTORY ${QV_BIN})
qv_wine_test(enginedemo_refusals COMMAND enginedemo_tests --gtest_color=no
  --gtest_filter=*MissingDeviceLimits* WORKING_DIRECTORY ${QV_BIN})
foreach(t enginedemo_media enginedemo_refusals)
  if(TEST ${t})
    set_property(TEST ${t} APPEND PROPERTY RESOURCE_LOCK desktop)
  endif()
endforeach()
# The fur cube from its start switch: the benchmark row, and the shutdown
# while it runs.
qv_e2e(e2e_fur_benchmark ../enginedemo/fur_benchmark_test.sh quorvel_bin)
qv_e2e(e2e_fur_shutdown ../enginedemo/fur_shutdown_test.sh quorvel_bin)
if(QV_REGISTER_WINE_TESTS)
  set_property(TEST enginedemo_frames enginedemo_restart enginedemo_endings enginedemo_table enginedemo_pair enginedemo_hdr_knot demo_titles e2e_fur_benchmark e2e_fur_shutdown APPEND PROPERTY RESOURCE_LOCK desktop)
endif()
