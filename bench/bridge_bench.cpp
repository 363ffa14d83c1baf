// The bridge's cost, measured through ZELTW32.dll's exports under the
// same-width set-up of scripts/wine-tests: device 1 ("Local") is served by
// this process's manager, device 2 ("Remoto") through the helper process.
// For each: a triplet's round trip (DAT_STATUS to the open source), and an
// A4 300 dpi 24-bit page as a host receives it: its image information (the
// virtual device scans the page there), its native transfer and the end of
// the transfer.  The transfer alone is printed too: it is where the bridge
// adds its copies (the page into shared memory, then into the host's block).
// Prints the times and their ratios; only the pages' arrival is checked.
#include "wine_check.h"
#include "zeltw32.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr int kIdas = 300;   // round trips per side
constexpr int kPaginas = 10; // pages per side

// The exports, bound by name.
struct Zel {
    HMODULE h = LoadLibraryA("ZELTW32.dll");
    template <class F> F Tomar(F, const char *nombre) const {
        return h ? reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(h, nombre)))
                 : nullptr;
    }
#define ZEL_EXPORT(nombre) decltype(&::nombre) nombre = Tomar(&::nombre, #nombre);
    ZEL_EXPORT(ZEL_DS)
    ZEL_EXPORT(AbrirManejadorDispositivo)
    ZEL_EXPORT(AbrirDispositivoXNombre)
    ZEL_EXPORT(HabilitarDispositivo)
    ZEL_EXPORT(DescargarManejadorDispositivo)
    ZEL_EXPORT(OcultarUI)
    ZEL_EXPORT(PonXferMech)
    ZEL_EXPORT(EstadoTwain)
    ZEL_EXPORT(DibAnchura)
    ZEL_EXPORT(DibAltura)
    ZEL_EXPORT(DibProfundidad)
    ZEL_EXPORT(LiberadorDeMemoria)
#undef ZEL_EXPORT
    bool Completa() const {
        return ZEL_DS && AbrirManejadorDispositivo && AbrirDispositivoXNombre &&
               HabilitarDispositivo && DescargarManejadorDispositivo && OcultarUI && PonXferMech &&
               EstadoTwain && DibAnchura && DibAltura && DibProfundidad && LiberadorDeMemoria;
    }
};

double Ahora() {
    static LARGE_INTEGER frecuencia = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frecuencia.QuadPart);
}

// Both devices scan A4 at 300 dpi in colour (the paper's default size).
void Escenario() {
    char ruta[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA("ZELTWAIN_SCENARIO", ruta, sizeof ruta);
    if (n == 0 || n >= sizeof ruta)
        return;
    const char *dispositivo = R"("driver": "zelvirtual-remoto.dll", "feeder": true,
        "paper": {"sheets": 10}, "operator": {"delay_ms": 5}, "capabilities": {
        "ICAP_XRESOLUTION": {"current": 300}, "ICAP_YRESOLUTION": {"current": 300}})";
    if (FILE *f = std::fopen(ruta, "wb")) {
        std::fprintf(f, R"({"sources": [{"name": "Local", "default": true, %s},
            {"name": "Remoto", %s}, {"name": "Tercero", %s}]})",
                     dispositivo, dispositivo, dispositivo);
        std::fclose(f);
    }
}

struct Medida {
    double dIda = 0;    // seconds per round trip
    double dPagina = 0; // seconds per page, the fastest of kPaginas
    double dXfer = 0;   // seconds per native transfer triplet, the fastest
    int nPaginas = 0;   // A4 300 dpi colour pages as their image information announced
};

// Pumps this thread's messages through the source until it announces its
// batch (state 6); false after 20 s.
bool EsperarLote(const Zel &zel) {
    const DWORD inicio = GetTickCount();
    while (zel.EstadoTwain() == ZEL_DISP_HABILITADO && GetTickCount() - inicio < 20000) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        TW_EVENT evento{&msg, MSG_NULL};
        if (!zel.ZEL_DS(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &evento) &&
            evento.TWMessage == MSG_NULL) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return zel.EstadoTwain() == ZEL_TRANSFER_LISTA;
}

// One page, its transfer timed; false when no page came.
bool Pagina(const Zel &zel, Medida &m) {
    TW_IMAGEINFO info{};
    const double t0 = Ahora();
    if (!zel.ZEL_DS(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info))
        return false;
    HGLOBAL dib = nullptr;
    const double t1 = Ahora();
    zel.ZEL_DS(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib);
    const double dXfer = Ahora() - t1;
    TW_PENDINGXFERS pendientes{};
    zel.ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pendientes);
    const double dt = Ahora() - t0;
    if (dib) {
        m.dPagina = m.nPaginas == 0 ? dt : std::min(m.dPagina, dt);
        m.dXfer = m.nPaginas == 0 ? dXfer : std::min(m.dXfer, dXfer);
        m.nPaginas += zel.DibAnchura(dib) == info.ImageWidth &&
                      zel.DibAltura(dib) == info.ImageLength && zel.DibProfundidad(dib) == 24 &&
                      info.XResolution.Whole == 300 && info.YResolution.Whole == 300 &&
                      info.ImageWidth >= 2480 && info.ImageLength >= 3507;
        zel.LiberadorDeMemoria(dib);
    }
    return dib != nullptr;
}

Medida Medir(const Zel &zel, const char *dispositivo) {
    Medida m;
    if (!zel.AbrirManejadorDispositivo(nullptr) || !zel.AbrirDispositivoXNombre(dispositivo)) {
        zel.DescargarManejadorDispositivo();
        return m;
    }
    TW_STATUS estado{};
    const double t0 = Ahora();
    for (int i = 0; i < kIdas; ++i)
        zel.ZEL_DS(DG_CONTROL, DAT_STATUS, MSG_GET, &estado);
    m.dIda = (Ahora() - t0) / kIdas;
    zel.PonXferMech(TWSX_NATIVE);
    zel.OcultarUI(1);
    if (zel.HabilitarDispositivo(nullptr) && EsperarLote(zel))
        for (int i = 0; i < kPaginas && zel.EstadoTwain() == ZEL_TRANSFER_LISTA && Pagina(zel, m);
             ++i) {
        }
    zel.DescargarManejadorDispositivo();
    return m;
}

} // namespace

int main() {
    zelwine::Casos t;
    Zel zel;
    bool bCompleta = false;
    t.Caso("bridge_bench_library_loads",
           [&] { bCompleta = t.Verificar(zel.Completa(), "ZELTW32.dll loaded, exports bound"); });
    if (!bCompleta)
        return t.Terminar() | 1;
    Escenario();
    const Medida local = Medir(zel, "Local");
    const Medida remota = Medir(zel, "Remoto");
    // Ratios as in-process time over time through the helper: 1 is no cost.
    std::printf("bench: triplet round trip %.1f us in process, %.1f us through the helper, "
                "ratio %.3f\n",
                local.dIda * 1e6, remota.dIda * 1e6,
                remota.dIda > 0 ? local.dIda / remota.dIda : 0.0);
    std::printf("bench: A4 300 dpi page: in process %.1f ms, through the helper %.1f ms, "
                "ratio %.2f\n",
                local.dPagina * 1e3, remota.dPagina * 1e3,
                remota.dPagina > 0 ? local.dPagina / remota.dPagina : 0.0);
    std::printf("bench: its native transfer alone: in process %.1f ms, through the helper "
                "%.1f ms, ratio %.2f\n",
                local.dXfer * 1e3, remota.dXfer * 1e3,
                remota.dXfer > 0 ? local.dXfer / remota.dXfer : 0.0);
    t.Caso("bridge_bench_pages_arrive_whole_on_both_sides", [&] {
        t.Igual(local.nPaginas, kPaginas, "A4 300 dpi colour pages in process");
        t.Igual(remota.nPaginas, kPaginas, "A4 300 dpi colour pages through the helper");
    });
    return t.Terminar();
}
