#pragma once

#include "BridgeControl.h"
#include "StatusSink.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvanel {

// What the main window's bridge buttons do, apart from the widgets themselves: connecting the
// chosen port, switching detection, reading and programming a single transponder. Outcomes are
// posted on the status line; Start and Stop post nothing.
class BridgeSession
{
public:
    BridgeSession(BridgeControl& bridge, StatusSink& status);

    // Reopens the port and posts "Conexión Establecida" when it opened and the bridge answers
    // (no transponder, or an ID), else "Error de Comunicación".
    void ConnectBridge(std::int32_t portNumber);

    // Start: detection is switched on only when the bridge reports -1 or an ID; lockControls runs
    // first so that the table cannot be edited once passings may arrive. Returns whether it started.
    bool Command1_Click(const std::function<void()>& lockControls);
    // Stop: switches detection off, then unlockControls. The port stays open.
    void Command2_Click(const std::function<void()>& unlockControls);

    void Command5_Click();                      // "Leer ID"
    void Command4_Click(std::string_view text); // "Grabar ID" with the text of the new-ID box

    // The open port went away by itself.
    void LinkLost();

    // Why the last connection attempt failed, for the user; empty after a success.
    const std::string& lastConnectionProblem() const { return m_problem; }

private:
    BridgeControl& m_bridge;
    StatusSink& m_status;
    std::string m_problem;
};

} // namespace orvanel
