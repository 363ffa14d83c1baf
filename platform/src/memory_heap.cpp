// The heap shared by the global and local memory calls (see memory_heap.h).
#include "memory_heap.h"
#include "win_errors.h"

#include <zelplat/zelplat_test.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Present when a sanitizer runtime is linked in.
extern "C" void __sanitizer_print_stack_trace(void) __attribute__((weak));

namespace zelplat {

namespace {

std::atomic<size_t> bad_uses{0};

// ZELPLAT_CHECK_MEMORY_HANDLES (set for the sanitizer build's tests): each
// misuse is told on stderr at once, with its stack when a sanitizer can
// print one, and the process fails at exit while misuses remain counted.
bool checking() {
    static const bool on = [] {
        const char *value = std::getenv("ZELPLAT_CHECK_MEMORY_HANDLES");
        return value && *value;
    }();
    return on;
}

// A library destructor, so that it runs after those of the modules that
// use this layer (the scanning library unloads the manager in one).
__attribute__((destructor)) void fail_on_misuse_at_exit() {
    size_t uses = bad_uses.load();
    if (!checking() || uses == 0)
        return;
    std::fprintf(stderr, "zelplat: %zu uses of a memory handle that is no block\n", uses);
    std::fflush(nullptr);
    std::_Exit(1);
}

void count_misuse(const char *prefix, const char *call, uint32_t handle) {
    ++bad_uses;
    char line[128];
    std::snprintf(line, sizeof line, "zelplat: %s%s of a handle that is no block (0x%08X).\n",
                  prefix, call, unsigned(handle));
    OutputDebugStringA(line);
    if (!checking())
        return;
    std::fputs(line, stderr);
    if (__sanitizer_print_stack_trace)
        __sanitizer_print_stack_trace();
}

// Storage for `bytes` requested bytes; never a null pointer for 0 bytes,
// so that a fixed block of 0 bytes still has an address of its own.
unsigned char *allocate(size_t bytes, bool zero) {
    size_t capacity = bytes ? bytes : 1;
    void *p = zero ? std::calloc(1, capacity) : std::malloc(capacity);
    return static_cast<unsigned char *>(p);
}

// Grows or shrinks the block's storage, moving it only when `mayMove`.
bool resize(MemoryBlock &block, size_t bytes, bool zero, bool mayMove) {
    if (block.data && bytes <= block.capacity) {
        if (zero && bytes > block.size)
            std::memset(block.data + block.size, 0, bytes - block.size);
        block.size = bytes;
        return true;
    }
    if (!mayMove)
        return false;
    size_t capacity = bytes ? bytes : 1;
    unsigned char *data = block.data
                              ? static_cast<unsigned char *>(std::realloc(block.data, capacity))
                              : allocate(bytes, zero);
    if (!data)
        return false;
    size_t kept = block.data ? block.size : 0;
    if (zero && bytes > kept)
        std::memset(data + kept, 0, bytes - kept);
    block.data = data;
    block.size = bytes;
    block.capacity = capacity;
    return true;
}

uint32_t realloc_block(MemoryBlock &block, uint32_t handle, size_t bytes, UINT flags) {
    if (flags & GMEM_MODIFY) {
        if (flags & GMEM_MOVEABLE)
            block.moveable = true;
        return handle;
    }
    if (bytes > kMaxBlockBytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (block.moveable && bytes == 0 && block.locks == 0) {
        std::free(block.data);
        block.data = nullptr;
        block.size = block.capacity = 0;
        return handle;
    }
    // A pointer handed out by a lock (or, for a fixed block, by any lock)
    // must stay valid, so such blocks are only resized in place.
    bool mayMove = block.moveable ? block.locks == 0 : (flags & GMEM_MOVEABLE) != 0;
    if (!resize(block, bytes, (flags & GMEM_ZEROINIT) != 0, mayMove)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return handle;
}

BOOL unlock_block(MemoryBlock &block, BOOL fixedResult) {
    if (!block.moveable) {
        if (!fixedResult)
            SetLastError(ERROR_NOT_LOCKED);
        return fixedResult;
    }
    if (block.locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block.locks != 0)
        return TRUE;
    SetLastError(NO_ERROR);
    return FALSE;
}

} // namespace

MemoryBlock::~MemoryBlock() {
    std::free(data);
}

uint32_t MemoryHeap::alloc(UINT flags, size_t bytes) {
    if (bytes > kMaxBlockBytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto block = std::make_unique<MemoryBlock>();
    block->moveable = (flags & GMEM_MOVEABLE) != 0;
    // A moveable block of 0 bytes starts discarded, as on Windows.
    if (!(block->moveable && bytes == 0)) {
        block->data = allocate(bytes, (flags & GMEM_ZEROINIT) != 0);
        if (!block->data) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        block->size = bytes;
        block->capacity = bytes ? bytes : 1;
    }
    std::lock_guard guard(mutex_);
    return table_.insert(std::move(block));
}

uint32_t MemoryHeap::realloc(uint32_t handle, size_t bytes, UINT flags) {
    {
        std::lock_guard guard(mutex_);
        if (MemoryBlock *block = table_.find(handle))
            return realloc_block(*block, handle, bytes, flags);
    }
    refuse("ReAlloc", handle);
    return 0;
}

void *MemoryHeap::lock(uint32_t handle) {
    {
        std::lock_guard guard(mutex_);
        if (MemoryBlock *block = table_.find(handle)) {
            if (!block->data) {
                SetLastError(kErrorDiscarded);
                return nullptr;
            }
            if (block->moveable && block->locks < GMEM_LOCKCOUNT)
                ++block->locks;
            return block->data;
        }
    }
    refuse("Lock", handle);
    return nullptr;
}

BOOL MemoryHeap::unlock(uint32_t handle, BOOL fixedResult) {
    {
        std::lock_guard guard(mutex_);
        if (MemoryBlock *block = table_.find(handle))
            return unlock_block(*block, fixedResult);
    }
    refuse("Unlock", handle);
    return FALSE;
}

uint32_t MemoryHeap::free(uint32_t handle) {
    if (handle == 0)
        return 0;
    std::unique_ptr<MemoryBlock> block;
    {
        std::lock_guard guard(mutex_);
        if (table_.find(handle))
            block = table_.remove(handle);
    }
    if (!block) {
        refuse("Free", handle);
        return handle;
    }
    return 0;
}

void MemoryHeap::refuse(const char *call, uint32_t handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    if (handle != 0)
        count_misuse(prefix_, call, handle);
}

size_t MemoryHeap::size(uint32_t handle) {
    std::lock_guard guard(mutex_);
    MemoryBlock *block = table_.find(handle);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return block->data ? block->size : 0;
}

UINT MemoryHeap::flags(uint32_t handle) {
    std::lock_guard guard(mutex_);
    MemoryBlock *block = table_.find(handle);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return GMEM_INVALID_HANDLE;
    }
    if (!block->moveable)
        return 0;
    return block->locks | (block->data ? 0 : GMEM_DISCARDED);
}

uint32_t MemoryHeap::handle_of(const void *pointer) {
    std::lock_guard guard(mutex_);
    uint32_t found = 0;
    if (pointer)
        table_.for_each([&](uint32_t handle, MemoryBlock &block) {
            if (block.data == pointer)
                found = handle;
        });
    if (!found)
        SetLastError(ERROR_INVALID_HANDLE);
    return found;
}

} // namespace zelplat

size_t ZelPlat_BadMemoryHandleUses(void) {
    return zelplat::bad_uses.load();
}

void ZelPlat_ForgetBadMemoryHandleUses(void) {
    zelplat::bad_uses.store(0);
}
