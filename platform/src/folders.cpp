// The Windows and temporary folders, and temporary file names.
#include "paths.h"
#include "win_errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// Copies `text` with the Win32 convention of these calls: the length
// without the terminating zero when it fits, else the size required with it.
DWORD copy_out(const std::string &text, LPSTR buffer, DWORD size) {
    if (!buffer || size <= text.size())
        return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

std::string without_trailing_separators(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();
    return folder;
}

std::string windows_folder() {
    const char *env = std::getenv("WINDIR");
    return without_trailing_separators(env && *env ? env : ZELPLAT_DEFAULT_WINDIR);
}

// The shared Windows folder of a terminal server, where WINDIR plays the
// per-user one a host gets; the same folder on any other system.
std::string system_windows_folder() {
    const char *env = std::getenv("ZELPLAT_SYSTEM_WINDIR");
    return env && *env ? without_trailing_separators(env) : windows_folder();
}

// "<folder><sep><prefix><hex>.TMP", with the separator the folder already
// uses (none when it ends in one).
std::string temp_file_name(const std::string &folder, const std::string &prefix, UINT unique) {
    std::string name = folder;
    if (!name.empty() && name.back() != '/' && name.back() != '\\')
        name += name.find('/') != std::string::npos ? '/' : '\\';
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", unique);
    return name + prefix + hex + ".TMP";
}

// Creates the first free name from a start number on; the number used, or
// 0 with the last error set.
UINT create_unique_file(const std::string &folder, const std::string &prefix, std::string &name) {
    UINT start = (GetTickCount() ^ UINT(getpid())) & 0xFFFF;
    for (UINT i = 0; i < 0x10000; ++i) {
        UINT unique = (start + i) & 0xFFFF;
        if (unique == 0)
            continue;
        name = temp_file_name(folder, prefix, unique);
        std::string host = zelplat::host_path(name.c_str());
        int fd = open(host.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            return unique;
        }
        if (errno != EEXIST) {
            SetLastError(errno == ENOENT || errno == ENOTDIR
                             ? zelplat::kErrorDirectory
                             : zelplat::win32_error_from_errno(errno));
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS); // every number is taken
    return 0;
}

} // namespace

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    return copy_out(windows_folder(), lpBuffer, uSize);
}

UINT WINAPI GetSystemWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    return copy_out(system_windows_folder(), lpBuffer, uSize);
}

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::string folder = zelplat::temp_folder();
    if (folder.back() != '/')
        folder += '/';
    return copy_out(folder, lpBuffer, nBufferLength);
}

// Only the low 16 bits of uUnique are used.  When it is 0 a free number is
// chosen and the file is created; otherwise only the name is formed.
UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                             LPSTR lpTempFileName) {
    if (!lpPathName || !lpTempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string folder = lpPathName;
    std::string prefix =
        lpPrefixString ? std::string(lpPrefixString, strnlen(lpPrefixString, 3)) : std::string();
    if (folder.size() > MAX_PATH - 14) { // room for the name part
        SetLastError(zelplat::kErrorBufferOverflow);
        return 0;
    }
    std::string name;
    UINT unique = uUnique & 0xFFFF;
    if (uUnique == 0)
        unique = create_unique_file(folder, prefix, name);
    else
        name = temp_file_name(folder, prefix, unique);
    if (uUnique == 0 && unique == 0)
        return 0;
    std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
    return unique;
}
