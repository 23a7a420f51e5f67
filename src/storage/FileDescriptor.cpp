#include "storage/FileDescriptor.h"

#include "storage/TrustedPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int FileDescriptor::close()
{
    const int result = ::close(m_fd);
    m_fd = -1;
    return result;
}

FileDescriptor FileDescriptor::openOrdinaryFile(const std::string& path, FileProblem& problem, int extraFlags)
{
    // Non-blocking, so that a pipe given by mistake cannot hang the window before it is refused.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | extraFlags));
    if (!file.isOpen()) {
        problem = describeFileError(path, errno);
        return file;
    }
    struct stat info;
    if (::fstat(file.get(), &info) != 0) {
        problem = describeFileError(path, errno);
        file.close();
    } else if (!S_ISREG(info.st_mode)) {
        problem = S_ISDIR(info.st_mode) ? describeFileError(path, EISDIR) : path + ": no es un archivo";
        file.close();
    } else {
        ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    }
    return file;
}

FileStart readFileStart(const std::string& path, std::size_t maxBytes)
{
    FileStart start;
    const FollowedPath followed = followTrustedLinks(path);
    if (!followed.problem.empty()) {
        start.problem = followed.problem;
        start.untrusted = true;
        return start;
    }
    struct stat info;
    if (::lstat(followed.path.c_str(), &info) != 0 && errno == ENOENT) {
        start.missing = true;
        return start;
    }
    FileDescriptor file = FileDescriptor::openOrdinaryFile(followed.path, start.problem, O_NOFOLLOW);
    if (!file.isOpen())
        return start;
    if (::fstat(file.get(), &info) == 0 && !isTrustedOwner(info.st_uid)) {
        start.problem = describeUntrustedOwner(path, info);
        start.untrusted = true;
        return start;
    }
    start.text.resize(maxBytes);
    std::size_t size = 0;
    while (size < maxBytes) {
        const ssize_t got = ::read(file.get(), start.text.data() + size, maxBytes - size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            start.problem = describeFileError(path, errno);
            start.text.clear();
            return start;
        }
        if (got == 0)
            break;
        size += static_cast<std::size_t>(got);
    }
    start.text.resize(size);
    return start;
}

} // namespace orvanel
