#include "controls/VirtualListModel.h"

#include "controls/VirtualListView.h"

TVirtualListModel::TVirtualListModel(TVirtualListView* owner)
    : QAbstractTableModel(owner), m_owner(owner)
{
}

int TVirtualListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_virtual ? m_count : int(m_items.size());
}

int TVirtualListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(1, int(m_columns.size()));
}

void TVirtualListModel::CellInfo(int row, int column, unsigned mask, QString& text,
                                 int& image) const
{
    if (row < 0)
        return;
    if (!m_virtual) {
        if (row >= int(m_items.size()))
            return;
        const TItem& item = m_items[size_t(row)];
        if (mask & (omText | omCaption | omEdit))
            text = column < item.Texts.size() ? item.Texts[column] : QString();
        if (mask & omImage)
            image = item.ImageIndex;
        return;
    }
    if (!m_owner->OnODGetItemInfo)
        return;
    int param = 0, state = 0, indent = 0;
    m_owner->OnODGetItemInfo(m_owner, row, column, mask & 0x7F, image, param, state, indent, text);
}

QVariant TVirtualListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        QString text;
        int image = 0;
        CellInfo(index.row(), index.column(), omText, text, image);
        return text;
    }
    case Qt::EditRole: {
        QString text;
        int image = 0;
        CellInfo(index.row(), 0, omEdit, text, image);
        return text;
    }
    case kCaptionRole: {
        QString text;
        int image = 0;
        CellInfo(index.row(), 0, omCaption, text, image);
        return text;
    }
    case Qt::DecorationRole: {
        if (index.column() != 0 || !m_owner->ImageProvider)
            return {};
        QString text;
        int image = 0;
        CellInfo(index.row(), 0, omImage, text, image);
        return m_owner->ImageProvider(image);
    }
    case Qt::TextAlignmentRole:
        if (index.column() < int(m_columns.size()))
            return QVariant::fromValue(m_columns[size_t(index.column())].Alignment |
                                       Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TVirtualListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section >= int(m_columns.size()))
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[size_t(section)].Caption;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[size_t(section)].Alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TVirtualListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == 0 && m_owner->OnEdited)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TVirtualListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != 0)
        return false;
    // The text committed as the edit started changes nothing.
    if (value.toString() == data(index, Qt::EditRole).toString())
        return true;
    m_owner->NotifyEdited(index.row(), value.toString());
    return true;
}

void TVirtualListModel::AddColumn(const TColumn& column)
{
    const int at = int(m_columns.size());
    if (at > 0)
        beginInsertColumns({}, at, at);
    m_columns.push_back(column);
    if (at > 0)
        endInsertColumns();
    else
        emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void TVirtualListModel::SetColumnCaption(int column, const QString& caption)
{
    if (column < 0 || column >= int(m_columns.size()) ||
        m_columns[size_t(column)].Caption == caption)
        return;
    m_columns[size_t(column)].Caption = caption;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void TVirtualListModel::SetCount(int count)
{
    beginResetModel();
    m_count = std::max(0, count);
    endResetModel();
}

void TVirtualListModel::SetVirtual(bool on)
{
    beginResetModel();
    m_virtual = on;
    m_count = 0;
    endResetModel();
}

void TVirtualListModel::ResetItems()
{
    beginResetModel();
    endResetModel();
}
