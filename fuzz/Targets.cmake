# Every fuzz target, its source and libraries, and its corpus folder under fuzz/corpus: the one list
# both builds use. The "fuzz" preset (clang) makes libFuzzer programs of them; the test build makes
# replay programs that run each corpus once as a test of `make test` (fuzz/ReplayMain.cpp, any compiler).
# kel_fuzz_target(name source corpus lib...) is defined by the including folder.
set(KELVANE_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
kel_fuzz_target(protocol ${KELVANE_FUZZ_DIR}/protocol/FeedBytesFuzz.cpp protocol kel_protocol)
kel_fuzz_target(emulator ${KELVANE_FUZZ_DIR}/emulator/EngineFuzz.cpp emulator kel_emulator)
kel_fuzz_target(program_file "${KELVANE_FUZZ_DIR}/presets/ProgramFileFuzz.cpp;${PROJECT_SOURCE_DIR}/src/cli/Dump.cpp"
                program_file kel_presets)
kel_fuzz_target(all_presets_file "${KELVANE_FUZZ_DIR}/presets/AllPresetsFileFuzz.cpp;${PROJECT_SOURCE_DIR}/src/cli/Dump.cpp"
                all_presets_file kel_presets)
kel_fuzz_target(usb_receive ${KELVANE_FUZZ_DIR}/usb/UsbReceiveFuzz.cpp usb_receive kel_transport)
kel_fuzz_target(serial_receive ${KELVANE_FUZZ_DIR}/serial/SerialReceiveFuzz.cpp serial_receive kel_protocol)
