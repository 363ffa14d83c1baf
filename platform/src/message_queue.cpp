// Per-thread message queues and the wait of GetMessageA.
#include "message_queue.h"

#include "window_table.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unordered_map>

namespace zelplat {

namespace {

// Win32 keeps timer intervals within these bounds.
constexpr UINT kTimerMinimumMs = 10;
constexpr UINT kTimerMaximumMs = 0x7FFFFFFF;

bool range_matches(UINT msg, const MessageFilter &filter) {
    if ((filter.min == 0 && filter.max == 0) || filter.min > filter.max)
        return true;
    return msg >= filter.min && msg <= filter.max;
}

bool window_matches(HWND hwnd, const MessageFilter &filter) {
    if (filter.hwnd == 0)
        return true;
    if (filter.hwnd == INVALID_HANDLE_VALUE)
        return hwnd == 0;
    return hwnd != 0 && windows().is_within(hwnd, filter.hwnd);
}

// The bound that ZELPLAT_GETMESSAGE_TIMEOUT puts on one wait, in seconds;
// 0 when unset or unreadable.
double wait_bound_seconds() {
    const char *text = std::getenv("ZELPLAT_GETMESSAGE_TIMEOUT");
    if (!text || !*text)
        return 0;
    char *end = nullptr;
    double seconds = std::strtod(text, &end);
    return (end && *end == '\0' && seconds > 0) ? seconds : 0;
}

MSG quit_message(int exit_code) {
    MSG msg{};
    msg.message = WM_QUIT;
    msg.wParam = static_cast<WPARAM>(exit_code);
    msg.time = message_clock();
    return msg;
}

struct QueueRegistry {
    std::mutex mutex;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
};

QueueRegistry &registry() {
    static auto *instance = new QueueRegistry;
    return *instance;
}

// Registers the calling thread's queue; the registry keeps it alive.
ThreadQueue *register_current_thread() {
    auto queue = std::make_shared<ThreadQueue>(current_thread_id());
    auto &reg = registry();
    std::lock_guard lock(reg.mutex);
    reg.queues[queue->thread_id()] = queue;
    return queue.get();
}

// At the end of a secondary thread, drops its windows and unregisters its
// queue, since Linux reuses thread ids.  The main thread's queue is never
// released: library destructors that run at process exit still post and
// destroy windows through it.
struct QueueReleaser {
    DWORD thread_id;
    ~QueueReleaser() {
        if (thread_id == static_cast<DWORD>(getpid()))
            return;
        forget_thread_windows(thread_id);
        auto &reg = registry();
        std::lock_guard lock(reg.mutex);
        reg.queues.erase(thread_id);
    }
};

} // namespace

DWORD current_thread_id() {
    static thread_local const DWORD id = static_cast<DWORD>(gettid());
    return id;
}

DWORD message_clock() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

ThreadQueue &current_queue() {
    static thread_local ThreadQueue *queue = register_current_thread();
    static thread_local QueueReleaser releaser{queue->thread_id()};
    (void)releaser;
    return *queue;
}

std::shared_ptr<ThreadQueue> queue_of_thread(DWORD thread_id) {
    auto &reg = registry();
    std::lock_guard lock(reg.mutex);
    auto it = reg.queues.find(thread_id);
    return it == reg.queues.end() ? nullptr : it->second;
}

bool post_to_window(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD owner = windows().with(hwnd, [](Window *w) { return w ? w->thread_id : DWORD(0); });
    if (owner == 0)
        return false;
    auto queue = queue_of_thread(owner);
    if (!queue)
        return false;
    MSG m{hwnd, msg, wParam, lParam, message_clock(), {0, 0}};
    queue->post(m, owner != current_thread_id());
    return true;
}

void ThreadQueue::post(const MSG &msg, bool from_other_thread) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(msg);
        ++generation_;
        if (from_other_thread)
            posted_by_other_thread_ = true;
    }
    wake_.notify_all();
}

void ThreadQueue::post_quit(int exit_code) {
    {
        std::lock_guard lock(mutex_);
        quit_pending_ = true;
        quit_code_ = exit_code;
        ++generation_;
    }
    wake_.notify_all();
}

bool ThreadQueue::take(MSG &out, const MessageFilter &filter, bool remove) {
    std::lock_guard lock(mutex_);
    return take_locked(out, filter, remove);
}

bool ThreadQueue::take_locked(MSG &out, const MessageFilter &filter, bool remove) {
    for (auto it = posted_.begin(); it != posted_.end(); ++it) {
        if (range_matches(it->message, filter) && window_matches(it->hwnd, filter)) {
            out = *it;
            if (remove)
                posted_.erase(it);
            return true;
        }
    }
    // The quit message ignores the range but, having no window, not the
    // window filter.
    if (quit_pending_ && window_matches(0, filter)) {
        out = quit_message(quit_code_);
        if (remove)
            quit_pending_ = false;
        return true;
    }
    if (!range_matches(WM_TIMER, filter))
        return false;
    auto now = Clock::now();
    Timer *due = nullptr;
    for (auto &timer : timers_)
        if (timer.due <= now && window_matches(timer.hwnd, filter) &&
            (!due || timer.due < due->due))
            due = &timer;
    if (!due)
        return false;
    out = MSG{due->hwnd,       WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc),
              message_clock(), {0, 0}};
    if (remove)
        due->due = now + std::chrono::milliseconds(due->interval_ms);
    return true;
}

// Nothing can ever arrive when no timer runs, no top-level window of the
// process can be reached through the desktop, and no other thread has ever
// posted here.  Called with the lock held.
bool ThreadQueue::nothing_can_arrive() const {
    return timers_.empty() && !posted_by_other_thread_ && windows().top_level_count() == 0;
}

Clock::time_point ThreadQueue::next_timer_due() const {
    auto next = Clock::time_point::max();
    for (auto &timer : timers_)
        next = std::min(next, timer.due);
    return next;
}

bool ThreadQueue::wait_for(MSG &out, const MessageFilter &filter, bool *filter_died) {
    *filter_died = false;
    double bound = wait_bound_seconds();
    auto give_up_at = bound > 0 ? Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(bound))
                                : Clock::time_point::max();
    bool is_window_filter = filter.hwnd != 0 && filter.hwnd != INVALID_HANDLE_VALUE;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (take_locked(out, filter, true))
            return true;
        if (is_window_filter && !windows().contains(filter.hwnd)) {
            *filter_died = true;
            return false;
        }
        if (nothing_can_arrive()) {
            std::fprintf(stderr,
                         "zelplat: GetMessageA on thread %u: the queue is empty and no timer, "
                         "window or thread can post to it; returning 0 as for WM_QUIT\n",
                         unsigned(thread_id_));
            out = quit_message(0);
            return false;
        }
        if (Clock::now() >= give_up_at) {
            std::fprintf(stderr,
                         "zelplat: GetMessageA on thread %u: nothing arrived within "
                         "ZELPLAT_GETMESSAGE_TIMEOUT=%g s; returning 0 as for WM_QUIT\n",
                         unsigned(thread_id_), bound);
            out = quit_message(0);
            return false;
        }
        uint64_t seen = generation_;
        // Waking once a day keeps the deadline arithmetic clear of overflow.
        auto until =
            std::min({give_up_at, next_timer_due(), Clock::now() + std::chrono::hours(24)});
        wake_.wait_until(lock, until, [&] { return generation_ != seen; });
    }
}

void ThreadQueue::drop_window(HWND hwnd) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(posted_, [hwnd](const MSG &m) { return m.hwnd == hwnd; });
        std::erase_if(timers_, [hwnd](const Timer &t) { return t.hwnd == hwnd; });
        ++generation_;
    }
    wake_.notify_all();
}

UINT_PTR ThreadQueue::set_timer(HWND hwnd, UINT_PTR id, UINT interval_ms, TIMERPROC proc) {
    interval_ms = std::clamp(interval_ms, kTimerMinimumMs, kTimerMaximumMs);
    auto due = Clock::now() + std::chrono::milliseconds(interval_ms);
    std::lock_guard lock(mutex_);
    auto same = [&](const Timer &t) { return t.hwnd == hwnd && t.id == id; };
    auto it = std::find_if(timers_.begin(), timers_.end(), same);
    if (it == timers_.end() && hwnd == 0) {
        // A thread timer whose id is not in use gets a fresh id.
        do
            id = next_thread_timer_id_++;
        while (id == 0 || std::any_of(timers_.begin(), timers_.end(), same));
    }
    if (it != timers_.end())
        *it = Timer{hwnd, id, interval_ms, proc, due};
    else
        timers_.push_back(Timer{hwnd, id, interval_ms, proc, due});
    ++generation_;
    return id;
}

bool ThreadQueue::kill_timer(HWND hwnd, UINT_PTR id) {
    std::lock_guard lock(mutex_);
    return std::erase_if(timers_, [&](const Timer &t) { return t.hwnd == hwnd && t.id == id; }) > 0;
}

bool ThreadQueue::timer_has_proc(HWND hwnd, UINT_PTR id, TIMERPROC proc) {
    std::lock_guard lock(mutex_);
    return std::any_of(timers_.begin(), timers_.end(), [&](const Timer &t) {
        return t.hwnd == hwnd && t.id == id && t.proc == proc;
    });
}

} // namespace zelplat
