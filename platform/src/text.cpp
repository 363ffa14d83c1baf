// Narrow-string helpers of the Win32 subset: case mapping in code page 1252
// and the lstr* family.  wsprintfA lives in wsprintf.cpp.
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

// Lower case of a cp1252 byte: ASCII, the accented capitals 0xC0-0xDE
// (except the multiplication sign 0xD7), and S/OE/Z with caron or ligature,
// Y with diaeresis, which sit in 0x8A-0x9F.
unsigned char lower_1252(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    switch (c) {
    case 0x8A:
    case 0x8C:
    case 0x8E:
        return c + 0x10;
    case 0x9F:
        return 0xFF;
    default:
        return c;
    }
}

// Upper case of a cp1252 byte; the inverse of lower_1252.  0xDF (sharp s)
// and 0xB5 (micro) have no single-byte capital and stay.
unsigned char upper_1252(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    switch (c) {
    case 0x9A:
    case 0x9C:
    case 0x9E:
        return c - 0x10;
    case 0xFF:
        return 0x9F;
    default:
        return c;
    }
}

// CharLowerA/CharUpperA take either a string or, when the high bits of the
// pointer are zero, a single character in its low byte.
LPSTR map_case(LPSTR text, unsigned char (*map)(unsigned char)) {
    auto value = reinterpret_cast<uintptr_t>(text);
    if ((value >> 16) == 0)
        return reinterpret_cast<LPSTR>(uintptr_t(map(static_cast<unsigned char>(value & 0xFF))));
    for (char *p = text; *p; ++p)
        *p = static_cast<char>(map(static_cast<unsigned char>(*p)));
    return text;
}

} // namespace

LPSTR WINAPI CharLowerA(LPSTR lpsz) {
    return map_case(lpsz, lower_1252);
}

LPSTR WINAPI CharUpperA(LPSTR lpsz) {
    return map_case(lpsz, upper_1252);
}

int WINAPI lstrlenA(LPCSTR lpString) {
    return lpString ? static_cast<int>(std::strlen(lpString)) : 0;
}

// Copies at most iMaxLength - 1 characters and always terminates, unless
// there is no room at all.
LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
    if (!lpString1 || !lpString2 || iMaxLength < 0)
        return nullptr;
    if (iMaxLength == 0)
        return lpString1;
    int i = 0;
    for (; i < iMaxLength - 1 && lpString2[i]; ++i)
        lpString1[i] = lpString2[i];
    lpString1[i] = '\0';
    return lpString1;
}

// Null pointers give NULL instead of a fault, as Windows does.
LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2)
        return nullptr;
    std::memmove(lpString1, lpString2, std::strlen(lpString2) + 1);
    return lpString1;
}

LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2)
        return nullptr;
    std::memmove(lpString1 + std::strlen(lpString1), lpString2, std::strlen(lpString2) + 1);
    return lpString1;
}

// Case-insensitive comparison by cp1252 lower-case bytes; a null string
// sorts before any other.  Returns -1, 0 or 1.
int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2)
        return lpString1 ? 1 : lpString2 ? -1 : 0;
    for (size_t i = 0;; ++i) {
        unsigned char a = lower_1252(static_cast<unsigned char>(lpString1[i]));
        unsigned char b = lower_1252(static_cast<unsigned char>(lpString2[i]));
        if (a != b)
            return a < b ? -1 : 1;
        if (!a)
            return 0;
    }
}
