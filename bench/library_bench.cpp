// Costs of the library's everyday calls: writing and reading a page-sized
// bitmap file, and one capability round trip through the virtual manager.
#include <benchmark/benchmark.h>

#include <zelplat/zelplat_test.h>

#include <cstring>
#include <string>
#include <vector>

#include "zeltw32.h"

namespace {

// A 24-bit A4 page at 200 dpi, as a native transfer would deliver it.
HGLOBAL MakePage(int width, int height) {
    DWORD stride = DWORD((width * 3 + 3) & ~3);
    SIZE_T size = sizeof(BITMAPINFOHEADER) + SIZE_T(stride) * height;
    HGLOBAL dib = GlobalAlloc(GHND, size);
    auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 24;
    std::memset(header + 1, 0xC8, size - sizeof(BITMAPINFOHEADER));
    GlobalUnlock(dib);
    return dib;
}

void BM_BitmapFileRoundTrip(benchmark::State &state) {
    HGLOBAL page = MakePage(1654, 2339);
    std::string name = "C:\\zelbench-page.bmp";
    for (auto _ : state) {
        if (EscribirEnNombreArchivo(page, name.data()) != 0) {
            state.SkipWithError("write failed");
            break;
        }
        HGLOBAL back = CargarAMemoriaDeNombreArchivo(name.data());
        benchmark::DoNotOptimize(back);
        LiberadorDeMemoria(back);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(GlobalSize(page)) * 2);
    LiberadorDeMemoria(page);
    DeleteFileA(name.c_str());
}
BENCHMARK(BM_BitmapFileRoundTrip)->Unit(benchmark::kMillisecond);

void BM_CapabilityRead(benchmark::State &state) {
    if (!AbrirDispositivoXDefecto()) {
        state.SkipWithError("no virtual scanner");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ObtenTipoPixel());
    DescargarManejadorDispositivo();
}
BENCHMARK(BM_CapabilityRead)->Unit(benchmark::kMicrosecond);

void BM_PixelTypeNegotiation(benchmark::State &state) {
    if (!AbrirDispositivoXDefecto()) {
        state.SkipWithError("no virtual scanner");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(NegociarTipoPixel(0x7));
    DescargarManejadorDispositivo();
}
BENCHMARK(BM_PixelTypeNegotiation)->Unit(benchmark::kMicrosecond);

} // namespace
