#pragma once
// Copies of archive members extracted for viewing, each in a private folder of its own.
// A copy goes when the window that shows it is closed (hidden by the program, or
// destroyed), after a delay when a program was started on it, and at the latest when
// this object goes (program end). A window the window system hides (minimised, or on
// another desktop) keeps its copy: it comes back and may still save into it. Copies of a
// program that was killed go at its next start (platform::RemoveStalePrivateFolders),
// but for an edited member whose put-back did not end, which is saved beside its archive.

#include "platform/TempFolder.h"

#include <QObject>
#include <memory>
#include <vector>

class QWidget;

class TExtractedCopies final : public QObject
{
    Q_OBJECT

public:
    explicit TExtractedCopies(QObject* parent = nullptr) : QObject(parent) {}
    ~TExtractedCopies() override;

    // Keeps `folder` until `user` is closed or destroyed; with no user, for `delayMs`, or
    // until this object goes when `delayMs` is negative (a copy handed to another
    // application, which may read it at any time).
    void Keep(std::unique_ptr<platform::TPrivateFolder> folder, QWidget* user, int delayMs);
    int Count() const { return int(m_copies.size()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Release(QObject* user);
    void ReleaseFolder(const platform::TPrivateFolder* folder);

    struct TCopy {
        std::unique_ptr<platform::TPrivateFolder> Folder;
        QObject* User{nullptr};
    };
    std::vector<TCopy> m_copies;
};
