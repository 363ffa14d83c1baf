// Code page 1252 <-> UTF-8 for terminal display and input.
#include "cp1252.h"

#include <cstdint>
#include <cstdio>

namespace zelplat {
namespace {

// Code points of bytes 0x80-0x9F; 0 marks the five bytes cp1252 leaves undefined.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

char32_t code_point_of(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        char32_t cp = kHighControls[byte - 0x80];
        return cp ? cp : kReplacement;
    }
    return byte;
}

void append_utf8(std::string &out, char32_t cp) {
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

void append_escaped(std::string &out, unsigned char byte) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", byte);
    out += buf;
}

// Byte of cp1252 for a code point, or -1 when it has none.
int byte_of(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return int(cp);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == cp)
            return 0x80 + i;
    return -1;
}

// Decodes one UTF-8 sequence at text[i]; advances i.  Returns -1 for a
// malformed or overlong sequence (i then skips one byte).
long decode_utf8(std::string_view text, size_t &i) {
    unsigned char lead = text[i];
    int extra = lead < 0x80         ? 0
                : (lead >> 5) == 6  ? 1
                : (lead >> 4) == 14 ? 2
                : (lead >> 3) == 30 ? 3
                                    : -1;
    if (extra < 0 || i + extra >= text.size()) {
        ++i;
        return -1;
    }
    if (extra == 0) {
        ++i;
        return lead;
    }
    long cp = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char next = text[i + k];
        if ((next & 0xC0) != 0x80) {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    static constexpr long kMinimum[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF) {
        ++i;
        return -1;
    }
    i += extra + 1;
    return cp;
}

} // namespace

std::string cp1252_to_display(std::string_view text, LineBreaks breaks) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (unsigned char byte : text) {
        if (byte == '\n') {
            out += breaks == LineBreaks::Keep ? "\n" : "\\n";
        } else if (byte == '\r') {
            if (breaks == LineBreaks::Escape)
                out += "\\r";
        } else if (byte == '\t') {
            out += '\t';
        } else if (byte < 0x20 || byte == 0x7F) {
            append_escaped(out, byte);
        } else {
            append_utf8(out, code_point_of(byte));
        }
    }
    return out;
}

bool utf8_to_cp1252(std::string_view utf8, std::string &out) {
    out.clear();
    bool exact = true;
    for (size_t i = 0; i < utf8.size();) {
        long cp = decode_utf8(utf8, i);
        int byte = cp < 0 ? -1 : byte_of(char32_t(cp));
        if (byte < 0 || byte == 0) {
            out += '?';
            exact = false;
        } else {
            out += char(byte);
        }
    }
    return exact;
}

} // namespace zelplat
