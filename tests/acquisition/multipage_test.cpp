// Multi-page acquisitions: the options and their lifetime, the output name
// and its extension, and what a one-sided batch leaves on disk.
#include "acquisition_support.h"

#include <FreeImage.h>

#include <cmath>

#include "pages/multipage_state.h"
#include "acquisition/output_name.h"
#include "session/session.h"
#include "session/transferred_page.h"

using namespace zeltest;

namespace {

const std::string kThreeSheets =
    OneScanner(R"("feeder": true, "paper": {"sheets": 3}, "operator": {"delay_ms": 5})");

class Multipage : public AcquisitionTest {};

std::string Chosen(TW_UINT16 code, std::string name) {
    zel::nFormatoArchivo = code;
    name.resize(260, '\0');
    char chosen[zel::kTamArchivoSalida] = "";
    if (!zel::ElegirArchivoSalida(name.data(), chosen))
        return "(refused)";
    return std::string(chosen) + " " + zel::szExtension;
}

} // namespace

TEST(MultipageOptions, SettersKeepOnlyValuesInRange) {
    // The options are process-wide: later cases start from the defaults.
    struct Restaurar {
        ~Restaurar() { zel::ReiniciarOpciones(true); }
    } restaurar;
    Comprimir(-8);
    for (int bad : {0, -10, 101})
        Comprimir(bad);
    EXPECT_EQ(zel::nCompresion, -8);
    Comprimir(100);
    EXPECT_EQ(zel::nCompresion, 100);

    PonDuplex(1);
    PonDuplex(2);
    PonDuplex(-1);
    EXPECT_EQ(zel::nModoDuplex, 1);
    PonDuplex(0);
    EXPECT_EQ(zel::nModoDuplex, 0);

    ForzarDuplex(1);
    ForzarDuplex(2);
    EXPECT_EQ(zel::bForzarDuplex, 1);

    DescartarEnBlanco(5.0);
    for (double bad : {-1.0, 100.5, -7.0, std::nan("")})
        DescartarEnBlanco(bad);
    EXPECT_EQ(zel::dUmbralBlanco, 5.0);
    DescartarEnBlanco(100.0);
    EXPECT_EQ(zel::dUmbralBlanco, 100.0);
}

TEST(OutputName, ExtensionsAreFoundAnywhereAndAppendedWhenMissing) {
    EXPECT_EQ(Chosen(TWFF_TIFFMULTI, "C:\\Scan.TIF"), "C:\\Scan.TIF .tif");
    EXPECT_EQ(Chosen(TWFF_TIFFMULTI, "C:\\scan"), "C:\\scan.tif .tif");
    EXPECT_EQ(Chosen(TWFF_TIFFMULTI, "C:\\a.tiff.bak"), "C:\\a.tiff.bak .tiff");
    EXPECT_EQ(Chosen(TWFF_TIFF, "C:\\x.TIFF"), "C:\\x.TIFF .tiff");
    EXPECT_EQ(Chosen(TWFF_JFIF, "C:\\p.JPEG"), "C:\\p.JPEG .jpeg");
    EXPECT_EQ(Chosen(TWFF_JFIF, "C:\\p.jpg"), "C:\\p.jpg .jpg");
    EXPECT_EQ(Chosen(TWFF_JFIF, "C:\\p"), "C:\\p.jpg .jpg");
    EXPECT_EQ(Chosen(TWFF_BMP, "C:\\b"), "C:\\b.bmp .bmp");
    EXPECT_EQ(Chosen(TWFF_PNG, "C:\\b.png"), "C:\\b.png .png");
    EXPECT_EQ(Chosen(TWFF_PDF, "C:\\d"), "C:\\d.pdf .pdf");
    // Another code appends nothing and keeps the extension it had.
    EXPECT_EQ(Chosen(99, "C:\\raw"), "C:\\raw .pdf");
}

TEST(OutputName, ANameThatWouldNotFitIsRefusedUntouched) {
    BoxRecorder boxes;
    std::string name = "C:\\" + std::string(249, 'n'); // 252 characters
    EXPECT_EQ(Chosen(TWFF_TIFFMULTI, name), "(refused)");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    // 251 characters and the extension make 255: the most a name holds.
    EXPECT_EQ(Chosen(TWFF_TIFFMULTI, name.substr(0, 251)), name.substr(0, 251) + ".tif .tif");
}

TEST_F(Multipage, ThreePagesIntoOneTiffAndTheExtensionInTheCallersBuffer) {
    UseScenario(kThreeSheets);
    std::string folder = CleanFolder("multi");
    char name[64];
    lstrcpynA(name, (folder + "\\scan").c_str(), sizeof name);
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name), 1);
    EXPECT_EQ(std::string(name), folder + "\\scan.tif");
    EXPECT_EQ(PageLabels(name),
              (std::vector<std::string>{"sheet 1 front", "sheet 2 front", "sheet 3 front"}));
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"scan.tif"});
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
}

TEST_F(Multipage, BlankPageOfAJpegSeriesIsDroppedWithoutAGap) {
    UseScenario(OneScanner(R"("feeder": true, "operator": {"delay_ms": 5},
        "capabilities": {"ICAP_PIXELTYPE": {"current": 1}},
        "paper": {"sheets": [{"front": "printed"}, {"front": "blank"}, {"front": "printed"}]})"));
    std::string folder = CleanFolder("jpeg");
    std::string name = folder + "\\name.jpg";
    for (int run = 0; run < 2; ++run) {
        DescartarEnBlanco(5.0);
        ASSERT_EQ(AdquirirMultipagina(0, TWFF_JFIF, name.data()), 1);
        EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"name.jpg", "name_1.jpg"}));
        EXPECT_EQ(Label(name), "sheet 1 front");
        EXPECT_EQ(Label(folder + "\\name_1.jpg"), "sheet 3 front");
        EXPECT_EQ(zel::dUmbralBlanco, -1.0); // reset for the next acquisition
    }
}

TEST_F(Multipage, PdfCodeScansAndWritesNothing) {
    UseScenario(kThreeSheets);
    std::string folder = CleanFolder("pdf");
    DialogAnswer answer(folder + "\\doc");
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_PDF, nullptr), 1);
    EXPECT_EQ(answer.filter, "Formato PDF(*.pdf)|*.pdf");
    EXPECT_TRUE(FilesIn(folder).empty());
}

TEST_F(Multipage, CancelledDialogLeavesOptionsAndSourceOpen) {
    UseScenario(kThreeSheets);
    DialogAnswer cancel("");
    Comprimir(-8);
    DescartarEnBlanco(3.0);
    EXPECT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, nullptr), -1);
    EXPECT_EQ(cancel.filter, "Formato Multipagina (*.tif;*.tiff)|*.tif;*.tiff");
    EXPECT_EQ(zel::nCompresion, -8);
    EXPECT_EQ(zel::dUmbralBlanco, 3.0);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
}

TEST_F(Multipage, ForcedDuplexLastsUntilResetOrAFailedOpen) {
    UseScenario(OneScanner(R"("feeder": true, "paper": {"sheets": 1},
        "operator": {"delay_ms": 5, "reload_turned_stack": true})"));
    std::string folder = CleanFolder("forced");
    std::string name = folder + "\\f.tif";
    OcultarUI(1);
    ForzarDuplex(1);
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
    EXPECT_EQ(zel::bForzarDuplex, 1);
    EXPECT_EQ(PageLabels(name), (std::vector<std::string>{"sheet 1 front", "sheet 1 back"}));

    setenv("WINDIR", HostPath("C:\\nowhere").c_str(), 1);
    EXPECT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 0);
    EXPECT_EQ(zel::bForzarDuplex, 0);
}

// A page a host took with EsperarANativeXfer stays the host's: a later
// acquisition whose batch never runs (the feeder is empty) writes nothing
// and frees nothing of it.
TEST_F(Multipage, AHostsPageIsNeitherWrittenIntoALaterDocumentNorFreed) {
    UseScenario(OneScanner(R"("feeder": true, "paper": {"sheets": 3},
        "capabilities": {"ICAP_PIXELTYPE": {"current": 1}}, "operator": {"delay_ms": 5})"));
    OcultarUI(1);
    ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
    HGLOBAL dib = EsperarANativeXfer(0);
    ASSERT_NE(dib, HGLOBAL(0));
    SIZE_T size = GlobalSize(dib);
    ASSERT_EQ(DeshabilitarDispositivo(), 1);
    std::string folder = CleanFolder("later");
    std::string name = folder + "\\later.tif";
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
    EXPECT_TRUE(FilesIn(folder).empty());
    EXPECT_EQ(GlobalSize(dib), size);
    EXPECT_EQ(DibLabel(dib), "sheet 1 front");
    LiberadorDeMemoria(dib);
}

// A page whose DIB carries no resolution is written with the source's
// current one, read from the source; one that carries it keeps it.
TEST_F(Multipage, PagesWithoutResolutionAreWrittenWithTheSources) {
    for (std::string carries : {"true", "false"}) {
        SCOPED_TRACE("DIB carries a resolution: " + carries);
        UseScenario(OneScanner(R"("feeder": true, "operator": {"delay_ms": 5},
            "paper": {"sheets": 2, "width_inches": 2, "height_inches": 3},
            "dib": {"resolution": )" +
                               carries + R"(},
            "capabilities": {"ICAP_XRESOLUTION": {"current": 150},
                             "ICAP_YRESOLUTION": {"current": 200}})"));
        std::string name = CleanFolder("resolution_" + carries) + "\\r.tif";
        ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
        FIMULTIBITMAP *doc =
            FreeImage_OpenMultiBitmap(FIF_TIFF, HostPath(name).c_str(), FALSE, TRUE, FALSE, 0);
        ASSERT_NE(doc, nullptr);
        ASSERT_EQ(FreeImage_GetPageCount(doc), 2);
        for (int page = 0; page < 2; ++page) {
            FIBITMAP *bitmap = FreeImage_LockPage(doc, page);
            EXPECT_NEAR(FreeImage_GetDotsPerMeterX(bitmap) * 0.0254, 150, 0.5);
            EXPECT_NEAR(FreeImage_GetDotsPerMeterY(bitmap) * 0.0254, 200, 0.5);
            FreeImage_UnlockPage(doc, bitmap, FALSE);
        }
        FreeImage_CloseMultiBitmap(doc, 0);
    }
}

// One known axis, from the DIB or the source, serves for both; a field
// that nothing gives keeps its value.
TEST_F(Multipage, ResolutionOfOneAxisServesForBoth) {
    const char *kNone = R"("ICAP_XRESOLUTION": null, "ICAP_YRESOLUTION": null)";
    const struct {
        const char *capabilities;
        LONG dibX, dibY, x, y; // pixels per metre: 5906 is 150 dpi, 7874 200
    } cases[] = {
        {R"("ICAP_XRESOLUTION": {"current": 150}, "ICAP_YRESOLUTION": null)", 0, 0, 5906, 5906},
        {kNone, 7874, 0, 7874, 7874},
        {kNone, 0, -1, 0, -1}};
    for (const auto &c : cases) {
        UseScenario(OneScanner(std::string(R"("capabilities": {)") + c.capabilities + "}"));
        ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
        zel::OlvidarResolucionDelLote();
        HGLOBAL dib = GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER));
        auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
        *header = {40, 1, 1, 1, 24, BI_RGB, 0, c.dibX, c.dibY, 0, 0};
        zel::CompletarResolucion(dib);
        EXPECT_EQ(header->biXPelsPerMeter, c.x) << c.capabilities << " " << c.dibX;
        EXPECT_EQ(header->biYPelsPerMeter, c.y) << c.capabilities << " " << c.dibX;
        GlobalUnlock(dib);
        GlobalFree(dib);
        DescargarManejadorDispositivo();
    }
}
