// Message boxes: what a handler sees, and the one-line default without a terminal.
#include "child_process.h"

#include <gtest/gtest.h>
#include <zelplat/zelplat_test.h>

#include <string>
#include <vector>

namespace {

struct RecordedBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct Script {
    std::vector<RecordedBox> boxes;
    int answer = IDOK;
};

int record_box(void *ctx, HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    auto *script = static_cast<Script *>(ctx);
    script->boxes.push_back({owner, text, caption, type});
    return script->answer;
}

class MessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override { ZelPlat_SetMessageBoxHandler(record_box, &script); }
    void TearDown() override { ZelPlat_SetMessageBoxHandler(nullptr, nullptr); }
    Script script;
};

TEST_F(MessageBoxTest, HandlerSeesExactBytesAndChoosesTheAnswer) {
    script.answer = IDNO;
    EXPECT_EQ(MessageBoxA(0, "Configuraci\xF3n\n\rfallida", "TWAIN Error", MB_YESNO | 0x30), IDNO);
    script.answer = IDOK;
    EXPECT_EQ(MessageBoxA(0, "Sin t\xEDtulo", nullptr, MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(0, nullptr, "C", MB_OK), IDOK);

    ASSERT_EQ(script.boxes.size(), 3u);
    EXPECT_EQ(script.boxes[0].owner, 0u);
    EXPECT_EQ(script.boxes[0].text, "Configuraci\xF3n\n\rfallida");
    EXPECT_EQ(script.boxes[0].caption, "TWAIN Error");
    EXPECT_EQ(script.boxes[0].type, UINT(MB_YESNO | 0x30));
    EXPECT_EQ(script.boxes[1].caption, "Error"); // a null caption shows "Error"
    EXPECT_EQ(script.boxes[2].text, "");
}

TEST_F(MessageBoxTest, InvalidOwnerOrTypeFailsWithoutShowingABox) {
    EXPECT_EQ(MessageBoxA(0x3000ABCDu, "x", "y", MB_OK), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(MessageBoxA(0, "x", "y", 0x0F), 0);
    EXPECT_TRUE(script.boxes.empty());
}

TEST(DefaultMessageBox, WithoutTerminalWritesOneLineAndAnswersTheFirstButton) {
    ChildResult ok = run_without_terminal([] {
        return MessageBoxA(0, "L\xEDnea 1\n\rL\xEDnea 2", "Atenci\xF3n", MB_OK | MB_ICONWARNING);
    });
    EXPECT_EQ(ok.exit_code, IDOK);
    EXPECT_EQ(ok.stderr_text, "MessageBox [Atenci\xC3\xB3n] L\xC3\xADnea 1\\n\\rL\xC3\xADnea 2\n");

    ChildResult yes =
        run_without_terminal([] { return MessageBoxA(0, "\x1B[2J\x80", 0, MB_YESNO); });
    EXPECT_EQ(yes.exit_code, IDYES);
    // Control bytes are escaped; 0x80 is the euro sign.
    EXPECT_EQ(yes.stderr_text, "MessageBox [Error] \\x1B[2J\xE2\x82\xAC\n");
}

} // namespace
