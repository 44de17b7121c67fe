qv_gtest(demo_tests demos/test_timers.cpp demos/test_demo_results.cpp demos/test_demo_images.cpp)
# Its benchmark-file test writes and deletes bench_result.csv in the bin
# folder, where the demo runs of the desktop and quorvel_bin tests append
# their rows: it takes both locks, so that it never removes one of theirs.
if(TEST demo_tests)
  set_tests_properties(demo_tests PROPERTIES RESOURCE_LOCK "desktop;quorvel_bin")
endif()

# The demo images are generated and committed; this host-side check draws
# and encodes them again and fails when a committed file is stale.
find_program(QV_PYTHON3 python3)
if(QV_PYTHON3)
  add_test(NAME images_generator
    COMMAND ${QV_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/images/gen_images.py --check)
endif()
