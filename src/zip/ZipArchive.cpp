#include "zip/ZipArchive.h"

#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "zip/ZipCentralDir.h"
#include "zip/ZipDirReader.h"

#include <QFile>

TZipArchive::TZipArchive(QObject* parent) : QObject(parent) {}

TZipArchive::~TZipArchive() = default;

void TZipArchive::SetZipFilename(const QString& path)
{
    m_zipFilename = path;
    ReadZipDirectory();
}

void TZipArchive::ReadZipDirectory()
{
    FreeEntries();
    if (m_zipFilename.isEmpty() || !platform::FileExists(m_zipFilename)) {
        RaiseDirUpdate();
        return;
    }
    QFile file(m_zipFilename);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        RaiseDirUpdate();
        throw platform::EError(QStringLiteral("Ne peut ouvrir le fichier %1").arg(m_zipFilename));
    }
    try {
        ReadZipEntries(file, m_entries);
    } catch (...) {
        file.close();
        RaiseDirUpdate();
        throw;
    }
    file.close();
    RaiseDirUpdate();
}

void TZipArchive::FreeEntries()
{
    m_entries.clear();
    m_entries.shrink_to_fit();
}

int TZipArchive::EntryCount() const
{
    return m_zipFilename.isEmpty() ? 0 : int(m_entries.size());
}

std::vector<TArchiveMember> TZipArchive::Members() const
{
    std::vector<TArchiveMember> members;
    if (m_zipFilename.isEmpty())
        return members;
    members.reserve(m_entries.size());
    for (const ZipDirEntry& e : m_entries)
        members.push_back(TArchiveMember{e.FileName, qint64(e.UncompressedSize),
                                         DosDayCount(e.FileDate, e.FileTime), e.CRC32});
    return members;
}

void TZipArchive::RaiseDirUpdate()
{
    if (OnDirUpdate)
        OnDirUpdate(this);
}
