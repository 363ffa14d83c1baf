// Where things sit on a printed side, as fractions of the page's width and
// height, so that the same layout holds at every resolution and the decoder
// finds the code grid without searching.
#pragma once

namespace zelvirt::layout {

// Frame drawn around the content.
constexpr double kFrameMargin = 0.04;
constexpr double kFrameThickness = 0.004; // of the page width

// Label text, drawn as large as fits this band.
constexpr double kTextLeft = 0.08;
constexpr double kTextRight = 0.92;
constexpr double kTextTop = 0.07;
constexpr double kTextBottom = 0.16;

// Code grid: every row starts with a dark and a light mark cell and ends with
// a light and a dark one; the cells between carry the data bits.
constexpr int kGridRows = 9;
constexpr int kDataColumns = 32;
constexpr int kMarkColumns = 2; // on each side
constexpr int kGridColumns = kDataColumns + 2 * kMarkColumns;
constexpr double kGridLeft = 0.08;
constexpr double kGridRight = 0.92;
constexpr double kGridTop = 0.20;
// Cells are square on an A4 page: the width of a cell in page heights.
constexpr double kCellHeight = (kGridRight - kGridLeft) / kGridColumns * 8.27 / 11.69;
constexpr double kGridBottom = kGridTop + kGridRows * kCellHeight;
constexpr int kGridBits = kGridRows * kDataColumns;

// Body of the page: lines of "text" and, on colour pages, colour patches.
constexpr double kBodyTop = 0.42;
constexpr double kBodyBottom = 0.86;
constexpr double kLinePitch = 0.028;
constexpr double kLineHeight = 0.011;
constexpr double kPatchTop = 0.885;
constexpr double kPatchBottom = 0.935;

} // namespace zelvirt::layout
