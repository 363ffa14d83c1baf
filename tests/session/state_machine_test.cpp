// The state bookkeeping of the two entry points, driven triplet by triplet
// against the virtual sources, including the answers only a faulty source
// gives.
#include <gtest/gtest.h>

#include <string>

#include "scenario_file.h"
#include "session/session.h"
#include "ui_recorder.h"

namespace {

std::string Scanner(const std::string &extra) {
    return R"({"sources": [{"name": "Scanner A", "default": true, "feeder": true,
                "paper": {"sheets": 2})" +
           extra + "}]}";
}

// Opens the default source hidden-interface and enables it.
void EnableHidden() {
    ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
    OcultarUI(1);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
}

// Passes the thread's messages to the source until it announces a transfer
// (or closes); the way CapturarMensajes does, without running the transfer.
TW_UINT16 PumpUntilSourceSpeaks() {
    MSG msg;
    while (GetMessageA(&msg, 0, 0, 0) > 0) {
        TW_EVENT event{&msg, MSG_NULL};
        if (!ZEL_DS(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (event.TWMessage == MSG_XFERREADY || event.TWMessage == MSG_CLOSEDSREQ)
            return event.TWMessage;
    }
    return MSG_NULL;
}

// Opens the default source for memory transfer and waits until it
// announces the transfer (state 6).
void AnnounceMemoryTransfer() {
    ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
    ASSERT_EQ(PonXferMech(TWSX_MEMORY), 1);
    OcultarUI(1);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    ASSERT_EQ(PumpUntilSourceSpeaks(), MSG_XFERREADY);
}

// One native page: 6 -> 7, the DIB freed.
BOOL TransferNativePage() {
    TW_IMAGEINFO info{};
    ZEL_DS(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    TW_UINT32 handle = 0;
    BOOL result = ZEL_DS(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (handle != 0)
        GlobalFree(HGLOBAL(handle));
    return result;
}

class StateMachine : public ::testing::Test {
  protected:
    void TearDown() override {
        AbortarPendienteXfer();
        DescargarManejadorDispositivo();
    }
    zeltest::BoxRecorder boxes;
};

} // namespace

TEST_F(StateMachine, AFullNativeBatchWalksStates5To7AndBack) {
    zeltest::UseScenario(Scanner(""));
    EnableHidden();
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    EXPECT_EQ(zel::InterfazUsuario.ShowUI, 0);
    EXPECT_EQ(zel::InterfazUsuario.ModalUI, 0);
    EXPECT_EQ(zel::InterfazUsuario.hParent, zel::hVentanaProxy);
    ASSERT_EQ(PumpUntilSourceSpeaks(), MSG_XFERREADY);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFER_LISTA);
    EXPECT_EQ(TransferNativePage(), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFIRIENDO);
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), 1);
    EXPECT_EQ(pending.Count, 1);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFER_LISTA);
    EXPECT_EQ(TransferNativePage(), 1);
    EXPECT_EQ(ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), 1);
    EXPECT_EQ(pending.Count, 0);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    EXPECT_EQ(DeshabilitarDispositivo(), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
}

TEST_F(StateMachine, ResetDropsPendingTransfersAndUnloadWaitsForIt) {
    zeltest::UseScenario(Scanner(""));
    EnableHidden();
    ASSERT_EQ(PumpUntilSourceSpeaks(), MSG_XFERREADY);
    // States 6 and 7 are left alone by closing and unloading.
    EXPECT_EQ(DescargarManejadorDispositivo(), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFER_LISTA);
    EXPECT_EQ(CerrarDispositivo(), 0);
    TransferNativePage();
    EXPECT_EQ(DescargarManejadorDispositivo(), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFIRIENDO);
    EXPECT_EQ(AbortarPendienteXfer(), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    EXPECT_EQ(DescargarManejadorDispositivo(), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
}

TEST_F(StateMachine, EndingATransferOutsideState7SendsNothing) {
    zeltest::UseScenario(Scanner(""));
    EnableHidden();
    zel::nUltimoRC = 42;
    EXPECT_EQ(FinXfer(), 1);
    EXPECT_EQ(AbortarPendienteXfer(), 1);
    EXPECT_EQ(CodigoResultante(), 42);
}

TEST_F(StateMachine, XferReadyMovesToState6EvenWhenNotClaimed) {
    zeltest::UseScenario(Scanner(R"(, "faults": {"triplets": [
        {"dat": "DAT_EVENT", "msg": "MSG_PROCESSEVENT", "rc": "TWRC_NOTDSEVENT"}]})"));
    EnableHidden();
    MSG msg{};
    TW_EVENT event{&msg, MSG_XFERREADY};
    EXPECT_EQ(ZEL_DS(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFER_LISTA);
}

TEST_F(StateMachine, EnableAnsweredCheckStatusCountsAsEnabled) {
    zeltest::UseScenario(Scanner(R"(, "faults": {"triplets": [
        {"msg": "MSG_ENABLEDS", "rc": "TWRC_CHECKSTATUS"}]})"));
    ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
    EXPECT_EQ(HabilitarDispositivo(0), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    EXPECT_EQ(zel::nUltimoError, 0);
}

TEST_F(StateMachine, FailedEnableRecordsError5WithTheSourcesCodes) {
    zeltest::UseScenario(Scanner(R"(, "faults": {"triplets": [
        {"msg": "MSG_ENABLEDS", "rc": "TWRC_FAILURE", "cc": "TWCC_LOWMEMORY"}]})"));
    ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
    EXPECT_EQ(HabilitarDispositivo(0), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
    EXPECT_EQ(zel::nUltimoError, 5);
    EXPECT_EQ(zel::nUltimoErrorRC, TWRC_FAILURE);
    EXPECT_EQ(zel::nUltimoErrorCC, TWCC_LOWMEMORY);
    // The nested status request left the enable's own result in place.
    EXPECT_EQ(CodigoResultante(), TWRC_FAILURE);
}

TEST_F(StateMachine, FailedOpenRecordsError4WithTheManagersCodes) {
    zeltest::UseScenario(R"({"sources": [{"name": "Scanner A", "default": true}],
        "faults": [{"msg": "MSG_OPENDS", "rc": "TWRC_FAILURE", "cc": "TWCC_MAXCONNECTIONS"}]})");
    EXPECT_EQ(AbrirDispositivoXDefecto(), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_ABIERTO);
    EXPECT_EQ(zel::nUltimoError, 4);
    EXPECT_EQ(zel::nUltimoErrorRC, TWRC_FAILURE);
    EXPECT_EQ(zel::nUltimoErrorCC, TWCC_MAXCONNECTIONS);
    EXPECT_EQ(CodigoResultante(), TWRC_FAILURE);
}

TEST_F(StateMachine, InterfaceOnlyLeavesTheStateAt4) {
    zeltest::UseScenario(Scanner(""));
    ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
    TW_USERINTERFACE ui{1, 0, zel::ValidarVentana(0)};
    EXPECT_EQ(ZEL_DS(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, &ui), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
}

TEST_F(StateMachine, UnknownPageCountKeepsTransfersPending) {
    zeltest::UseScenario(Scanner(R"(, "unknown_page_count": true)"));
    EnableHidden();
    ASSERT_EQ(PumpUntilSourceSpeaks(), MSG_XFERREADY);
    TransferNativePage();
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(ZEL_DS(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), 1);
    EXPECT_EQ(pending.Count, 0xFFFF);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFER_LISTA);
}

TEST_F(StateMachine, CancelledNativeTransferMovesTo7AndFails) {
    zeltest::UseScenario(Scanner(R"(, "faults": {"pages": [{"page": 1, "transfer": "cancel"}]})"));
    EnableHidden();
    ASSERT_EQ(PumpUntilSourceSpeaks(), MSG_XFERREADY);
    EXPECT_EQ(TransferNativePage(), 0);
    EXPECT_EQ(CodigoResultante(), TWRC_CANCEL);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFIRIENDO);
}

TEST_F(StateMachine, FailedNativeTransferStaysIn6) {
    zeltest::UseScenario(Scanner(R"(, "faults": {"pages": [{"page": 1, "transfer": "fail"}]})"));
    EnableHidden();
    ASSERT_EQ(PumpUntilSourceSpeaks(), MSG_XFERREADY);
    EXPECT_EQ(TransferNativePage(), 0);
    EXPECT_EQ(CodigoResultante(), TWRC_FAILURE);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFER_LISTA);
}

TEST_F(StateMachine, MemoryBlocksAreCountedFromTheSetup) {
    zeltest::UseScenario(Scanner(""));
    ASSERT_NO_FATAL_FAILURE(AnnounceMemoryTransfer());
    zel::nBloquesMemoria = 5;
    TW_SETUPMEMXFER setup{};
    ASSERT_EQ(ZEL_DS(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), 1);
    EXPECT_EQ(zel::nBloquesMemoria, 0);
    std::string buffer(setup.Preferred, '\0');
    TW_IMAGEMEMXFER block{};
    block.Memory = {TWMF_APPOWNS | TWMF_POINTER, TW_UINT32(buffer.size()), buffer.data()};
    EXPECT_EQ(ZEL_DS(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &block), 1);
    EXPECT_EQ(zel::nBloquesMemoria, 1);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFIRIENDO);
    EXPECT_GT(TW_UINT32(block.BytesWritten), 0u);
    EXPECT_NE(TW_UINT32(block.BytesWritten), TWON_DONTCARE32);
}

TEST_F(StateMachine, MemoryBlockFailureBeforeAnyBlockStaysIn6) {
    zeltest::UseScenario(Scanner(""));
    ASSERT_NO_FATAL_FAILURE(AnnounceMemoryTransfer());
    // A null record goes out unprepared; the source refuses it.
    EXPECT_EQ(ZEL_DS(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, nullptr), 0);
    EXPECT_EQ(CodigoResultante(), TWRC_FAILURE);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFER_LISTA);
}

TEST_F(StateMachine, CancelledMemoryBlockStopsTheModalLoop) {
    zeltest::UseScenario(Scanner(R"(, "faults": {"triplets": [
        {"dat": "DAT_IMAGEMEMXFER", "msg": "MSG_GET", "rc": "TWRC_CANCEL"}]})"));
    ASSERT_NO_FATAL_FAILURE(AnnounceMemoryTransfer());
    zel::bRomperBucle = 0;
    TW_IMAGEMEMXFER block{};
    EXPECT_EQ(ZEL_DS(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &block), 0);
    EXPECT_EQ(zel::bRomperBucle, 1);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFER_LISTA);
}

TEST_F(StateMachine, RegistrarAppWhileOpenResetsTheId) {
    zeltest::UseScenario(Scanner(""));
    ASSERT_EQ(AbrirManejadorDispositivo(0), 1);
    EXPECT_NE(TW_UINT32(zel::IdentidadApp.Id), 0u);
    RegistrarApp(2, 0, TWLG_USA, TWCY_USA, "v2", "M", "F", "P");
    EXPECT_EQ(TW_UINT32(zel::IdentidadApp.Id), 0u);
    EXPECT_STREQ(zel::IdentidadApp.ProductName, "P");
    EXPECT_EQ(EstadoTwain(), ZEL_SM_ABIERTO);
}

TEST_F(StateMachine, RefusedEndOfTransferIsNotReportedAsDone) {
    zeltest::UseScenario(Scanner(R"(, "faults": {"triplets": [
        {"msg": "MSG_ENDXFER", "rc": "TWRC_FAILURE", "cc": "TWCC_SEQERROR"}]})"));
    EnableHidden();
    ASSERT_EQ(PumpUntilSourceSpeaks(), MSG_XFERREADY);
    TransferNativePage();
    ASSERT_EQ(EstadoTwain(), ZEL_TRANSFIRIENDO);
    zel::PendientesXfer.Count = 0; // what an earlier batch leaves behind
    EXPECT_EQ(FinXfer(), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFIRIENDO);
    EXPECT_EQ(AbortarPendienteXfer(), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_TRANSFIRIENDO);
}

TEST_F(StateMachine, ConditionCodeAsksWhoeverIsOpenAndKeepsTheResult) {
    zeltest::UseScenario(Scanner(""));
    ASSERT_EQ(CargarManejadorDispositivo(), 1);
    zel::nUltimoRC = 42;
    EXPECT_EQ(CodigoCondicionante(), TWCC_BUMMER); // state 2: nobody is asked
    EXPECT_EQ(CodigoResultante(), 42);
    ASSERT_EQ(AbrirManejadorDispositivo(0), 1);
    HWND parent = zel::hVentanaPadre;
    EXPECT_EQ(ZEL_DSM(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), 0); // opened twice
    int rc = CodigoResultante();
    EXPECT_EQ(CodigoCondicionante(), TWCC_SEQERROR); // the manager answers in state 3
    EXPECT_EQ(CodigoResultante(), rc);
    ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
    TW_UINT16 value = 0;
    EXPECT_EQ(ObtenActualCapacidad(0x7777, TWTY_UINT16, &value), 0);
    rc = CodigoResultante();
    EXPECT_EQ(CodigoCondicionante(), TWCC_CAPUNSUPPORTED); // the source from state 4
    EXPECT_EQ(CodigoResultante(), rc);
}
