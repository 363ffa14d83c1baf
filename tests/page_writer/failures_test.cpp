// Pages that cannot be written: reported once per acquisition, the rest of
// the batch written, nothing half-written left under a page's name.
#include "page_writer_support.h"

#include "../support/ui_recorder.h"
#include "pages/page_writer.h"

#include <gtest/gtest.h>

#include <csignal>
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
        return int(cajas.boxes().size());
    });
    EXPECT_EQ(cajas, 1);
    EXPECT_EQ(Archivos(), Nombres{"scan.bmp"});
    EXPECT_EQ(Etiqueta(Ruta("scan.bmp")), "W2");
}

TEST_F(Fallos, FullDiskAtTheCloseOfTheDocumentIsReported) {
    PrepararSalida("doc.tif", ".tif", TWFF_TIFFMULTI);
    int cajas = ConDiscoLleno(400 * 1024, [] {
        zeltest::BoxRecorder cajas;
        Entregar({Pagina("C1", PixelFormat::Rgb24)});
        Entregar({Pagina("C2", PixelFormat::Rgb24)});
        zel::CerrarDocumentoMultipagina();
        return int(cajas.boxes().size()) + (zel::hMultiPagina ? 10 : 0);
    });
    EXPECT_EQ(cajas, 1);
}

} // namespace
