// Cost of rendering and decoding a side of the virtual scanners' paper.
#include <benchmark/benchmark.h>

#include <zelvirt/paper.h>

namespace {

zelvirt::ScanSettings a4(zelvirt::PixelFormat format, double dpi) {
    zelvirt::ScanSettings settings;
    settings.format = format;
    settings.x_dpi = dpi;
    settings.y_dpi = dpi;
    return settings;
}

const zelvirt::PixelFormat kFormats[] = {zelvirt::PixelFormat::BlackWhite1,
                                         zelvirt::PixelFormat::Gray8, zelvirt::PixelFormat::Rgb24};

void BM_ScanPrintedSide(benchmark::State &state) {
    const auto settings = a4(kFormats[state.range(0)], static_cast<double>(state.range(1)));
    const zelvirt::SideSpec side{zelvirt::SideContent::Printed, "Sheet 1 front", 0};
    for (auto _ : state)
        benchmark::DoNotOptimize(zelvirt::scan_side(side, settings));
}
BENCHMARK(BM_ScanPrintedSide)->ArgsProduct({{0, 1, 2}, {150, 300}})->Unit(benchmark::kMillisecond);

void BM_DecodeLabelFromDib(benchmark::State &state) {
    const auto image = zelvirt::scan_side({zelvirt::SideContent::Printed, "Sheet 1 front", 0},
                                          a4(kFormats[state.range(0)], 300));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            zelvirt::decode_label_from_dib(image.dib.data(), image.dib.size()));
}
BENCHMARK(BM_DecodeLabelFromDib)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

} // namespace
