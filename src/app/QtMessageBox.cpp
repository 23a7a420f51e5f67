#include "app/QtMessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace orvanel {

QtMessageBox::QtMessageBox(QWidget* parent, QString title) : m_parent(parent), m_title(std::move(title)) {}

void QtMessageBox::show(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, m_title, QString::fromStdString(text), QMessageBox::Ok, m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    // The About window speaks English; Qt's Spanish translation would make this "Aceptar".
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

} // namespace orvanel
