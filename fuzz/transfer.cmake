lx_fuzzer(transfer_zmodem_frames SOURCES ${CMAKE_CURRENT_LIST_DIR}/transfer_zmodem_frames.cpp DEPS lx_transfer)
lx_fuzzer(transfer_xymodem_receive SOURCES ${CMAKE_CURRENT_LIST_DIR}/transfer_xymodem_receive.cpp DEPS lx_transfer)
