#pragma once
// The item model behind TVirtualListView. In virtual mode it stores only a row count
// and asks the list's owner for each cell; otherwise it keeps its own items.

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

class TVirtualListView;

class TVirtualListModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TVirtualListModel(TVirtualListView* owner);

    // The item's whole caption (omCaption), for the views without columns and type-ahead;
    // setting it is an edit of the whole caption.
    static constexpr int kCaptionRole = Qt::UserRole + 1;

    struct TColumn {
        QString Caption;
        int Width{50};
        Qt::Alignment Alignment{Qt::AlignLeft};
    };
    struct TItem {
        QStringList Texts;
        int ImageIndex{0};
    };

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    void AddColumn(const TColumn& column);
    void SetColumnCaption(int column, const QString& caption);
    std::vector<TColumn>& Columns() { return m_columns; }

    // Virtual mode: the row count; every visible cell is asked for again.
    void SetCount(int count);
    void SetVirtual(bool on);
    bool IsVirtual() const { return m_virtual; }

    std::vector<TItem>& Items() { return m_items; }
    void ResetItems();

    // Asks the owner for one cell: the text and the icon index of (row, column).
    void CellInfo(int row, int column, unsigned mask, QString& text, int& image) const;

private:
    TVirtualListView* m_owner;
    std::vector<TColumn> m_columns;
    std::vector<TItem> m_items;
    int m_count{0};
    bool m_virtual{false};
};
