# ZIP archives: the directory reader, and UNZLIB's extraction into a scratch folder.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)

# Messages.cpp brings the message box, hence Widgets; the fuzzers replace its handler.
trvx_fuzzer(fuzz_zipdir
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ZipDirFuzz.cpp
            ${PROJECT_SOURCE_DIR}/src/zip/ZipDirReader.cpp
            ${PROJECT_SOURCE_DIR}/src/zip/ZipCentralDir.cpp
            ${PROJECT_SOURCE_DIR}/src/zip/ZipEndRecord.cpp
            ${PROJECT_SOURCE_DIR}/src/zip/ZipNames.cpp
            ${PROJECT_SOURCE_DIR}/src/platform/FileNames.cpp
            ${trvx_fsbase_sources}
            ${PROJECT_SOURCE_DIR}/src/platform/Messages.cpp
    LIBS Qt6::Widgets)

trvx_fuzzer(fuzz_zipextract
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ZipExtractFuzz.cpp
            ${PROJECT_SOURCE_DIR}/libs/unzlib/UnzExtract.cpp
            ${PROJECT_SOURCE_DIR}/libs/ziplib/LibCommon.cpp
            ${PROJECT_SOURCE_DIR}/libs/ziplib/PartFile.cpp
            ${trvx_fsbase_sources}
            ${PROJECT_SOURCE_DIR}/libs/ziplib/ZipOpen.cpp
            ${PROJECT_SOURCE_DIR}/libs/ziplib/ZipPrefixSource.cpp
            ${PROJECT_SOURCE_DIR}/src/zip/ZipEndRecord.cpp
            ${PROJECT_SOURCE_DIR}/src/zip/ZipNames.cpp
    LIBS PkgConfig::LIBZIP)
target_include_directories(fuzz_zipextract PRIVATE ${PROJECT_SOURCE_DIR}/libs/ziplib
                                                   ${PROJECT_SOURCE_DIR}/libs/unzlib)
