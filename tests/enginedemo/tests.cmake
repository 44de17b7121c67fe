# The engine stand-in and the engine demo pattern with the fur cube (needs
# quorvel.exe's resources and the media folder beside it).
qv_gtest(enginedemo_tests enginedemo/test_engine_demo.cpp)
add_dependencies(enginedemo_tests quorvel media_copy)
# The fur cube from its start switch, with the benchmark row and the
# shutdown while it runs.
qv_e2e(e2e_fur_demo ../enginedemo/fur_demo_test.sh quorvel_bin)
if(QV_REGISTER_WINE_TESTS)
  set_property(TEST enginedemo_tests e2e_fur_demo APPEND PROPERTY RESOURCE_LOCK desktop)
endif()
