// Draws the program's icon at the sizes of the icon theme, for installing: icon-render OUTDIR SIZE...
// writes OUTDIR/SIZExSIZE/apps/orvanel.png. The drawing is the window icon's, so both stay the same.
#include "app/Artwork.h"

#include <QDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: orvanel-icon-render OUTDIR SIZE...\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "orvanel-icon-render: bad size \"%s\"\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        if (!QDir().mkpath(folder) || !orvanel::orvanelIconImage(size).save(folder + QStringLiteral("/orvanel.png"))) {
            std::fprintf(stderr, "orvanel-icon-render: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
