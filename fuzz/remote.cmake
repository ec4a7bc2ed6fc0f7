# Fuzz target of the remote address parser (QtCore only).
trvx_fuzzer(fuzz_remoteuri
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RemoteUriFuzz.cpp
            ${PROJECT_SOURCE_DIR}/src/remote/RemoteUri.cpp
    LIBS Qt6::Core)
