// Posting, retrieving and dispatching messages; timers; the ends of a wait.
#include "user_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

namespace {

std::vector<UINT> drain(HWND filter = 0, UINT min = 0, UINT max = 0) {
    std::vector<UINT> got;
    MSG msg;
    while (PeekMessageA(&msg, filter, min, max, PM_REMOVE))
        got.push_back(msg.message);
    return got;
}

int timer_calls = 0;
void CALLBACK count_timer(HWND, UINT, UINT_PTR, DWORD) {
    ++timer_calls;
}

} // namespace

TEST(Messages, ComeOutInOrderAndHonourFilters) {
    HWND a = create_recording_window();
    HWND b = create_recording_window();
    HWND a_child = create_recording_window(a, WS_CHILD);
    PostMessageA(a, WM_USER + 1, 11, 12);
    PostMessageA(b, WM_USER + 2, 0, 0);
    PostMessageA(0, WM_USER + 3, 0, 0);
    PostMessageA(a_child, WM_APP, 0, 0);
    PostMessageA(a, WM_USER + 4, 0, 0);

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, a);
    EXPECT_EQ(msg.message, UINT(WM_USER + 1));
    EXPECT_EQ(msg.wParam, 11u);
    EXPECT_EQ(msg.lParam, 12);
    EXPECT_NE(msg.time, 0u);

    EXPECT_EQ(drain(b), std::vector<UINT>{WM_USER + 2});
    EXPECT_EQ(drain(INVALID_HANDLE_VALUE), std::vector<UINT>{WM_USER + 3}) << "thread messages";
    EXPECT_EQ(drain(0, WM_APP, WM_APP), std::vector<UINT>{WM_APP});
    ASSERT_EQ(GetMessageA(&msg, a, 0, 0), 1);
    EXPECT_EQ(msg.message, UINT(WM_USER + 1)) << "still there after PM_NOREMOVE";
    EXPECT_EQ(drain(), std::vector<UINT>{WM_USER + 4});

    PostMessageA(a_child, WM_USER + 5, 0, 0);
    EXPECT_EQ(drain(a), std::vector<UINT>{WM_USER + 5}) << "a window filter takes its children";
}

TEST(Messages, QuitEndsGetMessageAfterEarlierPosts) {
    HWND hwnd = create_recording_window();
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostQuitMessage(7);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, 0, 0, 0), 1);
    EXPECT_EQ(msg.message, UINT(WM_USER + 1));
    ASSERT_EQ(GetMessageA(&msg, 0, WM_USER + 1, WM_USER + 1), 0) << "quit passes any range";
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    ASSERT_EQ(GetMessageA(&msg, 0, 0, 0), 1);
    EXPECT_EQ(msg.message, UINT(WM_USER + 2));
}

TEST(Messages, GetMessageGivesUpWhenNothingCanEverArrive) {
    testing::internal::CaptureStderr();
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, 0, 0, 0), 0);
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_NE(diagnostic.find("GetMessageA"), std::string::npos) << diagnostic;

    // With a window that another process could post to, the bound applies.
    HWND hwnd = create_recording_window();
    ASSERT_NE(hwnd, 0u);
    setenv("ZELPLAT_GETMESSAGE_TIMEOUT", "0.2", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(GetMessageA(&msg, 0, 0, 0), 0);
    diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_NE(diagnostic.find("ZELPLAT_GETMESSAGE_TIMEOUT"), std::string::npos) << diagnostic;
}

TEST(Messages, PostFromAnotherThreadWakesGetMessage) {
    HWND hwnd = create_recording_window();
    std::thread poster([hwnd] {
        usleep(50 * 1000);
        PostMessageA(hwnd, WM_USER + 9, 1, 2);
    });
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, 0, 0, 0), 1);
    EXPECT_EQ(msg.message, UINT(WM_USER + 9));
    EXPECT_EQ(msg.hwnd, hwnd);
    poster.join();
    message_log().clear();
    DispatchMessageA(&msg);
    ASSERT_EQ(message_log().size(), 1u);
    EXPECT_EQ(message_log()[0].msg, UINT(WM_USER + 9));
    EXPECT_EQ(message_log()[0].lParam, 2);
}

TEST(Messages, TimersFireAfterPostedMessagesAndStopWhenKilled) {
    HWND hwnd = create_recording_window();
    // Long enough that a loaded machine does not make it due twice.
    ASSERT_EQ(SetTimer(hwnd, 42, 300, nullptr), 42u);
    usleep(350 * 1000);
    PostMessageA(hwnd, WM_USER, 0, 0);
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, 0, 0, 0), 1);
    EXPECT_EQ(msg.message, UINT(WM_USER)) << "posted messages come before a due timer";
    ASSERT_EQ(GetMessageA(&msg, 0, 0, 0), 1);
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    EXPECT_EQ(msg.wParam, 42u);
    EXPECT_FALSE(PeekMessageA(&msg, 0, WM_TIMER, WM_TIMER, PM_NOREMOVE))
        << "one pending WM_TIMER per timer";
    EXPECT_TRUE(KillTimer(hwnd, 42));
    EXPECT_FALSE(KillTimer(hwnd, 42));

    // A thread timer gets a fresh id and its procedure runs on dispatch.
    UINT_PTR id = SetTimer(0, 0, 10, count_timer);
    ASSERT_NE(id, 0u);
    DestroyWindow(hwnd);
    ASSERT_EQ(GetMessageA(&msg, 0, 0, 0), 1);
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    EXPECT_EQ(msg.wParam, id);
    int calls_before = timer_calls;
    DispatchMessageA(&msg);
    EXPECT_EQ(timer_calls, calls_before + 1);
    ASSERT_TRUE(KillTimer(0, id));

    // Nothing is left that could wake the thread once the timer is gone.
    testing::internal::CaptureStderr();
    EXPECT_EQ(GetMessageA(&msg, 0, 0, 0), 0);
    testing::internal::GetCapturedStderr();
}

TEST(Messages, DispatchOnlyCallsTimerProceduresOfLiveTimers) {
    PostMessageA(0, WM_TIMER, 3, reinterpret_cast<LPARAM>(count_timer));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, 0, 0, 0, PM_REMOVE));
    int calls_before = timer_calls;
    DispatchMessageA(&msg);
    EXPECT_EQ(timer_calls, calls_before) << "a posted WM_TIMER cannot name a procedure to call";
    EXPECT_FALSE(TranslateMessage(&msg));
}
