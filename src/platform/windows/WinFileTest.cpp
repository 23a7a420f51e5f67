#include "platform/windows/WinFileTest.h"

#include "platform/windows/WideText.h"
#include "platform/windows/WinFileHandle.h"

#include <windows.h>

namespace orvanel {

bool WinFileTest::isOrdinaryFile(const std::string& path)
{
    if (path.empty())
        return false;
    const std::wstring name = toWide(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)))
        return false;
    // A device's name ("NUL", "COM1") has the attributes of a file; opened without any access, it tells.
    const WinFileHandle file(::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    return file.isOpen() && ::GetFileType(file.get()) == FILE_TYPE_DISK;
}

} // namespace orvanel
