#include "platform/windows/WinFileHandle.h"

#include <windows.h>

namespace orvanel {

WinFileHandle::WinFileHandle(void* handle) : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}

WinFileHandle::~WinFileHandle()
{
    if (m_handle != nullptr)
        ::CloseHandle(m_handle);
}

unsigned long WinFileHandle::close()
{
    const bool closed = ::CloseHandle(m_handle) != 0;
    m_handle = nullptr;
    return closed ? 0 : ::GetLastError();
}

} // namespace orvanel
