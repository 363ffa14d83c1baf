// errno -> Win32 error codes, for the calls that wrap POSIX ones.
#include "win_errors.h"

#include <cerrno>

namespace zelplat {

DWORD win32_error_from_errno(int err) {
    switch (err) {
    case 0:
        return NO_ERROR;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case ENAMETOOLONG:
        return kErrorFilenameTooLong;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
        return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EWOULDBLOCK:
        return ERROR_SHARING_VIOLATION;
    case ENOEXEC:
        return ERROR_BAD_EXE_FORMAT;
    default:
        return ERROR_INVALID_FUNCTION;
    }
}

} // namespace zelplat
