# Fuzz targets of the configuration reader and the wildcard rename mask. The fuzz build
# has no subsystem libraries, so each target compiles the units it needs (all QtCore).
set(_trvx_src ${PROJECT_SOURCE_DIR}/src)

trvx_fuzzer(fuzz_profile
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProfileFuzz.cpp
            ${_trvx_src}/platform/ProfileString.cpp
            ${_trvx_src}/platform/Drives.cpp
            ${_trvx_src}/platform/FileOpsFaults.cpp
            ${_trvx_src}/platform/FileSystem.cpp
            ${_trvx_src}/platform/FileNames.cpp
            ${trvx_fsbase_sources}
            ${_trvx_src}/platform/Locale.cpp
            ${_trvx_src}/listing/FileListing.cpp
            ${_trvx_src}/listing/ArchiveFolders.cpp
            ${_trvx_src}/listing/SortKeys.cpp
            ${_trvx_src}/main/Extensions.cpp
    LIBS Qt6::Core)

trvx_fuzzer(fuzz_wild
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WildFuzz.cpp
            ${_trvx_src}/fileops/uCommon.cpp
            ${_trvx_src}/listing/FileListing.cpp
            ${_trvx_src}/listing/ArchiveFolders.cpp
            ${_trvx_src}/listing/SortKeys.cpp
            ${_trvx_src}/platform/Locale.cpp
            ${_trvx_src}/platform/Drives.cpp
            ${_trvx_src}/platform/FileOpsFaults.cpp
            ${_trvx_src}/platform/FileSystem.cpp
            ${_trvx_src}/platform/FileNames.cpp
            ${trvx_fsbase_sources}
    LIBS Qt6::Core)
