# Console parsers of outside data: crunched pictures and pipe-coded text.
lx_fuzzer(console_crunched_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/console_crunched_fuzz.cpp DEPS lx_console)
lx_fuzzer(console_pipe_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/console_pipe_fuzz.cpp DEPS lx_console)
