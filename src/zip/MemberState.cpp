#include "zip/MemberState.h"

#include "listing/FileListing.h"
#include "platform/Locale.h"
#include "platform/Messages.h"
#include "zip/ZipArchive.h"

#include <QFileInfo>
#include <QStringList>

namespace
{

// The directory as it is between two equal stamps of the file.
bool ReadOnce(const QString& archive, const QString& member, TMemberState& state)
{
    state = {};
    if (!platform::GetFileStamp(archive, state.Archive))
        return true;
    TZipArchive zip;
    try {
        zip.SetZipFilename(archive);
        for (const TArchiveMember& m : zip.Members())
            if (m.Name == member && ++state.Count == 1)
                state.Member = m;
    } catch (const platform::EError& error) {
        state.Count = -1;
        state.Error = error.Message();
    }
    platform::TFileStamp after;
    return platform::GetFileStamp(archive, after) && after == state.Archive;
}

QString Hex(quint32 crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QChar(u'0'));
}

} // namespace

TMemberState ReadMemberState(const QString& archive, const QString& member)
{
    TMemberState state;
    for (int attempt = 0; attempt < 3; ++attempt)
        if (ReadOnce(archive, member, state))
            return state;
    state.Count = -1;
    state.Error = QStringLiteral("another program keeps changing it");
    return state;
}

QString MemberChanges(const TMemberState& then, const TMemberState& now, const QString& member)
{
    if (now.Archive.Size < 0)
        return QStringLiteral("the archive is no longer there");
    QStringList said;
    if (then.Archive.Size < 0 || !then.Archive.SameFile(now.Archive))
        said << QStringLiteral("the archive is another file than the one %1 was extracted from "
                               "(it was rewritten, or another archive was put under its name)")
                    .arg(member);
    if (now.Count < 0)
        said << QStringLiteral("the archive cannot be read: %1").arg(now.Error);
    else if (now.Count == 0)
        said << QStringLiteral("the archive holds no member named %1 any more").arg(member);
    else if (now.Count > 1)
        said << QStringLiteral("the archive holds more than one member named %1").arg(member);
    else if (then.Count != 1)
        said << QStringLiteral("%1 could not be identified when it was extracted").arg(member);
    else {
        const TArchiveMember& a = then.Member;
        const TArchiveMember& b = now.Member;
        QStringList changes;
        if (a.Size != b.Size)
            changes << QStringLiteral("its size from %1 to %2 bytes")
                           .arg(FormatSize(a.Size), FormatSize(b.Size));
        if (a.DateTime != b.DateTime)
            changes << QStringLiteral("its date from %1 to %2")
                           .arg(platform::FormatDateTime(a.DateTime),
                                platform::FormatDateTime(b.DateTime));
        if (a.Crc32 != b.Crc32)
            changes << QStringLiteral("its content (CRC-32 %1, was %2)")
                           .arg(Hex(b.Crc32), Hex(a.Crc32));
        if (!changes.isEmpty())
            said << QStringLiteral("%1 in it changed since it was extracted: %2")
                        .arg(member, changes.join(QStringLiteral(", ")));
    }
    return said.join(QStringLiteral("; "));
}
