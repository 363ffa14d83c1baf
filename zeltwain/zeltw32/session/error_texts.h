// The texts of the error reports, in code page 1252.
#pragma once

namespace zel {

constexpr int kNumTextosError = 14;
constexpr int kNumTextosRC = 10;
constexpr int kNumTextosCC = 16;

extern const char *const aszTextoError[kNumTextosError];
extern const char *const aszTextoRC[kNumTextosRC];
extern const char *const aszTextoCC[kNumTextosCC];

} // namespace zel
