// The blank-page test against a plain per-pixel count, at every depth it
// counts, on printed pages with scanner noise.
#include "page_writer_support.h"

#include "pages/page_writer.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pwtest;

namespace {

// Dark pixels by the rule, one pixel at a time through FreeImage's accessors.
long OscurosPixelAPixel(FIBITMAP *pagina) {
    unsigned bits = FreeImage_GetBPP(pagina);
    long oscuros = 0;
    for (unsigned y = 0; y < FreeImage_GetHeight(pagina); ++y)
        for (unsigned x = 0; x < FreeImage_GetWidth(pagina); ++x) {
            BYTE indice = 0;
            RGBQUAD color{};
            bool blanco;
            if (bits <= 8) {
                FreeImage_GetPixelIndex(pagina, x, y, &indice);
                blanco = bits == 1 ? indice == 1 : bits == 4 ? indice == 15 : indice > 245;
            } else {
                FreeImage_GetPixelColor(pagina, x, y, &color);
                blanco =
                    0.2126 * color.rgbRed + 0.7152 * color.rgbGreen + 0.0722 * color.rgbBlue > 245;
            }
            oscuros += !blanco;
        }
    return oscuros;
}

bool EnBlanco(FIBITMAP *pagina, double umbral) {
    zel::dUmbralBlanco = umbral;
    return zel::EsPaginaEnBlanco(pagina);
}

FIBITMAP *BitmapDePagina(HGLOBAL hDib) {
    FIBITMAP *bitmap = BitmapDe(hDib);
    GlobalFree(hDib);
    return bitmap;
}

// Just above the share of dark pixels the page is blank, just below it is not.
TEST(PaginaEnBlanco, AgreesWithThePerPixelRuleAtEveryDepth) {
    FIBITMAP *gris = BitmapDePagina(Pagina("gris", PixelFormat::Gray8));
    std::vector<FIBITMAP *> paginas = {BitmapDePagina(Pagina("uno", PixelFormat::BlackWhite1, 47)),
                                       FreeImage_ConvertTo4Bits(gris),
                                       gris,
                                       BitmapDePagina(PaginaDeProfundidad("diez y seis", 16)),
                                       BitmapDePagina(Pagina("color", PixelFormat::Rgb24)),
                                       BitmapDePagina(PaginaDeProfundidad("treinta y dos", 32))};
    for (FIBITMAP *pagina : paginas) {
        double total = double(FreeImage_GetWidth(pagina)) * FreeImage_GetHeight(pagina);
        long oscuros = OscurosPixelAPixel(pagina);
        ASSERT_GT(oscuros, 0);
        EXPECT_TRUE(EnBlanco(pagina, (oscuros + 0.5) * 100.0 / total)) << FreeImage_GetBPP(pagina);
        EXPECT_FALSE(EnBlanco(pagina, (oscuros - 0.5) * 100.0 / total)) << FreeImage_GetBPP(pagina);
        FreeImage_Unload(pagina);
    }
}

// 100 x 100 pixels at 1 %: at most 100 dark pixels.  The width is not a
// whole number of bytes.
TEST(PaginaEnBlanco, OneBitPageAtTheLimit) {
    FIBITMAP *enElLimite =
        BitmapDePagina(PaginaCasiEnBlanco(100, PixelFormat::BlackWhite1, 1, 100));
    FIBITMAP *unoMas = BitmapDePagina(PaginaCasiEnBlanco(101, PixelFormat::BlackWhite1, 1, 100));
    ASSERT_EQ(FreeImage_GetWidth(enElLimite), 100u);
    EXPECT_TRUE(EnBlanco(enElLimite, 1.0));
    EXPECT_FALSE(EnBlanco(unoMas, 1.0));
    FreeImage_Unload(enElLimite);
    FreeImage_Unload(unoMas);
}

TEST(PaginaEnBlanco, WhiteColourPagesAreBlank) {
    for (unsigned bits : {16u, 24u, 32u}) {
        FIBITMAP *blanca = FreeImage_Allocate(40, 30, int(bits));
        std::memset(FreeImage_GetBits(blanca), 0xFF,
                    FreeImage_GetPitch(blanca) * FreeImage_GetHeight(blanca));
        EXPECT_TRUE(EnBlanco(blanca, 0.0)) << bits;
        RGBQUAD gris{100, 100, 100, 0};
        FreeImage_SetPixelColor(blanca, 3, 4, &gris);
        EXPECT_FALSE(EnBlanco(blanca, 0.0)) << bits;
        FreeImage_Unload(blanca);
    }
}

// Luminance 245 is not white, 246 is.
TEST(PaginaEnBlanco, ColourWhiteStartsAboveTwoHundredFortyFive) {
    for (unsigned bits : {24u, 32u}) {
        for (BYTE gris : {BYTE(245), BYTE(246)}) {
            FIBITMAP *pagina = FreeImage_Allocate(40, 30, int(bits));
            std::memset(FreeImage_GetBits(pagina), 0xFF,
                        FreeImage_GetPitch(pagina) * FreeImage_GetHeight(pagina));
            RGBQUAD color{gris, gris, gris, 0};
            FreeImage_SetPixelColor(pagina, 5, 6, &color);
            EXPECT_EQ(EnBlanco(pagina, 0.0), gris == 246) << bits;
            FreeImage_Unload(pagina);
        }
    }
}

// The bits after the last pixel of a 1-bit row are not pixels, whatever
// they hold.
TEST(PaginaEnBlanco, PaddingOfOneBitRowsDoesNotCount) {
    FIBITMAP *oscura = FreeImage_Allocate(100, 100, 1);
    for (unsigned y = 0; y < 100; ++y) {
        BYTE *fila = FreeImage_GetScanLine(oscura, int(y));
        std::memset(fila, 0, FreeImage_GetPitch(oscura));
        fila[12] = 0x0F;
        std::memset(fila + 13, 0xFF, FreeImage_GetPitch(oscura) - 13);
    }
    EXPECT_FALSE(EnBlanco(oscura, 99.0));
    FreeImage_Unload(oscura);
}

// Pixels of other kinds count neither way: blank only at 100 %.
TEST(PaginaEnBlanco, OtherDepthsAreBlankOnlyAtOneHundred) {
    FIBITMAP *rgb16 = FreeImage_AllocateT(FIT_RGB16, 20, 20);
    EXPECT_FALSE(EnBlanco(rgb16, 99.9));
    EXPECT_TRUE(EnBlanco(rgb16, 100.0));
    FreeImage_Unload(rgb16);
}

} // namespace
