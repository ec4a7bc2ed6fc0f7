#include "platform/base/PartName.h"

#include "platform/base/OwnerTag.h"

namespace trvxbase
{
namespace
{

constexpr size_t kNameMax = 255;
constexpr std::string_view kMark = ".trvx";
constexpr std::string_view kSuffix = ".part";

bool IsAlnum(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

std::string PartFileName(std::string_view name, std::string_view random)
{
    std::string tail = std::string(kMark) + OwnerTag() + '-';
    tail.append(random.substr(0, kPartRandomChars)).append(kSuffix);
    size_t stem = name.size();
    const size_t room = kNameMax - 1 - tail.size();
    if (stem > room) {
        stem = room;
        while (stem > 0 && (static_cast<unsigned char>(name[stem]) & 0xC0) == 0x80)
            --stem; // never half a UTF-8 sequence
    }
    std::string part;
    part.reserve(1 + stem + tail.size());
    part.append(1, '.').append(name.substr(0, stem)).append(tail);
    return part;
}

std::string_view PartNameTag(std::string_view entry)
{
    if (entry.size() < 1 + kMark.size() + 2 + kPartRandomChars + kSuffix.size() ||
        entry[0] != '.' || !entry.ends_with(kSuffix))
        return {};
    const size_t end = entry.size() - kSuffix.size(); // where ".part" starts
    const size_t dash = end - kPartRandomChars - 1;
    if (entry[dash] != '-')
        return {};
    for (size_t i = dash + 1; i < end; ++i)
        if (!IsAlnum(entry[i]))
            return {};
    const size_t mark = entry.rfind(kMark, dash);
    if (mark == std::string_view::npos || mark == 0)
        return {};
    const std::string_view tag = entry.substr(mark + kMark.size(), dash - mark - kMark.size());
    pid_t pid = 0;
    return IsOwnerTag(tag, pid) ? tag : std::string_view();
}

} // namespace trvxbase
