#include "dib_fixtures.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace dibtest {

namespace {

void Put32(std::vector<uint8_t> &b, size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[off + i] = uint8_t(v >> (8 * i));
}

void Put16(std::vector<uint8_t> &b, size_t off, uint16_t v) {
    b[off] = uint8_t(v);
    b[off + 1] = uint8_t(v >> 8);
}

void SetIndex(uint8_t *row, LONG x, WORD bits, unsigned index) {
    size_t bit = size_t(x) * bits;
    unsigned shift = 8 - bits - unsigned(bit % 8);
    row[bit / 8] |= uint8_t((index & ((1u << bits) - 1)) << shift);
}

void FillRows(const DibShape &shape, DWORD entries, uint8_t *rows, size_t available) {
    LONG height = shape.height < 0 ? -shape.height : shape.height;
    size_t stride = Stride(shape.width, shape.bits);
    for (LONG r = 0; r < height && size_t(r + 1) * stride <= available; ++r) {
        // Stored row r is visual row r of a top-down DIB, height-1-r otherwise.
        LONG y = shape.height < 0 ? r : height - 1 - r;
        uint8_t *row = rows + size_t(r) * stride;
        for (LONG x = 0; x < shape.width; ++x) {
            COLORREF c = PixelColour(x, y);
            if (shape.bits <= 8 && entries)
                SetIndex(row, x, shape.bits, unsigned(x + y) % entries);
            else if (shape.bits == 24 || shape.bits == 32) {
                uint8_t *p = row + size_t(x) * (shape.bits / 8);
                p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
            } else if (shape.bits == 16) {
                row[2 * x] = uint8_t(x * 7 + y);
                row[2 * x + 1] = uint8_t(y * 3);
            }
        }
    }
}

} // namespace

RGBQUAD TableColour(DWORD i) {
    return RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(10 * i), 0};
}

COLORREF PixelColour(LONG x, LONG y) {
    return RGB(40 * x + 5, 30 * y + 7, 200 - 11 * (x + y));
}

size_t Stride(LONG width, WORD bits) {
    size_t w = size_t(width < 0 ? -int64_t(width) : width);
    return (w * bits + 31) / 32 * 4;
}

DWORD TableEntries(const DibShape &shape) {
    if (shape.clrUsed)
        return shape.clrUsed;
    return shape.bits <= 8 ? DWORD(1) << shape.bits : 0;
}

HGLOBAL MakeDib(const DibShape &shape) {
    DWORD entries = TableEntries(shape);
    LONG height = shape.height < 0 ? -shape.height : shape.height;
    size_t data = shape.dataBytes >= 0 ? size_t(shape.dataBytes)
                                       : Stride(shape.width, shape.bits) * size_t(height);
    size_t table = shape.compression == BI_BITFIELDS ? 40 + 12 : 40; // after the masks
    std::vector<uint8_t> b(table + 4 * size_t(entries) + data, 0);
    Put32(b, 0, 40);
    Put32(b, 4, uint32_t(shape.width));
    Put32(b, 8, uint32_t(shape.height));
    Put16(b, 12, 1);
    Put16(b, 14, shape.bits);
    Put32(b, 16, shape.compression);
    Put32(b, 20, shape.sizeImage);
    Put32(b, 24, 2835);
    Put32(b, 28, 2835);
    Put32(b, 32, shape.clrUsed);
    if (shape.compression == BI_BITFIELDS)
        Put32(b, 40, 0x7C00), Put32(b, 44, 0x03E0), Put32(b, 48, 0x001F);
    for (DWORD i = 0; i < entries; ++i) {
        RGBQUAD q = TableColour(i);
        std::memcpy(&b[table + 4 * size_t(i)], &q, sizeof q);
    }
    FillRows(shape, entries, b.data() + table + 4 * entries, data);
    return MakeBlock(b);
}

HGLOBAL MakeBlock(const std::vector<uint8_t> &bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!h)
        throw std::runtime_error("GlobalAlloc failed");
    void *p = GlobalLock(h);
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

HGLOBAL MakeCoreDib(WORD width, WORD height, WORD bits) {
    DWORD entries = bits <= 8 ? DWORD(1) << bits : 0;
    size_t stride = Stride(width, bits);
    std::vector<uint8_t> b(12 + 3 * size_t(entries) + stride * height, 0);
    Put32(b, 0, 12);
    Put16(b, 4, width);
    Put16(b, 6, height);
    Put16(b, 8, 1);
    Put16(b, 10, bits);
    for (DWORD i = 0; i < entries; ++i) {
        RGBQUAD q = TableColour(i);
        b[12 + 3 * i] = q.rgbBlue, b[13 + 3 * i] = q.rgbGreen, b[14 + 3 * i] = q.rgbRed;
    }
    uint8_t *rows = b.data() + 12 + 3 * entries;
    for (WORD r = 0; r < height && entries; ++r)
        for (WORD x = 0; x < width; ++x)
            SetIndex(rows + r * stride, x, bits, unsigned(x + (height - 1 - r)) % entries);
    return MakeBlock(b);
}

std::vector<uint8_t> BlockBytes(HGLOBAL h) {
    SIZE_T n = GlobalSize(h);
    const uint8_t *p = static_cast<const uint8_t *>(GlobalLock(h));
    std::vector<uint8_t> bytes(p, p + n);
    GlobalUnlock(h);
    return bytes;
}

void PokeDword(HGLOBAL h, size_t offset, DWORD value) {
    uint8_t *p = static_cast<uint8_t *>(GlobalLock(h));
    for (int i = 0; i < 4; ++i)
        p[offset + i] = uint8_t(value >> (8 * i));
    GlobalUnlock(h);
}

std::string HostPath(const std::string &windowsPath) {
    char out[4096];
    if (!ZelPlat_HostPath(windowsPath.c_str(), out, sizeof out))
        throw std::runtime_error("no host path for " + windowsPath);
    std::filesystem::create_directories(std::filesystem::path(out).parent_path());
    return out;
}

bool FileExists(const std::string &windowsPath) {
    return std::filesystem::exists(HostPath(windowsPath));
}

void RemoveFile(const std::string &windowsPath) {
    std::filesystem::remove(HostPath(windowsPath));
}

std::vector<uint8_t> ReadFileBytes(const std::string &windowsPath) {
    std::ifstream in(HostPath(windowsPath), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string &windowsPath, const std::vector<uint8_t> &bytes) {
    std::ofstream out(HostPath(windowsPath), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

uint32_t Dword(const std::vector<uint8_t> &bytes, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | bytes.at(offset + i);
    return v;
}

LeakCheck::LeakCheck()
    : global_(ZelPlat_LiveGlobalBlocks()), local_(ZelPlat_LiveLocalBlocks()),
      gdi_(ZelPlat_LiveGdiObjects()) {}

bool LeakCheck::Leaked() const {
    return ZelPlat_LiveGlobalBlocks() != global_ || ZelPlat_LiveLocalBlocks() != local_ ||
           ZelPlat_LiveGdiObjects() != gdi_;
}

std::string LeakCheck::Describe() const {
    return "global " + std::to_string(global_) + "->" + std::to_string(ZelPlat_LiveGlobalBlocks()) +
           ", local " + std::to_string(local_) + "->" + std::to_string(ZelPlat_LiveLocalBlocks()) +
           ", gdi " + std::to_string(gdi_) + "->" + std::to_string(ZelPlat_LiveGdiObjects());
}

} // namespace dibtest
