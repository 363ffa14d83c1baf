// Header readers, colour counts and freeing, including DIBs whose header
// claims more than their block holds.
#include "dib_fixtures.h"

#include <zeltw32.h>

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

using namespace dibtest;

namespace {

struct ColourCase {
    WORD bits;
    DWORD clrUsed;
    int expected;
};

// Every reader and consumer answers "unreadable" for the handle.
void ExpectUnreadable(HGLOBAL h, const char *what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(DibProfundidad(h), 0);
    EXPECT_EQ(DibAnchura(h), 0);
    EXPECT_EQ(DibAltura(h), 0);
    EXPECT_EQ(DibNumColores(h), 0);
    LeakCheck leaks;
    EXPECT_EQ(CrearPaletaDib(h), HPALETTE(0));
    EXPECT_FALSE(leaks.Leaked()) << leaks.Describe();
}

} // namespace

TEST(DibInfo, ColourCountFollowsClrUsedThenDepth) {
    const ColourCase cases[] = {{1, 0, 2},  {4, 0, 16}, {8, 0, 256}, {8, 20, 20},
                                {16, 0, 0}, {24, 0, 0}, {32, 0, 0},  {24, 5, 5}};
    for (const auto &c : cases) {
        DibShape shape;
        shape.bits = c.bits;
        shape.clrUsed = c.clrUsed;
        HGLOBAL h = MakeDib(shape);
        EXPECT_EQ(DibNumColores(h), c.expected) << c.bits << " bits, biClrUsed " << c.clrUsed;
        EXPECT_EQ(DibProfundidad(h), c.bits);
        GlobalFree(h);
    }
}

TEST(DibInfo, CoreHeaderColourCount) {
    const struct {
        WORD bits;
        int expected;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}, {24, 0}};
    for (const auto &c : cases) {
        HGLOBAL h = MakeCoreDib(3, 2, c.bits);
        EXPECT_EQ(DibNumColores(h), c.expected) << c.bits << " bits";
        GlobalFree(h);
    }
}

TEST(DibInfo, WidthAndHeightAsStoredWithSign) {
    DibShape shape;
    shape.width = 5;
    shape.height = -3;
    shape.bits = 8;
    HGLOBAL h = MakeDib(shape);
    EXPECT_EQ(DibAnchura(h), 5);
    EXPECT_EQ(DibAltura(h), -3);
    EXPECT_EQ(DibProfundidad(h), 8);
    GlobalFree(h);

    shape.height = 3;
    h = MakeDib(shape);
    EXPECT_EQ(DibAltura(h), 3);
    GlobalFree(h);
}

TEST(DibInfo, NullStaleAndMadeUpHandlesReadAsZero) {
    ExpectUnreadable(0, "null handle");
    HGLOBAL freed = MakeDib(DibShape{});
    ASSERT_EQ(DibAnchura(freed), 4);
    GlobalFree(freed);
    ExpectUnreadable(freed, "freed handle");
    ExpectUnreadable(HGLOBAL(0x1234567), "made-up handle");
    // Stale and made-up handles are probed, never locked.
    EXPECT_EQ(ZelPlat_BadMemoryHandleUses(), 0u);
}

TEST(DibInfo, HeaderOrColourTableOutsideTheBlockReadsAsZero) {
    HGLOBAL h = MakeDib(DibShape{});
    PokeDword(h, 0, 0xFFFFFFF0); // biSize
    ExpectUnreadable(h, "huge header size");
    GlobalFree(h);

    h = MakeBlock({40, 0, 0, 0, 4, 0, 0, 0});
    ExpectUnreadable(h, "block shorter than the header");
    GlobalFree(h);

    // The header is whole: its fields are answered, but no colour count or
    // palette comes from a table that the block does not hold.
    DibShape tableTooLong;
    tableTooLong.bits = 8;
    h = MakeDib(tableTooLong);
    PokeDword(h, 32, 0x40000000); // biClrUsed: a table of 4 GB
    EXPECT_EQ(DibAnchura(h), 4);
    EXPECT_EQ(DibProfundidad(h), 8);
    EXPECT_EQ(DibNumColores(h), 0);
    EXPECT_EQ(CrearPaletaDib(h), HPALETTE(0));
    GlobalFree(h);

    HGLOBAL whole = MakeDib(tableTooLong);
    auto bytes = BlockBytes(whole);
    GlobalFree(whole);
    bytes.resize(40 + 4 * 256 - 1); // the last colour entry one byte short
    h = MakeBlock(bytes);
    EXPECT_EQ(DibAltura(h), 3);
    EXPECT_EQ(DibNumColores(h), 0);
    EXPECT_EQ(CrearPaletaDib(h), HPALETTE(0));
    bytes.push_back(0); // the table whole, no rows at all
    GlobalFree(h);
    h = MakeBlock(bytes);
    EXPECT_EQ(DibNumColores(h), 256);
    HPALETTE hPal = CrearPaletaDib(h);
    EXPECT_NE(hPal, HPALETTE(0));
    DeleteObject(hPal);
    GlobalFree(h);
}

// A DIB whose pixel rows run past its block, such as a truncated transfer
// from a faulty source, is still measured and given a palette: only the
// header and the colour table are read.
TEST(DibInfo, ShortRowsAreAnsweredFromTheHeader) {
    struct Case {
        const char *what;
        DibShape shape;
        std::vector<std::pair<size_t, DWORD>> pokes; // header fields overwritten
        int width, height, depth, colours;
    };
    DibShape halfRows;
    halfRows.dataBytes = int64_t(Stride(4, 24)) * 3 / 2;
    DibShape oneByteShort;
    oneByteShort.bits = 8;
    oneByteShort.dataBytes = int64_t(Stride(4, 8)) * 3 - 1;
    DibShape compressed;
    compressed.bits = 8;
    compressed.compression = BI_RLE8;
    compressed.sizeImage = 100;
    compressed.dataBytes = 99;
    const Case cases[] = {
        {"half of the rows (a truncated transfer)", halfRows, {}, 4, 3, 24, 0},
        {"one byte of pixel rows missing", oneByteShort, {}, 4, 3, 8, 256},
        {"compressed data shorter than biSizeImage", compressed, {}, 4, 3, 8, 256},
        {"huge height", DibShape{}, {{8, 0x7FFFFFFF}}, 4, INT32_MAX, 24, 0},
        {"most negative height", DibShape{}, {{8, 0x80000000}}, 4, INT32_MIN, 24, 0},
        // biBitCount 65535: width x depth overflows 32 bits.
        {"huge width and depth",
         DibShape{},
         {{4, 0x7FFFFFFF}, {12, 0xFFFF0001}},
         INT32_MAX,
         3,
         65535,
         0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        HGLOBAL h = MakeDib(c.shape);
        for (auto [offset, value] : c.pokes)
            PokeDword(h, offset, value);
        EXPECT_EQ(DibAnchura(h), c.width);
        EXPECT_EQ(DibAltura(h), c.height);
        EXPECT_EQ(DibProfundidad(h), c.depth);
        EXPECT_EQ(DibNumColores(h), c.colours);
        LeakCheck leaks;
        HPALETTE hPal = CrearPaletaDib(h);
        ASSERT_NE(hPal, HPALETTE(0));
        EXPECT_EQ(GetPaletteEntries(hPal, 0, 0, nullptr), c.colours ? UINT(c.colours) : 256u);
        DeleteObject(hPal);
        EXPECT_FALSE(leaks.Leaked()) << leaks.Describe();
        GlobalFree(h);
    }
}

TEST(DibInfo, ExactFitIsReadable) {
    DibShape compressed;
    compressed.bits = 8;
    compressed.compression = BI_RLE8;
    compressed.sizeImage = 100;
    compressed.dataBytes = 100;
    HGLOBAL h = MakeDib(compressed);
    EXPECT_EQ(DibNumColores(h), 256);
    EXPECT_EQ(DibAnchura(h), 4);
    GlobalFree(h);

    HGLOBAL core = MakeCoreDib(3, 2, 8);
    EXPECT_EQ(DibNumColores(core), 256);
    GlobalFree(core);
}

TEST(DibInfo, LiberadorDeMemoriaFreesAndIgnoresNull) {
    size_t before = ZelPlat_LiveGlobalBlocks();
    HGLOBAL h = MakeDib(DibShape{});
    ASSERT_EQ(ZelPlat_LiveGlobalBlocks(), before + 1);
    LiberadorDeMemoria(h);
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), before);
    EXPECT_EQ(GlobalFlags(h), UINT(GMEM_INVALID_HANDLE));
    LiberadorDeMemoria(0);
    LiberadorDeMemoria(h); // already freed: left alone
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), before);
    EXPECT_EQ(ZelPlat_BadMemoryHandleUses(), 0u);
}
