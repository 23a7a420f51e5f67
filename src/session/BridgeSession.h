#pragma once

#include "bridge/BridgeControl.h"
#include "status/StatusSink.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvanel {

// The bridge as the user drives it, apart from the widgets: connecting the chosen port, switching
// detection, reading and programming a single transponder. Outcomes are posted on the status line;
// switching detection posts nothing.
class BridgeSession
{
public:
    BridgeSession(BridgeControl& bridge, StatusSink& status);

    // Reopens the port and posts "Conexión Establecida" when it opened and the bridge answers
    // (no transponder, or an ID), else "Error de Comunicación".
    void connect(std::int32_t portNumber);

    // Detection is switched on only when the bridge reports -1 or an ID; lockControls runs first so
    // that the table cannot be edited once passings may arrive. Returns whether it started.
    bool startDetection(const std::function<void()>& lockControls);
    // Switches detection off, then unlockControls. The port stays open.
    void stopDetection(const std::function<void()>& unlockControls);

    // Shows the ID of the transponder lying under the bridge, or why there is none.
    void readTransponder();
    // Programs the number that text reads as into the transponder under the bridge.
    void programTransponder(std::string_view text);

    // The open port went away by itself.
    void onLinkLost();

    // Why the last connection attempt failed, for the user; empty after a success.
    const std::string& lastConnectionProblem() const { return m_problem; }

private:
    BridgeControl& m_bridge;
    StatusSink& m_status;
    std::string m_problem;
};

} // namespace orvanel
