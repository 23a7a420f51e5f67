#include "app/StaleInputFilter.h"

#include <QCoreApplication>
#include <QInputEvent>

namespace orvanel {

StaleInputFilter::StaleInputFilter()
{
    QCoreApplication::instance()->installEventFilter(this);
}

StaleInputFilter::~StaleInputFilter()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool StaleInputFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel: {
        // The same event reaches the filter once per widget it travels through: judge it by its stamp.
        const unsigned long stamp = static_cast<QInputEvent*>(event)->timestamp();
        // Clicks sent in one burst share the millisecond of the one that started the call, which
        // has been handled by the time anything else arrives.
        if (stamp != 0 && stamp >= m_dropFrom && stamp <= m_dropUpTo)
            return true;
        if (stamp > m_lastStamp)
            m_lastStamp = stamp;
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace orvanel
