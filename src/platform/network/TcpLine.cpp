#include "platform/network/TcpLine.h"

#include <QDeadlineTimer>
#include <QEventLoop>

namespace orvanel {

TcpLine::TcpLine(PortMap ports) : m_ports(std::move(ports))
{
    m_connectTimeout.setSingleShot(true);
    m_connectTimeout.setInterval(kConnectTimeoutMs);
    QObject::connect(&m_connectTimeout, &QTimer::timeout, &m_socket,
                     [this] { onError(QAbstractSocket::SocketTimeoutError); });
    QObject::connect(&m_socket, &QTcpSocket::connected, &m_socket, [this] { onConnected(); });
    QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { readAvailable(); });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &m_socket,
                     [this](QAbstractSocket::SocketError error) { onError(error); });
    // A server that closes without an error of its own (none was reported) has dropped the line too.
    QObject::connect(&m_socket, &QTcpSocket::disconnected, &m_socket,
                     [this] { onError(QAbstractSocket::RemoteHostClosedError); });
}

TcpLine::~TcpLine()
{
    // The socket outlives the members its handlers use, and says goodbye as it goes.
    QObject::disconnect(&m_socket, nullptr, nullptr, nullptr);
    QObject::disconnect(&m_connectTimeout, nullptr, nullptr, nullptr);
}

bool TcpLine::open(std::int32_t port, std::string& error)
{
    close();
    const std::string device = m_ports.device(port);
    PortAddress::Problem problem = PortAddress::Problem::None;
    if (!PortAddress::parse(device, m_address, problem)) {
        error = device + ": " + describeAddressProblemEs(problem);
        return false;
    }
    const std::vector<std::uint8_t> greeting = m_stream.start(m_address.kind);
    m_failure.clear();
    m_pending.clear();
    m_open = true;
    m_socket.connectToHost(QString::fromStdString(m_address.host), m_address.port);
    m_connectTimeout.start();
    if (!greeting.empty())
        send(greeting);
    return true;
}

void TcpLine::close()
{
    // Closed before the socket goes, so that its last signals are not taken for a failure.
    m_open = false;
    m_connectTimeout.stop();
    m_socket.abort();
}

void TcpLine::onConnected()
{
    m_connectTimeout.stop();
    // Requests are a few bytes that must go out at once; a dead peer is found by the link's
    // silent-bridge watch long before keep-alive would find it, which only helps an idle line.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    std::vector<std::uint8_t> pending;
    pending.swap(m_pending);
    send(pending);
}

void TcpLine::write(const std::vector<std::uint8_t>& bytes)
{
    if (!m_open || !m_failure.empty())
        return;
    send(m_stream.outgoing(bytes));
}

void TcpLine::send(const std::vector<std::uint8_t>& bytes)
{
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
        return;
    }
    m_socket.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    m_socket.flush();
}

void TcpLine::waitForBytes(int milliseconds)
{
    if (!m_open || !m_failure.empty())
        return;
    const QDeadlineTimer deadline(milliseconds);
    if (m_socket.state() == QAbstractSocket::HostLookupState) {
        // Qt's own wait would look the name up blocking, for as long as the resolver takes; the
        // lookup finishes in the event loop instead, user input held back till the call returns.
        QEventLoop lookup;
        QTimer::singleShot(milliseconds, &lookup, &QEventLoop::quit);
        const auto done = QObject::connect(&m_socket, &QAbstractSocket::stateChanged, &lookup, &QEventLoop::quit);
        lookup.exec(QEventLoop::ExcludeUserInputEvents);
        QObject::disconnect(done);
    }
    if (m_open && m_failure.empty() && m_socket.state() == QAbstractSocket::ConnectingState)
        m_socket.waitForConnected(static_cast<int>(deadline.remainingTime()));
    if (m_open && m_failure.empty() && m_socket.state() == QAbstractSocket::ConnectedState) {
        // readyRead is not raised again inside its own handler, so what came is read here as well.
        m_socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        readAvailable();
    }
}

void TcpLine::readAvailable()
{
    if (!m_open || !m_failure.empty())
        return;
    const QByteArray received = m_socket.readAll();
    if (received.isEmpty())
        return;
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> replies;
    m_stream.incoming(reinterpret_cast<const std::uint8_t*>(received.constData()),
                      static_cast<std::size_t>(received.size()), data, replies);
    if (!replies.empty())
        send(replies);
    if (!data.empty() && m_bytes)
        m_bytes(data.data(), data.size());
}

void TcpLine::onError(QAbstractSocket::SocketError error)
{
    if (!m_open || !m_failure.empty())
        return;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        fail(describeConnectionProblem(ConnectionProblem::Refused, m_address));
        break;
    case QAbstractSocket::HostNotFoundError:
        fail(describeConnectionProblem(ConnectionProblem::UnknownHost, m_address));
        break;
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::SocketTimeoutError:
        fail(describeConnectionProblem(ConnectionProblem::Unreachable, m_address));
        break;
    case QAbstractSocket::RemoteHostClosedError:
        fail(describeConnectionProblem(ConnectionProblem::Closed, m_address));
        break;
    default:
        fail(m_address.endpoint() + ": " + m_socket.errorString().toStdString());
        break;
    }
}

void TcpLine::fail(std::string why)
{
    m_connectTimeout.stop();
    m_failure = std::move(why);
    if (m_failed)
        m_failed();
}

} // namespace orvanel
