// The capabilities of a virtual device before its scenario changes them,
// derived from what the device is (feeder, flatbed, duplex, paper size).
#include "scenario.h"

#include <twain.h>

namespace zelvirt {
namespace {

CapSpec one_value(uint16_t cap, uint16_t type, double value, std::vector<double> allowed = {},
                  bool readonly = false) {
    CapSpec spec;
    spec.cap = cap;
    spec.container = Container::OneValue;
    spec.item_type = type;
    spec.values = std::move(allowed);
    spec.current = spec.default_value = value;
    spec.readonly = readonly;
    return spec;
}

CapSpec enumeration(uint16_t cap, uint16_t type, std::vector<double> values, double current,
                    bool nearest = false) {
    CapSpec spec;
    spec.cap = cap;
    spec.container = Container::Enumeration;
    spec.item_type = type;
    spec.values = std::move(values);
    spec.current = spec.default_value = current;
    spec.nearest = nearest;
    return spec;
}

CapSpec range(uint16_t cap, double min, double max, double step, double current) {
    CapSpec spec;
    spec.cap = cap;
    spec.container = Container::Range;
    spec.item_type = TWTY_FIX32;
    spec.min = min;
    spec.max = max;
    spec.step = step;
    spec.current = spec.default_value = current;
    spec.nearest = true;
    return spec;
}

} // namespace

std::map<uint16_t, CapSpec> default_capabilities(const SourceSpec &source) {
    std::map<uint16_t, CapSpec> caps;
    auto add = [&caps](CapSpec spec) { caps[spec.cap] = std::move(spec); };

    add(one_value(CAP_XFERCOUNT, TWTY_INT16, -1));
    add(one_value(CAP_UICONTROLLABLE, TWTY_BOOL, source.ui_controllable ? 1 : 0, {}, true));
    add(one_value(CAP_ENABLEDSUIONLY, TWTY_BOOL, 1, {}, true));
    add(one_value(CAP_DEVICEONLINE, TWTY_BOOL, 1, {}, true));
    add(one_value(CAP_INDICATORS, TWTY_BOOL, 1, {0, 1}));
    if (source.feeder) {
        std::vector<double> choices =
            source.flatbed ? std::vector<double>{0, 1} : std::vector<double>{1};
        add(one_value(CAP_FEEDERENABLED, TWTY_BOOL, 1, choices));
        add(one_value(CAP_AUTOFEED, TWTY_BOOL, 1, {0, 1}));
        add(one_value(CAP_FEEDERLOADED, TWTY_BOOL, 1, {}, true));
        add(one_value(CAP_PAPERDETECTABLE, TWTY_BOOL, 1, {}, true));
        add(one_value(CAP_DUPLEX, TWTY_UINT16, double(source.duplex), {}, true));
        add(one_value(CAP_DUPLEXENABLED, TWTY_BOOL, 0,
                      source.duplex == DuplexKind::None ? std::vector<double>{0}
                                                        : std::vector<double>{0, 1}));
    } else {
        add(one_value(CAP_FEEDERENABLED, TWTY_BOOL, 0, {0}));
    }

    add(enumeration(ICAP_PIXELTYPE, TWTY_UINT16, {TWPT_BW, TWPT_GRAY, TWPT_RGB}, TWPT_RGB));
    add(enumeration(ICAP_BITDEPTH, TWTY_UINT16, {1, 8, 24}, 24));
    add(enumeration(
        ICAP_UNITS, TWTY_UINT16,
        {TWUN_INCHES, TWUN_CENTIMETERS, TWUN_PICAS, TWUN_POINTS, TWUN_TWIPS, TWUN_PIXELS},
        TWUN_INCHES));
    std::vector<double> resolutions = {50, 75, 100, 150, 200, 300, 600};
    add(enumeration(ICAP_XRESOLUTION, TWTY_FIX32, resolutions, 100, true));
    add(enumeration(ICAP_YRESOLUTION, TWTY_FIX32, resolutions, 100, true));
    add(one_value(ICAP_XNATIVERESOLUTION, TWTY_FIX32, 600, {}, true));
    add(one_value(ICAP_YNATIVERESOLUTION, TWTY_FIX32, 600, {}, true));
    add(range(ICAP_BRIGHTNESS, -1000, 1000, 1, 0));
    add(range(ICAP_CONTRAST, -1000, 1000, 1, 0));
    add(enumeration(ICAP_XFERMECH, TWTY_UINT16, {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY},
                    TWSX_NATIVE));
    add(enumeration(ICAP_IMAGEFILEFORMAT, TWTY_UINT16,
                    {TWFF_TIFF, TWFF_BMP, TWFF_JFIF, TWFF_TIFFMULTI, TWFF_PNG, TWFF_PDF},
                    TWFF_BMP));
    add(enumeration(ICAP_COMPRESSION, TWTY_UINT16, {TWCP_NONE}, TWCP_NONE));
    add(one_value(ICAP_PIXELFLAVOR, TWTY_UINT16, TWPF_CHOCOLATE, {TWPF_CHOCOLATE}));
    add(one_value(ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY, {TWPC_CHUNKY}));
    add(one_value(ICAP_PHYSICALWIDTH, TWTY_FIX32, source.paper.width_inches, {}, true));
    add(one_value(ICAP_PHYSICALHEIGHT, TWTY_FIX32, source.paper.height_inches, {}, true));
    return caps;
}

} // namespace zelvirt
