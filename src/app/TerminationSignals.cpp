#include "app/TerminationSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace orvanel {

namespace {

// The pipe's write end, for the handler: a signal handler is given nothing but the signal's number.
volatile std::sig_atomic_t signalPipe = -1;

void writeToSignalPipe(int signal)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signal);
    // A full pipe already holds a signal that is yet to be handled: this one adds nothing.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe, &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
{
    int ends[2];
    // Without a pipe (no file descriptor left) the signals keep ending the program at once.
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_readEnd = ends[0];
    m_writeEnd = ends[1];
    signalPipe = m_writeEnd;
    auto* notifier = new QSocketNotifier(m_readEnd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);

    struct sigaction action
    {
    };
    action.sa_handler = writeToSignalPipe;
    sigemptyset(&action.sa_mask);
    // A blocking call that the signal interrupts goes on, rather than failing with EINTR.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], nullptr, &m_before[i]);
        if (m_before[i].sa_handler != SIG_IGN)
            ::sigaction(kSignals[i], &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (m_readEnd < 0)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &m_before[i], nullptr);
    signalPipe = -1;
    ::close(m_readEnd);
    ::close(m_writeEnd);
}

void TerminationSignals::readSignals()
{
    char bytes[16];
    bool any = false;
    while (::read(m_readEnd, bytes, sizeof bytes) > 0)
        any = true;
    if (any && m_onSignal)
        m_onSignal();
}

} // namespace orvanel
