// Test support: DIBs built in global memory with known pixels, and the files
// of the test drives as the host sees them.
#pragma once

#include <zelplat/zelplat_test.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dibtest {

struct DibShape {
    LONG width = 4;
    LONG height = 3;
    WORD bits = 24;
    DWORD clrUsed = 0;
    DWORD compression = BI_RGB;
    DWORD sizeImage = 0;
    // Bytes of pixel data placed after the colour table; by default the
    // rows that width, height and depth need.
    int64_t dataBytes = -1;
};

// Colour-table entries written by MakeDib: entry i is (red 10*i, green 255-i, blue i).
RGBQUAD TableColour(DWORD i);
// The colour of visual pixel (x, y), counted from the top row, in the
// 24 and 32-bit DIBs of MakeDib.
COLORREF PixelColour(LONG x, LONG y);
// Row stride of an uncompressed DIB.
size_t Stride(LONG width, WORD bits);
// Number of colour-table entries MakeDib writes: biClrUsed, or 2^bits up to 8 bits.
DWORD TableEntries(const DibShape &shape);

// A packed DIB with a 40-byte header, the 5-5-5 masks of BI_BITFIELDS, a
// colour table of TableEntries entries and rows with a pattern: PixelColour
// for 24 and 32 bits, pixel index (x + y) modulo the table for up to 8
// bits, arbitrary bytes for 16.
HGLOBAL MakeDib(const DibShape &shape);
// A block of exactly these bytes.
HGLOBAL MakeBlock(const std::vector<uint8_t> &bytes);
// A core-header DIB (12-byte header, 3-byte colour entries, index rows).
HGLOBAL MakeCoreDib(WORD width, WORD height, WORD bits);
// Copy of the bytes of a block.
std::vector<uint8_t> BlockBytes(HGLOBAL h);
// Overwrites a 32-bit field of the DIB header in place.
void PokeDword(HGLOBAL h, size_t offset, DWORD value);

// Host file behind a Windows path; the folder is created.
std::string HostPath(const std::string &windowsPath);
bool FileExists(const std::string &windowsPath);
void RemoveFile(const std::string &windowsPath);
std::vector<uint8_t> ReadFileBytes(const std::string &windowsPath);
void WriteFileBytes(const std::string &windowsPath, const std::vector<uint8_t> &bytes);
// Fields of a byte buffer, little-endian.
uint32_t Dword(const std::vector<uint8_t> &bytes, size_t offset);

// Live handle counts at construction, compared by Leaked() later.
class LeakCheck {
  public:
    LeakCheck();
    bool Leaked() const;
    std::string Describe() const;

  private:
    size_t global_, local_, gdi_;
};

} // namespace dibtest
