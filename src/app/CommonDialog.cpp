#include "app/CommonDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace orvanel {

CommonDialog::CommonDialog(const std::string& folder) : m_folder(QFile::decodeName(folder.c_str())) {}

std::string CommonDialog::show(QWidget* parent, const QString& title, bool save)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!m_fileName.isEmpty())
        dialog.selectFile(m_fileName);
    else // not where a dialog of an earlier run was left, which Qt would propose
        dialog.setDirectory(m_folder.isEmpty() ? QDir::currentPath() : m_folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    m_fileName = dialog.selectedFiles().constFirst();
    return QFile::encodeName(m_fileName).toStdString();
}

} // namespace orvanel
