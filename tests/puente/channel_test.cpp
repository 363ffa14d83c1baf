// The channel's frames between two ends in one process: bulks of every size
// cross both ways, and every malformed frame breaks the channel instead of
// being used.  Runs under Wine (or Windows); prints "N passed, M failed".
#include <cstring>

#include "../wine/wine_check.h"
#include "channel.h"

using namespace zel::puente;

namespace {

zelwine::Casos casos;
HANDLE muerte = 0; // set: the peer "died"

// The library's wait: the pipe, or the peer's death.
bool Esperar(HANDLE evento) {
    HANDLE objetos[2] = {evento, muerte};
    return WaitForMultipleObjects(2, objetos, FALSE, 30000) == WAIT_OBJECT_0;
}

std::string NombreNuevo() {
    static int n = 0;
    return "\\\\.\\pipe\\zeltw-test-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++n);
}

std::vector<uint8_t> Patron(size_t n, uint8_t semilla) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(i * 31 + semilla + (i >> 12));
    return v;
}

// How a bulk goes: copied into the channel before the frame, or attached
// (copied as the frame goes out, as a page is) and, with a destination of
// its size, copied by the receiver into it as it lands.
enum class Modo { Copia, Adjunto, AlDestino };

// A sender on its own thread, so that a frame larger than the pipe's buffer
// can be written while this thread reads it.
struct Envio {
    Canal *canal;
    Modo modo;
    std::vector<uint8_t> sobre, bulto;
    bool ok = false;
};

DWORD WINAPI Enviar(void *p) {
    auto *envio = static_cast<Envio *>(p);
    Canal &canal = *envio->canal;
    if (envio->modo == Modo::Copia)
        envio->ok = canal.Enviar(kTramaRespuesta, envio->sobre, envio->bulto);
    else
        envio->ok =
            canal.Bulto().Adjuntar(envio->bulto) && canal.Enviar(kTramaRespuesta, envio->sobre);
    return 0;
}

// Sends from `de` on a thread and receives at `a`; true when the frame
// arrived whole (into the destination, when one was given for a mapped
// bulk).
bool Cruza(Canal &de, Canal &a, size_t largoBulto, Modo modo = Modo::Copia) {
    Envio envio{&de, modo, Patron(300, 1), Patron(largoBulto, uint8_t(7 + largoBulto))};
    std::vector<uint8_t> destino(modo == Modo::AlDestino ? largoBulto : 0);
    HANDLE hilo = CreateThread(nullptr, 0, Enviar, &envio, 0, nullptr);
    uint32_t tipo = 0;
    std::span<const uint8_t> sobre, bulto;
    bool recibido = a.Recibir(tipo, sobre, bulto, destino);
    WaitForSingleObject(hilo, INFINITE);
    CloseHandle(hilo);
    casos.Verificar(envio.ok, "sent");
    casos.Verificar(recibido, "received");
    casos.Igual(tipo, kTramaRespuesta, "kind");
    casos.Verificar(std::equal(sobre.begin(), sobre.end(), envio.sobre.begin(), envio.sobre.end()),
                    "envelope intact");
    if (largoBulto > kMaxBultoEnLinea && !destino.empty())
        casos.Verificar(bulto.data() == destino.data(), "bulk copied into the destination");
    return casos.Verificar(
        std::equal(bulto.begin(), bulto.end(), envio.bulto.begin(), envio.bulto.end()),
        "bulk intact");
}

// The library's end (it knows the peer's process: this one) and the
// helper's.
struct Par {
    Canal biblioteca{Esperar};
    Canal ayudante{Esperar};
    HANDLE proceso = 0;

    Par() {
        std::string nombre = NombreNuevo();
        proceso = OpenProcess(PROCESS_DUP_HANDLE, FALSE, GetCurrentProcessId());
        casos.Verificar(biblioteca.Crear(nombre), "pipe made");
        casos.Verificar(ayudante.Abrir(nombre), "pipe opened");
        casos.Verificar(biblioteca.Aceptar(), "connection accepted");
        biblioteca.PonProcesoRemoto(proceso);
    }
    ~Par() { CloseHandle(proceso); }
};

// The library's end and a raw client that writes whatever bytes a case
// gives.
struct Crudo {
    Canal biblioteca{Esperar};
    HANDLE cliente = INVALID_HANDLE_VALUE;
    HANDLE proceso = 0;

    Crudo() {
        std::string nombre = NombreNuevo();
        proceso = OpenProcess(PROCESS_DUP_HANDLE, FALSE, GetCurrentProcessId());
        biblioteca.Crear(nombre);
        cliente = CreateFileA(nombre.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
        casos.Verificar(biblioteca.Aceptar(), "connection accepted");
        biblioteca.PonProcesoRemoto(proceso);
    }
    ~Crudo() {
        CloseHandle(cliente);
        CloseHandle(proceso);
    }
    void Escribir(const std::vector<uint8_t> &bytes) {
        DWORD escrito = 0;
        WriteFile(cliente, bytes.data(), DWORD(bytes.size()), &escrito, nullptr);
    }
};

template <class T> void Agregar(std::vector<uint8_t> &b, T v) {
    size_t fin = b.size();
    b.resize(fin + sizeof v);
    std::memcpy(b.data() + fin, &v, sizeof v);
}

// A frame header: kind, envelope length, that many bytes, bulk length.
std::vector<uint8_t> Cabecera(uint32_t largoSobre, uint64_t largoBulto) {
    std::vector<uint8_t> b;
    Agregar(b, kTramaRespuesta);
    Agregar(b, largoSobre);
    b.resize(b.size() + largoSobre);
    Agregar(b, largoBulto);
    return b;
}

void CasosIdaYVuelta() {
    // Around the inline limit, and pages far beyond it.
    const size_t largos[] = {0, 1, kMaxBultoEnLinea, kMaxBultoEnLinea + 1, 3 << 20};
    for (size_t largo : largos) {
        std::string nombre = "frame with a bulk of " + std::to_string(largo) + " bytes";
        casos.Caso((nombre + ", helper to library").c_str(), [&] {
            Par par;
            Cruza(par.ayudante, par.biblioteca, largo);
        });
        casos.Caso((nombre + ", library to helper").c_str(), [&] {
            Par par;
            Cruza(par.biblioteca, par.ayudante, largo);
        });
    }
    // The helper's mapping kept, grown (made anew) and kept again, the
    // library's view following it; pages attached, into a destination or not.
    casos.Caso("several frames in a row, each intact", [] {
        Par par;
        const std::pair<size_t, Modo> envios[] = {
            {5, Modo::Copia},           {1 << 20, Modo::AlDestino}, {70000, Modo::Adjunto},
            {3 << 20, Modo::AlDestino}, {0, Modo::Copia},           {1 << 20, Modo::Copia},
            {1 << 20, Modo::AlDestino}};
        for (auto [largo, modo] : envios)
            Cruza(par.ayudante, par.biblioteca, largo, modo);
    });
}

// A mapping whose handle value the raw client sends (the library duplicates
// it from this same process): `tam` bytes after its header, which counts
// `listos` of them written.
std::vector<uint8_t> ConMapa(uint64_t largoDicho, DWORD tam, HANDLE &mapa, uint32_t listos = 0) {
    mapa = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                              DWORD(kCabeceraMapa) + tam, nullptr);
    if (void *vista = MapViewOfFile(mapa, FILE_MAP_WRITE, 0, 0, kCabeceraMapa)) {
        std::memcpy(vista, &listos, sizeof listos);
        UnmapViewOfFile(vista);
    }
    std::vector<uint8_t> b = Cabecera(0, largoDicho);
    Agregar(b, uint32_t(reinterpret_cast<uintptr_t>(mapa)));
    return b;
}

void CasosTramasMalas() {
    struct Caso {
        const char *nombre;
        std::vector<uint8_t> (*bytes)(HANDLE &mapa);
    };
    const Caso tabla[] = {
        {"envelope longer than the largest", [](HANDLE &) { return Cabecera(kMaxSobre + 1, 0); }},
        // A 32-bit end would map the length cut to its low 32 bits.
        {"bulk longer than the largest",
         [](HANDLE &mapa) { return ConMapa((uint64_t(1) << 32) + 70000, 1 << 17, mapa); }},
        {"mapped bulk with a handle that names nothing",
         [](HANDLE &) {
             auto b = Cabecera(0, kMaxBultoEnLinea + 1);
             Agregar(b, uint32_t(0x7FFFFFF0));
             return b;
         }},
        {"mapped bulk longer than its mapping",
         [](HANDLE &mapa) { return ConMapa(1 << 20, 1 << 16, mapa); }},
        {"mapped bulk whose writer claims more than the bulk",
         [](HANDLE &mapa) { return ConMapa(1 << 17, 1 << 17, mapa, (1 << 17) + 1); }},
        {"mapped bulk left half written, then the peer closes",
         [](HANDLE &mapa) { return ConMapa(1 << 17, 1 << 17, mapa, 1 << 16); }},
        {"frame cut short, then the peer closes",
         [](HANDLE &) {
             auto b = Cabecera(100, 50);
             b.resize(b.size() - 20);
             return b;
         }},
    };
    for (const Caso &caso : tabla) {
        casos.Caso(caso.nombre, [&] {
            Crudo crudo;
            HANDLE mapa = 0;
            crudo.Escribir(caso.bytes(mapa));
            CloseHandle(crudo.cliente);
            crudo.cliente = INVALID_HANDLE_VALUE;
            uint32_t tipo = 0;
            std::span<const uint8_t> sobre, bulto;
            casos.Verificar(!crudo.biblioteca.Recibir(tipo, sobre, bulto), "frame refused");
            casos.Verificar(crudo.biblioteca.Roto(), "channel broken");
            if (mapa)
                CloseHandle(mapa);
        });
    }
    casos.Caso("envelope of the largest length and a mapped bulk it holds", [] {
        Crudo crudo;
        HANDLE mapa = 0;
        std::vector<uint8_t> b = Cabecera(kMaxSobre, 0);
        b.resize(b.size() - 8);
        auto conMapa = ConMapa(kMaxBultoEnLinea + 1, 1 << 17, mapa, kMaxBultoEnLinea + 1);
        b.insert(b.end(), conMapa.end() - 12, conMapa.end());
        crudo.Escribir(b);
        uint32_t tipo = 0;
        std::span<const uint8_t> sobre, bulto;
        casos.Verificar(crudo.biblioteca.Recibir(tipo, sobre, bulto), "frame taken");
        casos.Igual(sobre.size(), kMaxSobre, "envelope length");
        casos.Igual(bulto.size(), kMaxBultoEnLinea + 1, "bulk length");
        CloseHandle(mapa);
    });
}

void CasosMuerte() {
    casos.Caso("the peer dies while the library waits for its answer", [] {
        Par par;
        SetEvent(muerte);
        uint32_t tipo = 0;
        std::span<const uint8_t> sobre, bulto;
        casos.Verificar(!par.biblioteca.Recibir(tipo, sobre, bulto), "nothing received");
        casos.Verificar(par.biblioteca.Roto(), "channel broken");
        casos.Verificar(!par.biblioteca.Enviar(kTramaPeticion, {}), "nothing sent after");
        ResetEvent(muerte);
    });
}

} // namespace

int main() {
    muerte = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CasosIdaYVuelta();
    CasosTramasMalas();
    CasosMuerte();
    return casos.Terminar();
}
