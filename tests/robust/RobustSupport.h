#pragma once
// Helpers of the robustness tests: files under byte names (not every name is valid
// UTF-8), whole-tree snapshots to prove that nothing changed, a small tmpfs that fills
// up, and a file-system identity without root's right to ignore permission bits.
//
// Everything here runs on the calling thread; the identity change applies to that
// thread only (the user-interface thread, where the commands run).

#include <QByteArray>
#include <QString>
#include <map>
#include <string>

namespace robust
{

// Creates (or replaces) the file at the byte path `path` with `data`; false on failure.
bool WriteRaw(const QByteArray& path, const QByteArray& data);
// Contents of the file at `path`; a null array when it cannot be read.
QByteArray ReadRaw(const QByteArray& path);
bool ExistsRaw(const QByteArray& path);

// Every entry below `root` by relative byte path: a file maps to its contents, a folder
// to "<dir>", a link to "<link>" and its target. Unreadable entries map to "<unreadable>".
using TTree = std::map<QByteArray, QByteArray>;
TTree Snapshot(const QByteArray& root);
inline TTree Snapshot(const QString& root)
{
    return Snapshot(root.toUtf8());
}
// What differs between two snapshots, one line per entry ("+" only in `actual`, "-" only
// in `expected`, "~" different contents); empty when they are equal.
std::string Diff(const TTree& actual, const TTree& expected);

// Removes `root` and everything below it by byte names (Qt cannot remove a name that
// is not valid UTF-8); true when it is gone.
bool RemoveTree(const QByteArray& root);

// Bytes in use on the file system of `path`, from statvfs; -1 on failure.
qint64 UsedBytes(const QString& path);

// A tmpfs of `bytes` mounted on a new folder; unmounted (after leaving it, if it is the
// current folder) and removed when the object goes. Mounted() is false when the process
// may not mount, with Why() saying so.
class TSmallDisk final
{
public:
    TSmallDisk(const QString& folder, qint64 bytes);
    ~TSmallDisk();
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    QString Why() const { return m_why; }

private:
    QString m_folder;
    bool m_mounted{false};
    QString m_why;
};

// While it lives, file access of this thread is checked as the user "nobody" (the
// file-system user id), so permission bits apply even when the tests run as root.
// Not root: nothing changes, the bits apply anyway. Works() is false when the bits are
// still ignored (checked with a probe file of mode 000 in `scratch`); Why() says why.
class TWithoutPrivileges final
{
public:
    explicit TWithoutPrivileges(const QString& scratch);
    ~TWithoutPrivileges();
    TWithoutPrivileges(const TWithoutPrivileges&) = delete;
    TWithoutPrivileges& operator=(const TWithoutPrivileges&) = delete;

    bool Works() const { return m_works; }
    QString Why() const { return m_why; }
    // Takes the privileges back early (the destructor then does nothing).
    void Restore();

private:
    void Drop();

    bool m_changed{false};
    bool m_works{false};
    QString m_why;
};

} // namespace robust
