// The composite manager: the local manager and the helper's behind one
// DSM_Entry.  Their sources make one list, the local ones first and a helper
// source that repeats a local one left out (the local driver is preferred);
// every triplet goes to the side that holds what it names.
#include "bridge/bridge.h"
#include "bridge/selection_dialog.h"

#include <cstring>
#include <optional>
#include <vector>

namespace zel {
namespace {

// Propio: the composite answered the triplet itself.
enum class Lado { Local, Remoto, Propio };

struct Fuente {
    Lado lado;
    TW_IDENTITY identidad;
};

struct Manejador {
    DSMENTRYPROC entrada = nullptr;
    bool abierto = false;
};

struct Compuesto {
    Manejador local, remoto;
    // The application as the caller names it, and as the helper's manager
    // knows it (with the Id that manager gave it).
    pTW_IDENTITY origen = nullptr;
    TW_IDENTITY appRemota{};
    HWND padre = 0;
    std::vector<Fuente> lista; // the last list walked
    size_t siguiente = 0;
    std::vector<Fuente> abiertas;
    Lado ultimo = Lado::Local; // the side of the last triplet without destination
    TW_UINT16 condicion = TWCC_SUCCESS;
};

Compuesto c;

// The source chosen in the composite's own dialog: the default from then on
// while a side lists it, for the life of the process, as a manager keeps the
// choice made in its own dialog.
std::optional<Fuente> elegida;

#ifdef _WIN32
DialogoSeleccion dialogo = MostrarSeleccion;
#else
DialogoSeleccion dialogo = nullptr;
#endif

// Bound of a walk through one side's list, against a manager whose
// MSG_GETNEXT never ends.
constexpr int kMaxFuentes = 256;

Manejador &De(Lado lado) {
    return lado == Lado::Remoto ? c.remoto : c.local;
}

// The side that answers what no other rule routes: an open one, the local
// first; with none open, the one that exists.
Lado Principal() {
    if (c.local.abierto)
        return Lado::Local;
    if (c.remoto.abierto || !c.local.entrada)
        return Lado::Remoto;
    return Lado::Local;
}

TW_UINT16 Propio(TW_UINT16 rc, TW_UINT16 cc) {
    c.ultimo = Lado::Propio;
    c.condicion = cc;
    return rc;
}

TW_UINT16 Enviar(Lado lado, pTW_IDENTITY destino, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                 TW_MEMREF datos) {
    DSMENTRYPROC entrada = De(lado).entrada;
    if (!entrada)
        return Propio(TWRC_FAILURE, TWCC_BUMMER);
    if (!destino)
        c.ultimo = lado;
    pTW_IDENTITY origen = lado == Lado::Remoto ? &c.appRemota : c.origen;
    return entrada(origen, destino, DG, DAT, MSG, datos);
}

TW_UINT16 Identidad(Lado lado, TW_UINT16 MSG, TW_MEMREF datos) {
    return Enviar(lado, nullptr, DG_CONTROL, DAT_IDENTITY, MSG, datos);
}

bool MismoCampo(const TW_STR32 a, const TW_STR32 b) {
    return std::strncmp(a, b, sizeof(TW_STR32)) == 0;
}

bool MismosNombres(const TW_IDENTITY &a, const TW_IDENTITY &b) {
    return MismoCampo(a.ProductName, b.ProductName) && MismoCampo(a.Manufacturer, b.Manufacturer) &&
           MismoCampo(a.ProductFamily, b.ProductFamily);
}

bool MismaFuente(const TW_IDENTITY &a, const TW_IDENTITY &b) {
    return a.Id == b.Id && MismosNombres(a, b);
}

// ---- The list ----

const Fuente *Buscar(Lado lado, const TW_IDENTITY &identidad) {
    for (const Fuente &f : c.lista)
        if (f.lado == lado && MismosNombres(f.identidad, identidad))
            return &f;
    return nullptr;
}

// An identity of the list: by Id and names, else by names alone (an
// identity kept from before the helper was started again).
const Fuente *EnLista(const TW_IDENTITY &identidad) {
    for (const Fuente &f : c.lista)
        if (MismaFuente(f.identidad, identidad))
            return &f;
    for (const Fuente &f : c.lista)
        if (MismosNombres(f.identidad, identidad))
            return &f;
    return nullptr;
}

// Appends one side's sources to the list; false when its MSG_GETFIRST fails.
bool Recorrer(Lado lado) {
    TW_IDENTITY identidad{};
    TW_UINT16 rc = Identidad(lado, MSG_GETFIRST, &identidad);
    if (rc == TWRC_FAILURE)
        return false;
    for (int i = 0; rc == TWRC_SUCCESS && i < kMaxFuentes; ++i) {
        if (lado == Lado::Remoto && Buscar(Lado::Local, identidad))
            OutputDebugStringA("ZELTW: a helper's source repeats a local one: left out.\n");
        else
            c.lista.push_back({lado, identidad});
        rc = Identidad(lado, MSG_GETNEXT, &identidad);
    }
    return true;
}

// Once the helper has died its side fails MSG_GETFIRST: opening it again
// starts a new helper.
bool ReabrirRemoto() {
    OutputDebugStringA("ZELTW: the helper's side cannot list its sources: opening it again.\n");
    return Enviar(Lado::Remoto, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &c.padre) ==
           TWRC_SUCCESS;
}

void Listar() {
    c.lista.clear();
    if (c.local.abierto)
        Recorrer(Lado::Local);
    if (c.remoto.abierto && !Recorrer(Lado::Remoto) && ReabrirRemoto())
        Recorrer(Lado::Remoto);
}

TW_UINT16 Siguiente(pTW_IDENTITY datos) {
    if (c.siguiente >= c.lista.size())
        return Propio(TWRC_ENDOFLIST, TWCC_SUCCESS);
    *datos = c.lista[c.siguiente++].identidad;
    return Propio(TWRC_SUCCESS, TWCC_SUCCESS);
}

// ---- The default source ----

// The local manager's default when it lists any source, else the helper's.
Lado LadoXDefecto() {
    TW_IDENTITY primera{};
    if (!c.remoto.abierto)
        return Principal();
    if (c.local.abierto && Identidad(Lado::Local, MSG_GETFIRST, &primera) == TWRC_SUCCESS)
        return Lado::Local;
    return Lado::Remoto;
}

// The source chosen in the composite's dialog, in the current list.
const Fuente *ElegidaEnLista() {
    return elegida ? Buscar(elegida->lado, elegida->identidad) : nullptr;
}

TW_UINT16 XDefecto(pTW_IDENTITY datos) {
    if (elegida)
        Listar();
    if (const Fuente *f = ElegidaEnLista()) {
        *datos = f->identidad;
        return Propio(TWRC_SUCCESS, TWCC_SUCCESS);
    }
    return Identidad(LadoXDefecto(), MSG_GETDEFAULT, datos);
}

// The position of the default source in the current list; 0 when it is not
// there.
int PosicionXDefecto() {
    const Fuente *f = ElegidaEnLista();
    if (!f) {
        TW_IDENTITY identidad{};
        Lado lado = LadoXDefecto();
        if (Identidad(lado, MSG_GETDEFAULT, &identidad) == TWRC_SUCCESS)
            f = Buscar(lado, identidad);
    }
    return f ? int(f - c.lista.data()) : 0;
}

// ---- Selection ----

bool HayRemotas() {
    for (const Fuente &f : c.lista)
        if (f.lado == Lado::Remoto)
            return true;
    return false;
}

TW_UINT16 DialogoPropio(pTW_IDENTITY datos) {
    std::vector<std::string> nombres;
    for (const Fuente &f : c.lista)
        nombres.emplace_back(f.identidad.ProductName,
                             strnlen(f.identidad.ProductName, sizeof(TW_STR32)));
    int marcado = PosicionXDefecto();
    OutputDebugStringA("ZELTW: the helper adds sources: the library's selection dialog.\n");
    int elegido = dialogo ? dialogo(c.padre, nombres, marcado) : kSeleccionSinDialogo;
    if (elegido == kSeleccionCancelada)
        return Propio(TWRC_CANCEL, TWCC_SUCCESS);
    if (elegido < 0 || size_t(elegido) >= c.lista.size()) {
        OutputDebugStringA("ZELTW: the selection dialog gave no source.\n");
        return Propio(TWRC_FAILURE, TWCC_BUMMER);
    }
    elegida = c.lista[size_t(elegido)];
    *datos = elegida->identidad;
    return Propio(TWRC_SUCCESS, TWCC_SUCCESS);
}

// The library's dialog only when the helper adds a source to the local
// list; else the local manager's own, whose choice then prevails.
TW_UINT16 Seleccionar(pTW_IDENTITY datos) {
    Listar();
    if (HayRemotas())
        return DialogoPropio(datos);
    TW_UINT16 rc = Identidad(c.local.abierto ? Lado::Local : Lado::Remoto, MSG_USERSELECT, datos);
    if (rc == TWRC_SUCCESS)
        elegida.reset();
    return rc;
}

// ---- Sources ----

// The side of an identity to open: a zeroed one names the default; any
// other is looked up in the last list, walked again when it is not there.
Lado LadoDeApertura(TW_IDENTITY &identidad) {
    if (identidad.ProductName[0] == '\0') {
        if (elegida)
            Listar();
        const Fuente *f = ElegidaEnLista();
        if (!f)
            return LadoXDefecto();
        identidad = f->identidad;
        return f->lado;
    }
    const Fuente *f = EnLista(identidad);
    if (!f) {
        Listar();
        f = EnLista(identidad);
    }
    return f ? f->lado : LadoXDefecto();
}

TW_UINT16 AbrirFuente(pTW_IDENTITY datos) {
    Lado lado = LadoDeApertura(*datos);
    OutputDebugStringA(lado == Lado::Remoto ? "ZELTW: the source opens on the helper's side.\n"
                                            : "ZELTW: the source opens on the local side.\n");
    TW_UINT16 rc = Identidad(lado, MSG_OPENDS, datos);
    if (rc == TWRC_SUCCESS)
        c.abiertas.push_back({lado, *datos});
    return rc;
}

std::vector<Fuente>::iterator Abierta(const TW_IDENTITY &identidad) {
    auto it = c.abiertas.begin();
    while (it != c.abiertas.end() && !MismaFuente(it->identidad, identidad))
        ++it;
    return it;
}

TW_UINT16 CerrarFuente(pTW_IDENTITY datos) {
    auto it = Abierta(*datos);
    bool conocida = it != c.abiertas.end();
    TW_UINT16 rc = Identidad(conocida ? it->lado : Principal(), MSG_CLOSEDS, datos);
    if (rc == TWRC_SUCCESS && conocida)
        c.abiertas.erase(it);
    return rc;
}

TW_UINT16 AFuente(pTW_IDENTITY destino, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                  TW_MEMREF datos) {
    auto it = Abierta(*destino);
    Lado lado = it != c.abiertas.end() ? it->lado : Principal();
    return Enviar(lado, destino, DG, DAT, MSG, datos);
}

TW_UINT16 TripleteIdentidad(TW_UINT16 MSG, pTW_IDENTITY datos) {
    if (!datos || (!c.local.abierto && !c.remoto.abierto))
        return Identidad(Principal(), MSG, datos);
    switch (MSG) {
    case MSG_GETFIRST:
        Listar();
        c.siguiente = 0;
        return Siguiente(datos);
    case MSG_GETNEXT:
        return Siguiente(datos);
    case MSG_GETDEFAULT:
        return XDefecto(datos);
    case MSG_USERSELECT:
        return Seleccionar(datos);
    case MSG_OPENDS:
        return AbrirFuente(datos);
    case MSG_CLOSEDS:
        return CerrarFuente(datos);
    }
    return Identidad(Principal(), MSG, datos);
}

// ---- The managers ----

TW_UINT16 Padre(Lado lado, TW_UINT16 MSG, TW_MEMREF datos) {
    return Enviar(lado, nullptr, DG_CONTROL, DAT_PARENT, MSG, datos);
}

// The local manager first, then the helper's; a helper that cannot start
// leaves the local side alone.  Success when either side opens.
TW_UINT16 AbrirManejadores(TW_MEMREF datos) {
    if (c.local.abierto || c.remoto.abierto)
        return Propio(TWRC_FAILURE, TWCC_SEQERROR);
    if (!c.origen || !datos)
        return Propio(TWRC_FAILURE, TWCC_BADVALUE);
    c.padre = *static_cast<HWND *>(datos);
    c.appRemota = *c.origen;
    TW_UINT16 rcLocal = c.local.entrada ? Padre(Lado::Local, MSG_OPENDSM, datos) : TWRC_FAILURE;
    c.local.abierto = c.local.entrada && rcLocal == TWRC_SUCCESS;
    TW_UINT16 rcRemoto = Padre(Lado::Remoto, MSG_OPENDSM, datos);
    c.remoto.abierto = rcRemoto == TWRC_SUCCESS;
    if (!c.remoto.abierto)
        OutputDebugStringA("ZELTW: the helper's manager does not open: its side is left out.\n");
    if (c.local.abierto || (!c.remoto.abierto && c.local.entrada)) {
        c.ultimo = Lado::Local;
        return rcLocal;
    }
    return rcRemoto;
}

// Closes one side when it is open; TWRC_SUCCESS when it is closed now.
TW_UINT16 CerrarLado(Lado lado, TW_MEMREF datos) {
    Manejador &m = De(lado);
    if (!m.abierto)
        return TWRC_SUCCESS;
    TW_UINT16 rc = Padre(lado, MSG_CLOSEDSM, datos);
    m.abierto = rc != TWRC_SUCCESS;
    return rc;
}

// Both sides close; the first refusal, the local one's before the helper's,
// is the answer.
TW_UINT16 CerrarManejadores(TW_MEMREF datos) {
    if (!c.local.abierto && !c.remoto.abierto)
        return Padre(Principal(), MSG_CLOSEDSM, datos);
    TW_UINT16 rcRemoto = CerrarLado(Lado::Remoto, datos);
    TW_UINT16 rcLocal = CerrarLado(Lado::Local, datos);
    if (rcLocal != TWRC_SUCCESS)
        return rcLocal;
    if (rcRemoto != TWRC_SUCCESS)
        c.ultimo = Lado::Remoto;
    return rcRemoto;
}

TW_UINT16 TripletePadre(TW_UINT16 MSG, TW_MEMREF datos) {
    if (MSG == MSG_OPENDSM)
        return AbrirManejadores(datos);
    if (MSG == MSG_CLOSEDSM)
        return CerrarManejadores(datos);
    return Padre(Principal(), MSG, datos);
}

// DAT_STATUS without destination: the side of the last triplet without
// one, or the composite's own condition when it answered that one.
TW_UINT16 Estado(TW_UINT16 MSG, TW_MEMREF datos) {
    if (c.ultimo != Lado::Propio)
        return Enviar(c.ultimo, nullptr, DG_CONTROL, DAT_STATUS, MSG, datos);
    if (MSG != MSG_GET || !datos)
        return Propio(TWRC_FAILURE, MSG != MSG_GET ? TWCC_BADPROTOCOL : TWCC_BADVALUE);
    auto *estado = static_cast<pTW_STATUS>(datos);
    estado->ConditionCode = c.condicion;
    estado->Reserved = 0;
    return Propio(TWRC_SUCCESS, TWCC_SUCCESS);
}

} // namespace

void PonLados(DSMENTRYPROC local, DSMENTRYPROC remota) {
    c = Compuesto{};
    c.local.entrada = local;
    c.remoto.entrada = remota;
    c.ultimo = Principal();
}

void PonDialogoSeleccion(DialogoSeleccion nuevo) {
    dialogo = nuevo;
}

TW_UINT16 WINAPI EntradaCompuesta(pTW_IDENTITY origen, pTW_IDENTITY destino, TW_UINT32 DG,
                                  TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF datos) {
    c.origen = origen;
    if (destino)
        return AFuente(destino, DG, DAT, MSG, datos);
    if (DG == DG_CONTROL && DAT == DAT_PARENT)
        return TripletePadre(MSG, datos);
    if (DG == DG_CONTROL && DAT == DAT_IDENTITY)
        return TripleteIdentidad(MSG, static_cast<pTW_IDENTITY>(datos));
    if (DG == DG_CONTROL && DAT == DAT_STATUS)
        return Estado(MSG, datos);
    return Enviar(Principal(), nullptr, DG, DAT, MSG, datos);
}

} // namespace zel
