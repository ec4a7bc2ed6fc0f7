#include "checks/Digest.h"

#include "platform/FileBlocks.h"

#include <QFileInfo>
#include <memory>
#include <openssl/evp.h>

namespace
{

constexpr std::array<TDigestInfo, 4> kInfos{{
    {TDigestKind::Sha256, "SHA-256", "sha256", "SHA256", 64},
    {TDigestKind::Sha1, "SHA-1", "sha1", "SHA1", 40},
    {TDigestKind::Md5, "MD5", "md5", "MD5", 32},
    {TDigestKind::Blake2b, "BLAKE2b", "b2", "BLAKE2b", 128},
}};

const EVP_MD* Algorithm(TDigestKind kind)
{
    switch (kind) {
    case TDigestKind::Sha256:
        return EVP_sha256();
    case TDigestKind::Sha1:
        return EVP_sha1();
    case TDigestKind::Md5:
        return EVP_md5();
    case TDigestKind::Blake2b:
        return EVP_blake2b512();
    }
    return EVP_sha256();
}

struct TContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using TContext = std::unique_ptr<EVP_MD_CTX, TContextFree>;

TContext NewContext(TDigestKind kind)
{
    TContext context(EVP_MD_CTX_new());
    if (context && EVP_DigestInit_ex(context.get(), Algorithm(kind), nullptr) != 1)
        context.reset();
    return context;
}

QByteArray Finish(EVP_MD_CTX* context)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(context, digest, &size) != 1)
        return {};
    return QByteArray(reinterpret_cast<const char*>(digest), int(size)).toHex();
}

} // namespace

const TDigestInfo& DigestInfo(TDigestKind kind)
{
    return kInfos[size_t(kind)];
}

const std::array<TDigestKind, 4>& DigestKinds()
{
    static const std::array<TDigestKind, 4> kinds{TDigestKind::Sha256, TDigestKind::Sha1,
                                                  TDigestKind::Md5, TDigestKind::Blake2b};
    return kinds;
}

TFileDigest DigestFile(const QString& path, TDigestKind kind, platform::TFileOpsProgress* progress)
{
    TContext context = NewContext(kind);
    if (!context)
        return {};
    bool failed = false;
    const platform::TReadBlocks read = platform::ReadFileBlocks(
        path, size_t(1) << 20, 0, [&](const char* data, size_t size, size_t, qint64) {
            if (platform::CancelRequested(progress))
                return false;
            if (EVP_DigestUpdate(context.get(), data, size) != 1) {
                failed = true;
                return false;
            }
            if (progress)
                progress->AddBytes(qint64(size));
            return true;
        });
    if (read == platform::TReadBlocks::Done && !failed)
        return {TDigestResult::Done, Finish(context.get())};
    if (read == platform::TReadBlocks::Stopped && !failed)
        return {TDigestResult::Cancelled, {}};
    // A name that leads nowhere (a dangling link too) is missing; anything else there
    // is a file that could not be read.
    if (read == platform::TReadBlocks::Failed && !QFileInfo::exists(path))
        return {TDigestResult::Missing, {}};
    return {TDigestResult::Unreadable, {}};
}

QByteArray DigestBytes(const QByteArray& bytes, TDigestKind kind)
{
    TContext context = NewContext(kind);
    if (!context || EVP_DigestUpdate(context.get(), bytes.constData(), size_t(bytes.size())) != 1)
        return {};
    return Finish(context.get());
}

struct TDigester::TState {
    TContext Context;
    bool Failed{false};
};

TDigester::TDigester(TDigestKind kind) : m_state(std::make_unique<TState>())
{
    m_state->Context = NewContext(kind);
    m_state->Failed = !m_state->Context;
}

TDigester::~TDigester() = default;

bool TDigester::Add(const char* data, size_t size)
{
    if (!m_state->Failed && EVP_DigestUpdate(m_state->Context.get(), data, size) != 1)
        m_state->Failed = true;
    return !m_state->Failed;
}

QByteArray TDigester::Hex()
{
    return m_state->Failed ? QByteArray() : Finish(m_state->Context.get());
}
