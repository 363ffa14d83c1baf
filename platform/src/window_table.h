// The windows of this process.  One lock guards the table and every field
// of every window, so that a window read by one thread cannot be freed by
// another meanwhile; window procedures are always called with it released.
#pragma once

#include "handles.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zelplat {

struct Window {
    std::string class_name;
    WNDPROC proc = nullptr;
    std::string title;
    DWORD style = 0;
    DWORD ex_style = 0;
    HWND parent = 0; // the parent of a WS_CHILD window
    HWND owner = 0;  // the owner of a top-level window
    DWORD thread_id = 0;
    bool enabled = true;
    bool visible = false;
    bool destroying = false;
    bool published = false; // has a record on the desktop

    bool top_level() const { return (style & WS_CHILD) == 0; }
};

class WindowTable {
  public:
    // Calls f with the window (null when hwnd names none) under the lock.
    // f must not call back into the table.
    template <typename F> auto with(HWND hwnd, F &&f) {
        std::lock_guard lock(mutex_);
        return f(table_.find(hwnd));
    }

    bool insert(HWND hwnd, std::unique_ptr<Window> window);
    std::unique_ptr<Window> remove(HWND hwnd);
    bool contains(HWND hwnd);

    // Children and owned windows of hwnd.
    std::vector<HWND> dependents_of(HWND hwnd);
    // True when window is ancestor itself or one of its children, at any depth.
    bool is_within(HWND window, HWND ancestor);
    std::vector<HWND> windows_of_thread(DWORD thread_id);
    bool any_of_class(const std::string &class_name);

    struct TopLevel {
        HWND hwnd;
        std::string class_name;
        std::string title;
    };
    std::vector<TopLevel> top_level_windows();
    size_t top_level_count();

  private:
    std::mutex mutex_;
    HandleTable<Window> table_{HandleKind::Window};
};

// The process-wide table; never destroyed, since the desktop listener
// thread may still use it while the process exits.
WindowTable &windows();

// Calls the window's procedure; 0 when the window is gone.
LRESULT call_window_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The window text as DefWindowProcA keeps it (WM_SETTEXT, WM_GETTEXT);
// storing it also rewrites the window's desktop record.
bool store_window_title(HWND hwnd, LPCSTR text);
int copy_window_title(HWND hwnd, LPSTR buffer, int size);

// Copies text into a Win32 string buffer of size bytes, truncating and
// always terminating; returns the characters copied.
int copy_text(const std::string &text, LPSTR buffer, int size);

// Destroys a window and its dependents without sending any message: used
// when the owning thread has ended.
void forget_thread_windows(DWORD thread_id);

} // namespace zelplat
