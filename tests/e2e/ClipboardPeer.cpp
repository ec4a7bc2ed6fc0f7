// Stands in for another file manager on the desktop clipboard in the end-to-end cases.
//   trvx-clipboard-peer get FORMAT        prints the clipboard's data in FORMAT
//   trvx-clipboard-peer copy|cut PATH...  puts the files there as such a program does
//     (text/uri-list and the GNOME list; KDE's marker after a cut), prints "ready" and
//     serves them until another program takes the clipboard or clears it, then prints
//     "released" and ends (or after 60 seconds, "timeout", exit code 2).
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (args.size() == 2 && args[0] == "get") {
        const QMimeData* data = clipboard->mimeData();
        const QByteArray bytes = data ? data->data(args[1]) : QByteArray();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return data && data->hasFormat(args[1]) ? 0 : 1;
    }
    if (args.size() < 2 || (args[0] != "copy" && args[0] != "cut")) {
        std::fputs("usage: trvx-clipboard-peer get FORMAT | copy|cut PATH...\n", stderr);
        return 64;
    }
    const bool cut = args[0] == "cut";
    QByteArray uris, gnome = args[0].toUtf8();
    for (const QString& path : args.mid(1)) {
        const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
        uris += uri + "\r\n";
        gnome += '\n' + uri;
    }
    auto* data = new QMimeData;
    data->setData("text/uri-list", uris);
    data->setData("x-special/gnome-copied-files", gnome);
    if (cut)
        data->setData("application/x-kde-cutselection", "1");
    clipboard->setMimeData(data);
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [&app] {
        if (!QGuiApplication::clipboard()->ownsClipboard()) {
            std::puts("released");
            std::fflush(stdout);
            app.exit(0);
        }
    });
    QTimer::singleShot(60000, &app, [&app] {
        std::puts("timeout");
        app.exit(2);
    });
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
