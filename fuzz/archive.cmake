# Archives of the read-only formats: listing, then extracting every listed member into a
# scratch folder, through ARCHIVELIB over libarchive.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)

trvx_fuzzer(fuzz_archive
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ArchiveFuzz.cpp
            ${PROJECT_SOURCE_DIR}/libs/archivelib/ArchiveReader.cpp
            ${PROJECT_SOURCE_DIR}/libs/archivelib/ArchiveList.cpp
            ${PROJECT_SOURCE_DIR}/libs/archivelib/ArchiveExtract.cpp
            ${PROJECT_SOURCE_DIR}/libs/ziplib/LibCommon.cpp
            ${PROJECT_SOURCE_DIR}/libs/ziplib/PartFile.cpp
            ${trvx_fsbase_sources}
    LIBS PkgConfig::LIBARCHIVE)
target_include_directories(fuzz_archive PRIVATE ${PROJECT_SOURCE_DIR}/libs/ziplib
                                                ${PROJECT_SOURCE_DIR}/libs/archivelib)
