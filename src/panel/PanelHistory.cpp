#include "panel/PanelHistory.h"

namespace
{

QString Describe(const TPanelPlace& place)
{
    return place.Archive.isEmpty() ? place.Folder : place.Folder + place.Archive;
}

} // namespace

void TPanelHistory::Arrive(const QString& leftCursor, const TPanelPlace& arrived)
{
    if (m_at >= 0 && SamePlace(m_places[m_at], arrived))
        return;
    if (m_at >= 0) {
        m_places[m_at].Cursor = leftCursor;
        m_places.resize(m_at + 1); // the places ahead lead nowhere now
    }
    m_places.append(arrived);
    while (m_places.size() > kMaxPlaces)
        m_places.removeFirst();
    m_at = int(m_places.size()) - 1;
}

void TPanelHistory::Forget(int index, QStringList& skipped)
{
    skipped << Describe(m_places[index]);
    m_places.removeAt(index);
    if (index < m_at)
        --m_at;
}

std::optional<TPanelPlace> TPanelHistory::Step(int direction, const QString& hereCursor,
                                               const TExists& exists, QStringList& skipped)
{
    while (CanStep(direction)) {
        const int target = m_at + direction;
        if (exists(m_places[target])) {
            m_places[m_at].Cursor = hereCursor;
            m_at = target;
            return m_places[target];
        }
        Forget(target, skipped);
    }
    return std::nullopt;
}

std::optional<TPanelPlace> TPanelHistory::GoTo(int index, const QString& hereCursor,
                                               const TExists& exists, QStringList& skipped)
{
    if (m_at < 0 || index < 0 || index >= m_places.size() || index == m_at)
        return std::nullopt;
    if (!exists(m_places[index])) {
        Forget(index, skipped);
        return std::nullopt;
    }
    m_places[m_at].Cursor = hereCursor;
    m_at = index;
    return m_places[index];
}

void TPanelHistory::Set(QList<TPanelPlace> places, int at)
{
    while (places.size() > kMaxPlaces)
        places.removeFirst(), --at;
    m_places = std::move(places);
    m_at =
        m_places.isEmpty() ? -1 : (at >= 0 && at < m_places.size() ? at : int(m_places.size()) - 1);
}
