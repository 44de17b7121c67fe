qv_gtest(gpudb_tests detect/test_gpu_database.cpp)

# The generated tables are committed; this host-side check regenerates them
# from pci.ids and tools/gpudb/units.csv and fails when the committed file is
# stale or the generator is not deterministic (skipped without pci.ids).
find_program(QV_PYTHON3 python3)
if(QV_PYTHON3)
  add_test(NAME gpudb_generator
    COMMAND ${QV_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/gpudb/gen_gpudb.py --check)
  set_tests_properties(gpudb_generator PROPERTIES SKIP_RETURN_CODE 77)
endif()
