// Two-sided batches: the device's own duplex when it has one, otherwise the
// manual duplex with the stack turned over between two passes; and the
// question whether a source scans both sides.
#include "acquisition_support.h"

#include "pages/multipage_state.h"
#include "session/session.h"

using namespace zeltest;

namespace {

const char kDuplexCaption[] = "D\xFAplex Manual";
const std::vector<std::string> kInterleaved = {"sheet 1 front", "sheet 1 back",  "sheet 2 front",
                                               "sheet 2 back",  "sheet 3 front", "sheet 3 back"};

// A simplex feeder whose person turns the stack over once.
std::string SimplexFeeder(int presses, const std::string &extra = "") {
    return OneScanner(R"("feeder": true, "duplex": "none", "paper": {"sheets": 3},
        "operator": {"delay_ms": 5, "reload_turned_stack": true, "scan_presses": )" +
                      std::to_string(presses) + "}" + extra);
}

class Duplex : public AcquisitionTest {
  protected:
    int DuplexBoxes() const {
        int n = 0;
        for (const auto &box : boxes.boxes())
            if (box.caption == kDuplexCaption && box.type == (MB_OK | MB_ICONINFORMATION))
                ++n;
        return n;
    }
    std::string Output(const std::string &folder) { return CleanFolder(folder) + "\\d.tif"; }
};

} // namespace

TEST_F(Duplex, ManualWithHiddenInterfaceReopensTheSourceAndInterleaves) {
    UseScenario(SimplexFeeder(1));
    std::string name = Output("hidden");
    OcultarUI(1);
    PonDuplex(1);
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
    ASSERT_EQ(DuplexBoxes(), 1);
    EXPECT_EQ(boxes.boxes()[0].text,
              "Introduzca ahora las p\xE1ginas pares \n\r y pulse aceptar para continuar");
    EXPECT_EQ(PageLabels(name), kInterleaved);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    EXPECT_EQ(zel::nPasada, 1);
    EXPECT_EQ(zel::nModoDuplex, 2);
}

TEST_F(Duplex, ManualWithShownInterfaceWaitsForTheSecondScan) {
    UseScenario(SimplexFeeder(2));
    std::string name = Output("shown");
    OcultarUI(0);
    PonDuplex(1);
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
    ASSERT_EQ(DuplexBoxes(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, "Introduzca ahora las p\xE1ginas pares \n\r y pulse de "
                                     "nuevo el bot\xF3n para escanear");
    EXPECT_EQ(PageLabels(name), kInterleaved);
}

// The second pass reopens the source the host chose: not the default one,
// nor the first listed whose name is part of the chosen one's.
TEST_F(Duplex, SecondPassReopensTheSourceTheHostChose) {
    UseScenario(R"({"sources": [
        {"name": "Scan", "default": true, "feeder": true, "paper": {"sheets": 3}},
        {"name": "Scan Duplex", "feeder": true, "duplex": "none", "paper": {"sheets": 2},
         "operator": {"delay_ms": 5, "reload_turned_stack": true}}]})");
    std::string name = Output("chosen");
    ASSERT_EQ(AbrirDispositivo(1), 1);
    OcultarUI(1);
    PonDuplex(1);
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
    EXPECT_EQ(PageLabels(name), (std::vector<std::string>{"sheet 1 front", "sheet 1 back",
                                                          "sheet 2 front", "sheet 2 back"}));
}

TEST_F(Duplex, DeviceDuplexOnOrSwitchableScansInOnePass) {
    for (const char *current : {"true", "false"}) {
        UseScenario(OneScanner(R"("feeder": true, "duplex": "one-pass", "paper": {"sheets": 3},
            "operator": {"delay_ms": 5},
            "capabilities": {"CAP_DUPLEXENABLED": {"current": )" +
                               std::string(current) + "}}"));
        std::string name = Output(std::string("device_") + current);
        OcultarUI(1);
        PonDuplex(1);
        ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
        EXPECT_EQ(DuplexBoxes(), 0);
        EXPECT_EQ(PageLabels(name), kInterleaved) << current;
    }
}

TEST_F(Duplex, RefusedDeviceDuplexFallsBackToManualAndKeepsBlankPages) {
    UseScenario(OneScanner(R"("feeder": true, "duplex": "one-pass", "operator": {"delay_ms": 5,
        "reload_turned_stack": true},
        "paper": {"sheets": [{"front": "printed", "back": "blank"}, {"front": "printed", "back": "printed"}]},
        "faults": {"triplets": [{"msg": "MSG_SET", "cap": "CAP_DUPLEXENABLED",
                                 "rc": "TWRC_FAILURE", "cc": "TWCC_BADVALUE"}]})"));
    std::string name = Output("refused");
    OcultarUI(1);
    PonDuplex(1);
    DescartarEnBlanco(5.0);
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
    EXPECT_EQ(DuplexBoxes(), 1);
    EXPECT_EQ(PageLabels(name),
              (std::vector<std::string>{"sheet 1 front", "", "sheet 2 front", "sheet 2 back"}));
}

TEST_F(Duplex, OneSideAskedOfADuplexDeviceSwitchesItOff) {
    UseScenario(OneScanner(R"("feeder": true, "duplex": "one-pass", "paper": {"sheets": 2},
        "operator": {"delay_ms": 5}, "capabilities": {"CAP_DUPLEXENABLED": {"current": true}})"));
    std::string name = Output("oneside");
    OcultarUI(1);
    PonDuplex(0);
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
    EXPECT_EQ(PageLabels(name), (std::vector<std::string>{"sheet 1 front", "sheet 2 front"}));
}

TEST_F(Duplex, EsDuplexLeavesOnlyADuplexSourceOpen) {
    UseScenario(R"({"sources": [
        {"name": "Simplex", "default": true, "feeder": true, "duplex": "none"},
        {"name": "Twosided", "feeder": true, "duplex": "two-pass"}]})");
    EXPECT_EQ(EsDuplex(0, 0), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_CARGADO);
    EXPECT_EQ(EsDuplex(0, 1), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
    EXPECT_STREQ(zel::IdentidadDisp.ProductName, "Twosided");
}

namespace {

// Answers the turn-the-stack box by taking the first pass's scanner away:
// another one is now the default.
int TakeTheScannerAway(void *, HWND, LPCSTR, LPCSTR caption, UINT) {
    if (std::string(caption) == kDuplexCaption)
        UseScenario(R"({"sources": [{"name": "Scanner B", "default": true, "feeder": true,
                                     "paper": {"sheets": 3}}]})");
    return IDOK;
}

} // namespace

// The second pass sets up the feeder of the reopened source again, and
// scans nothing when the first pass's source cannot be opened again.
TEST_F(Duplex, SecondPassScansAllTheBacksOfTheSameScannerOrNone) {
    UseScenario(SimplexFeeder(1, R"(, "capabilities": {"CAP_XFERCOUNT": {"current": 1}})"));
    std::string name = Output("again");
    OcultarUI(1);
    PonDuplex(1);
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
    EXPECT_EQ(PageLabels(name), kInterleaved);

    UseScenario(SimplexFeeder(1));
    name = Output("gone");
    ZelPlat_SetMessageBoxHandler(&TakeTheScannerAway, nullptr);
    PonDuplex(1);
    ASSERT_EQ(AdquirirMultipagina(0, TWFF_TIFFMULTI, name.data()), 1);
    EXPECT_EQ(PageLabels(name),
              (std::vector<std::string>{"sheet 1 front", "sheet 2 front", "sheet 3 front"}));
    EXPECT_TRUE(DebugContains("cannot be opened again"));
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
}
