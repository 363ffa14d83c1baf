// DS_Entry, the entry point through which a TWAIN manager reaches the
// virtual sources.  The library plays one device at a time: the device named
// by the identity of MSG_OPENDS, looked up in the scenario beside the
// manager (the folder above twain_32).
#include "module_pin.h"
#include "shared/trace_log.h"
#include "source.h"

#include <twain.h>

#include <cstring>
#include <memory>

namespace zelvirt {
namespace {

struct Library {
    std::unique_ptr<Source> session;
    uint16_t condition = TWCC_SUCCESS; // for DAT_STATUS
    size_t next_listed = 0;            // the device the next MSG_GET describes
};

// Never destroyed: a session the application left open at exit must not
// be torn down after the platform layer's own objects are gone.
Library &library() {
    static Library *instance = new Library;
    return *instance;
}

Outcome failure(uint16_t cc) {
    return {TWRC_FAILURE, cc};
}

void copy_name(TW_STR32 field, const std::string &text) {
    std::memset(field, 0, sizeof(TW_STR32));
    std::memcpy(field, text.data(), std::min(text.size(), sizeof(TW_STR32) - 1));
}

std::string product_name(const TW_IDENTITY &identity) {
    return std::string(identity.ProductName, strnlen(identity.ProductName, sizeof(TW_STR32)));
}

// Fills an identity with the device's description, keeping its Id.
void describe(const SourceSpec &spec, TW_IDENTITY &identity) {
    identity.Version.MajorNum = TW_UINT16(spec.version_major);
    identity.Version.MinorNum = TW_UINT16(spec.version_minor);
    identity.Version.Language = TWLG_ENGLISH;
    identity.Version.Country = TWCY_USA;
    copy_name(identity.Version.Info, spec.version_info);
    identity.ProtocolMajor = TWON_PROTOCOLMAJOR;
    identity.ProtocolMinor = TWON_PROTOCOLMINOR;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    copy_name(identity.Manufacturer, spec.manufacturer);
    copy_name(identity.ProductFamily, spec.family);
    copy_name(identity.ProductName, spec.name);
}

bool read_scenario(Scenario *scenario) {
    std::string error;
    if (load_scenario(locate_scenario(parent_folder(module_folder())), scenario, &error))
        return true;
    report_problem(error);
    return false;
}

Outcome open_source(TW_IDENTITY *identity) {
    Library &lib = library();
    if (!identity)
        return failure(TWCC_BADVALUE);
    if (lib.session)
        return failure(TWCC_MAXCONNECTIONS); // one device at a time
    Scenario scenario;
    if (!read_scenario(&scenario))
        return failure(TWCC_BUMMER);
    // An empty name asks for the default device: a manager that does not
    // resolve the default itself (Wine's) passes the request on as it came.
    const std::string name = product_name(*identity);
    const SourceSpec *spec = name.empty() ? scenario.default_source() : scenario.find(name);
    if (!spec)
        return failure(TWCC_NODS);
    describe(*spec, *identity);
    lib.session = std::make_unique<Source>(*spec, device_for(scenario, *spec), *identity);
    return {};
}

Outcome identity_triplet(uint16_t msg, void *data) {
    Library &lib = library();
    auto *identity = static_cast<TW_IDENTITY *>(data);
    switch (msg) {
    case MSG_OPENDS:
        // A manager may keep the library loaded across sessions (Wine's
        // does): each session starts afresh, listing included.
        lib.next_listed = 0;
        return open_source(identity);
    case MSG_CLOSEDS:
        if (!lib.session || lib.session->state() != 4)
            return failure(TWCC_SEQERROR);
        lib.session.reset();
        return {};
    case MSG_GET: {
        if (!identity)
            return failure(TWCC_BADVALUE);
        if (lib.session) {
            *identity = lib.session->identity();
            return {};
        }
        // A manager that knows one identity per library file (Wine's) asks
        // again until a name repeats: each call describes the next device, in
        // the scenario's order, and after the last the first once more, from
        // which the next listing starts again.
        Scenario scenario;
        if (!read_scenario(&scenario))
            return failure(TWCC_BUMMER);
        const size_t n = scenario.sources.size();
        if (n == 0)
            return failure(TWCC_NODS);
        const size_t i = lib.next_listed > n ? 0 : lib.next_listed;
        lib.next_listed = i == n ? 0 : i + 1;
        identity->Id = 0;
        describe(scenario.sources[i == n ? 0 : i], *identity);
        return {};
    }
    }
    return failure(TWCC_BADPROTOCOL);
}

TW_UINT16 entry(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
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
        if (lib.session && !(dg == DG_CONTROL && dat == DAT_IDENTITY))
            fault = lib.session->take_fault(dg, dat, msg, trace.cap);
        if (fault)
            outcome = *fault;
        else if (dg == DG_CONTROL && dat == DAT_IDENTITY)
            outcome = identity_triplet(msg, data);
        else if (!lib.session)
            outcome = failure(TWCC_SEQERROR);
        else
            outcome = lib.session->handle(dg, dat, msg, data, &event);
        lib.condition = outcome.cc;
    }
    if (lib.session)
        trace.name = lib.session->name();
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
    (void)pOrigin; // one application at a time: the manager checks it
    return zelvirt::entry(DG, DAT, MSG, pData);
}
