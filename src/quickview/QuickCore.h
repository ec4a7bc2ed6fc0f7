#pragma once
// What the quick-view pane shows of a file, found and loaded without widgets, on any
// thread: the kind of the file (from its type and content, never by opening a FIFO or a
// device), and what of it is shown: the first block of a text or binary file and its
// encoding, a picture decoded at the pane's size, the member list of an archive, the
// count and bytes of a folder. A member of an archive is shown from a private copy that
// the load makes (up to MostMemberBytes) and the result holds: the copy goes with the last
// result that holds it. Every step checks the cancel flag of its progress record
// and gives up early when it is set; the result of a cancelled load is never shown.
//
// TQuickLoader runs the loads off the window's thread: each request gets a new
// generation number and cancels the load before it; at most MaxRunning loads run at once
// (a load stuck in the file system does not hold the next one up), further requests wait
// as one, the latest. A result reaches Loaded only when it is of the latest request.

#include "platform/FileOpsProgress.h"
#include "platform/TempFolder.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>

namespace quickview
{

enum class TKind {
    Nothing, // no file under the cursor (the ".." row, a drive, an empty panel)
    Text,    // read through the paged text view, in Encoding
    Html,    // a text named .htm or .html: shown as a page where there is one, else as Text
    Binary,  // read through the paged text view in hex
    Picture,
    Lines,  // lines of text made here: an archive's members, a folder's summary
    Failed, // not shown; Why says why
};

struct TQuickResult {
    quint64 Generation{0};
    TKind Kind{TKind::Nothing};
    QString Path; // as requested (for a member, the archive's path, "/" and its name)
    QString File; // the file read: Path, or the private copy of a member
    std::shared_ptr<platform::TPrivateFolder> Copy; // the member's copy, if one was made
    QString Name;
    qint64 Size{-1};  // bytes of a file, or of all the files below a folder
    QString KindText; // "text", "JPEG picture", "ZIP archive", "folder", "FIFO (named pipe)"
    QString Detail;   // the encoding, the picture's size, the member count
    QString Why;      // Failed: why the file is not shown
    QString Encoding; // Text: the name of TextEncodings.h
    int BomSize{0};
    QImage Picture;    // Picture: scaled to fit the pane, never enlarged
    QStringList Lines; // Lines
};

// A reader of a kind of file the loader does not know itself (sound, module, MIDI: their
// players' module): its lines, or none and why. Called on the load's thread.
struct TDescriber {
    QString Kind; // "sound", "module", "MIDI sequence"
    std::function<QStringList(const QString& path, QString* why)> Read;
};

// A member of an archive shown in a panel.
struct TMemberSource {
    QString Archive; // the archive's file
    QString Name;    // the member's stored name
    qint64 Size{-1}; // its size as the archive lists it
    bool Zip{false}; // read by our ZIP reader, else by the archive module
    // When set, the copy is made by this instead (a file of a remote place): writes the
    // new file `file`, at most `limit` bytes, on the load's thread; false with `why`
    // (empty when cancelled through `progress`) when it did not.
    std::function<bool(const QString& file, qint64 limit, platform::TFileOpsProgress& progress,
                       QString& why)>
        Fetch;
};

struct TQuickRequest {
    QString Path;
    QSize Fit;            // the pane's size, which a picture is fitted into
    TDescriber Describe;  // when set, a regular file is described by it alone
    TMemberSource Member; // when its Archive is set, Path names the member, shown from a copy
};

// Picture files larger than this are not decoded for the pane.
constexpr qint64 MostPictureBytes = 256LL << 20;
// Members listed at most.
constexpr int MostMembers = 5000;
// Members larger than this are not extracted for the pane.
constexpr qint64 MostMemberBytes = 64LL << 20;

// Loads what the pane shows of the request's file. `progress`'s cancel flag stops it
// early (the result is then of no use).
TQuickResult LoadQuick(const TQuickRequest& request, platform::TFileOpsProgress& progress);

// The status line of a result: "name — size — kind — detail", or "name — why".
QString StatusText(const TQuickResult& result);

class TQuickLoader final : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxRunning = 2;

    // The load run for each request; LoadQuick unless a test or benchmark sets another.
    std::function<TQuickResult(const TQuickRequest&, platform::TFileOpsProgress&)> Load{LoadQuick};

    explicit TQuickLoader(QObject* parent = nullptr);
    ~TQuickLoader() override;

    // Loads `path` next; the load under way, if any, is cancelled. Returns the request's
    // generation.
    quint64 Request(const TQuickRequest& request);
    // Cancels every load; no result comes of them.
    void Cancel();
    quint64 Generation() const { return m_generation; }
    int Running() const { return m_running; }
    // Loads started since creation (requests replaced while waiting never start).
    int Started() const { return m_started; }

signals:
    void Loaded(const quickview::TQuickResult& result);

private:
    struct TLink; // the loader as the load threads reach it: gone once it is destroyed
    struct TJob {
        TQuickRequest Request;
        quint64 Generation{0};
    };
    void Start(const TJob& job);
    void Finished(const TQuickResult& result);

    std::shared_ptr<TLink> m_link;
    std::shared_ptr<platform::TFileOpsProgress> m_current;
    quint64 m_generation{0};
    int m_running{0};
    int m_started{0};
    bool m_pending{false};
    TJob m_next;
};

} // namespace quickview

Q_DECLARE_METATYPE(quickview::TQuickResult)
