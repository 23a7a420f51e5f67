#pragma once

#include "app/ThreadInbox.h"
#include "session/RaceView.h"
#include "system/Beeper.h"

#include <QObject>
#include <QTimer>
#include <mutex>
#include <optional>
#include <string>

namespace orvanel {

// What the passings have the window show and sound, handed from the race's thread to the window's. The
// window is given the newest status text and reason and one beep a frame after the first of them: by
// then the keys have reached the program that counts the laps, and the window's drawing does not take
// the processor from it, nor from the passings still being typed in a burst, whose texts change faster
// than anyone reads them and whose bells ring one over the other. What is given last is always shown.
class PassingNotices : public QObject, public Beeper
{
public:
    // Lives on the window's thread, whose inbox `window` is, where `view` is told.
    PassingNotices(ThreadInbox& window, RaceView& view);

    // From any thread. The beeper must stay until it is set again (nullptr: no beep).
    void setBeeper(Beeper* beeper);
    void showStatus(const std::string& text);
    void showReason(const std::string& text);
    void beepExclamation() override;

private:
    static constexpr int kFrameMs = 16;

    template <typename Change> void gather(Change change);
    void deliver(); // on the window's thread

    ThreadInbox& m_window;
    RaceView& m_view;
    QTimer m_frame; // runs while what comes waits for its frame

    std::mutex m_mutex; // guards what follows
    Beeper* m_beeper = nullptr;
    std::optional<std::string> m_status;
    std::optional<std::string> m_reason;
    bool m_beep = false;
    bool m_due = false; // a delivery is queued or the frame timer runs
};

} // namespace orvanel
