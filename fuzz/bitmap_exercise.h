// One run of the bitmap reader on arbitrary file bytes, followed by every
// DIB utility and the writer on the DIB it returns.  Shared by the fuzzer
// and by the test that replays the corpus and the regression inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelfuzz {

struct BitmapRun {
    bool loaded = false; // the reader returned a DIB
    int width = 0;       // DibAnchura, DibAltura, DibProfundidad, DibNumColores
    int height = 0;
    int depth = 0;
    int colours = 0;
    bool palette = false; // CrearPaletaDib built a palette
    int written = 1;      // EscribirEnArchivo's result (1: not attempted)
    // Everything that should hold whatever the input; empty when it did.
    std::string failure;
};

// Runs the reader and the utilities on the bytes, through files below the
// Windows folder C:\fuzz.  Every block, palette and DC is released.
BitmapRun ExerciseBitmapBytes(const uint8_t *data, size_t size);

} // namespace zelfuzz
