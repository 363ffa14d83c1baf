// Code page 1252 case mapping, the lstr* family and wsprintfA.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>

namespace {

TEST(CaseMapping, SpanishAndWesternLettersInCodePage1252) {
    char word[] = "\xC1\xC9\xCD\xD3\xDA\xD1\xDC Espa\xD1"
                  "A \xD7\x8A\x8C\x8E\x9F";
    EXPECT_EQ(CharLowerA(word), word);
    EXPECT_STREQ(word, "\xE1\xE9\xED\xF3\xFA\xF1\xFC espa\xF1"
                       "a \xD7\x9A\x9C\x9E\xFF");
    CharUpperA(word);
    EXPECT_STREQ(word, "\xC1\xC9\xCD\xD3\xDA\xD1\xDC ESPA\xD1"
                       "A \xD7\x8A\x8C\x8E\x9F");
    // Signs, digits and the sharp s have no other case.
    char other[] = "0-9 \xF7\xDF\xB5\xA9";
    CharUpperA(other);
    EXPECT_STREQ(other, "0-9 \xF7\xDF\xB5\xA9");
}

TEST(CaseMapping, SingleCharacterForm) {
    // A "pointer" whose high bits are zero carries one character.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(CharLowerA(reinterpret_cast<LPSTR>(uintptr_t(0xD1)))),
              0xF1u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(CharUpperA(reinterpret_cast<LPSTR>(uintptr_t('q')))),
              uintptr_t('Q'));
}

TEST(LstrFunctions, CopyTruncatesAndTerminates) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(lstrcpynA(buffer, "abcdefghij", 5), buffer);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(buffer[5], 'x'); // nothing written past the limit

    lstrcpynA(buffer, "ab", 8);
    EXPECT_STREQ(buffer, "ab");
    lstrcpynA(buffer, "abc", 1);
    EXPECT_STREQ(buffer, "");
    buffer[0] = 'z';
    lstrcpynA(buffer, "abc", 0);
    EXPECT_EQ(buffer[0], 'z');

    EXPECT_EQ(lstrlenA(nullptr), 0);
    EXPECT_EQ(lstrlenA("\xF1u"), 2);
    EXPECT_EQ(lstrcpyA(nullptr, "a"), nullptr);
    char joined[16] = "C:\\dir";
    EXPECT_STREQ(lstrcatA(joined, "\\a.bmp"), "C:\\dir\\a.bmp");
}

TEST(LstrFunctions, CompareIgnoringCase) {
    EXPECT_EQ(lstrcmpiA("TWAIN_32.DLL", "twain_32.dll"), 0);
    EXPECT_EQ(lstrcmpiA("Resoluci\xD3n", "resoluci\xF3n"), 0);
    EXPECT_LT(lstrcmpiA("abc", "ABD"), 0);
    EXPECT_GT(lstrcmpiA("abcd", "ABC"), 0);
    EXPECT_LT(lstrcmpiA(nullptr, "a"), 0);
    EXPECT_EQ(lstrcmpiA(nullptr, nullptr), 0);
}

std::string format(const char *fmt, ...) {
    char out[1100];
    std::memset(out, '#', sizeof out);
    va_list args;
    va_start(args, fmt);
    int n = wvsprintfA(out, fmt, args);
    va_end(args);
    EXPECT_EQ(size_t(n), std::strlen(out));
    return out;
}

TEST(Wsprintf, NumbersWithWidthsAndFlags) {
    EXPECT_EQ(format("ZELW:State %d\n", 4), "ZELW:State 4\n");
    EXPECT_EQ(format("[%5d|%-5d|%05d]", 42, 42, -42), "[   42|42   |-0042]");
    EXPECT_EQ(format("%i %u %u", -1, 7u, 0xFFFFFFFFu), "-1 7 4294967295");
    EXPECT_EQ(format("%x %X %08X %#x", 255, 255, 0xBEEFu, 26), "ff FF 0000BEEF 0x1a");
    EXPECT_EQ(format("%ld %lu %lx", LONG(-5), ULONG(5), ULONG(0xABCDEF01u)), "-5 5 abcdef01");
    EXPECT_EQ(format("%hd %hu", 70000, 70000), "4464 4464");
    EXPECT_EQ(format("%.3d", 7), "007");
    EXPECT_EQ(format("%d", INT32_MIN), "-2147483648");
}

TEST(Wsprintf, TextCharactersAndPercent) {
    EXPECT_EQ(format("%s=%c%%", "rc", 'A'), "rc=A%");
    EXPECT_EQ(format("<%8s|%-4s|%.2s>", "abc", "ab", "xyz"), "<     abc|ab  |xy>");
    EXPECT_EQ(format("%s", static_cast<const char *>(nullptr)), "(null)");
    EXPECT_EQ(format("%s", "Adquisici\xF3n"), "Adquisici\xF3n");
}

TEST(Wsprintf, OutputStopsAt1024Bytes) {
    std::string big(2000, 'a');
    char out[1100];
    std::memset(out, '#', sizeof out);
    int n = wsprintfA(out, "%s", big.c_str());
    EXPECT_EQ(n, 1023);
    EXPECT_EQ(out[1023], '\0');
    EXPECT_EQ(out[1024], '#');
    EXPECT_EQ(wsprintfA(out, "x%500d%600d", 1, 2), 1023);
    EXPECT_EQ(out[1024], '#');
}

} // namespace
