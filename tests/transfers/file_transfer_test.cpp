// File batches through the library: page files named after the output,
// TIFF pages merged into one document, and the batches that cannot go on.
#include "transfer_fixture.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

using xt::SheetFront;

class FileTransfer : public xt::TransferTest {
  protected:
    // Sets the batch up as the device acquisition does (output fields,
    // format, first file) and waits for it; `stale` files, pages of an
    // earlier run, are put in place of page files first.
    void Batch(const std::string &scenario, const char *output, const char *extension,
               TW_UINT16 format, std::initializer_list<const char *> stale = {}) {
        Open(scenario, TWSX_FILE);
        ASSERT_EQ(PonValorDeUnaCapacidad(ICAP_IMAGEFILEFORMAT, TWTY_UINT16, format), 1);
        Output(output, extension, format);
        TW_SETUPFILEXFER setup{};
        std::snprintf(setup.FileName, sizeof setup.FileName, "%s", output);
        setup.Format = format;
        ASSERT_EQ(ZEL_DS(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), 1);
        zelvirt::ScanSettings settings;
        settings.width_inches = 2;
        settings.height_inches = 3;
        for (const char *name : stale)
            ASSERT_TRUE(zelvirt::write_side_file(zelvirt::scan_side({.label = "stale"}, settings),
                                                 TWFF_TIFF, Host(name), nullptr));
        ZelPlat_DebugOutputClear();
        zel::EsperarXfer(0);
    }
};

TEST_F(FileTransfer, TiffPagesAreMergedIntoTheOutputAndTheirFilesDeleted) {
    Batch(xt::Feeder(3, 1), "C:\\merged.tif", ".tif", TWFF_TIFF);
    ASSERT_EQ(TiffPages("C:\\merged.tif"), 3);
    for (int page = 0; page < 3; ++page)
        EXPECT_EQ(FileLabel("C:\\merged.tif", page), SheetFront(page + 1));
    EXPECT_FALSE(Exists("C:\\merged_1.tif"));
    EXPECT_FALSE(Exists("C:\\merged_2.tif"));
    EXPECT_EQ(zel::hMultiPagina, nullptr);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(FileTransfer, OnePageIsTheOutputAsTheSourceWroteIt) {
    Batch(xt::Feeder(1, 1), "C:\\one.tif", ".tif", TWFF_TIFF);
    EXPECT_EQ(TiffPages("C:\\one.tif"), 1);
    EXPECT_EQ(FileLabel("C:\\one.tif"), SheetFront(1));
    EXPECT_FALSE(Exists("C:\\one_1.tif"));
    EXPECT_EQ(zel::hMultiPagina, nullptr);
}

TEST_F(FileTransfer, BmpPagesStaySeparateFiles) {
    Batch(xt::Feeder(2, 1), "C:\\pages.bmp", ".bmp", TWFF_BMP);
    EXPECT_EQ(FileLabel("C:\\pages.bmp"), SheetFront(1));
    EXPECT_EQ(FileLabel("C:\\pages_1.bmp"), SheetFront(2));
    EXPECT_EQ(zel::hMultiPagina, nullptr);
}

TEST_F(FileTransfer, PagesOfAnEarlierRunAreNeverMerged) {
    // Pages 2 and 3 fail: their file names hold an earlier run's pages.
    Batch(xt::Feeder(4, 1, R"(, "faults": {"pages": [{"page": 2, "transfer": "fail"},
                                                     {"page": 3, "transfer": "fail"}]})"),
          "C:\\stale.tif", ".tif", TWFF_TIFF, {"C:\\stale_1.tif", "C:\\stale_2.tif"});
    ASSERT_EQ(TiffPages("C:\\stale.tif"), 2);
    EXPECT_EQ(FileLabel("C:\\stale.tif", 0), SheetFront(1));
    EXPECT_EQ(FileLabel("C:\\stale.tif", 1), SheetFront(4));
    for (const char *page : {"C:\\stale_1.tif", "C:\\stale_2.tif", "C:\\stale_3.tif"})
        EXPECT_FALSE(Exists(page)) << page;
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(FileTransfer, PagesThatCannotBeMergedStayOnDiskNamedInOneReport) {
    // Page 1 fails: there is no document to merge the good pages into.
    Batch(xt::Feeder(3, 1, R"(, "faults": {"pages": [{"page": 1, "transfer": "fail"}]})"),
          "C:\\nodoc.tif", ".tif", TWFF_TIFF, {"C:\\nodoc.tif"});
    EXPECT_FALSE(Exists("C:\\nodoc.tif"));
    EXPECT_EQ(FileLabel("C:\\nodoc_1.tif"), SheetFront(2));
    EXPECT_EQ(FileLabel("C:\\nodoc_2.tif"), SheetFront(3));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    for (const char *page : {"C:\\nodoc_1.tif", "C:\\nodoc_2.tif"})
        EXPECT_NE(boxes.boxes()[0].text.find(page), std::string::npos) << boxes.boxes()[0].text;
}

// A disk that takes each page file but not the merged document: FreeImage
// reports the close done, the document reads back short, and every page
// file stays on disk, named in the one report.
TEST_F(FileTransfer, PageFilesAreKeptWhenTheDocumentReadsBackShort) {
    pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{16 * 1024, 16 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        Batch(xt::Feeder(8, 1), "C:\\full.tif", ".tif", TWFF_TIFF);
        int kept = 0;
        for (int page = 1; page < 8; ++page)
            kept += FileLabel("C:\\full_" + std::to_string(page) + ".tif") == SheetFront(page + 1);
        bool named = boxes.boxes().size() == 1 &&
                     boxes.boxes()[0].text.find("C:\\full_7.tif") != std::string::npos;
        _exit(kept * 10 + named);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 71) << "page files kept x10, named in one box x1";
}

TEST_F(FileTransfer, APageNameTooLongEndsTheBatchUncut) {
    // 254 characters: the output fits, its page 1 would not.
    std::string output = "C:\\" + std::string(247, 'n') + ".bmp";
    Batch(xt::Feeder(3, 1), output.c_str(), ".bmp", TWFF_BMP);
    EXPECT_EQ(FileLabel(output), SheetFront(1));
    EXPECT_EQ(Sent("DAT_IMAGEFILEXFER", "MSG_GET"), 1);
    EXPECT_EQ(Sent("DAT_SETUPFILEXFER", "MSG_SET"), 1); // the test's own
    EXPECT_EQ(Sent("DAT_PENDINGXFERS", "MSG_RESET"), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    EXPECT_EQ(boxes.boxes().size(), 1u);
}

// A refused end leaves the page transferred: only the end is asked again,
// and a page the device wrote is in the document whatever the end's fate.
TEST_F(FileTransfer, ARefusedEndOfPageKeepsThePageTransferred) {
    const struct {
        const char *refusals;
        int transfers, pages;
    } rows[] = {
        {R"({"msg": "MSG_ENDXFER", "occurrence": 2, "rc": "TWRC_FAILURE"})", 3, 3},
        {R"({"msg": "MSG_ENDXFER", "occurrence": 2, "rc": "TWRC_FAILURE"},
            {"msg": "MSG_ENDXFER", "occurrence": 3, "rc": "TWRC_FAILURE"})",
         3, 3},
        // Last: the source stays in state 7.
        {R"({"msg": "MSG_ENDXFER", "from_occurrence": 2, "rc": "TWRC_FAILURE"})", 2, 2},
    };
    int row = 0;
    for (const auto &r : rows) {
        SCOPED_TRACE(r.refusals);
        std::string output = "C:\\refused" + std::to_string(++row) + ".tif";
        int sent = Sent("DAT_IMAGEFILEXFER", "MSG_GET");
        Batch(xt::Feeder(3, 1, std::string(R"(, "faults": {"triplets": [)") + r.refusals + "]}"),
              output.c_str(), ".tif", TWFF_TIFF);
        EXPECT_EQ(Sent("DAT_IMAGEFILEXFER", "MSG_GET") - sent, r.transfers);
        ASSERT_EQ(TiffPages(output), r.pages);
        for (int page = 0; page < r.pages; ++page)
            EXPECT_EQ(FileLabel(output, page), SheetFront(page + 1));
        for (int k = 1; k < 3; ++k)
            EXPECT_FALSE(
                Exists(output.substr(0, output.size() - 4) + "_" + std::to_string(k) + ".tif"));
        EXPECT_TRUE(boxes.boxes().empty());
        DescargarManejadorDispositivo();
    }
}

// A source that refuses the name of the next page would write it over
// another: the batch stops there and the pages left are reported.  One whose
// image information fails ends its batch in state 5, not 6.
TEST_F(FileTransfer, ARefusedPageNameOrImageInformationEndsTheBatchCleanly) {
    Batch(xt::Feeder(3, 1, R"(, "faults": {"triplets": [
              {"dat": "DAT_SETUPFILEXFER", "occurrence": 2, "rc": "TWRC_FAILURE"}]})"),
          "C:\\named.bmp", ".bmp", TWFF_BMP);
    EXPECT_EQ(FileLabel("C:\\named.bmp"), SheetFront(1));
    EXPECT_EQ(Sent("DAT_IMAGEFILEXFER", "MSG_GET"), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_NE(boxes.boxes()[0].text.find("2 p\xE1ginas"), std::string::npos)
        << boxes.boxes()[0].text;
    DescargarManejadorDispositivo();

    Batch(xt::Feeder(3, 1, R"(, "faults": {"triplets": [
              {"dat": "DAT_IMAGEINFO", "occurrence": 2, "rc": "TWRC_FAILURE"}]})"),
          "C:\\info.bmp", ".bmp", TWFF_BMP);
    EXPECT_EQ(FileLabel("C:\\info.bmp"), SheetFront(1));
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
}

TEST_F(FileTransfer, AnUnknownCountWithoutPagesEndsAfterBoundedRounds) {
    Batch(xt::Feeder(200, 1, R"(, "unknown_page_count": true, "faults": {"triplets": [
              {"dat": "DAT_IMAGEFILEXFER", "rc": "TWRC_FAILURE", "cc": "TWCC_BUMMER"}]})"),
          "C:\\unknown.bmp", ".bmp", TWFF_BMP);
    EXPECT_EQ(Sent("DAT_PENDINGXFERS", "MSG_ENDXFER"), 32);
    EXPECT_EQ(Sent("DAT_PENDINGXFERS", "MSG_RESET"), 1);
    EXPECT_EQ(EstadoTwain(), ZEL_DISP_HABILITADO);
    EXPECT_TRUE(zeltest::DebugContains("no page in 32 rounds"));
}

} // namespace
