// Pinning: dlopen of the library's own file with RTLD_NOLOAD | RTLD_NODELETE
// marks it never to be unloaded; later dlclose calls (FreeLibrary) leave it.
// On Windows GetModuleHandleExA with GET_MODULE_HANDLE_EX_FLAG_PIN does the same.
#include "module_pin.h"

#ifdef _WIN32
#include <windows.h>

namespace zelvirt {
namespace {

HMODULE this_module(DWORD flags) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | flags,
                       reinterpret_cast<LPCSTR>(&this_module), &module);
    return module;
}

} // namespace

void pin_module() {
    this_module(GET_MODULE_HANDLE_EX_FLAG_PIN);
}

std::string module_path() {
    char path[MAX_PATH];
    HMODULE module = this_module(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT);
    DWORD n = module ? GetModuleFileNameA(module, path, sizeof path) : 0;
    return n == 0 || n >= sizeof path ? std::string() : std::string(path, n);
}

} // namespace zelvirt
#else
#include <dlfcn.h>

namespace zelvirt {

std::string module_path() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&module_path), &info) || !info.dli_fname)
        return {};
    return info.dli_fname;
}

void pin_module() {
    static bool pinned = false;
    if (pinned)
        return;
    std::string path = module_path();
    if (path.empty())
        return;
    // The handle is kept on purpose: the library stays for the process.
    pinned = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
}

} // namespace zelvirt
#endif
