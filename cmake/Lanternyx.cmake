# Shared helpers for the module CMakeLists files.

# lx_library(<name> SOURCES ... DEPS ...)
# A module's static library; its public headers live in the module folder and
# are included as "<module>/<header>.h" from the repository root.
function(lx_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${A_DEPS} Threads::Threads)
endfunction()

# lx_test(<name> SOURCES ... DEPS ...)
# A GoogleTest executable registered with CTest, one CTest test per test case.
function(lx_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    LX_SOURCE_DIR="${CMAKE_SOURCE_DIR}" LX_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# lx_gui_test(<name> <script.py>)
# The real program under Xvfb, driven by a Python test module; skipped (code 77) where Xvfb,
# xdotool or ImageMagick is missing, and not registered without a Python interpreter.
function(lx_gui_test name script)
  find_package(Python3 COMPONENTS Interpreter QUIET)
  if(Python3_Interpreter_FOUND)
    add_test(NAME ${name}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/${script} --binary $<TARGET_FILE:lanternyx>)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  endif()
endfunction()

# lx_fuzzer(<name> SOURCES ... DEPS ...)
# A libFuzzer target; fuzz/run.sh runs every one of them for a short time.
function(lx_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
endfunction()
