#include "platform/Messages.h"

#include "platform/FileNames.h"

#include <QMessageBox>
#include <cstdio>
#include <cstring>

namespace platform
{

namespace
{

TMessageHandler& Handler()
{
    static TMessageHandler handler;
    return handler;
}

bool g_quitting = false;

} // namespace

void SetQuitting(bool quitting)
{
    g_quitting = quitting;
}

bool Quitting()
{
    return g_quitting;
}

// Names in messages show their bytes that are not UTF-8 as U+FFFD.
void ShowMessage(const QString& message)
{
    const QString text = DisplayName(message);
    if (g_quitting) {
        std::fprintf(stderr, "travodex: %s\n", text.toLocal8Bit().constData());
        return;
    }
    if (Handler()) {
        Handler()(text);
        return;
    }
    QMessageBox::information(nullptr, QStringLiteral("Travodex"), text);
}

TMessageHandler SetMessageHandler(TMessageHandler handler)
{
    TMessageHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

EError::EError(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

EInOutError::EInOutError(int errorNumber)
    : EError(QStringLiteral("I/O error %1: %2")
                 .arg(errorNumber)
                 .arg(QString::fromLocal8Bit(std::strerror(errorNumber)))),
      m_code(errorNumber)
{
}

EListError::EListError(int index)
    : EError(QStringLiteral("List index out of bounds (%1)").arg(index))
{
}

} // namespace platform
