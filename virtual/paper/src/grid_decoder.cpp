#include "grid_decoder.h"

#include <array>
#include <cmath>

#include "label_code.h"
#include "layout.h"

namespace zelvirt {
namespace {

using CellMeans = std::array<std::array<double, layout::kGridColumns>, layout::kGridRows>;

// Cells narrower than this cannot be told apart from compression noise.
constexpr double kMinCellPixels = 3.0;
// Dark and light marks must differ by at least this many grey levels.
constexpr double kMinContrast = 64.0;

struct Span {
    int begin;
    int end;
};

// The middle half of a cell along one axis, at least one pixel wide.
Span middle_half(double cell_begin, double cell_end, int limit) {
    const double quarter = (cell_end - cell_begin) / 4.0;
    int begin = static_cast<int>(std::lround(cell_begin + quarter));
    int end = static_cast<int>(std::lround(cell_end - quarter));
    if (end <= begin)
        end = begin + 1;
    if (begin < 0)
        begin = 0;
    if (end > limit)
        end = limit;
    return {begin, end};
}

double cell_mean(const GreyImage &image, int row, int column) {
    const double cell_w = (layout::kGridRight - layout::kGridLeft) / layout::kGridColumns;
    const double x0 = (layout::kGridLeft + column * cell_w) * image.width;
    const double y0 = (layout::kGridTop + row * layout::kCellHeight) * image.height;
    const Span xs = middle_half(x0, x0 + cell_w * image.width, image.width);
    const Span ys = middle_half(y0, y0 + layout::kCellHeight * image.height, image.height);
    double sum = 0.0;
    long count = 0;
    for (int y = ys.begin; y < ys.end; ++y)
        for (int x = xs.begin; x < xs.end; ++x, ++count)
            sum += image.luma(x, y);
    return count ? sum / count : 255.0;
}

bool marks_hold(const CellMeans &means, double threshold) {
    constexpr int last = layout::kGridColumns - 1;
    for (const auto &row : means)
        if (row[0] >= threshold || row[1] < threshold || row[last - 1] < threshold ||
            row[last] >= threshold)
            return false;
    return true;
}

} // namespace

std::optional<std::string> decode_label_from_grey(const GreyImage &image) {
    const double cell_w = (layout::kGridRight - layout::kGridLeft) / layout::kGridColumns;
    if (!image.luma || cell_w * image.width < kMinCellPixels ||
        layout::kCellHeight * image.height < kMinCellPixels)
        return std::nullopt;

    CellMeans means;
    for (int row = 0; row < layout::kGridRows; ++row)
        for (int column = 0; column < layout::kGridColumns; ++column)
            means[row][column] = cell_mean(image, row, column);

    // The threshold lies halfway between the dark and the light marks, which
    // follows brightness, contrast and the grey levels of lossy formats.
    constexpr int last = layout::kGridColumns - 1;
    double dark = 0.0, light = 0.0;
    for (const auto &row : means) {
        dark += row[0] + row[last];
        light += row[1] + row[last - 1];
    }
    dark /= 2 * layout::kGridRows;
    light /= 2 * layout::kGridRows;
    if (light - dark < kMinContrast)
        return std::nullopt;
    const double threshold = (dark + light) / 2.0;
    if (!marks_hold(means, threshold))
        return std::nullopt;

    LabelBits bits;
    for (int row = 0; row < layout::kGridRows; ++row)
        for (int i = 0; i < layout::kDataColumns; ++i)
            bits[static_cast<size_t>(row * layout::kDataColumns + i)] =
                means[row][i + layout::kMarkColumns] < threshold;
    return decode_label_bits(bits);
}

} // namespace zelvirt
