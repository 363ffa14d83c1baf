// The paper model of the virtual scanners: what one side of a sheet looks
// like when scanned, and how a test reads back which side it was.
//
// A printed side carries its label twice: as text a person reads, and as a
// grid of large black and white cells (placed at fixed fractions of the
// page) that survives JPEG compression, grey and black-and-white
// reduction, so that a test decodes it from any output file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelvirt {

enum class SideContent { Printed, Blank, AlmostBlank };

struct SideSpec {
    SideContent content = SideContent::Printed;
    std::string label;   // printed sides: the text drawn and encoded, ASCII, at most 32 bytes
                         // (longer labels are cut to 32; other bytes are encoded
                         // as they are and drawn as '?')
    int dark_pixels = 0; // almost blank sides: exactly this many dark pixels on white
};

enum class PixelFormat { BlackWhite1, Gray8, Rgb24 };

struct ScanSettings {
    PixelFormat format = PixelFormat::Rgb24;
    double x_dpi = 100.0;
    double y_dpi = 100.0;
    double width_inches = 8.27; // A4
    double height_inches = 11.69;
    double brightness = 0.0; // -1000 to 1000, TWAIN's scale
    double contrast = 0.0;   // -1000 to 1000
};

// A scanned side as a packed DIB: BITMAPINFOHEADER (40 bytes), colour table
// (2 entries for 1 bit, 256 grey entries for 8 bits, none for 24 bits) and
// bottom-up rows padded to 4 bytes, exactly what a native transfer hands over.
struct ScannedImage {
    std::vector<uint8_t> dib;
    int width = 0;
    int height = 0;
    int bits_per_pixel = 0;
};

// The page is width_inches x x_dpi by height_inches x y_dpi pixels, each
// side at least 1 and at most 10000.  Blank sides are all white; almost
// blank sides are white with exactly dark_pixels black pixels (clamped to
// the number of pixels of the page).
ScannedImage scan_side(const SideSpec &side, const ScanSettings &settings);

// Writes the scanned side in a TWAIN file format (TWFF_BMP, TWFF_TIFF,
// TWFF_TIFFMULTI, TWFF_JFIF, TWFF_PNG, TWFF_PDF) to a host path.  Returns
// false and sets *error on failure.
bool write_side_file(const ScannedImage &image, unsigned twain_format, const std::string &host_path,
                     std::string *error);

// Reading labels back, for tests and the demo.  Each returns the label
// found, or nothing for a blank or unreadable side.  Files: BMP, TIFF (page
// `page` of a multi-page document), JPEG, PNG, and PDF rendered by pdftoppm.
std::optional<std::string> decode_label_from_dib(const void *packed_dib, size_t size);
std::optional<std::string> decode_label_from_file(const std::string &host_path, int page = 0);

// Number of pages in an image file (multi-page TIFF and PDF count theirs).
int count_pages_in_file(const std::string &host_path);

} // namespace zelvirt
