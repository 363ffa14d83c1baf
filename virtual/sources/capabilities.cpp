// Capability negotiation of the virtual sources.
//
// A SET of one value is checked against the values offered now: a listed
// value is taken (TWRC_SUCCESS); an unlisted one is refused
// (TWCC_BADVALUE), or, for capabilities marked "nearest" (resolutions,
// brightness, contrast), replaced by the nearest offered value
// (TWRC_CHECKSTATUS).  A SET of a list narrows what is offered.
#include "capabilities.h"

#include "containers.h"

#include <algorithm>
#include <cmath>

namespace zelvirt {
namespace {

bool is_integer_type(uint16_t type) {
    return type <= TWTY_UINT32;
}

// Whether an application's item type can carry a value of the capability's
// type: the same type, or two integer types.
bool compatible(uint16_t offered, uint16_t received) {
    return offered == received || (is_integer_type(offered) && is_integer_type(received));
}

// The bit depth a pixel type scans with.
std::optional<double> depth_of(double pixel_type) {
    if (pixel_type == TWPT_BW)
        return 1;
    if (pixel_type == TWPT_GRAY)
        return 8;
    if (pixel_type == TWPT_RGB)
        return 24;
    return std::nullopt;
}

bool contains(const std::vector<double> &values, double value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

Outcome failure(uint16_t cc) {
    return {TWRC_FAILURE, cc};
}

} // namespace

CapabilityStore::CapabilityStore(const SourceSpec &source) : faults_(source.cap_faults) {
    for (const auto &[cap, spec] : source.caps) {
        Live live;
        live.spec = spec;
        live.values = spec.values;
        live.min = spec.min;
        live.max = spec.max;
        live.step = spec.step;
        live.current = spec.current;
        caps_[cap] = live;
    }
}

double CapabilityStore::current(uint16_t cap, double fallback) const {
    auto it = caps_.find(cap);
    return it == caps_.end() ? fallback : it->second.current;
}

void CapabilityStore::set_feeder_loaded(bool loaded) {
    auto it = caps_.find(CAP_FEEDERLOADED);
    if (it != caps_.end())
        it->second.current = loaded ? 1 : 0;
}

// What is offered now; the bit depths follow the current pixel type.
std::vector<double> CapabilityStore::offered(const Live &live) const {
    if (live.spec.cap == ICAP_BITDEPTH) {
        auto depth = depth_of(current(ICAP_PIXELTYPE, TWPT_RGB));
        if (depth && contains(live.values, *depth))
            return {*depth};
    }
    return live.values;
}

// Keeps dependent capabilities consistent after a change.
void CapabilityStore::after_change(uint16_t cap) {
    if (cap != ICAP_PIXELTYPE)
        return;
    auto depth = caps_.find(ICAP_BITDEPTH);
    auto wanted = depth_of(current(ICAP_PIXELTYPE, TWPT_RGB));
    if (depth != caps_.end() && wanted && contains(depth->second.values, *wanted))
        depth->second.current = *wanted;
}

Outcome CapabilityStore::handle(uint16_t msg, TW_CAPABILITY &capability) {
    if (capability.Cap == CAP_SUPPORTEDCAPS && msg != MSG_SET && msg != MSG_RESET &&
        msg != MSG_QUERYSUPPORT) {
        ContainerImage image;
        image.container = Container::Array;
        image.item_type = TWTY_UINT16;
        image.values.push_back(CAP_SUPPORTEDCAPS);
        for (const auto &[cap, live] : caps_)
            image.values.push_back(cap);
        return deliver(image, capability);
    }
    if (capability.Cap == CAP_SUPPORTEDCAPS && msg == MSG_QUERYSUPPORT)
        return query_support(capability);
    if (capability.Cap == CAP_SUPPORTEDCAPS)
        return failure(TWCC_CAPBADOPERATION);
    if (!caps_.count(capability.Cap))
        return failure(TWCC_CAPUNSUPPORTED);
    switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
        return get(msg, capability);
    case MSG_SET:
        return set(capability);
    case MSG_RESET:
        return reset(capability);
    case MSG_QUERYSUPPORT:
        return query_support(capability);
    }
    return failure(TWCC_BADPROTOCOL);
}

ContainerImage CapabilityStore::image_of(uint16_t msg, const Live &live) const {
    ContainerImage image;
    image.item_type = live.spec.item_type;
    std::vector<double> values = offered(live);
    double fallback = values.empty() ? live.current : values.front();
    double current = contains(values, live.current) || values.empty() ? live.current : fallback;
    double default_value = live.spec.default_value;
    if (live.spec.container == Container::Array) {
        image.container = Container::Array;
        image.values = values;
    } else if (msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT ||
               live.spec.container == Container::OneValue) {
        image.container = Container::OneValue;
        image.values = {msg == MSG_GETDEFAULT ? default_value : current};
    } else if (live.spec.container == Container::Range) {
        image.container = Container::Range;
        image.min = live.min;
        image.max = live.max;
        image.step = live.step;
        image.current = current;
        image.default_value = default_value;
    } else {
        image.container = Container::Enumeration;
        image.values = values;
        auto index_of = [&values](double value) {
            auto it = std::find(values.begin(), values.end(), value);
            return uint32_t(it == values.end() ? 0 : it - values.begin());
        };
        image.current_index = index_of(current);
        image.default_index = index_of(default_value);
    }
    return image;
}

Outcome CapabilityStore::deliver(const ContainerImage &image, TW_CAPABILITY &capability) {
    HGLOBAL block = build_container(image);
    if (!block)
        return failure(TWCC_LOWMEMORY);
    capability.ConType = container_code(image.container);
    capability.hContainer = block;
    return {};
}

Outcome CapabilityStore::get(uint16_t msg, TW_CAPABILITY &capability) {
    const Live &live = caps_.at(capability.Cap);
    for (const auto &fault : faults_)
        if (fault.cap == capability.Cap && (!fault.msg || *fault.msg == msg))
            return apply_fault(fault, live, capability);
    return deliver(image_of(msg, live), capability);
}

// A malformed answer, for the application's failure paths.
Outcome CapabilityStore::apply_fault(const CapFault &fault, const Live &live,
                                     TW_CAPABILITY &capability) {
    ContainerImage image = image_of(MSG_GET, live);
    auto as_list = [&image, &live, this] {
        if (image.container == Container::Enumeration || image.container == Container::Array)
            return;
        image.container = Container::Enumeration;
        image.values = offered(live);
        if (image.values.empty())
            image.values = {live.current};
        image.current_index = image.default_index = 0;
    };
    switch (fault.kind) {
    case Malformation::EmptyList:
        as_list();
        image.values.clear();
        image.current_index = image.default_index = 0;
        break;
    case Malformation::IndexOutOfRange:
        as_list();
        image.current_index = image.default_index = uint32_t(image.values.size());
        break;
    case Malformation::WrongItemType:
        switch (image.item_type) {
        case TWTY_BOOL:
            image.claimed_type = TWTY_UINT16;
            break;
        case TWTY_FIX32:
            image.claimed_type = TWTY_INT32;
            break;
        case TWTY_INT32:
        case TWTY_UINT32:
            image.claimed_type = TWTY_FIX32;
            break;
        default:
            image.claimed_type = TWTY_BOOL;
        }
        break;
    case Malformation::ItemTypeAbove12:
        image.claimed_type = TWTY_STR1024;
        break;
    case Malformation::NoContainer:
        capability.ConType = TWON_ONEVALUE;
        capability.hContainer = 0;
        return {};
    case Malformation::NotABlock:
    case Malformation::RefusedWithGarbage:
        capability.ConType = TWON_ONEVALUE;
        capability.hContainer = TW_HANDLE(TW_UINTPTR(0x7FFE0000u | capability.Cap));
        if (fault.kind == Malformation::RefusedWithGarbage)
            return failure(TWCC_BUMMER);
        return {};
    case Malformation::RangeInsteadOfList: {
        std::vector<double> values = offered(live);
        image.container = Container::Range;
        image.min = values.empty() ? live.min : *std::min_element(values.begin(), values.end());
        image.max = values.empty() ? live.max : *std::max_element(values.begin(), values.end());
        image.step = 1;
        image.current = live.current;
        image.default_value = live.spec.default_value;
        break;
    }
    case Malformation::HugeNumItems:
        as_list();
        image.claimed_items = 0x40000000u;
        break;
    }
    return deliver(image, capability);
}

Outcome CapabilityStore::set_value(uint16_t cap, double value) {
    auto it = caps_.find(cap);
    if (it == caps_.end())
        return failure(TWCC_CAPUNSUPPORTED);
    return set_one(it->second, value);
}

Outcome CapabilityStore::set_one(Live &live, double value) {
    if (live.spec.readonly)
        return failure(TWCC_CAPBADOPERATION);
    if (!value_fits(live.spec.item_type, value))
        return failure(TWCC_BADVALUE);
    if (live.spec.cap == CAP_XFERCOUNT) {
        if (value != -1 && !(value >= 1 && value <= 32767))
            return failure(TWCC_BADVALUE);
        live.current = value;
        return {};
    }
    if (live.spec.container == Container::Range) {
        if (value < live.min || value > live.max)
            return failure(TWCC_BADVALUE);
        double steps = std::round((value - live.min) / live.step);
        double snapped = std::min(live.max, live.min + steps * live.step);
        if (std::fabs(snapped - value) > 1e-9 && !live.spec.nearest)
            return failure(TWCC_BADVALUE);
        live.current = snapped;
        return {std::fabs(snapped - value) > 1e-9 ? uint16_t(TWRC_CHECKSTATUS)
                                                  : uint16_t(TWRC_SUCCESS),
                TWCC_SUCCESS};
    }
    std::vector<double> values = offered(live);
    if (values.empty() || contains(values, value)) {
        live.current = value;
        after_change(live.spec.cap);
        return {};
    }
    if (!live.spec.nearest)
        return failure(TWCC_BADVALUE);
    double nearest = *std::min_element(values.begin(), values.end(), [value](double a, double b) {
        return std::fabs(a - value) < std::fabs(b - value);
    });
    live.current = nearest;
    after_change(live.spec.cap);
    return {TWRC_CHECKSTATUS, TWCC_SUCCESS};
}

// A list sent back narrows the offered values to those the device has;
// values it does not have are dropped (TWRC_CHECKSTATUS).
Outcome CapabilityStore::narrow(Live &live, const ReceivedContainer &received) {
    std::vector<double> kept;
    bool dropped = false;
    for (double value : received.values) {
        if (!contains(live.spec.values, value))
            dropped = true;
        else if (!contains(kept, value))
            kept.push_back(value);
    }
    if (kept.empty())
        return failure(TWCC_BADVALUE);
    double wanted = received.container == Container::Enumeration
                        ? received.values[received.current_index]
                        : live.current;
    live.values = kept;
    if (contains(kept, wanted)) {
        live.current = wanted;
    } else {
        live.current = kept.front();
        dropped = true;
    }
    after_change(live.spec.cap);
    return {dropped ? uint16_t(TWRC_CHECKSTATUS) : uint16_t(TWRC_SUCCESS), TWCC_SUCCESS};
}

Outcome CapabilityStore::set(TW_CAPABILITY &capability) {
    Live &live = caps_.at(capability.Cap);
    if (live.spec.readonly)
        return failure(TWCC_CAPBADOPERATION);
    auto received = read_container(capability.ConType, capability.hContainer);
    if (!received || !compatible(live.spec.item_type, received->item_type))
        return failure(TWCC_BADVALUE);
    switch (received->container) {
    case Container::OneValue:
        if (live.spec.container == Container::Array)
            return failure(TWCC_BADVALUE);
        return set_one(live, received->values.front());
    case Container::Enumeration:
        if (live.spec.container != Container::Enumeration ||
            received->current_index >= received->values.size())
            return failure(TWCC_BADVALUE);
        return narrow(live, *received);
    case Container::Array:
        if (live.spec.container != Container::Enumeration &&
            live.spec.container != Container::Array)
            return failure(TWCC_BADVALUE);
        return narrow(live, *received);
    case Container::Range:
        if (live.spec.container != Container::Range || received->min > received->max ||
            received->min < live.spec.min || received->max > live.spec.max ||
            !(received->step > 0) || received->current < received->min ||
            received->current > received->max)
            return failure(TWCC_BADVALUE);
        live.min = received->min;
        live.max = received->max;
        live.step = received->step;
        live.current = received->current;
        return {};
    }
    return failure(TWCC_BADVALUE);
}

Outcome CapabilityStore::reset(TW_CAPABILITY &capability) {
    Live &live = caps_.at(capability.Cap);
    if (live.spec.readonly)
        return failure(TWCC_CAPBADOPERATION);
    live.values = live.spec.values;
    live.min = live.spec.min;
    live.max = live.spec.max;
    live.step = live.spec.step;
    live.current = live.spec.default_value;
    after_change(live.spec.cap);
    return deliver(image_of(MSG_GET, live), capability);
}

Outcome CapabilityStore::query_support(TW_CAPABILITY &capability) {
    TW_INT32 flags = TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT;
    auto it = caps_.find(capability.Cap);
    if (it != caps_.end() && !it->second.spec.readonly)
        flags |= TWQC_SET | TWQC_RESET;
    ContainerImage image;
    image.container = Container::OneValue;
    image.item_type = TWTY_INT32;
    image.values = {double(flags)};
    return deliver(image, capability);
}

} // namespace zelvirt
