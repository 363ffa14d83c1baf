// Handle tables of the platform layer.
//
// A handle is a 32-bit value: a kind tag in bits 28-30 and a serial number
// in bits 0-27.  Serial numbers are never reused within a process, so a
// freed handle stays invalid instead of silently naming a newer object, and
// a made-up number is refused because no table holds it.  Every value is
// positive as a signed 32-bit integer (HFILE is an int).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace zelplat {

enum class HandleKind : uint32_t {
    Global = 1,
    Local = 2,
    Window = 3,
    DeviceContext = 4,
    GdiObject = 5,
    Kernel = 6, // modules, DrawDib contexts, processes
    File = 7,
};

inline HandleKind kind_of(uint32_t handle) {
    return HandleKind((handle >> 28) & 0x7);
}

inline uint32_t make_handle(HandleKind kind, uint32_t serial) {
    return (uint32_t(kind) << 28) | (serial & 0x0FFFFFFFu);
}

// Serial numbers are counted per kind, not per table, so that tables
// sharing a kind (modules, processes and DrawDib contexts are all Kernel)
// never issue the same handle.
inline uint32_t next_serial(HandleKind kind) {
    static std::atomic<uint32_t> serials[8];
    return ++serials[uint32_t(kind) & 0x7];
}

// A table of objects of one kind, owned through unique_ptr so that
// addresses stay stable while the table grows.  Lookups of a handle of
// another kind, of 0, or of a number never issued return null.
template <typename T> class HandleTable {
  public:
    explicit HandleTable(HandleKind kind) : kind_(kind) {}

    uint32_t insert(std::unique_ptr<T> object) {
        std::lock_guard lock(mutex_);
        uint32_t handle = make_handle(kind_, next_serial(kind_));
        objects_.emplace(handle, std::move(object));
        return handle;
    }

    // Inserts under a handle chosen by the caller (window handles are
    // issued desktop-wide); false when the handle is taken or of another kind.
    bool insert_as(uint32_t handle, std::unique_ptr<T> object) {
        std::lock_guard lock(mutex_);
        if (kind_of(handle) != kind_ || objects_.count(handle))
            return false;
        objects_.emplace(handle, std::move(object));
        return true;
    }

    T *find(uint32_t handle) {
        std::lock_guard lock(mutex_);
        if (handle == 0 || kind_of(handle) != kind_)
            return nullptr;
        auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second.get();
    }

    std::unique_ptr<T> remove(uint32_t handle) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(handle);
        if (handle == 0 || it == objects_.end())
            return nullptr;
        auto object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

    size_t size() {
        std::lock_guard lock(mutex_);
        return objects_.size();
    }

    template <typename F> void for_each(F &&f) {
        std::lock_guard lock(mutex_);
        for (auto &[handle, object] : objects_)
            f(handle, *object);
    }

  private:
    HandleKind kind_;
    std::mutex mutex_;
    std::unordered_map<uint32_t, std::unique_ptr<T>> objects_;
};

} // namespace zelplat
