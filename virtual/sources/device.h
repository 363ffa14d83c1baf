// The physical device behind a virtual source: the sheets in the feeder and
// in the output tray, the page on the glass, and the person who may turn the
// stack over.  A device outlives the source sessions and the manager, as a
// real scanner does; devices are told apart by scenario and name.
#pragma once

#include "shared/scenario.h"

#include <deque>
#include <optional>
#include <vector>

namespace zelvirt {

struct Sheet {
    SideSpec front, back;
};

class Device {
  public:
    explicit Device(const SourceSpec &source);

    bool feeder_loaded() const { return !feeder_.empty(); }
    size_t sheets_in_feeder() const { return feeder_.size(); }

    // Takes the top sheet from the feeder into the output tray.
    std::optional<Sheet> feed_sheet();
    const SideSpec &glass() const { return glass_; }

    // The person turns the output stack over and puts it back into the empty
    // feeder, once per device: the backs then come from the last sheet to
    // the first.  Returns whether the stack was reloaded.
    bool reload_turned_stack();
    // 1 until the stack has been turned over, 2 after.
    int pass() const { return reloaded_ ? 2 : 1; }

  private:
    std::deque<Sheet> feeder_;
    std::vector<Sheet> tray_;
    SideSpec glass_;
    bool reloaded_ = false;
};

// The device of a scenario's source, created on first use.
Device &device_for(const Scenario &scenario, const SourceSpec &source);

} // namespace zelvirt
