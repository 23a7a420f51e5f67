#include "app/WrappingCheckBox.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace orvanel {

WrappingCheckBox::WrappingCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

QRect WrappingCheckBox::textRect() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    const int left = indicator.right() + 1 + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    return QRect(left, 0, width() - left, height());
}

void WrappingCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, option);

    initStyleOption(&option);
    const QRect rect = textRect();
    painter.drawItemText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, option.palette, isEnabled(), text(),
                         QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = painter.boundingRect(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const
{
    // The whole box, caption included, toggles the check mark.
    return rect().contains(pos);
}

} // namespace orvanel
