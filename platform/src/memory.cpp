// Global memory: GlobalAlloc and its companions, over the shared heap of
// memory_heap.h, with the allocation fault switch used by tests.
#include "memory_heap.h"

#include <zelplat/zelplat_test.h>

#include <atomic>
#include <cstdlib>

namespace {

zelplat::MemoryHeap &global_heap() {
    static auto *heap =
        new zelplat::MemoryHeap(zelplat::HandleKind::Global, "Global"); // never destroyed
    return *heap;
}

// Successful GlobalAlloc calls left before they start failing; -1 never.
// Child processes take the value from ZELPLAT_FAIL_GLOBALALLOC_AFTER.
std::atomic<int> &allocations_left() {
    static std::atomic<int> left = [] {
        const char *value = std::getenv("ZELPLAT_FAIL_GLOBALALLOC_AFTER");
        if (!value || !*value)
            return -1;
        char *end = nullptr;
        long n = std::strtol(value, &end, 10);
        return (*end || n < -1 || n > 0x7FFFFFFF) ? -1 : int(n);
    }();
    return left;
}

// True when the fault switch lets this allocation through.
bool allocation_allowed() {
    auto &left = allocations_left();
    int n = left.load();
    while (n > 0 && !left.compare_exchange_weak(n, n - 1)) {
    }
    return n != 0;
}

} // namespace

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    if (!allocation_allowed()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return global_heap().alloc(uFlags, dwBytes);
}

HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    return global_heap().realloc(hMem, dwBytes, uFlags);
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
    return global_heap().lock(hMem);
}

BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
    return global_heap().unlock(hMem, TRUE);
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    return global_heap().free(hMem);
}

SIZE_T WINAPI GlobalSize(HGLOBAL hMem) {
    return global_heap().size(hMem);
}

UINT WINAPI GlobalFlags(HGLOBAL hMem) {
    return global_heap().flags(hMem);
}

HGLOBAL WINAPI GlobalHandle(LPCVOID pMem) {
    return global_heap().handle_of(pMem);
}

size_t ZelPlat_LiveGlobalBlocks(void) {
    return global_heap().live();
}

void ZelPlat_FailGlobalAllocAfter(int n) {
    allocations_left().store(n < 0 ? -1 : n);
}
