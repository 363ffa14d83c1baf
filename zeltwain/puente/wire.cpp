// The triplet codec of the bridge.  Each DAT has a shape: how its record
// looks on the wire and which block, if any, travels as the bulk.  The
// library writes requests and reads answers; the helper reads requests into
// native records and writes answers.  Both read with a reader that refuses
// to go past the end of what it was given.
#include "wire.h"

#include <cstring>
#include <type_traits>
#include <utility>

namespace zel::puente {
namespace {

// How a DAT's record crosses.
enum class Forma {
    Plano,     // the same bytes in both layouts
    Ventana,   // DAT_PARENT: a window handle
    Ninguno,   // no record (DAT_IMAGEFILEXFER)
    Capacidad, // TW_CAPABILITY and its container
    Interfaz,  // TW_USERINTERFACE and its window handle
    Nativa,    // a DIB handle the source fills
    Memoria,   // TW_IMAGEMEMXFER and its strip
    Personal,  // TW_CUSTOMDSDATA and its block
};

struct Figura {
    TW_UINT16 dat;
    Forma forma;
    uint16_t tam; // the record's bytes on the wire
};

constexpr Figura kFiguras[] = {
    {DAT_IDENTITY, Forma::Plano, sizeof(TW_IDENTITY)},
    {DAT_STATUS, Forma::Plano, sizeof(TW_STATUS)},
    {DAT_PENDINGXFERS, Forma::Plano, sizeof(TW_PENDINGXFERS)},
    {DAT_SETUPMEMXFER, Forma::Plano, sizeof(TW_SETUPMEMXFER)},
    {DAT_SETUPFILEXFER, Forma::Plano, sizeof(TW_SETUPFILEXFER)},
    {DAT_IMAGEINFO, Forma::Plano, sizeof(TW_IMAGEINFO)},
    {DAT_IMAGELAYOUT, Forma::Plano, sizeof(TW_IMAGELAYOUT)},
    {DAT_PALETTE8, Forma::Plano, sizeof(TW_PALETTE8)},
    {DAT_XFERGROUP, Forma::Plano, sizeof(TW_UINT32)},
    {DAT_PARENT, Forma::Ventana, 4},
    {DAT_IMAGEFILEXFER, Forma::Ninguno, 0},
    {DAT_CAPABILITY, Forma::Capacidad, 8},
    {DAT_USERINTERFACE, Forma::Interfaz, 8},
    {DAT_IMAGENATIVEXFER, Forma::Nativa, 4},
    {DAT_IMAGEMEMXFER, Forma::Memoria, 34},
    {DAT_CUSTOMDSDATA, Forma::Personal, 8},
};

const Figura *FiguraDe(TW_UINT16 dat) {
    for (const Figura &f : kFiguras)
        if (f.dat == dat)
            return &f;
    return nullptr;
}

// ---- Bytes ----

class Escritor {
  public:
    explicit Escritor(std::vector<uint8_t> &destino) : destino_(destino) {}
    void Bytes(const void *p, size_t n) {
        size_t usado = destino_.size();
        destino_.resize(usado + n);
        std::memcpy(destino_.data() + usado, p, n);
    }
    void U8(uint8_t v) { destino_.push_back(v); }
    void U16(uint16_t v) { Bytes(&v, 2); }
    void U32(uint32_t v) { Bytes(&v, 4); }

  private:
    std::vector<uint8_t> &destino_;
};

// Reads forward; once a read would pass the end every later read fails too,
// so a caller checks ok() once at the end.
class Lector {
  public:
    explicit Lector(std::span<const uint8_t> datos) : datos_(datos) {}
    void Bytes(void *p, size_t n) {
        if (!ok_ || datos_.size() - pos_ < n) {
            ok_ = false;
            std::memset(p, 0, n);
            return;
        }
        std::memcpy(p, datos_.data() + pos_, n);
        pos_ += n;
    }
    uint8_t U8() { return Leer<uint8_t>(); }
    uint16_t U16() { return Leer<uint16_t>(); }
    uint32_t U32() { return Leer<uint32_t>(); }
    bool ok() const { return ok_; }
    bool Fin() const { return ok_ && pos_ == datos_.size(); }

  private:
    template <typename T> T Leer() {
        T v{};
        Bytes(&v, sizeof v);
        return v;
    }
    std::span<const uint8_t> datos_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Handles cross as their 32-bit values, as Windows keeps window handles
// meaningful across processes within 32 bits.
template <typename H> uint32_t Valor32(H h) {
    if constexpr (std::is_pointer_v<H>)
        return uint32_t(reinterpret_cast<uintptr_t>(h));
    else
        return uint32_t(h);
}
template <typename H> H DeValor32(uint32_t v) {
    if constexpr (std::is_pointer_v<H>)
        return reinterpret_cast<H>(uintptr_t(v));
    else
        return H(v);
}

// ---- Global blocks ----

// The bytes of a global block, or an empty span for a null or unknown
// handle.  The block stays locked until Soltar.
std::span<const uint8_t> Abrir(HGLOBAL h, size_t limite = kMaxBulto) {
    SIZE_T n = h ? GlobalSize(h) : 0;
    void *p = n ? GlobalLock(h) : nullptr;
    if (!p)
        return {};
    return {static_cast<const uint8_t *>(p), n < limite ? size_t(n) : limite};
}
void Soltar(HGLOBAL h, std::span<const uint8_t> bytes) {
    if (!bytes.empty())
        GlobalUnlock(h);
}

// A new movable block holding `bytes`: 0 for none, or when it cannot be had.
HGLOBAL Copia(std::span<const uint8_t> bytes) {
    if (bytes.empty())
        return 0;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    void *p = h ? GlobalLock(h) : nullptr;
    if (!p) {
        if (h)
            GlobalFree(h);
        return 0;
    }
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

// Puts a block's bytes into the bulk; false when there is no room.
bool AlBulto(std::span<const uint8_t> bytes, DestinoBulto &bulto) {
    if (bytes.empty())
        return true;
    uint8_t *p = bulto.Reservar(bytes.size());
    if (p)
        std::memcpy(p, bytes.data(), bytes.size());
    return p != nullptr;
}

bool EsSet(TW_UINT16 msg) {
    return msg == MSG_SET;
}

} // namespace

bool DestinoBulto::Adjuntar(std::span<const uint8_t> bytes) {
    return AlBulto(bytes, *this);
}

// ======== The library's side ========

namespace {

void EscribirMemoria(Escritor &w, const TW_IMAGEMEMXFER &x) {
    w.U16(x.Compression);
    for (TW_UINT32 v : {x.BytesPerRow, x.Columns, x.Rows, x.XOffset, x.YOffset, x.BytesWritten})
        w.U32(v);
    w.U32(x.Memory.Flags);
    w.U32(x.Memory.Length < kMaxTira ? x.Memory.Length : kMaxTira);
}

// Both sides write the record alike; the window goes as its 32-bit value.
void EscribirInterfaz(Escritor &w, const TW_USERINTERFACE &ui) {
    w.U16(ui.ShowUI);
    w.U16(ui.ModalUI);
    w.U32(Valor32(ui.hParent));
}

// Field by field: the record is packed, and a pointer to a field could be
// misaligned.
void LeerMemoria(Lector &r, TW_IMAGEMEMXFER &x) {
    x.Compression = r.U16();
    x.BytesPerRow = r.U32();
    x.Columns = r.U32();
    x.Rows = r.U32();
    x.XOffset = r.U32();
    x.YOffset = r.U32();
    x.BytesWritten = r.U32();
    x.Memory.Flags = r.U32();
    x.Memory.Length = r.U32();
}

// The request's record; false when a block it names cannot be read.
bool EscribirRegistro(Forma forma, TW_UINT16 msg, TW_MEMREF datos, Escritor &w,
                      std::vector<uint8_t> &bulto) {
    switch (forma) {
    case Forma::Plano:
        return true; // written by the caller, whose size it knows
    case Forma::Ventana:
        w.U32(Valor32(*static_cast<HWND *>(datos)));
        return true;
    case Forma::Ninguno:
    case Forma::Nativa:
        return true;
    case Forma::Capacidad: {
        auto *cap = static_cast<pTW_CAPABILITY>(datos);
        w.U16(cap->Cap);
        w.U16(cap->ConType);
        bool lleva = EsSet(msg) && cap->hContainer;
        w.U32(lleva);
        auto bytes = lleva ? Abrir(cap->hContainer) : std::span<const uint8_t>();
        bulto.assign(bytes.begin(), bytes.end());
        Soltar(cap->hContainer, bytes);
        return !lleva || !bytes.empty();
    }
    case Forma::Interfaz:
        EscribirInterfaz(w, *static_cast<pTW_USERINTERFACE>(datos));
        return true;
    case Forma::Memoria:
        EscribirMemoria(w, *static_cast<pTW_IMAGEMEMXFER>(datos));
        return true;
    case Forma::Personal: {
        auto *custom = static_cast<pTW_CUSTOMDSDATA>(datos);
        bool lleva = EsSet(msg) && custom->hData;
        w.U32(custom->InfoLength);
        w.U32(lleva);
        auto bytes = lleva ? Abrir(custom->hData, custom->InfoLength) : std::span<const uint8_t>();
        bulto.assign(bytes.begin(), bytes.end());
        Soltar(custom->hData, bytes);
        return !lleva || bytes.size() == custom->InfoLength;
    }
    }
    return false;
}

// Copies a strip into the application's buffer, a pointer or a handle as
// its flags say; false when the buffer is missing or shorter than the strip.
bool CopiarTira(const TW_MEMORY &memoria, std::span<const uint8_t> tira) {
    if (tira.empty())
        return true;
    if (!memoria.TheMem || tira.size() > memoria.Length)
        return false;
    if (!(memoria.Flags & TWMF_HANDLE)) {
        std::memcpy(memoria.TheMem, tira.data(), tira.size());
        return true;
    }
    auto h = HGLOBAL(uintptr_t(memoria.TheMem));
    void *p = GlobalSize(h) >= tira.size() ? GlobalLock(h) : nullptr;
    if (p) {
        std::memcpy(p, tira.data(), tira.size());
        GlobalUnlock(h);
    }
    return p != nullptr;
}

// A block the answer brings, new on this side; `hay` says whether the
// helper sent one.  False when it said one came and none did, or it could
// not be allocated.
bool BloqueRecibido(bool hay, std::span<const uint8_t> bulto, HGLOBAL &h) {
    if (!hay)
        return bulto.empty();
    h = Copia(bulto);
    return h != 0;
}

// The page into the reserve when it has the reserve's size.
HGLOBAL TomarReserva(Reserva *reserva, std::span<const uint8_t> bytes) {
    if (!reserva || !reserva->bloque || reserva->tam != bytes.size())
        return 0;
    void *p = GlobalLock(reserva->bloque);
    if (!p)
        return 0;
    // The channel may have copied the page there already, as it arrived.
    if (p != bytes.data())
        std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(reserva->bloque);
    return std::exchange(reserva->bloque, HGLOBAL(0));
}

bool LeerCapacidad(Lector &r, TW_UINT16 msg, pTW_CAPABILITY cap, std::span<const uint8_t> bulto) {
    TW_UINT16 id = r.U16(), tipo = r.U16();
    bool hay = r.U32() != 0;
    if (!r.Fin() || (EsSet(msg) && hay))
        return false;
    HGLOBAL contenedor = 0;
    if (!BloqueRecibido(hay, bulto, contenedor))
        return false;
    cap->Cap = id;
    cap->ConType = tipo;
    if (!EsSet(msg))
        cap->hContainer = contenedor;
    return true;
}

bool LeerMemoriaRespuesta(Lector &r, pTW_IMAGEMEMXFER xfer, std::span<const uint8_t> bulto) {
    TW_IMAGEMEMXFER leido{};
    LeerMemoria(r, leido);
    if (!r.Fin() || !CopiarTira(xfer->Memory, bulto))
        return false;
    TW_MEMORY memoria = xfer->Memory;
    *xfer = leido;
    xfer->Memory = memoria;
    return true;
}

bool LeerPersonal(Lector &r, TW_UINT16 msg, pTW_CUSTOMDSDATA custom,
                  std::span<const uint8_t> bulto) {
    TW_UINT32 largo = r.U32();
    bool hay = r.U32() != 0;
    if (!r.Fin() || (EsSet(msg) && hay) || (hay && bulto.size() != largo))
        return false;
    HGLOBAL bloque = 0;
    if (!BloqueRecibido(hay, bulto, bloque))
        return false;
    custom->InfoLength = largo;
    if (!EsSet(msg))
        custom->hData = bloque;
    return true;
}

bool LeerRegistro(const Figura &f, TW_UINT16 msg, TW_MEMREF datos, Lector &r,
                  std::span<const uint8_t> bulto, Reserva *reserva) {
    switch (f.forma) {
    case Forma::Plano: {
        uint8_t copia[sizeof(TW_PALETTE8)];
        r.Bytes(copia, f.tam);
        if (!r.Fin() || !bulto.empty())
            return false;
        std::memcpy(datos, copia, f.tam);
        return true;
    }
    case Forma::Ventana:
    case Forma::Ninguno:
        return r.Fin() && bulto.empty();
    case Forma::Capacidad:
        return LeerCapacidad(r, msg, static_cast<pTW_CAPABILITY>(datos), bulto);
    case Forma::Interfaz: {
        auto *ui = static_cast<pTW_USERINTERFACE>(datos);
        TW_UINT16 show = r.U16(), modal = r.U16();
        r.U32(); // the helper's own window stands in for the caller's
        if (!r.Fin() || !bulto.empty())
            return false;
        ui->ShowUI = show;
        ui->ModalUI = modal;
        return true;
    }
    case Forma::Nativa: {
        bool hay = r.U32() != 0;
        if (!r.Fin())
            return false;
        HGLOBAL dib = hay ? TomarReserva(reserva, bulto) : 0;
        if (!dib && !BloqueRecibido(hay, bulto, dib))
            return false;
        *static_cast<TW_HANDLE *>(datos) = dib;
        return true;
    }
    case Forma::Memoria:
        return LeerMemoriaRespuesta(r, static_cast<pTW_IMAGEMEMXFER>(datos), bulto);
    case Forma::Personal:
        return LeerPersonal(r, msg, static_cast<pTW_CUSTOMDSDATA>(datos), bulto);
    }
    return false;
}

} // namespace

bool CodificarPeticion(const TW_IDENTITY *origen, const TW_IDENTITY *destino, TW_UINT32 dg,
                       TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF datos, std::vector<uint8_t> &sobre,
                       std::vector<uint8_t> &bulto) {
    const Figura *f = FiguraDe(dat);
    sobre.clear();
    bulto.clear();
    if (!f)
        return false;
    Escritor w(sobre);
    TW_IDENTITY vacia{};
    w.U32(dg);
    w.U16(dat);
    w.U16(msg);
    w.U8(destino != nullptr);
    w.U8(datos != nullptr && f->forma != Forma::Ninguno);
    w.Bytes(origen ? origen : &vacia, sizeof(TW_IDENTITY));
    w.Bytes(destino ? destino : &vacia, sizeof(TW_IDENTITY));
    if (!datos || f->forma == Forma::Ninguno)
        return true;
    if (f->forma == Forma::Plano)
        w.Bytes(datos, f->tam);
    return EscribirRegistro(f->forma, msg, datos, w, bulto) && bulto.size() <= kMaxBulto;
}

bool LeerRespuesta(TW_UINT32, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF datos,
                   std::span<const uint8_t> sobre, std::span<const uint8_t> bulto, TW_UINT16 &rc,
                   Reserva *reserva) {
    const Figura *f = FiguraDe(dat);
    Lector r(sobre);
    TW_UINT16 codigo = r.U16();
    bool conRegistro = r.U8() != 0;
    bool esperado = f && datos && f->forma != Forma::Ninguno;
    if (!f || !r.ok() || bulto.size() > kMaxBulto || conRegistro != esperado)
        return false;
    if (conRegistro && !LeerRegistro(*f, msg, datos, r, bulto, reserva))
        return false;
    if (!conRegistro && (!r.Fin() || !bulto.empty()))
        return false;
    rc = codigo;
    return true;
}

// ======== The helper's side ========

namespace {

// What a helper-side record lends the source, freed with the request.
struct Prestamos {
    HGLOBAL &bloque;
    std::vector<uint8_t> &tira;
};

// A block sent by the library for the source to read (a container or custom
// data of MSG_SET): present exactly when the envelope says so.
bool Prestar(bool hay, TW_UINT16 msg, std::span<const uint8_t> bulto, HGLOBAL &bloque) {
    if (!hay)
        return bulto.empty();
    bloque = EsSet(msg) ? Copia(bulto) : 0;
    return bloque != 0;
}

bool NativoCapacidad(Lector &r, TW_UINT16 msg, uint8_t *registro, std::span<const uint8_t> bulto,
                     Prestamos p) {
    auto *cap = reinterpret_cast<pTW_CAPABILITY>(registro);
    cap->Cap = r.U16();
    cap->ConType = r.U16();
    bool hay = r.U32() != 0;
    if (!r.Fin() || !Prestar(hay, msg, bulto, p.bloque))
        return false;
    cap->hContainer = p.bloque;
    return true;
}

// The source writes a strip into the helper's own buffer of the length the
// application offered; the answer carries what it wrote.
bool NativoMemoria(Lector &r, uint8_t *registro, std::span<const uint8_t> bulto, Prestamos p) {
    auto *xfer = reinterpret_cast<pTW_IMAGEMEMXFER>(registro);
    LeerMemoria(r, *xfer);
    if (!r.Fin() || !bulto.empty() || xfer->Memory.Length > kMaxTira)
        return false;
    p.tira.resize(xfer->Memory.Length);
    xfer->Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
    xfer->Memory.TheMem = p.tira.empty() ? nullptr : p.tira.data();
    return true;
}

bool NativoPersonal(Lector &r, TW_UINT16 msg, uint8_t *registro, std::span<const uint8_t> bulto,
                    Prestamos p) {
    auto *custom = reinterpret_cast<pTW_CUSTOMDSDATA>(registro);
    custom->InfoLength = r.U32();
    bool hay = r.U32() != 0;
    if (!r.Fin() || (hay && bulto.size() != custom->InfoLength) ||
        !Prestar(hay, msg, bulto, p.bloque))
        return false;
    custom->hData = p.bloque;
    return true;
}

bool LeerNativo(const Figura &f, TW_UINT16 msg, Lector &r, std::span<const uint8_t> bulto,
                uint8_t *registro, Prestamos p) {
    bool sinBulto = bulto.empty();
    switch (f.forma) {
    case Forma::Plano:
        r.Bytes(registro, f.tam);
        return r.Fin() && sinBulto;
    case Forma::Ventana:
        *reinterpret_cast<HWND *>(registro) = DeValor32<HWND>(r.U32());
        return r.Fin() && sinBulto;
    case Forma::Interfaz: {
        auto *ui = reinterpret_cast<pTW_USERINTERFACE>(registro);
        ui->ShowUI = r.U16();
        ui->ModalUI = r.U16();
        ui->hParent = DeValor32<TW_HANDLE>(r.U32());
        return r.Fin() && sinBulto;
    }
    case Forma::Nativa:
        *reinterpret_cast<TW_HANDLE *>(registro) = 0;
        return r.Fin() && sinBulto;
    case Forma::Capacidad:
        return NativoCapacidad(r, msg, registro, bulto, p);
    case Forma::Memoria:
        return NativoMemoria(r, registro, bulto, p);
    case Forma::Personal:
        return NativoPersonal(r, msg, registro, bulto, p);
    case Forma::Ninguno:
        break;
    }
    return false;
}

// Hands a block the source gave over to the bulk, and frees it: the
// application owns the copy.  Writes whether one travels; a block that is
// no global block travels as none.  False when the bulk has no room.
bool Entregar(HGLOBAL h, Escritor &w, DestinoBulto &bulto) {
    auto bytes = Abrir(h);
    w.U32(!bytes.empty());
    bool hecho = AlBulto(bytes, bulto);
    Soltar(h, bytes);
    if (h)
        GlobalFree(h);
    return hecho;
}

bool Entregado(TW_UINT16 rc) {
    return rc == TWRC_SUCCESS || rc == TWRC_XFERDONE;
}

bool ResponderCapacidad(TW_UINT16 msg, pTW_CAPABILITY cap, HGLOBAL prestado, Escritor &w,
                        DestinoBulto &bulto) {
    w.U16(cap->Cap);
    w.U16(cap->ConType);
    bool nuevo = !EsSet(msg) && cap->hContainer && cap->hContainer != prestado;
    if (nuevo)
        return Entregar(cap->hContainer, w, bulto);
    w.U32(0);
    return true;
}

bool ResponderMemoria(TW_UINT16 rc, pTW_IMAGEMEMXFER xfer, const std::vector<uint8_t> &tira,
                      Escritor &w, DestinoBulto &bulto) {
    EscribirMemoria(w, *xfer);
    if (!Entregado(rc))
        return true;
    size_t n = xfer->BytesWritten < tira.size() ? xfer->BytesWritten : tira.size();
    return n == 0 || bulto.Adjuntar(std::span(tira.data(), n));
}

// Custom data travels with the length actually sent, so that the two agree
// even when the source's block is shorter than it says.
bool ResponderPersonal(TW_UINT16 msg, pTW_CUSTOMDSDATA custom, HGLOBAL prestado, Escritor &w,
                       DestinoBulto &bulto) {
    bool nuevo = !EsSet(msg) && custom->hData && custom->hData != prestado;
    auto bytes = nuevo ? Abrir(custom->hData, custom->InfoLength) : std::span<const uint8_t>();
    w.U32(nuevo ? TW_UINT32(bytes.size()) : custom->InfoLength);
    w.U32(!bytes.empty());
    bool hecho = AlBulto(bytes, bulto);
    Soltar(custom->hData, bytes);
    if (nuevo)
        GlobalFree(custom->hData);
    return hecho;
}

} // namespace

Peticion::~Peticion() {
    if (prestado_)
        GlobalFree(prestado_);
    if (!pagina_.empty())
        GlobalUnlock(entregado_);
    if (entregado_)
        GlobalFree(entregado_);
}

// The page the source handed over goes out as it is: the channel copies it
// while the answer goes out, so it stays locked, and is freed, only when
// the request ends.
bool Peticion::EntregarPagina(HGLOBAL dib, DestinoBulto &bulto) {
    entregado_ = dib;
    pagina_ = Abrir(dib);
    return pagina_.empty() || bulto.Adjuntar(pagina_);
}

bool Peticion::Leer(std::span<const uint8_t> sobre, std::span<const uint8_t> bulto) {
    Lector r(sobre);
    dg_ = r.U32();
    dat_ = r.U16();
    msg_ = r.U16();
    con_destino_ = r.U8() != 0;
    bool conDatos = r.U8() != 0;
    r.Bytes(&origen_, sizeof origen_);
    r.Bytes(&destino_, sizeof destino_);
    const Figura *f = FiguraDe(dat_);
    if (!r.ok() || !f || bulto.size() > kMaxBulto)
        return false;
    if (!conDatos)
        return r.Fin() && bulto.empty();
    static_assert(sizeof registro_ >= sizeof(TW_PALETTE8));
    datos_ = registro_;
    return LeerNativo(*f, msg_, r, bulto, registro_, {prestado_, tira_});
}

bool Peticion::Responder(TW_UINT16 rc, std::vector<uint8_t> &sobre, DestinoBulto &bulto) {
    const Figura *f = FiguraDe(dat_);
    sobre.clear();
    Escritor w(sobre);
    w.U16(rc);
    w.U8(datos_ != nullptr);
    if (!datos_ || !f)
        return true;
    switch (f->forma) {
    case Forma::Plano:
        w.Bytes(registro_, f->tam);
        return true;
    case Forma::Ventana:
    case Forma::Ninguno:
        return true;
    case Forma::Interfaz:
        EscribirInterfaz(w, *reinterpret_cast<pTW_USERINTERFACE>(registro_));
        return true;
    case Forma::Nativa: {
        auto dib = *reinterpret_cast<TW_HANDLE *>(registro_);
        if (rc == TWRC_XFERDONE && dib) {
            bool hecho = EntregarPagina(dib, bulto);
            w.U32(!pagina_.empty());
            return hecho;
        }
        w.U32(0);
        return true;
    }
    case Forma::Capacidad:
        return ResponderCapacidad(msg_, reinterpret_cast<pTW_CAPABILITY>(registro_), prestado_, w,
                                  bulto);
    case Forma::Memoria:
        return ResponderMemoria(rc, reinterpret_cast<pTW_IMAGEMEMXFER>(registro_), tira_, w, bulto);
    case Forma::Personal:
        return ResponderPersonal(msg_, reinterpret_cast<pTW_CUSTOMDSDATA>(registro_), prestado_, w,
                                 bulto);
    }
    return false;
}

} // namespace zel::puente
