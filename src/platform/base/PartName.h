#pragma once
// The hidden temporary name a file takes in its target folder while it is written, used
// by the platform layer and the archive libraries alike:
//
//     .<NAME>.trvx<OWNER TAG>-<6 letters or digits>.part
//
// (OwnerTag.h). NAME is shortened, at a character boundary, where the whole would pass
// the 255-byte limit of a name.

#include <string>
#include <string_view>

namespace trvxbase
{

constexpr size_t kPartRandomChars = 6;

// The temporary name of this process for the file `name`, with the random characters
// `random` (kPartRandomChars of them).
std::string PartFileName(std::string_view name, std::string_view random);

// The owner tag of the temporary name `entry`; empty when `entry` is not of that form.
std::string_view PartNameTag(std::string_view entry);

} // namespace trvxbase
