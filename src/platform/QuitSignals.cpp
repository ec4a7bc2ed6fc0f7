#include "platform/QuitSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform
{

namespace
{

constexpr int QuitSignals[] = {SIGTERM, SIGHUP};
int pipeEnds[2] = {-1, -1}; // read, write

void OnSignal(int signal)
{
    const int saved = errno;
    const auto number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &number, 1);
    errno = saved;
}

void Handle(void (*handler)(int))
{
    struct sigaction action {
    };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : QuitSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

TQuitSignals::TQuitSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their default effect: the program ends at once
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TQuitSignals::Read);
    Handle(OnSignal);
}

TQuitSignals::~TQuitSignals()
{
    if (m_notifier == nullptr)
        return;
    Handle(SIG_DFL);
    delete m_notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void TQuitSignals::Read()
{
    unsigned char number = 0;
    while (::read(pipeEnds[0], &number, 1) == 1)
        emit Received(number);
}

} // namespace platform
