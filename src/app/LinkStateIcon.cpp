#include "app/LinkStateIcon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace orvanel {

QIcon linkStateIcon(BridgeSession::LinkState state)
{
    QColor colour;
    switch (state) {
    case BridgeSession::LinkState::Connected:
        colour = QColor(0x2e, 0xa0, 0x3a);
        break;
    case BridgeSession::LinkState::Lost:
        colour = QColor(0xf0, 0x8c, 0x00);
        break;
    case BridgeSession::LinkState::Failed:
        colour = QColor(0xd0, 0x20, 0x20);
        break;
    case BridgeSession::LinkState::NotConnected:
        colour = QColor(0x90, 0x90, 0x90);
        break;
    }
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(0.5, 0.5, 9, 9));
    p.end();
    return QIcon(QPixmap::fromImage(image));
}

} // namespace orvanel
