// Framing over the overlapped pipe.  A large bulk goes through a file
// mapping: the helper sends its own handle value, which the library
// duplicates from the helper's process; the library duplicates its mapping
// into the helper's process and sends that value.  The sender keeps its
// mapping until the next frame arrives, when the peer has surely taken it.
//
// A page is the one bulk whose copies count: the helper sends the frame
// first and copies the page after it, publishing its progress in the
// mapping's header, so that the library's copy into its own block runs
// beside the helper's instead of after it.
#include "channel.h"

#include <algorithm>
#include <atomic>
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

// The progress count at the head of a mapping: stored with release order
// after the bytes it counts, loaded with acquire order before reading them.
std::atomic_ref<uint32_t> Progreso(const uint8_t *vista) {
    return std::atomic_ref(*reinterpret_cast<uint32_t *>(const_cast<uint8_t *>(vista)));
}

// The part of a bulk the sender copies before telling its progress.
constexpr size_t kTrozo = size_t(1) << 18;

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
    return vistaSalida_ + kCabeceraMapa;
}

// A large bulk is copied only after its frame went out (CopiarPendiente); a
// small one at once.
bool Canal::Adjuntar(std::span<const uint8_t> bytes) {
    uint8_t *destino = Reservar(bytes.size());
    if (!destino)
        return false;
    if (enMapa_)
        pendiente_ = bytes;
    else if (!bytes.empty())
        std::memcpy(destino, bytes.data(), bytes.size());
    return true;
}

bool Canal::CrecerMapa(size_t n) {
    CerrarMapa();
    uint64_t largo = kCabeceraMapa + uint64_t(n);
    mapaSalida_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                     DWORD(largo >> 32), DWORD(largo), nullptr);
    if (mapaSalida_)
        vistaSalida_ =
            static_cast<uint8_t *>(MapViewOfFile(mapaSalida_, FILE_MAP_WRITE, 0, 0, size_t(largo)));
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
    pendiente_ = {};
}

void Canal::Publicar(size_t listos) {
    Progreso(vistaSalida_).store(uint32_t(listos), std::memory_order_release);
}

void Canal::CopiarPendiente() {
    for (size_t hecho = 0; hecho < pendiente_.size();) {
        size_t n = std::min(kTrozo, pendiente_.size() - hecho);
        std::memcpy(vistaSalida_ + kCabeceraMapa + hecho, pendiente_.data() + hecho, n);
        hecho += n;
        Publicar(hecho);
    }
    pendiente_ = {};
}

void Canal::SoltarEntrada() {
    if (vistaEntrada_)
        UnmapViewOfFile(vistaEntrada_);
    vistaEntrada_ = nullptr;
    tamVista_ = 0;
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
        Publicar(pendiente_.empty() ? largoSalida_ : 0);
    } else {
        trama.insert(trama.end(), enLinea_.begin(), enLinea_.begin() + largoSalida_);
    }
    if (!Transferir(true, trama.data(), trama.size()))
        return false;
    CopiarPendiente();
    return true;
}

bool Canal::Enviar(uint32_t tipo, std::span<const uint8_t> sobre, std::span<const uint8_t> bulto) {
    return Bulto().Adjuntar(bulto) && Enviar(tipo, sobre);
}

bool Canal::Recibir(uint32_t &tipo, std::span<const uint8_t> &sobre,
                    std::span<const uint8_t> &bulto, std::span<uint8_t> destino) {
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
        if (!LeerBultoMapeado(largoBulto, destino))
            return false;
        bool copiado = destino.size() == largoBulto;
        bulto = {copiado ? destino.data() : vistaEntrada_ + kCabeceraMapa, size_t(largoBulto)};
        return true;
    }
    bultoEntrada_.resize(size_t(largoBulto));
    bulto = bultoEntrada_;
    return Leer(bultoEntrada_.data(), bultoEntrada_.size());
}

bool Canal::LeerBultoMapeado(uint64_t largo, std::span<uint8_t> destino) {
    uint32_t valor = 0;
    if (!Leer(&valor, sizeof valor) || !VerMapa(valor, size_t(largo)))
        return false;
    return SeguirBulto(size_t(largo), destino.size() == largo ? destino : std::span<uint8_t>());
}

// Maps the peer's mapping, header and bulk.  A view longer than the mapping
// does not map, so a length larger than the peer's memory breaks the
// channel.  A value that maps nothing is not closed: it may name another
// handle of this process.  The library keeps its view while the helper
// names the same handle and the bulk fits the view: a page after the first
// is then read from memory already mapped.  The helper makes a mapping anew
// only for a bulk larger than the one it had, which no view of the old one
// holds.
bool Canal::VerMapa(uint32_t valor, size_t largo) {
    size_t tam = kCabeceraMapa + largo;
    if (remoto_ && vistaEntrada_ && valor == valorVisto_ && tam <= tamVista_)
        return true;
    SoltarEntrada();
    HANDLE mapa = ValorAHandle(valor);
    if (remoto_ &&
        !DuplicateHandle(remoto_, mapa, GetCurrentProcess(), &mapa, FILE_MAP_READ, FALSE, 0))
        return Romper("the peer's mapping could not be duplicated");
    vistaEntrada_ = static_cast<const uint8_t *>(MapViewOfFile(mapa, FILE_MAP_READ, 0, 0, tam));
    if (remoto_ || vistaEntrada_)
        CloseHandle(mapa);
    if (!vistaEntrada_)
        return Romper("the peer's mapping does not hold the bulk");
    tamVista_ = tam;
    valorVisto_ = valor;
    return true;
}

// Waits until the peer has written the whole bulk, copying each part into
// `destino` (when given) as it lands.  The peer copies at memory speed, so
// this side spins, yielding its core, and looks now and then whether the
// peer is still there.
bool Canal::SeguirBulto(size_t largo, std::span<uint8_t> destino) {
    const uint8_t *datos = vistaEntrada_ + kCabeceraMapa;
    size_t hecho = 0;
    for (unsigned vueltas = 1; hecho < largo; ++vueltas) {
        size_t listos = Progreso(vistaEntrada_).load(std::memory_order_acquire);
        if (listos > largo)
            return Romper("the peer wrote past its bulk");
        if (listos > hecho) {
            if (!destino.empty())
                std::memcpy(destino.data() + hecho, datos + hecho, listos - hecho);
            hecho = listos;
        } else if (vueltas % 256 == 0 && !PeerVivo()) {
            return Romper("the peer left its bulk unwritten");
        } else {
            SwitchToThread();
        }
    }
    return true;
}

// A pipe whose other end closed (its process ended) can no longer be
// peeked.
bool Canal::PeerVivo() {
    DWORD disponibles = 0;
    return PeekNamedPipe(tuberia_, nullptr, 0, nullptr, &disponibles, nullptr) != FALSE;
}

// One read or write of up to n bytes (a read ends with what the pipe holds),
// waiting as this side waits; the bytes moved, 0 when the pipe broke.
size_t Canal::Parte(bool escribir, uint8_t *datos, size_t n) {
    if (Roto())
        return 0;
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
    return hecho;
}

// Reads or writes all n bytes.
bool Canal::Transferir(bool escribir, uint8_t *datos, size_t n) {
    while (n > 0) {
        size_t hecho = Parte(escribir, datos, n);
        if (hecho == 0)
            return false;
        datos += hecho;
        n -= hecho;
    }
    return true;
}

// Reads n bytes: first what the last read left, then a new read of all the
// pipe holds; a part as large as the buffer goes straight to its place.
bool Canal::Leer(void *datos, size_t n) {
    constexpr size_t kLectura = 16 * 1024;
    auto *p = static_cast<uint8_t *>(datos);
    while (n > 0) {
        size_t tomados = std::min(n, finLectura_ - inicioLectura_);
        if (tomados > 0)
            std::memcpy(p, lectura_.data() + inicioLectura_, tomados);
        inicioLectura_ += tomados;
        p += tomados;
        n -= tomados;
        if (n >= kLectura)
            return Transferir(false, p, n);
        if (n == 0)
            break;
        lectura_.resize(kLectura);
        inicioLectura_ = 0;
        finLectura_ = Parte(false, lectura_.data(), kLectura);
        if (finLectura_ == 0)
            return false;
    }
    return true;
}

bool Canal::Romper(const char *motivo) {
    Anotar(motivo);
    if (!Roto())
        CloseHandle(tuberia_);
    tuberia_ = INVALID_HANDLE_VALUE;
    return false;
}

} // namespace zel::puente
