// Queries and simple state of windows: IsWindow, enabling, visibility,
// text, class, parent, owner thread, and FindWindowA across the desktop.
#include "desktop.h"
#include "window_class.h"
#include "window_table.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>

using namespace zelplat;

namespace zelplat {

int copy_text(const std::string &text, LPSTR buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    int n = std::min<int>(int(std::min<size_t>(text.size(), 0x7FFFFFFF)), size - 1);
    std::memcpy(buffer, text.data(), size_t(n));
    buffer[n] = '\0';
    return n;
}

bool store_window_title(HWND hwnd, LPCSTR text) {
    desktop::Record record;
    bool published = false;
    bool found = windows().with(hwnd, [&](Window *w) {
        if (!w)
            return false;
        w->title = text ? text : "";
        published = w->published;
        record = desktop::Record{hwnd, DWORD(getpid()), w->thread_id, w->class_name, w->title};
        return true;
    });
    if (published)
        desktop::update(record);
    return found;
}

int copy_window_title(HWND hwnd, LPSTR buffer, int size) {
    return windows().with(hwnd,
                          [&](Window *w) { return w ? copy_text(w->title, buffer, size) : 0; });
}

} // namespace zelplat

namespace {

bool is_local(HWND hwnd) {
    return windows().contains(hwnd);
}

void fail_invalid_window() {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
}

bool text_matches(LPCSTR wanted, const std::string &actual) {
    return !wanted || lstrcmpiA(wanted, actual.c_str()) == 0;
}

// FindWindowA accepts a class atom in place of its name.
bool class_matches(LPCSTR wanted, const std::string &actual) {
    if (!wanted)
        return true;
    if (!is_int_atom(wanted))
        return lstrcmpiA(wanted, actual.c_str()) == 0;
    auto cls = find_window_class(wanted);
    return cls && lstrcmpiA(cls->name.c_str(), actual.c_str()) == 0;
}

} // namespace

BOOL WINAPI IsWindow(HWND hWnd) {
    if (hWnd == 0)
        return FALSE;
    return is_local(hWnd) || desktop::find_remote(hWnd).has_value();
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    bool enable = bEnable != FALSE;
    int was_disabled = windows().with(hWnd, [&](Window *w) {
        if (!w)
            return -1;
        bool before = w->enabled;
        w->enabled = enable;
        return before ? 0 : 1;
    });
    if (was_disabled < 0) {
        fail_invalid_window();
        return FALSE;
    }
    if ((was_disabled == 1) == enable)
        SendMessageA(hWnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return was_disabled;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    return windows().with(hWnd, [](Window *w) { return w && w->enabled; }) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    return windows().with(hWnd, [](Window *w) { return w && w->visible; }) ? TRUE : FALSE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    int was_visible = windows().with(hWnd, [&](Window *w) {
        if (!w)
            return -1;
        bool before = w->visible;
        w->visible = nCmdShow != SW_HIDE;
        return before ? 1 : 0;
    });
    if (was_visible < 0) {
        fail_invalid_window();
        return FALSE;
    }
    return was_visible;
}

// Local windows answer WM_GETTEXT through their procedure, as on Win32;
// windows of other processes answer from their desktop record.
int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (lpString && nMaxCount > 0)
        lpString[0] = '\0';
    if (!lpString || nMaxCount <= 0)
        return 0;
    if (is_local(hWnd))
        return int(
            SendMessageA(hWnd, WM_GETTEXT, WPARAM(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
    if (auto record = desktop::find_remote(hWnd))
        return copy_text(record->title, lpString, nMaxCount);
    fail_invalid_window();
    return 0;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    if (is_local(hWnd))
        return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
    SetLastError(desktop::find_remote(hWnd) ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
    std::string name;
    bool found = windows().with(hWnd, [&](Window *w) {
        if (w)
            name = w->class_name;
        return w != nullptr;
    });
    if (!found) {
        auto record = desktop::find_remote(hWnd);
        if (!record) {
            fail_invalid_window();
            return 0;
        }
        name = record->class_name;
    }
    if (!lpClassName || nMaxCount <= 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return copy_text(name, lpClassName, nMaxCount);
}

// The parent of a child window, or the owner of a popup, as on Win32.
HWND WINAPI GetParent(HWND hWnd) {
    auto parent = windows().with(hWnd, [](Window *w) -> std::optional<HWND> {
        if (!w)
            return std::nullopt;
        if (w->style & WS_CHILD)
            return w->parent;
        return (w->style & WS_POPUP) ? w->owner : 0;
    });
    if (!parent)
        fail_invalid_window();
    return parent.value_or(0);
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    DWORD thread = windows().with(hWnd, [](Window *w) { return w ? w->thread_id : DWORD(0); });
    DWORD pid = DWORD(getpid());
    if (thread == 0) {
        auto record = desktop::find_remote(hWnd);
        if (!record) {
            fail_invalid_window();
            return 0;
        }
        thread = record->thread_id;
        pid = record->pid;
    }
    if (lpdwProcessId)
        *lpdwProcessId = pid;
    return thread;
}

// Searches the top-level windows of every process of the desktop.  Of
// several matches the newest (highest handle) wins, standing in for the top
// of the Z order.
HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
    HWND best = 0;
    auto consider = [&](HWND hwnd, const std::string &cls, const std::string &title) {
        if (class_matches(lpClassName, cls) && text_matches(lpWindowName, title))
            best = std::max(best, hwnd);
    };
    for (auto &w : windows().top_level_windows())
        consider(w.hwnd, w.class_name, w.title);
    for (auto &r : desktop::remote_records())
        consider(r.hwnd, r.class_name, r.title);
    return best;
}
