// Window classes: RegisterClassA, UnregisterClassA and the system class
// "STATIC", whose windows behave as DefWindowProcA.
#include "window_class.h"

#include "window_table.h"

#include <mutex>
#include <vector>

namespace zelplat {

namespace {

// Win32 has no constant for these two in our headers' subset.
constexpr DWORD kErrorClassDoesNotExist = 1411;
constexpr DWORD kErrorClassHasWindows = 1412;
// Class atoms come from the string-atom range, as on Win32.
constexpr ATOM kFirstClassAtom = 0xC000;

struct ClassRegistry {
    std::mutex mutex;
    std::vector<WindowClass> classes;
    ATOM next_atom = kFirstClassAtom;

    ClassRegistry() { classes.push_back(WindowClass{"STATIC", DefWindowProcA, next_atom++, true}); }

    WindowClass *find(LPCSTR name_or_atom) {
        for (auto &c : classes) {
            bool same = is_int_atom(name_or_atom)
                            ? c.atom == ATOM(reinterpret_cast<uintptr_t>(name_or_atom))
                            : lstrcmpiA(c.name.c_str(), name_or_atom) == 0;
            if (same)
                return &c;
        }
        return nullptr;
    }
};

ClassRegistry &registry() {
    static auto *instance = new ClassRegistry;
    return *instance;
}

} // namespace

std::optional<WindowClass> find_window_class(LPCSTR name_or_atom) {
    if (!name_or_atom)
        return std::nullopt;
    auto &reg = registry();
    std::lock_guard lock(reg.mutex);
    WindowClass *c = reg.find(name_or_atom);
    return c ? std::optional<WindowClass>(*c) : std::nullopt;
}

} // namespace zelplat

using namespace zelplat;

ATOM WINAPI RegisterClassA(const WNDCLASSA *lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpfnWndProc || is_int_atom(lpWndClass->lpszClassName) ||
        !*lpWndClass->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto &reg = registry();
    std::lock_guard lock(reg.mutex);
    if (reg.find(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (reg.next_atom == 0) { // the atom range is used up
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    ATOM atom = reg.next_atom++;
    reg.classes.push_back(
        WindowClass{lpWndClass->lpszClassName, lpWndClass->lpfnWndProc, atom, false});
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
    if (!lpClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto &reg = registry();
    std::lock_guard lock(reg.mutex);
    WindowClass *c = reg.find(lpClassName);
    // The system class cannot be removed.
    if (!c || c->system) {
        SetLastError(kErrorClassDoesNotExist);
        return FALSE;
    }
    if (windows().any_of_class(c->name)) {
        SetLastError(kErrorClassHasWindows);
        return FALSE;
    }
    reg.classes.erase(reg.classes.begin() + (c - reg.classes.data()));
    return TRUE;
}
