#pragma once

#include "session/Race.h"

#include <functional>
#include <memory>
#include <utility>

namespace orvanel {

class RaceView;

// Where the race runs for the window. Every command the window gives runs on the race in the order
// given, in turn with the passings.
class RaceHost
{
public:
    using Command = std::function<void(Race&)>;

    virtual ~RaceHost() = default;

    // Before any command; the view must outlive the host. Commands given before begin() wait for it.
    virtual void attach(RaceView& view) = 0;
    // Once the window is shown.
    virtual void begin() = 0;
    virtual void run(Command command) = 0;
    // A button's command, dropped while the last one run this way is still under way (a bridge call
    // waiting for its answer): clicks on a window that answered nothing yet, as on a frozen one.
    virtual void runClick(Command command) = 0;
};

// The race on the window's own event loop: commands run at once, passings when the loop delivers them.
class InlineRaceHost : public RaceHost
{
public:
    explicit InlineRaceHost(std::unique_ptr<Race> race) : m_race(std::move(race)) {}

    void attach(RaceView& view) override { m_race->attach(view); }
    void begin() override {}
    void run(Command command) override { command(*m_race); }
    // A command returns before the window takes input again.
    void runClick(Command command) override { command(*m_race); }

    Race& race() { return *m_race; }

private:
    std::unique_ptr<Race> m_race;
};

} // namespace orvanel
