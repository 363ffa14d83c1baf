// Conversions between the library's code page 1252 and UTF-8, by the
// system's own converters: iconv here, the code page functions on Windows.
// A character the target cannot hold becomes U+FFFD (into UTF-8) or '?'
// (into code page 1252).
#include "text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace zelscan {
namespace {

#ifdef _WIN32

// WideCharToMultiByte and MultiByteToWideChar take int lengths; the texts
// converted here are names and messages.
std::wstring Wide(const std::string &text, UINT codePage) {
    int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring &wide, UINT codePage, bool *exact) {
    BOOL defaulted = FALSE;
    BOOL *used = codePage == CP_UTF8 ? nullptr : &defaulted;
    int n =
        WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, used);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), out.data(), n, nullptr, used);
    if (exact)
        *exact = !defaulted;
    return out;
}

#else

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t SequenceLength(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// Converts with iconv; an input the target cannot hold is replaced by
// `replacement` and skipped (one UTF-8 sequence, or one byte).
bool Convert(const char *to, const char *from, const std::string &text, const char *replacement,
             bool fromUtf8, std::string &out) {
    out.clear();
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return false;
    bool exact = true;
    char *in = const_cast<char *>(text.data());
    size_t left = text.size();
    while (left > 0) {
        char buffer[256];
        char *next = buffer;
        size_t room = sizeof buffer;
        size_t done = iconv(cd, &in, &left, &next, &room);
        out.append(buffer, size_t(next - buffer));
        if (done != size_t(-1) || errno == E2BIG)
            continue;
        // An input the target cannot hold, or a malformed or cut one.
        exact = false;
        out += replacement;
        size_t skip = fromUtf8 ? SequenceLength(static_cast<unsigned char>(*in)) : 1;
        skip = skip < left ? skip : left;
        in += skip;
        left -= skip;
    }
    iconv_close(cd);
    return exact;
}

#endif

} // namespace

std::string Cp1252ToUtf8(const std::string &text) {
#ifdef _WIN32
    return Narrow(Wide(text, 1252), CP_UTF8, nullptr);
#else
    std::string out;
    Convert("UTF-8", "CP1252", text, "\xEF\xBF\xBD", false, out);
    return out;
#endif
}

bool Utf8ToCp1252(const std::string &text, std::string &out) {
#ifdef _WIN32
    bool exact = true;
    out = Narrow(Wide(text, CP_UTF8), 1252, &exact);
    return exact;
#else
    return Convert("CP1252", "UTF-8", text, "?", true, out);
#endif
}

} // namespace zelscan
