// Rendering of sides: DIB layout, labels that survive every pixel format
// and resolution, blank and almost blank sides, out-of-range settings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "paper_test_util.h"

using namespace zelvirt;
using papertest::header_of;
using papertest::settings;

namespace {

SideSpec printed(const std::string &label) {
    return SideSpec{SideContent::Printed, label, 0};
}

std::optional<std::string> decode(const ScannedImage &image) {
    return decode_label_from_dib(image.dib.data(), image.dib.size());
}

} // namespace

TEST(PaperRender, DibHeaderDescribesPackedRows) {
    struct Case {
        PixelFormat format;
        int bits;
        DWORD colours;
    };
    for (const Case c : {Case{PixelFormat::BlackWhite1, 1, 2}, Case{PixelFormat::Gray8, 8, 256},
                         Case{PixelFormat::Rgb24, 24, 0}}) {
        ScanSettings s = settings(c.format, 75);
        s.y_dpi = 50;
        const ScannedImage image = scan_side(printed("header"), s);
        const BITMAPINFOHEADER h = header_of(image);
        SCOPED_TRACE(c.bits);
        const LONG width = std::lround(8.27 * 75), height = std::lround(11.69 * 50);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, width);
        EXPECT_EQ(h.biHeight, height); // positive: bottom-up
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, c.bits);
        EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(h.biClrUsed, c.colours);
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        EXPECT_EQ(image.bits_per_pixel, c.bits);
        const size_t stride = (static_cast<size_t>(width) * c.bits + 31) / 32 * 4;
        EXPECT_EQ(stride % 4, 0u);
        EXPECT_EQ(h.biSizeImage, stride * height);
        EXPECT_EQ(image.dib.size(), 40 + 4 * c.colours + stride * height);
        EXPECT_NEAR(h.biXPelsPerMeter, 75 / 0.0254, 1);
        EXPECT_NEAR(h.biYPelsPerMeter, 50 / 0.0254, 1);
    }
}

TEST(PaperRender, ColourTablesAreBlackWhiteAndGreyRamp) {
    const ScannedImage bw = scan_side(printed("t"), settings(PixelFormat::BlackWhite1, 50));
    const auto *bw_table = reinterpret_cast<const RGBQUAD *>(bw.dib.data() + 40);
    EXPECT_EQ(bw_table[0].rgbRed, 0);
    EXPECT_EQ(bw_table[1].rgbRed, 255);
    EXPECT_EQ(bw_table[1].rgbBlue, 255);
    const ScannedImage grey = scan_side(printed("t"), settings(PixelFormat::Gray8, 50));
    const auto *grey_table = reinterpret_cast<const RGBQUAD *>(grey.dib.data() + 40);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(grey_table[i].rgbRed, i);
        ASSERT_EQ(grey_table[i].rgbGreen, i);
        ASSERT_EQ(grey_table[i].rgbBlue, i);
    }
}

TEST(PaperRender, LabelRoundTripsAtEveryFormatAndResolution) {
    const std::string label = "Sheet 12 front";
    for (PixelFormat format : {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24})
        for (double dpi : {50.0, 75.0, 150.0, 300.0}) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(format) << " at " << dpi);
            EXPECT_EQ(decode(scan_side(printed(label), settings(format, dpi))), label);
        }
    EXPECT_EQ(decode(scan_side(printed(label), settings(PixelFormat::BlackWhite1, 600))), label);
    ScanSettings uneven = settings(PixelFormat::Gray8, 200);
    uneven.y_dpi = 100;
    EXPECT_EQ(decode(scan_side(printed(label), uneven)), label);
}

TEST(PaperRender, LabelsOfAnyLengthAndBytes) {
    const ScanSettings s = settings(PixelFormat::Gray8, 75);
    const std::string longest(32, 'W');
    EXPECT_EQ(decode(scan_side(printed(""), s)), std::string());
    EXPECT_EQ(decode(scan_side(printed(longest), s)), longest);
    EXPECT_EQ(decode(scan_side(printed("Cami\xF3n ~{|}"), s)), "Cami\xF3n ~{|}");
    // Longer labels keep their first 32 bytes, as documented.
    EXPECT_EQ(decode(scan_side(printed(longest + "extra"), s)), longest);
    // Different labels give different pages.
    EXPECT_NE(scan_side(printed("page 1"), s).dib, scan_side(printed("page 2"), s).dib);
}

TEST(PaperRender, BrightnessAndContrastShiftInkButKeepPaperWhiteAndCodeReadable) {
    const ScanSettings plain = settings(PixelFormat::Gray8, 75);
    const ScannedImage reference = scan_side(printed("tone"), plain);
    for (double brightness : {-1000.0, 0.0, 1000.0})
        for (double contrast : {-1000.0, 0.0, 1000.0}) {
            ScanSettings s = plain;
            s.brightness = brightness;
            s.contrast = contrast;
            const ScannedImage image = scan_side(printed("tone"), s);
            SCOPED_TRACE(testing::Message() << brightness << "/" << contrast);
            EXPECT_EQ(decode(image), "tone");
            // The same pixels are paper: tone never turns ink white or paper grey.
            EXPECT_EQ(papertest::count_non_white(image), papertest::count_non_white(reference));
            if (brightness != 0.0 || contrast != 0.0) {
                EXPECT_NE(image.dib, reference.dib);
            }
        }
}

TEST(PaperRender, ColourPagesCarryColourAndGreyPagesNone) {
    const ScannedImage colour = scan_side(printed("c"), settings(PixelFormat::Rgb24, 75));
    const ScannedImage grey = scan_side(printed("c"), settings(PixelFormat::Gray8, 75));
    EXPECT_GT(papertest::count_coloured(colour), 1000);
    EXPECT_EQ(papertest::count_coloured(grey), 0);
}

TEST(PaperRender, BlankSidesAreWhiteAndDecodeToNothing) {
    for (PixelFormat format : {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24}) {
        const ScannedImage image =
            scan_side(SideSpec{SideContent::Blank, "ignored", 0}, settings(format, 75));
        EXPECT_EQ(papertest::count_non_white(image), 0);
        EXPECT_FALSE(decode(image).has_value());
    }
}

TEST(PaperRender, AlmostBlankSidesHaveExactlyTheDarkPixelsAsked) {
    for (PixelFormat format : {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24})
        for (int dark : {0, 1, 37, 5000}) {
            const ScannedImage image =
                scan_side(SideSpec{SideContent::AlmostBlank, "", dark}, settings(format, 100));
            SCOPED_TRACE(testing::Message() << static_cast<int>(format) << ": " << dark);
            EXPECT_EQ(papertest::count_non_white(image), dark);
            EXPECT_EQ(papertest::count_black(image), dark);
            EXPECT_FALSE(decode(image).has_value());
        }
}

TEST(PaperRender, DarkPixelsAreSpreadAndBoundedByThePage) {
    ScanSettings tiny = settings(PixelFormat::Gray8, 10);
    tiny.width_inches = 0.5;
    tiny.height_inches = 0.4; // 5 x 4 pixels
    EXPECT_EQ(papertest::count_black(scan_side(SideSpec{SideContent::AlmostBlank, "", 1000}, tiny)),
              20);
    EXPECT_EQ(papertest::count_black(scan_side(SideSpec{SideContent::AlmostBlank, "", -5}, tiny)),
              0);

    // Two dark pixels land in different halves of the page.
    ScanSettings even = settings(PixelFormat::Gray8, 50);
    even.height_inches = 10.0;
    const ScannedImage two = scan_side(SideSpec{SideContent::AlmostBlank, "", 2}, even);
    const BITMAPINFOHEADER h = header_of(two);
    const size_t stride = (static_cast<size_t>(h.biWidth) + 3) / 4 * 4;
    const uint8_t *rows = two.dib.data() + 40 + 1024;
    int lower = 0, upper = 0;
    for (LONG y = 0; y < h.biHeight; ++y)
        for (LONG x = 0; x < h.biWidth; ++x)
            if (rows[y * stride + x] == 0)
                ++(y < h.biHeight / 2 ? lower : upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 1);
}

TEST(PaperRender, OutOfRangeSizesAreClampedToAUsablePage) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ScanSettings odd = settings(PixelFormat::Gray8, nan);
    odd.width_inches = -3;
    ScannedImage image = scan_side(printed("x"), odd);
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.dib.size(), 40u + 1024 + 4);

    ScanSettings huge = settings(PixelFormat::BlackWhite1, 5000);
    huge.height_inches = 0.01; // 50 rows of at most 10000 pixels
    image = scan_side(printed("x"), huge);
    EXPECT_EQ(image.width, 10000);
    EXPECT_EQ(image.height, 50);
    EXPECT_EQ(header_of(image).biXPelsPerMeter, std::lround(5000 / 0.0254));
}
