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
    if (takeDrop(request.type))
        report(std::string("unanswered ") + requestName(request.type));
    else
        transmit(m_lastAnswer);
}

bool BridgeSimulator::takeDrop(MessageType request)
{
    const auto drop =
        std::find_if(m_drops.begin(), m_drops.end(), [request](const auto& to) { return !to || *to == request; });
    if (drop == m_drops.end())
        return false;
    m_drops.erase(drop);
    return true;
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

void BridgeSimulator::pass(std::int16_t id, std::uint64_t nowMs, std::optional<std::uint32_t> stamp)
{
    if (!m_detecting) {
        report("dropped " + std::to_string(id));
        return;
    }
    const BridgeMessage passing =
        BridgeMessage::passing(m_nextPassing++, id, stamp.value_or(static_cast<std::uint32_t>(nowMs)));
    m_history.push_back(passing);
    if (m_history.size() > kHistorySize)
        m_history.pop_front();
    if (transmit(passing))
        report("passed " + std::to_string(id), m_sent + m_output.size(), true);
    else
        report("lost " + std::to_string(id), m_sent, false);
}

void BridgeSimulator::noise(std::size_t count)
{
    // Noise that finds the line full is lost like anything else.
    const std::size_t room = m_hungUp ? 0 : kOutputLimit - m_output.size();
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = 0; i < std::min(count, room); ++i)
        m_output.push_back(static_cast<std::uint8_t>(byte(m_random)));
}

void BridgeSimulator::burst(std::size_t count, std::vector<std::int16_t> ids, std::string done, int to)
{
    m_burstLeft = ids.empty() ? 0 : count;
    m_burstIds = std::move(ids);
    m_burstNext = 0;
    m_burstTo = to;
    if (m_burstLeft == 0)
        report(std::move(done), to);
    else
        m_burstDone = std::move(done);
}

void BridgeSimulator::restart(std::uint16_t next)
{
    forget(next);
}

void BridgeSimulator::replace(std::uint16_t next)
{
    forget(next);
    m_detecting = false;
    m_nextHeartbeat = kNever;
    m_carDue.clear();
}

void BridgeSimulator::forget(std::uint16_t next)
{
    m_nextPassing = next;
    m_history.clear();
    m_lastRequest.reset();
    // A frame half heard before the blip is not finished by the bytes after it.
    m_decoder.reset();
}

void BridgeSimulator::dropAnswer(std::optional<MessageType> to)
{
    m_drops.push_back(to);
}

namespace {

struct RequestName
{
    MessageType type;
    const char* name;
};

constexpr RequestName kRequestNames[] = {
    {MessageType::ReadRequest, "read"},     {MessageType::StartDetection, "start"},
    {MessageType::StopDetection, "stop"},   {MessageType::ProgramRequest, "program"},
    {MessageType::ResendRequest, "resend"},
};

} // namespace

const char* BridgeSimulator::requestName(MessageType type)
{
    for (const RequestName& known : kRequestNames) {
        if (known.type == type)
            return known.name;
    }
    return "request";
}

std::optional<MessageType> BridgeSimulator::requestNamed(const std::string& name)
{
    for (const RequestName& known : kRequestNames) {
        if (name == known.name)
            return known.type;
    }
    return std::nullopt;
}

void BridgeSimulator::setRace(int cars, std::uint32_t lapMs)
{
    m_cars = std::max(0, cars);
    m_lapMs = std::max<std::uint32_t>(1, lapMs);
}

void BridgeSimulator::tick(std::uint64_t nowMs)
{
    // While detection is off a burst goes on all the same, its passings dropped.
    while (m_burstLeft > 0 && m_output.size() < kBurstBacklog) {
        pass(m_burstIds[m_burstNext], nowMs);
        m_burstNext = (m_burstNext + 1) % m_burstIds.size();
        if (--m_burstLeft == 0)
            report(std::move(m_burstDone), m_burstTo);
    }
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
    if (m_burstLeft > 0 && m_output.size() < kBurstBacklog)
        return 0;
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

bool BridgeSimulator::transmit(const BridgeMessage& message)
{
    // A muted bridge believes it sent the message; the line loses it.
    if (m_muted)
        return true;
    const std::vector<std::uint8_t> bytes = message.toFrame().encode();
    if (m_hungUp || m_output.size() + bytes.size() > kOutputLimit)
        return false;
    m_output.insert(m_output.end(), bytes.begin(), bytes.end());
    return true;
}

void BridgeSimulator::sent(std::size_t count)
{
    count = std::min(count, m_output.size());
    m_output.erase(m_output.begin(), m_output.begin() + static_cast<std::ptrdiff_t>(count));
    m_sent += count;
}

void BridgeSimulator::hangup()
{
    m_hungUp = true;
    for (Waiting& waiting : m_reports) {
        if (waiting.passed && waiting.after > m_sent)
            waiting.report.line.replace(0, std::string("passed").size(), "lost");
        waiting.after = m_sent;
    }
    m_output.clear();
}

void BridgeSimulator::report(std::string line, std::uint64_t after, bool passed, int to)
{
    m_reports.push_back({after, {std::move(line), to}, passed});
}

std::vector<BridgeSimulator::Report> BridgeSimulator::takeReports()
{
    // Reports wait in the order they were made, except those due at once ("lost"), which may
    // overtake earlier ones still waiting for the line.
    std::vector<Report> out;
    for (auto it = m_reports.begin(); it != m_reports.end();) {
        if (it->after <= m_sent) {
            out.push_back(std::move(it->report));
            it = m_reports.erase(it);
        } else {
            ++it;
        }
    }
    return out;
}

} // namespace orvanel
