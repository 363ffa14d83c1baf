// The error record and the reports built from it, byte for byte.
#include <gtest/gtest.h>

#include "session/session.h"
#include "ui_recorder.h"

using zeltest::BoxRecorder;

namespace {

void SetRecord(int error, int rc, int cc) {
    zel::nUltimoError = error;
    zel::nUltimoErrorRC = rc;
    zel::nUltimoErrorCC = cc;
}

} // namespace

TEST(ErrorReport, EmptyRecordShowsSentenceAndNoDetails) {
    BoxRecorder boxes;
    InformeUltimoError("Imposible abrir el dispositivo por defecto.");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    const auto &box = boxes.boxes()[0];
    EXPECT_EQ(box.text, "Imposible abrir el dispositivo por defecto.\n[sin detalles disponibles]");
    EXPECT_EQ(box.caption, "TWAIN Error");
    EXPECT_EQ(box.type, 0x30u);
    EXPECT_EQ(box.owner, HWND(0));
}

TEST(ErrorReport, TwainErrorsCarryTheirCodesInFourLines) {
    BoxRecorder boxes;
    SetRecord(2, TWRC_FAILURE, TWCC_BADCAP);
    InformeUltimoError("Fallo al introducir el valor pixel.");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Fallo al introducir el valor pixel.\n"
                                     "Fallo en DAT_CAPABILITY/MSG_GET\n"
                                     "RC:   TWRC_FAILURE\n"
                                     "CC:   TWCC_BADCAP (Unknown capability)");
    // A report leaves the record as it was: the same text comes again.
    InformeUltimoError("Fallo al introducir el valor pixel.");
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text, boxes.boxes()[0].text);
}

TEST(ErrorReport, OtherErrorsHaveTwoLinesEvenAfterAFailedTriplet) {
    BoxRecorder boxes;
    zel::RegistrarError(7);
    ZEL_DSM(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, nullptr); // fails: no manager loaded
    InformeUltimoError("Frase");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Frase\nLa sesi\xF3n TWAIN no se encuentra en el estado  4 "
                                     "(Dispositivo Abierto)");
    EXPECT_EQ(zel::nUltimoErrorRC, 0);
    EXPECT_EQ(zel::nUltimoErrorCC, 0);
}

TEST(ErrorReport, TextsAreCodePage1252) {
    BoxRecorder boxes;
    SetRecord(13, 0, 0);
    InformeUltimoError(nullptr); // a NULL sentence from a VB host reads as empty
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "\nAplicaci\xF3n y Dispositivo sin valores en com\xFAn");
    SetRecord(0, 0, 0);
    zel::RegistrarError(9);
    InformeUltimoError("x");
    EXPECT_EQ(boxes.boxes()[1].text, "x\nMSG_GET ha retornado un indicador no v\xE1lido");
}

TEST(ErrorReport, FirstErrorWinsUntilCleared) {
    ZEL_DSM(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, nullptr); // leaves TWRC_FAILURE
    EXPECT_EQ(zel::RegistrarError(4), 0);
    EXPECT_EQ(zel::RegistrarError(5), 0);
    EXPECT_EQ(zel::nUltimoError, 4);
    EXPECT_EQ(zel::nUltimoErrorRC, TWRC_FAILURE);
    EXPECT_EQ(zel::nUltimoErrorCC, TWCC_BUMMER); // nobody to ask below state 3
    zel::BorrarError();
    EXPECT_EQ(zel::nUltimoError, 0);
    EXPECT_EQ(zel::nUltimoErrorRC, TWRC_FAILURE); // the codes stay until overwritten
    zel::RegistrarError(8);
    EXPECT_EQ(zel::nUltimoError, 8);
    EXPECT_EQ(zel::nUltimoErrorRC, 0);
}

TEST(ErrorReport, OperationErrorIsLeftToTheSourceAndSurvivesClearing) {
    BoxRecorder boxes;
    ZelPlat_DebugOutputClear();
    SetRecord(5, TWRC_FAILURE, TWCC_OPERATIONERROR);
    InformeUltimoError("Failed to enable Data Source.");
    EXPECT_TRUE(boxes.boxes().empty());
    ASSERT_EQ(zeltest::DebugLines().size(), 1u);
    EXPECT_EQ(zeltest::DebugLines()[0], "ZELW: TWRC_FAILURE, TWCC_OPERATIONERROR\n");
    zel::BorrarError();
    InformeUltimoError("again");
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(zeltest::DebugLines().size(), 2u);
}

TEST(ErrorReport, UnknownCodesShowAsNumbersAndLongTextIsCut) {
    BoxRecorder boxes;
    SetRecord(3, 42, 77);
    InformeUltimoError("S");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "S\nFallo en  DAT_CAPABILITY/MSG_SET\nRC:   42\nCC:   77");
    std::string longSentence(400, 'a');
    InformeUltimoError(longSentence.c_str());
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text, std::string(255, 'a'));
    SetRecord(-3, 0, 0); // a corrupt record is shown by number, not read past the table
    InformeUltimoError("T");
    EXPECT_EQ(boxes.boxes()[2].text, "T\n-3");
}

TEST(ErrorReport, MessageBoxAnswerIsReturned) {
    BoxRecorder boxes(IDCANCEL);
    EXPECT_EQ(MensajeError("ZELTW: Memory Transfer mode not supported."), IDCANCEL);
    EXPECT_EQ(MensajeError(nullptr), IDCANCEL);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].caption, "TWAIN Error");
    EXPECT_EQ(boxes.boxes()[1].text, "");
}

TEST(ErrorReport, ConditionCodeWithoutManagerIsBummerAndKeepsResult) {
    ZEL_DSM(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, nullptr);
    EXPECT_EQ(CodigoResultante(), TWRC_FAILURE);
    EXPECT_EQ(CodigoCondicionante(), TWCC_BUMMER);
    EXPECT_EQ(CodigoResultante(), TWRC_FAILURE);
}
