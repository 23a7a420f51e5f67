#include "platform/windows/WinBeeper.h"

#include <windows.h>

namespace orvanel {

void WinBeeper::beepExclamation()
{
    ::MessageBeep(MB_ICONEXCLAMATION);
}

} // namespace orvanel
