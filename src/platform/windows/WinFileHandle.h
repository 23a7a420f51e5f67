#pragma once

namespace orvanel {

// An open Win32 file handle, closed on every way out. The handle is kept as void* so that this
// header does not bring <windows.h> along.
class WinFileHandle
{
public:
    explicit WinFileHandle(void* handle);
    ~WinFileHandle();
    WinFileHandle(const WinFileHandle&) = delete;
    WinFileHandle& operator=(const WinFileHandle&) = delete;
    WinFileHandle(WinFileHandle&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }

    bool isOpen() const { return m_handle != nullptr; }
    void* get() const { return m_handle; }
    // Closes now, for the error that closing itself may report; 0 when none, else the Win32 error code.
    unsigned long close();

private:
    void* m_handle; // null when not open, never INVALID_HANDLE_VALUE
};

} // namespace orvanel
