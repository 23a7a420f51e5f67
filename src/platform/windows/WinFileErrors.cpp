#include "platform/windows/WinFileErrors.h"

#include <windows.h>

namespace orvanel {

FileProblem describeWinFileError(const std::string& path, std::uint32_t error)
{
    const char* reason = nullptr;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_DRIVE:
        reason = "no existe";
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
        reason = "sin permiso de acceso";
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        reason = "otro programa lo tiene abierto";
        break;
    case kErrorIsAFolder:
        reason = "es una carpeta";
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        reason = "no queda espacio en el disco";
        break;
    case ERROR_WRITE_PROTECT:
        reason = "el disco es de solo lectura";
        break;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
        reason = "el nombre no es válido";
        break;
    case ERROR_FILENAME_EXCED_RANGE:
        reason = "el nombre es demasiado largo";
        break;
    case ERROR_FILE_TOO_LARGE:
        reason = "el archivo ha llegado al tamaño máximo";
        break;
    case ERROR_CANT_RESOLVE_FILENAME:
        reason = "demasiados enlaces simbólicos seguidos";
        break;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_NOT_READY:
        reason = "error de lectura o escritura en el disco";
        break;
    default:
        // The system's own wording follows the language of Windows, which may not be Spanish; the code does not.
        return path + ": error del sistema " + std::to_string(error);
    }
    return path + ": " + reason;
}

} // namespace orvanel
