// Renders one side of a sheet as the virtual scanner sees it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "canvas.h"
#include "font.h"
#include "label_code.h"
#include "layout.h"
#include "zelvirt/paper.h"

namespace zelvirt {
namespace {

// Largest side in pixels: a runaway resolution or size still yields an image
// that fits in memory.
constexpr int kMaxSidePixels = 10000;
// Printed grey levels never reach this, so that they stay "not white" for a
// blank-page test whatever the brightness.
constexpr int kLightestInk = 230;

int pixels_for(double inches, double dpi) {
    const double pixels = inches * dpi;
    if (!std::isfinite(pixels) || pixels < 1.0)
        return 1;
    if (pixels > kMaxSidePixels)
        return kMaxSidePixels;
    return std::max(1, static_cast<int>(std::lround(pixels)));
}

double clamped_setting(double value) {
    if (!std::isfinite(value))
        return 0.0;
    return std::clamp(value, -1000.0, 1000.0);
}

// Brightness and contrast move the grey levels of the printed content a
// little; white paper stays white and black cells stay well below mid grey.
class Tone {
  public:
    Tone(double brightness, double contrast)
        : gain_(1.0 + 0.25 * clamped_setting(contrast) / 1000.0),
          offset_(40.0 * clamped_setting(brightness) / 1000.0) {}

    Rgb operator()(Rgb c) const {
        if (c.r == 255 && c.g == 255 && c.b == 255)
            return c;
        return Rgb{channel(c.r), channel(c.g), channel(c.b)};
    }

  private:
    uint8_t channel(uint8_t v) const {
        const double shifted = (v - 128.0) * gain_ + 128.0 + offset_;
        return static_cast<uint8_t>(std::clamp<long>(std::lround(shifted), 0, kLightestInk));
    }

    double gain_;
    double offset_;
};

uint32_t mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

uint32_t label_seed(const std::string &label) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : label)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

int at_x(const Canvas &canvas, double fraction) {
    return static_cast<int>(std::lround(fraction * canvas.width()));
}

int at_y(const Canvas &canvas, double fraction) {
    return static_cast<int>(std::lround(fraction * canvas.height()));
}

void draw_frame(Canvas &canvas, Rgb colour) {
    const int t = std::max(1, at_x(canvas, layout::kFrameThickness));
    const int x0 = at_x(canvas, layout::kFrameMargin);
    const int y0 = at_y(canvas, layout::kFrameMargin);
    const int x1 = at_x(canvas, 1.0 - layout::kFrameMargin);
    const int y1 = at_y(canvas, 1.0 - layout::kFrameMargin);
    canvas.fill_rect(x0, y0, x1, y0 + t, colour);
    canvas.fill_rect(x0, y1 - t, x1, y1, colour);
    canvas.fill_rect(x0, y0, x0 + t, y1, colour);
    canvas.fill_rect(x1 - t, y0, x1, y1, colour);
}

// The label as large as the text band allows, centred in it.
void draw_label_text(Canvas &canvas, const std::string &text, Rgb colour) {
    if (text.empty())
        return;
    const double band_w = (layout::kTextRight - layout::kTextLeft) * canvas.width();
    const double band_h = (layout::kTextBottom - layout::kTextTop) * canvas.height();
    const double units_w = static_cast<double>(text.size()) * font::kAdvance - 1;
    const double scale = std::min(band_w / units_w, band_h / font::kGlyphHeight);
    const double left = layout::kTextLeft * canvas.width() + (band_w - units_w * scale) / 2.0;
    const double top =
        layout::kTextTop * canvas.height() + (band_h - font::kGlyphHeight * scale) / 2.0;
    auto edge = [scale](double origin, int unit) {
        return static_cast<int>(std::lround(origin + unit * scale));
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const int base = static_cast<int>(i) * font::kAdvance;
        for (int gy = 0; gy < font::kGlyphHeight; ++gy)
            for (int gx = 0; gx < font::kGlyphWidth; ++gx)
                if (font::glyph_pixel(static_cast<unsigned char>(text[i]), gx, gy))
                    canvas.fill_rect(edge(left, base + gx), edge(top, gy),
                                     edge(left, base + gx + 1), edge(top, gy + 1), colour);
    }
}

bool cell_is_dark(const LabelBits &bits, int row, int column) {
    if (column < layout::kMarkColumns)
        return column == 0;
    if (column >= layout::kMarkColumns + layout::kDataColumns)
        return column == layout::kGridColumns - 1;
    return bits[static_cast<size_t>(row * layout::kDataColumns + column - layout::kMarkColumns)];
}

void draw_code_grid(Canvas &canvas, const LabelBits &bits, Rgb ink) {
    const double cell_w = (layout::kGridRight - layout::kGridLeft) / layout::kGridColumns;
    for (int row = 0; row < layout::kGridRows; ++row) {
        const int y0 = at_y(canvas, layout::kGridTop + row * layout::kCellHeight);
        const int y1 = at_y(canvas, layout::kGridTop + (row + 1) * layout::kCellHeight);
        for (int column = 0; column < layout::kGridColumns; ++column)
            if (cell_is_dark(bits, row, column))
                canvas.fill_rect(at_x(canvas, layout::kGridLeft + column * cell_w), y0,
                                 at_x(canvas, layout::kGridLeft + (column + 1) * cell_w), y1, ink);
    }
}

// Lines of "text" of varying length, in paragraphs.
void draw_body_lines(Canvas &canvas, uint32_t seed, Rgb colour) {
    const double width = layout::kTextRight - layout::kTextLeft;
    int line = 0;
    for (double top = layout::kBodyTop; top + layout::kLineHeight <= layout::kBodyBottom;
         top += layout::kLinePitch, ++line) {
        const uint32_t r = mix(seed + static_cast<uint32_t>(line));
        if (r % 7 == 0)
            continue; // paragraph break
        const double length = width * (0.45 + 0.55 * (r % 1000) / 1000.0);
        canvas.fill_rect(at_x(canvas, layout::kTextLeft), at_y(canvas, top),
                         at_x(canvas, layout::kTextLeft + length),
                         at_y(canvas, top + layout::kLineHeight), colour);
    }
}

void draw_colour_patches(Canvas &canvas, const Tone &tone) {
    const Rgb colours[] = {{200, 30, 30}, {30, 150, 60}, {30, 60, 200}, {230, 190, 20}};
    const double width = (layout::kTextRight - layout::kTextLeft) / 4;
    for (int i = 0; i < 4; ++i) {
        const double left = layout::kTextLeft + i * width;
        canvas.fill_rect(at_x(canvas, left), at_y(canvas, layout::kPatchTop),
                         at_x(canvas, left + width * 0.8), at_y(canvas, layout::kPatchBottom),
                         tone(colours[i]));
    }
}

void draw_printed_side(Canvas &canvas, const std::string &label, const Tone &tone) {
    const std::string text = label.substr(0, kMaxLabelBytes);
    draw_frame(canvas, tone(Rgb{20, 40, 160}));
    draw_label_text(canvas, text, tone(Rgb{10, 10, 90}));
    draw_code_grid(canvas, encode_label_bits(text), tone(kBlack));
    draw_body_lines(canvas, label_seed(text), tone(Rgb{70, 70, 80}));
    draw_colour_patches(canvas, tone);
}

// Exactly `count` distinct black pixels: one in each of `count` equal runs
// of the page's pixels, at a scrambled place within its run.
void scatter_dark_pixels(Canvas &canvas, long long count) {
    const long long total = static_cast<long long>(canvas.width()) * canvas.height();
    count = std::clamp(count, 0LL, total);
    for (long long k = 0; k < count; ++k) {
        const long long begin = k * total / count;
        const long long end = (k + 1) * total / count;
        const long long index = begin + mix(static_cast<uint32_t>(k)) % (end - begin);
        canvas.set_pixel(static_cast<int>(index % canvas.width()),
                         static_cast<int>(index / canvas.width()), kBlack);
    }
}

} // namespace

ScannedImage scan_side(const SideSpec &side, const ScanSettings &settings) {
    const int width = pixels_for(settings.width_inches, settings.x_dpi);
    const int height = pixels_for(settings.height_inches, settings.y_dpi);
    ScannedImage image =
        make_white_dib(width, height, settings.format, settings.x_dpi, settings.y_dpi);
    Canvas canvas(image);
    switch (side.content) {
    case SideContent::Printed:
        draw_printed_side(canvas, side.label, Tone(settings.brightness, settings.contrast));
        break;
    case SideContent::AlmostBlank:
        scatter_dark_pixels(canvas, side.dark_pixels);
        break;
    case SideContent::Blank:
        break;
    }
    return image;
}

} // namespace zelvirt
