// A PNG of every page of a batch, small, with its page number below it.
#pragma once

#include <string>
#include <vector>

#include "page_files.h"

namespace zelscan {

// Pages are numbered 1, 2, ... across the files in order; a page that
// cannot be drawn (PDF) shows as a grey box.  False when the PNG cannot be
// written.
bool WriteContactSheet(const std::vector<PageFile> &files, const std::string &hostPath);

} // namespace zelscan
