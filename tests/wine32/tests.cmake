# What the program and its drivers rely on when memory faults occur, in both
# trees: the 32-bit runtime reports faults through an emulator, and a shim of
# ours (runtime_shim.c) makes them reach the program as Windows reports them.
qv_test_tool(wine_faults wine32/faults.c)
qv_wine_test(wine_faults COMMAND wine_faults WORKING_DIRECTORY ${QV_BIN})
