lx_fuzzer(fuzz_term SOURCES ${CMAKE_CURRENT_LIST_DIR}/term_fuzz.cpp DEPS lx_term)
