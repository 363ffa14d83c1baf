// Framing over the overlapped pipe.  A large bulk goes through a file
// mapping: the helper sends its own handle value, which the library
// duplicates from the helper's process; the library duplicates its mapping
// into the helper's process and sends that value.  The sender keeps its
// mapping until the next frame arrives, when the peer has surely taken it.
#include "channel.h"

#include <cstring>

namespace zel::puente {

namespace {

void Anotar(const char *texto) {
    std::string linea = std::string("ZELTW: channel: ") + texto + "\n";
    OutputDebugStringA(linea.c_str());
}

template <class T> void Agregar(std::vector<uint8_t> &buffer, T valor) {
    size_t fin = buffer.size();
    buffer.resize(fin + sizeof valor);
    std::memcpy(buffer.data() + fin, &valor, sizeof valor);
}

HANDLE ValorAHandle(uint32_t valor) {
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(valor));
}

uint32_t HandleAValor(HANDLE h) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h));
}

} // namespace

Canal::Canal(Espera espera) : espera_(std::move(espera)) {
    evento_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

Canal::~Canal() {
    CerrarMapa();
    SoltarEntrada();
    if (!Roto())
        CloseHandle(tuberia_);
    if (evento_)
        CloseHandle(evento_);
}

bool Canal::Crear(const std::string &nombre) {
    tuberia_ = CreateNamedPipeA(
        nombre.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 1 << 16,
        1 << 16, 0, nullptr);
    return evento_ && !Roto();
}

bool Canal::Aceptar() {
    if (Roto())
        return false;
    OVERLAPPED ov{};
    ov.hEvent = evento_;
    if (ConnectNamedPipe(tuberia_, &ov) || GetLastError() == ERROR_PIPE_CONNECTED)
        return true;
    if (GetLastError() != ERROR_IO_PENDING)
        return Romper("the pipe takes no client");
    DWORD nada = 0;
    if (!espera_(evento_)) {
        CancelIo(tuberia_);
        GetOverlappedResult(tuberia_, &ov, &nada, TRUE);
        return Romper("the helper never opened the pipe");
    }
    return GetOverlappedResult(tuberia_, &ov, &nada, FALSE) || Romper("the connection failed");
}

bool Canal::Abrir(const std::string &nombre) {
    tuberia_ = CreateFileA(nombre.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    return evento_ && !Roto();
}

DestinoBulto &Canal::Bulto() {
    SoltarSalida();
    return salida_;
}

// A large bulk goes into a mapping kept from frame to frame and made anew
// only when a bulk outgrows it: a page after the first is written into
// memory already committed, without a new section or its page faults.
uint8_t *Canal::Reservar(size_t n) {
    SoltarSalida();
    if (n > kMaxBulto)
        return nullptr;
    largoSalida_ = n;
    if (n <= kMaxBultoEnLinea) {
        enLinea_.resize(n == 0 ? 1 : n);
        return enLinea_.data();
    }
    if (n > capacidadSalida_ && !CrecerMapa(n)) {
        Anotar("no shared memory for the bulk");
        largoSalida_ = 0;
        return nullptr;
    }
    enMapa_ = true;
    return vistaSalida_;
}

bool Canal::CrecerMapa(size_t n) {
    CerrarMapa();
    uint64_t largo = n;
    mapaSalida_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                     DWORD(largo >> 32), DWORD(largo), nullptr);
    if (mapaSalida_)
        vistaSalida_ = static_cast<uint8_t *>(MapViewOfFile(mapaSalida_, FILE_MAP_WRITE, 0, 0, n));
    if (!vistaSalida_) {
        CerrarMapa();
        return false;
    }
    capacidadSalida_ = n;
    return true;
}

void Canal::CerrarMapa() {
    if (vistaSalida_)
        UnmapViewOfFile(vistaSalida_);
    if (mapaSalida_)
        CloseHandle(mapaSalida_);
    vistaSalida_ = nullptr;
    mapaSalida_ = 0;
    capacidadSalida_ = 0;
}

void Canal::SoltarSalida() {
    largoSalida_ = 0;
    enMapa_ = false;
}

void Canal::SoltarEntrada() {
    if (vistaEntrada_)
        UnmapViewOfFile(vistaEntrada_);
    vistaEntrada_ = nullptr;
}

// The value the peer maps: the helper's own handle, or one duplicated into
// the helper's process by the library.
bool Canal::ValorMapaSalida(uint32_t &valor) {
    HANDLE mapa = mapaSalida_;
    if (remoto_ &&
        !DuplicateHandle(GetCurrentProcess(), mapaSalida_, remoto_, &mapa, FILE_MAP_READ, FALSE, 0))
        return false;
    valor = HandleAValor(mapa);
    return true;
}

bool Canal::Enviar(uint32_t tipo, std::span<const uint8_t> sobre) {
    if (Roto() || sobre.size() > kMaxSobre)
        return false;
    std::vector<uint8_t> trama;
    trama.reserve(24 + sobre.size() + (enMapa_ ? 0 : largoSalida_));
    Agregar(trama, tipo);
    Agregar(trama, uint32_t(sobre.size()));
    trama.insert(trama.end(), sobre.begin(), sobre.end());
    Agregar(trama, uint64_t(largoSalida_));
    if (enMapa_) {
        uint32_t valor = 0;
        if (!ValorMapaSalida(valor))
            return Romper("the mapping could not be handed over");
        Agregar(trama, valor);
    } else {
        trama.insert(trama.end(), enLinea_.begin(), enLinea_.begin() + largoSalida_);
    }
    return Transferir(true, trama.data(), trama.size());
}

bool Canal::Enviar(uint32_t tipo, std::span<const uint8_t> sobre, std::span<const uint8_t> bulto) {
    uint8_t *destino = Bulto().Reservar(bulto.size());
    if (!destino)
        return false;
    if (!bulto.empty())
        std::memcpy(destino, bulto.data(), bulto.size());
    return Enviar(tipo, sobre);
}

bool Canal::Recibir(uint32_t &tipo, std::span<const uint8_t> &sobre,
                    std::span<const uint8_t> &bulto) {
    SoltarEntrada();
    uint32_t largoSobre = 0;
    if (!Leer(&tipo, sizeof tipo))
        return false;
    // The peer answers only after reading the whole of our last frame.
    SoltarSalida();
    if (!Leer(&largoSobre, sizeof largoSobre))
        return false;
    if (largoSobre > kMaxSobre)
        return Romper("envelope too long");
    sobreEntrada_.resize(largoSobre);
    uint64_t largoBulto = 0;
    if (!Leer(sobreEntrada_.data(), largoSobre) || !Leer(&largoBulto, sizeof largoBulto))
        return false;
    if (largoBulto > kMaxBulto)
        return Romper("bulk too long");
    sobre = sobreEntrada_;
    if (largoBulto > kMaxBultoEnLinea) {
        if (!LeerBultoMapeado(largoBulto))
            return false;
        bulto = {vistaEntrada_, size_t(largoBulto)};
        return true;
    }
    bultoEntrada_.resize(size_t(largoBulto));
    bulto = bultoEntrada_;
    return Leer(bultoEntrada_.data(), bultoEntrada_.size());
}

// Maps the bulk the peer's mapping holds.  A view longer than the mapping
// does not map, so a length larger than the peer's memory breaks the
// channel.  A value that maps nothing is not closed: it may name another
// handle of this process.
bool Canal::LeerBultoMapeado(uint64_t largo) {
    uint32_t valor = 0;
    if (!Leer(&valor, sizeof valor))
        return false;
    HANDLE mapa = ValorAHandle(valor);
    if (remoto_ &&
        !DuplicateHandle(remoto_, mapa, GetCurrentProcess(), &mapa, FILE_MAP_READ, FALSE, 0))
        return Romper("the peer's mapping could not be duplicated");
    vistaEntrada_ = static_cast<const uint8_t *>(MapViewOfFile(mapa, FILE_MAP_READ, 0, 0, largo));
    if (remoto_ || vistaEntrada_)
        CloseHandle(mapa);
    return vistaEntrada_ || Romper("the peer's mapping does not hold the bulk");
}

// Reads or writes all n bytes, waiting as this side waits.
bool Canal::Transferir(bool escribir, uint8_t *datos, size_t n) {
    while (n > 0 && !Roto()) {
        OVERLAPPED ov{};
        ov.hEvent = evento_;
        DWORD pedido = n > (1u << 20) ? (1u << 20) : DWORD(n), hecho = 0;
        BOOL ok = escribir ? WriteFile(tuberia_, datos, pedido, nullptr, &ov)
                           : ReadFile(tuberia_, datos, pedido, nullptr, &ov);
        if (!ok && GetLastError() != ERROR_IO_PENDING)
            return Romper("the pipe broke");
        if (!ok && !espera_(evento_)) {
            CancelIo(tuberia_);
            GetOverlappedResult(tuberia_, &ov, &hecho, TRUE);
            return Romper("the peer is gone");
        }
        if (!GetOverlappedResult(tuberia_, &ov, &hecho, FALSE) || hecho == 0)
            return Romper("the pipe broke");
        datos += hecho;
        n -= hecho;
    }
    return n == 0;
}

bool Canal::Romper(const char *motivo) {
    Anotar(motivo);
    if (!Roto())
        CloseHandle(tuberia_);
    tuberia_ = INVALID_HANDLE_VALUE;
    return false;
}

} // namespace zel::puente
