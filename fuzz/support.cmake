lx_fuzzer(lx_fuzz_ini SOURCES ${CMAKE_CURRENT_LIST_DIR}/ini_reader_fuzz.cpp DEPS lx_support)
