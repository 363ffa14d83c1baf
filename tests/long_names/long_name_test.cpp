// Bitmap files are written and read by names of any length up to the path
// limit: those OpenFile cannot take (128 characters or more) go through
// CreateFileA.
#include "dib_fixtures.h"

#include <zeltw32.h>

#include <gtest/gtest.h>

#include <string>

using namespace dibtest;

namespace {

// A name of exactly `length` characters in its own folder of drive C:.
std::string NameOfLength(size_t length) {
    std::string folder = "C:\\long_names\\";
    std::string name = folder + std::string(length - folder.size() - 4, 'x') + ".bmp";
    HostPath(name); // creates the folder
    RemoveFile(name);
    return name;
}

TEST(LongNames, WrittenAndReadBackAtEveryLength) {
    DibShape shape;
    shape.width = 7;
    shape.height = 5;
    HGLOBAL h = MakeDib(shape);
    for (size_t length : {size_t(OFS_MAXPATHNAME - 1), size_t(OFS_MAXPATHNAME), size_t(200),
                          size_t(MAX_PATH - 1)}) {
        std::string name = NameOfLength(length);
        ASSERT_EQ(name.size(), length);
        ASSERT_EQ(EscribirEnNombreArchivo(h, name.data()), 0) << length;
        EXPECT_EQ(ReadFileBytes(name).size(), 14 + GlobalSize(h)) << length;
        HGLOBAL back = CargarAMemoriaDeNombreArchivo(name.data());
        ASSERT_NE(back, HGLOBAL(0)) << length;
        EXPECT_EQ(BlockBytes(back), BlockBytes(h)) << length;
        GlobalFree(back);
        RemoveFile(name);
    }
    GlobalFree(h);
}

TEST(LongNames, BeyondThePathLimitNothingIsWritten) {
    HGLOBAL h = MakeDib(DibShape{});
    std::string name = NameOfLength(MAX_PATH);
    EXPECT_EQ(EscribirEnNombreArchivo(h, name.data()), -2);
    EXPECT_FALSE(FileExists(name));
    EXPECT_EQ(CargarAMemoriaDeNombreArchivo(name.data()), HGLOBAL(0));
    GlobalFree(h);
}

// A long-named file open for writing is not shared, and one open for
// reading refuses writers, as with OpenFile's sharing modes.
TEST(LongNames, SharingAsForShortNames) {
    HGLOBAL h = MakeDib(DibShape{});
    std::string name = NameOfLength(180);
    ASSERT_EQ(EscribirEnNombreArchivo(h, name.data()), 0);
    HANDLE reader = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, HANDLE());
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EscribirEnNombreArchivo(h, name.data()), -2);
    HGLOBAL back = CargarAMemoriaDeNombreArchivo(name.data());
    EXPECT_NE(back, HGLOBAL(0));
    GlobalFree(back);
    CloseHandle(reader);
    GlobalFree(h);
}

} // namespace
