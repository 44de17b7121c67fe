qv_gtest(demo_tests demos/test_timers.cpp demos/test_demo_results.cpp demos/test_demo_images.cpp)

# The demo images are generated and committed; this host-side check draws
# and encodes them again and fails when a committed file is stale.
find_program(QV_PYTHON3 python3)
if(QV_PYTHON3)
  add_test(NAME images_generator
    COMMAND ${QV_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/images/gen_images.py --check)
endif()
