# Received data over loopback telnet from the test BBS, through ReadBuf.
add_executable(bench_net ${CMAKE_CURRENT_SOURCE_DIR}/net_telnet_stream.cpp)
target_include_directories(bench_net PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(bench_net PRIVATE LX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_net PRIVATE lx_net benchmark::benchmark_main)
