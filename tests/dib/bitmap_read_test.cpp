// Reading bitmap files back into DIBs: round trips and refused files.
#include "dib_fixtures.h"

#include <zeltw32.h>

#include <gtest/gtest.h>

#include <string>

using namespace dibtest;

namespace {

HGLOBAL ReadNamed(const std::string &name) {
    std::string copy = name;
    return CargarAMemoriaDeNombreArchivo(copy.data());
}

std::vector<uint8_t> FileHeader(uint32_t bfSize) {
    std::vector<uint8_t> bytes = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        bytes[2 + i] = uint8_t(bfSize >> (8 * i));
    return bytes;
}

// Reading the file gives 0 and leaves no block, palette or local block behind.
void ExpectRefused(const std::vector<uint8_t> &file, const char *what) {
    SCOPED_TRACE(what);
    WriteFileBytes("C:\\read\\bad.bmp", file);
    LeakCheck leaks;
    EXPECT_EQ(ReadNamed("C:\\read\\bad.bmp"), HGLOBAL(0));
    EXPECT_FALSE(leaks.Leaked()) << leaks.Describe();
}

} // namespace

TEST(BitmapRead, RoundTripIsByteForByteForEveryDepth) {
    const DibShape shapes[] = {
        {9, 3, 1, 0, BI_RGB, 0, -1},   {5, 3, 4, 0, BI_RGB, 0, -1},  {5, 3, 8, 0, BI_RGB, 0, -1},
        {5, 3, 8, 20, BI_RGB, 0, -1},  {5, 3, 16, 0, BI_RGB, 0, -1}, {5, 3, 24, 0, BI_RGB, 0, -1},
        {5, -3, 24, 0, BI_RGB, 0, -1}, {5, 3, 32, 0, BI_RGB, 0, -1},
    };
    for (const auto &shape : shapes) {
        SCOPED_TRACE(std::to_string(shape.bits) + " bits, height " + std::to_string(shape.height) +
                     ", biClrUsed " + std::to_string(shape.clrUsed));
        HGLOBAL h = MakeDib(shape);
        std::string name = "C:\\read\\depth" + std::to_string(shape.bits) + ".bmp";
        HostPath(name);
        std::string copy = name;
        ASSERT_EQ(EscribirEnNombreArchivo(h, copy.data()), 0);
        HGLOBAL back = ReadNamed(name);
        ASSERT_NE(back, HGLOBAL(0));
        EXPECT_EQ(BlockBytes(back), BlockBytes(h));
        EXPECT_EQ(DibAnchura(back), shape.width);
        EXPECT_EQ(DibAltura(back), shape.height);
        EXPECT_EQ(DibNumColores(back), DibNumColores(h));
        LiberadorDeMemoria(back);
        GlobalFree(h);
    }
}

TEST(BitmapRead, ShortOrMalformedFilesAreRefused) {
    HGLOBAL h = MakeDib(DibShape{});
    HostPath("C:\\read\\good.bmp");
    ASSERT_EQ(EscribirEnNombreArchivo(h, std::string("C:\\read\\good.bmp").data()), 0);
    auto good = ReadFileBytes("C:\\read\\good.bmp");
    GlobalFree(h);
    ASSERT_EQ(good.size(), 54u + 36);

    auto truncated = good;
    truncated.pop_back();
    ExpectRefused(truncated, "one byte shorter than bfSize");
    ExpectRefused(std::vector<uint8_t>(good.begin(), good.begin() + 13), "13 bytes");
    ExpectRefused({}, "empty file");
    auto signature = good;
    signature[1] = 'A';
    ExpectRefused(signature, "no BM signature");
    auto below = FileHeader(13);
    ExpectRefused(below, "bfSize below 14");
    auto huge = FileHeader(0xFFFFFFFF);
    huge.resize(100);
    ExpectRefused(huge, "bfSize of 4 GB");
    auto twoGb = FileHeader(0x80000010);
    twoGb.resize(100);
    ExpectRefused(twoGb, "bfSize over 2 GB");

    LeakCheck leaks;
    EXPECT_EQ(ReadNamed("C:\\read\\does not exist.bmp"), HGLOBAL(0));
    EXPECT_FALSE(leaks.Leaked());
}

TEST(BitmapRead, FailedAllocationLeavesNothing) {
    HGLOBAL h = MakeDib(DibShape{});
    HostPath("C:\\read\\alloc.bmp");
    ASSERT_EQ(EscribirEnNombreArchivo(h, std::string("C:\\read\\alloc.bmp").data()), 0);
    GlobalFree(h);
    LeakCheck leaks;
    ZelPlat_FailGlobalAllocAfter(0);
    HGLOBAL back = ReadNamed("C:\\read\\alloc.bmp");
    ZelPlat_FailGlobalAllocAfter(-1);
    EXPECT_EQ(back, HGLOBAL(0));
    EXPECT_FALSE(leaks.Leaked()) << leaks.Describe();
}

// The reader takes the DIB as the file gives it; the header readers answer
// from its header, the writer refuses rows that the block does not hold.
TEST(BitmapRead, LyingDibIsLoadedAndMeasuredButNotWritten) {
    HGLOBAL h = MakeDib(DibShape{});
    HostPath("C:\\read\\lying.bmp");
    ASSERT_EQ(EscribirEnNombreArchivo(h, std::string("C:\\read\\lying.bmp").data()), 0);
    GlobalFree(h);
    auto file = ReadFileBytes("C:\\read\\lying.bmp");
    file[14 + 8] = 200; // biHeight 200 rows, the block holds 3
    WriteFileBytes("C:\\read\\lying.bmp", file);

    HGLOBAL back = ReadNamed("C:\\read\\lying.bmp");
    ASSERT_NE(back, HGLOBAL(0));
    EXPECT_EQ(GlobalSize(back), 40u + 36);
    EXPECT_EQ(DibAltura(back), 200);
    EXPECT_EQ(DibAnchura(back), 4);
    EXPECT_EQ(EscribirEnNombreArchivo(back, std::string("C:\\read\\again.bmp").data()), -4);
    LiberadorDeMemoria(back);
}

TEST(BitmapRead, ReadsFromTheCurrentPositionOfAnOpenFile) {
    HGLOBAL h = MakeDib(DibShape{});
    HostPath("C:\\read\\open.bmp");
    ASSERT_EQ(EscribirEnNombreArchivo(h, std::string("C:\\read\\open.bmp").data()), 0);
    OFSTRUCT of;
    HFILE file = OpenFile("C:\\read\\open.bmp", &of, OF_READ);
    ASSERT_NE(file, HFILE_ERROR);
    HGLOBAL back = CargarAMemoriaDeArchivo(file);
    ASSERT_NE(back, HGLOBAL(0));
    EXPECT_EQ(BlockBytes(back), BlockBytes(h));
    // The whole file was consumed: a second read finds no header.
    EXPECT_EQ(CargarAMemoriaDeArchivo(file), HGLOBAL(0));
    _lclose(file);
    EXPECT_EQ(CargarAMemoriaDeArchivo(HFILE_ERROR), HGLOBAL(0));
    LiberadorDeMemoria(back);
    GlobalFree(h);
}
