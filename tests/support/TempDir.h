#pragma once
// Scratch folders for tests that build real files.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TempDir final {
public:
    TempDir();
    // Absolute path of the folder, ending in "/".
    QString path() const;
    // Path of a name inside the folder (no separator added at the end).
    QString operator()(const QString& relative) const;
    // Writes a file (creating parent folders) and returns its absolute path.
    QString write(const QString& relative, const QByteArray& data = {}) const;
    // Creates a folder (and parents) and returns its absolute path ending in "/".
    QString mkdir(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

// Reads a whole file; empty when it cannot be read.
QByteArray readAll(const QString& path);
