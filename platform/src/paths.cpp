// The mapping of Windows paths onto the host (described in paths.h).
#include "paths.h"

#include <zelplat/zelplat_test.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string_view>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zelplat {

namespace {

bool exists(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> split(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The path below a drive with "." and ".." resolved and empty components
// dropped; ".." at the root stays at the root, as on Windows.
std::string normalise_below_drive(std::string_view rest) {
    std::vector<std::string> kept;
    for (auto &part : split(rest)) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!kept.empty())
                kept.pop_back();
            continue;
        }
        kept.push_back(part);
    }
    std::string out;
    for (auto &part : kept)
        out += "/" + part;
    return out;
}

// The entry of `folder` whose name equals `name` ignoring ASCII case.
bool find_ignoring_case(const std::string &folder, const std::string &name, std::string &found) {
    DIR *dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return false;
    bool ok = false;
    while (dirent *entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            ok = true;
            break;
        }
    }
    closedir(dir);
    return ok;
}

// Gives each component of a path that does not exist as written the
// spelling of an existing entry that differs only in case.  The first
// `fixed` characters (the drives folder) are taken as they are.
std::string match_case(const std::string &path, size_t fixed) {
    if (exists(path))
        return path;
    std::string done = path.substr(0, fixed);
    std::vector<std::string> parts = split(std::string_view(path).substr(fixed));
    bool resolving = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string &part = parts[i];
        std::string folder = i == 0 ? (done.empty() ? "." : done) : (done.empty() ? "/" : done);
        std::string joined = i == 0 ? done + part : done + "/" + part;
        std::string found;
        if (resolving && !part.empty() && part != "." && part != ".." && !exists(joined)) {
            if (find_ignoring_case(folder, part, found))
                joined = i == 0 ? done + found : done + "/" + found;
            else
                resolving = false; // nothing below a missing folder exists either
        }
        done = joined;
    }
    return done;
}

bool owned_private_folder(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

// "<tmp>/zelplat-<uid>": a folder of this user, refused when someone else
// made it (a shared /tmp), in which case a folder of this process is used.
std::string private_temp_folder() {
    std::string base = temp_folder() + "/zelplat-" + std::to_string(getuid());
    mkdir(base.c_str(), 0700);
    if (owned_private_folder(base))
        return base;
    std::fprintf(stderr, "zelplat: %s is not a private folder of this user\n", base.c_str());
    base += "-" + std::to_string(getpid());
    mkdir(base.c_str(), 0700);
    return base;
}

} // namespace

std::string temp_folder() {
    const char *tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool make_folders(const std::string &path) {
    if (path.empty())
        return false;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '/')
            continue;
        std::string prefix = path.substr(0, pos);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string drives_root() {
    const char *env = std::getenv("ZELPLAT_DRIVES");
    std::string root = env && *env ? env : private_temp_folder() + "/drives";
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    make_folders(root);
    return root;
}

std::string host_path(const char *windows_path) {
    if (!windows_path)
        return std::string();
    std::string path = windows_path;
    for (char &c : path)
        if (c == '\\')
            c = '/';
    bool has_drive =
        path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
    if (!has_drive)
        return match_case(path, 0);
    std::string drive =
        drives_root() + "/" + char(std::tolower(static_cast<unsigned char>(path[0])));
    make_folders(drive);
    bool trailing = path.size() > 2 && path.back() == '/';
    std::string rest = normalise_below_drive(std::string_view(path).substr(2));
    if (rest.empty())
        return drive;
    std::string mapped = match_case(drive + rest, drive.size());
    return trailing ? mapped + "/" : mapped;
}

} // namespace zelplat

size_t ZelPlat_HostPath(LPCSTR windowsPath, LPSTR out, size_t outSize) {
    if (!windowsPath || !out)
        return 0;
    std::string path = zelplat::host_path(windowsPath);
    if (path.size() + 1 > outSize)
        return 0;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return path.size();
}
