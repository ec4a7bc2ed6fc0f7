#include "viewers/PagedText.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace viewers
{

namespace
{

bool IsUtf16(const TEncoding& e)
{
    return qstrncmp(e.Codec, "UTF-16", 6) == 0;
}

bool IsUtf16BE(const TEncoding& e)
{
    return qstrcmp(e.Codec, "UTF-16BE") == 0;
}

bool IsUtf8(const TEncoding& e)
{
    return qstrcmp(e.Codec, "UTF-8") == 0;
}

} // namespace

bool TPagedText::Open(const QString& path, QString* why)
{
    // A model opened again (the quick view's) forgets the file before.
    m_file.close();
    m_cache.clear();
    m_error.clear();
    m_size = 0;
    m_file.setFileName(path);
    const QFileInfo info(path);
    if (info.isDir()) {
        *why = QStringLiteral("It is a directory");
        return false;
    }
    if (!m_file.open(QIODevice::ReadOnly)) {
        *why = m_file.errorString();
        return false;
    }
    m_size = m_file.size();
    return true;
}

void TPagedText::Refresh()
{
    m_cache.clear();
    m_size = QFileInfo(m_file.fileName()).size();
}

void TPagedText::SetEncoding(const TEncoding& encoding, int bomSize)
{
    m_encoding = &encoding;
    m_bom = bomSize;
}

int TPagedText::Unit() const
{
    return IsUtf16(*m_encoding) ? 2 : 1;
}

const QByteArray& TPagedText::Block(qint64 index)
{
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it)
        if (it->first == index) {
            if (it != m_cache.begin())
                std::rotate(m_cache.begin(), it, it + 1);
            return m_cache.front().second;
        }
    QByteArray bytes;
    if (m_file.seek(index * BlockSize)) {
        bytes = m_file.read(BlockSize);
        m_bytesRead += bytes.size();
    }
    if (m_file.error() != QFileDevice::NoError) {
        m_error = m_file.errorString();
        m_file.unsetError();
    }
    if (int(m_cache.size()) >= CachedBlocks)
        m_cache.pop_back();
    m_cache.emplace_front(index, std::move(bytes));
    return m_cache.front().second;
}

QByteArray TPagedText::Bytes(qint64 offset, qint64 length)
{
    QByteArray out;
    length = std::min(length, m_size - offset);
    while (length > 0) {
        const QByteArray& block = Block(offset / BlockSize);
        const qint64 at = offset % BlockSize;
        const qint64 take = std::min<qint64>(length, block.size() - at);
        if (take <= 0)
            break; // the file is shorter than it was
        out.append(block.constData() + at, take);
        offset += take;
        length -= take;
    }
    return out;
}

bool TPagedText::LineEndAt(qint64 pos)
{
    const QByteArray b = Bytes(pos - (Unit() - 1), Unit());
    if (Unit() == 1)
        return b.size() == 1 && b[0] == '\n';
    if (b.size() != 2 || (pos - 1) % 2 != 0)
        return false;
    return IsUtf16BE(*m_encoding) ? b[0] == '\0' && b[1] == '\n' : b[0] == '\n' && b[1] == '\0';
}

qsizetype TPagedText::LastLineEnd(QByteArrayView bytes, qint64 offset) const
{
    for (qsizetype i = bytes.size() - 1; i >= 0; --i) {
        if (Unit() == 1) {
            if (bytes[i] == '\n')
                return i + 1;
            continue;
        }
        if (i < 1 || (offset + i - 1) % 2 != 0)
            continue;
        const bool be = IsUtf16BE(*m_encoding);
        if (bytes[i - 1] == (be ? '\0' : '\n') && bytes[i] == (be ? '\n' : '\0'))
            return i + 1;
    }
    return -1;
}

qsizetype TPagedText::CharStart(QByteArrayView bytes, qint64 offset, qsizetype index) const
{
    if (Unit() == 2)
        return index - ((offset + index) % 2);
    if (IsUtf8(*m_encoding))
        while (index > 0 && index < bytes.size() && (quint8(bytes[index]) & 0xC0) == 0x80)
            --index;
    return index;
}

qint64 TPagedText::NextLine(qint64 start)
{
    const qint64 limit = std::min(m_size, start + MaxLine);
    qint64 pos = start;
    while (pos < limit) {
        const QByteArray& block = Block(pos / BlockSize);
        const qint64 at = pos % BlockSize;
        const qint64 end = std::min<qint64>(block.size(), at + (limit - pos));
        if (end <= at)
            return m_size; // the file is shorter than it was
        for (const char* p = block.constData() + at;;) {
            p = static_cast<const char*>(std::memchr(p, '\n', block.constData() + end - p));
            if (!p)
                break;
            const qint64 hit = pos + (p - (block.constData() + at));
            if (Unit() == 1)
                return hit + 1;
            // UTF-16: the LF must be one whole unit, its other byte NUL.
            const qint64 last = IsUtf16BE(*m_encoding) ? hit : hit + 1;
            if (last > start && last < m_size && LineEndAt(last))
                return last + 1;
            ++p;
        }
        pos += end - at;
    }
    if (limit >= m_size)
        return m_size;
    const QByteArray tail = Bytes(limit - 4, 5);
    return limit - 4 + CharStart(tail, limit - 4, 4);
}

qint64 TPagedText::LineStart(qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, m_size);
    // A line start at most MaxLine before `offset`: the piece from it holds `offset`.
    const qint64 low = std::max<qint64>(0, offset - MaxLine + 1);
    qint64 pos = offset; // bytes before pos are searched, backwards
    while (pos > low) {
        const qint64 index = (pos - 1) / BlockSize;
        const QByteArray& block = Block(index);
        const qint64 from = std::max(low, index * BlockSize);
        const qsizetype count = pos - from;
        const QByteArrayView part(block.constData() + (from - index * BlockSize),
                                  std::min<qsizetype>(count, block.size()));
        const qsizetype end = LastLineEnd(part, from);
        if (end >= 0 && from + end <= offset)
            return from + end;
        pos = from;
    }
    if (low == 0)
        return 0;
    const QByteArray around = Bytes(low - 4, 5);
    return low - 4 + CharStart(around, low - 4, 4);
}

QString TPagedText::LineText(qint64 start, qint64 end)
{
    QByteArray bytes = Bytes(start, end - start);
    if (start == 0 && m_bom > 0)
        bytes.remove(0, std::min<qsizetype>(m_bom, bytes.size()));
    QString text = DecodeAs(bytes, *m_encoding);
    if (text.endsWith(u'\n'))
        text.chop(1);
    if (text.endsWith(u'\r'))
        text.chop(1);
    return text;
}

namespace
{

// The search's own reader, on its own thread.
class TSearcher
{
public:
    TSearcher(const TSearchRequest& r, const std::atomic<bool>& cancel,
              std::atomic<qint64>& scanned)
        : m_r(r), m_cancel(cancel), m_scanned(scanned)
    {
        m_overlap = 4 * r.Needle.size() + 4;
    }

    bool Open(QString* why)
    {
        if (!m_text.Open(m_r.Path, why))
            return false;
        m_text.SetEncoding(*m_r.Encoding, m_r.BomSize);
        return true;
    }
    qint64 Size() const { return m_text.Size(); }

    // The first match that starts in [lo, hi), or -1: chunks forwards, each cut at its
    // last line end (a match holds no line end).
    qint64 FindFirst(qint64 lo, qint64 hi)
    {
        qint64 pos = m_text.LineStart(lo);
        while (pos < hi && !m_cancel.load()) {
            QByteArray chunk = m_text.Bytes(pos, SearchChunk);
            if (chunk.isEmpty())
                break;
            qint64 next = pos + chunk.size();
            if (next < m_text.Size()) {
                const qsizetype cut = m_text.LastLineEnd(chunk, pos);
                if (cut > 0) {
                    next = pos + cut;
                    chunk.truncate(cut);
                } else { // one line longer than a chunk: go on with an overlap
                    const qsizetype at = m_text.CharStart(chunk, pos, chunk.size() - 1);
                    chunk.truncate(at);
                    next = std::max(pos + 1, pos + m_text.CharStart(chunk, pos, at - m_overlap));
                }
            }
            m_scanned += next - pos;
            if (const qint64 hit = Matches(chunk, pos, lo, hi, false); hit >= 0)
                return hit;
            pos = next;
        }
        return -1;
    }

    // The last match that starts in [lo, hi), or -1: chunks backwards, each from a line
    // start, overlapping the one after it by the longest the needle can be.
    qint64 FindLast(qint64 lo, qint64 hi)
    {
        qint64 end = std::min(m_text.Size(), hi + m_overlap);
        while (end > lo && !m_cancel.load()) {
            const qint64 start = m_text.LineStart(std::max<qint64>(0, end - SearchChunk));
            const QByteArray chunk = m_text.Bytes(start, end - start);
            m_scanned += std::min(end, hi) - start;
            if (const qint64 hit = Matches(chunk, start, lo, hi, true); hit >= 0)
                return hit;
            if (start <= lo)
                break;
            end = std::min(end - 1, start + m_overlap);
        }
        return -1;
    }

private:
    qint64 Matches(const QByteArray& chunk, qint64 pos, qint64 lo, qint64 hi, bool last)
    {
        const bool bom = pos == 0 && m_r.BomSize > 0;
        const QString text =
            DecodeAs(QByteArrayView(chunk).sliced(bom ? m_r.BomSize : 0), *m_r.Encoding);
        const Qt::CaseSensitivity cs = m_r.MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        qint64 offset = pos + (bom ? m_r.BomSize : 0);
        qsizetype done = 0;
        qint64 found = -1;
        for (qsizetype i = text.indexOf(m_r.Needle, 0, cs); i >= 0;
             i = text.indexOf(m_r.Needle, i + 1, cs)) {
            offset += EncodeAs(QStringView(text).sliced(done, i - done), *m_r.Encoding).size();
            done = i;
            if (offset >= hi)
                break;
            if (offset >= lo) {
                found = offset;
                m_length =
                    EncodeAs(QStringView(text).sliced(i, m_r.Needle.size()), *m_r.Encoding).size();
                if (!last)
                    break;
            }
        }
        return found;
    }

public:
    qint64 m_length{0};

private:
    const TSearchRequest& m_r;
    const std::atomic<bool>& m_cancel;
    std::atomic<qint64>& m_scanned;
    TPagedText m_text;
    qint64 m_overlap{0};
};

} // namespace

TSearchResult SearchText(const TSearchRequest& request, const std::atomic<bool>& cancel,
                         std::atomic<qint64>& scanned)
{
    TSearchResult result;
    TSearcher searcher(request, cancel, scanned);
    if (request.Needle.isEmpty() || !searcher.Open(&result.Error))
        return result;
    const qint64 size = searcher.Size();
    const qint64 from = std::clamp<qint64>(request.From, 0, size);
    if (!request.Backward) {
        result.Offset = searcher.FindFirst(from, size);
        if (result.Offset < 0 && !cancel.load()) {
            result.Offset = searcher.FindFirst(0, from);
            result.Wrapped = result.Offset >= 0;
        }
    } else {
        result.Offset = searcher.FindLast(0, from);
        if (result.Offset < 0 && !cancel.load()) {
            result.Offset = searcher.FindLast(from, size);
            result.Wrapped = result.Offset >= 0;
        }
    }
    result.Cancelled = cancel.load();
    if (result.Cancelled)
        result.Offset = -1;
    result.Length = result.Offset >= 0 ? searcher.m_length : 0;
    return result;
}

} // namespace viewers
