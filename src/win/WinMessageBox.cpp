#include "win/WinMessageBox.h"

#include "win/Utf16.h"

#include <windows.h>

namespace orvanel {

void WinMessageBox::show(const std::string& text)
{
    // Without an owner, task-modal: every window of the program waits until it is dismissed.
    MessageBoxW(nullptr, toUtf16(text).c_str(), toUtf16(m_title).c_str(), MB_OK | MB_TASKMODAL);
}

} // namespace orvanel
