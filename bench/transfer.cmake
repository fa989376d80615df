# Throughput against lrzsz: sz to the engine, the engine to rz and sz to rz (Zmodem); sb to the engine and sb to rb (Ymodem-1K).
add_executable(bench_transfer ${CMAKE_CURRENT_SOURCE_DIR}/transfer_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/transfer/zmodem_harness.cpp)
target_include_directories(bench_transfer PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_transfer PRIVATE lx_transfer lx_net lx_support benchmark::benchmark_main)
