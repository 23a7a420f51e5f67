#include "platform/posix/AtomicFile.h"

#include "platform/posix/FileDescriptor.h"
#include "platform/posix/FileErrors.h"
#include "platform/posix/TrustedPath.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

namespace {

std::string nameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, std::string_view contents)
{
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Opens a new file beside target; the kernel applies the umask to its permissions.
int createTemporary(const std::string& target, std::string& temporary)
{
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary = folderOf(target) + "/." + nameOf(target) + "." + std::to_string(random()) + ".tmp";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

FileProblem replaceFile(const std::string& path, std::string_view contents, FileOwners owners)
{
    if (path.empty())
        return describeFileError(path, ENOENT);
    // A link's target is replaced, so that the link is kept; but never through another user's link.
    const FollowedPath followed = followTrustedLinks(path);
    if (!followed.problem.empty())
        return followed.problem;
    const std::string& target = followed.path;

    struct stat existing;
    const bool exists = ::lstat(target.c_str(), &existing) == 0;
    if (exists && S_ISLNK(existing.st_mode))
        return describeFileError(path, ELOOP);
    if (exists && S_ISDIR(existing.st_mode))
        return describeFileError(path, EISDIR);
    if (exists && owners == FileOwners::UserOrRoot && !isTrustedOwner(existing.st_uid))
        return describeUntrustedOwner(target, existing);
    // A file the user may not write stays as it is, even where the folder would allow replacing it.
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return describeFileError(path, errno);

    std::string temporary;
    FileDescriptor file(createTemporary(target, temporary));
    if (file.get() < 0)
        return describeFileError(path, errno);

    const bool written = (!exists || ::fchmod(file.get(), existing.st_mode & 07777) == 0) &&
                         writeAll(file.get(), contents) && ::fsync(file.get()) == 0 && file.close() == 0 &&
                         ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!written) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return describeFileError(path, error);
    }

    // The rename itself reaches the disk with the folder's entry.
    FileDescriptor folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return {};
}

} // namespace orvanel
