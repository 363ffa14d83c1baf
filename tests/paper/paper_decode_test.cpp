// Reading labels back from DIBs: damaged codes and malformed DIBs give
// nothing, other DIB layouts still decode.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "paper_test_util.h"

using namespace zelvirt;
using papertest::header_of;
using papertest::settings;

namespace {

ScannedImage printed_page(const std::string &label, PixelFormat format, double dpi) {
    return scan_side(SideSpec{SideContent::Printed, label, 0}, settings(format, dpi));
}

void put_header(std::vector<uint8_t> &dib, const BITMAPINFOHEADER &h) {
    std::memcpy(dib.data(), &h, sizeof h);
}

// Converts a bottom-up 8-bit DIB to top-down (negative height).
std::vector<uint8_t> flipped(const ScannedImage &image) {
    std::vector<uint8_t> dib = image.dib;
    BITMAPINFOHEADER h = header_of(image);
    const size_t stride = (static_cast<size_t>(h.biWidth) + 3) / 4 * 4;
    const size_t offset = 40 + 4 * h.biClrUsed;
    for (LONG y = 0; y < h.biHeight; ++y)
        std::memcpy(dib.data() + offset + y * stride,
                    image.dib.data() + offset + (h.biHeight - 1 - y) * stride, stride);
    h.biHeight = -h.biHeight;
    put_header(dib, h);
    return dib;
}

} // namespace

TEST(PaperDecode, TopDownAndSmallTableDibsDecode) {
    const ScannedImage grey = printed_page("upside", PixelFormat::Gray8, 75);
    const std::vector<uint8_t> top_down = flipped(grey);
    EXPECT_EQ(decode_label_from_dib(top_down.data(), top_down.size()), "upside");

    // Without biClrUsed a 1-bit DIB still has its two entries.
    ScannedImage bw = printed_page("two colours", PixelFormat::BlackWhite1, 75);
    BITMAPINFOHEADER h = header_of(bw);
    h.biClrUsed = 0;
    put_header(bw.dib, h);
    EXPECT_EQ(decode_label_from_dib(bw.dib.data(), bw.dib.size()), "two colours");

    // The same rows read bottom-up show the page upside down: no label.
    std::vector<uint8_t> upside_down = top_down;
    BITMAPINFOHEADER flipped_header = header_of(grey);
    put_header(upside_down, flipped_header);
    EXPECT_FALSE(decode_label_from_dib(upside_down.data(), upside_down.size()).has_value());
}

TEST(PaperDecode, InvertedColourTableIsHonoured) {
    // A 1-bit DIB whose table says 0 = white, 1 = black with the bits inverted
    // is the same page.
    ScannedImage bw = printed_page("inverted", PixelFormat::BlackWhite1, 75);
    auto *table = reinterpret_cast<RGBQUAD *>(bw.dib.data() + 40);
    std::swap(table[0], table[1]);
    for (size_t i = 48; i < bw.dib.size(); ++i)
        bw.dib[i] = static_cast<uint8_t>(~bw.dib[i]);
    EXPECT_EQ(decode_label_from_dib(bw.dib.data(), bw.dib.size()), "inverted");
}

TEST(PaperDecode, DamagedCodeGivesNothing) {
    // Paint over the data cells of the first two grid rows, once white and
    // once black: the checksum must reject what is left.
    for (uint8_t paint : {uint8_t{255}, uint8_t{0}}) {
        ScannedImage image = printed_page("damaged", PixelFormat::Gray8, 50);
        const BITMAPINFOHEADER h = header_of(image);
        const size_t stride = (static_cast<size_t>(h.biWidth) + 3) / 4 * 4;
        for (LONG y = std::lround(0.20 * h.biHeight); y < std::lround(0.23 * h.biHeight); ++y) {
            uint8_t *row = image.dib.data() + 40 + 1024 + (h.biHeight - 1 - y) * stride;
            std::memset(row + std::lround(0.4 * h.biWidth), paint,
                        static_cast<size_t>(0.2 * h.biWidth));
        }
        EXPECT_FALSE(decode_label_from_dib(image.dib.data(), image.dib.size()).has_value())
            << int(paint);
    }
}

TEST(PaperDecode, MalformedDibsAreRefused) {
    const ScannedImage good = printed_page("ok", PixelFormat::Gray8, 50);
    EXPECT_FALSE(decode_label_from_dib(nullptr, 100).has_value());
    EXPECT_FALSE(decode_label_from_dib(good.dib.data(), 39).has_value());
    // Truncated pixel rows.
    EXPECT_FALSE(decode_label_from_dib(good.dib.data(), good.dib.size() - 1).has_value());

    auto with_header = [&](void (*change)(BITMAPINFOHEADER &)) {
        std::vector<uint8_t> dib = good.dib;
        BITMAPINFOHEADER h = header_of(good);
        change(h);
        put_header(dib, h);
        return decode_label_from_dib(dib.data(), dib.size());
    };
    EXPECT_FALSE(with_header([](BITMAPINFOHEADER &h) { h.biSize = 12; }).has_value());
    EXPECT_FALSE(with_header([](BITMAPINFOHEADER &h) { h.biSize = 0x7FFFFFFF; }).has_value());
    EXPECT_FALSE(with_header([](BITMAPINFOHEADER &h) { h.biWidth = 0x7FFFFFFF; }).has_value());
    EXPECT_FALSE(with_header([](BITMAPINFOHEADER &h) { h.biWidth = -5; }).has_value());
    EXPECT_FALSE(with_header([](BITMAPINFOHEADER &h) { h.biHeight = 0; }).has_value());
    EXPECT_FALSE(with_header([](BITMAPINFOHEADER &h) {
                     h.biHeight = static_cast<LONG>(0x80000000u);
                 }).has_value());
    EXPECT_FALSE(with_header([](BITMAPINFOHEADER &h) { h.biBitCount = 16; }).has_value());
    EXPECT_FALSE(with_header([](BITMAPINFOHEADER &h) { h.biBitCount = 32; }).has_value());
    EXPECT_FALSE(with_header([](BITMAPINFOHEADER &h) { h.biClrUsed = 257; }).has_value());
    EXPECT_FALSE(with_header([](BITMAPINFOHEADER &h) { h.biCompression = BI_RLE8; }).has_value());
    // The untouched DIB decodes, so the refusals above come from the changes.
    EXPECT_EQ(decode_label_from_dib(good.dib.data(), good.dib.size()), "ok");
}

TEST(PaperDecode, PagesTooSmallForTheGridGiveNothing) {
    ScanSettings tiny = settings(PixelFormat::Gray8, 10);
    const ScannedImage image = scan_side(SideSpec{SideContent::Printed, "tiny", 0}, tiny);
    EXPECT_FALSE(decode_label_from_dib(image.dib.data(), image.dib.size()).has_value());
}
