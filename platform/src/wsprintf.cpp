// wsprintfA / wvsprintfA: the Win32 formatter, a small subset of printf.
//
// Conversions %c %d %i %u %x %X %s and %%, with the flags '-' (left align),
// '0' (zero padding of numbers) and '#' (0x prefix), a width, a precision
// (at most that many characters of %s, at least that many digits of a
// number) and the size prefixes h (16 bits) and l (32 bits, as long is on
// Windows).  There is no floating point.  The output holds at most 1024
// bytes including the terminating zero, as on Windows; the rest is cut.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr size_t kMaxOutput = 1024;

struct Conversion {
    bool left = false;
    bool zero = false;
    bool prefix = false;
    int width = 0;
    int precision = -1;
    char size = 0; // 'h', 'l' or 0
    char type = 0;
};

int read_number(const char *&f) {
    int n = 0;
    while (*f >= '0' && *f <= '9') {
        if (n < 10000) // keeps a silly width from overflowing; output is capped anyway
            n = n * 10 + (*f - '0');
        ++f;
    }
    return n;
}

Conversion read_conversion(const char *&f) {
    Conversion s;
    for (;; ++f) {
        if (*f == '-')
            s.left = true;
        else if (*f == '0')
            s.zero = true;
        else if (*f == '#')
            s.prefix = true;
        else
            break;
    }
    s.width = read_number(f);
    if (*f == '.') {
        ++f;
        s.precision = read_number(f);
    }
    if (*f == 'h' || *f == 'l')
        s.size = *f++;
    s.type = *f;
    if (*f)
        ++f;
    return s;
}

// Appends `body` padded to the width: spaces on the left or right, or zeros
// between the sign or prefix (`lead`) and the digits.
void append_padded(std::string &out, const Conversion &s, const std::string &lead,
                   const std::string &body, bool zeroPad) {
    size_t length = lead.size() + body.size();
    size_t pad = s.width > 0 && size_t(s.width) > length ? size_t(s.width) - length : 0;
    if (s.left) {
        out += lead + body;
        out.append(pad, ' ');
    } else if (zeroPad) {
        out += lead;
        out.append(pad, '0');
        out += body;
    } else {
        out.append(pad, ' ');
        out += lead + body;
    }
}

std::string digits_of(unsigned long long value, unsigned base, bool upper, int precision) {
    const char *set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string d;
    do {
        d.insert(d.begin(), set[value % base]);
        value /= base;
    } while (value);
    if (precision >= 0 && d.size() < size_t(precision))
        d.insert(0, size_t(precision) - d.size(), '0');
    return d;
}

void format_integer(std::string &out, const Conversion &s, va_list &args) {
    // Win32 int and long are both 32 bits; h narrows to 16.
    int raw = va_arg(args, int);
    bool is_signed = s.type == 'd' || s.type == 'i';
    long long value;
    if (s.size == 'h')
        value = is_signed ? (long long)(short)raw : (long long)(unsigned short)raw;
    else
        value = is_signed ? (long long)raw : (long long)(unsigned)raw;
    std::string lead;
    unsigned long long magnitude = value < 0 ? 0ULL - (unsigned long long)value : value;
    if (value < 0)
        lead = "-";
    unsigned base = (s.type == 'x' || s.type == 'X') ? 16 : 10;
    if (base == 16 && s.prefix && value != 0)
        lead = s.type == 'X' ? "0X" : "0x";
    std::string body = digits_of(magnitude, base, s.type == 'X', s.precision);
    append_padded(out, s, lead, body, s.zero && !s.left);
}

void format_string(std::string &out, const Conversion &s, va_list &args) {
    const char *text = va_arg(args, const char *);
    if (!text)
        text = "(null)";
    size_t length = s.precision >= 0 ? strnlen(text, size_t(s.precision)) : std::strlen(text);
    if (length > kMaxOutput)
        length = kMaxOutput;
    append_padded(out, s, "", std::string(text, length), false);
}

void format_char(std::string &out, const Conversion &s, va_list &args) {
    char c = static_cast<char>(va_arg(args, int));
    append_padded(out, s, "", std::string(1, c), false);
}

} // namespace

int WINAPI wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist) {
    if (!lpOut)
        return 0;
    std::string out;
    va_list args;
    va_copy(args, arglist);
    for (const char *f = lpFmt ? lpFmt : ""; *f && out.size() < kMaxOutput;) {
        if (*f != '%') {
            out += *f++;
            continue;
        }
        ++f;
        Conversion s = read_conversion(f);
        switch (s.type) {
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
            format_integer(out, s, args);
            break;
        case 's':
            format_string(out, s, args);
            break;
        case 'c':
            format_char(out, s, args);
            break;
        case '\0':
            break;
        default: // "%%" and unknown conversions print the character itself
            out += s.type;
            break;
        }
    }
    va_end(args);
    size_t length = out.size() < kMaxOutput ? out.size() : kMaxOutput - 1;
    std::memcpy(lpOut, out.data(), length);
    lpOut[length] = '\0';
    return static_cast<int>(length);
}

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
    va_list args;
    va_start(args, lpFmt);
    int written = wvsprintfA(lpOut, lpFmt, args);
    va_end(args);
    return written;
}
