// OutputDebugStringA: the debugger's output stream.  Every string is kept in
// order for tests, echoed to stderr when ZELPLAT_DEBUG_ECHO is set, and
// handed to the host's handler when one is installed.
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
    ZelPlat_DebugOutputHandler handler = nullptr;
    void *ctx = nullptr;
};

// Set while this thread runs the handler, so that the handler's own debug
// output is not handed back to it.
thread_local bool in_handler = false;

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
    ZelPlat_DebugOutputHandler handler;
    void *ctx;
    {
        std::lock_guard lock(out.mutex);
        out.entries.push_back(text);
        handler = out.handler;
        ctx = out.ctx;
    }
    if (handler && !in_handler) {
        in_handler = true;
        handler(ctx, text.c_str());
        in_handler = false;
    }
}

void ZelPlat_SetDebugOutputHandler(ZelPlat_DebugOutputHandler handler, void *ctx) {
    auto &out = debug_output();
    std::lock_guard lock(out.mutex);
    out.handler = handler;
    out.ctx = handler ? ctx : nullptr;
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
