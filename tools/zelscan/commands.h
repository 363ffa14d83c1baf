// The commands of zelscan, each a short conversation with ZELTW32.
#pragma once

#include <string>

namespace zelscan {

// Lists the manager's sources, marking the default one.  Returns the exit code.
int ListSources();

// Opens a source (the default one when `name` is empty), prints its current
// settings, and closes everything again.  Returns the exit code.
int ShowSource(const std::string &name);

// Scans the default source's whole batch with the source's interface hidden,
// driving the triplets itself, and writes each page as a bitmap file
// "page_N.bmp" in `folder`; both sides of each sheet when `duplex`.
// Returns the exit code.
int ScanBatch(const std::string &folder, bool duplex);

} // namespace zelscan
