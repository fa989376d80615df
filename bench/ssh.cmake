# A 20 MB ANSI stream over SSH from a loopback sshd beside the same stream over telnet,
# through ReadBuf and the emulator.
add_executable(bench_ssh ${CMAKE_CURRENT_LIST_DIR}/ssh_stream.cpp)
target_include_directories(bench_ssh PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(bench_ssh PRIVATE LX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_ssh PRIVATE lx_net lx_term benchmark::benchmark_main)
