// Posting, sending, retrieving and dispatching messages, and the default
// window procedure.
#include "desktop.h"
#include "message_queue.h"
#include "window_table.h"

#include <algorithm>
#include <climits>

using namespace zelplat;

namespace {

constexpr UINT kSysKeyDown = 0x0104;
constexpr UINT kSysKeyUp = 0x0105;

// A window filter must name a live window of this process; 0 and
// INVALID_HANDLE_VALUE are the two special filters.
bool valid_filter(HWND hWnd) {
    return hWnd == 0 || hWnd == INVALID_HANDLE_VALUE || windows().contains(hWnd);
}

} // namespace

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == 0) {
        current_queue().post(MSG{0, Msg, wParam, lParam, message_clock(), {0, 0}}, false);
        return TRUE;
    }
    if (post_to_window(hWnd, Msg, wParam, lParam))
        return TRUE;
    if (!windows().contains(hWnd)) {
        if (auto record = desktop::find_remote(hWnd)) {
            DWORD error = desktop::post_remote(*record, Msg, wParam, lParam);
            if (error == NO_ERROR)
                return TRUE;
            SetLastError(error);
            return FALSE;
        }
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

// Windows of this process are called directly, whatever their thread;
// sending to another process is not supported.
LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (!windows().contains(hWnd)) {
        SetLastError(desktop::find_remote(hWnd) ? ERROR_ACCESS_DENIED
                                                : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return call_window_proc(hWnd, Msg, wParam, lParam);
}

void WINAPI PostQuitMessage(int nExitCode) {
    current_queue().post_quit(nExitCode);
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!valid_filter(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    bool filter_died = false;
    if (current_queue().wait_for(*lpMsg, MessageFilter{hWnd, wMsgFilterMin, wMsgFilterMax},
                                 &filter_died))
        return lpMsg->message == WM_QUIT ? 0 : 1;
    if (filter_died) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    return 0; // given up: reported as a quit message
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!valid_filter(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return current_queue().take(*lpMsg, MessageFilter{hWnd, wMsgFilterMin, wMsgFilterMax},
                                (wRemoveMsg & PM_REMOVE) != 0)
               ? TRUE
               : FALSE;
}

// There is no keyboard layout to translate keys into characters; key
// messages report TRUE as Win32 does for them, everything else FALSE.
BOOL WINAPI TranslateMessage(const MSG *lpMsg) {
    if (!lpMsg)
        return FALSE;
    UINT m = lpMsg->message;
    return (m == WM_KEYDOWN || m == WM_KEYUP || m == kSysKeyDown || m == kSysKeyUp) ? TRUE : FALSE;
}

// A WM_TIMER carrying a TIMERPROC calls it only when a live timer of this
// thread was set with that procedure, so that a posted message cannot make
// the thread jump to an arbitrary address.
LRESULT WINAPI DispatchMessageA(const MSG *lpMsg) {
    if (!lpMsg)
        return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        if (current_queue().timer_has_proc(lpMsg->hwnd, lpMsg->wParam, proc))
            proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, lpMsg->time);
        return 0;
    }
    if (lpMsg->hwnd == 0)
        return 0; // thread messages have no procedure
    if (!windows().contains(lpMsg->hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return call_window_proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (Msg) {
    case WM_NCCREATE:
        return TRUE; // lets creation go on, as Win32's default does
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_SETTEXT:
        return store_window_title(hWnd, reinterpret_cast<LPCSTR>(lParam)) ? TRUE : FALSE;
    case WM_GETTEXT:
        return copy_window_title(hWnd, reinterpret_cast<LPSTR>(lParam),
                                 int(std::min<WPARAM>(wParam, INT_MAX)));
    default:
        return 0;
    }
}
