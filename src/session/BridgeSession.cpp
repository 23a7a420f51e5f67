#include "session/BridgeSession.h"

#include "mapping/IdTextValue.h"
#include "session/Messages.h"
#include "session/PassingDispatcher.h"
#include "session/RaceLog.h"

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

    m_state = established ? LinkState::Connected : LinkState::Failed;
    m_status.setStandingStatus({});
    if (established)
        m_problem.clear();
    else if (!opened)
        m_problem = m_bridge.lastError().empty() ? messages::kPortNotOpened : m_bridge.lastError();
    else
        m_problem = m_bridge.lastError().empty() ? messages::kBridgeSilent : m_bridge.lastError();
    m_status.showStatus(established ? messages::kConnected : messages::kCommunicationError);
    if (established && m_log)
        m_log->event(logText::kConnected);
}

bool BridgeSession::startDetection(const std::function<void()>& lockControls)
{
    const std::int16_t status = m_bridge.ReadTransponder();
    if (status <= kPortClosed) {
        m_problem = status == kPortClosed ? messages::kPortClosed : messages::kBridgeSilent;
        m_status.showStatus(messages::kCommunicationError);
        return false;
    }
    lockControls();
    m_bridge.StartDetection();
    if (m_log)
        m_log->event(logText::kDetectionOn);
    return true;
}

void BridgeSession::stopDetection(const std::function<void()>& unlockControls)
{
    m_bridge.StopDetection();
    unlockControls();
    if (m_log)
        m_log->event(logText::kDetectionOff);
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

std::string BridgeSession::programTransponder(std::string_view text)
{
    const IdNumber id = ReadIdNumber(text);
    if (!id.present) {
        m_status.showStatus(messages::kNotProgrammed);
        return messages::kNoIdToProgram;
    }
    const bool written = m_bridge.WriteTransponder(id.value);
    m_status.showStatus(written ? messages::kProgrammed : messages::kNotProgrammed);
    return {};
}

void BridgeSession::onLinkLost()
{
    m_state = LinkState::Lost;
    // A line that knows why it failed (a network connection) says so first.
    const std::string why = m_bridge.lastError();
    m_problem = why.empty() ? messages::kLinkLost : why + ". " + messages::kLinkLost;
    m_status.showStatus(messages::kCommunicationError);
    m_status.setStandingStatus(messages::kCommunicationError);
    if (m_log)
        m_log->event(logText::kLost);
}

void BridgeSession::onLinkRestored()
{
    m_state = LinkState::Connected;
    m_problem.clear();
    m_status.setStandingStatus({});
    m_status.showStatus(messages::kConnected);
    if (m_log)
        m_log->event(logText::kReconnected);
}

void BridgeSession::onPassingsLost(const LostPassings& lost)
{
    m_lostPassings += lost.count();
    if (m_log)
        m_log->event(logText::passingsLost(lost.count(), lost.numbers()));
}

std::string lostPassingsText(std::uint64_t count)
{
    return count == 1 ? messages::kOnePassingLost : std::to_string(count) + messages::kPassingsLost;
}

std::string BridgeSession::statusDetails() const
{
    if (m_lostPassings == 0)
        return m_problem;
    const std::string lost = lostPassingsText(m_lostPassings);
    return m_problem.empty() ? lost : m_problem + "\n" + lost;
}

} // namespace orvanel
