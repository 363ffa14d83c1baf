/*
 * Hooks of the POSIX platform layer for host programs: what a Windows host
 * would see through a debugger or a system service, handed to the host
 * itself.  Windows builds never include this header.
 */
#ifndef ZELPLAT_HOST_H
#define ZELPLAT_HOST_H

#include "../windows.h"

/* Debug output: the handler receives every OutputDebugStringA string, as
   passed, on the calling thread, right after it has been recorded.  It
   must not call OutputDebugStringA itself (such calls are recorded but not
   handed to it again).  NULL removes the handler. */
typedef void (*ZelPlat_DebugOutputHandler)(void *ctx, LPCSTR text);
WINBASEAPI void ZelPlat_SetDebugOutputHandler(ZelPlat_DebugOutputHandler handler, void *ctx);

#endif
