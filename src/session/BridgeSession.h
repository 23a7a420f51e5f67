#pragma once

#include "bridge/BridgeControl.h"
#include "status/StatusSink.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvanel {

class RaceLog;

// The bridge as the user drives it, apart from the widgets: connecting the chosen port, switching
// detection, reading and programming a single transponder, and the link's ups and downs. Outcomes
// are posted on the status line; switching detection posts only a failure.
class BridgeSession
{
public:
    enum class LinkState
    {
        NotConnected, // no connection tried yet
        Connected,
        Failed, // the last connection did not succeed
        Lost,   // the link went away by itself and is being recovered
    };

    BridgeSession(BridgeControl& bridge, StatusSink& status);

    // The link's events (connected, lost, reconnected, detection on and off, passings lost) go to
    // log when it is set; it must outlive the session or be unset.
    void setLog(RaceLog* log) { m_log = log; }

    // Reopens the port and posts "Conexión Establecida" when it opened and the bridge answers
    // (no transponder, or an ID), else "Error de Comunicación".
    void connect(std::int32_t portNumber);

    // Detection is switched on only when the bridge reports -1 or an ID; lockControls runs first so
    // that the table cannot be edited once passings may arrive. Returns whether it started; when it
    // did not, the status line says so.
    bool startDetection(const std::function<void()>& lockControls);
    // Switches detection off, then unlockControls. The port stays open.
    void stopDetection(const std::function<void()>& unlockControls);

    // Shows the ID of the transponder lying under the bridge, or why there is none.
    void readTransponder();
    // Programs the number that text starts with into the transponder under the bridge. A text with no
    // leading number programs nothing, so that a box left empty never gives a car ID 0. Returns why
    // nothing was programmed when the bridge was not asked, for the user; empty otherwise.
    std::string programTransponder(std::string_view text);

    // The open port went away or fell silent: the status line keeps saying so until it is back.
    void onLinkLost();
    void onLinkRestored();
    // Passings known to be lost are counted for the user and logged with their numbers.
    void onPassingsLost(const LostPassings& lost);

    LinkState linkState() const { return m_state; }
    // Why the last connection attempt failed, for the user; empty after a success.
    const std::string& lastConnectionProblem() const { return m_problem; }
    std::uint64_t lostPassings() const { return m_lostPassings; }
    // What lies behind the status line, for a tooltip: the connection problem and the lost passings.
    std::string statusDetails() const;

private:
    BridgeControl& m_bridge;
    StatusSink& m_status;
    LinkState m_state = LinkState::NotConnected;
    std::string m_problem;
    std::uint64_t m_lostPassings = 0;
    RaceLog* m_log = nullptr;
};

// "1 pasada perdida", "3 pasadas perdidas".
std::string lostPassingsText(std::uint64_t count);

} // namespace orvanel
