#include "app/QtOneShotTimer.h"

namespace orvanel {

QtOneShotTimer::QtOneShotTimer(QObject* parent, const QString& name) : m_timer(new QTimer(parent))
{
    m_timer->setObjectName(name);
    m_timer->setSingleShot(true);
    QObject::connect(m_timer, &QTimer::timeout, [this] {
        if (m_handler)
            m_handler();
    });
}

QtOneShotTimer::~QtOneShotTimer()
{
    delete m_timer;
}

void QtOneShotTimer::start(int milliseconds)
{
    m_timer->start(milliseconds);
}

void QtOneShotTimer::stop()
{
    m_timer->stop();
}

bool QtOneShotTimer::isActive() const
{
    return m_timer->isActive();
}

void QtOneShotTimer::setTimeoutHandler(std::function<void()> handler)
{
    m_handler = std::move(handler);
}

} // namespace orvanel
