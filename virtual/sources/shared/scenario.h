// The scenario of the virtual TWAIN manager and its sources: which devices
// exist, what they offer, what paper lies in them, what the person at the
// scanner does and which faults to play.  Read from a JSON file whose format
// docs/virtual-scanner.md describes.
#pragma once

#include <zelvirt/paper.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zelvirt {

enum class Container { OneValue, Enumeration, Array, Range };

// One capability as the device offers it.  Values are kept as doubles, which
// hold every integer item and every TW_FIX32 value exactly.
struct CapSpec {
    uint16_t cap = 0;
    Container container = Container::OneValue;
    uint16_t item_type = 0;
    std::vector<double> values; // offered values (all containers but Range)
    double min = 0, max = 0, step = 1;
    double current = 0;
    double default_value = 0;
    bool readonly = false;
    bool nearest = false; // a SET of an unlisted value takes the nearest one
};

// A triplet answered with a given result instead of being carried out.
struct TripletFault {
    std::optional<uint32_t> dg;
    std::optional<uint16_t> dat, msg, cap;
    int occurrence = 0;   // 1-based occurrence of the matching triplet; 0: every one
    bool onwards = false; // every occurrence from `occurrence` on
    uint16_t rc = 1;
    uint16_t cc = 0;

    // Whether the fault answers the `count`-th matching triplet.
    bool fires_at(int count) const {
        return occurrence == 0 || count == occurrence || (onwards && count > occurrence);
    }
};

enum class Malformation {
    EmptyList,
    IndexOutOfRange,
    WrongItemType,
    ItemTypeAbove12,
    NoContainer,
    RangeInsteadOfList,
    HugeNumItems,
    NotABlock,          // success with a value that is no global block
    RefusedWithGarbage, // TWRC_FAILURE with such a value left in hContainer
};

// A capability read answered with a malformed container.
struct CapFault {
    uint16_t cap = 0;
    std::optional<uint16_t> msg; // none: every read
    Malformation kind = Malformation::EmptyList;
};

enum class PageFaultKind {
    Fail,
    Cancel,
    Crash, // the driver crashes: the process that loaded the source ends at once
    TruncatedDib,
    NullHandle,     // XFERDONE with a null handle
    NotABlock,      // XFERDONE with a handle that is no global block
    RepeatedHandle, // XFERDONE with the handle of the page before, again
    CloseRequest,
    CountZero
};

// The exit code of a process whose driver crashed (PageFaultKind::Crash): an
// access violation's on Windows; elsewhere its low byte, 5.
constexpr uint32_t kCrashExitCode = 0xC0000005;

// A fault of the n-th page (side) transferred since the source was opened:
// of its transfer, of its image, or of what follows its MSG_ENDXFER.
struct PageFault {
    int page = 1;
    int pass = 0; // 1 before the stack was turned over, 2 after; 0: both
    PageFaultKind kind = PageFaultKind::Fail;
    uint16_t cc = 5; // TWCC_OPERATIONERROR
};

struct SheetSpec {
    SideSpec front, back;
};

struct PaperSpec {
    double width_inches = 8.27;
    double height_inches = 11.69;
    std::vector<SheetSpec> sheets; // the feeder, top sheet first
    SideSpec glass;                // the page on the flatbed glass
};

enum class FirstPress { Scan, Cancel, None };
// What a source enabled without its interface does at once, inside
// MSG_ENABLEDS: announce the batch, or ask to be closed.
enum class HiddenStart { Scan, CloseRequest };

struct OperatorSpec {
    int delay_ms = 20;
    FirstPress first_press = FirstPress::Scan;
    std::optional<int> give_up_ms; // waiting for a device that never starts
    int scan_presses = 1;          // Scan presses before Close, with the interface shown
    bool reload_turned = false;    // turn the stack over and reload it once when empty
    bool ok_ui_only = true;        // MSG_ENABLEDSUIONLY: press OK (else Cancel)
    HiddenStart hidden_start = HiddenStart::Scan;
};

// How the driver lays out the DIB of a native transfer; every page of the
// source shows the same picture whatever the layout.
struct DibShape {
    int header = 40;        // biSize: 40, 108 (BITMAPV4HEADER) or 124 (BITMAPV5HEADER)
    bool resolution = true; // biXPelsPerMeter and biYPelsPerMeter filled in
    enum class SizeImage { Exact, Zero, Wrong } size_image = SizeImage::Exact;
    bool clr_used_zero = false; // biClrUsed 0 before a full table
    bool top_down = false;      // negative biHeight, the first row on top
    bool reversed_grey = false; // 8-bit grey through a reversed table
};

enum class DuplexKind : uint16_t { None = 0, OnePass = 1, TwoPass = 2 };

struct SourceSpec {
    std::string name;
    std::string manufacturer = "Zeltwain";
    std::string family = "Virtual scanners";
    int version_major = 1, version_minor = 0;
    std::string version_info = "1.0";
    bool is_default = false;
    bool feeder = true;
    bool flatbed = false;
    DuplexKind duplex = DuplexKind::None;
    bool ui_controllable = true;
    bool unknown_page_count = false;
    bool twain2 = false; // DF_DS2: takes DAT_ENTRYPOINT and signals through DAT_NULL
    std::string driver = "zelvirtual.ds";
    PaperSpec paper;
    OperatorSpec op;
    DibShape dib;
    std::map<uint16_t, CapSpec> caps;
    std::vector<TripletFault> triplet_faults;
    std::vector<CapFault> cap_faults;
    std::vector<PageFault> page_faults;
    bool never_ready = false; // Scan starts nothing: no MSG_XFERREADY
    int phantom_pages = 0;    // pages counted after the last real one of a batch
    uint16_t phantom_cc = 1;  // TWRC_FAILURE condition of a phantom page: TWCC_BUMMER
};

enum class UserSelect { Default, Cancel, Name };

struct Scenario {
    std::string path;
    std::string content; // the file's text, to tell scenarios apart
    std::vector<SourceSpec> sources;
    UserSelect user_select = UserSelect::Default;
    std::string user_select_name;
    std::vector<TripletFault> manager_faults;

    const SourceSpec *find(const std::string &name) const;
    const SourceSpec *default_source() const;
};

// Reads a scenario file.  On failure returns false and sets *error to one
// line naming the file, the place (a JSON pointer, or a line and column) and
// the reason.
bool load_scenario(const std::string &host_path, Scenario *scenario, std::string *error);

// Parses scenario text (the file's content); `path` only names it in errors.
bool parse_scenario(const std::string &text, const std::string &path, Scenario *scenario,
                    std::string *error);

// The scenario the manager and every source read: $ZELTWAIN_SCENARIO, else
// "scenario.json" in the Windows folder, above the sources' folders.
std::string scenario_location();

// Whether a value is one an item of this TWAIN type can carry.
bool value_fits(uint16_t item_type, double value);

// The capabilities a device offers before the scenario changes them.
std::map<uint16_t, CapSpec> default_capabilities(const SourceSpec &source);

} // namespace zelvirt
