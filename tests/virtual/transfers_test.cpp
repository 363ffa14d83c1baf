// Transfers of the virtual sources: native batches with their pending
// counts, files in every format, memory blocks, and the faults a scenario
// asks for.
#include "scenarios.h"
#include "shared/scenario.h"
#include "twain_harness.h"

#include <cstdio>
#include <regex>
#include <sys/wait.h>

namespace {

using vt::Harness;

// Output of a command, for the image tools that check the files.
std::string run(const std::string &command) {
    std::string out;
    if (FILE *pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    return out;
}

// Opens the default source, selects a mechanism and waits for the batch.
void start_batch(Harness &h, TW_UINT16 mechanism) {
    h.open();
    ASSERT_EQ(h.set_one(ICAP_XFERMECH, TWTY_UINT16, mechanism), TWRC_SUCCESS);
}

TEST(Transfers, NativeDuplexBatchWithPendingCounts) {
    Harness h(vt::three_sources());
    start_batch(h, TWSX_NATIVE);
    ASSERT_EQ(h.set_one(CAP_DUPLEXENABLED, TWTY_BOOL, TRUE), TWRC_SUCCESS);
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);

    TW_PENDINGXFERS pending{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 6);
    std::vector<std::string> labels;
    std::vector<int> counts;
    do {
        TW_IMAGEINFO info{};
        ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
        EXPECT_EQ(info.BitsPerPixel, 24);
        EXPECT_EQ(info.ImageWidth, 200); // 2 inches at 100 dpi
        TW_UINT32 dib = 0;
        ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
        // Only MSG_ENDXFER leaves state 7.
        EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_FAILURE);
        labels.push_back(vt::native_label(dib));
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        counts.push_back(pending.Count);
    } while (pending.Count > 0 && labels.size() < 10);
    EXPECT_EQ(labels, (std::vector<std::string>{"sheet 1 front", "sheet 1 back", "sheet 2 front",
                                                "sheet 2 back", "sheet 3 front", "sheet 3 back"}));
    EXPECT_EQ(counts, (std::vector<int>{5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_SEQERROR);
    h.close();
}

TEST(Transfers, TransferCountLimitsTheBatchAndTheRestStaysInTheFeeder) {
    Harness h(vt::three_sources());
    start_batch(h, TWSX_NATIVE);
    ASSERT_EQ(h.set_one(CAP_XFERCOUNT, TWTY_INT16, 2), TWRC_SUCCESS);
    std::vector<std::string> labels;
    for (int batch = 0; batch < 2; ++batch) {
        ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
        ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
        TW_PENDINGXFERS pending{};
        do {
            TW_UINT32 dib = 0;
            ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
            labels.push_back(vt::native_label(dib));
            ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        } while (pending.Count > 0);
        TW_USERINTERFACE ui{};
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    }
    EXPECT_EQ(labels,
              (std::vector<std::string>{"sheet 1 front", "sheet 2 front", "sheet 3 front"}));
    h.close();
}

TEST(Transfers, FileTransferInEveryFormat) {
    struct Format {
        TW_UINT16 code;
        std::string name, checker, expect;
    };
    const Format formats[] = {
        {TWFF_TIFF, "page.tif", "tiffinfo", "Image Width: 200"},
        {TWFF_TIFFMULTI, "multi.tif", "tiffinfo", "Image Width: 200"},
        {TWFF_BMP, "page.bmp", "identify", "BMP3? 200x300"},
        {TWFF_JFIF, "page.jpg", "identify", "JPEG 200x300"},
        {TWFF_PNG, "page.png", "identify", "PNG 200x300"},
        {TWFF_PDF, "page.pdf", "pdfinfo", "Pages: +1\\b"},
    };
    Harness h(vt::three_sources(R"(, "paper": { "width_inches": 2, "height_inches": 3,
                                               "sheets": 6 })"));
    start_batch(h, TWSX_FILE);
    ASSERT_EQ(h.set_one(CAP_XFERCOUNT, TWTY_INT16, 1), TWRC_SUCCESS);
    for (const auto &format : formats) {
        SCOPED_TRACE(format.name);
        TW_SETUPFILEXFER setup{};
        std::string path = "C:\\vt-file-" + format.name;
        std::snprintf(setup.FileName, sizeof setup.FileName, "%s", path.c_str());
        setup.Format = format.code;
        std::remove(h.host_of(path).c_str());
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);
        TW_SETUPFILEXFER check{};
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &check), TWRC_SUCCESS);
        EXPECT_EQ(std::string(check.FileName), path);
        EXPECT_EQ(h.get(ICAP_IMAGEFILEFORMAT, MSG_GETCURRENT).items,
                  std::vector<double>{double(format.code)});

        ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
        ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
        ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_XFERDONE);
        TW_PENDINGXFERS pending{};
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        TW_USERINTERFACE ui{};
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);

        std::string host = h.host_of(path);
        std::string report = run(format.checker + " '" + host + "'");
        EXPECT_TRUE(std::regex_search(report, std::regex(format.expect))) << report;
        if (format.code != TWFF_PDF) {
            EXPECT_EQ(zelvirt::decode_label_from_file(host).value_or("<none>"),
                      "sheet " + std::to_string(&format - formats + 1) + " front");
        }
    }
    // A format the device does not offer is refused.
    TW_SETUPFILEXFER setup{};
    std::snprintf(setup.FileName, sizeof setup.FileName, "C:\\x.pct");
    setup.Format = TWFF_PICT;
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_BADVALUE);
    h.close();
}

TEST(Transfers, LabelsDecodedFromJpegFiles) {
    Harness h(vt::three_sources());
    start_batch(h, TWSX_FILE);
    ASSERT_EQ(h.set_one(CAP_DUPLEXENABLED, TWTY_BOOL, TRUE), TWRC_SUCCESS);
    ASSERT_EQ(h.set_one(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    TW_PENDINGXFERS pending{};
    std::vector<std::string> labels;
    for (int page = 0; page < 10; ++page) {
        TW_SETUPFILEXFER setup{};
        std::string path = "C:\\vt-jpeg-page" + std::to_string(page) + ".jpg";
        std::snprintf(setup.FileName, sizeof setup.FileName, "%s", path.c_str());
        setup.Format = TWFF_JFIF;
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);
        ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_XFERDONE);
        labels.push_back(zelvirt::decode_label_from_file(h.host_of(path)).value_or("<none>"));
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        if (pending.Count == 0)
            break;
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"sheet 1 front", "sheet 1 back", "sheet 2 front",
                                                "sheet 2 back", "sheet 3 front", "sheet 3 back"}));
    h.close();
}

TEST(Transfers, MemoryBlocksCarryTheWholeImageTopDown) {
    Harness h(vt::three_sources());
    start_batch(h, TWSX_MEMORY);
    ASSERT_EQ(h.set_one(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
    ASSERT_EQ(h.set_one(CAP_XFERCOUNT, TWTY_INT16, 1), TWRC_SUCCESS);
    TW_SETUPMEMXFER setup{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
    EXPECT_GE(setup.MinBufSize, 200u);
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);

    TW_IMAGEINFO info{};
    ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    ASSERT_EQ(info.BitsPerPixel, 8);
    const size_t row = size_t(info.ImageWidth);
    std::vector<uint8_t> image;
    std::vector<uint8_t> buffer(row * 64);
    {
        // A buffer smaller than a row is refused and the transfer can start over.
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        xfer.Memory.Length = TW_UINT32(row - 1);
        xfer.Memory.TheMem = buffer.data();
        EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer), TWRC_FAILURE);
        EXPECT_EQ(h.ds_condition(), TWCC_BADVALUE);
    }
    TW_UINT16 rc = TWRC_SUCCESS;
    int blocks = 0;
    uint32_t next_row = 0;
    while (rc == TWRC_SUCCESS && blocks < 100) {
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        xfer.Memory.Length = TW_UINT32(buffer.size());
        xfer.Memory.TheMem = buffer.data();
        rc = h.ds(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        ASSERT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) << rc;
        // Copies: the packed fields are not aligned for references.
        uint32_t y_offset = xfer.YOffset, bytes_per_row = xfer.BytesPerRow;
        uint32_t written = xfer.BytesWritten, rows = xfer.Rows;
        EXPECT_EQ(y_offset, next_row);
        EXPECT_EQ(bytes_per_row, row);
        EXPECT_EQ(written, rows * row);
        next_row += xfer.Rows;
        image.insert(image.end(), buffer.begin(), buffer.begin() + xfer.BytesWritten);
        ++blocks;
    }
    EXPECT_EQ(rc, TWRC_XFERDONE);
    EXPECT_EQ(next_row, uint32_t(info.ImageLength));
    EXPECT_GT(blocks, 1);

    // Rebuild a bottom-up DIB from the blocks: it carries the label.
    size_t stride = (row + 3) & ~size_t(3);
    std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + 256 * 4 + stride * info.ImageLength);
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(dib.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = info.ImageWidth;
    header->biHeight = info.ImageLength;
    header->biPlanes = 1;
    header->biBitCount = 8;
    header->biClrUsed = 256;
    for (int i = 0; i < 256; ++i)
        std::memset(dib.data() + sizeof(BITMAPINFOHEADER) + 4 * i, i, 3);
    for (int y = 0; y < info.ImageLength; ++y)
        std::memcpy(dib.data() + sizeof(BITMAPINFOHEADER) + 1024 +
                        stride * size_t(info.ImageLength - 1 - y),
                    image.data() + row * size_t(y), row);
    EXPECT_EQ(zelvirt::decode_label_from_dib(dib.data(), dib.size()).value_or("<none>"),
              "sheet 1 front");

    TW_IMAGEMEMXFER after{};
    after.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
    after.Memory.Length = TW_UINT32(buffer.size());
    after.Memory.TheMem = buffer.data();
    EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &after), TWRC_FAILURE)
        << "the page is complete";
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    h.close();
}

TEST(Transfers, PageFaultsAndUnknownCount) {
    Harness h(vt::three_sources(R"(, "unknown_page_count": true,
        "faults": { "pages": [ { "page": 1, "transfer": "fail", "cc": "TWCC_PAPERJAM" },
                               { "page": 2, "transfer": "cancel" },
                               { "page": 3, "dib": "truncated" } ] })"));
    start_batch(h, TWSX_NATIVE);
    ASSERT_EQ(h.set_one(CAP_DUPLEXENABLED, TWTY_BOOL, TRUE), TWRC_SUCCESS);
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0xFFFF);

    TW_UINT32 dib = 0;
    EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_PAPERJAM);
    EXPECT_EQ(dib, 0u);
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0xFFFF);

    EXPECT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_CANCEL);
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);

    ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    size_t block = GlobalSize(dib);
    auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
    ASSERT_NE(header, nullptr);
    size_t claimed =
        header->biSize + size_t(((header->biWidth * 24 + 31) / 32) * 4) * size_t(header->biHeight);
    EXPECT_LT(block, claimed) << "the header claims more pixels than the block holds";
    GlobalUnlock(dib);
    GlobalFree(dib);

    int ends = 0;
    do {
        ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        ++ends;
    } while (pending.Count != 0 && ends < 10);
    EXPECT_EQ(ends, 4) << "page 3 and the three left, the count unknown until the end";
    h.close();
}

// A driver that crashes at a page's transfer ends the process that loaded
// it, with the crash's exit code and no answer; the page before it was
// transferred whole.  Under Linux that process is the test's child.
TEST(TransfersDeathTest, ACrashingDriverEndsItsProcessAtThatPage) {
    // The platform layer runs a thread: the child runs this test afresh.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Harness h(
        vt::three_sources(R"(, "faults": { "pages": [ { "page": 2, "transfer": "crash" } ] })"));
    start_batch(h, TWSX_NATIVE);
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    TW_UINT32 dib = 0;
    ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    EXPECT_EQ(vt::native_label(dib), "sheet 1 front");
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EXIT(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib),
                testing::ExitedWithCode(int(zelvirt::kCrashExitCode & 0xFF)), "the driver crashes");
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    h.close();
}

TEST(Transfers, RefusedEndOfTransferFromTheScenario) {
    Harness h(vt::three_sources(R"(, "faults": { "triplets": [
        { "dat": "DAT_PENDINGXFERS", "msg": "MSG_ENDXFER", "occurrence": 1,
          "rc": "TWRC_FAILURE", "cc": "TWCC_OPERATIONERROR" } ] })"));
    start_batch(h, TWSX_NATIVE);
    ASSERT_EQ(h.enable(false), TWRC_SUCCESS);
    ASSERT_EQ(h.wait_event(), MSG_XFERREADY);
    TW_UINT32 dib = 0;
    ASSERT_EQ(h.ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    GlobalFree(dib);
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_FAILURE);
    EXPECT_EQ(h.ds_condition(), TWCC_OPERATIONERROR);
    // The refusal changed nothing: the page is still ending.
    ASSERT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 2);
    EXPECT_EQ(h.ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    h.close();
}

} // namespace
