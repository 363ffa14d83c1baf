// The hand-off: post the registered message to the hot-key program's main
// window, or start the program from the launcher's folder with -pc.
#include "basMensajePanelControl.h"

#include "Fallo.h"
#include "IniciarPrograma.h"
#include "RutaHotKeys.h"

#include <exception>
#include <optional>
#include <string>

LONG lMensajePanelControl = 0;

namespace {

constexpr char kTituloVentana[] = "Velisco - HotKeys Corvalia";
constexpr char kClasePrimera[] = "ThunderRT6FormDC";
constexpr char kClaseSegunda[] = "ThunderFormDC";
constexpr char kNombreMensaje[] = "ZelVelisco.ClsEscanVelisco.PanelControl";
constexpr char kTituloPrograma[] = "PanelDeControlVelisco";
// The base number of application-defined errors.
constexpr LONG kErrorRegistro = static_cast<LONG>(0x80040000u);

// The hot-key program's main window: the first class wins when both exist.
HWND BuscarVentanaHotKeys() {
    HWND hVentana = FindWindowA(kClasePrimera, kTituloVentana);
    if (!hVentana)
        hVentana = FindWindowA(kClaseSegunda, kTituloVentana);
    return hVentana;
}

std::optional<Fallo> PedirPanel(HWND hVentana) {
    lMensajePanelControl = static_cast<LONG>(RegisterWindowMessageA(kNombreMensaje));
    if (lMensajePanelControl == 0)
        return Fallo{kErrorRegistro,
                     std::string("RegisterWindowMessage. Error al registrar el mensaje '") +
                         kNombreMensaje + "'"};
    // Posted, not sent: the launcher does not wait for the program, and a
    // window that closed since the look-up is not reported.
    PostMessageA(hVentana, static_cast<UINT>(lMensajePanelControl), 0, 0);
    return std::nullopt;
}

std::optional<Fallo> IniciarHotKeys() {
    std::string sCarpeta;
    if (auto fallo = CarpetaDelPrograma(sCarpeta))
        return fallo;
    return IniciarPrograma(ComandoEnCarpeta(sCarpeta), SW_SHOWNOACTIVATE);
}

std::optional<Fallo> EntregarPeticion() {
    try {
        const HWND hVentana = BuscarVentanaHotKeys();
        return hVentana ? PedirPanel(hVentana) : IniciarHotKeys();
    } catch (const std::exception &) {
        // Running out of memory ends the hand-off like any other failure,
        // described in the system's words.
        return FalloDelSistema(ERROR_NOT_ENOUGH_MEMORY);
    }
}

} // namespace

BOOL EnviarMensajePanelControl() {
    const std::optional<Fallo> fallo = EntregarPeticion();
    if (!fallo)
        return TRUE;
    MessageBoxA(0, fallo->sDescripcion.c_str(), kTituloPrograma, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
}
