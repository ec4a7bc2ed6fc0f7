#pragma once
// A file read for viewing in bounded blocks, never whole: the text view asks for the bytes
// and lines around what it shows, and only those blocks are read (positioned reads of
// BlockSize bytes, the last CachedBlocks of them kept). Lines are found from any offset,
// forwards and backwards, by their line ends; in every encoding of TextEncodings.h a line
// end starts a character, so a line start is a place where decoding can start again. A
// line longer than MaxLine bytes is cut into pieces of at most MaxLine bytes (at a
// character's start in UTF-8 and UTF-16).
//
// SearchText runs on a worker thread with a model of its own: it reads the file in chunks
// of SearchChunk bytes, decodes each at line starts and gives the byte offset of a match.
// No widget here; a model belongs to one thread.

#include "viewers/TextEncodings.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <atomic>
#include <deque>
#include <utility>

namespace viewers
{

class TPagedText
{
public:
    static constexpr qint64 BlockSize = 64 * 1024;
    static constexpr int CachedBlocks = 16;
    static constexpr qint64 MaxLine = 16 * 1024;

    // False with the system's reason in `why` when the file cannot be read.
    bool Open(const QString& path, QString* why);
    QString Path() const { return m_file.fileName(); }
    qint64 Size() const { return m_size; }
    // Takes the file's size again (a file that grows) and forgets the blocks read.
    void Refresh();

    void SetEncoding(const TEncoding& encoding, int bomSize);
    const TEncoding& Encoding() const { return *m_encoding; }
    int BomSize() const { return m_bom; }

    // Up to `length` bytes from `offset` (fewer at the end of the file or on an error).
    QByteArray Bytes(qint64 offset, qint64 length);
    // Bytes read from the file so far, and the last read error (empty when none).
    qint64 BytesRead() const { return m_bytesRead; }
    QString Error() const { return m_error; }

    // Start of the line after the one that starts at `start` (Size() after the last).
    qint64 NextLine(qint64 start);
    // Start of the line that holds `offset`; a line longer than MaxLine gives the nearest
    // character start at most MaxLine before `offset`.
    qint64 LineStart(qint64 offset);
    // Start of the line before the one that starts at `start` (0 for the first).
    qint64 PreviousLine(qint64 start) { return start <= 0 ? 0 : LineStart(start - 1); }
    // The line from `start` to `end` (a NextLine), decoded, without its line end.
    QString LineText(qint64 start, qint64 end);

    // Index just past the last line end in `bytes` read at `offset`, or -1 when none.
    qsizetype LastLineEnd(QByteArrayView bytes, qint64 offset) const;
    // The nearest character start at or before `index` in `bytes` read at `offset`.
    qsizetype CharStart(QByteArrayView bytes, qint64 offset, qsizetype index) const;

private:
    const QByteArray& Block(qint64 index);
    bool LineEndAt(qint64 pos); // a line end's last byte is at `pos`
    int Unit() const;

    QFile m_file;
    qint64 m_size{0};
    const TEncoding* m_encoding{&Encodings()[0]};
    int m_bom{0};
    std::deque<std::pair<qint64, QByteArray>> m_cache; // most recent first
    qint64 m_bytesRead{0};
    QString m_error;
};

struct TSearchRequest {
    QString Path;
    const TEncoding* Encoding{nullptr};
    int BomSize{0};
    QString Needle; // one line
    bool MatchCase{false};
    bool Backward{false};
    // Forwards: the first match at or after From, else (wrapping) the first before it.
    // Backwards: the last match before From, else (wrapping) the last at or after it.
    qint64 From{0};
};

struct TSearchResult {
    qint64 Offset{-1}; // -1: not found
    qint64 Length{0};  // bytes of the match
    bool Wrapped{false};
    bool Cancelled{false};
    QString Error;
};

constexpr qint64 SearchChunk = 1024 * 1024;

// Searches as the request says; `scanned` counts the bytes searched so far, for progress;
// `cancel` stops the search between chunks.
TSearchResult SearchText(const TSearchRequest& request, const std::atomic<bool>& cancel,
                         std::atomic<qint64>& scanned);

} // namespace viewers
