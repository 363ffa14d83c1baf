// The manager's sources: listing them, finding one, opening it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelscan {

struct SourceList {
    std::vector<std::string> names; // ProductNames (cp1252), in the manager's order
    std::string default_name;
};

// Nothing when no manager or no source is installed.
std::optional<SourceList> ListInstalledSources();

// The position of the source whose name is `name` exactly, else of the only
// source whose name contains it; nothing when none or several match.
std::optional<int> FindSource(const SourceList &sources, const std::string &name);

// Opens the source (the default one when `name` is empty) and leaves the
// session at state 4, so that the acquisitions use it.  False, with a line
// on stderr, when it cannot be opened.  Returns the source's full name.
std::optional<std::string> OpenSourceForScan(const std::string &name);

} // namespace zelscan
