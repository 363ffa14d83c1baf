// Helpers of the paper model tests: reading pixels of a packed DIB
// independently of the library, and a private folder per test.
#pragma once

#include <zelvirt/paper.h>

#include <cstdint>
#include <string>

namespace papertest {

BITMAPINFOHEADER header_of(const zelvirt::ScannedImage &image);

// Pixels that a blank-page test counts as dark: a clear bit at 1 bit per
// pixel, a value of 245 or less at 8 bits, anything but white at 24 bits.
long count_non_white(const zelvirt::ScannedImage &image);
// Pixels of value 0 (black) at any depth.
long count_black(const zelvirt::ScannedImage &image);
// Pixels whose red, green and blue differ noticeably.
long count_coloured(const zelvirt::ScannedImage &image);

zelvirt::ScanSettings settings(zelvirt::PixelFormat format, double dpi);

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string file(const std::string &name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Exit status of a shell command with its output discarded, and its stdout.
int run_status(const std::string &command);
std::string run_output(const std::string &command);

} // namespace papertest
