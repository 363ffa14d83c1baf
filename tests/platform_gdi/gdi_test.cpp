// Palettes, memory DCs and DIB sections: entries kept, pixels where Windows
// puts them, and the lifetime rules of selected bitmaps.
#include <gtest/gtest.h>
#include <zelplat/zelplat_test.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A BITMAPINFO with room for a 256-entry colour table.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

DibInfo dib_info(int width, int height, int bits, DWORD colors = 0) {
    DibInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bits);
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = colors;
    return info;
}

const BITMAPINFO *as_bmi(const DibInfo &info) {
    return reinterpret_cast<const BITMAPINFO *>(&info);
}

TEST(Palette, KeepsItsEntries) {
    std::vector<uint8_t> storage(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
    auto *pal = reinterpret_cast<LOGPALETTE *>(storage.data());
    pal->palVersion = 0x300;
    pal->palNumEntries = 3;
    PALETTEENTRY entries[3] = {{10, 20, 30, 0}, {40, 50, 60, PC_NOCOLLAPSE}, {70, 80, 90, 0}};
    std::memcpy(pal->palPalEntry, entries, sizeof entries);
    size_t baseline = ZelPlat_LiveGdiObjects();
    HPALETTE h = CreatePalette(pal);
    ASSERT_NE(h, 0u);
    std::memset(pal->palPalEntry, 0, sizeof entries); // the palette keeps its own copy
    EXPECT_EQ(ZelPlat_LiveGdiObjects(), baseline + 1);

    EXPECT_EQ(GetPaletteEntries(h, 0, 0, nullptr), 3u);
    PALETTEENTRY out[4] = {};
    EXPECT_EQ(GetPaletteEntries(h, 1, 4, out), 2u);
    EXPECT_EQ(std::memcmp(out, entries + 1, 2 * sizeof(PALETTEENTRY)), 0);
    EXPECT_EQ(GetPaletteEntries(h, 3, 1, out), 0u);

    EXPECT_TRUE(DeleteObject(h));
    EXPECT_FALSE(DeleteObject(h));
    EXPECT_EQ(GetPaletteEntries(h, 0, 0, nullptr), 0u);
    EXPECT_EQ(ZelPlat_LiveGdiObjects(), baseline);

    pal->palVersion = 0x200;
    EXPECT_EQ(CreatePalette(pal), 0u);
    pal->palVersion = 0x300;
    pal->palNumEntries = 0;
    EXPECT_EQ(CreatePalette(pal), 0u);
    EXPECT_EQ(CreatePalette(nullptr), 0u);
}

// Where SetPixel(4, 0) lands in a 5x3 DIB section of each depth.
struct LayoutCase {
    int bits;
    size_t stride;
    size_t offset; // byte of pixel (4, 0) within its row
    std::vector<uint8_t> bytes;
};

TEST(DibSection, PixelsUseTheWindowsRowLayout) {
    const COLORREF color = RGB(255, 0, 0);
    const LayoutCase cases[] = {
        {1, 4, 0, {0x08}},         {4, 4, 2, {0x50}},         {8, 8, 4, {200}},
        {16, 12, 8, {0x00, 0x7C}}, {24, 16, 12, {0, 0, 255}}, {32, 20, 16, {0, 0, 255, 0}},
    };
    for (const LayoutCase &c : cases) {
        for (int height : {3, -3}) {
            SCOPED_TRACE(testing::Message() << c.bits << " bits, height " << height);
            DibInfo info = dib_info(5, height, c.bits);
            // Red sits at index 1 (1 bit), 5 (4 bits) and 200 (8 bits).
            int red_index = c.bits == 1 ? 1 : c.bits == 4 ? 5 : 200;
            if (c.bits <= 8)
                info.colors[red_index] = {0, 0, 255, 0};
            void *bits = nullptr;
            HBITMAP bmp = CreateDIBSection(0, as_bmi(info), DIB_RGB_COLORS, &bits, 0, 0);
            ASSERT_NE(bmp, 0u);
            ASSERT_NE(bits, nullptr);
            HDC dc = CreateCompatibleDC(0);
            HGDIOBJ old = SelectObject(dc, bmp);
            ASSERT_NE(old, 0u);
            EXPECT_EQ(SetPixel(dc, 4, 0, color), color);
            EXPECT_EQ(GetPixel(dc, 4, 0), color);
            EXPECT_EQ(GetPixel(dc, 3, 0), RGB(0, 0, 0));
            EXPECT_EQ(GetPixel(dc, 5, 0), CLR_INVALID);
            EXPECT_EQ(GetPixel(dc, 0, 3), CLR_INVALID);
            EXPECT_EQ(SetPixel(dc, -1, 0, color), CLR_INVALID);

            // Pixel row 0 is the top row: the last stored row of a bottom-up DIB.
            const auto *rows = static_cast<const uint8_t *>(bits);
            size_t row_start = height > 0 ? 2 * c.stride : 0;
            std::vector<uint8_t> stored(rows + row_start + c.offset,
                                        rows + row_start + c.offset + c.bytes.size());
            EXPECT_EQ(stored, c.bytes);
            EXPECT_EQ(SelectObject(dc, old), bmp);
            EXPECT_TRUE(DeleteDC(dc));
            EXPECT_TRUE(DeleteObject(bmp));
        }
    }
}

TEST(DibSection, LowDepthsStoreTheNearestPaletteColour) {
    DibInfo info = dib_info(2, 1, 1);
    info.colors[1] = {255, 255, 255, 0};
    HBITMAP bmp = CreateDIBSection(0, as_bmi(info), DIB_RGB_COLORS, nullptr, 0, 0);
    HDC dc = CreateCompatibleDC(0);
    SelectObject(dc, bmp);
    EXPECT_EQ(SetPixel(dc, 1, 0, RGB(200, 190, 210)), RGB(255, 255, 255));
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(60, 70, 50)), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 255, 255));
    DeleteDC(dc);
    DeleteObject(bmp);
}

TEST(DibSection, UnsupportedRequestsFail) {
    DibInfo info = dib_info(4, 4, 8);
    void *bits = &info;
    EXPECT_EQ(CreateDIBSection(0, as_bmi(info), DIB_PAL_COLORS, &bits, 0, 0), 0u);
    EXPECT_EQ(bits, nullptr);
    info.header.biCompression = BI_RLE8;
    EXPECT_EQ(CreateDIBSection(0, as_bmi(info), DIB_RGB_COLORS, &bits, 0, 0), 0u);
    DibInfo odd = dib_info(4, 4, 7);
    EXPECT_EQ(CreateDIBSection(0, as_bmi(odd), DIB_RGB_COLORS, &bits, 0, 0), 0u);
    DibInfo empty = dib_info(0, 4, 24);
    EXPECT_EQ(CreateDIBSection(0, as_bmi(empty), DIB_RGB_COLORS, &bits, 0, 0), 0u);
    DibInfo huge = dib_info(100000, 100000, 32);
    EXPECT_EQ(CreateDIBSection(0, as_bmi(huge), DIB_RGB_COLORS, &bits, 0, 0), 0u);
    EXPECT_EQ(CreateCompatibleDC(0x4000ABCDu), 0u);
}

TEST(MemoryDc, StartsWithAOnePixelMonochromeBitmap) {
    HDC dc = CreateCompatibleDC(0);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(250, 250, 250)), RGB(255, 255, 255));
    HDC second = CreateCompatibleDC(dc);
    EXPECT_NE(second, 0u);
    EXPECT_TRUE(DeleteDC(second));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
}

TEST(MemoryDc, SelectedBitmapIsNotDeletedAndBelongsToOneDc) {
    size_t baseline = ZelPlat_LiveGdiObjects();
    DibInfo info = dib_info(2, 2, 24);
    HBITMAP bmp = CreateDIBSection(0, as_bmi(info), DIB_RGB_COLORS, nullptr, 0, 0);
    EXPECT_EQ(ZelPlat_LiveGdiObjects(), baseline + 1);
    HDC a = CreateCompatibleDC(0), b = CreateCompatibleDC(0);
    HGDIOBJ stock = SelectObject(a, bmp);
    ASSERT_NE(stock, 0u);
    EXPECT_EQ(SelectObject(b, bmp), 0u); // already held by a
    EXPECT_FALSE(DeleteObject(bmp));
    EXPECT_EQ(SetPixel(a, 1, 1, RGB(1, 2, 3)), RGB(1, 2, 3)); // still usable
    LOGPALETTE pal{0x300, 1, {{0, 0, 0, 0}}};
    HPALETTE hpal = CreatePalette(&pal);
    EXPECT_EQ(SelectObject(a, hpal), 0u); // palettes are not selected this way
    DeleteObject(hpal);

    EXPECT_EQ(SelectObject(a, stock), bmp);
    EXPECT_NE(SelectObject(b, bmp), 0u);
    EXPECT_EQ(GetPixel(b, 1, 1), RGB(1, 2, 3));
    EXPECT_TRUE(DeleteDC(b)); // releases bmp
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_EQ(ZelPlat_LiveGdiObjects(), baseline);
    EXPECT_TRUE(DeleteDC(a));
}

} // namespace
