#pragma once

#include "system/OneShotTimer.h"

#include <QPointer>
#include <QTimer>

namespace orvanel {

// A countdown on a QTimer, delivered through the event loop like any window event.
class QtOneShotTimer : public OneShotTimer
{
public:
    // The QTimer is a child of parent (when given) under the given name, so it dies with its window
    // at the latest; a precise type keeps a countdown of a few milliseconds to the millisecond.
    QtOneShotTimer(QObject* parent, const QString& name, Qt::TimerType type = Qt::CoarseTimer);
    ~QtOneShotTimer() override;
    QtOneShotTimer(const QtOneShotTimer&) = delete;
    QtOneShotTimer& operator=(const QtOneShotTimer&) = delete;

    void start(int milliseconds) override;
    void stop() override;
    bool isActive() const override;
    void setTimeoutHandler(std::function<void()> handler) override;

private:
    // Gone when the parent went first.
    QPointer<QTimer> m_timer;
    std::function<void()> m_handler;
};

} // namespace orvanel
