// Pages that cannot be written: reported once per acquisition, the rest of
// the batch written, nothing half-written left under a page's name.
#include "page_writer_support.h"

#include "../support/ui_recorder.h"
#include "pages/page_writer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pwtest;
using Nombres = std::vector<std::string>;

namespace {

size_t LineasDePaginaPerdida() {
    size_t lineas = 0;
    for (const auto &linea : zeltest::DebugLines())
        lineas += linea.rfind("ZELTW: page not written:", 0) == 0;
    return lineas;
}

// Runs the body in a child whose files may not grow beyond the limit (a
// full disk); its result is the child's exit status.
template <typename F> int ConDiscoLleno(rlim_t limite, F cuerpo) {
    pid_t hijo = fork();
    if (hijo == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit rl{limite, limite};
        setrlimit(RLIMIT_FSIZE, &rl);
        _exit(cuerpo());
    }
    int estado = 0;
    waitpid(hijo, &estado, 0);
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

class Fallos : public ::testing::Test {
  protected:
    void SetUp() override {
        zel::ReiniciarOpciones(true);
        ZelPlat_DebugOutputClear();
    }
};

TEST_F(Fallos, FolderThatCannotBeWrittenIsReportedOnce) {
    PrepararSalida("scan.jpg", ".jpg", TWFF_JFIF);
    std::snprintf(zel::szArchivoSalida, sizeof zel::szArchivoSalida, "C:\\no\\hay\\scan.jpg");
    zeltest::BoxRecorder cajas;
    size_t bloques = ZelPlat_LiveGlobalBlocks();
    Entregar({Pagina("P1", PixelFormat::Gray8), Pagina("P2", PixelFormat::Gray8)});
    Entregar({Pagina("P3", PixelFormat::Rgb24)});
    zel::MostrarPaginasPerdidas();
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), bloques);
    ASSERT_EQ(cajas.boxes().size(), 1u);
    EXPECT_NE(cajas.boxes()[0].text.find("C:\\no\\hay\\scan.jpg"), std::string::npos);
    EXPECT_NE(cajas.boxes()[0].text.find("p\xE1gina"), std::string::npos);
    EXPECT_EQ(LineasDePaginaPerdida(), 3u);

    // The next acquisition reports again.
    zel::ReiniciarOpciones(true);
    PrepararSalida("doc.tif", ".tif", TWFF_TIFFMULTI);
    std::snprintf(zel::szArchivoSalida, sizeof zel::szArchivoSalida, "C:\\no\\hay\\doc.tif");
    Entregar({Pagina("P1", PixelFormat::Gray8), Pagina("P2", PixelFormat::Gray8)});
    zel::CerrarDocumentoMultipagina();
    zel::MostrarPaginasPerdidas();
    EXPECT_EQ(cajas.boxes().size(), 2u);
    EXPECT_EQ(zel::hMultiPagina, nullptr);
}

// Colour pages do not fit the space left, the black-and-white one does.
TEST_F(Fallos, FullDiskLosesOnlyThePagesThatDoNotFit) {
    PrepararSalida("scan.bmp", ".bmp", TWFF_BMP);
    int cajas = ConDiscoLleno(200 * 1024, [] {
        zeltest::BoxRecorder cajas;
        Entregar({Pagina("C1", PixelFormat::Rgb24), Pagina("W2", PixelFormat::BlackWhite1, 75),
                  Pagina("C3", PixelFormat::Rgb24)});
        zel::MostrarPaginasPerdidas();
        return int(cajas.boxes().size());
    });
    EXPECT_EQ(cajas, 1);
    EXPECT_EQ(Archivos(), Nombres{"scan.bmp"});
    EXPECT_EQ(Etiqueta(Ruta("scan.bmp")), "W2");
}

// The header and a few rows of a page: more than FreeImage can read.
HGLOBAL PaginaCortada() {
    HGLOBAL entera = Pagina("X", PixelFormat::Gray8);
    constexpr size_t kCabeceraYTabla = 40 + 256 * 4;
    HGLOBAL cortada = GlobalAlloc(GMEM_MOVEABLE, kCabeceraYTabla + 64);
    std::memcpy(GlobalLock(cortada), GlobalLock(entera), kCabeceraYTabla + 64);
    GlobalUnlock(cortada);
    GlobalUnlock(entera);
    GlobalFree(entera);
    return cortada;
}

TEST_F(Fallos, UnreadablePageIsReportedAndNeverTakenForBlank) {
    for (double umbral : {-1.0, 5.0}) {
        SCOPED_TRACE(umbral);
        zel::ReiniciarOpciones(true);
        ZelPlat_DebugOutputClear();
        PrepararSalida("scan.bmp", ".bmp", TWFF_BMP);
        zel::dUmbralBlanco = umbral;
        zeltest::BoxRecorder cajas;
        Entregar(
            {Pagina("P1", PixelFormat::Gray8), PaginaCortada(), Pagina("P3", PixelFormat::Gray8)});
        zel::MostrarPaginasPerdidas();
        EXPECT_EQ(EtiquetasDeSerie(Archivos()), (Nombres{"P1", "P3"}));
        EXPECT_EQ(zel::nPaginasDescartadas, 0);
        EXPECT_EQ(LineasDePaginaPerdida(), 1u);
        ASSERT_EQ(cajas.boxes().size(), 1u);
        EXPECT_NE(cajas.boxes()[0].text.find(zel::szArchivoSalida), std::string::npos);
    }
}

// Each grey page (about 240 KB) fits, the document of both does not: only
// the close can fail, and it must be the step that reports.
TEST_F(Fallos, FullDiskAtTheCloseOfTheDocumentIsReportedByTheClose) {
    PrepararSalida("doc.tif", ".tif", TWFF_TIFFMULTI);
    int informes = ConDiscoLleno(400 * 1024, [] {
        zeltest::BoxRecorder cajas;
        Entregar({Pagina("G1", PixelFormat::Gray8), Pagina("G2", PixelFormat::Gray8),
                  Pagina("G3", PixelFormat::Gray8), Pagina("G4", PixelFormat::Gray8)});
        size_t antes = LineasDePaginaPerdida();
        zel::CerrarDocumentoMultipagina();
        zel::MostrarPaginasPerdidas();
        size_t alCerrar = LineasDePaginaPerdida() - antes;
        return int(100 * antes + 10 * alCerrar + cajas.boxes().size());
    });
    // The document file holds the first page; the close loses the other three.
    EXPECT_EQ(informes, 31) << "lost before the close x100, at the close x10, boxes x1";
}

} // namespace
