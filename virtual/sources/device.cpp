// Devices and their registry.  The registry lives in this library, which
// stays loaded for the rest of the process (see module_pin.cpp), so a
// device keeps its paper when the manager is unloaded and loaded again.
#include "device.h"

#include <map>
#include <memory>

namespace zelvirt {

Device::Device(const SourceSpec &source) : glass_(source.paper.glass) {
    for (const auto &sheet : source.paper.sheets)
        feeder_.push_back({sheet.front, sheet.back});
}

std::optional<Sheet> Device::feed_sheet() {
    if (feeder_.empty())
        return std::nullopt;
    Sheet sheet = feeder_.front();
    feeder_.pop_front();
    tray_.push_back(sheet);
    return sheet;
}

bool Device::reload_turned_stack() {
    if (reloaded_ || !feeder_.empty() || tray_.empty())
        return false;
    // The last sheet out lies on top of the tray; turned over, it is fed
    // first, back side up.
    for (auto it = tray_.rbegin(); it != tray_.rend(); ++it)
        feeder_.push_back({it->back, it->front});
    tray_.clear();
    reloaded_ = true;
    return true;
}

Device &device_for(const Scenario &scenario, const SourceSpec &source) {
    // Never destroyed: devices live as long as the process.
    static auto *devices = new std::map<std::string, std::unique_ptr<Device>>;
    std::string key = scenario.content + '\x1f' + source.name;
    auto &slot = (*devices)[key];
    if (!slot)
        slot = std::make_unique<Device>(source);
    return *slot;
}

} // namespace zelvirt
