// DSM_Entry of the virtual manager TWAIN_32.DLL (or TWAINDSM.DLL).
// Triplets with a destination go to that source, but for a TWAIN 2 source's
// DAT_NULL to the application; the others are the manager's own and are
// traced as DSM lines (see zelvirt/trace.h).
#include "manager.h"

#include "shared/trace_log.h"

#include <twain.h>

#include <cstring>

namespace zelvirt {
namespace {

Manager *instance = nullptr;

TW_UINT16 WINAPI entry_point(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16,
                             TW_MEMREF);

Manager &manager() {
    if (!instance)
        instance = new Manager(entry_point, stands_as_twaindsm());
    return *instance;
}

// When the library is unloaded the manager goes with it, unless an
// application still has it open: at process exit this library's destructor
// may run before that of the host's TWAIN library, which then closes its
// sources through DSM_Entry.
__attribute__((destructor)) void release_manager() {
    if (instance && instance->state() < 3) {
        delete instance;
        instance = nullptr;
    }
}

TW_UINT16 entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                TW_MEMREF data) {
    Manager &m = manager();
    const bool signal = dest && dg == DG_CONTROL && dat == DAT_NULL;
    if (dest && !signal)
        return m.route(origin, *dest, dg, dat, msg, data);
    TraceRecord trace;
    trace.manager = true;
    if (origin)
        trace.name.assign(origin->ProductName, strnlen(origin->ProductName, sizeof(TW_STR32)));
    trace.dg = dg;
    trace.dat = dat;
    trace.msg = msg;
    trace.state_before = m.state();
    Outcome outcome = signal ? m.signal(origin, *dest, msg) : m.handle(origin, dg, dat, msg, data);
    trace.state_after = m.state();
    trace.rc = outcome.rc;
    trace.cc = outcome.cc;
    write_trace(trace);
    return outcome.rc;
}

TW_UINT16 WINAPI entry_point(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                             TW_UINT16 msg, TW_MEMREF data) {
    return entry(origin, dest, dg, dat, msg, data);
}

} // namespace
} // namespace zelvirt

#ifdef _WIN32
#define ZELVIRT_EXPORT // exported by the module-definition file
#else
#define ZELVIRT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" ZELVIRT_EXPORT TW_UINT16 WINAPI DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest,
                                                     TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                                                     TW_MEMREF pData) {
    return zelvirt::entry(pOrigin, pDest, DG, DAT, MSG, pData);
}
