lx_fuzzer(fuzz_script_reader SOURCES ${CMAKE_CURRENT_LIST_DIR}/script_reader_fuzz.cpp DEPS lx_app)
