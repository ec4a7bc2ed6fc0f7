#include "search/FindResultsModel.h"

#include "platform/FileSystem.h"
#include "platform/Locale.h"

void TFindResultsModel::Append(std::vector<TSearchHit>&& hits)
{
    if (hits.empty())
        return;
    const int first = int(m_hits.size());
    beginInsertRows({}, first, first + int(hits.size()) - 1);
    m_hits.insert(m_hits.end(), std::make_move_iterator(hits.begin()),
                  std::make_move_iterator(hits.end()));
    endInsertRows();
}

void TFindResultsModel::Clear()
{
    beginResetModel();
    m_hits.clear();
    endResetModel();
}

int TFindResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_hits.size());
}

int TFindResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : fcCount;
}

QVariant TFindResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_hits.size()))
        return {};
    const TSearchHit& hit = m_hits[size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == fcSize)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const bool folder = (hit.Attr & platform::faDirectory) != 0;
    switch (index.column()) {
    case fcName:
        return hit.ShownName();
    case fcFolder:
        return hit.ShownFolder();
    case fcSize:
        return folder ? QStringLiteral("<DIR>") : platform::FormatNumber(hit.Size);
    case fcDate:
        return hit.DateTime > 0 ? platform::FormatDateTime(hit.DateTime) : QString();
    default:
        return {};
    }
}

QVariant TFindResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kTitles[fcCount] = {"Name", "Folder", "Size", "Date"};
    return section >= 0 && section < fcCount ? QString::fromLatin1(kTitles[section]) : QVariant();
}
