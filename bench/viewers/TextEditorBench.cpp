// The text editor on large files: the time to open a file and the time one typed key
// takes (the key and the repaint it causes), for one very long line and for many short
// lines. Every window shares the one user-interface thread, so a slow key stalls them all.
// A file with a line longer than TfText::LongLine opens read-only, in pieces.
#include "support/Bench.h"
#include "viewers/uText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

namespace
{

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// A minified-JSON-like line of `bytes` bytes without a line end.
QByteArray OneLine(int bytes)
{
    const QByteArray unit = "{\"id\":12345,\"name\":\"value\",\"list\":[1,2,3]},";
    QByteArray data;
    data.reserve(bytes);
    while (data.size() < bytes)
        data += unit;
    data.truncate(bytes);
    return data;
}

QByteArray ShortLines(int bytes)
{
    const QByteArray unit = "2024-01-01 12:00:00 INFO request served in 12 ms\n";
    QByteArray data;
    data.reserve(bytes);
    while (data.size() + unit.size() <= bytes)
        data += unit;
    return data;
}

void Measure(const QString& name, const QString& path)
{
    QWidget owner;
    QElapsedTimer open;
    open.start();
    TfText* editor = TfText::Open(&owner, path, true);
    QCoreApplication::processEvents();
    bench::Figure(name + QStringLiteral(" open"), open.nsecsElapsed() / 1e6, QStringLiteral("ms"));
    editor->Memo->setFocus();
    editor->Memo->moveCursor(QTextCursor::Start);
    double worst = 0;
    double total = 0;
    const int keys = 10;
    for (int i = 0; i < keys; ++i) {
        QElapsedTimer key;
        key.start();
        QTest::keyClick(editor->Memo, Qt::Key_X);
        editor->Memo->viewport()->repaint();
        QCoreApplication::processEvents();
        const double ms = key.nsecsElapsed() / 1e6;
        worst = std::max(worst, ms);
        total += ms;
    }
    bench::Figure(name + QStringLiteral(" key, mean"), total / keys, QStringLiteral("ms"));
    bench::Figure(name + QStringLiteral(" key, worst"), worst, QStringLiteral("ms"));
    editor->setAttribute(Qt::WA_DeleteOnClose, false);
    delete editor;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const int mb = 1 << 20;
    Measure(QStringLiteral("one line of 4 MB"), WriteFile(dir, "line4.json", OneLine(4 * mb)));
    Measure(QStringLiteral("one line of 20 MB"), WriteFile(dir, "line20.json", OneLine(20 * mb)));
    // The longest lines that stay editable.
    const QByteArray wide = (OneLine(int(TfText::LongLine)) + '\n').repeated(200);
    Measure(QStringLiteral("200 editable lines of 5,000 chars"), WriteFile(dir, "wide.json", wide));
    Measure(QStringLiteral("20 MB of short lines"),
            WriteFile(dir, "lines20.log", ShortLines(20 * mb)));
    return 0;
}
