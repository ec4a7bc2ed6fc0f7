#include "main/FileClipboard.h"

#include <QMimeData>
#include <QUrl>

namespace
{

const QString kUriList = QStringLiteral("text/uri-list");
const QString kGnome = QStringLiteral("x-special/gnome-copied-files");
const QString kKdeCut = QStringLiteral("application/x-kde-cutselection");

// Local paths of the URI lines `lines`; a comment line ("#...") or an empty one is
// skipped. False when a line names no local file.
bool LocalPaths(const QList<QByteArray>& lines, QStringList& paths)
{
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
        if (!url.isValid() || !url.isLocalFile() || !url.host().isEmpty())
            return false;
        const QString path = url.toLocalFile();
        if (!path.startsWith('/'))
            return false;
        paths << path;
    }
    return true;
}

} // namespace

std::unique_ptr<QMimeData> FilesToClipboard(const QStringList& paths, bool cut)
{
    QByteArray uris, gnome = cut ? "cut" : "copy";
    for (const QString& path : paths) {
        // A remote place's file goes as its own URI.
        const QByteArray uri =
            path.startsWith('/') ? QUrl::fromLocalFile(path).toEncoded() : QUrl(path).toEncoded();
        uris += uri + "\r\n";
        gnome += '\n' + uri;
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(kUriList, uris);
    data->setData(kGnome, gnome);
    if (cut)
        data->setData(kKdeCut, "1");
    data->setText(paths.join('\n'));
    return data;
}

TClipboardFiles FilesFromClipboard(const QMimeData* data)
{
    TClipboardFiles files;
    const QString none = QStringLiteral("The clipboard holds no files.");
    if (!data) {
        files.Refusal = none;
        return files;
    }
    bool local = true;
    if (data->hasFormat(kGnome)) {
        QList<QByteArray> lines = data->data(kGnome).split('\n');
        const QByteArray verb = lines.isEmpty() ? QByteArray() : lines.takeFirst().trimmed();
        files.Cut = verb == "cut";
        if (verb == "cut" || verb == "copy")
            local = LocalPaths(lines, files.Paths);
    }
    if (files.Paths.isEmpty() && local && data->hasFormat(kUriList)) {
        files.Cut = data->data(kKdeCut).trimmed() == "1";
        local = LocalPaths(data->data(kUriList).split('\n'), files.Paths);
    }
    if (!local) {
        files.Paths.clear();
        files.Refusal = QStringLiteral(
            "Nothing was pasted: the clipboard names files that are not on this computer.");
    } else if (files.Paths.isEmpty()) {
        files.Refusal = none;
    }
    return files;
}
