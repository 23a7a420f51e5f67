#include "XvfbServer.h"

#include <QDeadlineTimer>
#include <QStandardPaths>

namespace orvanel {

namespace {

constexpr int startTimeoutMs = 30000;

} // namespace

XvfbServer::~XvfbServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(startTimeoutMs))
        m_process.kill();
    m_process.waitForFinished(startTimeoutMs);
}

QString XvfbServer::program()
{
    return QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
}

bool XvfbServer::start(QString* error, const QStringList& extraArguments)
{
    // -displayfd makes the server choose a free display and write its number once it is ready for clients.
    // -noreset keeps it from resetting, and briefly refusing connections, whenever its last client leaves.
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardErrorFile(QProcess::nullDevice());
    const QStringList arguments{QStringLiteral("-displayfd"), QStringLiteral("1"),          QStringLiteral("-nolisten"),
                                QStringLiteral("tcp"),        QStringLiteral("-noreset"),   QStringLiteral("-screen"),
                                QStringLiteral("0"),          QStringLiteral("1024x768x24")};
    m_process.start(program(), arguments + extraArguments);
    if (!m_process.waitForStarted(startTimeoutMs)) {
        *error = QStringLiteral("Xvfb did not start: %1").arg(m_process.errorString());
        return false;
    }
    QByteArray output;
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!output.contains('\n')) {
        if (deadline.hasExpired() || !m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            *error = QStringLiteral("Xvfb reported no display number");
            return false;
        }
        output += m_process.readAllStandardOutput();
    }
    bool ok = false;
    const int number = output.trimmed().toInt(&ok);
    if (!ok) {
        *error = QStringLiteral("Xvfb wrote an unexpected display number: %1").arg(QString::fromLatin1(output));
        return false;
    }
    m_displayName = QStringLiteral(":%1").arg(number);
    return true;
}

} // namespace orvanel
