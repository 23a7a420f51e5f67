#pragma once

#include <QCheckBox>

namespace orvanel {

// A check box whose caption wraps onto a second line inside its box, like a classic dialog's,
// so that a long caption fits a narrow box instead of being cut off.
class WrappingCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit WrappingCheckBox(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect textRect() const;
};

} // namespace orvanel
