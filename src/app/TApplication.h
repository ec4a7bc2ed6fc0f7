#pragma once
// The application object: title "Travodex" and the default error display. An exception
// that leaves any event handler is caught here and its text shown in a message box
// titled "Travodex"; the program then goes on with its event loop.

#include <QApplication>

class TApplication final : public QApplication
{
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error text the way the default error display does.
    static void ShowException(const QString& text);
};
