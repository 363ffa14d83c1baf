// zelscan's commands; each returns the exit status.
#pragma once

#include "options.h"

namespace zelscan {

int ListCommand(const CommonOptions &common);
int ShowCommand(const CommonOptions &common);
// Whether the source at `index` (or named by common.source) scans both sides.
int DuplexCommand(const CommonOptions &common, std::optional<int> index);
int ImageCommand(const CommonOptions &common, const ImageOptions &image);
int BatchCommand(const CommonOptions &common, const BatchOptions &batch);
int DeviceCommand(const CommonOptions &common, const BatchOptions &batch);

} // namespace zelscan
