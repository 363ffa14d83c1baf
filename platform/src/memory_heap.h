// The movable-memory heaps behind GlobalAlloc and LocalAlloc.
//
// A block lives in a HandleTable, so a null, freed or made-up handle is
// refused before anything is read through it.  Freeing, locking, unlocking
// or resizing a handle that is no block (null aside) is a misuse that
// Windows may not survive, so each is counted and traced
// (ZelPlat_BadMemoryHandleUses); GlobalSize and GlobalFlags are how a
// program probes a value it was handed, and refuse it without counting.
//
// Both heaps share the Win32 rules: moveable blocks count locks (saturating at 255), fixed blocks
// never do, a moveable block of 0 bytes is "discarded" (it has a handle but
// no memory), and a block whose data may be referenced by a lock is only
// resized in place.
#pragma once

#include "handles.h"

#include <cstddef>
#include <mutex>

namespace zelplat {

struct MemoryBlock {
    unsigned char *data = nullptr; // null when discarded
    size_t size = 0;               // as requested
    size_t capacity = 0;           // as allocated
    bool moveable = false;
    unsigned locks = 0;
    ~MemoryBlock();
};

class MemoryHeap {
  public:
    // prefix: "Global" or "Local", for the traces of misuse.
    MemoryHeap(HandleKind kind, const char *prefix) : prefix_(prefix), table_(kind) {}

    uint32_t alloc(UINT flags, size_t bytes);
    uint32_t realloc(uint32_t handle, size_t bytes, UINT flags);
    void *lock(uint32_t handle);
    // fixedResult: what unlocking a fixed block returns (GlobalUnlock says
    // TRUE, LocalUnlock says FALSE with ERROR_NOT_LOCKED).
    BOOL unlock(uint32_t handle, BOOL fixedResult);
    uint32_t free(uint32_t handle);
    size_t size(uint32_t handle);
    UINT flags(uint32_t handle);
    uint32_t handle_of(const void *pointer);
    size_t live() { return table_.size(); }

  private:
    // Refuses a handle that is no block given to prefix_ + call, and counts
    // the misuse unless the handle is null.  Called without the mutex held,
    // since a debug output handler may allocate.
    void refuse(const char *call, uint32_t handle);

    const char *prefix_;
    std::mutex mutex_; // one block operation at a time
    HandleTable<MemoryBlock> table_;
};

// Blocks larger than a 32-bit process could hold are refused.
constexpr size_t kMaxBlockBytes = 0x7FFFFFFF;

} // namespace zelplat
