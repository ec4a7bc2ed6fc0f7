#pragma once
// The rows of the find window's results list: the hits of one search in the order
// found, with the columns Name, Folder, Size and Date. No widgets; the list view asks
// it for each visible cell.

#include "search/FileSearch.h"

#include <QAbstractTableModel>
#include <vector>

class TFindResultsModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum TColumn : int { fcName = 0, fcFolder = 1, fcSize = 2, fcDate = 3, fcCount = 4 };

    using QAbstractTableModel::QAbstractTableModel;

    // Appends a batch of hits after the rows already there. O(batch).
    void Append(std::vector<TSearchHit>&& hits);
    void Clear();
    const std::vector<TSearchHit>& Hits() const { return m_hits; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<TSearchHit> m_hits;
};
