#include "bridge/SerialBridge.h"

#include "bridge/PortLock.h"
#include "bridge/SerialPortNames.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

namespace {

const char* const kSerialByIdFolder = "/dev/serial/by-id";

// The name of the group that owns the device; empty when unknown.
std::string groupOf(const std::string& device)
{
    struct stat status
    {
    };
    // A device of root's group is no serial port a user is meant to join.
    if (::stat(device.c_str(), &status) != 0 || status.st_gid == 0)
        return {};
    const group* owner = ::getgrgid(status.st_gid);
    return owner != nullptr ? owner->gr_name : std::string();
}

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

} // namespace

SerialBridge::SerialBridge(PortMap ports, Timing timing, QObject* parent)
    : QObject(parent), m_ports(std::move(ports)), m_timing(timing),
      m_sequencer(timing.resendRetryMs, timing.resendRequests)
{
    m_clock.start();
    m_tick.setInterval(m_timing.tickMs);
    connect(&m_tick, &QTimer::timeout, this, &SerialBridge::onTick);
    m_retry.setSingleShot(true);
    m_retry.setTimerType(Qt::PreciseTimer);
    connect(&m_retry, &QTimer::timeout, this, [this] { apply(m_sequencer.onTick(nowMs())); });
    m_watch.setInterval(std::min(m_timing.reconnectMs, m_timing.answerMs));
    connect(&m_watch, &QTimer::timeout, this, &SerialBridge::askAgain);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialBridge::readAvailable);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialBridge::onPortError);
}

SerialBridge::~SerialBridge() = default;

bool SerialBridge::isProgrammableId(double value)
{
    return std::isfinite(value) && value >= 0 && value <= BridgeMessage::kMaxId && std::floor(value) == value;
}

bool SerialBridge::OpenPort(std::int32_t port)
{
    ClosePort();
    m_portNumber = port;
    if (!openDevice(port))
        return false;
    m_link = Link::Up;
    return true;
}

bool SerialBridge::openDevice(std::int32_t port)
{
    if (!PortMap::isValidPort(port)) {
        m_lastError = "COM " + std::to_string(port) + " no existe; los puertos son COM " +
                      std::to_string(PortMap::kFirstPort) + " a COM " + std::to_string(PortMap::kLastPort);
        return false;
    }
    const std::string device = m_ports.device(port);
    m_port.setPortName(QString::fromStdString(device));
    m_port.setBaudRate(QSerialPort::Baud38400);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    const std::string portName = m_port.portName().toStdString();
    const std::string lock = portLockPath(portName);
    // Qt takes the lock of a program that writes only its PID there (as most serial programs do) for
    // a stale one, and would share the line with it: a running holder keeps its port.
    if (readPortLock(lock).running) {
        m_lastError = describePortLock(device, portName);
        return false;
    }
    bool opened = m_port.open(QIODevice::ReadWrite);
    // Qt takes over the lock of a process that has ended only where it may write the lock file;
    // where the lock may still be removed (our own, read-only), it is taken over here.
    if (!opened && m_port.error() == QSerialPort::PermissionError && removeStalePortLock(lock)) {
        m_port.clearError();
        opened = m_port.open(QIODevice::ReadWrite);
    }
    if (!opened) {
        m_lastError = describeOpenFailure(device);
        m_port.clearError();
        return false;
    }
    // Whatever the bridge sent while nobody listened is stale.
    m_port.clear();
    m_broken = false;
    ++m_generation;
    m_lastError.clear();
    return true;
}

std::string SerialBridge::describeOpenFailure(const std::string& device) const
{
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return device + ": el dispositivo no existe; " + missingDeviceHint(serialPortLinks(kSerialByIdFolder));
    case QSerialPort::PermissionError: {
        // Qt reports missing rights, a device held by another program and a lock file it cannot
        // make all the same way.
        if (::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
            return device + ": sin permiso de acceso; " + permissionHint(groupOf(device));
        return describePortLock(device, m_port.portName().toStdString());
    }
    default:
        return device + ": " + m_port.errorString().toStdString();
    }
}

void SerialBridge::ClosePort()
{
    resetSession();
    m_broken = false;
    if (m_port.isOpen())
        m_port.close();
}

void SerialBridge::resetSession()
{
    m_detecting = false;
    m_link = Link::Closed;
    endWatch();
    m_unansweredStart.reset();
    m_lostToReport = {};
    m_tick.stop();
    m_retry.stop();
    m_sequencer.reset();
    m_decoder.reset();
    m_ready.clear();
    m_waiting.reset();
    m_answer.reset();
    m_resendSeq.reset();
}

void SerialBridge::StartDetection()
{
    if (!isOpen())
        return;
    // A Start of before still waiting for its answer is replaced by this one.
    endWatch();
    // Passings that overtake the answer wait for it: its count tells the new ones from the stale.
    m_sequencer.beginStart(false);
    m_resendSeq.reset();
    m_detecting = true;
    m_lastHeardMs = nowMs();
    m_tick.start();
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

void SerialBridge::StopDetection()
{
    // Nothing is raised once detection is off, not even what is still waiting for delivery.
    m_detecting = false;
    m_tick.stop();
    m_retry.stop();
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
        m_port.close();
    }
    transact(BridgeMessage::request(MessageType::StopDetection, 0), m_timing.switchAttemptMs, m_timing.switchAttempts);
}

std::int16_t SerialBridge::ReadTransponder()
{
    if (!isOpen())
        return kPortClosed;
    const auto answer =
        transact(BridgeMessage::request(MessageType::ReadRequest, 0), m_timing.readAttemptMs, m_timing.readAttempts);
    if (!answer)
        return kNoCommunication;
    return answer->id;
}

bool SerialBridge::WriteTransponder(double newId)
{
    if (!isOpen() || !isProgrammableId(newId))
        return false;
    const auto id = static_cast<std::int16_t>(newId);
    const auto answer =
        transact(BridgeMessage::programRequest(0, id), m_timing.programAttemptMs, m_timing.programAttempts);
    return answer && answer->type == MessageType::ProgramAck && answer->id == id;
}

std::optional<BridgeMessage> SerialBridge::transact(BridgeMessage request, int attemptMs, int attempts)
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
        const QDeadlineTimer deadline(attemptMs);
        while (!m_answer && isOpen() && !deadline.hasExpired()) {
            m_port.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
            readAvailable();
        }
    }
    m_waiting.reset();
    std::optional<BridgeMessage> answer;
    answer.swap(m_answer);
    return answer;
}

void SerialBridge::send(const BridgeMessage& message)
{
    const std::vector<std::uint8_t> bytes = message.toFrame().encode();
    m_port.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    m_port.flush();
}

void SerialBridge::readAvailable()
{
    if (!m_port.isOpen() || m_broken)
        return;
    const QByteArray data = m_port.readAll();
    const auto frames =
        m_decoder.feed(reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size()));
    for (const Frame& frame : frames) {
        if (const auto message = BridgeMessage::fromFrame(frame))
            handle(*message);
    }
}

void SerialBridge::handle(const BridgeMessage& message)
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

void SerialBridge::apply(const PassingSequencer::Outcome& outcome)
{
    if (!m_detecting)
        return;
    for (const auto& passing : outcome.deliver)
        m_ready.push_back(passing);
    m_lostToReport.add(outcome.lost);
    if (!outcome.deliver.empty() || !outcome.lost.empty())
        scheduleDelivery();
    if (outcome.resendFrom && isOpen()) {
        m_resendSeq = nextRequestSeq();
        send(BridgeMessage::resendRequest(*m_resendSeq, *outcome.resendFrom));
    }
    armRetry();
}

void SerialBridge::armRetry()
{
    const auto due = m_sequencer.retryDueMs();
    if (!due || !isOpen()) {
        m_retry.stop();
        return;
    }
    const std::uint64_t now = nowMs();
    m_retry.start(static_cast<int>(*due > now ? *due - now : 0));
}

void SerialBridge::scheduleDelivery()
{
    if (m_deliveryScheduled)
        return;
    m_deliveryScheduled = true;
    QMetaObject::invokeMethod(
        this, [this] { deliver(); }, Qt::QueuedConnection);
}

void SerialBridge::deliver()
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

void SerialBridge::onPortError(QSerialPort::SerialPortError error)
{
    const bool fatal =
        error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError;
    if (fatal && m_port.isOpen() && !m_broken)
        loseLink();
}

void SerialBridge::onTick()
{
    if (m_detecting && m_link == Link::Up && nowMs() - m_lastHeardMs > static_cast<std::uint64_t>(m_timing.silenceMs))
        loseLink();
}

void SerialBridge::loseLink()
{
    // This may run inside QSerialPort's own read handling, so the port is closed and the owner
    // told only once control is back in the event loop. Detection and the passing numbering are
    // kept for when the link comes back; what was received and not yet delivered still goes out.
    const bool wasUp = m_link == Link::Up;
    m_broken = true;
    m_link = Link::Down;
    m_waiting.reset();
    m_question.reset();
    m_resendSeq.reset();
    m_decoder.reset();
    m_tick.stop();
    m_retry.stop();
    const std::uint64_t generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, wasUp] {
            if (generation != m_generation || m_link != Link::Down)
                return;
            m_port.close();
            watch();
            if (wasUp)
                raiseLinkLost();
        },
        Qt::QueuedConnection);
}

void SerialBridge::watch()
{
    m_askedAt = nowMs();
    m_watch.start();
}

// Runs now and then while the link is lost: reopens the port, and asks again what went unanswered.
void SerialBridge::askAgain()
{
    const std::uint64_t waited = nowMs() - m_askedAt;
    if (m_link == Link::Down) {
        if (waited < static_cast<std::uint64_t>(m_timing.reconnectMs))
            return;
        m_askedAt = nowMs();
        if (!openDevice(m_portNumber))
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

void SerialBridge::linkUp()
{
    m_link = Link::Up;
    endWatch();
    m_lastHeardMs = nowMs();
    if (m_detecting)
        m_tick.start();
    raiseLinkRestored();
}

void SerialBridge::endWatch()
{
    m_watch.stop();
    m_question.reset();
}

std::uint8_t SerialBridge::nextRequestSeq()
{
    // 0 is left to the bridge's unsolicited frames.
    if (++m_requestSeq == 0)
        m_requestSeq = 1;
    return m_requestSeq;
}

} // namespace orvanel
