// The opening step shared by the one-call acquisitions: the manager and the
// default source, with the reports an acquisition gives when they fail.
#pragma once

#include "zeltw32.h"

namespace zel {

constexpr char kSinManejador[] = "Imposible abrir el dispositivo (TWAIN_32.DLL)";
constexpr char kSinDispositivo[] = "Imposible abrir el dispositivo por defecto.";

// Opens the manager with w as parent and the default source; false, after
// reporting the failure to the user, when either cannot be opened.
bool AbrirParaAdquirir(HWND w);

} // namespace zel
