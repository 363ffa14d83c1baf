// Where the time of a whole acquisition goes.  A duplex batch of 300 dpi A4
// sheets is scanned from the virtual scanner into a multi-page TIFF through
// the exports, as a host would; then the same sides are rendered alone (the
// scanner's share) and handed to the page writer alone (the writer's
// share).  The rest is the library's own work: transfers, negotiation and
// the event loop.
//
//   acquisition_bench [--sheets N]   (50 sheets by default; 24 and 8 bits)
#include "pages/multipage_state.h"
#include "pages/page_writer.h"
#include "session/session.h"

#include <zelplat/zelplat_test.h>
#include <zelvirt/paper.h>

#include <sys/resource.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Processor time of the process (user and system), which other programs on
// a busy machine do not inflate as they do wall time.
struct Clock {
    using time_point = double;
    static double now() {
        rusage uso{};
        getrusage(RUSAGE_SELF, &uso);
        return double(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
               double(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
    }
};

double Seconds(double d) {
    return d;
}

// A new device for each run (the virtual devices are told apart by their
// scenario), so that every run finds a full feeder.
std::string Scenario(int sheets, int pixelType) {
    static int run = 0;
    std::string path = std::filesystem::temp_directory_path() / "zel-acquisition-bench.json";
    std::ofstream(path) << R"({"sources": [{"name": "Bench Duplex )" << ++run
                        << R"(", "default": true,
        "feeder": true, "duplex": "one-pass", "paper": {"sheets": )"
                        << sheets << R"(}, "operator": {"delay_ms": 1},
        "capabilities": {"ICAP_PIXELTYPE": {"current": )"
                        << pixelType << "}}}]}";
    return path;
}

std::string Output(const char *name) {
    std::string windows = std::string("C:\\") + name;
    char host[1024];
    size_t n = ZelPlat_HostPath(windows.c_str(), host, sizeof host);
    std::filesystem::remove(std::string(host, n));
    return windows;
}

// The whole acquisition through the exports.  Its wall time also holds the
// person's delays of the virtual scanner and waits for the disk.
double Acquire(const std::string &output) {
    char name[256];
    std::snprintf(name, sizeof name, "%s", output.c_str());
    auto start = Clock::now();
    AbrirDispositivoXDefecto();
    PonActualResolucion(300.0);
    OcultarUI(1);
    PonDuplex(1);
    int result = AdquirirMultipagina(0, TWFF_TIFFMULTI, name);
    double seconds = Seconds(Clock::now() - start);
    if (result != 1)
        std::fprintf(stderr, "acquisition failed (%d)\n", result);
    return seconds;
}

HGLOBAL ToGlobal(const std::vector<uint8_t> &dib) {
    HGLOBAL h = GlobalAlloc(GHND, dib.size()); // as the virtual source allocates it
    std::memcpy(GlobalLock(h), dib.data(), dib.size());
    GlobalUnlock(h);
    return h;
}

// The scanner's rendering alone and the page writer alone, on the same
// sides; pages go to the writer one per call, as the transfer loop hands
// colour pages, or all at the end, as grey pages are held.
void RenderAndWrite(int sheets, zelvirt::PixelFormat format, const std::string &output,
                    double &render, double &write) {
    zelvirt::ScanSettings settings;
    settings.format = format;
    settings.x_dpi = settings.y_dpi = 300;
    zel::nFormatoArchivo = TWFF_TIFFMULTI;
    std::snprintf(zel::szArchivoSalida, sizeof zel::szArchivoSalida, "%s", output.c_str());
    std::snprintf(zel::szExtension, sizeof zel::szExtension, ".tif");
    bool colour = format == zelvirt::PixelFormat::Rgb24;
    render = write = 0;
    for (int side = 0; side < 2 * sheets; ++side) {
        std::string label =
            "sheet " + std::to_string(side / 2 + 1) + (side % 2 ? " back" : " front");
        auto start = Clock::now();
        // The scanner's share ends with the page in global memory, as a
        // native transfer hands it over.
        auto image = zelvirt::scan_side({zelvirt::SideContent::Printed, label, 0}, settings);
        zel::ahImagenes[++zel::nImagen] = ToGlobal(image.dib);
        render += Seconds(Clock::now() - start);
        if (colour || zel::nImagen == zel::kMaxImagenes - 1) {
            start = Clock::now();
            zel::GuardarPaginas();
            write += Seconds(Clock::now() - start);
        }
    }
    auto start = Clock::now();
    if (zel::nImagen > -1)
        zel::GuardarPaginas();
    zel::CerrarDocumentoMultipagina();
    write += Seconds(Clock::now() - start);
    zel::ReiniciarOpciones(true);
}

void Report(const char *what, int sheets, int pixelType, zelvirt::PixelFormat format) {
    setenv("ZELTWAIN_SCENARIO", Scenario(sheets, pixelType).c_str(), 1);
    double total = Acquire(Output("bench-acquired.tif"));
    double render = 0, write = 0;
    RenderAndWrite(sheets, format, Output("bench-written.tif"), render, write);
    double rest = total - render - write;
    std::printf("%-7s %3d sheets duplex, processor time: whole %6.2f s (%5.1f pages/s) | "
                "scanner %6.2f s | page writer %6.2f s | rest %6.2f s = %4.1f%%\n",
                what, sheets, total, 2 * sheets / total, render, write, rest, 100.0 * rest / total);
}

} // namespace

int main(int argc, char **argv) {
    int sheets = 50;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--sheets") == 0)
            sheets = std::max(1, std::atoi(argv[i + 1]));
    // One sheet first: loading the manager and FreeImage's start are paid
    // once per process, not per batch.
    setenv("ZELTWAIN_SCENARIO", Scenario(1, TWPT_GRAY).c_str(), 1);
    Acquire(Output("bench-warm-up.tif"));
    Report("24-bit", sheets, TWPT_RGB, zelvirt::PixelFormat::Rgb24);
    Report("8-bit", sheets, TWPT_GRAY, zelvirt::PixelFormat::Gray8);
    return 0;
}
