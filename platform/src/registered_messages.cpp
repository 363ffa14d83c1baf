// RegisterWindowMessageA: message numbers 0xC000-0xFFFF shared by every
// process of the desktop through its name table file, one "XXXX name" line
// per message, read and extended under an exclusive lock.
#include "desktop.h"

#include <zelplat/zelplat_test.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

using namespace zelplat;

namespace {

constexpr UINT kFirstMessage = 0xC000;
constexpr UINT kLastMessage = 0xFFFF;
constexpr size_t kMaxNameLength = 255; // the limit of Win32 atoms
constexpr size_t kTableLimit = 16 * 1024 * 1024;

std::atomic<bool> fail_switch{false};

bool failing() {
    static const bool from_environment = [] {
        const char *value = std::getenv("ZELPLAT_FAIL_REGISTERWINDOWMESSAGE");
        return value && std::strcmp(value, "1") == 0;
    }();
    return from_environment || fail_switch.load();
}

// Finds the name in the table or appends it; 0 when the table is full or
// cannot be written.  Unreadable lines are skipped but keep their number.
UINT find_or_add(int fd, const char *name) {
    std::string table;
    if (!desktop::read_all(fd, table, kTableLimit))
        return 0;
    std::istringstream lines(table);
    std::string line, entry;
    UINT highest = kFirstMessage - 1;
    while (std::getline(lines, line)) {
        if (line.size() < 6 || line[4] != ' ')
            continue;
        UINT id = UINT(std::strtoul(line.substr(0, 4).c_str(), nullptr, 16));
        if (id < kFirstMessage || !desktop::unescape_field(line.substr(5), entry))
            continue;
        if (lstrcmpiA(entry.c_str(), name) == 0)
            return id;
        highest = std::max(highest, id);
    }
    if (highest >= kLastMessage)
        return 0;
    UINT id = highest + 1;
    char number[8];
    std::snprintf(number, sizeof number, "%04X ", id);
    std::string added = number + desktop::escape_field(name) + "\n";
    if (!table.empty() && table.back() != '\n')
        added.insert(added.begin(), '\n'); // a torn last line stays apart
    off_t end = off_t(table.size());
    return pwrite(fd, added.data(), added.size(), end) == ssize_t(added.size()) ? id : 0;
}

} // namespace

void ZelPlat_FailRegisterWindowMessage(BOOL fail) {
    fail_switch = fail != FALSE;
}

UINT WINAPI RegisterWindowMessageA(LPCSTR lpString) {
    if (!lpString || !*lpString || std::strlen(lpString) > kMaxNameLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (failing()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    UINT id = 0;
    if (!desktop::with_locked_file("messages", [&](int fd) { id = find_or_add(fd, lpString); })) {
        std::fprintf(stderr, "zelplat: RegisterWindowMessageA: the desktop's message table "
                             "cannot be used\n");
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    if (id == 0)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return id;
}
