// Replays the fuzzer's seed corpus and every regression input it found
// through the reader, the DIB utilities and the writer.
#include "bitmap_exercise.h"
#include "../support/corpus_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;
using zeltest::Bytes;
using zeltest::FilesIn;

namespace {

uint32_t Field(const std::vector<uint8_t> &b, size_t off, size_t width) {
    uint32_t v = 0;
    for (size_t i = width; i-- > 0;)
        v = (v << 8) | b.at(off + i);
    return v;
}

} // namespace

// Real bitmaps: info-header files are read, measured and written back
// unchanged; core-header files are read, counted and given a palette.
TEST(FuzzReplay, SeedCorpusRoundTrips) {
    auto files = FilesIn(fs::path(ZEL_FUZZ_DIR) / "corpus" / "bitmap");
    ASSERT_GE(files.size(), 7u) << "seed corpus missing";
    for (const auto &path : files) {
        SCOPED_TRACE(path.filename().string());
        auto bytes = Bytes(path);
        auto run = zelfuzz::ExerciseBitmapBytes(bytes.data(), bytes.size());
        EXPECT_EQ(run.failure, "");
        ASSERT_TRUE(run.loaded);
        if (Field(bytes, 14, 4) == 12) {
            int bits = int(Field(bytes, 24, 2));
            EXPECT_EQ(run.colours, bits <= 8 ? 1 << bits : 0);
            EXPECT_TRUE(run.palette);
            EXPECT_EQ(run.written, -4); // a core header has no info-header file layout
            continue;
        }
        EXPECT_EQ(run.width, int(Field(bytes, 18, 4)));
        EXPECT_EQ(run.height, int(Field(bytes, 22, 4)));
        EXPECT_EQ(run.depth, int(Field(bytes, 28, 2)));
        EXPECT_TRUE(run.palette);
        EXPECT_EQ(run.written, 0);
    }
}

// Inputs that once broke the reader or a consumer, and headers that lie
// about their sizes: run under the sanitizer build, they must stay inside
// their blocks and leave nothing behind.
TEST(FuzzReplay, RegressionInputsStaySafe) {
    auto files = FilesIn(fs::path(ZEL_FUZZ_DIR) / "regressions");
    ASSERT_FALSE(files.empty()) << "regression inputs missing";
    for (const auto &path : files) {
        SCOPED_TRACE(path.filename().string());
        auto bytes = Bytes(path);
        auto run = zelfuzz::ExerciseBitmapBytes(bytes.data(), bytes.size());
        EXPECT_EQ(run.failure, "");
    }
}
