#pragma once

#include <QElapsedTimer>
#include <QObject>

namespace orvanel {

// Bridge calls hold the window for up to a second while they wait for an answer. Clicks and keys
// made on the frozen window would otherwise all run once it thaws (pressing Start five times
// switching detection five times); this drops the input that the window system stamped while a
// call ran, and lets everything after it through.
class StaleInputFilter : public QObject
{
public:
    // Watches the input of the whole application.
    StaleInputFilter();
    ~StaleInputFilter() override;

    template <typename Call> void run(Call&& call)
    {
        const unsigned long since = m_lastStamp;
        QElapsedTimer held;
        held.start();
        call();
        // A call that returned at once held nothing up.
        if (held.elapsed() >= kHeldMs) {
            m_dropFrom = since;
            m_dropUpTo = since + static_cast<unsigned long>(held.elapsed());
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr qint64 kHeldMs = 50;
    unsigned long m_lastStamp = 0; // the newest input let through, in the window system's milliseconds
    // Input stamped from m_dropFrom to m_dropUpTo came in while a call held the window.
    unsigned long m_dropFrom = 0;
    unsigned long m_dropUpTo = 0;
};

} // namespace orvanel
