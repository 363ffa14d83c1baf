// The debug output: kept for tests, handed to a host's handler.
#include <zelplat/zelplat_test.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Received {
    std::vector<std::string> lines;
};

void Record(void *ctx, LPCSTR text) {
    static_cast<Received *>(ctx)->lines.push_back(text);
}

// A handler that writes debug output of its own while it runs.
void Echo(void *ctx, LPCSTR text) {
    Record(ctx, text);
    OutputDebugStringA("echo\n");
}

TEST(DebugOutputHandler, ReceivesEachStringInOrderUntilRemoved) {
    ZelPlat_DebugOutputClear();
    Received received;
    ZelPlat_SetDebugOutputHandler(Record, &received);
    OutputDebugStringA("ZELW:State 6\n");
    OutputDebugStringA(nullptr);
    OutputDebugStringA("ZELW:State 7\n");
    ZelPlat_SetDebugOutputHandler(nullptr, &received);
    OutputDebugStringA("after\n");
    EXPECT_EQ(received.lines, (std::vector<std::string>{"ZELW:State 6\n", "", "ZELW:State 7\n"}));
    // The record for tests keeps everything, the handler's time or not.
    ASSERT_EQ(ZelPlat_DebugOutputCount(), 4u);
    EXPECT_STREQ(ZelPlat_DebugOutputEntry(3), "after\n");
}

TEST(DebugOutputHandler, OwnOutputIsRecordedButNotHandedBack) {
    ZelPlat_DebugOutputClear();
    Received received;
    ZelPlat_SetDebugOutputHandler(Echo, &received);
    OutputDebugStringA("one\n");
    OutputDebugStringA("two\n");
    ZelPlat_SetDebugOutputHandler(nullptr, nullptr);
    EXPECT_EQ(received.lines, (std::vector<std::string>{"one\n", "two\n"}));
    ASSERT_EQ(ZelPlat_DebugOutputCount(), 4u);
    EXPECT_STREQ(ZelPlat_DebugOutputEntry(1), "echo\n");
}

} // namespace
