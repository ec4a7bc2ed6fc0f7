#pragma once
// Messages and errors a user must see.
//
// ShowMessage: a modal message box titled "Travodex" with an OK button, after which the
// caller goes on. Tests replace the handler to capture the texts instead of showing them.
// The text is shown as DisplayName shows names (bytes that are not UTF-8 as U+FFFD), in
// the box and to the handler alike.
//
// EError and its kinds: errors raised as exceptions end the command; the application
// object catches them when they leave an event handler and shows their text.

#include <QString>
#include <functional>
#include <stdexcept>

namespace platform
{

using TMessageHandler = std::function<void(const QString& text)>;

void ShowMessage(const QString& text);
// Installs `handler` (an empty one restores the message box); returns the previous one.
TMessageHandler SetMessageHandler(TMessageHandler handler);

// While the program is quitting (its window closed or a quit signal received during a
// command), messages are written to the standard error output instead of being shown
// (nor handed to the handler): no box may hold the end up. User-interface thread only.
void SetQuitting(bool quitting);
bool Quitting();

class EError : public std::runtime_error
{
public:
    explicit EError(const QString& message);
    QString Message() const { return m_message; }

private:
    QString m_message;
};

// An input/output error of the system: its text carries the system's reason and number.
class EInOutError : public EError
{
public:
    explicit EInOutError(int errorNumber);
    int ErrorCode() const { return m_code; }

private:
    int m_code;
};

// An index outside a list (a command that needs a focused row when there is none).
class EListError : public EError
{
public:
    explicit EListError(int index);
};

} // namespace platform
