#pragma once
// A main window with a menu bar and the HTML viewer owned by it, messages captured, and
// helpers that wait for the engine. The process's current directory is put back after
// each test, before the scratch folders go.

#include "browser/uBrowser.h"
#include "platform/Messages.h"
#include "support/TempDir.h"
#include "viewers/PcxWriter.h"

#include <QDir>
#include <QEventLoop>
#include <QMainWindow>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>

class BrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_startFolder = QDir::currentPath();
        m_previousHandler =
            platform::SetMessageHandler([this](const QString& text) { Messages << text; });
        Main.menuBar()->addMenu(QStringLiteral("&File"));
        Main.show();
        Browser = new TfBrowser(&Main);
    }

    void TearDown() override
    {
        platform::SetMessageHandler(m_previousHandler);
        QDir::setCurrent(m_startFolder);
    }

    // Shows the viewer on `fileName` and waits for the document (false when none came).
    bool ShowDocument(const QString& fileName)
    {
        Browser->FileName = fileName;
        QSignalSpy shown(Browser, &TfBrowser::DocumentShown);
        Browser->show();
        return shown.wait(15000) && shown.first().first().toBool();
    }

    // The result of a script run in the page's main frame.
    QVariant Eval(const QString& script)
    {
        QVariant result;
        QEventLoop loop;
        Browser->HtmlView->page()->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            loop.quit();
        });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        return result;
    }

    // A PCX picture (which only PicLib decodes, never the engine) of one colour.
    static QByteArray Pcx(int width, int height)
    {
        QImage image(width, height, QImage::Format_Indexed8);
        QList<QRgb> table(256, qRgb(0, 0, 0));
        table[1] = qRgb(40, 160, 80);
        image.setColorTable(table);
        image.fill(1);
        return testpcx::WritePcx(image, 8, 1);
    }

    TempDir Dir; // declared first: it goes after the windows
    QMainWindow Main;
    TfBrowser* Browser{nullptr}; // owned by Main
    QStringList Messages;

private:
    QString m_startFolder;
    platform::TMessageHandler m_previousHandler;
};
