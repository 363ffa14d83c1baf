// zelscan's own rules: the names of a batch's files, the pages counted from
// the library's state changes, code page 1252 text and the digit font.
#include <gtest/gtest.h>

#include "digit_font.h"
#include "output_names.h"
#include "progress.h"
#include "text.h"

namespace {

using zelscan::PageFileName;
using zelscan::SettleOutputName;

TEST(OutputNames, ExtensionFoundOrAppendedPerFormat) {
    EXPECT_EQ(SettleOutputName("scan", 6).first, "scan.tif");
    EXPECT_EQ(SettleOutputName("Scan.TIF", 6).first, "Scan.TIF");
    auto tiff = SettleOutputName("a.tiff.bak", 0);
    EXPECT_EQ(tiff.first, "a.tiff.bak");
    EXPECT_EQ(tiff.extension, ".tiff");
    EXPECT_EQ(SettleOutputName("p", 4).first, "p.jpg");
    EXPECT_EQ(SettleOutputName("p.JPEG", 4).extension, ".jpeg");
    EXPECT_EQ(SettleOutputName("dir.png\\x", 7).first, "dir.png\\x"); // found anywhere
    EXPECT_EQ(SettleOutputName("d", 10).first, "d.pdf");
    EXPECT_EQ(SettleOutputName("d", 3).extension, "");
}

TEST(OutputNames, LaterPagesAreNumberedBeforeTheExtension) {
    auto output = SettleOutputName("C:\\out\\scan.tiff", 6);
    EXPECT_EQ(PageFileName(output, 0), "C:\\out\\scan.tiff");
    EXPECT_EQ(PageFileName(output, 1), "C:\\out\\scan_1.tiff");
    EXPECT_EQ(PageFileName(output, 12), "C:\\out\\scan_12.tiff");
}

TEST(OutputNames, NumberedFilesAreFoundWhateverTheirNumber) {
    const std::pair<const char *, std::optional<int>> cases[] = {
        {"scan_1.tif", 1},       {"scan_999.tif", 999},       {"scan_1000.tif", 1000},
        {"scan_1099.tif", 1099}, {"scan_01.tif", {}},         {"scan_.tif", {}},
        {"scan_1a.tif", {}},     {"scan_1.tiff", {}},         {"other_1.tif", {}},
        {"scan.tif", {}},        {"scan_1234567890.tif", {}},
    };
    for (const auto &[file, number] : cases)
        EXPECT_EQ(zelscan::PageNumberOf(file, "scan_", ".tif"), number) << file;
}

TEST(OutputNames, CompressionNames) {
    EXPECT_EQ(zelscan::CompressionCode("lzw"), -8);
    EXPECT_EQ(zelscan::CompressionCode("g4"), -7);
    EXPECT_EQ(zelscan::CompressionCode("default"), -1);
    EXPECT_FALSE(zelscan::CompressionCode("none"));
    EXPECT_EQ(zelscan::FormatCode("tiff-multi"), 6);
    EXPECT_EQ(zelscan::FormatCode("jpeg"), 4);
}

void FeedStates(zelscan::PageCounter &counter, std::initializer_list<int> states) {
    for (int state : states)
        counter.Feed("ZELW:State " + std::to_string(state) + "\n");
}

TEST(PageCounter, CountsTransfersAndPasses) {
    zelscan::PageCounter counter;
    FeedStates(counter, {2, 3, 4, 5, 6, 7, 6, 7, 6, 7, 5});
    EXPECT_EQ(counter.transferred(), 3);
    EXPECT_EQ(counter.passes(), 1);
    // A second pass after the source was closed and opened again.
    FeedStates(counter, {4, 3, 2, 1, 2, 3, 4, 5, 6, 7, 6, 7, 5, 4});
    EXPECT_EQ(counter.transferred(), 5);
    EXPECT_EQ(counter.passes(), 2);
}

TEST(PageCounter, SecondPassWithTheSourceStillEnabledOrOpen) {
    zelscan::PageCounter counter;
    FeedStates(counter, {5, 6, 7, 5});
    counter.Feed("ZELTW: manual duplex: second pass\n");
    FeedStates(counter, {6, 7, 5, 4});
    EXPECT_EQ(counter.passes(), 2);
    FeedStates(counter, {5, 6, 7, 6, 7, 5});
    EXPECT_EQ(counter.passes(), 3);
    EXPECT_EQ(counter.transferred(), 4);
}

TEST(PageCounter, IgnoresOtherLinesAndRepeatedStates) {
    zelscan::PageCounter counter;
    FeedStates(counter, {5, 6});
    EXPECT_FALSE(counter.Feed("ZELTW: page file cannot be opened for the merge.\n"));
    EXPECT_FALSE(counter.Feed("ZELW:Pixel Types negotiated.\n"));
    FeedStates(counter, {7, 7, 6, 6, 5});
    EXPECT_EQ(counter.transferred(), 1);
    EXPECT_EQ(counter.state(), 5);
}

TEST(PageCounter, CancelledTransfersBringNoPage) {
    const char kCancelled[] = "ZELTW: transfer cancelled: no page.\n";
    zelscan::PageCounter counter;
    FeedStates(counter, {5, 6});
    counter.Feed(kCancelled);
    FeedStates(counter, {7, 6});
    EXPECT_EQ(counter.passes(), 0);
    FeedStates(counter, {7, 6}); // a page
    counter.Feed(kCancelled);
    FeedStates(counter, {7, 5});
    EXPECT_EQ(counter.transferred(), 1);
    EXPECT_EQ(counter.passes(), 1);
}

TEST(PageCounter, CountsThePageWritersPagesDropsAndLosses) {
    zelscan::PageCounter counter;
    EXPECT_TRUE(counter.Feed("ZELTW: blank page discarded.\n"));
    EXPECT_TRUE(counter.Feed("ZELTW: page not written: C:\\out\\scan_1.tif\n"));
    counter.Feed("ZELTW: blank page discarded.\n");
    EXPECT_TRUE(counter.Feed("ZELTW: page written.\n"));
    EXPECT_EQ(counter.discarded(), 2);
    EXPECT_EQ(counter.lost(), 1);
    EXPECT_EQ(counter.written(), 1);
    EXPECT_EQ(counter.transferred(), 0);
}

TEST(Text, Cp1252RoundTrip) {
    std::string spanish = "D\xFAplex Manual \x80 \x93ok\x94";
    EXPECT_EQ(zelscan::Cp1252ToUtf8(spanish), "Dúplex Manual € “ok”");
    std::string back;
    EXPECT_TRUE(zelscan::Utf8ToCp1252("Dúplex Manual € “ok”", back));
    EXPECT_EQ(back, spanish);
    EXPECT_FALSE(zelscan::Utf8ToCp1252("日本", back));
    EXPECT_EQ(back, "??");
}

TEST(DigitFont, GlyphsAreDistinctAndBounded) {
    for (char a = '0'; a <= '9'; ++a)
        for (char b = char(a + 1); b <= '9'; ++b) {
            bool differ = false;
            for (int y = 0; y < zelscan::kDigitHeight; ++y)
                for (int x = 0; x < zelscan::kDigitWidth; ++x)
                    differ |= zelscan::DigitPixel(a, x, y) != zelscan::DigitPixel(b, x, y);
            EXPECT_TRUE(differ) << a << " and " << b;
        }
    EXPECT_FALSE(zelscan::DigitPixel('8', 5, 0));
    EXPECT_FALSE(zelscan::DigitPixel('x', 0, 0));
}

} // namespace
