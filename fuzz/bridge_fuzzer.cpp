// libFuzzer target: the bridge's codec on both sides (bridge_exercise.h).
#include "bridge_exercise.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string failure = zelfuzz::ExerciseBridgeBytes(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "bridge fuzzer: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
