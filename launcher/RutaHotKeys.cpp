// The folder of the running program and the command that starts the hot-key
// program from it.
#include "RutaHotKeys.h"

#include <vector>

namespace {

constexpr char kProgramaHotKeys[] = "ZelHotKeysExp.exe";
constexpr char kSwitchPanel[] = " -pc";
// Longest path the system can return for a module.
constexpr DWORD kRutaMaxima = 32768;

// Windows paths use "\" only; this system's own paths use "/" as well.
bool EsSeparador(char c) {
#ifdef _WIN32
    return c == '\\';
#else
    return c == '\\' || c == '/';
#endif
}

// The separator to insert after a folder: "\" unless the folder itself is
// written with "/", as paths of this system's own folder tree are.
char SeparadorDe(std::string_view sCarpeta) {
    for (size_t i = sCarpeta.size(); i-- > 0;)
        if (EsSeparador(sCarpeta[i]))
            return sCarpeta[i];
    return '\\';
}

} // namespace

std::string CarpetaDeRuta(std::string_view sRutaPrograma) {
    size_t nUltimo = std::string_view::npos;
    for (size_t i = sRutaPrograma.size(); i-- > 0;)
        if (EsSeparador(sRutaPrograma[i])) {
            nUltimo = i;
            break;
        }
    if (nUltimo == std::string_view::npos)
        return std::string();
    const bool bRaizArbol = nUltimo == 0;
    const bool bRaizUnidad = nUltimo == 2 && sRutaPrograma[1] == ':';
    return std::string(sRutaPrograma.substr(0, bRaizArbol || bRaizUnidad ? nUltimo + 1 : nUltimo));
}

// The path is quoted in the command line so that a folder with blanks
// ("D:\Mis Programas") still gives the program the single argument -pc, and
// it is also passed on its own so that the system never searches for it.
ComandoHotKeys ComandoEnCarpeta(std::string_view sCarpeta) {
    std::string sAplicacion(sCarpeta);
    if (!sAplicacion.empty() && !EsSeparador(sAplicacion.back()))
        sAplicacion += SeparadorDe(sCarpeta);
    sAplicacion += kProgramaHotKeys;
    return ComandoHotKeys{sAplicacion, '"' + sAplicacion + '"' + kSwitchPanel};
}

std::optional<Fallo> CarpetaDelPrograma(std::string &sCarpeta) {
    // A path longer than the buffer comes back cut to the buffer's size, so
    // the buffer grows until the whole path fits.
    for (DWORD nTamano = MAX_PATH;;
         nTamano = nTamano * 2 < kRutaMaxima ? nTamano * 2 : kRutaMaxima) {
        std::vector<char> ruta(nTamano, '\0');
        const DWORD nLargo = GetModuleFileNameA(0, ruta.data(), nTamano);
        if (nLargo == 0)
            return FalloDelSistema(GetLastError());
        if (nLargo < nTamano) {
            sCarpeta = CarpetaDeRuta(std::string_view(ruta.data(), nLargo));
            // A path without a folder would let the system search for the
            // program (current folder first) instead of taking it from ours.
            if (sCarpeta.empty())
                return FalloDelSistema(ERROR_PATH_NOT_FOUND);
            return std::nullopt;
        }
        if (nTamano == kRutaMaxima)
            return FalloDelSistema(ERROR_INSUFFICIENT_BUFFER);
    }
}
