#include "bridge/BridgeLink.h"

#include <algorithm>
#include <cmath>

namespace orvanel {

namespace {

bool answers(MessageType request, MessageType answer)
{
    switch (request) {
    case MessageType::ReadRequest:
        return answer == MessageType::ReadAnswer;
    case MessageType::ProgramRequest:
        return answer == MessageType::ProgramAck || answer == MessageType::ProgramNack;
    case MessageType::StartDetection:
    case MessageType::StopDetection:
    case MessageType::ResendRequest:
        return answer == MessageType::Ack;
    default:
        return false;
    }
}

// Marks one of the calls as running: a passing that arrives meanwhile waits for the call to return.
class CallUnderWay
{
public:
    explicit CallUnderWay(int& depth) : m_depth(depth) { ++m_depth; }
    ~CallUnderWay() { --m_depth; }
    CallUnderWay(const CallUnderWay&) = delete;
    CallUnderWay& operator=(const CallUnderWay&) = delete;

private:
    int& m_depth;
};

} // namespace

BridgeLink::BridgeLink(std::unique_ptr<ByteLine> line, const MakeTimer& makeTimer, SteadyClock clock, Timing timing)
    : m_line(std::move(line)), m_clock(std::move(clock)), m_timing(timing),
      m_sequencer(timing.resendRetryMs, timing.resendRequests), m_tick(makeTimer()), m_retry(makeTimer()),
      m_watch(makeTimer()), m_delivery(makeTimer()), m_lostNotice(makeTimer())
{
    m_tick->setTimeoutHandler([this] { onTick(); });
    m_retry->setTimeoutHandler([this] { apply(m_sequencer.onTick(nowMs())); });
    m_watch->setTimeoutHandler([this] { askAgain(); });
    m_delivery->setTimeoutHandler([this] { deliver(); });
    m_lostNotice->setTimeoutHandler([this] { closeLostLine(); });
    m_line->setBytesHandler([this](const std::uint8_t* data, std::size_t size) { onBytes(data, size); });
    m_line->setFailedHandler([this] { onLineFailed(); });
}

BridgeLink::~BridgeLink()
{
    // The line closes as it goes, and must not call back into a link half taken apart.
    m_line->setBytesHandler({});
    m_line->setFailedHandler({});
}

bool BridgeLink::isProgrammableId(double value)
{
    return std::isfinite(value) && value >= 0 && value <= BridgeMessage::kMaxId && std::floor(value) == value;
}

bool BridgeLink::OpenPort(std::int32_t port)
{
    const CallUnderWay call(m_callDepth);
    ClosePort();
    m_portNumber = port;
    if (!openLine(port))
        return false;
    m_link = Link::Up;
    return true;
}

bool BridgeLink::openLine(std::int32_t port)
{
    if (!m_line->open(port, m_lastError))
        return false;
    m_broken = false;
    m_lastError.clear();
    return true;
}

void BridgeLink::ClosePort()
{
    const CallUnderWay call(m_callDepth);
    resetSession();
    m_broken = false;
    m_line->close();
}

void BridgeLink::resetSession()
{
    m_detecting = false;
    m_link = Link::Closed;
    endWatch();
    m_lostNotice->stop();
    m_reportLoss = false;
    m_unansweredStart.reset();
    m_lostToReport = {};
    m_tick->stop();
    m_retry->stop();
    m_sequencer.reset();
    m_decoder.reset();
    m_ready.clear();
    m_waiting.reset();
    m_answer.reset();
    m_resendSeq.reset();
}

void BridgeLink::StartDetection()
{
    const CallUnderWay call(m_callDepth);
    if (!isOpen())
        return;
    // A Start of before still waiting for its answer is replaced by this one.
    endWatch();
    // Passings that overtake the answer wait for it: its count tells the new ones from the stale.
    m_sequencer.beginStart(false);
    m_resendSeq.reset();
    m_detecting = true;
    m_lastHeardMs = nowMs();
    m_tick->start(m_timing.tickMs);
    const BridgeMessage start = BridgeMessage::request(MessageType::StartDetection, nextRequestSeq());
    m_unansweredStart = start;
    const auto ack = transact(start, m_timing.switchAttemptMs, m_timing.switchAttempts);
    if (!m_detecting)
        return;
    if (ack) {
        m_unansweredStart.reset();
        apply(m_sequencer.onStartAnswered(ack->passingSeq, nowMs()));
        return;
    }
    // Passings keep waiting for the answer, which the same request asked again brings; a lost link
    // is watched as usual and asks it again once the port is back.
    if (isOpen()) {
        m_question = start;
        watch();
    }
}

void BridgeLink::StopDetection()
{
    const CallUnderWay call(m_callDepth);
    // Nothing is raised once detection is off, not even what is still waiting for delivery.
    m_detecting = false;
    m_tick->stop();
    m_retry->stop();
    m_ready.clear();
    m_lostToReport = {};
    m_sequencer.reset();
    m_resendSeq.reset();
    m_unansweredStart.reset();
    // A lost link is no longer watched, nor a Start waiting for its answer: the user decides what
    // comes next.
    endWatch();
    if (m_link != Link::Up && m_link != Link::Closed) {
        m_link = Link::Closed;
        m_line->close();
    }
    transact(BridgeMessage::request(MessageType::StopDetection, 0), m_timing.switchAttemptMs, m_timing.switchAttempts);
}

std::int16_t BridgeLink::ReadTransponder()
{
    const CallUnderWay call(m_callDepth);
    if (!isOpen())
        return kPortClosed;
    const auto answer =
        transact(BridgeMessage::request(MessageType::ReadRequest, 0), m_timing.readAttemptMs, m_timing.readAttempts);
    if (!answer)
        return kNoCommunication;
    return answer->id;
}

bool BridgeLink::WriteTransponder(double newId)
{
    const CallUnderWay call(m_callDepth);
    if (!isOpen() || !isProgrammableId(newId))
        return false;
    const auto id = static_cast<std::int16_t>(newId);
    const auto answer =
        transact(BridgeMessage::programRequest(0, id), m_timing.programAttemptMs, m_timing.programAttempts);
    return answer && answer->type == MessageType::ProgramAck && answer->id == id;
}

std::optional<BridgeMessage> BridgeLink::transact(BridgeMessage request, int attemptMs, int attempts)
{
    if (!isOpen())
        return std::nullopt;
    if (request.seq == 0)
        request.seq = nextRequestSeq();
    m_waiting = Waiting{request.type, request.seq};
    m_answer.reset();
    // A repeated request keeps its number, so a late answer to the first one still counts and the
    // bridge can tell the repeat from a new request.
    for (int attempt = 0; attempt < attempts && !m_answer && isOpen(); ++attempt) {
        send(request);
        const std::uint64_t deadline = nowMs() + static_cast<std::uint64_t>(attemptMs);
        for (std::uint64_t now = nowMs(); !m_answer && isOpen() && now < deadline; now = nowMs())
            m_line->waitForBytes(static_cast<int>(deadline - now));
    }
    m_waiting.reset();
    std::optional<BridgeMessage> answer;
    answer.swap(m_answer);
    return answer;
}

void BridgeLink::send(const BridgeMessage& message)
{
    m_line->write(message.toFrame().encode());
}

void BridgeLink::onBytes(const std::uint8_t* data, std::size_t size)
{
    if (m_broken)
        return;
    for (const Frame& frame : m_decoder.feed(data, size)) {
        if (const auto message = BridgeMessage::fromFrame(frame))
            handle(*message);
    }
}

void BridgeLink::handle(const BridgeMessage& message)
{
    m_lastHeardMs = nowMs();
    if (m_question && message.seq == m_question->seq && answers(m_question->type, message.type)) {
        m_question.reset();
        if (message.type == MessageType::ReadAnswer && m_detecting) {
            // The bridge is back: detection goes on, and what it numbered meanwhile is fetched.
            m_link = Link::Resuming;
            m_sequencer.beginStart(true);
            m_question = BridgeMessage::request(MessageType::StartDetection, nextRequestSeq());
            m_askedAt = nowMs();
            send(*m_question);
            return;
        }
        // Up first, so that the requests the answer calls for go out at once.
        if (m_link == Link::Up)
            endWatch();
        else
            linkUp();
        if (message.type == MessageType::Ack) {
            m_unansweredStart.reset();
            apply(m_sequencer.onStartAnswered(message.passingSeq, nowMs()));
        }
        return;
    }
    switch (message.type) {
    case MessageType::Passing:
        if (m_detecting)
            apply(m_sequencer.onPassing({message.passingSeq, message.id, message.stamp}, nowMs()));
        return;
    case MessageType::Heartbeat:
        if (m_detecting)
            apply(m_sequencer.onBridgeNext(message.passingSeq, nowMs()));
        return;
    case MessageType::Ack:
        if (m_resendSeq && message.seq == *m_resendSeq) {
            m_resendSeq.reset();
            if (m_detecting)
                apply(m_sequencer.onResendAnswered(message.passingSeq, nowMs()));
            return;
        }
        break;
    default:
        break;
    }
    if (m_waiting && message.seq == m_waiting->seq && answers(m_waiting->request, message.type))
        m_answer = message;
}

void BridgeLink::apply(const PassingSequencer::Outcome& outcome)
{
    if (!m_detecting)
        return;
    for (const auto& passing : outcome.deliver)
        m_ready.push_back(passing);
    m_lostToReport.add(outcome.lost);
    // The resend request goes out before the passings are typed: the bridge answers meanwhile.
    if (outcome.resendFrom && isOpen()) {
        m_resendSeq = nextRequestSeq();
        send(BridgeMessage::resendRequest(*m_resendSeq, *outcome.resendFrom));
    }
    armRetry();
    if (outcome.deliver.empty() && outcome.lost.empty())
        return;
    // Straight from the line's own notification, without a second turn of the event loop; inside a
    // call, or inside a handler that runs a nested event loop, once control is back in the loop.
    if (m_callDepth == 0 && !m_delivering)
        deliver();
    else
        scheduleDelivery();
}

void BridgeLink::armRetry()
{
    const auto due = m_sequencer.retryDueMs();
    if (!due || !isOpen()) {
        m_retry->stop();
        return;
    }
    const std::uint64_t now = nowMs();
    m_retry->start(static_cast<int>(*due > now ? *due - now : 0));
}

void BridgeLink::scheduleDelivery()
{
    if (m_deliveryScheduled)
        return;
    m_deliveryScheduled = true;
    m_delivery->start(0);
}

void BridgeLink::deliver()
{
    m_deliveryScheduled = false;
    // A handler that runs a nested event loop must not get the next passing before it returns.
    if (m_delivering)
        return;
    m_delivering = true;
    while (m_detecting && !m_ready.empty()) {
        const PassingSequencer::Passing passing = m_ready.front();
        m_ready.pop_front();
        raisePassing(passing.id, passing.stamp);
    }
    if (m_detecting && !m_lostToReport.empty()) {
        LostPassings lost;
        std::swap(lost, m_lostToReport);
        raisePassingsLost(lost);
    }
    m_delivering = false;
}

void BridgeLink::onLineFailed()
{
    if (!m_line->isOpen() || m_broken)
        return;
    m_lastError = m_line->failure();
    loseLink();
}

void BridgeLink::onTick()
{
    m_tick->start(m_timing.tickMs);
    if (m_detecting && m_link == Link::Up && nowMs() - m_lastHeardMs > static_cast<std::uint64_t>(m_timing.silenceMs))
        loseLink();
}

void BridgeLink::loseLink()
{
    // This may run inside the line's own read handling, so the line is closed and the owner
    // told only once control is back in the event loop. Detection and the passing numbering are
    // kept for when the link comes back; what was received and not yet delivered still goes out.
    const bool wasUp = m_link == Link::Up;
    m_broken = true;
    m_link = Link::Down;
    m_waiting.reset();
    m_question.reset();
    m_resendSeq.reset();
    m_decoder.reset();
    m_tick->stop();
    m_retry->stop();
    m_reportLoss = m_reportLoss || wasUp;
    m_lostNotice->start(0);
}

void BridgeLink::closeLostLine()
{
    const bool report = m_reportLoss;
    m_reportLoss = false;
    if (m_link != Link::Down)
        return;
    m_line->close();
    watch();
    if (report)
        raiseLinkLost();
}

void BridgeLink::watch()
{
    m_askedAt = nowMs();
    m_watch->start(watchIntervalMs());
}

// Runs now and then while the link is lost: reopens the port, and asks again what went unanswered.
void BridgeLink::askAgain()
{
    m_watch->start(watchIntervalMs());
    const std::uint64_t waited = nowMs() - m_askedAt;
    if (m_link == Link::Down) {
        if (waited < static_cast<std::uint64_t>(m_timing.reconnectMs))
            return;
        m_askedAt = nowMs();
        if (!openLine(m_portNumber))
            return;
        m_link = Link::Probing;
        // A Start still unanswered is asked again as it was: the same bridge answers with the count
        // it had when it switched detection on, another one switches it on now.
        m_question =
            m_unansweredStart ? *m_unansweredStart : BridgeMessage::request(MessageType::ReadRequest, nextRequestSeq());
        send(*m_question);
        return;
    }
    if (m_question && waited >= static_cast<std::uint64_t>(m_timing.answerMs)) {
        m_askedAt = nowMs();
        send(*m_question);
    }
}

void BridgeLink::linkUp()
{
    m_link = Link::Up;
    m_lastError.clear();
    endWatch();
    m_lastHeardMs = nowMs();
    if (m_detecting)
        m_tick->start(m_timing.tickMs);
    raiseLinkRestored();
}

void BridgeLink::endWatch()
{
    m_watch->stop();
    m_question.reset();
}

int BridgeLink::watchIntervalMs() const
{
    return std::min(m_timing.reconnectMs, m_timing.answerMs);
}

std::uint8_t BridgeLink::nextRequestSeq()
{
    // 0 is left to the bridge's unsolicited frames.
    if (++m_requestSeq == 0)
        m_requestSeq = 1;
    return m_requestSeq;
}

} // namespace orvanel
