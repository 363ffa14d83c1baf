// The save and open dialogs of the bitmap files: their set-up, the names
// they yield and a cancelled dialog.
#include "dib_fixtures.h"

#include <zeltw32.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace dibtest;

namespace {

// Answers every file dialog with a fixed name (or cancels when it is empty)
// and records how the dialog was set up.
class ScriptedDialog {
  public:
    explicit ScriptedDialog(std::string answer) : answer_(std::move(answer)) {
        ZelPlat_SetFileDialogHandler(&ScriptedDialog::Handle, this);
    }
    ~ScriptedDialog() { ZelPlat_SetFileDialogHandler(nullptr, nullptr); }

    int calls = 0;
    BOOL save = FALSE;
    OPENFILENAMEA seen = {};
    std::string filter; // the filter bytes up to its double NUL, included
    std::string initialName;

  private:
    static BOOL Handle(void *ctx, BOOL save, LPOPENFILENAMEA ofn) {
        auto *self = static_cast<ScriptedDialog *>(ctx);
        ++self->calls;
        self->save = save;
        self->seen = *ofn;
        self->filter.clear();
        for (const char *p = ofn->lpstrFilter; p && (p[0] || p[1]); ++p)
            self->filter += *p;
        if (ofn->lpstrFilter)
            self->filter += std::string(2, '\0');
        self->initialName = ofn->lpstrFile ? ofn->lpstrFile : "";
        if (self->answer_.empty())
            return FALSE;
        std::strncpy(ofn->lpstrFile, self->answer_.c_str(), ofn->nMaxFile);
        return TRUE;
    }
    std::string answer_;
};

void ExpectCommonSetUp(const ScriptedDialog &dialog) {
    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(dialog.seen.lStructSize, 76u);
    EXPECT_EQ(dialog.seen.hwndOwner, HWND(0));
    EXPECT_EQ(dialog.seen.nMaxFile, 251u);
    EXPECT_EQ(dialog.seen.Flags, 0x8006u);
    EXPECT_EQ(dialog.seen.lpstrDefExt, nullptr);
    EXPECT_EQ(dialog.seen.lpstrTitle, nullptr);
    EXPECT_EQ(dialog.seen.lpstrInitialDir, nullptr);
    EXPECT_EQ(dialog.initialName, "");
}

} // namespace

TEST(BitmapDialogs, SaveDialogSetUpForNullAndEmptyNames) {
    HGLOBAL h = MakeDib(DibShape{});
    HostPath("C:\\dialog\\x");
    char empty[] = "";
    for (char *name : {static_cast<char *>(nullptr), empty}) {
        ScriptedDialog dialog("C:\\dialog\\saved.bmp");
        EXPECT_EQ(EscribirEnNombreArchivo(h, name), 0);
        ExpectCommonSetUp(dialog);
        EXPECT_TRUE(dialog.save);
        EXPECT_EQ(dialog.filter, std::string("Windows Bitmap (*.bmp)\0*.bmp\0\0", 30));
    }
    EXPECT_EQ(ReadFileBytes("C:\\dialog\\saved.bmp").size(), 54u + 36);
    GlobalFree(h);
}

TEST(BitmapDialogs, OpenDialogSetUpAndReading) {
    HGLOBAL h = MakeDib(DibShape{});
    HostPath("C:\\dialog\\x");
    ASSERT_EQ(EscribirEnNombreArchivo(h, std::string("C:\\dialog\\opened.bmp").data()), 0);
    ScriptedDialog dialog("C:\\dialog\\opened"); // no extension typed
    HGLOBAL back = CargarAMemoriaDeNombreArchivo(nullptr);
    ExpectCommonSetUp(dialog);
    EXPECT_FALSE(dialog.save);
    EXPECT_EQ(dialog.filter, std::string("Windows Bitmaps (*.bmp)\0*.bmp\0\0", 31));
    ASSERT_NE(back, HGLOBAL(0));
    EXPECT_EQ(BlockBytes(back), BlockBytes(h));
    LiberadorDeMemoria(back);
    GlobalFree(h);
}

TEST(BitmapDialogs, ExtensionAppendedOnlyWhenNoneWasTyped) {
    HGLOBAL h = MakeDib(DibShape{});
    for (const char *stale :
         {"C:\\names\\plain", "C:\\names\\dot..bmp", "C:\\names\\other.dib.bmp"})
        RemoveFile(stale);
    const struct {
        const char *typed;
        const char *written;
    } cases[] = {
        {"C:\\names\\plain", "C:\\names\\plain.bmp"},
        {"C:\\names\\dot.", "C:\\names\\dot."},
        {"C:\\names\\other.dib", "C:\\names\\other.dib"},
        {"C:\\names.d\\inner", "C:\\names.d\\inner.bmp"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        HostPath(c.written);
        ScriptedDialog dialog(c.typed);
        EXPECT_EQ(EscribirEnNombreArchivo(h, nullptr), 0);
        EXPECT_EQ(ReadFileBytes(c.written).size(), 54u + 36);
    }
    EXPECT_FALSE(FileExists("C:\\names\\plain"));
    EXPECT_FALSE(FileExists("C:\\names\\dot..bmp"));
    EXPECT_FALSE(FileExists("C:\\names\\other.dib.bmp"));
    GlobalFree(h);
}

TEST(BitmapDialogs, NameGivenByTheCallerIsUsedAsGiven) {
    HGLOBAL h = MakeDib(DibShape{});
    RemoveFile("C:\\given\\noext.bmp");
    ScriptedDialog dialog("C:\\given\\from dialog.bmp");
    char name[] = "C:\\given\\noext";
    EXPECT_EQ(EscribirEnNombreArchivo(h, name), 0);
    EXPECT_STREQ(name, "C:\\given\\noext");
    EXPECT_TRUE(FileExists("C:\\given\\noext"));
    EXPECT_FALSE(FileExists("C:\\given\\noext.bmp"));
    HGLOBAL back = CargarAMemoriaDeNombreArchivo(name);
    EXPECT_NE(back, HGLOBAL(0));
    EXPECT_EQ(dialog.calls, 0);
    LiberadorDeMemoria(back);
    GlobalFree(h);
}

TEST(BitmapDialogs, CancelledDialogs) {
    HGLOBAL h = MakeDib(DibShape{});
    ScriptedDialog dialog("");
    LeakCheck leaks;
    EXPECT_EQ(EscribirEnNombreArchivo(h, nullptr), -1);
    EXPECT_EQ(CargarAMemoriaDeNombreArchivo(nullptr), HGLOBAL(0));
    EXPECT_EQ(dialog.calls, 2);
    EXPECT_FALSE(leaks.Leaked()) << leaks.Describe();
    GlobalFree(h);
}
