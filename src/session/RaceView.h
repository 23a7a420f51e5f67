#pragma once

#include "mapping/MappingTable.h"
#include "session/BridgeSession.h"
#include "system/KeyInjector.h"

#include <cstddef>
#include <string>

namespace orvanel {

// What a front end shows of the race, and the one thing the race asks of it. The race tells it every
// change as it happens; the front end keeps no state of its own beyond what it shows.
class RaceView
{
public:
    virtual ~RaceView() = default;

    // The status line's text.
    virtual void showStatus(const std::string& text) = 0;
    // Why the latest outcome on the status line was what it was (its tooltip).
    virtual void showReason(const std::string& text) = 0;
    // The link's state, and all that lies behind the status line, one line each (the tooltip).
    virtual void showLink(BridgeSession::LinkState state, const std::string& reason) = 0;
    // Detection on: the table, the transponder commands, the port list and Start take no input.
    virtual void showRunning(bool running) = 0;
    virtual void showText(std::size_t row, MappingTable::Column column, const std::string& text) = 0;
    virtual void showAutoAssign(bool on) = 0;
    // The port list's entry, 0 for "COM 1".
    virtual void showPort(int index) = 0;

    // Where key-strokes typed right now would land: only the front end knows whether one of its own
    // windows has the keyboard focus. Asked on the race's own thread, which need not be the window's.
    virtual KeyTarget keyTarget() = 0;
};

} // namespace orvanel
