// The running process: its command line, ids, and the clock calls.
#include "command_line.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> own_arguments() {
    std::vector<std::string> args;
    FILE *f = std::fopen("/proc/self/cmdline", "rb");
    if (!f)
        return args;
    std::string current;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        if (c == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += char(c);
        }
    }
    std::fclose(f);
    return args;
}

// The command line a Windows parent gave (ZELPLAT_COMMAND_LINE), when it
// still describes this process: a value inherited from an ancestor across
// a plain exec would name other arguments and is ignored.
std::string own_command_line() {
    std::vector<std::string> args = own_arguments();
    const char *given = std::getenv("ZELPLAT_COMMAND_LINE");
    if (given) {
        std::vector<std::string> split = zelplat::split_command_line(given);
        bool same = split.size() == args.size();
        for (size_t i = 1; same && i < args.size(); ++i)
            same = split[i] == args[i];
        if (same)
            return given;
    }
    return zelplat::join_command_line(args);
}

} // namespace

LPSTR WINAPI GetCommandLineA(void) {
    static std::string line = own_command_line();
    return line.data();
}

DWORD WINAPI GetCurrentProcessId(void) {
    return DWORD(getpid());
}

DWORD WINAPI GetCurrentThreadId(void) {
    return DWORD(gettid());
}

void WINAPI Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == INFINITE) {
        for (;;)
            pause();
    }
    timespec left{time_t(dwMilliseconds / 1000), long(dwMilliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// Milliseconds since an arbitrary start, wrapping at 2^32 like Windows'.
DWORD WINAPI GetTickCount(void) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return DWORD(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}
