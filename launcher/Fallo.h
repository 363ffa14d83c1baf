// The failure record of the hand-off: what an operation reports instead of
// raising, carried up to the one failure handler that shows it.
#ifndef ZEL_LAUNCHER_FALLO_H
#define ZEL_LAUNCHER_FALLO_H

#include <windows.h>

#include <string>

struct Fallo {
    LONG nNumero;             // error number, carried but not shown
    std::string sDescripcion; // text of the message box, code page 1252
};

// A failure of a platform call: its error code and the platform's description.
Fallo FalloDelSistema(DWORD nError);

#endif
