#include "transfer/FileOpsParts.h"

#include "platform/FileNames.h"
#include "platform/base/OwnerTag.h"
#include "platform/base/PartName.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/FileOpsTree.h"

#include <cerrno>
#include <vector>

namespace platform
{

int RemoveStalePartFiles(int dirFd)
{
    std::vector<QByteArray> names;
    if (ReadDirectoryNames(dirFd, names) != 0)
        return 0;
    int removed = 0;
    const TShellFailureHandler ignore = [](const QString&) {};
    TFileOpsReport quiet(ignore, QString());
    for (const QByteArray& name : names) {
        const std::string_view tag =
            trvxbase::PartNameTag(std::string_view(name.constData(), size_t(name.size())));
        struct stat st {
        };
        if (tag.empty() || sys::FStatAt(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) || st.st_uid != sys::EffectiveUser() ||
            !trvxbase::LeftOverMayGo(tag, st.st_mtime))
            continue;
        // A folder is the top of a folder copy, with everything the copy put in it.
        int gone = 0;
        if (S_ISDIR(st.st_mode) ? RemoveTree(dirFd, name, DecodeFileName(name), quiet, gone)
                                : sys::UnlinkAt(dirFd, name.constData(), 0) == 0)
            ++removed;
    }
    return removed;
}

int RemoveStalePartFiles(const QString& folder)
{
    if (!folder.startsWith(QLatin1Char('/')))
        return 0;
    const TFd dir(
        sys::Open(EncodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.Valid() ? RemoveStalePartFiles(dir.Get()) : 0;
}

} // namespace platform
