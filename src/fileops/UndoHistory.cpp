#include "fileops/UndoHistory.h"

#include <QUrl>

namespace
{

QString What(TUndoKind kind)
{
    switch (kind) {
    case TUndoKind::Rename:
        return QStringLiteral("rename");
    case TUndoKind::Move:
        return QStringLiteral("move");
    case TUndoKind::CreateDirectory:
        return QStringLiteral("create directory");
    case TUndoKind::Trash:
        return QStringLiteral("move to the trash");
    case TUndoKind::Copy:
        return QStringLiteral("copy");
    case TUndoKind::NewFile:
        return QStringLiteral("create");
    case TUndoKind::None:
        break;
    }
    return {};
}

// The name the user knows an item by: the URIs of a remote place are percent-encoded.
QString BareName(const QString& path, bool remote)
{
    if (!remote)
        return path.mid(path.lastIndexOf('/') + 1);
    const QString uri = path.endsWith('/') ? path.chopped(1) : path;
    return QUrl::fromPercentEncoding(uri.mid(uri.lastIndexOf('/') + 1).toUtf8());
}

} // namespace

QString TUndoRecord::MenuText() const
{
    if (Kind == TUndoKind::None)
        return QStringLiteral("Cannot undo ") + Reason;
    if (Kind == TUndoKind::CreateDirectory && Items.size() == 1)
        return QStringLiteral("Undo create directory ") + BareName(Items.front().Now, Remote);
    if (Kind == TUndoKind::NewFile && Items.size() == 1)
        return QStringLiteral("Undo create file ") + BareName(Items.front().Now, Remote);
    if (Items.size() == 1) {
        // The name the user knows it by: the old one, or the new folder's.
        const TUndoItem& item = Items.front();
        return QStringLiteral("Undo %1 of %2")
            .arg(What(Kind), BareName(item.Was.isEmpty() ? item.Now : item.Was, Remote));
    }
    return QStringLiteral("Undo %1 of %2 files").arg(What(Kind)).arg(Items.size());
}

void TUndoHistory::Add(TUndoRecord record)
{
    if (record.Kind != TUndoKind::None && record.Items.empty())
        return; // the command did nothing
    m_records.push_back(std::move(record));
    while (m_records.size() > size_t(kMaxRecords))
        m_records.pop_front();
    Changed();
}

TUndoRecord TUndoHistory::TakeLast()
{
    TUndoRecord last = std::move(m_records.back());
    m_records.pop_back();
    Changed();
    return last;
}

QString TUndoHistory::MenuText() const
{
    return m_records.empty() ? QStringLiteral("Undo") : m_records.back().MenuText();
}

void TUndoHistory::Changed()
{
    if (OnChange)
        OnChange();
}
