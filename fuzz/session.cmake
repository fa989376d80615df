lx_fuzzer(fuzz_session_receive SOURCES ${CMAKE_CURRENT_LIST_DIR}/session_receive_fuzz.cpp DEPS lx_app)
