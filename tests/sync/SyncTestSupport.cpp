#include "SyncTestSupport.h"

#include <QDirIterator>
#include <QProcess>
#include <gtest/gtest.h>

QStringList Diff(const QString& left, const QString& right)
{
    QProcess diff;
    diff.start(QStringLiteral("diff"), {QStringLiteral("-rq"), left, right});
    EXPECT_TRUE(diff.waitForFinished(60000));
    QString text = QString::fromUtf8(diff.readAllStandardOutput());
    text.replace(left, QStringLiteral("L/")).replace(right, QStringLiteral("R/"));
    QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

QStringList Entries(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << it.next().mid(folder.size());
    names.sort();
    return names;
}
