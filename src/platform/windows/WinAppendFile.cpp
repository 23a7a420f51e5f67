#include "platform/windows/WinAppendFile.h"

#include "platform/windows/WideText.h"
#include "platform/windows/WinFileErrors.h"

#include <windows.h>

namespace orvanel {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

WinAppendFile::WinAppendFile(std::string path, std::string header)
    : m_path(std::move(path)), m_header(std::move(header))
{}

FileProblem WinAppendFile::append(const std::string& line)
{
    if (!m_file) {
        const FileProblem problem = open();
        if (!problem.empty())
            return problem;
    }
    const FileProblem problem = writeWhole(m_headerDue ? m_header + line : line);
    if (problem.empty())
        m_headerDue = false;
    return problem;
}

FileProblem WinAppendFile::open()
{
    const std::wstring path = toWide(m_path);
    WinFileHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isOpen()) {
        const DWORD error = ::GetLastError();
        // A folder is refused as access denied.
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        return describeWinFileError(m_path, folder ? kErrorIsAFolder : error);
    }
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        return m_path + ": no es un archivo";
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size))
        return describeWinFileError(m_path, ::GetLastError());
    m_file.emplace(std::move(file));
    m_headerDue = size.QuadPart == 0;
    return {};
}

FileProblem WinAppendFile::writeWhole(std::string_view text)
{
    void* file = m_file->get();
    LARGE_INTEGER before;
    if (!::GetFileSizeEx(file, &before))
        return describeWinFileError(m_path, ::GetLastError());
    std::string_view rest = text;
    while (!rest.empty()) {
        DWORD written = 0;
        const bool wrote = ::WriteFile(file, rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr) != 0;
        if (!wrote || written == 0) {
            const DWORD error = wrote ? DWORD(ERROR_DISK_FULL) : ::GetLastError();
            if (rest.size() != text.size()) {
                // Half a line would have the next one glued to it: the file goes back to where this
                // began, through a handle of its own, since the log's may only append.
                const WinFileHandle cut(::CreateFileW(toWide(m_path).c_str(), FILE_WRITE_DATA, kShareAll, nullptr,
                                                      OPEN_EXISTING, 0, nullptr));
                FILE_END_OF_FILE_INFO end;
                end.EndOfFile = before;
                if (!cut.isOpen() || !::SetFileInformationByHandle(cut.get(), FileEndOfFileInfo, &end, sizeof end))
                    return describeWinFileError(m_path, ::GetLastError());
            }
            return describeWinFileError(m_path, error);
        }
        rest.remove_prefix(written);
    }
    return {};
}

} // namespace orvanel
