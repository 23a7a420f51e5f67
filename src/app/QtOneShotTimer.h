#pragma once

#include "system/OneShotTimer.h"

#include <QPointer>
#include <QTimer>

namespace orvanel {

// The status line's countdown on a QTimer, delivered through the event loop like any window event.
class QtOneShotTimer : public OneShotTimer
{
public:
    // The QTimer is a child of parent under the given name; it goes with this object or its parent,
    // whichever goes first, so that it never fires into either once gone.
    QtOneShotTimer(QObject* parent, const QString& name);
    ~QtOneShotTimer() override;
    QtOneShotTimer(const QtOneShotTimer&) = delete;
    QtOneShotTimer& operator=(const QtOneShotTimer&) = delete;
    void start(int milliseconds) override;
    void stop() override;
    bool isActive() const override;
    void setTimeoutHandler(std::function<void()> handler) override;

private:
    QPointer<QTimer> m_timer;
    std::function<void()> m_handler;
};

} // namespace orvanel
