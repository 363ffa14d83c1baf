// The triplets that cross between the library and its helper process, in a
// form that does not depend on either side's width.  A message is a short
// envelope and, apart from it, a bulk: a capability's container, a page, a
// memory strip.  The channel carries the two (the bulk of a page through
// shared memory); this file only turns records into bytes and back, and
// checks every size and count it reads before using it.
//
// Records go in the layout 32-bit Windows gives them, with handles and
// window handles as their 32-bit values; a block a handle points to (a
// container, a DIB, custom data) travels by value and is allocated anew on
// the receiving side, which owns it from then on.
#pragma once

#include <windows.h>

#include <twain.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zel::puente {

// The largest bulk either side accepts: a page far larger than any scanner
// gives, and an address space a 32-bit helper still has.
constexpr size_t kMaxBulto = size_t(1) << 30;
// The largest strip of a memory transfer the helper lends its source; a
// larger buffer is offered as this long, which the source may fill in part.
constexpr uint32_t kMaxTira = uint32_t(1) << 26;
// The largest envelope: an identity and the largest fixed record, with room.
constexpr size_t kMaxSobre = 4096;

// Where a sender puts a bulk: the channel gives the room (shared memory for
// a large one), and the codec copies the bytes into it.
class DestinoBulto {
  public:
    // Room for n bytes, or null when there is none (the triplet then fails).
    virtual uint8_t *Reservar(size_t n) = 0;
    // Takes `bytes` as the bulk; they stay valid until the frame has gone
    // out, so that a channel may copy them as it sends.  False when there is
    // no room.
    virtual bool Adjuntar(std::span<const uint8_t> bytes);

  protected:
    ~DestinoBulto() = default;
};

// ---- The library's side ----

// The envelope and bulk of one triplet for the helper.  False when the
// bridge cannot carry it (a DAT it does not know, a record too large): the
// caller fails the triplet with TWCC_BADPROTOCOL without sending anything.
// `origen` is the application's identity: the helper gives it to its own
// manager at MSG_OPENDSM and keeps the Id that manager assigns.
bool CodificarPeticion(const TW_IDENTITY *origen, const TW_IDENTITY *destino, TW_UINT32 dg,
                       TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF datos, std::vector<uint8_t> &sobre,
                       std::vector<uint8_t> &bulto);

// A block allocated ahead for a native page of `tam` bytes, while the helper
// still scans it: its pages are touched then, so that taking the page is one
// copy into memory already in place.
struct Reserva {
    HGLOBAL bloque = 0;
    size_t tam = 0;
};

// Reads the helper's answer to that triplet into the caller's record: the
// result code into rc, the record's fields, and a block allocated here for
// what the source handed over.  False when the answer is malformed (a size
// or count that does not fit): nothing is written then, and the caller takes
// the helper for faulty.  A native page of the reserve's size goes into the
// reserve's block, which is then the caller's (reserva->bloque becomes 0).
bool LeerRespuesta(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF datos,
                   std::span<const uint8_t> sobre, std::span<const uint8_t> bulto, TW_UINT16 &rc,
                   Reserva *reserva = nullptr);

// ---- The helper's side ----

// One triplet as the helper runs it: the native record rebuilt from the
// envelope, and the blocks lent to the source for the call.
class Peticion {
  public:
    Peticion() = default;
    Peticion(const Peticion &) = delete;
    Peticion &operator=(const Peticion &) = delete;
    ~Peticion();

    // False when the envelope or bulk is malformed or names a DAT the bridge
    // does not carry.
    bool Leer(std::span<const uint8_t> sobre, std::span<const uint8_t> bulto);

    TW_UINT32 dg() const { return dg_; }
    TW_UINT16 dat() const { return dat_; }
    TW_UINT16 msg() const { return msg_; }
    // The destination identity, or null for a triplet to the manager.
    TW_IDENTITY *destino() { return con_destino_ ? &destino_ : nullptr; }
    // The application's identity as the library sent it.
    const TW_IDENTITY &origen() const { return origen_; }
    // The native record to pass as pData (null for a triplet without one).
    TW_MEMREF datos() { return datos_; }

    // The answer after the call returned rc.  What the source handed over
    // (a container, a DIB) is copied into the bulk and freed, as the
    // application that receives the copy owns it; a DIB only with the
    // request, as the bulk takes it attached.  False when there is no room
    // for the bulk.
    bool Responder(TW_UINT16 rc, std::vector<uint8_t> &sobre, DestinoBulto &bulto);

  private:
    bool EntregarPagina(HGLOBAL dib, DestinoBulto &bulto);

    TW_UINT32 dg_ = 0;
    TW_UINT16 dat_ = 0;
    TW_UINT16 msg_ = 0;
    bool con_destino_ = false;
    TW_IDENTITY origen_{};
    TW_IDENTITY destino_{};
    TW_MEMREF datos_ = nullptr;
    alignas(8) uint8_t registro_[1100]{}; // the native record
    HGLOBAL prestado_ = 0;                // a block lent to the source
    HGLOBAL entregado_ = 0;               // a page the source handed over, freed last
    std::span<const uint8_t> pagina_;     // its bytes, locked while it goes out
    std::vector<uint8_t> tira_;           // a memory transfer's strip
};

} // namespace zel::puente
