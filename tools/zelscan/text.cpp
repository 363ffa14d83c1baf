#include "text.h"

#include <cstdint>

namespace zelscan {
namespace {

// Code points of the bytes 0x80 to 0x9F; 0 for the five unassigned ones.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t CodePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0)
        return kHighControls[byte - 0x80] ? kHighControls[byte - 0x80] : 0xFFFD;
    return byte;
}

void AppendUtf8(std::string &out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// The byte of a code point in code page 1252, or -1.
int ByteOf(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100))
        return int(cp);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == cp)
            return 0x80 + i;
    return -1;
}

// Decodes one UTF-8 sequence at text[i], advancing i; U+FFFD when malformed.
uint32_t NextCodePoint(const std::string &text, size_t &i) {
    unsigned char lead = text[i++];
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (lead >= 0x80 && extra == 0)
        return 0xFFFD;
    uint32_t cp = extra ? lead & (0x3F >> extra) : lead;
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    return cp;
}

} // namespace

std::string Cp1252ToUtf8(const std::string &text) {
    std::string out;
    for (unsigned char byte : text)
        AppendUtf8(out, CodePointOf(byte));
    return out;
}

bool Utf8ToCp1252(const std::string &text, std::string &out) {
    out.clear();
    bool exact = true;
    for (size_t i = 0; i < text.size();) {
        int byte = ByteOf(NextCodePoint(text, i));
        exact = exact && byte >= 0;
        out += byte >= 0 ? char(byte) : '?';
    }
    return exact;
}

} // namespace zelscan
