#pragma once

#include "system/OneShotTimer.h"

#include <QTimer>

namespace orvanel {

// The status line's countdown on a QTimer, delivered through the event loop like any window event.
class QtOneShotTimer : public OneShotTimer
{
public:
    // The QTimer is a child of parent under the given name, so it dies with its window.
    QtOneShotTimer(QObject* parent, const QString& name);
    void start(int milliseconds) override;
    void stop() override;
    bool isActive() const override;
    void setTimeoutHandler(std::function<void()> handler) override;

private:
    QTimer* m_timer;
    std::function<void()> m_handler;
};

} // namespace orvanel
