// File dialogs: what the handler sees, and how the chosen name comes back.
#include "child_process.h"

#include <gtest/gtest.h>
#include <zelplat/zelplat_test.h>

#include <cstring>
#include <string>

namespace {

struct Script {
    std::string name; // written by the handler; empty cancels
    int calls = 0;
    BOOL save = FALSE;
    DWORD struct_size = 0;
    HWND owner = 1;
    DWORD flags = 0;
    DWORD max_file = 0;
    std::string filter; // the whole double-zero-terminated list
    std::string initial;
};

BOOL scripted_dialog(void *ctx, BOOL save, LPOPENFILENAMEA ofn) {
    auto *s = static_cast<Script *>(ctx);
    ++s->calls;
    s->save = save;
    s->struct_size = ofn->lStructSize;
    s->owner = ofn->hwndOwner;
    s->flags = ofn->Flags;
    s->max_file = ofn->nMaxFile;
    const char *end = ofn->lpstrFilter;
    while (end && (end[0] || end[1]))
        ++end;
    s->filter = end ? std::string(ofn->lpstrFilter, end + 2) : "";
    s->initial = ofn->lpstrFile;
    if (s->name.empty())
        return FALSE;
    std::strcpy(ofn->lpstrFile, s->name.c_str());
    return TRUE;
}

const char kBmpFilter[] = "Windows Bitmap (*.bmp)\0*.bmp\0\0";

class FileDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ZelPlat_SetFileDialogHandler(scripted_dialog, &script);
        std::memset(&ofn, 0, sizeof ofn);
        std::memset(buffer, 'Z', sizeof buffer);
        buffer[0] = '\0';
        ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
        ofn.lpstrFilter = kBmpFilter;
        ofn.lpstrFile = buffer;
        ofn.nMaxFile = 251;
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN;
    }
    void TearDown() override { ZelPlat_SetFileDialogHandler(nullptr, nullptr); }
    Script script;
    OPENFILENAMEA ofn;
    char buffer[256];
};

TEST_F(FileDialogTest, HandlerSeesTheCallersSetUp) {
    script.name = "C:\\scans\\p.bmp";
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(script.calls, 1);
    EXPECT_TRUE(script.save);
    EXPECT_EQ(script.struct_size, 76u);
    EXPECT_EQ(script.owner, 0u);
    EXPECT_EQ(script.flags, 0x8006u);
    EXPECT_EQ(script.max_file, 251u);
    EXPECT_EQ(script.filter, std::string(kBmpFilter, sizeof kBmpFilter - 1));
    EXPECT_EQ(script.initial, "");
    EXPECT_STREQ(buffer, "C:\\scans\\p.bmp");
    EXPECT_EQ(CommDlgExtendedError(), 0u);

    ofn.lStructSize = sizeof(OPENFILENAMEA);
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_FALSE(script.save);
    EXPECT_EQ(script.initial, "C:\\scans\\p.bmp"); // the buffer's content is the initial name
}

TEST_F(FileDialogTest, OffsetsOfFileNameAndExtension) {
    struct Case {
        const char *name;
        WORD offset;
        WORD extension;
    } cases[] = {
        {"name", 0, 4},     {"name.", 0, 0},          {"dir.x/name", 6, 10},
        {"name.bmp", 0, 5}, {"C:\\a.b\\c.tif", 7, 9}, {"C:\\a\\.cfg", 5, 6},
    };
    for (const Case &c : cases) {
        script.name = c.name;
        ofn.nFileOffset = ofn.nFileExtension = 999;
        ASSERT_TRUE(GetSaveFileNameA(&ofn)) << c.name;
        EXPECT_STREQ(buffer, c.name);
        EXPECT_EQ(ofn.nFileOffset, c.offset) << c.name;
        EXPECT_EQ(ofn.nFileExtension, c.extension) << c.name;
    }
}

TEST_F(FileDialogTest, TitleAndDefaultExtensionAreFilled) {
    char title[16];
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    ofn.lpstrDefExt = "tiff";
    script.name = "C:\\out\\doc";
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_STREQ(buffer, "C:\\out\\doc.tif");
    EXPECT_EQ(ofn.nFileExtension, 11);
    EXPECT_STREQ(title, "doc.tif");
    // A trailing dot asks for no extension at all.
    script.name = "C:\\out\\doc.";
    ASSERT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_STREQ(buffer, "C:\\out\\doc.");
    EXPECT_EQ(ofn.nFileExtension, 0);
}

TEST_F(FileDialogTest, CancelAndFailuresLeaveTheBufferAlone) {
    std::strcpy(buffer, "keep");
    script.name = "";
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_STREQ(buffer, "keep");

    ofn.lStructSize = 88;
    script.name = "x.bmp";
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(CDERR_STRUCTSIZE));
    EXPECT_EQ(script.calls, 1); // the wrong size never reached the dialog
    EXPECT_STREQ(buffer, "keep");
}

TEST_F(FileDialogTest, NameLongerThanTheBufferIsRefusedWithTheNeededSize) {
    ofn.nMaxFile = 10;
    script.name = "C:\\abcdefgh.bmp"; // 15 characters, 16 with the zero
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(FNERR_BUFFERTOOSMALL));
    WORD needed;
    std::memcpy(&needed, buffer, sizeof needed);
    EXPECT_EQ(needed, 16);
    EXPECT_EQ(buffer[10], 'Z'); // nothing written past nMaxFile

    script.name = "C:\\ab.bmp"; // exactly fits: 10 bytes with the zero
    EXPECT_TRUE(GetSaveFileNameA(&ofn));
    EXPECT_STREQ(buffer, "C:\\ab.bmp");
}

TEST(DefaultFileDialog, WithoutTerminalCancels) {
    ChildResult r = run_without_terminal([] {
        char file[64] = "";
        OPENFILENAMEA ofn{};
        ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof file;
        BOOL chosen = GetOpenFileNameA(&ofn);
        return chosen ? 100 : int(CommDlgExtendedError());
    });
    EXPECT_EQ(r.exit_code, 0);
}

} // namespace
