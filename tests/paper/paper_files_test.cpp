// Page files: every format written, accepted by the usual tools and read
// back; multi-page TIFF documents page by page; lossy JPEG; bad input.
#include <gtest/gtest.h>

#include <windows.h>

#include <FreeImage.h>
#include <twain.h>

#include <cstdio>
#include <fstream>

#include "paper_test_util.h"

using namespace zelvirt;
using papertest::settings;

namespace {

class PaperFiles : public testing::Test {
  protected:
    static ScannedImage page(const std::string &label, PixelFormat format, double dpi = 75) {
        return scan_side(SideSpec{SideContent::Printed, label, 0}, settings(format, dpi));
    }

    std::string write(const ScannedImage &image, unsigned format, const std::string &name) {
        const std::string path = dir_.file(name);
        std::string error;
        EXPECT_TRUE(write_side_file(image, format, path, &error)) << error;
        return path;
    }

    papertest::TempDir dir_;
};

struct FormatCase {
    unsigned twain_format;
    const char *extension;
    const char *identify_format;
};

const FormatCase kFormats[] = {{TWFF_BMP, ".bmp", "BMP3"},       {TWFF_TIFF, ".tif", "TIFF"},
                               {TWFF_TIFFMULTI, ".tif", "TIFF"}, {TWFF_JFIF, ".jpg", "JPEG"},
                               {TWFF_PNG, ".png", "PNG"},        {TWFF_PDF, ".pdf", "PDF"}};

} // namespace

TEST_F(PaperFiles, EveryFormatAndDepthIsWrittenAndReadBack) {
    int n = 0;
    for (const FormatCase &f : kFormats)
        for (PixelFormat format :
             {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24}) {
            const std::string label = "file " + std::to_string(n);
            const std::string path = write(page(label, format), f.twain_format,
                                           "page" + std::to_string(n++) + f.extension);
            SCOPED_TRACE(path);
            EXPECT_EQ(decode_label_from_file(path), label);
            EXPECT_EQ(count_pages_in_file(path), 1);
            // ImageMagick reads PDF only through a delegate, so PDF is left to pdfinfo.
            if (f.twain_format != TWFF_PDF) {
                EXPECT_EQ(papertest::run_output("identify -format '%m %w %h' '" + path + "'"),
                          std::string(f.identify_format) + " 620 877");
            }
        }
}

TEST_F(PaperFiles, TiffAndPdfFilesPassTheirTools) {
    for (PixelFormat format : {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24}) {
        const ScannedImage image = page("tools", format, 100);
        const std::string tif = write(image, TWFF_TIFF, "tools.tif");
        EXPECT_EQ(papertest::run_status("tiffinfo -D '" + tif + "'"), 0);
        const std::string info = papertest::run_output("tiffinfo '" + tif + "'");
        EXPECT_NE(info.find("Image Width: 827 Image Length: 1169"), std::string::npos) << info;

        const std::string pdf = write(image, TWFF_PDF, "tools.pdf");
        const std::string pdf_info = papertest::run_output("pdfinfo '" + pdf + "'");
        int pages = 0;
        double width = 0, height = 0;
        const size_t at = pdf_info.find("Pages:");
        ASSERT_NE(at, std::string::npos) << pdf_info;
        ASSERT_EQ(std::sscanf(pdf_info.c_str() + at, "Pages: %d", &pages), 1);
        EXPECT_EQ(pages, 1);
        const size_t size_at = pdf_info.find("Page size:");
        ASSERT_NE(size_at, std::string::npos) << pdf_info;
        ASSERT_EQ(std::sscanf(pdf_info.c_str() + size_at, "Page size: %lf x %lf", &width, &height),
                  2);
        // The page has the scan's physical size: 827 x 1169 pixels at 100 dpi.
        EXPECT_NEAR(width, 827 / 100.0 * 72, 0.05);
        EXPECT_NEAR(height, 1169 / 100.0 * 72, 0.05);
    }
}

TEST_F(PaperFiles, LowQualityJpegStillDecodes) {
    // As the page writer does it: the DIB goes through a bitmap file into
    // FreeImage, depths below 8 bits become 8 bits, and the quality is the
    // save flag.
    for (PixelFormat format : {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24})
        for (double dpi : {50.0, 150.0}) {
            const std::string bmp = write(page("lossy", format, dpi), TWFF_BMP, "page.bmp");
            FIBITMAP *bitmap = FreeImage_Load(FIF_BMP, bmp.c_str(), 0);
            ASSERT_NE(bitmap, nullptr);
            if (FreeImage_GetBPP(bitmap) < 8) {
                FIBITMAP *converted = FreeImage_ConvertTo8Bits(bitmap);
                FreeImage_Unload(bitmap);
                bitmap = converted;
                ASSERT_NE(bitmap, nullptr);
            }
            for (int quality : {10, 30, 100}) {
                const std::string jpg = dir_.file("q" + std::to_string(quality) + ".jpg");
                ASSERT_TRUE(FreeImage_Save(FIF_JPEG, bitmap, jpg.c_str(), quality));
                SCOPED_TRACE(testing::Message() << static_cast<int>(format) << " at " << dpi
                                                << " dpi, quality " << quality);
                EXPECT_EQ(decode_label_from_file(jpg), "lossy");
            }
            FreeImage_Unload(bitmap);
        }
}

TEST_F(PaperFiles, MultiPageTiffPagesAreCountedAndReadOneByOne) {
    const std::string labels[] = {"first", "second", "third"};
    std::vector<std::string> page_files;
    for (const std::string &label : labels)
        page_files.push_back(write(page(label, PixelFormat::Gray8), TWFF_TIFF, label + ".tif"));

    // Assemble a document from the page files as the page writer does.
    const std::string document = dir_.file("batch.tif");
    FIMULTIBITMAP *multi =
        FreeImage_OpenMultiBitmap(FIF_TIFF, document.c_str(), TRUE, FALSE, TRUE, 0);
    ASSERT_NE(multi, nullptr);
    for (const std::string &file : page_files) {
        FIBITMAP *bitmap = FreeImage_Load(FIF_TIFF, file.c_str(), 0);
        ASSERT_NE(bitmap, nullptr);
        FreeImage_AppendPage(multi, bitmap);
        FreeImage_Unload(bitmap);
    }
    ASSERT_TRUE(FreeImage_CloseMultiBitmap(multi, 0));

    EXPECT_EQ(count_pages_in_file(document), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(decode_label_from_file(document, i), labels[i]);
    EXPECT_FALSE(decode_label_from_file(document, 3).has_value());
    EXPECT_FALSE(decode_label_from_file(document, -1).has_value());
    EXPECT_FALSE(decode_label_from_file(page_files[0], 1).has_value());
}

TEST_F(PaperFiles, PdfPagesBeyondTheLastAndBlankPagesGiveNothing) {
    const std::string pdf = write(page("only", PixelFormat::Rgb24), TWFF_PDF, "one.pdf");
    EXPECT_EQ(decode_label_from_file(pdf, 0), "only");
    EXPECT_FALSE(decode_label_from_file(pdf, 1).has_value());

    const ScannedImage blank =
        scan_side(SideSpec{SideContent::Blank, "", 0}, settings(PixelFormat::BlackWhite1, 75));
    for (const FormatCase &f : kFormats) {
        const std::string path = write(blank, f.twain_format, std::string("blank") + f.extension);
        EXPECT_FALSE(decode_label_from_file(path).has_value()) << path;
        EXPECT_EQ(count_pages_in_file(path), 1) << path;
    }
}

TEST_F(PaperFiles, BadInputIsReportedNotWritten) {
    const ScannedImage good = page("bad", PixelFormat::Gray8, 50);
    std::string error;
    EXPECT_FALSE(write_side_file(good, TWFF_PICT, dir_.file("x.pict"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(write_side_file(good, TWFF_PNG, "", &error));
    EXPECT_FALSE(write_side_file(good, TWFF_PNG, dir_.file("missing/x.png"), &error));
    EXPECT_FALSE(write_side_file(good, TWFF_PDF, dir_.file("missing/x.pdf"), &error));
    EXPECT_FALSE(write_side_file(good, TWFF_PICT, dir_.file("y.pict"), nullptr));
    EXPECT_TRUE(write_side_file(good, TWFF_PNG, dir_.file("x.png"), nullptr));

    ScannedImage truncated = good;
    truncated.dib.resize(truncated.dib.size() / 2);
    error.clear();
    for (const FormatCase &f : kFormats) {
        const std::string path = dir_.file(std::string("truncated") + f.extension);
        EXPECT_FALSE(write_side_file(truncated, f.twain_format, path, &error));
        EXPECT_FALSE(std::ifstream(path).good()) << path;
    }
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(write_side_file(ScannedImage{}, TWFF_BMP, dir_.file("empty.bmp"), &error));
}

TEST_F(PaperFiles, UnreadableFilesHaveNoPagesAndNoLabel) {
    const std::string junk = dir_.file("junk.tif");
    std::ofstream(junk) << "not an image at all";
    const std::string fake_pdf = dir_.file("fake.pdf");
    std::ofstream(fake_pdf) << "%PDF-1.4 broken";
    for (const std::string &path : {junk, fake_pdf, dir_.file("absent.png"), std::string()}) {
        EXPECT_EQ(count_pages_in_file(path), 0) << path;
        EXPECT_FALSE(decode_label_from_file(path).has_value()) << path;
    }
}
