// Where the hot-key program lives: the launcher's own folder, and the
// program path and command line built from it.
#ifndef ZEL_LAUNCHER_RUTAHOTKEYS_H
#define ZEL_LAUNCHER_RUTAHOTKEYS_H

#include "Fallo.h"

#include <optional>
#include <string>
#include <string_view>

struct ComandoHotKeys {
    std::string sAplicacion;   // full path of ZelHotKeysExp.exe, started as given
    std::string sLineaComando; // the quoted path, one blank and the switch -pc
};

// The folder of a program file: the path cut at its last separator, which a
// drive root ("D:\") or the root of the folder tree ("/") keeps.
std::string CarpetaDeRuta(std::string_view sRutaPrograma);

// The command that starts the hot-key program from a folder.
ComandoHotKeys ComandoEnCarpeta(std::string_view sCarpeta);

// The folder of the running program, or the failure of asking for it.
std::optional<Fallo> CarpetaDelPrograma(std::string &sCarpeta);

#endif
