#include "contact_sheet.h"

#include <FreeImage.h>

#include <algorithm>

#include "digit_font.h"

namespace zelscan {
namespace {

constexpr int kThumbWidth = 150;
constexpr int kThumbHeight = 212;
constexpr int kMargin = 12;
constexpr int kLabelScale = 3;
constexpr int kLabelHeight = kDigitHeight * kLabelScale + 8;
constexpr int kCellWidth = kThumbWidth + kMargin;
constexpr int kCellHeight = kThumbHeight + kLabelHeight + kMargin;
constexpr int kColumns = 4;

// Rows run bottom-up in FreeImage: y counts from the top here.
void PutPixel(FIBITMAP *sheet, int x, int y, RGBQUAD colour) {
    int height = int(FreeImage_GetHeight(sheet));
    FreeImage_SetPixelColor(sheet, unsigned(x), unsigned(height - 1 - y), &colour);
}

void FillBox(FIBITMAP *sheet, int left, int top, int width, int height, RGBQUAD colour) {
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            PutPixel(sheet, x, y, colour);
}

// The page scaled to fit the thumbnail box, as 24-bit colour.
FIBITMAP *Thumbnail(FIBITMAP *page) {
    FIBITMAP *colour = FreeImage_ConvertTo24Bits(page);
    if (!colour)
        return nullptr;
    double scale = std::min(double(kThumbWidth) / FreeImage_GetWidth(colour),
                            double(kThumbHeight) / FreeImage_GetHeight(colour));
    int width = std::max(1, int(FreeImage_GetWidth(colour) * scale));
    int height = std::max(1, int(FreeImage_GetHeight(colour) * scale));
    FIBITMAP *small = FreeImage_Rescale(colour, width, height, FILTER_BILINEAR);
    FreeImage_Unload(colour);
    return small;
}

void DrawPage(FIBITMAP *sheet, FIBITMAP *page, int left, int top) {
    const RGBQUAD frame{160, 160, 160, 0};
    FillBox(sheet, left - 1, top - 1, kThumbWidth + 2, kThumbHeight + 2, frame);
    FIBITMAP *small = page ? Thumbnail(page) : nullptr;
    if (!small) {
        FillBox(sheet, left, top, kThumbWidth, kThumbHeight, RGBQUAD{210, 210, 210, 0});
        return;
    }
    FillBox(sheet, left, top, kThumbWidth, kThumbHeight, RGBQUAD{255, 255, 255, 0});
    FreeImage_Paste(sheet, small, left, top, 256); // top counted from the top; 256: no blending
    FreeImage_Unload(small);
}

void DrawLabel(FIBITMAP *sheet, int number, int left, int top) {
    std::string digits = std::to_string(number);
    int width = int(digits.size()) * (kDigitWidth + 1) * kLabelScale;
    int x0 = left + (kThumbWidth - width) / 2;
    DrawNumber(digits, kLabelScale, [&](int x, int y) {
        PutPixel(sheet, x0 + x, top + y, RGBQUAD{0, 0, 0, 0});
    });
}

} // namespace

bool WriteContactSheet(const std::vector<PageFile> &files, const std::string &hostPath) {
    int pages = 0;
    for (const PageFile &file : files)
        pages += file.pages;
    if (pages == 0)
        return false;
    int columns = std::min(pages, kColumns);
    int rows = (pages + columns - 1) / columns;
    FIBITMAP *sheet =
        FreeImage_Allocate(kMargin + columns * kCellWidth, kMargin + rows * kCellHeight, 24);
    if (!sheet)
        return false;
    FillBox(sheet, 0, 0, int(FreeImage_GetWidth(sheet)), int(FreeImage_GetHeight(sheet)),
            RGBQUAD{240, 240, 240, 0});
    int number = 0;
    for (const PageFile &file : files)
        for (int page = 0; page < file.pages; ++page, ++number) {
            int left = kMargin + (number % columns) * kCellWidth;
            int top = kMargin + (number / columns) * kCellHeight;
            FIBITMAP *image = LoadPage(file, page);
            DrawPage(sheet, image, left, top);
            if (image)
                FreeImage_Unload(image);
            DrawLabel(sheet, number + 1, left, top + kThumbHeight + 6);
        }
    bool saved = FreeImage_Save(FIF_PNG, sheet, hostPath.c_str(), 0);
    FreeImage_Unload(sheet);
    return saved;
}

} // namespace zelscan
