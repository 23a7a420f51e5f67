#pragma once

#include <QString>
#include <string>

class QWidget;

namespace orvanel {

// The common file dialog behind "Cargar IDs" and "Guardar IDs". It proposes the file chosen last in
// either command, and before that the folder it was given.
class CommonDialog
{
public:
    // folder: where the dialog begins until a file has been chosen; empty: the current folder.
    explicit CommonDialog(const std::string& folder);

    // The file the user chose, in the system's encoding, or empty when cancelled.
    std::string show(QWidget* parent, const QString& title, bool save);

private:
    QString m_fileName;
    QString m_folder;
};

} // namespace orvanel
