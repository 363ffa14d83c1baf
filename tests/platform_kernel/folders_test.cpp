// The Windows folder, the temporary folder and temporary file names.
#include "kernel_test_util.h"

#include <cstdlib>
#include <sys/stat.h>

using kernel_test::host;

namespace {

TEST(Folders, WindowsDirectoryHonoursWindirAndSmallBuffers) {
    setenv("WINDIR", "/opt/zel/windows/", 1);
    char buffer[64];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 16u);
    EXPECT_STREQ(buffer, "/opt/zel/windows");
    // Too small: the size needed with the terminating zero, nothing written.
    char small[16] = "untouched";
    EXPECT_EQ(GetWindowsDirectoryA(small, sizeof small), 17u);
    EXPECT_STREQ(small, "untouched");
    EXPECT_EQ(GetWindowsDirectoryA(nullptr, 0), 17u);
    char exact[17];
    EXPECT_EQ(GetWindowsDirectoryA(exact, sizeof exact), 16u);

    unsetenv("WINDIR");
    EXPECT_GT(GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
    EXPECT_NE(std::string(buffer), "/opt/zel/windows");
}

TEST(Folders, TempPathEndsWithASeparator) {
    setenv("TMPDIR", "/var/tmp", 1);
    char buffer[32];
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 9u);
    EXPECT_STREQ(buffer, "/var/tmp/");
    EXPECT_EQ(GetTempPathA(5, buffer), 10u);
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 5u);
    EXPECT_STREQ(buffer, "/tmp/");
}

TEST(Folders, TempFileNamesAreCreatedUnique) {
    std::string folder = kernel_test::fresh_folder("temp");
    char first[MAX_PATH];
    char second[MAX_PATH];
    UINT a = GetTempFileNameA(folder.c_str(), "ZELTW", 0, first);
    UINT b = GetTempFileNameA(folder.c_str(), "ZELTW", 0, second);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    char expected[MAX_PATH];
    wsprintfA(expected, "%s\\ZEL%X.TMP", folder.c_str(), a);
    EXPECT_STREQ(first, expected);
    struct stat st;
    EXPECT_EQ(stat(host(first).c_str(), &st), 0);
    EXPECT_EQ(stat(host(second).c_str(), &st), 0);

    // A number given: only the name is formed.
    EXPECT_EQ(GetTempFileNameA("C:\\t\\", "x", 0x1A2B, first), 0x1A2Bu);
    EXPECT_STREQ(first, "C:\\t\\x1A2B.TMP");
    EXPECT_NE(stat(host(first).c_str(), &st), 0);

    EXPECT_EQ(GetTempFileNameA((folder + "\\missing").c_str(), "x", 0, first), 0u);
}

} // namespace
