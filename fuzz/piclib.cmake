# The PCX decoder of PicLib on arbitrary bytes.
trvx_fuzzer(fuzz_pcx SOURCES ${PROJECT_SOURCE_DIR}/fuzz/PcxFuzz.cpp
                             ${PROJECT_SOURCE_DIR}/libs/piclib/PcxDecoder.cpp
                     LIBS Qt6::Gui)
