#pragma once

#include "app/PassingNotices.h"
#include "app/RaceHost.h"
#include "app/ThreadInbox.h"
#include "platform/PlatformServices.h"

#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace orvanel {

class QueuedRaceView;

// The race on a thread of its own, so that a passing is read, looked up and typed without waiting for
// the window's event loop. What the race makes there (the key injector, the beeper, the bridge's line
// and every timer) is made, used and destroyed on that thread. The window hears of every change
// afterwards, queued to its own thread; its commands and table edits are queued to the race in order,
// so that a passing is typed with the table as it stood before an edit or after it, never in between.
class RaceThread : public RaceHost
{
public:
    // What runs there: the race and the platform services it uses, which it must not outlive.
    struct Parts
    {
        PlatformServices platform;
        std::unique_ptr<Race> race;
    };
    // Runs on the race's thread, once begin() starts it. The race is to beep through `beeper`, which
    // rings the platform's beeper on the window's thread, after the passing is typed.
    using Factory = std::function<Parts(Beeper& beeper)>;
    // Told on the window's thread what the key injector has to say (PlatformServices::keysProblem and
    // keysRoute), once it is made.
    using KeysReport = std::function<void(const std::string& problem, const std::string& route)>;

    RaceThread(Factory factory, KeysReport keysReport);
    // Key-strokes still waiting are settled, and the thread ends; a bridge call under way is waited for.
    ~RaceThread() override;
    RaceThread(const RaceThread&) = delete;
    RaceThread& operator=(const RaceThread&) = delete;

    void attach(RaceView& view) override;
    void begin() override;
    void run(Command command) override;
    void runClick(Command command) override;

private:
    void post(std::function<void()> task);

    Factory m_factory;
    KeysReport m_keysReport;
    QThread m_thread;
    ThreadInbox m_worker; // lives on the race's thread: what is posted to it runs there, in order
    ThreadInbox m_window; // lives on the window's thread: the view's calls are queued to it
    std::unique_ptr<PassingNotices> m_notices;
    std::unique_ptr<QueuedRaceView> m_view;
    Parts m_parts;                            // used on the race's thread only
    std::atomic<bool> m_clickUnderWay{false}; // a button's command posted and not yet done
};

} // namespace orvanel
