// OpenFile and the _l* / _h* calls, as the library writes and reads its
// bitmap files through them.
#include "kernel_test_util.h"

#include <vector>

using kernel_test::host;

namespace {

class OldFiles : public ::testing::Test {
  protected:
    void SetUp() override { folder = kernel_test::fresh_folder("files"); }
    std::string path(const char *name) { return folder + "\\" + name; }
    std::string folder;
};

TEST_F(OldFiles, ExistReportsMissingAndPresentFiles) {
    OFSTRUCT of;
    std::memset(&of, 0xAB, sizeof of);
    std::string missing = path("TWAIN_32.DLL");
    EXPECT_EQ(OpenFile(missing.c_str(), &of, OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(of.nErrCode, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(of.cBytes, sizeof(OFSTRUCT));
    EXPECT_STREQ(of.szPathName, missing.c_str());

    std::string deeper = folder + "\\no_such_dir\\x.bmp";
    EXPECT_EQ(OpenFile(deeper.c_str(), &of, OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(of.nErrCode, ERROR_PATH_NOT_FOUND);

    kernel_test::write_text(host(missing), "MZ");
    HFILE probe = OpenFile(missing.c_str(), &of, OF_EXIST);
    EXPECT_GE(probe, 0);
    EXPECT_EQ(of.nErrCode, 0);
    // The probe left nothing open: its value is no usable file.
    char byte;
    EXPECT_EQ(_lread(probe, &byte, 1), UINT(HFILE_ERROR));

    // A folder is not a file.
    EXPECT_EQ(OpenFile(folder.c_str(), &of, OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(of.nErrCode, ERROR_ACCESS_DENIED);
}

TEST_F(OldFiles, WriteReadRoundTripBeyond64K) {
    std::vector<char> data(200000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = char((i * 7 + i / 256) & 0xFF);
    std::string name = path("delete.bmp");
    OFSTRUCT of;
    HFILE out = OpenFile(name.c_str(), &of, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
    ASSERT_NE(out, HFILE_ERROR);
    EXPECT_GT(out, 0);
    EXPECT_EQ(_lwrite(out, data.data(), 14), 14u);
    EXPECT_EQ(_hwrite(out, data.data() + 14, LONG(data.size() - 14)), LONG(data.size() - 14));
    EXPECT_EQ(_lclose(out), 0);

    HFILE in = OpenFile(name.c_str(), &of, OF_READ);
    ASSERT_NE(in, HFILE_ERROR);
    std::vector<char> back(data.size() + 100, 0);
    EXPECT_EQ(_hread(in, back.data(), LONG(back.size())), LONG(data.size()));
    back.resize(data.size());
    EXPECT_EQ(back, data);
    EXPECT_EQ(_hread(in, back.data(), 10), 0); // at the end
    EXPECT_EQ(_llseek(in, 0, FILE_END), LONG(data.size()));
    EXPECT_EQ(_llseek(in, 14, FILE_BEGIN), 14);
    char two[2];
    EXPECT_EQ(_lread(in, two, 2), 2u);
    EXPECT_EQ(two[0], data[14]);
    EXPECT_EQ(_llseek(in, -1, FILE_CURRENT), 15);
    EXPECT_EQ(_llseek(in, -100, FILE_BEGIN), HFILE_ERROR);
    EXPECT_EQ(_lclose(in), 0);
}

TEST_F(OldFiles, CreateTruncatesAndZeroByteWriteSetsTheEnd) {
    std::string name = path("t.bin");
    kernel_test::write_text(host(name), "0123456789");
    OFSTRUCT of;
    HFILE f = OpenFile(name.c_str(), &of, OF_READWRITE);
    ASSERT_NE(f, HFILE_ERROR);
    EXPECT_EQ(_llseek(f, 4, FILE_BEGIN), 4);
    EXPECT_EQ(_lwrite(f, "", 0), 0u);
    _lclose(f);
    EXPECT_EQ(kernel_test::read_text(host(name)), "0123");

    f = OpenFile(name.c_str(), &of, OF_CREATE | OF_READWRITE);
    ASSERT_NE(f, HFILE_ERROR);
    _lclose(f);
    EXPECT_EQ(kernel_test::read_text(host(name)), "");
}

TEST_F(OldFiles, BadHandlesAreRefused) {
    char buffer[4];
    std::string name = path("closed.bin");
    OFSTRUCT of;
    HFILE f = OpenFile(name.c_str(), &of, OF_CREATE | OF_WRITE);
    ASSERT_NE(f, HFILE_ERROR);
    ASSERT_EQ(_lclose(f), 0);
    const HFILE bad[] = {f, HFILE_ERROR, 0, 1, 2, 0x12345678};
    for (HFILE h : bad) {
        EXPECT_EQ(_lread(h, buffer, 4), UINT(HFILE_ERROR)) << h;
        EXPECT_EQ(_hread(h, buffer, 4), HFILE_ERROR) << h;
        EXPECT_EQ(_lwrite(h, "abc", 3), UINT(HFILE_ERROR)) << h;
        EXPECT_EQ(_llseek(h, 0, FILE_BEGIN), HFILE_ERROR) << h;
        EXPECT_EQ(_lclose(h), HFILE_ERROR) << h;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE)) << h;
    }
    EXPECT_EQ(OpenFile(nullptr, &of, OF_READ), HFILE_ERROR);
    EXPECT_EQ(OpenFile(name.c_str(), nullptr, OF_READ), HFILE_ERROR);
}

TEST_F(OldFiles, DeleteParseAndSharing) {
    std::string name = path("gone.bmp");
    kernel_test::write_text(host(name), "x");
    OFSTRUCT of;
    EXPECT_EQ(OpenFile(name.c_str(), &of, OF_PARSE), 0);
    EXPECT_STREQ(of.szPathName, name.c_str());

    HFILE first = OpenFile(name.c_str(), &of, OF_READ | OF_SHARE_EXCLUSIVE);
    ASSERT_NE(first, HFILE_ERROR);
    EXPECT_EQ(OpenFile(name.c_str(), &of, OF_READ | OF_SHARE_DENY_WRITE), HFILE_ERROR);
    EXPECT_EQ(of.nErrCode, ERROR_SHARING_VIOLATION);
    _lclose(first);

    EXPECT_NE(OpenFile(name.c_str(), &of, OF_DELETE), HFILE_ERROR);
    EXPECT_EQ(OpenFile(name.c_str(), &of, OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(OpenFile(name.c_str(), &of, OF_DELETE), HFILE_ERROR);
    EXPECT_EQ(of.nErrCode, ERROR_FILE_NOT_FOUND);

    kernel_test::write_text(host(name), "x");
    EXPECT_TRUE(DeleteFileA(name.c_str()));
    EXPECT_FALSE(DeleteFileA(name.c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileA(folder.c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

// OpenFile takes names that fit its structure (127 characters); CreateFileA
// takes names up to MAX_PATH, and its handle is an HFILE for the _l* calls.
TEST_F(OldFiles, LongNamesGoThroughCreateFile) {
    auto named = [&](size_t length) {
        std::string name = path("");
        return name + std::string(length - name.size() - 4, 'n') + ".bmp";
    };
    OFSTRUCT of;
    std::string fits = named(OFS_MAXPATHNAME - 1);
    HFILE h = OpenFile(fits.c_str(), &of, OF_CREATE | OF_WRITE);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(_lwrite(h, "kept", 4), 4u);
    _lclose(h);
    std::string longer = named(OFS_MAXPATHNAME);
    EXPECT_EQ(OpenFile(longer.c_str(), &of, OF_CREATE | OF_WRITE), HFILE_ERROR);
    EXPECT_NE(access(host(longer).c_str(), F_OK), 0);

    std::string longest = named(MAX_PATH - 1);
    HANDLE out = CreateFileA(longest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, HANDLE());
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    HFILE hOut = HFILE(UINT_PTR(out));
    EXPECT_EQ(_lwrite(hOut, "BM1234", 6), 6u);
    // Not shared: another open for reading is refused while it is open.
    EXPECT_EQ(CreateFileA(longest.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, HANDLE()),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(_lclose(hOut), 0);

    HANDLE in = CreateFileA(longest.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, HANDLE());
    ASSERT_NE(in, INVALID_HANDLE_VALUE);
    char back[8] = {};
    EXPECT_EQ(_lread(HFILE(UINT_PTR(in)), back, sizeof back), 6u);
    EXPECT_STREQ(back, "BM1234");
    // A create refused for sharing leaves the file as it was.
    EXPECT_EQ(CreateFileA(longest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, HANDLE()),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    HFILE shortIn = OpenFile(fits.c_str(), &of, OF_READ | OF_SHARE_DENY_WRITE);
    EXPECT_EQ(OpenFile(fits.c_str(), &of, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE), HFILE_ERROR);
    _lclose(shortIn);
    EXPECT_EQ(kernel_test::read_text(host(fits)), "kept");
    EXPECT_EQ(kernel_test::read_text(host(longest)), "BM1234");
    EXPECT_TRUE(CloseHandle(in));
    EXPECT_EQ(_lread(HFILE(UINT_PTR(in)), back, 1), UINT(HFILE_ERROR));

    EXPECT_EQ(CreateFileA(named(MAX_PATH).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, HANDLE()),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(path("missing.bmp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, HANDLE()),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

} // namespace
