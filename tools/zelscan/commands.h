// The commands of zelscan, each a short conversation with ZELTW32.
#pragma once

#include <string>

namespace zelscan {

// Lists the manager's sources, marking the default one.  Returns the exit code.
int ListSources();

// Opens a source (the default one when `name` is empty), prints its current
// settings, and closes everything again.  Returns the exit code.
int ShowSource(const std::string &name);

} // namespace zelscan
