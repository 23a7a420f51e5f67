#pragma once

#include <string>
#include <windows.h>

namespace orvanel {

// The Open and Save dialogs of "Cargar IDs" and "Guardar IDs": no filter, no default extension; they
// begin in the given folder (empty: the current one) and then where the last chosen file lies.
class CommonDialog
{
public:
    explicit CommonDialog(std::string folder) : m_folder(std::move(folder)) {}

    // The chosen file (UTF-8), or empty when the user cancelled.
    std::string show(HWND owner, const wchar_t* title, bool save);

private:
    std::string m_folder;
    std::wstring m_fileName;
};

} // namespace orvanel
