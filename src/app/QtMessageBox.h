#pragma once

#include "system/UserNotice.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace orvanel {

// A message box modal to the whole program, OK only, no icon, titled with the program title,
// centred on its parent.
class QtMessageBox : public UserNotice
{
public:
    QtMessageBox(QWidget* parent, QString title);
    void show(const std::string& text) override;

private:
    QPointer<QWidget> m_parent;
    QString m_title;
};

} // namespace orvanel
