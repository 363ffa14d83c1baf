// Logical palettes built from a DIB's colour table or, without one, from
// the default palette.
#include "dib_fixtures.h"

#include <zeltw32.h>

#include <gtest/gtest.h>

#include <vector>

using namespace dibtest;

namespace {

std::vector<PALETTEENTRY> Entries(HPALETTE hPal) {
    std::vector<PALETTEENTRY> entries(GetPaletteEntries(hPal, 0, 0, nullptr));
    if (!entries.empty())
        GetPaletteEntries(hPal, 0, UINT(entries.size()), entries.data());
    return entries;
}

void ExpectTableColours(const std::vector<PALETTEENTRY> &entries) {
    for (size_t i = 0; i < entries.size(); ++i) {
        RGBQUAD q = TableColour(DWORD(i));
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].peRed, q.rgbRed);
        EXPECT_EQ(entries[i].peGreen, q.rgbGreen);
        EXPECT_EQ(entries[i].peBlue, q.rgbBlue);
        EXPECT_EQ(entries[i].peFlags, 0);
    }
}

// FNV-1a over red, green, blue and flags of every entry.
uint32_t Checksum(const std::vector<PALETTEENTRY> &entries) {
    uint32_t h = 2166136261u;
    for (const auto &e : entries)
        for (BYTE b : {e.peRed, e.peGreen, e.peBlue, e.peFlags})
            h = (h ^ b) * 16777619u;
    return h;
}

} // namespace

// The table follows the header, and the masks of BI_BITFIELDS after it.
TEST(DibPalette, BuiltFromTheColourTable) {
    const struct {
        WORD bits;
        DWORD compression, clrUsed;
    } cases[] = {{8, BI_RGB, 0}, {8, BI_RGB, 20}, {16, BI_BITFIELDS, 20}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.compression);
        DibShape shape;
        shape.bits = c.bits;
        shape.compression = c.compression;
        shape.clrUsed = c.clrUsed;
        HGLOBAL h = MakeDib(shape);
        LeakCheck leaks;
        HPALETTE hPal = CrearPaletaDib(h);
        ASSERT_NE(hPal, HPALETTE(0));
        auto entries = Entries(hPal);
        EXPECT_EQ(entries.size(), c.clrUsed ? c.clrUsed : 256u);
        ExpectTableColours(entries);
        DeleteObject(hPal);
        EXPECT_FALSE(leaks.Leaked()) << leaks.Describe();
        GlobalFree(h);
    }
}

TEST(DibPalette, CoreTableHasThreeByteEntries) {
    HGLOBAL h = MakeCoreDib(3, 2, 4);
    HPALETTE hPal = CrearPaletaDib(h);
    ASSERT_NE(hPal, HPALETTE(0));
    auto entries = Entries(hPal);
    EXPECT_EQ(entries.size(), 16u);
    ExpectTableColours(entries);
    DeleteObject(hPal);
    GlobalFree(h);
}

TEST(DibPalette, DefaultPaletteWithoutColourTable) {
    for (WORD bits : {24, 32}) {
        DibShape shape;
        shape.bits = bits;
        HGLOBAL h = MakeDib(shape);
        HPALETTE hPal = CrearPaletaDib(h);
        ASSERT_NE(hPal, HPALETTE(0));
        auto e = Entries(hPal);
        ASSERT_EQ(e.size(), 256u);
        // The static colours at both ends, with flags 0.
        EXPECT_EQ(RGB(e[0].peRed, e[0].peGreen, e[0].peBlue), RGB(0, 0, 0));
        EXPECT_EQ(RGB(e[9].peRed, e[9].peGreen, e[9].peBlue), RGB(0xA6, 0xCA, 0xF0));
        EXPECT_EQ(RGB(e[249].peRed, e[249].peGreen, e[249].peBlue), RGB(0xFF, 0, 0));
        EXPECT_EQ(RGB(e[255].peRed, e[255].peGreen, e[255].peBlue), RGB(0xFF, 0xFF, 0xFF));
        EXPECT_EQ(e[9].peFlags, 0);
        EXPECT_EQ(e[246].peFlags, 0);
        // The colours between them may not be collapsed onto the static ones.
        EXPECT_EQ(RGB(e[10].peRed, e[10].peGreen, e[10].peBlue), RGB(4, 4, 4));
        EXPECT_EQ(RGB(e[127].peRed, e[127].peGreen, e[127].peBlue), RGB(0xFF, 0x00, 0xCC));
        EXPECT_EQ(RGB(e[245].peRed, e[245].peGreen, e[245].peBlue), RGB(0xF8, 0xF8, 0xF8));
        EXPECT_EQ(e[10].peFlags, PC_NOCOLLAPSE);
        EXPECT_EQ(e[245].peFlags, PC_NOCOLLAPSE);
        // All 256 entries, flags included, against the published table.
        EXPECT_EQ(Checksum(e), 0x9e05e15au);
        DeleteObject(hPal);
        GlobalFree(h);
    }
}

TEST(DibPalette, EntryCountIsTheLow16BitsOfTheColourCount) {
    // 65537 colours in the table: the palette takes the low 16 bits, one entry.
    DibShape shape;
    shape.bits = 8;
    shape.clrUsed = 65537;
    HGLOBAL h = MakeDib(shape);
    ASSERT_EQ(DibNumColores(h), 65537);
    HPALETTE hPal = CrearPaletaDib(h);
    ASSERT_NE(hPal, HPALETTE(0));
    auto entries = Entries(hPal);
    EXPECT_EQ(entries.size(), 1u);
    ExpectTableColours(entries);
    DeleteObject(hPal);
    GlobalFree(h);
}
