// OutputDebugStringA: the debugger's output stream.  Every string is kept in
// order for tests, and echoed to stderr when ZELPLAT_DEBUG_ECHO is set.
#include <zelplat/zelplat_test.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>

namespace {

struct DebugOutput {
    std::mutex mutex;
    std::deque<std::string> entries;
};

// Never destroyed: library destructors that run at process exit (the
// scanning library unloads the manager then) still write to it.
DebugOutput &debug_output() {
    static DebugOutput *output = new DebugOutput;
    return *output;
}

bool echo_enabled() {
    static const bool enabled = [] {
        const char *value = std::getenv("ZELPLAT_DEBUG_ECHO");
        return value && *value;
    }();
    return enabled;
}

} // namespace

void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
    std::string text = lpOutputString ? lpOutputString : "";
    if (echo_enabled())
        std::fputs(text.c_str(), stderr);
    auto &out = debug_output();
    std::lock_guard lock(out.mutex);
    out.entries.push_back(std::move(text));
}

size_t ZelPlat_DebugOutputCount(void) {
    auto &out = debug_output();
    std::lock_guard lock(out.mutex);
    return out.entries.size();
}

const char *ZelPlat_DebugOutputEntry(size_t i) {
    auto &out = debug_output();
    std::lock_guard lock(out.mutex);
    return i < out.entries.size() ? out.entries[i].c_str() : nullptr;
}

void ZelPlat_DebugOutputClear(void) {
    auto &out = debug_output();
    std::lock_guard lock(out.mutex);
    out.entries.clear();
}
