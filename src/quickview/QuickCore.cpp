#include "quickview/QuickCore.h"

#include "archive/ReadOnlyArchive.h"
#include "fileops/uCommon.h"
#include "listing/FileListing.h"
#include "piclib/PcxDecoder.h"
#include "piclib/PicLib.h"
#include "piclib/TgaDecoder.h"
#include "platform/FileSystem.h"
#include "platform/FileType.h"
#include "platform/Messages.h"
#include "quickview/QuickMember.h"
#include "viewers/TextEncodings.h"
#include "zip/ZipCentralDir.h"

#include <QFile>
#include <QImageReader>
#include <QMetaObject>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace quickview
{

namespace
{

constexpr qint64 HeadBytes = 64 * 1024;

QString LastPart(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}

TQuickResult Fail(TQuickResult r, const QString& why)
{
    r.Kind = TKind::Failed;
    r.Why = why;
    r.Picture = {};
    r.Lines.clear();
    return r;
}

bool HasPictureExtension(const QString& name)
{
    static const QStringList known{"jpg",  "jpeg", "png", "gif", "bmp", "pcx", "tga", "tif",
                                   "tiff", "webp", "ico", "svg", "ppm", "pgm", "pbm", "xpm"};
    return known.contains(name.section(QLatin1Char('.'), -1).toLower()) && name.contains('.');
}

// `size` made to fit `area`, never larger than it was.
QSize Fitted(QSize size, QSize area)
{
    if (!area.isValid() || area.isEmpty())
        return size;
    if (size.width() > area.width() || size.height() > area.height())
        size = size.scaled(area, Qt::KeepAspectRatio);
    return size.expandedTo(QSize(1, 1));
}

// A file whose reads fail once the load is cancelled: a decoder reading it gives up at its
// next read instead of decoding a picture nobody will see.
class TCancellableFile final : public QFile
{
public:
    TCancellableFile(const QString& path, const platform::TFileOpsProgress& progress)
        : QFile(path), m_progress(progress)
    {
    }

protected:
    qint64 readData(char* data, qint64 size) override
    {
        return m_progress.Cancelled() ? -1 : QFile::readData(data, size);
    }

private:
    const platform::TFileOpsProgress& m_progress;
};

// Qt's readers (by content) scale while decoding: a JPEG decodes at a fraction of its
// cost when asked for a fraction of its size. False when no reader of Qt takes the file.
bool ReadPictureWithQt(const QString& path, QSize fit, platform::TFileOpsProgress& progress,
                       TQuickResult& r)
{
    TCancellableFile file(path, progress);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    // TGA has no signature: Qt's guess is left to our own decoder's stricter check.
    if (format.isEmpty() || format == "tga")
        return false;
    QSize own = reader.size();
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    if (own.isValid()) {
        // The scaled size applies before the turn.
        const QSize area = turned ? fit.transposed() : fit;
        if (Fitted(own, area) != own)
            reader.setScaledSize(Fitted(own, area));
    }
    r.KindText = QString::fromLatin1(format.toUpper()) + QStringLiteral(" picture");
    QImage image = reader.read();
    if (progress.Cancelled())
        return true; // nobody looks at the result
    if (image.isNull()) {
        r = Fail(r, QStringLiteral("undecodable: ") + reader.errorString());
        return true;
    }
    if (turned)
        own.transpose();
    if (!own.isValid())
        own = image.size();
    if (Fitted(image.size(), fit) != image.size())
        image = image.scaled(Fitted(image.size(), fit), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    r.Kind = TKind::Picture;
    r.Picture = std::move(image);
    r.Detail = QStringLiteral("%1 × %2").arg(own.width()).arg(own.height());
    return true;
}

// PCX and TGA through the picture library, then scaled to fit. False when the file is
// not one of them.
bool ReadPictureWithLib(const QString& path, const QByteArray& head, QSize fit, TQuickResult& r)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.constData());
    const bool pcx = piclib::PcxLooksValid(bytes, std::size_t(head.size()));
    if (!pcx && !piclib::TgaLooksValid(bytes, std::size_t(head.size())))
        return false;
    std::unique_ptr<QImage> image(PicLibLoad(QFile::encodeName(path).constData(), 0));
    r.KindText = pcx ? QStringLiteral("PCX picture") : QStringLiteral("TGA picture");
    if (!image) {
        // A binary file may begin like a TGA header by chance: only a picture's name
        // makes the failure the answer.
        if (!HasPictureExtension(r.Name))
            return false;
        r = Fail(r, QStringLiteral("undecodable: ") + QString::fromUtf8(PicLibErrorText()));
        return true;
    }
    r.Detail = QStringLiteral("%1 × %2").arg(image->width()).arg(image->height());
    const QSize size = Fitted(image->size(), fit);
    r.Picture = size == image->size()
                    ? std::move(*image)
                    : image->scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    r.Kind = TKind::Picture;
    return true;
}

QString MemberLine(const QString& name, qint64 size)
{
    return name.endsWith(QLatin1Char('/')) ? name
                                           : name + QStringLiteral("  (%1)").arg(FormatSize(size));
}

void MemberLines(TQuickResult& r, const QString& kind, QStringList lines)
{
    r.Kind = TKind::Lines;
    r.KindText = kind;
    const qint64 count = lines.size();
    r.Detail = QStringLiteral("%1 members").arg(FormatSize(count));
    if (count > MostMembers) {
        lines.resize(MostMembers);
        lines << QStringLiteral("… and %1 more").arg(FormatSize(count - MostMembers));
    }
    r.Lines = std::move(lines);
}

// A ZIP archive's members from its central directory. False when it has none to read.
bool ReadZipMembers(QFile& file, TQuickResult& r)
{
    std::vector<ZipDirEntry> entries;
    if (!file.seek(0) || !ReadCentralDirectory(file, entries))
        return false;
    QStringList lines;
    for (const ZipDirEntry& e : entries)
        lines << MemberLine(e.FileName, qint64(e.UncompressedSize));
    MemberLines(r, QStringLiteral("ZIP archive"), lines);
    return true;
}

// An archive of another format, read in a child process that a cancel ends.
bool ReadOtherMembers(const QString& path, platform::TFileOpsProgress& progress, TQuickResult& r)
{
    if (!HasArchiveExtension(r.Name))
        return false;
    TReadOnlyArchive archive;
    try {
        if (!archive.Open(path, [&progress] { return !progress.Cancelled(); }))
            return false;
    } catch (const platform::EError& e) {
        r.KindText = QStringLiteral("archive");
        r = Fail(r, QStringLiteral("unreadable: ") + e.Message());
        return true;
    }
    QStringList lines;
    for (const TArchiveMember& m : archive.Members())
        lines << MemberLine(m.Name, m.Size);
    MemberLines(r, QStringLiteral("archive"), lines);
    return true;
}

TQuickResult LoadFolder(TQuickResult r, platform::TFileOpsProgress& progress)
{
    r.KindText = QStringLiteral("folder");
    qint64 files = 0, folders = 0;
    int error = 0;
    const bool read = platform::SearchDirectory(
        r.Path,
        [&](platform::TFoundEntry&& e) {
            if (e.Name == QLatin1String(".."))
                return;
            ++((e.Attr & platform::faDirectory) ? folders : files);
        },
        &progress, &error);
    if (progress.Cancelled())
        return r;
    if (!read)
        return Fail(r, QStringLiteral("unreadable: ") +
                           QString::fromLocal8Bit(std::strerror(error ? error : EIO)));
    const qint64 bytes = DirectoryTreeSize(r.Path, &progress);
    r.Kind = TKind::Lines;
    r.Size = bytes;
    const QString counts =
        QStringLiteral("%1 %2 and %3 %4")
            .arg(FormatSize(files), QLatin1String(files == 1 ? "file" : "files"))
            .arg(FormatSize(folders), QLatin1String(folders == 1 ? "folder" : "folders"));
    r.Detail = counts;
    r.Lines << QStringLiteral("Folder %1").arg(r.Name) << counts + QStringLiteral(" in it");
    if (bytes >= 0)
        r.Lines << QStringLiteral("%1 bytes in all the files below it").arg(FormatSize(bytes));
    return r;
}

TQuickResult LoadFile(TQuickResult r, QSize fit, platform::TFileOpsProgress& progress)
{
    QFile file(r.Path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(r, QStringLiteral("unreadable: ") + file.errorString());
    const QByteArray head = file.read(HeadBytes);
    if (head.isEmpty() && r.Size > 0)
        return Fail(r, QStringLiteral("unreadable: ") + file.errorString());
    if (progress.Cancelled())
        return r;
    if ((head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) && ReadZipMembers(file, r))
        return r;
    file.close();
    if (r.Size > MostPictureBytes && HasPictureExtension(r.Name))
        return Fail(r, QStringLiteral("too large: pictures of more than %1 bytes are not shown")
                           .arg(FormatSize(MostPictureBytes)));
    if (ReadPictureWithQt(r.Path, fit, progress, r) || ReadPictureWithLib(r.Path, head, fit, r))
        return r;
    if (progress.Cancelled() || ReadOtherMembers(r.Path, progress, r))
        return r;
    const viewers::TEncodingGuess guess = viewers::GuessEncoding(head, r.Size <= head.size());
    const bool utf16 = QByteArrayView(guess.Encoding->Codec).startsWith("UTF-16");
    r.Encoding = QString::fromLatin1(guess.Encoding->Name);
    r.BomSize = guess.BomSize;
    if (head.contains('\0') && !utf16) {
        r.Kind = TKind::Binary;
        r.KindText = QStringLiteral("binary");
        r.Detail = QStringLiteral("hex");
    } else {
        const QString suffix = r.Name.section(QLatin1Char('.'), -1).toLower();
        const bool html =
            r.Name.contains(QLatin1Char('.')) && (suffix == "htm" || suffix == "html");
        r.Kind = html ? TKind::Html : TKind::Text;
        r.KindText = html ? QStringLiteral("HTML") : QStringLiteral("text");
        r.Detail = r.Encoding;
    }
    return r;
}

TQuickResult Describe(TQuickResult r, const TDescriber& describer)
{
    r.KindText = describer.Kind;
    QString why;
    r.Lines = describer.Read(r.Path, &why);
    if (r.Lines.isEmpty())
        return Fail(r, QStringLiteral("undecodable: ") + why);
    r.Kind = TKind::Lines;
    r.Detail = r.Lines.mid(1).join(QStringLiteral(", "));
    return r;
}

// A member: copied into a private folder of its own, then loaded as a file from there.
TQuickResult LoadMember(const TQuickRequest& request, platform::TFileOpsProgress& progress)
{
    const TMemberSource& member = request.Member;
    TQuickResult r;
    r.Path = request.Path;
    r.Name = LastPart(member.Name);
    r.Size = member.Size;
    std::shared_ptr<platform::TPrivateFolder> folder;
    try {
        folder = std::make_shared<platform::TPrivateFolder>();
    } catch (const platform::EError& e) {
        return Fail(r, QStringLiteral("cannot make the private copy: ") + e.Message());
    }
    const QString copy = folder->Path() + r.Name;
    QString why;
    if (!CopyMember(member, copy, MostMemberBytes, progress, why))
        return why.isEmpty() ? r : Fail(r, why);
    TQuickResult shown = LoadQuick({copy, request.Fit, request.Describe, {}}, progress);
    shown.Path = request.Path;
    shown.Copy = std::move(folder);
    return shown;
}

} // namespace

TQuickResult LoadQuick(const TQuickRequest& request, platform::TFileOpsProgress& progress)
{
    if (!request.Member.Archive.isEmpty())
        return LoadMember(request, progress);
    const QString& path = request.Path;
    TQuickResult r;
    r.Path = path;
    r.File = path;
    r.Name = LastPart(path);
    const platform::TFileTypeInfo type = platform::FileTypeOf(path);
    if (type.Type == platform::TFileType::Missing)
        return Fail(r, QStringLiteral("gone: ") + type.Why);
    if (type.Type == platform::TFileType::Folder)
        return LoadFolder(r, progress);
    // Only regular files are opened: a read of a FIFO takes the data another program's
    // reader waits for (or waits for a writer forever), and a device's may never end.
    if (type.Type != platform::TFileType::Regular) {
        r.KindText = platform::FileTypeName(type.Type);
        return Fail(r, QStringLiteral("not opened: a %1 is not read here").arg(r.KindText));
    }
    r.Size = type.Size;
    if (request.Describe.Read)
        return Describe(r, request.Describe);
    return LoadFile(r, request.Fit, progress);
}

QString StatusText(const TQuickResult& r)
{
    QStringList parts{r.Name};
    if (r.Size >= 0)
        parts << FormatSize(r.Size) + QStringLiteral(" bytes");
    if (!r.KindText.isEmpty())
        parts << r.KindText;
    if (r.Kind == TKind::Failed)
        parts << r.Why;
    else if (!r.Detail.isEmpty())
        parts << r.Detail;
    return parts.join(QStringLiteral(" — "));
}

// The loader as its threads reach it; Owner is cleared when the loader goes.
struct TQuickLoader::TLink {
    std::mutex Lock;
    TQuickLoader* Owner{nullptr};
};

TQuickLoader::TQuickLoader(QObject* parent) : QObject(parent), m_link(std::make_shared<TLink>())
{
    qRegisterMetaType<quickview::TQuickResult>();
    m_link->Owner = this;
}

TQuickLoader::~TQuickLoader()
{
    Cancel();
    std::lock_guard lock(m_link->Lock);
    m_link->Owner = nullptr;
}

quint64 TQuickLoader::Request(const TQuickRequest& request)
{
    const TJob job{request, ++m_generation};
    if (m_current)
        m_current->Cancel();
    if (m_running < MaxRunning) {
        m_pending = false;
        Start(job);
    } else {
        m_pending = true;
        m_next = job;
    }
    return job.Generation;
}

void TQuickLoader::Cancel()
{
    ++m_generation;
    m_pending = false;
    if (m_current)
        m_current->Cancel();
}

void TQuickLoader::Start(const TJob& job)
{
    ++m_running;
    ++m_started;
    m_current = std::make_shared<platform::TFileOpsProgress>();
    // A detached thread: a load stuck in the file system ends on its own, and nobody
    // waits for it (it holds only shared records).
    std::thread([link = m_link, progress = m_current, job, load = Load] {
        platform::LowerThreadPriority(10);
        TQuickResult result = load(job.Request, *progress);
        result.Generation = job.Generation;
        std::lock_guard lock(link->Lock);
        if (link->Owner)
            QMetaObject::invokeMethod(
                link->Owner, [owner = link->Owner, result] { owner->Finished(result); },
                Qt::QueuedConnection);
    }).detach();
}

void TQuickLoader::Finished(const TQuickResult& result)
{
    --m_running;
    if (result.Generation == m_generation)
        emit Loaded(result);
    if (m_pending && m_running < MaxRunning) {
        m_pending = false;
        Start(m_next);
    }
}

} // namespace quickview
