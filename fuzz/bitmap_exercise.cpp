#include "bitmap_exercise.h"

#include <zelplat/zelplat_test.h>
#include <zeltw32.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace zelfuzz {

namespace {

// Per process, so that test processes running side by side never share them.
std::string RutaPropia(const char *nombre) {
    return "C:\\fuzz\\" + std::to_string(GetCurrentProcessId()) + "-" + nombre;
}
const std::string kEntrada = RutaPropia("input.bmp");
const std::string kSalida = RutaPropia("output.bmp");

bool WriteHostFile(const char *windowsPath, const uint8_t *data, size_t size) {
    char host[4096];
    if (!ZelPlat_HostPath(windowsPath, host, sizeof host))
        return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(host).parent_path(), error);
    FILE *f = std::fopen(host, "wb");
    if (!f)
        return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

HGLOBAL ReadBitmap(const char *windowsPath) {
    OFSTRUCT of;
    HFILE file = OpenFile(windowsPath, &of, OF_READ);
    if (file == HFILE_ERROR)
        return 0;
    HGLOBAL h = CargarAMemoriaDeArchivo(file);
    _lclose(file);
    return h;
}

// Draws the DIB into a 16 x 16 memory DC; sources with source offsets
// inside and outside the image.
void Draw(HGLOBAL h) {
    HDC dc = CreateCompatibleDC(0);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 16;
    bmi.bmiHeader.biHeight = 16;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, 0, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DibujarDibADC(dc, 0, 0, 16, 16, h, 0, 0);
    DibujarDibADC(dc, 3, 2, 9, 7, h, 5, 4);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// Writes the DIB and, when the writer reports success, reads the file back:
// it must hold the block's bytes unchanged.
void WriteAndCompare(HGLOBAL h, BitmapRun &run) {
    OFSTRUCT of;
    HFILE file = OpenFile(kSalida.c_str(), &of, OF_CREATE | OF_WRITE);
    if (file == HFILE_ERROR) {
        run.failure = "output file not created";
        return;
    }
    run.written = EscribirEnArchivo(h, file);
    _lclose(file);
    if (run.written != 0)
        return;
    HGLOBAL back = ReadBitmap(kSalida.c_str());
    if (!back) {
        run.failure = "written file not readable";
        return;
    }
    SIZE_T n = GlobalSize(back);
    const void *a = GlobalLock(h);
    const void *b = GlobalLock(back);
    if (n > GlobalSize(h) || std::memcmp(a, b, n) != 0)
        run.failure = "written file differs from the DIB";
    GlobalUnlock(back);
    GlobalUnlock(h);
    LiberadorDeMemoria(back);
}

} // namespace

BitmapRun ExerciseBitmapBytes(const uint8_t *data, size_t size) {
    BitmapRun run;
    size_t globals = ZelPlat_LiveGlobalBlocks();
    size_t locals = ZelPlat_LiveLocalBlocks();
    size_t gdi = ZelPlat_LiveGdiObjects();
    if (!WriteHostFile(kEntrada.c_str(), data, size)) {
        run.failure = "input file not written";
        return run;
    }
    HGLOBAL h = ReadBitmap(kEntrada.c_str());
    run.loaded = h != 0;
    if (h) {
        run.width = DibAnchura(h);
        run.height = DibAltura(h);
        run.depth = DibProfundidad(h);
        run.colours = DibNumColores(h);
        HPALETTE palette = CrearPaletaDib(h);
        run.palette = palette != 0;
        if (palette)
            DeleteObject(palette);
        Draw(h);
        WriteAndCompare(h, run);
        LiberadorDeMemoria(h);
    }
    if (run.failure.empty() &&
        (ZelPlat_LiveGlobalBlocks() != globals || ZelPlat_LiveLocalBlocks() != locals ||
         ZelPlat_LiveGdiObjects() != gdi))
        run.failure = "handles leaked";
    return run;
}

} // namespace zelfuzz
