// SetTimer and KillTimer.  Timers belong to the calling thread's queue,
// which turns a due timer into WM_TIMER when nothing is posted.
#include "message_queue.h"
#include "window_table.h"

using namespace zelplat;

namespace {

// A window timer needs a window of the calling thread, as on Win32.
bool window_of_this_thread(HWND hWnd) {
    DWORD owner = windows().with(hWnd, [](Window *w) { return w ? w->thread_id : DWORD(0); });
    return owner != 0 && owner == current_thread_id();
}

} // namespace

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    if (hWnd != 0 && !window_of_this_thread(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    UINT_PTR id = current_queue().set_timer(hWnd, nIDEvent, uElapse, lpTimerFunc);
    // A window timer with id 0 still reports success.
    return hWnd != 0 && id == 0 ? 1 : id;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    if (hWnd != 0 && !window_of_this_thread(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (current_queue().kill_timer(hWnd, uIDEvent))
        return TRUE;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
