# Console parsers of outside data: crunched pictures and pipe-coded text.
lx_fuzzer(lx_fuzz_crunched SOURCES ${CMAKE_CURRENT_LIST_DIR}/lx_fuzz_crunched.cpp DEPS lx_console)
lx_fuzzer(lx_fuzz_pipe SOURCES ${CMAKE_CURRENT_LIST_DIR}/lx_fuzz_pipe.cpp DEPS lx_console)
