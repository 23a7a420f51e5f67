#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace orvanel::test {

// A private headless sway session for one test: its own runtime folder, configuration, and a seat
// keyboard with the layout asked for. sway refuses to run as root, so under root it runs as an unprivileged user of its
// own ("orvanel-sway", created when missing); the test's clients stay root and reach the session
// through the socket paths, which root may open whatever their owner.
class HeadlessSway
{
public:
    struct Options
    {
        QString layout = QStringLiteral("us"); // the seat keyboard's xkb layout, e.g. "es" or "de"
        bool xwayland = false;
    };

    HeadlessSway() = default;
    ~HeadlessSway();
    HeadlessSway(const HeadlessSway&) = delete;
    HeadlessSway& operator=(const HeadlessSway&) = delete;

    // Why a session cannot be started here (a program missing), or empty when it can.
    static QString unavailableReason();

    // Starts sway and waits until its Wayland and IPC sockets are there. On failure, error says why.
    bool start(QString* error, const Options& options);
    bool start(QString* error) { return start(error, Options{}); }
    void stop();

    // The environment for a client of this session: WAYLAND_DISPLAY, XDG_RUNTIME_DIR, SWAYSOCK, and
    // DISPLAY once xwaylandDisplay() has found it. No X display of the test's own leaks in.
    QProcessEnvironment clientEnvironment() const;
    QString runtimeDir() const { return m_runtime.path(); }
    // The Wayland socket's full path, which a client may connect to whatever its environment.
    QString waylandSocketPath() const { return m_runtime.filePath(m_waylandSocket); }

    // Runs swaymsg with arguments; returns its output, or empty with error set.
    QByteArray swaymsg(const QStringList& arguments, QString* error) const;

    // Waits until the window of appId (a Wayland app_id, or an X11 window's class) has the keyboard focus.
    bool waitForFocus(const QString& appId, int timeoutMs, QString* error) const;

    // The X display of the session's Xwayland (started with it when Options::xwayland is set), or
    // empty with error set.
    QString xwaylandDisplay(QString* error);

    // What sway wrote on standard error, for failure messages.
    QString log() const;

    // The seat's own keyboard (see SeatKeyboard.cpp), there from the start: presses and releases a
    // kernel key code, which the focused client reads through the seat's layout.
    bool pressSeatKey(unsigned code, QString* error);

private:
    QTemporaryDir m_runtime;
    QProcess m_sway;
    QProcess m_seatKeyboard;
    QString m_waylandSocket;
    QString m_ipcSocket;
    QString m_xDisplay;
};

// foot reading N bytes on a raw terminal into a file: records the bytes a Wayland client receives as
// typed text, function keys as their escape sequences.
class FootRecorder
{
public:
    FootRecorder() = default;
    ~FootRecorder();
    FootRecorder(const FootRecorder&) = delete;
    FootRecorder& operator=(const FootRecorder&) = delete;

    // Starts foot in sway and waits until it has the focus and its terminal is raw, ready for byteCount
    // bytes.
    bool start(const HeadlessSway& sway, int byteCount, QString* error);

    // Waits until count bytes have come, or the time is up; returns all that came.
    QByteArray waitForBytes(int count, int timeoutMs);

private:
    QTemporaryDir m_dir;
    QProcess m_foot;
};

} // namespace orvanel::test
