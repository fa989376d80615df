if(TARGET lx_phonebook)
  lx_fuzzer(lx_fuzz_phonebook SOURCES ${CMAKE_CURRENT_LIST_DIR}/phonebook_load_fuzz.cpp DEPS lx_phonebook)
endif()
