// Properties: no input makes either side read or write out of bounds, leak
// or free what it does not own; a request the library encodes is accepted by
// the helper, and the helper's answer by the library, with every block the
// pretend source handed over arriving byte for byte.
#include "bridge_exercise.h"

#include "wire.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace zelfuzz {
namespace {

using namespace zel::puente;

struct Triplete {
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
};

constexpr Triplete kTripletes[] = {
    {DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT},     {DG_CONTROL, DAT_PARENT, MSG_OPENDSM},
    {DG_CONTROL, DAT_STATUS, MSG_GET},           {DG_CONTROL, DAT_CAPABILITY, MSG_GET},
    {DG_CONTROL, DAT_CAPABILITY, MSG_SET},       {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER}, {DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET},
    {DG_CONTROL, DAT_CUSTOMDSDATA, MSG_GET},     {DG_CONTROL, DAT_CUSTOMDSDATA, MSG_SET},
    {DG_IMAGE, DAT_IMAGEINFO, MSG_GET},          {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET},
    {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET},       {DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET},
    {DG_IMAGE, DAT_PALETTE8, MSG_GET},
};
constexpr size_t kTira = 4096;

// The bulk as the channel takes it: attached bytes are read only once the
// answer is out, so the helper must keep them alive until then.
class BultoEnVector : public DestinoBulto {
  public:
    uint8_t *Reservar(size_t n) override {
        bytes.resize(n);
        return bytes.data();
    }
    bool Adjuntar(std::span<const uint8_t> datos) override {
        adjunto = datos;
        return true;
    }
    void Enviar() {
        if (!adjunto.empty())
            bytes.assign(adjunto.begin(), adjunto.end());
        adjunto = {};
    }
    std::vector<uint8_t> bytes;
    std::span<const uint8_t> adjunto;
};

HGLOBAL Bloque(std::span<const uint8_t> bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size() ? bytes.size() : 1);
    if (h && !bytes.empty()) {
        std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
        GlobalUnlock(h);
    }
    return h;
}

bool MismoBloque(HGLOBAL h, std::span<const uint8_t> bytes) {
    if (!h || GlobalSize(h) != bytes.size())
        return false;
    bool igual = std::memcmp(GlobalLock(h), bytes.data(), bytes.size()) == 0;
    GlobalUnlock(h);
    return igual;
}

// The block an answer gave the library, which it now owns.
HGLOBAL BloqueRecibido(const Triplete &t, uint8_t *registro) {
    if (t.dat == DAT_IMAGENATIVEXFER)
        return *reinterpret_cast<TW_HANDLE *>(registro);
    if (t.dat == DAT_CAPABILITY && t.msg != MSG_SET)
        return reinterpret_cast<pTW_CAPABILITY>(registro)->hContainer;
    if (t.dat == DAT_CUSTOMDSDATA && t.msg != MSG_SET)
        return reinterpret_cast<pTW_CUSTOMDSDATA>(registro)->hData;
    return 0;
}

// The library's record as a host would fill it: the fuzz bytes, with every
// handle and pointer replaced by a real one.
void Sanear(const Triplete &t, uint8_t *registro, std::span<const uint8_t> resto,
            std::vector<uint8_t> &tira, HGLOBAL &propio) {
    if (t.dat == DAT_CAPABILITY) {
        auto *cap = reinterpret_cast<pTW_CAPABILITY>(registro);
        cap->hContainer = propio = t.msg == MSG_SET ? Bloque(resto) : 0;
    } else if (t.dat == DAT_CUSTOMDSDATA) {
        auto *custom = reinterpret_cast<pTW_CUSTOMDSDATA>(registro);
        custom->hData = propio = t.msg == MSG_SET ? Bloque(resto) : 0;
        custom->InfoLength = t.msg == MSG_SET ? TW_UINT32(GlobalSize(propio)) : 0;
    } else if (t.dat == DAT_IMAGEMEMXFER) {
        auto *xfer = reinterpret_cast<pTW_IMAGEMEMXFER>(registro);
        tira.resize(kTira);
        xfer->Memory = {TWMF_APPOWNS | TWMF_POINTER, kTira, tira.data()};
    }
}

// What a source does with the helper's record: hands over a block made of
// the fuzz bytes, or writes them into the strip.
void Fuente(const Triplete &t, Peticion &p, std::span<const uint8_t> resto) {
    auto *registro = static_cast<uint8_t *>(p.datos());
    if (!registro)
        return;
    if (resto.empty())
        return;
    if (t.dat == DAT_IMAGENATIVEXFER) {
        *reinterpret_cast<TW_HANDLE *>(registro) = Bloque(resto);
    } else if (t.dat == DAT_CAPABILITY && t.msg != MSG_SET) {
        reinterpret_cast<pTW_CAPABILITY>(registro)->hContainer = Bloque(resto);
    } else if (t.dat == DAT_IMAGEMEMXFER) {
        auto *xfer = reinterpret_cast<pTW_IMAGEMEMXFER>(registro);
        size_t n = std::min<size_t>(resto.size(), xfer->Memory.Length);
        if (n)
            std::memcpy(xfer->Memory.TheMem, resto.data(), n);
        xfer->BytesWritten = TW_UINT32(resto.size()); // may claim more than it wrote
    }
}

std::string IdaYVuelta(const Triplete &t, std::span<const uint8_t> datos) {
    alignas(8) uint8_t registro[1100] = {};
    std::memcpy(registro, datos.data(), std::min(datos.size(), sizeof registro));
    std::vector<uint8_t> tira;
    HGLOBAL propio = 0;
    Sanear(t, registro, datos, tira, propio);
    std::vector<uint8_t> sobre, bulto;
    TW_IDENTITY origen{};
    if (!CodificarPeticion(&origen, nullptr, t.dg, t.dat, t.msg, registro, sobre, bulto))
        return "the library refused a carried triplet";
    std::string fallo;
    {
        Peticion p;
        if (!p.Leer(sobre, bulto))
            return "the helper refused the library's request";
        if (propio && !MismoBloque(p.dat() == DAT_CAPABILITY
                                       ? reinterpret_cast<pTW_CAPABILITY>(p.datos())->hContainer
                                       : reinterpret_cast<pTW_CUSTOMDSDATA>(p.datos())->hData,
                                   std::span(bulto)))
            fallo = "the lent block differs from the library's";
        Fuente(t, p, datos);
        BultoEnVector vuelta;
        TW_UINT16 rc = 0;
        if (!p.Responder(TWRC_XFERDONE, sobre, vuelta))
            return "the helper could not answer";
        vuelta.Enviar();
        // A reserve made for a page of this size, or of another (odd lengths).
        size_t tamReserva = datos.size() + datos.size() % 2;
        Reserva reserva{tamReserva ? GlobalAlloc(GMEM_MOVEABLE, tamReserva) : 0, tamReserva};
        const HGLOBAL hReserva = reserva.bloque;
        if (!LeerRespuesta(t.dg, t.dat, t.msg, registro, sobre, vuelta.bytes, rc, &reserva) ||
            rc != TWRC_XFERDONE)
            fallo = "the library refused the helper's answer";
        if (reserva.bloque)
            GlobalFree(reserva.bloque);
        else if (hReserva && BloqueRecibido(t, registro) != hReserva)
            fallo = "the reserve was taken but the page is elsewhere";
        if (!fallo.empty())
            return fallo;
        size_t escrito = std::min(datos.size(), kTira);
        if (t.dat == DAT_IMAGEMEMXFER && std::memcmp(tira.data(), datos.data(), escrito) != 0)
            fallo = "the strip arrived changed";
        HGLOBAL recibido = BloqueRecibido(t, registro);
        bool entregado = !datos.empty() && (t.dat == DAT_IMAGENATIVEXFER ||
                                            (t.dat == DAT_CAPABILITY && t.msg != MSG_SET));
        if (entregado != (recibido != 0))
            fallo = "a block the source handed over was lost, or one came from nowhere";
        else if (recibido && !MismoBloque(recibido, datos))
            fallo = "a block the source handed over arrived changed";
        if (recibido)
            GlobalFree(recibido);
    }
    if (propio)
        GlobalFree(propio);
    return fallo;
}

void RespuestaArbitraria(const Triplete &t, std::span<const uint8_t> sobre,
                         std::span<const uint8_t> bulto) {
    alignas(8) uint8_t registro[1100] = {};
    std::vector<uint8_t> tira;
    HGLOBAL propio = 0;
    Sanear(t, registro, {}, tira, propio);
    TW_UINT16 rc = 0;
    if (LeerRespuesta(t.dg, t.dat, t.msg, registro, sobre, bulto, rc))
        if (HGLOBAL h = BloqueRecibido(t, registro))
            GlobalFree(h);
}

std::string PeticionArbitraria(std::span<const uint8_t> sobre, std::span<const uint8_t> bulto) {
    Peticion p;
    std::vector<uint8_t> respuesta;
    BultoEnVector vuelta;
    if (p.Leer(sobre, bulto) && !p.Responder(TWRC_SUCCESS, respuesta, vuelta))
        return "the helper could not answer a request it accepted";
    return {};
}

} // namespace

std::string ExerciseBridgeBytes(const uint8_t *data, size_t size) {
    if (size < 4)
        return {};
    const Triplete &t = kTripletes[data[0] % std::size(kTripletes)];
    std::span<const uint8_t> resto(data + 4, size - 4);
    size_t corte = std::min<size_t>(data[2] | data[3] << 8, resto.size());
    switch (data[1] % 3) {
    case 0:
        RespuestaArbitraria(t, resto.first(corte), resto.subspan(corte));
        return {};
    case 1:
        return PeticionArbitraria(resto.first(corte), resto.subspan(corte));
    default:
        return IdaYVuelta(t, resto);
    }
}

} // namespace zelfuzz
