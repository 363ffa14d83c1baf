// Writing a scanned side to a file in one of the TWAIN file formats.
#include <twain.h>

#include "freeimage_support.h"
#include "pdf_writer.h"
#include "zelvirt/paper.h"

namespace zelvirt {
namespace {

bool fail(std::string *error, const std::string &text) {
    if (error)
        *error = text;
    return false;
}

// JPEG holds 8-bit grey or 24-bit colour only.
BitmapPtr for_jpeg(BitmapPtr bitmap) {
    const unsigned bpp = FreeImage_GetBPP(bitmap.get());
    if (bpp == 8 && FreeImage_GetColorType(bitmap.get()) == FIC_MINISBLACK)
        return bitmap;
    if (bpp == 24)
        return bitmap;
    if (bpp <= 8 && FreeImage_GetColorType(bitmap.get()) == FIC_MINISBLACK)
        return BitmapPtr(FreeImage_ConvertToGreyscale(bitmap.get()));
    return BitmapPtr(FreeImage_ConvertTo24Bits(bitmap.get()));
}

bool save_with_freeimage(const DibView &view, unsigned twain_format, const std::string &path,
                         std::string *error) {
    BitmapPtr bitmap = bitmap_from_dib(view);
    // 32-bit DIBs leave the fourth byte unused; written as is it would
    // become a transparent alpha channel.
    if (bitmap && view.bits_per_pixel == 32)
        bitmap.reset(FreeImage_ConvertTo24Bits(bitmap.get()));
    FREE_IMAGE_FORMAT format = FIF_UNKNOWN;
    int flags = 0;
    switch (twain_format) {
    case TWFF_BMP:
        format = FIF_BMP;
        break;
    case TWFF_TIFF:
    case TWFF_TIFFMULTI:
        format = FIF_TIFF;
        break;
    case TWFF_PNG:
        format = FIF_PNG;
        break;
    case TWFF_JFIF:
        format = FIF_JPEG;
        flags = JPEG_QUALITYGOOD;
        if (bitmap)
            bitmap = for_jpeg(std::move(bitmap));
        break;
    default:
        return fail(error, "unsupported file format");
    }
    if (!bitmap)
        return fail(error, "out of memory converting the image");
    if (!FreeImage_Save(format, bitmap.get(), path.c_str(), flags))
        return fail(error, "cannot write " + path);
    return true;
}

} // namespace

bool write_side_file(const ScannedImage &image, unsigned twain_format, const std::string &host_path,
                     std::string *error) {
    const auto view = parse_packed_dib(image.dib.data(), image.dib.size());
    if (!view)
        return fail(error, "not a valid DIB");
    if (host_path.empty())
        return fail(error, "no file name");
    if (twain_format == TWFF_PDF)
        return write_pdf_page(*view, host_path, error);
    return save_with_freeimage(*view, twain_format, host_path, error);
}

} // namespace zelvirt
