// The virtual TWAIN data source manager: states 2 and 3 of the protocol,
// the list of sources from the scenario, the selection "dialog", opening and
// closing sources through their DS_Entry, and routing of source triplets.
#pragma once

#include "shared/scenario.h"

#include <twain.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zelvirt {

struct Outcome {
    uint16_t rc = TWRC_SUCCESS;
    uint16_t cc = TWCC_SUCCESS;
};

// Whether this module's file is TWAINDSM.DLL (any case): the manager then
// lists the source files of its folder, as TWAIN's own 2.x manager does,
// instead of the scenario's devices.
bool stands_as_twaindsm();

class Manager {
  public:
    // `entry_point` is this manager's DSM_Entry, for TWAIN 2 sources;
    // `twaindsm` whether it stands as TWAINDSM.DLL (by its file name).
    Manager(DSMENTRYPROC entry_point, bool twaindsm)
        : entry_point_(entry_point), twaindsm_(twaindsm) {}

    // A triplet with a null destination.
    Outcome handle(TW_IDENTITY *origin, uint32_t dg, uint16_t dat, uint16_t msg, void *data);
    // A triplet addressed to a source; the source's answer is its result.
    uint16_t route(TW_IDENTITY *origin, const TW_IDENTITY &dest, uint32_t dg, uint16_t dat,
                   uint16_t msg, void *data);
    // DG_CONTROL / DAT_NULL from a TWAIN 2 source to the application.
    Outcome signal(const TW_IDENTITY *origin, const TW_IDENTITY &dest, uint16_t msg);

    int state() const { return state_; }

  private:
    struct OpenSource {
        TW_IDENTITY identity;
        HMODULE module = 0;
        DSENTRYPROC entry = nullptr;
    };

    Outcome parent(TW_IDENTITY *origin, uint16_t msg, void *data);
    Outcome identity(TW_IDENTITY *origin, uint16_t msg, TW_IDENTITY *data);
    Outcome open_source(TW_IDENTITY *origin, TW_IDENTITY *data);
    void list_scenario();
    void list_source_files();
    uint16_t give_entry_point(OpenSource &source, TW_IDENTITY *origin);
    TW_UINT16 deliver_signal(TW_UINT32 source, TW_EVENT *event, TW_UINT16 rc);
    Outcome close_source(TW_IDENTITY *origin, TW_IDENTITY *data);
    std::optional<Outcome> take_fault(uint32_t dg, uint16_t dat, uint16_t msg);
    std::optional<size_t> default_index() const;
    uint16_t source_condition(OpenSource &source, TW_IDENTITY *origin);

    DSMENTRYPROC entry_point_;
    bool twaindsm_;
    int state_ = 2;
    HWND parent_ = 0;
    TW_UINT32 application_ = 0;
    Scenario scenario_;
    std::vector<TW_IDENTITY> sources_;
    std::vector<std::string> files_; // the source file of each listed source
    size_t next_ = 0;
    std::optional<size_t> chosen_; // the user's last choice, the default from then on
    std::map<TW_UINT32, OpenSource> open_;
    std::map<TW_UINT32, std::deque<uint16_t>> signals_; // by source, for MSG_PROCESSEVENT
    std::vector<int> fault_counts_;
    uint16_t condition_ = TWCC_SUCCESS; // for DAT_STATUS
};

} // namespace zelvirt
