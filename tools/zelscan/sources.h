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

// Nothing, with a line on stderr, when the manager cannot be opened or has
// no source.  Leaves the manager unloaded (state 1).
std::optional<SourceList> ListInstalledSources();

// The position of the source `name` names: the one named so exactly, else
// the only one whose name contains it; with an empty name, the default
// source.  Nothing, with a line on stderr, when there is no such source.
std::optional<int> ChooseSource(const SourceList &sources, const std::string &name);

// Opens the source (the default one when `name` is empty) and leaves the
// session at state 4, so that the acquisitions use it.  False, with a line
// on stderr, when it cannot be opened.  Returns the source's full name.
std::optional<std::string> OpenSourceForScan(const std::string &name);

} // namespace zelscan
