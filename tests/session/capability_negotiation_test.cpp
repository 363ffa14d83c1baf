// Reading and writing capabilities of a virtual source, and the pixel-type
// negotiation with every answer a source may give, well-formed or not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenario_file.h"
#include "session/session.h"
#include "ui_recorder.h"

namespace {

std::string Scanner(const std::string &extra) {
    return R"({"sources": [{"name": "Scanner A", "default": true, "feeder": true)" + extra + "}]}";
}

const char *kPixelEnumeration = R"(, "capabilities": {"ICAP_PIXELTYPE": {
    "container": "enumeration", "type": "TWTY_UINT16", "values": [0, 1, 2],
    "current": 2, "default": 0}})";

struct OfferRead {
    TW_UINT16 conType = 0;
    std::vector<TW_UINT16> items; // NumItems of them
    TW_UINT32 current = 0, defaultIndex = 0;
};

// What the source offers now, an enumeration or an array, read with MSG_GET
// straight through ZEL_DS.
OfferRead ReadOffer(TW_UINT16 capId) {
    OfferRead read;
    TW_CAPABILITY cap{capId, TWON_ENUMERATION, 0};
    if (!ZEL_DS(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap) || cap.hContainer == 0)
        return read;
    read.conType = cap.ConType;
    void *container = GlobalLock(cap.hContainer);
    if (cap.ConType == TWON_ENUMERATION) {
        auto *e = static_cast<TW_ENUMERATION *>(container);
        auto *list = reinterpret_cast<TW_UINT16 *>(e->ItemList);
        read.items.assign(list, list + e->NumItems);
        read.current = e->CurrentIndex;
        read.defaultIndex = e->DefaultIndex;
    } else if (cap.ConType == TWON_ARRAY) {
        auto *a = static_cast<TW_ARRAY *>(container);
        auto *list = reinterpret_cast<TW_UINT16 *>(a->ItemList);
        read.items.assign(list, list + a->NumItems);
    }
    GlobalUnlock(cap.hContainer);
    GlobalFree(cap.hContainer);
    return read;
}

class Capabilities : public ::testing::Test {
  protected:
    void Open(const std::string &extra) {
        zeltest::UseScenario(Scanner(extra));
        ASSERT_EQ(AbrirDispositivoXDefecto(), 1);
        zel::BorrarError();
        ZelPlat_DebugOutputClear();
    }
    void TearDown() override { DescargarManejadorDispositivo(); }
    zeltest::BoxRecorder boxes;
};

} // namespace

TEST_F(Capabilities, CurrentValueOfAnEnumeration) {
    Open(kPixelEnumeration);
    EXPECT_EQ(ObtenTipoPixel(), TWPT_RGB);
    TW_UINT32 wide = 0xFFFFFFFF;
    ASSERT_EQ(ObtenActualCapacidad(ICAP_PIXELTYPE, TWTY_UINT16, &wide), 1);
    EXPECT_EQ(wide, 0xFFFF0002u); // exactly the item's two bytes are written
}

TEST_F(Capabilities, CurrentIndexPastTheListFails) {
    Open(
        std::string(kPixelEnumeration) +
        R"(, "faults": {"capabilities": [{"cap": "ICAP_PIXELTYPE", "malformed": "index_out_of_range"}]})");
    size_t blocks = ZelPlat_LiveGlobalBlocks();
    TW_UINT16 value = 77;
    EXPECT_EQ(ObtenActualCapacidad(ICAP_PIXELTYPE, TWTY_UINT16, &value), 0);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), blocks); // the container was freed
}

TEST_F(Capabilities, SignedAndUnsignedOfOneSizeMatchButBoolDoesNot) {
    Open(R"(, "capabilities": {"ICAP_UNITS": {"container": "onevalue", "type": "TWTY_INT16",
            "current": 1}})");
    EXPECT_EQ(ObtenUnidadesActuales(), TWUN_CENTIMETERS);
    TW_UINT16 value = 9;
    EXPECT_EQ(ObtenActualCapacidad(CAP_FEEDERENABLED, TWTY_UINT16, &value), 0);
    EXPECT_EQ(value, 9);
    TW_UINT16 flag = 9;
    EXPECT_EQ(ObtenActualCapacidad(CAP_FEEDERENABLED, TWTY_BOOL, &flag), 1);
}

TEST_F(Capabilities, RangeAnswersAreNotReadButFreed) {
    Open(R"(, "faults": {"capabilities": [{"cap": "ICAP_BITDEPTH", "msg": "MSG_GETCURRENT",
            "malformed": "range_instead_of_list"}]})");
    size_t blocks = ZelPlat_LiveGlobalBlocks();
    EXPECT_EQ(ObtenProfundidaBit(), 0);
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), blocks);
}

TEST_F(Capabilities, NamedSettersChangeWhatIsRead) {
    Open("");
    ASSERT_EQ(PonUnidadesActuales(TWUN_CENTIMETERS), 1);
    EXPECT_EQ(ObtenUnidadesActuales(), TWUN_CENTIMETERS);
    ASSERT_EQ(PonActualTipoPixel(TWPT_GRAY), 1);
    EXPECT_EQ(ObtenTipoPixel(), TWPT_GRAY);
    ASSERT_EQ(PonProfundidaBit(8), 1);
    EXPECT_EQ(ObtenProfundidaBit(), 8);
    ASSERT_EQ(PonActualResolucion(200.0), 1);
    EXPECT_EQ(ObtenActualResolucion(), 200.0);
    EXPECT_EQ(ObtenYResolucion(), 200.0);
    EXPECT_EQ(NegociarContadorXfer(-1), 1);
    ASSERT_EQ(PonXferMech(TWSX_FILE), 1);
    EXPECT_EQ(XferMech(), TWSX_FILE);
}

TEST_F(Capabilities, NearbyValueAnsweredWithCheckStatusIsAFailure) {
    Open(R"(, "capabilities": {"ICAP_YRESOLUTION": {"container": "enumeration",
            "type": "TWTY_FIX32", "values": [100, 200, 300], "current": 100, "nearest": true}})");
    double before = ObtenActualResolucion();
    EXPECT_EQ(PonActualResolucion(250.0), 0);
    EXPECT_EQ(CodigoResultante(), TWRC_CHECKSTATUS);
    EXPECT_EQ(ObtenActualResolucion(), before); // X was not tried
}

TEST_F(Capabilities, RefusedVerticalResolutionLeavesHorizontalUntouched) {
    Open(R"(, "capabilities": {"ICAP_YRESOLUTION": {"container": "enumeration",
            "type": "TWTY_FIX32", "values": [100], "current": 100, "nearest": false}})");
    double before = ObtenActualResolucion();
    EXPECT_EQ(PonActualResolucion(600.0), 0);
    EXPECT_EQ(CodigoResultante(), TWRC_FAILURE);
    EXPECT_EQ(CodigoCondicionante(), TWCC_BADVALUE);
    EXPECT_EQ(ObtenActualResolucion(), before);
}

TEST_F(Capabilities, PixelNegotiationNarrowsAnEnumeration) {
    Open(kPixelEnumeration);
    EXPECT_EQ(NegociarTipoPixel(0x6), 1);
    OfferRead offer = ReadOffer(ICAP_PIXELTYPE);
    ASSERT_EQ(offer.conType, TWON_ENUMERATION);
    EXPECT_EQ(offer.items, (std::vector<TW_UINT16>{TWPT_GRAY, TWPT_RGB}));
    EXPECT_EQ(offer.current, 1u);
    EXPECT_EQ(offer.defaultIndex, 0u);
    EXPECT_TRUE(zeltest::DebugContains("ZELW:Pixel Types negotiated.\n"));
    EXPECT_EQ(zel::nUltimoError, 0);
}

TEST_F(Capabilities, PixelNegotiationFallsBackToTheLowestType) {
    Open(kPixelEnumeration);
    EXPECT_EQ(NegociarTipoPixel(0x1), 1);
    OfferRead offer = ReadOffer(ICAP_PIXELTYPE);
    EXPECT_EQ(offer.items, (std::vector<TW_UINT16>{TWPT_BW}));
    EXPECT_EQ(offer.current, 0u);
    EXPECT_EQ(offer.defaultIndex, 0u);
}

TEST_F(Capabilities, PixelNegotiationWithMask0AsksNothing) {
    Open(kPixelEnumeration);
    zel::nUltimoRC = 42;
    EXPECT_EQ(NegociarTipoPixel(0), 1);
    EXPECT_EQ(CodigoResultante(), 42);
}

TEST_F(Capabilities, PixelNegotiationWithNothingInCommon) {
    Open(R"(, "capabilities": {"ICAP_PIXELTYPE": {"container": "enumeration",
            "type": "TWTY_UINT16", "values": [3], "current": 3}})");
    EXPECT_EQ(NegociarTipoPixel(0x4), 0);
    EXPECT_EQ(zel::nUltimoError, 13);
    EXPECT_EQ(ReadOffer(ICAP_PIXELTYPE).items, (std::vector<TW_UINT16>{TWPT_PALETTE}));
}

TEST_F(Capabilities, PixelNegotiationAcceptsAOneValueAsItIs) {
    Open(R"(, "capabilities": {"ICAP_PIXELTYPE": {"container": "onevalue",
            "type": "TWTY_UINT16", "current": 2}})");
    EXPECT_EQ(NegociarTipoPixel(0x4), 4);
    EXPECT_TRUE(zeltest::DebugContains("ZELW:Pixel Types negotiated.\n"));
    EXPECT_EQ(NegociarTipoPixel(0x3), 0);
    EXPECT_EQ(zel::nUltimoError, 13);
}

// The array written back holds only the accepted types, and says so in its
// NumItems: the source keeps exactly those.
TEST_F(Capabilities, PixelNegotiationNarrowsAnArray) {
    Open(R"(, "capabilities": {"ICAP_PIXELTYPE": {"container": "array",
            "type": "TWTY_UINT16", "values": [2, 0, 1]}})");
    EXPECT_EQ(NegociarTipoPixel(0x5), 1);
    EXPECT_EQ(zel::nUltimoError, 0);
    OfferRead offer = ReadOffer(ICAP_PIXELTYPE);
    ASSERT_EQ(offer.conType, TWON_ARRAY);
    EXPECT_EQ(offer.items, (std::vector<TW_UINT16>{TWPT_BW, TWPT_RGB}));
}

struct MalformedCase {
    const char *malformation;
    int error;
};

std::string CaseName(const ::testing::TestParamInfo<MalformedCase> &info) {
    return info.param.malformation;
}

class MalformedPixelAnswer : public Capabilities,
                             public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedPixelAnswer, RecordsTheRightErrorWithoutCrashing) {
    Open(std::string(kPixelEnumeration) +
         R"(, "faults": {"capabilities": [{"cap": "ICAP_PIXELTYPE", "msg": "MSG_GET",
            "malformed": ")" +
         GetParam().malformation + R"("}]})");
    size_t blocks = ZelPlat_LiveGlobalBlocks();
    int result = NegociarTipoPixel(0x7);
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), blocks);
    EXPECT_EQ(zel::nUltimoError, GetParam().error);
    EXPECT_EQ(result != 0, GetParam().error == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MalformedPixelAnswer,
    ::testing::Values(MalformedCase{"empty_list", 12}, MalformedCase{"wrong_item_type", 11},
                      MalformedCase{"item_type_above_12", 11}, MalformedCase{"no_container", 8},
                      MalformedCase{"range_instead_of_list", 10}, MalformedCase{"huge_numitems", 9},
                      MalformedCase{"index_out_of_range", 0}),
    CaseName);

TEST_F(Capabilities, PixelNegotiationRecordsFailedReadAndWrite) {
    Open(std::string(kPixelEnumeration) +
         R"(, "faults": {"triplets": [{"cap": "ICAP_PIXELTYPE", "msg": "MSG_SET",
            "rc": "TWRC_FAILURE", "cc": "TWCC_BADVALUE"}]})");
    EXPECT_EQ(NegociarTipoPixel(0x6), 0);
    EXPECT_EQ(zel::nUltimoError, 3);
    EXPECT_EQ(zel::nUltimoErrorRC, TWRC_FAILURE);
    EXPECT_EQ(zel::nUltimoErrorCC, TWCC_BADVALUE);
}

TEST_F(Capabilities, PixelNegotiationRecordsAFailedGet) {
    Open(R"(, "faults": {"triplets": [{"cap": "ICAP_PIXELTYPE", "msg": "MSG_GET",
            "rc": "TWRC_FAILURE", "cc": "TWCC_CAPUNSUPPORTED"}]})");
    EXPECT_EQ(NegociarTipoPixel(0x6), 0);
    EXPECT_EQ(zel::nUltimoError, 2);
    EXPECT_EQ(zel::nUltimoErrorCC, TWCC_CAPUNSUPPORTED);
}

TEST_F(Capabilities, ArrayAnswersAreNotReadButFreed) {
    Open(R"(, "capabilities": {"ICAP_BITDEPTH": {"container": "array",
            "type": "TWTY_UINT16", "values": [24]}})");
    size_t blocks = ZelPlat_LiveGlobalBlocks();
    EXPECT_EQ(ObtenProfundidaBit(), 0);
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), blocks);
}

TEST_F(Capabilities, AcceptedOneValueAndNoCommonValueSendNoSet) {
    // Any MSG_SET of the pixel type would fail: success proves none was sent.
    Open(R"(, "capabilities": {"ICAP_PIXELTYPE": {"container": "onevalue",
            "type": "TWTY_UINT16", "current": 2}},
            "faults": {"triplets": [{"cap": "ICAP_PIXELTYPE", "msg": "MSG_SET",
            "rc": "TWRC_FAILURE", "cc": "TWCC_BADVALUE"}]})");
    EXPECT_EQ(NegociarTipoPixel(0x4), 4);
    EXPECT_EQ(zel::nUltimoError, 0);
    EXPECT_EQ(NegociarTipoPixel(0x2), 0);
    EXPECT_EQ(zel::nUltimoError, 13); // not 3: nothing was written
}

TEST_F(Capabilities, WritesOnAnEnabledSourceSendNothing) {
    Open("");
    OcultarUI(1);
    ASSERT_EQ(HabilitarDispositivo(0), 1);
    zel::nUltimoRC = 42;
    EXPECT_EQ(PonValorDeUnaCapacidad(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), 0);
    EXPECT_EQ(CodigoResultante(), 42);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Attempt to set capability outside State 4.");
    EXPECT_EQ(ObtenTipoPixel(), TWPT_RGB); // reads work from state 5
}
