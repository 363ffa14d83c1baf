// The helper's manager as a DSM_Entry: each triplet is encoded, sent to the
// helper and answered from its reply.  Events are answered here from the
// messages the helper posts; after the helper died the closing triplets
// succeed here so that the session walks its state down.
#include <vector>

#include "bridge/bridge.h"
#include "bridge/helper_process.h"
#include "session/session.h"
#include "channel.h"

namespace zel {

namespace {

// The condition DAT_STATUS reports after a triplet failed here, without the
// helper; 0 once a triplet reached it.
TW_UINT16 condicionLocal = 0;

TW_UINT16 FallarAqui(TW_UINT16 condicion) {
    condicionLocal = condicion;
    return TWRC_FAILURE;
}

bool Es(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 dat) {
    return DG == DG_CONTROL && DAT == dat;
}

bool EsCierre(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG) {
    return (Es(DG, DAT, DAT_USERINTERFACE) && MSG == MSG_DISABLEDS) ||
           (Es(DG, DAT, DAT_IDENTITY) && MSG == MSG_CLOSEDS) ||
           (Es(DG, DAT, DAT_PARENT) && MSG == MSG_CLOSEDSM) ||
           (Es(DG, DAT, DAT_PENDINGXFERS) && (MSG == MSG_ENDXFER || MSG == MSG_RESET));
}

// Whether a source of the helper's is open: when the helper ends, the
// session hears once that its source ended with it.
bool fuenteAbierta = false;

void SeguirApertura(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_UINT16 rc) {
    if (Es(DG, DAT, DAT_IDENTITY) && MSG == MSG_OPENDS && rc == TWRC_SUCCESS)
        fuenteAbierta = true;
    else if ((Es(DG, DAT, DAT_IDENTITY) && MSG == MSG_CLOSEDS && rc == TWRC_SUCCESS) ||
             (Es(DG, DAT, DAT_PARENT) && MSG == MSG_CLOSEDSM && rc == TWRC_SUCCESS))
        fuenteAbierta = false;
}

void NotarFinDeFuente() {
    if (fuenteAbierta)
        FuenteTerminada();
    fuenteAbierta = false;
}

// The source is gone: nothing is pending, nothing is open.
TW_UINT16 CerrarAqui(TW_UINT16 DAT, TW_MEMREF datos) {
    if (DAT == DAT_PENDINGXFERS && datos)
        static_cast<pTW_PENDINGXFERS>(datos)->Count = 0;
    PonVentanaHabilitada(0);
    return TWRC_SUCCESS;
}

bool EsEventoDeFuente(WPARAM mensaje) {
    return mensaje == MSG_XFERREADY || mensaje == MSG_CLOSEDSREQ || mensaje == MSG_CLOSEDSOK;
}

TW_UINT16 ResponderEvento(TW_MEMREF datos) {
    auto *evento = static_cast<pTW_EVENT>(datos);
    if (!evento)
        return TWRC_NOTDSEVENT;
    auto *mensaje = static_cast<const MSG *>(evento->pEvent);
    bool nuestro =
        mensaje && mensaje->message == MensajeEventoPuente() && EsEventoDeFuente(mensaje->wParam);
    evento->TWMessage = nuestro ? TW_UINT16(mensaje->wParam) : MSG_NULL;
    return nuestro ? TWRC_DSEVENT : TWRC_NOTDSEVENT;
}

TW_UINT16 ResponderEstado(TW_MEMREF datos) {
    auto *estado = static_cast<pTW_STATUS>(datos);
    if (!estado)
        return TWRC_FAILURE;
    estado->ConditionCode = condicionLocal ? condicionLocal : TWCC_BUMMER;
    estado->Reserved = 0;
    return TWRC_SUCCESS;
}

// Keeps the window of the enabled source for the death notice.
void SeguirHabilitacion(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF datos, TW_UINT16 rc) {
    bool exito = rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS;
    bool habilita = MSG == MSG_ENABLEDS || MSG == MSG_ENABLEDSUIONLY;
    if (Es(DG, DAT, DAT_USERINTERFACE) && habilita && exito && datos)
        PonVentanaHabilitada(static_cast<HWND>(static_cast<pTW_USERINTERFACE>(datos)->hParent));
    else if (EsCierre(DG, DAT, MSG) && DAT != DAT_PENDINGXFERS && exito)
        PonVentanaHabilitada(0);
}

// A native page's block, made for the size of the page before while the
// helper scans this one (at its DAT_IMAGEINFO, which comes first): the copy
// of the page then lands in memory whose pages are in place, the larger part
// of the copy's cost.  The page's transfer takes the block, or frees it; any
// other triplet frees it too.
struct ReservaDePagina {
    puente::Reserva reserva;
    size_t tamUltima = 0;
};
ReservaDePagina pagina;

bool EsImagen(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_UINT16 dat) {
    return DG == DG_IMAGE && DAT == dat && MSG == MSG_GET;
}

void SoltarReserva() {
    if (pagina.reserva.bloque)
        GlobalFree(pagina.reserva.bloque);
    pagina.reserva = {};
}

void HacerReserva() {
    size_t tam = pagina.tamUltima;
    if (pagina.reserva.bloque || tam == 0)
        return;
    pagina.reserva = {GlobalAlloc(GMEM_MOVEABLE, tam), tam};
    auto *p = pagina.reserva.bloque
                  ? static_cast<volatile uint8_t *>(GlobalLock(pagina.reserva.bloque))
                  : nullptr;
    if (!p)
        return;
    for (size_t i = 0; i < tam; i += 4096)
        p[i] = 0;
    GlobalUnlock(pagina.reserva.bloque);
}

// After the request went out, while the helper works on it.
void MientrasResponde(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG) {
    if (EsImagen(DG, DAT, MSG, DAT_IMAGEINFO))
        HacerReserva();
    else if (!EsImagen(DG, DAT, MSG, DAT_IMAGENATIVEXFER))
        SoltarReserva();
}

puente::Reserva *ReservaPara(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG) {
    return EsImagen(DG, DAT, MSG, DAT_IMAGENATIVEXFER) ? &pagina.reserva : nullptr;
}

// The reserve's bytes, locked while the answer comes in: the channel copies
// a page of the reserve's size there while the helper writes it.
class ReservaFijada {
  public:
    explicit ReservaFijada(const puente::Reserva *reserva)
        : bloque_(reserva ? reserva->bloque : 0) {
        auto *p = bloque_ ? static_cast<uint8_t *>(GlobalLock(bloque_)) : nullptr;
        bytes_ = p ? std::span(p, reserva->tam) : std::span<uint8_t>();
    }
    ReservaFijada(const ReservaFijada &) = delete;
    ReservaFijada &operator=(const ReservaFijada &) = delete;
    ~ReservaFijada() {
        if (!bytes_.empty())
            GlobalUnlock(bloque_);
    }
    std::span<uint8_t> bytes() const { return bytes_; }

  private:
    HGLOBAL bloque_;
    std::span<uint8_t> bytes_;
};

// Receives the helper's answer into the caller's record; the reason when it
// cannot.
const char *Recoger(TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF datos, TW_UINT16 &rc) {
    puente::Reserva *reserva = ReservaPara(DG, DAT, MSG);
    ReservaFijada fijada(reserva);
    uint32_t tipo = 0;
    std::span<const uint8_t> sobre, bulto;
    if (!CanalAyudante()->Recibir(tipo, sobre, bulto, fijada.bytes()))
        return "the channel broke";
    if (tipo != puente::kTramaRespuesta ||
        !puente::LeerRespuesta(DG, DAT, MSG, datos, sobre, bulto, rc, reserva))
        return "malformed answer";
    if (reserva && !bulto.empty())
        pagina.tamUltima = bulto.size();
    return nullptr;
}

TW_UINT16 Cruzar(pTW_IDENTITY origen, pTW_IDENTITY destino, TW_UINT32 DG, TW_UINT16 DAT,
                 TW_UINT16 MSG, TW_MEMREF datos) {
    std::vector<uint8_t> sobre, bulto;
    if (!puente::CodificarPeticion(origen, destino, DG, DAT, MSG, datos, sobre, bulto)) {
        TrazaPuente("triplet refused: the bridge does not carry it");
        return FallarAqui(TWCC_BADPROTOCOL);
    }
    puente::Canal &canal = *CanalAyudante();
    bool enviado = canal.Enviar(puente::kTramaPeticion, sobre, bulto);
    if (!enviado && !canal.Roto()) {
        TrazaPuente("triplet failed: no memory to send its data");
        return FallarAqui(TWCC_LOWMEMORY);
    }
    if (enviado)
        MientrasResponde(DG, DAT, MSG);
    TW_UINT16 rc = TWRC_FAILURE;
    const char *fallo = enviado ? Recoger(DG, DAT, MSG, datos, rc) : "the channel broke";
    if (fallo) {
        AyudanteFallido(fallo);
        NotarFinDeFuente();
        return FallarAqui(TWCC_BUMMER);
    }
    if (ReservaPara(DG, DAT, MSG))
        SoltarReserva();
    condicionLocal = 0;
    SeguirHabilitacion(DG, DAT, MSG, datos, rc);
    SeguirApertura(DG, DAT, MSG, rc);
    return rc;
}

// A triplet while no helper runs: it starts one at MSG_OPENDSM, closes
// here, or fails.
TW_UINT16 SinAyudante(pTW_IDENTITY origen, pTW_IDENTITY destino, TW_UINT32 DG, TW_UINT16 DAT,
                      TW_UINT16 MSG, TW_MEMREF datos) {
    NotarFinDeFuente();
    SoltarReserva();
    if (Es(DG, DAT, DAT_PARENT) && MSG == MSG_OPENDSM) {
        if (!ArrancarAyudante())
            return FallarAqui(TWCC_BUMMER);
        return Cruzar(origen, destino, DG, DAT, MSG, datos);
    }
    if (EsCierre(DG, DAT, MSG))
        return CerrarAqui(DAT, datos);
    TrazaPuente("triplet failed: the helper is not running");
    return FallarAqui(TWCC_BUMMER);
}

} // namespace

TW_UINT16 WINAPI EntradaPuente(pTW_IDENTITY origen, pTW_IDENTITY destino, TW_UINT32 DG,
                               TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF datos) {
    if (Es(DG, DAT, DAT_EVENT) && MSG == MSG_PROCESSEVENT)
        return ResponderEvento(datos);
    bool vivo = AyudanteVivo();
    if (Es(DG, DAT, DAT_STATUS) && (condicionLocal != 0 || !vivo))
        return ResponderEstado(datos);
    if (!vivo)
        return SinAyudante(origen, destino, DG, DAT, MSG, datos);
    return Cruzar(origen, destino, DG, DAT, MSG, datos);
}

} // namespace zel
