// TW_FIX32 conversion, the list helpers of the pixel-type negotiation, and
// the capability exports' guards that need no source.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include <thread>

#include "capabilities/capabilities.h"
#include "capabilities/fix32.h"
#include "session/session.h"
#include "ui_recorder.h"

namespace {

TW_FIX32 Fix(int16_t whole, uint16_t frac) {
    return TW_FIX32{whole, frac};
}

} // namespace

TEST(Fix32, ExamplesRoundHalfAwayFromZero) {
    TW_FIX32 f = ToFix32(1.5);
    EXPECT_EQ(f.Whole, 1);
    EXPECT_EQ(f.Frac, 32768);
    f = ToFix32(-1.5);
    EXPECT_EQ(f.Whole, -2);
    EXPECT_EQ(f.Frac, 32768);
    f = ToFix32(300.0);
    EXPECT_EQ(f.Whole, 300);
    EXPECT_EQ(f.Frac, 0);
    f = ToFix32(0.00001);
    EXPECT_EQ(f.Whole, 0);
    EXPECT_EQ(f.Frac, 1);
    EXPECT_DOUBLE_EQ(ZEL_Fix32ToFloat(Fix(-2, 32768)), -1.5);
}

// Round trip of the 65536 values with one Whole part; counts mismatches.
uint64_t RoundTripMismatches(uint32_t whole) {
    uint64_t mismatches = 0;
    for (uint32_t frac = 0; frac <= 0xFFFF; ++frac) {
        TW_FIX32 f = Fix(int16_t(uint16_t(whole)), uint16_t(frac));
        TW_FIX32 back = zel::DoubleAFix32(zel::Fix32ADouble(f));
        mismatches += back.Whole != f.Whole || back.Frac != f.Frac;
    }
    return mismatches;
}

TEST(Fix32, EveryValueRoundTrips) {
    // All 2^32 bit patterns, on two threads; this file is built optimised so
    // that the sanitizer build runs it in seconds too.
    uint64_t low = 0, high = 0;
    std::thread second([&] {
        for (uint32_t whole = 0x8000; whole <= 0xFFFF; ++whole)
            high += RoundTripMismatches(whole);
    });
    for (uint32_t whole = 0; whole < 0x8000; ++whole)
        low += RoundTripMismatches(whole);
    second.join();
    EXPECT_EQ(low + high, 0u);
    // The exports are the same conversion.
    TW_FIX32 f = Fix(-12345, 4321);
    TW_FIX32 back = ToFix32(ZEL_Fix32ToFloat(f));
    EXPECT_EQ(back.Whole, f.Whole);
    EXPECT_EQ(back.Frac, f.Frac);
}

TEST(Fix32, OutOfRangeSaturatesAndNanIsZero) {
    TW_FIX32 f = ToFix32(1e9);
    EXPECT_EQ(f.Whole, 32767);
    EXPECT_EQ(f.Frac, 65535);
    f = ToFix32(-1e9);
    EXPECT_EQ(f.Whole, -32768);
    EXPECT_EQ(f.Frac, 0);
    f = ToFix32(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(f.Whole, 0);
    EXPECT_EQ(f.Frac, 0);
}

TEST(ListHelpers, FilterKeepsCommonValuesOnceInOrder) {
    TW_UINT16 list[] = {2, 0, 2, 5};
    EXPECT_EQ(zel::FiltrarPorMascara(0x5, 4, list), 2u);
    EXPECT_EQ(list[0], 0);
    EXPECT_EQ(list[1], 2);
    TW_UINT16 none[] = {3, 4};
    EXPECT_EQ(zel::FiltrarPorMascara(0x7, 2, none), 0u);
    // Values of 32 or more have no bit in the mask and are dropped.
    TW_UINT16 big[] = {32, 1, 40};
    EXPECT_EQ(zel::FiltrarPorMascara(0xFFFFFFFF, 3, big), 1u);
    EXPECT_EQ(big[0], 1);
}

TEST(ListHelpers, FindIndexOrDefault) {
    TW_UINT16 list[] = {1, 2, 2};
    EXPECT_EQ(zel::BuscarIndiceValor(3, list, 2, 9), 1u);
    EXPECT_EQ(zel::BuscarIndiceValor(3, list, 7, 9), 9u);
    EXPECT_EQ(zel::BuscarIndiceValor(0, list, 1, 0), 0u);
}

TEST(ListHelpers, IntegerTypesOfOneSizeAreCompatible) {
    EXPECT_TRUE(zel::TiposCompatibles(TWTY_INT16, TWTY_UINT16));
    EXPECT_TRUE(zel::TiposCompatibles(TWTY_UINT8, TWTY_INT8));
    EXPECT_TRUE(zel::TiposCompatibles(TWTY_INT32, TWTY_UINT32));
    EXPECT_FALSE(zel::TiposCompatibles(TWTY_BOOL, TWTY_UINT16));
    EXPECT_FALSE(zel::TiposCompatibles(TWTY_INT16, TWTY_INT32));
    EXPECT_FALSE(zel::TiposCompatibles(TWTY_FIX32, TWTY_UINT32));
    EXPECT_TRUE(zel::TiposCompatibles(TWTY_STR32, TWTY_STR32));
}

TEST(CapabilityGuards, ReadsNeedAnOpenSource) {
    zeltest::BoxRecorder boxes;
    TW_UINT16 value = 0xABCD;
    EXPECT_EQ(ObtenActualCapacidad(ICAP_PIXELTYPE, TWTY_UINT16, &value), 0);
    EXPECT_EQ(value, 0xABCD);
    EXPECT_EQ(ObtenActualResolucion(), 0.0);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].text, "Attempt to get capability value below State 4.");
}

TEST(CapabilityGuards, NullDestinationAndBadTypeSendNothing) {
    zeltest::BoxRecorder boxes;
    ZelPlat_DebugOutputClear();
    zel::nEstado = ZEL_DISP_ABIERTO; // pretend a source is open: nothing may be sent
    zel::nUltimoRC = TWRC_SUCCESS;
    EXPECT_EQ(ObtenActualCapacidad(ICAP_PIXELTYPE, TWTY_UINT16, nullptr), 0);
    EXPECT_TRUE(zeltest::DebugContains("pVal != NULL"));
    TW_UINT32 value = 0;
    EXPECT_EQ(ObtenActualCapacidad(ICAP_PIXELTYPE, 13, &value), 0);
    EXPECT_EQ(ObtenActualCapacidad(ICAP_PIXELTYPE, -1, &value), 0);
    EXPECT_EQ(CodigoResultante(), TWRC_SUCCESS); // no triplet went out
    EXPECT_TRUE(boxes.boxes().empty());
    zel::nEstado = ZEL_SM_DESCARGADO;
}

TEST(CapabilityGuards, WritesNeedExactlyState4) {
    zeltest::BoxRecorder boxes;
    EXPECT_EQ(PonValorDeUnaCapacidad(ICAP_PIXELTYPE, TWTY_UINT16, 1), 0);
    zel::nEstado = ZEL_DISP_HABILITADO;
    EXPECT_EQ(PonActualTipoPixel(TWPT_RGB), 0);
    EXPECT_EQ(PonActualResolucion(300.0), 0); // refused at Y: X is not tried
    zel::nEstado = ZEL_SM_DESCARGADO;
    ASSERT_EQ(boxes.boxes().size(), 3u);
    for (const auto &box : boxes.boxes())
        EXPECT_EQ(box.text, "Attempt to set capability outside State 4.");
}

TEST(CapabilityGuards, PixelNegotiationOutsideState4RecordsError7) {
    EXPECT_EQ(NegociarTipoPixel(0), 0);
    EXPECT_EQ(zel::nUltimoError, 7);
}
