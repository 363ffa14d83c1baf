// Modules: LoadLibraryA and its companions over dlopen.
//
// A module is loaded with RTLD_NOW | RTLD_LOCAL, so that missing symbols
// show at load time, as on Windows, and two modules may export the same
// names.  Loading a file that is already loaded returns the same handle and
// counts a reference; FreeLibrary unloads at the last one.  The executable
// itself has one handle that is never unloaded.
#include "handles.h"
#include "paths.h"
#include "win_errors.h"

#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Module {
    void *dl = nullptr;
    std::string path; // the host path it was loaded from
    unsigned references = 1;
    bool executable = false;
};

struct Modules {
    std::mutex mutex; // loads and unloads one at a time
    zelplat::HandleTable<Module> table{zelplat::HandleKind::Kernel};
    HMODULE executable = 0;
};

Modules &modules() {
    static auto *m = new Modules; // never destroyed: used by exit-time destructors
    return *m;
}

std::string executable_path() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, size_t(n)) : std::string();
}

std::string folder_of(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash ? slash : 1);
}

bool is_file(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A name without an extension gets ".DLL", as on Windows; a trailing dot
// means "no extension".
std::string with_extension(std::string name) {
    size_t base = name.find_last_of("/\\");
    base = base == std::string::npos ? 0 : base + 1;
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    else if (name.find('.', base) == std::string::npos)
        name += ".DLL";
    return name;
}

// Where a module name may be found: a name with a folder is taken as it
// is; a bare name is looked for beside the executable, in the Windows
// folder and in the current folder, in that order.
std::vector<std::string> candidates(const char *name) {
    std::string given = name;
    if (given.find_first_of("/\\:") != std::string::npos)
        return {zelplat::host_path(given.c_str())};
    std::string file = with_extension(given);
    char windir[4096];
    UINT n = GetWindowsDirectoryA(windir, sizeof windir);
    std::vector<std::string> folders = {folder_of(executable_path())};
    if (n > 0 && n < sizeof windir)
        folders.emplace_back(windir);
    folders.emplace_back(".");
    std::vector<std::string> paths;
    for (auto &folder : folders)
        paths.push_back(zelplat::host_path((folder + "/" + file).c_str()));
    return paths;
}

// The Win32 error for a dlopen failure of an existing file.
DWORD load_error(const char *message) {
    if (message && std::strstr(message, "cannot open shared object file"))
        return ERROR_MOD_NOT_FOUND; // a library it depends on is missing
    if (message && std::strstr(message, "undefined symbol"))
        return ERROR_PROC_NOT_FOUND;
    return ERROR_BAD_EXE_FORMAT;
}

// Registers a dlopen handle; an already loaded file keeps its handle and
// gains a reference.  Called with the mutex held.
HMODULE register_module(Modules &m, void *dl, const std::string &path) {
    HMODULE found = 0;
    m.table.for_each([&](uint32_t handle, Module &module) {
        if (module.dl == dl)
            found = handle;
    });
    if (found) {
        dlclose(dl); // dlopen counted one more reference; ours is enough
        ++m.table.find(found)->references;
        return found;
    }
    auto module = std::make_unique<Module>();
    module->dl = dl;
    module->path = path;
    return m.table.insert(std::move(module));
}

HMODULE executable_module(Modules &m) {
    std::lock_guard guard(m.mutex);
    if (!m.executable) {
        auto module = std::make_unique<Module>();
        module->dl = dlopen(nullptr, RTLD_NOW);
        module->path = executable_path();
        module->executable = true;
        m.executable = m.table.insert(std::move(module));
    }
    return m.executable;
}

// Copies a module's file name with the convention of GetModuleFileNameA:
// cut to the buffer (still terminated) with ERROR_INSUFFICIENT_BUFFER.
DWORD copy_file_name(const std::string &path, LPSTR buffer, DWORD size) {
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= size) {
        std::memcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(path.size());
}

std::string base_name(const std::string &path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    for (const auto &path : candidates(lpLibFileName)) {
        if (!is_file(path))
            continue;
        auto &m = modules();
        std::lock_guard guard(m.mutex);
        void *dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!dl) {
            SetLastError(load_error(dlerror()));
            return 0;
        }
        return register_module(m, dl, path);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    auto &m = modules();
    std::lock_guard guard(m.mutex);
    Module *module = m.table.find(hModule);
    if (!module) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Export ordinals (a number in the pointer's low 16 bits) do not exist
    // in shared objects.
    if (reinterpret_cast<uintptr_t>(lpProcName) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void *symbol = dlsym(module->dl, lpProcName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    auto &m = modules();
    std::lock_guard guard(m.mutex);
    Module *module = m.table.find(hLibModule);
    if (!module) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (module->executable || --module->references > 0)
        return TRUE;
    auto removed = m.table.remove(hLibModule);
    dlclose(removed->dl);
    return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    if (!hModule)
        return copy_file_name(executable_path(), lpFilename, nSize);
    auto &m = modules();
    std::string path;
    {
        std::lock_guard guard(m.mutex);
        Module *module = m.table.find(hModule);
        if (!module) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        path = module->path;
    }
    return copy_file_name(path, lpFilename, nSize);
}

// NULL names the executable; otherwise a loaded module whose file name
// (".DLL" added when there is no extension) matches ignoring case.  No
// reference is counted.
HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    auto &m = modules();
    if (!lpModuleName)
        return executable_module(m);
    std::string wanted = base_name(with_extension(lpModuleName));
    HMODULE found = 0;
    std::lock_guard guard(m.mutex);
    m.table.for_each([&](uint32_t handle, Module &module) {
        if (!found && strcasecmp(base_name(module.path).c_str(), wanted.c_str()) == 0)
            found = handle;
    });
    if (!found)
        SetLastError(ERROR_MOD_NOT_FOUND);
    return found;
}
