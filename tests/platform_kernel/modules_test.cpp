// LoadLibraryA, GetProcAddress and FreeLibrary on a module of the tests.
#include "kernel_test_util.h"

#include <string>

namespace {

using AddFn = int (*)(int, int);
using CountFn = int (*)();

// An export as the function type it has (through void(*)(), the generic
// function pointer type).
template <typename F> F as(FARPROC proc) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}

TEST(Modules, LoadResolveAndReferenceCount) {
    HMODULE first = LoadLibraryA(KERNEL_TEST_MODULE);
    ASSERT_NE(first, 0u);
    auto add = as<AddFn>(GetProcAddress(first, "KernelTestAdd"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 40), 42);

    // The same file again: same handle, same module state.
    HMODULE second = LoadLibraryA(KERNEL_TEST_MODULE);
    EXPECT_EQ(second, first);
    auto count = as<CountFn>(GetProcAddress(second, "KernelTestCount"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(count(), 2);

    char name[4096];
    DWORD n = GetModuleFileNameA(first, name, sizeof name);
    EXPECT_EQ(std::string(name, n), KERNEL_TEST_MODULE);

    EXPECT_EQ(GetProcAddress(first, "KernelTestHidden"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_NE(GetProcAddress(first, "KernelTestAdd"), nullptr); // one reference left
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(GetProcAddress(first, "KernelTestAdd"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(FreeLibrary(first));
}

TEST(Modules, WindowsStyleNamesAndMissingFiles) {
    // A Windows-style spelling of the same file, in other case.
    std::string path = KERNEL_TEST_MODULE;
    std::string upper = path.substr(0, path.rfind('/')) + "\\KERNELTESTMODULE.DLL";
    HMODULE module = LoadLibraryA(upper.c_str());
    ASSERT_NE(module, 0u);
    EXPECT_EQ(GetModuleHandleA("kerneltestmodule"), module);
    FreeLibrary(module);

    EXPECT_EQ(LoadLibraryA("C:\\nowhere\\TWAIN_32.DLL"), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA("NoSuchModule"), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));

    // A file that is no module.
    std::string folder = kernel_test::fresh_folder("modules");
    std::string bogus = folder + "\\bogus.dll";
    kernel_test::write_text(kernel_test::host(bogus), "not a module");
    EXPECT_EQ(LoadLibraryA(bogus.c_str()), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_EXE_FORMAT));
}

TEST(Modules, TheExecutableItself) {
    char path[4096];
    DWORD n = GetModuleFileNameA(0, path, sizeof path);
    ASSERT_GT(n, 0u);
    EXPECT_NE(std::string(path, n).find("platform_kernel_tests"), std::string::npos);
    // Cut to the buffer, still terminated, with the error set.
    char small[8];
    EXPECT_EQ(GetModuleFileNameA(0, small, sizeof small), 8u);
    EXPECT_EQ(small[7], '\0');
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));

    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_NE(self, 0u);
    EXPECT_EQ(GetModuleHandleA(nullptr), self);
    EXPECT_TRUE(FreeLibrary(self)); // never unloaded
    EXPECT_EQ(GetModuleFileNameA(self, path, sizeof path), n);
}

} // namespace
