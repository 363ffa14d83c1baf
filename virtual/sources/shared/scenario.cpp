// Reading scenario files: JSON text -> Scenario, with one clear error
// naming the place of the first problem found.
#include "scenario.h"

#include "twain_names.h"

#include <twain.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>
#include <stdexcept>

namespace zelvirt {
namespace {

using nlohmann::json;

// A problem at a JSON pointer.
struct ScenarioProblem : std::runtime_error {
    std::string pointer;
    ScenarioProblem(std::string where, const std::string &reason)
        : std::runtime_error(reason), pointer(std::move(where)) {}
};

[[noreturn]] void fail(const std::string &pointer, const std::string &reason) {
    throw ScenarioProblem(pointer.empty() ? "/" : pointer, reason);
}

std::string child(const std::string &pointer, const std::string &key) {
    std::string escaped;
    for (char c : key) {
        if (c == '~')
            escaped += "~0";
        else if (c == '/')
            escaped += "~1";
        else
            escaped += c;
    }
    return pointer + "/" + escaped;
}

std::string child(const std::string &pointer, size_t index) {
    return pointer + "/" + std::to_string(index);
}

void require_object(const json &value, const std::string &pointer) {
    if (!value.is_object())
        fail(pointer, "expected an object");
}

// Refuses keys the format does not know, so that a misspelt key is reported
// instead of silently ignored.
void check_keys(const json &object, const std::string &pointer,
                std::initializer_list<const char *> allowed) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = false;
        for (const char *key : allowed)
            known = known || it.key() == key;
        if (!known)
            fail(child(pointer, it.key()), "unknown key \"" + it.key() + "\"");
    }
}

std::string get_string(const json &value, const std::string &pointer, size_t max_length) {
    if (!value.is_string())
        fail(pointer, "expected a string");
    std::string text = value.get<std::string>();
    if (text.size() > max_length)
        fail(pointer, "longer than " + std::to_string(max_length) + " bytes");
    return text;
}

bool get_bool(const json &value, const std::string &pointer) {
    if (!value.is_boolean())
        fail(pointer, "expected true or false");
    return value.get<bool>();
}

long long get_int(const json &value, const std::string &pointer, long long min, long long max) {
    if (!value.is_number_integer())
        fail(pointer, "expected an integer");
    long long number = value.get<long long>();
    if (number < min || number > max)
        fail(pointer,
             "expected an integer from " + std::to_string(min) + " to " + std::to_string(max));
    return number;
}

double get_number(const json &value, const std::string &pointer) {
    if (!value.is_number())
        fail(pointer, "expected a number");
    return value.get<double>();
}

uint32_t get_constant(const json &value, const std::string &pointer, NameKind kind, uint32_t max) {
    std::optional<uint32_t> number;
    if (value.is_string())
        number = twain_value(kind, value.get<std::string>());
    else if (value.is_number_unsigned())
        number = uint32_t(std::min<uint64_t>(value.get<uint64_t>(), 0xFFFFFFFFull));
    if (!number)
        fail(pointer, "expected a constant's name or a number");
    if (*number > max)
        fail(pointer, "value out of range");
    return *number;
}

// Labels travel as page images and must fit the paper model's code.
void check_label(const std::string &label, const std::string &pointer) {
    if (label.size() > 32)
        fail(pointer, "a label holds at most 32 characters");
    for (unsigned char c : label)
        if (c < 0x20 || c > 0x7E)
            fail(pointer, "a label holds printable ASCII characters only");
}

SideSpec parse_side(const json &value, const std::string &pointer, const std::string &label) {
    SideSpec side;
    side.label = label;
    if (value.is_string()) {
        std::string kind = value.get<std::string>();
        if (kind == "printed")
            side.content = SideContent::Printed;
        else if (kind == "blank")
            side.content = SideContent::Blank;
        else if (kind == "almost_blank") {
            side.content = SideContent::AlmostBlank;
            side.dark_pixels = 20;
        } else
            fail(pointer, "expected \"printed\", \"blank\", \"almost_blank\" or an object");
        return side;
    }
    require_object(value, pointer);
    check_keys(value, pointer, {"content", "label", "dark_pixels"});
    std::string content = value.contains("content")
                              ? get_string(value["content"], child(pointer, "content"), 32)
                              : (value.contains("dark_pixels") ? "almost_blank" : "printed");
    if (content == "printed")
        side.content = SideContent::Printed;
    else if (content == "blank")
        side.content = SideContent::Blank;
    else if (content == "almost_blank")
        side.content = SideContent::AlmostBlank;
    else
        fail(child(pointer, "content"), "expected \"printed\", \"blank\" or \"almost_blank\"");
    if (value.contains("label")) {
        side.label = get_string(value["label"], child(pointer, "label"), 1000);
        check_label(side.label, child(pointer, "label"));
    }
    if (value.contains("dark_pixels"))
        side.dark_pixels =
            int(get_int(value["dark_pixels"], child(pointer, "dark_pixels"), 0, 1000000));
    else if (side.content == SideContent::AlmostBlank)
        side.dark_pixels = 20;
    return side;
}

std::string default_label(size_t sheet, bool front) {
    return "sheet " + std::to_string(sheet) + (front ? " front" : " back");
}

void parse_paper(const json &value, const std::string &pointer, SourceSpec &source) {
    require_object(value, pointer);
    check_keys(value, pointer, {"width_inches", "height_inches", "sheets", "glass"});
    PaperSpec &paper = source.paper;
    for (const char *key : {"width_inches", "height_inches"}) {
        if (!value.contains(key))
            continue;
        double inches = get_number(value[key], child(pointer, key));
        if (!(inches >= 0.5 && inches <= 20.0))
            fail(child(pointer, key), "expected a size from 0.5 to 20 inches");
        (std::string(key) == "width_inches" ? paper.width_inches : paper.height_inches) = inches;
    }
    if (value.contains("sheets")) {
        const json &sheets = value["sheets"];
        std::string sheets_pointer = child(pointer, "sheets");
        paper.sheets.clear();
        if (sheets.is_number()) {
            long long count = get_int(sheets, sheets_pointer, 0, 1000);
            for (long long i = 1; i <= count; ++i)
                paper.sheets.push_back({parse_side("printed", "", default_label(i, true)),
                                        parse_side("printed", "", default_label(i, false))});
        } else if (sheets.is_array()) {
            if (sheets.size() > 1000)
                fail(sheets_pointer, "at most 1000 sheets");
            for (size_t i = 0; i < sheets.size(); ++i) {
                std::string at = child(sheets_pointer, i);
                require_object(sheets[i], at);
                check_keys(sheets[i], at, {"front", "back"});
                SheetSpec sheet;
                sheet.front = sheets[i].contains("front")
                                  ? parse_side(sheets[i]["front"], child(at, "front"),
                                               default_label(i + 1, true))
                                  : parse_side("printed", "", default_label(i + 1, true));
                sheet.back = sheets[i].contains("back")
                                 ? parse_side(sheets[i]["back"], child(at, "back"),
                                              default_label(i + 1, false))
                                 : parse_side("printed", "", default_label(i + 1, false));
                paper.sheets.push_back(sheet);
            }
        } else {
            fail(sheets_pointer, "expected a number of sheets or a list of sheets");
        }
    }
    if (value.contains("glass"))
        paper.glass = parse_side(value["glass"], child(pointer, "glass"), default_label(1, true));
}

void parse_operator(const json &value, const std::string &pointer, OperatorSpec &op) {
    require_object(value, pointer);
    check_keys(value, pointer,
               {"delay_ms", "first_press", "scan_presses", "reload_turned_stack", "ui_only_press",
                "give_up_ms", "hidden_start"});
    if (value.contains("hidden_start")) {
        std::string start = get_string(value["hidden_start"], child(pointer, "hidden_start"), 16);
        if (start != "scan" && start != "close_request")
            fail(child(pointer, "hidden_start"), "expected \"scan\" or \"close_request\"");
        op.hidden_start = start == "scan" ? HiddenStart::Scan : HiddenStart::CloseRequest;
    }
    if (value.contains("delay_ms"))
        op.delay_ms = int(get_int(value["delay_ms"], child(pointer, "delay_ms"), 0, 60000));
    if (value.contains("first_press")) {
        std::string press = get_string(value["first_press"], child(pointer, "first_press"), 16);
        if (press == "scan")
            op.first_press = FirstPress::Scan;
        else if (press == "cancel")
            op.first_press = FirstPress::Cancel;
        else if (press == "none")
            op.first_press = FirstPress::None;
        else
            fail(child(pointer, "first_press"), "expected \"scan\", \"cancel\" or \"none\"");
    }
    if (value.contains("give_up_ms"))
        op.give_up_ms = int(get_int(value["give_up_ms"], child(pointer, "give_up_ms"), 0, 600000));
    if (value.contains("scan_presses"))
        op.scan_presses =
            int(get_int(value["scan_presses"], child(pointer, "scan_presses"), 0, 1000));
    if (value.contains("reload_turned_stack"))
        op.reload_turned =
            get_bool(value["reload_turned_stack"], child(pointer, "reload_turned_stack"));
    if (value.contains("ui_only_press")) {
        std::string press = get_string(value["ui_only_press"], child(pointer, "ui_only_press"), 16);
        if (press != "ok" && press != "cancel")
            fail(child(pointer, "ui_only_press"), "expected \"ok\" or \"cancel\"");
        op.ok_ui_only = press == "ok";
    }
}

double parse_cap_value(const json &value, const std::string &pointer, uint16_t item_type) {
    double number = 0;
    if (value.is_boolean())
        number = value.get<bool>() ? 1 : 0;
    else
        number = get_number(value, pointer);
    if (!value_fits(item_type, number))
        fail(pointer, "value does not fit item type " + twain_name(NameKind::ItemType, item_type));
    return number;
}

bool on_step(const CapSpec &spec, double value) {
    if (value < spec.min || value > spec.max)
        return false;
    double steps = (value - spec.min) / spec.step;
    return std::fabs(steps - std::round(steps)) < 1e-9;
}

bool offered(const CapSpec &spec, double value) {
    if (spec.container == Container::Range)
        return on_step(spec, value);
    if (spec.values.empty())
        return true;
    for (double v : spec.values)
        if (v == value)
            return true;
    return false;
}

void parse_capability(const json &value, const std::string &pointer, CapSpec &spec) {
    require_object(value, pointer);
    check_keys(value, pointer,
               {"container", "type", "values", "min", "max", "step", "current", "default",
                "readonly", "nearest"});
    if (value.contains("container")) {
        std::string name = get_string(value["container"], child(pointer, "container"), 32);
        if (name == "onevalue")
            spec.container = Container::OneValue;
        else if (name == "enumeration")
            spec.container = Container::Enumeration;
        else if (name == "array")
            spec.container = Container::Array;
        else if (name == "range")
            spec.container = Container::Range;
        else
            fail(child(pointer, "container"),
                 "expected \"onevalue\", \"enumeration\", \"array\" or \"range\"");
    }
    if (value.contains("type"))
        spec.item_type =
            uint16_t(get_constant(value["type"], child(pointer, "type"), NameKind::ItemType, 12));
    if (spec.item_type > TWTY_FIX32)
        fail(child(pointer, "type"), "only integer, TWTY_BOOL and TWTY_FIX32 items are supported");
    if (value.contains("values")) {
        const json &list = value["values"];
        if (!list.is_array())
            fail(child(pointer, "values"), "expected a list of values");
        spec.values.clear();
        for (size_t i = 0; i < list.size(); ++i)
            spec.values.push_back(
                parse_cap_value(list[i], child(child(pointer, "values"), i), spec.item_type));
    }
    for (const char *key : {"min", "max", "step"}) {
        if (!value.contains(key))
            continue;
        double number = parse_cap_value(value[key], child(pointer, key), spec.item_type);
        (std::string(key) == "min"   ? spec.min
         : std::string(key) == "max" ? spec.max
                                     : spec.step) = number;
    }
    if (value.contains("current"))
        spec.current = parse_cap_value(value["current"], child(pointer, "current"), spec.item_type);
    if (value.contains("default"))
        spec.default_value =
            parse_cap_value(value["default"], child(pointer, "default"), spec.item_type);
    else if (value.contains("current"))
        spec.default_value = spec.current;
    if (value.contains("readonly"))
        spec.readonly = get_bool(value["readonly"], child(pointer, "readonly"));
    if (value.contains("nearest"))
        spec.nearest = get_bool(value["nearest"], child(pointer, "nearest"));

    if (spec.container == Container::Range) {
        if (!(spec.step > 0) || spec.min > spec.max)
            fail(pointer, "a range needs min <= max and a positive step");
    } else if (spec.container != Container::OneValue && spec.values.empty()) {
        fail(child(pointer, "values"), "an enumeration or array offers at least one value");
    }
    if (spec.container != Container::Array) {
        if (!offered(spec, spec.current))
            fail(child(pointer, "current"), "the current value is not among the offered values");
        if (!offered(spec, spec.default_value))
            fail(child(pointer, "default"), "the default value is not among the offered values");
    }
}

void parse_capabilities(const json &value, const std::string &pointer, SourceSpec &source) {
    require_object(value, pointer);
    for (auto it = value.begin(); it != value.end(); ++it) {
        std::string at = child(pointer, it.key());
        auto cap = twain_value(NameKind::Capability, it.key());
        if (!cap || *cap > 0xFFFF)
            fail(at, "unknown capability \"" + it.key() + "\"");
        if (*cap == CAP_SUPPORTEDCAPS)
            fail(at, "CAP_SUPPORTEDCAPS is derived from the other capabilities");
        if (it.value().is_null()) {
            source.caps.erase(uint16_t(*cap));
            continue;
        }
        CapSpec spec;
        auto existing = source.caps.find(uint16_t(*cap));
        if (existing != source.caps.end())
            spec = existing->second;
        else if (!it.value().is_object() || !it.value().contains("container") ||
                 !it.value().contains("type"))
            fail(at, "a capability the device does not have needs \"container\" and \"type\"");
        spec.cap = uint16_t(*cap);
        parse_capability(it.value(), at, spec);
        source.caps[spec.cap] = spec;
    }
}

TripletFault parse_triplet_fault(const json &value, const std::string &pointer) {
    require_object(value, pointer);
    check_keys(value, pointer,
               {"dg", "dat", "msg", "cap", "occurrence", "from_occurrence", "rc", "cc"});
    TripletFault fault;
    if (value.contains("dg"))
        fault.dg = get_constant(value["dg"], child(pointer, "dg"), NameKind::DataGroup, 0xFFFFFFFF);
    if (value.contains("dat"))
        fault.dat =
            uint16_t(get_constant(value["dat"], child(pointer, "dat"), NameKind::DataType, 0xFFFF));
    if (value.contains("msg"))
        fault.msg =
            uint16_t(get_constant(value["msg"], child(pointer, "msg"), NameKind::Message, 0xFFFF));
    if (value.contains("cap"))
        fault.cap = uint16_t(
            get_constant(value["cap"], child(pointer, "cap"), NameKind::Capability, 0xFFFF));
    if (value.contains("occurrence") && value.contains("from_occurrence"))
        fail(pointer, "a triplet fault has \"occurrence\" or \"from_occurrence\", not both");
    for (const char *key : {"occurrence", "from_occurrence"}) {
        if (!value.contains(key))
            continue;
        fault.occurrence = int(get_int(value[key], child(pointer, key), 1, 1000000));
        fault.onwards = std::string(key) == "from_occurrence";
    }
    if (!value.contains("rc"))
        fail(child(pointer, "rc"), "a triplet fault needs \"rc\"");
    fault.rc =
        uint16_t(get_constant(value["rc"], child(pointer, "rc"), NameKind::ReturnCode, 0xFFFF));
    if (value.contains("cc"))
        fault.cc = uint16_t(
            get_constant(value["cc"], child(pointer, "cc"), NameKind::ConditionCode, 0xFFFF));
    if (!fault.dg && !fault.dat && !fault.msg && !fault.cap)
        fail(pointer, "a triplet fault names at least one of \"dg\", \"dat\", \"msg\", \"cap\"");
    return fault;
}

std::vector<TripletFault> parse_triplet_faults(const json &value, const std::string &pointer) {
    if (!value.is_array())
        fail(pointer, "expected a list of triplet faults");
    std::vector<TripletFault> faults;
    for (size_t i = 0; i < value.size(); ++i)
        faults.push_back(parse_triplet_fault(value[i], child(pointer, i)));
    return faults;
}

CapFault parse_cap_fault(const json &value, const std::string &pointer) {
    require_object(value, pointer);
    check_keys(value, pointer, {"cap", "msg", "malformed"});
    CapFault fault;
    if (!value.contains("cap"))
        fail(child(pointer, "cap"), "a capability fault needs \"cap\"");
    fault.cap =
        uint16_t(get_constant(value["cap"], child(pointer, "cap"), NameKind::Capability, 0xFFFF));
    if (value.contains("msg"))
        fault.msg =
            uint16_t(get_constant(value["msg"], child(pointer, "msg"), NameKind::Message, 0xFFFF));
    static const std::pair<const char *, Malformation> kinds[] = {
        {"empty_list", Malformation::EmptyList},
        {"index_out_of_range", Malformation::IndexOutOfRange},
        {"wrong_item_type", Malformation::WrongItemType},
        {"item_type_above_12", Malformation::ItemTypeAbove12},
        {"no_container", Malformation::NoContainer},
        {"range_instead_of_list", Malformation::RangeInsteadOfList},
        {"huge_numitems", Malformation::HugeNumItems},
        {"not_a_block", Malformation::NotABlock},
        {"refused_with_garbage", Malformation::RefusedWithGarbage},
    };
    if (!value.contains("malformed"))
        fail(child(pointer, "malformed"), "a capability fault needs \"malformed\"");
    std::string kind = get_string(value["malformed"], child(pointer, "malformed"), 64);
    bool found = false;
    for (const auto &[name, malformation] : kinds)
        if (kind == name) {
            fault.kind = malformation;
            found = true;
        }
    if (!found)
        fail(child(pointer, "malformed"), "unknown malformation \"" + kind + "\"");
    return fault;
}

PageFault parse_page_fault(const json &value, const std::string &pointer) {
    require_object(value, pointer);
    check_keys(value, pointer, {"page", "pass", "transfer", "dib", "after", "cc"});
    PageFault fault;
    if (!value.contains("page"))
        fail(child(pointer, "page"), "a page fault needs \"page\"");
    fault.page = int(get_int(value["page"], child(pointer, "page"), 1, 1000000));
    if (value.contains("pass"))
        fault.pass = int(get_int(value["pass"], child(pointer, "pass"), 1, 2));
    if (value.contains("transfer") + value.contains("dib") + value.contains("after") != 1)
        fail(pointer, "a page fault has one of \"transfer\", \"dib\" and \"after\"");
    if (value.contains("transfer")) {
        std::string kind = get_string(value["transfer"], child(pointer, "transfer"), 16);
        if (kind == "fail")
            fault.kind = PageFaultKind::Fail;
        else if (kind == "cancel")
            fault.kind = PageFaultKind::Cancel;
        else if (kind == "crash")
            fault.kind = PageFaultKind::Crash;
        else
            fail(child(pointer, "transfer"), "expected \"fail\", \"cancel\" or \"crash\"");
    } else if (value.contains("dib")) {
        std::string kind = get_string(value["dib"], child(pointer, "dib"), 16);
        if (kind == "truncated")
            fault.kind = PageFaultKind::TruncatedDib;
        else if (kind == "null_handle")
            fault.kind = PageFaultKind::NullHandle;
        else if (kind == "not_a_block")
            fault.kind = PageFaultKind::NotABlock;
        else if (kind == "repeated_handle")
            fault.kind = PageFaultKind::RepeatedHandle;
        else
            fail(child(pointer, "dib"), "expected \"truncated\", \"null_handle\", "
                                        "\"not_a_block\" or \"repeated_handle\"");
    } else {
        std::string kind = get_string(value["after"], child(pointer, "after"), 16);
        if (kind == "close_request")
            fault.kind = PageFaultKind::CloseRequest;
        else if (kind == "count_zero")
            fault.kind = PageFaultKind::CountZero;
        else
            fail(child(pointer, "after"), "expected \"close_request\" or \"count_zero\"");
    }
    if (value.contains("cc"))
        fault.cc = uint16_t(
            get_constant(value["cc"], child(pointer, "cc"), NameKind::ConditionCode, 0xFFFF));
    return fault;
}

void parse_phantom_pages(const json &value, const std::string &pointer, SourceSpec &source) {
    require_object(value, pointer);
    check_keys(value, pointer, {"pages", "cc"});
    source.phantom_pages = value.contains("pages")
                               ? int(get_int(value["pages"], child(pointer, "pages"), 1, 1000))
                               : 1;
    if (value.contains("cc"))
        source.phantom_cc = uint16_t(
            get_constant(value["cc"], child(pointer, "cc"), NameKind::ConditionCode, 0xFFFF));
}

void parse_faults(const json &value, const std::string &pointer, SourceSpec &source) {
    require_object(value, pointer);
    check_keys(value, pointer,
               {"triplets", "capabilities", "pages", "never_ready", "phantom_pages"});
    if (value.contains("triplets"))
        source.triplet_faults = parse_triplet_faults(value["triplets"], child(pointer, "triplets"));
    if (value.contains("capabilities")) {
        const json &list = value["capabilities"];
        if (!list.is_array())
            fail(child(pointer, "capabilities"), "expected a list of capability faults");
        for (size_t i = 0; i < list.size(); ++i)
            source.cap_faults.push_back(
                parse_cap_fault(list[i], child(child(pointer, "capabilities"), i)));
    }
    if (value.contains("pages")) {
        const json &list = value["pages"];
        if (!list.is_array())
            fail(child(pointer, "pages"), "expected a list of page faults");
        for (size_t i = 0; i < list.size(); ++i)
            source.page_faults.push_back(
                parse_page_fault(list[i], child(child(pointer, "pages"), i)));
    }
    if (value.contains("never_ready"))
        source.never_ready = get_bool(value["never_ready"], child(pointer, "never_ready"));
    if (value.contains("phantom_pages"))
        parse_phantom_pages(value["phantom_pages"], child(pointer, "phantom_pages"), source);
}

void parse_device(const json &value, const std::string &pointer, SourceSpec &source) {
    if (value.contains("feeder"))
        source.feeder = get_bool(value["feeder"], child(pointer, "feeder"));
    if (value.contains("flatbed"))
        source.flatbed = get_bool(value["flatbed"], child(pointer, "flatbed"));
    if (!source.feeder && !source.flatbed)
        fail(pointer, "a device has a feeder, a flatbed or both");
    if (value.contains("duplex")) {
        std::string kind = get_string(value["duplex"], child(pointer, "duplex"), 16);
        if (kind == "none")
            source.duplex = DuplexKind::None;
        else if (kind == "one-pass")
            source.duplex = DuplexKind::OnePass;
        else if (kind == "two-pass")
            source.duplex = DuplexKind::TwoPass;
        else
            fail(child(pointer, "duplex"), "expected \"none\", \"one-pass\" or \"two-pass\"");
        if (source.duplex != DuplexKind::None && !source.feeder)
            fail(child(pointer, "duplex"), "duplex scanning needs a feeder");
    }
    if (value.contains("ui_controllable"))
        source.ui_controllable =
            get_bool(value["ui_controllable"], child(pointer, "ui_controllable"));
    if (value.contains("unknown_page_count"))
        source.unknown_page_count =
            get_bool(value["unknown_page_count"], child(pointer, "unknown_page_count"));
    if (value.contains("twain2"))
        source.twain2 = get_bool(value["twain2"], child(pointer, "twain2"));
}

void parse_dib_shape(const json &value, const std::string &pointer, DibShape &dib) {
    require_object(value, pointer);
    check_keys(value, pointer,
               {"header", "resolution", "size_image", "clr_used", "rows", "grey_table"});
    if (value.contains("header")) {
        dib.header = int(get_int(value["header"], child(pointer, "header"), 40, 124));
        if (dib.header != 40 && dib.header != 108 && dib.header != 124)
            fail(child(pointer, "header"), "expected 40, 108 or 124");
    }
    if (value.contains("resolution"))
        dib.resolution = get_bool(value["resolution"], child(pointer, "resolution"));
    auto one_of = [&](const char *key, std::initializer_list<const char *> words) {
        std::string word = get_string(value[key], child(pointer, key), 16);
        int index = 0;
        for (const char *w : words) {
            if (word == w)
                return index;
            ++index;
        }
        fail(child(pointer, key), "unexpected \"" + word + "\"");
        return 0;
    };
    if (value.contains("size_image"))
        dib.size_image = DibShape::SizeImage(one_of("size_image", {"exact", "zero", "wrong"}));
    if (value.contains("clr_used"))
        dib.clr_used_zero = one_of("clr_used", {"exact", "zero"}) == 1;
    if (value.contains("rows"))
        dib.top_down = one_of("rows", {"bottom_up", "top_down"}) == 1;
    if (value.contains("grey_table"))
        dib.reversed_grey = one_of("grey_table", {"ramp", "reversed"}) == 1;
}

SourceSpec parse_source(const json &value, const std::string &pointer) {
    require_object(value, pointer);
    check_keys(value, pointer,
               {"name", "manufacturer", "family", "version", "default", "feeder", "flatbed",
                "duplex", "ui_controllable", "unknown_page_count", "twain2", "driver", "paper",
                "operator", "capabilities", "faults", "dib"});
    SourceSpec source;
    if (!value.contains("name"))
        fail(child(pointer, "name"), "a source needs a \"name\"");
    source.name = get_string(value["name"], child(pointer, "name"), 33);
    if (source.name.empty())
        fail(child(pointer, "name"), "a source name is not empty");
    if (value.contains("manufacturer"))
        source.manufacturer = get_string(value["manufacturer"], child(pointer, "manufacturer"), 33);
    if (value.contains("family"))
        source.family = get_string(value["family"], child(pointer, "family"), 33);
    if (value.contains("version")) {
        const json &version = value["version"];
        std::string at = child(pointer, "version");
        require_object(version, at);
        check_keys(version, at, {"major", "minor", "info"});
        if (version.contains("major"))
            source.version_major = int(get_int(version["major"], child(at, "major"), 0, 65535));
        if (version.contains("minor"))
            source.version_minor = int(get_int(version["minor"], child(at, "minor"), 0, 65535));
        if (version.contains("info"))
            source.version_info = get_string(version["info"], child(at, "info"), 33);
    }
    if (value.contains("default"))
        source.is_default = get_bool(value["default"], child(pointer, "default"));
    if (value.contains("driver")) {
        source.driver = get_string(value["driver"], child(pointer, "driver"), 64);
        if (source.driver.empty() || source.driver.find_first_of("/\\:") != std::string::npos)
            fail(child(pointer, "driver"), "expected a file name in the twain_32 folder");
    }
    parse_device(value, pointer, source);
    if (source.feeder)
        for (size_t i = 1; i <= 3; ++i)
            source.paper.sheets.push_back({parse_side("printed", "", default_label(i, true)),
                                           parse_side("printed", "", default_label(i, false))});
    source.paper.glass = parse_side("printed", "", default_label(1, true));
    if (value.contains("paper"))
        parse_paper(value["paper"], child(pointer, "paper"), source);
    if (value.contains("operator"))
        parse_operator(value["operator"], child(pointer, "operator"), source.op);
    source.caps = default_capabilities(source);
    if (value.contains("capabilities"))
        parse_capabilities(value["capabilities"], child(pointer, "capabilities"), source);
    if (value.contains("faults"))
        parse_faults(value["faults"], child(pointer, "faults"), source);
    if (value.contains("dib"))
        parse_dib_shape(value["dib"], child(pointer, "dib"), source.dib);
    if (source.op.give_up_ms && !source.never_ready)
        fail(child(child(pointer, "operator"), "give_up_ms"),
             "the person gives up only on a device that never starts (\"never_ready\")");
    return source;
}

void parse_root(const json &root, Scenario &scenario) {
    require_object(root, "");
    check_keys(root, "", {"sources", "user_select", "faults"});
    if (!root.contains("sources") || !root["sources"].is_array())
        fail("/sources", "expected a list of sources");
    const json &sources = root["sources"];
    std::set<std::string> names;
    int defaults = 0;
    for (size_t i = 0; i < sources.size(); ++i) {
        std::string at = child("/sources", i);
        SourceSpec source = parse_source(sources[i], at);
        if (!names.insert(source.name).second)
            fail(child(at, "name"), "two sources are named \"" + source.name + "\"");
        if (source.is_default && ++defaults > 1)
            fail(child(at, "default"), "only one source is the default");
        scenario.sources.push_back(std::move(source));
    }
    if (root.contains("user_select")) {
        std::string answer = get_string(root["user_select"], "/user_select", 33);
        if (answer == "cancel") {
            scenario.user_select = UserSelect::Cancel;
        } else {
            if (!names.count(answer))
                fail("/user_select", "no source is named \"" + answer + "\"");
            scenario.user_select = UserSelect::Name;
            scenario.user_select_name = answer;
        }
    }
    if (root.contains("faults"))
        scenario.manager_faults = parse_triplet_faults(root["faults"], "/faults");
}

std::string line_and_column(const std::string &text, size_t byte) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i + 1 < byte && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

} // namespace

bool value_fits(uint16_t item_type, double value) {
    if (item_type == TWTY_FIX32)
        return value >= -32768.0 && value < 32768.0;
    if (value != std::floor(value))
        return false;
    switch (item_type) {
    case TWTY_INT8:
        return value >= -128 && value <= 127;
    case TWTY_UINT8:
        return value >= 0 && value <= 255;
    case TWTY_INT16:
        return value >= -32768 && value <= 32767;
    case TWTY_UINT16:
        return value >= 0 && value <= 65535;
    case TWTY_INT32:
        return value >= -2147483648.0 && value <= 2147483647.0;
    case TWTY_UINT32:
        return value >= 0 && value <= 4294967295.0;
    case TWTY_BOOL:
        return value == 0 || value == 1;
    }
    return false;
}

const SourceSpec *Scenario::find(const std::string &name) const {
    for (const auto &source : sources)
        if (source.name == name)
            return &source;
    return nullptr;
}

const SourceSpec *Scenario::default_source() const {
    for (const auto &source : sources)
        if (source.is_default)
            return &source;
    return sources.empty() ? nullptr : &sources.front();
}

bool parse_scenario(const std::string &text, const std::string &path, Scenario *scenario,
                    std::string *error) {
    Scenario parsed;
    parsed.path = path;
    parsed.content = text;
    std::string prefix = "zelvirtual: scenario " + path + ": ";
    try {
        json root = json::parse(text);
        parse_root(root, parsed);
    } catch (const json::parse_error &e) {
        std::string reason = e.what();
        // nlohmann's text repeats the position; keep the reason after it.
        auto colon = reason.find(": ", reason.find("parse error"));
        if (colon != std::string::npos)
            reason = reason.substr(colon + 2);
        *error = prefix + line_and_column(text, e.byte) + ": " + reason;
        return false;
    } catch (const ScenarioProblem &e) {
        *error = prefix + "at " + e.pointer + ": " + e.what();
        return false;
    } catch (const json::exception &e) {
        *error = prefix + e.what();
        return false;
    }
    *scenario = std::move(parsed);
    return true;
}

bool load_scenario(const std::string &host_path, Scenario *scenario, std::string *error) {
    std::ifstream file(host_path, std::ios::binary);
    if (!file) {
        *error = "zelvirtual: scenario " + host_path + ": cannot be opened";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parse_scenario(text.str(), host_path, scenario, error);
}

std::string scenario_location() {
    const char *env = std::getenv("ZELTWAIN_SCENARIO");
    if (env && *env)
        return env;
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(length == 0 || length >= sizeof windows ? "." : windows) + "/scenario.json";
}

} // namespace zelvirt
