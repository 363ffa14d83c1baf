// Windows: the library's boxes and dialogs are the system's own, and its
// debug output goes to the debugger, out of this program's sight.
#include "host_platform.h"

namespace zelscan {

void InstallHostHooks(HostLog &, bool) {}

void RemoveHostHooks() {}

bool HostSeesDebugOutput() {
    return false;
}

std::string HostPath(const std::string &windowsPath) {
    return windowsPath;
}

} // namespace zelscan
