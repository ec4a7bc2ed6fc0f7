# Fuzz target of the MIDI structure check (pure code over memory).
trvx_fuzzer(fuzz_midicheck
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MidiCheckFuzz.cpp
            ${PROJECT_SOURCE_DIR}/libs/sequencer/MidiCheck.cpp)
