#include "app/TApplication.h"

#include "platform/FileNames.h"
#include "platform/Messages.h"

#include <QMessageBox>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Travodex"));
    setApplicationDisplayName(QStringLiteral("Travodex"));
    setOrganizationName(QStringLiteral("Travodex"));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const platform::EError& e) {
        ShowException(e.Message());
    } catch (const std::exception& e) {
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("Unknown error"));
    }
    return false;
}

void TApplication::ShowException(const QString& text)
{
    if (platform::Quitting()) {
        platform::ShowMessage(text); // to the standard error output only
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Travodex"), platform::DisplayName(text),
                    QMessageBox::Ok);
    box.exec();
}
