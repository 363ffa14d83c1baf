#include "page_writer_support.h"

#include "pages/page_writer.h"
#include "session/session.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace pwtest {
namespace {

HGLOBAL Bloque(const std::vector<uint8_t> &bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

zelvirt::ScanSettings Ajustes(PixelFormat formato, double dpi) {
    zelvirt::ScanSettings ajustes;
    ajustes.format = formato;
    ajustes.x_dpi = ajustes.y_dpi = dpi;
    return ajustes;
}

} // namespace

HGLOBAL Pagina(const std::string &etiqueta, PixelFormat formato, double dpi) {
    zelvirt::SideSpec cara{zelvirt::SideContent::Printed, etiqueta, 0};
    return Bloque(zelvirt::scan_side(cara, Ajustes(formato, dpi)).dib);
}

HGLOBAL PaginaEnBlanco(PixelFormat formato, double dpi) {
    return Bloque(
        zelvirt::scan_side({zelvirt::SideContent::Blank, "", 0}, Ajustes(formato, dpi)).dib);
}

HGLOBAL PaginaCasiEnBlanco(int oscuros, PixelFormat formato, double pulgadas, double dpi) {
    zelvirt::ScanSettings ajustes = Ajustes(formato, dpi);
    ajustes.width_inches = ajustes.height_inches = pulgadas;
    zelvirt::SideSpec cara{zelvirt::SideContent::AlmostBlank, "", oscuros};
    return Bloque(zelvirt::scan_side(cara, ajustes).dib);
}

FIBITMAP *BitmapDe(HGLOBAL hDib) {
    auto *pDib = static_cast<BYTE *>(GlobalLock(hDib));
    auto *info = reinterpret_cast<BITMAPINFO *>(pDib);
    unsigned colores = info->bmiHeader.biBitCount <= 8 ? 1u << info->bmiHeader.biBitCount : 0;
    BYTE *bits = pDib + info->bmiHeader.biSize + colores * sizeof(RGBQUAD);
    int pitch = int((info->bmiHeader.biWidth * info->bmiHeader.biBitCount + 31) / 32 * 4);
    bool b16 = info->bmiHeader.biBitCount == 16;
    FIBITMAP *bitmap = FreeImage_ConvertFromRawBits(
        bits, info->bmiHeader.biWidth, info->bmiHeader.biHeight, pitch, info->bmiHeader.biBitCount,
        b16 ? FI16_555_RED_MASK : FI_RGBA_RED_MASK, b16 ? FI16_555_GREEN_MASK : FI_RGBA_GREEN_MASK,
        b16 ? FI16_555_BLUE_MASK : FI_RGBA_BLUE_MASK, FALSE);
    if (colores)
        std::memcpy(FreeImage_GetPalette(bitmap), info->bmiColors, colores * sizeof(RGBQUAD));
    GlobalUnlock(hDib);
    return bitmap;
}

HGLOBAL PaginaDeProfundidad(const std::string &etiqueta, unsigned bits) {
    HGLOBAL h24 = Pagina(etiqueta, PixelFormat::Rgb24);
    FIBITMAP *color = BitmapDe(h24);
    GlobalFree(h24);
    FIBITMAP *otra =
        bits == 16 ? FreeImage_ConvertTo16Bits555(color) : FreeImage_ConvertTo32Bits(color);
    FreeImage_Unload(color);
    BITMAPINFOHEADER cabecera = *FreeImage_GetInfoHeader(otra);
    cabecera.biCompression = BI_RGB;
    cabecera.biClrUsed = 0;
    std::vector<uint8_t> dib(sizeof cabecera +
                             FreeImage_GetPitch(otra) * FreeImage_GetHeight(otra));
    std::memcpy(dib.data(), &cabecera, sizeof cabecera);
    std::memcpy(dib.data() + sizeof cabecera, FreeImage_GetBits(otra),
                dib.size() - sizeof cabecera);
    FreeImage_Unload(otra);
    return Bloque(dib);
}

void Entregar(const std::vector<HGLOBAL> &paginas) {
    for (size_t i = 0; i < paginas.size(); ++i)
        zel::ahImagenes[i] = paginas[i];
    zel::nImagen = int32_t(paginas.size()) - 1;
    zel::GuardarPaginas();
}

std::string Host(const std::string &windows) {
    char ruta[4096];
    ZelPlat_HostPath(windows.c_str(), ruta, sizeof ruta);
    return ruta;
}

std::string Carpeta() {
    const auto *prueba = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("C:\\pw\\") + prueba->test_suite_name() + "." + prueba->name();
}

std::string Ruta(const std::string &nombre) {
    return Carpeta() + "\\" + nombre;
}

void PrepararSalida(const std::string &nombre, const std::string &extension, TW_UINT16 formato) {
    fs::remove_all(Host(Carpeta()));
    fs::create_directories(Host(Carpeta()));
    std::string ruta = Ruta(nombre);
    std::snprintf(zel::szArchivoSalida, sizeof zel::szArchivoSalida, "%s", ruta.c_str());
    std::snprintf(zel::szExtension, sizeof zel::szExtension, "%s", extension.c_str());
    zel::nFormatoArchivo = formato;
    zel::EmpezarEscritura();
}

std::vector<std::string> Archivos() {
    std::vector<std::string> nombres;
    for (const auto &entrada : fs::directory_iterator(Host(Carpeta())))
        nombres.push_back(entrada.path().filename().string());
    std::sort(nombres.begin(), nombres.end());
    return nombres;
}

std::vector<PaginaTiff> LeerTiff(const std::string &windows) {
    std::vector<PaginaTiff> paginas;
    TIFF *tiff = TIFFOpen(Host(windows).c_str(), "r");
    if (!tiff)
        return paginas;
    do {
        uint16_t compresion = 0, bits = 0, muestras = 0;
        TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compresion);
        TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &muestras);
        paginas.push_back({compresion, bits, muestras});
    } while (TIFFReadDirectory(tiff));
    TIFFClose(tiff);
    return paginas;
}

std::optional<std::string> Etiqueta(const std::string &windows, int pagina) {
    return zelvirt::decode_label_from_file(Host(windows), pagina);
}

std::vector<std::string> Etiquetas(const std::string &windows) {
    std::vector<std::string> etiquetas;
    int paginas = zelvirt::count_pages_in_file(Host(windows));
    for (int i = 0; i < paginas; ++i)
        etiquetas.push_back(Etiqueta(windows, i).value_or("?"));
    return etiquetas;
}

std::vector<std::string> EtiquetasDeSerie(const std::vector<std::string> &nombres) {
    std::vector<std::string> etiquetas;
    for (const auto &nombre : nombres)
        etiquetas.push_back(Etiqueta(Ruta(nombre)).value_or("?"));
    return etiquetas;
}

} // namespace pwtest
