// The hand-off to the resident hot-key program ZelHotKeysExp: ask its main
// window to open the control panel, or start the program when it is not
// running.
#ifndef ZEL_LAUNCHER_BASMENSAJEPANELCONTROL_H
#define ZEL_LAUNCHER_BASMENSAJEPANELCONTROL_H

#include <windows.h>

// Identifier of the registered message that asks for the control panel; 0
// before the registration and after a failed one.
extern LONG lMensajePanelControl;

// Performs one hand-off and shows its failure, if any, in a message box.
// Returns TRUE when the hand-off went through and FALSE after the box.
BOOL EnviarMensajePanelControl();

#endif
