// Drawing DIBs into a memory device context and reading the pixels back.
#include "dib_fixtures.h"

#include <zeltw32.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace dibtest;

namespace {

constexpr int kCanvasWidth = 8;
constexpr int kCanvasHeight = 6;
constexpr COLORREF kBackground = RGB(255, 255, 255);

// A memory DC with a white 24-bit DIB section selected into it.
class Canvas {
  public:
    Canvas() {
        dc_ = CreateCompatibleDC(0);
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = kCanvasWidth;
        bmi.bmiHeader.biHeight = -kCanvasHeight;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 24;
        void *bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &bmi, DIB_RGB_COLORS, &bits, 0, 0);
        if (bits)
            std::memset(bits, 0xFF, Stride(kCanvasWidth, 24) * kCanvasHeight);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    bool Ready() const { return dc_ && bitmap_ && old_; }
    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    bool Untouched() const {
        for (int y = 0; y < kCanvasHeight; ++y)
            for (int x = 0; x < kCanvasWidth; ++x)
                if (At(x, y) != kBackground)
                    return false;
        return true;
    }

  private:
    HDC dc_ = 0;
    HBITMAP bitmap_ = 0;
    HGDIOBJ old_ = 0;
};

COLORREF Rgb(const RGBQUAD &q) {
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

} // namespace

// The whole height is drawn with a source offset in x only, so that the
// bottom-up and the top-down DIB show the same picture; the destination
// is narrower than the source, so a stretched copy would show other pixels.
TEST(DibDraw, BottomUpAndTopDownWithSourceOffset) {
    for (LONG height : {3, -3}) {
        SCOPED_TRACE(height);
        DibShape shape;
        shape.width = 5;
        shape.height = height;
        HGLOBAL h = MakeDib(shape);
        Canvas canvas;
        ASSERT_TRUE(canvas.Ready());
        EXPECT_EQ(DibujarDibADC(canvas.Dc(), 2, 1, 3, 3, h, 1, 0), 0);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(canvas.At(2 + x, 1 + y), PixelColour(1 + x, y)) << x << "," << y;
        EXPECT_EQ(canvas.At(1, 1), kBackground);
        EXPECT_EQ(canvas.At(5, 1), kBackground);
        EXPECT_EQ(canvas.At(2, 0), kBackground);
        EXPECT_EQ(canvas.At(2, 4), kBackground);
        GlobalFree(h);
    }
}

// The rows are found after a colour table of biClrUsed entries, or of
// three-byte entries after a core header.
TEST(DibDraw, RowsFollowTheColourTable) {
    DibShape shape;
    shape.width = 6;
    shape.height = 2;
    shape.bits = 8;
    shape.clrUsed = 20;
    HGLOBAL withTable = MakeDib(shape);
    HGLOBAL core = MakeCoreDib(6, 2, 8);
    for (HGLOBAL h : {withTable, core}) {
        Canvas canvas;
        ASSERT_TRUE(canvas.Ready());
        DibujarDibADC(canvas.Dc(), 0, 0, 6, 2, h, 0, 0);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(canvas.At(x, y), Rgb(TableColour(DWORD(x + y))))
                    << (h == core ? "core " : "info ") << x << "," << y;
        GlobalFree(h);
    }
}

TEST(DibDraw, UnreadableDibsDrawNothing) {
    DibShape shortRows;
    shortRows.dataBytes = 10;
    HGLOBAL lying = MakeDib(shortRows);
    HGLOBAL freed = MakeDib(DibShape{});
    GlobalFree(freed);
    for (HGLOBAL h : {lying, freed, HGLOBAL(0)}) {
        Canvas canvas;
        ASSERT_TRUE(canvas.Ready());
        EXPECT_EQ(DibujarDibADC(canvas.Dc(), 0, 0, 4, 3, h, 0, 0), 0);
        EXPECT_TRUE(canvas.Untouched());
    }
    GlobalFree(lying);
    EXPECT_EQ(ZelPlat_BadMemoryHandleUses(), 0u); // the freed handle is probed, not locked
}
