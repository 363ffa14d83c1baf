// CreateWindowExA and DestroyWindow.
#include "desktop.h"
#include "message_queue.h"
#include "window_class.h"
#include "window_table.h"

#include <unistd.h>

#include <atomic>

using namespace zelplat;

namespace {

// A WS_CHILD window needs a parent (Win32's ERROR_TLW_WITH_WSCHILD).
constexpr DWORD kErrorChildWithoutParent = 1406;

// Handles come from the desktop's counter so that they are unique across
// processes; without a desktop, from a local counter counting down.  A
// serial still in use here (after the counter wrapped) is skipped.
HWND insert_with_new_handle(std::unique_ptr<Window> window) {
    static std::atomic<uint32_t> local_serial{0x0FFFFFFF};
    for (int attempt = 0; attempt < 1024; ++attempt) {
        uint32_t serial = desktop::allocate_window_serial();
        if (serial == 0)
            serial = local_serial.fetch_sub(1);
        HWND hwnd = make_handle(HandleKind::Window, serial);
        if (serial != 0 && !windows().contains(hwnd))
            return windows().insert(hwnd, std::move(window)) ? hwnd : 0;
    }
    return 0;
}

void publish_window(HWND hwnd) {
    desktop::Record record;
    bool top_level = windows().with(hwnd, [&](Window *w) {
        if (!w || !w->top_level())
            return false;
        w->published = true;
        record = desktop::Record{hwnd, DWORD(getpid()), w->thread_id, w->class_name, w->title};
        return true;
    });
    if (top_level)
        desktop::publish(record);
}

// Frees the window's slot after its last message: its record, its queued
// messages and its timers go with it.
void release_window(HWND hwnd) {
    auto window = windows().remove(hwnd);
    if (!window)
        return;
    if (window->published)
        desktop::unpublish(hwnd);
    if (auto queue = queue_of_thread(window->thread_id))
        queue->drop_window(hwnd);
}

// WM_DESTROY goes to a window before its children, WM_NCDESTROY after them,
// so that children are gone before their parent's handle dies.
void destroy_tree(HWND hwnd) {
    bool first = windows().with(hwnd, [](Window *w) {
        if (!w || w->destroying)
            return false;
        w->destroying = true;
        return true;
    });
    if (!first)
        return;
    call_window_proc(hwnd, WM_DESTROY, 0, 0);
    for (HWND dependent : windows().dependents_of(hwnd))
        destroy_tree(dependent);
    call_window_proc(hwnd, WM_NCDESTROY, 0, 0);
    release_window(hwnd);
}

bool valid_parent(HWND parent) {
    return parent == 0 || windows().contains(parent);
}

std::unique_ptr<Window> new_window(const WindowClass &cls, LPCSTR title, DWORD style,
                                   DWORD ex_style, HWND parent) {
    auto w = std::make_unique<Window>();
    w->class_name = cls.name;
    w->proc = cls.proc;
    // The title is set before WM_NCCREATE so that it does not depend on the
    // procedure passing that message on to DefWindowProcA.
    w->title = title ? title : "";
    w->style = style;
    w->ex_style = ex_style;
    if (style & WS_CHILD)
        w->parent = parent;
    else
        w->owner = parent;
    w->thread_id = current_thread_id();
    w->enabled = (style & WS_DISABLED) == 0;
    w->visible = (style & WS_VISIBLE) != 0;
    return w;
}

} // namespace

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
    auto cls = find_window_class(lpClassName);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return 0;
    }
    if (!valid_parent(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if ((dwStyle & WS_CHILD) && hWndParent == 0) {
        SetLastError(kErrorChildWithoutParent);
        return 0;
    }
    current_queue(); // the owning thread needs a queue before anything is posted
    HWND hwnd =
        insert_with_new_handle(new_window(*cls, lpWindowName, dwStyle, dwExStyle, hWndParent));
    if (hwnd == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    CREATESTRUCTA cs{lpParam, hInstance, hMenu,         hWndParent,   nHeight,           nWidth,
                     Y,       X,         LONG(dwStyle), lpWindowName, cls->name.c_str(), dwExStyle};
    auto cs_param = reinterpret_cast<LPARAM>(&cs);
    if (call_window_proc(hwnd, WM_NCCREATE, 0, cs_param) == 0) {
        windows().with(hwnd, [](Window *w) {
            if (w)
                w->destroying = true;
        });
        call_window_proc(hwnd, WM_NCDESTROY, 0, 0);
        release_window(hwnd);
        return 0;
    }
    if (call_window_proc(hwnd, WM_CREATE, 0, cs_param) == -1) {
        destroy_tree(hwnd);
        return 0;
    }
    // The procedure may have destroyed the window while it was created.
    if (!windows().contains(hwnd))
        return 0;
    publish_window(hwnd);
    return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    DWORD owner = windows().with(hWnd, [](Window *w) { return w ? w->thread_id : DWORD(0); });
    if (owner == 0) {
        SetLastError(desktop::find_remote(hWnd) ? ERROR_ACCESS_DENIED
                                                : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // As on Win32, only the thread that created a window destroys it.
    if (owner != current_thread_id()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    destroy_tree(hWnd);
    return TRUE;
}
