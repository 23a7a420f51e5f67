#include "platform/qt/QtOneShotTimer.h"

namespace orvanel {

QtOneShotTimer::QtOneShotTimer(QObject* parent, const QString& name, Qt::TimerType type) : m_timer(new QTimer(parent))
{
    m_timer->setObjectName(name);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(type);
    QObject::connect(m_timer, &QTimer::timeout, [this] {
        if (m_handler)
            m_handler();
    });
}

// A timer that outlived its owner would call into it.
QtOneShotTimer::~QtOneShotTimer()
{
    delete m_timer.data();
}

void QtOneShotTimer::start(int milliseconds)
{
    if (m_timer)
        m_timer->start(milliseconds);
}

void QtOneShotTimer::stop()
{
    if (m_timer)
        m_timer->stop();
}

bool QtOneShotTimer::isActive() const
{
    return m_timer && m_timer->isActive();
}

void QtOneShotTimer::setTimeoutHandler(std::function<void()> handler)
{
    m_handler = std::move(handler);
}

} // namespace orvanel
