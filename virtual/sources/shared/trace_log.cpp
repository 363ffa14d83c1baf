// Writing trace lines.  The file is opened for each line, so that lines of
// the manager and of the source (two modules) interleave in order and a
// crash loses nothing.
#include "trace_log.h"

#include "twain_names.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace zelvirt {

std::string format_trace(const TraceRecord &record) {
    std::string line = record.manager ? "DSM \"" : "DS \"";
    line += record.name + "\" " + twain_name(NameKind::DataGroup, record.dg) + " " +
            twain_name(NameKind::DataType, record.dat) + " " +
            twain_name(NameKind::Message, record.msg);
    char buffer[96];
    if (record.cap) {
        std::snprintf(buffer, sizeof buffer, " cap=0x%04X", unsigned(*record.cap));
        line += buffer;
    }
    if (record.event)
        line += " event=" + twain_name(NameKind::Message, *record.event);
    std::snprintf(buffer, sizeof buffer, " state %d->%d rc=%u cc=%u", record.state_before,
                  record.state_after, unsigned(record.rc), unsigned(record.cc));
    line += buffer;
    return line;
}

void write_trace(const TraceRecord &record) {
    std::string line = format_trace(record) + "\n";
    OutputDebugStringA(line.c_str());
    const char *path = std::getenv("ZELTWAIN_TRACE");
    if (!path || !*path)
        return;
    if (FILE *file = std::fopen(path, "a")) {
        std::fputs(line.c_str(), file);
        std::fclose(file);
    }
}

void report_problem(const std::string &text) {
    std::string line = text + "\n";
    OutputDebugStringA(line.c_str());
    std::fputs(line.c_str(), stderr);
}

} // namespace zelvirt
