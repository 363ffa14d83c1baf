// A TWAIN manager and one source whose every answer comes from a byte
// stream: the peer of the source-answers fuzzer.  The library reaches it
// through twain_shim.cpp, a TWAIN_32.DLL that forwards DSM_Entry to
// ZelFuzz_DSM_Entry, which the executable exports.
//
// Each triplet reads one selector byte: below kFaultSelector the peer
// answers as a well-behaved scanner (one page per batch, then a close
// request); from it on the answer is scripted by the following bytes.
// Once the stream is exhausted every answer is the well-behaved one, so
// each run ends.
#pragma once

#include <windows.h>

#include "twain.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelfuzz {

constexpr uint8_t kFaultSelector = 0xA0;

struct ScriptCounts {
    int triplets = 0;
    int scripted = 0;                 // triplets answered from the stream
    int pages = 0;                    // native transfers done, whatever the handle
    int files = 0;                    // file transfers done (the file written, or missing)
    int events = 0;                   // event messages posted to the application
    bool overrun = false;             // the triplet bound was reached
    std::vector<std::string> written; // the files written, in order
};

// Starts a run: the peer forgets everything of the previous one.
void StartScript(const uint8_t *answers, size_t size);

// What the run did.
ScriptCounts ScriptResult();

// The file the device writes its next page to.
const char *DeviceFile();

} // namespace zelfuzz

extern "C" __attribute__((visibility("default"))) TW_UINT16 WINAPI
ZelFuzz_DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG, TW_UINT16 DAT,
                  TW_UINT16 MSG, TW_MEMREF pData);
