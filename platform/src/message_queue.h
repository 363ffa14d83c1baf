// Per-thread message queues: posted messages in order, the quit flag and
// the thread's timers.  A queue belongs to one thread; other threads (and
// the desktop listener) only post into it.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace zelplat {

using Clock = std::chrono::steady_clock;

// The kernel's thread id (what GetWindowThreadProcessId reports).
DWORD current_thread_id();
// Milliseconds of a monotonic clock, the time stamp of a message.
DWORD message_clock();

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT interval_ms;
    TIMERPROC proc;
    Clock::time_point due;
};

// hwnd 0: every message of the thread; INVALID_HANDLE_VALUE: only messages
// posted with hwnd 0; a window: that window and its children.  A zero range
// (or min > max) lets every message number through.
struct MessageFilter {
    HWND hwnd;
    UINT min;
    UINT max;
};

class ThreadQueue {
  public:
    explicit ThreadQueue(DWORD thread_id) : thread_id_(thread_id) {}

    DWORD thread_id() const { return thread_id_; }

    void post(const MSG &msg, bool from_other_thread);
    void post_quit(int exit_code);
    // The next message that the filter lets through, as Win32 orders them:
    // posted messages, then the quit message, then due timers.
    bool take(MSG &out, const MessageFilter &filter, bool remove);
    // Blocks like GetMessageA; false when the wait was given up (nothing
    // can ever arrive, or the configured bound passed) or the filter
    // window died, with *filter_died telling which.
    bool wait_for(MSG &out, const MessageFilter &filter, bool *filter_died);
    void drop_window(HWND hwnd);

    UINT_PTR set_timer(HWND hwnd, UINT_PTR id, UINT interval_ms, TIMERPROC proc);
    bool kill_timer(HWND hwnd, UINT_PTR id);
    bool timer_has_proc(HWND hwnd, UINT_PTR id, TIMERPROC proc);

  private:
    bool take_locked(MSG &out, const MessageFilter &filter, bool remove);
    bool nothing_can_arrive() const;
    Clock::time_point next_timer_due() const;

    const DWORD thread_id_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<MSG> posted_;
    bool quit_pending_ = false;
    int quit_code_ = 0;
    bool posted_by_other_thread_ = false;
    uint64_t generation_ = 0; // bumped by every change a waiting thread must see
    std::vector<Timer> timers_;
    UINT_PTR next_thread_timer_id_ = 1;
};

// The calling thread's queue, created on first use and dropped when the
// thread ends.
ThreadQueue &current_queue();
// The queue of a live thread of this process, or null.
std::shared_ptr<ThreadQueue> queue_of_thread(DWORD thread_id);

// Puts a message into the queue of the thread that owns a local window;
// false when the window or its thread is gone.
bool post_to_window(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace zelplat
