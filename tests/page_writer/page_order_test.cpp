// Where the pages go: manual duplex, blank pages dropped within it, a second
// pass longer than the first, and numbered names past 999 or past 255
// characters.
#include "page_writer_support.h"

#include "pages/page_names.h"
#include "pages/page_writer.h"
#include "session/session.h"

#include "../support/ui_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace pwtest;
using Nombres = std::vector<std::string>;

namespace {

class Orden : public ::testing::Test {
  protected:
    void SetUp() override {
        zel::ReiniciarOpciones(true);
        zel::nModoDuplex = 1;
    }
    void TearDown() override { EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), bloques_); }

    // Fronts of grey pages held together, as a first pass delivers them;
    // backs in colour, one call each, as the second pass does.
    void DuplexManual(const std::vector<std::string> &frentes,
                      const std::vector<std::string> &dorsos) {
        std::vector<HGLOBAL> paginas;
        for (const auto &frente : frentes)
            paginas.push_back(PaginaDe(frente, PixelFormat::Gray8));
        Entregar(paginas);
        zel::nPasada = 2;
        for (const auto &dorso : dorsos)
            Entregar({PaginaDe(dorso, PixelFormat::Rgb24)});
        zel::CerrarDocumentoMultipagina();
    }
    // "-" stands for a blank side.
    static HGLOBAL PaginaDe(const std::string &etiqueta, PixelFormat formato) {
        return etiqueta == "-" ? PaginaEnBlanco(formato) : Pagina(etiqueta, formato);
    }
    size_t bloques_ = ZelPlat_LiveGlobalBlocks();
};

TEST_F(Orden, ManualDuplexInterleavesTheBacksIntoTheDocument) {
    PrepararSalida("doc.tif", ".tif", TWFF_TIFFMULTI);
    DuplexManual({"F1", "F2", "F3"}, {"B3", "B2", "B1"});
    EXPECT_EQ(Etiquetas(Ruta("doc.tif")), (Nombres{"F1", "B1", "F2", "B2", "F3", "B3"}));
    EXPECT_EQ(Archivos(), Nombres{"doc.tif"});
}

TEST_F(Orden, ManualDuplexNumbersTheFilesInPageOrder) {
    PrepararSalida("scan.jpg", ".jpg", TWFF_JFIF);
    DuplexManual({"F1", "F2", "F3"}, {"B3", "B2", "B1"});
    EXPECT_EQ(Archivos(), (Nombres{"scan.jpg", "scan_1.jpg", "scan_2.jpg", "scan_3.jpg",
                                   "scan_4.jpg", "scan_5.jpg"}));
    EXPECT_EQ(EtiquetasDeSerie(Archivos()), (Nombres{"F1", "B1", "F2", "B2", "F3", "B3"}));
}

// A forced manual duplex keeps blank-page discarding: the pages left keep
// reading order, numbered without a gap, none written over another.
TEST_F(Orden, ForcedDuplexDropsBlankSidesWithoutGaps) {
    for (TW_UINT16 formato : {TW_UINT16(TWFF_JFIF), TW_UINT16(TWFF_TIFFMULTI)}) {
        zel::ReiniciarOpciones(true);
        zel::nModoDuplex = 1;
        zel::dUmbralBlanco = 1.0;
        bool documento = formato == TWFF_TIFFMULTI;
        PrepararSalida(documento ? "doc.tif" : "scan.jpg", documento ? ".tif" : ".jpg", formato);
        DuplexManual({"F1", "-", "F3", "F4"}, {"B4", "-", "B2", "-"});
        Nombres esperadas{"F1", "B2", "F3", "F4", "B4"};
        if (documento) {
            EXPECT_EQ(Etiquetas(Ruta("doc.tif")), esperadas);
        } else {
            EXPECT_EQ(Archivos(), (Nombres{"scan.jpg", "scan_1.jpg", "scan_2.jpg", "scan_3.jpg",
                                           "scan_4.jpg"}));
            EXPECT_EQ(EtiquetasDeSerie(Archivos()), esperadas);
        }
    }
}

// Backs beyond the sheets of the first pass go to the end, in the order
// they come; a shorter second pass leaves no gap either.
TEST_F(Orden, SecondPassOfAnotherLengthLosesNoPage) {
    PrepararSalida("doc.tif", ".tif", TWFF_TIFFMULTI);
    DuplexManual({"F1", "F2"}, {"B2", "B1", "X1", "X2"});
    EXPECT_EQ(Etiquetas(Ruta("doc.tif")), (Nombres{"F1", "B1", "F2", "B2", "X1", "X2"}));

    zel::ReiniciarOpciones(true);
    zel::nModoDuplex = 1;
    PrepararSalida("scan.png", ".png", TWFF_PNG);
    DuplexManual({"F1", "F2", "F3"}, {"B3", "B2"});
    EXPECT_EQ(EtiquetasDeSerie(Archivos()), (Nombres{"F1", "F2", "B2", "F3", "B3"}));
}

TEST_F(Orden, NumbersGoPastNineHundredNinetyNine) {
    zel::nModoDuplex = 2;
    PrepararSalida("s.bmp", ".bmp", TWFF_BMP);
    for (int lote = 0; lote < 11; ++lote) {
        std::vector<HGLOBAL> paginas;
        for (int i = 0; i < 100; ++i)
            paginas.push_back(PaginaCasiEnBlanco(0, PixelFormat::BlackWhite1, 0.1, 80));
        Entregar(paginas);
    }
    EXPECT_EQ(Archivos().size(), 1100u);
    EXPECT_TRUE(std::filesystem::exists(Host(Ruta("s_1099.bmp"))));
}

// A numbered name that would not fit 255 characters is reported, and the
// page is not written under a cut name.
TEST_F(Orden, NameTooLongIsReportedNotCut) {
    zel::nModoDuplex = 2;
    std::string carpeta = Carpeta();
    while (carpeta.size() < 230)
        carpeta += "\\carpeta";
    std::string nombre = carpeta + "\\" + std::string(249 - carpeta.size(), 'n') + ".bmp";
    ASSERT_EQ(nombre.size(), 254u);
    PrepararSalida("x", ".bmp", TWFF_BMP);
    std::filesystem::create_directories(Host(carpeta));
    std::snprintf(zel::szArchivoSalida, sizeof zel::szArchivoSalida, "%s", nombre.c_str());
    char largo[zel::kTamArchivoSalida];
    ASSERT_FALSE(zel::NombreDePagina(1, largo));

    zeltest::BoxRecorder cajas;
    Entregar({PaginaEnBlanco(PixelFormat::BlackWhite1), PaginaEnBlanco(PixelFormat::BlackWhite1),
              PaginaEnBlanco(PixelFormat::BlackWhite1)});
    zel::MostrarPaginasPerdidas();
    EXPECT_EQ(cajas.boxes().size(), 1u);
    size_t archivos = 0;
    for (const auto &entrada : std::filesystem::directory_iterator(Host(carpeta)))
        archivos += entrada.is_regular_file();
    EXPECT_EQ(archivos, 1u);
    EXPECT_TRUE(std::filesystem::exists(Host(nombre)));
}

} // namespace
