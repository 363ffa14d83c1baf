#include "paper_test_util.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/wait.h>

namespace papertest {
namespace {

size_t stride_of(const BITMAPINFOHEADER &h) {
    return (static_cast<size_t>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
}

const uint8_t *rows_of(const zelvirt::ScannedImage &image) {
    const BITMAPINFOHEADER h = header_of(image);
    return image.dib.data() + h.biSize + h.biClrUsed * sizeof(RGBQUAD);
}

// Calls f(r, g, b) for every pixel, through the colour table when indexed.
template <typename F> void for_each_pixel(const zelvirt::ScannedImage &image, F f) {
    const BITMAPINFOHEADER h = header_of(image);
    const auto *table = reinterpret_cast<const RGBQUAD *>(image.dib.data() + h.biSize);
    const uint8_t *rows = rows_of(image);
    for (LONG y = 0; y < h.biHeight; ++y) {
        const uint8_t *row = rows + static_cast<size_t>(y) * stride_of(h);
        for (LONG x = 0; x < h.biWidth; ++x) {
            if (h.biBitCount == 24) {
                f(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                continue;
            }
            const int index = h.biBitCount == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
            f(table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue);
        }
    }
}

} // namespace

BITMAPINFOHEADER header_of(const zelvirt::ScannedImage &image) {
    BITMAPINFOHEADER h{};
    if (image.dib.size() >= sizeof h)
        std::memcpy(&h, image.dib.data(), sizeof h);
    return h;
}

long count_non_white(const zelvirt::ScannedImage &image) {
    long count = 0;
    const int bits = header_of(image).biBitCount;
    for_each_pixel(image, [&](int r, int g, int b) {
        if (bits == 24 ? (r != 255 || g != 255 || b != 255) : r <= 245)
            ++count;
    });
    return count;
}

long count_black(const zelvirt::ScannedImage &image) {
    long count = 0;
    for_each_pixel(image, [&](int r, int g, int b) {
        if (r == 0 && g == 0 && b == 0)
            ++count;
    });
    return count;
}

long count_coloured(const zelvirt::ScannedImage &image) {
    long count = 0;
    for_each_pixel(image, [&](int r, int g, int b) {
        if (std::abs(r - g) > 40 || std::abs(g - b) > 40 || std::abs(r - b) > 40)
            ++count;
    });
    return count;
}

zelvirt::ScanSettings settings(zelvirt::PixelFormat format, double dpi) {
    zelvirt::ScanSettings s;
    s.format = format;
    s.x_dpi = dpi;
    s.y_dpi = dpi;
    return s;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "paper-test-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ec);
}

int run_status(const std::string &command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string run_output(const std::string &command) {
    std::string text;
    FILE *pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return text;
    std::array<char, 256> buffer;
    while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        text.append(buffer.data(), n);
    pclose(pipe);
    return text;
}

} // namespace papertest
