// Clipboard: access rules and ownership of the handles it accepts.
#include <gtest/gtest.h>
#include <zelplat/zelplat_test.h>

namespace {

HGLOBAL block_with(char first) {
    HGLOBAL h = GlobalAlloc(GHND, 16);
    if (h) {
        *static_cast<char *>(GlobalLock(h)) = first;
        GlobalUnlock(h);
    }
    return h;
}

TEST(Clipboard, OwnsAndFreesWhatItHolds) {
    size_t baseline = ZelPlat_LiveGlobalBlocks();
    ASSERT_TRUE(OpenClipboard(0));
    ASSERT_TRUE(EmptyClipboard());
    HGLOBAL dib = block_with('D');
    HGLOBAL text = block_with('T');
    EXPECT_EQ(SetClipboardData(CF_DIB, dib), dib);
    EXPECT_EQ(SetClipboardData(CF_TEXT, text), text);
    EXPECT_EQ(SetClipboardData(CF_TEXT, text), text); // the same handle again is kept
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), baseline + 2);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));

    ASSERT_TRUE(OpenClipboard(0));
    EXPECT_EQ(GetClipboardData(CF_TEXT), text);
    EXPECT_EQ(*static_cast<char *>(GlobalLock(text)), 'T');
    GlobalUnlock(text);
    HGLOBAL newer = block_with('N');
    EXPECT_EQ(SetClipboardData(CF_DIB, newer), newer); // replacing frees the old DIB
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), baseline + 2);
    EXPECT_EQ(GlobalSize(dib), 0u);

    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), baseline);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_EQ(GetClipboardData(CF_DIB), 0u);
    EXPECT_TRUE(CloseClipboard());
}

TEST(Clipboard, PalettesAreDeletedAsGdiObjects) {
    LOGPALETTE pal{0x300, 1, {{1, 2, 3, 0}}};
    size_t baseline = ZelPlat_LiveGdiObjects();
    ASSERT_TRUE(OpenClipboard(0));
    ASSERT_TRUE(EmptyClipboard());
    HPALETTE h = CreatePalette(&pal);
    EXPECT_EQ(SetClipboardData(CF_PALETTE, h), h);
    EXPECT_EQ(ZelPlat_LiveGdiObjects(), baseline + 1);
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(ZelPlat_LiveGdiObjects(), baseline);
    EXPECT_TRUE(CloseClipboard());
}

TEST(Clipboard, CallsOutsideOpenCloseFail) {
    size_t baseline = ZelPlat_LiveGlobalBlocks();
    HGLOBAL h = block_with('x');
    EXPECT_EQ(SetClipboardData(CF_DIB, h), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLIPBOARD_NOT_OPEN));
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(GetClipboardData(CF_DIB), 0u);
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(GlobalFree(h), 0u); // refused, so still the caller's
    EXPECT_EQ(ZelPlat_LiveGlobalBlocks(), baseline);

    EXPECT_FALSE(OpenClipboard(0x3000BEEFu)); // not a window
    ASSERT_TRUE(OpenClipboard(0));
    EXPECT_FALSE(OpenClipboard(0)); // already open
    EXPECT_EQ(SetClipboardData(CF_DIB, 0), 0u);
    EXPECT_TRUE(CloseClipboard());
}

TEST(Clipboard, EmptyingMakesTheOpenerTheOwner) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "ClipboardOwnerTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND w = CreateWindowExA(0, "ClipboardOwnerTest", "", 0, 0, 0, 10, 10, 0, 0, 0, nullptr);
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(OpenClipboard(w));
    EXPECT_EQ(GetClipboardOwner(), 0u); // opening alone does not take ownership
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(GetClipboardOwner(), w);
    ASSERT_TRUE(OpenClipboard(0));
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(GetClipboardOwner(), 0u);
    EXPECT_TRUE(CloseClipboard());
    DestroyWindow(w);
}

} // namespace
