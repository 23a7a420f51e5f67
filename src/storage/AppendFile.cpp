#include "storage/AppendFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel {

AppendFile::AppendFile(std::string path, std::string header) : m_path(std::move(path)), m_header(std::move(header)) {}

FileProblem AppendFile::append(const std::string& line)
{
    if (!m_file) {
        // Non-blocking, so that a pipe given by mistake cannot hang the window before it is refused.
        FileDescriptor file(
            ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644));
        struct stat info;
        if (!file.isOpen() || ::fstat(file.get(), &info) != 0)
            return describeFileError(m_path, errno);
        if (!S_ISREG(info.st_mode))
            return m_path + ": no es un archivo";
        m_file.emplace(std::move(file));
        if (info.st_size == 0) {
            if (FileProblem problem = write(m_header); !problem.empty())
                return problem;
        }
    }
    return write(line);
}

FileProblem AppendFile::write(const std::string& text)
{
    const ssize_t written = ::write(m_file->get(), text.data(), text.size());
    if (written < 0)
        return describeFileError(m_path, errno);
    // Only a full disk or a file size limit cuts a write to an ordinary file short.
    if (static_cast<std::size_t>(written) != text.size())
        return describeFileError(m_path, ENOSPC);
    return {};
}

} // namespace orvanel
