// The floor of a Qt program's start on this machine: a main window with a menu bar and
// two list views, nothing else. It reports its first idle moment as the program does.
#include "platform/StartProbe.h"

#include <QApplication>
#include <QListView>
#include <QMainWindow>
#include <QMenuBar>
#include <QSplitter>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    for (const char* title : {"&File", "&Edit", "&View", "&Help"}) {
        QMenu* menu = window.menuBar()->addMenu(QString::fromLatin1(title));
        menu->addAction(QStringLiteral("Open"));
        menu->addAction(QStringLiteral("Close"));
    }
    auto* splitter = new QSplitter(&window);
    splitter->addWidget(new QListView(splitter));
    splitter->addWidget(new QListView(splitter));
    window.setCentralWidget(splitter);
    platform::ProbeStartIdle(&window);
    window.showMaximized();
    return app.exec();
}
