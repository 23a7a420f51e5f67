#pragma once

#include <QObject>
#include <csignal>
#include <functional>
#include <iterator>

namespace orvanel {

// SIGTERM, SIGINT and SIGHUP (a log-out, Ctrl+C, a closed terminal) turned into a call on the event
// loop, so that the program can end as closing its window does: settings saved, port unlocked.
// A signal handler may do next to nothing, so it only writes to a pipe that the event loop watches.
// A signal that was ignored when the program started (SIGHUP under nohup) stays ignored.
// One at a time per process: the handler finds the pipe in the one place a handler can reach.
class TerminationSignals : public QObject
{
public:
    explicit TerminationSignals(std::function<void()> onSignal);
    // The signals act as they did before.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void readSignals();

    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

    std::function<void()> m_onSignal;
    int m_readEnd = -1;
    int m_writeEnd = -1;
    struct sigaction m_before[std::size(kSignals)] = {};
};

} // namespace orvanel
