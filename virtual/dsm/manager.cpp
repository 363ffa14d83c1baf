// The manager's side of the protocol.  A triplet out of sequence answers
// TWRC_FAILURE with TWCC_SEQERROR and changes nothing; an unknown source
// TWCC_BADDEST; an unknown triplet TWCC_BADPROTOCOL.
#include "manager.h"

#include "shared/trace_log.h"

#include <cstring>
#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace zelvirt {
namespace {

// Application Ids start above the sources' Ids, which are their positions
// in the list counted from 1.
constexpr TW_UINT32 kFirstApplicationId = 1000;

Outcome failure(uint16_t cc) {
    return {TWRC_FAILURE, cc};
}

void copy_text(char *field, size_t size, const std::string &text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

std::string product_name(const TW_IDENTITY &identity) {
    return std::string(identity.ProductName, strnlen(identity.ProductName, sizeof(TW_STR32)));
}

TW_IDENTITY identity_of(const SourceSpec &spec, TW_UINT32 id) {
    TW_IDENTITY identity;
    std::memset(&identity, 0, sizeof identity);
    identity.Id = id;
    identity.Version.MajorNum = TW_UINT16(spec.version_major);
    identity.Version.MinorNum = TW_UINT16(spec.version_minor);
    identity.Version.Language = TWLG_ENGLISH;
    identity.Version.Country = TWCY_USA;
    copy_text(identity.Version.Info, sizeof(TW_STR32), spec.version_info);
    identity.ProtocolMajor = TWON_PROTOCOLMAJOR;
    identity.ProtocolMinor = TWON_PROTOCOLMINOR;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    copy_text(identity.Manufacturer, sizeof(TW_STR32), spec.manufacturer);
    copy_text(identity.ProductFamily, sizeof(TW_STR32), spec.family);
    copy_text(identity.ProductName, sizeof(TW_STR32), spec.name);
    return identity;
}

// Where the sources lie, below the Windows folder: 64-bit sources go to
// twain_64, as TWAIN's own 64-bit manager looks for them there.
#ifdef _WIN64
constexpr char kSourcesFolder[] = "\\twain_64\\";
#else
constexpr char kSourcesFolder[] = "\\twain_32\\";
#endif

// The folder holding this manager, where its scenario lies by default.
std::string manager_folder() {
#ifdef _WIN32
    HMODULE self = nullptr;
    char name[MAX_PATH];
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&manager_folder), &self) ||
        !GetModuleFileNameA(self, name, sizeof name))
        return ".";
    std::string path = name;
#else
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&manager_folder), &info) || !info.dli_fname)
        return ".";
    std::string path = info.dli_fname;
#endif
    auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

} // namespace

std::optional<Outcome> Manager::take_fault(uint32_t dg, uint16_t dat, uint16_t msg) {
    fault_counts_.resize(scenario_.manager_faults.size(), 0);
    for (size_t i = 0; i < scenario_.manager_faults.size(); ++i) {
        const TripletFault &fault = scenario_.manager_faults[i];
        if ((fault.dg && *fault.dg != dg) || (fault.dat && *fault.dat != dat) ||
            (fault.msg && *fault.msg != msg) || fault.cap)
            continue;
        ++fault_counts_[i];
        if (fault.fires_at(fault_counts_[i]))
            return Outcome{fault.rc, fault.cc};
    }
    return std::nullopt;
}

Outcome Manager::handle(TW_IDENTITY *origin, uint32_t dg, uint16_t dat, uint16_t msg, void *data) {
    Outcome outcome;
    if (dg == DG_CONTROL && dat == DAT_STATUS) {
        if (msg != MSG_GET)
            return failure(TWCC_BADPROTOCOL);
        if (!data)
            return failure(TWCC_BADVALUE);
        auto *status = static_cast<TW_STATUS *>(data);
        status->ConditionCode = condition_;
        status->Reserved = 0;
        condition_ = TWCC_SUCCESS;
        return {};
    }
    // MSG_OPENDSM reads the scenario first, and then looks for its faults.
    bool opening = dg == DG_CONTROL && dat == DAT_PARENT && msg == MSG_OPENDSM;
    std::optional<Outcome> fault;
    if (!opening)
        fault = take_fault(dg, dat, msg);
    if (fault)
        outcome = *fault;
    else if (dg == DG_CONTROL && dat == DAT_PARENT)
        outcome = parent(origin, msg, data);
    else if (dg == DG_CONTROL && dat == DAT_IDENTITY)
        outcome = identity(origin, msg, static_cast<TW_IDENTITY *>(data));
    else
        outcome = failure(TWCC_BADPROTOCOL);
    condition_ = outcome.cc;
    return outcome;
}

Outcome Manager::parent(TW_IDENTITY *origin, uint16_t msg, void *data) {
    switch (msg) {
    case MSG_OPENDSM: {
        if (state_ != 2)
            return failure(TWCC_SEQERROR);
        if (!data || !origin)
            return failure(TWCC_BADVALUE);
        std::string error;
        Scenario scenario;
        if (!load_scenario(locate_scenario(manager_folder()), &scenario, &error)) {
            report_problem(error);
            return failure(TWCC_BUMMER);
        }
        if (scenario.content != scenario_.content)
            fault_counts_.clear();
        scenario_ = std::move(scenario);
        if (auto fault = take_fault(DG_CONTROL, DAT_PARENT, MSG_OPENDSM))
            return *fault;
        sources_.clear();
        for (size_t i = 0; i < scenario_.sources.size(); ++i)
            sources_.push_back(identity_of(scenario_.sources[i], TW_UINT32(i + 1)));
        static TW_UINT32 applications = 0;
        origin->Id = kFirstApplicationId + applications++;
        parent_ = *static_cast<HWND *>(data);
        next_ = 0;
        state_ = 3;
        return {};
    }
    case MSG_CLOSEDSM:
        if (state_ != 3 || !open_.empty())
            return failure(TWCC_SEQERROR);
        if (!data)
            return failure(TWCC_BADVALUE);
        sources_.clear();
        parent_ = 0;
        state_ = 2;
        return {};
    }
    return failure(TWCC_BADPROTOCOL);
}

std::optional<size_t> Manager::default_index() const {
    if (sources_.empty())
        return std::nullopt;
    if (chosen_ && *chosen_ < sources_.size())
        return chosen_;
    const SourceSpec *spec = scenario_.default_source();
    for (size_t i = 0; spec && i < sources_.size(); ++i)
        if (product_name(sources_[i]) == spec->name)
            return i;
    return 0;
}

Outcome Manager::identity(TW_IDENTITY *origin, uint16_t msg, TW_IDENTITY *data) {
    if (state_ != 3)
        return failure(TWCC_SEQERROR);
    if (!data)
        return failure(TWCC_BADVALUE);
    switch (msg) {
    case MSG_GETFIRST:
        next_ = 0;
        [[fallthrough]];
    case MSG_GETNEXT:
        if (next_ >= sources_.size())
            return {TWRC_ENDOFLIST, TWCC_SUCCESS};
        *data = sources_[next_++];
        return {};
    case MSG_GETDEFAULT: {
        auto index = default_index();
        if (!index)
            return failure(TWCC_NODS);
        *data = sources_[*index];
        return {};
    }
    case MSG_USERSELECT: {
        // The scenario says what the person answers in the selection dialog.
        auto index = default_index();
        if (!index)
            return failure(TWCC_NODS);
        if (scenario_.user_select == UserSelect::Cancel)
            return {TWRC_CANCEL, TWCC_SUCCESS};
        if (scenario_.user_select == UserSelect::Name)
            for (size_t i = 0; i < sources_.size(); ++i)
                if (product_name(sources_[i]) == scenario_.user_select_name)
                    index = i;
        chosen_ = index;
        *data = sources_[*index];
        return {};
    }
    case MSG_OPENDS:
        return open_source(origin, data);
    case MSG_CLOSEDS:
        return close_source(origin, data);
    }
    return failure(TWCC_BADPROTOCOL);
}

uint16_t Manager::source_condition(OpenSource &source, TW_IDENTITY *origin) {
    TW_STATUS status{};
    if (source.entry(origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS)
        return TWCC_BUMMER;
    return status.ConditionCode;
}

// Opens a source: a zeroed identity (empty ProductName) names the default
// source.  The manager loads the source's library from the sources' folder
// (twain_32, or twain_64 for a 64-bit manager) and completes the identity,
// Id included.
Outcome Manager::open_source(TW_IDENTITY *origin, TW_IDENTITY *data) {
    std::optional<size_t> index;
    std::string wanted = product_name(*data);
    if (wanted.empty())
        index = default_index();
    for (size_t i = 0; !wanted.empty() && i < sources_.size(); ++i)
        if (product_name(sources_[i]) == wanted)
            index = i;
    if (!index)
        return failure(TWCC_NODS);
    const TW_IDENTITY &identity = sources_[*index];
    if (open_.count(identity.Id))
        return failure(TWCC_MAXCONNECTIONS);

    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows)
        return failure(TWCC_BUMMER);
    std::string path = std::string(windows) + kSourcesFolder + scenario_.sources[*index].driver;
    OpenSource source;
    source.identity = identity;
    source.module = LoadLibraryA(path.c_str());
    if (!source.module) {
        report_problem("zelvirtual: cannot load the source library " + path);
        return failure(TWCC_NODS);
    }
    // Through void (*)(), the generic function pointer type, as for any
    // GetProcAddress result of another signature.
    source.entry = reinterpret_cast<DSENTRYPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(source.module, "DS_Entry")));
    if (!source.entry) {
        report_problem("zelvirtual: " + path + " has no DS_Entry");
        FreeLibrary(source.module);
        return failure(TWCC_NODS);
    }
    *data = identity;
    uint16_t rc = source.entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, data);
    if (rc != TWRC_SUCCESS) {
        uint16_t cc = source_condition(source, origin);
        FreeLibrary(source.module);
        return {rc, cc};
    }
    data->Id = identity.Id;
    source.identity = *data;
    open_[identity.Id] = source;
    return {};
}

Outcome Manager::close_source(TW_IDENTITY *origin, TW_IDENTITY *data) {
    auto it = open_.find(data->Id);
    if (it == open_.end())
        return failure(TWCC_BADDEST);
    uint16_t rc = it->second.entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, data);
    if (rc != TWRC_SUCCESS)
        return {rc, source_condition(it->second, origin)};
    FreeLibrary(it->second.module);
    open_.erase(it);
    return {};
}

uint16_t Manager::route(TW_IDENTITY *origin, const TW_IDENTITY &dest, uint32_t dg, uint16_t dat,
                        uint16_t msg, void *data) {
    auto it = open_.find(dest.Id);
    if (state_ != 3 || it == open_.end()) {
        condition_ = TWCC_BADDEST;
        return TWRC_FAILURE;
    }
    // Opening and closing go through the manager itself, never straight to
    // a source.
    if (dg == DG_CONTROL && dat == DAT_IDENTITY && (msg == MSG_OPENDS || msg == MSG_CLOSEDS)) {
        condition_ = TWCC_BADPROTOCOL;
        return TWRC_FAILURE;
    }
    return it->second.entry(origin, dg, dat, msg, data);
}

} // namespace zelvirt
