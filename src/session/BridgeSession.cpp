#include "session/BridgeSession.h"

#include "mapping/IdTextValue.h"
#include "session/Messages.h"
#include "session/PassingDispatcher.h"

namespace orvanel {

BridgeSession::BridgeSession(BridgeControl& bridge, StatusSink& status) : m_bridge(bridge), m_status(status) {}

void BridgeSession::connect(std::int32_t portNumber)
{
    m_bridge.ClosePort();
    const bool opened = m_bridge.OpenPort(portNumber);
    // Asked after opening: on a closed port the answer would always be "port closed", which
    // would report a connection even with no bridge on the line.
    const std::int16_t status = m_bridge.ReadTransponder();
    const bool established = opened && status > kNoCommunication;

    if (established)
        m_problem.clear();
    else if (!opened)
        m_problem = m_bridge.lastError().empty() ? messages::kPortNotOpened : m_bridge.lastError();
    else
        m_problem = messages::kBridgeSilent;
    m_status.showStatus(established ? messages::kConnected : messages::kCommunicationError);
}

bool BridgeSession::startDetection(const std::function<void()>& lockControls)
{
    if (m_bridge.ReadTransponder() <= kPortClosed)
        return false;
    lockControls();
    m_bridge.StartDetection();
    return true;
}

void BridgeSession::stopDetection(const std::function<void()>& unlockControls)
{
    m_bridge.StopDetection();
    unlockControls();
}

void BridgeSession::readTransponder()
{
    const std::int16_t id = m_bridge.ReadTransponder();
    switch (id) {
    case kNoTransponder:
        m_status.showStatus(messages::kPlaceTheCar);
        break;
    case kPortClosed:
        m_status.showStatus(messages::kPortClosed);
        break;
    case kNoCommunication:
        m_status.showStatus(messages::kNoCommunication);
        break;
    default:
        m_status.showStatus(TransponderIdText(id));
        break;
    }
}

void BridgeSession::programTransponder(std::string_view text)
{
    const bool written = m_bridge.WriteTransponder(IdTextValue(text));
    m_status.showStatus(written ? messages::kProgrammed : messages::kNotProgrammed);
}

void BridgeSession::onLinkLost()
{
    m_problem = messages::kLinkLost;
    m_status.showStatus(messages::kCommunicationError);
}

} // namespace orvanel
