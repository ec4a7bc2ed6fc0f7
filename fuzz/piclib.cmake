# PicLib's own PCX and TGA decoders on arbitrary bytes.
trvx_fuzzer(fuzz_pcx SOURCES ${PROJECT_SOURCE_DIR}/fuzz/PcxFuzz.cpp
                             ${PROJECT_SOURCE_DIR}/libs/piclib/PcxDecoder.cpp
                             ${PROJECT_SOURCE_DIR}/libs/piclib/TgaDecoder.cpp
                     LIBS Qt6::Gui)
