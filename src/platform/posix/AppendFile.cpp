#include "platform/posix/AppendFile.h"

#include "platform/posix/FileErrors.h"
#include "platform/posix/TrustedPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

AppendFile::AppendFile(std::string path, std::string header) : m_path(std::move(path)), m_header(std::move(header)) {}

FileProblem AppendFile::append(const std::string& line)
{
    if (!m_file) {
        // A link of another user's could lead the log into any file the user may write.
        const FollowedPath followed = followTrustedLinks(m_path);
        if (!followed.problem.empty())
            return followed.problem;
        // Non-blocking, so that a pipe given by mistake cannot hang the window before it is refused.
        FileDescriptor file(::open(followed.path.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW,
                                   0644));
        struct stat info;
        if (!file.isOpen() || ::fstat(file.get(), &info) != 0)
            return describeFileError(m_path, errno);
        if (!S_ISREG(info.st_mode))
            return m_path + ": no es un archivo";
        m_file.emplace(std::move(file));
        m_headerDue = info.st_size == 0;
    }
    const FileProblem problem = writeWhole(m_headerDue ? m_header + line : line);
    if (problem.empty())
        m_headerDue = false;
    return problem;
}

FileProblem AppendFile::writeWhole(std::string_view text)
{
    const int fd = m_file->get();
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return describeFileError(m_path, errno);
    std::string_view rest = text;
    while (!rest.empty()) {
        const ssize_t written = ::write(fd, rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // Only a full disk or a file size limit stops a write to an ordinary file for good. Half
            // a line would have the next one glued to it: the file goes back to where this began.
            const int error = written < 0 ? errno : ENOSPC;
            if (rest.size() != text.size() && ::ftruncate(fd, info.st_size) != 0)
                return describeFileError(m_path, errno);
            return describeFileError(m_path, error);
        }
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

} // namespace orvanel
