#include "zip/ZipEndRecord.h"

#include <algorithm>
#include <vector>

namespace
{

constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kEndRecord = 0x06054B50;
constexpr uint32_t kZip64EndRecord = 0x06064B50;
constexpr uint32_t kZip64Locator = 0x07064B50;
constexpr uint64_t kEndSize = 22;
constexpr uint64_t kLocatorSize = 20;
constexpr uint64_t kZip64EndSize = 56;
constexpr uint64_t kMaxComment = 0xFFFF;
constexpr uint64_t kCentralSize = 46;
constexpr uint16_t kZip64Extra = 0x0001;
constexpr uint32_t kAbsent32 = 0xFFFFFFFF;

bool ReadExactly(const TReadAt& read, uint64_t position, unsigned char* out, size_t count)
{
    return read(position, out, count) == int64_t(count);
}

bool HasSignature(const TReadAt& read, uint64_t position, uint32_t signature)
{
    unsigned char bytes[4];
    return ReadExactly(read, position, bytes, 4) && ZipLe32(bytes) == signature;
}

// The ZIP64 end record named by the locator before the end record at `endPos`: at the
// stored offset, or else right before the locator (a prefix the offsets do not count).
bool ReadZip64End(const TReadAt& read, uint64_t endPos, uint64_t& recordPos, TZipEnd& end)
{
    if (endPos < kLocatorSize + kZip64EndSize)
        return false;
    unsigned char locator[kLocatorSize];
    if (!ReadExactly(read, endPos - kLocatorSize, locator, sizeof locator) ||
        ZipLe32(locator) != kZip64Locator)
        return false;
    const uint64_t stored = ZipLe64(locator + 8);
    const uint64_t before = endPos - kLocatorSize - kZip64EndSize;
    unsigned char record[kZip64EndSize];
    for (uint64_t at : {stored, before}) {
        if (at > before || !ReadExactly(read, at, record, sizeof record) ||
            ZipLe32(record) != kZip64EndRecord)
            continue;
        recordPos = at;
        end.Entries = ZipLe64(record + 32);
        end.DirSize = ZipLe64(record + 40);
        end.DirStart = ZipLe64(record + 48); // the stored offset until Place()
        end.Zip64 = true;
        return true;
    }
    return false;
}

// The directory ends where the end records begin; its stored offset tells the shift.
bool Place(const TReadAt& read, uint64_t recordsPos, TZipEnd& end)
{
    if (end.DirSize > recordsPos)
        return false;
    const uint64_t start = recordsPos - end.DirSize;
    if (end.DirStart > start)
        return false;
    end.Shift = start - end.DirStart;
    end.DirStart = start;
    if (end.DirSize == 0)
        return end.Entries == 0;
    return HasSignature(read, start, kCentralHeader);
}

bool TryCandidate(const TReadAt& read, uint64_t endPos, const unsigned char* record, TZipEnd& end)
{
    end = TZipEnd{};
    uint64_t recordsPos = endPos;
    if (!ReadZip64End(read, endPos, recordsPos, end)) {
        end = TZipEnd{};
        end.Entries = ZipLe16(record + 10);
        end.DirSize = ZipLe32(record + 12);
        end.DirStart = ZipLe32(record + 16);
    }
    return Place(read, recordsPos, end);
}

} // namespace

bool FindZipEnd(const TReadAt& read, uint64_t fileSize, TZipEnd& end)
{
    if (fileSize < kEndSize)
        return false;
    const uint64_t tailSize = std::min(fileSize, kEndSize + kMaxComment);
    const uint64_t tailStart = fileSize - tailSize;
    std::vector<unsigned char> tail(tailSize);
    if (!ReadExactly(read, tailStart, tail.data(), tail.size()))
        return false;
    for (uint64_t i = tailSize - kEndSize + 1; i-- > 0;) {
        const unsigned char* record = tail.data() + i;
        if (ZipLe32(record) != kEndRecord)
            continue;
        if (i + kEndSize + ZipLe16(record + 20) > tailSize)
            continue; // its comment would run past the end of the file
        if (TryCandidate(read, tailStart + i, record, end))
            return true;
    }
    return false;
}

void ApplyZip64Extra(const unsigned char* extra, size_t length, TZip64Fields& fields)
{
    size_t at = 0;
    while (at + 4 <= length) {
        const uint16_t id = ZipLe16(extra + at);
        const size_t size = ZipLe16(extra + at + 2);
        at += 4;
        if (size > length - at)
            return;
        if (id != kZip64Extra) {
            at += size;
            continue;
        }
        const unsigned char* field = extra + at;
        const unsigned char* fieldEnd = field + size;
        for (uint64_t* value :
             {&fields.UncompressedSize, &fields.CompressedSize, &fields.LocalOffset}) {
            if (*value != kAbsent32)
                continue;
            if (fieldEnd - field < 8)
                return;
            *value = ZipLe64(field);
            field += 8;
        }
        return;
    }
}

bool FirstMemberPosition(const TReadAt& read, const TZipEnd& end, uint64_t& position)
{
    std::vector<unsigned char> dir(end.DirSize);
    if (!ReadExactly(read, end.DirStart, dir.data(), dir.size()))
        return false;
    uint64_t lowest = end.DirStart - end.Shift;
    for (size_t at = 0; at + kCentralSize <= dir.size() && ZipLe32(&dir[at]) == kCentralHeader;) {
        const unsigned char* p = &dir[at];
        const size_t nameLength = ZipLe16(p + 28), extraLength = ZipLe16(p + 30);
        const size_t length = kCentralSize + nameLength + extraLength + ZipLe16(p + 32);
        if (length > dir.size() - at)
            return false;
        TZip64Fields fields{ZipLe32(p + 24), ZipLe32(p + 20), ZipLe32(p + 42)};
        ApplyZip64Extra(p + kCentralSize + nameLength, extraLength, fields);
        lowest = std::min(lowest, fields.LocalOffset);
        at += length;
    }
    position = lowest + end.Shift;
    return true;
}
