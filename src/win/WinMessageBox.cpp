#include "win/WinMessageBox.h"

#include "platform/windows/WideText.h"

#include <windows.h>

namespace orvanel {

void WinMessageBox::show(const std::string& text)
{
    // Without an owner, task-modal: every window of the program waits until it is dismissed.
    MessageBoxW(nullptr, toWide(text).c_str(), toWide(m_title).c_str(), MB_OK | MB_TASKMODAL);
}

} // namespace orvanel
