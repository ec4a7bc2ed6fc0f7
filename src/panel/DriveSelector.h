#pragma once
// The drive selector of a panel: a combo box whose items are "level:target" texts
// ("0:Drives", "1:/", "2:/home/", the current one marked with a leading "T"). Each item
// shows the target's display name and icon; the dropped-down list indents each item by
// 16 pixels per level, the closed box shows the current location without indent.

#include <QComboBox>
#include <QHash>

class TDriveSelector final : public QComboBox
{
    Q_OBJECT

public:
    explicit TDriveSelector(QWidget* parent = nullptr);

    // Replaces the items and selects `selected` (-1 selects none). Emits no activation.
    // Remote places ("1:sftp://host/") show their name in `names`, else their address;
    // "Connect to server…" shows as it is.
    void SetItems(const QStringList& items, int selected,
                  const QHash<QString, QString>& names = {});
    // The item's "level:target" text, with the "T" of the current item.
    QString ItemText(int index) const;
    QStringList Items() const;
    // True while the list is dropped down.
    bool IsDroppedDown() const { return m_dropped; }

    static constexpr int ItemRole = Qt::UserRole + 1;

protected:
    void showPopup() override;
    void hidePopup() override;

private:
    bool m_dropped{false};
};
