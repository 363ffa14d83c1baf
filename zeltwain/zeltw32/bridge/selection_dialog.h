// The selection dialog the composite manager shows when the helper's side
// adds sources to the local manager's: one list of both sides' sources.
#pragma once

#include <string>
#include <vector>

#include "zeltw32.h"

namespace zel {

// What a selection dialog answers besides a position in the list.
constexpr int kSeleccionCancelada = -1;
constexpr int kSeleccionSinDialogo = -2;

// Shows `nombres` over `padre` with `marcado` selected first; answers the
// position chosen, kSeleccionCancelada, or kSeleccionSinDialogo when no
// dialog could be shown.
using DialogoSeleccion = int (*)(HWND padre, const std::vector<std::string> &nombres, int marcado);

// The system's dialog (selection_dialog.cpp; Windows only).
int MostrarSeleccion(HWND padre, const std::vector<std::string> &nombres, int marcado);

// The dialog MSG_USERSELECT shows from now on: the system's by default on
// Windows, none elsewhere; tests put their own answer here.
void PonDialogoSeleccion(DialogoSeleccion dialogo);

} // namespace zel
