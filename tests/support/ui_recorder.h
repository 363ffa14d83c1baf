// Test support: records the message boxes and debug lines a test causes.
#pragma once

#include <zelplat/zelplat_test.h>

#include <string>
#include <vector>

namespace zeltest {

struct RecordedBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Installs itself as the message box handler for its lifetime and answers
// every box with `answer`.
class BoxRecorder {
  public:
    explicit BoxRecorder(int answer = IDOK) : answer_(answer) {
        ZelPlat_SetMessageBoxHandler(&BoxRecorder::Handle, this);
    }
    ~BoxRecorder() { ZelPlat_SetMessageBoxHandler(nullptr, nullptr); }
    BoxRecorder(const BoxRecorder &) = delete;
    BoxRecorder &operator=(const BoxRecorder &) = delete;

    const std::vector<RecordedBox> &boxes() const { return boxes_; }

  private:
    static int Handle(void *ctx, HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
        auto *self = static_cast<BoxRecorder *>(ctx);
        self->boxes_.push_back({owner, text ? text : "", caption ? caption : "", type});
        return self->answer_;
    }
    int answer_;
    std::vector<RecordedBox> boxes_;
};

// The debug output written since the last clear.
inline std::vector<std::string> DebugLines() {
    std::vector<std::string> lines;
    for (size_t i = 0; i < ZelPlat_DebugOutputCount(); ++i)
        lines.emplace_back(ZelPlat_DebugOutputEntry(i));
    return lines;
}

inline bool DebugContains(const std::string &needle) {
    for (const auto &line : DebugLines()) {
        if (line.find(needle) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace zeltest
