// Window classes of this process, looked up by name (ignoring letter case)
// or by the atom that RegisterClassA returned.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace zelplat {

struct WindowClass {
    std::string name;
    WNDPROC proc;
    ATOM atom;
    bool system; // pre-registered, cannot be unregistered
};

// The class named by a string or by an atom passed as MAKEINTATOM.
std::optional<WindowClass> find_window_class(LPCSTR name_or_atom);

// True for an atom passed in place of a string (pointer below 0x10000).
inline bool is_int_atom(LPCSTR name) {
    return reinterpret_cast<uintptr_t>(name) < 0x10000;
}

} // namespace zelplat
