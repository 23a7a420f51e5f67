#include "platform/posix/PosixFiles.h"

#include "platform/posix/AppendFile.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/FileDescriptor.h"
#include "platform/posix/FileErrors.h"
#include "platform/posix/SettingsFolder.h"
#include "platform/posix/TrustedPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

namespace {

// Large enough that an ID list of the longest IDs takes a few reads.
constexpr std::size_t kChunkBytes = 64 * 1024;

// Opens an ordinary file (not a folder, a device or a pipe) for reading, with open()'s extraFlags
// (O_NOFOLLOW); otherwise the descriptor is not open and reading says why.
FileDescriptor openOrdinaryFile(const std::string& path, int extraFlags, FileReading& reading)
{
    // Non-blocking, so that a pipe given by mistake cannot hang the window before it is refused.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | extraFlags));
    if (!file.isOpen()) {
        const int error = errno;
        reading.missing = error == ENOENT;
        reading.problem = describeFileError(path, error);
        return file;
    }
    struct stat info;
    if (::fstat(file.get(), &info) != 0) {
        reading.problem = describeFileError(path, errno);
        file.close();
    } else if (!S_ISREG(info.st_mode)) {
        reading.problem = S_ISDIR(info.st_mode) ? describeFileError(path, EISDIR) : path + ": no es un archivo";
        file.close();
    } else {
        ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    }
    return file;
}

} // namespace

FileReading PosixFiles::read(const std::string& path, FileOwners owners, std::size_t maxBytes,
                             const std::function<bool(std::string_view bytes)>& take)
{
    FileReading reading;
    std::string opened = path;
    int extraFlags = 0;
    if (owners == FileOwners::UserOrRoot) {
        const FollowedPath followed = followTrustedLinks(path);
        if (!followed.problem.empty()) {
            reading.problem = followed.problem;
            reading.untrusted = true;
            return reading;
        }
        struct stat info;
        if (::lstat(followed.path.c_str(), &info) != 0 && errno == ENOENT) {
            reading.missing = true;
            reading.problem = describeFileError(path, ENOENT);
            return reading;
        }
        // A link swapped in after the links were checked is not followed.
        opened = followed.path;
        extraFlags = O_NOFOLLOW;
    }
    const FileDescriptor file = openOrdinaryFile(opened, extraFlags, reading);
    if (!file.isOpen())
        return reading;
    struct stat info;
    if (owners == FileOwners::UserOrRoot && ::fstat(file.get(), &info) == 0 && !isTrustedOwner(info.st_uid)) {
        reading.problem = describeUntrustedOwner(path, info);
        reading.untrusted = true;
        return reading;
    }
    std::string chunk(std::min(maxBytes, kChunkBytes), '\0');
    for (std::size_t left = maxBytes; left > 0;) {
        const ssize_t got = ::read(file.get(), chunk.data(), std::min(left, chunk.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            reading.problem = describeFileError(path, errno);
            return reading;
        }
        if (got == 0)
            break;
        left -= static_cast<std::size_t>(got);
        if (!take(std::string_view(chunk.data(), static_cast<std::size_t>(got))))
            break;
    }
    return reading;
}

FileProblem PosixFiles::replace(const std::string& path, std::string_view contents, FileOwners owners)
{
    return replaceFile(path, contents, owners);
}

std::unique_ptr<LineSink> PosixFiles::openLog(const std::string& path, const std::string& header)
{
    return std::make_unique<AppendFile>(path, header);
}

std::string PosixFiles::settingsFolder()
{
    return settingsFolderPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

FileProblem PosixFiles::makeFolder(const std::string& path)
{
    return orvanel::makeFolder(path);
}

} // namespace orvanel
