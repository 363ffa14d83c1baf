// Reading the trace of the virtual TWAIN manager and sources back, for tests.
//
// The manager and the sources write one line per triplet they receive, to
// the debug output (OutputDebugStringA) and, when the environment variable
// ZELTWAIN_TRACE names a file, appended to that file:
//
//   DS "<source>" <DG> <DAT> <MSG>[ cap=0xNNNN][ event=<MSG>] state <a>-><b> rc=<n> cc=<n>
//   DSM "<application>" <DG> <DAT> <MSG> state <a>-><b> rc=<n> cc=<n>
//
// DS lines come from a source (its state 3 to 7 before and after the
// triplet), DSM lines from the manager for the triplets addressed to it (its
// state 2 or 3).  cap= names the capability of a DAT_CAPABILITY triplet,
// event= the TWMessage a MSG_PROCESSEVENT answered.  Constants are written
// by name (DG_CONTROL, MSG_GET), unknown values as DAT_0x1234.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace zelvirt {

struct TraceLine {
    bool manager = false;
    std::string name;
    std::string dg, dat, msg;
    int cap = -1;      // -1: no cap= field
    std::string event; // empty: no event= field
    int state_before = 0, state_after = 0;
    int rc = 0, cc = 0;
};

// One trace line, or nothing when the text is not one.
inline std::optional<TraceLine> parse_trace_line(const std::string &text) {
    TraceLine line;
    std::string rest;
    if (text.rfind("DS \"", 0) == 0)
        rest = text.substr(4);
    else if (text.rfind("DSM \"", 0) == 0) {
        line.manager = true;
        rest = text.substr(5);
    } else
        return std::nullopt;
    auto quote = rest.find('"');
    if (quote == std::string::npos)
        return std::nullopt;
    line.name = rest.substr(0, quote);
    std::istringstream fields(rest.substr(quote + 1));
    if (!(fields >> line.dg >> line.dat >> line.msg))
        return std::nullopt;
    std::string field;
    while (fields >> field) {
        if (field.rfind("cap=", 0) == 0) {
            line.cap = int(std::strtoul(field.c_str() + 4, nullptr, 16));
        } else if (field.rfind("event=", 0) == 0) {
            line.event = field.substr(6);
        } else if (field == "state") {
            std::string states;
            fields >> states;
            if (std::sscanf(states.c_str(), "%d->%d", &line.state_before, &line.state_after) != 2)
                return std::nullopt;
        } else if (field.rfind("rc=", 0) == 0) {
            line.rc = std::atoi(field.c_str() + 3);
        } else if (field.rfind("cc=", 0) == 0) {
            line.cc = std::atoi(field.c_str() + 3);
        } else {
            return std::nullopt;
        }
    }
    return line;
}

// Every trace line of a file (a host path); other lines are skipped.
inline std::vector<TraceLine> read_trace_file(const std::string &host_path) {
    std::vector<TraceLine> lines;
    std::ifstream file(host_path);
    std::string text;
    while (std::getline(file, text))
        if (auto line = parse_trace_line(text))
            lines.push_back(*line);
    return lines;
}

} // namespace zelvirt
