#include "progress.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zelscan {

bool PageCounter::Feed(const std::string &line) {
    static const char kPrefix[] = "ZELW:State ";
    if (line.compare(0, sizeof kPrefix - 1, kPrefix) != 0)
        return false;
    int next = std::atoi(line.c_str() + sizeof kPrefix - 1);
    if (next == 7 && state_ == 6) {
        ++transferred_;
        if (!pass_open_) {
            pass_open_ = true;
            ++passes_;
        }
    }
    if (next <= 4)
        pass_open_ = false;
    bool changed = next != state_;
    state_ = next;
    return changed;
}

ProgressDisplay::ProgressDisplay(ProgressStyle style, std::function<int()> written)
    : style_(style), written_(std::move(written)) {}

void ProgressDisplay::Feed(const std::string &line) {
    if (!counter_.Feed(line) || style_ == ProgressStyle::None)
        return;
    std::string text = "pass " + std::to_string(counter_.passes()) + ": pages transferred " +
                       std::to_string(counter_.transferred()) + ", files written " +
                       std::to_string(written_());
    if (counter_.passes() > 0)
        Show(text, false);
}

void ProgressDisplay::Finish(int written, int discarded) {
    if (style_ == ProgressStyle::None)
        return;
    Show("pages transferred " + std::to_string(counter_.transferred()) + ", written " +
             std::to_string(written) + ", discarded " + std::to_string(discarded),
         true);
}

void ProgressDisplay::Show(const std::string &text, bool final) {
    if (text == last_ && !final)
        return;
    last_ = text;
    if (style_ == ProgressStyle::Line)
        std::fprintf(stderr, "\r\033[K%s%s", text.c_str(), final ? "\n" : "");
    else
        std::fprintf(stderr, "progress: %s\n", text.c_str());
    std::fflush(stderr);
}

} // namespace zelscan
