#include "HeadlessSway.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::test {

namespace {

constexpr int startTimeoutMs = 20000;
constexpr int pollMs = 10;
const char sessionUser[] = "orvanel-sway";

QString programPath(const char* name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// The unprivileged user sway runs as under root, created the first time.
bool sessionAccount(uid_t* uid, gid_t* gid, QString* error)
{
    const passwd* account = getpwnam(sessionUser);
    if (!account) {
        QProcess useradd;
        useradd.start(programPath("useradd"), {"--system", "--no-create-home", "--home-dir", "/nonexistent", "--shell",
                                               "/usr/sbin/nologin", QString::fromLatin1(sessionUser)});
        if (!useradd.waitForFinished(startTimeoutMs) || useradd.exitCode() != 0) {
            *error = QStringLiteral("cannot create the user %1: %2")
                         .arg(QString::fromLatin1(sessionUser), QString::fromLocal8Bit(useradd.readAllStandardError()));
            return false;
        }
        account = getpwnam(sessionUser);
    }
    if (!account) {
        *error = QStringLiteral("the user %1 is missing").arg(QString::fromLatin1(sessionUser));
        return false;
    }
    *uid = account->pw_uid;
    *gid = account->pw_gid;
    return true;
}

// Repeats test every few milliseconds until it holds or the deadline passes; stops early when process
// ends.
template <typename Test> bool waitUntil(Test test, const QDeadlineTimer& deadline, QProcess* process = nullptr)
{
    while (!test()) {
        if (deadline.hasExpired() || (process && process->state() == QProcess::NotRunning))
            return false;
        // The test's other processes are served meanwhile (what it writes to them goes out).
        QCoreApplication::processEvents();
        if (process)
            process->waitForFinished(pollMs);
        else
            QThread::msleep(pollMs);
    }
    return true;
}

bool focusedIn(const QJsonObject& node, const QString& appId)
{
    const QString name = node.value(QStringLiteral("app_id")).isString()
                             ? node.value(QStringLiteral("app_id")).toString()
                             : node.value(QStringLiteral("window_properties")).toObject().value("class").toString();
    if (node.value(QStringLiteral("focused")).toBool() && name == appId)
        return true;
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(QString::fromLatin1(children)).toArray()) {
            if (focusedIn(child.toObject(), appId))
                return true;
        }
    }
    return false;
}

} // namespace

HeadlessSway::~HeadlessSway()
{
    stop();
}

QString HeadlessSway::unavailableReason()
{
    QStringList needed{"sway", "swaymsg", "foot"};
    if (geteuid() == 0)
        needed << "setpriv"
               << "useradd"
               << "xhost";
    for (const QString& name : needed) {
        if (programPath(name.toLatin1().constData()).isEmpty())
            return name + QStringLiteral(" is not installed (scripts/install-deps installs it)");
    }
    return {};
}

bool HeadlessSway::start(QString* error, const Options& options)
{
    if (!m_runtime.isValid()) {
        *error = QStringLiteral("no runtime folder: ") + m_runtime.errorString();
        return false;
    }
    const QString config = m_runtime.filePath(QStringLiteral("config"));
    QFile file(config);
    const QString text =
        QStringLiteral("output HEADLESS-1 resolution 800x600\n"
                       "xwayland %1\n"
                       "input type:keyboard xkb_layout %2\n")
            .arg(options.xwayland ? QStringLiteral("force") : QStringLiteral("disable"), options.layout);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.flush()) {
        *error = QStringLiteral("cannot write %1").arg(config);
        return false;
    }
    file.close();

    // sway's environment is made from nothing: no display, socket or configuration of the test's own.
    const QStringList environment{"HOME=" + m_runtime.path(),          "XDG_RUNTIME_DIR=" + m_runtime.path(),
                                  "PATH=/usr/local/bin:/usr/bin:/bin", "WLR_BACKENDS=headless",
                                  "WLR_LIBINPUT_NO_DEVICES=1",         "WLR_RENDERER=pixman"};
    QStringList command = QStringList{"env", "-i"} + environment + QStringList{"sway", "-c", config};
    QString program = programPath("env");
    if (geteuid() == 0) {
        uid_t uid = 0;
        gid_t gid = 0;
        if (!sessionAccount(&uid, &gid, error))
            return false;
        const QByteArray folder = QFile::encodeName(m_runtime.path());
        if (chown(folder.constData(), uid, gid) != 0 || chmod(folder.constData(), 0700) != 0) {
            *error =
                QStringLiteral("cannot give %1 to the user %2").arg(m_runtime.path(), QString::fromLatin1(sessionUser));
            return false;
        }
        program = programPath("setpriv");
        command = QStringList{QStringLiteral("--reuid=%1").arg(uid), QStringLiteral("--regid=%1").arg(gid),
                              "--init-groups", "--"} +
                  command;
    } else {
        command.removeFirst();
    }
    m_sway.setProcessChannelMode(QProcess::SeparateChannels);
    m_sway.setStandardOutputFile(QProcess::nullDevice());
    m_sway.setStandardErrorFile(m_runtime.filePath(QStringLiteral("sway.log")));
    m_sway.start(program, command);
    if (!m_sway.waitForStarted(startTimeoutMs)) {
        *error = QStringLiteral("sway did not start: ") + m_sway.errorString();
        return false;
    }
    const QDir dir(m_runtime.path());
    const bool ready = waitUntil(
        [&] {
            const QStringList wayland =
                dir.entryList({"wayland-*"}, QDir::System).filter(QRegularExpression("^wayland-\\d+$"));
            const QStringList ipc = dir.entryList({"sway-ipc.*.sock"}, QDir::System);
            if (wayland.isEmpty() || ipc.isEmpty())
                return false;
            m_waylandSocket = wayland.first();
            m_ipcSocket = dir.filePath(ipc.first());
            return true;
        },
        QDeadlineTimer(startTimeoutMs), &m_sway);
    if (!ready) {
        *error = QStringLiteral("sway made no socket: ") + log();
        return false;
    }
    m_seatKeyboard.setProcessEnvironment(clientEnvironment());
    m_seatKeyboard.start(QStringLiteral(ORVANEL_SEAT_KEYBOARD), {waylandSocketPath(), options.layout});
    QByteArray said;
    if (!waitUntil(
            [&] {
                said += m_seatKeyboard.readAllStandardOutput();
                return said.startsWith("ready\n");
            },
            QDeadlineTimer(startTimeoutMs), &m_seatKeyboard)) {
        *error = QStringLiteral("the seat keyboard did not start: ") +
                 QString::fromLocal8Bit(m_seatKeyboard.readAllStandardError());
        return false;
    }
    return true;
}

bool HeadlessSway::pressSeatKey(unsigned code, QString* error)
{
    const QByteArray command = "key " + QByteArray::number(code) + "\n";
    m_seatKeyboard.write(command);
    QByteArray said;
    if (!waitUntil(
            [&] {
                said += m_seatKeyboard.readAllStandardOutput();
                return said.contains("ok " + command);
            },
            QDeadlineTimer(startTimeoutMs), &m_seatKeyboard)) {
        *error = QStringLiteral("the seat keyboard did not press %1").arg(code);
        return false;
    }
    return true;
}

void HeadlessSway::stop()
{
    if (m_seatKeyboard.state() != QProcess::NotRunning) {
        m_seatKeyboard.closeWriteChannel();
        if (!m_seatKeyboard.waitForFinished(startTimeoutMs))
            m_seatKeyboard.kill();
    }
    if (m_sway.state() == QProcess::NotRunning)
        return;
    m_sway.terminate();
    if (!m_sway.waitForFinished(startTimeoutMs))
        m_sway.kill();
    m_sway.waitForFinished(startTimeoutMs);
}

QProcessEnvironment HeadlessSway::clientEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_SOCKET", "XAUTHORITY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_waylandSocket);
    environment.insert(QStringLiteral("SWAYSOCK"), m_ipcSocket);
    environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    if (!m_xDisplay.isEmpty())
        environment.insert(QStringLiteral("DISPLAY"), m_xDisplay);
    return environment;
}

QByteArray HeadlessSway::swaymsg(const QStringList& arguments, QString* error) const
{
    QProcess process;
    process.setProcessEnvironment(clientEnvironment());
    process.start(programPath("swaymsg"), arguments);
    if (!process.waitForFinished(startTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *error = QStringLiteral("swaymsg %1 failed: %2 %3")
                     .arg(arguments.join(QLatin1Char(' ')), QString::fromLocal8Bit(process.readAllStandardOutput()),
                          QString::fromLocal8Bit(process.readAllStandardError()));
        return {};
    }
    return process.readAllStandardOutput();
}

bool HeadlessSway::waitForFocus(const QString& appId, int timeoutMs, QString* error) const
{
    const bool focused = waitUntil(
        [&] {
            const QByteArray tree = swaymsg({"-t", "get_tree"}, error);
            return !tree.isEmpty() && focusedIn(QJsonDocument::fromJson(tree).object(), appId);
        },
        QDeadlineTimer(timeoutMs));
    if (!focused && error->isEmpty())
        *error = appId + QStringLiteral(" never had the focus");
    return focused;
}

QString HeadlessSway::xwaylandDisplay(QString* error)
{
    if (!m_xDisplay.isEmpty())
        return m_xDisplay;
    // sway gives its Xwayland's display to the programs it starts; one of them writes it down. Xwayland
    // lets in only its own user's programs, so under root that one first lets the test's user in too.
    const QString path = m_runtime.filePath(QStringLiteral("display"));
    const QString written = path + QStringLiteral(".done");
    const QString letIn = geteuid() == 0 ? QStringLiteral("xhost +si:localuser:root > /dev/null && ") : QString();
    const QString command = letIn + QStringLiteral("printf %s \"$DISPLAY\" > %1 && mv %1 %2").arg(path, written);
    if (swaymsg({"exec", command}, error).isEmpty() && !error->isEmpty())
        return {};
    QFile file(written);
    if (!waitUntil([&] { return file.exists(); }, QDeadlineTimer(startTimeoutMs)) || !file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("sway gave no X display");
        return {};
    }
    m_xDisplay = QString::fromLocal8Bit(file.readAll());
    if (m_xDisplay.isEmpty())
        *error = QStringLiteral("sway runs no Xwayland");
    return m_xDisplay;
}

QString HeadlessSway::log() const
{
    QFile file(m_runtime.filePath(QStringLiteral("sway.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

FootRecorder::~FootRecorder()
{
    if (m_foot.state() == QProcess::NotRunning)
        return;
    m_foot.kill();
    m_foot.waitForFinished(startTimeoutMs);
}

bool FootRecorder::start(const HeadlessSway& sway, int byteCount, QString* error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no folder for the recording: ") + m_dir.errorString();
        return false;
    }
    const QString ready = m_dir.filePath(QStringLiteral("ready"));
    static const QString appId = QStringLiteral("orvanel-recorder");
    m_foot.setProcessEnvironment(sway.clientEnvironment());
    m_foot.setStandardOutputFile(QProcess::nullDevice());
    m_foot.setStandardErrorFile(m_dir.filePath(QStringLiteral("foot.log")));
    // The terminal is raw before the ready file appears, so no key waits in a line buffer or echoes;
    // dd writes each byte as it comes, so the file shows how far typing has got.
    m_foot.start(programPath("foot"),
                 {"--config", "/dev/null", "--app-id", appId, "sh", "-c",
                  "stty raw -echo && : > \"$1\" && exec dd bs=1 count=\"$2\" of=\"$3\" status=none", "sh", ready,
                  QString::number(byteCount), m_dir.filePath(QStringLiteral("typed"))});
    if (!m_foot.waitForStarted(startTimeoutMs)) {
        *error = QStringLiteral("foot did not start: ") + m_foot.errorString();
        return false;
    }
    if (!waitUntil([&] { return QFile::exists(ready); }, QDeadlineTimer(startTimeoutMs), &m_foot)) {
        QFile log(m_dir.filePath(QStringLiteral("foot.log")));
        *error = QStringLiteral("foot's terminal never got ready: ") +
                 (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString());
        return false;
    }
    return sway.waitForFocus(appId, startTimeoutMs, error);
}

QByteArray FootRecorder::waitForBytes(int count, int timeoutMs)
{
    QFile file(m_dir.filePath(QStringLiteral("typed")));
    waitUntil([&] { return file.size() >= count; }, QDeadlineTimer(timeoutMs), &m_foot);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace orvanel::test
