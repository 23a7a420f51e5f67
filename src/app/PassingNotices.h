#pragma once

#include "system/Beeper.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace orvanel {

// What the passings have the window show and sound, handed from the race's thread to the window's. A
// burst of passings changes the status line faster than anyone reads it and rings one bell over the
// other: the window is given the newest status text and reason and one beep at once, then at most once
// a frame, so that it takes no time from the passings that are still being typed. What is given last
// is always shown.
class PassingNotices : public QObject, public Beeper
{
public:
    using Show = std::function<void(const std::string& text)>;

    // Lives on the window's thread, where showStatus and showReason are called.
    PassingNotices(Show showStatus, Show showReason);

    // From any thread. The beeper must stay until it is set again (nullptr: no beep).
    void setBeeper(Beeper* beeper);
    void showStatus(const std::string& text);
    void showReason(const std::string& text);
    void beepExclamation() override;

private:
    static constexpr int kFrameMs = 16;

    template <typename Change> void gather(Change change);
    void deliver(); // on the window's thread

    Show m_showStatus;
    Show m_showReason;
    QTimer m_frame; // runs while what comes now waits for the next frame

    std::mutex m_mutex; // guards what follows
    Beeper* m_beeper = nullptr;
    std::optional<std::string> m_status;
    std::optional<std::string> m_reason;
    bool m_beep = false;
    bool m_due = false; // a delivery is queued or the frame timer runs
};

} // namespace orvanel
