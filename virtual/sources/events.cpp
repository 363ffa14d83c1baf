// How an enabled source talks to the application: it posts a message of its
// own to the parent window and claims it in MSG_PROCESSEVENT (a TWAIN 2
// source given the manager's entry point signals through the manager
// instead), and the person at the device acts through a timer of the
// source's hidden window, so that the application's message loop drives
// everything.
#include "source.h"

#include <map>

namespace zelvirt {
namespace {

constexpr UINT_PTR kOperatorTimer = 1;
constexpr const char *kWindowClass = "ZelVirtualSourceWindow";

// The hidden windows of open sources, for their window procedure.
std::map<HWND, Source *> &windows() {
    static auto *table = new std::map<HWND, Source *>; // never destroyed, as the sessions
    return *table;
}

LRESULT CALLBACK source_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && wparam == kOperatorTimer) {
        auto it = windows().find(hwnd);
        if (it != windows().end())
            it->second->on_timer();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

bool register_window_class() {
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = source_window_proc;
    wc.lpszClassName = kWindowClass;
    registered = RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

UINT source_event_message() {
    static UINT message = [] {
        UINT registered = RegisterWindowMessageA("ZelVirtualSource.Event");
        // Without a registered message, a private one of the application range.
        return registered ? registered : UINT(WM_APP + 0x3A5);
    }();
    return message;
}

Outcome failure(uint16_t cc) {
    return {TWRC_FAILURE, cc};
}

} // namespace

bool Source::ensure_window() {
    event_message_ = source_event_message();
    if (window_ && IsWindow(window_))
        return true;
    if (!register_window_class())
        return false;
    window_ = CreateWindowExA(0, kWindowClass, spec_.name.c_str(), WS_POPUP, 0, 0, 0, 0, 0, 0, 0,
                              nullptr);
    if (!window_)
        return false;
    windows()[window_] = this;
    return true;
}

void Source::stop_events() {
    if (window_)
        KillTimer(window_, kOperatorTimer);
    pending_press_ = Press::None;
    ++generation_; // messages already posted become stale
}

Source::~Source() {
    stop_events();
    if (window_) {
        windows().erase(window_);
        DestroyWindow(window_);
    }
}

void Source::schedule(Press press, int delay_ms) {
    pending_press_ = press;
    if (!SetTimer(window_, kOperatorTimer, UINT(delay_ms), nullptr))
        on_timer(); // no timer: the person acts at once
}

void Source::connect_manager(const TW_ENTRYPOINT &manager, const TW_IDENTITY &application) {
    manager_ = manager;
    application_ = application;
}

// DAT_NULL to the manager, which hands the message to the application; the
// transfer is ready from the signal on.  False when the manager refuses it.
bool Source::signal_manager(uint16_t twain_message) {
    TW_IDENTITY origin = identity_, application = application_;
    TW_UINT16 rc =
        manager_->DSM_Entry(&origin, &application, DG_CONTROL, DAT_NULL, twain_message, nullptr);
    if (rc != TWRC_SUCCESS) {
        OutputDebugStringA("zelvirtual: the manager refused DAT_NULL; the source posts instead\n");
        return false;
    }
    if (twain_message == MSG_XFERREADY && state_ == 5)
        state_ = 6;
    return true;
}

void Source::post(uint16_t twain_message) {
    if (manager_ && signal_manager(twain_message))
        return;
    LPARAM lparam = LPARAM(((generation_ & 0xFFFF) << 16) | twain_message);
    PostMessageA(parent_, event_message_, WPARAM(cookie_), lparam);
}

void Source::on_timer() {
    KillTimer(window_, kOperatorTimer);
    Press press = pending_press_;
    pending_press_ = Press::None;
    if (state_ != 5)
        return;
    switch (press) {
    case Press::Scan:
        scan_pressed();
        break;
    case Press::Cancel:
    case Press::Close:
    case Press::UiCancel:
        post(MSG_CLOSEDSREQ);
        break;
    case Press::UiOk:
        post(MSG_CLOSEDSOK);
        break;
    case Press::None:
        break;
    }
}

// Scan: the batch is announced, or, with no paper to scan, the person gives
// up and closes the source's window.  A device that never starts announces
// nothing; the person may give up waiting for it.
void Source::scan_pressed() {
    ++scan_presses_;
    if (!spec_.never_ready)
        post(start_batch() ? MSG_XFERREADY : MSG_CLOSEDSREQ);
    else if (spec_.op.give_up_ms)
        schedule(Press::Cancel, *spec_.op.give_up_ms);
}

// After a batch the interface stays open: the person scans again or closes.
void Source::batch_ended() {
    if (spec_.op.reload_turned && !device_.feeder_loaded())
        device_.reload_turned_stack();
    if (show_ui_ && !ui_only_ && !close_requested_)
        schedule(scan_presses_ < spec_.op.scan_presses ? Press::Scan : Press::Close,
                 spec_.op.delay_ms);
}

Outcome Source::process_event(void *data, std::optional<uint16_t> *event) {
    if (state_ < 5)
        return failure(TWCC_SEQERROR);
    auto *record = static_cast<TW_EVENT *>(data);
    if (!record || !record->pEvent)
        return failure(TWCC_BADVALUE);
    const MSG &msg = *static_cast<const MSG *>(record->pEvent);
    record->TWMessage = MSG_NULL;
    *event = MSG_NULL;
    if (msg.message == event_message_ && msg.wParam == WPARAM(cookie_)) {
        uint16_t code = uint16_t(msg.lParam & 0xFFFF);
        bool current = uint32_t((msg.lParam >> 16) & 0xFFFF) == (generation_ & 0xFFFF);
        if (current && code == MSG_XFERREADY && state_ == 5) {
            state_ = 6;
            record->TWMessage = MSG_XFERREADY;
        } else if (current && (code == MSG_CLOSEDSREQ || code == MSG_CLOSEDSOK)) {
            record->TWMessage = code;
        }
        *event = record->TWMessage;
        return {TWRC_DSEVENT, TWCC_SUCCESS};
    }
    if (window_ && msg.hwnd == window_) {
        if (msg.message == WM_TIMER && msg.wParam == kOperatorTimer)
            on_timer();
        return {TWRC_DSEVENT, TWCC_SUCCESS};
    }
    return {TWRC_NOTDSEVENT, TWCC_SUCCESS};
}

} // namespace zelvirt
