// What a scan did, for a person (text) or a script (JSON).
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "page_files.h"

namespace zelscan {

struct ClipboardImage {
    int width = 0, height = 0, bits_per_pixel = 0, colours = 0;
};

struct ScanSummary {
    std::string command;
    std::string source; // cp1252
    int library_result = 0;
    int exit_code = 0;
    // What the debug output told; nothing where the host cannot see it.
    std::optional<int> transferred, passes, discarded, lost;
    std::vector<PageFile> files;
    std::optional<ClipboardImage> clipboard;
    std::vector<std::string> errors;     // error boxes (cp1252)
    std::vector<std::string> notices;    // other boxes (cp1252)
    std::vector<std::string> unreadable; // files written that could not be read back

    int PagesWritten() const;
};

std::string SummaryText(const ScanSummary &summary);
nlohmann::json SummaryJson(const ScanSummary &summary);

} // namespace zelscan
