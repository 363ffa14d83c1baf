// libFuzzer target: arbitrary bytes as a bitmap file, read back and handed
// to every DIB utility and the writer.  Memory errors are caught by the
// sanitizers; broken invariants (a written file that differs from its DIB,
// leaked handles) abort the run.
#include "bitmap_exercise.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    zelfuzz::BitmapRun run = zelfuzz::ExerciseBitmapBytes(data, size);
    if (!run.failure.empty()) {
        std::fprintf(stderr, "bitmap fuzzer: %s\n", run.failure.c_str());
        std::abort();
    }
    return 0;
}
