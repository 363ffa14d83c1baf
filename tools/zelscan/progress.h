// A running scan as a host sees it from outside: the library's debug output
// ("ZELW:State n" at every state change) and the files appearing on disk.
#pragma once

#include <functional>
#include <string>

namespace zelscan {

// Counts pages from the state changes (each 6 -> 7 is one page taken from
// the source, unless the library's line before it says the transfer was
// cancelled; a fall to 4 or below, or the library's line announcing the
// second pass of a manual duplex, ends a pass) and from the page writer's
// lines for pages written, blank pages dropped and pages not written.
class PageCounter {
  public:
    // True when the line changed a count or the state.
    bool Feed(const std::string &line);
    int state() const { return state_; }
    int transferred() const { return transferred_; }
    int passes() const { return passes_; }
    int discarded() const { return discarded_; }
    int lost() const { return lost_; }
    int written() const { return written_; }

  private:
    int state_ = 1;
    int transferred_ = 0;
    int passes_ = 0;
    int discarded_ = 0;
    int lost_ = 0;
    int written_ = 0;
    bool pass_open_ = false;
    bool cancelled_ = false;
};

enum class ProgressStyle { None, Line, Log };

// Shows the counts on stderr: one line rewritten in place (a terminal) or
// one line per change (a log).  `written` counts the output files so far,
// for outputs the page writer does not write (a device's own files).
class ProgressDisplay {
  public:
    ProgressDisplay(ProgressStyle style, std::function<int()> written);
    void Feed(const std::string &line);
    // Ends the line with the final counts (`written`: pages in the files).
    void Finish(int written);
    const PageCounter &counter() const { return counter_; }

  private:
    void Show(const std::string &text, bool final);
    ProgressStyle style_;
    std::function<int()> written_;
    PageCounter counter_;
    std::string last_;
};

} // namespace zelscan
