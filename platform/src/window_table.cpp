// The table of this process's windows.
#include "window_table.h"

#include "desktop.h"
#include "message_queue.h"

namespace zelplat {

WindowTable &windows() {
    static auto *table = new WindowTable;
    return *table;
}

bool WindowTable::insert(HWND hwnd, std::unique_ptr<Window> window) {
    std::lock_guard lock(mutex_);
    return table_.insert_as(hwnd, std::move(window));
}

std::unique_ptr<Window> WindowTable::remove(HWND hwnd) {
    std::lock_guard lock(mutex_);
    return table_.remove(hwnd);
}

bool WindowTable::contains(HWND hwnd) {
    std::lock_guard lock(mutex_);
    return table_.find(hwnd) != nullptr;
}

std::vector<HWND> WindowTable::dependents_of(HWND hwnd) {
    std::lock_guard lock(mutex_);
    std::vector<HWND> found;
    table_.for_each([&](uint32_t handle, Window &w) {
        if (w.parent == hwnd || w.owner == hwnd)
            found.push_back(handle);
    });
    return found;
}

bool WindowTable::is_within(HWND window, HWND ancestor) {
    std::lock_guard lock(mutex_);
    // The depth bound guards against a cycle, which the table never holds.
    for (int depth = 0; window != 0 && depth < 4096; ++depth) {
        if (window == ancestor)
            return true;
        Window *w = table_.find(window);
        if (!w)
            return false;
        window = w->parent;
    }
    return false;
}

std::vector<HWND> WindowTable::windows_of_thread(DWORD thread_id) {
    std::lock_guard lock(mutex_);
    std::vector<HWND> found;
    table_.for_each([&](uint32_t handle, Window &w) {
        if (w.thread_id == thread_id)
            found.push_back(handle);
    });
    return found;
}

bool WindowTable::any_of_class(const std::string &class_name) {
    std::lock_guard lock(mutex_);
    bool found = false;
    table_.for_each([&](uint32_t, Window &w) {
        found = found || lstrcmpiA(w.class_name.c_str(), class_name.c_str()) == 0;
    });
    return found;
}

std::vector<WindowTable::TopLevel> WindowTable::top_level_windows() {
    std::lock_guard lock(mutex_);
    std::vector<TopLevel> found;
    table_.for_each([&](uint32_t handle, Window &w) {
        if (w.top_level() && !w.destroying)
            found.push_back(TopLevel{handle, w.class_name, w.title});
    });
    return found;
}

size_t WindowTable::top_level_count() {
    std::lock_guard lock(mutex_);
    size_t count = 0;
    table_.for_each([&](uint32_t, Window &w) { count += w.top_level() ? 1 : 0; });
    return count;
}

LRESULT call_window_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = windows().with(hwnd, [](Window *w) { return w ? w->proc : nullptr; });
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

void forget_thread_windows(DWORD thread_id) {
    for (HWND hwnd : windows().windows_of_thread(thread_id)) {
        auto window = windows().remove(hwnd);
        if (window && window->published)
            desktop::unpublish(hwnd);
    }
}

} // namespace zelplat
