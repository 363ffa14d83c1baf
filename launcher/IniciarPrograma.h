// Starting the hot-key program without waiting for it.
#ifndef ZEL_LAUNCHER_INICIARPROGRAMA_H
#define ZEL_LAUNCHER_INICIARPROGRAMA_H

#include "Fallo.h"
#include "RutaHotKeys.h"

#include <optional>

// Starts the command with the show state nMostrar (an SW_* value) and returns
// at once; the failure, when the system refuses, with its description.
std::optional<Fallo> IniciarPrograma(const ComandoHotKeys &comando, WORD nMostrar);

#endif
