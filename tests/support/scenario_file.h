// Test support: a scenario for the virtual scanners, written to a private
// temporary file and named in ZELTWAIN_SCENARIO for this process.
#pragma once

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace zeltest {

inline std::string UseScenario(const std::string &json) {
    const char *tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/zeltest-scenario-XXXXXX";
    int fd = mkstemp(path.data());
    if (fd < 0)
        throw std::runtime_error("cannot create a scenario file");
    close(fd);
    std::ofstream(path) << json;
    setenv("ZELTWAIN_SCENARIO", path.c_str(), 1);
    return path;
}

// Two feeder scanners and a flatbed, the first the default.
inline const char *kThreeScanners = R"({
  "sources": [
    {"name": "Scanner A", "default": true, "feeder": true, "paper": {"sheets": 2}},
    {"name": "Scanner B", "feeder": true, "paper": {"sheets": 2}},
    {"name": "Flatbed C", "feeder": false, "flatbed": true}
  ]
})";

} // namespace zeltest
