// Choosing sources: by name, by browsing the list, and through the
// manager's selection dialog; browsing restores the state it found.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "scenario_file.h"
#include "session/session.h"
#include "ui_recorder.h"

namespace {

const char *kTwoScanners = R"({
  "sources": [
    {"name": "Scanner A", "default": true},
    {"name": "Scanner B"}
  ],
  "user_select": "Scanner B"
})";

class Selection : public ::testing::Test {
  protected:
    void SetUp() override { zeltest::UseScenario(kTwoScanners); }
    void TearDown() override { DescargarManejadorDispositivo(); }
    zeltest::BoxRecorder boxes;
};

std::string OpenSourceName() {
    return zel::IdentidadDisp.ProductName;
}

} // namespace

TEST_F(Selection, ByNameTestsTheFirstSourceTheOtherWayRound) {
    ASSERT_EQ(AbrirDispositivoXNombre("B"), 1);
    EXPECT_EQ(OpenSourceName(), "Scanner B");
    ASSERT_EQ(AbrirDispositivoXNombre("Scanner A Plus"), 1);
    EXPECT_EQ(OpenSourceName(), "Scanner A");
    ASSERT_EQ(AbrirDispositivoXNombre(""), 1);
    EXPECT_EQ(OpenSourceName(), "Scanner B");
    ASSERT_EQ(AbrirDispositivoXNombre(nullptr), 1); // NULL from a VB host reads as empty
    EXPECT_EQ(OpenSourceName(), "Scanner B");
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
}

TEST_F(Selection, ByNameIsCaseSensitiveAndMayMatchNothing) {
    EXPECT_EQ(AbrirDispositivoXNombre("scanner b"), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_ABIERTO);
    EXPECT_EQ(CodigoResultante(), TWRC_ENDOFLIST);
}

TEST(SelectionOneSource, EmptyNameOpensNothing) {
    zeltest::UseScenario(R"({"sources": [{"name": "Scanner A", "default": true}]})");
    EXPECT_EQ(AbrirDispositivoXNombre(""), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_ABIERTO);
    DescargarManejadorDispositivo();
}

TEST_F(Selection, BrowsingWalksTheListAndRestoresState1) {
    char name[34];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(MostrarPrimerEscaner(0, name), 1);
    EXPECT_STREQ(name, "Scanner A");
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    EXPECT_EQ(MostrarSiguienteEscaner(0, name), 1);
    EXPECT_STREQ(name, "Scanner B");
    EXPECT_EQ(MostrarSiguienteEscaner(0, name), 0);
    EXPECT_EQ(MostrarSiguienteEscaner(0, name), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
    EXPECT_EQ(MostrarEscanerXDefecto(0, name), 1);
    EXPECT_STREQ(name, "Scanner A");
    EXPECT_EQ(MostrarPrimerEscaner(0, nullptr), 1); // no buffer: nothing written
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Selection, BrowsingKeepsAnOpenManagerOrSource) {
    ASSERT_EQ(CargarManejadorDispositivo(), 1);
    char name[34];
    EXPECT_EQ(MostrarPrimerEscaner(0, name), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_CARGADO);
    ASSERT_EQ(AbrirDispositivo(1), 1);
    EXPECT_EQ(MostrarPrimerEscaner(0, name), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
    EXPECT_EQ(OpenSourceName(), "Scanner B");
}

TEST_F(Selection, UserSelectionLeavesTheSessionAsFound) {
    ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
    EXPECT_EQ(OpenSourceName(), "Scanner A");
    // The user picks Scanner B; the open source stays open.
    EXPECT_EQ(SeleccionarDispositivo(0), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_ABIERTO);
    EXPECT_EQ(OpenSourceName(), "Scanner A");
    ASSERT_EQ(DescargarManejadorDispositivo(), 1);
    EXPECT_EQ(SeleccionarDispositivo(0), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
}

TEST(SelectionCancelled, CancelIsNotSuccess) {
    zeltest::UseScenario(R"({"sources": [{"name": "Scanner A", "default": true}],
                             "user_select": "cancel"})");
    EXPECT_EQ(SeleccionarDispositivo(0), 0);
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
}

TEST(SelectionNoManager, BrowsingWithoutManagerShowsTheMessage) {
    zeltest::BoxRecorder boxes;
    setenv("WINDIR", "/nonexistent", 1);
    char name[34] = "unchanged";
    EXPECT_EQ(MostrarPrimerEscaner(0, name), 0);
    EXPECT_STREQ(name, "unchanged");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Incapaz de abrir el DriverTwain de (TWAIN_32.DLL)");
    EXPECT_EQ(EstadoTwain(), ZEL_SM_DESCARGADO);
}
