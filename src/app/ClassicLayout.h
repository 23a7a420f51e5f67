#pragma once

#include <QFont>
#include <QGroupBox>
#include <QRect>
#include <QString>
#include <initializer_list>

namespace orvanel {

// Layouts are kept in twips, as drawn; Qt scales the pixels on high-dpi screens.
inline int px(int twips)
{
    return (twips + 7) / 15;
}

inline QRect twips(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// The classic dialog font is not on Linux; Liberation Sans has the same metrics as its successor.
inline void substituteDialogFont()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
}

// The classic dialog font, mapped to an installed metric-compatible face.
inline QFont dialogFont(qreal points, bool bold = false, bool underline = false)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

template <typename W> W* place(W* widget, const char* name, const QRect& geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

// Frames as in a classic dialog: the caption sits on the frame's top line. Set once the frames are
// filled: set before, it gives their controls other metrics, and the check box's caption no longer fits.
inline void styleClassicFrames(std::initializer_list<QGroupBox*> frames)
{
    for (QGroupBox* frame : frames)
        frame->setStyleSheet(
            QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
                           "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
}

} // namespace orvanel
