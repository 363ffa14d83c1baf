// The trace of the virtual manager and sources: one line per triplet, to the
// debug output and, when ZELTWAIN_TRACE names a file, appended to it.  The
// line format is the one zelvirt/trace.h reads back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zelvirt {

struct TraceRecord {
    bool manager = false; // "DSM" line, else "DS"
    std::string name;     // the source's or the application's product name
    uint32_t dg = 0;
    uint16_t dat = 0, msg = 0;
    std::optional<uint16_t> cap;   // DAT_CAPABILITY triplets
    std::optional<uint16_t> event; // MSG_PROCESSEVENT: the TWMessage answered
    int state_before = 0, state_after = 0;
    uint16_t rc = 0, cc = 0;
};

std::string format_trace(const TraceRecord &record);
void write_trace(const TraceRecord &record);

// A diagnostic that is not a triplet (scenario errors, refused files): the
// debug output and stderr.
void report_problem(const std::string &text);

} // namespace zelvirt
