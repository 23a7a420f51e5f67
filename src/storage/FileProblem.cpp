#include "storage/FileProblem.h"

#include <cerrno>
#include <cstring>

namespace orvanel {

FileProblem describeFileError(const std::string& path, int error)
{
    const char* reason = nullptr;
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        reason = "no existe";
        break;
    case EACCES:
    case EPERM:
        reason = "sin permiso de acceso";
        break;
    case EISDIR:
        reason = "es una carpeta";
        break;
    case ENOSPC:
    case EDQUOT:
        reason = "no queda espacio en el disco";
        break;
    case EROFS:
        reason = "el disco es de solo lectura";
        break;
    case ENAMETOOLONG:
        reason = "el nombre es demasiado largo";
        break;
    default:
        return path + ": " + std::strerror(error);
    }
    return path + ": " + reason;
}

} // namespace orvanel
