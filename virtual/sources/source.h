// One open session of a virtual source: the states 4 to 7 of the protocol,
// the capabilities, the events posted to the application's window, the
// operator at the device and the transfers.
#pragma once

#include "capabilities.h"
#include "device.h"
#include "shared/scenario.h"

#include <twain.h>
#include <zelvirt/paper.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace zelvirt {

class Source {
  public:
    Source(const SourceSpec &spec, Device &device, const TW_IDENTITY &identity);
    ~Source();
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;

    // A triplet of the open session (not DAT_IDENTITY, not DAT_STATUS).
    // *event receives the TWMessage of a MSG_PROCESSEVENT.
    Outcome handle(uint32_t dg, uint16_t dat, uint16_t msg, void *data,
                   std::optional<uint16_t> *event);

    // A triplet fault of the scenario matching this triplet, counted.
    std::optional<Outcome> take_fault(uint32_t dg, uint16_t dat, uint16_t msg,
                                      std::optional<uint16_t> cap);

    int state() const { return state_; }
    const std::string &name() const { return spec_.name; }
    const TW_IDENTITY &identity() const { return identity_; }
    HWND window() const { return window_; }

    // The operator's timer fired (dispatched or handed over by the
    // application in MSG_PROCESSEVENT).
    void on_timer();

    // A TWAIN 2 manager's entry point: the source then signals the
    // application through it (DAT_NULL) instead of posting its own message.
    void connect_manager(const TW_ENTRYPOINT &manager, const TW_IDENTITY &application);

  private:
    enum class Press { None, Scan, Cancel, Close, UiOk, UiCancel };

    struct Batch {
        int remaining = 0;    // pages not yet ended, the current one included
        int phantoms = 0;     // of them, the last ones, counted with no sheet behind
        bool stopped = false; // the person stopped the device: nothing more is fed
        bool feeder = false, duplex = false;
        std::optional<SideSpec> pending_back;
    };

    struct Page {
        enum class Feed { Sheet, Phantom, Stopped };
        bool begun = false;
        Feed feed = Feed::Sheet;
        int number = 0; // pages since the session opened, 1-based; 0 without a sheet
        SideSpec side;
        std::optional<ScannedImage> image;
        bool memory_started = false;
        int rows_sent = 0;
    };

    // Control triplets
    Outcome capability(uint16_t msg, void *data);
    Outcome user_interface(uint16_t msg, void *data);
    Outcome process_event(void *data, std::optional<uint16_t> *event);
    Outcome pending_transfers(uint16_t msg, void *data);
    Outcome setup_memory(uint16_t msg, void *data);
    Outcome setup_file(uint16_t msg, void *data);

    // Image triplets
    Outcome image_info(uint16_t msg, void *data);
    Outcome image_layout(uint16_t msg, void *data);
    Outcome native_transfer(uint16_t msg, void *data);
    Outcome file_transfer(uint16_t msg, void *data);
    Outcome memory_transfer(uint16_t msg, void *data);

    // Events and the operator
    bool ensure_window();
    void schedule(Press press, int delay_ms);
    void post(uint16_t twain_message);
    bool signal_manager(uint16_t twain_message);
    void scan_pressed();
    void batch_ended();
    void stop_events();

    // Pages
    bool start_batch();
    SideSpec next_side();
    void begin_page();
    const ScannedImage &image();
    ScanSettings settings() const;
    const PageFault *page_fault(int number, std::initializer_list<PageFaultKind> kinds) const;
    Outcome check_transfer_start(uint16_t mechanism, void *data);
    uint16_t count_for_application() const;
    void end_page();

    SourceSpec spec_;
    Device &device_;
    TW_IDENTITY identity_;
    CapabilityStore caps_;
    int state_ = 4;
    std::vector<int> fault_counts_;

    std::optional<TW_ENTRYPOINT> manager_; // a TWAIN 2 source's way to the application
    TW_IDENTITY application_{};
    HWND parent_ = 0;
    HWND window_ = 0;
    UINT event_message_ = 0;
    uint32_t cookie_ = 0;
    uint32_t generation_ = 0;
    bool show_ui_ = false;
    bool ui_only_ = false;
    int scan_presses_ = 0;
    Press pending_press_ = Press::None;
    bool close_requested_ = false; // the person asked to close: no more presses

    Batch batch_;
    Page page_;
    int pages_since_open_ = 0;
    TW_UINTPTR last_handle_ = 0; // the block of the last native page
    std::string file_name_ = "C:\\TWAIN.TMP";
};

} // namespace zelvirt
