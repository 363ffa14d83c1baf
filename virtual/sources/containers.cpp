// Encoding of capability containers, laid out as the protocol header packs
// them (2-byte packing, items inline after the header).
#include "containers.h"

#include <cmath>
#include <cstring>

namespace zelvirt {
namespace {

constexpr size_t kOneValueHeader = offsetof(TW_ONEVALUE, Item);
constexpr size_t kEnumHeader = offsetof(TW_ENUMERATION, ItemList);
constexpr size_t kArrayHeader = offsetof(TW_ARRAY, ItemList);

// A source never offers more items than this; larger claims are refused.
constexpr uint32_t kMaxItems = 4096;

void put_u16(uint8_t *dst, uint16_t value) {
    std::memcpy(dst, &value, 2);
}
void put_u32(uint8_t *dst, uint32_t value) {
    std::memcpy(dst, &value, 4);
}
uint16_t get_u16(const uint8_t *src) {
    uint16_t value;
    std::memcpy(&value, src, 2);
    return value;
}
uint32_t get_u32(const uint8_t *src) {
    uint32_t value;
    std::memcpy(&value, src, 4);
    return value;
}

bool is_number_type(uint16_t item_type) {
    return item_type <= TWTY_FIX32;
}

} // namespace

size_t item_size(uint16_t item_type) {
    static const size_t sizes[] = {1, 2, 4, 1, 2, 4, 2, 4, 16, 34, 66, 130, 256};
    return item_type < 13 ? sizes[item_type] : 0;
}

uint16_t container_code(Container container) {
    switch (container) {
    case Container::OneValue:
        return TWON_ONEVALUE;
    case Container::Enumeration:
        return TWON_ENUMERATION;
    case Container::Array:
        return TWON_ARRAY;
    case Container::Range:
        return TWON_RANGE;
    }
    return TWON_ONEVALUE;
}

void put_item(uint8_t *dst, uint16_t item_type, double value) {
    switch (item_type) {
    case TWTY_INT8:
    case TWTY_UINT8:
        dst[0] = uint8_t(int32_t(value));
        break;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
        put_u16(dst, uint16_t(int32_t(value)));
        break;
    case TWTY_INT32:
        put_u32(dst, uint32_t(int32_t(value)));
        break;
    case TWTY_UINT32:
        put_u32(dst, uint32_t(int64_t(value)));
        break;
    case TWTY_FIX32: {
        double scaled = value * 65536.0 + (value >= 0 ? 0.5 : -0.5);
        int32_t fixed = int32_t(scaled);
        put_u16(dst, uint16_t(fixed >> 16));
        put_u16(dst + 2, uint16_t(fixed & 0xFFFF));
        break;
    }
    default:
        std::memset(dst, 0, item_size(item_type));
    }
}

double get_item(const uint8_t *src, uint16_t item_type) {
    switch (item_type) {
    case TWTY_INT8:
        return int8_t(src[0]);
    case TWTY_UINT8:
        return src[0];
    case TWTY_INT16:
        return int16_t(get_u16(src));
    case TWTY_UINT16:
        return get_u16(src);
    case TWTY_BOOL:
        return get_u16(src) != 0 ? 1 : 0;
    case TWTY_INT32:
        return int32_t(get_u32(src));
    case TWTY_UINT32:
        return get_u32(src);
    case TWTY_FIX32: {
        int32_t fixed = int32_t((uint32_t(get_u16(src)) << 16) | get_u16(src + 2));
        return fixed / 65536.0;
    }
    }
    return 0;
}

HGLOBAL build_container(const ContainerImage &image) {
    uint16_t type = image.claimed_type.value_or(image.item_type);
    size_t size = item_size(image.item_type);
    size_t bytes = 0;
    switch (image.container) {
    case Container::OneValue:
        bytes = kOneValueHeader + std::max<size_t>(4, size);
        break;
    case Container::Enumeration:
        bytes = kEnumHeader + std::max<size_t>(1, image.values.size()) * size;
        break;
    case Container::Array:
        bytes = kArrayHeader + std::max<size_t>(1, image.values.size()) * size;
        break;
    case Container::Range:
        bytes = sizeof(TW_RANGE);
        break;
    }
    HGLOBAL block = GlobalAlloc(GHND, bytes);
    if (!block)
        return 0;
    auto *p = static_cast<uint8_t *>(GlobalLock(block));
    if (!p) {
        GlobalFree(block);
        return 0;
    }
    uint32_t count = std::max<uint32_t>(uint32_t(image.values.size()), image.claimed_items);
    put_u16(p, type);
    switch (image.container) {
    case Container::OneValue:
        put_item(p + kOneValueHeader, image.item_type, image.values.empty() ? 0 : image.values[0]);
        break;
    case Container::Enumeration:
        put_u32(p + offsetof(TW_ENUMERATION, NumItems), count);
        put_u32(p + offsetof(TW_ENUMERATION, CurrentIndex), image.current_index);
        put_u32(p + offsetof(TW_ENUMERATION, DefaultIndex), image.default_index);
        for (size_t i = 0; i < image.values.size(); ++i)
            put_item(p + kEnumHeader + i * size, image.item_type, image.values[i]);
        break;
    case Container::Array:
        put_u32(p + offsetof(TW_ARRAY, NumItems), count);
        for (size_t i = 0; i < image.values.size(); ++i)
            put_item(p + kArrayHeader + i * size, image.item_type, image.values[i]);
        break;
    case Container::Range: {
        // Range fields are 32-bit slots holding the item in their low bytes.
        const double fields[] = {image.min, image.max, image.step, image.default_value,
                                 image.current};
        const size_t offsets[] = {offsetof(TW_RANGE, MinValue), offsetof(TW_RANGE, MaxValue),
                                  offsetof(TW_RANGE, StepSize), offsetof(TW_RANGE, DefaultValue),
                                  offsetof(TW_RANGE, CurrentValue)};
        for (int i = 0; i < 5; ++i)
            put_item(p + offsets[i], image.item_type, fields[i]);
        break;
    }
    }
    GlobalUnlock(block);
    return block;
}

std::optional<ReceivedContainer> read_container(uint16_t con_type, HGLOBAL block) {
    if (!block)
        return std::nullopt;
    size_t bytes = GlobalSize(block);
    auto *p = static_cast<const uint8_t *>(GlobalLock(block));
    if (!p)
        return std::nullopt;
    ReceivedContainer received;
    bool ok = bytes >= 2;
    if (ok) {
        received.item_type = get_u16(p);
        ok = is_number_type(received.item_type);
    }
    size_t size = item_size(received.item_type);
    auto read_list = [&](size_t header, uint32_t count) {
        if (count == 0 || count > kMaxItems || bytes < header + size_t(count) * size)
            return false;
        for (uint32_t i = 0; i < count; ++i)
            received.values.push_back(get_item(p + header + i * size, received.item_type));
        return true;
    };
    if (ok) {
        switch (con_type) {
        case TWON_ONEVALUE:
            received.container = Container::OneValue;
            ok = bytes >= kOneValueHeader + size;
            if (ok)
                received.values.push_back(get_item(p + kOneValueHeader, received.item_type));
            break;
        case TWON_ENUMERATION:
            received.container = Container::Enumeration;
            ok = bytes >= kEnumHeader;
            if (ok) {
                received.current_index = get_u32(p + offsetof(TW_ENUMERATION, CurrentIndex));
                received.default_index = get_u32(p + offsetof(TW_ENUMERATION, DefaultIndex));
                ok = read_list(kEnumHeader, get_u32(p + offsetof(TW_ENUMERATION, NumItems)));
            }
            break;
        case TWON_ARRAY:
            received.container = Container::Array;
            ok = bytes >= kArrayHeader &&
                 read_list(kArrayHeader, get_u32(p + offsetof(TW_ARRAY, NumItems)));
            break;
        case TWON_RANGE:
            received.container = Container::Range;
            ok = bytes >= sizeof(TW_RANGE);
            if (ok) {
                received.min = get_item(p + offsetof(TW_RANGE, MinValue), received.item_type);
                received.max = get_item(p + offsetof(TW_RANGE, MaxValue), received.item_type);
                received.step = get_item(p + offsetof(TW_RANGE, StepSize), received.item_type);
                received.current =
                    get_item(p + offsetof(TW_RANGE, CurrentValue), received.item_type);
            }
            break;
        default:
            ok = false;
        }
    }
    GlobalUnlock(block);
    if (!ok)
        return std::nullopt;
    return received;
}

} // namespace zelvirt
