// The calling thread's last-error code.
#include <windows.h>

namespace {
thread_local DWORD last_error = NO_ERROR;
}

DWORD WINAPI GetLastError(void) {
    return last_error;
}

void WINAPI SetLastError(DWORD dwErrCode) {
    last_error = dwErrCode;
}
