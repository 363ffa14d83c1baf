// What zelscan's exit status tells a script.
#pragma once

namespace zelscan {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
// The person cancelled: a dialog, the source's interface, or a scan that
// brought no page without any error being reported.
constexpr int kExitCancelled = 2;

} // namespace zelscan
