// Windows paths on the host file system.
#include "kernel_test_util.h"

#include <cstdlib>
#include <sys/stat.h>

using kernel_test::host;

namespace {

std::string drives() {
    const char *env = std::getenv("ZELPLAT_DRIVES");
    return env ? env : "";
}

bool is_folder(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(HostPaths, DriveLettersMapBelowTheDrivesFolder) {
    ASSERT_FALSE(drives().empty());
    EXPECT_EQ(host("C:\\dir\\file.bmp"), drives() + "/c/dir/file.bmp");
    EXPECT_EQ(host("c:/dir/file.bmp"), drives() + "/c/dir/file.bmp");
    EXPECT_EQ(host("C:\\delete.bmp"), drives() + "/c/delete.bmp");
    EXPECT_EQ(host("Q:"), drives() + "/q");
    EXPECT_EQ(host("Q:\\"), drives() + "/q");
    EXPECT_TRUE(is_folder(drives() + "/q")); // made on demand
    // ".." stops at the drive's root, as on Windows.
    EXPECT_EQ(host("C:\\a\\..\\..\\..\\etc\\.\\passwd"), drives() + "/c/etc/passwd");
}

TEST(HostPaths, OtherPathsKeepTheirPlace) {
    EXPECT_EQ(host("dir\\sub\\file.txt"), "dir/sub/file.txt");
    EXPECT_EQ(host("file.txt"), "file.txt");
    EXPECT_EQ(host("/usr/lib\\x.so"), "/usr/lib/x.so");
    EXPECT_EQ(host("\\abs\\path"), "/abs/path");
    char small[8];
    EXPECT_EQ(ZelPlat_HostPath("C:\\a\\long\\name", small, sizeof small), 0u);
}

TEST(HostPaths, ExistingNamesMatchWithoutRegardToCase) {
    std::string folder = kernel_test::fresh_folder("case");
    kernel_test::write_text(host(folder) + "/TWAIN_32.DLL", "x");
    std::string lower = folder + "\\twain_32.dll";
    for (char &c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(host(lower), host(folder) + "/TWAIN_32.DLL");
    // A name that does not exist in any case keeps its spelling.
    EXPECT_EQ(host(folder + "\\New.Bmp"), host(folder) + "/New.Bmp");
}

TEST(HostPaths, DefaultDrivesFolderIsPrivateBelowTmp) {
    std::string tmp = host(kernel_test::fresh_folder("tmpdir"));
    setenv("TMPDIR", tmp.c_str(), 1);
    unsetenv("ZELPLAT_DRIVES");
    std::string expected = tmp + "/zelplat-" + std::to_string(getuid()) + "/drives/d/x.txt";
    EXPECT_EQ(host("D:\\x.txt"), expected);
    struct stat st;
    ASSERT_EQ(stat((tmp + "/zelplat-" + std::to_string(getuid())).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

} // namespace
