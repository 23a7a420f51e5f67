#include "platform/posix/FileErrors.h"

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
    case EFBIG:
        reason = "el archivo ha llegado al tamaño máximo";
        break;
    case ELOOP:
        reason = "demasiados enlaces simbólicos seguidos";
        break;
    case EIO:
        reason = "error de lectura o escritura en el disco";
        break;
    default:
        // The system's own wording follows the locale, which may not be Spanish; the error's name does not.
        const char* name = ::strerrorname_np(error);
        return path + ": error del sistema " + (name != nullptr ? name : std::to_string(error));
    }
    return path + ": " + reason;
}

} // namespace orvanel
