#include "app/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVector>

namespace orvanel {

namespace {

QVector<QRgb> webSafePalette()
{
    QVector<QRgb> colours;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                colours.append(qRgb(r * 51, g * 51, b * 51));
    return colours;
}

void drawChequeredFlag(QPainter& p, const QRectF& area, int columns, int rows)
{
    const qreal w = area.width() / columns;
    const qreal h = area.height() / rows;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            p.fillRect(QRectF(area.left() + c * w, area.top() + r * h, w, h), (r + c) % 2 ? Qt::white : Qt::black);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
}

} // namespace

QImage orvanelIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, size > 16);
    const qreal s = size / 32.0;
    p.scale(s, s);

    // Gate: two red posts and a beam.
    p.fillRect(QRectF(2, 8, 4, 23), QColor(200, 30, 30));
    p.fillRect(QRectF(26, 8, 4, 23), QColor(200, 30, 30));
    p.fillRect(QRectF(2, 6, 28, 5), QColor(40, 40, 40));
    p.fillRect(QRectF(6, 7, 20, 3), QColor(255, 200, 0));
    // Flag on the beam.
    p.setRenderHint(QPainter::Antialiasing, false);
    drawChequeredFlag(p, QRectF(9, 13, 14, 10), 4, 3);
    p.fillRect(QRectF(8, 11, 1.5, 19), Qt::black);
    return image;
}

QIcon orvanelIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(orvanelIconImage(32)));
    icon.addPixmap(QPixmap::fromImage(orvanelIconImage(16)));
    return icon;
}

QImage bridgePicture()
{
    QImage image(200, 141, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 90);
    sky.setColorAt(0, QColor(102, 153, 255));
    sky.setColorAt(1, QColor(204, 229, 255));
    p.fillRect(0, 0, 200, 90, sky);
    p.fillRect(0, 84, 200, 57, QColor(51, 153, 51));

    // Track in perspective.
    QPainterPath track;
    track.moveTo(70, 84);
    track.lineTo(130, 84);
    track.lineTo(200, 141);
    track.lineTo(0, 141);
    track.closeSubpath();
    p.fillPath(track, QColor(90, 90, 90));
    p.setPen(QPen(Qt::white, 2, Qt::DashLine));
    p.drawLine(QPointF(100, 86), QPointF(100, 141));

    // The detection bridge spanning the track.
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(38, 30, 10, 80), QColor(204, 0, 0));
    p.fillRect(QRectF(152, 30, 10, 80), QColor(204, 0, 0));
    p.fillRect(QRectF(30, 22, 140, 16), QColor(30, 30, 30));
    p.setPen(QColor(255, 204, 0));
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(30, 22, 140, 16), Qt::AlignCenter, QStringLiteral("ORVANEL"));
    p.setPen(Qt::NoPen);
    // Detection loop across the track.
    p.fillRect(QRectF(38, 108, 124, 4), QColor(255, 204, 0));

    // The car, seen from behind, just over the loop.
    p.setBrush(QColor(0, 51, 204));
    p.drawRoundedRect(QRectF(78, 92, 44, 20), 5, 5);
    p.setBrush(QColor(153, 204, 255));
    p.drawRoundedRect(QRectF(86, 86, 28, 10), 3, 3);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(74, 104, 8, 12));
    p.drawRect(QRectF(118, 104, 8, 12));
    p.setBrush(QColor(255, 51, 0));
    p.drawRect(QRectF(82, 100, 6, 3));
    p.drawRect(QRectF(112, 100, 6, 3));

    // Flag on the bridge.
    p.setRenderHint(QPainter::Antialiasing, false);
    drawChequeredFlag(p, QRectF(160, 6, 30, 18), 5, 3);
    p.fillRect(QRectF(158, 4, 2, 34), Qt::black);
    p.end();

    return image.convertToFormat(QImage::Format_Indexed8, webSafePalette(), Qt::ThresholdDither);
}

QImage aboutPicture()
{
    QImage image(75, 29, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);

    drawChequeredFlag(p, QRectF(3, 4, 16, 11), 4, 3);
    p.fillRect(QRectF(2, 2, 1.5, 25), Qt::black);

    // Track with the loop across it.
    p.fillRect(QRectF(22, 17, 51, 10), QColor(90, 90, 90));
    p.fillRect(QRectF(51, 17, 3, 10), QColor(255, 204, 0));

    // The car, seen from the side, its nose at the loop.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 51, 204));
    p.drawRoundedRect(QRectF(26, 14, 24, 7), 2, 2);
    p.drawRoundedRect(QRectF(32, 10, 11, 6), 2, 2);
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(28, 18, 6, 6));
    p.drawEllipse(QRectF(42, 18, 6, 6));

    // The transponder's signal rising from the loop.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(204, 0, 0), 1.5));
    for (int r = 4; r <= 12; r += 4)
        p.drawArc(QRectF(53 - r, 9 - r, 2 * r, 2 * r), 20 * 16, 140 * 16);
    p.fillRect(QRectF(52, 8, 2, 9), QColor(204, 0, 0));
    p.end();
    return image;
}

} // namespace orvanel
