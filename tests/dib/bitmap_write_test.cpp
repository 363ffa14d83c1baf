// The bitmap file layout written from a DIB, and the writers' result codes.
#include "dib_fixtures.h"

#include <zeltw32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

using namespace dibtest;

namespace {

// Writes the DIB to the named file; returns the writer's result code.
int WriteNamed(HGLOBAL h, const std::string &name) {
    HostPath(name); // creates the folder
    std::string copy = name;
    return EscribirEnNombreArchivo(h, copy.data());
}

// The DIB part of a file must equal the block as it is after the write.
void ExpectFileHoldsDib(const std::vector<uint8_t> &file, HGLOBAL h, size_t dibBytes) {
    auto block = BlockBytes(h);
    ASSERT_EQ(file.size(), 14 + dibBytes);
    ASSERT_GE(block.size(), dibBytes);
    EXPECT_TRUE(std::equal(file.begin() + 14, file.end(), block.begin()));
}

} // namespace

TEST(BitmapWrite, FileHeaderAndColourTable) {
    // 1 bit, biClrUsed 0: two colours.
    DibShape oneBit;
    oneBit.width = 9;
    oneBit.height = 2;
    oneBit.bits = 1;
    HGLOBAL h = MakeDib(oneBit);
    ASSERT_EQ(WriteNamed(h, "C:\\write\\one.bmp"), 0);
    auto file = ReadFileBytes("C:\\write\\one.bmp");
    ASSERT_GE(file.size(), 14u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Dword(file, 10), 62u);
    EXPECT_EQ(Dword(file, 2), 62u + 8);
    EXPECT_EQ(Dword(file, 6), 0u); // both reserved words
    ExpectFileHoldsDib(file, h, 48 + 8);
    GlobalFree(h);

    // 8 bits with biClrUsed 16: the table has 16 entries, not 256.
    DibShape sixteen;
    sixteen.bits = 8;
    sixteen.clrUsed = 16;
    h = MakeDib(sixteen);
    ASSERT_EQ(WriteNamed(h, "C:\\write\\sixteen.bmp"), 0);
    file = ReadFileBytes("C:\\write\\sixteen.bmp");
    EXPECT_EQ(Dword(file, 10), 54u + 64);
    EXPECT_EQ(Dword(file, 2), 54u + 64 + 12);
    GlobalFree(h);
}

TEST(BitmapWrite, ImageSizeComputedAndStoredBack) {
    // 24 bits, 3 x 2, biSizeImage 0: rows of 12 bytes.
    for (LONG height : {2, -2}) {
        SCOPED_TRACE(height);
        DibShape shape;
        shape.width = 3;
        shape.height = height;
        HGLOBAL h = MakeDib(shape);
        ASSERT_EQ(WriteNamed(h, "C:\\write\\three.bmp"), 0);
        auto file = ReadFileBytes("C:\\write\\three.bmp");
        EXPECT_EQ(file.size(), 78u);
        EXPECT_EQ(Dword(file, 2), 78u);
        EXPECT_EQ(Dword(file, 10), 54u);
        EXPECT_EQ(Dword(BlockBytes(h), 20), 24u); // biSizeImage in memory
        EXPECT_EQ(Dword(file, 14 + 20), 24u);
        EXPECT_EQ(Dword(file, 14 + 8), uint32_t(height));
        ExpectFileHoldsDib(file, h, 64);
        GlobalFree(h);
    }

    // A wrong biSizeImage of a BI_RGB DIB is replaced.
    DibShape wrong;
    wrong.sizeImage = 5;
    HGLOBAL h = MakeDib(wrong);
    ASSERT_EQ(WriteNamed(h, "C:\\write\\wrong.bmp"), 0);
    EXPECT_EQ(Dword(BlockBytes(h), 20), 36u);
    EXPECT_EQ(ReadFileBytes("C:\\write\\wrong.bmp").size(), 54u + 36);
    GlobalFree(h);
}

TEST(BitmapWrite, CompressedDibNeedsItsSize) {
    DibShape rle;
    rle.bits = 8;
    rle.compression = BI_RLE8;
    rle.dataBytes = 10;
    HGLOBAL h = MakeDib(rle);
    ASSERT_EQ(WriteNamed(h, "C:\\write\\rle.bmp"), -4);
    EXPECT_TRUE(FileExists("C:\\write\\rle.bmp"));
    EXPECT_TRUE(ReadFileBytes("C:\\write\\rle.bmp").empty());
    GlobalFree(h);

    rle.sizeImage = 10;
    h = MakeDib(rle);
    ASSERT_EQ(WriteNamed(h, "C:\\write\\rle.bmp"), 0);
    auto file = ReadFileBytes("C:\\write\\rle.bmp");
    EXPECT_EQ(Dword(file, 2), 54u + 1024 + 10);
    EXPECT_EQ(Dword(BlockBytes(h), 20), 10u);
    ExpectFileHoldsDib(file, h, 40 + 1024 + 10);
    GlobalFree(h);
}

TEST(BitmapWrite, DibLargerThanItsBlockIsNotWritten) {
    DibShape shortRows;
    shortRows.dataBytes = 35; // one byte short of 3 rows of 12
    HGLOBAL h = MakeDib(shortRows);
    auto before = BlockBytes(h);
    EXPECT_EQ(WriteNamed(h, "C:\\write\\short.bmp"), -4);
    EXPECT_TRUE(ReadFileBytes("C:\\write\\short.bmp").empty());
    EXPECT_EQ(BlockBytes(h), before); // biSizeImage not touched
    GlobalFree(h);

    DibShape tableMissing;
    tableMissing.bits = 8;
    h = MakeDib(tableMissing);
    PokeDword(h, 32, 0x00100000); // biClrUsed beyond the block
    EXPECT_EQ(WriteNamed(h, "C:\\write\\table.bmp"), -4);
    GlobalFree(h);

    h = MakeBlock(std::vector<uint8_t>(39, 0)); // shorter than a header
    EXPECT_EQ(WriteNamed(h, "C:\\write\\tiny.bmp"), -4);
    GlobalFree(h);
}

// The writer gets only an address; sizes that do not fit a single write (or
// that wrap around in 32 bits) are refused before anything is written.
TEST(BitmapWrite, OversizedHeaderRefusedByTheAddressWriter) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = 0x40000000; // 24 bits: 3 GB per row, 0 when wrapped to 32 bits
    header.biHeight = 3;
    header.biPlanes = 1;
    header.biBitCount = 24;
    HostPath("C:\\write\\huge.bmp");
    OFSTRUCT of;
    HFILE file = OpenFile("C:\\write\\huge.bmp", &of, OF_CREATE | OF_WRITE);
    ASSERT_NE(file, HFILE_ERROR);
    EXPECT_EQ(EscribirDibAArchivo(&header, file), FALSE);
    _lclose(file);
    EXPECT_TRUE(ReadFileBytes("C:\\write\\huge.bmp").empty());
    EXPECT_EQ(header.biSizeImage, 0u);
}

TEST(BitmapWrite, BadHandlesAndArguments) {
    EXPECT_EQ(WriteNamed(0, "C:\\write\\null.bmp"), -3);
    HGLOBAL freed = MakeDib(DibShape{});
    GlobalFree(freed);
    EXPECT_EQ(WriteNamed(freed, "C:\\write\\stale.bmp"), -3);

    HGLOBAL h = MakeDib(DibShape{});
    EXPECT_EQ(EscribirEnArchivo(h, HFILE_ERROR), -4);
    EXPECT_EQ(EscribirDibAArchivo(nullptr, HFILE_ERROR), FALSE);
    char missingFolder[] = "C:\\no such folder\\x.bmp";
    EXPECT_EQ(EscribirEnNombreArchivo(h, missingFolder), -2);
    GlobalFree(h);
    EXPECT_EQ(ZelPlat_BadMemoryHandleUses(), 0u); // the freed handle is probed, not locked
}

namespace {

void PokeDwordBytes(std::vector<uint8_t> &bytes, size_t offset, DWORD value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// A header of `headerSize` bytes (40, 108 or 124) with its
// first fields set, followed by `tail` bytes (masks, then pixels).
std::vector<uint8_t> HeaderBytes(DWORD headerSize, LONG width, LONG height, WORD bits,
                                 DWORD compression, size_t tail) {
    std::vector<uint8_t> bytes(headerSize + tail, 0x5A);
    BITMAPINFOHEADER header{};
    header.biSize = headerSize;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = compression;
    std::fill(bytes.begin(), bytes.begin() + headerSize, 0);
    std::memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

} // namespace

TEST(BitmapWrite, LongerHeadersAndMasksKeepThePixelsReachable) {
    // A 124-byte header: the pixels start after the whole header.
    HGLOBAL h = MakeBlock(HeaderBytes(124, 2, 2, 24, BI_RGB, 16));
    ASSERT_EQ(WriteNamed(h, "C:\\write\\v5.bmp"), 0);
    auto file = ReadFileBytes("C:\\write\\v5.bmp");
    EXPECT_EQ(Dword(file, 10), 14u + 124);
    EXPECT_EQ(Dword(file, 2), 14u + 124 + 16);
    EXPECT_EQ(file.size(), 14u + 124 + 16);
    GlobalFree(h);

    // BI_BITFIELDS after a 40-byte header: three masks before the pixels.
    auto bytes = HeaderBytes(40, 2, 1, 16, BI_BITFIELDS, 12 + 4);
    PokeDwordBytes(bytes, 20, 4); // biSizeImage: compressed DIBs carry their size
    h = MakeBlock(bytes);
    ASSERT_EQ(WriteNamed(h, "C:\\write\\fields.bmp"), 0);
    file = ReadFileBytes("C:\\write\\fields.bmp");
    EXPECT_EQ(Dword(file, 10), 14u + 40 + 12);
    EXPECT_EQ(Dword(file, 2), 14u + 40 + 12 + 4);
    EXPECT_EQ(file.size(), 14u + 40 + 12 + 4);
    GlobalFree(h);
}

TEST(BitmapWrite, OverwritingTruncatesTheOldFile) {
    WriteFileBytes("C:\\write\\old.bmp", std::vector<uint8_t>(5000, 0xEE));
    DibShape small;
    HGLOBAL h = MakeDib(small);
    ASSERT_EQ(WriteNamed(h, "C:\\write\\old.bmp"), 0);
    EXPECT_EQ(ReadFileBytes("C:\\write\\old.bmp").size(), 14u + 40 + Stride(4, 24) * 3);
    GlobalFree(h);
}
