// Replays the source-answers fuzzer's seed corpus and every input that once
// failed it: the library's exports against a scripted manager and source.
#include "source_answers_exercise.h"
#include "../support/corpus_files.h"

#include <zelplat/zelplat_test.h>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

namespace fs = std::filesystem;
using zeltest::Bytes;
using zeltest::FilesIn;

namespace {

std::string HostPath(const std::string &windowsName) {
    char host[4096];
    return ZelPlat_HostPath((zelfuzz::OutputFolder() + "\\" + windowsName).c_str(), host,
                            sizeof host)
               ? host
               : "";
}

// Pages of a TIFF document, 0 when it cannot be read.
int TiffPages(const std::string &windowsName) {
    std::string host = HostPath(windowsName);
    FIMULTIBITMAP *doc = FreeImage_OpenMultiBitmap(FIF_TIFF, host.c_str(), FALSE, TRUE);
    if (!doc)
        return 0;
    int pages = FreeImage_GetPageCount(doc);
    FreeImage_CloseMultiBitmap(doc);
    return pages;
}

class SourceAnswers : public ::testing::Test {
  protected:
    void SetUp() override { setenv("WINDIR", ZEL_FUZZ_WINDIR, 1); }

    zelfuzz::SourceRun Run(const char *seed) {
        auto bytes = Bytes(fs::path(ZEL_FUZZ_DIR) / "corpus" / "source_answers" / seed);
        EXPECT_FALSE(bytes.empty()) << seed << " missing";
        auto run = zelfuzz::ExerciseSourceAnswers(bytes.data(), bytes.size());
        EXPECT_EQ(run.failure, "") << seed;
        return run;
    }
};

// Every seed runs clean, and a second time the same way: each run starts
// from a fresh session.
TEST_F(SourceAnswers, EverySeedRunsCleanTwice) {
    auto files = FilesIn(fs::path(ZEL_FUZZ_DIR) / "corpus" / "source_answers");
    ASSERT_GE(files.size(), 15u) << "seed corpus missing";
    for (const auto &path : files) {
        SCOPED_TRACE(path.filename().string());
        auto bytes = Bytes(path);
        auto first = zelfuzz::ExerciseSourceAnswers(bytes.data(), bytes.size());
        auto second = zelfuzz::ExerciseSourceAnswers(bytes.data(), bytes.size());
        EXPECT_EQ(first.failure, "");
        EXPECT_EQ(second.failure, "");
        EXPECT_GT(first.calls, 0);
        EXPECT_EQ(first.peer.triplets, second.peer.triplets);
        EXPECT_EQ(first.peer.pages, second.peer.pages);
    }
}

// What a seed's run delivers: pages and files the source handed over,
// handles the caller got, boxes shown (-1: not looked at).
struct Expected {
    const char *seed;
    int pages, files, handles, minBoxes, maxBoxes;
};

TEST_F(SourceAnswers, SeedsDeliverWhatTheirSourceHandsOver) {
    const Expected cases[] = {
        // A well-behaved source's one page reaches the caller.
        {"memory_plain", 1, -1, 1, 0, 0},
        // No handle, or one that is no block: nothing usable, nothing left.
        {"memory_null_handle", 1, -1, 0, -1, -1},
        {"memory_enable_refused", 0, -1, 0, 1, -1},
        // A forced manual duplex scans twice with the box between the passes.
        {"multipage_manual_duplex", 2, -1, -1, 1, -1},
        // A source that accepts the file mechanism but transfers natively: the
        // device-files acquisition has no use for the DIB and must not keep it.
        {"device_files_native_after_all", 1, 0, -1, -1, -1},
        {"memory_no_resolution", 1, -1, 1, 0, 0},
        // The host's own file transfer writes its one file; its own loop runs
        // two batches and takes the second one's two pages.
        {"host_modal_file_own_name", 0, 1, 0, 0, 0},
        {"host_loop_two_batches", 4, -1, 2, 0, 0},
    };
    for (const Expected &want : cases) {
        SCOPED_TRACE(want.seed);
        auto run = Run(want.seed);
        EXPECT_EQ(run.peer.pages, want.pages);
        if (want.files >= 0) {
            EXPECT_EQ(run.peer.files, want.files);
        }
        if (want.handles >= 0) {
            EXPECT_EQ(run.handles, want.handles);
        }
        if (want.minBoxes >= 0) {
            EXPECT_GE(run.boxes, want.minBoxes);
        }
        if (want.maxBoxes >= 0) {
            EXPECT_LE(run.boxes, want.maxBoxes);
        }
    }
}

// Batches that end up as one TIFF document holding every page: three native
// pages (plain, or with colour masks and no resolution), and two device
// files, merged even when the second page's end is refused.
TEST_F(SourceAnswers, DocumentsHoldEveryPage) {
    const struct {
        const char *seed, *document;
        int pages;
    } cases[] = {
        {"multipage_tiff_three_pages", "page.tif", 3},
        {"multipage_v5_bitfields_no_resolution", "page.tif", 3},
        {"device_files_tiff_two_pages", "doc.tif", 2},
        {"device_files_end_refused", "lote.tif", 2},
    };
    for (const auto &want : cases) {
        SCOPED_TRACE(want.seed);
        Run(want.seed);
        EXPECT_EQ(TiffPages(want.document), want.pages);
    }
}

// Inputs that once failed the fuzzer: under the sanitizer build they must
// stay inside their blocks, and every run must leave nothing behind.
TEST_F(SourceAnswers, RegressionInputsStaySafe) {
    auto files = FilesIn(fs::path(ZEL_FUZZ_DIR) / "regressions" / "source_answers");
    ASSERT_FALSE(files.empty()) << "regression inputs missing";
    for (const auto &path : files) {
        SCOPED_TRACE(path.filename().string());
        auto bytes = Bytes(path);
        auto run = zelfuzz::ExerciseSourceAnswers(bytes.data(), bytes.size());
        EXPECT_EQ(run.failure, "");
    }
}

} // namespace
