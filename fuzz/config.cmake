# The settings record read from "lanternyx.cfg".
lx_fuzzer(lx_fuzz_config SOURCES ${CMAKE_CURRENT_LIST_DIR}/config_record_fuzz.cpp DEPS lx_config)
