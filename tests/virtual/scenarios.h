// Scenario texts shared by the tests.
#pragma once

#include <string>

namespace vt {

// Three sources: a duplex feeder (the default), a simplex feeder, a flatbed;
// small pages and low resolutions keep the tests quick.
inline std::string three_sources(const std::string &extra_source_fields = "",
                                 const std::string &top_level = "") {
    return R"({
  "sources": [
    { "name": "Duplex Feeder", "default": true, "feeder": true, "duplex": "one-pass",
      "paper": { "width_inches": 2, "height_inches": 3, "sheets": 3 },
      "operator": { "delay_ms": 1 } )" +
           extra_source_fields + R"( },
    { "name": "Simplex Feeder", "feeder": true,
      "paper": { "width_inches": 2, "height_inches": 3, "sheets": 2 } },
    { "name": "Flatbed", "feeder": false, "flatbed": true,
      "paper": { "width_inches": 2, "height_inches": 3 } }
  ])" + top_level +
           "\n}\n";
}

} // namespace vt
