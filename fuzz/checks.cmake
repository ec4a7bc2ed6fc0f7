# Fuzz target of the checksum-file reader (its digests come from OpenSSL's libcrypto).
find_package(OpenSSL REQUIRED COMPONENTS Crypto)

trvx_fuzzer(fuzz_checksums
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ChecksumFuzz.cpp
            ${PROJECT_SOURCE_DIR}/src/checks/ChecksumFile.cpp
            ${PROJECT_SOURCE_DIR}/src/checks/Digest.cpp
            ${PROJECT_SOURCE_DIR}/src/platform/FileBlocks.cpp
            ${PROJECT_SOURCE_DIR}/src/platform/FileNames.cpp
            ${trvx_fsbase_sources}
            ${PROJECT_SOURCE_DIR}/src/platform/FileOpsFaults.cpp
    LIBS Qt6::Core OpenSSL::Crypto)
