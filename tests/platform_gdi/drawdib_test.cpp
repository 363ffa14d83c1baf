// DrawDibDraw puts the source pixels into the bitmap selected in a memory DC.
#include <gtest/gtest.h>
#include <vfw.h>
#include <zelplat/zelplat_test.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr COLORREF kBackground = RGB(0x11, 0x22, 0x33);

// A memory DC holding a 32-bit DIB section filled with kBackground.
class Canvas {
  public:
    Canvas(int width, int height, bool top_down = true) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = top_down ? -height : height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        bitmap_ =
            CreateDIBSection(0, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&bits_), 0, 0);
        dc_ = CreateCompatibleDC(0);
        old_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < width * height; ++i)
            std::memcpy(bits_ + 4 * i, "\x33\x22\x11\x00", 4);
        top_down_ = top_down;
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    HDC dc() const { return dc_; }
    // The colour at (x, y) read from the pixel memory rather than through GetPixel.
    COLORREF stored(int x, int y) const {
        const uint8_t *p = bits_ + 4 * ((top_down_ ? y : height_ - 1 - y) * width_ + x);
        return RGB(p[2], p[1], p[0]);
    }
    bool untouched() const {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (stored(x, y) != kBackground)
                    return false;
        return true;
    }

  private:
    int width_, height_;
    bool top_down_ = true;
    HBITMAP bitmap_ = 0;
    HDC dc_ = 0;
    HGDIOBJ old_ = 0;
    uint8_t *bits_ = nullptr;
};

// A packed DIB: header, colour table, rows as given (already in stored order).
struct PackedDib {
    std::vector<uint8_t> bytes;
    LPBITMAPINFOHEADER header() { return reinterpret_cast<LPBITMAPINFOHEADER>(bytes.data()); }
    void *rows() { return bytes.data() + rows_offset; }
    size_t rows_offset = 0;
};

PackedDib packed_dib(int width, int height, int bits, std::vector<RGBQUAD> colors,
                     std::vector<uint8_t> rows) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biClrUsed = DWORD(colors.size());
    PackedDib dib;
    dib.bytes.resize(sizeof h);
    std::memcpy(dib.bytes.data(), &h, sizeof h);
    for (const RGBQUAD &q : colors)
        dib.bytes.insert(dib.bytes.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    dib.rows_offset = dib.bytes.size();
    dib.bytes.insert(dib.bytes.end(), rows.begin(), rows.end());
    return dib;
}

// A 24-bit DIB whose pixel (x, y) (y from the top) has colour_at(x, y).
COLORREF colour_at(int x, int y) {
    return RGB(10 * x + 1, 20 * y + 2, 30);
}

PackedDib gradient_24(int width, int height, bool top_down) {
    size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> rows(stride * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t *p = &rows[(top_down ? y : height - 1 - y) * stride + 3 * x];
            COLORREF c = colour_at(x, y);
            p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
        }
    return packed_dib(width, top_down ? -height : height, 24, {}, rows);
}

class DrawDib : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(hdd = DrawDibOpen(), 0u); }
    void TearDown() override { EXPECT_TRUE(DrawDibClose(hdd)); }
    HDRAWDIB hdd = 0;
};

TEST_F(DrawDib, OneBitBottomUpAndTopDown) {
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    // Rows as shown: top 1111 0000, bottom 1010 0000 (1 = blue).
    for (bool top_down : {false, true}) {
        std::vector<uint8_t> rows = top_down ? std::vector<uint8_t>{0xF0, 0, 0, 0, 0xA0, 0, 0, 0}
                                             : std::vector<uint8_t>{0xA0, 0, 0, 0, 0xF0, 0, 0, 0};
        PackedDib dib = packed_dib(8, top_down ? -2 : 2, 1, {{0, 0, 255, 0}, {255, 0, 0, 0}}, rows);
        Canvas canvas(8, 2);
        ASSERT_TRUE(
            DrawDibDraw(hdd, canvas.dc(), 0, 0, 8, 2, dib.header(), dib.rows(), 0, 0, 8, 2, 0));
        for (int x = 0; x < 8; ++x) {
            SCOPED_TRACE(testing::Message()
                         << "x " << x << (top_down ? " top-down" : " bottom-up"));
            EXPECT_EQ(GetPixel(canvas.dc(), x, 0), x < 4 ? blue : red);
            EXPECT_EQ(canvas.stored(x, 1), (x == 0 || x == 2) ? blue : red);
        }
    }
}

TEST_F(DrawDib, EightBitWithShortColourTableAndPackedRows) {
    // 3x2 top-down, three colours; rows padded to 4 bytes.
    PackedDib dib = packed_dib(3, -2, 8, {{0, 128, 0, 0}, {255, 255, 255, 0}, {30, 20, 10, 0}},
                               {2, 0, 1, 0, 1, 1, 0, 0});
    Canvas canvas(4, 3);
    // A null lpBits takes the rows right after the colour table.
    ASSERT_TRUE(DrawDibDraw(hdd, canvas.dc(), 1, 1, 3, 2, dib.header(), nullptr, 0, 0, 3, 2, 0));
    EXPECT_EQ(canvas.stored(1, 1), RGB(10, 20, 30));
    EXPECT_EQ(canvas.stored(2, 1), RGB(0, 128, 0));
    EXPECT_EQ(GetPixel(canvas.dc(), 3, 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(canvas.dc(), 3, 2), RGB(0, 128, 0));
    EXPECT_EQ(GetPixel(canvas.dc(), 0, 1), kBackground);
    EXPECT_EQ(GetPixel(canvas.dc(), 1, 0), kBackground);
}

TEST_F(DrawDib, TwentyFourBitWithSourceOffsetFollowsDibCoordinates) {
    for (bool top_down : {false, true}) {
        SCOPED_TRACE(top_down ? "top-down" : "bottom-up");
        PackedDib dib = gradient_24(4, 3, top_down);
        Canvas canvas(3, 3, /*top_down=*/false);
        ASSERT_TRUE(
            DrawDibDraw(hdd, canvas.dc(), 0, 0, 2, 2, dib.header(), dib.rows(), 1, 1, 2, 2, 0));
        // Bottom-up: (1, 1) is the lower-left corner counted from the bottom
        // row, so the shown rows 0-1 are copied; top-down: shown rows 1-2.
        int first_row = top_down ? 1 : 0;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) {
                EXPECT_EQ(GetPixel(canvas.dc(), x, y), colour_at(x + 1, y + first_row));
                EXPECT_EQ(canvas.stored(x, y), colour_at(x + 1, y + first_row));
            }
        EXPECT_EQ(canvas.stored(2, 0), kBackground);
        EXPECT_EQ(canvas.stored(0, 2), kBackground);
    }
}

TEST_F(DrawDib, StretchesAndClipsToBothBitmaps) {
    PackedDib dib = gradient_24(2, 2, false);
    Canvas canvas(5, 5);
    ASSERT_TRUE(DrawDibDraw(hdd, canvas.dc(), 0, 0, 4, 4, dib.header(), dib.rows(), 0, 0, 2, 2, 0));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(canvas.stored(x, y), colour_at(x / 2, y / 2));
    EXPECT_EQ(canvas.stored(4, 4), kBackground);

    Canvas clipped(3, 3);
    // Half outside the destination, and a 3x3 source rectangle on a 2x2 DIB:
    // its top row and right column lie outside the DIB and draw nothing.
    ASSERT_TRUE(
        DrawDibDraw(hdd, clipped.dc(), -1, 1, 3, 3, dib.header(), dib.rows(), 0, 0, 3, 3, 0));
    EXPECT_EQ(clipped.stored(0, 2), colour_at(1, 0));
    EXPECT_EQ(clipped.stored(1, 2), kBackground);
    EXPECT_EQ(clipped.stored(0, 1), kBackground);
}

TEST_F(DrawDib, OtherSourceFormats) {
    // Core header with an RGBTRIPLE table, 1 bit, 2x1.
    std::vector<uint8_t> core(12 + 6 + 4, 0);
    BITMAPCOREHEADER ch{12, 2, 1, 1, 1};
    std::memcpy(core.data(), &ch, sizeof ch);
    const uint8_t table[6] = {0, 255, 0, 9, 8, 7}; // green, then RGB(7, 8, 9)
    std::memcpy(core.data() + 12, table, sizeof table);
    core[18] = 0x40; // pixel 1 uses entry 1
    Canvas canvas(2, 2);
    ASSERT_TRUE(DrawDibDraw(hdd, canvas.dc(), 0, 0, 2, 1,
                            reinterpret_cast<LPBITMAPINFOHEADER>(core.data()), core.data() + 18, 0,
                            0, 2, 1, 0));
    EXPECT_EQ(canvas.stored(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(canvas.stored(1, 0), RGB(7, 8, 9));

    // 16 bits, 5-5-5: full red and full blue; 32 bits: blue, green, red, unused.
    PackedDib rgb555 = packed_dib(2, 1, 16, {}, {0x00, 0x7C, 0x1F, 0x00});
    ASSERT_TRUE(
        DrawDibDraw(hdd, canvas.dc(), 0, 1, 2, 1, rgb555.header(), rgb555.rows(), 0, 0, 2, 1, 0));
    EXPECT_EQ(canvas.stored(0, 1), RGB(255, 0, 0));
    EXPECT_EQ(canvas.stored(1, 1), RGB(0, 0, 255));
    PackedDib rgb32 = packed_dib(1, 1, 32, {}, {3, 2, 1, 0xFF});
    ASSERT_TRUE(
        DrawDibDraw(hdd, canvas.dc(), 1, 1, 1, 1, rgb32.header(), rgb32.rows(), 0, 0, 1, 1, 0));
    EXPECT_EQ(GetPixel(canvas.dc(), 1, 1), RGB(1, 2, 3));
}

TEST_F(DrawDib, IntoAPalettedBitmapPicksTheNearestEntry) {
    BITMAPINFO *info =
        static_cast<BITMAPINFO *>(calloc(1, sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD)));
    info->bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 1, 1, 8, BI_RGB, 0, 0, 0, 2, 0};
    RGBQUAD *colors = info->bmiColors;
    colors[0] = {0, 0, 200, 0};
    colors[1] = {200, 0, 0, 0};
    void *bits = nullptr;
    HBITMAP bmp = CreateDIBSection(0, info, DIB_RGB_COLORS, &bits, 0, 0);
    free(info);
    HDC dc = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(dc, bmp);
    PackedDib dib = packed_dib(2, 1, 24, {}, {250, 10, 10, 10, 10, 250, 0, 0});
    ASSERT_TRUE(DrawDibDraw(hdd, dc, 0, 0, 2, 1, dib.header(), dib.rows(), 0, 0, 2, 1, 0));
    EXPECT_EQ(static_cast<uint8_t *>(bits)[0], 1); // bluish pixel -> entry 1
    EXPECT_EQ(static_cast<uint8_t *>(bits)[1], 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
}

TEST_F(DrawDib, BadContextDcOrHeaderDrawsNothing) {
    PackedDib dib = gradient_24(2, 2, false);
    Canvas canvas(2, 2);
    auto draw = [&](HDRAWDIB h, HDC dc, LPBITMAPINFOHEADER header) {
        return DrawDibDraw(h, dc, 0, 0, 2, 2, header, dib.rows(), 0, 0, 2, 2, 0);
    };
    HDRAWDIB closed = DrawDibOpen();
    ASSERT_TRUE(DrawDibClose(closed));
    EXPECT_FALSE(DrawDibClose(closed));
    EXPECT_FALSE(draw(closed, canvas.dc(), dib.header()));
    EXPECT_FALSE(draw(0, canvas.dc(), dib.header()));
    EXPECT_FALSE(draw(hdd, 0x4000FFFFu, dib.header()));
    EXPECT_FALSE(draw(hdd, canvas.dc(), nullptr));

    BITMAPINFOHEADER good = *dib.header();
    auto with = [&](auto change) {
        BITMAPINFOHEADER h = good;
        change(h);
        return draw(hdd, canvas.dc(), &h);
    };
    EXPECT_FALSE(with([](BITMAPINFOHEADER &h) { h.biSize = 20; }));
    EXPECT_FALSE(with([](BITMAPINFOHEADER &h) { h.biCompression = BI_RLE8; }));
    EXPECT_FALSE(with([](BITMAPINFOHEADER &h) { h.biBitCount = 12; }));
    EXPECT_FALSE(with([](BITMAPINFOHEADER &h) { h.biWidth = 0; }));
    EXPECT_FALSE(with([](BITMAPINFOHEADER &h) { h.biHeight = 0; }));
    EXPECT_TRUE(canvas.untouched());
    EXPECT_TRUE(draw(hdd, canvas.dc(), dib.header()));
    EXPECT_FALSE(canvas.untouched());
}

} // namespace
