// DS_Entry, the entry point through which a TWAIN manager reaches the
// virtual sources.  The library plays one device at a time: the device named
// by the identity of MSG_OPENDS, looked up in the scenario of the Windows
// folder.  A copy of the library whose file name ends in "-N" (as
// "zelvirtual-2.ds") is bound to the scenario's N-th device and answers its
// identity alone, as a driver file of one device does; any other file
// serves every device of the scenario.
#include "module_pin.h"
#include "shared/identity.h"
#include "shared/trace_log.h"
#include "source.h"

#include <twain.h>

#include <cctype>
#include <cstring>
#include <memory>

namespace zelvirt {
namespace {

struct Library {
    std::unique_ptr<Source> session;
    uint16_t condition = TWCC_SUCCESS; // for DAT_STATUS
    size_t next_listed = 0;            // the device the next MSG_GET describes
    std::optional<size_t> bound;       // the device this file plays, from its name
    TW_ENTRYPOINT manager{};           // a TWAIN 2 manager's, for the next session
};

// The N of a file name "<name>-N.ds" (any case), 1-based; none for any
// other name.
std::optional<size_t> bound_device(const std::string &path) {
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    auto dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.resize(dot);
    auto dash = name.find_last_of('-');
    if (dash == std::string::npos || dash + 1 == name.size() || name.size() - dash > 4)
        return std::nullopt;
    size_t n = 0;
    for (size_t i = dash + 1; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return std::nullopt;
        n = n * 10 + size_t(name[i] - '0');
    }
    return n == 0 ? std::nullopt : std::optional<size_t>(n - 1);
}

// Never destroyed: a session the application left open at exit must not
// be torn down after the platform layer's own objects are gone.
Library &library() {
    static Library *instance = [] {
        auto *made = new Library;
        made->bound = bound_device(module_path());
        return made;
    }();
    return *instance;
}

Outcome failure(uint16_t cc) {
    return {TWRC_FAILURE, cc};
}

std::string product_name(const TW_IDENTITY &identity) {
    return std::string(identity.ProductName, strnlen(identity.ProductName, sizeof(TW_STR32)));
}

bool read_scenario(Scenario *scenario) {
    std::string error;
    if (load_scenario(scenario_location(), scenario, &error))
        return true;
    report_problem(error);
    return false;
}

// The device a bound file plays; none when the scenario has fewer devices.
const SourceSpec *bound_spec(const Scenario &scenario, size_t index) {
    return index < scenario.sources.size() ? &scenario.sources[index] : nullptr;
}

// The device MSG_OPENDS asks for.  An empty name asks for the default
// device: a manager that does not resolve the default itself (Wine's) passes
// the request on as it came.  A bound file opens its own device alone.
const SourceSpec *device_to_open(const Scenario &scenario, const std::string &name) {
    const Library &lib = library();
    if (!lib.bound)
        return name.empty() ? scenario.default_source() : scenario.find(name);
    const SourceSpec *spec = bound_spec(scenario, *lib.bound);
    return spec && (name.empty() || name == spec->name) ? spec : nullptr;
}

Outcome open_source(const TW_IDENTITY *application, TW_IDENTITY *identity) {
    Library &lib = library();
    if (!identity)
        return failure(TWCC_BADVALUE);
    if (lib.session)
        return failure(TWCC_MAXCONNECTIONS); // one device at a time
    // A manager's entry point serves the session that follows it alone.
    TW_ENTRYPOINT manager = lib.manager;
    lib.manager = {};
    Scenario scenario;
    if (!read_scenario(&scenario))
        return failure(TWCC_BUMMER);
    const SourceSpec *spec = device_to_open(scenario, product_name(*identity));
    if (!spec)
        return failure(TWCC_NODS);
    describe_source(*spec, *identity);
    lib.session = std::make_unique<Source>(*spec, device_for(scenario, *spec), *identity);
    if (spec->twain2 && manager.DSM_Entry && application)
        lib.session->connect_manager(manager, *application);
    return {};
}

// DAT_ENTRYPOINT / MSG_SET: a TWAIN 2 manager's entry point, before
// MSG_OPENDS.
Outcome entry_point(uint16_t msg, void *data) {
    Library &lib = library();
    if (msg != MSG_SET)
        return failure(TWCC_BADPROTOCOL);
    if (lib.session)
        return failure(TWCC_SEQERROR);
    auto *given = static_cast<TW_ENTRYPOINT *>(data);
    if (!given || given->Size < sizeof(TW_ENTRYPOINT) || !given->DSM_Entry)
        return failure(TWCC_BADVALUE);
    lib.manager = *given;
    return {};
}

Outcome identity_triplet(const TW_IDENTITY *origin, uint16_t msg, void *data) {
    Library &lib = library();
    auto *identity = static_cast<TW_IDENTITY *>(data);
    switch (msg) {
    case MSG_OPENDS:
        // A manager may keep the library loaded across sessions (Wine's
        // does): each session starts afresh, listing included.
        lib.next_listed = 0;
        return open_source(origin, identity);
    case MSG_CLOSEDS:
        if (!lib.session || lib.session->state() != 4)
            return failure(TWCC_SEQERROR);
        lib.session.reset();
        lib.manager = {};
        return {};
    case MSG_GET: {
        if (!identity)
            return failure(TWCC_BADVALUE);
        if (lib.session) {
            *identity = lib.session->identity();
            return {};
        }
        Scenario scenario;
        if (!read_scenario(&scenario))
            return failure(TWCC_BUMMER);
        identity->Id = 0;
        if (lib.bound) {
            const SourceSpec *spec = bound_spec(scenario, *lib.bound);
            if (!spec)
                return failure(TWCC_NODS);
            describe_source(*spec, *identity);
            return {};
        }
        // A manager that knows one identity per library file (Wine's) asks
        // again until a name repeats: each call describes the next device, in
        // the scenario's order, and after the last the first once more, from
        // which the next listing starts again.
        const size_t n = scenario.sources.size();
        if (n == 0)
            return failure(TWCC_NODS);
        const size_t i = lib.next_listed > n ? 0 : lib.next_listed;
        lib.next_listed = i == n ? 0 : i + 1;
        describe_source(scenario.sources[i == n ? 0 : i], *identity);
        return {};
    }
    }
    return failure(TWCC_BADPROTOCOL);
}

TW_UINT16 entry(const TW_IDENTITY *origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                TW_MEMREF data) {
    pin_module();
    Library &lib = library();
    TraceRecord trace;
    trace.dg = dg;
    trace.dat = dat;
    trace.msg = msg;
    trace.state_before = lib.session ? lib.session->state() : 3;
    if (lib.session)
        trace.name = lib.session->name();
    else if (dat == DAT_IDENTITY && data)
        trace.name = product_name(*static_cast<TW_IDENTITY *>(data));
    if (dat == DAT_CAPABILITY && data)
        trace.cap = static_cast<TW_CAPABILITY *>(data)->Cap;

    Outcome outcome;
    std::optional<uint16_t> event;
    if (dg == DG_CONTROL && dat == DAT_STATUS) {
        // The condition of the previous triplet; reading it clears it.
        if (msg != MSG_GET)
            outcome = failure(TWCC_BADPROTOCOL);
        else if (!data)
            outcome = failure(TWCC_BADVALUE);
        else {
            auto *status = static_cast<TW_STATUS *>(data);
            status->ConditionCode = lib.condition;
            status->Reserved = 0;
            lib.condition = TWCC_SUCCESS;
        }
    } else {
        std::optional<Outcome> fault;
        if (lib.session && !(dg == DG_CONTROL && (dat == DAT_IDENTITY || dat == DAT_ENTRYPOINT)))
            fault = lib.session->take_fault(dg, dat, msg, trace.cap);
        if (fault)
            outcome = *fault;
        else if (dg == DG_CONTROL && dat == DAT_IDENTITY)
            outcome = identity_triplet(origin, msg, data);
        else if (dg == DG_CONTROL && dat == DAT_ENTRYPOINT)
            outcome = entry_point(msg, data);
        else if (!lib.session)
            outcome = failure(TWCC_SEQERROR);
        else
            outcome = lib.session->handle(dg, dat, msg, data, &event);
        lib.condition = outcome.cc;
    }
    if (lib.session)
        trace.name = lib.session->name();
    else if (dat == DAT_IDENTITY && msg == MSG_GET && outcome.rc == TWRC_SUCCESS)
        trace.name = product_name(*static_cast<TW_IDENTITY *>(data)); // the device listed
    trace.event = event;
    trace.state_after = lib.session ? lib.session->state() : 3;
    trace.rc = outcome.rc;
    trace.cc = outcome.cc;
    write_trace(trace);
    return outcome.rc;
}

} // namespace
} // namespace zelvirt

#ifdef _WIN32
#define ZELVIRT_EXPORT // exported by the module-definition file
#else
#define ZELVIRT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" ZELVIRT_EXPORT TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG,
                                                    TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData) {
    // One application at a time: the manager checks the origin.  It is kept
    // at MSG_OPENDS, the application a TWAIN 2 source signals to.
    return zelvirt::entry(pOrigin, DG, DAT, MSG, pData);
}
