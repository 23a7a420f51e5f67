#include "QtMessageBox.h"

#include <QMessageBox>

namespace orvanel {

QtMessageBox::QtMessageBox(QWidget* parent, QString title) : m_parent(parent), m_title(std::move(title)) {}

void QtMessageBox::show(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, m_title, QString::fromStdString(text), QMessageBox::Ok, m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace orvanel
