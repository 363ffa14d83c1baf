// The refused memory transfer, and ending or dropping transfers when none
// is pending.
#include "transfer_fixture.h"

namespace {

using Dispatch = xt::TransferTest;

TEST_F(Dispatch, MemoryTransferIsRefusedOncePerAnnouncedTransfer) {
    // The person presses Scan twice, with the interface shown.
    Open(xt::Feeder(2, 1, R"(, "operator": {"delay_ms": 5, "scan_presses": 2})"), TWSX_MEMORY);
    OcultarUI(0);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    for (size_t announced = 1; announced <= 2; ++announced) {
        BucleEventosModal();
        ASSERT_EQ(boxes.boxes().size(), announced);
        EXPECT_EQ(boxes.boxes().back().text, "ZELTW: Memory Transfer mode not supported.");
        EXPECT_EQ(EstadoTwain(), ZEL_TRANSFER_LISTA);
        EXPECT_EQ(AbortarPendienteXfer(), 1);
    }
    EXPECT_EQ(Sent("DAT_IMAGEMEMXFER", "MSG_GET"), 0);
}

TEST_F(Dispatch, EndingAndDroppingSendNothingWhenNoTransferIsPending) {
    Open(xt::Feeder(1, 1, R"(, "operator": {"delay_ms": 60000})"), TWSX_NATIVE);
    OcultarUI(0);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    size_t before = zelvirt::read_trace_file(trace).size();
    EXPECT_EQ(FinXfer(), 1);
    EXPECT_EQ(AbortarPendienteXfer(), 1);
    EXPECT_EQ(zelvirt::read_trace_file(trace).size(), before);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
}

} // namespace
