lx_fuzzer(transfer_zmodem_frames SOURCES ${CMAKE_CURRENT_LIST_DIR}/transfer_zmodem_frames.cpp DEPS lx_transfer)
