/*
 * Extensions of the POSIX platform layer that have no Win32 counterpart:
 * hooks for tests and hosts (scripted message boxes and file dialogs, the
 * captured debug output, fault switches) and the mapping of Windows paths
 * onto the host's file system.  Windows builds never include this header.
 */
#ifndef ZELPLAT_TEST_H
#define ZELPLAT_TEST_H

#include "../windows.h"
#include "../commdlg.h"
#include "zelplat_host.h"

/* Debug output: every OutputDebugStringA call is kept, in order, as one
   entry (the string exactly as passed).  Echoed to stderr when the
   environment variable ZELPLAT_DEBUG_ECHO is set to a non-empty value. */
WINBASEAPI size_t ZelPlat_DebugOutputCount(void);
/* Entry i, or NULL past the end.  Valid until the next clear. */
WINBASEAPI const char *ZelPlat_DebugOutputEntry(size_t i);
WINBASEAPI void ZelPlat_DebugOutputClear(void);

/* Message boxes: the handler replaces the default (a terminal prompt, or a
   line "MessageBox [caption] text" on stderr answered IDOK when there is no
   terminal).  NULL restores the default. */
typedef int (*ZelPlat_MessageBoxHandler)(void *ctx, HWND owner, LPCSTR text, LPCSTR caption,
                                         UINT type);
WINBASEAPI void ZelPlat_SetMessageBoxHandler(ZelPlat_MessageBoxHandler handler, void *ctx);

/* File dialogs: the handler sees the OPENFILENAMEA as the caller filled
   it, writes the chosen name into lpstrFile (at most nMaxFile bytes with
   the terminating zero) and returns TRUE, or returns FALSE to cancel.  The
   layer then fills nFileOffset and nFileExtension as Windows does.  NULL
   restores the default (a terminal prompt; cancel without a terminal). */
typedef BOOL (*ZelPlat_FileDialogHandler)(void *ctx, BOOL save, LPOPENFILENAMEA ofn);
WINBASEAPI void ZelPlat_SetFileDialogHandler(ZelPlat_FileDialogHandler handler, void *ctx);

/* Paths: a Windows path ("C:\dir\file", "dir\file") as the host sees it.
   Drive letters map to folders below ZELPLAT_DRIVES (default: a per-user
   folder below the temporary directory), created on demand.  Returns the
   length written, or 0 when the buffer is too small. */
WINBASEAPI size_t ZelPlat_HostPath(LPCSTR windowsPath, LPSTR out, size_t outSize);

/* Live handle counts, for leak checks in tests. */
WINBASEAPI size_t ZelPlat_LiveGlobalBlocks(void);
WINBASEAPI size_t ZelPlat_LiveLocalBlocks(void);
WINBASEAPI size_t ZelPlat_LiveGdiObjects(void);

/* Uses of a memory handle that is no block (null aside): GlobalFree,
   GlobalLock, GlobalUnlock, GlobalReAlloc, LocalFree, LocalLock and
   LocalUnlock of a freed, made-up or wrong-kind handle, since the process
   started or the last forget.  Each is traced on the debug output ("zelplat:
   GlobalFree of a handle that is no block (0x...)."); GlobalSize and
   GlobalFlags probe a handle and are not counted.  With
   ZELPLAT_CHECK_MEMORY_HANDLES set, each is also written to stderr and the
   process exits with status 1 when any remain counted at its end; a test
   that misuses a handle on purpose forgets its uses. */
WINBASEAPI size_t ZelPlat_BadMemoryHandleUses(void);
WINBASEAPI void ZelPlat_ForgetBadMemoryHandleUses(void);

/* Fault switches (also settable from the environment, for child
   processes): RegisterWindowMessageA fails (ZELPLAT_FAIL_REGISTERWINDOWMESSAGE=1);
   GlobalAlloc fails after n more successful allocations (-1 disables). */
WINBASEAPI void ZelPlat_FailRegisterWindowMessage(BOOL fail);
WINBASEAPI void ZelPlat_FailGlobalAllocAfter(int n);

#endif
