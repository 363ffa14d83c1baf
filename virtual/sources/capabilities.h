// The capabilities of an open virtual source and their negotiation: what
// MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET and
// MSG_QUERYSUPPORT answer.
#pragma once

#include "shared/scenario.h"

#include <twain.h>

#include <map>
#include <optional>
#include <vector>

namespace zelvirt {

struct Outcome {
    uint16_t rc = TWRC_SUCCESS;
    uint16_t cc = TWCC_SUCCESS;
};

class CapabilityStore {
  public:
    explicit CapabilityStore(const SourceSpec &source);

    // A DAT_CAPABILITY triplet (the state was checked by the caller).
    Outcome handle(uint16_t msg, TW_CAPABILITY &capability);

    // The current value, or the fallback when the device lacks the capability.
    double current(uint16_t cap, double fallback) const;

    // Sets the current value as MSG_SET of a ONEVALUE does.
    Outcome set_value(uint16_t cap, double value);

    // The feeder's contents, reported by CAP_FEEDERLOADED.
    void set_feeder_loaded(bool loaded);

  private:
    struct Live {
        CapSpec spec;               // as the device offers it at power-on
        std::vector<double> values; // offered now (narrowed by MSG_SET)
        double min = 0, max = 0, step = 1;
        double current = 0;
    };

    Outcome get(uint16_t msg, TW_CAPABILITY &capability);
    Outcome set(TW_CAPABILITY &capability);
    Outcome reset(TW_CAPABILITY &capability);
    Outcome query_support(TW_CAPABILITY &capability);
    Outcome set_one(Live &live, double value);
    Outcome narrow(Live &live, const struct ReceivedContainer &received);
    Outcome apply_fault(const CapFault &fault, const Live &live, TW_CAPABILITY &capability);
    std::vector<double> offered(const Live &live) const;
    void after_change(uint16_t cap);
    struct ContainerImage image_of(uint16_t msg, const Live &live) const;
    Outcome deliver(const struct ContainerImage &image, TW_CAPABILITY &capability);

    std::map<uint16_t, Live> caps_;
    std::vector<CapFault> faults_;
};

} // namespace zelvirt
