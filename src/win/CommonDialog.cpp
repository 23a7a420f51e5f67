#include "win/CommonDialog.h"

#include "platform/windows/WideText.h"

#include <commdlg.h>
#include <vector>

namespace orvanel {

std::string CommonDialog::show(HWND owner, const wchar_t* title, bool save)
{
    std::vector<wchar_t> file(32768, L'\0');
    m_fileName.copy(file.data(), file.size() - 1);
    const std::wstring folder = toWide(m_folder);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title;
    dialog.lpstrInitialDir = m_fileName.empty() && !folder.empty() ? folder.c_str() : nullptr;
    dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)))
        return {};
    m_fileName = file.data();
    return toUtf8(m_fileName);
}

} // namespace orvanel
