// Dispatch of the triplets of an open source, with the states in which the
// protocol allows each one; a triplet out of sequence is refused with
// TWCC_SEQERROR and changes nothing.
#include "source.h"

#include <cstring>

namespace zelvirt {
namespace {

Outcome failure(uint16_t cc) {
    return {TWRC_FAILURE, cc};
}

bool in_states(int state, int low, int high) {
    return state >= low && state <= high;
}

} // namespace

Source::Source(const SourceSpec &spec, Device &device, const TW_IDENTITY &identity)
    : spec_(spec), device_(device), identity_(identity), caps_(spec),
      fault_counts_(spec.triplet_faults.size(), 0) {
    static uint32_t sessions = 0;
    cookie_ = 0x5A000000u | (++sessions & 0xFFFFFF);
}

std::optional<Outcome> Source::take_fault(uint32_t dg, uint16_t dat, uint16_t msg,
                                          std::optional<uint16_t> cap) {
    for (size_t i = 0; i < spec_.triplet_faults.size(); ++i) {
        const TripletFault &fault = spec_.triplet_faults[i];
        if ((fault.dg && *fault.dg != dg) || (fault.dat && *fault.dat != dat) ||
            (fault.msg && *fault.msg != msg) || (fault.cap && fault.cap != cap))
            continue;
        ++fault_counts_[i];
        if (fault.fires_at(fault_counts_[i]))
            return Outcome{fault.rc, fault.cc};
    }
    return std::nullopt;
}

Outcome Source::handle(uint32_t dg, uint16_t dat, uint16_t msg, void *data,
                       std::optional<uint16_t> *event) {
    if (dg == DG_CONTROL) {
        switch (dat) {
        case DAT_CAPABILITY:
            return capability(msg, data);
        case DAT_EVENT:
            if (msg != MSG_PROCESSEVENT)
                break;
            return process_event(data, event);
        case DAT_USERINTERFACE:
            return user_interface(msg, data);
        case DAT_PENDINGXFERS:
            return pending_transfers(msg, data);
        case DAT_SETUPMEMXFER:
            return setup_memory(msg, data);
        case DAT_SETUPFILEXFER:
            return setup_file(msg, data);
        case DAT_XFERGROUP:
            if (msg != MSG_GET)
                break;
            if (!data)
                return failure(TWCC_BADVALUE);
            *static_cast<TW_UINT32 *>(data) = DG_IMAGE;
            return {};
        }
    } else if (dg == DG_IMAGE) {
        switch (dat) {
        case DAT_IMAGEINFO:
            return image_info(msg, data);
        case DAT_IMAGELAYOUT:
            return image_layout(msg, data);
        case DAT_IMAGENATIVEXFER:
            return native_transfer(msg, data);
        case DAT_IMAGEFILEXFER:
            return file_transfer(msg, data);
        case DAT_IMAGEMEMXFER:
            return memory_transfer(msg, data);
        }
    }
    return failure(TWCC_BADPROTOCOL);
}

Outcome Source::capability(uint16_t msg, void *data) {
    switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
    case MSG_QUERYSUPPORT:
        break;
    case MSG_SET:
    case MSG_RESET:
        // Values are negotiated before the source is enabled.
        if (state_ != 4)
            return failure(TWCC_SEQERROR);
        break;
    default:
        return failure(TWCC_BADPROTOCOL);
    }
    if (!data)
        return failure(TWCC_BADVALUE);
    caps_.set_feeder_loaded(device_.feeder_loaded());
    return caps_.handle(msg, *static_cast<TW_CAPABILITY *>(data));
}

Outcome Source::user_interface(uint16_t msg, void *data) {
    switch (msg) {
    case MSG_ENABLEDS:
    case MSG_ENABLEDSUIONLY: {
        if (state_ != 4)
            return failure(TWCC_SEQERROR);
        auto *ui = static_cast<TW_USERINTERFACE *>(data);
        if (!ui || !IsWindow(static_cast<HWND>(ui->hParent)))
            return failure(TWCC_BADVALUE);
        if (!ensure_window())
            return failure(TWCC_LOWMEMORY);
        parent_ = static_cast<HWND>(ui->hParent);
        ++generation_;
        scan_presses_ = 0;
        close_requested_ = false;
        ui_only_ = msg == MSG_ENABLEDSUIONLY;
        bool ui_forced = msg == MSG_ENABLEDS && !ui->ShowUI && !spec_.ui_controllable;
        show_ui_ = ui_only_ || ui->ShowUI || ui_forced;
        state_ = 5;
        if (ui_only_)
            schedule(spec_.op.ok_ui_only ? Press::UiOk : Press::UiCancel, spec_.op.delay_ms);
        else if (!show_ui_ && spec_.op.hidden_start == HiddenStart::CloseRequest)
            post(MSG_CLOSEDSREQ); // a driver that gives up before it starts
        else if (!show_ui_)
            scan_pressed(); // without its interface the source scans at once
        else if (spec_.op.first_press != FirstPress::None)
            schedule(spec_.op.first_press == FirstPress::Cancel ? Press::Cancel
                     : spec_.op.scan_presses > 0                ? Press::Scan
                                                                : Press::Close,
                     spec_.op.delay_ms);
        // A source that cannot hide its interface shows it and says so.
        return ui_forced ? Outcome{TWRC_CHECKSTATUS, TWCC_SUCCESS} : Outcome{};
    }
    case MSG_DISABLEDS:
        if (state_ != 5)
            return failure(TWCC_SEQERROR);
        stop_events();
        batch_ = {};
        page_ = {};
        state_ = 4;
        return {};
    }
    return failure(TWCC_BADPROTOCOL);
}

Outcome Source::setup_file(uint16_t msg, void *data) {
    if (!in_states(state_, 4, 6))
        return failure(TWCC_SEQERROR);
    auto *setup = static_cast<TW_SETUPFILEXFER *>(data);
    if (!setup)
        return failure(TWCC_BADVALUE);
    switch (msg) {
    case MSG_GET:
    case MSG_GETDEFAULT: {
        std::string name = msg == MSG_GET ? file_name_ : "C:\\TWAIN.TMP";
        std::memset(setup->FileName, 0, sizeof setup->FileName);
        std::memcpy(setup->FileName, name.data(),
                    std::min(name.size(), sizeof setup->FileName - 1));
        setup->Format = TW_UINT16(caps_.current(ICAP_IMAGEFILEFORMAT, TWFF_BMP));
        setup->VRefNum = 0;
        return {};
    }
    case MSG_SET: {
        size_t length = strnlen(setup->FileName, sizeof setup->FileName);
        if (length == 0 || length == sizeof setup->FileName)
            return failure(TWCC_BADVALUE);
        // The format is the one ICAP_IMAGEFILEFORMAT offers and keeps.
        Outcome outcome = caps_.set_value(ICAP_IMAGEFILEFORMAT, setup->Format);
        if (outcome.rc != TWRC_SUCCESS)
            return failure(TWCC_BADVALUE);
        file_name_.assign(setup->FileName, length);
        return {};
    }
    }
    return failure(TWCC_BADPROTOCOL);
}

Outcome Source::setup_memory(uint16_t msg, void *data) {
    if (msg != MSG_GET)
        return failure(TWCC_BADPROTOCOL);
    if (!in_states(state_, 4, 6))
        return failure(TWCC_SEQERROR);
    auto *setup = static_cast<TW_SETUPMEMXFER *>(data);
    if (!setup)
        return failure(TWCC_BADVALUE);
    // One row of the widest page the settings can give, with a pixel to spare
    // for rounding.
    ScanSettings s = settings();
    int bits = s.format == PixelFormat::Rgb24 ? 24 : s.format == PixelFormat::Gray8 ? 8 : 1;
    uint32_t columns = uint32_t(s.width_inches * s.x_dpi) + 2;
    uint32_t row = (columns * uint32_t(bits) + 7) / 8;
    setup->MinBufSize = row;
    setup->Preferred = std::max<uint32_t>(row, 64 * 1024);
    setup->MaxBufSize = setup->Preferred * 16;
    return {};
}

} // namespace zelvirt
