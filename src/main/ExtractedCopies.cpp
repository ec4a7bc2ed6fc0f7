#include "main/ExtractedCopies.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>

TExtractedCopies::~TExtractedCopies()
{
    for (TCopy& copy : m_copies)
        if (copy.User)
            copy.User->removeEventFilter(this);
}

void TExtractedCopies::Keep(std::unique_ptr<platform::TPrivateFolder> folder, QWidget* user,
                            int delayMs)
{
    const platform::TPrivateFolder* key = folder.get();
    m_copies.push_back({std::move(folder), user});
    if (user) {
        user->installEventFilter(this);
        connect(user, &QObject::destroyed, this, [this](QObject* gone) { Release(gone); });
        return;
    }
    if (delayMs >= 0)
        QTimer::singleShot(delayMs, this, [this, key] { ReleaseFolder(key); });
}

bool TExtractedCopies::eventFilter(QObject* watched, QEvent* event)
{
    // Closing hides a window from the program's side; minimising it or switching the
    // desktop hides it from the window system's (a spontaneous event), and it comes back.
    if (event->type() == QEvent::Hide && !event->spontaneous())
        Release(watched);
    return QObject::eventFilter(watched, event);
}

void TExtractedCopies::Release(QObject* user)
{
    const auto used = [user](const TCopy& c) { return c.User == user; };
    if (std::none_of(m_copies.begin(), m_copies.end(), used))
        return;
    user->removeEventFilter(this);
    m_copies.erase(std::remove_if(m_copies.begin(), m_copies.end(), used), m_copies.end());
}

void TExtractedCopies::ReleaseFolder(const platform::TPrivateFolder* folder)
{
    m_copies.erase(std::remove_if(m_copies.begin(), m_copies.end(),
                                  [folder](const TCopy& c) { return c.Folder.get() == folder; }),
                   m_copies.end());
}
