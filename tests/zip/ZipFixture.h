#pragma once
// A component wired to the libraries of this build, capturing every message box and
// library message, in a scratch folder. The libraries are loaded per operation unless a
// test loads them, and unloaded again afterwards.

#include "platform/Messages.h"
#include "support/TempDir.h"
#include "zip/ZipArchive.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

class ZipFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = platform::SetMessageHandler([this](const QString& t) { messages << t; });
        m_cwd = QDir::currentPath();
        TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
        zip.AddOptions = AddHiddenFiles; // as the main window sets it
        zip.OnMessage = [this](QObject*, int code, const QString& text) {
            libMessages << QStringLiteral("%1 %2").arg(code).arg(text);
        };
    }
    void TearDown() override
    {
        zip.UnloadUnzLib();
        zip.UnloadZipLib();
        TZipArchive::SetLibraryDirectory(QString());
        QDir::setCurrent(m_cwd);
        platform::SetMessageHandler(m_previous);
    }

    // Adds `paths` to `archive` and returns the library's count.
    int AddTo(const QString& archive, const QStringList& paths)
    {
        zip.SetZipFilename(archive);
        zip.FSpecArgs = paths;
        zip.Add();
        return zip.SuccessCount();
    }
    int ExtractTo(const QString& target, const QStringList& names = {})
    {
        zip.ExtrBaseDir = target;
        zip.FSpecArgs = names;
        zip.Extract();
        return zip.SuccessCount();
    }
    QStringList Names() const
    {
        QStringList names;
        for (const ZipDirEntry& e : zip.EntryList())
            names << e.FileName;
        return names;
    }
    static void SetModified(const QString& path, const QDateTime& time)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
    }
    static QStringList Listing(const QString& folder)
    {
        return QDir(folder).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    TempDir dir;
    TZipArchive zip;
    QStringList messages;
    QStringList libMessages;
    QString m_cwd;
    platform::TMessageHandler m_previous;
};
