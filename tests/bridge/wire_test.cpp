// The bridge's codec: every carried triplet survives the trip both ways with
// its blocks intact, and the library refuses an answer that does not fit
// the record it asked for.
#include "bridge_exercise.h"
#include "wire.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace zel::puente;

// Round trips through the fuzzer's exercise: byte 0 the triplet, byte 1 = 2
// a round trip, then the bytes of the record and of the blocks.
TEST(BridgeWire, EveryCarriedTripletSurvivesTheRoundTrip) {
    for (uint8_t triplete = 0; triplete < 15; ++triplete) {
        for (size_t largo : {0, 1, 7, 200, 5000}) {
            std::vector<uint8_t> entrada = {triplete, 2, 0, 0};
            for (size_t i = 0; i < largo; ++i)
                entrada.push_back(uint8_t(i * 7 + triplete));
            EXPECT_EQ(zelfuzz::ExerciseBridgeBytes(entrada.data(), entrada.size()), "")
                << "triplet " << int(triplete) << ", " << largo << " bytes";
        }
    }
}

TEST(BridgeWire, TripletsTheBridgeCannotCarryAreRefused) {
    std::vector<uint8_t> sobre, bulto;
    TW_EVENT evento{};
    TW_UINT32 dato = 0;
    EXPECT_FALSE(CodificarPeticion(nullptr, nullptr, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT,
                                   &evento, sobre, bulto));
    EXPECT_FALSE(
        CodificarPeticion(nullptr, nullptr, DG_CONTROL, 0x8001, MSG_GET, &dato, sobre, bulto));
}

// An answer as the helper would send it, then spoiled.
struct Spoiled {
    const char *what;
    TW_UINT16 dat;
    size_t cut;       // bytes dropped from the envelope's end
    size_t extraBulk; // bytes added to the bulk
    bool flagWithout; // says a block comes, with no bulk
};

std::vector<uint8_t> Answer(TW_UINT16 dat, bool flag) {
    std::vector<uint8_t> sobre = {TWRC_XFERDONE, 0, 1};
    size_t tam = dat == DAT_IMAGENATIVEXFER ? 4 : dat == DAT_IMAGEMEMXFER ? 34 : 156;
    sobre.resize(3 + tam);
    if (flag)
        sobre[dat == DAT_IMAGENATIVEXFER ? 3 : 7] = 1;
    return sobre;
}

TEST(BridgeWire, TheLibraryRefusesAnswersThatDoNotFit) {
    const Spoiled casos[] = {
        {"a short identity", DAT_IDENTITY, 1, 0, false},
        {"an identity with a bulk", DAT_IDENTITY, 0, 3, false},
        {"a DIB announced without bytes", DAT_IMAGENATIVEXFER, 0, 0, true},
        {"a strip longer than the buffer", DAT_IMAGEMEMXFER, 0, 65, false},
    };
    for (const Spoiled &c : casos) {
        std::vector<uint8_t> sobre = Answer(c.dat, c.flagWithout);
        sobre.resize(sobre.size() - c.cut);
        std::vector<uint8_t> bulto(c.extraBulk, 0xAB), tira(64);
        alignas(8) uint8_t registro[1100] = {};
        auto *xfer = reinterpret_cast<pTW_IMAGEMEMXFER>(registro);
        if (c.dat == DAT_IMAGEMEMXFER)
            xfer->Memory = {TWMF_APPOWNS | TWMF_POINTER, 64, tira.data()};
        TW_UINT16 rc = 0;
        EXPECT_FALSE(LeerRespuesta(DG_CONTROL, c.dat, MSG_GET, registro, sobre, bulto, rc))
            << c.what;
        EXPECT_EQ(rc, 0) << c.what;
    }
}

} // namespace
