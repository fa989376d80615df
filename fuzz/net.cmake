lx_fuzzer(net_telnet_filter SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/net_telnet_filter.cpp DEPS lx_net)
