// The channel between the library and its helper: frames over an overlapped
// named pipe.  A frame is a u32 kind, a u32 envelope length, the envelope, a
// u64 bulk length, then the bulk itself when it is small or, when it is
// large, the u32 value of a file mapping handle that holds it.  A mapping
// starts with a header whose first u32 counts the bulk's bytes written so
// far: a page goes out before it is copied, and the receiver takes each part
// as it lands.  Every length read is checked before use; a bad frame breaks
// the channel for good.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "wire.h"

namespace zel::puente {

// The frame kinds: the library asks, the helper answers.
constexpr uint32_t kTramaPeticion = 1;
constexpr uint32_t kTramaRespuesta = 2;
// The largest bulk that travels in the pipe itself.
constexpr size_t kMaxBultoEnLinea = 64 * 1024;
// The bytes before the bulk in a mapping: its progress count, on a cache
// line of its own.
constexpr size_t kCabeceraMapa = 64;

class Canal {
  public:
    // How this side waits for the pipe's event: true once it is signalled,
    // false when the wait must end (the other process is gone).  The side
    // serves its messages meanwhile.
    using Espera = std::function<bool(HANDLE evento)>;

    explicit Canal(Espera espera);
    Canal(const Canal &) = delete;
    Canal &operator=(const Canal &) = delete;
    ~Canal();

    // The library: creates the pipe's only instance, then waits for the
    // helper to open it.
    bool Crear(const std::string &nombre);
    bool Aceptar();
    // The library: the helper's process, whose mapping handles it duplicates
    // and into which it duplicates its own.
    void PonProcesoRemoto(HANDLE proceso) { remoto_ = proceso; }
    // The helper: opens the pipe the library made.
    bool Abrir(const std::string &nombre);

    // Room for the next frame's bulk (empty until reserved).
    DestinoBulto &Bulto();
    // Sends a frame with the bulk reserved through Bulto().
    bool Enviar(uint32_t tipo, std::span<const uint8_t> sobre);
    // Sends a frame with `bulto`, copied as it goes out.
    bool Enviar(uint32_t tipo, std::span<const uint8_t> sobre, std::span<const uint8_t> bulto);
    // Receives the next frame; the views stay valid until the next Recibir.
    // A mapped bulk of exactly destino.size() bytes is copied into `destino`
    // while the peer writes it, and `bulto` then views `destino`.
    bool Recibir(uint32_t &tipo, std::span<const uint8_t> &sobre, std::span<const uint8_t> &bulto,
                 std::span<uint8_t> destino = {});

    bool Roto() const { return tuberia_ == INVALID_HANDLE_VALUE; }

  private:
    class Salida : public DestinoBulto {
      public:
        explicit Salida(Canal &canal) : canal_(canal) {}
        uint8_t *Reservar(size_t n) override { return canal_.Reservar(n); }
        bool Adjuntar(std::span<const uint8_t> bytes) override { return canal_.Adjuntar(bytes); }

      private:
        Canal &canal_;
    };

    uint8_t *Reservar(size_t n);
    bool Adjuntar(std::span<const uint8_t> bytes);
    void SoltarSalida();
    void Publicar(size_t listos);
    void CopiarPendiente();
    bool CrecerMapa(size_t n);
    void CerrarMapa();
    void SoltarEntrada();
    size_t Parte(bool escribir, uint8_t *datos, size_t n);
    bool Transferir(bool escribir, uint8_t *datos, size_t n);
    bool Leer(void *datos, size_t n);
    bool LeerBultoMapeado(uint64_t largo, std::span<uint8_t> destino);
    bool VerMapa(uint32_t valor, size_t largo);
    bool SeguirBulto(size_t largo, std::span<uint8_t> destino);
    bool PeerVivo();
    bool ValorMapaSalida(uint32_t &valor);
    bool Romper(const char *motivo);

    Espera espera_;
    HANDLE tuberia_ = INVALID_HANDLE_VALUE;
    HANDLE evento_ = 0;
    HANDLE remoto_ = 0;
    Salida salida_{*this};
    // The bulk to send: inline bytes, or the mapping kept for large bulks
    // (capacidadSalida_ bytes after its header).  Attached bytes are copied
    // into it once the frame is out.
    std::vector<uint8_t> enLinea_;
    size_t largoSalida_ = 0;
    bool enMapa_ = false;
    std::span<const uint8_t> pendiente_;
    HANDLE mapaSalida_ = 0;
    uint8_t *vistaSalida_ = nullptr;
    size_t capacidadSalida_ = 0;
    // What the pipe gave beyond the bytes read so far: a frame comes in one
    // read, not one per field.
    std::vector<uint8_t> lectura_;
    size_t inicioLectura_ = 0;
    size_t finLectura_ = 0;
    // The frame received last, and the view of the peer's mapping (header
    // included), kept while the peer names the same mapping.
    std::vector<uint8_t> sobreEntrada_;
    std::vector<uint8_t> bultoEntrada_;
    const uint8_t *vistaEntrada_ = nullptr;
    size_t tamVista_ = 0;
    uint32_t valorVisto_ = 0;
};

} // namespace zel::puente
