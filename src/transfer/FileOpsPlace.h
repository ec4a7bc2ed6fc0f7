#pragma once
// Puts one item of a copy or move into its target folder under its own name, asking what
// to do when the name is taken there (FileOpsCollision.h): the walk behind the copy and
// the move of ShellFileOperation. A folder meeting a folder merges, entry by entry.
// Runs on the working thread; any thread.

#include "transfer/FileOpsCollision.h"
#include "transfer/FileOpsCopy.h"
#include "transfer/ShellFileOperation.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace platform
{

class TPlacer final
{
public:
    // Moves the entry `name` (lstat `st`, named `path`) of the open folder `srcDir` into the
    // open folder `dstDir` (full path `dstFolder`) under exactly `newName`, never replacing.
    using TMoveOne = std::function<TShellResult(
        int srcDir, const QByteArray& name, const struct stat& st, const QString& path, int dstDir,
        const QString& dstFolder, const QString& newName)>;

    // A copy through `copier` (which records the copies it makes), or, with `moveOne`
    // instead, a move. `report` takes the failures; `progress` (may be null) is cancelled
    // by a Cancel answer.
    TPlacer(TFileOpsReport& report, TFileOpsProgress* progress, const TCollisionAsk& ask,
            bool useTrash, TTreeCopy* copier, TMoveOne moveOne = {});

    // Puts the entry `name` of `srcDir` into `dstDir` (`dstFolder`), as described above,
    // under `targetName` when it is given, else under its own name.
    void Place(int srcDir, const QByteArray& name, const struct stat& st, const QString& path,
               int dstDir, const QString& dstFolder, const QString& targetName = {});

    const std::vector<TShellPart>& Parts() const { return m_parts; }
    int Skipped() const { return m_skipped; }
    // Moves: items moved, failures reported by the single moves, and the errno after
    // which the target takes nothing more.
    int Moved() const { return m_moved; }
    int MoveFailures() const { return m_moveFailures; }
    int Stopped() const;
    bool Cancelled() const;

private:
    // Puts the entry under the free name `target`; false when that name was taken
    // meanwhile (nothing done).
    bool PlaceFree(int srcDir, const QByteArray& name, const struct stat& st, const QString& path,
                   int dstDir, const QString& dstFolder, const QString& target);
    void Merge(int srcDir, const QByteArray& name, const QString& path, int dstDir,
               const QByteArray& target, const QString& existing);
    void Replace(int srcDir, const QByteArray& name, const struct stat& st, const QString& path,
                 int dstDir, const QString& dstFolder, const QByteArray& target,
                 const QString& existing, const struct stat& old);
    // Moves: the item was moved to `temp` but cannot be put over the old one; it goes back,
    // or, where it cannot, takes a free numbered name beside the old one.
    void TakeBack(int srcDir, const QByteArray& name, const QString& path, int dstDir,
                  const QString& dstFolder, const QByteArray& temp, const QString& existing,
                  bool folder);
    void Count(const TShellResult& moved);
    void Add(TShellPart part);

    TFileOpsReport& m_report;
    TFileOpsProgress* m_progress;
    const TCollisionAsk& m_ask;
    bool m_useTrash;
    TTreeCopy* m_copier;
    TMoveOne m_moveOne;
    std::vector<TShellPart> m_parts;
    int m_skipped{0};
    int m_moved{0};
    int m_moveFailures{0};
    int m_stopped{0};
    bool m_cancelled{false};
    int m_depth{0}; // folders merged into, around the entry being placed
};

} // namespace platform
