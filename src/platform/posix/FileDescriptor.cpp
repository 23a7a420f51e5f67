#include "platform/posix/FileDescriptor.h"

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

} // namespace orvanel
