#include "BridgeSession.h"

#include "IdTextValue.h"
#include "PassingDispatcher.h"

namespace orvanel {

BridgeSession::BridgeSession(BridgeControl& bridge, StatusSink& status) : m_bridge(bridge), m_status(status) {}

void BridgeSession::ConnectBridge(std::int32_t portNumber)
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
        m_problem = m_bridge.lastError().empty() ? "No se pudo abrir el puerto" : m_bridge.lastError();
    else
        m_problem = "El puente no contesta";
    m_status.ShowStatus(established ? "Conexión Establecida" : "Error de Comunicación");
}

bool BridgeSession::Command1_Click(const std::function<void()>& lockControls)
{
    if (m_bridge.ReadTransponder() <= kPortClosed)
        return false;
    lockControls();
    m_bridge.StartDetection();
    return true;
}

void BridgeSession::Command2_Click(const std::function<void()>& unlockControls)
{
    m_bridge.StopDetection();
    unlockControls();
}

void BridgeSession::Command5_Click()
{
    const std::int16_t id = m_bridge.ReadTransponder();
    switch (id) {
    case kNoTransponder:
        m_status.ShowStatus("Ponga el coche bajo el puente");
        break;
    case kPortClosed:
        m_status.ShowStatus("Puerto cerrado");
        break;
    case kNoCommunication:
        m_status.ShowStatus("Sin comunicación con el puente");
        break;
    default:
        m_status.ShowStatus(TransponderIdText(id));
        break;
    }
}

void BridgeSession::Command4_Click(std::string_view text)
{
    const bool written = m_bridge.WriteTransponder(IdTextValue(text));
    m_status.ShowStatus(written ? "Grabación Correcta" : "Error de Grabación");
}

void BridgeSession::LinkLost()
{
    m_problem = "Se perdió la conexión con el puerto";
    m_status.ShowStatus("Error de Comunicación");
}

} // namespace orvanel
