// What the page writer leaves on disk for each output format and
// compression, read back with libtiff and the paper model's decoder.
#include "page_writer_support.h"

#include "pages/freeimage_setup.h"
#include "pages/page_bitmap.h"
#include "pages/page_writer.h"
#include "session/session.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>

using namespace pwtest;
using Nombres = std::vector<std::string>;

namespace {

constexpr unsigned kSinCompresion = 1, kG3 = 3, kG4 = 4, kLzw = 5, kJpeg = 7;

class Salidas : public ::testing::Test {
  protected:
    void SetUp() override { zel::ReiniciarOpciones(true); }
    void TearDown() override {
        zel::CerrarDocumentoMultipagina();
        EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), bloques_) << "every page is freed";
        EXPECT_EQ(zel::nImagen, -1);
    }
    size_t bloques_ = ZelPlat_LiveGlobalBlocks();
};

TEST_F(Salidas, MultipageTiffHoldsThePagesInOrderAndNothingElse) {
    PrepararSalida("scan.tif", ".tif", TWFF_TIFFMULTI);
    Entregar({Pagina("P1", PixelFormat::Gray8), Pagina("P2", PixelFormat::Gray8),
              Pagina("P3", PixelFormat::Gray8)});
    zel::CerrarDocumentoMultipagina();
    EXPECT_EQ(zel::hMultiPagina, nullptr);
    EXPECT_EQ(Archivos(), Nombres{"scan.tif"});
    EXPECT_FALSE(std::filesystem::exists(Host("C:\\delete.bmp")));
    EXPECT_EQ(Etiquetas(Ruta("scan.tif")), (Nombres{"P1", "P2", "P3"}));
    for (const auto &pagina : LeerTiff(Ruta("scan.tif")))
        EXPECT_EQ(pagina.compresion, kSinCompresion);
}

TEST_F(Salidas, JpegSeriesDropsTheBlankPageAndTheNextRunStartsAgain) {
    PrepararSalida("scan.jpg", ".jpg", TWFF_JFIF);
    zel::dUmbralBlanco = 5.0;
    Entregar({Pagina("P1", PixelFormat::Gray8), PaginaEnBlanco(PixelFormat::Gray8),
              Pagina("P3", PixelFormat::Gray8)});
    EXPECT_EQ(Archivos(), (Nombres{"scan.jpg", "scan_1.jpg"}));
    EXPECT_EQ(EtiquetasDeSerie(Archivos()), (Nombres{"P1", "P3"}));
    EXPECT_EQ(zel::nPaginasDescartadas, 1);

    zel::ReiniciarOpciones(false);
    Entregar({Pagina("Q1", PixelFormat::Gray8)});
    EXPECT_EQ(Etiqueta(Ruta("scan.jpg")), "Q1");
}

TEST_F(Salidas, ColourPagesComeOneAtATimeAndBlankOnesAreDropped) {
    PrepararSalida("scan.png", ".png", TWFF_PNG);
    zel::dUmbralBlanco = 1.0;
    for (HGLOBAL pagina : {Pagina("C1", PixelFormat::Rgb24), PaginaEnBlanco(PixelFormat::Rgb24),
                           Pagina("C2", PixelFormat::Rgb24)})
        Entregar({pagina});
    EXPECT_EQ(EtiquetasDeSerie(Archivos()), (Nombres{"C1", "C2"}));
}

TEST_F(Salidas, ThresholdOfOneHundredWritesNothing) {
    PrepararSalida("scan.bmp", ".bmp", TWFF_BMP);
    zel::dUmbralBlanco = 100.0;
    Entregar({Pagina("P1", PixelFormat::BlackWhite1), Pagina("P2", PixelFormat::Rgb24)});
    EXPECT_TRUE(Archivos().empty());
    EXPECT_EQ(zel::nPaginasDescartadas, 2);
}

TEST_F(Salidas, PdfCodeWritesNothing) {
    PrepararSalida("scan.pdf", ".pdf", TWFF_PDF);
    Entregar({Pagina("P1", PixelFormat::Gray8), Pagina("P2", PixelFormat::Gray8)});
    EXPECT_TRUE(Archivos().empty());
    EXPECT_EQ(zel::hMultiPagina, nullptr);
}

// The compression chosen is what every page of the document carries; a
// choice the page's depth cannot take falls back as FreeImage decides
// (LZW), and no page is lost.
TEST_F(Salidas, DocumentCarriesTheChosenCompression) {
    struct Caso {
        int compresion;
        std::vector<unsigned> esperada; // 1-bit, 8-bit, 24-bit page
    };
    for (Caso caso :
         {Caso{-8, {kLzw, kLzw, kLzw}}, Caso{0, {kSinCompresion, kSinCompresion, kSinCompresion}},
          Caso{75, {kSinCompresion, kSinCompresion, kSinCompresion}}, Caso{-6, {kG3, kLzw, kLzw}},
          Caso{-7, {kG4, kLzw, kLzw}}, Caso{-9, {kLzw, kJpeg, kJpeg}}}) {
        zel::ReiniciarOpciones(true);
        PrepararSalida("doc.tif", ".tif", TWFF_TIFFMULTI);
        zel::nCompresion = caso.compresion;
        Entregar({Pagina("B1", PixelFormat::BlackWhite1, 75), Pagina("G2", PixelFormat::Gray8)});
        Entregar({Pagina("C3", PixelFormat::Rgb24)});
        zel::CerrarDocumentoMultipagina();
        std::vector<unsigned> compresiones;
        for (const auto &pagina : LeerTiff(Ruta("doc.tif")))
            compresiones.push_back(pagina.compresion);
        EXPECT_EQ(compresiones, caso.esperada) << "nCompresion " << caso.compresion;
        EXPECT_EQ(Etiquetas(Ruta("doc.tif")), (Nombres{"B1", "G2", "C3"}));
    }
}

// FreeImage cannot store 16-bit colour in TIFF (a page without pixels, and
// a document that fails at its close) nor 16 or 32 bits in JPEG.
TEST_F(Salidas, PagesOfEveryDepthAreKept) {
    PrepararSalida("doc.tif", ".tif", TWFF_TIFFMULTI);
    Entregar({Pagina("B1", PixelFormat::BlackWhite1, 75), PaginaDeProfundidad("S2", 16),
              PaginaDeProfundidad("T3", 32)});
    zel::CerrarDocumentoMultipagina();
    EXPECT_EQ(Etiquetas(Ruta("doc.tif")), (Nombres{"B1", "S2", "T3"}));

    zel::ReiniciarOpciones(true);
    PrepararSalida("scan.jpg", ".jpg", TWFF_JFIF);
    Entregar({PaginaDeProfundidad("S1", 16), PaginaDeProfundidad("T2", 32),
              Pagina("B3", PixelFormat::BlackWhite1, 75)});
    EXPECT_EQ(EtiquetasDeSerie(Archivos()), (Nombres{"S1", "T2", "B3"}));

    zel::ReiniciarOpciones(true);
    PrepararSalida("scan.tif", ".tif", TWFF_TIFF);
    Entregar({PaginaDeProfundidad("S1", 16)});
    ASSERT_EQ(LeerTiff(Ruta("scan.tif")).size(), 1u);
    EXPECT_EQ(LeerTiff(Ruta("scan.tif"))[0].muestras, 3u);
    EXPECT_EQ(Etiqueta(Ruta("scan.tif")), "S1");

    zel::ReiniciarOpciones(true);
    PrepararSalida("scan.png", ".png", TWFF_PNG);
    Entregar({PaginaDeProfundidad("S1", 16)});
    EXPECT_EQ(Etiqueta(Ruta("scan.png")), "S1");
}

// The page reaches FreeImage as the bitmap file the bitmap writer makes of
// it: same depth, size, palette, resolution and pixels.
TEST_F(Salidas, PageFromMemoryEqualsTheBitmapFile) {
    for (PixelFormat formato : {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24}) {
        HGLOBAL hDib = Pagina("M", formato, 60);
        char archivo[] = "C:\\page.bmp";
        ASSERT_EQ(EscribirEnNombreArchivo(hDib, archivo), 0);
        FIBITMAP *deArchivo = FreeImage_Load(FIF_BMP, Host(archivo).c_str(), 0);
        FIBITMAP *deMemoria = zel::CargarPaginaDeDib(hDib);
        ASSERT_TRUE(deArchivo && deMemoria);
        EXPECT_EQ(FreeImage_GetBPP(deMemoria), FreeImage_GetBPP(deArchivo));
        EXPECT_EQ(FreeImage_GetDotsPerMeterX(deMemoria), FreeImage_GetDotsPerMeterX(deArchivo));
        size_t bytes = FreeImage_GetPitch(deArchivo) * FreeImage_GetHeight(deArchivo);
        ASSERT_EQ(FreeImage_GetPitch(deMemoria) * FreeImage_GetHeight(deMemoria), bytes);
        EXPECT_EQ(std::memcmp(FreeImage_GetBits(deMemoria), FreeImage_GetBits(deArchivo), bytes),
                  0);
        ASSERT_EQ(FreeImage_GetColorsUsed(deMemoria), FreeImage_GetColorsUsed(deArchivo));
        if (FreeImage_GetColorsUsed(deArchivo)) {
            EXPECT_EQ(std::memcmp(FreeImage_GetPalette(deMemoria), FreeImage_GetPalette(deArchivo),
                                  FreeImage_GetColorsUsed(deArchivo) * sizeof(RGBQUAD)),
                      0);
        }
        FreeImage_Unload(deArchivo);
        FreeImage_Unload(deMemoria);
        GlobalFree(hDib);
    }
}

TEST(MensajesDeFreeImage, GoToTheDebugOutput) {
    zel::PrepararFreeImage();
    FreeImage_OutputMessageProc(FIF_TIFF, "prueba %d", 7);
    EXPECT_NE(
        std::string(ZelPlat_DebugOutputEntry(ZelPlat_DebugOutputCount() - 1)).find("prueba 7"),
        std::string::npos);
    TIFFWarning("modulo", "aviso %d", 3);
    EXPECT_STREQ(ZelPlat_DebugOutputEntry(ZelPlat_DebugOutputCount() - 1),
                 "ZELTW: libtiff modulo: aviso 3\n");
}

// The same page with a longer info header (BITMAPV4HEADER, BITMAPV5HEADER):
// the header's own fields, then zeros, then the table and rows unchanged.
HGLOBAL ConCabecera(HGLOBAL hDib, DWORD tamano) {
    const auto *p = static_cast<const BYTE *>(GlobalLock(hDib));
    std::vector<BYTE> dib(p, p + 40);
    dib.resize(tamano, 0);
    dib.insert(dib.end(), p + 40, p + GlobalSize(hDib));
    GlobalUnlock(hDib);
    GlobalFree(hDib);
    std::memcpy(dib.data(), &tamano, sizeof tamano);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    std::memcpy(GlobalLock(h), dib.data(), dib.size());
    GlobalUnlock(h);
    return h;
}

std::vector<BYTE> Pixeles(const std::string &windows) {
    FIBITMAP *b = FreeImage_Load(FIF_BMP, Host(windows).c_str(), 0);
    std::vector<BYTE> pixeles;
    if (!b)
        return pixeles;
    for (unsigned y = 0; y < FreeImage_GetHeight(b); ++y) {
        const BYTE *fila = FreeImage_GetScanLine(b, int(y));
        pixeles.insert(pixeles.end(), fila, fila + FreeImage_GetLine(b));
    }
    FreeImage_Unload(b);
    return pixeles;
}

} // namespace

TEST_F(Salidas, LongerInfoHeadersAreWrittenPixelForPixel) {
    for (PixelFormat formato : {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24}) {
        zel::ReiniciarOpciones(true);
        PrepararSalida("h.bmp", ".bmp", TWFF_BMP);
        Entregar({Pagina("H", formato), ConCabecera(Pagina("H", formato), 108),
                  ConCabecera(Pagina("H", formato), 124)});
        ASSERT_EQ(Archivos(), (Nombres{"h.bmp", "h_1.bmp", "h_2.bmp"}));
        std::vector<BYTE> referencia = Pixeles(Ruta("h.bmp"));
        ASSERT_FALSE(referencia.empty());
        EXPECT_EQ(Pixeles(Ruta("h_1.bmp")), referencia) << "108-byte header";
        EXPECT_EQ(Pixeles(Ruta("h_2.bmp")), referencia) << "124-byte header";
    }
}
