#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QtTest>

namespace orvanel::test {

// A helper program whose standard output the test reads line by line.
class LineProcess
{
public:
    LineProcess() { m_process.setProcessChannelMode(QProcess::SeparateChannels); }
    ~LineProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            if (!m_endLine.isEmpty())
                m_process.write((m_endLine + QLatin1Char('\n')).toUtf8());
            m_process.closeWriteChannel();
            if (!m_process.waitForFinished(2000)) {
                m_process.terminate();
                if (!m_process.waitForFinished(2000))
                    m_process.kill();
            }
        }
    }

    QProcess& process() { return m_process; }

    // endLine, when given, is the command that ends the program at the end (the bridge simulator's
    // "quit"); without one, the end of its input has to.
    bool start(const QString& program, const QStringList& arguments, const QString& endLine = {})
    {
        m_endLine = endLine;
        m_process.start(program, arguments);
        return m_process.waitForStarted(10000);
    }

    // Sends a command to the bridge simulator and waits (bounded) until it says it has acted on
    // it; the lines it printed meanwhile stay for waitForLine().
    bool command(const QString& line, int timeoutMs = 10000)
    {
        m_process.write((line + QLatin1Char('\n')).toUtf8());
        const QString done = QStringLiteral("ok ") + line;
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            collect();
            if (m_lines.removeOne(done))
                return true;
            if (clock.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning)
                return false;
            QTest::qWait(10);
        }
    }

    // Lines read so far and not yet taken.
    QStringList& lines()
    {
        collect();
        return m_lines;
    }

    // Waits (bounded) for a line that starts with prefix; returns it and forgets every line up to it.
    QString waitForLine(const QString& prefix, int timeoutMs = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            collect();
            for (int i = 0; i < m_lines.size(); ++i) {
                if (m_lines[i].startsWith(prefix)) {
                    const QString line = m_lines[i];
                    m_lines = m_lines.mid(i + 1);
                    return line;
                }
            }
            if (clock.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning)
                return {};
            QTest::qWait(10);
        }
    }

    QString errors() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    void collect()
    {
        m_partial += m_process.readAllStandardOutput();
        int end;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            m_lines << QString::fromUtf8(m_partial.left(end));
            m_partial.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QString m_endLine;
    QByteArray m_partial;
    QStringList m_lines;
};

} // namespace orvanel::test
