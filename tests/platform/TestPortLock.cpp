#include "platform/serial/PortLock.h"

#include <QFile>
#include <QProcess>
#include <QtTest>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <pty.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvanel;

// Lock files left in the way of a port, opened through the serial driver as the program does it, as
// this user or as another one.
class TestPortLock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void staleLockTakenOverOthersNamed_data();
    void staleLockTakenOverOthersNamed();

private:
    int m_master = -1;
    QString m_device; // the pseudo-terminal's line, which anybody may open
    QString m_lock;
    QProcess m_running; // a process that holds a lock
};

namespace {

enum class Holder
{
    Ended,   // a PID no process has
    Running, // the running test process's
    Unnamed, // no PID at all
};

struct User
{
    uid_t uid;
    gid_t gid;
};

// The user of that name; nothing for an empty name or a user the system does not have.
std::optional<User> user(const QString& name)
{
    const passwd* entry = name.isEmpty() ? nullptr : ::getpwnam(name.toLocal8Bit().constData());
    if (!entry)
        return std::nullopt;
    return User{entry->pw_uid, entry->pw_gid};
}

// Opens the device as the probe does, as that user when one is given; what it printed.
QString probe(const QString& device, const std::optional<User>& as)
{
    QProcess process;
    if (as) {
        const uid_t uid = as->uid;
        const gid_t gid = as->gid;
        process.setChildProcessModifier([uid, gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(3);
        });
    }
    process.start(QStringLiteral(ORVANEL_PORT_PROBE), {device});
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return QStringLiteral("probe failed: ") + process.readAllStandardError();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

Q_DECLARE_METATYPE(Holder)

void TestPortLock::initTestCase()
{
    int slave = -1;
    QVERIFY(::openpty(&m_master, &slave, nullptr, nullptr, nullptr) == 0);
    m_device = QString::fromLocal8Bit(::ttyname(slave));
    ::close(slave);
    QVERIFY(::chmod(m_device.toLocal8Bit().constData(), 0666) == 0);
    // The driver names the port after the device without "/dev/".
    m_lock = QString::fromStdString(portLockPath(m_device.mid(5).toStdString()));
    QVERIFY2(!m_lock.isEmpty(), "no lock folder may be written in");
    m_running.start(QStringLiteral("sleep"), {QStringLiteral("600")});
    QVERIFY(m_running.waitForStarted());
}

void TestPortLock::cleanupTestCase()
{
    m_running.kill();
    m_running.waitForFinished();
    ::close(m_master);
}

void TestPortLock::cleanup()
{
    QFile::remove(m_lock);
}

void TestPortLock::staleLockTakenOverOthersNamed_data()
{
    QTest::addColumn<Holder>("holder");
    QTest::addColumn<QString>("owner"); // of the lock file; empty: this user
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("openedBy"); // the user who opens the port; empty: this user
    // "opened", or the reason after the device's name, with the lock file's path and PID for {path} and {pid}
    QTest::addColumn<QString>("outcome");
    const QString ended = QStringLiteral("lo bloquea el archivo {path}, que dejó un programa ya terminado (PID {pid}, "
                                         "del usuario root); bórrelo con: sudo rm {path}");
    QTest::newRow("ended") << Holder::Ended << "" << 0644 << ""
                           << "opened";
    QTest::newRow("running") << Holder::Running << "" << 0644 << ""
                             << "lo usa otro programa (sleep, PID {pid})";
    // Qt cannot write it to take it over, but may remove it.
    QTest::newRow("ended, read-only") << Holder::Ended << "nobody" << 0444 << "nobody"
                                      << "opened";
    QTest::newRow("ended, another user's") << Holder::Ended << "nobody" << 0644 << ""
                                           << "opened";
    QTest::newRow("ended, another user's, not to be removed") << Holder::Ended << "root" << 0644 << "nobody" << ended;
    QTest::newRow("no PID, another user's")
        << Holder::Unnamed << "root" << 0644 << "nobody"
        << "lo bloquea el archivo {path} (del usuario root), que no dice qué programa lo usa; si ningún programa usa "
           "el puerto, bórrelo con: sudo rm {path}";
}

void TestPortLock::staleLockTakenOverOthersNamed()
{
    QFETCH(Holder, holder);
    QFETCH(QString, owner);
    QFETCH(int, mode);
    QFETCH(QString, openedBy);
    QFETCH(QString, outcome);
    const std::optional<User> opener = user(openedBy);
    const std::optional<User> ownerEntry = user(owner);
    if ((!owner.isEmpty() || !openedBy.isEmpty()) && ::geteuid() != 0)
        QSKIP("a lock file of another user, or a port opened as one, takes root to set up");
    if ((!owner.isEmpty() && !ownerEntry) || (!openedBy.isEmpty() && !opener))
        QSKIP("the system has no user \"nobody\"");

    // No process has a PID as high as the system's limit.
    QFile limit(QStringLiteral("/proc/sys/kernel/pid_max"));
    QVERIFY(limit.open(QIODevice::ReadOnly));
    const qint64 pid = holder == Holder::Running ? m_running.processId() : limit.readAll().trimmed().toLongLong();
    QFile lock(m_lock);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    // As serial programs write it: the PID in ten columns.
    lock.write(holder == Holder::Unnamed ? QByteArray("gone\n") : QByteArray::number(pid).rightJustified(10) + '\n');
    lock.close();
    const QByteArray path = QFile::encodeName(m_lock);
    if (ownerEntry)
        QVERIFY(::chown(path.constData(), ownerEntry->uid, ownerEntry->gid) == 0);
    QVERIFY(::chmod(path.constData(), static_cast<mode_t>(mode)) == 0);

    const QString said = probe(m_device, opener);
    if (outcome == QLatin1String("opened")) {
        QCOMPARE(said, outcome);
        // The stale lock gave way to the probe's own, which went with it.
        QVERIFY(!QFile::exists(m_lock));
        return;
    }
    outcome.replace(QStringLiteral("{path}"), m_lock).replace(QStringLiteral("{pid}"), QString::number(pid));
    QCOMPARE(said, m_device + QStringLiteral(": ") + outcome);
    QVERIFY(QFile::exists(m_lock));
}

QTEST_GUILESS_MAIN(TestPortLock)
#include "TestPortLock.moc"
