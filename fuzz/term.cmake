lx_fuzzer(lx_fuzz_term SOURCES ${CMAKE_CURRENT_LIST_DIR}/lx_fuzz_term.cpp DEPS lx_term)
