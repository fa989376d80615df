add_executable(bench_term ${CMAKE_CURRENT_LIST_DIR}/term_bench.cpp)
target_include_directories(bench_term PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_term PRIVATE lx_term benchmark::benchmark)
