// Feeds arbitrary bytes to the checksum-file reader, as a file of each algorithm and as
// one whose algorithm comes from its first line, and checks what verifying relies on:
// each entry's digest is lower-case hexadecimal of its algorithm's length, its name is
// not empty and holds no NUL, its line number lies within the text, and a line written
// for an entry reads back as that entry.
#include "checks/ChecksumFile.h"

#include <cstdint>
#include <cstdlib>

namespace
{

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckEntry(const TChecksumEntry& e, int lines)
{
    Check(e.Hex.size() == DigestInfo(e.Kind).HexLength);
    for (const char c : e.Hex)
        Check((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
    Check(!e.Name.isEmpty() && !e.Name.contains('\0'));
    Check(e.Line >= 1 && e.Line <= lines);
    const TChecksumList again = ParseChecksums(ChecksumLine(e.Hex, e.Name), e.Kind);
    Check(again.Entries.size() == 1 && again.BadLines == 0);
    Check(again.Entries.front().Hex == e.Hex && again.Entries.front().Name == e.Name);
}

void Parse(const QByteArray& text, std::optional<TDigestKind> kind)
{
    const int lines = int(text.count('\n')) + 1;
    const TChecksumList list = ParseChecksums(text, kind);
    Check(list.BadLines >= 0 && list.BadLines <= lines);
    for (const TChecksumEntry& e : list.Entries)
        CheckEntry(e, lines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    Parse(text, std::nullopt);
    for (const TDigestKind kind : DigestKinds())
        Parse(text, kind);
    return 0;
}
