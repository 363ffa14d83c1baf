#include "pdf_writer.h"

#include <hpdf.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace zelvirt {
namespace {

// Resolution assumed when the DIB does not carry one.
constexpr double kDefaultDpi = 100.0;
// Page sizes a PDF page may have, in points.
constexpr double kMinPagePoints = 3.0;
constexpr double kMaxPagePoints = 14400.0;

struct HpdfErrors {
    HPDF_STATUS first = HPDF_OK;
};

void HPDF_STDCALL record_error(HPDF_STATUS error, HPDF_STATUS, void *user_data) {
    auto *errors = static_cast<HpdfErrors *>(user_data);
    if (errors->first == HPDF_OK)
        errors->first = error;
}

bool has_grey_palette(const DibView &view) {
    if (view.bits_per_pixel > 8)
        return false;
    for (int i = 0; i < view.palette_size; ++i) {
        const RGBQUAD &q = view.palette[i];
        if (q.rgbRed != q.rgbGreen || q.rgbGreen != q.rgbBlue)
            return false;
    }
    return true;
}

// Samples in PDF order: rows top-down, one grey byte or three RGB bytes per
// pixel.  Indexed colour pages go through their colour table.
std::vector<uint8_t> pdf_samples(const DibView &view, bool grey) {
    const size_t channels = grey ? 1 : 3;
    std::vector<uint8_t> samples(static_cast<size_t>(view.width) * view.height * channels);
    uint8_t *out = samples.data();
    for (int y = 0; y < view.height; ++y) {
        const uint8_t *row = view.row(y);
        for (int x = 0; x < view.width; ++x) {
            if (grey) {
                *out++ = view.luma(x, y);
            } else if (view.bits_per_pixel >= 24) {
                const uint8_t *p = row + static_cast<size_t>(x) * (view.bits_per_pixel / 8);
                *out++ = p[2];
                *out++ = p[1];
                *out++ = p[0];
            } else {
                const int index = view.bits_per_pixel == 8 ? row[x]
                                  : view.bits_per_pixel == 4
                                      ? ((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4)
                                      : (row[x >> 3] >> (7 - (x & 7))) & 1;
                const RGBQUAD q = index < view.palette_size ? view.palette[index] : RGBQUAD{};
                *out++ = q.rgbRed;
                *out++ = q.rgbGreen;
                *out++ = q.rgbBlue;
            }
        }
    }
    return samples;
}

struct PageSize {
    double width;
    double height;
};

// The physical size of the scan, scaled as a whole when it falls outside the
// sizes a PDF page may have.
PageSize page_points(const DibView &view) {
    const double x_dpi = view.x_dpi > 0.0 ? view.x_dpi : kDefaultDpi;
    const double y_dpi = view.y_dpi > 0.0 ? view.y_dpi : kDefaultDpi;
    PageSize size{view.width / x_dpi * 72.0, view.height / y_dpi * 72.0};
    const double largest = std::max(size.width, size.height);
    if (largest > kMaxPagePoints) {
        size.width *= kMaxPagePoints / largest;
        size.height *= kMaxPagePoints / largest;
    }
    size.width = std::clamp(size.width, kMinPagePoints, kMaxPagePoints);
    size.height = std::clamp(size.height, kMinPagePoints, kMaxPagePoints);
    return size;
}

bool fail(std::string *error, const std::string &text) {
    if (error)
        *error = text;
    return false;
}

} // namespace

bool write_pdf_page(const DibView &view, const std::string &path, std::string *error) {
    HpdfErrors errors;
    HPDF_Doc pdf = HPDF_New(record_error, &errors);
    if (!pdf)
        return fail(error, "cannot create a PDF document");
    const bool grey = has_grey_palette(view);
    const std::vector<uint8_t> samples = pdf_samples(view, grey);
    const PageSize size = page_points(view);

    HPDF_SetCompressionMode(pdf, HPDF_COMP_ALL);
    HPDF_Image image = HPDF_LoadRawImageFromMem(
        pdf, samples.data(), static_cast<HPDF_UINT>(view.width),
        static_cast<HPDF_UINT>(view.height), grey ? HPDF_CS_DEVICE_GRAY : HPDF_CS_DEVICE_RGB, 8);
    HPDF_Page page = image ? HPDF_AddPage(pdf) : nullptr;
    if (page) {
        HPDF_Page_SetWidth(page, static_cast<HPDF_REAL>(size.width));
        HPDF_Page_SetHeight(page, static_cast<HPDF_REAL>(size.height));
        HPDF_Page_DrawImage(page, image, 0, 0, static_cast<HPDF_REAL>(size.width),
                            static_cast<HPDF_REAL>(size.height));
    }
    const bool saving = errors.first == HPDF_OK;
    if (saving)
        HPDF_SaveToFile(pdf, path.c_str());
    HPDF_Free(pdf);
    if (errors.first != HPDF_OK) {
        if (saving) // no half-written document is left behind
            std::remove(path.c_str());
        char text[64];
        std::snprintf(text, sizeof text, "PDF error 0x%04X", static_cast<unsigned>(errors.first));
        return fail(error, text);
    }
    return true;
}

} // namespace zelvirt
