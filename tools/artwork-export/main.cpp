// Writes the window pictures as BMP files for the Windows resources: artwork-export OUTDIR writes
// OUTDIR/bridge.bmp (the main window's picture, 8 bits per pixel) and OUTDIR/about.bmp (the About
// window's picture, its transparent ground in magenta, the colour the window leaves undrawn).
#include "app/Artwork.h"

#include <QColor>
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvanel-artwork-export OUTDIR\n");
        return 2;
    }
    // The pictures draw text: fonts need the application.
    QGuiApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    QImage about(orvanel::aboutPicture().size(), QImage::Format_RGB32);
    about.fill(QColor(255, 0, 255));
    {
        QPainter painter(&about);
        painter.drawImage(0, 0, orvanel::aboutPicture());
    }
    if (!orvanel::bridgePicture().save(out + QStringLiteral("/bridge.bmp"), "BMP") ||
        !about.convertToFormat(QImage::Format_RGB888).save(out + QStringLiteral("/about.bmp"), "BMP")) {
        std::fprintf(stderr, "orvanel-artwork-export: cannot write to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
