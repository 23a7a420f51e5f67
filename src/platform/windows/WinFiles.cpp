#include "platform/windows/WinFiles.h"

#include "platform/windows/WideText.h"
#include "platform/windows/WinAppendFile.h"
#include "platform/windows/WinFileErrors.h"
#include "platform/windows/WinFileHandle.h"
#include "platform/windows/WinPaths.h"
#include "platform/windows/WinReplaceFile.h"

#include <algorithm>
#include <windows.h>

// After <windows.h>, which they need.
#include <knownfolders.h>
#include <shlobj.h>

namespace orvanel {

namespace {

// Large enough that an ID list of the longest IDs takes a few reads.
constexpr std::size_t kChunkBytes = 64 * 1024;

bool isMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Opens an ordinary file (not a folder, a device or a pipe) for reading; otherwise the handle is not
// open and reading says why.
WinFileHandle openOrdinaryFile(const std::string& path, FileReading& reading)
{
    // Folders open too (backup semantics), so that one is told apart from a file the user may not read.
    WinFileHandle file(::CreateFileW(toWide(path).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.isOpen()) {
        const DWORD error = ::GetLastError();
        reading.missing = isMissing(error);
        reading.problem = describeWinFileError(path, error);
        return file;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        reading.problem = path + ": no es un archivo";
        file.close();
    } else if (!::GetFileInformationByHandle(file.get(), &info)) {
        reading.problem = describeWinFileError(path, ::GetLastError());
        file.close();
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        reading.problem = describeWinFileError(path, kErrorIsAFolder);
        file.close();
    }
    return file;
}

// Where the folders of path begin to be the user's to make: past a drive ("C:\") or a network share
// ("\\server\share\"), which no one creates.
std::size_t firstFolderEnd(const std::string& path)
{
    std::size_t start = 0;
    if (path.size() >= 2 && isPathSeparator(path[0]) && isPathSeparator(path[1])) {
        start = 2;
        for (int part = 0; part < 2 && start != std::string::npos; ++part) {
            start = path.find_first_of("\\/", start);
            if (start != std::string::npos)
                ++start;
        }
        if (start == std::string::npos)
            return std::string::npos;
    }
    return path.find_first_of("\\/", start + 1);
}

} // namespace

FileReading WinFiles::read(const std::string& path, FileOwners, std::size_t maxBytes,
                           const std::function<bool(std::string_view bytes)>& take)
{
    FileReading reading;
    const WinFileHandle file = openOrdinaryFile(path, reading);
    if (!file.isOpen())
        return reading;
    std::string chunk(std::min(maxBytes, kChunkBytes), '\0');
    for (std::size_t left = maxBytes; left > 0;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(std::min(left, chunk.size())), &got, nullptr)) {
            reading.problem = describeWinFileError(path, ::GetLastError());
            return reading;
        }
        if (got == 0)
            break;
        left -= got;
        if (!take(std::string_view(chunk.data(), got)))
            break;
    }
    return reading;
}

FileProblem WinFiles::replace(const std::string& path, std::string_view contents, FileOwners)
{
    return replaceWinFile(path, contents);
}

std::unique_ptr<LineSink> WinFiles::openLog(const std::string& path, const std::string& header)
{
    return std::make_unique<WinAppendFile>(path, header);
}

std::string WinFiles::settingsFolder()
{
    PWSTR appData = nullptr;
    std::string folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &appData)))
        folder = toUtf8(appData) + "\\Orvanel";
    ::CoTaskMemFree(appData);
    return folder;
}

FileProblem WinFiles::makeFolder(const std::string& path)
{
    if (path.empty())
        return "no se sabe dónde guardar la configuración (el sistema no da la carpeta de datos del usuario)";
    // Folder by folder, so that a file in the way is named. New folders inherit the access list of the
    // folder above, which in the user's profile lets no other user in.
    for (std::size_t end = firstFolderEnd(path);; end = path.find_first_of("\\/", end + 1)) {
        const std::string part = path.substr(0, end);
        const DWORD attributes = ::GetFileAttributesW(toWide(part).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return part + ": no es una carpeta";
        } else if (!::CreateDirectoryW(toWide(part).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return describeWinFileError(part, ::GetLastError());
        }
        if (end == std::string::npos || end + 1 == path.size())
            return {};
    }
}

} // namespace orvanel
