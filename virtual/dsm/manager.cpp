// The manager's side of the protocol.  A triplet out of sequence answers
// TWRC_FAILURE with TWCC_SEQERROR and changes nothing; an unknown source
// TWCC_BADDEST; an unknown triplet TWCC_BADPROTOCOL.
#include "manager.h"

#include "shared/identity.h"
#include "shared/trace_log.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
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

// A file of the sources' folder that is no source of ours is passed over as
// TWAIN's own manager does, in its log only: the debug output, never the
// application's terminal.
void trace_note(const std::string &text) {
    OutputDebugStringA((text + "\n").c_str());
}

std::string product_name(const TW_IDENTITY &identity) {
    return std::string(identity.ProductName, strnlen(identity.ProductName, sizeof(TW_STR32)));
}

TW_IDENTITY identity_of(const SourceSpec &spec, TW_UINT32 id) {
    TW_IDENTITY identity;
    std::memset(&identity, 0, sizeof identity);
    identity.Id = id;
    describe_source(spec, identity);
    return identity;
}

// Where the sources lie, below the Windows folder: 64-bit sources go to
// twain_64, as TWAIN's own 64-bit manager looks for them there.
#ifdef _WIN64
constexpr char kSourcesFolder[] = "twain_64";
#else
constexpr char kSourcesFolder[] = "twain_32";
#endif

std::string sources_folder() {
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows)
        return {};
    return (std::filesystem::path(windows) / kSourcesFolder).string();
}

// The file name of this manager's module.
std::string own_file_name() {
#ifdef _WIN32
    HMODULE self = nullptr;
    char name[MAX_PATH];
    DWORD n = 0;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&own_file_name), &self))
        n = GetModuleFileNameA(self, name, sizeof name);
    std::string path = n > 0 && n < sizeof name ? std::string(name, n) : std::string();
#else
    Dl_info info{};
    std::string path;
    if (dladdr(reinterpret_cast<void *>(&own_file_name), &info) && info.dli_fname)
        path = info.dli_fname;
#endif
    return path.substr(path.find_last_of("/\\") + 1);
}

bool same_text_any_case(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Every ".ds" file of the sources' folder and its subfolders, in name order.
std::vector<std::string> source_files() {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::error_code error;
    fs::recursive_directory_iterator it(sources_folder(),
                                        fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error))
        if (it->is_regular_file(error) &&
            same_text_any_case(it->path().extension().string(), ".ds"))
            files.push_back(it->path().string());
    std::sort(files.begin(), files.end());
    return files;
}

DSENTRYPROC ds_entry_of(HMODULE module) {
    // Through void (*)(), the generic function pointer type, as for any
    // GetProcAddress result of another signature.
    return reinterpret_cast<DSENTRYPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DS_Entry")));
}

// The identity a source file answers to DAT_IDENTITY / MSG_GET, asked as
// TWAIN's own manager asks it, with no origin.
std::optional<TW_IDENTITY> read_identity(const std::string &path, TW_UINT32 id) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        trace_note("zelvirtual: cannot load the source library " + path);
        return std::nullopt;
    }
    std::optional<TW_IDENTITY> identity;
    if (DSENTRYPROC entry = ds_entry_of(module)) {
        TW_IDENTITY answer;
        std::memset(&answer, 0, sizeof answer);
        answer.Id = id;
        if (entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &answer) == TWRC_SUCCESS) {
            answer.Id = id;
            identity = answer;
        }
    }
    FreeLibrary(module);
    return identity;
}

// The memory functions handed to TWAIN 2 sources.
TW_HANDLE WINAPI memory_allocate(TW_UINT32 size) {
    return GlobalAlloc(GHND, size);
}
void WINAPI memory_free(TW_HANDLE handle) {
    GlobalFree(handle);
}
TW_MEMREF WINAPI memory_lock(TW_HANDLE handle) {
    return GlobalLock(handle);
}
void WINAPI memory_unlock(TW_HANDLE handle) {
    GlobalUnlock(handle);
}

bool is_signal(uint16_t msg) {
    return msg == MSG_XFERREADY || msg == MSG_CLOSEDSREQ || msg == MSG_CLOSEDSOK ||
           msg == MSG_DEVICEEVENT;
}

} // namespace

bool stands_as_twaindsm() {
    bool twaindsm = same_text_any_case(own_file_name(), "TWAINDSM.DLL");
    OutputDebugStringA(twaindsm ? "zelvirtual: the manager stands as TWAINDSM.DLL\n"
                                : "zelvirtual: the manager stands as TWAIN_32.DLL\n");
    return twaindsm;
}

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
        if (!load_scenario(scenario_location(), &scenario, &error)) {
            report_problem(error);
            return failure(TWCC_BUMMER);
        }
        if (scenario.content != scenario_.content)
            fault_counts_.clear();
        scenario_ = std::move(scenario);
        if (auto fault = take_fault(DG_CONTROL, DAT_PARENT, MSG_OPENDSM))
            return *fault;
        if (twaindsm_)
            list_source_files();
        else
            list_scenario();
        static TW_UINT32 applications = 0;
        origin->Id = kFirstApplicationId + applications++;
        if (twaindsm_)
            origin->SupportedGroups |= DF_DSM2;
        application_ = origin->Id;
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
        files_.clear();
        parent_ = 0;
        state_ = 2;
        return {};
    }
    return failure(TWCC_BADPROTOCOL);
}

// As TWAIN_32.DLL: the scenario's devices, each in its "driver" file.
void Manager::list_scenario() {
    sources_.clear();
    files_.clear();
    const std::filesystem::path folder = sources_folder();
    for (size_t i = 0; i < scenario_.sources.size(); ++i) {
        sources_.push_back(identity_of(scenario_.sources[i], TW_UINT32(i + 1)));
        files_.push_back((folder / scenario_.sources[i].driver).string());
    }
}

// As TWAINDSM.DLL: every source file, loaded for its identity and unloaded.
// A file that gives none, or a name listed already, is left out.
void Manager::list_source_files() {
    sources_.clear();
    files_.clear();
    for (const std::string &file : source_files()) {
        auto identity = read_identity(file, TW_UINT32(sources_.size() + 1));
        bool repeated = identity && std::any_of(sources_.begin(), sources_.end(), [&](auto &s) {
                            return product_name(s) == product_name(*identity);
                        });
        if (!identity || repeated) {
            trace_note("zelvirtual: " + file +
                       (identity ? " repeats a source" : " gives no identity") + ", left out");
            continue;
        }
        sources_.push_back(*identity);
        files_.push_back(file);
    }
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

    const std::string &path = files_[*index];
    OpenSource source;
    source.identity = identity;
    source.module = LoadLibraryA(path.c_str());
    if (!source.module) {
        report_problem("zelvirtual: cannot load the source library " + path);
        return failure(TWCC_NODS);
    }
    source.entry = ds_entry_of(source.module);
    if (!source.entry) {
        report_problem("zelvirtual: " + path + " has no DS_Entry");
        FreeLibrary(source.module);
        return failure(TWCC_NODS);
    }
    *data = identity;
    uint16_t rc = give_entry_point(source, origin);
    if (rc == TWRC_SUCCESS)
        rc = source.entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, data);
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

// As TWAINDSM.DLL, a TWAIN 2 source is given the manager's entry point and
// memory functions before it is opened.
uint16_t Manager::give_entry_point(OpenSource &source, TW_IDENTITY *origin) {
    if (!twaindsm_ || !(source.identity.SupportedGroups & DF_DS2))
        return TWRC_SUCCESS;
    TW_ENTRYPOINT entry{};
    entry.Size = sizeof entry;
    entry.DSM_Entry = entry_point_;
    entry.DSM_MemAllocate = memory_allocate;
    entry.DSM_MemFree = memory_free;
    entry.DSM_MemLock = memory_lock;
    entry.DSM_MemUnlock = memory_unlock;
    return source.entry(origin, DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry);
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
    signals_.erase(data->Id);
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
    TW_UINT16 rc = it->second.entry(origin, dg, dat, msg, data);
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS && rc == TWRC_SUCCESS)
        signals_.erase(dest.Id); // what a disabled source signalled is void
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT && rc == TWRC_NOTDSEVENT)
        rc = deliver_signal(dest.Id, static_cast<TW_EVENT *>(data), rc);
    return rc;
}

// A TWAIN 2 source's DAT_NULL: the application registered no callback (the
// manager takes none), so the message waits for its next MSG_PROCESSEVENT,
// and WM_NULL to its window makes sure one comes.
Outcome Manager::signal(const TW_IDENTITY *origin, const TW_IDENTITY &dest, uint16_t msg) {
    if (!twaindsm_ || state_ != 3)
        return failure(TWCC_SEQERROR);
    if (!origin || !open_.count(origin->Id) || dest.Id != application_)
        return failure(TWCC_BADDEST);
    if (!is_signal(msg))
        return failure(TWCC_BADPROTOCOL);
    signals_[origin->Id].push_back(msg);
    PostMessageA(parent_, WM_NULL, 0, 0);
    return {};
}

// A message the source does not claim carries what it signalled, if
// anything waits.
TW_UINT16 Manager::deliver_signal(TW_UINT32 source, TW_EVENT *event, TW_UINT16 rc) {
    auto waiting = signals_.find(source);
    if (!event || waiting == signals_.end() || waiting->second.empty())
        return rc;
    event->TWMessage = waiting->second.front();
    waiting->second.pop_front();
    TraceRecord trace;
    trace.manager = true;
    trace.name = product_name(open_.at(source).identity);
    trace.dg = DG_CONTROL;
    trace.dat = DAT_EVENT;
    trace.msg = MSG_PROCESSEVENT;
    trace.event = event->TWMessage;
    trace.state_before = trace.state_after = state_;
    trace.rc = TWRC_DSEVENT;
    write_trace(trace);
    return TWRC_DSEVENT;
}

} // namespace zelvirt
