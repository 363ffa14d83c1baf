#include "progress.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>

namespace zelscan {

namespace {

bool StartsWith(const std::string &line, const char *prefix) {
    return line.compare(0, std::strlen(prefix), prefix) == 0;
}

} // namespace

bool PageCounter::Feed(const std::string &line) {
    static const char kState[] = "ZELW:State ";
    if (StartsWith(line, "ZELTW: blank page discarded.")) {
        ++discarded_;
        return true;
    }
    if (StartsWith(line, "ZELTW: page written.")) {
        ++written_;
        return true;
    }
    if (StartsWith(line, "ZELTW: page not written: ")) {
        ++lost_;
        return true;
    }
    if (StartsWith(line, "ZELTW: transfer cancelled: no page.")) {
        cancelled_ = true; // the state 7 that follows brings no page
        return false;
    }
    if (StartsWith(line, "ZELTW: manual duplex: second pass")) {
        pass_open_ = false; // the source's interface may stay open between the passes
        return false;
    }
    if (!StartsWith(line, kState))
        return false;
    int next = std::atoi(line.c_str() + sizeof kState - 1);
    if (next == 7 && state_ == 6 && !cancelled_) {
        ++transferred_;
        if (!pass_open_) {
            pass_open_ = true;
            ++passes_;
        }
    }
    if (next <= 4)
        pass_open_ = false;
    cancelled_ = false;
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
                       std::to_string(counter_.transferred()) + ", discarded " +
                       std::to_string(counter_.discarded()) + ", written " +
                       std::to_string(std::max(counter_.written(), written_()));
    if (counter_.lost() > 0)
        text += ", not written " + std::to_string(counter_.lost());
    if (counter_.passes() > 0)
        Show(text, false);
}

void ProgressDisplay::Finish(int written) {
    if (style_ == ProgressStyle::None)
        return;
    Show("pages transferred " + std::to_string(counter_.transferred()) + ", written " +
             std::to_string(written) + ", discarded " + std::to_string(counter_.discarded()),
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
