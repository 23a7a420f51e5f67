#include "platform/windows/WinReplaceFile.h"

#include "platform/windows/WideText.h"
#include "platform/windows/WinFileErrors.h"
#include "platform/windows/WinFileHandle.h"
#include "platform/windows/WinPaths.h"

#include <algorithm>
#include <random>
#include <windows.h>

namespace orvanel {

namespace {

// The attributes a replaced file keeps; read-only is refused before, and the rest is the system's.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The file a symbolic link leads to, or the path itself when it cannot be followed (a dangling link
// is then replaced by the file, as a new file would be).
std::wstring finalPath(const std::wstring& path)
{
    const WinFileHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.isOpen())
        return path;
    std::wstring target(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(file.get(), target.data(), static_cast<DWORD>(target.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return path;
        if (length < target.size()) {
            target.resize(length);
            return target;
        }
        target.resize(length);
    }
}

bool writeAll(void* file, std::string_view contents)
{
    while (!contents.empty()) {
        // Writes of at most 1 GiB, well within a DWORD.
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(contents.size(), 1U << 30));
        DWORD written = 0;
        if (!::WriteFile(file, contents.data(), piece, &written, nullptr))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        contents.remove_prefix(written);
    }
    return true;
}

// Opens a new file beside target, named "~name.<random>.tmp" so that one a crash leaves behind is
// recognised as such.
WinFileHandle createTemporary(const std::wstring& target, DWORD attributes, std::wstring& temporary)
{
    const std::size_t name = target.find_last_of(L"\\/:") + 1; // npos + 1 is 0: a bare name
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary = target.substr(0, name) + L"~" + target.substr(name) + L"." + std::to_wstring(random()) + L".tmp";
        WinFileHandle file(
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
        if (file.isOpen() || (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS))
            return file;
    }
    return WinFileHandle(nullptr);
}

// Replacing a file another program holds open without sharing it is refused as access denied: the
// user is told which of the two it is.
DWORD refusalReason(const std::wstring& target, DWORD error)
{
    if (error != ERROR_ACCESS_DENIED)
        return error;
    const WinFileHandle probe(::CreateFileW(target.c_str(), DELETE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return !probe.isOpen() && ::GetLastError() == ERROR_SHARING_VIOLATION ? DWORD(ERROR_SHARING_VIOLATION) : error;
}

} // namespace

FileProblem replaceWinFile(const std::string& path, std::string_view contents)
{
    if (path.empty() || nameStart(path) == path.size())
        return describeWinFileError(path, ERROR_PATH_NOT_FOUND);
    std::wstring target = toWide(path);
    DWORD existing = ::GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // The link stays: what it names is replaced.
        target = finalPath(target);
        existing = ::GetFileAttributesW(target.c_str());
    }
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY))
        return describeWinFileError(path, kErrorIsAFolder);
    // Moving over a read-only file would be refused anyway; nothing is written beside it either.
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY))
        return describeWinFileError(path, ERROR_ACCESS_DENIED);

    const DWORD kept = existing == INVALID_FILE_ATTRIBUTES ? 0 : existing & kKeptAttributes;
    std::wstring temporary;
    WinFileHandle file = createTemporary(target, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL, temporary);
    if (!file.isOpen())
        return describeWinFileError(path, ::GetLastError());

    DWORD error = 0;
    if (!writeAll(file.get(), contents) || !::FlushFileBuffers(file.get()))
        error = ::GetLastError();
    else
        error = file.close();
    // The move itself reaches the disk before it returns.
    if (error == 0 &&
        !::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = refusalReason(target, ::GetLastError());
    if (error != 0) {
        if (file.isOpen())
            file.close();
        ::DeleteFileW(temporary.c_str());
        return describeWinFileError(path, error);
    }
    return {};
}

} // namespace orvanel
