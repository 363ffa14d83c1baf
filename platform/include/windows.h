/*
 * The Win32 subset that this project's programs use, for POSIX systems.
 * On Windows the system's own <windows.h> is used instead; both declare the
 * same names with the same signatures and constant values.
 */
#ifndef ZELPLAT_WINDOWS_H
#define ZELPLAT_WINDOWS_H

#include "zelplat/wintypes.h"
#include "zelplat/winbase.h"
#include "zelplat/winuser.h"
#include "zelplat/wingdi.h"

#endif
