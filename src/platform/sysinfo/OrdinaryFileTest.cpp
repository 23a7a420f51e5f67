#include "platform/sysinfo/OrdinaryFileTest.h"

#include <sys/stat.h>

namespace orvanel {

bool OrdinaryFileTest::isOrdinaryFile(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat status;
    return !name.empty() && name.front() != '.' && ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace orvanel
