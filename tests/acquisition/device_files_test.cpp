// Files written by the device itself through file transfer, collected under
// the caller's name: TIFF pages merged into one document, other formats
// left as numbered files; and the refusals that leave the source open.
#include "acquisition_support.h"

#include "pages/multipage_state.h"
#include "session/session.h"

using namespace zeltest;

namespace {

const std::string kThreeSheets =
    OneScanner(R"("feeder": true, "paper": {"sheets": 3}, "operator": {"delay_ms": 5})");

class DeviceFiles : public AcquisitionTest {};

} // namespace

TEST_F(DeviceFiles, TiffPagesAreMergedIntoTheChosenFile) {
    UseScenario(kThreeSheets);
    std::string folder = CleanFolder("devtiff");
    std::string name = folder + "\\scan";
    name.resize(name.size() + 8, '\0'); // room for the extension
    OcultarUI(1);
    ASSERT_EQ(AdquirirMultipaginaXDispositivo(0, TWFF_TIFF, name.data()), 1);
    EXPECT_STREQ(name.c_str(), (folder + "\\scan.tif").c_str());
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"scan.tif"});
    EXPECT_EQ(PageLabels(folder + "\\scan.tif"),
              (std::vector<std::string>{"sheet 1 front", "sheet 2 front", "sheet 3 front"}));
    EXPECT_EQ(zel::hMultiPagina, nullptr);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
}

TEST_F(DeviceFiles, OtherFormatsStayNumberedFiles) {
    UseScenario(kThreeSheets);
    std::string folder = CleanFolder("devpdf");
    DialogAnswer answer(folder + "\\book.pdf");
    OcultarUI(1);
    ASSERT_EQ(AdquirirMultipaginaXDispositivo(0, TWFF_PDF, nullptr), 1);
    EXPECT_EQ(answer.shown, 1);
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"book.pdf", "book_1.pdf", "book_2.pdf"}));
    EXPECT_EQ(Label(folder + "\\book_2.pdf"), "sheet 3 front");
}

TEST_F(DeviceFiles, UnlistedFormatRefusedWithoutDialog) {
    UseScenario(OneScanner(R"("feeder": true,
        "capabilities": {"ICAP_IMAGEFILEFORMAT": {"values": [0, 2], "current": 2}})"));
    DialogAnswer answer("C:\\never.png");
    EXPECT_EQ(AdquirirMultipaginaXDispositivo(0, TWFF_PNG, nullptr), 0);
    EXPECT_EQ(answer.shown, 0);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
}

TEST_F(DeviceFiles, RefusedSetupOrNoFeederLeavesTheSourceOpen) {
    UseScenario(OneScanner(R"("feeder": true, "faults": {"triplets": [
        {"dat": "DAT_SETUPFILEXFER", "msg": "MSG_SET", "rc": "TWRC_FAILURE", "cc": "TWCC_BADVALUE"}]})"));
    std::string name = CleanFolder("devrefused") + "\\a.tif";
    EXPECT_EQ(AdquirirMultipaginaXDispositivo(0, TWFF_TIFF, name.data()), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
    DescargarManejadorDispositivo();

    UseScenario(OneScanner(R"("feeder": false, "flatbed": true)"));
    EXPECT_EQ(AdquirirMultipaginaXDispositivo(0, TWFF_TIFF, name.data()), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
}

// A host's own file transfer writes where the host said: no file of the
// acquisition before it is named, merged or deleted.
TEST_F(DeviceFiles, AHostsOwnFileTransferTouchesNoFileOfAnEarlierAcquisition) {
    UseScenario(R"({"sources": [
        {"name": "Scanner A", "default": true, "feeder": true, "paper": {"sheets": 3},
         "operator": {"delay_ms": 5}},
        {"name": "Scanner B", "feeder": true, "paper": {"sheets": 1},
         "operator": {"delay_ms": 5}}]})");
    std::string folder = CleanFolder("devhost");
    std::string lote = folder + "\\lote.tif";
    OcultarUI(1);
    ASSERT_EQ(AdquirirMultipaginaXDispositivo(0, TWFF_TIFF, lote.data()), 1);
    ASSERT_EQ(AbrirDispositivoXNombre("Scanner B"), 1);
    ASSERT_EQ(PonXferMech(TWSX_FILE), 1);
    ASSERT_EQ(PonValorDeUnaCapacidad(ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TWFF_BMP), 1);
    TW_SETUPFILEXFER setup{};
    std::snprintf(setup.FileName, sizeof setup.FileName, "%s\\otro.bmp", folder.c_str());
    setup.Format = TWFF_BMP;
    ASSERT_EQ(ZEL_DS(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), 1);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    BucleEventosModal();
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"lote.tif", "otro.bmp"}));
    EXPECT_EQ(PageLabels(lote).size(), 3u);
    EXPECT_EQ(Label(folder + "\\otro.bmp"), "sheet 1 front");
}
