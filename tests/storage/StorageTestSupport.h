#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <csignal>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

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

// While it lives, no file of this process may grow past a few bytes (or past bytes): writes fail
// as on a full disk, whoever runs the test (a full disk cannot be faked by permissions for root).
// A write that crosses the limit is cut short there, as the kernel cuts one that fills the disk.
class TinyFileSizeLimit
{
public:
    explicit TinyFileSizeLimit(rlim_t bytes = 3)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = m_saved;
        tiny.rlim_cur = bytes;
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

// Gives the file or link at path to another user, as one who shares the folder would have planted
// it; only root can. The reason to skip the test otherwise, else empty.
inline QString giveToAnotherUser(const QString& path)
{
    if (::geteuid() != 0)
        return QStringLiteral("only root can give a file to another user");
    constexpr uid_t kAnotherUser = 4242;
    return ::lchown(QFile::encodeName(path).constData(), kAnotherUser, kAnotherUser) == 0
               ? QString()
               : QStringLiteral("cannot give %1 to another user").arg(path);
}

} // namespace orvanel::test
