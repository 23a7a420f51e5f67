#include "bridge-sim/BridgeSimulator.h"

#include <algorithm>

namespace orvanel {

BridgeSimulator::BridgeSimulator(std::uint32_t seed) : m_random(seed) {}

void BridgeSimulator::receive(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs)
{
    for (const Frame& frame : m_decoder.feed(data, size)) {
        const auto message = BridgeMessage::fromFrame(frame);
        // Only requests are for the bridge; anything else on its receive line is ignored.
        if (message && static_cast<std::uint8_t>(message->type) < 0x80)
            handle(*message, nowMs);
    }
}

void BridgeSimulator::handle(const BridgeMessage& request, std::uint64_t nowMs)
{
    const bool repeated = m_lastRequest && m_lastRequest->type == request.type && m_lastRequest->seq == request.seq &&
                          m_lastRequest->id == request.id && m_lastRequest->passingSeq == request.passingSeq &&
                          request.type != MessageType::ResendRequest;
    if (!repeated) {
        m_lastRequest = request;
        m_lastAnswer = execute(request, nowMs);
    }
    transmit(m_lastAnswer);
}

BridgeMessage BridgeSimulator::execute(const BridgeMessage& request, std::uint64_t nowMs)
{
    switch (request.type) {
    case MessageType::ReadRequest:
        report("read");
        return BridgeMessage::readAnswer(request.seq, m_placed.value_or(kNoTransponder));
    case MessageType::StartDetection:
        report("detection on");
        if (!m_detecting) {
            m_detecting = true;
            m_nextHeartbeat = nowMs + kHeartbeatMs;
            m_carDue.clear();
            for (int car = 0; car < m_cars; ++car)
                m_carDue.push_back(lapFrom(nowMs, 0.2, 1.0));
        }
        return BridgeMessage::ack(request.seq, m_nextPassing);
    case MessageType::StopDetection:
        report("detection off");
        m_detecting = false;
        m_nextHeartbeat = kNever;
        m_carDue.clear();
        return BridgeMessage::ack(request.seq, m_nextPassing);
    case MessageType::ProgramRequest:
        if (!BridgeMessage::isValidId(request.id))
            return BridgeMessage::programNack(request.seq, NackReason::BadValue);
        if (!m_placed)
            return BridgeMessage::programNack(request.seq, NackReason::NoTransponder);
        m_placed = request.id;
        report("programmed " + std::to_string(request.id));
        return BridgeMessage::programAck(request.seq, request.id);
    case MessageType::ResendRequest:
        for (const BridgeMessage& passing : m_history) {
            if (BridgeMessage::distance(request.passingSeq, passing.passingSeq) >= 0)
                transmit(passing);
        }
        return BridgeMessage::ack(request.seq, m_nextPassing);
    default:
        return BridgeMessage::ack(request.seq, m_nextPassing);
    }
}

void BridgeSimulator::pass(std::int16_t id, std::uint64_t nowMs)
{
    if (!m_detecting) {
        report("dropped " + std::to_string(id));
        return;
    }
    const BridgeMessage passing = BridgeMessage::passing(m_nextPassing++, id, static_cast<std::uint32_t>(nowMs));
    m_history.push_back(passing);
    if (m_history.size() > kHistorySize)
        m_history.pop_front();
    transmit(passing);
    report("passed " + std::to_string(id));
}

void BridgeSimulator::noise(std::size_t count)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = 0; i < count; ++i)
        m_output.push_back(static_cast<std::uint8_t>(byte(m_random)));
}

void BridgeSimulator::setRace(int cars, std::uint32_t lapMs)
{
    m_cars = std::max(0, cars);
    m_lapMs = std::max<std::uint32_t>(1, lapMs);
}

void BridgeSimulator::tick(std::uint64_t nowMs)
{
    if (!m_detecting)
        return;
    for (;;) {
        const auto due = std::min_element(m_carDue.begin(), m_carDue.end());
        if (due == m_carDue.end() || *due > nowMs)
            break;
        const auto car = static_cast<std::int16_t>(due - m_carDue.begin() + 1);
        *due = lapFrom(*due, 0.8, 1.2);
        pass(car, nowMs);
    }
    if (nowMs >= m_nextHeartbeat) {
        transmit(BridgeMessage::heartbeat(m_nextPassing));
        m_nextHeartbeat = nowMs + kHeartbeatMs;
    }
}

std::uint64_t BridgeSimulator::nextDueMs() const
{
    if (!m_detecting)
        return kNever;
    const auto car = std::min_element(m_carDue.begin(), m_carDue.end());
    return car == m_carDue.end() ? m_nextHeartbeat : std::min(*car, m_nextHeartbeat);
}

std::uint64_t BridgeSimulator::lapFrom(std::uint64_t nowMs, double low, double high)
{
    std::uniform_real_distribution<double> factor(low, high);
    return nowMs + static_cast<std::uint64_t>(factor(m_random) * m_lapMs);
}

void BridgeSimulator::transmit(const BridgeMessage& message)
{
    if (m_muted)
        return;
    const std::vector<std::uint8_t> bytes = message.toFrame().encode();
    m_output.insert(m_output.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> BridgeSimulator::takeOutput()
{
    std::vector<std::uint8_t> out;
    out.swap(m_output);
    return out;
}

std::vector<std::string> BridgeSimulator::takeReports()
{
    std::vector<std::string> out;
    out.swap(m_reports);
    return out;
}

} // namespace orvanel
