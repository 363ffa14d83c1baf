// Names of TWAIN constants, both ways: for trace lines (value -> name) and
// for scenario files (name -> value).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zelvirt {

enum class NameKind {
    DataGroup,
    DataType,
    Message,
    Capability,
    ReturnCode,
    ConditionCode,
    ItemType
};

// The constant's name ("MSG_GET"), or a hexadecimal stand-in ("MSG_0x0123")
// for a value without one.
std::string twain_name(NameKind kind, uint32_t value);

// The value of a named constant of the given kind; also accepts a decimal or
// "0x" hexadecimal number.
std::optional<uint32_t> twain_value(NameKind kind, const std::string &name);

} // namespace zelvirt
