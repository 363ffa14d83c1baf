#include "label_code.h"

#include <cstdint>
#include <vector>

namespace zelvirt {
namespace {

// CRC-16/CCITT-FALSE: catches every single and double bit error in a payload
// of this size, which is what a misread cell produces.
uint16_t crc16(const std::vector<uint8_t> &bytes) {
    uint16_t crc = 0xFFFF;
    for (uint8_t byte : bytes) {
        crc ^= static_cast<uint16_t>(byte << 8);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<uint16_t>(crc << 1);
    }
    return crc;
}

void put_byte(LabelBits &bits, size_t &pos, uint8_t byte) {
    for (int i = 7; i >= 0; --i)
        bits[pos++] = (byte >> i) & 1;
}

uint8_t get_byte(const LabelBits &bits, size_t &pos) {
    uint8_t byte = 0;
    for (int i = 0; i < 8; ++i)
        byte = static_cast<uint8_t>((byte << 1) | (bits[pos++] ? 1 : 0));
    return byte;
}

} // namespace

static_assert(8 * (1 + kMaxLabelBytes + 2) <= layout::kGridBits, "grid too small for a label");

LabelBits encode_label_bits(const std::string &label) {
    const size_t length = label.size() < kMaxLabelBytes ? label.size() : kMaxLabelBytes;
    std::vector<uint8_t> payload;
    payload.push_back(static_cast<uint8_t>(length));
    payload.insert(payload.end(), label.begin(), label.begin() + static_cast<ptrdiff_t>(length));
    const uint16_t crc = crc16(payload);

    LabelBits bits;
    size_t pos = 0;
    for (uint8_t byte : payload)
        put_byte(bits, pos, byte);
    put_byte(bits, pos, static_cast<uint8_t>(crc >> 8));
    put_byte(bits, pos, static_cast<uint8_t>(crc & 0xFF));
    return bits;
}

std::optional<std::string> decode_label_bits(const LabelBits &bits) {
    size_t pos = 0;
    const uint8_t length = get_byte(bits, pos);
    if (length > kMaxLabelBytes)
        return std::nullopt;
    std::vector<uint8_t> payload{length};
    for (size_t i = 0; i < length; ++i)
        payload.push_back(get_byte(bits, pos));
    uint16_t crc = static_cast<uint16_t>(get_byte(bits, pos) << 8);
    crc = static_cast<uint16_t>(crc | get_byte(bits, pos));
    if (crc != crc16(payload))
        return std::nullopt;
    // The padding must be blank too: a grid of noise rarely passes both tests.
    for (; pos < bits.size(); ++pos)
        if (bits[pos])
            return std::nullopt;
    return std::string(payload.begin() + 1, payload.end());
}

} // namespace zelvirt
