// TWAIN_32.DLL of the source-answers fuzzer's Windows folder: forwards every
// triplet to the scripted peer compiled into the executable, whose
// ZelFuzz_DSM_Entry is resolved when the library loads this module.
#include "scripted_twain.h"

extern "C" __attribute__((visibility("default"))) TW_UINT16 WINAPI
DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
          TW_MEMREF pData) {
    return ZelFuzz_DSM_Entry(pOrigin, pDest, DG, DAT, MSG, pData);
}
