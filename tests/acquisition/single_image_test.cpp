// One image per call into memory, onto the clipboard and into a bitmap file:
// what each call delivers, what it leaves open, and what it frees.
#include "acquisition_support.h"

#include "session/session.h"

using namespace zeltest;

namespace {

const std::string kThreeSheets =
    OneScanner(R"("feeder": true, "paper": {"sheets": 3}, "operator": {"delay_ms": 5})");
// The glass is scanned again by every batch.
const std::string kFlatbed =
    OneScanner(R"("feeder": false, "flatbed": true, "operator": {"delay_ms": 5})");

class SingleImage : public AcquisitionTest {};

} // namespace

TEST_F(SingleImage, MemoryGetsTheFirstPageOfTheBatchAndUnloads) {
    UseScenario(kThreeSheets);
    HGLOBAL dib = AdquirirEnMemoria(0, 0);
    ASSERT_NE(dib, HGLOBAL(0));
    EXPECT_EQ(DibLabel(dib), "sheet 1 front");
    EXPECT_EQ(DibProfundidad(dib), 24); // a colour page stays the caller's
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    LiberadorDeMemoria(dib); // the other pages were released by the library
}

TEST_F(SingleImage, ClosedDialogGivesNothingEvenAfterAnEarlierImage) {
    UseScenario(OneScanner(R"("feeder": false, "flatbed": true,
                             "operator": {"delay_ms": 5, "first_press": "cancel"})"));
    zel::ahImagenes[0] = GlobalAlloc(GHND, 64); // left by an earlier batch
    HGLOBAL earlier = zel::ahImagenes[0];
    EXPECT_EQ(AdquirirEnMemoria(0, 0), HGLOBAL(0));
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    GlobalFree(earlier);
}

TEST_F(SingleImage, MaskZeroLeavesThePixelTypeAlone) {
    UseScenario(kFlatbed);
    Trace trace;
    HGLOBAL dib = AdquirirEnMemoria(0, 0);
    ASSERT_NE(dib, HGLOBAL(0));
    EXPECT_EQ(trace.Count("MSG_SET", ICAP_PIXELTYPE), 0);
    EXPECT_EQ(DibProfundidad(dib), 24);
    LiberadorDeMemoria(dib);

    dib = AdquirirEnMemoria(0, 1u << TWPT_GRAY);
    ASSERT_NE(dib, HGLOBAL(0));
    EXPECT_EQ(trace.Count("MSG_SET", ICAP_PIXELTYPE), 1);
    EXPECT_EQ(DibProfundidad(dib), 8);
    LiberadorDeMemoria(dib);
}

TEST_F(SingleImage, ImpossibleMaskLeavesTheSourceOpenAndTheNextCallWorks) {
    UseScenario(kFlatbed);
    EXPECT_EQ(AdquirirEnMemoria(0, 1u << TWPT_CMYK), HGLOBAL(0));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_NE(boxes.boxes()[0].text.find("Fallo al introducir el valor pixel."), std::string::npos);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);

    HGLOBAL dib = AdquirirEnMemoria(0, 1u << TWPT_BW);
    ASSERT_NE(dib, HGLOBAL(0));
    EXPECT_EQ(DibProfundidad(dib), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    LiberadorDeMemoria(dib);
}

TEST_F(SingleImage, MissingManagerIsReportedAndNothingAcquired) {
    UseScenario(kThreeSheets);
    setenv("WINDIR", HostPath("C:\\nowhere").c_str(), 1);
    EXPECT_EQ(AdquirirEnMemoria(0, 0), HGLOBAL(0));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Imposible abrir el dispositivo (TWAIN_32.DLL)");
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
}

TEST_F(SingleImage, ClipboardWithoutWindowHoldsTheDib) {
    SkipLeakCheck(); // the DIB now belongs to the clipboard
    UseScenario(kThreeSheets);
    ASSERT_EQ(AdquirirEnPortaPapeles(0, 1u << TWPT_GRAY), 1);
    ASSERT_TRUE(OpenClipboard(0));
    HANDLE dib = GetClipboardData(CF_DIB);
    ASSERT_NE(dib, HGLOBAL(0));
    EXPECT_EQ(DibLabel(dib), "sheet 1 front");
    EXPECT_EQ(DibProfundidad(dib), 8);
    CloseClipboard();
}

// A clipboard held by another window, or an owner that is no window: the
// page is freed and said lost, and the clipboard is left as it was.
TEST_F(SingleImage, RefusedClipboardFreesThePageAndSaysSo) {
    for (HWND owner : {HWND(0), HWND(0x4321)}) {
        SCOPED_TRACE(owner == 0 ? "held" : "stale owner");
        UseScenario(OneScanner(R"("feeder": false, "flatbed": true)"));
        ZelPlat_DebugOutputClear();
        bool held = owner == 0 && OpenClipboard(0);
        EXPECT_EQ(AdquirirEnPortaPapeles(owner, 1u << TWPT_GRAY), 0);
        EXPECT_TRUE(DebugContains("ZELTW: page lost: the clipboard refused it."));
        EXPECT_EQ(CloseClipboard(), held);
    }
}

TEST_F(SingleImage, FileIsWrittenAndTheDibFreed) {
    UseScenario(kThreeSheets);
    std::string folder = CleanFolder("single");
    std::string name = folder + "\\page.bmp";
    EXPECT_EQ(AdquirirEnArchivo(0, name.data()), 0);
    EXPECT_EQ(Label(name), "sheet 1 front");
}

TEST_F(SingleImage, CancelledSaveDialogGivesMinusOneAndFreesTheDib) {
    UseScenario(kThreeSheets);
    DialogAnswer cancel("");
    EXPECT_EQ(AdquirirEnArchivo(0, nullptr), -1);
    EXPECT_EQ(cancel.shown, 1);
}

TEST_F(SingleImage, NothingScannedGivesMinusOneWithoutDialog) {
    UseScenario(OneScanner(R"("feeder": false, "flatbed": true,
                             "operator": {"delay_ms": 5, "first_press": "cancel"})"));
    DialogAnswer answer("C:\\never.bmp");
    EXPECT_EQ(AdquirirEnArchivo(0, nullptr), -1);
    EXPECT_EQ(answer.shown, 0);
}
