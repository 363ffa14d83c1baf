// Loading, opening and closing the manager and its sources, against the
// virtual TWAIN manager.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <zelvirt/trace.h>

#include "scenario_file.h"
#include "session/session.h"
#include "ui_recorder.h"

using zeltest::BoxRecorder;

namespace {

class Lifecycle : public ::testing::Test {
  protected:
    void SetUp() override { zeltest::UseScenario(zeltest::kThreeScanners); }
    void TearDown() override { DescargarManejadorDispositivo(); }
    BoxRecorder boxes;
};

std::string OpenSourceName() {
    return zel::IdentidadDisp.ProductName;
}

// Triplets that the manager and the sources traced since the debug output
// was last cleared.
size_t TripletsTraced() {
    size_t count = 0;
    for (const auto &line : zeltest::DebugLines())
        count += zelvirt::parse_trace_line(line).has_value();
    return count;
}

} // namespace

TEST_F(Lifecycle, LoadsTheManagerFromTheWindowsDirectory) {
    EXPECT_EQ(CargarManejadorDispositivo(), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_CARGADO);
    EXPECT_NE(zel::pDSM_Entry, nullptr);
    EXPECT_EQ(CargarManejadorDispositivo(), 1); // already loaded: nothing more
    EXPECT_EQ(DescargarManejadorDispositivo(), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    EXPECT_EQ(zel::pDSM_Entry, nullptr);
    EXPECT_EQ(zel::hDSM, HMODULE(0));
}

TEST(ManagerPath, BackslashOnlyAfterAFolderName) {
    char path[160];
    setenv("WINDIR", "C:\\WINDOWS", 1);
    ASSERT_TRUE(zel::RutaManejador(path, sizeof path));
    EXPECT_STREQ(path, "C:\\WINDOWS\\TWAIN_32.DLL");
    setenv("WINDIR", "C:", 1);
    ASSERT_TRUE(zel::RutaManejador(path, sizeof path));
    EXPECT_STREQ(path, "C:TWAIN_32.DLL");
    setenv("WINDIR", std::string(140, 'd').c_str(), 1);
    EXPECT_FALSE(zel::RutaManejador(path, sizeof path));
}

TEST(ManagerPath, MissingManagerStaysUnavailableForTheProcess) {
    auto dir =
        std::filesystem::temp_directory_path() / ("zeltest-nodsm-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string realWindir = std::getenv("WINDIR");
    setenv("WINDIR", dir.c_str(), 1);
    EXPECT_EQ(CargarManejadorDispositivo(), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    EXPECT_EQ(EstaDisponible(), 0);
    // The manager installed later is not looked for again.
    std::filesystem::copy_file(realWindir + "/TWAIN_32.DLL", dir / "TWAIN_32.DLL");
    EXPECT_EQ(EstaDisponible(), 0);
    EXPECT_EQ(zel::nDisponible, -1);
    std::filesystem::remove_all(dir);
}

// On a terminal server a host may get a Windows folder of its user's own,
// without the manager: the system's Windows folder is looked in next.
TEST(ManagerPath, SystemWindowsFolderServesAUserFolderWithoutManager) {
    setenv("ZELPLAT_SYSTEM_WINDIR", std::getenv("WINDIR"), 1);
    setenv("WINDIR", "C:\\Users\\ana\\WINDOWS", 1);
    EXPECT_EQ(EstaDisponible(), 1);
    EXPECT_EQ(CargarManejadorDispositivo(), 1);
    DescargarManejadorDispositivo();
}

TEST_F(Lifecycle, AvailabilityIsAskedOnceAndTrueWhileLoaded) {
    EXPECT_EQ(EstaDisponible(), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO); // loaded to ask, then unloaded
    EXPECT_EQ(zel::nDisponible, 1);
    setenv("WINDIR", "/nonexistent", 1);
    EXPECT_EQ(EstaDisponible(), 1); // the cached answer
}

TEST_F(Lifecycle, ProxyWindowIsCreatedOnceAndReused) {
    ASSERT_EQ(AbrirManejadorDispositivo(0), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_ABIERTO);
    HWND proxy = zel::hVentanaProxy;
    ASSERT_TRUE(IsWindow(proxy));
    EXPECT_EQ(zel::hVentanaPadre, proxy);
    char text[64] = "", cls[64] = "";
    GetWindowTextA(proxy, text, sizeof text);
    GetClassNameA(proxy, cls, sizeof cls);
    EXPECT_STREQ(text, "Acquire Proxy");
    EXPECT_STREQ(cls, "STATIC");
    EXPECT_FALSE(IsWindowVisible(proxy));
    ASSERT_EQ(CerrarManejadorDispositivo(0), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_CARGADO);
    ASSERT_EQ(AbrirManejadorDispositivo(0), 1);
    EXPECT_EQ(zel::hVentanaProxy, proxy);
    EXPECT_EQ(zel::IdentidadApp.Id != 0, true); // the manager assigned an Id
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Lifecycle, InvalidWindowIsReportedThenReplacedByTheProxy) {
    HWND bogus = HWND(0x30001234);
    ASSERT_EQ(AbrirManejadorDispositivo(bogus), 1);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "ZELTW: window handle is invalid");
    EXPECT_EQ(boxes.boxes()[0].caption, "TWAIN Error");
    EXPECT_EQ(zel::hVentanaPadre, zel::hVentanaProxy);
}

TEST_F(Lifecycle, CallersWindowIsUsedWhenValid) {
    HWND own = CreateWindowExA(0, "STATIC", "host", 0, 0, 0, 10, 10, 0, 0, 0, nullptr);
    ASSERT_EQ(AbrirManejadorDispositivo(own), 1);
    EXPECT_EQ(zel::hVentanaPadre, own);
    EXPECT_EQ(zel::hVentanaProxy, HWND(0));
    DestroyWindow(own);
}

TEST_F(Lifecycle, DefaultSourceOpensWithNativeTransfer) {
    ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
    EXPECT_EQ(OpenSourceName(), "Scanner A");
    EXPECT_NE(TW_UINT32(zel::IdentidadDisp.Id), 0u);
    EXPECT_EQ(XferMech(), TWSX_NATIVE);
    ASSERT_GT(TripletsTraced(), 0u); // the opening was traced
    ZelPlat_DebugOutputClear();
    EXPECT_EQ(AbrirDispositivoXDefecto(), 1); // already open: nothing sent
    EXPECT_EQ(TripletsTraced(), 0u);
    ASSERT_EQ(CerrarDispositivo(), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_ABIERTO);
}

TEST_F(Lifecycle, OpensBySourcePosition) {
    ASSERT_EQ(AbrirDispositivo(2), 1);
    EXPECT_EQ(OpenSourceName(), "Flatbed C");
    ASSERT_EQ(AbrirDispositivo(0), 1); // reopening closes the open one first
    EXPECT_EQ(OpenSourceName(), "Scanner A");
    ASSERT_EQ(AbrirDispositivo(-1), 1);
    EXPECT_EQ(OpenSourceName(), "Scanner A");
    EXPECT_EQ(AbrirDispositivo(3), 0); // past the end: the manager stays open
    EXPECT_EQ(EstadoTwain(), ZEL_SM_ABIERTO);
    EXPECT_EQ(CodigoResultante(), TWRC_ENDOFLIST);
}

TEST_F(Lifecycle, ReopeningAnEnabledSourceLeavesTheManagerOpen) {
    OcultarUI(1);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    ASSERT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    // The manager refuses to close an enabled source: the state is 3 anyway.
    EXPECT_EQ(AbrirDispositivo(1), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_ABIERTO);
    EXPECT_EQ(CodigoResultante(), TWRC_FAILURE);
}

TEST_F(Lifecycle, DefaultOpenInState5SendsNothing) {
    OcultarUI(1);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    zel::nUltimoRC = 42;
    EXPECT_EQ(AbrirDispositivoXDefecto(), 0);
    EXPECT_EQ(CodigoResultante(), 42);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
}

TEST_F(Lifecycle, ClosingDisablesFirst) {
    OcultarUI(1);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    EXPECT_EQ(CerrarDispositivo(), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_ABIERTO);
    EXPECT_EQ(CerrarManejadorDispositivo(0), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_CARGADO);
}

TEST(LifecycleWithoutManager, ClosingInStates1And2ChangesNothing) {
    zeltest::UseScenario(zeltest::kThreeScanners);
    EXPECT_EQ(CerrarManejadorDispositivo(0), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    ASSERT_EQ(CargarManejadorDispositivo(), 1);
    EXPECT_EQ(CerrarManejadorDispositivo(0), 1); // the unopened manager refuses it
    EXPECT_EQ(EstadoTwain(), ZEL_SM_CARGADO);
    EXPECT_EQ(DescargarManejadorDispositivo(), 1);
}
