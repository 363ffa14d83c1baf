// Batches and transfers of a virtual source: which side of which sheet comes
// next, and its image handed over natively, as a file or in memory blocks.
#include "dib_shape.h"
#include "source.h"

#ifndef _WIN32
#include <zelplat/zelplat_test.h>
#endif

#include "shared/trace_log.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zelvirt {
namespace {

Outcome failure(uint16_t cc) {
    return {TWRC_FAILURE, cc};
}

TW_FIX32 to_fix32(double value) {
    int32_t fixed = int32_t(value * 65536.0 + (value >= 0 ? 0.5 : -0.5));
    TW_FIX32 result;
    result.Whole = TW_INT16(fixed >> 16);
    result.Frac = TW_UINT16(fixed & 0xFFFF);
    return result;
}

// A driver that crashes takes the process that loaded it along, with no
// answer and no cleanup: on Windows the helper or host process ends as an
// access violation ends it.
[[noreturn]] void crash_process() {
    report_problem("zelvirtual: the driver crashes, its process ends");
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), kCrashExitCode);
#endif
    std::_Exit(int(kCrashExitCode & 0xFF));
}

// Bytes of the header and colour table of a packed DIB.
size_t dib_header_bytes(const std::vector<uint8_t> &dib) {
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data(), sizeof header);
    size_t colours = header.biClrUsed         ? header.biClrUsed
                     : header.biBitCount <= 8 ? (size_t(1) << header.biBitCount)
                                              : 0;
    return header.biSize + colours * sizeof(RGBQUAD);
}

// Brightness of a colour-table entry, for grey and black-and-white rows.
uint8_t intensity(const RGBQUAD &entry) {
    return uint8_t((entry.rgbRed * 299 + entry.rgbGreen * 587 + entry.rgbBlue * 114) / 1000);
}

size_t row_bytes(const ScannedImage &image) {
    return (size_t(image.width) * image.bits_per_pixel + 7) / 8;
}

// Row `y` (0 = top) of the image as a memory transfer carries it: no
// padding, RGB order, and for black and white 1 = white (the chocolate
// pixel flavour), whatever the DIB's colour table says.
void copy_row(const ScannedImage &image, int y, uint8_t *out) {
    size_t stride = ((size_t(image.width) * image.bits_per_pixel + 31) / 32) * 4;
    size_t header = dib_header_bytes(image.dib);
    const auto *table =
        reinterpret_cast<const RGBQUAD *>(image.dib.data() + sizeof(BITMAPINFOHEADER));
    const uint8_t *row = image.dib.data() + header + stride * size_t(image.height - 1 - y);
    switch (image.bits_per_pixel) {
    case 24:
        for (int x = 0; x < image.width; ++x) {
            out[3 * x] = row[3 * x + 2];
            out[3 * x + 1] = row[3 * x + 1];
            out[3 * x + 2] = row[3 * x];
        }
        break;
    case 8:
        for (int x = 0; x < image.width; ++x)
            out[x] = intensity(table[row[x]]);
        break;
    case 1:
        std::memset(out, 0, row_bytes(image));
        for (int x = 0; x < image.width; ++x) {
            int index = (row[x / 8] >> (7 - x % 8)) & 1;
            if (intensity(table[index]) >= 128)
                out[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        break;
    }
}

} // namespace

ScanSettings Source::settings() const {
    ScanSettings s;
    double pixel_type = caps_.current(ICAP_PIXELTYPE, TWPT_RGB);
    s.format = pixel_type == TWPT_BW     ? PixelFormat::BlackWhite1
               : pixel_type == TWPT_GRAY ? PixelFormat::Gray8
                                         : PixelFormat::Rgb24;
    s.x_dpi = caps_.current(ICAP_XRESOLUTION, 100);
    s.y_dpi = caps_.current(ICAP_YRESOLUTION, 100);
    s.width_inches = spec_.paper.width_inches;
    s.height_inches = spec_.paper.height_inches;
    s.brightness = caps_.current(ICAP_BRIGHTNESS, 0);
    s.contrast = caps_.current(ICAP_CONTRAST, 0);
    return s;
}

// Plans the batch a Scan press starts; false when there is nothing to scan.
bool Source::start_batch() {
    batch_ = {};
    page_ = {};
    int pages = 0;
    bool feeder_enabled = spec_.feeder && caps_.current(CAP_FEEDERENABLED, 1) != 0;
    if (feeder_enabled) {
        size_t sheets = device_.sheets_in_feeder();
        if (caps_.current(CAP_AUTOFEED, 1) == 0)
            sheets = std::min<size_t>(sheets, 1); // one sheet per press
        batch_.feeder = true;
        batch_.duplex =
            spec_.duplex != DuplexKind::None && caps_.current(CAP_DUPLEXENABLED, 0) != 0;
        pages = int(sheets) * (batch_.duplex ? 2 : 1);
    } else if (spec_.flatbed) {
        pages = 1;
    }
    int limit = int(caps_.current(CAP_XFERCOUNT, -1));
    if (limit > 0)
        pages = std::min(pages, limit);
    if (pages > 0)
        batch_.phantoms = spec_.phantom_pages;
    batch_.remaining = pages + batch_.phantoms;
    return pages > 0;
}

SideSpec Source::next_side() {
    if (batch_.pending_back) {
        SideSpec back = *batch_.pending_back;
        batch_.pending_back.reset();
        return back;
    }
    if (!batch_.feeder)
        return device_.glass();
    auto sheet = device_.feed_sheet();
    if (!sheet)
        return SideSpec{SideContent::Blank, "", 0};
    if (batch_.duplex)
        batch_.pending_back = sheet->back;
    return sheet->front;
}

void Source::begin_page() {
    if (page_.begun)
        return;
    page_.begun = true;
    if (batch_.stopped || batch_.remaining <= batch_.phantoms) {
        page_.feed = batch_.stopped ? Page::Feed::Stopped : Page::Feed::Phantom;
        page_.side = SideSpec{SideContent::Blank, "", 0};
        return;
    }
    page_.side = next_side();
    page_.number = ++pages_since_open_;
}

const ScannedImage &Source::image() {
    begin_page();
    if (!page_.image)
        page_.image = scan_side(page_.side, settings());
    return *page_.image;
}

const PageFault *Source::page_fault(int number, std::initializer_list<PageFaultKind> kinds) const {
    for (const auto &fault : spec_.page_faults)
        if (fault.page == number && (fault.pass == 0 || fault.pass == device_.pass()) &&
            std::find(kinds.begin(), kinds.end(), fault.kind) != kinds.end())
            return &fault;
    return nullptr;
}

uint16_t Source::count_for_application() const {
    if (state_ < 6 || batch_.remaining <= 0)
        return 0;
    return spec_.unknown_page_count ? 0xFFFF : uint16_t(batch_.remaining);
}

// The page ends, transferred or not: its sheet has passed the scanner.  A
// page fault of the scenario may follow: the count drops to 0 with paper
// left, or the person stops the device and asks to close the source.
void Source::end_page() {
    begin_page();
    const int number = page_.number;
    page_ = {};
    bool last =
        --batch_.remaining <= 0 || batch_.stopped || page_fault(number, {PageFaultKind::CountZero});
    if (page_fault(number, {PageFaultKind::CloseRequest})) {
        batch_.stopped = true;
        close_requested_ = true;
        post(MSG_CLOSEDSREQ);
    }
    if (!last) {
        state_ = 6;
        return;
    }
    batch_ = {};
    state_ = 5;
    batch_ended();
}

Outcome Source::pending_transfers(uint16_t msg, void *data) {
    auto *pending = static_cast<TW_PENDINGXFERS *>(data);
    if (!pending)
        return failure(TWCC_BADVALUE);
    switch (msg) {
    case MSG_GET:
        break;
    case MSG_ENDXFER:
        if (state_ != 6 && state_ != 7)
            return failure(TWCC_SEQERROR);
        end_page();
        break;
    case MSG_RESET:
        if (state_ != 6)
            return failure(TWCC_SEQERROR);
        batch_ = {};
        page_ = {};
        state_ = 5;
        batch_ended();
        break;
    default:
        return failure(TWCC_BADPROTOCOL);
    }
    pending->Count = count_for_application();
    pending->EOJ = 0;
    return {};
}

Outcome Source::image_info(uint16_t msg, void *data) {
    if (msg != MSG_GET)
        return failure(TWCC_BADPROTOCOL);
    if (state_ != 6 && state_ != 7)
        return failure(TWCC_SEQERROR);
    auto *info = static_cast<TW_IMAGEINFO *>(data);
    if (!info)
        return failure(TWCC_BADVALUE);
    begin_page();
    if (page_.feed == Page::Feed::Phantom)
        return failure(spec_.phantom_cc);
    const ScannedImage &img = image();
    ScanSettings s = settings();
    std::memset(info, 0, sizeof *info);
    info->XResolution = to_fix32(s.x_dpi);
    info->YResolution = to_fix32(s.y_dpi);
    info->ImageWidth = img.width;
    info->ImageLength = img.height;
    bool colour = img.bits_per_pixel == 24;
    info->SamplesPerPixel = colour ? 3 : 1;
    for (int i = 0; i < info->SamplesPerPixel; ++i)
        info->BitsPerSample[i] = TW_INT16(colour ? 8 : img.bits_per_pixel);
    info->BitsPerPixel = TW_INT16(img.bits_per_pixel);
    info->Planar = FALSE;
    info->PixelType = colour ? TWPT_RGB : img.bits_per_pixel == 8 ? TWPT_GRAY : TWPT_BW;
    info->Compression = TWCP_NONE;
    return {};
}

Outcome Source::image_layout(uint16_t msg, void *data) {
    if (msg != MSG_GET && msg != MSG_GETDEFAULT)
        return failure(TWCC_BADPROTOCOL);
    if (state_ < 4 || state_ > 6)
        return failure(TWCC_SEQERROR);
    auto *layout = static_cast<TW_IMAGELAYOUT *>(data);
    if (!layout)
        return failure(TWCC_BADVALUE);
    std::memset(layout, 0, sizeof *layout);
    layout->Frame.Right = to_fix32(spec_.paper.width_inches);
    layout->Frame.Bottom = to_fix32(spec_.paper.height_inches);
    layout->DocumentNumber = 1;
    layout->PageNumber = TW_UINT32(page_.number ? page_.number : pages_since_open_ + 1);
    layout->FrameNumber = 1;
    return {};
}

// Checks shared by the three transfers before the first byte moves; a
// faulty or phantom page fails here, and a page of a stopped device or one
// the scenario cancels is cancelled.
Outcome Source::check_transfer_start(uint16_t mechanism, void *data) {
    if (state_ != 6)
        return failure(TWCC_SEQERROR);
    if (caps_.current(ICAP_XFERMECH, TWSX_NATIVE) != mechanism)
        return failure(TWCC_SEQERROR);
    if (!data && mechanism != TWSX_FILE)
        return failure(TWCC_BADVALUE);
    begin_page();
    if (page_.feed == Page::Feed::Phantom)
        return failure(spec_.phantom_cc);
    if (page_fault(page_.number, {PageFaultKind::Crash}))
        crash_process();
    const PageFault *fault = page_fault(page_.number, {PageFaultKind::Fail, PageFaultKind::Cancel});
    if (page_.feed == Page::Feed::Stopped || (fault && fault->kind == PageFaultKind::Cancel)) {
        state_ = 7;
        return {TWRC_CANCEL, TWCC_SUCCESS};
    }
    if (fault)
        return failure(fault->cc);
    return {TWRC_XFERDONE, TWCC_SUCCESS};
}

Outcome Source::native_transfer(uint16_t msg, void *data) {
    if (msg != MSG_GET)
        return failure(TWCC_BADPROTOCOL);
    Outcome start = check_transfer_start(TWSX_NATIVE, data);
    if (start.rc != TWRC_XFERDONE)
        return start;
    // Handles no reader can use: null, or a value that is no global block.
    if (page_fault(page_.number, {PageFaultKind::NullHandle, PageFaultKind::NotABlock})) {
        bool null = page_fault(page_.number, {PageFaultKind::NullHandle}) != nullptr;
        *static_cast<TW_UINTPTR *>(data) = null ? 0 : TW_UINTPTR(0x7FFF0000u | page_.number);
        state_ = 7;
        return start;
    }
    // A driver that hands the block of the page before over again.
    if (page_fault(page_.number, {PageFaultKind::RepeatedHandle})) {
        *static_cast<TW_UINTPTR *>(data) = last_handle_;
        state_ = 7;
        return start;
    }
    std::vector<uint8_t> dib = shape_dib(image(), spec_.dib);
    size_t bytes = dib.size();
    if (page_fault(page_.number, {PageFaultKind::TruncatedDib})) {
        // The header claims every row; the block holds half of them.
        size_t header = dib_header_bytes(dib);
        bytes = header + (bytes - header) / 2;
    }
    HGLOBAL block = GlobalAlloc(GHND, bytes);
    void *p = block ? GlobalLock(block) : nullptr;
    if (!p) {
        if (block)
            GlobalFree(block);
        return failure(TWCC_LOWMEMORY);
    }
    std::memcpy(p, dib.data(), bytes);
    GlobalUnlock(block);
    *static_cast<TW_UINTPTR *>(data) = last_handle_ = TW_UINTPTR(block);
    state_ = 7;
    return start;
}

Outcome Source::file_transfer(uint16_t msg, void *data) {
    if (msg != MSG_GET)
        return failure(TWCC_BADPROTOCOL);
    Outcome start = check_transfer_start(TWSX_FILE, data);
    if (start.rc != TWRC_XFERDONE)
        return start;
#ifdef _WIN32
    const std::string &host = file_name_; // Windows names are the system's own
#else
    char host[1024];
    if (ZelPlat_HostPath(file_name_.c_str(), host, sizeof host) == 0)
        return failure(TWCC_FILEWRITEERROR);
#endif
    std::string error;
    unsigned format = unsigned(caps_.current(ICAP_IMAGEFILEFORMAT, TWFF_BMP));
    if (!write_side_file(image(), format, host, &error)) {
        report_problem("zelvirtual: " + spec_.name + ": cannot write " + file_name_ + ": " + error);
        return failure(TWCC_FILEWRITEERROR);
    }
    state_ = 7;
    return start;
}

Outcome Source::memory_transfer(uint16_t msg, void *data) {
    if (msg != MSG_GET)
        return failure(TWCC_BADPROTOCOL);
    auto *xfer = static_cast<TW_IMAGEMEMXFER *>(data);
    if (!(state_ == 7 && page_.memory_started)) {
        Outcome start = check_transfer_start(TWSX_MEMORY, data);
        if (start.rc != TWRC_XFERDONE)
            return start;
    }
    if (!xfer)
        return failure(TWCC_BADVALUE);
    const ScannedImage &img = image();
    if (page_.rows_sent >= img.height)
        return failure(TWCC_SEQERROR); // the page is complete: MSG_ENDXFER is due
    size_t row = row_bytes(img);
    TW_MEMORY &memory = xfer->Memory;
    if (!memory.TheMem || memory.Length < row)
        return failure(TWCC_BADVALUE);
    uint8_t *buffer = nullptr;
    HGLOBAL handle = 0;
    if (memory.Flags & TWMF_HANDLE) {
        handle = HGLOBAL(uintptr_t(memory.TheMem));
        if (GlobalSize(handle) < memory.Length)
            return failure(TWCC_BADVALUE);
        buffer = static_cast<uint8_t *>(GlobalLock(handle));
    } else {
        buffer = static_cast<uint8_t *>(memory.TheMem);
    }
    if (!buffer)
        return failure(TWCC_BADVALUE);
    int rows = int(std::min<size_t>(memory.Length / row, size_t(img.height - page_.rows_sent)));
    for (int r = 0; r < rows; ++r)
        copy_row(img, page_.rows_sent + r, buffer + size_t(r) * row);
    if (handle)
        GlobalUnlock(handle);
    xfer->Compression = TWCP_NONE;
    xfer->BytesPerRow = TW_UINT32(row);
    xfer->Columns = TW_UINT32(img.width);
    xfer->Rows = TW_UINT32(rows);
    xfer->XOffset = 0;
    xfer->YOffset = TW_UINT32(page_.rows_sent);
    xfer->BytesWritten = TW_UINT32(size_t(rows) * row);
    page_.rows_sent += rows;
    page_.memory_started = true;
    state_ = 7;
    if (page_.rows_sent >= img.height)
        return {TWRC_XFERDONE, TWCC_SUCCESS};
    return {};
}

} // namespace zelvirt
