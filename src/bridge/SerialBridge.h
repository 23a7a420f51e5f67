#pragma once

#include "bridge/BridgeControl.h"
#include "bridge/BridgeMessage.h"
#include "bridge/FrameDecoder.h"
#include "bridge/PassingSequencer.h"
#include "bridge/PortMap.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace orvanel {

// How long each call waits for an answer. A call sends its request up to `attempts` times,
// the same request number each time, and waits `attemptMs` after each.
struct SerialBridgeTiming
{
    int readAttemptMs = 200;
    int readAttempts = 2;
    int programAttemptMs = 500;
    int programAttempts = 2;
    int switchAttemptMs = 200; // StartDetection and StopDetection
    int switchAttempts = 2;
    std::uint64_t resendRetryMs = PassingSequencer::kDefaultRetryMs;
    int resendRequests = PassingSequencer::kDefaultMaxRequests;
    int tickMs = 100;
};

// The detection bridge on a serial line, speaking the bridge link protocol (docs/bridge-protocol.md).
// Calls block for a bounded time while they wait for the bridge's answer; passings that arrive
// meanwhile are kept and raised afterwards, in order, from the event loop.
class SerialBridge : public QObject, public BridgeControl
{
    Q_OBJECT

public:
    using Timing = SerialBridgeTiming;

    explicit SerialBridge(PortMap ports, Timing timing = {}, QObject* parent = nullptr);
    ~SerialBridge() override;

    bool OpenPort(std::int32_t port) override;
    void ClosePort() override;
    void StartDetection() override;
    void StopDetection() override;
    std::int16_t ReadTransponder() override;
    bool WriteTransponder(double newId) override;
    std::string lastError() const override { return m_lastError; }

    bool isOpen() const { return m_port.isOpen() && !m_broken; }
    bool isDetecting() const { return m_detecting; }
    const PassingSequencer::Stats& sequencerStats() const { return m_sequencer.stats(); }

    // True for a number WriteTransponder() sends: a whole number from 0 to 32767.
    static bool isProgrammableId(double value);

private:
    struct Waiting
    {
        MessageType request;
        std::uint8_t seq;
    };

    std::optional<BridgeMessage> transact(BridgeMessage request, int attemptMs, int attempts);
    void send(const BridgeMessage& message);
    void readAvailable();
    void handle(const BridgeMessage& message);
    void apply(const PassingSequencer::Outcome& outcome);
    void scheduleDelivery();
    void deliver();
    void onPortError(QSerialPort::SerialPortError error);
    void resetSession();
    std::uint8_t nextRequestSeq();
    std::uint64_t nowMs() const { return static_cast<std::uint64_t>(m_clock.elapsed()); }
    std::string describeOpenFailure(const std::string& device) const;

    PortMap m_ports;
    Timing m_timing;
    QSerialPort m_port;
    FrameDecoder m_decoder;
    PassingSequencer m_sequencer;
    QElapsedTimer m_clock;
    QTimer m_tick;
    std::string m_lastError;
    // Set when the open port failed by itself; the port counts as closed from then on.
    bool m_broken = false;
    // Counts the ports opened, so a late link-lost notice never concerns a newer one.
    std::uint64_t m_generation = 0;
    bool m_detecting = false;
    std::uint8_t m_requestSeq = 0;
    std::optional<Waiting> m_waiting;
    std::optional<BridgeMessage> m_answer;
    std::optional<std::uint8_t> m_resendSeq;
    std::deque<PassingSequencer::Passing> m_ready;
    bool m_deliveryScheduled = false;
    bool m_delivering = false;
};

} // namespace orvanel
