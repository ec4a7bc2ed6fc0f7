// Entry point of the HTML viewer's tests: the web engine's environment is set up before the
// QApplication exists, which then runs offscreen with an en-US locale. The viewer registers
// its URL scheme itself when it starts the engine, after the application exists, as in the
// program, where it lives in a module loaded on first use.
// Errors that leave an event handler are shown through platform::ShowMessage, as the
// program's application object shows them, so tests can capture them.
#include "platform/BrowserEnvironment.h"
#include "platform/Messages.h"

#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

namespace
{

class TTestApplication final : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const platform::EError& e) {
            platform::ShowMessage(e.Message());
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::PrepareBrowserEnvironment(true);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TTestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
