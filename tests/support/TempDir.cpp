#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempDir::TempDir() : m_dir(QDir::tempPath() + "/trvx-test-XXXXXX") {}

QString TempDir::path() const { return m_dir.path() + "/"; }

QString TempDir::operator()(const QString& relative) const { return path() + relative; }

QString TempDir::write(const QString& relative, const QByteArray& data) const
{
    const QString full = path() + relative;
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
    return full;
}

QString TempDir::mkdir(const QString& relative) const
{
    const QString full = path() + relative;
    QDir().mkpath(full);
    return full.endsWith('/') ? full : full + "/";
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
