# Randomised input for the parsers of outside text and for the readers fed
# garbage by the stand-in driver libraries. Fixed seeds, bounded rounds and
# time; inputs and outputs lie against guard pages.
qv_gtest(fuzz_tests fuzz/test_fuzz_parsers.cpp fuzz/test_fuzz_vendors.cpp)
add_dependencies(fuzz_tests fake_nvcuda)
