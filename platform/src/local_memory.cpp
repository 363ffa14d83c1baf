// Local memory: the LocalAlloc family, a heap of its own with the same
// rules as global memory (memory_heap.h).
#include "memory_heap.h"

#include <zelplat/zelplat_test.h>

namespace {

zelplat::MemoryHeap &local_heap() {
    static auto *heap =
        new zelplat::MemoryHeap(zelplat::HandleKind::Local, "Local"); // never destroyed
    return *heap;
}

} // namespace

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    return local_heap().alloc(uFlags, uBytes);
}

LPVOID WINAPI LocalLock(HLOCAL hMem) {
    return local_heap().lock(hMem);
}

BOOL WINAPI LocalUnlock(HLOCAL hMem) {
    return local_heap().unlock(hMem, FALSE);
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    return local_heap().free(hMem);
}

SIZE_T WINAPI LocalSize(HLOCAL hMem) {
    return local_heap().size(hMem);
}

HLOCAL WINAPI LocalHandle(LPCVOID pMem) {
    return local_heap().handle_of(pMem);
}

size_t ZelPlat_LiveLocalBlocks(void) {
    return local_heap().live();
}
