# Console throughput: glyphs and scrolled lines per second with frames composed at 60 Hz.
add_executable(console_bench ${CMAKE_CURRENT_LIST_DIR}/console_bench.cpp)
target_link_libraries(console_bench PRIVATE lx_console benchmark::benchmark benchmark::benchmark_main)
