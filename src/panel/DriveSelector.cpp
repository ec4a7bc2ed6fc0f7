#include "panel/DriveSelector.h"

#include "controls/FontScale.h"
#include "panel/PanelText.h"
#include "panel/RemoteLocation.h"
#include "platform/Drives.h"
#include "platform/IconList.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace
{

// Draws one item of the dropped-down list: icon and display name, indented by level.
class TDriveItemDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented = option;
        const TDriveItem item = ParseDriveItem(index.data(TDriveSelector::ItemRole).toString());
        indented.rect.adjust(item.Level * fontscale::Scaled(16), 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize natural = QStyledItemDelegate::sizeHint(option, index);
        return QSize(natural.width(), std::max(fontscale::Scaled(18), natural.height()));
    }
};

QString DisplayName(const TDriveItem& item, const QHash<QString, QString>& names)
{
    if (item.Target == QLatin1String("Drives") ||
        item.Target == QString::fromUtf8(kConnectServerItem))
        return item.Target;
    if (IsRemoteLocation(item.Target))
        return names.value(item.Target, RemoteDisplayName(item.Target));
    if (item.Level <= 1)
        return platform::DriveDisplayName(item.Target);
    QString path = item.Target;
    path.chop(1);
    return path.mid(path.lastIndexOf('/') + 1);
}

int IconIndex(const TDriveItem& item)
{
    platform::TIconList& icons = platform::TIconList::instance();
    if (item.Target == QLatin1String("Drives") ||
        item.Target == QString::fromUtf8(kConnectServerItem))
        return icons.ComputerIndex();
    if (IsRemoteLocation(item.Target))
        return icons.FolderIndex(item.Current);
    if (item.Current)
        return icons.FolderIndex(true);
    return item.Level <= 1 ? icons.DriveIndex(item.Target) : icons.FolderIndex(false);
}

} // namespace

TDriveSelector::TDriveSelector(QWidget* parent) : QComboBox(parent)
{
    setFocusPolicy(Qt::NoFocus); // not a tab stop
    setItemDelegate(new TDriveItemDelegate(this));
    setIconSize(QSize(16, 16));
    // The width is the layout's to give; a long name is cut rather than widening it.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(4);
}

void TDriveSelector::SetItems(const QStringList& items, int selected,
                              const QHash<QString, QString>& names)
{
    const QSignalBlocker block(this);
    setUpdatesEnabled(false);
    clear();
    for (const QString& raw : items) {
        const TDriveItem item = ParseDriveItem(raw);
        addItem(platform::TIconList::instance().Icon(IconIndex(item)), DisplayName(item, names));
        setItemData(count() - 1, raw, ItemRole);
    }
    setCurrentIndex(selected);
    setUpdatesEnabled(true);
}

QString TDriveSelector::ItemText(int index) const
{
    return itemData(index, ItemRole).toString();
}

QStringList TDriveSelector::Items() const
{
    QStringList items;
    for (int i = 0; i < count(); ++i)
        items << ItemText(i);
    return items;
}

void TDriveSelector::showPopup()
{
    m_dropped = true;
    QComboBox::showPopup();
}

void TDriveSelector::hidePopup()
{
    QComboBox::hidePopup();
    m_dropped = false;
}
