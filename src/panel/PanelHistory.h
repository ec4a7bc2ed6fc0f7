#pragma once
// The places a panel's tab has shown, oldest first, and where in them it stands: Back
// and Forward step through them, a new place drops those ahead. Each place keeps the
// entry the cursor was on when the tab left it. Bounded: the oldest go first.

#include "panel/FedResults.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

class TPanelHistory
{
public:
    static constexpr int kMaxPlaces = 50;
    using TExists = std::function<bool(const TPanelPlace&)>;

    // The same place: the same folder and archive, whatever the cursor.
    static bool SamePlace(const TPanelPlace& a, const TPanelPlace& b)
    {
        return a.Folder == b.Folder && a.Archive == b.Archive;
    }

    // The tab went from where it stood (its cursor then `leftCursor`) to `arrived`.
    void Arrive(const QString& leftCursor, const TPanelPlace& arrived);
    // A step back (-1) or forward (+1), or to the place at `index`, from where the tab
    // stands: that place, skipping (and forgetting) those that `exists` says are gone,
    // named in `skipped`; none when there is nothing there. The tab's cursor goes with
    // the place it leaves.
    std::optional<TPanelPlace> Step(int direction, const QString& hereCursor, const TExists& exists,
                                    QStringList& skipped);
    std::optional<TPanelPlace> GoTo(int index, const QString& hereCursor, const TExists& exists,
                                    QStringList& skipped);
    bool CanStep(int direction) const
    {
        return m_at >= 0 && m_at + direction >= 0 && m_at + direction < m_places.size();
    }

    const QList<TPanelPlace>& Places() const { return m_places; }
    int At() const { return m_at; }
    // A history as kept between runs; `at` out of range puts the tab on the last place.
    void Set(QList<TPanelPlace> places, int at);

private:
    void Forget(int index, QStringList& skipped);

    QList<TPanelPlace> m_places;
    int m_at{-1};
};
