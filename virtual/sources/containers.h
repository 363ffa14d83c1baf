// Capability containers in global memory: built for the application (which
// frees them) and read from the application's MSG_SET.
#pragma once

#include "shared/scenario.h"

#include <twain.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace zelvirt {

// Size in bytes of one item of a TWTY type 0 to 12; 0 for other types.
size_t item_size(uint16_t item_type);

// Writes / reads one item of the given type; FIX32 values are rounded half
// away from zero.
void put_item(uint8_t *dst, uint16_t item_type, double value);
double get_item(const uint8_t *src, uint16_t item_type);

// What a source answers to a capability read, before it becomes a block.
struct ContainerImage {
    Container container = Container::OneValue;
    uint16_t item_type = 0;
    std::vector<double> values; // ONEVALUE: one value; lists: the items
    uint32_t current_index = 0, default_index = 0;
    double min = 0, max = 0, step = 0, current = 0, default_value = 0; // RANGE
    uint32_t claimed_items = 0;           // NumItems written when above values.size()
    std::optional<uint16_t> claimed_type; // ItemType written instead of item_type
};

// A block allocated with GlobalAlloc holding the container; 0 when out of
// memory.
HGLOBAL build_container(const ContainerImage &image);

// A container of the application's MSG_SET, checked against its block size.
struct ReceivedContainer {
    Container container = Container::OneValue;
    uint16_t item_type = 0;
    std::vector<double> values;
    uint32_t current_index = 0, default_index = 0;
    double min = 0, max = 0, step = 0, current = 0;
};

// Reads the container of the given type from a block; nothing when the type
// is unknown, the item type is not a number type, the block cannot be locked
// or is too small for what the header claims.
std::optional<ReceivedContainer> read_container(uint16_t con_type, HGLOBAL block);

uint16_t container_code(Container container);

} // namespace zelvirt
