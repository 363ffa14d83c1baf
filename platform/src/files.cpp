// Old-style file calls: OpenFile, the _l* / _h* family, DeleteFileA, and
// CreateFileA for the names OpenFile cannot take.
//
// HFILE values are handles of kind File (positive ints) naming an open
// POSIX descriptor; a value the table does not hold is refused, so a stale
// or made-up HFILE never reaches a descriptor of someone else.
//
// Sharing: OF_SHARE_EXCLUSIVE takes an exclusive flock and
// OF_SHARE_DENY_WRITE a shared one, both without waiting, so they exclude
// each other and a second exclusive open (ERROR_SHARING_VIOLATION) among
// opens that ask for them; the other sharing modes take no lock, and plain
// opens are not stopped by these locks.
#include "files.h"
#include "paths.h"
#include "win_errors.h"

#include "handles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct OpenedFile {
    int fd = -1;
    ~OpenedFile() {
        if (fd >= 0)
            close(fd);
    }
};

zelplat::HandleTable<OpenedFile> &file_table() {
    static auto *table = new zelplat::HandleTable<OpenedFile>(
        zelplat::HandleKind::File); // never destroyed: used at exit
    return *table;
}

// The descriptor behind an HFILE, or -1 (with ERROR_INVALID_HANDLE).
int descriptor_of(HFILE file) {
    OpenedFile *opened = file > 0 ? file_table().find(static_cast<uint32_t>(file)) : nullptr;
    if (!opened) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    return opened->fd;
}

// The Win32 code for a failed open of `host`: a missing folder gives
// ERROR_PATH_NOT_FOUND rather than ERROR_FILE_NOT_FOUND, as on Windows.
DWORD open_error(int err, const std::string &host) {
    if (err == ENOENT) {
        size_t slash = host.find_last_of('/');
        std::string folder = slash == std::string::npos ? "." : host.substr(0, slash ? slash : 1);
        struct stat st;
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return ERROR_PATH_NOT_FOUND;
    }
    return zelplat::win32_error_from_errno(err);
}

// Fills the OFSTRUCT that every OpenFile call returns; the name is kept as
// the caller wrote it, cut to the structure's 128 bytes.
void fill_ofstruct(OFSTRUCT &of, const std::string &name) {
    of.cBytes = sizeof(OFSTRUCT);
    of.fFixedDisk = 1;
    of.nErrCode = 0;
    of.Reserved1 = of.Reserved2 = 0;
    size_t n = std::min(name.size(), size_t(OFS_MAXPATHNAME - 1));
    std::memcpy(of.szPathName, name.data(), n);
    of.szPathName[n] = '\0';
}

HFILE fail(OFSTRUCT &of, DWORD error) {
    of.nErrCode = static_cast<WORD>(error);
    SetLastError(error);
    return HFILE_ERROR;
}

int open_flags(UINT style) {
    int flags = O_CLOEXEC;
    switch (style & 0x3) {
    case OF_WRITE:
        flags |= O_WRONLY;
        break;
    case OF_READWRITE:
        flags |= O_RDWR;
        break;
    default:
        flags |= O_RDONLY;
        break;
    }
    if (style & OF_CREATE)
        flags |= O_CREAT | O_TRUNC;
    return flags;
}

// Takes the lock a sharing mode asks for; false when another open holds a
// conflicting one.
bool lock_for_sharing(int fd, UINT style) {
    int share = style & 0x70;
    if (share == OF_SHARE_EXCLUSIVE)
        return flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (share == OF_SHARE_DENY_WRITE)
        return flock(fd, LOCK_SH | LOCK_NB) == 0;
    return true;
}

// Opens `host` with the open(2) flags and takes the lock of the sharing
// style; the descriptor, or -1 with `error` set.  The file is truncated only
// once the lock is held: a refused open leaves it as it was, as on Windows.
int open_locked(const std::string &host, int flags, UINT sharing, DWORD &error) {
    int fd = open(host.c_str(), flags & ~O_TRUNC, 0666);
    if (fd < 0) {
        error = open_error(errno, host);
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))
        error = ERROR_ACCESS_DENIED; // folders are not files on Windows either
    else if (!lock_for_sharing(fd, sharing))
        error = ERROR_SHARING_VIOLATION;
    else if ((flags & O_TRUNC) && ftruncate(fd, 0) != 0)
        error = zelplat::win32_error_from_errno(errno);
    if (error != NO_ERROR) {
        close(fd);
        return -1;
    }
    return fd;
}

// Opens `host` as the style asks; the descriptor, or -1 with `error` set.
int open_host_file(const std::string &host, UINT style, DWORD &error) {
    return open_locked(host, open_flags(style), style, error);
}

LONG read_all(int fd, void *buffer, size_t bytes) {
    size_t done = 0;
    while (done < bytes) {
        ssize_t n = read(fd, static_cast<char *>(buffer) + done, bytes - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetLastError(zelplat::win32_error_from_errno(errno));
            return HFILE_ERROR;
        }
        if (n == 0)
            break;
        done += size_t(n);
    }
    return static_cast<LONG>(done);
}

LONG write_all(int fd, const void *buffer, size_t bytes) {
    size_t done = 0;
    while (done < bytes) {
        ssize_t n = write(fd, static_cast<const char *>(buffer) + done, bytes - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetLastError(zelplat::win32_error_from_errno(errno));
            return HFILE_ERROR;
        }
        done += size_t(n);
    }
    return static_cast<LONG>(done);
}

// A write of 0 bytes sets the end of the file at the current position.
LONG truncate_here(int fd) {
    off_t here = lseek(fd, 0, SEEK_CUR);
    if (here < 0 || ftruncate(fd, here) != 0) {
        SetLastError(zelplat::win32_error_from_errno(errno));
        return HFILE_ERROR;
    }
    return 0;
}

LONG read_file(HFILE file, void *buffer, LONG bytes) {
    int fd = descriptor_of(file);
    if (fd < 0)
        return HFILE_ERROR;
    if (bytes < 0 || (!buffer && bytes > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return HFILE_ERROR;
    }
    return read_all(fd, buffer, size_t(bytes));
}

LONG write_file(HFILE file, const void *buffer, LONG bytes) {
    int fd = descriptor_of(file);
    if (fd < 0)
        return HFILE_ERROR;
    if (bytes < 0 || (!buffer && bytes > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return HFILE_ERROR;
    }
    return bytes == 0 ? truncate_here(fd) : write_all(fd, buffer, size_t(bytes));
}

HFILE delete_for_openfile(OFSTRUCT &of, const std::string &host) {
    if (unlink(host.c_str()) != 0)
        return fail(of, open_error(errno, host));
    return 1;
}

HFILE probe_for_openfile(OFSTRUCT &of, const std::string &host, UINT style) {
    DWORD error = NO_ERROR;
    int fd = open_host_file(host, style & ~UINT(OF_CREATE), error);
    if (fd < 0)
        return fail(of, error);
    close(fd);
    return 1;
}

} // namespace

HFILE WINAPI OpenFile(LPCSTR lpFileName, LPOFSTRUCT lpReOpenBuff, UINT uStyle) {
    if (!lpReOpenBuff) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return HFILE_ERROR;
    }
    OFSTRUCT &of = *lpReOpenBuff;
    const char *name = (uStyle & OF_REOPEN) ? of.szPathName : lpFileName;
    if (!name || !*name) {
        of.cBytes = sizeof(OFSTRUCT);
        return fail(of, name ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER);
    }
    std::string given(name, strnlen(name, (uStyle & OF_REOPEN) ? OFS_MAXPATHNAME : SIZE_MAX));
    fill_ofstruct(of, given);
    // The name must fit the structure, as on Windows; CreateFileA takes longer ones.
    if (given.size() >= OFS_MAXPATHNAME)
        return fail(of, zelplat::kErrorBufferOverflow);
    if (uStyle & OF_PARSE)
        return 0;
    std::string host = zelplat::host_path(given.c_str());
    if (uStyle & OF_DELETE)
        return delete_for_openfile(of, host);
    if (uStyle & OF_EXIST)
        return probe_for_openfile(of, host, uStyle);

    DWORD error = NO_ERROR;
    int fd = open_host_file(host, uStyle, error);
    if (fd < 0)
        return fail(of, error);
    auto opened = std::make_unique<OpenedFile>();
    opened->fd = fd;
    return static_cast<HFILE>(file_table().insert(std::move(opened)));
}

UINT WINAPI _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes) {
    if (uBytes > UINT(INT_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return UINT(HFILE_ERROR);
    }
    return static_cast<UINT>(read_file(hFile, lpBuffer, LONG(uBytes)));
}

LONG WINAPI _hread(HFILE hFile, LPVOID lpBuffer, LONG lBytes) {
    return read_file(hFile, lpBuffer, lBytes);
}

UINT WINAPI _lwrite(HFILE hFile, LPCCH lpBuffer, UINT uBytes) {
    if (uBytes > UINT(INT_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return UINT(HFILE_ERROR);
    }
    return static_cast<UINT>(write_file(hFile, lpBuffer, LONG(uBytes)));
}

LONG WINAPI _hwrite(HFILE hFile, LPCCH lpBuffer, LONG lBytes) {
    return write_file(hFile, lpBuffer, lBytes);
}

LONG WINAPI _llseek(HFILE hFile, LONG lOffset, int iOrigin) {
    int fd = descriptor_of(hFile);
    if (fd < 0)
        return HFILE_ERROR;
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (iOrigin < FILE_BEGIN || iOrigin > FILE_END) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return HFILE_ERROR;
    }
    off_t position = lseek(fd, off_t(lOffset), whence[iOrigin]);
    if (position < 0) {
        SetLastError(errno == EINVAL ? zelplat::kErrorNegativeSeek
                                     : zelplat::win32_error_from_errno(errno));
        return HFILE_ERROR;
    }
    if (position > LONG_MAX) { // beyond what a LONG can report
        SetLastError(ERROR_INVALID_PARAMETER);
        return HFILE_ERROR;
    }
    return static_cast<LONG>(position);
}

HFILE WINAPI _lclose(HFILE hFile) {
    if (hFile <= 0 || !file_table().remove(static_cast<uint32_t>(hFile))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return HFILE_ERROR;
    }
    return 0;
}

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition, DWORD, HANDLE) {
    if (!lpFileName || !*lpFileName) {
        SetLastError(lpFileName ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (strlen(lpFileName) >= MAX_PATH) { // the limit of the ANSI calls
        SetLastError(zelplat::kErrorFilenameTooLong);
        return INVALID_HANDLE_VALUE;
    }
    int flags = O_CLOEXEC;
    bool reads = dwDesiredAccess & GENERIC_READ, writes = dwDesiredAccess & GENERIC_WRITE;
    flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    switch (dwCreationDisposition) {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        flags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_EXISTING:
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        flags |= O_TRUNC;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // Sharing as for OpenFile: no sharing takes the exclusive lock, read
    // sharing alone (deny write) the shared one.
    UINT sharing = dwShareMode == 0                 ? OF_SHARE_EXCLUSIVE
                   : dwShareMode == FILE_SHARE_READ ? OF_SHARE_DENY_WRITE
                                                    : OF_SHARE_DENY_NONE;
    DWORD error = NO_ERROR;
    int fd = open_locked(zelplat::host_path(lpFileName), flags, sharing, error);
    if (fd < 0) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    auto opened = std::make_unique<OpenedFile>();
    opened->fd = fd;
    return file_table().insert(std::move(opened));
}

namespace zelplat {

bool close_file_handle(HANDLE handle) {
    return file_table().remove(handle) != nullptr;
}

} // namespace zelplat

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    if (!lpFileName || !*lpFileName) {
        SetLastError(lpFileName ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::string host = zelplat::host_path(lpFileName);
    struct stat st;
    if (lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(host.c_str()) != 0) {
        SetLastError(open_error(errno, host));
        return FALSE;
    }
    return TRUE;
}
