// The running helper as the library sees it: its process, its channel, and
// the wait that notices its death.  Windows only; used by remote_entry.cpp.
#pragma once

#include <string>

#include "zeltw32.h"

namespace zel::puente {
class Canal;
}

namespace zel {

// Starts a helper and connects to it; false (traced) when it cannot.
bool ArrancarAyudante();
// Whether a helper runs and its channel holds.
bool AyudanteVivo();
// The running helper's channel (null when none runs).
puente::Canal *CanalAyudante();
// Ends a helper that broke its channel or answered nonsense.
void AyudanteFallido(const char *motivo);
// The window of the enabled source, told MSG_CLOSEDSREQ when the helper
// dies (0 when no source is enabled).
void PonVentanaHabilitada(HWND ventana);
// A line of the bridge's on the debug output: "ZELTW: bridge: <texto>".
void TrazaPuente(const std::string &texto);

} // namespace zel
