add_executable(term_bench ${CMAKE_CURRENT_LIST_DIR}/term_bench.cpp)
target_include_directories(term_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(term_bench PRIVATE lx_term benchmark::benchmark)
