// Global and local memory as a Win32 program relies on it.
#include <zelplat/zelplat_test.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

// Freeing, locking, unlocking or resizing a handle that is no block is
// refused and counted as a misuse, each with a trace; probing it with
// GlobalSize or GlobalFlags is not counted, and null is no misuse.
TEST(GlobalMemory, RefusesFreedAndMadeUpHandles) {
    HGLOBAL block = GlobalAlloc(GHND, 16);
    ASSERT_NE(block, 0u);
    ASSERT_EQ(GlobalFree(block), 0u);
    ZelPlat_ForgetBadMemoryHandleUses();
    ZelPlat_DebugOutputClear();

    const HGLOBAL bad[] = {0, block, block + 1, 0x12345678u, 0xFFFFFFFFu};
    for (HGLOBAL h : bad) {
        size_t before = ZelPlat_BadMemoryHandleUses();
        SetLastError(NO_ERROR);
        EXPECT_EQ(GlobalSize(h), 0u) << h;
        EXPECT_EQ(GlobalFlags(h), UINT(GMEM_INVALID_HANDLE)) << h;
        EXPECT_EQ(ZelPlat_BadMemoryHandleUses(), before) << "a probe counted: " << h;
        EXPECT_EQ(GlobalLock(h), nullptr) << h;
        EXPECT_EQ(GlobalReAlloc(h, 8, GMEM_MOVEABLE), 0u) << h;
        EXPECT_FALSE(GlobalUnlock(h));
        EXPECT_EQ(GlobalFree(h), h) << h;
        if (h != 0) {
            EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE)) << h;
        }
        EXPECT_EQ(ZelPlat_BadMemoryHandleUses(), before + (h ? 4 : 0)) << h;
    }
    char trace[80];
    std::snprintf(trace, sizeof trace,
                  "zelplat: GlobalLock of a handle that is no block (0x%08X).\n", unsigned(block));
    EXPECT_STREQ(ZelPlat_DebugOutputEntry(0), trace);
    ZelPlat_ForgetBadMemoryHandleUses();
    EXPECT_EQ(ZelPlat_BadMemoryHandleUses(), 0u);
}

TEST(GlobalMemory, LockCountAndUnlockResults) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 32);
    ASSERT_NE(block, 0u);
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);

    void *first = GlobalLock(block);
    void *second = GlobalLock(block);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 2u);
    EXPECT_EQ(GlobalHandle(first), block);

    EXPECT_TRUE(GlobalUnlock(block)); // still locked once
    SetLastError(ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(GlobalUnlock(block)); // now unlocked: FALSE with NO_ERROR
    EXPECT_EQ(GetLastError(), DWORD(NO_ERROR));
    EXPECT_FALSE(GlobalUnlock(block)); // not locked at all
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_LOCKED));
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);
    EXPECT_EQ(GlobalFree(block), 0u);
}

TEST(GlobalMemory, FixedBlocksKeepNoLockCount) {
    HGLOBAL block = GlobalAlloc(GPTR, 10);
    ASSERT_NE(block, 0u);
    auto *p = static_cast<unsigned char *>(GlobalLock(block));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(p[i], 0) << i;
    EXPECT_EQ(GlobalFlags(block), 0u);
    EXPECT_TRUE(GlobalUnlock(block));

    HLOCAL local = LocalAlloc(LPTR, 4);
    ASSERT_NE(LocalLock(local), nullptr);
    EXPECT_FALSE(LocalUnlock(local));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_LOCKED));
    EXPECT_EQ(LocalFree(local), 0u);
    EXPECT_EQ(GlobalFree(block), 0u);
}

TEST(GlobalMemory, SizesAreExactAndZeroBytesDiscarded) {
    HGLOBAL odd = GlobalAlloc(GMEM_MOVEABLE, 1234567);
    ASSERT_NE(odd, 0u);
    EXPECT_EQ(GlobalSize(odd), 1234567u);

    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(empty, 0u);
    EXPECT_EQ(GlobalSize(empty), 0u);
    EXPECT_EQ(GlobalLock(empty), nullptr);
    EXPECT_EQ(GlobalFlags(empty), UINT(GMEM_DISCARDED));

    // A discarded block comes back to life through GlobalReAlloc.
    ASSERT_EQ(GlobalReAlloc(empty, 8, GMEM_MOVEABLE | GMEM_ZEROINIT), empty);
    auto *p = static_cast<unsigned char *>(GlobalLock(empty));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[7], 0);
    GlobalUnlock(empty);

    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, SIZE_T(1) << 40), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    GlobalFree(odd);
    GlobalFree(empty);
}

TEST(GlobalMemory, ZeroInitAndReAllocKeepContents) {
    HGLOBAL block = GlobalAlloc(GHND, 100);
    auto *p = static_cast<unsigned char *>(GlobalLock(block));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(p[i], 0) << i;
    for (int i = 0; i < 100; ++i)
        p[i] = static_cast<unsigned char>(i + 1);
    GlobalUnlock(block);

    // Growing far enough to move the data keeps it and zeroes the rest.
    ASSERT_EQ(GlobalReAlloc(block, 1 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT), block);
    EXPECT_EQ(GlobalSize(block), SIZE_T(1) << 20);
    p = static_cast<unsigned char *>(GlobalLock(block));
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(p[i], i + 1) << i;
    for (int i = 100; i < (1 << 20); i += 4099)
        ASSERT_EQ(p[i], 0) << i;
    GlobalUnlock(block);

    // Shrinking, then growing in place with ZEROINIT, must not bring the
    // old bytes back.
    ASSERT_EQ(GlobalReAlloc(block, 50, GMEM_MOVEABLE), block);
    EXPECT_EQ(GlobalSize(block), 50u);
    ASSERT_EQ(GlobalReAlloc(block, 80, GMEM_MOVEABLE | GMEM_ZEROINIT), block);
    p = static_cast<unsigned char *>(GlobalLock(block));
    EXPECT_EQ(p[49], 50);
    EXPECT_EQ(p[50], 0);
    EXPECT_EQ(p[79], 0);
    GlobalUnlock(block);
    EXPECT_EQ(GlobalFree(block), 0u);
}

TEST(GlobalMemory, LockedBlockIsNotMovedUnderItsPointer) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 64);
    auto *p = static_cast<char *>(GlobalLock(block));
    ASSERT_NE(p, nullptr);
    std::strcpy(p, "kept");
    // Growing would move the data: refused while a pointer is out.
    EXPECT_EQ(GlobalReAlloc(block, 1 << 20, GMEM_MOVEABLE), 0u);
    EXPECT_EQ(GlobalSize(block), 64u);
    EXPECT_STREQ(p, "kept");
    // Shrinking in place is fine.
    EXPECT_EQ(GlobalReAlloc(block, 16, GMEM_MOVEABLE), block);
    EXPECT_EQ(GlobalLock(block), p);
    GlobalUnlock(block);
    GlobalUnlock(block);
    EXPECT_EQ(GlobalFree(block), 0u);
}

TEST(GlobalMemory, FailSwitchAndLiveCounts) {
    size_t before = ZelPlat_LiveGlobalBlocks();
    ZelPlat_FailGlobalAllocAfter(1);
    HGLOBAL ok = GlobalAlloc(GHND, 4);
    EXPECT_NE(ok, 0u);
    EXPECT_EQ(GlobalAlloc(GHND, 4), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(GlobalAlloc(GHND, 4), 0u); // keeps failing until switched off
    ZelPlat_FailGlobalAllocAfter(-1);
    HGLOBAL again = GlobalAlloc(GHND, 4);
    EXPECT_NE(again, 0u);
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), before + 2);
    GlobalFree(ok);
    GlobalFree(again);
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), before);

    size_t locals = ZelPlat_LiveLocalBlocks();
    HLOCAL local = LocalAlloc(LHND, 3);
    EXPECT_EQ(LocalSize(local), 3u);
    EXPECT_EQ(ZelPlat_LiveLocalBlocks(), locals + 1);
    LocalFree(local);
    EXPECT_EQ(ZelPlat_LiveLocalBlocks(), locals);
}

} // namespace
