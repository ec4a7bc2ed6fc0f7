#include "listing/ArchiveFolders.h"

QStringView MemberPath(QStringView name)
{
    while (name.startsWith(QLatin1String("./")))
        name = name.mid(2);
    return name;
}

bool IsPlainMemberPath(QStringView name)
{
    QStringView path = MemberPath(name);
    if (path.startsWith('/'))
        return false;
    if (path.endsWith('/'))
        path.chop(1);
    if (path.isEmpty())
        return true; // "./" alone: the top itself
    for (qsizetype from = 0; from <= path.size();) {
        qsizetype to = path.indexOf('/', from);
        if (to < 0)
            to = path.size();
        const QStringView part = path.mid(from, to - from);
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
        from = to + 1;
    }
    return true;
}

QString ShownMemberName(const QString& name)
{
    if (!IsPlainMemberPath(name))
        return name;
    QStringView path = MemberPath(name);
    if (path.endsWith('/'))
        path.chop(1);
    return path.mid(path.lastIndexOf('/') + 1).toString();
}

TArchiveFolders::TArchiveFolders(std::vector<TArchiveMember> members)
    : m_members(std::move(members))
{
    FolderOf(QString()); // the top, folder 0
    // Members come grouped by folder as a rule: the last folder found is tried first.
    QString lastParent;
    int lastFolder = 0;
    for (int i = 0; i < int(m_members.size()); ++i) {
        const QString& name = m_members[size_t(i)].Name;
        if (name.endsWith('\\'))
            continue; // a folder member stored with a backslash
        if (!IsPlainMemberPath(name)) {
            if (!name.endsWith('/'))
                m_folders[0].Members.push_back(i);
            continue;
        }
        const QStringView path = MemberPath(name);
        if (path.isEmpty())
            continue;
        if (path.endsWith('/')) {
            const int folder = FolderOf(path.toString());
            m_folders[size_t(folder)].Entry = i;
            continue;
        }
        const QStringView parent = path.left(path.lastIndexOf('/') + 1);
        if (parent != lastParent) {
            lastParent = parent.toString();
            lastFolder = FolderOf(lastParent);
        }
        m_folders[size_t(lastFolder)].Members.push_back(i);
    }
}

int TArchiveFolders::FolderOf(const QString& path)
{
    if (const auto found = m_index.constFind(path); found != m_index.constEnd())
        return *found;
    const int index = int(m_folders.size());
    m_index.insert(path, index);
    m_folders.emplace_back();
    if (!path.isEmpty()) {
        const QString parent = path.left(path.lastIndexOf('/', path.size() - 2) + 1);
        const int up = FolderOf(parent); // may move m_folders: indexes only
        m_folders[size_t(up)].Folders.push_back(path);
    }
    return index;
}

QString TArchiveFolders::NearestFolder(const QString& folder) const
{
    QString f = folder;
    while (!f.isEmpty() && !HasFolder(f))
        f = f.left(f.lastIndexOf('/', f.size() - 2) + 1);
    return f;
}

std::vector<TFileObject> TArchiveFolders::Rows(const QString& folder) const
{
    std::vector<TFileObject> rows;
    const auto found = m_index.constFind(folder);
    if (found == m_index.constEnd())
        return rows;
    const TFolder& f = m_folders[size_t(*found)];
    rows.reserve(f.Folders.size() + f.Members.size());
    for (const QString& path : f.Folders) {
        TFileObject& e = rows.emplace_back();
        e.Name = path.left(path.size() - 1);
        e.Attr = platform::faDirectory;
        e.Kind = fkZipMember;
        const int entry = m_folders[size_t(m_index.value(path))].Entry;
        if (entry >= 0)
            e.DateTime = m_members[size_t(entry)].DateTime;
    }
    for (int i : f.Members) {
        const TArchiveMember& m = m_members[size_t(i)];
        TFileObject& e = rows.emplace_back();
        e.Name = m.Name;
        e.Size = m.Size;
        e.DateTime = m.DateTime;
        e.Kind = fkZipMember;
    }
    return rows;
}

QStringList TArchiveFolders::NamesBelow(const QString& folder) const
{
    QStringList names;
    if (HasFolder(folder))
        Collect(folder, names);
    return names;
}

void TArchiveFolders::Collect(const QString& folder, QStringList& names) const
{
    const TFolder& f = m_folders[size_t(m_index.value(folder))];
    if (f.Entry >= 0)
        names << m_members[size_t(f.Entry)].Name;
    for (int i : f.Members)
        names << m_members[size_t(i)].Name;
    for (const QString& sub : f.Folders)
        Collect(sub, names);
}

QSet<QString> RepeatedNames(const std::vector<TArchiveMember>& members)
{
    QSet<QString> seen, repeated;
    for (const TArchiveMember& m : members) {
        if (seen.contains(m.Name))
            repeated.insert(m.Name);
        seen.insert(m.Name);
    }
    return repeated;
}
