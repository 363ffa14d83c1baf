// The clipboard, one per process (no other process shares it here).
//
// Ownership follows Win32: a handle that SetClipboardData accepted belongs
// to the clipboard, which frees it when the clipboard is emptied or the
// format is replaced.  Memory formats are freed with GlobalFree, bitmap and
// palette formats with DeleteObject.
#include <windows.h>

#include <map>
#include <mutex>

namespace {

struct Clipboard {
    std::mutex mutex;
    bool open = false;
    HWND opener = 0;
    HWND owner = 0;
    std::map<UINT, HANDLE> data;
};

Clipboard &clipboard() {
    static auto *board = new Clipboard; // never destroyed: used by exit-time destructors
    return *board;
}

void free_clipboard_handle(UINT format, HANDLE h) {
    if (format == CF_BITMAP || format == CF_PALETTE)
        DeleteObject(h);
    else
        GlobalFree(h);
}

BOOL not_open() {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
}

} // namespace

BOOL WINAPI OpenClipboard(HWND hWndNewOwner) {
    if (hWndNewOwner != 0 && !IsWindow(hWndNewOwner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    auto &board = clipboard();
    std::lock_guard lock(board.mutex);
    if (board.open) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    board.open = true;
    board.opener = hWndNewOwner;
    return TRUE;
}

BOOL WINAPI CloseClipboard(void) {
    auto &board = clipboard();
    std::lock_guard lock(board.mutex);
    if (!board.open)
        return not_open();
    board.open = false;
    board.opener = 0;
    return TRUE;
}

BOOL WINAPI EmptyClipboard(void) {
    auto &board = clipboard();
    std::map<UINT, HANDLE> released;
    {
        std::lock_guard lock(board.mutex);
        if (!board.open)
            return not_open();
        released.swap(board.data);
        board.owner = board.opener;
    }
    for (auto &[format, h] : released)
        free_clipboard_handle(format, h);
    return TRUE;
}

// A null handle would announce delayed rendering, which this clipboard does
// not offer: it is refused.
HANDLE WINAPI SetClipboardData(UINT uFormat, HANDLE hMem) {
    auto &board = clipboard();
    HANDLE replaced = 0;
    {
        std::lock_guard lock(board.mutex);
        if (!board.open) {
            not_open();
            return 0;
        }
        if (hMem == 0 || uFormat == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        HANDLE &slot = board.data[uFormat];
        // Setting the handle it already holds must not free it.
        if (slot != hMem)
            replaced = slot;
        slot = hMem;
    }
    if (replaced != 0)
        free_clipboard_handle(uFormat, replaced);
    return hMem;
}

HANDLE WINAPI GetClipboardData(UINT uFormat) {
    auto &board = clipboard();
    std::lock_guard lock(board.mutex);
    if (!board.open) {
        not_open();
        return 0;
    }
    auto it = board.data.find(uFormat);
    return it == board.data.end() ? 0 : it->second;
}

BOOL WINAPI IsClipboardFormatAvailable(UINT format) {
    auto &board = clipboard();
    std::lock_guard lock(board.mutex);
    return board.data.count(format) ? TRUE : FALSE;
}

HWND WINAPI GetClipboardOwner(void) {
    auto &board = clipboard();
    std::lock_guard lock(board.mutex);
    return board.owner;
}
