// Native batches through the library: where each page lands in ahImagenes,
// when pages go to the page writer, batches longer than the slots, and
// sources that keep a batch announced without delivering it.
#include "transfer_fixture.h"

#include "pages/page_writer.h"
#include "pages/tiff_document.h"

#include <vector>

namespace {

using xt::SheetFront;

class NativeTransfer : public xt::TransferTest {
  protected:
    // The labels of slots 0 to n - 1.
    std::vector<std::string> Slots(int n) const {
        std::vector<std::string> labels;
        for (int i = 0; i < n; ++i)
            labels.push_back(Label(zel::ahImagenes[i]));
        return labels;
    }

    // Runs one batch as a host's own loop would: its pages stay in the
    // slots for the operation that ran it.
    static void Batch() { zel::EsperarXfer(0); }

    // Runs a batch of a multi-page acquisition into a multi-page TIFF.
    void MultiPageBatch(const char *output) {
        Output(output, ".tif", TWFF_TIFFMULTI);
        zel::PonDestinoDePaginas(&zel::EscritorDePaginas());
        Batch();
        zel::PonDestinoDePaginas(nullptr);
    }

    // Writes what the batch still holds and closes the document, as the
    // multi-page acquisition does after its loop.
    static void FinishDocument() {
        if (zel::nImagen > -1)
            zel::GuardarPaginas();
        ASSERT_NE(zel::hMultiPagina, nullptr);
        ASSERT_TRUE(zel::CerrarDocumentoTiff(zel::hMultiPagina, TIFF_NONE));
        zel::hMultiPagina = nullptr;
    }

    // A batch of `sheets` whose image information always fails.
    void ImageInfoAlwaysFails(const std::string &countFields) {
        Open(xt::Feeder(200, 1, countFields + R"(, "faults": {"triplets": [
                 {"dat": "DAT_IMAGEINFO", "rc": "TWRC_FAILURE", "cc": "TWCC_BUMMER"}]})"),
             TWSX_NATIVE);
        ZelPlat_DebugOutputClear();
        EXPECT_EQ(EsperarANativeXfer(0), 0u);
        EXPECT_EQ(Sent("DAT_PENDINGXFERS", "MSG_ENDXFER"), 32);
        EXPECT_EQ(Sent("DAT_PENDINGXFERS", "MSG_RESET"), 1);
        EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
        EXPECT_TRUE(zeltest::DebugContains("no page in 32 rounds"));
    }
};

TEST_F(NativeTransfer, GreyBatchFillsTheSlots) {
    Open(xt::Feeder(3, 1), TWSX_NATIVE);
    Batch();
    EXPECT_EQ(Slots(4),
              (std::vector<std::string>{SheetFront(1), SheetFront(2), SheetFront(3), "(none)"}));
    EXPECT_EQ(zel::nImagen, 2);
    EXPECT_EQ(Depth(zel::ahImagenes[0]), 8);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
}

TEST_F(NativeTransfer, EsperarANativeXferHandsSlotZeroOverAndReleasesTheRest) {
    Open(xt::Feeder(3, 1), TWSX_NATIVE);
    size_t before = ZelPlat_LiveGlobalBlocks();
    HGLOBAL first = EsperarANativeXfer(0);
    EXPECT_EQ(Label(first), SheetFront(1));
    EXPECT_EQ(Slots(3), (std::vector<std::string>(3, "(none)")));
    EXPECT_EQ(zel::nImagen, -1);
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), before + 1);

    // The feeder is empty now: the next call runs no batch and hands
    // nothing out again.
    ASSERT_EQ(DeshabilitarDispositivo(), 1);
    EXPECT_EQ(EsperarANativeXfer(0), 0u);
    LiberadorDeMemoria(first);
}

TEST_F(NativeTransfer, PagesNoOneTookAreReleasedWhenTheNextBatchStarts) {
    Open(xt::Feeder(4, 1), TWSX_NATIVE);
    ASSERT_EQ(NegociarContadorXfer(2), 1);
    size_t before = ZelPlat_LiveGlobalBlocks();
    Batch();
    ASSERT_EQ(DeshabilitarDispositivo(), 1);
    Batch();
    EXPECT_EQ(Slots(3), (std::vector<std::string>{SheetFront(3), SheetFront(4), "(none)"}));
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), before + 2);
}

TEST_F(NativeTransfer, FailedAndCancelledPagesLeaveNoSlot) {
    Open(xt::Feeder(4, 1, R"(, "faults": {"pages": [
             {"page": 2, "transfer": "fail", "cc": "TWCC_PAPERJAM"},
             {"page": 3, "transfer": "cancel"}]})"),
         TWSX_NATIVE);
    Batch();
    EXPECT_EQ(Slots(3), (std::vector<std::string>{SheetFront(1), SheetFront(4), "(none)"}));
    EXPECT_EQ(zel::nImagen, 1);
}

TEST_F(NativeTransfer, ARefusedEndOfPageEndsTheBatchAndDropsTheRest) {
    Open(xt::Feeder(3, 1, R"(, "faults": {"triplets": [{"msg": "MSG_ENDXFER", "occurrence": 1,
             "rc": "TWRC_FAILURE", "cc": "TWCC_BUMMER"}]})"),
         TWSX_NATIVE);
    Batch();
    EXPECT_EQ(Slots(2), (std::vector<std::string>{SheetFront(1), "(none)"}));
    EXPECT_EQ(zel::nImagen, 0);
    EXPECT_EQ(Sent("DAT_IMAGENATIVEXFER", "MSG_GET"), 1);
    EXPECT_EQ(Sent("DAT_PENDINGXFERS", "MSG_RESET"), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
}

TEST_F(NativeTransfer, UnknownPageCountsRunToTheLastPage) {
    Open(xt::Feeder(3, 1, R"(, "unknown_page_count": true)"), TWSX_NATIVE);
    Batch();
    EXPECT_EQ(Slots(3), (std::vector<std::string>{SheetFront(1), SheetFront(2), SheetFront(3)}));
    EXPECT_EQ(zel::nImagen, 2);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
}

TEST_F(NativeTransfer, ColourPagesWithoutAPageWriterStayInTheSlots) {
    Open(xt::Feeder(2, 2), TWSX_NATIVE);
    Batch();
    EXPECT_EQ(Depth(zel::ahImagenes[0]), 24);
    EXPECT_EQ(Slots(2), (std::vector<std::string>{SheetFront(1), SheetFront(2)}));
    EXPECT_EQ(zel::nImagen, 1);
    EXPECT_FALSE(Exists("C:\\delete.bmp"));
}

TEST_F(NativeTransfer, ColourPagesOfAMultiPageRunGoToTheWriterAsTheyArrive) {
    Open(xt::Feeder(3, 2), TWSX_NATIVE);
    MultiPageBatch("C:\\colour.tif");
    EXPECT_EQ(zel::nImagen, -1);
    EXPECT_EQ(Slots(3), (std::vector<std::string>(3, "(none)")));
    FinishDocument();
    ASSERT_EQ(TiffPages("C:\\colour.tif"), 3);
    for (int page = 0; page < 3; ++page)
        EXPECT_EQ(FileLabel("C:\\colour.tif", page), SheetFront(page + 1));
}

TEST_F(NativeTransfer, AMultiPageRunLongerThanTheSlotsLosesNoPage) {
    Open(xt::Feeder(103, 1), TWSX_NATIVE);
    MultiPageBatch("C:\\many.tif");
    // The first hundred were written out to make room; the rest are held.
    EXPECT_EQ(zel::nImagen, 2);
    EXPECT_EQ(Slots(3),
              (std::vector<std::string>{SheetFront(101), SheetFront(102), SheetFront(103)}));
    FinishDocument();
    ASSERT_EQ(TiffPages("C:\\many.tif"), 103);
    for (int page : {0, 1, 99, 100, 102})
        EXPECT_EQ(FileLabel("C:\\many.tif", page), SheetFront(page + 1));
}

TEST_F(NativeTransfer, ASingleImageBatchLongerThanTheSlotsReleasesTheRest) {
    Open(xt::Feeder(103, 1), TWSX_NATIVE);
    size_t before = ZelPlat_LiveGlobalBlocks();
    Batch();
    EXPECT_EQ(zel::nImagen, 99);
    EXPECT_EQ(Label(zel::ahImagenes[0]), SheetFront(1));
    EXPECT_EQ(Label(zel::ahImagenes[99]), SheetFront(100));
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), before + 100);
}

TEST_F(NativeTransfer, FailingImageInformationEndsAKnownCountBatch) {
    ImageInfoAlwaysFails("");
}

TEST_F(NativeTransfer, FailingImageInformationEndsAnUnknownCountBatch) {
    ImageInfoAlwaysFails(R"(, "unknown_page_count": true)");
}

} // namespace
