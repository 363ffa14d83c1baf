// libFuzzer target: the library's acquisitions, transfers and capability
// calls against a TWAIN manager and source whose every answer comes from
// the input (source_answers_exercise.h).  Memory errors are caught by the
// sanitizers; a session not back in state 1 after unloading, pages or
// handles left behind, or a library that never stops calling the source
// abort the run.
#include "source_answers_exercise.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The forwarding TWAIN_32.DLL is built beside the fuzzer; a message
    // loop whose source went silent gives up at once.
    setenv("WINDIR", ZEL_FUZZ_WINDIR, 1);
    setenv("ZELPLAT_GETMESSAGE_TIMEOUT", "0.02", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    zelfuzz::SourceRun run = zelfuzz::ExerciseSourceAnswers(data, size);
    if (!run.failure.empty()) {
        std::fprintf(stderr, "source answers fuzzer: %s\n", run.failure.c_str());
        std::abort();
    }
    return 0;
}
