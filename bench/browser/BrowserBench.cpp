// The HTML viewer: milliseconds from FormShow to the document shown with its caption, on
// the first showing (the engine starts) and on later ones (the median of several); and a
// page of pictures served through PicLib beside a plain engine view decoding the same PNG
// files itself.
#include "browser/uBrowser.h"
#include "platform/BrowserEnvironment.h"
#include "support/Bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

void WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// A text page, and a page of `count` different 400 x 300 PNG pictures.
void WriteDocuments(const QString& folder, int count)
{
    QByteArray text = "<html><head><title>Text</title></head><body>";
    for (int i = 0; i < 200; ++i)
        text += "<p>Paragraph " + QByteArray::number(i) + " of a plain document.</p>";
    WriteFile(folder + "/text.html", text + "</body></html>");
    QByteArray pictures = "<html><head><title>Pictures</title></head><body>";
    for (int i = 0; i < count; ++i) {
        QImage image(400, 300, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb((x + i * 7) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF));
        const QString name = QStringLiteral("pic%1.png").arg(i);
        image.save(folder + '/' + name, "PNG");
        pictures += "<img src='" + name.toUtf8() + "'>";
    }
    WriteFile(folder + "/pictures.html", pictures + "</body></html>");
}

// Milliseconds from show() to `done` (a signal of `sender`); -1 after 30 s without it.
template <typename Sender, typename Signal>
double MillisecondsTo(Sender* sender, Signal done, const std::function<void()>& start)
{
    QEventLoop loop;
    bool ok = false;
    const auto connection = QObject::connect(sender, done, &loop, [&] {
        ok = true;
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    start();
    loop.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    QObject::disconnect(connection);
    return ok ? ms : -1;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double LaterShowing(TfBrowser& browser, const QString& file)
{
    browser.hide();
    browser.FileName = file;
    return MillisecondsTo(&browser, &TfBrowser::DocumentShown, [&] { browser.show(); });
}

} // namespace

int main(int argc, char** argv)
{
    platform::PrepareBrowserEnvironment(true);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const int pictures = 30;
    WriteDocuments(dir.path(), pictures);
    const QString text = dir.filePath("text.html");
    const QString page = dir.filePath("pictures.html");

    QMainWindow main;
    main.resize(1024, 768);
    main.show();
    TfBrowser browser(&main);
    browser.FileName = text;
    bench::Figure("browser: first showing to document shown",
                  MillisecondsTo(&browser, &TfBrowser::DocumentShown, [&] { browser.show(); }),
                  "ms");
    std::vector<double> later;
    for (int i = 0; i < 9; ++i)
        later.push_back(LaterShowing(browser, text));
    bench::Figure("browser: later showing to document shown (median)", Median(later), "ms");

    // Pictures: through our scheme and PicLib, against the engine reading the files itself.
    std::vector<double> ours;
    std::vector<double> plain;
    QWebEngineView reference;
    reference.resize(browser.HtmlView->size());
    reference.show();
    for (int i = 0; i < 5; ++i) {
        ours.push_back(LaterShowing(browser, page));
        plain.push_back(MillisecondsTo(&reference, &QWebEngineView::loadFinished,
                                       [&] { reference.load(QUrl::fromLocalFile(page)); }));
    }
    bench::Report(QStringLiteral("browser: page of %1 PNG pictures loaded").arg(pictures),
                  Median(ours), Median(plain), "engine decoding itself", "ms");
    return 0;
}
