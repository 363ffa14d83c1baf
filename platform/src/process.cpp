// Starting programs: CreateProcessA and WinExec, and the process handles
// (WaitForSingleObject, GetExitCodeProcess, CloseHandle).
//
// The child is an ordinary host program ("*.exe" included).  Its argv is
// the command line split by the Windows rules; it also finds the whole
// command line in ZELPLAT_COMMAND_LINE and its show state in
// ZELPLAT_SHOW_STATE.  A failed exec is reported by CreateProcessA itself:
// the child sends its errno through a close-on-exec pipe, which a
// successful exec closes empty.
#include "command_line.h"
#include "files.h"
#include "handles.h"
#include "paths.h"
#include "win_errors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr DWORD kStillActive = 259; // STILL_ACTIVE
constexpr UINT kBadFormat = 11;     // ERROR_BAD_FORMAT, WinExec's "invalid program"
constexpr WORD kShowDefault = 10;   // SW_SHOWDEFAULT

// A started child, shared by its process and thread handles.
struct Child {
    std::mutex mutex;
    pid_t pid = 0;
    bool ended = false;
    DWORD exit_code = kStillActive;
};

struct ProcessHandle {
    std::shared_ptr<Child> child;
};

zelplat::HandleTable<ProcessHandle> &process_handles() {
    static auto *table = new zelplat::HandleTable<ProcessHandle>(
        zelplat::HandleKind::Kernel); // never destroyed: used at exit
    return *table;
}

// Children whose handles were all closed before they ended; reaped later
// so that they do not stay zombies.
std::mutex orphans_mutex;
std::vector<pid_t> orphans;

void reap_orphans() {
    std::lock_guard guard(orphans_mutex);
    std::erase_if(orphans, [](pid_t pid) {
        int status;
        pid_t r = waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
}

// Exit code of a child: its exit status, or 128 + the signal that ended it.
DWORD exit_code_of(int status) {
    if (WIFEXITED(status))
        return DWORD(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return DWORD(128 + WTERMSIG(status));
    return DWORD(-1);
}

// Collects the child's end without waiting; true once it has ended.
// Called with the child's mutex held.
bool poll_child(Child &child) {
    if (child.ended)
        return true;
    int status = 0;
    pid_t r = waitpid(child.pid, &status, WNOHANG);
    if (r == child.pid) {
        child.ended = true;
        child.exit_code = exit_code_of(status);
    } else if (r < 0 && errno == ECHILD) {
        child.ended = true; // collected elsewhere; the code is lost
        child.exit_code = DWORD(-1);
    }
    return child.ended;
}

std::shared_ptr<Child> child_of(HANDLE handle) {
    ProcessHandle *p = process_handles().find(handle);
    return p ? p->child : nullptr;
}

bool is_regular_file(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool has_extension(const std::string &name) {
    size_t base = name.find_last_of("/\\");
    return name.find('.', base == std::string::npos ? 0 : base + 1) != std::string::npos;
}

// The host file a program name names: with a folder part, that path;
// without, the current folder and then each folder of PATH.  A name
// without extension is also tried with ".exe", as Windows appends it.
std::string find_program(const std::string &name) {
    std::vector<std::string> names = {name};
    if (!has_extension(name))
        names.push_back(name + ".exe");
    std::vector<std::string> folders;
    if (name.find_first_of("/\\:") != std::string::npos) {
        folders.emplace_back();
    } else {
        folders.emplace_back(".");
        const char *path = std::getenv("PATH");
        std::string list = path ? path : "";
        for (size_t start = 0; start <= list.size();) {
            size_t end = list.find(':', start);
            if (end == std::string::npos)
                end = list.size();
            if (end > start)
                folders.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    for (auto &folder : folders)
        for (auto &n : names) {
            std::string host = zelplat::host_path((folder.empty() ? n : folder + "/" + n).c_str());
            if (is_regular_file(host))
                return host;
        }
    return std::string();
}

// ERROR_PATH_NOT_FOUND when the folder of a named path is missing, else
// ERROR_FILE_NOT_FOUND.
DWORD missing_program_error(const std::string &name) {
    size_t slash = name.find_last_of("/\\");
    if (slash == std::string::npos || slash == 0)
        return ERROR_FILE_NOT_FOUND;
    std::string folder = zelplat::host_path(name.substr(0, slash).c_str());
    struct stat st;
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND
                                                                 : ERROR_PATH_NOT_FOUND;
}

// The environment of the child: the given Windows block ("k=v\0...\0\0")
// or ours, without the two variables that are set for it.
std::vector<std::string> child_environment(const void *block, const std::string &command_line,
                                           WORD show) {
    std::vector<std::string> env;
    auto keep = [&](const char *entry) {
        if (std::strncmp(entry, "ZELPLAT_COMMAND_LINE=", 21) != 0 &&
            std::strncmp(entry, "ZELPLAT_SHOW_STATE=", 19) != 0)
            env.emplace_back(entry);
    };
    if (block)
        for (auto p = static_cast<const char *>(block); *p; p += std::strlen(p) + 1)
            keep(p);
    else
        for (char **e = environ; *e; ++e)
            keep(*e);
    env.push_back("ZELPLAT_COMMAND_LINE=" + command_line);
    env.push_back("ZELPLAT_SHOW_STATE=" + std::to_string(show));
    return env;
}

std::vector<char *> pointers_to(std::vector<std::string> &strings) {
    std::vector<char *> out;
    for (auto &s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

DWORD exec_error(int err) {
    switch (err) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
        return ERROR_ACCESS_DENIED;
    case ENOEXEC:
    case E2BIG:
    case ELIBBAD:
        return ERROR_BAD_EXE_FORMAT;
    default:
        return zelplat::win32_error_from_errno(err);
    }
}

// Everything the child needs, prepared before fork so that the child only
// makes async-signal-safe calls.
struct Launch {
    std::string program;
    std::string folder; // empty: the current one
    std::vector<std::string> args;
    std::vector<std::string> env;
};

// Starts the child; its pid, or 0 with the last error set.
pid_t start_child(Launch &launch) {
    std::vector<char *> argv = pointers_to(launch.args);
    std::vector<char *> envp = pointers_to(launch.env);
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
        SetLastError(zelplat::win32_error_from_errno(errno));
        return 0;
    }
    pid_t pid = fork();
    if (pid == 0) {
        close(pipe_fds[0]);
        if (launch.folder.empty() || chdir(launch.folder.c_str()) == 0)
            execve(launch.program.c_str(), argv.data(), envp.data());
        int err = errno;
        ssize_t ignored = write(pipe_fds[1], &err, sizeof err);
        (void)ignored;
        _exit(127);
    }
    close(pipe_fds[1]);
    if (pid < 0) {
        close(pipe_fds[0]);
        SetLastError(zelplat::win32_error_from_errno(errno));
        return 0;
    }
    int err = 0;
    ssize_t n;
    do
        n = read(pipe_fds[0], &err, sizeof err);
    while (n < 0 && errno == EINTR);
    close(pipe_fds[0]);
    if (n > 0) {
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        SetLastError(exec_error(err));
        return 0;
    }
    return pid;
}

// Fills the launch from CreateProcessA's arguments; false with the last
// error set when the program or the folder cannot be used.
bool prepare(Launch &launch, LPCSTR application, LPCSTR command_line, LPCSTR folder) {
    std::string line = command_line ? command_line : application;
    if (application) {
        // The given path is run as it is, never searched for.
        launch.program = zelplat::host_path(application);
        if (!is_regular_file(launch.program)) {
            struct stat st;
            SetLastError(stat(launch.program.c_str(), &st) == 0
                             ? ERROR_ACCESS_DENIED
                             : missing_program_error(application));
            return false;
        }
    } else {
        auto names = zelplat::program_name_candidates(line);
        for (auto &name : names)
            if (!(launch.program = find_program(name)).empty())
                break;
        if (launch.program.empty()) {
            SetLastError(names.empty() ? ERROR_INVALID_PARAMETER : missing_program_error(names[0]));
            return false;
        }
    }
    launch.args =
        command_line ? zelplat::split_command_line(line) : std::vector<std::string>{application};
    if (folder) {
        launch.folder = zelplat::host_path(folder);
        struct stat st;
        if (stat(launch.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            SetLastError(zelplat::kErrorDirectory);
            return false;
        }
    }
    return true;
}

HANDLE add_handle(const std::shared_ptr<Child> &child) {
    auto handle = std::make_unique<ProcessHandle>();
    handle->child = child;
    return process_handles().insert(std::move(handle));
}

} // namespace

BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID lpEnvironment,
                           LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation) {
    if ((!lpApplicationName && !lpCommandLine) || !lpStartupInfo || !lpProcessInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    reap_orphans();
    Launch launch;
    if (!prepare(launch, lpApplicationName, lpCommandLine, lpCurrentDirectory))
        return FALSE;
    WORD show =
        (lpStartupInfo->dwFlags & STARTF_USESHOWWINDOW) ? lpStartupInfo->wShowWindow : kShowDefault;
    launch.env =
        child_environment(lpEnvironment, lpCommandLine ? lpCommandLine : lpApplicationName, show);
    pid_t pid = start_child(launch);
    if (!pid)
        return FALSE;
    auto child = std::make_shared<Child>();
    child->pid = pid;
    lpProcessInformation->hProcess = add_handle(child);
    lpProcessInformation->hThread = add_handle(child);
    lpProcessInformation->dwProcessId = DWORD(pid);
    lpProcessInformation->dwThreadId = DWORD(pid); // its main thread has the process's id
    return TRUE;
}

// Returns a value above 31 on success; on failure 0 or the Windows error
// (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_BAD_FORMAT), all
// below 32 so that callers testing "> 31" see the failure.
UINT WINAPI WinExec(LPCSTR lpCmdLine, UINT uCmdShow) {
    if (!lpCmdLine)
        return 0;
    std::string line = lpCmdLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(uCmdShow);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        DWORD error = GetLastError();
        if (error == ERROR_BAD_EXE_FORMAT)
            return kBadFormat;
        return error < 32 ? UINT(error) : 0;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return 33;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    auto child = child_of(hHandle);
    if (!child) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    // Polls, so that two threads may wait for the same child and a timeout
    // needs no signal.
    DWORD start = GetTickCount();
    DWORD pause = 1;
    for (;;) {
        {
            std::lock_guard guard(child->mutex);
            if (poll_child(*child))
                return WAIT_OBJECT_0;
        }
        DWORD waited = GetTickCount() - start;
        if (dwMilliseconds != INFINITE && waited >= dwMilliseconds)
            return WAIT_TIMEOUT;
        DWORD left = dwMilliseconds == INFINITE ? pause : dwMilliseconds - waited;
        Sleep(left < pause ? left : pause);
        pause = pause < 20 ? pause * 2 : 20;
    }
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
    auto child = child_of(hProcess);
    if (!child) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpExitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard guard(child->mutex);
    poll_child(*child);
    *lpExitCode = child->exit_code;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    auto handle = process_handles().remove(hObject);
    if (!handle && zelplat::close_file_handle(hObject))
        return TRUE;
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // The last handle of a running child: reap it later, not never.
    std::lock_guard guard(handle->child->mutex);
    if (handle->child.use_count() == 1 && !poll_child(*handle->child)) {
        std::lock_guard orphans_guard(orphans_mutex);
        orphans.push_back(handle->child->pid);
    }
    return TRUE;
}
