#pragma once
// TZipArchive: the archive component of a panel. It reads an archive's entries itself
// (ReadZipDirectory) and changes archives only through the two ZIP libraries, loaded at
// run time: ZIPLIB (libziplib.so: add, delete) and UNZLIB (libunzlib.so: extract).
//
// Threads: the user-interface thread only. Library calls block it, unless
// RunLibraryCall runs them elsewhere; the libraries call back (OnProgress, OnMessage) on
// the thread that runs the call, during Add, Delete and Extract.
// Messages go through platform::ShowMessage; errors leave as platform::EError.

#include "listing/FileListing.h"
#include "platform/FileOpsProgress.h"
#include "platform/FileSystem.h"
#include "zip/ZipCommand.h"
#include "zip/ZipDirEntry.h"

#include <QObject>
#include <QStringList>
#include <atomic>
#include <exception>
#include <functional>
#include <vector>

enum AddOptsEnum : quint32 {
    AddDirNames = 0x01,
    AddRecurseDirs = 0x02,
    AddMove = 0x04,
    AddFreshen = 0x08,
    AddUpdate = 0x10,
    AddZipTime = 0x20,
    AddForceDOS = 0x40,
    AddHiddenFiles = 0x80,
};
Q_DECLARE_FLAGS(AddOpts, AddOptsEnum)
Q_DECLARE_OPERATORS_FOR_FLAGS(AddOpts)

enum ExtrOptsEnum : quint32 {
    ExtrDirNames = 0x01,
    ExtrOverWrite = 0x02,
    ExtrFreshen = 0x04,
    ExtrUpdate = 0x08,
};
Q_DECLARE_FLAGS(ExtrOpts, ExtrOptsEnum)
Q_DECLARE_OPERATORS_FOR_FLAGS(ExtrOpts)

enum ProgressType { ptFileStart = 0, ptFileStep = 1, ptBatchEnd = 2 };

using TNotifyEvent = std::function<void(QObject* sender)>;
using TProgressEvent = std::function<void(QObject* sender, ProgressType progrType,
                                          const QString& filename, qint64 fileSize)>;
using TMessageEvent = std::function<void(QObject* sender, int errCode, const QString& message)>;

class TZipArchive final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TZipArchive)

public:
    explicit TZipArchive(QObject* parent = nullptr);
    ~TZipArchive() override;

    // --- Properties -------------------------------------------------------------
    bool Verbose{false};
    bool Trace{false}; // also shows "ZIP library loaded" / "UNZ library loaded"
    int AddCompLevel{9};
    AddOpts AddOptions;
    QString ExtrBaseDir;
    ExtrOpts ExtrOptions;
    // Add: the folder that relative paths in FSpecArgs start from (they are then stored
    // with their folders as given, when AddDirNames is set); empty: the current directory.
    QString AddBaseDir;
    QStringList FSpecArgs; // emptied by every operation that reaches its library call
    // Add: a folder of the archive ("sub/deeper/") that every stored name goes below;
    // empty: the top.
    QString AddNamePrefix;
    // The lines of FSpecArgs name members (delete, extract) or files (add) exactly,
    // whatever characters they hold, and an extraction without lines extracts nothing.
    // Off: they are patterns ("*", "?", "[...]"; "/" and "\\" alike) and an extraction
    // without lines takes every member.
    bool ExactNames{false};
    TNotifyEvent OnDirUpdate;
    TProgressEvent OnProgress;
    TMessageEvent OnMessage;
    // Runs the library call of Add, Delete and Extract (`call` neither throws nor shows
    // anything); empty: on the calling thread. The file commands set one that runs it on
    // a worker thread behind the progress window: the library, OnProgress and OnMessage
    // then run on that thread, and the calling thread waits for the call to end.
    std::function<void(const std::function<void()>& call)> RunLibraryCall;
    // When set, the members or files the libraries start are counted into it, and their
    // bytes as the libraries write them (an add counts what libzip reads of each file
    // while it writes the archive); its cancel stops the library as CancelRequested does.
    platform::TFileOpsProgress* Progress{nullptr};

    QString ZipFilename() const { return m_zipFilename; }
    // Stores the path and reads the archive at once; the reader's errors propagate.
    void SetZipFilename(const QString& path);

    // --- Entries of the archive last read --------------------------------------
    // Refills EntryList from ZipFilename. A missing file gives an empty list and no
    // message. See ZipDirReader.h for the messages and errors; a file that cannot be
    // opened raises "Ne peut ouvrir le fichier <path>". OnDirUpdate is raised on
    // every path, errors included, after the file is closed.
    void ReadZipDirectory();
    void FreeEntries();
    const std::vector<ZipDirEntry>& EntryList() const { return m_entries; }
    // The number of entries, or 0 while ZipFilename is empty. O(1).
    int EntryCount() const;
    // The entries as the panels list them: name, uncompressed size, date and time, CRC-32.
    // O(n).
    std::vector<TArchiveMember> Members() const;

    // --- Library driver ---------------------------------------------------------
    // Add: the files named in FSpecArgs go into ZipFilename. Delete: the members named
    // in FSpecArgs leave it. Both read the archive again when the library reports a
    // positive count. Extract: the members named in FSpecArgs (see ExactNames) are
    // written into ExtrBaseDir, which becomes the process's current directory.
    // Refusals are shown as messages and change nothing: among them an ExtrBaseDir or
    // AddBaseDir that is not an existing folder, so nothing is ever written elsewhere.
    // A call while the same kind of operation runs on this component does nothing.
    void Add();
    void Delete();
    void Extract();
    // Puts the file `file` in place of the one member of `archive` named exactly `member`
    // (ZipFilename becomes `archive`); nothing else in the archive changes. Refused as an
    // addition is (an ".exe" archive), and by the library when no member or more than one
    // has that name. SuccessCount is 1 once the member is replaced. With `expected`, the
    // library also refuses when the archive it opens is not that file in that state.
    void Replace(const QString& archive, const QString& member, const QString& file,
                 const platform::TFileStamp& expected = {});

    // The libraries are shared by every component. They are looked up in the folder
    // given to SetLibraryDirectory, or else beside the program and then in
    // <program folder>/../lib/travodex/. Failures are shown as messages.
    void LoadZipLib();
    void LoadUnzLib();
    void UnloadZipLib();
    void UnloadUnzLib();
    static bool ZipLibLoaded();
    static bool UnzLibLoaded();
    // Tests and tools whose libraries are not beside the executable name the folder
    // here; an empty path restores the search beside the program.
    static void SetLibraryDirectory(const QString& directory);

    void FillZipCommand();
    void FillUnzipCommand();
    const TZipCommand& ZipCommand() const { return m_zipCommand; }
    const TUnzipCommand& UnzipCommand() const { return m_unzipCommand; }

    // The libraries' way back: dispatches to OnProgress / OnMessage of the component in
    // info->Caller. Returns -1 when that component's CancelRequested is set, else 0.
    // An exception from a handler asks the library to stop and leaves the operation
    // once the library has returned and everything is cleaned up.
    static int32_t LibCallback(TLibCallbackInfo* info);
    // Drops a final CR or LF, and then one more CR or LF before it.
    static QString TrimLineEnd(const QString& text);

    int SuccessCount() const { return m_successCount; }
    std::atomic<bool> CancelRequested{false}; // reported to the libraries by LibCallback
    bool ZipBusy() const { return m_zipBusy; }
    bool UnzipBusy() const { return m_unzipBusy; }

private:
    void RunZipCommand(bool deleting);
    bool CheckZipRequest(bool deleting) const;
    bool CheckLimits() const;
    bool EnterFolder(const QString& folder, const QString& undone) const;
    void CallLibrary(const std::function<int32_t()>& call, bool haveEntryPoint);
    void RaiseDirUpdate();
    void RethrowHandlerError();

    QString m_zipFilename;
    std::vector<ZipDirEntry> m_entries;
    int m_successCount{0};
    bool m_zipBusy{false};
    bool m_unzipBusy{false};
    bool m_replacing{false}; // the add command of Replace
    std::exception_ptr m_handlerError;
    TZipCommand m_zipCommand;
    TUnzipCommand m_unzipCommand;
};
