// Last-error codes and their texts.
#include <zelplat/zelplat_test.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>
#include <thread>

namespace {

TEST(LastError, KeptPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seen_by_other = 1;
    std::thread other([&] {
        seen_by_other = GetLastError();
        SetLastError(ERROR_INVALID_HANDLE);
    });
    other.join();
    EXPECT_EQ(seen_by_other, DWORD(NO_ERROR));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

std::string system_text(DWORD code, DWORD flags = 0) {
    char buffer[256] = "untouched";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | flags,
                             nullptr, code, 0, buffer, sizeof buffer, nullptr);
    EXPECT_EQ(n, std::strlen(buffer));
    return n ? buffer : "";
}

TEST(FormatMessage, SystemTextsOfTheLayersCodes) {
    EXPECT_EQ(system_text(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.\r\n");
    EXPECT_EQ(system_text(ERROR_PATH_NOT_FOUND), "The system cannot find the path specified.\r\n");
    EXPECT_EQ(system_text(ERROR_ACCESS_DENIED), "Access is denied.\r\n");
    EXPECT_EQ(system_text(ERROR_MOD_NOT_FOUND), "The specified module could not be found.\r\n");
    EXPECT_EQ(system_text(ERROR_BAD_EXE_FORMAT), "%1 is not a valid Win32 application.\r\n");
    EXPECT_EQ(system_text(ERROR_ACCESS_DENIED, FORMAT_MESSAGE_MAX_WIDTH_MASK), "Access is denied.");
    // Every code of the public header has a text.
    const DWORD codes[] = {0,  1,   2,   3,   4,   5,   6,    8,    14,   32,  80,
                           87, 122, 126, 127, 158, 193, 1400, 1407, 1410, 1418};
    for (DWORD code : codes)
        EXPECT_FALSE(system_text(code).empty()) << code;
}

TEST(FormatMessage, UnknownCodeAndSmallBuffer) {
    char buffer[8] = "keep";
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xDEAD, 0, buffer, sizeof buffer,
                             nullptr),
              0u);
    EXPECT_NE(GetLastError(), DWORD(NO_ERROR));
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, buffer,
                             sizeof buffer, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST(FormatMessage, AllocatedBufferIsALocalBlock) {
    size_t before = ZelPlat_LiveLocalBlocks();
    LPSTR text = nullptr;
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, ERROR_INVALID_HANDLE, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(n, std::strlen(text));
    EXPECT_STREQ(text, "The handle is invalid.\r\n");
    EXPECT_EQ(ZelPlat_LiveLocalBlocks(), before + 1);
    HLOCAL block = LocalHandle(text);
    ASSERT_NE(block, 0u);
    EXPECT_EQ(LocalFree(block), 0u);
    EXPECT_EQ(ZelPlat_LiveLocalBlocks(), before);
}

DWORD format_with(char *out, DWORD size, const char *source, ...) {
    va_list args;
    va_start(args, source);
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_STRING, source, 0, 0, out, size, &args);
    va_end(args);
    return n;
}

TEST(FormatMessage, InsertsFromArguments) {
    char out[128];
    ASSERT_GT(format_with(out, sizeof out, "%2 then %1!d!%n100%%", 42, "second"), 0u);
    EXPECT_STREQ(out, "second then 42\r\n100%");
    // A text with inserts but no arguments is refused instead of read blindly.
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_BAD_EXE_FORMAT, 0, out,
                             sizeof out, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

} // namespace
