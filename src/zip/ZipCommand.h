#pragma once
// The records that the archive component hands to the ZIP libraries, and the record
// through which the libraries report back. Both sides include this one header.
//
// Every field is 32 bits wide except those that hold pointers, which are pointer-sized:
// on a 32-bit build the records have no gaps and the offsets noted beside the fields;
// on a 64-bit build the pointer fields grow and the offsets move accordingly.
// Flags are -1 for true and 0 for false. Texts are zero-terminated 8-bit strings
// (file-system bytes, UTF-8 here) in buffers of TrvxTextBufferSize bytes.
//
// NamePrefix (offset 104 of the add command, 0 in older callers): see the field.
//
// ExactNames (offset 24 of both commands, 0 in older callers): false, a file spec
// is a shell pattern ("*", "?" and "[...]"; "/" and "\\" are the same separator) and an
// extraction without file specs takes every member; true, a file spec names one
// member or file byte for byte, whatever characters it holds, and no file specs
// select nothing.
//
// Threads: a library calls Callback on the thread that called its Exec entry point,
// during that call, and never afterwards.

#include <cstddef>
#include <cstdint>

inline constexpr int32_t TrvxInterfaceVersion = 120;
inline constexpr int TrvxMaxFileSpecs = 4097;
inline constexpr int TrvxTextBufferSize = 256; // 255 bytes of text at most
inline constexpr int TrvxCallbackTextSize = 4096;

// Callback action codes.
enum : int32_t {
    TrvxActionFileStart = 1, // a file begins: Text is its name, FileSize its size
    TrvxActionFileStep = 2,  // some more of the current file is done: FileSize bytes
    TrvxActionBatchEnd = 3,  // the whole command is done
    TrvxActionMessage = 4,   // Text is a message, ErrorCode its code (0 for notes)
};

struct TLibCallbackInfo {
    void* Handle{nullptr};             //  0: owner window, none here
    void* Caller{nullptr};             //  4: as passed in the command record
    int32_t Version{0};                //  8
    int32_t Reserved12{0};             // 12
    int32_t ActionCode{0};             // 16: 1 to 4
    int32_t ErrorCode{0};              // 20: action 4
    int32_t FileSize{0};               // 24: action 1 the file's size, clamped to the
                                       //     32-bit range; action 2 the bytes done since
    char Text[TrvxCallbackTextSize]{}; // 28: file name (action 1) or message (action 4)
};

// Returns 0 to go on, -1 to ask the library to stop.
using TLibCallback = int32_t (*)(TLibCallbackInfo* info);

// The command of ZipLibExec: adds files to an archive or deletes members from it.
struct TZipCommand {
    void* Handle{nullptr};          //   0: owner window, none here
    void* Caller{nullptr};          //   4: handed back in every callback
    int32_t Version{0};             //   8: TrvxInterfaceVersion
    TLibCallback Callback{nullptr}; //  12
    int32_t TraceEnabled{0};        //  16
    int32_t Reserved20{0};          //  20
    int32_t ExactNames{0};          //  24: each file spec is one exact name (below)
    int32_t Reserved28{0};          //  28
    int32_t HiddenFiles{0};         //  32: include hidden files found by recursion or wildcards
    int32_t Reserved36{0};          //  36
    int32_t Reserved40{0};          //  40
    int32_t Reserved44{0};          //  44: -1
    int32_t Reserved48{0};          //  48
    int32_t Verbose{0};             //  52
    int32_t Reserved56{0};          //  56: -1
    int32_t Level{0};               //  60: compression level 0 (store) to 9
    int32_t Reserved64{0};          //  64
    int32_t Reserved68{0};          //  68
    int32_t JunkDirNames{0};        //  72: store file names without their folders
    int32_t Recurse{0};             //  76: descend into folders
    int32_t Grow{0};                //  80: -1 for add, 0 for delete
    int32_t ForceDos{0};            //  84
    int32_t Move{0};                //  88: delete the sources once the archive is written
    int32_t DeleteEntries{0};       //  92: the file specs are members to delete
    int32_t Update{0};              //  96: add new files and replace older members
    int32_t Freshen{0};             // 100: only replace older members
    int32_t NamePrefix{0};          // 104: add: FileSpecs[0] is a folder ("sub/deeper/")
                                    //      put before every stored name; the specs follow
    int32_t LatestTime{0};          // 108: give the archive the time of its newest member
    int32_t Reserved112{0};         // 112
    int32_t ReplaceMember{0};       // 116: FileSpecs[0] names one member exactly, whose
                                    //      data becomes that of the file FileSpecs[1];
                                    //      FileSpecs[2], when set, is the state the archive
                                    //      must be in: "device inode size mtime-ns"
    int32_t ArgCount{0};            // 120: number of FileSpecs set
    char* ZipFilename{nullptr};     // 124
    int32_t Reserved128{0};         // 128: 7
    char* FileSpecs[TrvxMaxFileSpecs]{}; // 132
};

// The command of UnzLibExec: extracts members into the current directory.
struct TUnzipCommand {
    void* Handle{nullptr};               //  0: owner window, none here
    void* Caller{nullptr};               //  4
    int32_t Version{0};                  //  8: TrvxInterfaceVersion
    TLibCallback Callback{nullptr};      // 12
    int32_t TraceEnabled{0};             // 16
    int32_t Reserved20{0};               // 20
    int32_t ExactNames{0};               // 24: each file spec is one exact name (below)
    int32_t Reserved28{0};               // 28
    int32_t Reserved32{0};               // 32
    int32_t Reserved36{0};               // 36
    int32_t Reserved40{0};               // 40: -1
    int32_t Verbose{0};                  // 44
    int32_t Update{0};                   // 48: extract new members and replace older files
    int32_t Freshen{0};                  // 52: only replace older files
    int32_t DirNames{0};                 // 56: keep the stored folders
    int32_t OverWrite{0};                // 60: replace existing files
    int32_t ArgCount{0};                 // 64
    char* ZipFilename{nullptr};          // 68
    int32_t Reserved72{0};               // 72: 7
    char* FileSpecs[TrvxMaxFileSpecs]{}; // 76
};

// Entry points of the two libraries, looked up by these names.
extern "C" {
using TZipLibExec = int32_t (*)(TZipCommand* command);
using TUnzLibExec = int32_t (*)(TUnzipCommand* command);
using TGetLibVersion = int32_t (*)();
}

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(TLibCallbackInfo, Caller) == 4 &&
              offsetof(TLibCallbackInfo, ActionCode) == 16 &&
              offsetof(TLibCallbackInfo, FileSize) == 24 && offsetof(TLibCallbackInfo, Text) == 28);
static_assert(offsetof(TZipCommand, Callback) == 12 && offsetof(TZipCommand, ExactNames) == 24 &&
              offsetof(TZipCommand, HiddenFiles) == 32 && offsetof(TZipCommand, Verbose) == 52 &&
              offsetof(TZipCommand, Level) == 60 && offsetof(TZipCommand, JunkDirNames) == 72 &&
              offsetof(TZipCommand, Freshen) == 100 && offsetof(TZipCommand, LatestTime) == 108 &&
              offsetof(TZipCommand, ArgCount) == 120 && offsetof(TZipCommand, ZipFilename) == 124 &&
              offsetof(TZipCommand, FileSpecs) == 132);
static_assert(offsetof(TUnzipCommand, ExactNames) == 24 && offsetof(TUnzipCommand, Verbose) == 44 &&
              offsetof(TUnzipCommand, Update) == 48 && offsetof(TUnzipCommand, OverWrite) == 60 &&
              offsetof(TUnzipCommand, ArgCount) == 64 &&
              offsetof(TUnzipCommand, ZipFilename) == 68 &&
              offsetof(TUnzipCommand, FileSpecs) == 76);
#endif
