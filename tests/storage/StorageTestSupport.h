#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <csignal>
#include <string>
#include <sys/resource.h>

namespace orvanel::test {

inline std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

inline QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool putFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Bytes this process has read through read() so far, as the kernel counts them.
inline long long bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar: "))
            return line.mid(7).toLongLong();
    }
    return -1;
}

// While it lives, no file of this process may grow past a few bytes: writes fail as on a full disk,
// whoever runs the test (a full disk cannot be faked by permissions for root).
class TinyFileSizeLimit
{
public:
    TinyFileSizeLimit()
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = m_saved;
        tiny.rlim_cur = 3;
        ::setrlimit(RLIMIT_FSIZE, &tiny);
    }
    ~TinyFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    TinyFileSizeLimit(const TinyFileSizeLimit&) = delete;
    TinyFileSizeLimit& operator=(const TinyFileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace orvanel::test
