// The library's requests, one at a time on the main thread: the helper's
// own window stands for the library's as the parent of the manager and the
// sources, and its own application identity for the library's.
#include <cstring>

#include "channel.h"
#include "helper/helper.h"

namespace zel::puente {

namespace {

bool Exito(TW_UINT16 rc) {
    return rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS;
}

bool MismaFuente(const TW_IDENTITY &a, const TW_IDENTITY &b) {
    return a.Id == b.Id;
}

void Olvidar(const TW_IDENTITY &fuente) {
    auto &lista = Estado().habilitadas;
    std::erase_if(lista, [&](const Habilitada &h) { return MismaFuente(h.fuente, fuente); });
}

void Recordar(const TW_IDENTITY &fuente, HWND ventanaBiblioteca) {
    Olvidar(fuente);
    Estado().habilitadas.push_back({fuente, ventanaBiblioteca});
}

// The hidden popup, owned by the library's window so that the sources'
// dialogs stay above the host; made on first need, its owner follows the
// window the library gives.
HWND VentanaPropia(HWND ventanaBiblioteca) {
    Ayudante &estado = Estado();
    HWND duena = IsWindow(ventanaBiblioteca) ? ventanaBiblioteca : 0;
    if (!estado.ventana) {
        estado.ventana = CreateWindowExA(0, "STATIC", "ZELTW32Puente", WS_POPUP, 0, 0, 0, 0, duena,
                                         0, GetModuleHandleA(nullptr), nullptr);
        if (!estado.ventana)
            Traza("no window of its own could be made: error " + std::to_string(GetLastError()));
    } else {
        SetWindowLongPtrA(estado.ventana, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(duena));
    }
    return estado.ventana;
}

TW_UINT16 Llamar(Peticion &peticion) {
    Ayudante &estado = Estado();
    return estado.entrada(&estado.aplicacion, peticion.destino(), peticion.dg(), peticion.dat(),
                          peticion.msg(), peticion.datos());
}

// The first MSG_OPENDSM gives the application's identity; the manager
// assigns its Id at every opening.
void TomarIdentidad(const Peticion &peticion) {
    Ayudante &estado = Estado();
    if (!estado.conIdentidad)
        estado.aplicacion = peticion.origen();
    estado.conIdentidad = true;
    estado.aplicacion.Id = 0;
}

TW_UINT16 EjecutarPadre(Peticion &peticion) {
    auto *ventana = static_cast<HWND *>(peticion.datos());
    if (peticion.msg() == MSG_OPENDSM)
        TomarIdentidad(peticion);
    if (!ventana)
        return Llamar(peticion);
    HWND deBiblioteca = *ventana;
    *ventana = VentanaPropia(deBiblioteca);
    TW_UINT16 rc = Llamar(peticion);
    *ventana = deBiblioteca;
    if (peticion.msg() == MSG_CLOSEDSM && Exito(rc))
        Estado().habilitadas.clear();
    return rc;
}

TW_UINT16 EjecutarInterfaz(Peticion &peticion) {
    auto *interfaz = static_cast<pTW_USERINTERFACE>(peticion.datos());
    if (!interfaz || !peticion.destino())
        return Llamar(peticion);
    HWND deBiblioteca = static_cast<HWND>(interfaz->hParent);
    interfaz->hParent = VentanaPropia(deBiblioteca);
    TW_UINT16 rc = Llamar(peticion);
    interfaz->hParent = deBiblioteca;
    bool habilita = peticion.msg() == MSG_ENABLEDS || peticion.msg() == MSG_ENABLEDSUIONLY;
    if (habilita && Exito(rc))
        Recordar(*peticion.destino(), deBiblioteca);
    else if (peticion.msg() == MSG_DISABLEDS && Exito(rc))
        Olvidar(*peticion.destino());
    return rc;
}

TW_UINT16 Ejecutar(Peticion &peticion) {
    bool control = peticion.dg() == DG_CONTROL;
    if (control && peticion.dat() == DAT_PARENT)
        return EjecutarPadre(peticion);
    if (control && peticion.dat() == DAT_USERINTERFACE)
        return EjecutarInterfaz(peticion);
    TW_UINT16 rc = Llamar(peticion);
    bool cierra = control && peticion.dat() == DAT_IDENTITY && peticion.msg() == MSG_CLOSEDS;
    if (cierra && Exito(rc) && peticion.datos())
        Olvidar(*static_cast<pTW_IDENTITY>(peticion.datos()));
    return rc;
}

// One request and its answer; false when the channel is no longer usable.
bool Atender(Canal &canal, uint32_t tipo, std::span<const uint8_t> sobre,
             std::span<const uint8_t> bulto) {
    Peticion peticion;
    if (tipo != kTramaPeticion || !peticion.Leer(sobre, bulto)) {
        Traza("malformed request");
        return false;
    }
    TW_UINT16 rc = Ejecutar(peticion);
    std::vector<uint8_t> respuesta;
    if (!peticion.Responder(rc, respuesta, canal.Bulto())) {
        Traza("no room for the answer");
        return false;
    }
    return canal.Enviar(kTramaRespuesta, respuesta);
}

} // namespace

void Servir(Canal &canal) {
    uint32_t tipo = 0;
    std::span<const uint8_t> sobre, bulto;
    while (canal.Recibir(tipo, sobre, bulto) && Atender(canal, tipo, sobre, bulto)) {
    }
}

} // namespace zel::puente
