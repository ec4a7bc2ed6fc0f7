#pragma once
// Message digests of whole files, as sha256sum, sha1sum, md5sum and b2sum compute them,
// through OpenSSL's libcrypto (which uses the processor's SHA instructions where there
// are any).

#include "platform/FileOpsProgress.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <memory>

enum class TDigestKind { Sha256, Sha1, Md5, Blake2b };

struct TDigestInfo {
    TDigestKind Kind;
    const char* Title;     // "SHA-256"
    const char* Extension; // "sha256": the checksum file's extension, without the dot
    const char* Tag;       // "SHA256": the tag of BSD-style lines ("SHA256 (name) = hex")
    int HexLength;         // digits of the digest in hexadecimal
};

const TDigestInfo& DigestInfo(TDigestKind kind);
// Every kind, in the order a dialog offers them (SHA-256 first).
const std::array<TDigestKind, 4>& DigestKinds();

enum class TDigestResult { Done, Missing, Unreadable, Cancelled };

struct TFileDigest {
    TDigestResult Result{TDigestResult::Unreadable};
    QByteArray Hex; // Done: the digest in lower-case hexadecimal
};

// The digest of the regular file at `path` (links followed), read in blocks of 1 MiB.
// Each block's bytes are added to `progress` (may be null), whose cancel flag is checked
// before each block. Missing when nothing is at `path` (a link that leads nowhere too);
// Unreadable for anything that is no regular file or cannot be read to its end.
// Any thread.
TFileDigest DigestFile(const QString& path, TDigestKind kind,
                       platform::TFileOpsProgress* progress = nullptr);

// A digest of bytes handed over in pieces, as a file read elsewhere arrives.
class TDigester final
{
public:
    explicit TDigester(TDigestKind kind);
    ~TDigester();
    TDigester(const TDigester&) = delete;
    TDigester& operator=(const TDigester&) = delete;
    // False when the library failed; the digest is then empty.
    bool Add(const char* data, size_t size);
    // The digest of everything added, lower-case hexadecimal; empty after a failure. Once.
    QByteArray Hex();

private:
    struct TState;
    std::unique_ptr<TState> m_state;
};

// The digest of bytes in memory, lower-case hexadecimal.
QByteArray DigestBytes(const QByteArray& bytes, TDigestKind kind);
