// The desktop folder shared by the processes of one user: window serials,
// window records and the sockets that carry messages between processes.
#include "desktop.h"

#include "handles.h"
#include "message_queue.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace zelplat::desktop {

namespace {

constexpr DWORD kErrorNotEnoughQuota = 1816; // the receiving queue is full
constexpr uint32_t kDatagramMagic = 0x5A504D31;
constexpr uint32_t kMaxSerial = 0x0FFFFFFF;
constexpr size_t kRecordLimit = 64 * 1024;

// One posted message between processes.
struct Datagram {
    uint32_t magic;
    uint32_t hwnd;
    uint32_t message;
    uint32_t reserved;
    uint64_t wparam;
    int64_t lparam;
};

std::string folder_from_environment() {
    const char *chosen = std::getenv("ZELPLAT_DESKTOP");
    if (chosen && *chosen)
        return chosen;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string base = runtime && *runtime ? runtime : "/tmp";
    return base + "/zelplat-desktop-" + std::to_string(getuid());
}

// mkdir -p; the folders created here are private to the user.
bool make_folders(const std::string &path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/')
            continue;
        std::string part = path.substr(0, pos);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           access(path.c_str(), R_OK | W_OK | X_OK) == 0;
}

std::string record_name(HWND hwnd) {
    char name[16];
    std::snprintf(name, sizeof name, "%08x", unsigned(hwnd));
    return name;
}

// Process start time in clock ticks since boot, which tells a live process
// from a later one that reuses its pid; 0 when unknown, 1 for a zombie.
uint64_t process_start_time(DWORD pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%u/stat", unsigned(pid));
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::string stat;
    bool ok = read_all(fd, stat, 4096);
    close(fd);
    size_t paren = stat.rfind(')');
    if (!ok || paren == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(paren + 1));
    std::string state;
    fields >> state;
    if (state == "Z" || state == "X")
        return 1;
    std::string field;
    for (int i = 4; i <= 22 && fields >> field; ++i)
        if (i == 22)
            return std::strtoull(field.c_str(), nullptr, 10);
    return 0;
}

bool process_alive(DWORD pid, uint64_t start) {
    if (pid == 0 || (kill(pid_t(pid), 0) != 0 && errno == ESRCH))
        return false;
    uint64_t now = process_start_time(pid);
    if (now == 1)
        return false;
    return start == 0 || now == 0 || now == start;
}

uint64_t own_start_time() {
    static const uint64_t start = process_start_time(DWORD(getpid()));
    return start;
}

struct StoredRecord {
    Record record;
    uint64_t start = 0;
};

std::string format_record(const Record &r) {
    char head[160];
    std::snprintf(head, sizeof head, "zelplat-window 1\nhwnd %08x\npid %u\nstart %llu\nthread %u\n",
                  unsigned(r.hwnd), unsigned(r.pid), (unsigned long long)own_start_time(),
                  unsigned(r.thread_id));
    return head +
           ("class " + escape_field(r.class_name) + "\ntitle " + escape_field(r.title) + "\n");
}

bool parse_record(const std::string &text, StoredRecord &out) {
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != "zelplat-window 1")
        return false;
    int seen = 0;
    while (std::getline(lines, line)) {
        size_t space = line.find(' ');
        if (space == std::string::npos)
            return false;
        std::string key = line.substr(0, space), value = line.substr(space + 1);
        if (key == "hwnd")
            out.record.hwnd = HWND(std::strtoul(value.c_str(), nullptr, 16)), seen |= 1;
        else if (key == "pid")
            out.record.pid = DWORD(std::strtoul(value.c_str(), nullptr, 10)), seen |= 2;
        else if (key == "start")
            out.start = std::strtoull(value.c_str(), nullptr, 10);
        else if (key == "thread")
            out.record.thread_id = DWORD(std::strtoul(value.c_str(), nullptr, 10));
        else if (key == "class" && unescape_field(value, out.record.class_name))
            seen |= 4;
        else if (key == "title" && unescape_field(value, out.record.title))
            seen |= 8;
    }
    return seen == 15 && kind_of(out.record.hwnd) == HandleKind::Window;
}

std::string windows_folder() {
    return folder() + "/windows";
}

std::optional<StoredRecord> read_record(const std::string &path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    bool ok = read_all(fd, text, kRecordLimit);
    close(fd);
    StoredRecord stored;
    if (!ok || !parse_record(text, stored))
        return std::nullopt;
    return stored;
}

// A record of another live process; records of dead processes are removed.
std::optional<Record> live_remote_record(const std::string &path) {
    auto stored = read_record(path);
    if (!stored || stored->record.pid == DWORD(getpid()))
        return std::nullopt;
    if (!process_alive(stored->record.pid, stored->start)) {
        unlink(path.c_str());
        return std::nullopt;
    }
    return stored->record;
}

// The records this process has written; guarded so that a title change
// racing with DestroyWindow cannot bring a record back.
struct OwnRecords {
    std::mutex mutex;
    std::set<HWND> published;
};

OwnRecords &own_records() {
    static auto *records = new OwnRecords;
    return *records;
}

bool write_record(const Record &record) {
    std::string dir = windows_folder();
    std::string final_path = dir + "/" + record_name(record.hwnd);
    std::string temp_path = dir + "/." + record_name(record.hwnd) + "." + std::to_string(getpid());
    int fd = open(temp_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::string text = format_record(record);
    bool ok = write(fd, text.data(), text.size()) == ssize_t(text.size());
    ok = close(fd) == 0 && ok;
    // The rename makes the new record appear whole to readers.
    if (!ok || rename(temp_path.c_str(), final_path.c_str()) != 0) {
        unlink(temp_path.c_str());
        return false;
    }
    return true;
}

// A socket address in the sockets folder.  Paths too long for sockaddr_un
// go through the folder's descriptor in /proc.
bool socket_address(DWORD pid, sockaddr_un &addr) {
    std::string path = folder() + "/sockets/" + std::to_string(pid);
    if (path.size() >= sizeof addr.sun_path) {
        static const int dir_fd =
            open((folder() + "/sockets").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (dir_fd < 0)
            return false;
        path = "/proc/self/fd/" + std::to_string(dir_fd) + "/" + std::to_string(pid);
        if (path.size() >= sizeof addr.sun_path)
            return false;
    }
    addr = sockaddr_un{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

void listen_for_posts(int fd) {
    for (;;) {
        Datagram d{};
        ssize_t n = recv(fd, &d, sizeof d, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return;
        if (size_t(n) != sizeof d || d.magic != kDatagramMagic)
            continue; // not one of ours
        // A window destroyed meanwhile simply drops the message.
        post_to_window(HWND(d.hwnd), d.message, WPARAM(d.wparam), LPARAM(d.lparam));
    }
}

void remove_own_files() {
    auto &own = own_records();
    std::lock_guard lock(own.mutex);
    for (HWND hwnd : own.published)
        unlink((windows_folder() + "/" + record_name(hwnd)).c_str());
    own.published.clear();
    sockaddr_un addr{};
    if (socket_address(DWORD(getpid()), addr))
        unlink(addr.sun_path);
}

// Binds this process's socket and starts the thread that reads it; records
// and socket are removed at exit.
void start_listener() {
    static std::once_flag once;
    std::call_once(once, [] {
        sockaddr_un addr{};
        if (!socket_address(DWORD(getpid()), addr))
            return;
        int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return;
        unlink(addr.sun_path); // left by an earlier process with this pid
        if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
            std::fprintf(stderr, "zelplat: cannot listen at %s: %s\n", addr.sun_path,
                         std::strerror(errno));
            close(fd);
            return;
        }
        std::atexit(remove_own_files);
        std::thread(listen_for_posts, fd).detach();
    });
}

} // namespace

const std::string &folder() {
    static const std::string path = [] {
        std::string chosen = folder_from_environment();
        if (make_folders(chosen) && make_folders(chosen + "/windows") &&
            make_folders(chosen + "/sockets"))
            return chosen;
        std::fprintf(stderr,
                     "zelplat: the desktop folder %s cannot be used; windows stay local to "
                     "this process\n",
                     chosen.c_str());
        return std::string();
    }();
    return path;
}

bool read_all(int fd, std::string &out, size_t limit) {
    out.clear();
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, size_t(n));
        if (out.size() > limit)
            return false;
    }
}

bool with_locked_file(const char *name, const std::function<void(int fd)> &f) {
    if (folder().empty())
        return false;
    int fd = open((folder() + "/" + name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    int locked;
    while ((locked = flock(fd, LOCK_EX)) != 0 && errno == EINTR)
        ;
    if (locked == 0)
        f(fd);
    close(fd); // also releases the lock
    return locked == 0;
}

uint32_t allocate_window_serial() {
    uint32_t serial = 0;
    with_locked_file("serial", [&](int fd) {
        std::string text;
        if (!read_all(fd, text, 64))
            return;
        unsigned long last = std::strtoul(text.c_str(), nullptr, 10);
        uint32_t next = last >= kMaxSerial ? 1 : uint32_t(last) + 1;
        std::string value = std::to_string(next) + "\n";
        if (ftruncate(fd, 0) == 0 &&
            pwrite(fd, value.data(), value.size(), 0) == ssize_t(value.size()))
            serial = next;
    });
    return serial;
}

void publish(const Record &record) {
    if (folder().empty())
        return;
    // The socket first: a window that another process can find must
    // already be reachable by PostMessageA.
    start_listener();
    auto &own = own_records();
    std::lock_guard lock(own.mutex);
    if (write_record(record))
        own.published.insert(record.hwnd);
}

void update(const Record &record) {
    auto &own = own_records();
    std::lock_guard lock(own.mutex);
    if (own.published.count(record.hwnd))
        write_record(record);
}

void unpublish(HWND hwnd) {
    auto &own = own_records();
    std::lock_guard lock(own.mutex);
    if (own.published.erase(hwnd))
        unlink((windows_folder() + "/" + record_name(hwnd)).c_str());
}

std::optional<Record> find_remote(HWND hwnd) {
    if (hwnd == 0 || kind_of(hwnd) != HandleKind::Window || folder().empty())
        return std::nullopt;
    auto record = live_remote_record(windows_folder() + "/" + record_name(hwnd));
    if (record && record->hwnd != hwnd)
        return std::nullopt; // a record filed under the wrong name
    return record;
}

std::vector<Record> remote_records() {
    std::vector<Record> found;
    if (folder().empty())
        return found;
    DIR *dir = opendir(windows_folder().c_str());
    if (!dir)
        return found;
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() != 8 || name.find_first_not_of("0123456789abcdef") != std::string::npos)
            continue;
        if (auto record = live_remote_record(windows_folder() + "/" + name))
            found.push_back(*record);
    }
    closedir(dir);
    return found;
}

DWORD post_remote(const Record &record, UINT msg, WPARAM wParam, LPARAM lParam) {
    static const int sender = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    if (sender < 0 || !socket_address(record.pid, addr))
        return ERROR_NOT_ENOUGH_MEMORY;
    Datagram d{kDatagramMagic, record.hwnd, msg, 0, uint64_t(wParam), int64_t(lParam)};
    ssize_t sent;
    while ((sent = sendto(sender, &d, sizeof d, MSG_DONTWAIT | MSG_NOSIGNAL,
                          reinterpret_cast<sockaddr *>(&addr), sizeof addr)) < 0 &&
           errno == EINTR)
        ;
    if (sent == ssize_t(sizeof d))
        return NO_ERROR;
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return kErrorNotEnoughQuota;
    if (errno == EACCES || errno == EPERM)
        return ERROR_ACCESS_DENIED;
    return ERROR_INVALID_WINDOW_HANDLE; // the process is gone or not listening
}

std::string escape_field(const std::string &text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == '%') {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            out += code;
        } else {
            out += char(c);
        }
    }
    return out;
}

bool unescape_field(const std::string &text, std::string &out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size() || !std::isxdigit((unsigned char)text[i + 1]) ||
            !std::isxdigit((unsigned char)text[i + 2]))
            return false;
        char hex[3] = {text[i + 1], text[i + 2], 0};
        out += char(std::strtol(hex, nullptr, 16));
        i += 2;
    }
    return true;
}

} // namespace zelplat::desktop
