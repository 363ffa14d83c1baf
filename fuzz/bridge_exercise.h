// The bridge's codec driven by arbitrary bytes, shared by the fuzzer and
// the test that replays its seeds.  The first byte picks a triplet, the
// second what the bytes play: an answer the library reads, a request the
// helper reads, or a record the library sends and the helper answers after
// a pretend source filled it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelfuzz {

// Empty when every property held; else what broke.
std::string ExerciseBridgeBytes(const uint8_t *data, size_t size);

} // namespace zelfuzz
