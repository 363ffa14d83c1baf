// Pinning: dlopen of the library's own file with RTLD_NOLOAD | RTLD_NODELETE
// marks it never to be unloaded; later dlclose calls (FreeLibrary) leave it.
#include "module_pin.h"

#include <dlfcn.h>

namespace zelvirt {
namespace {

std::string module_path() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&module_path), &info) || !info.dli_fname)
        return {};
    return info.dli_fname;
}

} // namespace

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

std::string module_folder() {
    std::string path = module_path();
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

} // namespace zelvirt
