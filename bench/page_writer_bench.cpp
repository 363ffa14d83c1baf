// The page writer against the fastest ways to make the same output: a
// FreeImage document fed straight from memory and libtiff writing the
// pages itself; and the blank-page test against a plain copy of the same
// pixels.  Pages are 300 dpi A4 sides of the paper model, handed over one
// per call as the transfer loop hands colour pages.  Peak memory is the
// growth of the resident set over the run of each case.
//
//   page_writer_bench [--pages N] [--repeat R]   (10 pages, 3 runs by default)
#include "pages/multipage_state.h"
#include "pages/page_writer.h"
#include "session/session.h"

#include <zelplat/zelplat_test.h>
#include <zelvirt/paper.h>

#include <FreeImage.h>
#include <tiffio.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using Reloj = std::chrono::steady_clock;
using zelvirt::PixelFormat;

struct Plantilla {
    std::vector<uint8_t> dib;
    const BITMAPINFOHEADER &Cabecera() const {
        return *reinterpret_cast<const BITMAPINFOHEADER *>(dib.data());
    }
    unsigned Colores() const {
        return Cabecera().biBitCount <= 8 ? 1u << Cabecera().biBitCount : 0;
    }
    const BYTE *Bits() const { return dib.data() + sizeof(BITMAPINFOHEADER) + Colores() * 4; }
    unsigned Pitch() const { return (Cabecera().biWidth * Cabecera().biBitCount + 31) / 32 * 4; }
};

std::vector<Plantilla> Paginas(PixelFormat formato) {
    std::vector<Plantilla> paginas;
    zelvirt::ScanSettings ajustes;
    ajustes.format = formato;
    ajustes.x_dpi = ajustes.y_dpi = 300;
    for (const char *etiqueta : {"pagina uno", "pagina dos", "pagina tres"})
        paginas.push_back(
            {zelvirt::scan_side({zelvirt::SideContent::Printed, etiqueta, 0}, ajustes).dib});
    return paginas;
}

long LeerEstado(const char *campo) {
    std::ifstream estado("/proc/self/status");
    std::string linea;
    while (std::getline(estado, linea))
        if (linea.rfind(campo, 0) == 0)
            return std::atol(linea.c_str() + std::strlen(campo));
    return 0;
}

struct Medida {
    double paginasPorSegundo;
    double picoMB;
};

// The fastest run, and the highest peak of all runs.
void Mejor(Medida &mejor, const Medida &otra) {
    mejor.paginasPorSegundo = std::max(mejor.paginasPorSegundo, otra.paginasPorSegundo);
    mejor.picoMB = std::max(mejor.picoMB, otra.picoMB);
}

// Times the parts the body reports through its clock; the peak resident set
// is reset before the run (clear_refs 5) and read after it.
Medida Medir(int paginas, const std::function<void(Reloj::duration &)> &cuerpo) {
    std::ofstream("/proc/self/clear_refs") << "5";
    long base = LeerEstado("VmRSS:");
    Reloj::duration tiempo{};
    cuerpo(tiempo);
    long pico = LeerEstado("VmHWM:");
    return {paginas / std::chrono::duration<double>(tiempo).count(), (pico - base) / 1024.0};
}

std::string Host(const std::string &windows) {
    char ruta[4096];
    ZelPlat_HostPath(windows.c_str(), ruta, sizeof ruta);
    return ruta;
}

// The DIB a transfer hands over: a fresh block per page, which its
// consumer frees.
HGLOBAL Entrada(const Plantilla &p) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, p.dib.size());
    std::memcpy(GlobalLock(h), p.dib.data(), p.dib.size());
    GlobalUnlock(h);
    return h;
}

// The DIB's pixels, palette and resolution copied straight into a bitmap.
FIBITMAP *BitmapDirecto(HGLOBAL h) {
    const auto *dib = static_cast<const BYTE *>(GlobalLock(h));
    const auto &c = *reinterpret_cast<const BITMAPINFOHEADER *>(dib);
    unsigned colores = c.biBitCount <= 8 ? 1u << c.biBitCount : 0;
    int pitch = int((c.biWidth * c.biBitCount + 31) / 32 * 4);
    FIBITMAP *b = FreeImage_ConvertFromRawBits(
        const_cast<BYTE *>(dib) + sizeof c + colores * 4, c.biWidth, c.biHeight, pitch,
        c.biBitCount, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE);
    if (colores)
        std::memcpy(FreeImage_GetPalette(b), dib + sizeof c, colores * 4);
    FreeImage_SetDotsPerMeterX(b, c.biXPelsPerMeter);
    FreeImage_SetDotsPerMeterY(b, c.biYPelsPerMeter);
    GlobalUnlock(h);
    return b;
}

struct Caso {
    const char *nombre;
    TW_UINT16 formato;
    int compresion; // nCompresion
    int flagsTiff;
    uint16_t compresionLibtiff;
};

void Escritor(const std::vector<Plantilla> &plantillas, int paginas, const Caso &caso,
              Reloj::duration &tiempo) {
    zel::ReiniciarOpciones(true);
    zel::nFormatoArchivo = caso.formato;
    zel::nCompresion = caso.compresion;
    bool tiff = caso.formato == TWFF_TIFFMULTI;
    std::snprintf(zel::szArchivoSalida, sizeof zel::szArchivoSalida, "%s",
                  tiff ? "C:\\bench\\escritor.tif" : "C:\\bench\\escritor.jpg");
    std::snprintf(zel::szExtension, sizeof zel::szExtension, "%s", tiff ? ".tif" : ".jpg");
    for (int i = 0; i < paginas; ++i) {
        HGLOBAL h = Entrada(plantillas[size_t(i) % plantillas.size()]);
        auto inicio = Reloj::now();
        zel::ahImagenes[0] = h;
        zel::nImagen = 0;
        zel::GuardarPaginas();
        tiempo += Reloj::now() - inicio;
    }
    auto inicio = Reloj::now();
    zel::CerrarDocumentoMultipagina();
    tiempo += Reloj::now() - inicio;
}

void FreeImageDirecto(const std::vector<Plantilla> &plantillas, int paginas, const Caso &caso,
                      Reloj::duration &tiempo) {
    auto inicio = Reloj::now();
    bool tiff = caso.formato == TWFF_TIFFMULTI;
    FIMULTIBITMAP *doc =
        tiff ? FreeImage_OpenMultiBitmap(FIF_TIFF, Host("C:\\bench\\fi.tif").c_str(), TRUE, FALSE,
                                         FALSE, 0)
             : nullptr;
    for (int i = 0; i < paginas; ++i) {
        auto pausa = Reloj::now();
        HGLOBAL h = Entrada(plantillas[size_t(i) % plantillas.size()]);
        inicio += Reloj::now() - pausa;
        FIBITMAP *b = BitmapDirecto(h);
        GlobalFree(h);
        if (tiff) {
            FreeImage_AppendPage(doc, b);
        } else {
            FIBITMAP *jpeg = FreeImage_GetBPP(b) < 8 ? FreeImage_ConvertTo8Bits(b) : b;
            std::string nombre = Host("C:\\bench\\fi_" + std::to_string(i) + ".jpg");
            FreeImage_Save(FIF_JPEG, jpeg, nombre.c_str(), JPEG_DEFAULT);
            if (jpeg != b)
                FreeImage_Unload(jpeg);
        }
        FreeImage_Unload(b);
    }
    if (doc)
        FreeImage_CloseMultiBitmap(doc, caso.flagsTiff);
    tiempo += Reloj::now() - inicio;
}

void LibtiffDirecto(const std::vector<Plantilla> &plantillas, int paginas, const Caso &caso,
                    Reloj::duration &tiempo) {
    auto inicio = Reloj::now();
    TIFF *tiff = TIFFOpen(Host("C:\\bench\\libtiff.tif").c_str(), "w");
    for (int i = 0; i < paginas; ++i) {
        const Plantilla &p = plantillas[size_t(i) % plantillas.size()];
        auto pausa = Reloj::now();
        HGLOBAL h = Entrada(p);
        inicio += Reloj::now() - pausa;
        const BYTE *bits = static_cast<const BYTE *>(GlobalLock(h)) + (p.Bits() - p.dib.data());
        const BITMAPINFOHEADER &c = p.Cabecera();
        uint16_t muestras = c.biBitCount == 24 ? 3 : 1;
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(c.biWidth));
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(c.biHeight));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(c.biBitCount / muestras));
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, muestras);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                     muestras == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, caso.compresionLibtiff);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 300.0);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 300.0);
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        std::vector<BYTE> fila(p.Pitch());
        for (long y = 0; y < c.biHeight; ++y) {
            std::memcpy(fila.data(), bits + size_t(c.biHeight - 1 - y) * p.Pitch(), fila.size());
            if (muestras == 3)
                for (long x = 0; x < c.biWidth; ++x)
                    std::swap(fila[size_t(3 * x)], fila[size_t(3 * x + 2)]);
            TIFFWriteScanline(tiff, fila.data(), uint32_t(y), 0);
        }
        TIFFWriteDirectory(tiff);
        GlobalUnlock(h);
        GlobalFree(h);
    }
    TIFFClose(tiff);
    tiempo += Reloj::now() - inicio;
}

void CompararEscritura(int paginas, int repeticiones) {
    const Caso casos[] = {{"TIFF none", TWFF_TIFFMULTI, 0, TIFF_NONE, COMPRESSION_NONE},
                          {"TIFF LZW", TWFF_TIFFMULTI, -8, TIFF_LZW, COMPRESSION_LZW},
                          {"TIFF G4", TWFF_TIFFMULTI, -7, TIFF_CCITTFAX4, COMPRESSION_CCITTFAX4},
                          {"JPEG series", TWFF_JFIF, 0, 0, 0}};
    std::printf("%d pages per batch, one page per call, best of %d runs; pages/s and peak MB\n",
                paginas, repeticiones);
    std::printf("%-6s %-12s %18s %18s %18s %8s %8s\n", "depth", "output", "writer", "FreeImage",
                "libtiff", "w/FI", "w/tiff");
    for (PixelFormat formato : {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24}) {
        std::vector<Plantilla> plantillas = Paginas(formato);
        int bits = plantillas[0].Cabecera().biBitCount;
        for (const Caso &caso : casos) {
            if (caso.flagsTiff == TIFF_CCITTFAX4 && bits != 1)
                continue;
            std::filesystem::remove_all(Host("C:\\bench"));
            std::filesystem::create_directories(Host("C:\\bench"));
            using namespace std::placeholders;
            bool conLibtiff = caso.formato == TWFF_TIFFMULTI;
            Medida w{}, f{}, t{};
            // The three ways take turns, and each keeps its best run, so that
            // the load of a shared machine weighs on them alike.
            for (int r = 0; r < repeticiones; ++r) {
                Mejor(w, Medir(paginas,
                               std::bind(Escritor, std::cref(plantillas), paginas, caso, _1)));
                Mejor(f, Medir(paginas, std::bind(FreeImageDirecto, std::cref(plantillas), paginas,
                                                  caso, _1)));
                if (conLibtiff)
                    Mejor(t, Medir(paginas, std::bind(LibtiffDirecto, std::cref(plantillas),
                                                      paginas, caso, _1)));
            }
            std::printf("%-6d %-12s %9.2f %6.0f MB %9.2f %6.0f MB ", bits, caso.nombre,
                        w.paginasPorSegundo, w.picoMB, f.paginasPorSegundo, f.picoMB);
            if (conLibtiff)
                std::printf("%9.2f %6.0f MB %7.2fx %7.2fx\n", t.paginasPorSegundo, t.picoMB,
                            w.paginasPorSegundo / f.paginasPorSegundo,
                            w.paginasPorSegundo / t.paginasPorSegundo);
            else
                std::printf("%18s %7.2fx %8s\n", "-", w.paginasPorSegundo / f.paginasPorSegundo,
                            "-");
            std::fflush(stdout);
        }
    }
    std::filesystem::remove_all(Host("C:\\bench"));
}

// Best of several runs, in GB/s of pixel data.
double MejorVelocidad(size_t bytes, const std::function<void()> &cuerpo) {
    double mejor = 1e30;
    for (int i = 0; i < 15; ++i) {
        auto inicio = Reloj::now();
        cuerpo();
        mejor = std::min(mejor, std::chrono::duration<double>(Reloj::now() - inicio).count());
    }
    return bytes / mejor / 1e9;
}

void CompararPaginaEnBlanco() {
    std::printf("\nblank test on a printed 300 dpi page (every pixel visited) against memcpy\n");
    for (PixelFormat formato : {PixelFormat::Gray8, PixelFormat::Rgb24}) {
        HGLOBAL h = Entrada(Paginas(formato)[0]);
        FIBITMAP *b = BitmapDirecto(h);
        GlobalFree(h);
        size_t bytes = size_t(FreeImage_GetPitch(b)) * FreeImage_GetHeight(b);
        std::vector<BYTE> copia(bytes);
        zel::dUmbralBlanco = 100.0;
        volatile bool enBlanco = false;
        double prueba = MejorVelocidad(bytes, [&] { enBlanco = zel::EsPaginaEnBlanco(b); });
        double copiar = MejorVelocidad(bytes, [&] {
            std::memcpy(copia.data(), FreeImage_GetBits(b), bytes);
            asm volatile("" : : "r"(copia.data()) : "memory");
        });
        std::printf("%2u bits: blank test %6.2f GB/s, memcpy %6.2f GB/s, ratio %.2fx%s\n",
                    FreeImage_GetBPP(b), prueba, copiar, prueba / copiar, enBlanco ? "" : " (?)");
        FreeImage_Unload(b);
    }
}

} // namespace

int main(int argc, char **argv) {
    int paginas = 10, repeticiones = 3;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--pages") == 0)
            paginas = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--repeat") == 0)
            repeticiones = std::max(1, std::atoi(argv[i + 1]));
    }
    TIFFSetWarningHandler(nullptr);
    CompararEscritura(paginas, repeticiones);
    CompararPaginaEnBlanco();
    return 0;
}
