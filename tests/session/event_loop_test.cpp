// Enabling with or without the source's interface, the modal loop's three
// ways to end, and waiting for a transfer with the caller's window disabled.
#include <gtest/gtest.h>

#include <string>

#include "scenario_file.h"
#include "session/session.h"
#include "ui_recorder.h"

namespace {

std::string Scanner(const std::string &extra) {
    return R"({"sources": [{"name": "Scanner A", "default": true, "feeder": true,
                "paper": {"sheets": 1})" +
           extra + "}]}";
}

// A host window whose procedure counts a private message, notes whether the
// window was enabled when it arrived and, when asked, posts it once more or
// stops the library's modal loop from inside the dispatch.
constexpr UINT kHostMessage = WM_USER + 7;
int hostMessages = 0;
int postAgainAtMessage = 0; // 0: never
int stopLoopAtMessage = 0;  // 0: never
BOOL enabledAtMessage = -1;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kHostMessage) {
        enabledAtMessage = IsWindowEnabled(hwnd);
        if (++hostMessages == postAgainAtMessage)
            PostMessageA(hwnd, kHostMessage, 0, 0);
        if (hostMessages == stopLoopAtMessage)
            RomperBucleEventosModal();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND CreateHostWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = "ZelTestHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "ZelTestHost", "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, 0, 0, 0,
                           nullptr);
}

class EventLoop : public ::testing::Test {
  protected:
    void TearDown() override {
        AbortarPendienteXfer();
        DescargarManejadorDispositivo();
    }
    zeltest::BoxRecorder boxes;
};

} // namespace

TEST_F(EventLoop, HiddenInterfaceWhenTheSourceAllowsIt) {
    zeltest::UseScenario(Scanner(""));
    EXPECT_EQ(OcultarUI(5), 1);
    ASSERT_EQ(HabilitarDispositivo(0), 1); // opens the default source itself
    EXPECT_EQ(zel::InterfazUsuario.ShowUI, 0);
    EXPECT_EQ(OcutadaUI(), 1);
    HWND proxy = zel::hVentanaProxy;
    EXPECT_EQ(zel::InterfazUsuario.hParent, proxy);
    ASSERT_EQ(DeshabilitarDispositivo(), 1);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    EXPECT_EQ(zel::hVentanaProxy, proxy);
}

TEST_F(EventLoop, InterfaceShownWhenTheSourceCannotHideIt) {
    zeltest::UseScenario(Scanner(R"(, "ui_controllable": false)"));
    OcultarUI(1);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    EXPECT_EQ(zel::InterfazUsuario.ShowUI, 1);
    EXPECT_EQ(zel::InterfazUsuario.ModalUI, 0);
    EXPECT_EQ(OcutadaUI(), 0);
    EXPECT_EQ(OcultarUI(0), 0);
}

TEST_F(EventLoop, InterfaceShownWhenTheCapabilityCannotBeRead) {
    zeltest::UseScenario(Scanner(R"(, "faults": {"triplets": [
        {"cap": "CAP_UICONTROLLABLE", "rc": "TWRC_FAILURE", "cc": "TWCC_CAPUNSUPPORTED"}]})"));
    OcultarUI(1);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    EXPECT_EQ(zel::InterfazUsuario.ShowUI, 1);
    EXPECT_EQ(OcutadaUI(), 0);
}

TEST_F(EventLoop, NothingIsCapturedBelowState5) {
    zeltest::UseScenario(Scanner(""));
    ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
    zel::nUltimoRC = 42;
    MSG msg{};
    EXPECT_EQ(CapturarMensajes(&msg), 0);
    EXPECT_EQ(CapturarMensajes(nullptr), 0);
    EXPECT_EQ(CodigoResultante(), 42);
}

TEST_F(EventLoop, CloseRequestDisablesAndEndsTheLoop) {
    zeltest::UseScenario(Scanner(R"(, "operator": {"delay_ms": 5, "first_press": "cancel"})"));
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    EXPECT_EQ(zel::InterfazUsuario.ShowUI, 1);
    BucleEventosModal();
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
}

TEST_F(EventLoop, UnclaimedMessagesReachTheHostAndItCanStopTheLoop) {
    zeltest::UseScenario(Scanner(R"(, "operator": {"delay_ms": 60000})"));
    HWND host = CreateHostWindow();
    ASSERT_EQ(HabilitarDispositivo(host), 1);
    hostMessages = 0;
    stopLoopAtMessage = 2;
    PostMessageA(host, kHostMessage, 0, 0);
    PostMessageA(host, kHostMessage, 0, 0);
    PostMessageA(host, kHostMessage, 0, 0); // left queued: the loop stopped before it
    BucleEventosModal();
    EXPECT_EQ(hostMessages, 2);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    EXPECT_EQ(zel::bRomperBucle, 0);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, host, kHostMessage, kHostMessage, PM_REMOVE));
}

TEST_F(EventLoop, QuitMessageEndsTheLoopAndIsConsumed) {
    zeltest::UseScenario(Scanner(R"(, "operator": {"delay_ms": 60000})"));
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    RomperBucleEventosModal(); // cleared when the loop starts: no effect
    PostQuitMessage(3);
    BucleEventosModal();
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, 0, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// The window's state during the wait is seen by a host message that the
// wait's own loop dispatches before the person presses Cancel.
TEST_F(EventLoop, WaitingDisablesTheWindowAndRestoresOnlyOneThatWasEnabled) {
    zeltest::UseScenario(Scanner(R"(, "operator": {"delay_ms": 5, "first_press": "cancel"})"));
    HWND host = CreateHostWindow();
    hostMessages = 0;
    PostMessageA(host, kHostMessage, 0, 0);
    zel::EsperarXfer(host);
    ASSERT_EQ(hostMessages, 1);
    EXPECT_EQ(enabledAtMessage, FALSE);
    EXPECT_TRUE(IsWindowEnabled(host));
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);

    EnableWindow(host, FALSE);
    PostMessageA(host, kHostMessage, 0, 0);
    zel::EsperarXfer(host);
    ASSERT_EQ(hostMessages, 2);
    EXPECT_EQ(enabledAtMessage, FALSE);
    EXPECT_FALSE(IsWindowEnabled(host));
}

// Only that the wait hands the announced transfer to the dispatcher and ends
// right after it, with the source still enabled; what becomes of the batch
// is for the transfer loops' own tests.  The source announces the transfer
// as it is enabled, so a host message posted from inside the wait queues
// behind the announcement and is left for the host.
TEST_F(EventLoop, WaitingEndsOnceTheAnnouncedTransferIsDispatched) {
    zeltest::UseScenario(Scanner(""));
    OcultarUI(1);
    HWND host = CreateHostWindow();
    hostMessages = 0;
    postAgainAtMessage = 1;
    PostMessageA(host, kHostMessage, 0, 0);
    ZelPlat_DebugOutputClear();
    zel::EsperarXfer(host);
    EXPECT_TRUE(zeltest::DebugContains("event=MSG_XFERREADY"));
    EXPECT_EQ(hostMessages, 1);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, host, kHostMessage, kHostMessage, PM_REMOVE));
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(EventLoop, FailedEnableWhileWaitingIsReported) {
    zeltest::UseScenario(Scanner(R"(, "faults": {"triplets": [
        {"msg": "MSG_ENABLEDS", "rc": "TWRC_FAILURE", "cc": "TWCC_BUMMER"}]})"));
    ZelPlat_DebugOutputClear();
    zel::EsperarXfer(0);
    EXPECT_TRUE(zeltest::DebugContains("ZELTW: EnableSource failed.\n"));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Failed to enable Data Source.\n"
                                     "Fallo en Operaci\xF3n con el dispositivo\n"
                                     "RC:   TWRC_FAILURE\n"
                                     "CC:   TWCC_BUMMER (Failure due to unknown causes)");
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
}
