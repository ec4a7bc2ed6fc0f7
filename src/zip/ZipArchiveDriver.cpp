// The library half of TZipArchive: loading ZIPLIB and UNZLIB, filling their command
// records, and the add, delete and extract operations.
#include "platform/FileNames.h"
#include "zip/ZipArchive.h"

#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QScopeGuard>
#include <cstring>
#include <memory>

namespace
{

// One loaded library, shared by every component of the program.
struct TLibrarySlot {
    const char* Title;    // "ZIPLIB", "UNZLIB"
    const char* FileName; // file name of the shared library
    const char* ExecName; // operation entry point
    const char* VersionName;
    const char* LoadedText; // the trace message
    std::unique_ptr<QLibrary> Library;
    QFunctionPointer Exec{nullptr};
};

TLibrarySlot g_zipLib{"ZIPLIB",           "libziplib.so",       "ZipLibExec",
                      "GetZipLibVersion", "ZIP library loaded", nullptr};
TLibrarySlot g_unzLib{"UNZLIB",           "libunzlib.so",       "UnzLibExec",
                      "GetUnzLibVersion", "UNZ library loaded", nullptr};
QString g_libraryDirectory;

QStringList LibraryCandidates(const char* fileName)
{
    const QString name = QString::fromLatin1(fileName);
    if (!g_libraryDirectory.isEmpty())
        return {AddSeparator(g_libraryDirectory) + name};
    const QString program = platform::ProgramDirectory();
    return {program + name, QDir::cleanPath(program + QStringLiteral("../lib/travodex/") + name)};
}

void LoadLibrary(TLibrarySlot& slot, bool trace)
{
    if (slot.Library)
        return;
    for (const QString& path : LibraryCandidates(slot.FileName)) {
        if (!QFile::exists(path))
            continue;
        auto library = std::make_unique<QLibrary>(path);
        if (library->load()) {
            slot.Library = std::move(library);
            break;
        }
    }
    const QString title = QString::fromLatin1(slot.Title);
    if (!slot.Library) {
        platform::ShowMessage(title + QStringLiteral(" not found"));
        return;
    }
    if (trace)
        platform::ShowMessage(QString::fromLatin1(slot.LoadedText));
    slot.Exec = slot.Library->resolve(slot.ExecName);
    for (const char* entry : {slot.ExecName, slot.VersionName}) {
        if (!slot.Library->resolve(entry))
            platform::ShowMessage(QStringLiteral("%1 function not found in %2")
                                      .arg(QString::fromLatin1(entry), title));
    }
}

void UnloadLibrary(TLibrarySlot& slot)
{
    if (!slot.Library)
        return;
    slot.Library->unload();
    slot.Library.reset();
    slot.Exec = nullptr;
}

int32_t Flag(bool value)
{
    return value ? -1 : 0;
}

// The 256-byte text buffers of one library call: the archive path and one per
// file spec. Lengths were checked beforehand (CheckLimits).
class TTextBuffers final
{
public:
    TTextBuffers(const QString& archive, const QStringList& specs)
    {
        m_archive = Make(archive);
        m_specs.reserve(size_t(specs.size()));
        for (const QString& spec : specs)
            m_specs.push_back(Make(spec));
    }
    // Stores the pointers into a record's archive and file-spec fields.
    template <typename TCommand> void Fill(TCommand& command) const
    {
        command.ZipFilename = m_archive.get();
        command.ArgCount = 0;
        for (const auto& spec : m_specs)
            command.FileSpecs[command.ArgCount++] = spec.get();
    }

private:
    static std::unique_ptr<char[]> Make(const QString& text)
    {
        auto buffer = std::make_unique<char[]>(TrvxTextBufferSize); // zero-filled
        const QByteArray bytes = platform::EncodeFileName(text);
        std::memcpy(buffer.get(), bytes.constData(),
                    size_t(std::min<qsizetype>(bytes.size(), TrvxTextBufferSize - 1)));
        return buffer;
    }
    std::unique_ptr<char[]> m_archive;
    std::vector<std::unique_ptr<char[]>> m_specs;
};

template <typename TCommand> void ClearTexts(TCommand& command)
{
    command.ZipFilename = nullptr;
    for (int i = 0; i < command.ArgCount; ++i)
        command.FileSpecs[i] = nullptr;
    command.ArgCount = 0;
}

} // namespace

void TZipArchive::SetLibraryDirectory(const QString& directory)
{
    g_libraryDirectory = directory;
}
bool TZipArchive::ZipLibLoaded()
{
    return bool(g_zipLib.Library);
}
bool TZipArchive::UnzLibLoaded()
{
    return bool(g_unzLib.Library);
}
void TZipArchive::LoadZipLib()
{
    LoadLibrary(g_zipLib, Trace);
}
void TZipArchive::LoadUnzLib()
{
    LoadLibrary(g_unzLib, Trace);
}
void TZipArchive::UnloadZipLib()
{
    UnloadLibrary(g_zipLib);
}
void TZipArchive::UnloadUnzLib()
{
    UnloadLibrary(g_unzLib);
}

void TZipArchive::FillZipCommand()
{
    m_zipCommand = TZipCommand{};
    TZipCommand& c = m_zipCommand;
    c.Caller = this;
    c.Version = TrvxInterfaceVersion;
    c.Callback = &TZipArchive::LibCallback;
    c.TraceEnabled = Flag(Trace);
    c.ExactNames = Flag(ExactNames);
    c.HiddenFiles = Flag(AddOptions.testFlag(AddHiddenFiles));
    c.Reserved44 = -1;
    c.Verbose = Flag(Verbose || Trace);
    c.Reserved56 = -1;
    c.Level = AddCompLevel;
    c.JunkDirNames = Flag(!AddOptions.testFlag(AddDirNames));
    c.Recurse = Flag(AddOptions.testFlag(AddRecurseDirs));
    c.Grow = -1;
    c.ForceDos = Flag(AddOptions.testFlag(AddForceDOS));
    c.Move = Flag(AddOptions.testFlag(AddMove));
    c.Update = Flag(AddOptions.testFlag(AddUpdate));
    c.Freshen = Flag(AddOptions.testFlag(AddFreshen) && !AddOptions.testFlag(AddUpdate));
    c.LatestTime = Flag(AddOptions.testFlag(AddZipTime));
    c.Reserved128 = 7;
}

void TZipArchive::FillUnzipCommand()
{
    m_unzipCommand = TUnzipCommand{};
    TUnzipCommand& c = m_unzipCommand;
    c.Caller = this;
    c.Version = TrvxInterfaceVersion;
    c.Callback = &TZipArchive::LibCallback;
    c.TraceEnabled = Flag(Trace);
    c.ExactNames = Flag(ExactNames);
    c.Reserved40 = -1;
    c.Verbose = Flag(Verbose || Trace);
    c.Update = Flag(ExtrOptions.testFlag(ExtrUpdate));
    c.Freshen = Flag(ExtrOptions.testFlag(ExtrFreshen) && !ExtrOptions.testFlag(ExtrUpdate));
    c.DirNames = Flag(ExtrOptions.testFlag(ExtrDirNames));
    c.OverWrite = Flag(ExtrOptions.testFlag(ExtrOverWrite));
    c.Reserved72 = 7;
}

bool TZipArchive::CheckLimits() const
{
    // The prefix of an add takes a file spec of its own.
    if (FSpecArgs.size() + (AddNamePrefix.isEmpty() ? 0 : 1) > TrvxMaxFileSpecs) {
        platform::ShowMessage(
            QStringLiteral("Error - too many files selected (at most %1)").arg(TrvxMaxFileSpecs));
        return false;
    }
    QStringList texts = FSpecArgs;
    texts.prepend(m_zipFilename);
    texts << AddNamePrefix;
    for (const QString& text : texts) {
        if (platform::EncodeFileName(text).size() >= TrvxTextBufferSize) {
            platform::ShowMessage(QStringLiteral("Error - name longer than %1 bytes: %2")
                                      .arg(TrvxTextBufferSize - 1)
                                      .arg(text));
            return false;
        }
    }
    return true;
}

bool TZipArchive::CheckZipRequest(bool deleting) const
{
    if (FSpecArgs.isEmpty()) {
        platform::ShowMessage(deleting ? QStringLiteral("Error - no files selected for deletion")
                                       : QStringLiteral("Error - no files to zip"));
        return false;
    }
    if (deleting ? !platform::FileExists(m_zipFilename) : m_zipFilename.isEmpty()) {
        platform::ShowMessage(QStringLiteral("Error - no zip file specified"));
        return false;
    }
    if (m_zipFilename.right(4).toLower() == QLatin1String(".exe")) {
        platform::ShowMessage(
            deleting ? QStringLiteral(
                           "Error - this pgm can NOT delete files from a self-extracting archive")
                     : QStringLiteral(
                           "Error - this pgm can NOT add files to a self-extracting archive"));
        return false;
    }
    if (!platform::MayChangeFile(m_zipFilename)) {
        platform::ShowMessage(QStringLiteral("Error - %1 is write-protected: nothing %2")
                                  .arg(m_zipFilename, deleting ? QStringLiteral("deleted")
                                                               : QStringLiteral("added")));
        return false;
    }
    return CheckLimits();
}

void TZipArchive::Add()
{
    RunZipCommand(false);
}
void TZipArchive::Delete()
{
    RunZipCommand(true);
}

void TZipArchive::Replace(const QString& archive, const QString& member, const QString& file,
                          const platform::TFileStamp& expected)
{
    m_zipFilename = archive;
    FSpecArgs = QStringList{member, file};
    if (expected.Size >= 0)
        FSpecArgs << QStringLiteral("%1 %2 %3 %4")
                         .arg(expected.Device)
                         .arg(expected.Inode)
                         .arg(expected.Size)
                         .arg(expected.ModifiedNs);
    m_successCount = 0;
    m_replacing = true;
    const auto done = qScopeGuard([this] { m_replacing = false; });
    RunZipCommand(false);
}

// Makes `folder` the current directory, so that the library works there and nowhere
// else. When it cannot, says so ("nothing <undone>") and returns false.
bool TZipArchive::EnterFolder(const QString& folder, const QString& undone) const
{
    if (!platform::DirectoryExists(folder)) {
        platform::ShowMessage(
            QStringLiteral("Error - the folder %1 does not exist: nothing %2").arg(folder, undone));
        return false;
    }
    if (!platform::SetCurrentDirectory(folder)) {
        platform::ShowMessage(
            QStringLiteral("Error - cannot enter the folder %1: nothing %2").arg(folder, undone));
        return false;
    }
    return true;
}

void TZipArchive::RunZipCommand(bool deleting)
{
    if (!CheckZipRequest(deleting) || m_zipBusy)
        return;
    if (!deleting && !AddBaseDir.isEmpty() && !EnterFolder(AddBaseDir, QStringLiteral("added")))
        return;
    m_zipBusy = true;
    CancelRequested = false;
    const bool loadedHere = !ZipLibLoaded();
    if (loadedHere)
        LoadZipLib();
    if (ZipLibLoaded()) {
        FillZipCommand();
        if (deleting) {
            TZipCommand& c = m_zipCommand;
            c.DeleteEntries = -1;
            c.Grow = c.JunkDirNames = c.Recurse = c.Move = c.Update = c.Freshen = 0;
        }
        if (m_replacing) {
            TZipCommand& c = m_zipCommand;
            c.ReplaceMember = c.ExactNames = -1;
            c.Recurse = c.Move = c.Update = c.Freshen = 0;
        }
        const bool prefixed = !deleting && !m_replacing && !AddNamePrefix.isEmpty();
        if (prefixed)
            m_zipCommand.NamePrefix = -1;
        const TTextBuffers buffers(m_zipFilename,
                                   prefixed ? QStringList{AddNamePrefix} + FSpecArgs : FSpecArgs);
        buffers.Fill(m_zipCommand);
        const auto exec = reinterpret_cast<TZipLibExec>(g_zipLib.Exec);
        CallLibrary([&] { return exec(&m_zipCommand); }, exec != nullptr);
        FSpecArgs.clear();
        ClearTexts(m_zipCommand);
        if (loadedHere)
            UnloadZipLib();
    }
    CancelRequested = false;
    m_zipBusy = false;
    if (m_successCount > 0 && !m_handlerError)
        ReadZipDirectory();
    RethrowHandlerError();
}

void TZipArchive::Extract()
{
    if (!CheckLimits() || m_unzipBusy || !EnterFolder(ExtrBaseDir, QStringLiteral("extracted")))
        return;
    m_unzipBusy = true;
    CancelRequested = false;
    const bool loadedHere = !UnzLibLoaded();
    if (loadedHere)
        LoadUnzLib();
    if (UnzLibLoaded()) {
        FillUnzipCommand();
        const TTextBuffers buffers(m_zipFilename, FSpecArgs);
        buffers.Fill(m_unzipCommand);
        const auto exec = reinterpret_cast<TUnzLibExec>(g_unzLib.Exec);
        CallLibrary([&] { return exec(&m_unzipCommand); }, exec != nullptr);
        FSpecArgs.clear();
        ClearTexts(m_unzipCommand);
        if (loadedHere)
            UnloadUnzLib();
    }
    CancelRequested = false;
    m_unzipBusy = false;
    RethrowHandlerError();
}

// A missing entry point counts as a fault of the call, as does an exception.
void TZipArchive::CallLibrary(const std::function<int32_t()>& call, bool haveEntryPoint)
{
    m_handlerError = nullptr;
    bool failed = false;
    const auto run = [&] {
        try {
            if (!haveEntryPoint)
                throw std::runtime_error("no entry point");
            m_successCount = call();
        } catch (...) {
            failed = true;
        }
    };
    if (RunLibraryCall)
        RunLibraryCall(run);
    else
        run();
    if (failed) // shown here, on the calling thread
        platform::ShowMessage(QStringLiteral("Fatal library error: abort exception"));
}

void TZipArchive::RethrowHandlerError()
{
    if (!m_handlerError)
        return;
    std::exception_ptr error = std::exchange(m_handlerError, nullptr);
    std::rethrow_exception(error);
}

int32_t TZipArchive::LibCallback(TLibCallbackInfo* info)
{
    auto* self = info ? static_cast<TZipArchive*>(info->Caller) : nullptr;
    if (!self)
        return 0;
    const QString text =
        QString::fromUtf8(info->Text, qsizetype(qstrnlen(info->Text, sizeof info->Text)));
    try {
        switch (info->ActionCode) {
        case TrvxActionFileStart:
            if (self->Progress) {
                self->Progress->SetCurrent(text);
                self->Progress->AddItem();
            }
            if (self->OnProgress)
                self->OnProgress(self, ptFileStart, text, info->FileSize);
            break;
        case TrvxActionFileStep:
            if (self->Progress) // the bytes written since the last report
                self->Progress->AddBytes(info->FileSize);
            [[fallthrough]];
        case TrvxActionBatchEnd:
            if (self->OnProgress)
                self->OnProgress(self,
                                 info->ActionCode == TrvxActionFileStep ? ptFileStep : ptBatchEnd,
                                 QStringLiteral(" "), 0);
            break;
        case TrvxActionMessage:
            if (self->OnMessage)
                self->OnMessage(self, info->ErrorCode, TrimLineEnd(text));
            break;
        default:
            return 0;
        }
    } catch (...) {
        if (!self->m_handlerError)
            self->m_handlerError = std::current_exception();
        return -1;
    }
    return self->CancelRequested || platform::CancelRequested(self->Progress) ||
                   self->m_handlerError
               ? -1
               : 0;
}

QString TZipArchive::TrimLineEnd(const QString& text)
{
    QString s = text;
    auto isLineEnd = [](QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); };
    if (!s.isEmpty() && isLineEnd(s.back())) {
        s.chop(1);
        if (!s.isEmpty() && isLineEnd(s.back()))
            s.chop(1);
    }
    return s;
}
